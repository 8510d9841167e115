// Blank-padded text fields: the one text shape of Lablix. A field is a run of
// single-byte characters of a declared length, padded on the right with blanks.
// Only the space character is blank; tab, NUL and every other byte are not.
// Keeps no state.
#pragma once
#include <cstdint>

inline constexpr char kBlank = ' ';

// Position (from 1) of the last non-blank character of the first nLen
// characters of ChText, or 0 when they are all blank or nLen is 0 or less.
// Scans backwards from the end many columns a step, so that a long field
// holding a short name is settled with a handful of comparisons.
std::int32_t trimmed_length(const char* ChText, std::int32_t nLen);

// Sets nLen characters of ChText to blanks. Nothing when nLen <= 0.
void fill_blanks(char* ChText, std::int32_t nLen);

// Copies the first nSource characters of ChSource into the nTarget-character
// field ChTarget, cut to the field or padded with blanks to its end.
void copy_padded(char* ChTarget, std::int32_t nTarget, const char* ChSource, std::int32_t nSource);

// Writes iValue right-justified in nWidth columns at ChOut, with a leading
// minus sign when negative; a value that needs more than nWidth columns is
// written as nWidth asterisks. Returns nWidth (the columns written).
std::int32_t put_integer(char* ChOut, std::int32_t nWidth, std::int64_t iValue);

// Writes iValue as exactly two digits, with a leading zero below 10 (0 to 99).
void put_two_digits(char* ChOut, std::int32_t iValue);
