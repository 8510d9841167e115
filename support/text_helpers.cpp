#include "support/text_helpers.h"

#include <cstring>
#include <initializer_list>

namespace {

constexpr std::uint64_t kEightBlanks = 0x2020202020202020;

// True when characters iFrom to nLen (from 1) are all blank, eight at a time.
bool is_blank_tail(const char* ChText, std::int32_t iFrom, std::int32_t nLen) {
  std::int32_t i = iFrom - 1;
  for (; i + 8 <= nLen; i += 8) {
    std::uint64_t Word;
    std::memcpy(&Word, ChText + i, sizeof Word);
    if (Word != kEightBlanks) return false;
  }
  for (; i < nLen; ++i) {
    if (ChText[i] != kBlank) return false;
  }
  return true;
}

}  // namespace

std::int32_t trimmed_length(const char* ChText, std::int32_t nLen) {
  if (nLen <= 0) return 0;
  // Probe phase: names and lines are mostly trailing blanks (a short name in
  // an 80-character field, a line in a 256-character buffer), so the scan
  // first tries to start at a tenth, two, three, four or seven tenths of the
  // field (rounded, halves up). The probes only choose where the backward
  // scan starts: the answer is the last non-blank position of the whole field.
  std::int32_t iLimit = nLen;
  for (std::int32_t nTenths : {1, 2, 3, 4, 7}) {
    const auto iProbe =
        static_cast<std::int32_t>((static_cast<std::int64_t>(nLen) * nTenths + 5) / 10);
    if (iProbe > 1 && is_blank_tail(ChText, iProbe, nLen)) {
      iLimit = iProbe;
      break;
    }
  }
  // The backward scan steps over eight blanks at a time.
  std::int32_t i = iLimit;
  while (i >= 8) {
    std::uint64_t Word;
    std::memcpy(&Word, ChText + i - 8, sizeof Word);
    if (Word != kEightBlanks) break;
    i -= 8;
  }
  while (i > 0 && ChText[i - 1] == kBlank)
    --i;
  return i;
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

std::int32_t put_integer(char* ChOut, std::int32_t nWidth, std::int64_t iValue) {
  // The number is built right to left, two digits a step, at the end of a
  // work field of blanks, then the field's last nWidth columns are copied
  // whole: the label file and the listing are hundreds of thousands of lines
  // of such numbers.
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
  if (nWidth == 8) {
    // The width of every number in the label file and the listing: a copy
    // of known size is a single move.
    std::memcpy(ChOut, ChWork + kWorkLen - 8, 8);
  } else if (nWidth <= kWorkLen) {
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
