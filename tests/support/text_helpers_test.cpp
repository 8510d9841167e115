#include "support/text_helpers.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

TEST(TrimmedLength, LastNonBlankOfTheWholeField) {
  struct Case {
    const char* name;
    std::string text;
    std::int32_t nLen, expected;
  };
  const Case cases[] = {{"all blank", std::string(80, ' '), 80, 0},
                        {"length 0", "ABC", 0, 0},
                        {"negative length", "ABC", -3, 0},
                        {"one character", "X", 1, 1},
                        {"tab last", std::string(9, ' ') + "\t", 10, 10},
                        {"NUL last", std::string("AB  \0", 5), 5, 5},
                        {"9-char name in 256", "Node_0042" + std::string(247, ' '), 256, 9},
                        {"internal blanks", "A  B C" + std::string(74, ' '), 80, 6},
                        {"only the first nLen looked at", "AB   XYZ", 4, 2}};
  for (const Case& c : cases)
    EXPECT_EQ(c.expected, trimmed_length(c.text.data(), c.nLen)) << c.name;
  // However the scan strides, only the field's own characters count: the
  // bytes around it are not blank.
  for (std::int32_t nLen : {256, 81, 80, 33, 17, 16, 15, 9, 7}) {
    for (std::int32_t iPos = 0; iPos <= nLen; ++iPos) {
      std::string Buffer(static_cast<std::size_t>(nLen) + 2, ' ');
      Buffer.front() = 'X';
      Buffer.back() = 'Y';
      if (iPos > 0) Buffer[iPos] = 'z';
      EXPECT_EQ(iPos, trimmed_length(Buffer.data() + 1, nLen)) << nLen << " long, last at " << iPos;
    }
  }
}

TEST(PutInteger, RightJustifiedOrAsterisks) {
  struct Case {
    std::int32_t nWidth;
    std::int64_t iValue;
    const char* expected;
  };
  // clang-format off
  const Case cases[] = {
      {8, 0, "       0"}, {8, -1, "      -1"}, {8, 12345678, "12345678"},
      {8, 123456789, "********"}, {8, -1234567, "-1234567"}, {8, -12345678, "********"},
      {2, 5, " 5"}, {2, -1, "-1"}, {2, -10, "**"}, {20, INT64_MIN, "-9223372036854775808"},
      {19, INT64_MIN, "*******************"}, {19, INT64_MAX, "9223372036854775807"}};
  // clang-format on
  for (const Case& c : cases) {
    std::string Out(24, '#');
    EXPECT_EQ(c.nWidth, put_integer(Out.data(), c.nWidth, c.iValue)) << c.iValue;
    EXPECT_EQ(c.expected + std::string(24 - c.nWidth, '#'), Out)
        << c.nWidth << " columns: " << c.iValue;
  }
}

// The eight-column form of every number in the label file and the listing,
// against the C library's, around each power of ten and over a spread of
// values (the fast path and the general one meet at 10^8 and at 0).
TEST(PutInteger, EightColumnsAsPrintfWrites) {
  std::vector<std::int64_t> Values;
  for (std::int64_t iPower = 1; iPower <= 1000000000; iPower *= 10) {
    for (std::int64_t iNear : {iPower - 1, iPower, iPower + 1})
      Values.insert(Values.end(), {iNear, -iNear});
  }
  std::uint64_t uSeed = 12345;
  for (std::int32_t k = 0; k < 20000; ++k) {
    uSeed = uSeed * 6364136223846793005ULL + 1442695040888963407ULL;
    Values.push_back(static_cast<std::int64_t>(uSeed >> 33) % 200000000 - 50000000);
  }
  for (const std::int64_t iValue : Values) {
    char ChExpected[32];
    const int nPrinted =
        std::snprintf(ChExpected, sizeof ChExpected, "%8lld", static_cast<long long>(iValue));
    const std::string Expected = nPrinted > 8 ? std::string(8, '*') : std::string(ChExpected);
    std::string Out(8, '#');
    put_integer(Out.data(), 8, iValue);
    ASSERT_EQ(Expected, Out) << iValue;
  }
}
