// The node reader: fills iNodeExt (external node number by internal number)
// from the GNODE records and ChNodeName (80-character node name) from the
// TDNODE records, in two passes over the FEM file: GNODE, then TDNODE.
#pragma once
#include <cstdint>

#include "fem/fem_scan.h"
#include "fem/name_tables.h"

// MxNodeTable is the capacity of iNodeExt and ChNodeName (the program hands
// MxNode).
//
// GNODE: field 2 the external, field 3 the internal node number. TDNODE:
// field 3 the internal node number; the next line, raw, is the name (its
// first 80 columns as they stand). Later records replace earlier ones; the
// counters count every record. An internal number below 1 stores nothing; a
// TDNODE number above MxNodeTable stores nothing either. End of file in place of
// a name line ends the pass quietly.
//
// A GNODE internal number above
// MxNodeTable is input error INP_2101: the report
// goes to iUnitLabel, iStatus becomes -1 and the reader returns at once
// (nNodes includes the offending record). Otherwise iStatus is untouched.
void read_node_names(std::int32_t& nNodes, std::int32_t* iNodeExt, std::int32_t MxNodeTable,
                     NameColumn& ChNodeName, std::int32_t& nNodeNames, FemFile& Fem,
                     std::int32_t iUnitLabel, std::int32_t& iStatus);
