#include "fem/fem_place.h"

#include <cstring>

#include "support/line_builder.h"
#include "support/line_count.h"

namespace {

constexpr std::int32_t MxPlaceName = 8;
// The most of the file's name a place shows: an answer field.
constexpr std::int32_t MxPlaceFile = 256;

bool is_capital(char c) {
  return c >= 'A' && c <= 'Z';
}

// The length of the record name that the line [pLine, pEnd) begins with
// after its leading blanks (*pName is set to it), or 0 when it begins with
// none, or is a comment line.
std::int32_t record_name_of(const char* pLine, const char* pEnd, const char*& pName) {
  if (pLine < pEnd && (*pLine == '$' || *pLine == '#' || *pLine == '!')) return 0;
  const char* p = pLine;
  while (p < pEnd && *p == ' ')
    ++p;
  pName = p;
  if (p == pEnd || !is_capital(*p)) return 0;
  std::int32_t n = 1;
  while (p + n < pEnd && n <= MxPlaceName && (is_capital(p[n]) || (p[n] >= '0' && p[n] <= '9')))
    ++n;
  if (n > MxPlaceName) return 0;
  const bool bEnds = p + n == pEnd || p[n] == ' ' || p[n] == '\r' || p[n] == '\n';
  return bEnds ? n : 0;
}

}  // namespace

std::int32_t describe_fem_place(const char* ChName, std::int32_t nName, const char* pData,
                                std::int64_t nData, std::int64_t iOffset, char* ChOut,
                                std::int32_t nRoom) {
  if (iOffset < 0 || iOffset >= nData || nRoom <= 0) return 0;
  LineBuilder Place;
  start_line(Place, nRoom);
  put_chars(Place, ChName, nName < MxPlaceFile ? nName : MxPlaceFile);
  put_text(Place, ":");
  put_number(Place, line_number_at(pData, iOffset));
  // From the place's line upwards, line by line.
  const char* pEnd = pData + iOffset;
  while (pEnd < pData + nData && *pEnd != '\n')
    ++pEnd;
  for (;;) {
    const char* pLine = pEnd;
    while (pLine > pData && pLine[-1] != '\n')
      --pLine;
    const char* pName = nullptr;
    const std::int32_t nRecord = record_name_of(pLine, pEnd, pName);
    if (nRecord > 0) {
      put_text(Place, ": ");
      put_chars(Place, pName, nRecord);
      break;
    }
    if (pLine == pData) break;
    pEnd = pLine - 1;
  }
  std::memcpy(ChOut, Place.Ch, static_cast<std::size_t>(Place.n));
  return Place.n;
}
