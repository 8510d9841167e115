// The findings as they are given out: sorted by line, in the order found
// within a line, each behind the FEM file's name and its line; then, when
// the store was full, how many are shown; then the count of all found.
#include "check/check_findings.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using Found = std::vector<std::pair<std::int64_t, std::string>>;

std::vector<std::string> lines_of(FindingStore& Store) {
  FindingLines Walk;
  begin_finding_lines(Store, Walk, "T1.FEM", 6);
  std::vector<std::string> Lines;
  LineBuilder Line;
  while (next_finding_line(Walk, Line))
    Lines.emplace_back(Line.Ch, static_cast<std::size_t>(Line.n));
  return Lines;
}

FindingStore store_of(const Found& Findings) {
  FindingStore Store{};
  EXPECT_TRUE(create_finding_store(Store));
  for (const auto& [iLine, Words] : Findings) {
    FindingText Text;
    begin_text(Text, "GNODE");
    put_text(Text, Words.c_str());
    add_finding(Store, iLine, Text);
  }
  return Store;
}

TEST(FindingLines, SortedByLineThenTheCount) {
  struct Case {
    Found Findings;
    std::vector<std::string> Lines;
  };
  const Case cases[] = {
      {{}, {"no findings"}},
      {{{7, "a"}}, {"T1.FEM:7: GNODE: a", "1 finding"}},
      {{{9, "c"}, {3, "a"}, {3, "b"}},
       {"T1.FEM:3: GNODE: a", "T1.FEM:3: GNODE: b", "T1.FEM:9: GNODE: c", "3 findings"}},
  };
  for (const Case& c : cases) {
    FindingStore Store = store_of(c.Findings);
    EXPECT_EQ(c.Lines, lines_of(Store));
  }
}

TEST(FindingLines, AFullStoreSaysHowManyAreShown) {
  FindingStore Store = store_of({});
  // More than the store holds, the later ones on earlier lines: those found
  // first are kept, and given out sorted.
  const std::int64_t nFound = std::int64_t{Store.nMx} + 2;
  for (std::int64_t i = 0; i < nFound; ++i) {
    FindingText Text;
    begin_text(Text, "GNODE");
    put_number(Text, i);
    add_finding(Store, nFound - i, Text);
  }
  const std::vector<std::string> Lines = lines_of(Store);
  ASSERT_EQ(static_cast<std::size_t>(Store.nMx) + 2, Lines.size());
  EXPECT_EQ("T1.FEM:3: GNODE: " + std::to_string(nFound - 3), Lines.front());
  EXPECT_EQ("T1.FEM:" + std::to_string(nFound) + ": GNODE: 0", Lines[Lines.size() - 3]);
  EXPECT_EQ("(only the first " + std::to_string(Store.nMx) + " findings are shown)",
            Lines[Lines.size() - 2]);
  EXPECT_EQ(std::to_string(nFound) + " findings", Lines.back());
}

}  // namespace
