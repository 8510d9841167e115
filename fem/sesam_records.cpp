#include "fem/sesam_records.h"

#include <cstring>

#include "fem/field_classifier.h"

namespace {

constexpr std::int32_t kMxRecordName = 8;
constexpr std::int32_t kMxField = 80;

bool is_capital(char c) {
  return c >= 'A' && c <= 'Z';
}
bool is_digit(char c) {
  return c >= '0' && c <= '9';
}
bool is_blank(char c) {
  return c == ' ';
}

// The line p[0, n) (its terminator excluded) is a record's header.
bool is_record_line(const char* p, std::int64_t n) {
  std::int64_t i = 0;
  if (n == 0 || !is_capital(p[0])) return false;
  while (i < n && i < kMxRecordName && (is_capital(p[i]) || is_digit(p[i])))
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
    const auto* pFeed = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(n)));
    const std::int64_t nLine = pFeed == nullptr ? n : pFeed - p;
    if (is_record_line(p, nLine)) return true;
    p += nLine + 1;
    n -= nLine + 1;
  }
  return false;
}
