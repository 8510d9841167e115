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
      {"SCONMESH8 2.0\n", false},  // nine
      {"GNODE\n", false},
      {"GNODE x 1\n", false},
      {"GNODE 1,0\n", false},
      {"GNODE 1.0D+00\n", false},
      {"GNODE 99999999999\n", false},  // above the integer range: no number the reader takes
      // Indented record lines: the reader finds a first field anywhere in
      // the first 256 columns.
      {" GNODE 1\n", true},
      {"   TDNODE 4 1 0 0\r\n", true},
      {std::string(255, ' ') + "GNODE 1\n", true},
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

// The look goes on past the lines the reader passes over, however many;
// it stops at the first piece that holds a line the reader reads.
TEST(LookFurther, GoesOnOnlyPastPassedOverLines) {
  struct Case {
    const char* What;
    std::string Piece;
    bool bInComment;
    bool bFurther;
    std::int64_t iNextAt;  // from 1000
    bool bNextInComment;
  };
  const std::string kComment = "$ a comment line\n";
  std::string Comments;
  while (Comments.size() + kComment.size() <= MxSesamLook)
    Comments += kComment;
  const std::string CommentsThenNode =
      (Comments + "GNODE 1 1\n").substr(0, static_cast<std::size_t>(MxSesamLook));
  const std::string Cut = Comments + std::string(MxSesamLook - Comments.size(), '$');
  const std::string Long(MxSesamLook, '$');
  const std::string LongText = "NOTE " + std::string(MxSesamLook - 5, 'x');
  const std::string TextInside = kComment + "text\n" + Comments.substr(0, Comments.size() - 5);
  const std::string Tail = "the end of a long comment\n" + Comments;
  const Case cases[] = {
      {"a short file", kComment, false, false, 1000, false},
      {"comments up to a line the piece cuts", CommentsThenNode, false, true,
       1000 + static_cast<std::int64_t>(Comments.size()), false},
      {"comments up to one the piece cuts", Cut, false, true,
       1000 + static_cast<std::int64_t>(Comments.size()), false},
      {"one comment line longer than the piece", Long, false, true, 1000 + MxSesamLook, true},
      {"one text line longer than the piece", LongText, false, false, 1000, false},
      {"a text line among comments", TextInside.substr(0, MxSesamLook), false, false, 1000, false},
      {"the end of a long comment", Tail.substr(0, MxSesamLook), true, true, 1026, false},
  };
  for (const Case& c : cases) {
    ASSERT_LE(c.Piece.size(), static_cast<std::size_t>(MxSesamLook)) << c.What;
    std::int64_t iAt = 1000;
    bool bInComment = c.bInComment;
    EXPECT_EQ(c.bFurther, look_further(c.Piece.data(), static_cast<std::int64_t>(c.Piece.size()),
                                       iAt, bInComment))
        << c.What;
    if (c.bFurther) {
      EXPECT_EQ(c.iNextAt, iAt) << c.What;
      EXPECT_EQ(c.bNextInComment, bInComment) << c.What;
    }
  }
}

}  // namespace
