// Outputs that no slip of the hand and no other user can turn against the
// user: a model file or a name with a control character is refused as an
// output, a link that leads nowhere makes no file for a refused run, the
// older file's attributes survive its replacement (or the file is written
// over in place where they cannot), one new file under two names is one
// file, another user swapping names in /tmp never gains a file, end of
// input at a terminal is final, and the debris of killed runs goes.
#include <gtest/gtest.h>

#include "tests/testlib/lablix_run.h"

namespace {

constexpr char kWhy[] = "links, owners, modes, mounts and terminals are POSIX's";
POSIX_ONLY_TEST(TrustedOutputs, ModelsAndControlCharactersAreRefusedNames, kWhy)
POSIX_ONLY_TEST(TrustedOutputs, DialogueAsksAgainForAModelOrAControlCharacter, kWhy)
POSIX_ONLY_TEST(TrustedOutputs, LinkThatLeadsNowhereMakesNoFileForARunThatFails, kWhy)
POSIX_ONLY_TEST(TrustedOutputs, ReplacementKeepsTheOlderFilesAttributes, kWhy)
POSIX_ONLY_TEST(TrustedOutputs, FileThatMayNotBeReplacedIsWrittenOverInPlace, kWhy)
POSIX_ONLY_TEST(TrustedOutputs, OneNewFileUnderTwoNamesIsOneFile, kWhy)
POSIX_ONLY_TEST(TrustedOutputs, NamesSwappedByAnotherUserNeverHandOverAFile, kWhy)
POSIX_ONLY_TEST(TrustedOutputs, EndOfInputAtATerminalIsFinal, kWhy)
POSIX_ONLY_TEST(TrustedOutputs, DebrisOfRunsNoLongerRunningIsRemoved, kWhy)

}  // namespace

#if !defined(_WIN32)
#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

using Args = std::vector<std::string>;
constexpr int kAttacker = 4242, kVictim = 4243, kThird = 4244;

// A folder with three models (A_T1.FEM, B_T1.FEM, C_T1.FEM, the bundled
// example), removed with the object.
struct Models {
  std::string Dir = make_temp_dir();
  std::string Fem = read_file(source_file("examples/jacket.FEM"));
  Models() {
    for (const char* Name : {"A_T1.FEM", "B_T1.FEM", "C_T1.FEM"})
      write_file(at(Name), Fem);
  }
  ~Models() { remove_tree(Dir); }
  std::string at(const std::string& Name) const { return Dir + "/" + Name; }
};

LablixRun run_args(const std::string& Dir, const Args& Arguments, RunOptions Options = {}) {
  Options.Arguments = Arguments;
  return run_lablix(Dir, "", Options);
}

bool is_superuser() {
  return ::geteuid() == 0;
}

struct stat stat_of(const std::string& Path) {
  struct stat Info {};
  EXPECT_EQ(0, ::lstat(Path.c_str(), &Info)) << Path;
  return Info;
}

// What a command prints, or "" when it cannot be run.
std::string output_of(const std::string& Command) {
  std::string Out;
  if (FILE* p = ::popen((Command + " 2>/dev/null").c_str(), "r")) {
    char Ch[4096];
    for (std::size_t n; (n = std::fread(Ch, 1, sizeof Ch, p)) > 0;)
      Out.append(Ch, n);
    ::pclose(p);
  }
  return Out;
}

TEST(TrustedOutputs, ModelsAndControlCharactersAreRefusedNames) {
  struct Case {
    Args Arguments;
    std::string Stderr;
  };
  const std::string kModel = "\": it holds SESAM records, and Lablix never writes over a model\n";
  const std::string kControl = "\": the name holds a control character\n";
  const Case cases[] = {
      // (A model as the second name makes every name a model: several
      // models' rule, tests/e2e/batch_runs_test.cpp.)
      {{"A_T1.FEM", "x.lab", "C_T1.FEM"},
       "lablix: cannot open the listing file \"C_T1.FEM" + kModel},
      {{"f\nx.FEM", "x.lab"}, "lablix: cannot open the FEM file \"f\nx.FEM" + kControl},
      {{"A_T1.FEM", "x.la\x1b[D\x1b[DX"},
       "lablix: cannot open the label file \"x.la\x1b[D\x1b[DX" + kControl},
      {{"A_T1.FEM", "x\t.lab"}, "lablix: cannot open the label file \"x\t.lab" + kControl},
  };
  for (const Case& c : cases) {
    Models M;
    write_file(M.at("f\nx.FEM"), M.Fem);
    const std::vector<std::string> Before = folder_names(M.Dir);
    const LablixRun Run = run_args(M.Dir, c.Arguments);
    EXPECT_EQ(3, Run.iExit) << c.Stderr;
    EXPECT_EQ(c.Stderr, Run.Stderr);
    EXPECT_EQ(Before, folder_names(M.Dir)) << c.Stderr;
    EXPECT_EQ(M.Fem, read_file(M.at("B_T1.FEM")));
    EXPECT_EQ(M.Fem, read_file(M.at("C_T1.FEM")));
  }
  // Lablix's own files are no models: a second run replaces them.
  Models M;
  for (int iRun = 0; iRun < 2; ++iRun) {
    EXPECT_EQ(0, run_args(M.Dir, {"A_T1.FEM", "out.lab", "out.lst"}).iExit) << "run " << iRun;
  }
}

