#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/testlib/lablix_run.h"

#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace {

TEST(IsConsoleOwn, OnlyAConsoleNoOtherProcessShares) {
  struct Case {
    const char* name;
    std::int32_t nProcesses;
    bool bInputIsConsole;
    bool bOwn;
  };
  // One case per side of each input; a count that failed (0) is no console
  // of the run's own.
  const Case cases[] = {
      {"double click: a window of its own", 1, true, true},
      {"started from a console window that others share", 2, true, false},
      {"answers from a pipe", 1, false, false},
      {"the processes could not be counted", 0, true, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.bOwn, is_console_own(c.nProcesses, c.bInputIsConsole)) << c.name;
}

TEST(FileVersion, TellsAWriteAndANewFileUnderTheName) {
  const std::string Dir = make_temp_dir(), Path = Dir + "/model.FEM";
  write_file(Path, "GNODE 1 1\n");
  FileHandle hFile = kNoFile;
  FileIdentity Id{};
  ASSERT_EQ(0, open_regular_file(Path.c_str(), kRegularRead, hFile, Id));
  FileVersion Opened{}, Now{}, Named{};
  ASSERT_EQ(0, version_of(hFile, Opened));
  ASSERT_EQ(0, version_of_name(Path.c_str(), Named));
  EXPECT_TRUE(is_same_version(Opened, Named));
  EXPECT_EQ(10, Opened.nSize);
  EXPECT_NE(0, version_of_name((Dir + "/none.FEM").c_str(), Named));
  if (!kOnWindows) {
    // A new file under the name: the open one is as it was, the name
    // leads elsewhere. (Windows renames over no file.)
    write_file(Dir + "/new.FEM", "GNODE 1 2\n");
    ASSERT_EQ(0, std::rename((Dir + "/new.FEM").c_str(), Path.c_str()));
    ASSERT_EQ(0, version_of(hFile, Now));
    EXPECT_TRUE(is_same_version(Opened, Now));
    ASSERT_EQ(0, version_of_name(Path.c_str(), Named));
    EXPECT_FALSE(is_same_version(Opened, Named));
  }
  // Written again, longer, under the same name.
  write_file(Path, "GNODE 1 1\nGNODE 2 2\n");
  ASSERT_EQ(0, version_of_name(Path.c_str(), Named));
  EXPECT_EQ(20, Named.nSize);
  close_file(hFile);
  remove_tree(Dir);
}

POSIX_ONLY_TEST(ScratchFile, LivesInTmpdirElseInMemory, "memory files and TMPDIR are POSIX's")
#if !defined(_WIN32)
// What the system shows for the open file hFile: its folder and name.
std::string shown_path(FileHandle hFile) {
  char Ch[4096];
  const ssize_t n = ::readlink(("/proc/self/fd/" + std::to_string(hFile)).c_str(), Ch, sizeof Ch);
  return n > 0 ? std::string(Ch, static_cast<std::size_t>(n)) : std::string();
}

TEST(ScratchFile, LivesInTmpdirElseInMemory) {
  const char* ChKept = std::getenv("TMPDIR");
  const std::string Kept = ChKept != nullptr ? ChKept : "";
  const std::string Dir = make_temp_dir();
  struct Case {
    const char* What;
    const char* ChTmpDir;  // null: unset
    std::string ShownStart;
  };
  const Case cases[] = {
      {"TMPDIR names a folder", Dir.c_str(), Dir + "/"},
      {"TMPDIR unset", nullptr, "/memfd:lablix-scratch"},
      {"TMPDIR names no folder", "/nonexistent/folder", "/memfd:lablix-scratch"},
  };
  for (const Case& c : cases) {
    if (c.ChTmpDir != nullptr) {
      ::setenv("TMPDIR", c.ChTmpDir, 1);
    } else {
      ::unsetenv("TMPDIR");
    }
    FileHandle hFile = kNoFile;
    ASSERT_EQ(0, open_scratch_file(hFile)) << c.What;
    const std::string Shown = shown_path(hFile);
    EXPECT_EQ(0u, Shown.rfind(c.ShownStart, 0)) << c.What << ": " << Shown;
    EXPECT_NE(std::string::npos, Shown.find("(deleted)")) << c.What << ": nameless";
    close_file(hFile);
  }
  if (ChKept != nullptr) {
    ::setenv("TMPDIR", Kept.c_str(), 1);
  } else {
    ::unsetenv("TMPDIR");
  }
  remove_tree(Dir);
}
#endif

}  // namespace
