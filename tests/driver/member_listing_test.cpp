// The listing's member line: the mesh reference in 8 columns, the name
// after it, the elements from column 30, over a long name where they meet.
#include "driver/member_listing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string member_line(std::int32_t m, const std::string& Name, std::vector<std::int32_t> iElem) {
  NameTables T;
  EXPECT_TRUE(create_name_tables(T));
  const std::string Field = Name + std::string(kNameLen - Name.size(), ' ');
  store_name(T.ChMembName, 1, Field.data());
  iElem.insert(iElem.begin(), 0);  // elements count from 1
  char ChLine[1024];
  const std::int32_t n = build_member_line(ChLine, m, T.ChMembName, 1, iElem.data(),
                                           static_cast<std::int32_t>(iElem.size()) - 1);
  release_name_tables(T);
  return std::string(ChLine, static_cast<std::size_t>(n));
}

TEST(MemberLine, PutsEachFieldInItsColumns) {
  const std::string kLong(80, 'N');
  struct Case {
    const char* name;
    std::string Line;
    std::string Expected;
  };
  const Case cases[] = {
      {"no elements: the line ends with the name", member_line(9, "Leg", {}), "       9Leg"},
      {"elements from column 30", member_line(9, "Leg", {4, 12345678}),
       "       9Leg" + std::string(18, ' ') + "       412345678"},
      {"a name to column 29 meets the first element", member_line(123, std::string(21, 'a'), {5}),
       "     123" + std::string(21, 'a') + "       5"},
      {"elements over a long name's characters", member_line(1, kLong, {7}),
       "       1" + kLong.substr(0, 21) + "       7" + kLong.substr(29)},
      {"numbers wider than 8 columns", member_line(123456789, "X", {-1234567, 100000000}),
       "********X" + std::string(20, ' ') + "-1234567********"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.Expected, c.Line) << c.name;
}

TEST(MemberLine, HoldsNinetyNineElements) {
  std::vector<std::int32_t> iElem;
  for (std::int32_t j = 1; j <= 99; ++j)
    iElem.push_back(j);
  const std::string Line = member_line(1, std::string(80, 'L'), iElem);
  ASSERT_EQ(29u + 99u * 8u, Line.size());
  EXPECT_EQ("      99", Line.substr(Line.size() - 8));
}

}  // namespace
