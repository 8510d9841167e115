// Splits one FEM line into its blank-separated fields, each classified as
// integer, real or text, and recognises record headers. The blank is the
// only separator; a tab or any other byte is an ordinary character.
#pragma once
#include <cstdint>

#include "fem/field_classifier.h"

inline constexpr std::int32_t MxFields = 100;
inline constexpr std::int32_t kFieldTextLen = 80;

// The split of one line. Entries count from 1; entry 0 is unused. A split
// writes only the entries its fields define: entries beyond count, the value
// of a text field and the text of a numeric field keep what they held.
struct LineFields {
  std::int32_t count;
  std::int32_t kinds[MxFields + 1];
  double values[MxFields + 1];              // integer: its exact value; real: its value
  char texts[MxFields + 1][kFieldTextLen];  // text: first 80 characters, blank-padded
};

// Splits the first nLen characters of ChLine. A field longer than 80
// characters is classified and kept by its first 80; fields after the 100th
// are dropped, neither classified nor stored. Cannot fail, except that a
// field that does not convert is a fatal stop naming it.
void split_fields(const char* ChLine, std::int32_t nLen, LineFields& Fields);

// Every field of the line passes the same shape test and conversion check as
// split_fields, with the same fatal stops, but nothing is stored or
// converted: the cheap form for lines that nobody takes values from.
void check_fields(const char* ChLine, std::int32_t nLen);

// True when the split has a field, field 1 is text, and its first
// strlen(ChRecord) characters are ChRecord (case-sensitive; what follows the
// name inside the field is not looked at).
bool is_record_header(const LineFields& Fields, const char* ChRecord);
