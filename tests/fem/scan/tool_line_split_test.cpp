// The split of a line in the tool layout against the general split: the
// slot conversion must give the general conversion's bits, and a split that
// converts only some values must leave the others 0.
#include "fem/scan/tool_line_split.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "fem/scan/line_shape.h"

namespace {

// Splits Text as a reader hands a line over: at most its first 256 characters.
void split(const std::string& Text, LineFields& Fields) {
  split_fields(Text.data(), static_cast<std::int32_t>(Text.size() < 256 ? Text.size() : 256),
               Fields);
}

}  // namespace

TEST(SplitToolLine, ValuesAreTheConversionsOwn) {
  // Every exponent around the fast path's edges, with mantissas whose last
  // digits are zeros or not (whole numbers take their own way), and lines of
  // two and three slots (slots are converted in pairs): the values must be
  // bit for bit those of the general conversion.
  std::uint64_t uSeed = 2026;
  auto next_digits = [&uSeed](int nZeros) {
    uSeed = uSeed * 6364136223846793005ULL + 1442695040888963407ULL;
    std::string Digits = std::to_string(100000000 + (uSeed >> 35) % 900000000);  // 9 digits
    for (int k = 0; k < nZeros; ++k)
      Digits[8 - k] = '0';
    return Digits;
  };
  for (int iExp = -25; iExp <= 25; ++iExp) {
    for (int nZeros = 0; nZeros <= 9; ++nZeros) {
      std::string Line = "GNODE   ";
      for (int k = 0; k < 2 + (nZeros % 2); ++k) {
        std::string Digits = next_digits(nZeros);
        if (nZeros == 9) Digits[0] = '0';
        char ChSlot[17];
        std::snprintf(ChSlot, sizeof ChSlot, " %c%c.%sE%c%02d", k == 1 ? '-' : ' ', Digits[0],
                      Digits.substr(1).c_str(), iExp < 0 ? '-' : '+', iExp < 0 ? -iExp : iExp);
        Line += ChSlot;
      }
      const std::string Text = Line + "\n";
      std::int32_t nName = 0;
      ASSERT_EQ(static_cast<std::int32_t>(Line.size()),
                tool_line_length(Text.data(), Text.data() + Text.size(), nName))
          << "in the tool layout: " << Line;
      LineFields Tool{}, Plain{};
      split(Line, Tool);
      split(Line + " ", Plain);
      ASSERT_EQ(0, std::memcmp(&Plain, &Tool, sizeof Tool)) << "bit for bit: " << Line;
    }
  }
}

TEST(SplitToolLine, ConvertsOnlyTheValuesTaken) {
  // A reader that takes fields iFirst to iLast gets those exactly as a whole
  // split gives them; other fields keep their kind and read 0. Fields are
  // counted with the name, so on a data line slot 1 is field 1.
  const std::string Lines[] = {
      "GNODE     1.40000000E+02 -2.50000000E-03  9.00000000E+00  6.00000000E+00",
      "          1.00000000E+00 -2.00000000E+00  3.00000000E+00"};
  const std::pair<std::int32_t, std::int32_t> Ranges[] = {
      {1, 100}, {2, 3}, {3, 3}, {3, 5}, {2, 5}, {1, 1}, {4, 100}, {5, 2}, {6, 9}, {0, 0}};
  for (const std::string& Line : Lines) {
    const std::int32_t nName = Line[0] == ' ' ? 0 : 5;
    LineFields Whole{};
    split(Line, Whole);
    for (const auto& [iFirst, iLast] : Ranges) {
      LineFields Part;
      std::memset(&Part, 0x5A, sizeof Part);
      split_tool_line(Line.data(), static_cast<std::int32_t>(Line.size()), nName, Part, iFirst,
                      iLast);
      ASSERT_EQ(Whole.count, Part.count);
      for (std::int32_t k = 1; k <= Whole.count; ++k) {
        EXPECT_EQ(Whole.kinds[k], Part.kinds[k]) << k;
        if (Whole.kinds[k] == kFieldText) continue;  // the name's value is never written
        EXPECT_EQ(k >= iFirst && k <= iLast ? Whole.values[k] : 0.0, Part.values[k])
            << "field " << k << " of " << iFirst << " to " << iLast << " taken: " << Line;
      }
    }
  }
}
