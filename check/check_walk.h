// What the model check finds on the FEM lines, after the readers have
// filled the tables without an input error. The lines come from the record
// walk (fem/record_walk.h), which follows the readers' six passes at once
// by their own rules, so that the check knows on which line each record
// they took stands. A normal run never walks so; the check pays for it.
//
// The walk notes, for each number the readers index by, the line of the
// record whose entry the tables hold (the last one: a later record wins),
// and the findings that stand on the lines themselves: a number field that
// is text (read as 0), a number that has no place in the tables, a record
// that repeats a number taken earlier, a name or line cut, and a record
// that the end of the file cuts short.
#pragma once
#include <cstdint>

#include "check/check_findings.h"
#include "fem/model_geometry.h"
#include "fem/name_tables.h"

// The lines of the records behind the tables' entries (0: no record), and
// for each mesh reference the highest named member that uses it (0: none).
struct RecordLines {
  std::int64_t* iGnode;     // [MxNode + 1]
  std::int64_t* iTdnode;    // [MxNode + 1]
  std::int64_t* iGelmnt1;   // [MxElem + 1]
  std::int64_t* iTdsconc;   // [MxMemb + 1]
  std::int64_t* iSconcept;  // [MxMemb + 1]
  std::int64_t* iSconmesh;  // [MxMesh + 1]
  std::int32_t* iMeshUser;  // [MxMesh + 1]
};

// Takes the tables' memory, all 0. False when it cannot be had.
bool create_record_lines(RecordLines& Lines);

// Walks the nData bytes of the FEM file at pData. Tables are the readers'
// results, with iElemMemb built (assign_element_owners): they tell which
// repeated records change a label. pGeometry, when not null, is read in the
// same walk (as read_model_geometry reads it): the model's page wants both,
// and the walk over every line is most of what either costs.
void walk_records(const char* pData, std::int64_t nData, const NameTables& Tables,
                  RecordLines& Lines, FindingStore& Store, ModelGeometry* pGeometry);
