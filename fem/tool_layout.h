// The layout that modelling tools write nearly every line of a FEM file
// in, and the test that recognises it where a line stands: the field
// splitter and the record scanner's checking pass both run it, the
// scanner's loop with the test built in. Inline, for those two only.
#pragma once
#include <bit>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "support/text_helpers.h"

namespace tool_layout {

inline bool is_letter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Nearly every line of a FEM file is written by a modelling tool in one
// layout: columns 1 to 8 hold a record name or are blank, then reals follow
// in 16-column slots, each "  d.ddddddddE+dd" (or a minus in column 2, or
// E-dd), and nothing after them. Its fields are a text (a field that starts
// with a letter always is) and reals that convert, so such a line can
// neither stop the run nor needs its characters walked one by one: it is
// recognised with a few word-wide comparisons and split slot by slot.
constexpr std::int32_t kNameColumns = 8;
constexpr std::int32_t kSlotColumns = 16;
// A longer line would be cut at column 256, inside a slot.
constexpr std::int32_t kMaxSlots = 15;

// Eight characters as one word, character k in byte k (counted from the low
// end), whatever the machine's byte order.
inline std::uint64_t word_at(const char* p) {
  std::uint64_t Word = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&Word, p, sizeof Word);
  } else {
    for (std::int32_t k = 7; k >= 0; --k)
      Word = (Word << 8) | static_cast<unsigned char>(p[k]);
  }
  return Word;
}

// The word that word_at gives for the characters of a constant of up to
// 8 (a shorter one fills the low bytes, the others 0).
template <std::size_t nSize>
constexpr std::uint64_t word_of(const char (&Ch)[nSize]) {
  static_assert(nSize >= 1 && nSize <= 9, "a word holds up to 8 characters");
  std::uint64_t Word = 0;
  for (auto k = static_cast<std::int32_t>(nSize) - 2; k >= 0; --k)
    Word = (Word << 8) | static_cast<unsigned char>(Ch[k]);
  return Word;
}

#if defined(__SSE2__)
// With SSE2 (every x86-64 has it) a slot is one 16-byte register: each
// column is compared with the two characters it may hold and tested for a
// digit at once, and a column mask picks which answer counts where. The
// checking pass runs this on every slot of every line of the file.

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
#else
// Without SSE2, the same test a word (eight columns) at a time.

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
constexpr std::uint64_t kFixedMask1 = word_of("\xff\0\0\xff\0\0\0\0");
constexpr std::uint64_t kFixed1 = word_of(" \0\0.\0\0\0\0");
constexpr std::uint64_t kDigitMask1 = word_of("\0\0\xff\0\xff\xff\xff\xff");
constexpr std::uint64_t kFixedMask2 = word_of("\0\0\0\0\xff\0\0\0");
constexpr std::uint64_t kFixed2 = word_of("\0\0\0\0E\0\0\0");
constexpr std::uint64_t kDigitMask2 = word_of("\xff\xff\xff\xff\0\0\xff\xff");

inline bool is_real_slot(const char* t) {
  const std::uint64_t Word1 = word_at(t);
  const std::uint64_t Word2 = word_at(t + 8);
  return ((Word1 & kFixedMask1) ^ kFixed1) == 0 && ((Word2 & kFixedMask2) ^ kFixed2) == 0 &&
         non_digits_where(Word1, kDigitMask1) == 0 && non_digits_where(Word2, kDigitMask2) == 0 &&
         (t[1] == kBlank || t[1] == '-') && (t[13] == '+' || t[13] == '-');
}

// Bits 4k to 4k + 3 set when slot k of the four at pSlots is good.
inline std::uint32_t four_slots_good(const char* pSlots) {
  std::uint32_t uGood = 0;
  for (std::int32_t k = 0; k < 4; ++k) {
    if (is_real_slot(pSlots + k * kSlotColumns)) uGood |= 0xFU << (4 * k);
  }
  return uGood;
}
#endif

// How many of the four slots at pSlots are good before the first that is
// not (0 to 4).
inline std::int32_t leading_good_slots(const char* pSlots) {
  return static_cast<std::int32_t>(std::countr_one(four_slots_good(pSlots))) / 4;
}

#if defined(__SSE2__) && defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__)) && \
    !defined(LABLIX_NO_AVX2)
// Where the processor has AVX2 (nearly every x86-64 made since 2015), the
// checking pass tests two slots in one 32-byte register: half the
// instructions per line of the test that settles nearly every line of a
// FEM file. Compiled for AVX2 here and taken only where the processor
// reports it (tool_line_length). A build with LABLIX_NO_AVX2 defined
// leaves it out, so that the tests run the SSE2 form on any machine.
#define LABLIX_WIDE_SLOTS 1

// One bit per column of the two slots at t, set where the column holds what
// it may: the column test of slot_columns_good, on two slots at once.
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

__attribute__((target("avx2"))) inline std::int32_t leading_good_slots_wide(const char* pSlots) {
  // Sixteen leading ones per good slot.
  const std::uint64_t uColumns =
      two_slot_columns_good(pSlots) | static_cast<std::uint64_t>(two_slot_columns_good(pSlots + 32))
                                          << 32;
  return static_cast<std::int32_t>(std::countr_one(uColumns)) / kSlotColumns;
}
#endif

// The high bit of each byte of x that is 0, exact up to and including the
// lowest such byte (a borrow may mark bytes above it as well), which is all
// that is asked of it here.
inline std::uint64_t zero_bytes(std::uint64_t x) {
  return (x - 0x0101010101010101) & ~x & 0x8080808080808080;
}

