// The record walk: which role each line has for each record kind, by the
// readers' rules and the node lists' counts, alike in both layouts and with
// CR LF; and that it ends on any bytes.
#include "fem/record_walk.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fem/reader_runs.h"

namespace {

using Steps = std::vector<std::string>;

// Each step as "H GNODE 3" (header at line 3), "R TDNODE 4/3 1 end" (raw
// line 1 of the TDNODE at line 3, at line 4, its last), "N 6/5 2" (node
// list), "C 7" (GCOORD), "X SCONMESH/2" (cut short).
Steps walk_steps(const std::string& Text) {
  RecordWalk Walk;
  begin_walk(Walk, Text.data(), static_cast<std::int64_t>(Text.size()));
  WalkLine Line;
  Steps Out;
  while (next_walk_line(Walk, Line)) {
    const std::string Kind = Line.iKind < kRecordKinds ? kRecordName[Line.iKind] : "";
    const std::string At = std::to_string(Line.iLine);
    const std::string Of = At + "/" + std::to_string(Line.iHeaderLine) + " " +
                           std::to_string(Line.iRawLine) + (Line.bRecordEnd ? " end" : "");
    switch (Line.iRole) {
      case kWalkHeader:
        Out.push_back("H " + Kind + " " + At);
        break;
      case kWalkRaw:
        Out.push_back("R " + Kind + " " + Of);
        break;
      case kWalkNodeList:
        Out.push_back("N " + Of);
        break;
      case kWalkCoordinates:
        Out.push_back("C " + At);
        break;
      case kWalkCutShort:
        Out.push_back("X " + Kind + "/" + std::to_string(Line.iHeaderLine));
        break;
    }
  }
  return Out;
}

std::string lines_of(const std::vector<std::string>& Lines, const char* ChEnd) {
  std::string Text;
  for (const std::string& Line : Lines)
    Text += Line + ChEnd;
  return Text;
}

}  // namespace

