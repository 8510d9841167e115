// Outputs at the edges of their promises, as a hostile local user and an
// unlucky one meet them: another user's link anywhere on the path, a model
// that hides (indented, behind comment lines, unreadable), a refusal that
// must change nothing, two runs writing one file in place, the debris of a
// killed run beside names that only look like it, a close that reports an
// error late, a trailing blank in a name, a folder deeper than the system's
// path limit and file flags set with chattr.
#include <gtest/gtest.h>

#include "tests/testlib/lablix_run.h"

namespace {

constexpr char kWhy[] = "links, owners, modes, locks, flags and preloading are POSIX's";
POSIX_ONLY_TEST(OutputEdges, OtherUsersLinksAnywhereOnThePathAreNotFollowed, kWhy)
POSIX_ONLY_TEST(OutputEdges, HiddenModelsAreRefused, kWhy)
POSIX_ONLY_TEST(OutputEdges, RefusalKeepsSizeBytesAndTimes, kWhy)
POSIX_ONLY_TEST(OutputEdges, RefusalAtTheFinishKeepsWhatWasWrittenMeanwhile, kWhy)
POSIX_ONLY_TEST(OutputEdges, TwoRunsWritingOneFileInPlaceLeaveOneRunsFile, kWhy)
POSIX_ONLY_TEST(OutputEdges, OnlyDebrisOfDeadRunsIsRemoved, kWhy)
POSIX_ONLY_TEST(OutputEdges, CloseThatFailsLateKeepsTheOlderFile, kWhy)
POSIX_ONLY_TEST(OutputEdges, NameEndingInABlankIsRefused, kWhy)
POSIX_ONLY_TEST(OutputEdges, FolderDeeperThanThePathLimitIsWritten, kWhy)
POSIX_ONLY_TEST(OutputEdges, FileFlagsAreCarriedOver, kWhy)

}  // namespace

#if !defined(_WIN32)
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using Args = std::vector<std::string>;
constexpr int kAttacker = 4242, kVictim = 4243;

const std::string kJacket = read_file(source_file("examples/jacket.FEM"));

LablixRun run_args(const std::string& Dir, const Args& Arguments, RunOptions Options = {}) {
  Options.Arguments = Arguments;
  return run_lablix(Dir, "", Options);
}

bool is_superuser() {
  return ::geteuid() == 0;
}

// What a refusal must keep of a file: its inode, size, bytes and times.
struct Kept {
  struct stat Info {};
  std::string Bytes;
  explicit Kept(const std::string& Path) : Bytes(read_file(Path)) {
    EXPECT_EQ(0, ::lstat(Path.c_str(), &Info)) << Path;
  }
};

void expect_kept(const Kept& Before, const std::string& Path, const std::string& What) {
  struct stat Now {};
  ASSERT_EQ(0, ::lstat(Path.c_str(), &Now)) << What;
  EXPECT_EQ(Before.Info.st_ino, Now.st_ino) << What;
  EXPECT_EQ(Before.Info.st_size, Now.st_size) << What;
  EXPECT_EQ(Before.Info.st_mtim.tv_sec, Now.st_mtim.tv_sec) << What;
  EXPECT_EQ(Before.Info.st_mtim.tv_nsec, Now.st_mtim.tv_nsec) << What;
  EXPECT_EQ(Before.Info.st_ctim.tv_sec, Now.st_ctim.tv_sec) << What;
  EXPECT_EQ(Before.Info.st_ctim.tv_nsec, Now.st_ctim.tv_nsec) << What;
  EXPECT_TRUE(Before.Bytes == read_file(Path)) << What << ": the bytes changed";
}

void own(const std::string& Path, int iUser) {
  ASSERT_EQ(0, ::lchown(Path.c_str(), iUser, iUser)) << Path;
}

