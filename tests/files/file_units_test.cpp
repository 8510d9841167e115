#include "files/file_units.h"

#include <gtest/gtest.h>
#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// After windows.h.
#include <aclapi.h>
#include <sddl.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstring>
#include <string>
#include <vector>

#include "tests/testlib/lablix_run.h"

namespace {

struct TempDir {
  std::string Path = make_temp_dir();
  ~TempDir() { remove_tree(Path); }
  std::string at(const std::string& Name) const { return Path + "/" + Name; }
};

std::int32_t connect(std::int32_t iUnit, const std::string& Name, UnitStatus iStatus) {
  return connect_unit(iUnit, Name.data(), static_cast<std::int32_t>(Name.size()), iStatus, false);
}

}  // namespace

TEST(ReadLine, TerminatorsCutsAndPadding) {
  struct Case {
    const char* name;
    std::string bytes;
    std::int32_t nLen;
    std::vector<std::string> lines;
  };
  // clang-format off
  const Case cases[] = {
      {"LF", "ab\ncd\n", 8, {"ab", "cd"}}, {"CR LF", "ab\r\ncd\r\n", 8, {"ab", "cd"}},
      {"last line without terminator", "ab\ncd", 8, {"ab", "cd"}},
      {"CR at end of file stays", "ab\r\ncd\r", 8, {"ab", "cd\r"}},
      {"CR without LF is a character", "ab\rcd\r\nef", 8, {"ab\rcd", "ef"}},
      {"CR-only file is one line, cut", "ab\rcd\ref\r", 5, {"ab\rcd"}},
      {"empty lines", "\n\r\n\nx", 4, {"", "", "", "x"}}, {"empty file", "", 4, {}},
      {"300 characters, then a short line", std::string(299, 'x') + "y\nshort\n", 256,
       {std::string(256, 'x'), "short"}}};
  // clang-format on
  TempDir Dir;
  for (const Case& c : cases) {
    write_file(Dir.at("in.txt"), c.bytes);
    ASSERT_EQ(0, connect(23, Dir.at("in.txt"), kStatusOld)) << c.name;
    std::string Line(c.nLen + 1, '#');
    for (int iPass = 0; iPass < 2; ++iPass) {  // the second pass after a rewind
      for (const std::string& Expected : c.lines) {
        EXPECT_TRUE(read_line(23, Line.data(), c.nLen)) << c.name;
        EXPECT_EQ(Expected + std::string(c.nLen - Expected.size(), ' ') + "#", Line) << c.name;
      }
      EXPECT_FALSE(read_line(23, Line.data(), c.nLen)) << c.name;
      EXPECT_EQ(std::string(c.nLen, ' ') + "#", Line) << c.name << ": end of file gives blanks";
      rewind_unit(23);
    }
    close_unit(23);
  }
}

TEST(ConnectUnit, RefusesWhatCannotBeALinesFile) {
  TempDir Dir;
  struct Case {
    const char* name;
    std::string path;
    UnitStatus iStatus;
  };
  // clang-format off
  const Case cases[] = {
      {"empty name, input", "", kStatusOld}, {"empty name, output", "", kStatusUnknown},
      {"NUL in name", Dir.at("a") + std::string(1, '\0') + "b", kStatusUnknown},
      {"directory, input", Dir.Path, kStatusOld},
      {"directory, output", Dir.Path, kStatusUnknown}};
  // clang-format on
  for (const Case& c : cases) {
    EXPECT_GT(connect(24, c.path, c.iStatus), 0) << c.name;
    EXPECT_FALSE(is_unit_open(24)) << c.name;
  }
  EXPECT_FALSE(file_exists(Dir.at("a"))) << "a name cut at its NUL";
}

POSIX_ONLY_TEST(ConnectUnit, RefusesAFifo, "FIFOs are POSIX's")
#if !defined(_WIN32)
TEST(ConnectUnit, RefusesAFifo) {
  TempDir Dir;
  ASSERT_EQ(0, ::mkfifo(Dir.at("fifo").c_str(), 0600));
  for (UnitStatus iStatus : {kStatusOld, kStatusUnknown}) {
    EXPECT_GT(connect(24, Dir.at("fifo"), iStatus), 0) << iStatus;
    EXPECT_FALSE(is_unit_open(24)) << iStatus;
  }
}
#endif

