// The dialogue at a real terminal: typed at a pseudo-terminal as a person
// types, with the keys of line editing, and read back as the person sees it.
#include <gtest/gtest.h>

#include "tests/testlib/lablix_run.h"

#if !defined(_WIN32)
#include "tests/testlib/terminal_run.h"
#endif

namespace {

POSIX_ONLY_TEST(TerminalDialogue, EditedAnswersAndWhatTheRunSays,
                "pseudo-terminals and libedit are POSIX's; the Windows console edits lines itself")
POSIX_ONLY_TEST(TerminalDialogue, EndOfInputAndCtrlC, "pseudo-terminals are POSIX's")

#if !defined(_WIN32)

const char kLeft[] = "\x1b[D";
const char kUp[] = "\x1b[A";

// A folder with the bundled example and two towers that share a beginning.
struct Folder {
  std::string Dir = make_temp_dir();
  Folder() {
    const std::string Model = read_file(source_file("examples/jacket.FEM"));
    for (const char* Name : {"jacket.FEM", "tower_a.FEM", "tower_b.FEM"})
      write_file(Dir + "/" + Name, Model);
  }
  ~Folder() { remove_tree(Dir); }
};

// The banner as a terminal shows it: every line without its trailing blanks.
std::string trimmed_banner() {
  std::string Shown;
  const std::string Banner = banner_text();
  std::size_t iStart = 0;
  for (std::size_t iEnd; (iEnd = Banner.find("\r\n", iStart)) != std::string::npos;
       iStart = iEnd + 2) {
    std::string Line = Banner.substr(iStart, iEnd - iStart);
    Line.erase(Line.find_last_not_of(' ') + 1);
    Shown += Line + "\n";
  }
  return Shown;
}

TEST(TerminalDialogue, EditedAnswersAndWhatTheRunSays) {
#if !defined(LABLIX_EDITS_LINES)
  GTEST_SKIP() << "built without libedit: answers are read as plain lines";
#endif
  Folder F;
  const std::string FemPrompt = "FEM file              :  ";
  const std::string LabelPrompt = "Orvex Labels :  ";
  const TerminalRun Run = run_lablix_at_terminal(
      F.Dir, {
                 {FemPrompt, "nosuch\r"},
                 // One match: Tab completes it.
                 {FemPrompt, "ja\t\r"},
                 // Two matches: a second Tab lists them.
                 {LabelPrompt, "tower_\t\t"},
                 {"tower_b.FEM", std::string("\x15x.la") + kLeft + kLeft + "Y\x01Z\x05" + "b\r"},
                 {"Elements          ?  ", "y\r"},
                 // Up twice: the label file's name again, then mended: Home
                 // and Delete, End and Backspace, Ctrl-W, Ctrl-K.
                 {"Give File Name                    :  ",
                  std::string(kUp) + kUp + "\x1b[H\x1b[3~\x1b[F\x7f\x7f\x7flst junk\x17more" +
                      kLeft + kLeft + kLeft + kLeft + kLeft + "\x0b\r"},
             });
  ASSERT_FALSE(Run.bTimedOut) << Run.Screen;
  EXPECT_EQ(0, Run.iExit) << Run.Screen;
  EXPECT_EQ(0u, Run.Screen.find(trimmed_banner())) << Run.Screen;
  EXPECT_NE(std::string::npos, Run.Screen.find("\n Nonexisting file :nosuch\n")) << Run.Screen;
  EXPECT_NE(std::string::npos,
            Run.Screen.find("lablix: cannot open the FEM file \"nosuch\": No such file or "
                            "directory\n"))
      << Run.Screen;
  const std::string Label = read_file(F.Dir + "/Zx.Ylab");
  EXPECT_NE(std::string::npos, Label.find("# SESAM File    : jacket.FEM\r\n"));
  EXPECT_TRUE(file_exists(F.Dir + "/x.Ylst"));
  auto count = [&Label](const std::string& Kind) {
    std::size_t n = 0;
    for (std::size_t i = Label.find(Kind); i != std::string::npos; i = Label.find(Kind, i + 1))
      ++n;
    return std::to_string(n);
  };
  EXPECT_NE(std::string::npos,
            Run.Screen.find("lablix: wrote Zx.Ylab (" + count("   NodeLabel") + " node labels, " +
                            count("   ElementLabel") + " element labels) and x.Ylst\n"))
      << Run.Screen;
}

TEST(TerminalDialogue, EndOfInputAndCtrlC) {
  Folder F;
  const TerminalRun Ended = run_lablix_at_terminal(F.Dir, {{"FEM file              :  ", "\x04"}});
  ASSERT_FALSE(Ended.bTimedOut) << Ended.Screen;
  EXPECT_EQ(2, Ended.iExit);
  EXPECT_NE(std::string::npos,
            Ended.Screen.find(" *** FATAL: end of console input while an answer was awaited\n"))
      << Ended.Screen;

  const TerminalRun Stopped = run_lablix_at_terminal(
      F.Dir, {{"FEM file              :  ", "jacket.FEM\r"}, {"Orvex Labels :  ", "out\x03"}});
  ASSERT_FALSE(Stopped.bTimedOut) << Stopped.Screen;
  EXPECT_EQ(130, Stopped.iExit);
  EXPECT_NE(std::string::npos, Stopped.Screen.find(" *** FATAL: stopped by Ctrl-C\n"))
      << Stopped.Screen;
  EXPECT_FALSE(file_exists(F.Dir + "/out"));
}

#endif

}  // namespace
