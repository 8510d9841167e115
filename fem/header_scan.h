// The line rules every header scan shares, whether it walks every line or
// checks and notes them (fem/checking_pass.h): which lines it passes over,
// how much of a line it looks at, and which record a line's first field
// names. Internal to the record scanner.
#pragma once
#include <cstdint>
#include <cstring>

#include "fem/line_shape.h"
#include "fem/record_kinds.h"

// The line buffer's length: a longer line is looked at by its first 256
// characters.
inline constexpr std::int32_t kLineLen = 256;

inline std::int32_t cut_length(std::int64_t nLine) {
  return nLine > kLineLen ? kLineLen : static_cast<std::int32_t>(nLine);
}

// True for a character that makes a line a comment in column 1.
inline bool is_comment_start(char c) {
  return c == '$' || c == '#' || c == '!';
}

// Index of the first non-blank character of a header-scan line, or -1 when
// the scan passes the line over (comment or blank).
inline std::int32_t header_scan_start(const char* pLine, std::int32_t nCut) {
  if (nCut == 0) return -1;
  if (is_comment_start(pLine[0])) return -1;
  for (std::int32_t i = 0; i < nCut; ++i) {
    if (pLine[i] != ' ') return i;
  }
  return -1;
}

// True when the n characters at p start with the record name: the length
// is known here, so the comparison is a few inline instructions.
template <std::size_t nSize>
inline bool begins_with(const char* p, std::int32_t n, const char (&ChName)[nSize]) {
  constexpr auto nName = static_cast<std::int32_t>(nSize - 1);
  return n >= nName && std::memcmp(p, ChName, nSize - 1) == 0;
}

// The record kind whose name the text at p (n characters, p[0] not blank)
// starts with, or kRecordKinds for none.
inline RecordKind record_kind_at(const char* p, std::int32_t n) {
  switch (p[0]) {
    case 'G':
      if (begins_with(p, n, "GNODE")) return kRecordGnode;
      if (begins_with(p, n, "GELMNT1")) return kRecordGelmnt1;
      break;
    case 'T':
      if (begins_with(p, n, "TDNODE")) return kRecordTdnode;
      if (begins_with(p, n, "TDSCONC")) return kRecordTdsconc;
      break;
    case 'S':
      if (begins_with(p, n, "SCONCEPT")) return kRecordSconcept;
      if (begins_with(p, n, "SCONMESH")) return kRecordSconmesh;
      break;
    default:
      break;
  }
  return kRecordKinds;
}

// The offset just past a line in the tool layout of nLine characters at
// pLine: tool_line_length found it ended by a line feed or CR LF.
inline std::int64_t past_tool_line(const char* pLine, std::int64_t nLine) {
  return nLine + (pLine[nLine] == '\r' ? 2 : 1);
}
