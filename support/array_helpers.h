// Whole-table fills. A table of two dimensions is laid out column by column,
// so a rows x columns table is rows times columns consecutive elements.
#pragma once
#include <cstdint>

// Sets elements 1 to nRows*nColumns of iTable to iValue. Nothing when the
// product is 0 or less. The caller's table must hold that many elements.
void fill_int_array(std::int32_t* iTable, std::int64_t nRows, std::int64_t nColumns,
                    std::int32_t iValue);

// Sets elements 1 to nRows*nColumns of Table to Value. Nothing when the
// product is 0 or less.
void fill_real_array(double* Table, std::int64_t nRows, std::int64_t nColumns, double Value);
