#include "support/line_count.h"

#include <gtest/gtest.h>

#include <string>

TEST(LineCount, CountsLineFeedsBeforeTheOffset) {
  const std::string Text = "one\r\ntwo\n\nfour";
  struct Case {
    std::int64_t iOffset;
    std::int64_t iLine;
  };
  // Offset 4 is the line feed of the first line end: still line 1. A
  // negative offset counts as the start.
  const Case cases[] = {{0, 1}, {-5, 1}, {4, 1}, {5, 2}, {8, 2}, {9, 3}, {10, 4}, {13, 4}};
  for (const Case& c : cases)
    EXPECT_EQ(c.iLine, line_number_at(Text.data(), c.iOffset)) << c.iOffset;
}
