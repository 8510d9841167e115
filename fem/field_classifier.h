// Decides whether one field of a FEM line is an integer, a real or text, and
// converts the numeric ones. A field is a run of non-blank characters. Keeps
// no state between calls.
#pragma once
#include <bit>
#include <cstdint>

enum FieldKind : std::int32_t { kFieldNone = 0, kFieldInteger = 1, kFieldReal = 2, kFieldText = 3 };

// Position (from 1) of the first non-blank character of the first nLen
// characters of ChText; 0 when nLen is 0 or less or they are all blank.
std::int32_t first_nonblank(const char* ChText, std::int32_t nLen);

// Classifies the nDeclared-character field text ChText (the field's first 80
// characters, blank-padded), whose full length in the line is nFull.
// Value is 0.0 unless iKind is integer or real; iKind is kFieldNone for an
// empty field. A field that is all digits but above 2147483647, or that is
// admitted as a real but does not convert, is a fatal stop naming the field.
void classify_field(const char* ChText, std::int32_t nDeclared, std::int32_t nFull,
                    FieldKind& iKind, double& Value);

// The shape decision alone, for the blank-free text t of n characters
// (1 <= n <= 80): integer when all digits; otherwise the sign, point and
// exponent tests in their fixed order decide between real and text. "1e5"
// is text (only an upper-case E starts an exponent in the shape test) while
// "-2.5e-3" is a real; "12E" is text while "1.5E" is admitted as a real.
FieldKind field_shape(const char* t, std::int32_t n);

// Converts an all-digit text. Returns false when its value is above
// 2147483647 (leading zeros are allowed and do not count).
bool digits_value(const char* t, std::int32_t n, double& Value);

// The classic fast path of decimal conversion: a whole Mantissa below 2^53
// times or divided by an exact power of ten (|iExp10| <= 22) is correctly
// rounded in one operation. real_value takes it for every text it can, and
// a split of a line in the tool layout takes the same path, so both give
// the same bits.
inline constexpr double kExactPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                         1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
inline double scaled_by_pow10(double Mantissa, std::int32_t iExp10) {
  return iExp10 >= 0 ? Mantissa * kExactPow10[iExp10] : Mantissa / kExactPow10[-iExp10];
}

// Converts a text admitted as a real: [sign] mantissa [exponent], where the
// mantissa is digits ["." [digits]] or "." digits, and the exponent is
// ("E" or "e") [sign] digits, or sign digits ("1.5-3" is 0.0015). A lone
// sign is 0.0. Out-of-range magnitudes become infinity or zero. Returns false
// for anything else; Value is then untouched. Value may be null to only check.
bool real_value(const char* t, std::int32_t n, double* Value);

// The fatal stop for a field that does not convert; names the field.
[[noreturn]] void stop_on_field(const char* t, std::int32_t n, FieldKind iKind);

// The kind of the blank-free field t of n characters (1 to 80), by
// field_shape, and for a number its value in *pValue (only checked when
// pValue is null): a number that does not convert is a fatal stop naming
// the field. *pValue is left as it is for text.
FieldKind converted_field(const char* t, std::int32_t n, double* pValue);

// The integer meaning of a field value: rounded to the nearest integer,
// halves away from zero. A rounded value outside -2147483648 to 2147483647
// (or not a number at all) is a fatal stop naming field iField.
// Nearly every value the readers take is a whole number inside the range,
// and they take millions: that case is settled inline, where they take it;
// rounded_integer_value does the rest.
std::int32_t rounded_integer_value(double Value, std::int32_t iField);
inline std::int32_t integer_value(double Value, std::int32_t iField) {
  // A whole number below 2^51 in magnitude added to 1.5 x 2^52 lands in the
  // low bits of the sum exactly, as two's complement; its low 32 bits are
  // then the number when it fits 32 bits, and converted back they equal
  // Value only for such a number. One addition, one conversion and one
  // comparison settle it, with no range test and no conversion that could
  // overflow (anything else, NaN included, fails the comparison).
  const double Shifted = Value + 0x1.8p52;
  const auto iWhole =
      static_cast<std::int32_t>(static_cast<std::uint32_t>(std::bit_cast<std::uint64_t>(Shifted)));
  if (static_cast<double>(iWhole) == Value) return iWhole;
  return rounded_integer_value(Value, iField);
}
