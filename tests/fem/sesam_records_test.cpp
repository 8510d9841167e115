#include "fem/sesam_records.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(HoldsSesamRecords, ARecordNameThenANumberAsTheReaderReadsOne) {
  struct Case {
    std::string Text;
    bool bRecords;
  };
  const Case cases[] = {
      {"GNODE     1.00000000E+00  1.00000000E+00\n", true},
      {"IDENT 1 1 3\r\n", true},
      {"A1 5", true},  // a last line without a line end
      {"# comment\r\nTDNODE 4 1 0 0\r\n", true},
      {"SCONMES8 2.0\n", true},    // eight characters
      {"IDENTITY8 2.0\n", false},  // nine
      // Other records: a number must follow as the reader reads one.
      {"IDENT\n", false},
      {"IDENT x 1\n", false},
      {"IDENT 1,0\n", false},
      {"IDENT 1.0D+00\n", false},
      {"IDENT 99999999999\n", false},  // above the integer range: no number the reader takes
      {std::string(200, ' ') + "IDENT" + std::string(60, ' ') + "1\n", false},  // past 256
      // The records the readers read: their header whatever follows the
      // name, in either layout, as the readers take it.
      {"GNODE\n", true},
      {"GNODE x 1\n", true},
      {"GNODE\t1.00000000E+00  1.00000000E+00\n", true},
      {"TDNODE\v 4 1 0 0\n", true},
      {"SCONMESH\f2 1 1 2\r\n", true},
      {"GELMNT1X 1 1 15 0\n", true},
      {"  SCONCEPT 8 1 7 0\n", true},
      {"\tGNODE 1 1\n", false},  // a tab is no blank: the first field starts with it
      {std::string(252, ' ') + "GNODE 1\n", false},  // the reader sees "GNOD"
      // Indented record lines: the reader finds a first field anywhere in
      // the first 256 columns.
      {" GNODE 1\n", true},
      {"   TDNODE 4 1 0 0\r\n", true},
      {std::string(248, ' ') + "GNODE 1\n", true},
      {std::string(255, ' ') + "GNODE 1\n", false},  // the reader sees "G"
      {std::string(256, ' ') + "GNODE 1\n", false},
      {"$GNODE 1\n", false},
      {"  $ GNODE 1\n", false},
      {"gnode 1\n", false},
      {"Gnode 1\n", false},
      {"1GNODE 1\n", false},
      // What Lablix itself writes: label files, listings, input-error reports.
      {"# SESAM File    : T1.FEM\r\nNodeLabel NodeID=       1 Label=\"N1\"\r\n", false},
      {"BeginLabel\r\nEndLabel\r\n*** ERROR IN INP_2101       ***\r\n", false},
      {"Last Input Line: GNODE 1 1\r\n", false},
      {"   NodeLabel      10     TOP, NodeID=      10\r\n", false},
      {"   ElementLabel      20     Brace, ElemID=      20\r\n", false},
      {"       1Member_1                    1  100000\r\n", false},
      {"", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.bRecords,
              holds_sesam_records(c.Text.data(), static_cast<std::int64_t>(c.Text.size())))
        << c.Text;
  }
}

// The look goes on, piece by piece, to the file's end or a record line;
// each piece starts at the line the piece before cut, and a line longer
// than a piece is looked at by its start.
TEST(LookAtPiece, GoesToTheEndOrARecordLineByWholeLines) {
  struct Case {
    const char* What;
    std::string Piece;
    bool bInLine;
    SesamVerdict iVerdict;
    std::int64_t iNextAt;  // from 1000, when the look goes further
    bool bNextInLine;
  };
  const std::string kText = "        NOTE: exported by a modelling tool\n";
  std::string Lines;
  while (Lines.size() + kText.size() <= MxSesamLook)
    Lines += kText;
  const auto nLines = static_cast<std::int64_t>(Lines.size());
  const auto piece = [](const std::string& Text) {
    return Text.substr(0, static_cast<std::size_t>(MxSesamLook));
  };
  const std::string Long(MxSesamLook, '$');
  const Case cases[] = {
      {"a short file without records", kText + "$ comment\n", false, kSesamNoModel, 0, false},
      {"a short file ending in a record", kText + "GNODE 1 1", false, kSesamModel, 0, false},
      {"an empty piece: the end", "", false, kSesamNoModel, 0, false},
      {"lines the reader reads as no record, up to one the piece cuts",
       piece(Lines + "GNODE 1 1\n"), false, kSesamLookFurther, 1000 + nLines, false},
      {"a piece of whole lines", Lines + std::string(MxSesamLook - nLines - 1, 'x') + "\n", false,
       kSesamLookFurther, 1000 + MxSesamLook, false},
      {"a record within", piece(kText + "GNODE 1 1\n" + Lines), false, kSesamModel, 0, false},
      {"a record the piece cuts is left to the next", piece(Lines + "GNODE"), false,
       kSesamLookFurther, 1000 + nLines, false},
      {"one line longer than the piece", Long, false, kSesamLookFurther, 1000 + MxSesamLook, true},
      {"one line longer than the piece, by its start", piece("GNODE 1 1" + Long), false,
       kSesamModel, 0, false},
      {"the rest of a long line, then lines", piece("GNODE 1\n" + Lines), true, kSesamLookFurther,
       1000 + 8 + nLines - static_cast<std::int64_t>(kText.size()), false},
      {"the rest of a long line, then a record", piece("$$\nGNODE 1 1\n" + Lines), true,
       kSesamModel, 0, false},
      {"the rest of a long line going on", Long, true, kSesamLookFurther, 1000 + MxSesamLook, true},
      {"the rest of a long line, then one the piece cuts", piece("$$\n" + Long), true,
       kSesamLookFurther, 1003, false},
      {"the rest of a long line at the file's end", "$$$", true, kSesamNoModel, 0, false},
  };
  for (const Case& c : cases) {
    ASSERT_LE(c.Piece.size(), static_cast<std::size_t>(MxSesamLook)) << c.What;
    SesamLook Look{1000, c.bInLine};
    EXPECT_EQ(c.iVerdict,
              look_at_piece(c.Piece.data(), static_cast<std::int64_t>(c.Piece.size()), Look))
        << c.What;
    if (c.iVerdict == kSesamLookFurther) {
      EXPECT_EQ(c.iNextAt, Look.iAt) << c.What;
      EXPECT_EQ(c.bNextInLine, Look.bInLine) << c.What;
    }
  }
}

}  // namespace
