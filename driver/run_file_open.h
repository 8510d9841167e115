// Opening the files of a run, as both ways in do: the dialogue's answers and
// the command line's arguments, each a 256-character field.
#pragma once
#include <cstdint>

// An output name whose file holds SESAM records: a model, which Lablix never
// writes over (a slip such as `lablix A_T1.FEM B_T1.FEM C_T1.FEM`).
inline constexpr std::int32_t kRefusedSesamRecords = 1101;
// A dialogue answer longer than its 256-character field: the field holds
// only its start, which may name another file.
inline constexpr std::int32_t kRefusedLongerThanField = 1102;

// Opens the file named by the 256-character field ChField (trailing blanks
// are not part of the name) on iUnit: an existing file to read (iMode 1) or
// an output (iMode 0). Returns 0, or the refusal: an error number or
// refusal of connect_unit (files/file_units.h), or kRefusedSesamRecords;
// a refused open has created and changed nothing.
std::int32_t open_run_file(const char* ChField, std::int32_t iUnit, std::int32_t iMode);

// The words for a refusal of open_run_file: "it is a folder".
const char* run_file_refusal_words(std::int32_t iRefusal);

// Whether the argument ChArg (its quotes taken off, as for an open) names a
// model: an existing regular file whose start holds SESAM records, by the
// test that refuses a model as an output. False for anything that does not
// open. Uses kUnitFem for the look and leaves it closed.
bool names_a_model(const char* ChArg);
