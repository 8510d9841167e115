// A run at the edges of what it is given: a FEM file that another program
// changes while it is read, a /tmp too small or read-only for the scratch
// copy, standard streams closed at the start, an answer longer than its
// field, and a build that other users cannot reach.
#include <gtest/gtest.h>

#include "tests/testlib/lablix_run.h"

namespace {

constexpr char kWhy[] = "closed descriptors, mounts, users and mapped files are POSIX's";
POSIX_ONLY_TEST(RunEdges, FemFileChangedWhileReadStopsWithTheOlderOutputs, kWhy)
POSIX_ONLY_TEST(RunEdges, ScratchCopyNeedsNoRoomInTmp, kWhy)
POSIX_ONLY_TEST(RunEdges, ClosedStandardStreamsAreNeverTakenForFiles, kWhy)
POSIX_ONLY_TEST(RunEdges, AnswerLongerThanItsFieldIsRefusedNeverCut, kWhy)
POSIX_ONLY_TEST(RunEdges, OtherUsersRunLablixFromABuildTheyCannotEnter, kWhy)

}  // namespace

#if !defined(_WIN32)
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using Names = std::vector<std::string>;
const std::string kLabelPrompt = "Give output file for Orvex Labels :";
const std::string kListingPrompt = "Give File Name                    :";

// A model of nMembers named nodes and members, each with one element.
std::string model(int nMembers) {
  std::string Fem;
  for (int i = 1; i <= nMembers; ++i) {
    const std::string I = std::to_string(i);
    Fem += "GNODE " + I + " " + I + "\nTDNODE 0 " + I + "\nNODE_" + I + "\nGELMNT1 " + I + " " + I +
           "\nTDSCONC 0 " + I + "\nMEMBER_" + I + "\nSCONCEPT 0 " + I + " 0 0\n0 0 0 " + I +
           "\nSCONMESH 0 " + I + " 1 2\n1 " + I + "\n";
  }
  return Fem;
}

bool is_superuser() {
  return ::geteuid() == 0;
}

struct Folder {
  std::string Dir = make_temp_dir();
  ~Folder() { remove_tree(Dir); }
  std::string at(const std::string& Name) const { return Dir + "/" + Name; }
};

// The build's folder, outside /tmp: a run's own /tmp hides what lies there.
std::string build_folder() {
  const std::string Binary = LABLIX_BINARY;
  return Binary.substr(0, Binary.rfind('/'));
}

TEST(RunEdges, FemFileChangedWhileReadStopsWithTheOlderOutputs) {
  // The dialogue opens the FEM file at its answer and reads it once the
  // label file is named: another program changes it in between.
  const std::string kChanged =
      " *** FATAL: the FEM file \"in.FEM\" changed while it was read; the output files not "
      "finished were left as they were\n";
  const std::string kCut =
      " *** FATAL: the FEM file \"in.FEM\" was cut short while it was read; the output files "
      "not finished were left as they were\n";
  const std::string Fem = model(3000);  // about 400 KB: pages past a cut fault
  struct Case {
    const char* What;
    std::function<void(const Folder&)> Change;
    std::string Stderr;
    Names After;
  };
  const Names kBoth{"in.FEM", "out.lab"};
  const Case cases[] = {
      {"written over, same size",
       [&](const Folder& F) {
         // A clock that ticks coarsely must see the write as later.
         std::this_thread::sleep_for(std::chrono::milliseconds(30));
         std::string Other = Fem;
         Other.replace(Other.find("NODE_1\n"), 7, "NODE_X\n");
         FILE* p = std::fopen(F.at("in.FEM").c_str(), "r+");
         std::fwrite(Other.data(), 1, Other.size(), p);
         std::fclose(p);
       },
       kChanged, kBoth},
      {"grown", [&](const Folder& F) { write_file(F.at("in.FEM"), Fem + model(10)); }, kChanged,
       kBoth},
      {"replaced by a new file under its name",
       [&](const Folder& F) {
         write_file(F.at("new.FEM"), Fem);
         ::rename(F.at("new.FEM").c_str(), F.at("in.FEM").c_str());
       },
       kChanged, kBoth},
      {"removed", [&](const Folder& F) { ::unlink(F.at("in.FEM").c_str()); }, kChanged,
       Names{"out.lab"}},
      {"cut short inside its first page",
       [&](const Folder& F) { EXPECT_EQ(0, ::truncate(F.at("in.FEM").c_str(), 100)); }, kCut,
       kBoth},
      {"cut short by many pages",
       [&](const Folder& F) { EXPECT_EQ(0, ::truncate(F.at("in.FEM").c_str(), 4096)); }, kCut,
       kBoth},
      {"left alone", [](const Folder&) {}, "", kBoth},
  };
  for (const Case& c : cases) {
    Folder F;
    write_file(F.at("in.FEM"), Fem);
    write_file(F.at("out.lab"), "OLDER\r\n");
    RunOptions Options;
    Options.AnswersAfterOutput = kLabelPrompt;
    Options.Between = [&] { c.Change(F); };
    Options.LaterAnswers = "out.lab\nn\n";
    const LablixRun Run = run_lablix(F.Dir, "in.FEM\n", Options);
    EXPECT_EQ(c.Stderr, Run.Stderr) << c.What;
    EXPECT_EQ(c.Stderr.empty() ? 0 : 2, Run.iExit) << c.What;
    EXPECT_EQ(c.After, folder_names(F.Dir)) << c.What;
    if (!c.Stderr.empty()) {
      EXPECT_EQ("OLDER\r\n", read_file(F.at("out.lab"))) << c.What;
    }
  }
}

