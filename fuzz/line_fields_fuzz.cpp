// Fuzz target: every line of the input (cut at line feeds) is split and its
// fields classified, and the answers are held against a plain model written
// straight from the field rules:
//   - a split never writes beyond entry 100, and entries it does not define
//     keep what they held;
//   - check_fields stops exactly when split_fields stops;
//   - the header scan's record_kind_at agrees with split_fields plus
//     is_record_header;
//   - classify_field gives each field the kind of the rules' step order and
//     the value of an ordinary correctly rounded decimal conversion.
// Any disagreement aborts, which libFuzzer reports as a finding.
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fem/field_splitter.h"
#include "fem/scan/header_scan.h"
#include "fem/scan/line_shape.h"
#include "support/fatal_stop.h"

namespace {

[[noreturn]] void fail(const char* ChWhat, const std::string& Line) {
  std::fprintf(stderr, "broken: %s\nline: [%s]\n", ChWhat, Line.c_str());
  std::abort();
}
#define REQUIRE(c, line) \
  if (!(c)) fail(#c, line)

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}
bool is_sign(char c) {
  return c == '+' || c == '-';
}

// The kind decision in the rules' own step order, for t of n (1..80) characters.
FieldKind model_kind(const char* t, std::int32_t n) {
  bool bAllDigits = true;
  for (std::int32_t i = 0; i < n; ++i)
    bAllDigits = bAllDigits && is_digit(t[i]);
  if (bAllDigits) return kFieldInteger;
  for (std::int32_t i = 0; i < n; ++i) {
    const char c = (t[i] >= 'a' && t[i] <= 'z') ? static_cast<char>(t[i] - 32) : t[i];
    if (!is_digit(c) && c != '.' && c != '-' && c != 'E' && c != '+') return kFieldText;
  }
  if (is_sign(t[0])) return kFieldReal;
  if (t[0] == '.' && n >= 2 && is_digit(t[1])) return kFieldReal;
  if (!is_digit(t[0])) return kFieldText;
  std::int32_t nPoints = 0;
  for (std::int32_t i = 0; i < n; ++i)
    nPoints += t[i] == '.';
  if (nPoints == 1) return kFieldReal;
  const char* pE = static_cast<const char*>(std::memchr(t, 'E', n));
  if (pE == nullptr || pE == t + n - 1) return kFieldText;
  return (is_sign(pE[1]) || is_digit(pE[1])) ? kFieldReal : kFieldText;
}

// The accepted real grammar: [sign] mantissa [exponent], mantissa digits
// ["." [digits]] or "." digits, exponent (E|e) [sign] digits or sign digits;
// a lone sign is zero. Fills ChStd with a text strtod reads the same way.
bool model_real(const std::string& t, std::string& ChStd) {
  std::size_t i = 0;
  ChStd.clear();
  if (i < t.size() && is_sign(t[i])) ChStd += t[i++];
  if (i == t.size()) {
    ChStd += "0";
    return i == 1;  // a lone sign; an empty text is no number
  }
  std::size_t nDigits = 0;
  while (i < t.size() && is_digit(t[i]))
    ChStd += t[i++], ++nDigits;
  if (i < t.size() && t[i] == '.') {
    ChStd += t[i++];
    while (i < t.size() && is_digit(t[i]))
      ChStd += t[i++], ++nDigits;
  }
  if (nDigits == 0) return false;
  if (i == t.size()) return true;
  if (t[i] == 'E' || t[i] == 'e') {
    ++i;
    ChStd += 'e';
    if (i < t.size() && is_sign(t[i])) ChStd += t[i++];
  } else if (is_sign(t[i])) {
    ChStd += 'e';
    ChStd += t[i++];
  } else {
    return false;
  }
  if (i == t.size()) return false;
  for (; i < t.size(); ++i) {
    if (!is_digit(t[i])) return false;
    ChStd += t[i];
  }
  return true;
}

// Whether a field of this (first-80) text stops the run, and its value.
bool model_stops(const std::string& t, FieldKind iKind, double& Value) {
  Value = 0.0;
  if (iKind == kFieldInteger) {
    const std::size_t i = t.find_first_not_of('0');
    if (i == std::string::npos) return false;
    if (t.size() - i > 10) return true;
    Value = std::strtod(t.c_str() + i, nullptr);
    return Value > 2147483647.0;
  }
  if (iKind != kFieldReal) return false;
  std::string ChStd;
  if (!model_real(t, ChStd)) return true;
  Value = std::strtod(ChStd.c_str(), nullptr);
  return false;
}

bool same_value(double Model, double Got) {
  if (Model == Got) return true;
  // A magnitude below the normal range may come out as zero or subnormal.
  return Model != 0.0 && std::fabs(Model) < DBL_MIN && std::fabs(Got) < DBL_MIN;
}

void check_line(const std::string& Line) {
  const char* pLine = Line.data();
  const auto nLen = static_cast<std::int32_t>(Line.size());

  // A canary in every entry shows which entries a split wrote.
  static LineFields Fields;
  std::memset(&Fields, 0x5A, sizeof Fields);
  LineFields Canary;
  std::memset(&Canary, 0x5A, sizeof Canary);

  bool bSplitStops = false, bCheckStops = false;
  try {
    split_fields(pLine, nLen, Fields);
  } catch (const FatalStopUnwind&) {
    bSplitStops = true;
  }
  try {
    check_fields(pLine, nLen);
  } catch (const FatalStopUnwind&) {
    bCheckStops = true;
  }
  REQUIRE(bSplitStops == bCheckStops, Line);

  // The model's split: blank is the only separator; fields after the 100th
  // are neither classified nor stored.
  std::int32_t nModel = 0;
  bool bModelStops = false;
  std::size_t i = 0;
  while (!bModelStops && nModel < MxFields) {
    while (i < Line.size() && Line[i] == ' ')
      ++i;
    if (i == Line.size()) break;
    const std::size_t iStart = i;
    while (i < Line.size() && Line[i] != ' ')
      ++i;
    const std::string t = Line.substr(iStart, std::min<std::size_t>(i - iStart, kFieldTextLen));
    const auto n = static_cast<std::int32_t>(t.size());
    const FieldKind iKind = model_kind(t.data(), n);
    double Value;
    ++nModel;
    bModelStops = model_stops(t, iKind, Value);
    if (bModelStops || bSplitStops) continue;
    REQUIRE(Fields.kinds[nModel] == iKind, Line);
    if (iKind == kFieldText) {
      REQUIRE(std::memcmp(Fields.texts[nModel], t.data(), t.size()) == 0, Line);
      for (std::int32_t k = n; k < kFieldTextLen; ++k)
        REQUIRE(Fields.texts[nModel][k] == ' ', Line);
      REQUIRE(std::memcmp(&Fields.values[nModel], &Canary.values[nModel], sizeof(double)) == 0,
              Line);
    } else {
      REQUIRE(same_value(Value, Fields.values[nModel]), Line);
      REQUIRE(std::memcmp(Fields.texts[nModel], Canary.texts[nModel], kFieldTextLen) == 0, Line);
    }
    // The classifier alone, on the field blank-padded to 80, answers the same.
    char ChPadded[kFieldTextLen];
    std::memset(ChPadded, ' ', sizeof ChPadded);
    std::memcpy(ChPadded, t.data(), t.size());
    FieldKind iAlone;
    double Alone;
    classify_field(ChPadded, kFieldTextLen, static_cast<std::int32_t>(i - iStart), iAlone, Alone);
    REQUIRE(iAlone == iKind, Line);
    REQUIRE(std::memcmp(&Alone, &Fields.values[nModel], sizeof(double)) == 0 || iKind == kFieldText,
            Line);
  }
  REQUIRE(bModelStops == bSplitStops, Line);
  if (bSplitStops) return;
  REQUIRE(Fields.count == nModel, Line);
  for (std::int32_t k = nModel + 1; k <= MxFields; ++k) {
    REQUIRE(Fields.kinds[k] == Canary.kinds[k], Line);
    REQUIRE(std::memcmp(&Fields.values[k], &Canary.values[k], sizeof(double)) == 0, Line);
    REQUIRE(std::memcmp(Fields.texts[k], Canary.texts[k], kFieldTextLen) == 0, Line);
  }
  REQUIRE(Fields.kinds[0] == Canary.kinds[0], Line);
  const std::int32_t iFirst = header_scan_start(pLine, nLen);
  const RecordKind iScanned =
      iFirst < 0 ? kRecordKinds : record_kind_at(pLine + iFirst, nLen - iFirst);
  for (std::int32_t k = 0; k < kRecordKinds; ++k) {
    REQUIRE((iScanned == k) == is_record_header(Fields, kRecordName[k]), Line);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nData) {
  const std::string Input(reinterpret_cast<const char*>(pData), nData);
  std::size_t iStart = 0;
  // The readers hand at most 256 characters to a split; longer lines are
  // tried too, so the 100-field limit is met with short and long fields.
  for (std::int32_t nLines = 0; iStart <= Input.size() && nLines < 64; ++nLines) {
    std::size_t iEnd = Input.find('\n', iStart);
    if (iEnd == std::string::npos) iEnd = Input.size();
    check_line(Input.substr(iStart, std::min<std::size_t>(iEnd - iStart, 1024)));
    // The tool-layout test from this line's start over the rest of the
    // input, as the checking pass runs it: with and without AVX2 alike.
    std::int32_t nWide = -1, nNarrow = -1;
    const char* pText = Input.data() + std::min(iStart, Input.size());
    const char* pEnd = Input.data() + Input.size();
    const std::int32_t nLine = tool_line_length(pText, pEnd, nWide);
    REQUIRE(nLine == tool_line_length_narrow(pText, pEnd, nNarrow), Input.substr(iStart));
    REQUIRE(nLine == 0 || nWide == nNarrow, Input.substr(iStart));
    // A short line described in one step as the line rules describe it.
    ShortLine Short{};
    if (short_line_shape(pText, pEnd, Short)) {
      const std::string Text(pText, static_cast<std::size_t>(Short.nStep));
      REQUIRE(Text.back() == '\n' && Text.find('\n') == Text.size() - 1, Text);
      const std::size_t nCut =
          Text.size() >= 2 && Text[Text.size() - 2] == '\r' ? Text.size() - 2 : Text.size() - 1;
      REQUIRE(static_cast<std::size_t>(Short.nLine) == nCut, Text);
      const std::string Cut = Text.substr(0, nCut);
      const std::size_t iFirst = Cut.find_first_not_of(' ');
      REQUIRE(Short.iFirst == (iFirst == std::string::npos ? -1 : static_cast<int>(iFirst)), Text);
      bool bOnlyText = true;
      for (std::size_t i = 0; i < Cut.size(); ++i) {
        if (Cut[i] != ' ' && (i == 0 || Cut[i - 1] == ' ') &&
            std::memchr("+-.0123456789", Cut[i], 13) != nullptr) {
          bOnlyText = false;
        }
      }
      REQUIRE(Short.bOnlyText == bOnlyText, Text);
    }
    iStart = iEnd + 1;
  }
  return 0;
}
