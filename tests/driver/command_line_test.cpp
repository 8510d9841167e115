// The command line as parsed: which argument is which file, what the
// options do wherever they stand, and the first wrong argument named.
#include "driver/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The parse of Words (argv[1] onwards) in one line: the action, -v, and
// the files or the problem with its word.
std::string parsed(const std::vector<const char*>& Words) {
  std::vector<const char*> Args{"lablix"};
  Args.insert(Args.end(), Words.begin(), Words.end());
  const CommandLine Cmd = parse_command_line(static_cast<int>(Args.size()), Args.data());
  auto text = [](const char* Ch) { return std::string(Ch != nullptr ? Ch : "-"); };
  const char* ChAction[] = {"dialogue", "files", "check", "view", "help", "version", "usage"};
  std::string Out = ChAction[Cmd.iAction];
  if (Cmd.bVerbose) Out += " verbose";
  if (Cmd.iAction == kActionUsageError) return Out + ": " + Cmd.ChProblem + " " + text(Cmd.ChWord);
  if (Cmd.iAction == kActionFiles || Cmd.iAction == kActionCheck) {
    Out += " " + text(Cmd.ChFem) + " " + text(Cmd.ChLabel) + " " + text(Cmd.ChListing);
  }
  if (Cmd.iAction == kActionView) Out += " " + text(Cmd.ChFem) + " " + text(Cmd.ChPage);
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

}  // namespace
