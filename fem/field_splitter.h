// Splits one FEM line into its blank-separated fields, each classified as
// integer, real or text, and recognises record headers. The blank is the
// only separator; a tab or any other byte is an ordinary character.
#pragma once
#include <cstdint>

#include "fem/field_classifier.h"

inline constexpr std::int32_t kMaxFields = 100;
inline constexpr std::int32_t kFieldTextLen = 80;

// The split of one line. Entries count from 1; entry 0 is unused. A split
// writes only the entries its fields define: entries beyond count, the value
// of a text field and the text of a numeric field keep what they held.
struct LineFields {
  std::int32_t count;
  std::int32_t kinds[kMaxFields + 1];
  double values[kMaxFields + 1];              // integer: its exact value; real: its value
  char texts[kMaxFields + 1][kFieldTextLen];  // text: first 80 characters, blank-padded
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

// The layout that modelling tools write nearly every line in: columns 1 to 8
// blank or one name that starts with a letter, then reals in 16-column
// slots ("  1.00000000E+00", " -2.50000000E-03"), nothing after them. When
// the text from ChText on is such a line, ended by a line feed or CR LF
// before pEnd, returns its length (terminator excluded) and in nName the
// length of its name (0 when blank); otherwise 0. None of such a line's
// fields can stop the run, so a scan that only checks may pass it over
// without cutting it out first or calling check_fields.
// Where the processor has AVX2, two slots are tested in one step.
std::int32_t tool_line_length(const char* ChText, const char* pEnd, std::int32_t& nName);

// The same answer as tool_line_length, never with AVX2: tests hold the two
// ways against each other on processors that have it.
std::int32_t tool_line_length_narrow(const char* ChText, const char* pEnd, std::int32_t& nName);

// split_fields for a line that tool_line_length accepted (nLen and nName as
// it gave them): the same result, without testing the layout again. Only the
// values of fields iFirstValue to iLastValue are converted; other fields are
// classified and their values set to 0 (no field of such a line can stop
// the run, so nothing is missed by leaving a value nobody takes unconverted).
void split_tool_line(const char* ChLine, std::int32_t nLen, std::int32_t nName, LineFields& Fields,
                     std::int32_t iFirstValue = 1, std::int32_t iLastValue = kMaxFields);

// A line of fewer than 32 characters, as the checking pass needs to know
// it: the name lines after TDNODE and TDSCONC headers are such lines, and a
// large model has hundreds of thousands of them.
struct ShortLine {
  std::int32_t nLine;   // its length, terminator excluded
  std::int32_t nStep;   // from its start to the start of the next line
  std::int32_t iFirst;  // its first non-blank character (from 0); -1 when none
  bool bOnlyText;       // no field of it starts with a digit, a sign or a point
};

// When the text at ChText (with at least 32 characters before pEnd) starts
// with a line ended by a line feed among its first 32 characters, describes
// that line in Line, in one step over its characters, and returns true;
// otherwise returns false and sets nothing. A field that starts with a
// letter or any other character is text whatever follows, so a line of
// only such fields can never stop the run (check_fields has nothing to do).
bool short_line_shape(const char* ChText, const char* pEnd, ShortLine& Line);

// True when the split has a field, field 1 is text, and its first
// strlen(ChRecord) characters are ChRecord (case-sensitive; what follows the
// name inside the field is not looked at).
bool is_record_header(const LineFields& Fields, const char* ChRecord);

// The same answer as split_fields followed by is_record_header, without the
// split: the first field of the first nLen characters starts with ChRecord.
// A field that starts with a letter is always text, so no shape test is needed.
bool starts_with_record(const char* ChLine, std::int32_t nLen, const char* ChRecord);
