// The command line: the same files and exit statuses as the dialogue for the
// same answers, nothing on standard output, refusals as one line on
// standard error with no file created or changed, and the options.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/testlib/lablix_run.h"

namespace {

using Args = std::vector<std::string>;

const std::string kUsage =
    "usage: lablix [-v] [-l] FEM [LABEL [LISTING]]\n"
    "       lablix [-v] [-l] [-j [N]] FEM FEM ...     (each FEM beside itself)\n"
    "       lablix --check FEM ...            (explains missing or wrong labels)\n"
    "       lablix --view FEM [PAGE]          (a page that shows the model by its names)\n"
    "       lablix --view FEM FEM ...         (each page beside its FEM)\n"
    "       lablix                            (asks for the files)\n"
    "Try 'lablix --help' for more.\n";
// The model's fifth line holds GNODE internal node number 100001.
std::string input_error_line(const std::string& Label) {
  return "lablix: in.FEM:5: more than 100000 nodes (GNODE): the label file \"" + Label +
         "\" holds the input-error report INP_2101\n";
}

// A folder with the bundled example, a folder named sub and an older label
// file; removed with the object.
struct Folder {
  std::string Dir = make_temp_dir();
  Folder() {
    write_file(Dir + "/jacket.FEM", read_file(source_file("examples/jacket.FEM")));
    write_file(Dir + "/old.lab", "OLDER\r\n");
    std::filesystem::create_directory(Dir + "/sub");
  }
  ~Folder() { remove_tree(Dir); }
  std::string operator/(const std::string& Name) const { return read_file(Dir + "/" + Name); }
};

LablixRun run_with(const Folder& F, const Args& Arguments) {
  RunOptions Options;
  Options.Arguments = Arguments;
  return run_lablix(F.Dir, "", Options);
}

TEST(CommandLine, WritesWhatTheDialogueWritesForTheSameAnswers) {
  struct Case {
    const char* name;
    std::string Fem;  // the model, as a file of the source tree
    int iExit;
  };
  const Case cases[] = {
      {"complete run", "examples/jacket.FEM", 0},
      {"input-error report", "tests/e2e/cases/nodes_above_limit_report/input.FEM", 1},
  };
  for (const Case& c : cases) {
    Folder F;
    write_file(F.Dir + "/in.FEM", read_file(source_file(c.Fem)));
    const LablixRun Dialogue = run_lablix(F.Dir, "in.FEM\nd.lab\ny\nd.lst\n");
    const LablixRun Files = run_with(F, {"in.FEM", "out.lab", "out.lst"});
    EXPECT_EQ(c.iExit, Dialogue.iExit) << c.name;
    EXPECT_EQ(c.iExit, Files.iExit) << c.name;
    EXPECT_EQ("", Files.Stdout) << c.name;
    EXPECT_EQ(mask_executed_date(F / "d.lab"), mask_executed_date(F / "out.lab")) << c.name;
    EXPECT_EQ(mask_executed_date(F / "d.lst"), mask_executed_date(F / "out.lst")) << c.name;
    EXPECT_EQ(c.iExit == 0 ? "" : input_error_line("out.lab"), Files.Stderr) << c.name;
    EXPECT_EQ(c.iExit == 0 ? "" : input_error_line("d.lab"), Dialogue.Stderr) << c.name;
    EXPECT_EQ(c.iExit == 0, file_exists(F.Dir + "/out.lst")) << c.name << ": listing made";
  }
}

TEST(CommandLine, RefusedFileIsOneLineAndNoFileIsWritten) {
  struct Case {
    Args Arguments;
    std::string Stderr;
  };
  const std::string kBusy = "\": it is another file of this run (the FEM file or an output)\n";
  std::vector<Case> cases = {
      {{"none.FEM", "x.lab"},
       "lablix: cannot open the FEM file \"none.FEM\": No such file or directory\n"},
      {{"sub", "x.lab"}, "lablix: cannot open the FEM file \"sub\": it is a folder\n"},
      {{"jacket.FEM", "no/x.lab"},
       "lablix: cannot open the label file \"no/x.lab\": No such file or directory\n"},
      // (A model named twice is two models: several models' rule.)
      {{"old.lab", "./old.lab"}, "lablix: cannot open the label file \"./old.lab" + kBusy},
      {{"jacket.FEM", "old.lab", "old.lab"},
       "lablix: cannot open the listing file \"old.lab" + kBusy},
      {{"jacket.FEM", "x.lab", "sub"},
       "lablix: cannot open the listing file \"sub\": it is a folder\n"},
      // Quotes are taken off before the open and are not shown.
      {{"'none.FEM'", "x.lab"},
       "lablix: cannot open the FEM file \"none.FEM\": No such file or directory\n"},
      {{"jacket.FEM", "\"\""}, "lablix: cannot open the label file \"\": the name is empty\n"},
      // FEM's name with .lab: here the FEM file itself.
      {{"old.lab"}, "lablix: cannot open the label file \"old.lab" + kBusy},
  };
  if (kOnWindows) {  // names Windows does not tell apart, and names it forbids
    const std::string kForbids = "\": the system forbids such a name\n";
    cases.push_back(
        {{"jacket.FEM", "X.LAB", "x.lab"}, "lablix: cannot open the listing file \"x.lab" + kBusy});
    cases.push_back(
        {{"jacket.FEM", "nul.lab"}, "lablix: cannot open the label file \"nul.lab" + kForbids});
    // lablix.exe takes * and ? as a pattern, as cmd leaves them to it: one
    // that matches no file is refused before anything is opened.
    cases.push_back({{"jacket.FEM", "a?b.lab"}, "lablix: no file matches \"a?b.lab\"\n"});
  }
  for (const Case& c : cases) {
    Folder F;
    const std::vector<std::string> Before = folder_names(F.Dir);
    const LablixRun Run = run_with(F, c.Arguments);
    EXPECT_EQ(3, Run.iExit) << c.Stderr;
    EXPECT_EQ(c.Stderr, Run.Stderr);
    EXPECT_EQ("", Run.Stdout) << c.Stderr;
    EXPECT_EQ(Before, folder_names(F.Dir)) << c.Stderr;
    EXPECT_EQ("OLDER\r\n", F / "old.lab") << c.Stderr;
  }
}

TEST(CommandLine, Options) {
  struct Case {
    Args Arguments;
    int iExit;
    std::string Stdout;  // its beginning
    std::string Stderr;
  };
  const Case cases[] = {
      {{"--help"}, 0, "usage: lablix [options] FEM [LABEL [LISTING]]\n", ""},
      {{"jacket.FEM", "-h"}, 0, "usage: lablix [options] FEM [LABEL [LISTING]]\n", ""},
      {{"--version"}, 0, "lablix " LABLIX_VERSION " (Version 1.1/2013-04-28)\n", ""},
      {{"--", "-x.FEM", "x.lab"}, 0, "", ""},
      {{"-x", "jacket.FEM", "x.lab"}, 64, "", "lablix: unknown option: -x\n" + kUsage},
      {{"-v"}, 64, "", "lablix: the FEM file is missing\n" + kUsage},
      {{"a", "b", "c", "d"}, 64, "", "lablix: one file name too many: d\n" + kUsage},
  };
  for (const Case& c : cases) {
    Folder F;
    write_file(F.Dir + "/-x.FEM", F / "jacket.FEM");
    const LablixRun Run = run_with(F, c.Arguments);
    const std::string What = c.Arguments[0] + " ...";
    EXPECT_EQ(c.iExit, Run.iExit) << What;
    EXPECT_EQ(c.Stdout, Run.Stdout.substr(0, c.Stdout.size())) << What;
    if (c.Stdout.empty()) {
      EXPECT_EQ("", Run.Stdout) << What;
    }
    EXPECT_EQ(c.Stderr, Run.Stderr) << What;
  }
}

TEST(CommandLine, VerboseShowsTheLabelFilesSummary) {
  Folder F;
  const LablixRun Run = run_with(F, {"--verbose", "jacket.FEM", "x.lab"});
  EXPECT_EQ(0, Run.iExit);
  // Records 9 to 15 of the label file, with the system's own line ends:
  // a line feed alone where awk and cut read them, CR LF on Windows.
  const std::string Label = F / "x.lab";
  std::size_t iFrom = 0;
  for (int k = 0; k < 8; ++k)
    iFrom = Label.find('\n', iFrom) + 1;
  std::size_t iTo = iFrom;
  for (int k = 0; k < 7; ++k)
    iTo = Label.find('\n', iTo) + 1;
  std::string Expected = Label.substr(iFrom, iTo - iFrom);
  if (!kOnWindows) std::erase(Expected, '\r');
  EXPECT_EQ(Expected, Run.Stdout);
  EXPECT_EQ(0u, Run.Stdout.rfind(kOnWindows ? "# Number of Names Node  :        4\r\n"
                                            : "# Number of Names Node  :        4\n",
                                 0));
}

TEST(CommandLine, FemAloneWritesItsLabelFileBesideIt) {
  // Expected names worked out by the rule: the last part's extension
  // replaced by .lab, or .lab added.
  struct Case {
    std::string Fem;
    std::string Label;
  };
  const Case cases[] = {
      {"jacket.FEM", "jacket.lab"},
      {"sub/T1.v2.FEM", "sub/T1.v2.lab"},
      {"sub/model", "sub/model.lab"},
      {"\"sub/q.FEM\"", "sub/q.lab"},
  };
  for (const Case& c : cases) {
    Folder F;
    const std::string Model = F / "jacket.FEM";
    for (const char* Name : {"sub/T1.v2.FEM", "sub/model", "sub/q.FEM"})
      write_file(F.Dir + "/" + Name, Model);
    const LablixRun Run = run_with(F, {c.Fem});
    EXPECT_EQ(0, Run.iExit) << c.Fem << ": " << Run.Stderr;
    EXPECT_TRUE(file_exists(F.Dir + "/" + c.Label)) << c.Fem;
    EXPECT_NE(std::string::npos,
              (F / c.Label).find("# SESAM File    : " + c.Label.substr(0, c.Label.size() - 4)))
        << c.Fem;
  }
}

TEST(CommandLine, ListingOptionWritesTheListingBesideTheFem) {
  Folder F;
  ASSERT_EQ(0, run_with(F, {"jacket.FEM", "named.lab", "named.lst"}).iExit);
  struct Case {
    Args Arguments;
    const char* ChListing;  // where the listing is written
  };
  const Case cases[] = {
      {{"-l", "jacket.FEM"}, "jacket.lst"},
      {{"jacket.FEM", "other.lab", "--listing"}, "jacket.lst"},
      {{"-l", "jacket.FEM", "x.lab", "given.lst"}, "given.lst"},  // a name given wins
  };
  for (const Case& c : cases) {
    Folder G;
    const LablixRun Run = run_with(G, c.Arguments);
    EXPECT_EQ(0, Run.iExit) << c.ChListing << ": " << Run.Stderr;
    EXPECT_EQ(mask_executed_date(F / "named.lst"), mask_executed_date(G / c.ChListing))
        << c.ChListing;
  }
  // Refused as a listing is refused: nothing written.
  Folder G;
  std::filesystem::create_directory(G.Dir + "/jacket.lst");
  const LablixRun Run = run_with(G, {"-l", "jacket.FEM"});
  EXPECT_EQ(3, Run.iExit);
  EXPECT_EQ("lablix: cannot open the listing file \"jacket.lst\": it is a folder\n", Run.Stderr);
  EXPECT_FALSE(file_exists(G.Dir + "/jacket.lab"));
}

}  // namespace

