// One line of text built piece by piece in fixed storage: texts, numbers as
// few digits as they need, and numbers right-justified in a field of
// columns: the run's messages, the check's findings, the fatal stop's line
// and its place in the FEM file, and the open reports. (The label file,
// the listing and the reports of a broken limit are fixed columns, written
// straight into their lines.) No heap, no stdio, no state beyond the
// builder itself, so the fatal stop may use it in a signal handler.
#pragma once
#include <cstdint>

// The room of every builder: the longest line any caller composes (a
// message quoting several 256-character names).
inline constexpr std::int32_t MxLineLen = 1024;

// The line so far is Ch[0, n). Pieces are cut at nMx (at most MxLineLen),
// so that n never passes it; two places beyond MxLineLen stay free for a
// line feed and a terminating NUL. A builder declared without start_line is
// empty and cut at MxLineLen.
struct LineBuilder {
  char Ch[MxLineLen + 2];
  std::int32_t n = 0;
  std::int32_t nMx = MxLineLen;
};

// Empties the line and sets where its pieces are cut: nMx, held to 0 to
// MxLineLen.
void start_line(LineBuilder& Line, std::int32_t nMx = MxLineLen);

// Appends the n characters at Ch (none when n <= 0), as many as fit
// before the cut.
void put_chars(LineBuilder& Line, const char* Ch, std::int32_t n);

// Appends the C string ChPiece, cut as put_chars; a null ChPiece adds
// nothing.
void put_text(LineBuilder& Line, const char* ChPiece);

// Appends the n characters at Ch between double quotes, each quote and the
// characters cut as put_chars.
void put_quoted(LineBuilder& Line, const char* Ch, std::int32_t n);

// Appends iValue in as few columns as it needs, with a minus sign when
// negative. A number is never cut: one that does not fit whole is left out,
// and the line takes nothing more (its cut moves to where it stands), so a
// line never shows a number other than the one given.
void put_number(LineBuilder& Line, std::int64_t iValue);

// Appends iValue right-justified in nWidth columns, as put_integer writes
// it: nWidth asterisks when it needs more columns. Nothing when nWidth <= 0;
// a field that does not fit whole before the cut is left out as in
// put_number.
void put_padded(LineBuilder& Line, std::int64_t iValue, std::int32_t nWidth);

// Appends a line feed, past the cut if need be (a cut line still ends).
// Once per line.
void put_line_feed(LineBuilder& Line);

// The line as a C string: a NUL is put after its n characters (the place
// is always free). Valid until the next piece is put.
const char* line_string(LineBuilder& Line);