POSIX_ONLY_TEST(ConnectUnit, SameFileOnTwoUnitsIsRefusedAndKeepsItsBytes,
                "symbolic links and /dev/null: the Windows form is SameFileUnderOtherNames")
#if !defined(_WIN32)
TEST(ConnectUnit, SameFileOnTwoUnitsIsRefusedAndKeepsItsBytes) {
  TempDir Dir;
  write_file(Dir.at("model.fem"), "KEEP\n");
  ASSERT_EQ(0, ::symlink(Dir.at("model.fem").c_str(), Dir.at("link.fem").c_str()));
  ASSERT_EQ(0, connect(21, Dir.at("model.fem"), kStatusOld));
  EXPECT_GT(connect(22, Dir.at("link.fem"), kStatusUnknown), 0) << "output through a symlink";
  EXPECT_GT(connect(22, Dir.Path + "/./model.fem", kStatusUnknown), 0) << "output, other spelling";
  EXPECT_GT(connect(22, Dir.at("link.fem"), kStatusOld), 0) << "second input";
  EXPECT_FALSE(is_unit_open(22));
  close_unit(21);
  EXPECT_EQ("KEEP\n", read_file(Dir.at("model.fem")));

  ASSERT_EQ(0, connect(22, Dir.at("out.lab"), kStatusUnknown));
  write_line(22, "x", 1);
  EXPECT_GT(connect(21, Dir.Path + "//out.lab", kStatusOld), 0) << "input of an output file";
  EXPECT_GT(connect(25, Dir.Path + "//out.lab", kStatusUnknown), 0) << "second output";
  close_unit(22);
  EXPECT_EQ("x\r\n", read_file(Dir.at("out.lab")));

  // A character device holds no data to lose: the bit bucket may be shared.
  ASSERT_EQ(0, connect(22, "/dev/null", kStatusUnknown));
  EXPECT_EQ(0, connect(25, "/dev/null", kStatusUnknown));
  close_unit(22);
  close_unit(25);
}
#endif

POSIX_ONLY_TEST(ConnectUnit, OutputReplacesTheOlderFileWholeWhenFinished,
                "permission bits and links: the Windows form is OutputReplacesTheOlderFileWhole")
POSIX_ONLY_TEST(ConnectUnit, OutputInAFolderThatTakesNoNewFileIsWrittenInPlace,
                "folder permission bits are POSIX's")
POSIX_ONLY_TEST(ReadLine, FileWhoseSizeReadsAsZeroIsReadWhole, "/proc is Linux's")
#if !defined(_WIN32)
TEST(ConnectUnit, OutputReplacesTheOlderFileWholeWhenFinished) {
  // Until the unit is finished the name holds the older file, whole; then
  // the new one, whole. The file keeps its permission bits, a link to it
  // stays a link, another hard link keeps the older content, and nothing
  // is left beside it.
  TempDir Dir;
  write_file(Dir.at("out.lab"), "OLDER CONTENT\r\n");
  ASSERT_EQ(0, ::chmod(Dir.at("out.lab").c_str(), 0640));
  ASSERT_EQ(0, ::symlink("out.lab", Dir.at("link.lab").c_str()));
  ASSERT_EQ(0, ::link(Dir.at("out.lab").c_str(), Dir.at("hard.lab").c_str()));
  const std::vector<std::string> Names = folder_names(Dir.Path);
  ASSERT_EQ(0, connect(22, Dir.at("link.lab"), kStatusUnknown));
  write_line(22, "new", 3);
  flush_unit(22);
  EXPECT_EQ("OLDER CONTENT\r\n", read_file(Dir.at("out.lab"))) << "before the finish";
  EXPECT_EQ(Names, folder_names(Dir.Path)) << "the new file has no name yet";
  finish_unit(22);
  EXPECT_EQ("new\r\n", read_file(Dir.at("out.lab")));
  EXPECT_GT(connect(25, Dir.at("out.lab"), kStatusUnknown), 0) << "still refused to a second unit";
  write_line(22, "more", 4);
  close_unit(22);
  EXPECT_EQ("new\r\nmore\r\n", read_file(Dir.at("link.lab")));
  EXPECT_EQ("OLDER CONTENT\r\n", read_file(Dir.at("hard.lab")));
  struct stat Info;
  ASSERT_EQ(0, ::lstat(Dir.at("link.lab").c_str(), &Info));
  EXPECT_TRUE(S_ISLNK(Info.st_mode));
  ASSERT_EQ(0, ::stat(Dir.at("out.lab").c_str(), &Info));
  EXPECT_EQ(0640u, Info.st_mode & 07777);
  EXPECT_EQ(Names, folder_names(Dir.Path));

  // Two units making one new name in one run: the second is refused.
  ASSERT_EQ(0, connect(22, Dir.at("fresh.lab"), kStatusUnknown));
  EXPECT_GT(connect(25, Dir.Path + "/./fresh.lab", kStatusUnknown), 0);
  close_unit(22);
  EXPECT_EQ("", read_file(Dir.at("fresh.lab")));
}