// The length of the name in the name columns of a line that has at least
// kNameColumns characters: 0 when they are blank, -1 when they hold anything
// but one field that starts with a letter. A line feed ends the line, so
// it is no part of a name (this also looks at text not yet cut into lines).
inline std::int32_t name_column_length(const char* ChLine) {
  const std::uint64_t Word = word_at(ChLine);
  // Most lines are data lines, their name columns blank: one comparison.
  if (Word == word_of("        ")) return 0;
  if (!is_letter(ChLine[0])) return -1;
  // The name ends at the first blank; every column after it must be blank,
  // and no line feed may stand before it.
  const std::uint64_t uBlanks = zero_bytes(Word ^ word_of("        "));
  const std::int32_t nName = uBlanks == 0 ? kNameColumns : std::countr_zero(uBlanks) / 8;
  if (nName < kNameColumns && (Word >> (8 * nName)) != word_of("        ") >> (8 * nName)) {
    return -1;
  }
  const std::uint64_t uFeeds = zero_bytes(Word ^ word_of("\n\n\n\n\n\n\n\n"));
  if (uFeeds != 0 && std::countr_zero(uFeeds) / 8 < nName) return -1;
  return nName;
}

// Lines of one to four slots are nearly all lines of a FEM file. Such a
// line is settled from a fixed window of kShortLineReach characters: all
// four slots are tested at once, whatever the line's length, and the line
// can only end right after the good slots that lead it (a slot starts with
// a blank, so the slot after a line's end is never good): one place to look
// at. The slot by slot walk took a branch per slot on where the line ends,
// which the processor guessed wrong often enough that the checking pass
// took nearly twice as long with it.
constexpr std::int32_t kShortSlots = 4;
// The fourth slot's end and the character after a CR there.
constexpr std::int32_t kShortLineReach = kNameColumns + kShortSlots * kSlotColumns + 2;

// 1 when a line ends at column iCol: a line feed, or CR LF. The two
// characters are taken as one word and compared without a branch.
inline std::uint32_t ends_at(const char* ChText, std::int32_t iCol) {
  const auto uFirst = static_cast<std::uint32_t>(static_cast<unsigned char>(ChText[iCol]));
  const auto uPair =
      uFirst | static_cast<std::uint32_t>(static_cast<unsigned char>(ChText[iCol + 1])) << 8;
  return static_cast<std::uint32_t>(uFirst == '\n') | static_cast<std::uint32_t>(uPair == 0x0A0D);
}

// For a text with at least kShortLineReach characters whose name columns
// passed: the length of the tool-layout line of one to four slots that
// starts it, 0 when it starts no such line, -1 when it starts a line that
// reaches past four slots (the walk decides).
template <std::int32_t (*LeadingGoodSlots)(const char*)>
inline std::int32_t short_tool_line_length(const char* ChText) {
  const std::int32_t nSlots = LeadingGoodSlots(ChText + kNameColumns);
  const std::int32_t nLine = kNameColumns + nSlots * kSlotColumns;
  if (ends_at(ChText, nLine) != 0) return nSlots > 0 ? nLine : 0;
  return nSlots == kShortSlots ? -1 : 0;
}

// The name columns a scan found good last, as a word, and their name's
// length: a FEM file has its records of one kind together, so a scan meets
// the same name line after line and need not test it again.
struct NameMemo {
  std::uint64_t Word = word_of("        ");  // blank columns are settled first
  std::int32_t nName = 0;
};

// tool_line_length with the four-slot test LeadingGoodSlots, and with
// pMemo the name columns found good last.
template <std::int32_t (*LeadingGoodSlots)(const char*)>
inline std::int32_t tool_line_length_by(const char* ChText, const char* pEnd, std::int32_t& nName,
                                        NameMemo* pMemo = nullptr) {
  // Every step reads a whole slot and the character after it.
  if (pEnd - ChText < kNameColumns + kSlotColumns + 1) return 0;
  // A name line (the line after a TDNODE or TDSCONC header) fails here,
  // before anything else is tested: the first slot starts with a blank and
  // a blank or a minus.
  const char cSign = ChText[kNameColumns + 1];
  if (ChText[kNameColumns] != kBlank || (cSign != kBlank && cSign != '-')) return 0;
  const std::uint64_t Word = word_at(ChText);
  if (Word == word_of("        ")) {
    nName = 0;
  } else if (pMemo != nullptr && Word == pMemo->Word) {
    nName = pMemo->nName;
  } else {
    nName = name_column_length(ChText);
    if (nName < 0) return 0;
    if (pMemo != nullptr) *pMemo = NameMemo{Word, nName};
  }
  if (pEnd - ChText >= kShortLineReach) {
    const std::int32_t nLine = short_tool_line_length<LeadingGoodSlots>(ChText);
    if (nLine >= 0) return nLine;
  }
  const char* pSlot = ChText + kNameColumns;
  for (std::int32_t k = 0; k < kMaxSlots; ++k) {
    if (pEnd - pSlot < kSlotColumns + 1 || !is_real_slot(pSlot)) return 0;
    pSlot += kSlotColumns;
    const char c = *pSlot;
    if (c == '\n' || (c == '\r' && pEnd - pSlot >= 2 && pSlot[1] == '\n')) {
      return static_cast<std::int32_t>(pSlot - ChText);
    }
    if (c != kBlank) return 0;  // a blank starts the next slot
  }
  return 0;
}

#if defined(LABLIX_WIDE_SLOTS)
// True where the processor has AVX2. Read once, at start-up; the
// processor's description is made ready first, since this may run before
// the run-time library's own start-up code.
inline const bool bWideSlots = [] {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
}();
#endif

}  // namespace tool_layout
