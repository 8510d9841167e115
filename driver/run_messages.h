// The lines Lablix writes on standard error, for a user who does not look
// in the files and for scripts: refusals, what an input error or a label
// file without labels means, and what a dialogue wrote. Each is one line
// "lablix: ...", ended by a line feed alone on every system, as the fatal
// stop's line is. Names are shown as opened: the 256-character fields
// without their trailing blanks.
#pragma once
#include <cstdint>

#include "driver/label_writer.h"
#include "fem/input_errors.h"
#include "fem/name_tables.h"

// "lablix: " and the pieces, joined.
void say(const char* ChPart1, const char* ChPart2 = "", const char* ChPart3 = "",
         const char* ChPart4 = "", const char* ChPart5 = "");

// "lablix: cannot open the <ChRole> "<name>": <reason>", the name being the
// answer field ChField, iError the refusal of open_run_file.
void say_open_refused(const char* ChRole, const char* ChField, int iError);

// The input-error line: "lablix: FEM:LINE: <limit>: the label file "LABEL"
// holds the input-error report INP_210n"; without ":LINE" when iLine is 0,
// and with the older general words when the limit is not known.
void say_input_error(const char* ChFemField, const char* ChLabelField, InputLimit iLimit,
                     std::int64_t iLine);

// The same for the model's page (lablix --view): "lablix: FEM:LINE:
// <limit>: the page "PAGE" shows the input-error report INP_210n instead
// of the model".
void say_page_input_error(const char* ChFemField, const char* ChPageField, InputLimit iLimit,
                          std::int64_t iLine);

// When the label file holds not one label: says so, with the likely cause
// read from the counts in Tables. Nothing when Counts has a label.
void say_if_no_labels(const char* ChFemField, const char* ChLabelField, const NameTables& Tables,
                      const LabelCounts& Counts);

// The dialogue's closing line: "lablix: wrote LABEL (n node labels, m
// element labels)", and " and LISTING" when ChListingField is not null.
void say_written(const char* ChLabelField, const LabelCounts& Counts, const char* ChListingField);