// A shared sticky folder (tmp, as /tmp) beside the victim's private one
// (home, 0700, holding the model and a private file), in a folder of the
// test's own.
struct Shared {
  std::string Dir = make_temp_dir();
  std::string Tmp = Dir + "/tmp", Home = Dir + "/home";
  explicit Shared(int iVictim) {
    EXPECT_EQ(0, ::mkdir(Tmp.c_str(), 01777));
    EXPECT_EQ(0, ::chmod(Tmp.c_str(), 01777));
    EXPECT_EQ(0, ::mkdir(Home.c_str(), 0700));
    write_file(Home + "/model.FEM", kJacket);
    write_file(Home + "/secret", "SECRET\n");
    EXPECT_EQ(0, ::chmod((Home + "/secret").c_str(), 0600));
    for (const char* Name : {"/home", "/home/model.FEM", "/home/secret"})
      own(Dir + Name, iVictim);
    EXPECT_EQ(0, ::chmod(Dir.c_str(), 0755));
  }
  ~Shared() { remove_tree(Dir); }
  // A link at Tmp/Name to Target, owned by iUser.
  void link(const std::string& Name, const std::string& Target, int iUser) const {
    ASSERT_EQ(0, ::symlink(Target.c_str(), (Tmp + "/" + Name).c_str()));
    own(Tmp + "/" + Name, iUser);
  }
};

TEST(OutputEdges, OtherUsersLinksAnywhereOnThePathAreNotFollowed) {
  if (!is_superuser()) GTEST_SKIP() << "links of other users need the superuser";
  for (const int iVictim : {0, kVictim}) {
    Shared S(iVictim);
    S.link("work", S.Home, kAttacker);   // another user's link to the victim's folder
    S.link("b", S.Home, kAttacker);      // the end of a chain
    S.link("a", S.Tmp + "/b", iVictim);  // the victim's own link into it
    S.link("mine", S.Home, iVictim);     // the victim's own link
    S.link("roots", S.Home, 0);          // the folder owner's (root's) link
    S.link("x.lab", S.Home + "/secret", kAttacker);
    RunOptions Victim;
    Victim.iUser = Victim.iGroup = iVictim;
    const Kept Secret(S.Home + "/secret");
    const std::string What = "victim " + std::to_string(iVictim) + ", ";
    for (const char* Name : {"work/x.lab", "work/secret", "a/x.lab", "a/secret", "x.lab",
                             "work/../home/x.lab", "a//x.lab"}) {
      const LablixRun Run = run_args(S.Home, {"model.FEM", S.Tmp + "/" + Name}, Victim);
      EXPECT_EQ(3, Run.iExit) << What << Name << ": " << Run.Stderr;
      EXPECT_NE(std::string::npos, Run.Stderr.find("Permission denied")) << What << Name;
      expect_kept(Secret, S.Home + "/secret", What + Name);
      EXPECT_EQ((std::vector<std::string>{"model.FEM", "secret"}), folder_names(S.Home))
          << What << Name;
    }
    // Links the victim owns, or the folder's owner does, are followed.
    for (const char* Name : {"mine/own.lab", "roots/root.lab"}) {
      const LablixRun Run = run_args(S.Home, {"model.FEM", S.Tmp + "/" + Name}, Victim);
      EXPECT_EQ(0, Run.iExit) << What << Name << ": " << Run.Stderr;
    }
    EXPECT_EQ((std::vector<std::string>{"model.FEM", "own.lab", "root.lab", "secret"}),
              folder_names(S.Home))
        << What;
  }
}