TEST(ConnectUnit, OutputInAFolderThatTakesNoNewFileIsWrittenInPlace) {
  if (::geteuid() == 0) GTEST_SKIP() << "folder permissions do not bind the superuser";
  TempDir Dir;
  write_file(Dir.at("out.lab"), "OLDER AND LONGER CONTENT\r\n");
  ASSERT_EQ(0, ::chmod(Dir.Path.c_str(), 0500));
  ASSERT_EQ(0, connect(22, Dir.at("out.lab"), kStatusUnknown));
  write_line(22, "new", 3);
  close_unit(22);
  EXPECT_EQ("new\r\n", read_file(Dir.at("out.lab")));
  EXPECT_GT(connect(22, Dir.at("missing.lab"), kStatusUnknown), 0) << "no new file can be made";
  ::chmod(Dir.Path.c_str(), 0700);
}

TEST(ReadLine, FileWhoseSizeReadsAsZeroIsReadWhole) {
  // Files under /proc give their size as 0 yet hold lines.
  ASSERT_EQ(0, connect(23, "/proc/self/status", kStatusOld));
  std::string Line(6, ' ');
  EXPECT_TRUE(read_line(23, Line.data(), 6));
  EXPECT_EQ("Name:\t", Line);
  close_unit(23);
}
#endif

#if defined(_WIN32)
// The Windows forms of the refusals and the replacement above.
std::wstring wide(const std::string& Path) {
  return std::wstring(Path.begin(), Path.end());  // the test's paths are ASCII
}

TEST(ConnectUnit, SameFileUnderOtherNames) {
  TempDir Dir;
  write_file(Dir.at("model.fem"), "KEEP\n");
  ASSERT_EQ(0, connect(21, Dir.at("model.fem"), kStatusOld));
  std::string Backslashed = Dir.at("MODEL.FEM");
  for (char& c : Backslashed)
    if (c == '/') c = '\\';
  EXPECT_GT(connect(22, Backslashed, kStatusUnknown), 0) << "output, other case and separators";
  EXPECT_GT(connect(22, Dir.Path + "/./model.fem", kStatusOld), 0) << "second input";
  EXPECT_FALSE(is_unit_open(22));
  close_unit(21);
  EXPECT_EQ("KEEP\n", read_file(Dir.at("model.fem")));
  // A new file too: names that differ only in case are one name.
  ASSERT_EQ(0, connect(22, Dir.at("X.LAB"), kStatusUnknown));
  EXPECT_EQ(kRefusedOtherFileOfRun, connect(25, Dir.at("x.lab"), kStatusUnknown));
  EXPECT_EQ(kRefusedOtherFileOfRun, connect(25, Dir.Path + "\\.\\x.Lab", kStatusUnknown));
  close_unit(22);
  EXPECT_EQ((std::vector<std::string>{"X.LAB", "model.fem"}), folder_names(Dir.Path));
  // The bit bucket may be shared.
  ASSERT_EQ(0, connect(22, "NUL", kStatusUnknown));
  EXPECT_EQ(0, connect(25, "NUL", kStatusUnknown));
  close_unit(22);
  close_unit(25);
}

