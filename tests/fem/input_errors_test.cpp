#include "fem/input_errors.h"

#include <gtest/gtest.h>

#include <string>

#include "files/file_units.h"
#include "tests/testlib/lablix_run.h"

TEST(InputErrors, ComposedReportsAndTheLinesWritten) {
  const std::string Head2102 = "*** ERROR IN INP_2102       ***\nLast Input Line:";
  // The line's 207th character is the last that fits: the report is 256 long.
  const std::string Long = "LLLLLLLLLL " + std::string(245, 'M');
  struct Case {
    const char* name;
    std::string line;  // quoted by INP_2102; "2101" and "2103" compose those reports
    std::string message;
  };
  const Case cases[] = {
      {"INP_2101", "2101", "*** ERROR IN INP_2101       ***"},
      {"INP_2103", "2103", "*** ERROR IN INP_2103       ***"},
      {"INP_2102 quoting a header", "GELMNT1   7 100001  1" + std::string(235, ' '),
       Head2102 + " GELMNT1   7 100001  1"},
      {"INP_2102 cut to 256", Long, Head2102 + " " + Long.substr(0, 207)},
      {"INP_2102 of a line shorter than the buffer", "1 2 3 4", Head2102 + " 1 2 3 4"},
      {"INP_2102 of an all-blank line", std::string(256, ' '), Head2102}};
  const std::string Dir = make_temp_dir(), Path = Dir + "/label.txt";
  ASSERT_EQ(0, connect_unit(20, Path.data(), static_cast<std::int32_t>(Path.size()), kStatusUnknown,
                            false));
  std::string Expected;
  for (const Case& c : cases) {
    std::string Message(kMessageLen + 1, '#');
    if (c.line == "2101")
      compose_inp2101(Message.data());
    else if (c.line == "2103")
      compose_inp2103(Message.data());
    else
      compose_inp2102(Message.data(), c.line.data(), static_cast<std::int32_t>(c.line.size()));
    EXPECT_EQ(c.message + std::string(kMessageLen - c.message.size(), ' ') + "#", Message)
        << c.name;
    write_message_line(20, Message.data(), kMessageLen);
    Expected += c.message + "\r\n";
  }
  write_message_line(20, std::string(kMessageLen, ' ').data(), kMessageLen);  // an empty line
  close_unit(20);
  EXPECT_EQ(Expected + "\r\n", read_file(Path));
  remove_tree(Dir);
}

// The words of each limit, as the line on standard error and the check
// give them, and the report that names it.
TEST(InputErrors, EachLimitInWordsWithItsReport) {
  struct Case {
    InputLimit iLimit;
    const char* ChWords;
    const char* ChReport;
  };
  const Case cases[] = {
      {kLimitNone, "", ""},
      {kLimitNodeNumber, "more than 100000 nodes (GNODE)", "INP_2101"},
      {kLimitElementNumber, "more than 100000 elements (GELMNT1)", "INP_2102"},
      {kLimitMemberNumber, "a member number above 100000 (TDSCONC)", "INP_2102"},
      {kLimitMemberNames, "more than 100000 member names (TDSCONC)", "INP_2102"},
      {kLimitConceptMember, "a member number above 100000 (SCONCEPT)", "INP_2102"},
      {kLimitMeshNumber, "a mesh reference above 100000 (SCONMESH)", "INP_2103"},
      {kLimitMeshCount, "more than 100000 mesh relations (SCONMESH)", "INP_2103"},
      {kLimitMeshRecordLength, "a record length (field 2) above 98 (SCONMESH)", "INP_2103"},
      {kLimitMeshElements, "more than 99 elements in one mesh relation (SCONMESH)", "INP_2103"},
  };
  for (const Case& c : cases) {
    EXPECT_STREQ(c.ChWords, input_limit_words(c.iLimit)) << c.iLimit;
    EXPECT_STREQ(c.ChReport, input_report_name(c.iLimit)) << c.iLimit;
  }
}