TEST(TrustedOutputs, DialogueAsksAgainForAModelOrAControlCharacter) {
  Models M;
  const LablixRun Run =
      run_lablix(M.Dir, "A_T1.FEM\nB_T1.FEM\nx.la\x1b[DX\nout.lab\ny\nC_T1.FEM\n");
  EXPECT_EQ(1, Run.iExit) << "the listing file could not be opened";
  std::size_t nRefused = 0;
  for (std::size_t i = 0; (i = Run.Stdout.find(" Cannot Open file :", i)) != std::string::npos; ++i)
    ++nRefused;
  EXPECT_EQ(3u, nRefused);
  EXPECT_EQ(M.Fem, read_file(M.at("B_T1.FEM")));
  EXPECT_EQ(M.Fem, read_file(M.at("C_T1.FEM")));
  EXPECT_EQ((std::vector<std::string>{"A_T1.FEM", "B_T1.FEM", "C_T1.FEM", "out.lab"}),
            folder_names(M.Dir));
}

TEST(TrustedOutputs, LinkThatLeadsNowhereMakesNoFileForARunThatFails) {
  Models M;
  write_file(M.at("bad.FEM"), "GNODE 1.5E 1\n");
  ASSERT_EQ(0, ::symlink("target.lab", M.at("dl.lab").c_str()));
  EXPECT_EQ(3, run_args(M.Dir, {"A_T1.FEM", "dl.lab", "nodir/x.lst"}).iExit);
  EXPECT_FALSE(file_exists(M.at("target.lab"))) << "refused";
  EXPECT_EQ(2, run_args(M.Dir, {"bad.FEM", "dl.lab"}).iExit);
  EXPECT_FALSE(file_exists(M.at("target.lab"))) << "dropped by the fatal stop";
  EXPECT_EQ(2, run_lablix(M.Dir, "A_T1.FEM\ndl.lab\ny\n").iExit) << "end of input at the listing";
  EXPECT_TRUE(file_exists(M.at("target.lab"))) << "the label file was complete";
  EXPECT_TRUE(S_ISLNK(stat_of(M.at("dl.lab")).st_mode));
}

TEST(TrustedOutputs, ReplacementKeepsTheOlderFilesAttributes) {
  if (!is_superuser()) GTEST_SKIP() << "files of other owners and groups need the superuser";
  if (const std::string Why = why_user_cannot_run(kAttacker, kAttacker); !Why.empty()) {
    GTEST_SKIP() << Why;
  }
  Models M;
  const std::string Out = M.at("out.lab");
  write_file(Out, "OLDER\r\n");
  ASSERT_EQ(0, ::chown(Out.c_str(), kAttacker, kVictim));
  ASSERT_EQ(0, ::chmod(Out.c_str(), 02640));
  ASSERT_EQ(0, ::setxattr(Out.c_str(), "user.origin", "modeller", 8, 0))
      << "the file system keeps no extended attributes";
  const bool bAcl =
      std::system(("setfacl -m u:4244:rw,g::--- '" + Out + "' 2>/dev/null").c_str()) == 0;
  const std::string Acl = output_of("getfacl -n '" + Out + "'");
  const struct stat Before = stat_of(Out);
  ASSERT_EQ(0, run_args(M.Dir, {"A_T1.FEM", "out.lab"}).iExit);
  const struct stat After = stat_of(Out);
  EXPECT_NE(Before.st_ino, After.st_ino) << "a new file, renamed into place";
  EXPECT_EQ(Before.st_mode, After.st_mode);
  EXPECT_EQ(Before.st_uid, After.st_uid);
  EXPECT_EQ(Before.st_gid, After.st_gid);
  char Ch[16] = {};
  EXPECT_EQ(8, ::getxattr(Out.c_str(), "user.origin", Ch, sizeof Ch));
  EXPECT_STREQ("modeller", Ch);
  if (bAcl) {
    EXPECT_EQ(Acl, output_of("getfacl -n '" + Out + "'"));
  }
  EXPECT_NE(std::string::npos, read_file(Out).find("NodeLabel"));

  // Run by the file's owner, in the file's group: the group and the
  // set-group-id bit stay.
  ASSERT_EQ(0, ::chown(M.Dir.c_str(), kAttacker, kAttacker));
  ASSERT_EQ(0, ::chown(Out.c_str(), kAttacker, kVictim));
  ASSERT_EQ(0, ::chmod(Out.c_str(), 02660));
  RunOptions Owner;
  Owner.iUser = kAttacker, Owner.iGroup = kAttacker, Owner.iOtherGroup = kVictim;
  ASSERT_EQ(0, ::chmod(M.Dir.c_str(), 0755));
  ASSERT_EQ(0, run_args(M.Dir, {"A_T1.FEM", "out.lab"}, Owner).iExit);
  EXPECT_EQ(static_cast<gid_t>(kVictim), stat_of(Out).st_gid);
  EXPECT_EQ(static_cast<mode_t>(02660), stat_of(Out).st_mode & 07777);
}

