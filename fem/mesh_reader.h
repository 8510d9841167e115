// The mesh reader: fills iMeshList, the element lists of the mesh relations,
// from the SCONMESH records, in one pass over the FEM file.
#pragma once
#include <cstdint>

#include "fem/fem_scan.h"
#include "fem/name_tables.h"

// MxMeshTable and MxRowLen are the rows and the slots per row of iMeshList
// (the program hands MxMesh and MxMeshLen).
//
// A SCONMESH record is taken only when its fields 4 and 5 are 1 and 2;
// field 3 is the mesh reference (the row), field 2 may be at most
// MxRowLen - 2. The next line holds the count n and elements 1 to 3, then
// n / 4 more lines four elements each. Row slot 1 gets n, slots 2 to n+1 the
// elements; other slots keep their values. iMeshList is never cleared here.
// A reference below 1 stores nothing; end of file inside a relation ends the
// pass quietly (nMesh and MaxMeshRef already count it).
//
// A reference above MxMeshTable, field 2 above MxRowLen - 2, nMesh above MxMeshTable,
// or a count above MxRowLen - 1 (found once the first list line is read)
// is input error INP_2103: the report goes to iUnitLabel, iStatus becomes -1
// and the reader returns at once. Otherwise iStatus is untouched.
void read_mesh_relations(std::int32_t& nMesh, std::int32_t MxMeshTable, std::int32_t MxRowLen,
                         MeshColumn* iMeshList, std::int32_t& MaxMeshRef, FemFile& Fem,
                         std::int32_t iUnitLabel, std::int32_t& iStatus);
