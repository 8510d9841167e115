#include "fem/field_splitter.h"

#include <algorithm>
#include <bit>
#include <cstring>
#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "fem/tool_layout.h"
#include "support/file_units.h"
#include "support/text_helpers.h"

namespace {

using namespace tool_layout;

// Calls Take(start, length) for each of the first kMaxFields fields of the
// first nLen characters of ChLine; a field is taken by its first 80
// characters, as it is classified and kept.
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
    const std::int32_t nFull = i - iStart;
    Take(ChLine + iStart, nFull < kFieldTextLen ? nFull : kFieldTextLen);
  }
}

// The inverse of 5^k modulo 2^32: a multiple of 5^k times it is the
// quotient, exactly, in 32-bit arithmetic (5 is odd, so the inverse exists).
constexpr std::uint32_t inverse_of_five_to(std::int32_t k) {
  std::uint32_t uInverse = 1;
  for (std::int32_t i = 0; i < k; ++i)
    uInverse *= 0xCCCCCCCDU;  // 5 x 0xCCCCCCCD = 1 modulo 2^32
  return uInverse;
}
constexpr std::uint32_t kInverseFive[] = {
    inverse_of_five_to(0), inverse_of_five_to(1), inverse_of_five_to(2),
    inverse_of_five_to(3), inverse_of_five_to(4), inverse_of_five_to(5),
    inverse_of_five_to(6), inverse_of_five_to(7), inverse_of_five_to(8)};

// The value of the real in a slot that is_real_slot accepted, bit for bit
// the value real_value gives for the field, from uEight, the value of its
// eight digits after the point, and uZeros, bit i set where the digit i + 1
// after the point is 0. Its nine digits are a whole number m below 10^9,
// the value m x 10^(e - 8): one correctly rounded multiplication or
// division by an exact power of ten, the conversion's own fast path; other
// exponents go to real_value itself.
inline double slot_value(const char* t, std::uint32_t uEight, std::uint32_t uZeros) {
  const bool bNeg = t[1] == '-';
  std::int32_t iExp = (t[14] - '0') * 10 + (t[15] - '0');
  if (t[13] == '-') iExp = -iExp;
  const std::uint32_t uMantissa = static_cast<std::uint32_t>(t[2] - '0') * 100000000U + uEight;
  // Most reals in a FEM file are whole numbers written as reals (node,
  // element and member numbers, counts: "1.00001000E+05"): e is 0 to 8 and
  // the 8 - e digits after the first e + 1 are zeros. Then 10^(8 - e)
  // divides m, and the quotient, exact, is had without the division, which
  // cost as much as the rest of the conversion: m / 2^k by a shift, then
  // / 5^k by a multiplication with the inverse (k = 8 - e).
  if (static_cast<std::uint32_t>(iExp) <= 8 && (uZeros >> iExp) == (0xFFU >> iExp)) {
    const std::int32_t k = 8 - iExp;
    const std::uint32_t uQuotient = (uMantissa >> k) * kInverseFive[k];
    const double Whole = static_cast<double>(static_cast<std::int32_t>(uQuotient));
    return bNeg ? -Whole : Whole;
  }
  const std::int32_t iExp10 = iExp - 8;  // eight digits follow the point
  if (iExp10 < -22 || iExp10 > 22) {
    double Value = 0.0;
    real_value(bNeg ? t + 1 : t + 2, bNeg ? 15 : 14, &Value);
    return Value;
  }
  const double Result =
      scaled_by_pow10(static_cast<double>(static_cast<std::int32_t>(uMantissa)), iExp10);
  return bNeg ? -Result : Result;
}

// The value of the eight digits in Word (character k in byte k, each byte
// already less "0", so 0 to 9), taken pairwise, then by fours, then whole:
// three multiplications instead of eight dependent steps.
inline std::uint32_t eight_digits_value(std::uint64_t Word) {
  Word = Word * 10 + (Word >> 8);  // each byte pair: 10 x first + second
  Word = (((Word & 0x000000FF000000FF) * (100 + (1000000ULL << 32))) +
          (((Word >> 16) & 0x000000FF000000FF) * (1 + (10000ULL << 32)))) >>
         32;
  return static_cast<std::uint32_t>(Word);
}