TEST(TrustedOutputs, FileThatMayNotBeReplacedIsWrittenOverInPlace) {
  if (!is_superuser()) GTEST_SKIP() << "other users and mounts need the superuser";
  if (const std::string Why = why_user_cannot_run(kAttacker, kAttacker); !Why.empty()) {
    GTEST_SKIP() << Why;
  }
  Models M;
  // Another user's file that anyone may write, in a sticky folder (/tmp):
  // it may be written, not replaced.
  const std::string Sticky = M.at("sticky"), Other = Sticky + "/other.lab";
  ASSERT_EQ(0, ::mkdir(Sticky.c_str(), 01777));
  ASSERT_EQ(0, ::chmod(Sticky.c_str(), 01777));
  ASSERT_EQ(0, run_args(M.Dir, {"A_T1.FEM", "ref.lab"}).iExit);
  const std::string Label = mask_executed_date(read_file(M.at("ref.lab")));
  write_file(Other, std::string(100000, 'x'));
  ASSERT_EQ(0, ::chown(Other.c_str(), kVictim, kVictim));
  ASSERT_EQ(0, ::chmod(Other.c_str(), 0666));
  ASSERT_EQ(0, ::chmod(M.Dir.c_str(), 0755));
  const ino_t iInode = stat_of(Other).st_ino;
  RunOptions User;
  User.iUser = User.iGroup = kAttacker;
  ASSERT_EQ(0, run_args(M.Dir, {"A_T1.FEM", "sticky/other.lab"}, User).iExit);
  EXPECT_EQ(iInode, stat_of(Other).st_ino);
  EXPECT_EQ(static_cast<uid_t>(kVictim), stat_of(Other).st_uid);
  EXPECT_EQ(Label, mask_executed_date(read_file(Other))) << "written over and cut";
  EXPECT_EQ((std::vector<std::string>{"other.lab"}), folder_names(Sticky));

  // A label file mounted over its name.
  write_file(M.at("src.lab"), "OLDER\r\n");
  write_file(M.at("out.lab"), "");
  ASSERT_EQ(0,
            ::mount(M.at("src.lab").c_str(), M.at("out.lab").c_str(), nullptr, MS_BIND, nullptr));
  const LablixRun Run = run_args(M.Dir, {"A_T1.FEM", "out.lab"});
  EXPECT_EQ(0, Run.iExit) << Run.Stderr;
  EXPECT_NE(std::string::npos, read_file(M.at("src.lab")).find("NodeLabel"));
  ::umount(M.at("out.lab").c_str());
}

