#include "fem/sesam_records.h"

#include <cstring>

#include "fem/field_classifier.h"
#include "fem/field_splitter.h"
#include "fem/record_kinds.h"
#include "fem/scan/header_scan.h"

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

std::int64_t line_length(const char* p, std::int64_t n, const char*& pFeed) {
  pFeed = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(n)));
  return pFeed == nullptr ? n : pFeed - p;
}

// The line p[0, nLine) (its terminator excluded) is a record's header: one
// of the records the readers read, told by the header scans' own test of
// its first field (a field that starts with the record's name, whatever
// follows it), or any other record (a name, then a number). Looked at as
// the header scans look at a line: by its first kLineLen characters, a
// comment or a line blank that far passed over.
bool is_record_line(const char* p, std::int64_t nLine) {
  const std::int32_t n = cut_length(nLine);
  const std::int32_t iField = header_scan_start(p, n);
  if (iField < 0 || !is_capital(p[iField])) return false;
  if (record_kind_at(p + iField, n - iField) != kRecordKinds) return true;
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
