// Several models in one command: each model's files byte for byte those of
// its run alone, a failing model costing only itself, N at a time the same
// as one at a time, the check over several models, and a stop that leaves
// no half-written file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/testlib/lablix_run.h"
#if !defined(_WIN32)
#include <sys/wait.h>

#include "tests/testlib/terminal_run.h"
#endif

namespace {

using Args = std::vector<std::string>;

// The models a batch is made of, by what their runs do.
const std::string kBadField = "GNODE 1 1 6 0\r\nGNODE 2 3.0E+10 6 0\r\n";  // a fatal stop
std::string jacket() {
  return read_file(source_file("examples/jacket.FEM"));
}
std::string over_limit() {
  return read_file(source_file("tests/e2e/cases/nodes_above_limit_report/input.FEM"));
}
// The jacket with its node names changed, so that two models' label files
// differ.
std::string other_jacket() {
  std::string Fem = jacket();
  for (std::size_t i = 0; (i = Fem.find("TDNODE", i)) != std::string::npos; ++i) {
    const std::size_t iName = Fem.find('\n', i) + 1;
    Fem.insert(iName, 1, 'X');
  }
  return Fem;
}

// A folder of models; removed with the object.
struct Models {
  std::string Dir = make_temp_dir();
  explicit Models(const std::vector<std::pair<std::string, std::string>>& Files) {
    for (const auto& [Name, Bytes] : Files) {
      if (Name.find('/') != std::string::npos) {
        std::filesystem::create_directories(Dir + "/" + Name.substr(0, Name.rfind('/')));
      }
      write_file(Dir + "/" + Name, Bytes);
    }
  }
  ~Models() { remove_tree(Dir); }
  std::string operator/(const std::string& Name) const {
    return file_exists(Dir + "/" + Name) ? mask_executed_date(read_file(Dir + "/" + Name))
                                         : "(none)";
  }
};

LablixRun run_args(const Models& M, const Args& Arguments) {
  RunOptions Options;
  Options.Arguments = Arguments;
  return run_lablix(M.Dir, "", Options);
}

const std::vector<std::pair<std::string, std::string>> kThree = {
    {"T1.FEM", jacket()}, {"T2.FEM", other_jacket()}, {"T3.FEM", jacket()}};

TEST(BatchRuns, EachModelIsWrittenAsItsRunAloneWritesIt) {
  for (const Args& Options : {Args{}, Args{"-l"}, Args{"--listing", "-j", "2"}}) {
    Models Batch(kThree), Alone(kThree);
    Args Arguments = Options;
    for (const char* Name : {"T1.FEM", "T2.FEM", "T3.FEM"})
      Arguments.push_back(Name);
    const LablixRun Run = run_args(Batch, Arguments);
    const std::string What = Options.empty() ? "no options" : Options[0];
    EXPECT_EQ(0, Run.iExit) << What << ": " << Run.Stderr;
    EXPECT_EQ("", Run.Stdout) << What;
    EXPECT_EQ("", Run.Stderr) << What;
    const bool bListing = !Options.empty();
    for (const std::string Stem : {"T1", "T2", "T3"}) {
      Args Single = {Stem + ".FEM"};
      if (bListing) Single.insert(Single.begin(), "-l");
      EXPECT_EQ(0, run_args(Alone, Single).iExit) << Stem;
      EXPECT_EQ(Alone / (Stem + ".lab"), Batch / (Stem + ".lab")) << What << ", " << Stem;
      EXPECT_EQ(Alone / (Stem + ".lst"), Batch / (Stem + ".lst")) << What << ", " << Stem;
      EXPECT_EQ(kThree[0].second, read_file(Batch.Dir + "/T1.FEM")) << "the model is never written";
    }
    EXPECT_NE(Batch / "T1.lab", Batch / "T2.lab") << "each model's own labels";
    EXPECT_EQ(bListing ? 9u : 6u, folder_names(Batch.Dir).size()) << What;
  }
}

TEST(BatchRuns, FailingModelCostsOnlyItselfAndSetsTheStatus) {
  struct Case {
    const char* name;
    std::string Bad;   // the middle model's bytes; "" for none at all
    int iExit;         // the middle model's status, and so the batch's
    std::string Says;  // what the middle model's run says, then the batch's line
  };
  const std::string kFailed = "lablix: bad.FEM failed: ";
  const Case cases[] = {
      {"cannot be opened", "", 3,
       "lablix: cannot open the FEM file \"bad.FEM\": No such file or directory\n" + kFailed +
           "a file could not be opened (status 3); nothing was written\n"},
      {"breaks a limit", over_limit(), 1,
       "lablix: bad.FEM:5: more than 100000 nodes (GNODE): the label file \"bad.lab\" holds the "
       "input-error report INP_2101\n" +
           kFailed + "it breaks a limit (status 1); its label file holds the input-error report\n"},
      {"fatal stop", kBadField, 2,
       " *** FATAL: bad.FEM:2: GNODE: field 3 (value 3e+10) is taken as an integer but lies "
       "outside -2147483648 to 2147483647; the output files not finished were left as they "
       "were\n" +
           kFailed + "a fatal stop (status 2); its outputs were left as they were\n"},
  };
  for (const Case& c : cases) {
    std::vector<std::pair<std::string, std::string>> Files = kThree;
    if (!c.Bad.empty()) Files.push_back({"bad.FEM", c.Bad});
    Models M(Files);
    const LablixRun Run = run_args(M, {"T1.FEM", "T2.FEM", "bad.FEM", "T3.FEM"});
    EXPECT_EQ(c.iExit, Run.iExit) << c.name;
    EXPECT_EQ(c.Says, Run.Stderr) << c.name;
    for (const char* Label : {"T1.lab", "T2.lab", "T3.lab"})
      EXPECT_NE("(none)", M / Label) << c.name << ": " << Label;
    // The failing model's label file as its run alone leaves it.
    Models Alone(Files);
    run_args(Alone, {"bad.FEM"});
    EXPECT_EQ(Alone / "bad.lab", M / "bad.lab") << c.name;
  }
  // Every kind in one batch: the highest status, each failure said in turn.
  Models M({{"T1.FEM", jacket()}, {"limit.FEM", over_limit()}, {"field.FEM", kBadField}});
  const LablixRun Run = run_args(M, {"T1.FEM", "limit.FEM", "none.FEM", "field.FEM", "T1.FEM"});
  EXPECT_EQ(3, Run.iExit);
  std::vector<std::string> Failed;
  for (std::size_t i = 0; (i = Run.Stderr.find(" failed: ", i)) != std::string::npos; ++i)
    Failed.push_back(
        Run.Stderr.substr(Run.Stderr.rfind('\n', i) + 1, i - Run.Stderr.rfind('\n', i) - 1));
  EXPECT_EQ((Args{"lablix: limit.FEM", "lablix: none.FEM", "lablix: field.FEM"}), Failed);
}

TEST(BatchRuns, ManyAtATimeSaysAndWritesWhatOneAtATimeDoes) {
  const std::vector<std::pair<std::string, std::string>> Files = {
      {"T1.FEM", jacket()},     {"T2.FEM", other_jacket()}, {"limit.FEM", over_limit()},
      {"field.FEM", kBadField}, {"T3.FEM", jacket()},       {"T4.FEM", other_jacket()}};
  const Args Names = {"T1.FEM", "limit.FEM", "T2.FEM", "none.FEM", "field.FEM", "T3.FEM", "T4.FEM"};
  Models One(Files);
  Args Arguments = {"-v", "-l"};
  Arguments.insert(Arguments.end(), Names.begin(), Names.end());
  const LablixRun OneRun = run_args(One, Arguments);
  for (const char* ChJobs : {"2", "3", "64"}) {
    Models Many(Files);
    Args ManyArguments = Arguments;
    ManyArguments.insert(ManyArguments.begin(), {"-j", ChJobs});
    const LablixRun ManyRun = run_args(Many, ManyArguments);
    EXPECT_EQ(3, ManyRun.iExit) << ChJobs;
    EXPECT_EQ(OneRun.iExit, ManyRun.iExit) << ChJobs;
    EXPECT_EQ(OneRun.Stdout, ManyRun.Stdout) << ChJobs;
    EXPECT_EQ(OneRun.Stderr, ManyRun.Stderr) << ChJobs;
    EXPECT_EQ(folder_names(One.Dir), folder_names(Many.Dir)) << ChJobs;
    for (const std::string& Name : folder_names(One.Dir))
      EXPECT_EQ(One / Name, Many / Name) << ChJobs << ": " << Name;
  }
}

#if !defined(_WIN32)
// A standard output that takes nothing (a full disk): every model whose
// report or -v line is lost fails, N at a time as one at a time.
TEST(BatchRuns, OutputThatCannotBeWrittenFailsEachModelAtAnyJobs) {
  for (const char* ChJobs : {"1", "2"}) {
    for (const char* ChAction : {"-v", "--check"}) {
      Models M(kThree);
      const std::string Command = "cd '" + M.Dir + "' && '" LABLIX_BINARY "' " + ChAction + " -j " +
                                  ChJobs + " T1.FEM T2.FEM >/dev/full 2>err.txt";
      const int iStatus = std::system(Command.c_str());
      const std::string What = std::string(ChAction) + " -j " + ChJobs;
      ASSERT_TRUE(WIFEXITED(iStatus)) << What;
      EXPECT_EQ(2, WEXITSTATUS(iStatus)) << What;
      const std::string Stderr = read_file(M.Dir + "/err.txt");
      EXPECT_NE(std::string::npos, Stderr.find("lablix: T1.FEM failed: ")) << What << Stderr;
      EXPECT_NE(std::string::npos, Stderr.find("lablix: T2.FEM failed: ")) << What << Stderr;
    }
  }
}
#endif

TEST(BatchRuns, ModelsThatWriteOneLabelFileWaitForEachOtherAtATime) {
  // The same model named again, and a model whose label file has the same
  // name: one at a time each run replaces the file; at a time they must
  // not race for its name.
  const std::vector<std::pair<std::string, std::string>> Files = {
      {"T1.FEM", jacket()}, {"sub/T1.fem", other_jacket()}, {"sub/T1.FEM", jacket()}};
  const Args Names = {"T1.FEM", "T1.FEM", "sub/T1.FEM", "sub/T1.fem", "./T1.FEM"};
  Models One(Files), Many(Files);
  const LablixRun OneRun = run_args(One, Names);
  Args ManyArguments = {"-j", "4"};
  ManyArguments.insert(ManyArguments.end(), Names.begin(), Names.end());
  const LablixRun ManyRun = run_args(Many, ManyArguments);
  EXPECT_EQ(0, ManyRun.iExit);
  EXPECT_EQ("", ManyRun.Stderr);
  EXPECT_EQ(One / "T1.lab", Many / "T1.lab");
  EXPECT_EQ(One / "sub/T1.lab", Many / "sub/T1.lab");
  EXPECT_NE(std::string::npos, (Many / "T1.lab").find("# SESAM File    : ./T1.FEM\r\n"));
}

TEST(BatchRuns, VerboseSaysOneLinePerModelWithItsSevenCounts) {
  Models M(kThree);
  const LablixRun Run = run_args(M, {"T1.FEM", "T2.FEM", "-v"});
  EXPECT_EQ(0, Run.iExit);
  // The jacket's run summary (records 9 to 15 of its label file): 4 named
  // nodes of 6, 3 named members, 4 elements, 3 meshes, highest mesh and
  // member references 3.
  const std::string kCounts =
      ": Names Node 4, Nodes 6, Names Memb 3, Elements 4, Mesh 3, Highest Mesh Ref No 3, Highest "
      "Memb Ref No 3";
  const std::string kEnd = kOnWindows ? "\r\n" : "\n";
  EXPECT_EQ("T1.FEM" + kCounts + kEnd + "T2.FEM" + kCounts + kEnd, Run.Stdout);
  EXPECT_NE(std::string::npos, (M / "T1.lab").find("# Number of Names Node  :        4\r\n"));
}

TEST(BatchRuns, CheckTakesSeveralModelsEachReportInTurn) {
  Models M({{"T1.FEM", jacket()}, {"limit.FEM", over_limit()}, {"T2.FEM", other_jacket()}});
  std::string Reports;
  int MaxExit = 0;
  for (const char* Name : {"T1.FEM", "limit.FEM", "T2.FEM"}) {
    const LablixRun Alone = run_args(M, {"--check", Name});
    // Each model's report, headed by its name.
    Reports += std::string("# SESAM File    : ") + Name + "\r\n" + Alone.Stdout;
    MaxExit = std::max(MaxExit, Alone.iExit);
  }
  EXPECT_EQ(1, MaxExit) << "the model over a limit has findings";
  for (const Args& Extra : {Args{}, Args{"-j", "3"}}) {
    Args Arguments = {"--check", "T1.FEM", "limit.FEM", "T2.FEM"};
    Arguments.insert(Arguments.end(), Extra.begin(), Extra.end());
    const LablixRun Run = run_args(M, Arguments);
    EXPECT_EQ(MaxExit, Run.iExit);
    EXPECT_EQ(Reports, Run.Stdout);
    EXPECT_EQ("", Run.Stderr) << "findings are a check's answer, not a failure";
  }
  EXPECT_EQ((Args{"T1.FEM", "T2.FEM", "limit.FEM"}), folder_names(M.Dir)) << "no file written";
}

TEST(BatchRuns, ViewTakesSeveralModelsEachPageBesideIt) {
  Models Batch(kThree), Alone(kThree);
  const LablixRun Run = run_args(Batch, {"--view", "T1.FEM", "T2.FEM", "-j", "2", "T3.FEM"});
  EXPECT_EQ(0, Run.iExit) << Run.Stderr;
  EXPECT_EQ("", Run.Stderr);
  for (const std::string Stem : {"T1", "T2", "T3"}) {
    EXPECT_EQ(0, run_args(Alone, {"--view", Stem + ".FEM"}).iExit) << Stem;
    // The page shows the run's date: the same bytes around it.
    const std::string Page = read_file(Batch.Dir + "/" + Stem + ".html");
    EXPECT_EQ(read_file(Alone.Dir + "/" + Stem + ".html").size(), Page.size()) << Stem;
    EXPECT_NE(std::string::npos, Page.find(Stem + ".FEM")) << Stem;
  }
  EXPECT_EQ(6u, folder_names(Batch.Dir).size());
}

TEST(BatchRuns, SecondNameThatIsNoModelKeepsItsMeaning) {
  struct Case {
    Args Arguments;
    int iExit;
    Args Names;  // the folder after the run
  };
  const Case cases[] = {
      {{"T1.FEM", "x.lab"}, 0, {"T1.FEM", "T2.FEM", "old.lab", "x.lab"}},
      {{"T1.FEM", "old.lab", "x.lst"}, 0, {"T1.FEM", "T2.FEM", "old.lab", "x.lst"}},
      // Not a model: the name too many is a usage error, as before.
      {{"T1.FEM", "old.lab", "x.lst", "T2.FEM"}, 64, {"T1.FEM", "T2.FEM", "old.lab"}},
      {{"--check", "T1.FEM", "old.lab"}, 64, {"T1.FEM", "T2.FEM", "old.lab"}},
      // A missing second name is no model either: the model named third
      // is then the listing, and refused as one.
      {{"T1.FEM", "none.FEM", "T2.FEM"}, 3, {"T1.FEM", "T2.FEM", "old.lab"}},
  };
  for (const Case& c : cases) {
    Models M({{"T1.FEM", jacket()}, {"T2.FEM", jacket()}, {"old.lab", "OLDER\r\n"}});
    const LablixRun Run = run_args(M, c.Arguments);
    EXPECT_EQ(c.iExit, Run.iExit) << c.Arguments[1] << ": " << Run.Stderr;
    EXPECT_EQ(c.Names, folder_names(M.Dir)) << c.Arguments[1];
    EXPECT_EQ(jacket(), read_file(M.Dir + "/T2.FEM")) << "a model is never written";
  }
}

}  // namespace

