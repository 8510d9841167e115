#include "support/array_helpers.h"

#include <gtest/gtest.h>

TEST(FillArrays, SetsRowsTimesColumnsAndNothingBeyond) {
  struct Case {
    std::int64_t nRows, nColumns;
    int nSet;
  };
  // The product decides: 0 or less sets nothing, whatever the signs.
  const Case cases[] = {{3, 4, 12}, {1, 1, 1},  {0, 5, 0},  {5, 0, 0},
                        {-2, 3, 0}, {2, -3, 0}, {-2, -3, 6}};
  for (const Case& c : cases) {
    std::int32_t iTable[14];
    double Table[14];
    std::fill_n(iTable, 14, 7);
    std::fill_n(Table, 14, 7.5);
    fill_int_array(iTable, c.nRows, c.nColumns, -3);
    fill_real_array(Table, c.nRows, c.nColumns, -0.25);
    for (int i = 0; i < 14; ++i) {
      EXPECT_EQ(i < c.nSet ? -3 : 7, iTable[i])
          << c.nRows << " x " << c.nColumns << " [" << i << "]";
      EXPECT_EQ(i < c.nSet ? -0.25 : 7.5, Table[i])
          << c.nRows << " x " << c.nColumns << " [" << i << "]";
    }
  }
}
