// The line rules every header scan shares, whether it walks every line or
// checks and notes them (fem/scan/checking_pass.h): which lines it passes over,
// how much of a line it looks at, and which record a line's first field
// names. Internal to the record scanner.
#pragma once
#include <bit>
#include <cstdint>
#include <cstring>

#include "fem/record_kinds.h"
#include "fem/scan/line_words.h"

inline std::int32_t cut_length(std::int64_t nLine) {
  return nLine > kLineLen ? kLineLen : static_cast<std::int32_t>(nLine);
}

// True for a character that makes a line a comment in column 1.
inline bool is_comment_start(char c) {
  return c == '$' || c == '#' || c == '!';
}

// Index of the first non-blank character of a header-scan line, or -1 when
// the scan passes the line over (comment or blank). Eight columns at a
// time: most lines of a large model are data lines, whose eight name
// columns are blank.
inline std::int32_t header_scan_start(const char* pLine, std::int32_t nCut) {
  if (nCut == 0 || is_comment_start(pLine[0])) return -1;
  std::int32_t i = 0;
  for (; i + 8 <= nCut; i += 8) {
    const std::uint64_t uOther = tool_layout::word_at(pLine + i) ^ tool_layout::word_of("        ");
    if (uOther != 0) return i + std::countr_zero(uOther) / 8;
  }
  for (; i < nCut; ++i) {
    if (pLine[i] != ' ') return i;
  }
  return -1;
}

// True when the n characters at p start with the name of kind iKind.
inline bool begins_with_record(const char* p, std::int32_t n, RecordKind iKind) {
  const std::int32_t nName = record_name_length(iKind);
  return n >= nName && std::memcmp(p, kRecordName[iKind], static_cast<std::size_t>(nName)) == 0;
}

// The record kind whose name the text at p (n characters, p[0] not blank)
// starts with, or kRecordKinds for none. No name starts another, so the
// order of the kinds does not matter; the first character sorts out most.
inline RecordKind record_kind_at(const char* p, std::int32_t n) {
  for (std::int32_t k = 0; k < kRecordKinds; ++k) {
    const auto iKind = static_cast<RecordKind>(k);
    if (p[0] == kRecordName[k][0] && begins_with_record(p, n, iKind)) return iKind;
  }
  return kRecordKinds;
}

// The record names as tool_layout::word_at reads them from the name columns
// of a line in the tool layout, with the mask of the bytes each name takes.
struct RecordWords {
  std::uint64_t Word[kRecordKinds];
  std::uint64_t Mask[kRecordKinds];
};

constexpr RecordWords record_words() {
  RecordWords Words{};
  for (std::int32_t k = 0; k < kRecordKinds; ++k) {
    const std::int32_t nName = record_name_length(static_cast<RecordKind>(k));
    Words.Word[k] = tool_layout::word_of(kRecordName[k]);
    Words.Mask[k] = nName >= 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * nName)) - 1;
  }
  return Words;
}

inline constexpr RecordWords kRecordWords = record_words();

// The record kind of a line in the tool layout whose name columns (the
// line's first 8 characters) hold a name, or kRecordKinds for none. The name
// starts with a record name when its first characters are those of the
// record name, taken as one word (a name shorter than the record name has a
// blank where the record name has a letter).
inline RecordKind tool_record_kind(const char* pLine) {
  const std::uint64_t Word = tool_layout::word_at(pLine);
  for (std::int32_t k = 0; k < kRecordKinds; ++k) {
    if ((Word & kRecordWords.Mask[k]) == kRecordWords.Word[k]) return static_cast<RecordKind>(k);
  }
  return kRecordKinds;
}

// The offset just past a line in the tool layout of nLine characters at
// pLine: tool_line_length found it ended by a line feed or CR LF.
inline std::int64_t past_tool_line(const char* pLine, std::int64_t nLine) {
  return nLine + (pLine[nLine] == '\r' ? 2 : 1);
}