namespace {

constexpr char kWhy[] = "signals and pseudo-terminals are POSIX's";
POSIX_ONLY_TEST(BatchRuns, StopSignalDropsTheModelUnderWayWhole, kWhy)
POSIX_ONLY_TEST(BatchRuns, AtATerminalAClosingLineCountsTheModels, kWhy)

// cmd passes patterns on as typed: lablix.exe expands them, in name order
// without regard to case. Elsewhere the shell expands them before the run,
// and a pattern that reaches lablix is a name like any other.
TEST(BatchRuns, PatternsAreExpandedWhereTheShellLeavesThemToTheProgram) {
  Models M(
      {{"b2.FEM", jacket()}, {"A1.FEM", jacket()}, {"c3.fem", other_jacket()}, {"note.txt", "x"}});
  const LablixRun Run = run_args(M, {"-v", "*.FEM"});
  const LablixRun None = run_args(M, {"*.FEMX", "x.lab"});
  if (!kOnWindows) {
    EXPECT_EQ(3, Run.iExit) << "no file is named *.FEM";
    EXPECT_EQ("lablix: cannot open the FEM file \"*.FEMX\": No such file or directory\n",
              None.Stderr);
    return;
  }
  EXPECT_EQ(0, Run.iExit) << Run.Stderr;
  std::vector<std::string> Named;
  for (std::size_t i = 0; i < Run.Stdout.size(); i = Run.Stdout.find('\n', i) + 1)
    Named.push_back(Run.Stdout.substr(i, Run.Stdout.find(':', i) - i));
  EXPECT_EQ((Args{"A1.FEM", "b2.FEM", "c3.fem"}), Named);
  EXPECT_EQ(3, None.iExit);
  EXPECT_EQ("lablix: no file matches \"*.FEMX\"\n", None.Stderr);
  EXPECT_EQ((Args{"A1.FEM", "A1.lab", "b2.FEM", "b2.lab", "c3.fem", "c3.lab", "note.txt"}),
            folder_names(M.Dir));
}

}  // namespace

