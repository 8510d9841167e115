#include "fem/scan/tool_line_split.h"

#include <algorithm>
#include <cstring>

#include "fem/scan/tool_layout.h"
#include "support/text_helpers.h"

namespace {

using namespace tool_layout;

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
// the value real_value gives for the field, from its Digits after the
// point. Its nine digits are a whole number m below 10^9, the value
// m x 10^(e - 8): one correctly rounded multiplication or division by an
// exact power of ten, the conversion's own fast path; other exponents go to
// real_value itself.
inline double slot_value(const char* t, SlotDigits Digits) {
  const bool bNeg = t[1] == '-';
  std::int32_t iExp = (t[14] - '0') * 10 + (t[15] - '0');
  if (t[13] == '-') iExp = -iExp;
  const std::uint32_t uMantissa =
      static_cast<std::uint32_t>(t[2] - '0') * 100000000U + Digits.uEight;
  // Most reals in a FEM file are whole numbers written as reals (node,
  // element and member numbers, counts: "1.00001000E+05"): e is 0 to 8 and
  // the 8 - e digits after the first e + 1 are zeros. Then 10^(8 - e)
  // divides m, and the quotient, exact, is had without the division, which
  // cost as much as the rest of the conversion: m / 2^k by a shift, then
  // / 5^k by a multiplication with the inverse (k = 8 - e).
  if (static_cast<std::uint32_t>(iExp) <= 8 && (Digits.uZeros >> iExp) == (0xFFU >> iExp)) {
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

// The values of slots iFirstSlot up to iEndSlot of those at pSlots, two at
// a time: nearly every reader takes two or four.
void convert_slots(const char* pSlots, std::int32_t iFirstSlot, std::int32_t iEndSlot,
                   double* Value) {
  std::int32_t k = iFirstSlot;
  for (; k + 2 <= iEndSlot; k += 2) {
    const char* pPair = pSlots + k * kSlotColumns;
    SlotDigits First, Second;
    two_slot_digits(pPair, First, Second);
    Value[k] = slot_value(pPair, First);
    Value[k + 1] = slot_value(pPair + kSlotColumns, Second);
  }
  if (k < iEndSlot) {
    const char* pSlot = pSlots + k * kSlotColumns;
    Value[k] = slot_value(pSlot, slot_digits(pSlot));
  }
}

// Marks nSlots fields from Kind and Value on as reals of value 0. Lines of
// four and two slots, nearly all, in fixed-size moves.
void mark_reals(std::int32_t* Kind, double* Value, std::int32_t nSlots) {
  static constexpr std::int32_t kFourReals[kShortSlots] = {kFieldReal, kFieldReal, kFieldReal,
                                                           kFieldReal};
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
  // Slot k (from 0) is field nFields + k + 1: kind real, value 0 unless taken.
  const std::int32_t nSlots = (nLen - kNameColumns) / kSlotColumns;
  double* Value = Fields.values + nFields + 1;
  mark_reals(Fields.kinds + nFields + 1, Value, nSlots);
  const std::int32_t iFirstSlot = std::clamp(iFirstValue - nFields - 1, 0, nSlots);
  const std::int32_t iEndSlot = std::clamp(iLastValue - nFields, iFirstSlot, nSlots);
  convert_slots(ChLine + kNameColumns, iFirstSlot, iEndSlot, Value);
  Fields.count = nFields + nSlots;
}