// Bit i set where byte i of Word (digits less "0", so 0 to 9) is 0: adding
// 0x7F to a digit sets its high bit unless it is 0, and carries into no
// other byte; a multiplication then gathers the eight high bits.
inline std::uint32_t zero_digits(std::uint64_t Word) {
  const std::uint64_t uZeroHigh = ~(Word + 0x7F7F7F7F7F7F7F7F) & 0x8080808080808080;
  return static_cast<std::uint32_t>(((uZeroHigh >> 7) * 0x0102040810204080) >> 56);
}

// The value of a slot on its own.
inline double slot_real_value(const char* t) {
  const std::uint64_t Word = word_at(t + 4) - word_of("00000000");
  return slot_value(t, eight_digits_value(Word), zero_digits(Word));
}

#if defined(__SSE2__)
// The values of two adjacent slots. Their sixteen digits after the point are
// taken side by side in one register: 16-bit lanes multiplied and added in
// pairs give two-digit values, again four-digit and then eight-digit ones,
// for both slots in the same few instructions.
inline void two_slot_values(const char* t, double* Value) {
  const __m128i First = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t));
  const __m128i Second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + kSlotColumns));
  // Columns 4 to 11 of each slot.
  const __m128i Digits = _mm_sub_epi8(
      _mm_unpacklo_epi64(_mm_srli_si128(First, 4), _mm_srli_si128(Second, 4)), _mm_set1_epi8('0'));
  const __m128i Zero = _mm_setzero_si128();
  const __m128i Ten = _mm_set1_epi32(0x0001000A);  // lanes 10, 1, 10, 1, ...
  const __m128i Twos = _mm_packs_epi32(_mm_madd_epi16(_mm_unpacklo_epi8(Digits, Zero), Ten),
                                       _mm_madd_epi16(_mm_unpackhi_epi8(Digits, Zero), Ten));
  const __m128i Fours = _mm_madd_epi16(Twos, _mm_set1_epi32(0x00010064));  // 100, 1
  const __m128i Eights =
      _mm_madd_epi16(_mm_packs_epi32(Fours, Fours), _mm_set1_epi32(0x00012710));  // 10000, 1
  // Bits 0 to 7: the zero digits of the first slot; 8 to 15: the second's.
  const auto uZeros = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(Digits, Zero)));
  Value[0] = slot_value(t, static_cast<std::uint32_t>(_mm_cvtsi128_si32(Eights)), uZeros & 0xFF);
  Value[1] = slot_value(t + kSlotColumns,
                        static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(Eights, 4))),
                        uZeros >> 8);
}
#else
inline void two_slot_values(const char* t, double* Value) {
  Value[0] = slot_real_value(t);
  Value[1] = slot_real_value(t + kSlotColumns);
}
#endif

#if defined(__SSE2__)
// All ones where a column of Text holds a character a number may start
// with: "+", "-", "." or a digit, which are "+" to "9" less "," and "/".
inline __m128i field_starters(__m128i Text) {
  const __m128i Offset = _mm_sub_epi8(Text, _mm_set1_epi8('+'));
  return _mm_andnot_si128(_mm_or_si128(_mm_cmpeq_epi8(Text, _mm_set1_epi8(',')),
                                       _mm_cmpeq_epi8(Text, _mm_set1_epi8('/'))),
                          _mm_cmpeq_epi8(_mm_min_epu8(Offset, _mm_set1_epi8('9' - '+')), Offset));
}
#endif

// True when no field of the first nLen characters of ChLine starts with a
// digit, a sign or a point: every field is then text whatever follows (the
// shape test settles it on that character), so none can stop the run. Name
// lines are such lines, and the checking pass meets hundreds of thousands.
bool only_text_fields(const char* ChLine, std::int32_t nLen) {
#if defined(__SSE2__)
  // Sixteen columns a step: a field starts at a non-blank column after a
  // blank one (or at column 1), and must not start as a number may.
  auto bad_starts = [](const char* p, std::uint32_t uBlankBefore) {
    const __m128i Text = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i Starter = field_starters(Text);
    const auto uBlank =
        static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(Text, _mm_set1_epi8(kBlank))));
    const std::uint32_t uStarts = ~uBlank & ((uBlank << 1) | uBlankBefore);
    return uStarts & static_cast<std::uint32_t>(_mm_movemask_epi8(Starter)) & 0xFFFF;
  };
  if (nLen < 16) {
    // A short line is looked at as sixteen columns, padded with blanks,
    // which start no field.
    char ChPadded[16];
    std::memset(ChPadded, kBlank, sizeof ChPadded);
    if (nLen > 0) std::memcpy(ChPadded, ChLine, static_cast<std::size_t>(nLen));
    return bad_starts(ChPadded, 1) == 0;
  }
  std::uint32_t uBlankBefore = 1;  // column 1 starts a field when not blank
  std::int32_t i = 0;
  for (; i + 16 <= nLen; i += 16) {
    if (bad_starts(ChLine + i, uBlankBefore) != 0) return false;
    uBlankBefore = ChLine[i + 15] == kBlank ? 1 : 0;
  }
  if (i == nLen) return true;
  // The last columns: the sixteen that end the line, of which the first
  // ones were looked at already (their starts are masked out).
  const std::int32_t nSeen = i - (nLen - 16);
  return (bad_starts(ChLine + nLen - 16, 0) >> nSeen) == 0;
