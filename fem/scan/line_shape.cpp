#include "fem/scan/line_shape.h"

#include <bit>
#include <cstring>

#include "fem/scan/tool_layout.h"
#include "files/file_units.h"
#include "support/text_helpers.h"

using namespace tool_layout;

namespace {

// flatten: the test is built into this one function, compiled for AVX2.
LABLIX_WIDE_FORM std::int32_t tool_line_length_wide(const char* pText, const char* pEnd,
                                                    std::int32_t& nName) {
  return tool_line_length_by<leading_good_slots_wide>(pText, pEnd, nName);
}

// Bit k set where column k of the 32 at p holds c.
std::uint32_t columns_holding32(const char* p, char c) {
  return columns_holding(p, c) | columns_holding(p + 16, c) << 16;
}

// Bit k set where a field starts in the sixteen columns at p and cannot be
// text: a non-blank column after a blank one (column 0 counts as after a
// blank when uBlankBefore is 1) that holds what a number may start with.
std::uint32_t number_field_starts(const char* p, std::uint32_t uBlankBefore) {
  const std::uint32_t uBlank = columns_holding(p, kBlank);
  const std::uint32_t uStarts = ~uBlank & ((uBlank << 1) | uBlankBefore);
  return uStarts & number_start_columns(p) & 0xFFFF;
}

// The first line feed of the n bytes at p, or null. Most lines that are cut
// out are short (names, comments), and for them a call of memchr costs more
// than the search: the first 32 bytes are looked at here, in one step.
const char* first_feed(const char* p, std::int64_t n) {
  constexpr std::int64_t kProbe = 32;
  if (n >= kProbe) {
    const std::uint32_t uFeeds = columns_holding32(p, '\n');
    if (uFeeds != 0) return p + std::countr_zero(uFeeds);
    p += kProbe;
    n -= kProbe;
  }
  return static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(n)));
}

}  // namespace

std::int32_t tool_line_length(const char* pText, const char* pEnd, std::int32_t& nName) {
  if (bWideSlots) return tool_line_length_wide(pText, pEnd, nName);
  return tool_line_length_by<leading_good_slots>(pText, pEnd, nName);
}

std::int32_t tool_line_length_narrow(const char* pText, const char* pEnd, std::int32_t& nName) {
  return tool_line_length_by<leading_good_slots>(pText, pEnd, nName);
}

bool only_text_fields(const char* pLine, std::int32_t nLen) {
  // Sixteen columns a step.
  if (nLen < 16) {
    // A short line is looked at as sixteen columns, padded with blanks,
    // which start no field.
    char ChPadded[16];
    std::memset(ChPadded, kBlank, sizeof ChPadded);
    if (nLen > 0) std::memcpy(ChPadded, pLine, static_cast<std::size_t>(nLen));
    return number_field_starts(ChPadded, 1) == 0;
  }
  std::uint32_t uBlankBefore = 1;  // column 1 starts a field when not blank
  std::int32_t i = 0;
  for (; i + 16 <= nLen; i += 16) {
    if (number_field_starts(pLine + i, uBlankBefore) != 0) return false;
    uBlankBefore = pLine[i + 15] == kBlank ? 1 : 0;
  }
  if (i == nLen) return true;
  // The last columns: the sixteen that end the line, of which the first
  // ones were looked at already (their starts are masked out).
  const std::int32_t nSeen = i - (nLen - 16);
  return (number_field_starts(pLine + nLen - 16, 0) >> nSeen) == 0;
}

bool short_line_shape(const char* pText, const char* pEnd, ShortLine& Line) {
  constexpr std::int32_t kWidth = 32;
  if (pEnd - pText < kWidth) return false;
  const std::uint32_t uFeeds = columns_holding32(pText, '\n');
  if (uFeeds == 0) return false;
  const std::uint32_t uBlanks = columns_holding32(pText, kBlank);
  const std::uint32_t uStarters = number_start_columns(pText) | number_start_columns(pText + 16)
                                                                    << 16;
  const auto nFeed = static_cast<std::int32_t>(std::countr_zero(uFeeds));
  const auto nLine = static_cast<std::int32_t>(length_before_feed(pText, nFeed));
  const std::uint32_t uInLine = (std::uint32_t{1} << nLine) - 1;  // nLine <= 31
  const std::uint32_t uFilled = ~uBlanks & uInLine;
  const std::uint32_t uStarts = uFilled & ((uBlanks << 1) | 1);
  Line.nLine = nLine;
  Line.nStep = nFeed + 1;
  Line.iFirst = uFilled == 0 ? -1 : static_cast<std::int32_t>(std::countr_zero(uFilled));
  Line.bOnlyText = (uStarts & uStarters) == 0;
  return true;
}

std::int64_t cut_line(const char* pData, std::int64_t nData, std::int64_t iPos,
                      std::int64_t& nLine) {
  const char* pLine = pData + iPos;
  const char* pFeed = first_feed(pLine, nData - iPos);
  if (pFeed == nullptr) {
    nLine = nData - iPos;
    return nData;
  }
  nLine = length_before_feed(pLine, pFeed - pLine);
  return pFeed - pData + 1;
}
