// Line shapes: what the record scanner and the field splitter need to know
// of a line of the FEM file before, or instead of, walking its characters
// one by one: whether it is in the layout modelling tools write, where a
// short line ends and whether any of its fields can be a number, where any
// line ends. Internal to the scanning wing (the record scanner, the field
// splitter and their tests): readers and writers never include it.
//
// Every test has one name here. Its processor forms stand in files of their
// own (fem/scan/line_shape_sse2.h, fem/scan/line_shape_avx2.h and the word-at-a-time
// fem/scan/line_shape_portable.h) and are picked once: SSE2 or word at a time
// when the program is built, AVX2 at start-up where the processor has it.
// All forms give the same answers; the tests hold them against each other.
#pragma once
#include <cstdint>

// The layout that modelling tools write nearly every line of a FEM file in:
// columns 1 to 8 hold a record name or are blank, then reals follow in
// 16-column slots, each "  d.ddddddddE+dd" (or a minus in column 2, or
// E-dd), and nothing after them. Its fields are a text (a field that starts
// with a letter always is) and reals that convert, so such a line can never
// stop the run.
inline constexpr std::int32_t kNameColumns = 8;
inline constexpr std::int32_t kSlotColumns = 16;
// A longer line would be cut at column 256, inside a slot.
inline constexpr std::int32_t MxSlots = 15;

// When the text from pText on is a line in the tool layout, ended by a line
// feed or CR LF before pEnd, returns its length (terminator excluded) and
// in nName the length of its name (0 when blank); otherwise 0 (nName may be
// set anyway). Nothing is read at or past pEnd.
std::int32_t tool_line_length(const char* pText, const char* pEnd, std::int32_t& nName);

// A line of fewer than 32 characters, as the checking pass needs to know
// it: the name lines after TDNODE and TDSCONC headers are such lines, and a
// large model has hundreds of thousands of them.
struct ShortLine {
  std::int32_t nLine;   // its length, terminator excluded
  std::int32_t nStep;   // from its start to the start of the next line
  std::int32_t iFirst;  // its first non-blank character (from 0); -1 when none
  bool bOnlyText;       // no field of it starts with a digit, a sign or a point
};

// When the text at pText (with at least 32 characters before pEnd) starts
// with a line ended by a line feed among its first 32 characters, describes
// that line in Line, in one step over its characters, and returns true;
// otherwise returns false and sets nothing. A field that starts with a
// letter or any other character is text whatever follows, so a line of
// only such fields can never stop the run.
bool short_line_shape(const char* pText, const char* pEnd, ShortLine& Line);

// True when no field of the nLen characters at pLine starts with a digit, a
// sign or a point: every field is then text, and none can stop the run.
bool only_text_fields(const char* pLine, std::int32_t nLen);

// The line that starts at offset iPos (below nData) of the nData bytes at
// pData, by the line rules of files/file_units.h: its length, terminator
// excluded, goes to nLine; returns the offset of the line after it.
std::int64_t cut_line(const char* pData, std::int64_t nData, std::int64_t iPos,
                      std::int64_t& nLine);

// For the tests, which hold the forms against each other: the answer of
// tool_line_length from the form built for every processor (SSE2 or word
// at a time), never from the AVX2 one.
std::int32_t tool_line_length_narrow(const char* pText, const char* pEnd, std::int32_t& nName);
