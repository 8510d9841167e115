// The output file's own contract on POSIX systems: a file takes its name
// only when placed, a dropped one leaves the older file as it was, and the
// refusals come at the open with nothing created.
#include "files/output_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/testlib/lablix_run.h"

namespace {

struct Folder {
  std::string Dir = make_temp_dir();
  ~Folder() { remove_tree(Dir); }
  std::string at(const char* ChName) const { return Dir + "/" + ChName; }
};

int write_text(OutputFile& Out, const std::string& Text) {
  return write_output_file(Out, Text.data(), static_cast<std::int64_t>(Text.size()));
}

mode_t mode_of(const std::string& Path) {
  struct stat St {};
  return ::stat(Path.c_str(), &St) == 0 ? St.st_mode & 07777 : 0;
}

}  // namespace

TEST(OutputFile, ANewNameHoldsNothingUntilPlaced) {
  Folder F;
  const std::string Path = F.at("new.lab");
  OutputFile Out;
  ASSERT_EQ(0, open_output_file(Path.c_str(), Out));
  EXPECT_EQ(kWritingReplaced, Out.iWriting);
  ASSERT_EQ(0, write_text(Out, "labels\r\n"));
  EXPECT_FALSE(file_exists(Path)) << "named before it was placed";
  ASSERT_EQ(0, place_output_file(Out));
  EXPECT_EQ("labels\r\n", read_file(Path));
  ASSERT_EQ(0, write_text(Out, "more\r\n"));
  ASSERT_EQ(0, finish_output_file(Out));
  EXPECT_EQ("labels\r\nmore\r\n", read_file(Path));
  EXPECT_EQ(std::vector<std::string>{"new.lab"}, folder_names(F.Dir)) << "a new file left behind";
}

TEST(OutputFile, ADroppedFileLeavesTheOlderOneAsItWas) {
  Folder F;
  const std::string Path = F.at("old.lab");
  const std::string Link = F.at("link.lab");
  write_file(Path, "older\n");
  ASSERT_EQ(0, ::chmod(Path.c_str(), 0604));
  ASSERT_EQ(0, ::link(Path.c_str(), Link.c_str()));
  OutputFile Dropped;
  ASSERT_EQ(0, open_output_file(Path.c_str(), Dropped));
  ASSERT_EQ(0, write_text(Dropped, "half"));
  abandon_output_file(Dropped);
  EXPECT_EQ("older\n", read_file(Path));
  EXPECT_EQ(2u, folder_names(F.Dir).size()) << "the new file stayed behind";
  // Finished, it replaces the older file under its name, with its mode;
  // the other link keeps the older content.
  OutputFile Out;
  ASSERT_EQ(0, open_output_file(Path.c_str(), Out));
  char ChStart[8] = {};
  EXPECT_EQ(5, read_older_at(Out, 0, ChStart, 5));
  EXPECT_EQ("older", std::string(ChStart, 5));
  ASSERT_EQ(0, write_text(Out, "newer\n"));
  ASSERT_EQ(0, finish_output_file(Out));
  EXPECT_EQ("newer\n", read_file(Path));
  EXPECT_EQ("older\n", read_file(Link));
  EXPECT_EQ(static_cast<mode_t>(0604), mode_of(Path));
}

TEST(OutputFile, RefusalsComeAtTheOpenWithNothingCreated) {
  Folder F;
  ASSERT_EQ(0, ::mkdir(F.at("sub").c_str(), 0700));
  ASSERT_EQ(0, ::mkfifo(F.at("pipe").c_str(), 0600));
  ASSERT_EQ(0, ::symlink("loop", F.at("loop").c_str()));
  struct Case {
    const char* name;
    std::string path;
    int iError;
  };
  const Case cases[] = {
      {"a folder", F.at("sub"), EISDIR},
      {"a FIFO", F.at("pipe"), EINVAL},
      {"a missing folder", F.at("none/x.lab"), ENOENT},
      {"a name ending in a slash", F.at("x.lab/"), EISDIR},
      {"a folder by its parent", F.at("sub/.."), EISDIR},
      {"a file taken for a folder", F.at("pipe/x.lab"), ENOTDIR},
      {"a loop of links", F.at("loop/x.lab"), ELOOP},
      {"the last part a loop", F.at("loop"), ELOOP},
  };
  for (const Case& c : cases) {
    OutputFile Out;
    EXPECT_EQ(c.iError, open_output_file(c.path.c_str(), Out)) << c.name;
    EXPECT_EQ(3u, folder_names(F.Dir).size()) << c.name << ": something was created";
  }
}

