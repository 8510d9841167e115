// The SSE2 form of trimmed_length's wide steps: sixteen columns are one
// 16-byte register. support/text_helpers.cpp takes it where the compiler
// targets SSE2, and support/blank_scan_portable.h elsewhere; only that file
// includes it.
#pragma once
#include <emmintrin.h>

#include <bit>
#include <cstdint>

namespace text_detail {

// Bit k set when character k of the 16 at p is blank.
inline std::uint32_t blank_bits(const char* p) {
  const __m128i Text = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(Text, _mm_set1_epi8(' '))));
}

// From the end of the nLen characters at ChText backwards, 64 columns a step
// (four compares, one test), then sixteen. When a step finds a non-blank
// character, returns the position after the last one, bFound set;
// otherwise the number of columns not looked at (fewer than 16), every one
// after them blank.
inline std::int32_t skip_blank_blocks(const char* ChText, std::int32_t nLen, bool& bFound) {
  bFound = true;
  std::int32_t i = nLen;
  for (; i >= 64; i -= 64) {
    const char* p = ChText + i - 64;
    const std::uint64_t uBlank = blank_bits(p) |
                                 static_cast<std::uint64_t>(blank_bits(p + 16)) << 16 |
                                 static_cast<std::uint64_t>(blank_bits(p + 32)) << 32 |
                                 static_cast<std::uint64_t>(blank_bits(p + 48)) << 48;
    if (uBlank != ~std::uint64_t{0}) return i - std::countl_one(uBlank);
  }
  for (; i >= 16; i -= 16) {
    const std::uint32_t uNonBlank = ~blank_bits(ChText + i - 16) & 0xFFFF;
    if (uNonBlank != 0) return i - 16 + (32 - std::countl_zero(uNonBlank));
  }
  bFound = false;
  return i;
}

}  // namespace text_detail
