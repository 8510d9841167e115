#include "fem/field_classifier.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <string>

namespace {

// Classifies Text as split_fields hands a field over: cut or padded to 80.
void classify(const std::string& Text, FieldKind& iKind, double& Value) {
  std::string Field = Text.substr(0, 80);
  Field.resize(80, ' ');
  classify_field(Field.data(), 80, static_cast<std::int32_t>(Text.size()), iKind, Value);
}

// A regex matching Text literally: every symbol escaped, which both the
// POSIX regular expressions and GoogleTest's own on Windows read so.
std::string literal(const std::string& Text) {
  std::string Out;
  for (char c : Text) {
    if (!std::isalnum(static_cast<unsigned char>(c))) Out.push_back('\\');
    Out.push_back(c);
  }
  return Out;
}

}  // namespace

TEST(ClassifyField, KindAndValue) {
  constexpr FieldKind I = kFieldInteger, R = kFieldReal, T = kFieldText, N = kFieldNone;
  struct Case {
    const char* text;
    FieldKind iKind;
    double Value;
  };
  // clang-format off
  const Case cases[] = {
      {"17", I, 17}, {"007", I, 7}, {"2147483647", I, 2147483647},
      {"0000000000002147483647", I, 2147483647}, {"+17", R, 17}, {"-5", R, -5},
      {"1.00000000E+00", R, 1}, {"-2.5e-3", R, -0.0025}, {"1.5e3", R, 1500}, {".5", R, 0.5},
      {"-.5", R, -0.5}, {"5.", R, 5}, {"1E5", R, 1e5}, {"1E+05", R, 1e5},
      {"1.5-3", R, 0.0015}, {"2.4+2", R, 240}, {"-", R, 0}, {"+", R, 0},  // sign-only exponent
      {"1E999", R, HUGE_VAL}, {"-1E999", R, -HUGE_VAL}, {"1E-999", R, 0},  // out of range
      {"1e5", T, 0}, {"12e3", T, 0}, {"12E", T, 0}, {"12Ex", T, 0}, {"1.5D+03", T, 0}, 
      {"1-2", T, 0},
      {"1.2.3", T, 0}, {".", T, 0}, {".E5", T, 0}, {"E5", T, 0}, {"e5", T, 0}, {"GNODE", T, 0},
      {"1,5", T, 0}, {"1:5", T, 0}, {"12\t3", T, 0}, {"", N, 0}, {"   ", N, 0}};
  // clang-format on
  for (const Case& c : cases) {
    FieldKind iKind;
    double Value = 99.0;
    classify(c.text, iKind, Value);
    EXPECT_EQ(c.iKind, iKind) << "'" << c.text << "'";
    EXPECT_DOUBLE_EQ(c.Value, Value) << "'" << c.text << "'";
  }
  FieldKind iKind;
  double Value;
  classify("0.1234567890123456789E-310", iKind, Value);  // subnormal or zero, but no stop
  EXPECT_TRUE(iKind == kFieldReal && Value >= 0.0 && Value < 1E-310) << Value;
}

TEST(ClassifyFieldDeathTest, AdmittedNumberThatDoesNotConvertStops) {
  for (const char* Text :
       {"2147483648", "99999999999", "1.5E", "1E-", "--", "1.5+", "+.", "1.2.3E5", ".5."}) {
    FieldKind iKind;
    double Value;
    EXPECT_EXIT(classify(Text, iKind, Value), testing::ExitedWithCode(2),
                "^ \\*\\*\\* FATAL.*" + literal(Text))
        << Text;
  }
}

TEST(IntegerValueDeathTest, RoundsHalvesAwayFromZeroWithinThirtyTwoBits) {
  struct Case {
    double Value;
    std::int32_t iExpected;
  };
  // clang-format off
  const Case cases[] = {{2.5, 3}, {-2.5, -3}, {0.5, 1}, {-0.5, -1}, {2.49, 2}, {-2.49, -2},
                        {0.49999999999999994, 0}, {-0.49999999999999994, 0},
                        {2147483647.4, 2147483647}, {-2147483648.4, -2147483647 - 1},
                        {2147483647.0, 2147483647}, {-2147483648.0, -2147483647 - 1},
                        {0.0, 0}, {-0.0, 0}, {1e9, 1000000000}, {-7.0, -7}};
  // clang-format on
  for (const Case& c : cases)
    EXPECT_EQ(c.iExpected, integer_value(c.Value, 3)) << c.Value;
  for (double Value :
       {1E10, -1E10, 2147483648.0, 2147483647.5, -2147483648.5, HUGE_VAL, std::nan("")}) {
    EXPECT_EXIT(integer_value(Value, 7), testing::ExitedWithCode(2), "^ \\*\\*\\* FATAL.*field 7")
        << Value;
  }
}
