// The readers in the order of a run: nodes, then members, then meshes, each
// only when the one before it ended without an input error. A run and a
// check of the model both read through here.
#pragma once
#include <cstdint>

#include "fem/fem_scan.h"
#include "fem/name_tables.h"

// Which reader ended with an input error (its report is then in the unit
// iReportUnit, and the readers after it did not run).
enum FailedReader : std::int32_t {
  kNoneFailed,
  kNodeReaderFailed,
  kMemberReaderFailed,
  kMeshReaderFailed
};

// Fills the tables from the FEM file Fem.
FailedReader read_model(NameTables& Tables, FemFile& Fem, std::int32_t iReportUnit);
