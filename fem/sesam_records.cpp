#include "fem/sesam_records.h"

#include <cstring>

#include "fem/field_classifier.h"

namespace {

constexpr std::int32_t kMxRecordName = 8;
constexpr std::int32_t kMxField = 80;
// The reader looks for a line's first field within its first 256 columns;
// a line blank that far is passed over.
constexpr std::int64_t kMxLookColumns = 256;

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
  for (std::int64_t i = 0; i < n && i < kMxLookColumns; ++i) {
    if (!is_blank(p[i])) return i;
  }
  return -1;
}

std::int64_t line_length(const char* p, std::int64_t n, const char*& pFeed) {
  pFeed = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(n)));
  return pFeed == nullptr ? n : pFeed - p;
}

// The line p[0, n) (its terminator excluded) is a record's header.
bool is_record_line(const char* p, std::int64_t n) {
  const std::int64_t iField = first_field_at(p, n);
  if (iField < 0 || !is_capital(p[iField])) return false;
  std::int64_t i = iField;
  while (i < n && i - iField < kMxRecordName && (is_capital(p[i]) || is_digit(p[i])))
    ++i;
  if (i == n || !is_blank(p[i])) return false;
  while (i < n && is_blank(p[i]))
    ++i;
  std::int64_t iEnd = i;
  while (iEnd < n && !is_blank(p[iEnd]) && p[iEnd] != '\r')
    ++iEnd;
  const auto nField = static_cast<std::int32_t>(iEnd - i);
  if (nField == 0 || nField > kMxField) return false;
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

bool look_further(const char* p, std::int64_t n, std::int64_t& iAt, bool& bInComment) {
  const char* pFeed = nullptr;
  if (bInComment) {
    // The rest of a passed-over line: the next piece starts after it.
    const std::int64_t nRest = line_length(p, n, pFeed);
    bInComment = pFeed == nullptr;
    iAt += pFeed == nullptr ? n : nRest + 1;
    return pFeed != nullptr || n == MxSesamLook;
  }
  if (n < MxSesamLook) return false;  // the file ends within this piece
  std::int64_t nPassed = 0;
  while (nPassed < n) {
    const std::int64_t nLine = line_length(p + nPassed, n - nPassed, pFeed);
    const std::int64_t nText =
        pFeed != nullptr && nLine > 0 && p[nPassed + nLine - 1] == '\r' ? nLine - 1 : nLine;
    if (first_field_at(p + nPassed, nText) >= 0) {
      // A line the reader reads, which held no record: not a model, unless
      // the piece cut it short (it is then looked at whole from its start).
      if (pFeed != nullptr || nPassed == 0) return false;
      break;
    }
    if (pFeed == nullptr) {
      // A passed-over line that goes on past the piece.
      if (nPassed == 0) {
        bInComment = true;
        iAt += n;
        return true;
      }
      break;
    }
    nPassed += nLine + 1;
  }
  iAt += nPassed;
  return true;
}