TEST(TrustedOutputs, OneNewFileUnderTwoNamesIsOneFile) {
  Models M;
  ASSERT_EQ(0, ::mkdir(M.at("a").c_str(), 0755));
  ASSERT_EQ(0, ::symlink("a", M.at("c").c_str()));
  const std::string kOther = "\": it is another file of this run (the FEM file or an output)\n";
  LablixRun Run = run_args(M.Dir, {"A_T1.FEM", "a/y.lab", "c/y.lab"});
  EXPECT_EQ(3, Run.iExit);
  EXPECT_EQ("lablix: cannot open the listing file \"c/y.lab" + kOther, Run.Stderr);
  EXPECT_TRUE(folder_names(M.at("a")).empty());
  if (!is_superuser()) GTEST_SKIP() << "a bind mount needs the superuser";
  ASSERT_EQ(0, ::mkdir(M.at("b").c_str(), 0755));
  ASSERT_EQ(0, ::mount(M.at("a").c_str(), M.at("b").c_str(), nullptr, MS_BIND, nullptr));
  Run = run_args(M.Dir, {"A_T1.FEM", "a/x.lab", "b/x.lab"});
  EXPECT_EQ(3, Run.iExit);
  EXPECT_EQ("lablix: cannot open the listing file \"b/x.lab" + kOther, Run.Stderr);
  EXPECT_TRUE(folder_names(M.at("a")).empty());
  ::umount(M.at("b").c_str());
}

// Another user owns /tmp/x.lab and, while the victim runs Lablix on it,
// swaps it again and again with a link to the victim's private file.
// Whatever instant each run meets, the private file keeps its owner, mode
// and content.
void race_for_the_name(const std::string& Dir, int iVictim) {
  const std::string Sticky = Dir + "/tmp", Private = Dir + "/home/secret";
  ASSERT_EQ(0, ::mkdir(Sticky.c_str(), 01777));
  ASSERT_EQ(0, ::chmod(Sticky.c_str(), 01777));
  ASSERT_EQ(0, ::mkdir((Dir + "/home").c_str(), 0700));
  write_file(Private, "SECRET\n");
  write_file(Dir + "/home/model.FEM", read_file(source_file("examples/jacket.FEM")));
  for (const char* Name : {"/home", "/home/secret", "/home/model.FEM"}) {
    ASSERT_EQ(0, ::chown((Dir + Name).c_str(), iVictim, iVictim));
  }
  ASSERT_EQ(0, ::chmod(Private.c_str(), 0600));
  ASSERT_EQ(0, ::chmod(Dir.c_str(), 0755));
  // Ended whatever way the test leaves this function.
  int Ready[2];
  ASSERT_EQ(0, ::pipe(Ready));
  struct Attacker {
    pid_t iPid = ::fork();
    ~Attacker() {
      if (iPid > 0) ::kill(iPid, SIGKILL), ::waitpid(iPid, nullptr, 0);
    }
  } A;
  if (A.iPid == 0) {
    if (::setgid(kAttacker) != 0 || ::setuid(kAttacker) != 0) ::_exit(1);
    const std::string Own = Sticky + "/x.lab", Link = Sticky + "/link";
    write_file(Own, "");
    if (::chmod(Own.c_str(), 0666) != 0 || ::symlink(Private.c_str(), Link.c_str()) != 0)
      ::_exit(1);
    if (::write(Ready[1], "r", 1) != 1) ::_exit(1);
    for (;;)
      ::renameat2(AT_FDCWD, Own.c_str(), AT_FDCWD, Link.c_str(), RENAME_EXCHANGE);
  }
  // The victim's runs start once the attacker's names stand.
  ::close(Ready[1]);
  char c = 0;
  const ssize_t nReady = ::read(Ready[0], &c, 1);
  ::close(Ready[0]);
  ASSERT_EQ(1, nReady) << "the attacker could not set up its names";
  RunOptions Victim;
  Victim.iUser = Victim.iGroup = iVictim;
  for (int iRun = 0; iRun < 40; ++iRun) {
    const LablixRun Run = run_args(Dir + "/home", {"model.FEM", Sticky + "/x.lab"}, Victim);
    const std::string What =
        "victim " + std::to_string(iVictim) + ", run " + std::to_string(iRun) + ": " + Run.Stderr;
    const struct stat Info = stat_of(Private);
    ASSERT_EQ(static_cast<uid_t>(iVictim), Info.st_uid) << What;
    ASSERT_EQ(static_cast<mode_t>(0100600), Info.st_mode) << What;
    ASSERT_EQ("SECRET\n", read_file(Private)) << What;
  }
  int iWait = 0;
  EXPECT_EQ(0, ::waitpid(A.iPid, &iWait, WNOHANG))
      << "the attacker ended early: status " << iWait << " (" << Dir << ")";
}

