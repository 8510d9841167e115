#include "fem/sesam_records.h"

#include <cstring>

#include "fem/field_classifier.h"
#include "fem/field_splitter.h"
#include "fem/record_kinds.h"

namespace {

bool is_capital(char c) {
  return c >= 'A' && c <= 'Z';
}
bool is_digit(char c) {
  return c >= '0' && c <= '9';
}
bool is_blank(char c) {
  return c == ' ';
}
bool is_comment_start(char c) {
  return c == '$' || c == '#' || c == '!';
}

// Where the reader finds the first field of the line p[0, n): the first
// non-blank column within the first 256, or -1 for a line it passes over
// (a comment, or blank that far).
std::int64_t first_field_at(const char* p, std::int64_t n) {
  if (n == 0 || is_comment_start(p[0])) return -1;
  for (std::int64_t i = 0; i < n && i < kLineLen; ++i) {
    if (!is_blank(p[i])) return i;
  }
  return -1;
}

std::int64_t line_length(const char* p, std::int64_t n, const char*& pFeed) {
  pFeed = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(n)));
  return pFeed == nullptr ? n : pFeed - p;
}

// The first field at p[0, n) starts with the name of a record the readers
// read: the readers take such a line as its header whatever follows the
// name, in either layout.
bool starts_with_read_record(const char* p, std::int64_t n) {
  for (std::int32_t k = 0; k < kRecordKinds; ++k) {
    const std::int32_t nName = record_name_length(static_cast<RecordKind>(k));
    if (n >= nName && std::memcmp(p, kRecordName[k], static_cast<std::size_t>(nName)) == 0) {
      return true;
    }
  }
  return false;
}

// The line p[0, nFull) (its terminator excluded) is a record's header: one
// of the records the readers read, as they tell one, or any other record
// (a name, then a number). Looked at as the reader looks at a line, by its
// first kLineLen characters.
bool is_record_line(const char* p, std::int64_t nFull) {
  const std::int64_t n = nFull < kLineLen ? nFull : kLineLen;
  const std::int64_t iField = first_field_at(p, n);
  if (iField < 0 || !is_capital(p[iField])) return false;
  if (starts_with_read_record(p + iField, n - iField)) return true;
  std::int64_t i = iField;
  while (i < n && i - iField < MxRecordName && (is_capital(p[i]) || is_digit(p[i])))
    ++i;
  if (i == n || !is_blank(p[i])) return false;
  while (i < n && is_blank(p[i]))
    ++i;
  std::int64_t iEnd = i;
  while (iEnd < n && !is_blank(p[iEnd]) && p[iEnd] != '\r')
    ++iEnd;
  const auto nField = static_cast<std::int32_t>(iEnd - i);
  if (nField == 0 || nField > kFieldTextLen) return false;
  double Value = 0.0;
  switch (field_shape(p + i, nField)) {
    case kFieldInteger:
      return digits_value(p + i, nField, Value);
    case kFieldReal:
      return real_value(p + i, nField, nullptr);
    default:
      return false;
  }
}

}  // namespace

bool holds_sesam_records(const char* p, std::int64_t n) {
  while (n > 0) {
    const char* pFeed = nullptr;
    const std::int64_t nLine = line_length(p, n, pFeed);
    if (is_record_line(p, nLine)) return true;
    p += nLine + 1;
    n -= nLine + 1;
  }
  return false;
}

SesamVerdict look_at_piece(const char* p, std::int64_t n, SesamLook& Look) {
  const bool bFileEnds = n < MxSesamLook;
  std::int64_t iStart = 0;
  if (Look.bInLine) {
    // The rest of a line longer than a piece, looked at by its start.
    const auto* pFeed = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(n)));
    if (pFeed == nullptr) {
      Look.iAt += n;
      return bFileEnds ? kSesamNoModel : kSesamLookFurther;
    }
    iStart = pFeed - p + 1;
  }
  // Whole lines only, unless the file ends here: the line the piece cuts
  // is looked at whole in the next piece, or by its start when it alone
  // fills the piece.
  std::int64_t iEnd = n;
  if (!bFileEnds) {
    while (iEnd > iStart && p[iEnd - 1] != '\n')
      --iEnd;
    if (iEnd == iStart && iStart > 0) {
      Look.bInLine = false;
      Look.iAt += iStart;
      return kSesamLookFurther;
    }
    if (iEnd == iStart) iEnd = n;
  }
  if (holds_sesam_records(p + iStart, iEnd - iStart)) return kSesamModel;
  if (bFileEnds) return kSesamNoModel;
  Look.bInLine = iEnd == n && p[n - 1] != '\n';
  Look.iAt += iEnd;
  return kSesamLookFurther;
}