TEST(OutputEdges, HiddenModelsAreRefused) {
  const std::string Dir = make_temp_dir();
  write_file(Dir + "/in.FEM", kJacket);
  std::string Comments;
  while (Comments.size() < 70000)
    Comments += "$ exported by a modelling tool, line " + std::to_string(Comments.size()) + "\n";
  std::string Notes;
  while (Notes.size() < 70000)
    Notes +=
        "        NOTE: exported by a modelling tool for " + std::to_string(Notes.size()) + "\n";
  const auto tabbed = [](const std::string& Model) {
    std::string Fem = "\n" + Model;
    for (const char* ChName : {"IDENT ", "DATE ", "GNODE ", "GCOORD ", "TDNODE ", "GELMNT1 ",
                               "TDSCONC ", "SCONCEPT ", "SCONMESH ", "IEND "}) {
      const std::string Name = ChName;
      for (std::size_t i = 0; (i = Fem.find("\n" + Name, i)) != std::string::npos; ++i)
        Fem[i + Name.size()] = '\t';
    }
    return Fem.substr(1);
  };
  // The labels a run gives a model, its header aside.
  const auto labels_of = [&Dir](const char* ChModel) {
    EXPECT_EQ(0, run_args(Dir, {ChModel, "read.lab"}).iExit) << ChModel;
    const std::string Label = read_file(Dir + "/read.lab");
    return Label.substr(std::min(Label.size(), Label.find(" BeginLabel")));
  };
  const std::string JacketLabels = labels_of("in.FEM");
  struct Case {
    const char* Name;
    std::string Bytes;
    bool bJacket;  // the jacket, hidden: the reader reads its labels
  };
  const Case cases[] = {
      {"indented.FEM", "   IDENT 1 1 3\n   GNODE 1 1 6 111111\n", false},
      {"commented.FEM", Comments + kJacket, true},
      {"longcomment.FEM", "$" + std::string(100000, '-') + "\n" + kJacket, true},
      // A tab after each record name: the readers read the records all the same.
      {"tabbed.FEM", tabbed(kJacket), true},
      // More than a piece of lines the reader reads as no record before the records.
      {"prefaced.FEM", Notes + kJacket, true},
  };
  const std::string kModel = "\": it holds SESAM records, and Lablix never writes over a model\n";
  for (const Case& c : cases) {
    const std::string Path = Dir + "/" + c.Name;
    write_file(Path, c.Bytes);
    const Kept Before(Path);
    // As the listing: a model as the second name would make every name a model.
    if (c.bJacket) {
      EXPECT_EQ(JacketLabels, labels_of(c.Name)) << "the reader reads " << c.Name;
    }
    const LablixRun Run = run_args(Dir, {"in.FEM", "in.lab", c.Name});
    EXPECT_EQ(3, Run.iExit) << c.Name;
    EXPECT_EQ("lablix: cannot open the listing file \"" + std::string(c.Name) + kModel, Run.Stderr);
    EXPECT_FALSE(file_exists(Dir + "/in.lab")) << c.Name;
    expect_kept(Before, Path, c.Name);
  }
  // Comments alone, or before a label file's lines, are no model.
  write_file(Dir + "/notes.lab", Comments);
  EXPECT_EQ(0, run_args(Dir, {"in.FEM", "notes.lab"}).iExit);
  EXPECT_EQ(0, run_args(Dir, {"in.FEM", "notes.lab"}).iExit) << "Lablix's own label file";

  if (is_superuser()) {
    // Another user's file that the run may write but not read.
    const std::string Path = Dir + "/unreadable.FEM";
    write_file(Path, kJacket);
    own(Path, kVictim);
    ASSERT_EQ(0, ::chmod(Path.c_str(), 0602));
    ASSERT_EQ(0, ::chmod(Dir.c_str(), 0777));
    const Kept Before(Path);
    RunOptions Other;
    Other.iUser = Other.iGroup = kAttacker;
    const LablixRun Run = run_args(Dir, {"in.FEM", "unreadable.FEM"}, Other);
    EXPECT_EQ(3, Run.iExit);
    EXPECT_EQ(
        "lablix: cannot open the label file \"unreadable.FEM\": Lablix may write it but not read "
        "it, so it cannot be told from a model\n",
        Run.Stderr);
    expect_kept(Before, Path, "unreadable");
  }
  remove_tree(Dir);
}

