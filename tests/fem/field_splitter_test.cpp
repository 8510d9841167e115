#include "fem/field_splitter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <utility>

namespace {

// Splits Text as a reader hands a line over: at most its first 256 characters.
void split(const std::string& Text, LineFields& Fields) {
  split_fields(Text.data(), static_cast<std::int32_t>(Text.size() < 256 ? Text.size() : 256),
               Fields);
}

// The split as "T:text|I:value|R:value", texts without their padding.
std::string describe(const LineFields& Fields) {
  std::ostringstream Out;
  for (std::int32_t k = 1; k <= Fields.count; ++k) {
    const std::string Text(Fields.texts[k], kFieldTextLen);
    Out << (k > 1 ? "|" : "") << "?IRT"[Fields.kinds[k]] << ":";
    if (Fields.kinds[k] == kFieldText)
      Out << Text.substr(0, Text.find_last_not_of(' ') + 1);
    else
      Out << Fields.values[k];
  }
  return Out.str();
}

}  // namespace

TEST(SplitFields, BlankIsTheOnlySeparator) {
  struct Case {
    const char* name;
    std::string line, expected;
  };
  const Case cases[] = {
      {"leading blanks and runs of blanks",
       "   GNODE    1.00000000E+00  2.40000000E+01 6.0E+00   0.00000000E+00",
       "T:GNODE|R:1|R:24|R:6|R:0"},
      {"tab is an ordinary character", "\tGNODE 12\t3 7", "T:\tGNODE|T:12\t3|I:7"},
      {"joined values form one field", "1 2,3", "I:1|T:2,3"},
      {"comment character after a blank", " $ GNODE 5", "T:$|T:GNODE|I:5"},
      {"blank line", std::string(256, ' '), ""},
      {"text crossing column 256 is cut there", std::string(250, ' ') + "ABCDEFGHIJ", "T:ABCDEF"},
      {"digits crossing column 256 are cut first", std::string(251, ' ') + "1234567890", "I:12345"},
      {"90-character field keeps 80", "P " + std::string(80, 'N') + "ZZZZZZZZZZ 4",
       "T:P|T:" + std::string(80, 'N') + "|I:4"}};
  for (const Case& c : cases) {
    LineFields Fields{};
    split(c.line, Fields);
    EXPECT_EQ(c.expected, describe(Fields)) << c.name;
  }
}

TEST(SplitFields, ToolLayoutSplitsAsAnyOtherLine) {
  // Modelling tools write a name in columns 1 to 8 (or blanks), then reals in
  // 16-column slots; the same line with one more blank is no such line.
  const char* Slots[] = {"  1.00000000E+00", " -2.50000000E-03", "  9.87654321E+22",
                         "  1.23456789E+23", " -0.00000000E+00", "  4.00000001E-15",
                         "  1.00000000E-16", "  5.55555555E+99"};
  for (const char* Name : {"GNODE   ", "        ", "SCONMESH", "E1      ", "A\tB     "}) {
    for (int nSlots : {1, 4, 15}) {
      std::string Line = Name;
      for (int k = 0; k < nSlots; ++k)
        Line += Slots[(k * 3 + nSlots) % 8];
      const std::string Longer = Line + " ";
      LineFields Tool{}, Plain{};
      split(Line, Tool);
      split(Longer, Plain);
      EXPECT_EQ(describe(Plain), describe(Tool)) << Line;
      EXPECT_EQ(0, std::memcmp(&Plain, &Tool, sizeof Tool)) << "bit for bit: " << Line;
    }
  }
}

