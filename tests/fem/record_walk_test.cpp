// The record walk: which role each line has for each record kind, by the
// readers' rules and the node lists' counts, alike in both layouts and with
// CR LF. That it ends on any bytes is the fuzz target's to show.
#include "fem/record_walk.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/fem/reader_runs.h"

namespace {

using Steps = std::vector<std::string>;

// Each step as "H GNODE 3" (header at line 3), "R TDNODE 4/3 1 end" (raw
// line 1 of the TDNODE at line 3, at line 4, its last), "N 6/5 2 4" (node
// list, with its field count), "C 7" (GCOORD), "X SCONMESH/2" (cut short).
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
        Out.push_back("N " + Of + " " + std::to_string(Line.pFields->count));
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
       {"H GELMNT1 1", "N 2/1 1 end 4", "H GELMNT1 3", "N 4/3 1 4", "N 5/3 2 4", "N 6/3 3 4",
        "N 7/3 4 4", "N 8/3 5 end 4", "H GELMNT1 9", "H GELMNT1 11", "N 12/11 1 4",
        "N 13/11 2 end 4", "C 14"}},
      // The readers' passes never split a comment line: a node list does
      // not either, so a number in it that does not convert stops nothing.
      {"a comment line in a node list reads as no fields",
       {"GELMNT1 1 1 24 0", "$ 1.2.3E5 --", "GELMNT1 2 2 24 0", "1 2 3 4"},
       {"H GELMNT1 1", "N 2/1 1 end 0", "H GELMNT1 3", "N 4/3 1 end 4"}},
      {"a header inside a node list is a header too",
       {"GELMNT1 1 1 24 0", "GELMNT1 2 2 24 0", "1 2 3 4"},
       {"H GELMNT1 1", "N 2/1 1 end 5", "H GELMNT1 2", "N 3/2 1 end 4"}},
      {"records the end of the file cuts short",
       {"TDNODE 4 1 1 0", "SCONMESH 13 1 1 2", "13 1 2 3", "GELMNT1 1 1 20 0", "1 2 3 4"},
       {"H TDNODE 1", "R TDNODE 2/1 1 end", "H SCONMESH 2", "R SCONMESH 3/2 1", "R SCONMESH 4/2 2",
        "H GELMNT1 4", "R SCONMESH 5/2 3", "N 5/4 1 4", "X SCONMESH/2"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.Expected, walk_steps(lines_of(c.Lines, "\n"))) << c.name;
    EXPECT_EQ(c.Expected, walk_steps(lines_of(c.Lines, "\r\n"))) << c.name << " (CR LF)";
  }
}

// The layout that tools write: the same roles, the same values, which are
// those the roles take (the external element number, the SCONMESH row
// length, a node list's padding and a relation's elements are nobody's,
// and read as 0 in both).
TEST(RecordWalk, ToolLayoutWalksAsTheFreeLayout) {
  const std::string Tool = tool("GELMNT1", {1, 1, 24, 0}) + tool("", {11, 12, 13, 14}) +
                           tool("GCOORD", {11, 0.5, -1.25, 3}) + tool("SCONMESH", {13, 1, 1, 2}) +
                           tool("", {4, 1, 2, 3}) + tool("", {4, 0, 0, 0}) +
                           tool("GELMNT1", {2, 2, 15, 0}) + tool("", {21, 22, 23, 24});
  const std::string Free =
      "GELMNT1 1 1 24 0\n 11 12 13 14\nGCOORD 11 0.5 -1.25 3\nSCONMESH 13 1 1 2\n4 1 2 3\n"
      "            4 0 0 0\nGELMNT1 2 2 15 0\n 21 22 23 24\n";
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
    // The beam's list has two numbers; what stands after them is padding.
    const std::vector<double> Expected = {0,     0, 1, 24, 11, 12, 13, 14, 0, 11, 0.5,
                                          -1.25, 0, 0, 1,  1,  4,  0,  0,  0, 0,  0,
                                          0,     0, 0, 0,  2,  15, 21, 22, 0, 0};
    EXPECT_EQ(Expected, Values);
  }
}

namespace {

// The lines of the headers of kind iKind that the scanner's pass takes,
// with the raw lines read after each as its reader reads them.
std::vector<std::int64_t> pass_headers(FemFile& Fem, RecordKind iKind) {
  std::vector<std::int64_t> Lines;
  const LineFields& Fields = fem_fields(Fem);
  char ChName[kNameLen];
  begin_pass(Fem, iKind);
  while (next_header(Fem)) {
    Lines.push_back(fem_line_number(Fem));
    if (iKind == kRecordTdnode || iKind == kRecordTdsconc) {
      if (!read_raw_name(Fem, ChName)) break;
    } else if (iKind == kRecordSconcept) {
      if (!read_raw_line(Fem)) break;
    } else if (iKind == kRecordSconmesh && is_read_relation(integer_value(Fields.values[4], 4),
                                                            integer_value(Fields.values[5], 5))) {
      if (!read_raw_line(Fem)) break;
      const std::int32_t nMore = relation_lines_after_first(integer_value(Fields.values[1], 1));
      bool bWhole = true;
      for (std::int32_t k = 0; k < nMore && bWhole; ++k)
        bWhole = read_raw_line(Fem);
      if (!bWhole) break;
    }
  }
  return Lines;
}

}  // namespace

// Over real files, the examples and the end-to-end cases that read to the
// end: for each kind, the walk's headers are the lines the readers' passes
// take as headers.
TEST(RecordWalk, HeadersAreThoseTheReadersPassesTake) {
  namespace fs = std::filesystem;
  std::vector<std::string> Paths;
  for (const fs::path& Folder :
       {fs::path(LABLIX_SOURCE_DIR) / "examples", fs::path(LABLIX_REALWORLD_DIR)}) {
    if (!fs::is_directory(Folder)) continue;
    for (const fs::directory_entry& Entry : fs::directory_iterator(Folder)) {
      const std::string Ext = Entry.path().extension().string();
      if (Ext == ".FEM" || Ext == ".SIF") Paths.push_back(Entry.path().string());
    }
  }
  for (const fs::directory_entry& Case :
       fs::directory_iterator(fs::path(LABLIX_SOURCE_DIR) / "tests/e2e/cases")) {
    // A fatal stop ends the passes before the end of the file.
    if (!fs::exists(Case.path() / "input.FEM") ||
        read_file((Case.path() / "expected_exit").string()).starts_with("2")) {
      continue;
    }
    Paths.push_back((Case.path() / "input.FEM").string());
  }
  ASSERT_FALSE(Paths.empty());
  for (const std::string& Path : Paths) {
    const std::string Text = read_file(Path);
    std::vector<std::int64_t> Walked[kRecordKinds];
    RecordWalk Walk;
    begin_walk(Walk, Text.data(), static_cast<std::int64_t>(Text.size()));
    WalkLine Line;
    while (next_walk_line(Walk, Line)) {
      if (Line.iRole == kWalkHeader) Walked[Line.iKind].push_back(Line.iLine);
    }
    ASSERT_EQ(0, connect(kUnitFem, Path, kStatusOld)) << Path;
    FemScan Fem = fem_scan_on(kUnitFem, nullptr, 0);
    for (std::int32_t k = 0; k < kRecordKinds; ++k) {
      EXPECT_EQ(Walked[k], pass_headers(Fem, static_cast<RecordKind>(k)))
          << Path << " " << kRecordName[k];
    }
    close_unit(kUnitFem);
  }
}
