// The model check's walk over the records: the findings it gives for each
// cause that stands on the lines, where the readers' line rules decide what
// a line is (a raw line that looks like a header, a comment or blank line
// taken raw, a relation's continuation lines, a record the end cuts short),
// alike with LF and CR LF ends; and the one finding of each limit a reader
// can find broken, through the program.
#include "check/check_walk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "check/check_findings.h"
#include "driver/label_writer.h"
#include "driver/model_reading.h"
#include "driver/run_units.h"
#include "fem/fem_scan.h"
#include "fem/name_tables.h"
#include "files/file_units.h"
#include "tests/testlib/lablix_run.h"

namespace {

using Lines = std::vector<std::string>;

std::string text_of(const Lines& Model, const char* ChEnd) {
  std::string Text;
  for (const std::string& Line : Model)
    Text += Line + ChEnd;
  return Text;
}

std::int32_t connect(std::int32_t iUnit, const std::string& Path, UnitStatus iStatus) {
  return connect_unit(iUnit, Path.data(), static_cast<std::int32_t>(Path.size()), iStatus, false);
}

// The walk's findings on FemText after the readers of a run, as
// "LINE: TEXT" sorted by line (in the order found within a line). With
// pWalked, the geometry is read in the walk into it; with pOwn, read by its
// own walk into that.
Lines walk_findings(const std::string& FemText, ModelGeometry* pWalked = nullptr,
                    ModelGeometry* pOwn = nullptr) {
  const std::string Dir = make_temp_dir();
  write_file(Dir + "/m.FEM", FemText);
  NameTables Tables;
  FindingStore Store;
  RecordLines RecLines;
  if (connect(kUnitFem, Dir + "/m.FEM", kStatusOld) != 0 ||
      connect(kUnitLabel, Dir + "/m.lab", kStatusUnknown) != 0 || !create_name_tables(Tables) ||
      !create_finding_store(Store) || !create_record_lines(RecLines)) {
    ADD_FAILURE() << "cannot set up the check";
    return {};
  }
  FemFile& Fem = fem_file_on(kUnitFem);
  Lines Found;
  if (read_model(Tables, Fem, kUnitLabel) != kNoneFailed) {
    Found.push_back("a reader failed");
  } else {
    assign_element_owners(Tables);
    const char* pData = nullptr;
    std::int64_t nData = 0;
    unit_contents(kUnitFem, pData, nData);
    walk_records(pData, nData, Tables, RecLines, Store, pWalked);
    if (pOwn != nullptr) read_model_geometry(pData, nData, Tables, *pOwn);
    std::vector<Finding> Items(Store.Items, Store.Items + Store.nHeld);
    std::stable_sort(Items.begin(), Items.end(),
                     [](const Finding& a, const Finding& b) { return a.iLine < b.iLine; });
    for (const Finding& f : Items)
      Found.push_back(std::to_string(f.iLine) + ": " +
                      std::string(Store.ChPool + f.iAt, static_cast<std::size_t>(f.nText)));
  }
  close_unit(kUnitFem);
  close_unit(kUnitLabel);
  release_name_tables(Tables);
  remove_tree(Dir);
  return Found;
}

}  // namespace

