#include "support/date_helpers.h"

#include <gtest/gtest.h>

#include <string>

TEST(DateStamp, EveryCodeLeftJustifiedPaddedOrCut) {
  const DateTime Now{2005, 3, 7, 8, 4, 9};
  const std::string Full = " Date : 2005-03-07 08:04:09";
  struct Case {
    DateTime Now;
    int iCode, nResult;
    std::string expected;
  };
  const Case cases[] = {{Now, 1, 80, " Date : 2005"},
                        {Now, 2, 80, " Date : 2005-03"},
                        {Now, 3, 80, " Date : 2005-03-07"},
                        {Now, 4, 80, " Date : 2005-03-07 08"},
                        {Now, 5, 80, " Date : 2005-03-07 08:04"},
                        {Now, 6, 80, Full},
                        {Now, 7, 80, Full},
                        {Now, 0, 80, Full},
                        {Now, 6, 20, Full.substr(0, 20)},
                        {Now, 10, 80, " 5-03-07   08:04:09"},
                        {{1999, 12, 31, 23, 59, 58}, 10, 80, "-1-12-31   23:59:58"},
                        {{2150, 1, 2, 0, 0, 0}, 10, 80, "**-01-02   00:00:00"},
                        {{105, 3, 7, 8, 4, 9}, 6, 80, Full},  // years counted from 1900
                        {{999, 1, 1, 0, 0, 0}, 1, 80, " Date : 2899"},
                        {{1000, 1, 1, 0, 0, 0}, 1, 80, " Date : 1000"}};
  for (const Case& c : cases) {
    std::string Out(c.nResult + 4, '#');
    date_stamp_of(c.Now, c.iCode, Out.data(), c.nResult);
    EXPECT_EQ(c.expected + std::string(c.nResult - c.expected.size(), ' ') + "####", Out)
        << "code " << c.iCode << ", year " << c.Now.iYear << ", field " << c.nResult;
  }
}
