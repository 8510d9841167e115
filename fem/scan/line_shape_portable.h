// The word-at-a-time forms of the line-shape tests, for processors without
// SSE2: the same answers as fem/scan/line_shape_sse2.h, eight columns a step or
// one. fem/scan/tool_layout.h takes these where the compiler does not target
// SSE2. Internal to the scanning wing.
#pragma once
#include <cstdint>

#include "fem/scan/line_shape.h"
#include "fem/scan/line_words.h"

namespace tool_layout {

// Zero when every byte of Word that Mask selects (0xFF) is a digit. A digit
// XOR "0" is 0 to 9; adding 0x76 to the low seven bits of a byte sets its
// high bit exactly when they are 10 or more, and no byte carries into the
// next (0x7F + 0x76 < 0x100).
inline std::uint64_t non_digits_where(std::uint64_t Word, std::uint64_t Mask) {
  const std::uint64_t x = Word ^ word_of("00000000");
  const std::uint64_t Over9 = (x & 0x7F7F7F7F7F7F7F7F) + 0x7676767676767676;
  return (Over9 | x) & Mask & 0x8080808080808080;
}

// A slot as two words: the characters that are fixed (blank, point, E) and
// where the digits stand. Column 2 (blank or minus) and column 14 (the
// exponent's sign) are tested apart.
inline constexpr std::uint64_t kFixedMask1 = word_of("\xff\0\0\xff\0\0\0\0");
inline constexpr std::uint64_t kFixed1 = word_of(" \0\0.\0\0\0\0");
inline constexpr std::uint64_t kDigitMask1 = word_of("\0\0\xff\0\xff\xff\xff\xff");
inline constexpr std::uint64_t kFixedMask2 = word_of("\0\0\0\0\xff\0\0\0");
inline constexpr std::uint64_t kFixed2 = word_of("\0\0\0\0E\0\0\0");
inline constexpr std::uint64_t kDigitMask2 = word_of("\xff\xff\xff\xff\0\0\xff\xff");

// True when the 16 columns at t are a real slot.
inline bool is_real_slot(const char* t) {
  const std::uint64_t Word1 = word_at(t);
  const std::uint64_t Word2 = word_at(t + 8);
  return ((Word1 & kFixedMask1) ^ kFixed1) == 0 && ((Word2 & kFixedMask2) ^ kFixed2) == 0 &&
         non_digits_where(Word1, kDigitMask1) == 0 && non_digits_where(Word2, kDigitMask2) == 0 &&
         (t[1] == ' ' || t[1] == '-') && (t[13] == '+' || t[13] == '-');
}

// Bits 4k to 4k + 3 set when slot k of the four at pSlots is good.
inline std::uint32_t four_slots_good(const char* pSlots) {
  std::uint32_t uGood = 0;
  for (std::int32_t k = 0; k < 4; ++k) {
    if (is_real_slot(pSlots + k * kSlotColumns)) uGood |= 0xFU << (4 * k);
  }
  return uGood;
}

// Bit k set where column k of the sixteen at p holds c.
inline std::uint32_t columns_holding(const char* p, char c) {
  std::uint32_t uColumns = 0;
  for (std::int32_t k = 0; k < 16; ++k)
    uColumns |= static_cast<std::uint32_t>(p[k] == c) << k;
  return uColumns;
}

// Bit k set where column k of the sixteen at p holds a character a number
// may start with: "+", "-", "." or a digit.
inline std::uint32_t number_start_columns(const char* p) {
  std::uint32_t uColumns = 0;
  for (std::int32_t k = 0; k < 16; ++k) {
    const char c = p[k];
    const bool bStarter = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
    uColumns |= static_cast<std::uint32_t>(bStarter) << k;
  }
  return uColumns;
}

// The digits after the point of the two adjacent slots at t.
inline void two_slot_digits(const char* t, SlotDigits& First, SlotDigits& Second) {
  First = slot_digits(t);
  Second = slot_digits(t + kSlotColumns);
}

}  // namespace tool_layout
