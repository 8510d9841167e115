#include "support/text_helpers.h"

#include <cmath>
#include <cstring>

namespace {

bool is_blank_from(const char* ChText, std::int32_t iFrom, std::int32_t iTo) {
  for (std::int32_t i = iFrom; i <= iTo; ++i) {
    if (ChText[i - 1] != kBlank) return false;
  }
  return true;
}

}  // namespace

std::int32_t trimmed_length(const char* ChText, std::int32_t nLen) {
  if (nLen <= 0) return 0;
  // The probes only choose where the backward scan starts; the answer is
  // always the last non-blank position of the whole field.
  static constexpr double kProbe[] = {0.1, 0.2, 0.3, 0.4, 0.7};
  std::int32_t iLimit = nLen;
  for (double f : kProbe) {
    const auto iProbe = static_cast<std::int32_t>(std::round(nLen * f));
    if (iProbe > 1 && is_blank_from(ChText, iProbe, nLen)) {
      iLimit = iProbe;
      break;
    }
  }
  for (std::int32_t i = iLimit; i >= 1; --i) {
    if (ChText[i - 1] != kBlank) return i;
  }
  return 0;
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
  char ChDigits[24];
  std::int32_t nDigits = 0;
  // Built from the magnitude as unsigned, so the most negative value is safe.
  std::uint64_t uMag =
      iValue < 0 ? 0 - static_cast<std::uint64_t>(iValue) : static_cast<std::uint64_t>(iValue);
  do {
    ChDigits[nDigits++] = static_cast<char>('0' + uMag % 10);
    uMag /= 10;
  } while (uMag != 0);
  const std::int32_t nNeed = nDigits + (iValue < 0 ? 1 : 0);
  if (nNeed > nWidth) {
    if (nWidth > 0) std::memset(ChOut, '*', static_cast<std::size_t>(nWidth));
    return nWidth;
  }
  std::int32_t iCol = 0;
  for (; iCol < nWidth - nNeed; ++iCol)
    ChOut[iCol] = kBlank;
  if (iValue < 0) ChOut[iCol++] = '-';
  while (nDigits > 0)
    ChOut[iCol++] = ChDigits[--nDigits];
  return nWidth;
}

void put_two_digits(char* ChOut, std::int32_t iValue) {
  ChOut[0] = static_cast<char>('0' + (iValue / 10) % 10);
  ChOut[1] = static_cast<char>('0' + iValue % 10);
}