namespace {

TEST(FileNames, NameOutsideAsciiTypedAtThePromptIsFound) {
  // Typed as UTF-8 (a script's pipe, a UTF-8 console); the files are made
  // and read by their names in the system's own form.
  namespace fs = std::filesystem;
  Folder F;
  const fs::path Fem = fs::path(F.Dir) / fs::path(u8"\u00C6r\u00F8y_T1.FEM");
  fs::copy_file(fs::path(F.Dir) / "jacket.FEM", Fem);
  const std::string Typed = "\xC3\x86r\xC3\xB8y_T1";
  const LablixRun Run = run_lablix(F.Dir, Typed + ".FEM\n" + Typed + ".lab\nn\n");
  EXPECT_EQ(0, Run.iExit);
  std::ifstream Label(fs::path(F.Dir) / fs::path(u8"\u00C6r\u00F8y_T1.lab"), std::ios::binary);
  const std::string Text{std::istreambuf_iterator<char>(Label), {}};
  EXPECT_NE(std::string::npos, Text.find("# SESAM File    : " + Typed + ".FEM\r\n"));
  EXPECT_FALSE(file_exists(F.Dir + "/jacket.lab"));
}

}  // namespace

namespace {

TEST(FileNames, QuotedAnswersNameTheFileBetweenTheQuotes) {
  Folder F;
  const LablixRun Quoted = run_lablix(F.Dir, "\"jacket.FEM\"\n'q.lab'\ny\n\"q.lst\"  \n");
  const LablixRun Plain = run_lablix(F.Dir, "jacket.FEM\np.lab\ny\np.lst\n");
  EXPECT_EQ(0, Quoted.iExit) << Quoted.Stderr;
  EXPECT_EQ(Plain.Stdout, Quoted.Stdout);
  EXPECT_EQ("", Quoted.Stderr);
  EXPECT_EQ(mask_executed_date(F / "p.lab"), mask_executed_date(F / "q.lab"));
  EXPECT_EQ(mask_executed_date(F / "p.lst"), mask_executed_date(F / "q.lst"));
}

TEST(FatalStop, NamesTheFemFilesLineAndRecord) {
  // The value is read (a real) and then taken as an integer outside the
  // 32-bit range: the place is the line the reader read last. The label
  // file, not finished, is not made.
  const std::string kLeft = "; the output files not finished were left as they were\n";
  struct Case {
    std::string Model, Stderr;
  };
  const Case cases[] = {
      {"GNODE 1 1 6 0\r\nGNODE 2 3.0E+10 6 0\r\n",
       " *** FATAL: m.FEM:2: GNODE: field 3 (value 3e+10) is taken as an integer but lies "
       "outside -2147483648 to 2147483647" +
           kLeft},
      {"GNODE 1 1 6 0\nTDNODE 4 1 104 0\nTOP\nSCONCEPT 8 1 7 0\n0 1 0 1E5E5",
       " *** FATAL: m.FEM:5: SCONCEPT: the field \"1E5E5\" looks like a number but does not "
       "convert" +
           kLeft},
  };
  for (const Case& c : cases) {
    Folder F;
    write_file(F.Dir + "/m.FEM", c.Model);
    const LablixRun Run = run_with(F, {"m.FEM", "m.lab"});
    EXPECT_EQ(2, Run.iExit);
    EXPECT_EQ(c.Stderr, Run.Stderr);
  }
}

}  // namespace