TEST(OutputEdges, RefusalKeepsSizeBytesAndTimes) {
  if (!is_superuser()) GTEST_SKIP() << "a file written in place needs another user";
  // Another user's model that anyone may write, in a sticky folder: it
  // would be written in place, and is refused as a model.
  Shared S(kVictim);
  const std::string Model = S.Tmp + "/model.FEM";
  write_file(Model, kJacket);
  own(Model, kAttacker);
  ASSERT_EQ(0, ::chmod(Model.c_str(), 0666));
  ASSERT_EQ(0, ::chmod(S.Home.c_str(), 0755));
  const Kept Before(Model);
  RunOptions Victim;
  Victim.iUser = Victim.iGroup = kVictim;
  const LablixRun Run = run_args(S.Home, {"model.FEM", "model.lab", Model}, Victim);
  EXPECT_EQ(3, Run.iExit) << Run.Stderr;
  expect_kept(Before, Model, "in place");
  // The same refused where it would be replaced.
  const std::string Other = S.Home + "/other.FEM";
  write_file(Other, kJacket);
  own(Other, kVictim);
  const Kept Own(Other);
  EXPECT_EQ(3, run_args(S.Home, {"model.FEM", "model.lab", "other.FEM"}, Victim).iExit);
  expect_kept(Own, Other, "replaced");
}

// Whether a process other than this one holds Path open.
bool is_open_elsewhere(const std::string& Path) {
  namespace fs = std::filesystem;
  const std::string Own = std::to_string(::getpid());
  std::error_code Error;
  for (const fs::directory_entry& Process : fs::directory_iterator("/proc", Error)) {
    const std::string Pid = Process.path().filename().string();
    if (Pid == Own || Pid.find_first_not_of("0123456789") != std::string::npos) continue;
    for (const fs::directory_entry& Fd : fs::directory_iterator(
             Process.path() / "fd", fs::directory_options::skip_permission_denied, Error)) {
      if (fs::read_symlink(Fd.path(), Error) == Path) return true;
    }
  }
  return false;
}

