#include "fem/field_splitter.h"

#include <bit>
#include <cstring>

#include "support/text_helpers.h"

namespace {

// Calls Take(start, length) for each of the first kMaxFields fields of the
// first nLen characters of ChLine.
template <typename TakeField>
void for_each_field(const char* ChLine, std::int32_t nLen, TakeField&& Take) {
  const std::int32_t nLast = trimmed_length(ChLine, nLen);
  std::int32_t nFields = 0;
  std::int32_t i = 0;
  while (i < nLast) {
    while (ChLine[i] == kBlank)
      ++i;  // stops: ChLine[nLast - 1] is not blank
    const std::int32_t iStart = i;
    while (i < nLast && ChLine[i] != kBlank)
      ++i;
    if (nFields == kMaxFields) return;
    ++nFields;
    Take(ChLine + iStart, i - iStart);
  }
}

inline bool is_letter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Nearly every line of a FEM file is written by a modelling tool in one
// layout: columns 1 to 8 hold a record name or are blank, then reals follow
// in 16-column slots, each "  d.ddddddddE+dd" (or a minus in column 2, or
// E-dd), and nothing after them. Its fields are a text (a field that starts
// with a letter always is) and reals that convert, so such a line can
// neither stop the run nor needs its characters walked one by one: it is
// recognised with a few word-wide comparisons and split slot by slot.
constexpr std::int32_t kNameColumns = 8;
constexpr std::int32_t kSlotColumns = 16;
// A longer line would be cut at column 256, inside a slot.
constexpr std::int32_t kMaxSlots = 15;

// Eight characters as one word, character k in byte k (counted from the low
// end), whatever the machine's byte order.
inline std::uint64_t word_at(const char* p) {
  std::uint64_t Word = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&Word, p, sizeof Word);
  } else {
    for (std::int32_t k = 7; k >= 0; --k)
      Word = (Word << 8) | static_cast<unsigned char>(p[k]);
  }
  return Word;
}

// The word that word_at gives for the 8 characters of a constant.
constexpr std::uint64_t word_of(const char (&Ch)[9]) {
  std::uint64_t Word = 0;
  for (std::int32_t k = 7; k >= 0; --k)
    Word = (Word << 8) | static_cast<unsigned char>(Ch[k]);
  return Word;
}

// Zero when every byte of Word that Mask selects (0xFF) is a digit. A digit
// XOR "0" is 0 to 9; adding 0x76 to the low seven bits of a byte sets its
// high bit exactly when they are 10 or more, and no byte carries into the
// next (0x7F + 0x76 < 0x100).
inline std::uint64_t non_digits_where(std::uint64_t Word, std::uint64_t Mask) {
  const std::uint64_t x = Word ^ word_of("00000000");
  const std::uint64_t Over9 = (x & 0x7F7F7F7F7F7F7F7F) + 0x7676767676767676;
  return (Over9 | x) & Mask & 0x8080808080808080;
}

// A slot as two words: the characters that are fixed (blank, point, E) and
// where the digits stand. Column 2 (blank or minus) and column 14 (the
// exponent's sign) are tested apart.
constexpr std::uint64_t kFixedMask1 = word_of("\xff\0\0\xff\0\0\0\0");
constexpr std::uint64_t kFixed1 = word_of(" \0\0.\0\0\0\0");
constexpr std::uint64_t kDigitMask1 = word_of("\0\0\xff\0\xff\xff\xff\xff");
constexpr std::uint64_t kFixedMask2 = word_of("\0\0\0\0\xff\0\0\0");
constexpr std::uint64_t kFixed2 = word_of("\0\0\0\0E\0\0\0");
constexpr std::uint64_t kDigitMask2 = word_of("\xff\xff\xff\xff\0\0\xff\xff");

