// lablix --check: one small model per cause, each with the finding it
// must give (file, line, record) and its status; a check writes no file;
// the findings say what the label file of the same model shows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/testlib/lablix_run.h"

namespace {

using Lines = std::vector<std::string>;

// A clean model: two named nodes, two elements, member 1 "Leg" with mesh
// reference 5, whose relation lists elements 1 and 2. Lines 1 to 14.
const Lines kBase = {
    "GNODE 101 1",       "GNODE 102 2", "TDNODE 4 1 1 0",     "N1",
    "TDNODE 4 2 1 0",    "N2",          "GELMNT1 201 1 15 0", "GELMNT1 202 2 15 0",
    "TDSCONC 4 1 103 0", "Leg",         "SCONCEPT 8 1 7 0",   "0 1 0 5",
    "SCONMESH 13 5 1 2", "2 1 2",
};

struct Change {
  int iLine;  // replaced (1 to 14), or 0: appended
  std::string Text;
};

std::string model(const std::vector<Change>& Changes) {
  Lines Model = kBase;
  for (const Change& c : Changes) {
    if (c.iLine > 0) {
      Model[c.iLine - 1] = c.Text;
    } else {
      Model.push_back(c.Text);
    }
  }
  std::string Text;
  for (const std::string& Line : Model)
    Text += Line + "\n";
  return Text;
}

struct Checked {
  LablixRun Run;
  bool bFolderUnchanged;
};

Checked check(const std::string& Fem) {
  const std::string Dir = make_temp_dir();
  write_file(Dir + "/m.FEM", Fem);
  const std::vector<std::string> Before = folder_names(Dir);
  RunOptions Options;
  Options.Arguments = {"--check", "m.FEM"};
  Checked Result{run_lablix(Dir, "", Options), false};
  Result.bFolderUnchanged = Before == folder_names(Dir);
  remove_tree(Dir);
  return Result;
}

// Standard output past the seven counts.
std::string findings_of(const std::string& Stdout) {
  std::size_t i = 0;
  for (int k = 0; k < 7 && i != std::string::npos; ++k)
    i = Stdout.find('\n', i) == std::string::npos ? std::string::npos : Stdout.find('\n', i) + 1;
  return i == std::string::npos ? "" : Stdout.substr(i);
}

TEST(ModelCheck, CleanModelHasNoFindings) {
  const Checked c = check(model({}));
  EXPECT_EQ(0, c.Run.iExit);
  EXPECT_EQ(crlf_lines({"# Number of Names Node  :        2", "# Number of Nodes       :        2",
                        "# Number of Names Memb  :        1", "# Number of Elements    :        2",
                        "# Number of Mesh        :        1", "# Highest Mesh Ref No   :        5",
                        "# Highest Memb Ref No   :        1", "no findings"}),
            c.Run.Stdout);
  EXPECT_EQ("", c.Run.Stderr);
  EXPECT_TRUE(c.bFolderUnchanged);
}

TEST(ModelCheck, EachCauseGivesItsFinding) {
  struct Case {
    const char* name;
    std::vector<Change> Changes;
    Lines Findings;
  };
  const std::string kNoNode2 =
      "m.FEM:5: TDNODE: no GNODE numbers node 2 \"N2\": its label shows node number 0";
  const std::string kText = ", not a number, so it reads as 0: the record numbers no node";
  const std::string kLong = "N" + std::string(79, 'x');
  const Case cases[] = {
      {"comma",
       {{2, "GNODE 102 1,01000000E+02"}},
       {"m.FEM:2: GNODE: the internal node number (field 3) is \"1,01000000E+02\"" + kText,
        kNoNode2}},
      {"letter O",
       {{2, "GNODE 102 1.0100000OE+02"}},
       {"m.FEM:2: GNODE: the internal node number (field 3) is \"1.0100000OE+02\"" + kText,
        kNoNode2}},
      {"exponent D",
       {{2, "GNODE 102 1.01000000D+02"}},
       {"m.FEM:2: GNODE: the internal node number (field 3) is \"1.01000000D+02\"" + kText,
        kNoNode2}},
      {"node named twice",
       {{0, "TDNODE 4 1 1 0"}, {0, "N1b"}},
       {"m.FEM:15: TDNODE: node 1 is named again; the TDNODE at line 3 is overruled: its label "
        "shows \"N1b\""}},
      {"node numbered twice",
       {{0, "GNODE 105 2"}},
       {"m.FEM:15: GNODE: node 2 is numbered again; the GNODE at line 2 is overruled: its label "
        "shows node number 105"}},
      {"name for a node no GNODE numbers",
       {{0, "TDNODE 4 3 1 0"}, {0, "N3"}},
       {"m.FEM:15: TDNODE: no GNODE numbers node 3 \"N3\": it gets no label"}},
      {"node beyond the table",
       {{0, "TDNODE 4 100001 1 0"}, {0, "Far"}},
       {"m.FEM:15: TDNODE: node 100001 is beyond the 100000 nodes the tables hold: the name is "
        "not stored"}},
      {"name longer than 80",
       {{4, kLong + "yyyyy"}},
       {"m.FEM:4: TDNODE: the name is longer than 80 characters: labels show its first 80, \"" +
        kLong + "\""}},
      {"member without SCONCEPT",
       {{0, "TDSCONC 4 2 103 0"}, {0, "Brace"}},
       {"m.FEM:15: TDSCONC: member 2 \"Brace\" has no SCONCEPT, so no mesh reference: none of its "
        "elements gets its name"}},
      {"mesh reference without SCONMESH",
       {{12, "0 1 0 6"}},
       {"m.FEM:11: SCONCEPT: member 1 \"Leg\" has mesh reference 6, for which no SCONMESH "
        "relation was read: none of its elements gets its name"}},
      {"relation read twice",
       {{0, "SCONMESH 13 5 1 2"}, {0, "1 1"}},
       {"m.FEM:15: SCONMESH: mesh reference 5 has a relation again; the SCONMESH at line 13 is "
        "overruled: member 1 gets the elements of the relation read last"}},
      {"element no GELMNT1 numbers",
       {{8, "GELMNT1 202 3 15 0"}},
       {"m.FEM:13: SCONMESH: no GELMNT1 numbers element 2 of member 1 \"Leg\": its label shows "
        "element number 0"}},
      {"element beyond those read",
       {{14, "3 1 2 3"}},
       {"m.FEM:13: SCONMESH: element 3 of member 1 \"Leg\" is beyond the 2 elements read "
        "(GELMNT1): it gets no label"}},
      {"element of two members",
       {{0, "TDSCONC 4 2 103 0"},
        {0, "Brace"},
        {0, "SCONCEPT 8 2 7 0"},
        {0, "0 1 0 6"},
        {0, "SCONMESH 13 6 1 2"},
        {0, "1 2"}},
       {"m.FEM:13: SCONMESH: element 2 of member 1 \"Leg\" (element number 202) is listed by "
        "member 2 too: its label shows the higher member's name, \"Brace\""}},
      {"text element, sorted after its relation's line",
       {{14, "2 1 2,0"}},
       {"m.FEM:13: SCONMESH: element 0 of member 1 \"Leg\" is no element number: no element gets "
        "its name from it",
        "m.FEM:14: SCONMESH: element 2 of the relation is \"2,0\", not a number, so it reads as 0: "
        "no element gets a label from it"}},
      {"file ends inside a record",
       {{0, "TDSCONC 4 3 103 0"}},
       {"m.FEM:15: TDSCONC: the file ends before the record's last line: nothing of it is "
        "stored"}},
      {"a broken limit stops the check",
       {{2, "GNODE 102 100001"}},
       {"m.FEM:2: GNODE: the internal node number 100001 is above 100000, the most the tables "
        "hold: the label file holds the input-error report INP_2101 instead of labels"}},
  };
  for (const Case& c : cases) {
    const Checked Done = check(model(c.Changes));
    Lines Expected = c.Findings;
    Expected.push_back(Expected.size() == 1 ? "1 finding"
                                            : std::to_string(Expected.size()) + " findings");
    EXPECT_EQ(1, Done.Run.iExit) << c.name;
    EXPECT_EQ(crlf_lines(Expected), findings_of(Done.Run.Stdout)) << c.name;
    EXPECT_EQ("", Done.Run.Stderr) << c.name;
    EXPECT_TRUE(Done.bFolderUnchanged) << c.name;
  }
}

TEST(ModelCheck, FatalStopAndRefusalAreThoseOfARun) {
  const Checked Fatal = check(model({{2, "GNODE 102 1E5E5"}}));
  EXPECT_EQ(2, Fatal.Run.iExit);
  EXPECT_EQ("", Fatal.Run.Stdout);
  EXPECT_EQ(0u, Fatal.Run.Stderr.rfind(" *** FATAL: ", 0)) << Fatal.Run.Stderr;
  EXPECT_TRUE(Fatal.bFolderUnchanged);

  const std::string Dir = make_temp_dir();
  RunOptions Options;
  Options.Arguments = {"-c", "none.FEM"};
  const LablixRun Refused = run_lablix(Dir, "", Options);
  EXPECT_EQ(3, Refused.iExit);
  EXPECT_EQ("lablix: cannot open the FEM file \"none.FEM\": No such file or directory\n",
            Refused.Stderr);
  EXPECT_TRUE(folder_names(Dir).empty());
  Options.Arguments = {"--check", "a.FEM", "b.lab"};
  EXPECT_EQ(64, run_lablix(Dir, "", Options).iExit);
  remove_tree(Dir);
}

// One model with four causes, checked and run: each finding's claim is in
// the label file the run writes.
TEST(ModelCheck, FindingsAgreeWithTheLabelFile) {
  const std::string Fem = model({{2, "GNODE 102 3"},
                                 {8, "GELMNT1 202 3 15 0"},
                                 {0, "TDSCONC 4 2 103 0"},
                                 {0, "Brace"},
                                 {0, "SCONCEPT 8 2 7 0"},
                                 {0, "0 1 0 6"},
                                 {0, "SCONMESH 13 6 1 2"},
                                 {0, "1 1"},
                                 {0, "TDNODE 4 3 1 0"},
                                 {0, "N3"}});
  const Checked c = check(Fem);
  EXPECT_EQ(crlf_lines({"m.FEM:5: TDNODE: no GNODE numbers node 2 \"N2\": its label shows node "
                        "number 0",
                        "m.FEM:13: SCONMESH: element 1 of member 1 \"Leg\" (element number 201) "
                        "is listed by member 2 too: its label shows the higher member's name, "
                        "\"Brace\"",
                        "m.FEM:13: SCONMESH: no GELMNT1 numbers element 2 of member 1 \"Leg\": "
                        "its label shows element number 0",
                        "m.FEM:21: TDNODE: node 3 \"N3\" is numbered (GNODE at line 2), but the "
                        "label file lists nodes 1 to 2, as many as there are GNODE records: it "
                        "gets no label",
                        "4 findings"}),
            findings_of(c.Run.Stdout));

  const std::string Dir = make_temp_dir();
  write_file(Dir + "/m.FEM", Fem);
  RunOptions Options;
  Options.Arguments = {"m.FEM", "m.lab"};
  ASSERT_EQ(0, run_lablix(Dir, "", Options).iExit);
  const std::string Label = read_file(Dir + "/m.lab");
  remove_tree(Dir);
  // Node 2 with node number 0, node 3 not at all; element 1 named after
  // member 2, element 2 with element number 0.
  EXPECT_NE(
      std::string::npos,
      Label.find(crlf_lines(
          {" Heading  SESAM Node Names ", "   NodeLabel     101     N1, NodeID=     101",
           "   NodeLabel       0     N2, NodeID=       0", " EndLabel  ", "", " BeginLabel",
           " Heading  SESAM Member Names ", "   ElementLabel     201     Brace, ElemID=     201",
           "   ElementLabel       0     Leg, ElemID=       0", " EndLabel  "})))
      << Label;
}

}  // namespace
