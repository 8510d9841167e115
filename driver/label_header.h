// The first 16 records of the label file and of the member listing: the
// label header (frame, date text, FEM file name) and the run summary.
#pragma once
#include <cstdint>

#include "fem/name_tables.h"

// Every number of the label file and the listing: right-justified in 8
// columns, eight asterisks when wider.
inline constexpr std::int32_t kNumberWidth = 8;

// The first line of every label file and listing Lablix writes (an
// input-error report aside): the top of the frame.
inline constexpr char kLabelFirstLine[] = "# =========================================";

// Writes records 1 to 16 to iUnit: five frame lines, "# Executed" with the
// 256-character date text trimmed, "# SESAM File    : " with the
// 256-character FEM file name trimmed, "#", the seven counters of Tables
// under their 26-character labels in 8 columns, and one empty line.
void write_label_header(std::int32_t iUnit, const char* ChDate, const char* ChFemName,
                        const NameTables& Tables);

// Writes record 7 alone to iUnit: "# SESAM File    : " and the
// 256-character FEM file name ChFemName trimmed. It heads each model's
// report when --check reads several.
void write_fem_name_line(std::int32_t iUnit, const char* ChFemName);

// Writes the run summary alone to iUnit: the seven counters of Tables under
// their 26-character labels in 8 columns, as records 9 to 15 give them.
void write_run_summary(std::int32_t iUnit, const NameTables& Tables);

// The same seven lines as text for other programs (the command line's
// --verbose), each ended by ChLineEnd (at most two characters) instead of
// CR LF.
void write_run_summary_text(std::int32_t iUnit, const NameTables& Tables, const char* ChLineEnd);

// The same seven counts on one line for a model of several (the command
// line's --verbose with several models): the name ChName (nName
// characters), ": ", and each count's words and number, ", " between
// them: "T1.FEM: Names Node 4, Nodes 12, ..., Highest Memb Ref No 9",
// ended by ChLineEnd (at most two characters).
void write_run_summary_line(std::int32_t iUnit, const char* ChName, std::int32_t nName,
                            const NameTables& Tables, const char* ChLineEnd);
