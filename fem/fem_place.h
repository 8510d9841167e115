// The place of a failure in the FEM file, as a compiler names one: the
// file's name, the line, and the record it belongs to ("T1.FEM:37: GNODE"),
// so that a user can go straight to it in an editor. Worked out only on the
// way out of a failed run.
#pragma once
#include <cstdint>

// Writes the place of the byte at iOffset of the FEM file's nData bytes at
// pData into ChOut (at most nRoom characters, cut there; a line number
// that does not fit whole is left out, never cut into another number, and
// nothing follows it) and returns its length:
// "NAME:LINE: RECORD", or "NAME:LINE" when no record is found. NAME is the
// first nName characters of ChName. The record is the first word of the
// nearest line at or above the place that begins (after blanks) with a
// record name: a capital letter, then up to seven capitals or digits, then
// a blank or the line's end. Comment lines ("$", "#" or "!" in column 1)
// do not count. 0 when iOffset lies outside the content.
std::int32_t describe_fem_place(const char* ChName, std::int32_t nName, const char* pData,
                                std::int64_t nData, std::int64_t iOffset, char* ChOut,
                                std::int32_t nRoom);