// The name is walked one part at a time, as the system would: the file
// made is where the system's own look-up leads.
TEST(OutputFile, PathsLeadWhereTheSystemsLookUpLeads) {
  Folder F;
  ASSERT_EQ(0, ::mkdir(F.at("sub").c_str(), 0700));
  ASSERT_EQ(0, ::symlink("sub", F.at("in").c_str()));
  ASSERT_EQ(0, ::symlink(F.at("sub").c_str(), F.at("abs").c_str()));
  ASSERT_EQ(0, ::symlink("in/../sub/dangling.lab", F.at("dl.lab").c_str()));
  const std::string kSub = "/sub/";
  struct Case {
    std::string Given;
    const char* Made;  // in sub/
  };
  const Case cases[] = {
      {F.at("sub/../sub/a.lab"), "a.lab"}, {F.Dir + "/./sub//b.lab", "b.lab"},
      {F.at("in/c.lab"), "c.lab"},         {F.at("abs/d.lab"), "d.lab"},
      {F.at("in/../in/e.lab"), "e.lab"},   {F.at("dl.lab"), "dangling.lab"},
  };
  for (const Case& c : cases) {
    OutputFile Out;
    ASSERT_EQ(0, open_output_file(c.Given.c_str(), Out)) << c.Given;
    ASSERT_EQ(0, write_text(Out, c.Given));
    ASSERT_EQ(0, finish_output_file(Out)) << c.Given;
    EXPECT_EQ(c.Given, read_file(F.Dir + kSub + c.Made)) << c.Given;
  }
  struct stat Link {};
  ASSERT_EQ(0, ::lstat(F.at("dl.lab").c_str(), &Link));
  EXPECT_TRUE(S_ISLNK(Link.st_mode)) << "the link stays a link";
}

TEST(OutputFile, AnOlderFileChangedMeanwhileIsNotReplaced) {
  Folder F;
  const std::string Path = F.at("x.lab");
  write_file(Path, "older\n");
  OutputFile Out;
  ASSERT_EQ(0, open_output_file(Path.c_str(), Out));
  ASSERT_EQ(0, write_text(Out, "run\n"));
  FILE* pAppend = std::fopen(Path.c_str(), "a");
  ASSERT_NE(nullptr, pAppend);
  std::fputs("added meanwhile\n", pAppend);
  std::fclose(pAppend);
  EXPECT_EQ(kOutputChanged, finish_output_file(Out));
  EXPECT_EQ("older\nadded meanwhile\n", read_file(Path));
  EXPECT_EQ(1u, folder_names(F.Dir).size()) << "the run's file stayed behind";
}

TEST(OutputFile, ANameTakenMeanwhileIsNotReplaced) {
  Folder F;
  const std::string Path = F.at("x.lab");
  OutputFile Out;
  ASSERT_EQ(0, open_output_file(Path.c_str(), Out));
  ASSERT_EQ(0, write_text(Out, "run\n"));
  write_file(Path, "someone else's\n");
  EXPECT_EQ(kOutputNameTaken, finish_output_file(Out));
  EXPECT_EQ("someone else's\n", read_file(Path));
  EXPECT_EQ(1u, folder_names(F.Dir).size()) << "the run's file stayed behind";
}

TEST(OutputFile, OneNewNameOpenedTwiceIsOneFile) {
  Folder F;
  OutputFile A, B, C;
  ASSERT_EQ(0, open_output_file(F.at("a.lab").c_str(), A));
  ASSERT_EQ(0, open_output_file(F.at("a.lab").c_str(), B));
  ASSERT_EQ(0, open_output_file(F.at("b.lab").c_str(), C));
  EXPECT_TRUE(is_same_new_file(A, B));
  EXPECT_FALSE(is_same_new_file(A, C));
  abandon_output_file(A);
  abandon_output_file(B);
  abandon_output_file(C);
  EXPECT_TRUE(folder_names(F.Dir).empty());
}

TEST(OutputFile, ACharacterDeviceIsWrittenDirectly) {
  OutputFile Out;
  ASSERT_EQ(0, open_output_file("/dev/null", Out));
  EXPECT_EQ(kWritingDirect, Out.iWriting);
  EXPECT_EQ(0, write_text(Out, "gone\n"));
  EXPECT_EQ(0, finish_output_file(Out));
}