TEST(RecordWalk, EachLineHasTheRolesTheReadersGiveIt) {
  struct Case {
    const char* name;
    std::vector<std::string> Lines;
    Steps Expected;
  };
  const Case cases[] = {
      {"comments and blank lines are passed over",
       {"$GNODE 1 1", "#GNODE 1 1", "!GNODE 1 1", "", "   ", " $GNODE 1 1", "   GNODE 2 2"},
       {"H GNODE 7"}},
      {"a name line that starts with a record name is a header of another kind",
       {"TDNODE 4 1 1 0", "GNODE 1 1", "TDNODE 4 2 1 0", "TDNODE 4 3 1 0"},
       {"H TDNODE 1", "R TDNODE 2/1 1 end", "H GNODE 2", "H TDNODE 3", "R TDNODE 4/3 1 end"}},
      {"a raw line is taken whatever stands there",
       {"SCONCEPT 8 1 7 0", "$ 0 1 0 5", "TDSCONC 4 1 103 0", ""},
       {"H SCONCEPT 1", "R SCONCEPT 2/1 1 end", "H TDSCONC 3", "R TDSCONC 4/3 1 end"}},
      {"a relation reads its count divided by 4 more lines",
       {"SCONMESH 13 1 1 2", "3 1 2 3", "SCONMESH 13 2 1 2", "4 1 2 3", "4", "SCONMESH 13 3 1 2",
        "8 1 2 3", "SCONMESH 13 4 1 2", "5 6 7 8", "GNODE 1 1"},
       {"H SCONMESH 1", "R SCONMESH 2/1 1 end", "H SCONMESH 3", "R SCONMESH 4/3 1",
        "R SCONMESH 5/3 2 end", "H SCONMESH 6", "R SCONMESH 7/6 1", "R SCONMESH 8/6 2",
        "R SCONMESH 9/6 3 end", "H GNODE 10"}},
      {"a relation that fields 4 and 5 do not select reads no lines",
       {"SCONMESH 13 1 1 3", "1 1", "SCONMESH 13 1 2 2", "1 1"},
       {"H SCONMESH 1", "H SCONMESH 3"}},
      {"node lists as long as the element type needs",
       {"GELMNT1 1 1 15 0", "1 2 0 0", "GELMNT1 2 2 20 0", "1 2 3 4", "5 6 7 8", "9 10 11 12",
        "13 14 15 16", "17 18 19 20", "GELMNT1 3 3 99 0", "1 2", "GELMNT1 4 4 70 6", "1 2 3 4",
        "5 6 0 0", "GCOORD 1 0.0 1.0 2.0"},
       {"H GELMNT1 1", "N 2/1 1 end", "H GELMNT1 3", "N 4/3 1", "N 5/3 2", "N 6/3 3", "N 7/3 4",
        "N 8/3 5 end", "H GELMNT1 9", "H GELMNT1 11", "N 12/11 1", "N 13/11 2 end", "C 14"}},
      {"a header inside a node list is a header too",
       {"GELMNT1 1 1 24 0", "GELMNT1 2 2 24 0", "1 2 3 4"},
       {"H GELMNT1 1", "N 2/1 1 end", "H GELMNT1 2", "N 3/2 1 end"}},
      {"records the end of the file cuts short",
       {"TDNODE 4 1 1 0", "SCONMESH 13 1 1 2", "13 1 2 3", "GELMNT1 1 1 20 0", "1 2 3 4"},
       {"H TDNODE 1", "R TDNODE 2/1 1 end", "H SCONMESH 2", "R SCONMESH 3/2 1", "R SCONMESH 4/2 2",
        "H GELMNT1 4", "R SCONMESH 5/2 3", "N 5/4 1", "X SCONMESH/2"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.Expected, walk_steps(lines_of(c.Lines, "\n"))) << c.name;
    EXPECT_EQ(c.Expected, walk_steps(lines_of(c.Lines, "\r\n"))) << c.name << " (CR LF)";
  }
}

// The layout that tools write: the same roles, the same values.
TEST(RecordWalk, ToolLayoutWalksAsTheFreeLayout) {
  const std::string Tool = tool("GELMNT1", {1, 1, 24, 0}) + tool("", {11, 12, 13, 14}) +
                           tool("GCOORD", {11, 0.5, -1.25, 3}) + tool("SCONMESH", {13, 1, 1, 2}) +
                           tool("", {4, 1, 2, 3}) + tool("", {4, 0, 0, 0});
  const std::string Free =
      "GELMNT1 1 1 24 0\n 11 12 13 14\nGCOORD 11 0.5 -1.25 3\nSCONMESH 13 1 1 2\n4 1 2 3\n"
      "            4 0 0 0\n";
  EXPECT_EQ(walk_steps(Free), walk_steps(Tool));
  for (const std::string* pText : {&Tool, &Free}) {
    RecordWalk Walk;
    begin_walk(Walk, pText->data(), static_cast<std::int64_t>(pText->size()));
    WalkLine Line;
    std::vector<double> Values;
    while (next_walk_line(Walk, Line)) {
      for (std::int32_t f = 1; f <= 4; ++f)
        Values.push_back(Line.pFields->values[f]);
    }
    const std::vector<double> Expected = {0, 1,  1, 24, 11, 12, 13, 14, 0, 11, 0.5, -1.25,
                                          0, 13, 1, 1,  4,  1,  2,  3,  4, 0,  0,   0};
    EXPECT_EQ(Expected, Values);
  }
}

// Any bytes: the walk ends, every step's line lies within the text, and
// the line numbers never go back.
TEST(RecordWalk, EndsOnAnyBytes) {
  std::string Text;
  for (int i = 0; i < 4000; ++i)
    Text += static_cast<char>("GELMNT1 SCONMESH 2 1\n\r$ 70 9e9 X"[(i * 7919) % 32]);
  RecordWalk Walk;
  begin_walk(Walk, Text.data(), static_cast<std::int64_t>(Text.size()));
  WalkLine Line;
  std::int64_t iLast = 0;
  std::int64_t nSteps = 0;
  while (next_walk_line(Walk, Line) && nSteps < 100000) {
    ++nSteps;
    if (Line.iRole == kWalkCutShort) continue;
    EXPECT_GE(Line.iLine, iLast);
    EXPECT_GE(Line.pLine, Text.data());
    EXPECT_LE(Line.pLine + Line.nLine, Text.data() + Text.size());
    iLast = Line.iLine;
  }
  EXPECT_LT(nSteps, 100000);
}