TEST(ConnectUnit, RefusesWhatWindowsHoldsOrForbids) {
  TempDir Dir;
  write_file(Dir.at("held.fem"), "HELD\n");
  write_file(Dir.at("readonly.lab"), "OLD\n");
  ASSERT_TRUE(::SetFileAttributesW(wide(Dir.at("readonly.lab")).c_str(), FILE_ATTRIBUTE_READONLY));
  // Another program holds it open and shares it with no one.
  const HANDLE hHeld = ::CreateFileW(wide(Dir.at("held.fem")).c_str(), GENERIC_READ, 0, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, hHeld);
  struct Case {
    const char* name;
    std::string path;
    UnitStatus iStatus;
    int iRefusal;
  };
  const Case cases[] = {
      {"held, input", Dir.at("held.fem"), kStatusOld, EACCES},
      {"held, output", Dir.at("held.fem"), kStatusUnknown, EACCES},
      {"read-only, output", Dir.at("readonly.lab"), kStatusUnknown, EACCES},
      {"console device", "CON", kStatusUnknown, kForbiddenName},
      {"console device with extension", Dir.at("con.lab"), kStatusUnknown, kForbiddenName},
      {"bit bucket with extension", Dir.at("nul.lab"), kStatusUnknown, kForbiddenName},
      {"port with extension", Dir.at("COM1.lst"), kStatusUnknown, kForbiddenName},
      {"device, blank before the extension", Dir.at("aux .txt"), kStatusUnknown, kForbiddenName},
      {"device with extension, input", Dir.at("prn.fem"), kStatusOld, kForbiddenName},
      {"forbidden character", Dir.at("a<b.lab"), kStatusUnknown, kForbiddenName},
      {"wildcard", Dir.at("a?b.lab"), kStatusUnknown, kForbiddenName},
      {"trailing dot", Dir.at("out."), kStatusUnknown, kForbiddenName},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.iRefusal, connect(24, c.path, c.iStatus)) << c.name;
    EXPECT_FALSE(is_unit_open(24)) << c.name;
    close_unit(24);
  }
  ::CloseHandle(hHeld);
  EXPECT_EQ("HELD\n", read_file(Dir.at("held.fem")));
  ::SetFileAttributesW(wide(Dir.at("readonly.lab")).c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ("OLD\n", read_file(Dir.at("readonly.lab")));
  EXPECT_EQ((std::vector<std::string>{"held.fem", "readonly.lab"}), folder_names(Dir.Path));
  EXPECT_STREQ("the system forbids such a name", refusal_words(kForbiddenName));
}

TEST(ConnectUnit, OutputReplacesTheOlderFileWhole) {
  TempDir Dir;
  write_file(Dir.at("out.lab"), "OLDER CONTENT\r\n");
  ASSERT_EQ(0, connect(22, Dir.at("out.lab"), kStatusUnknown));
  write_line(22, "new", 3);
  flush_unit(22);
  EXPECT_EQ("OLDER CONTENT\r\n", read_file(Dir.at("out.lab"))) << "before the finish";
  finish_unit(22);
  EXPECT_EQ("new\r\n", read_file(Dir.at("out.lab")));
  close_unit(22);
  EXPECT_EQ((std::vector<std::string>{"out.lab"}), folder_names(Dir.Path));
  EXPECT_EQ(0u, ::GetFileAttributesW(wide(Dir.at("out.lab")).c_str()) & FILE_ATTRIBUTE_HIDDEN)
      << "the new file, made under a dotted name, is not hidden under its own";
}