TEST(RunEdges, ScratchCopyNeedsNoRoomInTmp) {
  if (!is_superuser()) GTEST_SKIP() << "a /tmp of a run's own and a bind mount need the superuser";
  // A label file mounted over its name may be written, not replaced: its
  // new content waits in a scratch copy, as --check's readers' reports do.
  Folder F;
  remove_tree(F.Dir);
  F.Dir = build_folder() + "/run-edges-scratch";
  remove_tree(F.Dir);
  ASSERT_EQ(0, ::mkdir(F.Dir.c_str(), 0755));
  write_file(F.at("in.FEM"), model(300));  // a label file of about 20 KB
  write_file(F.at("src.lab"), "OLDER\r\n");
  write_file(F.at("out.lab"), "");
  ASSERT_EQ(0,
            ::mount(F.at("src.lab").c_str(), F.at("out.lab").c_str(), nullptr, MS_BIND, nullptr));
  struct Case {
    const char* What;
    std::string TmpMount, TmpDir;
    int iExit;
    std::string StderrHolds;
  };
  // A folder on a disk of 8 KB, named by TMPDIR: the scratch copy goes
  // there, and so does not fit.
  Folder Small;
  ASSERT_EQ(0, ::mount("lablix-test", Small.Dir.c_str(), "tmpfs", 0, "size=8k"));
  const Case cases[] = {
      {"/tmp of 8 KB", "size=8k", "", 0, ""},
      {"/tmp read-only", "ro", "", 0, ""},
      {"TMPDIR on a disk of 8 KB", "", Small.Dir, 2, "no space left on device"},
  };
  for (const Case& c : cases) {
    write_file(F.at("src.lab"), "OLDER\r\n");
    RunOptions Options;
    Options.TmpMount = c.TmpMount;
    Options.TmpDir = c.TmpDir;
    Options.Arguments = {"in.FEM", "out.lab"};
    const LablixRun Run = run_lablix(F.Dir, "", Options);
    EXPECT_EQ(c.iExit, Run.iExit) << c.What << ": " << Run.Stderr;
    EXPECT_NE(std::string::npos, Run.Stderr.find(c.StderrHolds)) << c.What << ": " << Run.Stderr;
    const bool bWritten = read_file(F.at("src.lab")).find("NODE_300") != std::string::npos;
    EXPECT_EQ(c.iExit == 0, bWritten) << c.What;
    if (c.TmpMount.empty()) continue;
    Options.Arguments = {"--check", "in.FEM"};
    const LablixRun Check = run_lablix(F.Dir, "", Options);
    EXPECT_NE(2, Check.iExit) << c.What << ": " << Check.Stderr;
    EXPECT_EQ(std::string::npos, Check.Stderr.find("FATAL")) << c.What << ": " << Check.Stderr;
  }
  ::umount(Small.Dir.c_str());
  ::umount(F.at("out.lab").c_str());
}

TEST(RunEdges, ClosedStandardStreamsAreNeverTakenForFiles) {
  const std::vector<std::vector<int>> cases = {{0}, {1}, {2}, {0, 1, 2}};
  for (const std::vector<int>& Closed : cases) {
    Folder F;
    write_file(F.at("in.FEM"), model(5));
    RunOptions Options;
    Options.ClosedStreams = Closed;
    Options.Arguments = {"-v", "in.FEM", "out.lab", "out.lst"};
    std::string What = "closed:";
    for (int iFd : Closed) {
      What += ' ';
      What += static_cast<char>('0' + iFd);
    }
    const LablixRun Run = run_lablix(F.Dir, "", Options);
    EXPECT_EQ(0, Run.iExit) << What << ": " << Run.Stderr;
    EXPECT_NE(std::string::npos, read_file(F.at("out.lab")).find("MEMBER_5")) << What;
    EXPECT_NE(std::string::npos, read_file(F.at("out.lst")).find("MEMBER_5")) << What;
    EXPECT_EQ(model(5), read_file(F.at("in.FEM"))) << What;
  }
}

