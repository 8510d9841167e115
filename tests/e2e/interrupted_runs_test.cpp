// Runs that do not end as planned: stopped by a signal at a random instant,
// stopped at the listing question, cut off by the file size limit or a full
// disk, two runs writing one label file at once, a FEM file too large for
// the memory. An output file is always the older file whole or this run's
// file whole: never the beginning of one, never two runs' bytes in one
// file, never a file left beside them.
#include <gtest/gtest.h>

#include "tests/testlib/lablix_run.h"

namespace {

// Signals, fork and resource limits are POSIX's; the Windows build lists
// these tests and skips them.
constexpr char kWhy[] = "signals, fork and resource limits are POSIX's";
POSIX_ONLY_TEST(InterruptedRun, OutputsAreOneRunsFileWhateverStopsTheRun, kWhy)
POSIX_ONLY_TEST(InterruptedRun, StopAtTheListingQuestionKeepsTheLabelFileWhole, kWhy)
POSIX_ONLY_TEST(InterruptedRun, FileSizeLimitIsAFatalWriteFailure, kWhy)
POSIX_ONLY_TEST(InterruptedRun, FullDiskLeavesTheOlderFilesWhole, kWhy)
POSIX_ONLY_TEST(InterruptedRun, TwoRunsWritingOneLabelFileLeaveOneRunsFileWhole, kWhy)
POSIX_ONLY_TEST(InterruptedRun, FemFileTooLargeForTheMemoryIsAFatalStopNotAMissingFile, kWhy)

}  // namespace

#if !defined(_WIN32)
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <string>

namespace {

const std::string kAnswers = "in.FEM\nout.lab\ny\nout.lst\n";

// A model of nMembers named nodes and members, each member's mesh holding
// its one element; the names carry Tag, so two models' files differ on
// every label line.
std::string model(int nMembers, const std::string& Tag) {
  std::string Fem;
  for (int i = 1; i <= nMembers; ++i) {
    const std::string I = std::to_string(i);
    Fem += "GNODE " + I + " " + I + "\nTDNODE 0 " + I + "\n" + Tag + "_NODE_" + I + "\nGELMNT1 " +
           I + " " + I + "\nTDSCONC 0 " + I + "\n" + Tag + "_MEMBER_" + I + "\nSCONCEPT 0 " + I +
           " 0 0\n0 0 0 " + I + "\nSCONMESH 0 " + I + " 1 2\n1 " + I + "\n";
  }
  return Fem;
}

// The date line's digits replaced, so that files of runs made at other
// instants compare; Text may be any beginning of a file.
std::string without_date(std::string Text) {
  const std::size_t iAt = Text.find("# Executed");
  if (iAt == std::string::npos) return Text;
  const std::size_t iEnd = std::min(Text.find('\n', iAt), Text.size());
  for (std::size_t k = iAt; k < iEnd; ++k)
    if (Text[k] >= '0' && Text[k] <= '9') Text[k] = 'd';
  return Text;
}

bool is_beginning_of(const std::string& Part, const std::string& Whole) {
  return Part.size() <= Whole.size() &&
         without_date(Part) == without_date(Whole.substr(0, Part.size()));
}

// A folder holding the new model over the older model's outputs, and what
// the outputs of each model are when written whole.
struct Scene {
  std::string Dir;
  std::string OldLabel, OldListing, NewLabel, NewListing;
  long nRunMicros = 0;  // a whole run on the new model