TEST(ConnectUnit, UnfinishedOutputsLeaveTheFolderAsItWas) {
  // A fatal stop drops both outputs: the older file stays whole, the new
  // name gets no file, and nothing is left beside them.
  TempDir Dir;
  write_file(Dir.at("out.lab"), "OLDER CONTENT\r\n");
  ASSERT_EQ(0, connect(22, Dir.at("out.lab"), kStatusUnknown));
  ASSERT_EQ(0, connect(25, Dir.at("fresh.lst"), kStatusUnknown));
  for (const std::int32_t iUnit : {22, 25}) {
    write_line(iUnit, "new", 3);
    flush_unit(iUnit);
  }
  EXPECT_EQ(2, close_all_units());
  EXPECT_EQ("OLDER CONTENT\r\n", read_file(Dir.at("out.lab")));
  EXPECT_EQ((std::vector<std::string>{"out.lab"}), folder_names(Dir.Path));
}

std::wstring dacl_text(const std::wstring& Path) {
  PSECURITY_DESCRIPTOR pDescriptor = nullptr;
  PACL pDacl = nullptr;
  wchar_t* WcText = nullptr;
  std::wstring Text;
  if (::GetNamedSecurityInfoW(Path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &pDacl, nullptr, &pDescriptor) == ERROR_SUCCESS &&
      ::ConvertSecurityDescriptorToStringSecurityDescriptorW(
          pDescriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &WcText, nullptr)) {
    Text = WcText;
    ::LocalFree(WcText);
  }
  ::LocalFree(pDescriptor);
  return Text;
}

TEST(ConnectUnit, ReplacementKeepsTheHiddenAttributeAndTheDacl) {
  // Replaced, not written over in place: a hard link keeps the older
  // content, and the new file under the name has what the older one had.
  TempDir Dir;
  const std::wstring Path = wide(Dir.at("out.lab"));
  write_file(Dir.at("out.lab"), "OLDER CONTENT\r\n");
  ASSERT_TRUE(::CreateHardLinkW(wide(Dir.at("hard.lab")).c_str(), Path.c_str(), nullptr));
  ASSERT_TRUE(::SetFileAttributesW(Path.c_str(), FILE_ATTRIBUTE_HIDDEN));
  const wchar_t* WcOwnDacl = L"D:P(A;;FA;;;WD)(A;;FR;;;BU)";
  PSECURITY_DESCRIPTOR pWanted = nullptr;
  ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(WcOwnDacl, SDDL_REVISION_1,
                                                                     &pWanted, nullptr));
  ::SetFileSecurityW(Path.c_str(), DACL_SECURITY_INFORMATION, pWanted);
  ::LocalFree(pWanted);
  const std::wstring Dacl = dacl_text(Path);
  ASSERT_EQ(0, connect(22, Dir.at("out.lab"), kStatusUnknown));
  write_line(22, "new", 3);
  close_unit(22);
  EXPECT_EQ("new\r\n", read_file(Dir.at("out.lab")));
  EXPECT_EQ("OLDER CONTENT\r\n", read_file(Dir.at("hard.lab"))) << "replaced, not in place";
  EXPECT_NE(0u, ::GetFileAttributesW(Path.c_str()) & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(Dacl, dacl_text(Path));
  // Wine derives a file's DACL from its permission bits and keeps no other.
  if (Dacl != WcOwnDacl) GTEST_SKIP() << "a DACL of the file's own is not kept here";
}

TEST(ConnectUnit, OlderFileOpenInAnotherProgramIsStillReplacedWhole) {
  // Windows renames nothing over a file that is open: the new content then
  // goes into the older file, whole, instead of the run failing at its end.
  TempDir Dir;
  write_file(Dir.at("out.lab"), "OLDER AND LONGER CONTENT\r\n");
  const HANDLE hViewer = ::CreateFileW(wide(Dir.at("out.lab")).c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, hViewer);
  ASSERT_EQ(0, connect(22, Dir.at("out.lab"), kStatusUnknown));
  write_line(22, "new", 3);
  close_unit(22);
  ::CloseHandle(hViewer);
  EXPECT_EQ("new\r\n", read_file(Dir.at("out.lab")));
  EXPECT_EQ((std::vector<std::string>{"out.lab"}), folder_names(Dir.Path));
}

