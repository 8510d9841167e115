#include "support/line_builder.h"

#include <charconv>
#include <cstring>

#include "support/text_helpers.h"

namespace {

// Room left before the cut; negative once a line feed went past it.
std::int32_t room_of(const LineBuilder& Line) {
  return Line.nMx - Line.n;
}

// A number that does not fit whole ends the line where it stands.
void close_line(LineBuilder& Line) {
  if (Line.nMx > Line.n) Line.nMx = Line.n;
}

}  // namespace

void start_line(LineBuilder& Line, std::int32_t nMx) {
  Line.n = 0;
  Line.nMx = nMx < 0 ? 0 : (nMx > MxLineLen ? MxLineLen : nMx);
}

void put_chars(LineBuilder& Line, const char* Ch, std::int32_t n) {
  const std::int32_t nRoom = room_of(Line);
  if (n > nRoom) n = nRoom;
  if (n <= 0) return;
  std::memcpy(Line.Ch + Line.n, Ch, static_cast<std::size_t>(n));
  Line.n += n;
}

void put_text(LineBuilder& Line, const char* ChPiece) {
  if (ChPiece == nullptr) return;
  const std::size_t nPiece = std::strlen(ChPiece);
  // A piece longer than any line is cut as one of the line's length.
  put_chars(Line, ChPiece, nPiece > MxLineLen ? MxLineLen : static_cast<std::int32_t>(nPiece));
}

void put_quoted(LineBuilder& Line, const char* Ch, std::int32_t n) {
  put_chars(Line, "\"", 1);
  put_chars(Line, Ch, n);
  put_chars(Line, "\"", 1);
}

void put_number(LineBuilder& Line, std::int64_t iValue) {
  // 20 characters hold every 64-bit value with its sign.
  char ChDigits[20];
  const char* pEnd = std::to_chars(ChDigits, ChDigits + sizeof ChDigits, iValue).ptr;
  const auto nDigits = static_cast<std::int32_t>(pEnd - ChDigits);
  if (nDigits > room_of(Line)) return close_line(Line);
  put_chars(Line, ChDigits, nDigits);
}

void put_padded(LineBuilder& Line, std::int64_t iValue, std::int32_t nWidth) {
  if (nWidth <= 0) return;
  if (nWidth > room_of(Line)) return close_line(Line);
  Line.n += put_integer(Line.Ch + Line.n, nWidth, iValue);
}

void put_line_feed(LineBuilder& Line) {
  if (Line.n <= MxLineLen) Line.Ch[Line.n++] = '\n';
}

const char* line_string(LineBuilder& Line) {
  Line.Ch[Line.n] = '\0';
  return Line.Ch;
}
