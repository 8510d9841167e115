#include "files/file_open.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "files/file_units.h"
#include "tests/testlib/lablix_run.h"

namespace {

constexpr std::int32_t kMsg = 40;  // the message unit: a file read back after each open
const std::string kFailHead = "\r\n\r\n\r\n *** ERROR DURING OPENING OF FILE UNIT";

struct OpenUnit : testing::Test {
  std::string Dir = make_temp_dir();
  void SetUp() override {
    ASSERT_EQ(0, connect_unit(kMsg, at("msg").data(), size(at("msg")), kStatusUnknown, false));
  }
  void TearDown() override { close_unit(kMsg), remove_tree(Dir); }
  std::string at(const std::string& Name) const { return Dir + "/" + Name; }
  static std::int32_t size(const std::string& Text) {
    return static_cast<std::int32_t>(Text.size());
  }
  std::string messages() {  // what the message unit got since the last call
    close_unit(kMsg);
    const std::string Bytes = read_file(at("msg"));
    SetUp();
    return Bytes;
  }
  // open_named_file on a 256-character answer field.
  std::int32_t open_named(const std::string& Name, std::int32_t iUnit, std::int32_t iMode) {
    const std::string Answer = Name + std::string(256 - Name.size(), ' ');
    std::int32_t iStatus = 0;
    open_named_file(Answer.data(), 256, iUnit, iMode, iStatus);
    close_unit(iUnit);
    return iStatus;
  }
};

}  // namespace

TEST_F(OpenUnit, IllegalUnitOrRecordLengthOpensNothing) {
  struct Case {
    std::int32_t iUnit, iAccess, iLength, iResult;
    const char* expected;
  };
  // clang-format off
  const Case cases[] = {{0, 0, 0, -901, "    0\r\n     ILLEGAL FILE UNIT\r\n"},
                        {100, 0, 0, -901, "  100\r\n     ILLEGAL FILE UNIT\r\n"},
                        {-5, 20, 0, -901, "   -5\r\n     ILLEGAL FILE UNIT\r\n"},
                        {41, 20, 0, -902, "   41\r\n     ILLEGAL RECORD LENGTH =    0\r\n"},
                        {41, 20, -3, -902, "   41\r\n     ILLEGAL RECORD LENGTH =   -3\r\n"}};
  // clang-format on
  const std::string Name = at("f.dat");
  for (const Case& c : cases) {
    // Report flag 0: failures are written all the same.
    EXPECT_EQ(c.iResult,
              open_unit(Name.data(), size(Name), c.iUnit, 1, c.iAccess, 0, 0, c.iLength, 0, kMsg));
    EXPECT_EQ(kFailHead + c.expected, messages());
    EXPECT_FALSE(is_unit_open(41) || file_exists(Name)) << c.expected;
  }
  write_file(Name, "old");
  EXPECT_EQ(-EEXIST, open_unit(Name.data(), size(Name), 44, 3, 0, 1, 0, 0, 1, kMsg))
      << "NEW, existing";
  EXPECT_EQ(kFailHead + "   44\r\n     ERROR CODE =   " + std::to_string(EEXIST) +
                "  (SYSTEM PARAMETER)\r\n",
            messages());
  EXPECT_EQ("old", read_file(Name));
}

