#include "fem/field_splitter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>

#include "fem/scan/header_scan.h"

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
    // The checking pass finds its headers by the header scan's own test.
    const std::int32_t iFirst = header_scan_start(Line.data(), 256);
    const RecordKind iKind =
        iFirst < 0 ? kRecordKinds : record_kind_at(Line.data() + iFirst, 256 - iFirst);
    EXPECT_EQ(c.expected, iKind < kRecordKinds && std::strcmp(kRecordName[iKind], c.record) == 0)
        << c.line << " / " << c.record;
  }
}