inline bool is_real_slot(const char* t) {
  const std::uint64_t Word1 = word_at(t);
  const std::uint64_t Word2 = word_at(t + 8);
  return ((Word1 & kFixedMask1) ^ kFixed1) == 0 && ((Word2 & kFixedMask2) ^ kFixed2) == 0 &&
         non_digits_where(Word1, kDigitMask1) == 0 && non_digits_where(Word2, kDigitMask2) == 0 &&
         (t[1] == kBlank || t[1] == '-') && (t[13] == '+' || t[13] == '-');
}

// The value of the eight digits in Word (character k in byte k), taken
// pairwise, then by fours, then whole: three multiplications instead of
// eight dependent steps.
inline std::uint64_t eight_digits_value(std::uint64_t Word) {
  Word -= word_of("00000000");
  Word = Word * 10 + (Word >> 8);  // each byte pair: 10 x first + second
  Word = (((Word & 0x000000FF000000FF) * (100 + (1000000ULL << 32))) +
          (((Word >> 16) & 0x000000FF000000FF) * (1 + (10000ULL << 32)))) >>
         32;
  return Word & 0xFFFFFFFF;
}

// The exact powers of ten of the classifier's fast path.
constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The value of the real in a slot that is_real_slot accepted, bit for bit
// the value real_value gives for the field: its nine digits are a whole
// number below 2^53 scaled by an exact power of ten, one rounding, which is
// the conversion's own fast path; other exponents go to real_value itself.
double slot_real_value(const char* t) {
  const bool bNeg = t[1] == '-';
  std::int32_t iExp = (t[14] - '0') * 10 + (t[15] - '0');
  if (t[13] == '-') iExp = -iExp;
  const std::int32_t iExp10 = iExp - 8;  // eight digits follow the point
  if (iExp10 < -22 || iExp10 > 22) {
    double Value = 0.0;
    real_value(bNeg ? t + 1 : t + 2, bNeg ? 15 : 14, &Value);
    return Value;
  }
  const std::uint64_t uMantissa =
      static_cast<std::uint64_t>(t[2] - '0') * 100000000 + eight_digits_value(word_at(t + 4));
  double Result = static_cast<double>(uMantissa);
  Result = iExp10 >= 0 ? Result * kPow10[iExp10] : Result / kPow10[-iExp10];
  return bNeg ? -Result : Result;
}

// The length of the name in the name columns of a line that has at least
// kNameColumns characters: 0 when they are blank, -1 when they hold anything
// but one field that starts with a letter. A line feed ends the line, so
// it is no part of a name (this also looks at text not yet cut into lines).
inline std::int32_t name_column_length(const char* ChLine) {
  std::int32_t nName = 0;
  if (is_letter(ChLine[0])) {
    while (nName < kNameColumns && ChLine[nName] != kBlank) {
      if (ChLine[nName] == '\n') return -1;
      ++nName;
    }
  }
  for (std::int32_t i = nName; i < kNameColumns; ++i) {
    if (ChLine[i] != kBlank) return -1;
  }
  return nName;
}

// The number of slots of a line of nLen characters in the tool layout, and
// in nName its name's length; 0 when the line has another layout.
std::int32_t tool_line_slots(const char* ChLine, std::int32_t nLen, std::int32_t& nName) {
  if (nLen < kNameColumns + kSlotColumns || (nLen - kNameColumns) % kSlotColumns != 0) return 0;
  const std::int32_t nSlots = (nLen - kNameColumns) / kSlotColumns;
  if (nSlots > kMaxSlots) return 0;
  nName = name_column_length(ChLine);
  if (nName < 0) return 0;
  for (std::int32_t k = 0; k < nSlots; ++k) {
    if (!is_real_slot(ChLine + kNameColumns + k * kSlotColumns)) return 0;
  }
  return nSlots;
}

}  // namespace

