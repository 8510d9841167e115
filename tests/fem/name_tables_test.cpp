#include "fem/name_tables.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

// clear_table hands whole pages back to the system and fills the integers
// around them: every integer asked for reads 0 afterwards, whatever the
// range's alignment, and not one integer outside it changes.
TEST(ClearTable, ZeroesExactlyTheRangeAskedFor) {
  NameTables T;
  ASSERT_TRUE(create_name_tables(T));
  std::int32_t* iTable = &T.iMeshList[0][0];
  constexpr std::int64_t kSpan = 3 * 4096;  // integers: three pages of them and more
  struct Range {
    std::int64_t iFirst, nCount;
  };
  const Range Ranges[] = {{0, 1},    {1, 1023}, {5, 4096}, {1024, 1024},
                          {3, 9000}, {1000, 0}, {7, -3},   {1, kSpan - 2}};
  for (const Range& R : Ranges) {
    for (std::int64_t i = 0; i < kSpan; ++i)
      iTable[i] = static_cast<std::int32_t>(i % 97 + 1);
    clear_table(iTable + R.iFirst, R.nCount);
    for (std::int64_t i = 0; i < kSpan; ++i) {
      const bool bInside = R.nCount > 0 && i >= R.iFirst && i < R.iFirst + R.nCount;
      ASSERT_EQ(bInside ? 0 : static_cast<std::int32_t>(i % 97 + 1), iTable[i])
          << "integer " << i << " after clearing " << R.nCount << " from " << R.iFirst;
    }
  }
  release_name_tables(T);
}
