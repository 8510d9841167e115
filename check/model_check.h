// lablix --check FEM: explains, before anyone looks at results in Orvex,
// every place where the label file will not say what the modeller meant.
// The FEM file is read by the same readers into the same tables as a run
// (the driver reads it and writes the seven counts of the run summary);
// no file is written. The report goes on to standard output: one line per
// finding sorted by line (check/check_findings.h), and a closing line.
//
// What is found: a number field that is text (read as 0); a record that
// repeats a number taken earlier (the later one wins); a name or line cut;
// a number that has no place in the tables; a named node that no GNODE
// numbers, or that lies beyond the nodes the label file lists; a named
// member without a mesh reference or without a relation for it; an element
// of a named member that no GELMNT1 numbers, that lies beyond the elements
// read, or that a member of higher number lists too. A model that breaks a
// limit gives the one finding of the report its label file holds.
#pragma once
#include <cstdint>

#include "check/check_findings.h"
#include "fem/fem_scan.h"
#include "fem/model_geometry.h"
#include "fem/name_tables.h"

// Checks the FEM file open as Fem, after the driver has read it with the
// readers of a run into Tables (with iElemMemb built) and written the run
// summary. bReaderFailed: a reader ended with an input error, the limit it
// found broken is Fem.iLimitBroken and the line buffer holds the line it
// stopped on. ChFile (nFile characters) names the FEM file in the findings,
// which go to standard output. Returns the exit status: 0 with no findings,
// 1 with findings.
int check_model(const NameTables& Tables, const FemFile& Fem, bool bReaderFailed,
                const char* ChFile, std::int32_t nFile);

// The same check for a caller that shows its findings elsewhere (the
// model's page): Walk gives the findings and the closing line in
// check_model's words and order (next_finding_line), instead of standard
// output. Without bReaderFailed, Geometry is read in the check's walk over
// the file (read_model_geometry's result); with it, Geometry is left as it
// was.
int begin_check_lines(const NameTables& Tables, const FemFile& Fem, bool bReaderFailed,
                      const char* ChFile, std::int32_t nFile, ModelGeometry& Geometry,
                      FindingLines& Walk);
