#include "support/line_builder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

namespace {

// A builder between two guard areas, its room filled with a mark, so that a
// write outside the line shows as a changed guard or mark.
struct GuardedLine {
  char ChBefore[16];
  LineBuilder Line;
  char ChAfter[16];
};

void prepare(GuardedLine& Guarded, std::int32_t nMx) {
  std::memset(Guarded.ChBefore, '<', sizeof Guarded.ChBefore);
  std::memset(Guarded.ChAfter, '>', sizeof Guarded.ChAfter);
  std::memset(Guarded.Line.Ch, '#', sizeof Guarded.Line.Ch);
  start_line(Guarded.Line, nMx);
}

std::string text_of(const LineBuilder& Line) {
  return std::string(Line.Ch, static_cast<std::size_t>(Line.n));
}

// True when nothing before or after the line, nor in its room past
// nWritten, was touched.
bool is_untouched_beyond(const GuardedLine& Guarded, std::int32_t nWritten) {
  for (char c : Guarded.ChBefore)
    if (c != '<') return false;
  for (char c : Guarded.ChAfter)
    if (c != '>') return false;
  for (std::size_t i = static_cast<std::size_t>(nWritten); i < sizeof Guarded.Line.Ch; ++i)
    if (Guarded.Line.Ch[i] != '#') return false;
  return true;
}

constexpr std::int64_t kLowest = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kHighest = std::numeric_limits<std::int64_t>::max();

}  // namespace

TEST(LineBuilder, PaddedNumbersRightJustifiedOrAsterisks) {
  struct Case {
    std::int64_t iValue;
    std::int32_t nWidth;
    const char* ChExpected;
  };
  const Case cases[] = {
      {42, 5, "   42"},
      {-42, 5, "  -42"},
      {0, 1, "0"},
      {12345, 5, "12345"},
      {123456, 5, "*****"},
      {-1234, 4, "****"},  // the sign needs a column too
      {-1234, 5, "-1234"},
      {100000000, 8, "********"},
      {kLowest, 20, "-9223372036854775808"},
      {kLowest, 19, "*******************"},
      {7, 0, ""},
      {7, -3, ""},
  };
  for (const Case& c : cases) {
    LineBuilder Line;
    start_line(Line);
    put_padded(Line, c.iValue, c.nWidth);
    EXPECT_EQ(c.ChExpected, text_of(Line)) << c.iValue << " in " << c.nWidth;
  }
}

TEST(LineBuilder, UnpaddedNumbersTakeTheColumnsTheyNeed) {
  struct Case {
    std::int64_t iValue;
    const char* ChExpected;
  };
  const Case cases[] = {
      {0, "0"},
      {-1, "-1"},
      {100000, "100000"},
      {kHighest, "9223372036854775807"},
      {kLowest, "-9223372036854775808"},
  };
  for (const Case& c : cases) {
    LineBuilder Line;
    start_line(Line);
    put_number(Line, c.iValue);
    EXPECT_EQ(c.ChExpected, text_of(Line)) << c.iValue;
  }
}

// Pieces are cut at the line's cut; a number is never cut into another
// number, and after one left out the line takes nothing more.
TEST(LineBuilder, CutsTextButNeverANumber) {
  struct Case {
    const char* ChName;
    std::int32_t nMx;
    void (*Put)(LineBuilder&);
    const char* ChExpected;
  };
  const Case cases[] = {
      {"text cut", 5, [](LineBuilder& L) { put_text(L, "abcdefgh"); }, "abcde"},
      {"nothing past the cut", 3,
       [](LineBuilder& L) {
         put_text(L, "abc");
         put_text(L, "d");
         put_chars(L, "e", 1);
       },
       "abc"},
      {"quoted, cut inside", 4, [](LineBuilder& L) { put_quoted(L, "abcdef", 6); }, "\"abc"},
      {"quoted, whole", 8, [](LineBuilder& L) { put_quoted(L, "abcdef", 6); }, "\"abcdef\""},
      {"number left out", 6,
       [](LineBuilder& L) {
         put_text(L, "ab");
         put_number(L, 12345);
         put_text(L, "c");
       },
       "ab"},
      {"number just fits", 6,
       [](LineBuilder& L) {
         put_text(L, "a");
         put_number(L, -1234);
       },
       "a-1234"},
      {"padded left out", 6,
       [](LineBuilder& L) {
         put_text(L, "ab");
         put_padded(L, 1, 5);
         put_text(L, "c");
       },
       "ab"},
      {"null and empty add nothing", 6,
       [](LineBuilder& L) {
         put_text(L, nullptr);
         put_chars(L, "abc", 0);
         put_chars(L, "abc", -2);
         put_text(L, "z");
       },
       "z"},
      {"cut held to 0", -5, [](LineBuilder& L) { put_text(L, "a"); }, ""},
      {"line feed past the cut", 3,
       [](LineBuilder& L) {
         put_text(L, "abcdef");
         put_line_feed(L);
       },
       "abc\n"},
  };
  for (const Case& c : cases) {
    GuardedLine Guarded;
    prepare(Guarded, c.nMx);
    c.Put(Guarded.Line);
    EXPECT_EQ(c.ChExpected, text_of(Guarded.Line)) << c.ChName;
    EXPECT_TRUE(is_untouched_beyond(Guarded, Guarded.Line.n)) << c.ChName;
  }
}

// A line filled to the builder's room still takes its line feed and its
// NUL, and nothing is written outside it however much is put.
TEST(LineBuilder, FullLineEndsWithinItsStorage) {
  const std::string Long(3 * MxLineLen, 'x');
  GuardedLine Guarded;
  prepare(Guarded, MxLineLen + 100);  // held to MxLineLen
  LineBuilder& Line = Guarded.Line;
  put_text(Line, Long.c_str());
  put_chars(Line, Long.data(), static_cast<std::int32_t>(Long.size()));
  put_padded(Line, 5, 3);
  put_number(Line, 5);
  EXPECT_EQ(MxLineLen, Line.n);
  put_line_feed(Line);
  put_line_feed(Line);  // no room left for a second one
  put_text(Line, "y");
  EXPECT_EQ(MxLineLen + 1, Line.n);
  EXPECT_EQ('\n', Line.Ch[MxLineLen]);
  const char* ChLine = line_string(Line);
  EXPECT_EQ(static_cast<std::size_t>(MxLineLen + 1), std::strlen(ChLine));
  for (char c : Guarded.ChBefore)
    EXPECT_EQ('<', c);
  for (char c : Guarded.ChAfter)
    EXPECT_EQ('>', c);
}
