// trimmed_length's wide steps where the compiler does not target SSE2:
// none; the word-at-a-time steps of support/text_helpers.cpp do all.
#pragma once
#include <cstdint>

namespace text_detail {

// Looks at nothing: every one of the nLen columns is left to the caller.
inline std::int32_t skip_blank_blocks(const char* /*ChText*/, std::int32_t nLen, bool& bFound) {
  bFound = false;
  return nLen;
}

}  // namespace text_detail
