// Answers and arguments that name the run's files, in both ways in: the
// quotes that a pasted or dragged name brings are taken off, the label file
// named after the FEM file when none is given, and the open itself, whose
// refusal both ways in put into the same words.
#pragma once
#include <cstdint>

// Takes the quotes off a name pasted as Windows' "Copy as path" gives it, or
// dragged into a terminal: when the nLen-character field ChField, without
// its trailing blanks, is at least two characters long and begins and ends
// with the same quote character (" or '), the characters between them move
// to the field's start and blanks fill the rest. Any other field (a lone
// quote, unbalanced quotes, quotes inside a name, leading blanks before the
// quote) stays as it is.
void strip_quotes(char* ChField, std::int32_t nLen);

// The label file's name for the FEM file name ChFem of nFem characters: the
// same name with its extension (from the last "." of its last part, a dot
// that begins that part not counting) replaced by ".lab", or ".lab" added
// when it has none; "/" and "\" both end a folder's part. Written into
// ChOut (room for nRoom characters and a NUL); returns its length, or -1
// when it does not fit.
std::int32_t label_name_beside(const char* ChFem, std::int32_t nFem, char* ChOut,
                               std::int32_t nRoom);

// Opens the name in the 256-character answer field ChField (trailing blanks
// are no part of it) on iUnit: iMode 1 an existing input file, iMode 0 an
// output opened or created. Returns 0, or the error number of the file
// layer's refusal.
int open_answer(const char* ChField, std::int32_t iUnit, std::int32_t iMode);

// A refused open in words, the same for the dialogue and the command line:
// iError from open_answer, nName the length of the name tried.
const char* open_failure_reason(int iError, std::int32_t nName);
