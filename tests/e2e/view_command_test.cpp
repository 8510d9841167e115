// lablix --view: the page written beside the FEM file or where PAGE says,
// refused as a run refuses its outputs (status 3, nothing created or
// changed), the input-error report instead of the model (status 1), and a
// model without coordinates still paged.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/testlib/lablix_run.h"

namespace {

using Args = std::vector<std::string>;

// Two named nodes placed, member Leg listing both beams.
const std::string kModel =
    "GNODE 101 1\nGNODE 102 2\nGNODE 103 3\n"
    "GCOORD 1 0.0 0.0 0.0\nGCOORD 2 0.0 0.0 10.0\nGCOORD 3 5.0 0.0 10.0\n"
    "TDNODE 4 1 1 0\nN1\n"
    "GELMNT1 201 1 15 0\n1 2\nGELMNT1 202 2 15 0\n2 3\n"
    "TDSCONC 4 1 103 0\nLeg\nSCONCEPT 8 1 7 0\n0 1 0 5\nSCONMESH 13 5 1 2\n2 1 2\n";

struct Folder {
  std::string Dir = make_temp_dir();
  ~Folder() { remove_tree(Dir); }
  LablixRun run(const Args& Arguments) const {
    RunOptions Options;
    Options.Arguments = Arguments;
    return run_lablix(Dir, "", Options);
  }
};

TEST(ViewCommand, WritesThePageBesideTheFemFileOrAsNamed) {
  struct Case {
    Args Arguments;
    const char* ChPage;
  };
  const Case cases[] = {
      {{"--view", "m.FEM"}, "m.html"},
      {{"m.FEM", "--view", "shown.htm"}, "shown.htm"},
  };
  for (const Case& c : cases) {
    const Folder F;
    write_file(F.Dir + "/m.FEM", kModel);
    const LablixRun Run = F.run(c.Arguments);
    EXPECT_EQ(0, Run.iExit) << c.ChPage << Run.Stderr;
    EXPECT_EQ("", Run.Stdout) << c.ChPage;
    EXPECT_EQ("", Run.Stderr) << c.ChPage;
    const std::string Page = read_file(F.Dir + "/" + c.ChPage);
    EXPECT_EQ(0u, Page.rfind("<!DOCTYPE html>", 0)) << c.ChPage;
    EXPECT_NE(std::string::npos, Page.find("[1,\"Leg\"]")) << c.ChPage;
    EXPECT_NE(std::string::npos, Page.find("\"nCoords\":3")) << c.ChPage;
    std::vector<std::string> Names = folder_names(F.Dir);
    EXPECT_EQ((std::vector<std::string>{"m.FEM", c.ChPage}), Names) << c.ChPage;
  }
}

TEST(ViewCommand, RefusesAPageAsARunRefusesAnOutput) {
  struct Case {
    const char* name;
    std::string Page;
    std::string Reason;
  };
  const Case cases[] = {
      // (The FEM file itself, or another model, as the second name makes
      // every name a model: several models' rule, batch_runs_test.cpp.)
      {"a control character", "p\x1b.html", "control character"},
      {"a folder", "sub", "folder"},
  };
  for (const Case& c : cases) {
    const Folder F;
    write_file(F.Dir + "/m.FEM", kModel);
    write_file(F.Dir + "/other.FEM", kModel);
    std::filesystem::create_directory(F.Dir + "/sub");
    const std::vector<std::string> Before = folder_names(F.Dir);
    const LablixRun Run = F.run({"--view", "m.FEM", c.Page});
    EXPECT_EQ(3, Run.iExit) << c.name;
    EXPECT_NE(std::string::npos, Run.Stderr.find("lablix: cannot open the page")) << c.name;
    EXPECT_NE(std::string::npos, Run.Stderr.find(c.Reason)) << c.name << ": " << Run.Stderr;
    EXPECT_EQ(Before, folder_names(F.Dir)) << c.name;
    EXPECT_EQ(kModel, read_file(F.Dir + "/m.FEM")) << c.name;
    EXPECT_EQ(kModel, read_file(F.Dir + "/other.FEM")) << c.name;
  }
}

TEST(ViewCommand, FemFileRefusedLikeARun) {
  const Folder F;
  const LablixRun Run = F.run({"--view", "missing.FEM"});
  EXPECT_EQ(3, Run.iExit);
  EXPECT_NE(std::string::npos, Run.Stderr.find("lablix: cannot open the FEM file \"missing.FEM\""));
  EXPECT_TRUE(folder_names(F.Dir).empty());
}

TEST(ViewCommand, FatalStopNamesThePageAndLeavesItAsItWas) {
  if (kOnWindows) GTEST_SKIP() << "a file size limit is a POSIX resource limit";
  const Folder F;
  write_file(F.Dir + "/m.FEM", kModel);
  write_file(F.Dir + "/old.html", "an older page");
  RunOptions Limit;
  Limit.nFileSizeLimit = 4096;  // less than the page's script alone
  for (const char* ChPage : {"old.html", "new.html"}) {
    Limit.Arguments = {"--view", "m.FEM", ChPage};
    const LablixRun Run = run_lablix(F.Dir, "", Limit);
    EXPECT_EQ(2, Run.iExit) << ChPage;
    EXPECT_EQ(std::string(" *** FATAL: writing the page \"") + ChPage +
                  "\" failed: the file size limit was reached; the output files not finished "
                  "were left as they were\n",
              Run.Stderr);
  }
  EXPECT_EQ("an older page", read_file(F.Dir + "/old.html"));
  EXPECT_EQ((std::vector<std::string>{"m.FEM", "old.html"}), folder_names(F.Dir));
}

TEST(ViewCommand, BrokenLimitShowsTheReportAndNoModel) {
  const Folder F;
  write_file(F.Dir + "/m.FEM", kModel + "GNODE 104 100001\n");
  const LablixRun Run = F.run({"--view", "m.FEM"});
  EXPECT_EQ(1, Run.iExit) << Run.Stderr;
  EXPECT_EQ(
      "lablix: m.FEM:19: more than 100000 nodes (GNODE): the page \"m.html\" shows the "
      "input-error report INP_2101 instead of the model\n",
      Run.Stderr);
  const std::string Page = read_file(F.Dir + "/m.html");
  EXPECT_NE(std::string::npos, Page.find("\"report\":[\"*** ERROR IN INP_2101       ***\"]"));
  EXPECT_NE(std::string::npos, Page.find("\"limit\":\"more than 100000 nodes (GNODE)\""));
  EXPECT_NE(std::string::npos, Page.find("m.FEM:19: GNODE: the internal node number 100001"));
  EXPECT_EQ(std::string::npos, Page.find("\"xyz\""));
}

TEST(ViewCommand, ModelWithoutCoordinatesIsStillPaged) {
  const Folder F;
  std::string Model = kModel;
  for (std::size_t i; (i = Model.find("GCOORD")) != std::string::npos;)
    Model.erase(i, Model.find('\n', i) + 1 - i);
  write_file(F.Dir + "/m.FEM", Model);
  const LablixRun Run = F.run({"--view", "m.FEM"});
  EXPECT_EQ(0, Run.iExit) << Run.Stderr;
  const std::string Page = read_file(F.Dir + "/m.html");
  EXPECT_NE(std::string::npos, Page.find("\"nCoords\":0"));
  EXPECT_NE(std::string::npos, Page.find("[1,\"Leg\"]"));
  EXPECT_NE(std::string::npos, Page.find("\"counts\":[1,3,1,2,1,5,1]"));
}

}  // namespace
