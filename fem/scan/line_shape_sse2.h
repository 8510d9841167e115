// The SSE2 forms of the line-shape tests (every x86-64 has SSE2): a slot, or
// sixteen columns of a line, is one 16-byte register. fem/scan/tool_layout.h
// takes these where the compiler targets SSE2, and the word-at-a-time forms
// of fem/scan/line_shape_portable.h, which give the same answers, elsewhere.
// Internal to the scanning wing.
#pragma once
#include <emmintrin.h>

#include <cstdint>

#include "fem/scan/line_shape.h"
#include "fem/scan/line_words.h"

namespace tool_layout {

// All ones where the 16 columns at t hold a real slot's characters. Each
// column has a lowest character and a range: a digit column takes "0" and
// 9 more, a fixed column only its one character of "  d.ddddddddE+dd"; a
// byte less the lowest is inside the range as an unsigned byte exactly when
// the column takes it. The other spelling " -d.ddddddddE-dd" is one more
// comparison, with "0" in its digit columns so that it admits nothing there
// that the range does not.
inline __m128i slot_columns_good(const char* t) {
  const __m128i Slot = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t));
  const __m128i Lowest =
      _mm_setr_epi8(' ', ' ', '0', '.', '0', '0', '0', '0', '0', '0', '0', '0', 'E', '+', '0', '0');
  const __m128i Range = _mm_setr_epi8(0, 0, 9, 0, 9, 9, 9, 9, 9, 9, 9, 9, 0, 0, 9, 9);
  const __m128i Minus =
      _mm_setr_epi8(' ', '-', '0', '.', '0', '0', '0', '0', '0', '0', '0', '0', 'E', '-', '0', '0');
  const __m128i Offset = _mm_sub_epi8(Slot, Lowest);
  const __m128i InRange = _mm_cmpeq_epi8(_mm_min_epu8(Offset, Range), Offset);
  return _mm_or_si128(InRange, _mm_cmpeq_epi8(Slot, Minus));
}

// True when the 16 columns at t are a real slot.
inline bool is_real_slot(const char* t) {
  return _mm_movemask_epi8(slot_columns_good(t)) == 0xFFFF;
}

// Bits 4k to 4k + 3 set when slot k of the four at pSlots is good. Each
// round compares pairs of lanes with all ones (a lane becomes all ones only
// when both were) and packs the answers, all ones or zero, to half the
// width; two rounds fold a slot's 16 answers into 4 bytes, and one mask
// gives all four slots.
inline std::uint32_t four_slots_good(const char* pSlots) {
  const __m128i AllOnes = _mm_set1_epi32(-1);
  auto fold = [&AllOnes](__m128i A, __m128i B) {
    return _mm_packs_epi16(_mm_cmpeq_epi16(A, AllOnes), _mm_cmpeq_epi16(B, AllOnes));
  };
  const __m128i Good01 = fold(slot_columns_good(pSlots), slot_columns_good(pSlots + kSlotColumns));
  const __m128i Good23 = fold(slot_columns_good(pSlots + 2 * kSlotColumns),
                              slot_columns_good(pSlots + 3 * kSlotColumns));
  return static_cast<std::uint32_t>(_mm_movemask_epi8(fold(Good01, Good23)));
}

inline __m128i sixteen_at(const char* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// Bit k set where column k of the sixteen at p holds c.
inline std::uint32_t columns_holding(const char* p, char c) {
  return static_cast<std::uint32_t>(
      _mm_movemask_epi8(_mm_cmpeq_epi8(sixteen_at(p), _mm_set1_epi8(c))));
}

// Bit k set where column k of the sixteen at p holds a character a number
// may start with: "+", "-", "." or a digit, which are "+" to "9" less ","
// and "/".
inline std::uint32_t number_start_columns(const char* p) {
  const __m128i Text = sixteen_at(p);
  const __m128i Offset = _mm_sub_epi8(Text, _mm_set1_epi8('+'));
  const __m128i Starter =
      _mm_andnot_si128(_mm_or_si128(_mm_cmpeq_epi8(Text, _mm_set1_epi8(',')),
                                    _mm_cmpeq_epi8(Text, _mm_set1_epi8('/'))),
                       _mm_cmpeq_epi8(_mm_min_epu8(Offset, _mm_set1_epi8('9' - '+')), Offset));
  return static_cast<std::uint32_t>(_mm_movemask_epi8(Starter));
}

// The digits after the point of the two adjacent slots at t, as slot_digits
// gives them, side by side in one register: 16-bit lanes multiplied and
// added in pairs give two-digit values, again four-digit and then
// eight-digit ones, for both slots in the same few instructions.
inline void two_slot_digits(const char* t, SlotDigits& First, SlotDigits& Second) {
  const __m128i Digits =
      _mm_sub_epi8(_mm_unpacklo_epi64(_mm_srli_si128(sixteen_at(t), 4),
                                      _mm_srli_si128(sixteen_at(t + kSlotColumns), 4)),
                   _mm_set1_epi8('0'));
  const __m128i Zero = _mm_setzero_si128();
  const __m128i Ten = _mm_set1_epi32(0x0001000A);  // lanes 10, 1, 10, 1, ...
  const __m128i Twos = _mm_packs_epi32(_mm_madd_epi16(_mm_unpacklo_epi8(Digits, Zero), Ten),
                                       _mm_madd_epi16(_mm_unpackhi_epi8(Digits, Zero), Ten));
  const __m128i Fours = _mm_madd_epi16(Twos, _mm_set1_epi32(0x00010064));  // 100, 1
  const __m128i Eights =
      _mm_madd_epi16(_mm_packs_epi32(Fours, Fours), _mm_set1_epi32(0x00012710));  // 10000, 1
  // Bits 0 to 7: the zero digits of the first slot; 8 to 15: the second's.
  const auto uZeros = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(Digits, Zero)));
  First = SlotDigits{static_cast<std::uint32_t>(_mm_cvtsi128_si32(Eights)), uZeros & 0xFF};
  Second = SlotDigits{static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(Eights, 4))),
                      uZeros >> 8};
}

}  // namespace tool_layout
