#include "platform/platform.h"

#include <gtest/gtest.h>

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

}  // namespace