TEST(TrustedOutputs, NamesSwappedByAnotherUserNeverHandOverAFile) {
  if (!is_superuser()) GTEST_SKIP() << "an attacker of another user needs the superuser";
  if (const std::string Why = why_user_cannot_run(kVictim, kVictim); !Why.empty()) {
    GTEST_SKIP() << Why;
  }
  const std::string kSetting = "/proc/sys/fs/protected_symlinks";
  const std::string Kept = read_file(kSetting);
  for (const char* Protected : {"0\n", "1\n"}) {
    if (read_file(kSetting) != Protected &&
        std::system(
            ("echo " + std::string(Protected, 1) + " > " + kSetting + " 2>/dev/null").c_str()) !=
            0) {
      continue;  // the setting is the machine's; the run takes it as it is
    }
    for (const int iVictim : {0, kVictim}) {
      const std::string Dir = make_temp_dir();
      race_for_the_name(Dir, iVictim);
      remove_tree(Dir);
    }
  }
  if (!Kept.empty()) {
    EXPECT_EQ(0, std::system(("echo " + Kept.substr(0, 1) + " > " + kSetting).c_str()));
  }
}

TEST(TrustedOutputs, EndOfInputAtATerminalIsFinal) {
  // At the FEM prompt: a name, Ctrl-D, Ctrl-D; then a line meant for the
  // shell. The name is taken and the run then ends at the label prompt:
  // no file is named after that line.
  Models M;
  int iMaster = -1;
  const pid_t iPid = ::forkpty(&iMaster, nullptr, nullptr, nullptr);
  ASSERT_GE(iPid, 0);
  if (iPid == 0) {
    if (::chdir(M.Dir.c_str()) != 0) ::_exit(126);
    ::execl(LABLIX_BINARY, "lablix", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  const std::string Typed = "A_T1.FEM\x04\x04";
  ASSERT_EQ(static_cast<ssize_t>(Typed.size()), ::write(iMaster, Typed.data(), Typed.size()));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ASSERT_EQ(11, ::write(iMaster, "echo hello\n", 11));
  // Where the terminal's line editor takes Ctrl-D in a line as an edit, an
  // empty line's Ctrl-D ends the input.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(1, ::write(iMaster, "\x04", 1));
  int iWait = 0;
  for (int i = 0; i < 100 && ::waitpid(iPid, &iWait, WNOHANG) == 0; ++i) {
    char Ch[4096];
    ::fcntl(iMaster, F_SETFL, O_NONBLOCK);
    while (::read(iMaster, Ch, sizeof Ch) > 0) {
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ::close(iMaster);
  ASSERT_TRUE(WIFEXITED(iWait)) << "still waiting for an answer";
  EXPECT_EQ(2, WEXITSTATUS(iWait));
  EXPECT_FALSE(file_exists(M.at("echo hello")));
}

TEST(TrustedOutputs, DebrisOfRunsNoLongerRunningIsRemoved) {
  if (!is_superuser()) GTEST_SKIP() << "hiding /proc from a run needs the superuser";
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizers' leak check needs /proc as the run ends";
#endif
  // Without /proc a new file cannot be nameless: it is ".lablix-<process>-<n>"
  // until complete.
  Models M;
  RunOptions NoProc;
  NoProc.bHideProc = true;
  const LablixRun Run = run_args(M.Dir, {"A_T1.FEM", "out.lab", "out.lst"}, NoProc);
  ASSERT_EQ(0, Run.iExit) << Run.Stderr;
  EXPECT_EQ((std::vector<std::string>{"A_T1.FEM", "B_T1.FEM", "C_T1.FEM", "out.lab", "out.lst"}),
            folder_names(M.Dir));
  // A killed run's file, one that a live run holds locked, another user's.
  for (const char* Name : {".lablix-999999-0", ".lablix-999999-1", ".lablix-999999-2"})
    write_file(M.at(Name), "PART OF A RUN");
  const int iHeld = ::open(M.at(".lablix-999999-1").c_str(), O_RDONLY);
  ASSERT_EQ(0, ::flock(iHeld, LOCK_EX));
  ASSERT_EQ(0, ::chown(M.at(".lablix-999999-2").c_str(), kThird, kThird));
  ASSERT_EQ(0, run_args(M.Dir, {"A_T1.FEM", "out.lab"}, NoProc).iExit);
  EXPECT_FALSE(file_exists(M.at(".lablix-999999-0")));
  EXPECT_TRUE(file_exists(M.at(".lablix-999999-1")));
  EXPECT_TRUE(file_exists(M.at(".lablix-999999-2")));
  ::close(iHeld);
}

}  // namespace
#endif
