// The steps of an output file that each system takes its own way, for the
// steps written once above them (files/output_file.cpp). Only the output
// file's own sources include this.
#pragma once
#include "files/output_file.h"

// The names a new file has in its folder before it takes its own:
// ".lablix-<process>-<n>" for one named from the start, and
// ".lablix-<process>-u<n>" for a nameless one named just before its rename;
// <process> and <n> in decimal.
inline constexpr char kTempPrefix[] = ".lablix-";

// The name of try iTry of process iProcess (the "u" form when bUnnamed).
void make_temp_name(char (&ChTemp)[MxTempName], unsigned long iProcess, bool bUnnamed,
                    unsigned iTry);

// True when ChName has exactly the form make_temp_name gives (numbers
// without leading zeros, nothing before or after), with iProcess the
// process it names: only such names are ever taken for a dead run's debris.
bool is_temp_name(const char* ChName, unsigned long& iProcess);

// The new file goes; the older file and the folder stay open.
void drop_new_file(OutputFile& Out);

// The new file takes the name (a replaced output), or the complete content
// is copied over the older file (in place); 0 or the error, nothing changed.
// bClosing: nothing more will be written, and the file is closed, its
// result checked, before it takes the name (Out.hFile is then kNoFile).
int place_replaced(OutputFile& Out, bool bClosing);
int place_in_place(OutputFile& Out, bool bClosing);
