// Blank-padded text fields: the one text shape of Lablix. A field is a run of
// single-byte characters of a declared length, padded on the right with blanks.
// Only the space character is blank; tab, NUL and every other byte are not.
// Keeps no state.
#pragma once
#include <bit>
#include <cstdint>
#include <cstring>

inline constexpr char kBlank = ' ';

// Eighty blanks, the widest field filled (a name), for fixed-size moves.
inline constexpr char kBlankField[] =
    "                                                                                ";
inline constexpr std::int32_t kBlankFieldLen = sizeof kBlankField - 1;
static_assert(kBlankFieldLen == 80);

// Position (from 1) of the last non-blank character of the first nLen
// characters of ChText, or 0 when they are all blank or nLen is 0 or less.
// Scans backwards from the end many columns a step, so that a long field
// holding a short name is settled with a handful of comparisons.
std::int32_t trimmed_length(const char* ChText, std::int32_t nLen);

// Sets nLen characters of ChText to blanks. Nothing when nLen <= 0.
void fill_blanks(char* ChText, std::int32_t nLen);

// Copies the first nSource characters of ChSource into the nTarget-character
// field ChTarget, cut to the field or padded with blanks to its end.
void copy_padded(char* ChTarget, std::int32_t nTarget, const char* ChSource, std::int32_t nSource);

// Copies the n characters (0 or more) at ChSource to ChTarget in a few
// fixed-size moves, reading and writing nothing past them: for writers of
// hundreds of thousands of short names, where a call that copies a length
// known only at run time costs more than the copy. The two areas must not
// overlap.
inline void copy_text(char* ChTarget, const char* ChSource, std::int32_t n) {
  if (n >= 16) {
    for (std::int32_t i = 0; i + 16 < n; i += 16)
      std::memcpy(ChTarget + i, ChSource + i, 16);
    std::memcpy(ChTarget + n - 16, ChSource + n - 16, 16);
  } else if (n >= 8) {
    std::memcpy(ChTarget, ChSource, 8);
    std::memcpy(ChTarget + n - 8, ChSource + n - 8, 8);
  } else if (n >= 4) {
    std::memcpy(ChTarget, ChSource, 4);
    std::memcpy(ChTarget + n - 4, ChSource + n - 4, 4);
  } else if (n > 0) {
    ChTarget[0] = ChSource[0];
    ChTarget[n / 2] = ChSource[n / 2];
    ChTarget[n - 1] = ChSource[n - 1];
  }
}

// put_integer for any width and value; put_integer settles the common case
// (8 columns, 0 to 99999999: every number of the label file and the
// listing, hundreds of thousands of them) inline and calls this for the rest.
std::int32_t put_integer_general(char* ChOut, std::int32_t nWidth, std::int64_t iValue);

namespace text_detail {

// The eight decimal digits of a value below 10^8 as eight characters,
// leading zeros included, character k in byte k (counted from the low end):
// the value is split into halves of four digits, those into pairs and the
// pairs into digits, each split done for all parts of the word at once with
// a multiplication that divides by 100 or 10 (exact below 10^4 and 10^2).
inline std::uint64_t eight_digit_characters(std::uint32_t uValue) {
  const std::uint64_t uHalves =
      (uValue / 10000) | (static_cast<std::uint64_t>(uValue % 10000) << 32);
  const std::uint64_t uHundreds = ((uHalves * 5243) >> 19) & 0x0000007F0000007F;
  const std::uint64_t uPairs = uHundreds | ((uHalves - uHundreds * 100) << 16);
  const std::uint64_t uTens = ((uPairs * 103) >> 10) & 0x000F000F000F000F;
  const std::uint64_t uDigits = uTens | ((uPairs - uTens * 10) << 8);
  return uDigits | 0x3030303030303030;
}

}  // namespace text_detail

// Writes iValue right-justified in nWidth columns at ChOut, with a leading
// minus sign when negative; a value that needs more than nWidth columns is
// written as nWidth asterisks. Returns nWidth (the columns written).
inline std::int32_t put_integer(char* ChOut, std::int32_t nWidth, std::int64_t iValue) {
  if (nWidth != 8 || iValue < 0 || iValue >= 100000000 ||
      std::endian::native != std::endian::little) {
    return put_integer_general(ChOut, nWidth, iValue);
  }
  // The eight columns at once, the leading zeros turned into blanks (a 0
  // keeps its last digit).
  const std::uint64_t uDigits =
      text_detail::eight_digit_characters(static_cast<std::uint32_t>(iValue));
  const std::uint64_t uNonZero = (uDigits ^ 0x3030303030303030) | (std::uint64_t{1} << 56);
  const std::int32_t nLeading = std::countr_zero(uNonZero) / 8;
  const std::uint64_t uLeading = (std::uint64_t{1} << (8 * nLeading)) - 1;
  const std::uint64_t uField = (uDigits & ~uLeading) | (0x2020202020202020 & uLeading);
  std::memcpy(ChOut, &uField, sizeof uField);
  return 8;
}

// Writes iValue as exactly two digits, with a leading zero below 10 (0 to 99).
void put_two_digits(char* ChOut, std::int32_t iValue);