TEST(RunEdges, AnswerLongerThanItsFieldIsRefusedNeverCut) {
  // Names whose first 256 characters name a file in folder d: cut to the
  // field, each would be written there.
  const std::string Name256 = "d/" + std::string(250, 'x') + ".lab";
  ASSERT_EQ(256u, Name256.size());
  const std::string Field = Name256;  // the whole field shown on refusal
  struct Case {
    const char* What;
    std::string LabelAnswer;
    bool bOpened;  // the label file is d/xxx.lab
  };
  const Case cases[] = {
      {"five characters past the field", Name256 + ".lst\n", false},
      {"one character past the field", Name256 + "x\n", false},
      {"past the field after blanks", Name256 + "   y\n", false},
      {"exactly the field", Name256 + "\n", true},
      {"the field and CR LF", Name256 + "\r\n", true},
      {"the field and trailing blanks", Name256 + "     \n", true},
  };
  for (const Case& c : cases) {
    Folder F;
    ASSERT_EQ(0, ::mkdir(F.at("d").c_str(), 0755));
    write_file(F.at("in.FEM"), model(5));
    const std::string Answers = "in.FEM\n" + c.LabelAnswer + (c.bOpened ? "" : "out.lab\n") + "n\n";
    const LablixRun Run = run_lablix(F.Dir, Answers);
    EXPECT_EQ(0, Run.iExit) << c.What << ": " << Run.Stderr;
    const std::string Refusal = " " + kLabelPrompt + "   Cannot Open file :" + Field + "\r\n";
    EXPECT_EQ(!c.bOpened, Run.Stdout.find(Refusal) != std::string::npos) << c.What;
    if (!c.bOpened) {
      EXPECT_EQ("lablix: cannot open the label file \"" + Name256 + "\": the name is too long\n",
                Run.Stderr)
          << c.What;
      EXPECT_TRUE(folder_names(F.at("d")).empty()) << c.What;
      EXPECT_TRUE(file_exists(F.at("out.lab"))) << c.What;
    } else {
      EXPECT_EQ(Names{Name256.substr(2)}, folder_names(F.at("d"))) << c.What;
    }
  }
  // The listing's name, asked once: refused, said, and the run ends with 1.
  Folder F;
  ASSERT_EQ(0, ::mkdir(F.at("d").c_str(), 0755));
  write_file(F.at("in.FEM"), model(5));
  const LablixRun Run = run_lablix(F.Dir, "in.FEM\nout.lab\ny\n" + Name256 + "x\n");
  EXPECT_EQ(1, Run.iExit);
  EXPECT_NE(std::string::npos,
            Run.Stdout.find(kListingPrompt + "   Cannot Open file :" + Field + "\r\n"));
  EXPECT_EQ("lablix: cannot open the listing file \"" + Name256 + "\": the name is too long\n",
            Run.Stderr);
  EXPECT_TRUE(folder_names(F.at("d")).empty());
}

TEST(RunEdges, OtherUsersRunLablixFromABuildTheyCannotEnter) {
  constexpr int kUser = 4245;
  const std::string Why = why_user_cannot_run(kUser, kUser);
  if (!Why.empty()) GTEST_SKIP() << Why;
  // The build's folder closed to others, as a tree cloned into root's home.
  const std::string Build = build_folder();
  struct stat Info {};
  ASSERT_EQ(0, ::stat(Build.c_str(), &Info));
  ASSERT_EQ(0, ::chmod(Build.c_str(), 0700));
  Folder F;
  write_file(F.at("in.FEM"), model(5));
  ASSERT_EQ(0, ::chmod(F.Dir.c_str(), 0777));
  RunOptions Options;
  Options.iUser = Options.iGroup = kUser;
  Options.Arguments = {"in.FEM", "out.lab"};
  const LablixRun Run = run_lablix(F.Dir, "", Options);
  ::chmod(Build.c_str(), Info.st_mode & 07777);
  EXPECT_EQ(0, Run.iExit) << Run.Stderr;
  EXPECT_NE(std::string::npos, read_file(F.at("out.lab")).find("MEMBER_5"));
}

}  // namespace
#endif