#else
  bool bFieldStart = true;
  for (std::int32_t i = 0; i < nLen; ++i) {
    const char c = ChLine[i];
    if (c == kBlank) {
      bFieldStart = true;
    } else {
      if (bFieldStart && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.')) {
        return false;
      }
      bFieldStart = false;
    }
  }
  return true;
#endif
}

// The number of slots of a line of nLen characters in the tool layout, and
// in nName its name's length; 0 when the line has another layout.
std::int32_t tool_line_slots(const char* ChLine, std::int32_t nLen, std::int32_t& nName) {
  if (nLen < kNameColumns + kSlotColumns || (nLen - kNameColumns) % kSlotColumns != 0) return 0;
  const std::int32_t nSlots = (nLen - kNameColumns) / kSlotColumns;
  if (nSlots > kMaxSlots) return 0;
  nName = name_column_length(ChLine);
  if (nName < 0) return 0;
  // Four slots, the most common line: tested at once, without a branch per slot.
  if (nSlots == kShortSlots) return four_slots_good(ChLine + kNameColumns) == 0xFFFF ? nSlots : 0;
  for (std::int32_t k = 0; k < nSlots; ++k) {
    if (!is_real_slot(ChLine + kNameColumns + k * kSlotColumns)) return 0;
  }
  return nSlots;
}

}  // namespace

void split_tool_line(const char* ChLine, std::int32_t nLen, std::int32_t nName, LineFields& Fields,
                     std::int32_t iFirstValue, std::int32_t iLastValue) {
  // The same entries as the walk of split_fields would write, field by field.
  std::int32_t nFields = 0;
  if (nName > 0) {
    nFields = 1;
    Fields.kinds[1] = kFieldText;
    // The name columns hold the name and then blanks (the layout says so):
    // copied whole, they are the name already padded, in fixed-size moves.
    std::memcpy(Fields.texts[1], ChLine, kNameColumns);
    std::memset(Fields.texts[1] + kNameColumns, kBlank, kFieldTextLen - kNameColumns);
  }
  const std::int32_t nSlots = (nLen - kNameColumns) / kSlotColumns;
  const char* pSlot = ChLine + kNameColumns;
  // Slot k (from 0) is field nFields + k + 1: kind real, value 0 unless
  // taken. Lines of four and two slots, nearly all, in fixed-size moves.
  static constexpr std::int32_t kFourReals[kShortSlots] = {kFieldReal, kFieldReal, kFieldReal,
                                                           kFieldReal};
  std::int32_t* Kind = Fields.kinds + nFields + 1;
  double* Value = Fields.values + nFields + 1;
  if (nSlots == 4) {
    std::memcpy(Kind, kFourReals, 4 * sizeof(std::int32_t));
    std::memset(Value, 0, 4 * sizeof(double));
  } else if (nSlots == 2) {
    std::memcpy(Kind, kFourReals, 2 * sizeof(std::int32_t));
    std::memset(Value, 0, 2 * sizeof(double));
  } else {
    for (std::int32_t k = 0; k < nSlots; ++k) {
      Kind[k] = kFieldReal;
      Value[k] = 0.0;
    }
  }
  // The slots whose values are taken, kFirst up to kEnd, two at a time:
  // nearly every reader takes two or four.
  const std::int32_t kFirst = std::clamp(iFirstValue - nFields - 1, 0, nSlots);
  const std::int32_t kEnd = std::clamp(iLastValue - nFields, kFirst, nSlots);
  std::int32_t k = kFirst;
  for (; k + 2 <= kEnd; k += 2)
    two_slot_values(pSlot + k * kSlotColumns, Value + k);
  if (k < kEnd) Value[k] = slot_real_value(pSlot + k * kSlotColumns);
  Fields.count = nFields + nSlots;
}