  Scene() : Dir(make_temp_dir()) {
    const std::string Old = model(40000, "OLD"), New = model(30000, "NEW");
    write_file(Dir + "/in.FEM", Old);
    EXPECT_EQ(0, run_lablix(Dir, kAnswers).iExit);
    OldLabel = read_file(Dir + "/out.lab");
    OldListing = read_file(Dir + "/out.lst");
    write_file(Dir + "/in.FEM", New);
    const auto Start = std::chrono::steady_clock::now();
    EXPECT_EQ(0, run_lablix(Dir, kAnswers).iExit);
    nRunMicros = static_cast<long>(std::chrono::duration_cast<std::chrono::microseconds>(
                                       std::chrono::steady_clock::now() - Start)
                                       .count());
    NewLabel = read_file(Dir + "/out.lab");
    NewListing = read_file(Dir + "/out.lst");
    reset();
  }
  ~Scene() { remove_tree(Dir); }
  void reset() const {
    write_file(Dir + "/out.lab", OldLabel);
    write_file(Dir + "/out.lst", OldListing);
  }
};

// What an output may hold after a run: the older file whole or the new one
// whole.
void expect_whole(const std::string& Got, const std::string& Old, const std::string& New,
                  const std::string& What) {
  const bool bOld = Got == Old;
  const bool bNew = Got.size() == New.size() && is_beginning_of(Got, New);
  EXPECT_TRUE(bOld || bNew) << What << ": " << Got.size() << " bytes, neither run's file whole";
}

TEST(InterruptedRun, OutputsAreOneRunsFileWhateverStopsTheRun) {
  Scene S;
  std::mt19937 Random(20261209);
  std::uniform_int_distribution<long> Instant(0, S.nRunMicros + S.nRunMicros / 4);
  for (int iSignal : {SIGINT, SIGTERM, SIGHUP, SIGKILL}) {
    for (int iTrial = 0; iTrial < 20; ++iTrial) {
      S.reset();
      const long nAfter = Instant(Random);
      const std::string What =
          "signal " + std::to_string(iSignal) + " after " + std::to_string(nAfter) + " us";
      RunOptions Options;
      Options.iSignal = iSignal;
      Options.nSignalAfterMicros = nAfter;
      const LablixRun Run = run_lablix(S.Dir, kAnswers, Options);
      const bool bSeen = iSignal != SIGKILL;
      const std::string Label = read_file(S.Dir + "/out.lab");
      expect_whole(Label, S.OldLabel, S.NewLabel, What + ", label");
      expect_whole(read_file(S.Dir + "/out.lst"), S.OldListing, S.NewListing, What + ", listing");
      if (Run.iExit == 0) continue;  // the signal came after the end
      EXPECT_EQ(128 + iSignal, Run.iExit) << What;
      if (bSeen && Run.Stderr.empty()) {
        // Stopped before the run could catch the signal: nothing was written.
        EXPECT_TRUE(S.OldLabel == Label) << What;
      } else if (bSeen) {
        const std::string Words = iSignal == SIGINT    ? "Ctrl-C"
                                  : iSignal == SIGTERM ? "SIGTERM"
                                                       : "SIGHUP";
        EXPECT_EQ(0u, Run.Stderr.rfind(" *** FATAL: stopped by " + Words, 0)) << What;
      }
      const std::vector<std::string> Names = folder_names(S.Dir);
      if (Names.size() == 4 && Names[0].rfind(".lablix-", 0) == 0 && !bSeen) {
        // Killed within a window of two system calls as the new file takes
        // its name: between naming it and renaming it over the older one
        // (the name left holds the new file whole), or between exchanging
        // the two names and removing the older file (it holds that whole).
        const std::string Left = read_file(S.Dir + "/" + Names[0]);
        auto is_whole = [&Left](const std::string& Whole) {
          return Left.size() == Whole.size() && is_beginning_of(Left, Whole);
        };
        EXPECT_TRUE(is_whole(S.NewLabel) || is_whole(S.NewListing) || is_whole(S.OldLabel) ||
                    is_whole(S.OldListing))
            << What << ": " << Left.size() << " bytes left beside";
        remove_tree(S.Dir + "/" + Names[0]);
        continue;
      }
      EXPECT_EQ((std::vector<std::string>{"in.FEM", "out.lab", "out.lst"}), Names) << What;
    }
  }
}

TEST(InterruptedRun, StopAtTheListingQuestionKeepsTheLabelFileWhole) {
  Scene S;
  RunOptions Stop;
  Stop.iSignal = SIGINT;
  Stop.SignalAfterOutput = "Print Member vs Elements";
  const LablixRun Run = run_lablix(S.Dir, "in.FEM\nout.lab\n", Stop);
  EXPECT_EQ(128 + SIGINT, Run.iExit);
  EXPECT_EQ(" *** FATAL: stopped by Ctrl-C\n", Run.Stderr);
  // Compared as truths: a printed difference of files this large would take
  // the test's memory.
  EXPECT_TRUE(without_date(S.NewLabel) == without_date(read_file(S.Dir + "/out.lab")));
  EXPECT_TRUE(S.OldListing == read_file(S.Dir + "/out.lst"));
  EXPECT_EQ((std::vector<std::string>{"in.FEM", "out.lab", "out.lst"}), folder_names(S.Dir));
}

TEST(InterruptedRun, FileSizeLimitIsAFatalWriteFailure) {
  Scene S;
  RunOptions Limit;
  Limit.nFileSizeLimit = 100000;
  const LablixRun Run = run_lablix(S.Dir, kAnswers, Limit);
  EXPECT_EQ(2, Run.iExit);
  EXPECT_EQ(
      " *** FATAL: writing the label file \"out.lab\" failed: the file size limit was reached; "
      "the output "
      "files not finished were left as they were\n",
      Run.Stderr);
  EXPECT_TRUE(S.OldLabel == read_file(S.Dir + "/out.lab"));
  EXPECT_TRUE(S.OldListing == read_file(S.Dir + "/out.lst"));
  EXPECT_EQ((std::vector<std::string>{"in.FEM", "out.lab", "out.lst"}), folder_names(S.Dir));
}

TEST(InterruptedRun, FullDiskLeavesTheOlderFilesWhole) {
  // A disk of 1 MB holding the older outputs of a small model, too small for
  // the new label file of a larger one.
  const std::string Dir = make_temp_dir();
  if (::mount("lablix-test", Dir.c_str(), "tmpfs", 0, "size=1m") != 0) {
    remove_tree(Dir);
    GTEST_SKIP() << "no small disk to fill: mounting a tmpfs needs the superuser";
  }
  write_file(Dir + "/in.FEM", model(100, "OLD"));
  ASSERT_EQ(0, run_lablix(Dir, kAnswers).iExit);
  const std::string OldLabel = read_file(Dir + "/out.lab"),
                    OldListing = read_file(Dir + "/out.lst");
  write_file(Dir + "/in.FEM", model(4000, "NEW"));
  const LablixRun Run = run_lablix(Dir, kAnswers);
  EXPECT_EQ(2, Run.iExit);
  EXPECT_EQ(0u, Run.Stderr.find(" *** FATAL: writing the label file \"out.lab\" failed: no space "
                                "left on device; the output files not finished were left as they "
                                "were"))
      << Run.Stderr;
  EXPECT_TRUE(OldLabel == read_file(Dir + "/out.lab"));
  EXPECT_TRUE(OldListing == read_file(Dir + "/out.lst"));
  EXPECT_EQ((std::vector<std::string>{"in.FEM", "out.lab", "out.lst"}), folder_names(Dir));
  ::umount(Dir.c_str());
  remove_tree(Dir);
}

// Two runs replacing one file at once: the one that finishes second finds
// the name leading to another file than it opened and replaces nothing,
// with a fatal stop that says so, or both succeed one after the other.
TEST(InterruptedRun, TwoRunsWritingOneLabelFileLeaveOneRunsFileWhole) {
  Scene S;
  // A second model as large as the new one, in a folder of its own.
  const std::string Other = S.Dir + "/other";
  ASSERT_EQ(0, ::mkdir(Other.c_str(), 0700));
  write_file(Other + "/in.FEM", model(30000, "TWO"));
  ASSERT_EQ(0, run_lablix(Other, "in.FEM\ntwo.lab\nn\n").iExit);
  const std::string TwoLabel = without_date(read_file(Other + "/two.lab"));
  for (int iTrial = 0; iTrial < 10; ++iTrial) {
    const pid_t iPid = ::fork();
    if (iPid == 0) ::_exit(run_lablix(Other, "in.FEM\n../out.lab\nn\n").iExit);
    const LablixRun Run = run_lablix(S.Dir, "in.FEM\nout.lab\nn\n");
    int iWait = 0;
    ::waitpid(iPid, &iWait, 0);
    ASSERT_TRUE(WIFEXITED(iWait));
    EXPECT_TRUE(Run.iExit == 0 || WEXITSTATUS(iWait) == 0) << "trial " << iTrial;
    for (const int iExit : {Run.iExit, WEXITSTATUS(iWait)}) {
      EXPECT_TRUE(iExit == 0 || iExit == 2) << "trial " << iTrial;
    }
    if (Run.iExit == 2) {
      EXPECT_EQ(
          " *** FATAL: writing the label file \"out.lab\" failed: its name led to another file "
          "by the end of the run; the output files not finished were left as they were\n",
          Run.Stderr);
    }
    const std::string Label = without_date(read_file(S.Dir + "/out.lab"));
    EXPECT_TRUE(Label == without_date(S.NewLabel) || Label == TwoLabel) << "trial " << iTrial;
  }
}

#if !defined(__SANITIZE_ADDRESS__)
TEST(InterruptedRun, FemFileTooLargeForTheMemoryIsAFatalStopNotAMissingFile) {
  // The sanitizers reserve far more address space than any limit here.
  const std::string Dir = make_temp_dir();
  write_file(Dir + "/in.FEM", "");
  ASSERT_EQ(0, ::truncate((Dir + "/in.FEM").c_str(), 4L << 30));  // 4 GB, holding nothing
  RunOptions Limit;
  Limit.nAddressSpaceLimit = 1L << 30;  // the tables fit, the mapping does not
  const LablixRun Run = run_lablix(Dir, kAnswers, Limit);
  EXPECT_EQ(2, Run.iExit);
  EXPECT_EQ(" *** FATAL: reading the FEM file \"in.FEM\" failed: not enough memory\n", Run.Stderr);
  EXPECT_EQ(std::string::npos, Run.Stdout.find("Nonexisting"));
  EXPECT_FALSE(file_exists(Dir + "/out.lab"));
  remove_tree(Dir);
}
#endif

}  // namespace
#endif
