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
  const Case cases[] = {
      {"double click: a window of its own", 1, true, true},
      {"started from a console window", 2, true, false},
      {"a batch file's console, shared", 3, true, false},
      {"answers from a pipe", 1, false, false},
      {"no console at all", 0, false, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.bOwn, is_console_own(c.nProcesses, c.bInputIsConsole)) << c.name;
}

}  // namespace