TEST_F(OpenUnit, ReportShowsTheAttributesHandedToTheFileLayer) {
  struct Case {
    const char* name;
    std::int32_t iStatus, iAccess, iForm, iBlank, iLength, iReport, iMessageUnit;
    const char* expected;  // the lines after the unit line(s)
  };
  const Case cases[] = {{"formatted direct", 1, 20, 1, 1, 10, 1, kMsg,
                         "UNKNOWN\r\n          ACCESS =DIRECT    \r\n          FORM   =FORMATTED  "
                         "\r\n          LENGTH =   40 "
                         "WORDS/BYTES PER RECORD (SECTOR)\r\n          BLANK  =ZERO\r\n"},
                        {"unformatted direct", 3, 20, 0, 1, 10, 1, kMsg,
                         "NEW    \r\n          ACCESS =DIRECT    \r\n          FORM   "
                         "=UNFORMATTED\r\n          LENGTH =   10 "
                         "WORDS/BYTES PER RECORD (SECTOR)\r\n"},
                        {"access 30, record length 0", 1, 30, 1, 0, 0, 1, kMsg,
                         "UNKNOWN\r\n          ACCESS =DIRECT    \r\n          FORM   =FORMATTED  "
                         "\r\n          LENGTH =  128 "
                         "WORDS/BYTES PER RECORD (SECTOR)\r\n          BLANK  =NULL\r\n"},
                        {"scratch", 4, 0, 0, 1, 0, 1, kMsg,
                         "SCRATCH\r\n          ACCESS =SEQUENTIAL\r\n          FORM   =FORMATTED  "
                         "\r\n          LENGTH =    0 "
                         "WORDS/BYTES PER RECORD (SECTOR)\r\n          BLANK  =ZERO\r\n"},
                        {"report flag 0", 1, 0, 1, 0, 0, 0, kMsg, nullptr},
                        {"message unit 0", 1, 0, 1, 0, 0, 1, 0, nullptr}};
  for (const Case& c : cases) {
    const std::string Name = at(c.name);
    EXPECT_EQ(0, open_unit(Name.data(), size(Name), 42, c.iStatus, c.iAccess, c.iForm, c.iBlank,
                           c.iLength, c.iReport, c.iMessageUnit))
        << c.name;
    EXPECT_TRUE(is_unit_open(42)) << c.name;
    close_unit(42);
    std::string Expected;
    if (c.expected != nullptr) {
      Expected = c.iStatus == 4
                     ? "\r\n\r\n\r\n     A SCRATCH FILE IS OPENED ON UNIT NO.  42\r\n"
                     : "\r\n\r\n\r\n     FILE  " + Name + "\r\n     IS OPENED ON UNIT NO.  42\r\n";
      Expected += std::string("     FILE CHARACTERISTICS :\r\n          STATUS =") + c.expected;
    }
    EXPECT_EQ(Expected, messages()) << c.name;
    EXPECT_EQ(c.iStatus != 4, file_exists(Name)) << c.name << ": a scratch file has no name";
  }
}

TEST_F(OpenUnit, NamedFileModes) {
  EXPECT_EQ(-1, open_named(at("missing.fem"), 21, 1)) << "mode 1 needs an existing file";
  EXPECT_FALSE(file_exists(at("missing.fem")));
  write_file(at("run.lab"), "OLD CONTENT");
  EXPECT_EQ(0, open_named(at("run.lab"), 20, 0));
  EXPECT_EQ("", read_file(at("run.lab"))) << "an output file closed with nothing written is empty";
  EXPECT_EQ(0, open_named(at("new.lab"), 20, 0)) << "mode 0 creates";
  // Looked for among the folder's names: Windows would find "new.lab " as
  // "new.lab" too.
  const std::vector<std::string> Names = folder_names(Dir);
  EXPECT_TRUE(std::count(Names.begin(), Names.end(), "new.lab") == 1 &&
              std::count(Names.begin(), Names.end(), "new.lab ") == 0)
      << "trailing blanks dropped";
  // A negative mode repeats the status of the previous call.
  EXPECT_EQ(0, open_named(at("run.lab"), 21, 1));
  EXPECT_EQ(-1, open_named(at("missing2.lab"), 21, -1)) << "kept OLD";
  EXPECT_EQ(0, open_named(at("new.lab"), 21, 0));
  EXPECT_EQ(0, open_named(at("missing3.lab"), 21, -7)) << "kept UNKNOWN";
  EXPECT_TRUE(file_exists(at("missing3.lab")));
  EXPECT_EQ(-1, open_named("", 21, 1)) << "all-blank name, mode 1";
  EXPECT_EQ(-1, open_named("", 21, 0)) << "all-blank name, mode 0";
}