TEST(OutputEdges, RefusalAtTheFinishKeepsWhatWasWrittenMeanwhile) {
  if (!is_superuser()) GTEST_SKIP() << "a file written in place needs another user";
  // Another user's label file that anyone may write, in a sticky folder:
  // the run writes it in place. While the run holds it open, its owner
  // appends records under a lock of its own, so the run finds the file
  // changed only when it may copy: it must stop and leave the file, with
  // what was appended, its size and its times, as the owner left it.
  Shared S(kVictim);
  ASSERT_EQ(0, ::chmod(S.Home.c_str(), 0755));
  const std::string Out = S.Tmp + "/out.lab";
  write_file(Out, "an older label file\n");
  own(Out, kAttacker);
  ASSERT_EQ(0, ::chmod(Out.c_str(), 0666));
  const int iOwner = ::open(Out.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  ASSERT_LE(0, iOwner);
  ASSERT_EQ(0, ::flock(iOwner, LOCK_EX));
  std::unique_ptr<Kept> Appended;
  std::thread Owner([&] {
    for (int i = 0; i < 3000 && !is_open_elsewhere(Out); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const std::string Records = "GNODE 1 1\n";
    EXPECT_EQ(static_cast<ssize_t>(Records.size()),
              ::write(iOwner, Records.data(), Records.size()));
    Appended = std::make_unique<Kept>(Out);
    ::flock(iOwner, LOCK_UN);
  });
  RunOptions Victim;
  Victim.iUser = Victim.iGroup = kVictim;
  const LablixRun Run = run_args(S.Home, {"model.FEM", Out}, Victim);
  Owner.join();
  ::close(iOwner);
  EXPECT_EQ(2, Run.iExit);
  EXPECT_EQ(" *** FATAL: writing the label file \"" + Out +
                "\" failed: the older file was changed by another program during the run; the "
                "output files not finished were left as they were\n",
            Run.Stderr);
  ASSERT_NE(nullptr, Appended);
  EXPECT_EQ("an older label file\nGNODE 1 1\n", Appended->Bytes);
  expect_kept(*Appended, Out, "appended meanwhile");
}

// A model of nMembers named nodes and members, with Tag in every name.
std::string model(int nMembers, const std::string& Tag) {
  std::string Fem;
  for (int i = 1; i <= nMembers; ++i) {
    const std::string I = std::to_string(i);
    Fem += "GNODE " + I + " " + I + "\nTDNODE 0 " + I + "\n" + Tag + "_NODE_" + I + "\nGELMNT1 " +
           I + " " + I + "\nTDSCONC 0 " + I + "\n" + Tag + "_MEMBER_" + I + "\n";
  }
  return Fem;
}

std::string without_date(std::string Text) {
  const std::size_t iAt = Text.find("# Executed");
  if (iAt == std::string::npos) return Text;
  for (std::size_t k = iAt; k < Text.size() && Text[k] != '\n'; ++k)
    if (Text[k] >= '0' && Text[k] <= '9') Text[k] = 'd';
  return Text;
}

// Enough pairs of runs to meet their copies overlapping (2 in 20 did
// before the lock); the sanitizers' runs, ten times slower, look for other
// faults.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kRaceTrials = 3;
#else
constexpr int kRaceTrials = 20;
#endif

TEST(OutputEdges, TwoRunsWritingOneFileInPlaceLeaveOneRunsFile) {
  if (!is_superuser()) GTEST_SKIP() << "a file written in place needs another user";
  // Another user's label file that anyone may write, in a sticky folder:
  // two runs write it in place at once, each from a model of its own.
  Shared S(kVictim);
  ASSERT_EQ(0, ::chmod(S.Home.c_str(), 0755));
  const std::string Out = S.Tmp + "/out.lab";
  std::string Whole[2];
  for (int i = 0; i < 2; ++i) {
    const std::string Name = std::string("m") + std::to_string(i) + ".FEM";
    write_file(S.Home + "/" + Name, model(60000, i == 0 ? "ONE" : "TWO"));
    ASSERT_EQ(0, run_args(S.Home, {Name, "ref" + std::to_string(i) + ".lab"}).iExit);
    Whole[i] = without_date(read_file(S.Home + "/ref" + std::to_string(i) + ".lab"));
  }
  RunOptions Victim;
  Victim.iUser = Victim.iGroup = kVictim;
  const std::string kChanged =
      " *** FATAL: writing the label file \"" + Out +
      "\" failed: the older file was changed by another program during the run";
  for (int iTrial = 0; iTrial < kRaceTrials; ++iTrial) {
    write_file(Out, std::string(3000000, 'x'));
    own(Out, kAttacker);
    ASSERT_EQ(0, ::chmod(Out.c_str(), 0666));
    const pid_t iPid = ::fork();
    if (iPid == 0) ::_exit(run_args(S.Home, {"m1.FEM", Out}, Victim).iExit);
    const LablixRun Run = run_args(S.Home, {"m0.FEM", Out}, Victim);
    int iWait = 0;
    ::waitpid(iPid, &iWait, 0);
    ASSERT_TRUE(WIFEXITED(iWait));
    const int iOther = WEXITSTATUS(iWait);
    const std::string What = "trial " + std::to_string(iTrial);
    EXPECT_TRUE(Run.iExit == 0 || iOther == 0) << What;
    EXPECT_TRUE(Run.iExit == 0 || Run.Stderr.rfind(kChanged, 0) == 0) << What << Run.Stderr;
    EXPECT_TRUE(iOther == 0 || iOther == 2) << What;
    const std::string Got = without_date(read_file(Out));
    EXPECT_TRUE(Got == Whole[0] || Got == Whole[1]) << What << ": " << Got.size() << " bytes";
    // A run that says 0 finished last or first: its file is in place
    // unless the other ran wholly after it.
    if (Run.iExit == 0 && iOther != 0) {
      EXPECT_TRUE(Got == Whole[0]) << What;
    }
    if (iOther == 0 && Run.iExit != 0) {
      EXPECT_TRUE(Got == Whole[1]) << What;
    }
  }
}

TEST(OutputEdges, OnlyDebrisOfDeadRunsIsRemoved) {
  const std::string Dir = make_temp_dir();
  write_file(Dir + "/in.FEM", kJacket);
  const pid_t iDead = ::fork();
  if (iDead == 0) ::_exit(0);
  ::waitpid(iDead, nullptr, 0);
  const std::string Dead = std::to_string(iDead);
  // Left by a run killed between naming its new file and the rename, or
  // while it wrote it without /proc: removed.
  const std::vector<std::string> Debris = {".lablix-" + Dead + "-u0", ".lablix-" + Dead + "-3"};
  // Names of another form, or of a process that runs (1, and this test):
  // a user's own, kept.
  const std::vector<std::string> Others = {".lablix-notes",
                                           ".lablix-1-0",
                                           ".lablix-" + std::to_string(::getpid()) + "-u0",
                                           ".lablix-0" + Dead + "-0",
                                           ".lablix-" + Dead + "-u0.bak",
                                           ".lablix-" + Dead + "-x1",
                                           ".lablix-" + Dead + "-",
                                           ".lablix--1"};
  // The listing goes to a second folder with debris of its own: a run
  // reads each folder it writes into, not only its first.
  ASSERT_EQ(0, ::mkdir((Dir + "/other").c_str(), 0700));
  const std::string Folders[] = {Dir, Dir + "/other"};
  for (const std::string& Folder : Folders)
    for (const std::vector<std::string>* Names : {&Debris, &Others})
      for (const std::string& Name : *Names)
        write_file(Folder + "/" + Name, "KEEP?");
  ASSERT_EQ(0, run_args(Dir, {"in.FEM", "new.lab", "other/new.lst"}).iExit);
  for (const std::string& Folder : Folders) {
    for (const std::string& Name : Debris)
      EXPECT_FALSE(file_exists(Folder + "/" + Name)) << Folder << "/" << Name;
    for (const std::string& Name : Others)
      EXPECT_EQ("KEEP?", read_file(Folder + "/" + Name)) << Folder << "/" << Name;
  }
  remove_tree(Dir);
}

TEST(OutputEdges, CloseThatFailsLateKeepsTheOlderFile) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "a preloaded library cannot come before the sanitizers' own";
#else
  // The close of every file the run writes in the folder fails, as a
  // network file system reports a write error it met after the writes.
  const std::string Dir = make_temp_dir();
  write_file(Dir + "/in.FEM", kJacket);
  write_file(Dir + "/out.lab", "OLDER\r\n");
  const Kept Before(Dir + "/out.lab");
  ::setenv("LD_PRELOAD", LABLIX_LATE_CLOSE_FAILURE, 1);
  ::setenv("LABLIX_FAIL_CLOSE_IN", Dir.c_str(), 1);
  const LablixRun Replaced = run_args(Dir, {"in.FEM", "out.lab"});
  const LablixRun Made = run_args(Dir, {"in.FEM", "new.lab"});
  ::unsetenv("LD_PRELOAD");
  ::unsetenv("LABLIX_FAIL_CLOSE_IN");
  for (const LablixRun* Run : {&Replaced, &Made}) {
    EXPECT_EQ(2, Run->iExit) << Run->Stderr;
    EXPECT_EQ(0u, Run->Stderr.rfind(" *** FATAL: writing the label file \"", 0)) << Run->Stderr;
  }
  expect_kept(Before, Dir + "/out.lab", "replaced");
  EXPECT_EQ((std::vector<std::string>{"in.FEM", "out.lab"}), folder_names(Dir));
  remove_tree(Dir);
#endif
}

TEST(OutputEdges, NameEndingInABlankIsRefused) {
  const std::string Dir = make_temp_dir();
  write_file(Dir + "/in.FEM", kJacket);
  write_file(Dir + "/x.lab", "OLDER\r\n");
  const std::string kWords = "\": the name ends in a blank, which Lablix drops from names\n";
  struct Case {
    Args Arguments;
    std::string Name;  // the one refused
  };
  const Case cases[] = {
      {{"in.FEM", "x.lab "}, "x.lab "},
      {{"in.FEM", "\"x.lab \""}, "\"x.lab \""},
      {{"in.FEM ", "y.lab"}, "in.FEM "},
      {{"in.FEM", "y.lab", "z.lst "}, "z.lst "},
  };
  for (const Case& c : cases) {
    const std::string& Name = c.Name;
    const LablixRun Run = run_args(Dir, c.Arguments);
    EXPECT_EQ(3, Run.iExit) << Name;
    EXPECT_NE(std::string::npos, Run.Stderr.find("\"" + Name + kWords)) << Run.Stderr;
    EXPECT_EQ("OLDER\r\n", read_file(Dir + "/x.lab")) << Name;
    EXPECT_EQ((std::vector<std::string>{"in.FEM", "x.lab"}), folder_names(Dir)) << Name;
  }
  remove_tree(Dir);
}

TEST(OutputEdges, FolderDeeperThanThePathLimitIsWritten) {
  // Two chains of 15 folders of 200 characters, the second inside the
  // first: a path of over 6,000 characters, more than the 4,096 the system
  // takes at once. Short links lead there, each with a text it takes.
  const std::string Dir = make_temp_dir();
  const std::string Part(200, 'd');
  std::string Half;
  for (int i = 0; i < 15; ++i)
    Half += (i == 0 ? "" : "/") + Part;
  std::error_code Error;
  ASSERT_TRUE(std::filesystem::create_directories(Dir + "/top/" + Half, Error)) << Error;
  ASSERT_EQ(0, ::symlink(("top/" + Half).c_str(), (Dir + "/l1").c_str()));
  ASSERT_TRUE(std::filesystem::create_directories(Dir + "/l1/" + Half, Error)) << Error;
  ASSERT_EQ(0, ::symlink(Half.c_str(), (Dir + "/l1/l2").c_str()));
  const std::string Deep = Dir + "/l1/l2";
  write_file(Deep + "/in.FEM", kJacket);
  write_file(Deep + "/out.lab", "OLDER\r\n");
  const LablixRun Run = run_args(Deep, {"in.FEM", "out.lab"});
  EXPECT_EQ(0, Run.iExit) << Run.Stderr;
  EXPECT_NE(std::string::npos, read_file(Deep + "/out.lab").find("NodeLabel"));
  EXPECT_EQ((std::vector<std::string>{"in.FEM", "out.lab"}), folder_names(Deep));
  // Cut in two, so that each half can be removed by its path.
  ASSERT_EQ(0, ::rename((Dir + "/l1/" + Part).c_str(), (Dir + "/lower").c_str()));
  remove_tree(Dir);
}

TEST(OutputEdges, FileFlagsAreCarriedOver) {
  const std::string Dir = make_temp_dir();
  write_file(Dir + "/in.FEM", kJacket);
  const std::string Out = Dir + "/out.lab";
  write_file(Out, "OLDER\r\n");
  constexpr int kFlags = FS_SYNC_FL | FS_NODUMP_FL | FS_NOATIME_FL;  // chattr +S +d +A
  const int iFd = ::open(Out.c_str(), O_RDONLY);
  ASSERT_GE(iFd, 0);
  int iFlags = 0;
  const bool bSet = ::ioctl(iFd, FS_IOC_GETFLAGS, &iFlags) == 0 &&
                    (iFlags |= kFlags, ::ioctl(iFd, FS_IOC_SETFLAGS, &iFlags) == 0);
  ::close(iFd);
  if (!bSet) {
    remove_tree(Dir);
    GTEST_SKIP() << "the file system of " << Dir << " keeps no such flags";
  }
  const ino_t iBefore = Kept(Out).Info.st_ino;
  const LablixRun Run = run_args(Dir, {"in.FEM", "out.lab"});
  EXPECT_EQ(0, Run.iExit) << Run.Stderr;
  const int iAfter = ::open(Out.c_str(), O_RDONLY);
  ASSERT_GE(iAfter, 0);
  iFlags = 0;
  EXPECT_EQ(0, ::ioctl(iAfter, FS_IOC_GETFLAGS, &iFlags));
  ::close(iAfter);
  EXPECT_EQ(kFlags, iFlags & kFlags);
  EXPECT_NE(std::string::npos, read_file(Out).find("NodeLabel"));
  EXPECT_NE(iBefore, Kept(Out).Info.st_ino) << "a new file, renamed into place";
  remove_tree(Dir);
}

}  // namespace
#endif
