// lablix --check FEM: explains, before anyone looks at results in Orvex,
// every place where the label file will not say what the modeller meant.
// The FEM file is read by the same readers into the same tables as a run;
// no file is written. The report goes to standard output: the seven counts
// of the run summary, one line per finding sorted by line
// (check/check_findings.h), and a closing line.
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
#include "fem/name_tables.h"

// Checks the FEM file open as Fem. The readers' input-error reports go to
// iUnitReports, a unit the caller connected to a nameless scratch file.
// ChFile (nFile characters) names the FEM file in the findings. Returns the
// exit status: 0 with no findings, 1 with findings. A fatal stop of a
// reader ends the process as in a run.
int check_model(NameTables& Tables, FemFile& Fem, std::int32_t iUnitReports, const char* ChFile,
                std::int32_t nFile);

// The same check for a caller that shows its findings elsewhere (the
// model's page): the findings and the closing line handed to Lines as
// write_findings words them; the run summary not written (the caller has
// the tables). Returns as check_model.
int check_model_lines(NameTables& Tables, FemFile& Fem, std::int32_t iUnitReports,
                      const char* ChFile, std::int32_t nFile, const ReportLines& Lines);
