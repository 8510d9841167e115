// The member reader: fills iElemExt from the GELMNT1 records, ChMembName
// from the TDSCONC records and iMembDef from the SCONCEPT records, in three
// passes over the FEM file in that order.
#pragma once
#include <cstdint>

#include "fem/fem_scan.h"
#include "fem/name_tables.h"

// GELMNT1: field 2 the external, field 3 the internal element number.
// TDSCONC: field 3 the member number; the next line, raw, is the name.
// SCONCEPT: field 3 the member number, fields 4 and 5 slots 1 and 2; the
// next line, raw, gives slots 3 to 6 in its fields 1 to 4 (slot 6 is the
// mesh reference). MaxMembRef is the highest TDSCONC member number. A
// number below 1 stores nothing; counts and checks still apply.
//
// MxMembTable is the capacity of the tables handed in and MxDefSlot the
// highest slot of iMembDef (the program hands MxMemb and MxMembDef).
// MxMembTable bounds element numbers, member numbers and nNames. Breaking it is
// input error INP_2102: for TDSCONC and SCONCEPT a five-line limit report
// first, then the report quoting the current line, both to iUnitLabel;
// iStatus becomes -1 and the reader returns at once. Otherwise iStatus is
// untouched. End of file inside a record ends the pass quietly.
//
// First of all iElemExt (MxMembTable + 1 entries) and the whole of iMembDef are
// set to 0, with clear_table: both must be tables of create_name_tables.
void read_member_names(std::int32_t& nElems, std::int32_t* iElemExt, std::int32_t MxMembTable,
                       NameColumn& ChMembName, std::int32_t& nNames, std::int32_t& MaxMembRef,
                       MembDefColumn* iMembDef, std::int32_t MxDefSlot, FemFile& Fem,
                       std::int32_t iUnitLabel, std::int32_t& iStatus);
