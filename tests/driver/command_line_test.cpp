// The command line as parsed: which argument is which file, what the
// options do wherever they stand, and the first wrong argument named.
#include "driver/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The parse of Words (argv[1] onwards), settled with the second name no
// model, in one line: the action, -v, and the files or the problem with
// its word.
std::string parsed(const std::vector<const char*>& Words, bool bSecondIsModel = false) {
  std::vector<const char*> Args{"lablix"};
  Args.insert(Args.end(), Words.begin(), Words.end());
  const CommandLine Cmd =
      settle_batch(parse_command_line(static_cast<int>(Args.size()), Args.data()), bSecondIsModel);
  auto text = [](const char* Ch) { return std::string(Ch != nullptr ? Ch : "-"); };
  const char* ChAction[] = {"dialogue", "files", "check", "view", "help", "version", "usage"};
  std::string Out = ChAction[Cmd.iAction];
  if (Cmd.bVerbose) Out.append(" verbose");
  if (Cmd.bListing) Out.append(" listing");
  if (Cmd.nJobs != 1) Out.append(" jobs ").append(std::to_string(Cmd.nJobs));
  if (Cmd.iAction == kActionUsageError) {
    return Out.append(": ").append(Cmd.ChProblem).append(" ").append(text(Cmd.ChWord));
  }
  if (Cmd.bBatch) {
    Out.append(" batch");
    FileCursor Cursor;
    while (const char* ChFile = next_file_name(Cmd, Cursor))
      Out.append(" ").append(ChFile);
    return Out;
  }
  if (Cmd.iAction == kActionFiles || Cmd.iAction == kActionCheck) {
    Out.append(" ").append(text(Cmd.ChFem)).append(" ").append(text(Cmd.ChLabel));
    Out.append(" ").append(text(Cmd.ChListing));
  }
  if (Cmd.iAction == kActionView) {
    Out.append(" ").append(text(Cmd.ChFem)).append(" ").append(text(Cmd.ChPage));
  }
  return Out;
}

TEST(ParseCommandLine, TellsTheFilesOptionsAndProblemsApart) {
  struct Case {
    std::vector<const char*> Words;
    const char* ChParsed;
  };
  const Case cases[] = {
      {{}, "dialogue"},
      {{"a.FEM"}, "files a.FEM - -"},
      {{"a.FEM", "b.lab", "c.lst"}, "files a.FEM b.lab c.lst"},
      // Options before, between and after the files.
      {{"a.FEM", "-v", "b.lab"}, "files verbose a.FEM b.lab -"},
      {{"a.FEM", "b.lab", "--verbose"}, "files verbose a.FEM b.lab -"},
      // "-" alone is a name; after "--" everything is.
      {{"-", "b.lab"}, "files - b.lab -"},
      {{"--", "-v", "--help"}, "files -v --help -"},
      {{"-v", "--", "-x.FEM"}, "files verbose -x.FEM - -"},
      {{"--check", "a.FEM"}, "check a.FEM - -"},
      {{"a.FEM", "-c"}, "check a.FEM - -"},
      // --help and --version win over anything, --help over --version.
      {{"--version", "-x", "a", "b", "c", "d"}, "version"},
      {{"--version", "-h"}, "help"},
      {{"a.FEM", "--help", "--check"}, "help"},
      {{"-v"}, "usage verbose: the FEM file is missing -"},
      {{"-x", "a.FEM", "-y"}, "usage: unknown option -x"},
      {{"a", "b", "c", "d", "e"}, "usage: one file name too many d"},
      // The unknown option is said before the file too many.
      {{"a", "b", "c", "d", "-q"}, "usage: unknown option -q"},
      {{"--check"}, "usage: the FEM file to check is missing -"},
      {{"--check", "a.FEM", "b.lab"}, "usage: one file name too many b.lab"},
      {{"--checks", "a.FEM"}, "usage: unknown option --checks"},
      {{"--view", "a.FEM"}, "view a.FEM -"},
      {{"a.FEM", "p.html", "--view"}, "view a.FEM p.html"},
      {{"--view"}, "usage: the FEM file to view is missing -"},
      {{"--view", "a.FEM", "p.html", "x"}, "usage: one file name too many x"},
      {{"--view", "--check", "a.FEM"}, "usage: --check and --view do not go together -"},
  };
  for (const Case& c : cases) {
    std::string Words;
    for (const char* ChWord : c.Words)
      Words += std::string(" ") + ChWord;
    EXPECT_EQ(c.ChParsed, parsed(c.Words)) << "lablix" << Words;
  }
}

TEST(ParseCommandLine, SecondNameThatIsAModelMakesEveryNameAModel) {
  struct Case {
    std::vector<const char*> Words;
    const char* ChParsed;
  };
  const Case cases[] = {
      {{"a.FEM", "b.FEM"}, "files batch a.FEM b.FEM"},
      {{"a", "b", "c", "d", "e"}, "files batch a b c d e"},
      // Options anywhere; -j's number is no file; "--" still ends options.
      {{"-v", "a", "-j", "3", "b", "-l", "c"}, "files verbose listing jobs 3 batch a b c"},
      {{"-j", "a", "b"}, "files jobs 0 batch a b"},
      {{"-j4", "a", "b", "--", "-j", "5"}, "files jobs 4 batch a b -j 5"},
      {{"-j", "999", "a", "b"}, "files jobs 64 batch a b"},
      {{"--check", "a", "b", "c"}, "check batch a b c"},
      {{"--view", "a", "b", "c"}, "view batch a b c"},
      // Usage errors stay usage errors.
      {{"-j", "0", "a", "b"}, "usage jobs 0: -j takes a number of models from 1 0"},
      {{"-jx", "a", "b"}, "usage jobs -1: -j takes a number of models from 1 -jx"},
      {{"a", "b", "-q"}, "usage: unknown option -q"},
      // One model of a batch is one name.
      {{"--batch-model", "--", "a"}, "files a - -"},
      {{"--batch-model", "a", "b"}, "usage: one file name too many b"},
  };
  for (const Case& c : cases) {
    std::string Words;
    for (const char* ChWord : c.Words)
      Words.append(" ").append(ChWord);
    EXPECT_EQ(c.ChParsed, parsed(c.Words, true)) << "lablix" << Words;
  }
  // Not a model: the single run's meaning, with -l and -j kept.
  EXPECT_EQ("files listing a b -", parsed({"-l", "a", "b"}));
  EXPECT_EQ("files jobs 2 a b -", parsed({"-j", "2", "a", "b"}));
}

}  // namespace
