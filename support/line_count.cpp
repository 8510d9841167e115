#include "support/line_count.h"

#include <cstring>

std::int64_t line_number_at(const char* pData, std::int64_t iOffset) {
  std::int64_t nLine = 1;
  const char* p = pData;
  const char* pEnd = pData + (iOffset > 0 ? iOffset : 0);
  while (p < pEnd) {
    const auto* pFeed =
        static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(pEnd - p)));
    if (pFeed == nullptr) break;
    ++nLine;
    p = pFeed + 1;
  }
  return nLine;
}
