#include "fem/field_splitter.h"

#include <cstring>

#include "fem/scan/line_shape.h"
#include "fem/scan/tool_layout.h"
#include "fem/scan/tool_line_split.h"
#include "support/text_helpers.h"

namespace {

// Calls Take(start, length) for each of the first MxFields fields of the
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
    if (nFields == MxFields) return;
    ++nFields;
    const std::int32_t nFull = i - iStart;
    Take(ChLine + iStart, nFull < kFieldTextLen ? nFull : kFieldTextLen);
  }
}

}  // namespace

void split_fields(const char* ChLine, std::int32_t nLen, LineFields& Fields) {
  std::int32_t nName;
  if (tool_layout::cut_tool_line_slots(ChLine, nLen, nName) > 0)
    return split_tool_line(ChLine, nLen, nName, Fields);
  Fields.count = 0;
  for_each_field(ChLine, nLen, [&Fields](const char* t, std::int32_t n) {
    const std::int32_t k = ++Fields.count;
    Fields.kinds[k] = converted_field(t, n, &Fields.values[k]);
    if (Fields.kinds[k] == kFieldText) copy_padded(Fields.texts[k], kFieldTextLen, t, n);
  });
}

void check_fields(const char* ChLine, std::int32_t nLen) {
  std::int32_t nName;
  if (tool_layout::cut_tool_line_slots(ChLine, nLen, nName) > 0) return;  // nothing there can fail
  if (only_text_fields(ChLine, nLen)) return;
  for_each_field(ChLine, nLen,
                 [](const char* t, std::int32_t n) { converted_field(t, n, nullptr); });
}

bool is_record_header(const LineFields& Fields, const char* ChRecord) {
  const std::size_t nName = std::strlen(ChRecord);
  return Fields.count >= 1 && Fields.kinds[1] == kFieldText && nName <= kFieldTextLen &&
         std::memcmp(Fields.texts[1], ChRecord, nName) == 0;
}
