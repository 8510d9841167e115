// The line-shape tests: every processor form against the others, and each
// against the line rules written out plainly.
#include "fem/scan/line_shape.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

TEST(ToolLineLength, WideAndNarrowTestsAgree) {
  // Lines of one to five slots (four are settled from one window, others
  // slot by slot), named or not, ended by LF, CR LF, a lone CR or the end of
  // the text; then each with one wrong byte in every column. Where the
  // processor has AVX2, tool_line_length takes it; both must agree, and a
  // good line must be found whole.
  const std::string Slots =
      "  1.00000000E+00 -2.50000000E-03  9.87654321E+22  0.00000000E+00 -1.00000000E-01";
  for (const char* Name : {"        ", "TDSCONC ", "SCONMESH"}) {
    for (int nSlots = 1; nSlots <= 5; ++nSlots) {
      const std::string Line = Name + Slots.substr(0, 16 * nSlots);
      for (const std::string End : {"\n", "\r\n", "\r", ""}) {
        const bool bEnded = End == "\n" || End == "\r\n";
        for (std::size_t iCol = 0; iCol <= Line.size() + 1; ++iCol) {
          std::string Text = Line + End + "          " + Slots;  // the next line
          if (iCol > 0) Text[iCol - 1] = Text[iCol - 1] == 'x' ? 'y' : 'x';
          std::int32_t nWide = -1, nNarrow = -1;
          const char* pEnd = Text.data() + (bEnded ? Text.size() : Line.size() + 1);
          const std::int32_t nLine = tool_line_length(Text.data(), pEnd, nWide);
          ASSERT_EQ(tool_line_length_narrow(Text.data(), pEnd, nNarrow), nLine)
              << "column " << iCol << ": " << Text;
          if (nLine > 0) {
            EXPECT_EQ(nNarrow, nWide) << Text;
          }
          if (iCol == 0 || iCol > Line.size() + End.size()) {
            EXPECT_EQ(bEnded ? static_cast<std::int32_t>(Line.size()) : 0, nLine) << Text;
          } else if (iCol > 8) {
            EXPECT_EQ(0, nLine) << "column " << iCol << ": " << Text;
          }
        }
      }
    }
  }
}

TEST(ShortLineShape, DescribesLinesAsTheLineRulesDo) {
  // Random short texts over the characters that matter (blank, field
  // starters, letters, CR, LF, comment characters), each followed by enough
  // text to read 32 characters: where a line feed stands among the first
  // 32, its line is described as cutting it out and walking it would.
  const std::string Alphabet = "  aZ09+-.,/\r\n$\t";
  std::uint64_t uSeed = 99;
  auto next = [&uSeed](std::uint64_t n) {
    uSeed = uSeed * 6364136223846793005ULL + 1442695040888963407ULL;
    return (uSeed >> 33) % n;
  };
  for (int iCase = 0; iCase < 20000; ++iCase) {
    std::string Text;
    const auto nText = next(40);
    for (std::uint64_t i = 0; i < nText; ++i)
      Text += Alphabet[next(Alphabet.size())];
    Text += std::string(40, 'x');
    ShortLine Line{-7, -7, -7, false};
    const bool bShort = short_line_shape(Text.data(), Text.data() + Text.size(), Line);
    const std::size_t iFeed = Text.find('\n');
    ASSERT_EQ(iFeed < 32, bShort) << Text;
    if (!bShort) continue;
    const std::size_t nLine = iFeed > 0 && Text[iFeed - 1] == '\r' ? iFeed - 1 : iFeed;
    EXPECT_EQ(static_cast<std::int32_t>(nLine), Line.nLine) << Text;
    EXPECT_EQ(static_cast<std::int32_t>(iFeed + 1), Line.nStep) << Text;
    const std::string Cut = Text.substr(0, nLine);
    const std::size_t iFirst = Cut.find_first_not_of(' ');
    EXPECT_EQ(iFirst == std::string::npos ? -1 : static_cast<std::int32_t>(iFirst), Line.iFirst)
        << Text;
    bool bOnlyText = true;
    for (std::size_t i = 0; i < Cut.size(); ++i) {
      const bool bStart = Cut[i] != ' ' && (i == 0 || Cut[i - 1] == ' ');
      if (bStart && std::string("+-.0123456789").find(Cut[i]) != std::string::npos) {
        bOnlyText = false;
      }
    }
    EXPECT_EQ(bOnlyText, Line.bOnlyText) << Text;
  }
}
