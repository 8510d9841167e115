// Answers and arguments that name the run's files, in both ways in: the
// quotes that a pasted or dragged name brings are taken off, the label file
// named after the FEM file when none is given (and the page likewise) (the open itself is
// driver/run_file_open.h).
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

// The listing's name for the FEM file name ChFem when the command line asks
// for a listing without naming it (-l): as label_name_beside, with ".lst".
std::int32_t listing_name_beside(const char* ChFem, std::int32_t nFem, char* ChOut,
                                 std::int32_t nRoom);

// The same with ".html": the name of the model's page (lablix --view).
std::int32_t page_name_beside(const char* ChFem, std::int32_t nFem, char* ChOut,
                              std::int32_t nRoom);
