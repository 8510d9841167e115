// The units of a run: the FEM file read, the label file written (the
// readers' reports go there too), the member listing, and the model's page
// (lablix --view).
#pragma once
#include <cstdint>

inline constexpr std::int32_t kUnitListing = 17;
inline constexpr std::int32_t kUnitLabel = 20;
inline constexpr std::int32_t kUnitFem = 21;
inline constexpr std::int32_t kUnitPage = 22;