TEST(ConnectUnit, LeftoversOfRunsNoLongerRunningAreRemoved) {
  // A run that was killed leaves its new file; one that still runs holds
  // its file so that it cannot be deleted.
  TempDir Dir;
  write_file(Dir.at(".lablix-1-0"), "DEAD RUN");
  write_file(Dir.at(".lablix-2-0"), "LIVE RUN");
  write_file(Dir.at(".lablix.ini"), "NOT A RUN'S");
  const HANDLE hLive = ::CreateFileW(wide(Dir.at(".lablix-2-0")).c_str(), GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, hLive);
  ASSERT_EQ(0, connect(22, Dir.at("out.lab"), kStatusUnknown));
  close_unit(22);
  ::CloseHandle(hLive);
  EXPECT_EQ((std::vector<std::string>{".lablix-2-0", ".lablix.ini", "out.lab"}),
            folder_names(Dir.Path));
}
#endif

TEST(LineRoom, LinesBuiltInPlaceAreWrittenAsWriteLineWritesThem) {
  // Lines of every length up to a room of 4096, written in turn by
  // write_line and built in the buffer, over many buffer fills: both files
  // hold the same bytes, and what a builder wrote past its line is gone.
  TempDir Dir;
  ASSERT_EQ(0, connect(22, Dir.at("plain.lab"), kStatusUnknown));
  ASSERT_EQ(0, connect(25, Dir.at("room.lab"), kStatusUnknown));
  std::string Expected;
  for (std::int32_t i = 0; i < 3000; ++i) {
    const std::int32_t nMax = i % 7 == 0 ? 4096 : 100;
    const std::string Line(static_cast<std::size_t>(i * 37 % nMax),
                           static_cast<char>('a' + i % 26));
    write_line(22, Line.data(), static_cast<std::int64_t>(Line.size()));
    char* pRoom = line_room(25, nMax);
    std::memset(pRoom, '#', static_cast<std::size_t>(nMax));  // all of the room may be written
    std::memcpy(pRoom, Line.data(), Line.size());
    end_line_at(25, static_cast<std::int32_t>(Line.size()));
    Expected += Line + "\r\n";
  }
  close_unit(22);
  close_unit(25);
  EXPECT_EQ(Expected, read_file(Dir.at("plain.lab")));
  EXPECT_EQ(Expected, read_file(Dir.at("room.lab")));
}

TEST(CloseUnit, UnitNotOpenIsLeftAlone) {
  for (std::int32_t iUnit : {77, 0, 100, -5})
    close_unit(iUnit);
  EXPECT_FALSE(is_unit_open(77));
  EXPECT_TRUE(is_unit_open(kUnitConsoleOut));
}

POSIX_ONLY_TEST(CloseUnitDeathTest, LostWriteIsAFatalStop, "/dev/full is Linux's")
POSIX_ONLY_TEST(ReadLineDeathTest, FileCutShortWhileMappedIsAFatalReadFailure,
                "Windows refuses to cut a file that is mapped")
#if !defined(_WIN32)
TEST(CloseUnitDeathTest, LostWriteIsAFatalStop) {
  ASSERT_EQ(0, connect(30, "/dev/full", kStatusUnknown));
  write_line(30, "label", 5);
  EXPECT_EXIT(close_unit(30), testing::ExitedWithCode(2), "^ \\*\\*\\* FATAL.*unit 30");
  close_all_units();
}

TEST(ReadLineDeathTest, FileCutShortWhileMappedIsAFatalReadFailure) {
  // Another program emptying the FEM file during the run: the mapped pages
  // are gone, and the read fails instead of delivering garbage.
  TempDir Dir;
  write_file(Dir.at("model.FEM"), std::string(3 * 4096, 'x') + "\n");
  ASSERT_EQ(0, connect(31, Dir.at("model.FEM"), kStatusOld));
  ASSERT_EQ(0, ::truncate(Dir.at("model.FEM").c_str(), 0));
  const char* pLine = nullptr;
  std::int64_t nLine = 0;
  EXPECT_EXIT(read_line_view(31, pLine, nLine), testing::ExitedWithCode(2),
              "^ \\*\\*\\* FATAL: \".*model.FEM\" \\(unit 31\\) was cut short while it was read");
  close_unit(31);
}
#endif
