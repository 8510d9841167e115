#include "fem/field_classifier.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "support/fatal_stop.h"
#include "support/line_builder.h"
#include "support/text_helpers.h"

namespace {

// What a conversion failure says where no place in the FEM file is known.
constexpr char kNoPlace[] = "input conversion error: ";

inline bool is_digit(char c) {
  return c >= '0' && c <= '9';
}
inline bool is_sign(char c) {
  return c == '+' || c == '-';
}

// The slow, exact conversion for the rare texts outside the fast path.
// ChDigits holds the mantissa's digits (point removed), nDigits of them;
// the value is ChDigits x 10^iExp10.
double exact_value(const char* ChDigits, std::int32_t nDigits, std::int64_t iExp10, bool bNeg) {
  char ChWork[128];
  std::int32_t n = 0;
  std::int32_t iFirst = 0;
  while (iFirst < nDigits && ChDigits[iFirst] == '0')
    ++iFirst;
  if (iFirst == nDigits) return bNeg ? -0.0 : 0.0;
  // Leading zeros dropped; the exponent follows the first significant digit.
  for (std::int32_t i = iFirst; i < nDigits; ++i)
    ChWork[n++] = ChDigits[i];
  const std::int64_t iMagnitude = iExp10 + (nDigits - iFirst);
  // Far outside the range of a double either way: no need to ask.
  if (iMagnitude > 400) return bNeg ? -HUGE_VAL : HUGE_VAL;
  if (iMagnitude < -400) return bNeg ? -0.0 : 0.0;
  ChWork[n++] = 'e';
  const auto Exp = std::to_chars(ChWork + n, ChWork + sizeof ChWork, iExp10);
  double Value = 0.0;
  const auto Result = std::from_chars(ChWork, Exp.ptr, Value, std::chars_format::scientific);
  if (Result.ec == std::errc::result_out_of_range) {
    Value = iMagnitude > 0 ? HUGE_VAL : 0.0;
  }
  return bNeg ? -Value : Value;
}

char ChFieldCopy[81];

}  // namespace

std::int32_t first_nonblank(const char* ChText, std::int32_t nLen) {
  for (std::int32_t i = 1; i <= nLen; ++i) {
    if (ChText[i - 1] != kBlank) return i;
  }
  return 0;
}

FieldKind field_shape(const char* t, std::int32_t n) {
  // A field that starts with anything but a digit, a sign or a point is text
  // whatever follows (the character test or the first-character tests say
  // so), and names and record names are most of the text fields: settled
  // without looking further.
  const char cFirst = t[0];
  if (!is_digit(cFirst) && !is_sign(cFirst) && cFirst != '.') return kFieldText;
  bool bAllDigits = true;
  std::int32_t nPoints = 0;
  std::int32_t iUpperE = -1;
  for (std::int32_t i = 0; i < n; ++i) {
    const char c = t[i];
    if (is_digit(c)) continue;
    bAllDigits = false;
    switch (c) {
      case '.':
        ++nPoints;
        break;
      case '+':
      case '-':
      case 'e':
        break;
      case 'E':
        if (iUpperE < 0) iUpperE = i;
        break;
      default:
        // Not all digits, and a character no number holds: text.
        return kFieldText;
    }
  }
  if (bAllDigits) return kFieldInteger;
  const char c0 = t[0];
  if (is_sign(c0)) return kFieldReal;
  if (c0 == '.' && n >= 2 && is_digit(t[1])) return kFieldReal;
  if (!is_digit(c0)) return kFieldText;
  if (nPoints == 1) return kFieldReal;
  // Only an upper-case E is looked for here: "1e5" stays text.
  if (iUpperE < 0 || iUpperE == n - 1) return kFieldText;
  const char cNext = t[iUpperE + 1];
  return (is_sign(cNext) || is_digit(cNext)) ? kFieldReal : kFieldText;
}

bool digits_value(const char* t, std::int32_t n, double& Value) {
  std::int32_t i = 0;
  while (i < n && t[i] == '0')
    ++i;
  if (n - i > 10) return false;
  std::int64_t iValue = 0;
  for (; i < n; ++i)
    iValue = iValue * 10 + (t[i] - '0');
  if (iValue > 2147483647) return false;
  Value = static_cast<double>(iValue);
  return true;
}

namespace {

// The digits of a real's mantissa, point removed; the value is ChDigits x
// 10^-nAfterPoint.
struct Mantissa {
  char ChDigits[96];
  std::int32_t nDigits;
  std::int32_t nAfterPoint;
};

// Reads the mantissa from t[i] on (digits with at most one point) into M,
// i then past it. False when it has no digit or more digits than any field.
bool read_mantissa(const char* t, std::int32_t n, std::int32_t& i, Mantissa& M) {
  M.nDigits = 0;
  M.nAfterPoint = 0;
  bool bPoint = false;
  for (; i < n; ++i) {
    const char c = t[i];
    if (is_digit(c)) {
      if (M.nDigits == static_cast<std::int32_t>(sizeof M.ChDigits)) return false;
      M.ChDigits[M.nDigits++] = c;
      if (bPoint) ++M.nAfterPoint;
    } else if (c == '.' && !bPoint) {
      bPoint = true;
    } else {
      break;
    }
  }
  return M.nDigits > 0;
}

// Reads the exponent that takes up t[i] to t[n - 1], if any: ("E" or "e")
// [sign] digits, or sign digits. False for anything else.
bool read_exponent(const char* t, std::int32_t n, std::int32_t i, std::int64_t& iExp) {
  iExp = 0;
  if (i == n) return true;
  const char c = t[i];
  bool bExpNeg = false;
  if (c == 'E' || c == 'e') {
    ++i;
    if (i < n && is_sign(t[i])) bExpNeg = t[i++] == '-';
  } else if (is_sign(c)) {
    bExpNeg = c == '-';
    ++i;
  } else {
    return false;
  }
  if (i == n) return false;
  for (; i < n; ++i) {
    if (!is_digit(t[i])) return false;
    // Capped: a longer exponent only pushes the value further out of range.
    if (iExp < 100000) iExp = iExp * 10 + (t[i] - '0');
  }
  if (bExpNeg) iExp = -iExp;
  return true;
}

}  // namespace

