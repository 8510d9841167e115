#include "support/text_helpers.h"

#include <cstring>
// The wide steps of trimmed_length for the build: SSE2 where the compiler
// targets it and the build has not left it out (LABLIX_NO_SSE2), none
// elsewhere.
#if defined(__SSE2__) && !defined(LABLIX_NO_SSE2)
#include "support/blank_scan_sse2.h"
#else
#include "support/blank_scan_portable.h"
#endif

namespace {

constexpr std::uint64_t kEightBlanks = 0x2020202020202020;

}  // namespace

std::int32_t trimmed_length(const char* ChText, std::int32_t nLen) {
  // The scan goes backwards from the field's end, 64 columns a step where
  // the machine can, then sixteen, eight otherwise: an 80-character name
  // field holding a name of 16 characters or more is settled in one step, a
  // shorter one in two.
  bool bFound = false;
  std::int32_t i = text_detail::skip_blank_blocks(ChText, nLen, bFound);
  if (bFound) return i;
  for (; i >= 8; i -= 8) {
    std::uint64_t Word;
    std::memcpy(&Word, ChText + i - 8, sizeof Word);
    if (Word != kEightBlanks) break;
  }
  while (i > 0 && ChText[i - 1] == kBlank)
    --i;
  return i < 0 ? 0 : i;
}

void fill_blanks(char* ChText, std::int32_t nLen) {
  if (nLen > 0) std::memset(ChText, kBlank, static_cast<std::size_t>(nLen));
}

void copy_padded(char* ChTarget, std::int32_t nTarget, const char* ChSource, std::int32_t nSource) {
  if (nTarget <= 0) return;
  std::int32_t nCopy = nSource < nTarget ? nSource : nTarget;
  if (nCopy < 0) nCopy = 0;
  if (nCopy > 0) std::memmove(ChTarget, ChSource, static_cast<std::size_t>(nCopy));
  fill_blanks(ChTarget + nCopy, nTarget - nCopy);
}

std::int32_t put_integer_general(char* ChOut, std::int32_t nWidth, std::int64_t iValue) {
  // The number is built right to left, two digits a step, at the end of a
  // work field of blanks, then the field's last nWidth columns are copied.
  constexpr std::int32_t kWorkLen = 32;
  static constexpr char kDigitPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  char ChWork[kWorkLen];
  std::memset(ChWork, kBlank, sizeof ChWork);
  char* pFirst = ChWork + kWorkLen;
  // Built from the magnitude as unsigned, so the most negative value is safe.
  std::uint64_t uMag =
      iValue < 0 ? 0 - static_cast<std::uint64_t>(iValue) : static_cast<std::uint64_t>(iValue);
  while (uMag >= 100) {
    pFirst -= 2;
    std::memcpy(pFirst, kDigitPairs + 2 * (uMag % 100), 2);
    uMag /= 100;
  }
  if (uMag >= 10) {
    pFirst -= 2;
    std::memcpy(pFirst, kDigitPairs + 2 * uMag, 2);
  } else {
    *--pFirst = static_cast<char>('0' + uMag);
  }
  if (iValue < 0) *--pFirst = '-';
  const auto nNeed = static_cast<std::int32_t>(ChWork + kWorkLen - pFirst);
  if (nNeed > nWidth) {
    if (nWidth > 0) std::memset(ChOut, '*', static_cast<std::size_t>(nWidth));
    return nWidth;
  }
  if (nWidth <= kWorkLen) {
    std::memcpy(ChOut, ChWork + kWorkLen - nWidth, static_cast<std::size_t>(nWidth));
  } else {
    fill_blanks(ChOut, nWidth - nNeed);
    std::memcpy(ChOut + nWidth - nNeed, pFirst, static_cast<std::size_t>(nNeed));
  }
  return nWidth;
}

void put_two_digits(char* ChOut, std::int32_t iValue) {
  ChOut[0] = static_cast<char>('0' + (iValue / 10) % 10);
  ChOut[1] = static_cast<char>('0' + iValue % 10);
}
