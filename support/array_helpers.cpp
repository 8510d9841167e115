#include "support/array_helpers.h"

#include <algorithm>

void fill_int_array(std::int32_t* iTable, std::int64_t nRows, std::int64_t nColumns,
                    std::int32_t iValue) {
  const std::int64_t nCount = nRows * nColumns;
  if (nCount <= 0) return;
  std::fill_n(iTable, nCount, iValue);
}

void fill_real_array(double* Table, std::int64_t nRows, std::int64_t nColumns, double Value) {
  const std::int64_t nCount = nRows * nColumns;
  if (nCount <= 0) return;
  std::fill_n(Table, nCount, Value);
}