TEST(CheckWalk, FindingsFollowTheReadersLineRules) {
  struct Case {
    const char* name;
    Lines Model;
    Lines Findings;
  };
  const std::string kLong(300, 'x');
  const Case cases[] = {
      // The GNODE pass reads no raw lines: a node's name line that starts
      // with GNODE is a GNODE header for it.
      {"name line that is a header of another kind",
       {"GNODE 1 1", "TDNODE 4 1 1 0", "GNODE 7 1"},
       {"3: GNODE: node 1 is numbered again; the GNODE at line 1 is overruled: its label shows "
        "node number 7"}},
      // A blank line after a TDSCONC header is its name; the next TDSCONC
      // is then a header of its own, which names member 1 again.
      {"blank line taken raw as a name",
       {"TDSCONC 4 1 103 0", "", "TDSCONC 4 1 103 0", "Leg"},
       {"3: TDSCONC: member 1 is named again; the TDSCONC at line 1 is overruled: its elements' "
        "labels show \"Leg\""}},
      // A "$" line after a SCONCEPT header is its data line: field 4 is the
      // mesh reference, so the member's relation is found.
      {"comment line taken raw as data",
       {"GELMNT1 201 1 15 0", "TDSCONC 4 1 103 0", "Leg", "SCONCEPT 8 1 7 0", "$ 1 0 X",
        "SCONMESH 13 5 1 2", "1 1"},
       {"5: SCONCEPT: the mesh reference (field 4 of the line after the header) is \"X\", not a "
        "number, so it reads as 0: the member has no mesh reference, and none of its elements "
        "gets its name"}},
      // Count 4: one continuation line, whose fourth field is element 4;
      // the SCONMESH after it is a header again.
      {"relation over a continuation line",
       {"GELMNT1 201 1 15 0", "GELMNT1 202 2 15 0", "GELMNT1 203 3 15 0", "TDSCONC 4 1 103 0",
        "Leg", "SCONCEPT 8 1 7 0", "0 1 0 5", "SCONMESH 13 5 1 2", "4 1 2 3", "X",
        "SCONMESH 13 5 1 2", "1 1"},
       {"10: SCONMESH: element 4 of the relation is \"X\", not a number, so it reads as 0: no "
        "element gets a label from it",
        "11: SCONMESH: mesh reference 5 has a relation again; the SCONMESH at line 8 is "
        "overruled: member 1 gets the elements of the relation read last"}},
      // Fields 4 and 5 other than 1 and 2: the relation is passed over and
      // its data line is no raw line of it (its text element is no finding),
      // nor is the data line of a SCONCEPT a header.
      {"relation the selector passes over",
       {"GELMNT1 201 1 15 0", "TDSCONC 4 1 103 0", "Leg", "SCONCEPT 8 1 7 0", "0 1 0 5",
        "SCONMESH 13 5 1 3", "1 X", "SCONCEPT 8 1 7 0", "SCONCEPT 8 1 7 0"},
       {"8: SCONCEPT: member 1 is defined again; the SCONCEPT at line 4 is overruled: its mesh "
        "reference is 7"}},
      {"records the end of the file cuts short",
       {"GNODE 1 1", "SCONMESH 13 5 1 2", "8 1 2 3", "TDNODE 4 1 1 0"},
       {"2: SCONMESH: the file ends before the record's last line: nothing of it is stored",
        "4: TDNODE: the file ends before the record's last line: nothing of it is stored"}},
      {"data line longer than the line buffer",
       {"GELMNT1 201 1 15 0", "TDSCONC 4 1 103 0", "Leg", "SCONCEPT 8 1 7 0", "0 1 0 5 " + kLong,
        "SCONMESH 13 5 1 2", "1 1"},
       {"5: SCONCEPT: the line is longer than 256 characters: what stands after column 256 is "
        "not read"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.Findings, walk_findings(text_of(c.Model, "\n"))) << c.name;
    EXPECT_EQ(c.Findings, walk_findings(text_of(c.Model, "\r\n"))) << c.name << " (CR LF)";
  }
}

// Each limit a reader can find broken gives one finding on the line its
// report quotes, in the words of that limit, and status 1.
TEST(CheckWalk, EachBrokenLimitIsOneFinding) {
  struct Case {
    const char* name;
    std::string Model;
    std::string Finding;
  };
  std::string ManyNames;
  for (int i = 1; i <= MxMemb + 1; ++i)
    ManyNames += "TDSCONC 4 1 103 0\nM\n";
  std::string ManyRelations;
  for (int i = 1; i <= MxMesh + 1; ++i)
    ManyRelations += "SCONMESH 13 1 1 2\n1 1\n";
  const std::string kTables =
      ", the most the tables hold: the label file holds the input-error "
      "report ";
  const Case cases[] = {
      {"node number", "GNODE 1 100001\n",
       "m.FEM:1: GNODE: the internal node number 100001 is above 100000" + kTables + "INP_2101"},
      {"element number", "GNODE 1 1\nGELMNT1 1 100001 15 0\n",
       "m.FEM:2: GELMNT1: the internal element number 100001 is above 100000" + kTables +
           "INP_2102"},
      {"member number", "TDSCONC 4 100001 103 0\nLeg\n",
       "m.FEM:1: TDSCONC: the member number 100001 is above 100000" + kTables + "INP_2102"},
      {"member names", ManyNames,
       "m.FEM:200001: TDSCONC: member name 100001 is one more than the 100000 the tables hold: "
       "the label file holds the input-error report INP_2102"},
      {"concept member", "SCONCEPT 8 100001 7 0\n0 1 0 5\n",
       "m.FEM:2: SCONCEPT: the member number of the record is above 100000" + kTables + "INP_2102"},
      {"mesh reference", "SCONMESH 13 100001 1 2\n1 1\n",
       "m.FEM:1: SCONMESH: the mesh reference 100001 is above 100000" + kTables + "INP_2103"},
      {"record length", "SCONMESH 99 5 1 2\n1 1\n",
       "m.FEM:1: SCONMESH: field 2 99 is above 98, the longest relation the tables hold: the "
       "label file holds the input-error report INP_2103"},
      {"relations", ManyRelations,
       "m.FEM:200001: SCONMESH: mesh relation 100001 is one more than the 100000 the tables "
       "hold: the label file holds the input-error report INP_2103"},
      {"element count", "SCONMESH 13 5 1 2\n100 1\n",
       "m.FEM:2: SCONMESH: the element count 100 is above 99, the most elements a relation "
       "holds: the label file holds the input-error report INP_2103"},
  };
  for (const Case& c : cases) {
    const std::string Dir = make_temp_dir();
    write_file(Dir + "/m.FEM", c.Model);
    RunOptions Options;
    Options.Arguments = {"--check", "m.FEM"};
    const LablixRun Run = run_lablix(Dir, "", Options);
    remove_tree(Dir);
    EXPECT_EQ(1, Run.iExit) << c.name;
    const std::string Tail = c.Finding + " instead of labels\r\n1 finding\r\n";
    ASSERT_GE(Run.Stdout.size(), Tail.size()) << c.name;
    EXPECT_EQ(Tail, Run.Stdout.substr(Run.Stdout.size() - Tail.size())) << c.name;
  }
}

// Read in the check's walk, as --view reads it, the geometry is what a walk
// of its own reads, and the findings are those of the walk without it: on
// a model that has every case of the geometry (a solid's list over five
// lines, an element numbered again, a coordinate that is text, a list the
// end of the file cuts), the bundled example and the real files.
TEST(CheckWalk, ReadsTheGeometryAsAWalkOfItsOwn) {
  std::vector<std::string> Texts = {
      "GCOORD 1 0.0 0.0 0.0\nGCOORD 2 4.0 0.0 0.0\nGCOORD 3 4.0 4.0 x\nGNODE 1 1 6 123456\n"
      "GNODE 2 2 6 123456\nGELMNT1 11 1 15 0\n 1 2 0 0\nGELMNT1 12 2 20 0\n 1 2 1 2\n"
      " 1 2 1 2\n 1 2 1 2\n 1 2 1 2\n 1 2 1 2\nGELMNT1 13 1 15 0\n 2 3 0 0\n"
      "TDSCONC 4 1 103 0\nLeg\nSCONCEPT 8 1 1 1\n0 0 7 0\nSCONMESH 9 7 1 2\n2 1 2 0\n"
      "GELMNT1 14 3 20 0\n 1 2 1 2\n"};
  namespace fs = std::filesystem;
  std::vector<fs::path> Paths = {fs::path(LABLIX_SOURCE_DIR) / "examples/jacket.FEM"};
  if (fs::is_directory(LABLIX_REALWORLD_DIR)) {
    for (const fs::directory_entry& Entry : fs::directory_iterator(LABLIX_REALWORLD_DIR)) {
      const std::string Ext = Entry.path().extension().string();
      if (Ext == ".FEM" || Ext == ".SIF") Paths.push_back(Entry.path());
    }
  }
  for (const fs::path& Path : Paths)
    Texts.push_back(read_file(Path.string()));
  static ModelGeometry Walked;
  static ModelGeometry Own;
  ASSERT_TRUE(create_model_geometry(Walked) && create_model_geometry(Own));
  for (std::size_t k = 0; k < Texts.size(); ++k) {
    const std::string Name = k == 0 ? "the model of every case" : Paths[k - 1].string();
    const Lines Without = walk_findings(Texts[k]);
    EXPECT_EQ(Without, walk_findings(Texts[k], &Walked, &Own)) << Name;
    ASSERT_EQ(Own.MaxElemWritten, Walked.MaxElemWritten) << Name;
    ASSERT_EQ(Own.MaxNodeWritten, Walked.MaxNodeWritten) << Name;
    EXPECT_EQ(Own.nCoords, Walked.nCoords) << Name;
    for (std::int32_t e = 1; e <= Own.MaxElemWritten; ++e) {
      EXPECT_EQ(Own.iElemType[e], Walked.iElemType[e]) << Name << " element " << e;
      EXPECT_EQ(Own.iElemLine[e], Walked.iElemLine[e]) << Name << " element " << e;
      EXPECT_EQ(Own.iUndrawn[e], Walked.iUndrawn[e]) << Name << " element " << e;
      ASSERT_EQ(Own.nElemNodes[e], Walked.nElemNodes[e]) << Name << " element " << e;
      for (std::int32_t j = 0; j < Own.nElemNodes[e]; ++j)
        EXPECT_EQ(element_node(Own, e, j), element_node(Walked, e, j)) << Name << " element " << e;
    }
    for (std::int32_t i = 1; i <= Own.MaxNodeWritten; ++i) {
      EXPECT_EQ(Own.iCoord[i], Walked.iCoord[i]) << Name << " node " << i;
      EXPECT_EQ(Own.iCoordLine[i], Walked.iCoordLine[i]) << Name << " node " << i;
      for (std::int32_t d = 0; d < 3; ++d)
        EXPECT_EQ(Own.Xyz[3 * i + d], Walked.Xyz[3 * i + d]) << Name << " node " << i;
    }
  }
  // The model of every case is drawn as its lines say: element 1 by its
  // second record, to node 3 whose z is text; the solid; a solid whose
  // list the end of the file cuts.
  walk_findings(Texts[0], &Walked, nullptr);
  const std::int32_t iReasons[] = {kUndrawnBadCoordinate, kDrawn, kUndrawnListCut};
  for (std::int32_t e = 1; e <= 3; ++e)
    EXPECT_EQ(iReasons[e - 1], Walked.iUndrawn[e]) << "element " << e;
}
