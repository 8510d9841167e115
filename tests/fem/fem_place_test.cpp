// The place of a failure in the FEM file: the line counted from the start,
// and the record the line belongs to.
#include "fem/fem_place.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string place(const std::string& Content, const std::string& At) {
  char ChOut[300];
  const std::int64_t iOffset = static_cast<std::int64_t>(Content.find(At));
  EXPECT_GE(iOffset, 0) << At;
  const std::int32_t n =
      describe_fem_place("T1.FEM", 6, Content.data(), static_cast<std::int64_t>(Content.size()),
                         iOffset, ChOut, sizeof ChOut);
  return std::string(ChOut, static_cast<std::size_t>(n));
}

TEST(FemPlace, NamesTheLineAndTheRecord) {
  struct Case {
    const char* What;
    std::string Content, At, Place;
  };
  const Case cases[] = {
      {"first line", "GNODE 1E5E5 1 6 0\nGNODE 2 2 6 0\n", "1E5E5", "T1.FEM:1: GNODE"},
      {"last line without a line end", "GNODE 1 1 6 0\nGELMNT1 1 1.5E 15 0", "1.5E",
       "T1.FEM:2: GELMNT1"},
      {"after CR LF lines", "GNODE 1 1 6 0\r\nGNODE 2 2 6 0\r\nTDNODE 4 x 104 0\r\n", "x",
       "T1.FEM:3: TDNODE"},
      {"a data line: the record above it", "SCONMESH 5 1 1 2\n$ note\n   1 1E5E5\n", "1E5E5",
       "T1.FEM:3: SCONMESH"},
      {"a header after blanks", "   GCOORD 1 1.5E 0 0\n", "1.5E", "T1.FEM:1: GCOORD"},
      {"no record above", "$ GNODE in a comment\n1 2 1E5E5\n", "1E5E5", "T1.FEM:2"},
      {"a long capital word is no record", "GELEMENT1 1 1E5E5\n", "1E5E5", "T1.FEM:1"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.Place, place(c.Content, c.At)) << c.What;
}

TEST(FemPlace, OutsideTheContentIsNoPlace) {
  const std::string Content = "GNODE 1 1 6 0\n";
  char ChOut[64];
  EXPECT_EQ(0, describe_fem_place("T1.FEM", 6, Content.data(), 14, 14, ChOut, sizeof ChOut));
  EXPECT_EQ(0, describe_fem_place("T1.FEM", 6, Content.data(), 14, -1, ChOut, sizeof ChOut));
}

}  // namespace

// A place cut at its room never shows another line than its own.
TEST(FemPlace, CutAtTheRoomNeverInsideTheLineNumber) {
  std::string Content;
  for (int i = 0; i < 11; ++i)
    Content += "GNODE 1 1 6 0\n";
  Content += "GNODE 1E5E5 1 6 0\n";
  const std::int64_t iOffset = static_cast<std::int64_t>(Content.find("1E5E5"));
  struct Case {
    std::int32_t nRoom;
    const char* Place;
  };
  const Case cases[] = {
      {17, "T1.FEM:12: GNODE"}, {12, "T1.FEM:12: G"}, {9, "T1.FEM:12"}, {8, "T1.FEM:"}, {3, "T1."},
  };
  for (const Case& c : cases) {
    char ChOut[32];
    const std::int32_t n =
        describe_fem_place("T1.FEM", 6, Content.data(), static_cast<std::int64_t>(Content.size()),
                           iOffset, ChOut, c.nRoom);
    EXPECT_EQ(c.Place, std::string(ChOut, static_cast<std::size_t>(n))) << c.nRoom;
  }
}