#if !defined(_WIN32)
#include <signal.h>

#include <chrono>

namespace {

// A model of nMembers named nodes and members, each member's mesh holding
// its one element: large enough that a stop falls inside a model's run.
std::string large_model(int nMembers, const std::string& Tag) {
  std::string Fem;
  for (int i = 1; i <= nMembers; ++i) {
    const std::string I = std::to_string(i);
    Fem += "GNODE " + I + " " + I + "\nTDNODE 0 " + I + "\n" + Tag + "_NODE_" + I + "\nGELMNT1 " +
           I + " " + I + "\nTDSCONC 0 " + I + "\n" + Tag + "_MEMBER_" + I + "\nSCONCEPT 0 " + I +
           " 0 0\n0 0 0 " + I + "\nSCONMESH 0 " + I + " 1 2\n1 " + I + "\n";
  }
  return Fem;
}

TEST(BatchRuns, StopSignalDropsTheModelUnderWayWhole) {
  const Args Names = {"M1.FEM", "M2.FEM", "M3.FEM", "M4.FEM"};
  std::vector<std::pair<std::string, std::string>> Files;
  for (const std::string& Name : Names)
    Files.push_back({Name, large_model(60000, Name.substr(0, 2))});
  // Each model's label file whole, and how long a model takes alone.
  Models Whole(Files);
  const auto Start = std::chrono::steady_clock::now();
  ASSERT_EQ(0, run_args(Whole, {"M1.FEM"}).iExit);
  const long nModelMicros = static_cast<long>(std::chrono::duration_cast<std::chrono::microseconds>(
                                                  std::chrono::steady_clock::now() - Start)
                                                  .count());
  ASSERT_EQ(0, run_args(Whole, Names).iExit);
  // The stop comes once a model has said its counts (-v: its run is
  // over, the next one under way), or early in the first models' runs.
  struct Case {
    int iSignal;
    const char* ChJobs;
    const char* ChAfter;  // the stop, once standard output holds this
    double fAfter;        // or in models' run times from the start
  };
  const Case cases[] = {{SIGINT, "1", "M1.FEM: ", 0},
                        {SIGTERM, "1", "M2.FEM: ", 0},
                        {SIGHUP, "2", "M1.FEM: ", 0},
                        {SIGINT, "2", "", 0.3}};
  for (const Case& c : cases) {
    Models M(Files);
    RunOptions Options;
    Options.Arguments = {"-v", "-j", c.ChJobs};
    Options.Arguments.insert(Options.Arguments.end(), Names.begin(), Names.end());
    Options.iSignal = c.iSignal;
    Options.SignalAfterOutput = c.ChAfter;
    if (*c.ChAfter == '\0') Options.nSignalAfterMicros = static_cast<long>(c.fAfter * nModelMicros);
    const LablixRun Run = run_lablix(M.Dir, "", Options);
    const std::string What = "signal " + std::to_string(c.iSignal) + ", -j " + c.ChJobs;
    EXPECT_EQ(128 + c.iSignal, Run.iExit) << What << ": " << Run.Stderr;
    // Every label file is whole or not there; nothing else is left beside
    // the models.
    int nWritten = 0;
    for (const std::string& Name : folder_names(M.Dir)) {
      if (Name.size() > 4 && Name.substr(Name.size() - 4) == ".FEM") continue;
      ASSERT_EQ(".lab", Name.substr(Name.size() - 4)) << What << ": " << Name << " left";
      EXPECT_EQ(Whole / Name, M / Name) << What << ": " << Name;
      ++nWritten;
    }
    EXPECT_LT(nWritten, 4) << What << ": the stop came after the end";
    if (*c.ChAfter != '\0') {
      EXPECT_NE("(none)", M / "M1.lab") << What << ": a model finished stays";
    }
    for (const std::string& Name : Names)
      EXPECT_EQ(read_file(Whole.Dir + "/" + Name), read_file(M.Dir + "/" + Name)) << What;
  }
}

TEST(BatchRuns, AtATerminalAClosingLineCountsTheModels) {
  Models M({{"T1.FEM", jacket()}, {"bad.FEM", kBadField}, {"T2.FEM", jacket()}});
  const TerminalRun Run =
      run_lablix_at_terminal(M.Dir, {}, 30, {"T1.FEM", "bad.FEM", "none.FEM", "T2.FEM"});
  EXPECT_EQ(3, Run.iExit);
  const std::string kLast =
      "lablix: 4 models: 2 label files written, 2 failed (bad.FEM, none.FEM)\n";
  ASSERT_GE(Run.Screen.size(), kLast.size());
  EXPECT_EQ(kLast, Run.Screen.substr(Run.Screen.size() - kLast.size()));
}

}  // namespace
#endif