void split_fields(const char* ChLine, std::int32_t nLen, LineFields& Fields) {
  std::int32_t nName;
  if (tool_line_slots(ChLine, nLen, nName) > 0) return split_tool_line(ChLine, nLen, nName, Fields);
  Fields.count = 0;
  for_each_field(ChLine, nLen, [&Fields](const char* t, std::int32_t n) {
    const std::int32_t k = ++Fields.count;
    Fields.kinds[k] = converted_field(t, n, &Fields.values[k]);
    if (Fields.kinds[k] == kFieldText) copy_padded(Fields.texts[k], kFieldTextLen, t, n);
  });
}

void check_fields(const char* ChLine, std::int32_t nLen) {
  std::int32_t nName;
  if (tool_line_slots(ChLine, nLen, nName) > 0) return;  // nothing there can fail
  if (only_text_fields(ChLine, nLen)) return;
  for_each_field(ChLine, nLen,
                 [](const char* t, std::int32_t n) { converted_field(t, n, nullptr); });
}

namespace {

#if defined(LABLIX_WIDE_SLOTS)
// flatten: the test is built into this one function, compiled for AVX2.
__attribute__((target("avx2"), flatten)) std::int32_t tool_line_length_wide(const char* ChText,
                                                                            const char* pEnd,
                                                                            std::int32_t& nName) {
  return tool_line_length_by<leading_good_slots_wide>(ChText, pEnd, nName);
}
#endif

}  // namespace

std::int32_t tool_line_length(const char* ChText, const char* pEnd, std::int32_t& nName) {
#if defined(LABLIX_WIDE_SLOTS)
  if (bWideSlots) return tool_line_length_wide(ChText, pEnd, nName);
#endif
  return tool_line_length_by<leading_good_slots>(ChText, pEnd, nName);
}

std::int32_t tool_line_length_narrow(const char* ChText, const char* pEnd, std::int32_t& nName) {
  return tool_line_length_by<leading_good_slots>(ChText, pEnd, nName);
}

bool short_line_shape(const char* ChText, const char* pEnd, ShortLine& Line) {
  constexpr std::int32_t kWidth = 32;
  if (pEnd - ChText < kWidth) return false;
#if defined(__SSE2__)
  const __m128i Low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(ChText));
  const __m128i High = _mm_loadu_si128(reinterpret_cast<const __m128i*>(ChText + 16));
  auto columns = [&Low, &High](auto&& Test) {
    return static_cast<std::uint32_t>(_mm_movemask_epi8(Test(Low))) |
           static_cast<std::uint32_t>(_mm_movemask_epi8(Test(High))) << 16;
  };
  const std::uint32_t uFeeds =
      columns([](__m128i Text) { return _mm_cmpeq_epi8(Text, _mm_set1_epi8('\n')); });
  if (uFeeds == 0) return false;
  const auto nFeed = static_cast<std::int32_t>(std::countr_zero(uFeeds));
#else
  const auto* pFeed = static_cast<const char*>(std::memchr(ChText, '\n', kWidth));
  if (pFeed == nullptr) return false;
  const auto nFeed = static_cast<std::int32_t>(pFeed - ChText);
#endif
  Line.nStep = nFeed + 1;
  Line.nLine = static_cast<std::int32_t>(length_before_feed(ChText, nFeed));
#if defined(__SSE2__)
  const std::uint32_t uStarters = columns([](__m128i Text) { return field_starters(Text); });
  const std::uint32_t uBlanks =
      columns([](__m128i Text) { return _mm_cmpeq_epi8(Text, _mm_set1_epi8(kBlank)); });
  const std::uint32_t uInLine = (std::uint32_t{1} << Line.nLine) - 1;  // nLine <= 31
  const std::uint32_t uFilled = ~uBlanks & uInLine;
  Line.iFirst = uFilled == 0 ? -1 : static_cast<std::int32_t>(std::countr_zero(uFilled));
  const std::uint32_t uStarts = uFilled & ((uBlanks << 1) | 1);
  Line.bOnlyText = (uStarts & uStarters) == 0;
#else
  Line.iFirst = first_nonblank(ChText, Line.nLine) - 1;
  Line.bOnlyText = only_text_fields(ChText, Line.nLine);
#endif
  return true;
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