bool real_value(const char* t, std::int32_t n, double* Value) {
  std::int32_t i = 0;
  bool bNeg = false;
  if (i < n && is_sign(t[i])) {
    bNeg = t[i] == '-';
    ++i;
    if (i == n) {
      // A lone sign, such as a dash standing alone in a name line.
      if (Value != nullptr) *Value = bNeg ? -0.0 : 0.0;
      return true;
    }
  }
  Mantissa M;
  std::int64_t iExp;
  if (!read_mantissa(t, n, i, M) || !read_exponent(t, n, i, iExp)) return false;
  if (Value == nullptr) return true;

  const std::int64_t iExp10 = iExp - M.nAfterPoint;
  if (M.nDigits <= 15 && iExp10 >= -22 && iExp10 <= 22) {
    std::uint64_t uMantissa = 0;
    for (std::int32_t k = 0; k < M.nDigits; ++k)
      uMantissa = uMantissa * 10 + (M.ChDigits[k] - '0');
    const double Result =
        scaled_by_pow10(static_cast<double>(uMantissa), static_cast<std::int32_t>(iExp10));
    *Value = bNeg ? -Result : Result;
    return true;
  }
  *Value = exact_value(M.ChDigits, M.nDigits, iExp10, bNeg);
  return true;
}

[[noreturn]] void stop_on_field(const char* t, std::int32_t n, FieldKind iKind) {
  if (n > 80) n = 80;
  std::memcpy(ChFieldCopy, t, static_cast<std::size_t>(n));
  ChFieldCopy[n] = '\0';
  // The field stands in the FEM file's content: the line says where.
  if (iKind == kFieldInteger) {
    fatal_stop_at(t, kNoPlace, "the integer field \"", ChFieldCopy, "\" is above 2147483647");
  }
  fatal_stop_at(t, kNoPlace, "the field \"", ChFieldCopy,
                "\" looks like a number but does not convert");
}

void classify_field(const char* ChText, std::int32_t nDeclared, std::int32_t nFull,
                    FieldKind& iKind, double& Value) {
  Value = 0.0;
  iKind = kFieldNone;
  if (nFull <= 0) return;
  const std::int32_t iFirst = first_nonblank(ChText, nDeclared);
  if (iFirst == 0) return;
  const std::int32_t iLast = trimmed_length(ChText, nDeclared);
  const char* t = ChText + iFirst - 1;
  const std::int32_t n = iLast - iFirst + 1;
  iKind = converted_field(t, n, &Value);
}

FieldKind converted_field(const char* t, std::int32_t n, double* pValue) {
  const FieldKind iShape = field_shape(t, n);
  if (iShape == kFieldInteger) {
    double Value;
    if (!digits_value(t, n, Value)) stop_on_field(t, n, iShape);
    if (pValue != nullptr) *pValue = Value;
  } else if (iShape == kFieldReal && !real_value(t, n, pValue)) {
    stop_on_field(t, n, iShape);
  }
  return iShape;
}

std::int32_t rounded_integer_value(double Value, std::int32_t iField) {
  // Rounded by hand inside the range: the library call cost more than the
  // rest of taking a field. Below 2^31 in magnitude the fraction that the
  // truncation leaves is exact, so this is the library's rounding.
  if (Value > -2147483649.0 && Value < 2147483648.0) {
    const auto iTruncated = static_cast<std::int64_t>(Value);
    const double Fraction = Value - static_cast<double>(iTruncated);
    std::int64_t iRounded = iTruncated;
    if (Fraction >= 0.5) {
      ++iRounded;
    } else if (Fraction <= -0.5) {
      --iRounded;
    }
    if (iRounded >= -2147483648LL && iRounded <= 2147483647LL) {
      return static_cast<std::int32_t>(iRounded);
    }
  }
  const double Rounded = std::round(Value);
  if (Rounded >= -2147483648.0 && Rounded <= 2147483647.0)
    return static_cast<std::int32_t>(Rounded);
  // static: built without the heap, like every fatal message.
  static LineBuilder What;
  start_line(What);
  put_text(What, "field ");
  put_number(What, iField);
  put_text(What, " (value ");
  // The shortest text that reads back as the same double.
  char ChValue[32];
  const auto Text = std::to_chars(ChValue, ChValue + sizeof ChValue, Value);
  if (Text.ec == std::errc())
    put_chars(What, ChValue, static_cast<std::int32_t>(Text.ptr - ChValue));
  put_text(What, ")");
  // The value was taken from the line the reader read last.
  fatal_stop_at(nullptr, kNoPlace, line_string(What),
                " is taken as an integer but lies outside -2147483648 to 2147483647", nullptr);
}
