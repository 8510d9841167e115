#include "fem/field_splitter.h"

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

}  // namespace

void split_fields(const char* ChLine, std::int32_t nLen, LineFields& Fields) {
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
  for_each_field(ChLine, nLen, [](const char* t, std::int32_t nFull) {
    const std::int32_t n = nFull < kFieldTextLen ? nFull : kFieldTextLen;
    const FieldKind iKind = field_shape(t, n);
    double Value;
    if (iKind == kFieldInteger && !digits_value(t, n, Value)) stop_on_field(t, n, iKind);
    if (iKind == kFieldReal && !real_value(t, n, nullptr)) stop_on_field(t, n, iKind);
  });
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
