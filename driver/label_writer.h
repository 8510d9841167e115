// The label file: the program's product. Gives each named node and each
// element of a named member a readable label for the Orvex program.
#pragma once
#include <cstdint>

#include "fem/name_tables.h"

// Fills iElemMemb: entries 1 to min(nElems, MxElem) are set to 0, then each
// member k from 1 to MaxMembRef with a name and a mesh reference m in 1 to
// MxMesh gives k to every element of row m of iMeshList (elements outside 1
// to MxElem are skipped). A later member overwrites an earlier one.
void assign_element_owners(NameTables& Tables);

// How many label lines a label file holds, for the run's closing words.
struct LabelCounts {
  std::int64_t nNodeLabels;
  std::int64_t nElementLabels;
};

// Builds iElemMemb (assign_element_owners) and writes the whole label file
// to iUnit: header and run summary, one NodeLabel line per named node among
// 1 to min(nNodes, MxNode), one ElementLabel line per element among 1 to
// min(nElems, MxElem) that belongs to a named member. ChDate and ChFemName
// are the driver's 256-character fields. Has no failure of its own.
// Returns the numbers of NodeLabel and ElementLabel lines written.
LabelCounts write_label_file(NameTables& Tables, const char* ChDate, const char* ChFemName,
                             std::int32_t iUnit);