void split_tool_line(const char* ChLine, std::int32_t nLen, std::int32_t nName,
                     LineFields& Fields) {
  // The same entries as the walk of split_fields would write, field by field.
  Fields.count = 0;
  if (nName > 0) {
    Fields.count = 1;
    Fields.kinds[1] = kFieldText;
    copy_padded(Fields.texts[1], kFieldTextLen, ChLine, nName);
  }
  const std::int32_t nSlots = (nLen - kNameColumns) / kSlotColumns;
  for (std::int32_t k = 0; k < nSlots; ++k) {
    const std::int32_t iField = ++Fields.count;
    Fields.kinds[iField] = kFieldReal;
    Fields.values[iField] = slot_real_value(ChLine + kNameColumns + k * kSlotColumns);
  }
}

void split_fields(const char* ChLine, std::int32_t nLen, LineFields& Fields) {
  std::int32_t nName;
  if (tool_line_slots(ChLine, nLen, nName) > 0) return split_tool_line(ChLine, nLen, nName, Fields);
  Fields.count = 0;
  for_each_field(ChLine, nLen, [&Fields](const char* t, std::int32_t nFull) {
    const std::int32_t n = nFull < kFieldTextLen ? nFull : kFieldTextLen;
    const FieldKind iKind = field_shape(t, n);
    const std::int32_t k = ++Fields.count;
    Fields.kinds[k] = iKind;
    if (iKind == kFieldInteger) {
      if (!digits_value(t, n, Fields.values[k])) stop_on_field(t, n, iKind);
    } else if (iKind == kFieldReal) {
      if (!real_value(t, n, &Fields.values[k])) stop_on_field(t, n, iKind);
    } else {
      copy_padded(Fields.texts[k], kFieldTextLen, t, n);
    }
  });
}

void check_fields(const char* ChLine, std::int32_t nLen) {
  std::int32_t nName;
  if (tool_line_slots(ChLine, nLen, nName) > 0) return;  // nothing there can fail
  for_each_field(ChLine, nLen, [](const char* t, std::int32_t nFull) {
    const std::int32_t n = nFull < kFieldTextLen ? nFull : kFieldTextLen;
    const FieldKind iKind = field_shape(t, n);
    double Value;
    if (iKind == kFieldInteger && !digits_value(t, n, Value)) stop_on_field(t, n, iKind);
    if (iKind == kFieldReal && !real_value(t, n, nullptr)) stop_on_field(t, n, iKind);
  });
}

std::int32_t tool_line_length(const char* ChText, const char* pEnd, std::int32_t& nName) {
  // Every step reads a whole slot and the character after it.
  if (pEnd - ChText < kNameColumns + kSlotColumns + 1) return 0;
  nName = name_column_length(ChText);
  if (nName < 0) return 0;
  const char* pSlot = ChText + kNameColumns;
  for (std::int32_t k = 0; k < kMaxSlots; ++k) {
    if (pEnd - pSlot < kSlotColumns + 1 || !is_real_slot(pSlot)) return 0;
    pSlot += kSlotColumns;
    const char c = *pSlot;
    if (c == '\n' || (c == '\r' && pEnd - pSlot >= 2 && pSlot[1] == '\n')) {
      return static_cast<std::int32_t>(pSlot - ChText);
    }
    if (c != kBlank) return 0;  // a blank starts the next slot
  }
  return 0;
}

bool is_record_header(const LineFields& Fields, const char* ChRecord) {
  const std::size_t nName = std::strlen(ChRecord);
  return Fields.count >= 1 && Fields.kinds[1] == kFieldText && nName <= kFieldTextLen &&
         std::memcmp(Fields.texts[1], ChRecord, nName) == 0;
}

bool starts_with_record(const char* ChLine, std::int32_t nLen, const char* ChRecord) {
  std::int32_t i = 0;
  while (i < nLen && ChLine[i] == kBlank)
    ++i;
  const auto nName = static_cast<std::int32_t>(std::strlen(ChRecord));
  return nLen - i >= nName &&
         std::memcmp(ChLine + i, ChRecord, static_cast<std::size_t>(nName)) == 0;
}