TEST(SplitFields, ToolLayoutValuesAreTheConversionsOwn) {
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

TEST(SplitFields, ToolLayoutConvertsOnlyTheValuesTaken) {
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

TEST(SplitFields, ToolLayoutWithOneWrongByteSplitsAsAnyOtherLine) {
  // A byte that breaks the layout in any column of any of four slots must
  // send the line the general way: the fast test once took "E%02" for an
  // exponent. The wrong bytes chosen can never make a field that stops the run.
  const std::string Good =
      "GNODE     1.40000000E+02 -2.50000000E-03  9.00000000E+00  6.00000000E+00";
  for (std::size_t iCol = 8; iCol < Good.size(); ++iCol) {
    for (char Wrong : {'%', 'x', '\t'}) {
      std::string Line = Good;
      Line[iCol] = Wrong;
      LineFields Tool{}, Plain{};
      split(Line, Tool);
      split(Line + " ", Plain);
      EXPECT_EQ(0, std::memcmp(&Plain, &Tool, sizeof Tool))
          << "column " << iCol + 1 << ": " << Line;
    }
  }
}

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

TEST(SplitFields, KeepsTheFirstHundredFieldsOnly) {
  std::string Hundred, Expected, Extra;
  for (int k = 0; k < 100; ++k) {
    Hundred += std::to_string(k % 10) + " ";
    Expected += (k > 0 ? "|I:" : "I:") + std::to_string(k % 10);
  }
  for (int k = 0; k < 28; ++k)
    Extra += "Z ";
  // Dropped fields are not even checked: "--" would otherwise stop the run.
  for (const std::string& Line : {Hundred + "--", Hundred + Extra}) {
    struct {
      LineFields Fields;
      char Guard[64];
    } G, Before;
    std::memset(&G, 0x5A, sizeof G);
    std::memset(&Before, 0x5A, sizeof Before);
    split(Line, G.Fields);
    EXPECT_EQ(Expected, describe(G.Fields)) << Line.size() / 2 + 1 << " fields";
    // Entry 0 is unused and the texts of numeric fields are never written.
    EXPECT_EQ(0, std::memcmp(Before.Fields.texts, G.Fields.texts, sizeof G.Fields.texts));
    EXPECT_EQ(Before.Fields.kinds[0], G.Fields.kinds[0]);
    EXPECT_EQ(0, std::memcmp(Before.Guard, G.Guard, sizeof G.Guard));
  }
}

TEST(SplitFields, EntriesNotWrittenKeepWhatTheyHeld) {
  LineFields Fields{};
  split("5 6 GNODE", Fields);
  split("A 7", Fields);
  EXPECT_EQ("T:A|I:7", describe(Fields));
  EXPECT_EQ(5.0, Fields.values[1]) << "value of a text field ('A') not written";
  EXPECT_EQ(kFieldText, Fields.kinds[3]) << "beyond count";
  EXPECT_EQ("GNODE" + std::string(75, ' '), std::string(Fields.texts[3], 80)) << "beyond count";
  split("8 B", Fields);
  EXPECT_EQ('A', Fields.texts[1][0]) << "text of a numeric field ('8') not written";
}

TEST(IsRecordHeader, FirstFieldStartsWithTheName) {
  struct Case {
    const char* line;
    const char* record;
    bool expected;
  };
  // clang-format off
  const Case cases[] = {
      {"GNODE 1 2 3", "GNODE", true}, {"   GNODE 1", "GNODE", true},
      {"GNODE_TOP 2 4", "GNODE", true}, {"GNODE", "GNODE", true}, {"SCONCEPTS 1", "SCONCEPT", true},
      {" SCONMESH", "SCONMESH", true},
      {"gnode 1 2 3", "GNODE", false}, {"GNOD 1 2 3", "GNODE", false}, {"1 GNODE", "GNODE", false},
      {"$GNODE 1", "GNODE", false}, {"\tGNODE 1", "GNODE", false}, {"", "GNODE", false},
      {"SCONC 1", "SCONCEPT", false}, {"TDNODE 1 1", "GNODE", false},
      {"2.0E+00 GNODE", "GNODE", false}};
  // clang-format on
  for (const Case& c : cases) {
    LineFields Fields{};
    split(c.line, Fields);
    std::string Line = c.line;
    Line.resize(256, ' ');
    EXPECT_EQ(c.expected, is_record_header(Fields, c.record)) << c.line << " / " << c.record;
    EXPECT_EQ(c.expected, starts_with_record(Line.data(), 256, c.record))
        << c.line << " / " << c.record;
  }
}
