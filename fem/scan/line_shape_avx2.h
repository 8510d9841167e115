// The AVX2 form of the slot test: two slots in one 32-byte register, half
// the instructions per line of the test that settles nearly every line of a
// FEM file in the checking pass. Built where the compiler can target AVX2
// for single functions (GCC and clang on x86-64), unless LABLIX_NO_AVX2 is
// defined (so that the tests run the SSE2 form on any machine) or the SSE2
// forms are left out (LABLIX_NO_SSE2); taken only
// where the processor reports AVX2 (bWideSlots, fem/scan/tool_layout.h).
// Elsewhere the "wide" names below are the narrow form itself.
//
// A function that builds the wide test into itself carries
// LABLIX_WIDE_FORM: it is then compiled for AVX2 as a whole (flatten), so
// that nothing it calls is left outside as a call, and nothing compiled for
// AVX2 runs on a processor without it. Included by fem/scan/tool_layout.h only,
// after the narrow forms. Internal to the scanning wing.
#pragma once
#include <bit>
#include <cstdint>

#include "fem/scan/line_shape.h"

#if defined(__SSE2__) && defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__)) && \
    !defined(LABLIX_NO_SSE2) && !defined(LABLIX_NO_AVX2)
#include <immintrin.h>

#define LABLIX_WIDE_FORM __attribute__((target("avx2"), flatten))

namespace tool_layout {

inline constexpr bool kWideFormBuilt = true;

// True where the processor has AVX2. The processor's description is made
// ready first, since this may run before the run-time library's start-up.
inline bool processor_has_avx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
}

// One bit per column of the two slots at t, set where the column holds what
// it may: the column test of the SSE2 form's slot_columns_good, on two
// slots at once.
__attribute__((target("avx2"))) inline std::uint32_t two_slot_columns_good(const char* t) {
  const __m256i Lowest = _mm256_setr_epi8(
      ' ', ' ', '0', '.', '0', '0', '0', '0', '0', '0', '0', '0', 'E', '+', '0', '0',  //
      ' ', ' ', '0', '.', '0', '0', '0', '0', '0', '0', '0', '0', 'E', '+', '0', '0');
  const __m256i Range = _mm256_setr_epi8(0, 0, 9, 0, 9, 9, 9, 9, 9, 9, 9, 9, 0, 0, 9, 9,  //
                                         0, 0, 9, 0, 9, 9, 9, 9, 9, 9, 9, 9, 0, 0, 9, 9);
  const __m256i Minus = _mm256_setr_epi8(
      ' ', '-', '0', '.', '0', '0', '0', '0', '0', '0', '0', '0', 'E', '-', '0', '0',  //
      ' ', '-', '0', '.', '0', '0', '0', '0', '0', '0', '0', '0', 'E', '-', '0', '0');
  const __m256i Slots = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(t));
  const __m256i Offset = _mm256_sub_epi8(Slots, Lowest);
  const __m256i InRange = _mm256_cmpeq_epi8(_mm256_min_epu8(Offset, Range), Offset);
  const __m256i Good = _mm256_or_si256(InRange, _mm256_cmpeq_epi8(Slots, Minus));
  return static_cast<std::uint32_t>(_mm256_movemask_epi8(Good));
}

// How many of the four slots at pSlots are good before the first that is
// not (0 to 4).
__attribute__((target("avx2"))) inline std::int32_t leading_good_slots_wide(const char* pSlots) {
  // Sixteen leading ones per good slot.
  const std::uint64_t uColumns =
      two_slot_columns_good(pSlots) | static_cast<std::uint64_t>(two_slot_columns_good(pSlots + 32))
                                          << 32;
  return static_cast<std::int32_t>(std::countr_one(uColumns)) / kSlotColumns;
}

}  // namespace tool_layout

#else

#define LABLIX_WIDE_FORM

namespace tool_layout {

inline constexpr bool kWideFormBuilt = false;

inline bool processor_has_avx2() {
  return false;
}

// Never taken (kWideFormBuilt is false): the narrow test under the wide name.
inline std::int32_t leading_good_slots_wide(const char* pSlots) {
  return leading_good_slots(pSlots);
}

}  // namespace tool_layout

#endif
