// The tool-layout test where a line stands, as the checking pass builds it
// into its loop and tool_line_length runs it: the parts every processor
// shares, over the slot test of the form picked here. Internal to the
// scanning wing: included by fem/scan/line_shape.cpp, the checking pass and the
// two splitters only.
#pragma once
#include <bit>
#include <cstdint>

#include "fem/scan/line_shape.h"
#include "fem/scan/line_words.h"
// The narrow forms for the build: SSE2 where the compiler targets it (every
// x86-64) and the build has not left it out (LABLIX_NO_SSE2, so that the
// tests run the word-at-a-time form on any machine), word at a time elsewhere.
#if defined(__SSE2__) && !defined(LABLIX_NO_SSE2)
#include "fem/scan/line_shape_sse2.h"
#else
#include "fem/scan/line_shape_portable.h"
#endif

namespace tool_layout {

// How many of the four slots at pSlots are good before the first that is
// not (0 to 4), by the narrow form.
inline std::int32_t leading_good_slots(const char* pSlots) {
  return static_cast<std::int32_t>(std::countr_one(four_slots_good(pSlots))) / 4;
}

}  // namespace tool_layout

#include "fem/scan/line_shape_avx2.h"

namespace tool_layout {

// The slot test the checking pass and tool_line_length take, chosen once,
// at start-up: the wide form where it is built and the processor has AVX2.
inline const bool bWideSlots = kWideFormBuilt && processor_has_avx2();

inline bool is_letter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
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
inline constexpr std::int32_t kShortSlots = 4;
// The fourth slot's end and the character after a CR there.
inline constexpr std::int32_t kShortLineReach = kNameColumns + kShortSlots * kSlotColumns + 2;

// The slots of a cut line of nLen characters in the tool layout, and in
// nName its name's length; 0 when the line has another layout.
inline std::int32_t cut_tool_line_slots(const char* ChLine, std::int32_t nLen,
                                        std::int32_t& nName) {
  if (nLen < kNameColumns + kSlotColumns || (nLen - kNameColumns) % kSlotColumns != 0) return 0;
  const std::int32_t nSlots = (nLen - kNameColumns) / kSlotColumns;
  if (nSlots > MxSlots) return 0;
  nName = name_column_length(ChLine);
  if (nName < 0) return 0;
  // Four slots, the most common line: tested at once, without a branch per slot.
  if (nSlots == kShortSlots) return four_slots_good(ChLine + kNameColumns) == 0xFFFF ? nSlots : 0;
  for (std::int32_t k = 0; k < nSlots; ++k) {
    if (!is_real_slot(ChLine + kNameColumns + k * kSlotColumns)) return 0;
  }
  return nSlots;
}

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

// The tool-layout line of more than four slots at ChText, slot by slot: its
// length, or 0.
inline std::int32_t long_tool_line_length(const char* ChText, const char* pEnd) {
  const char* pSlot = ChText + kNameColumns;
  for (std::int32_t k = 0; k < MxSlots; ++k) {
    if (pEnd - pSlot < kSlotColumns + 1 || !is_real_slot(pSlot)) return 0;
    pSlot += kSlotColumns;
    const char c = *pSlot;
    if (c == '\n' || (c == '\r' && pEnd - pSlot >= 2 && pSlot[1] == '\n')) {
      return static_cast<std::int32_t>(pSlot - ChText);
    }
    if (c != ' ') return 0;  // a blank starts the next slot
  }
  return 0;
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
  if (ChText[kNameColumns] != ' ' || (cSign != ' ' && cSign != '-')) return 0;
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
  return long_tool_line_length(ChText, pEnd);
}

}  // namespace tool_layout
