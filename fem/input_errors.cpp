#include "fem/input_errors.h"

#include <cstring>

#include "support/file_units.h"
#include "support/text_helpers.h"

namespace {

void compose_title(char* ChMessage, const char* ChTitle) {
  copy_padded(ChMessage, kMessageLen, ChTitle, static_cast<std::int32_t>(std::strlen(ChTitle)));
}

}  // namespace

void write_message_line(std::int32_t iUnit, const char* ChMessage, std::int32_t nLen) {
  write_line(iUnit, ChMessage, trimmed_length(ChMessage, nLen));
}

void compose_inp2101(char* ChMessage) {
  compose_title(ChMessage, "*** ERROR IN INP_2101       ***");
}

void compose_inp2103(char* ChMessage) {
  compose_title(ChMessage, "*** ERROR IN INP_2103       ***");
}

void compose_inp2102(char* ChMessage, const char* ChLine, std::int32_t nLine) {
  static constexpr char kHead[] = "*** ERROR IN INP_2102       ***\nLast Input Line: ";
  constexpr std::int32_t nHead = sizeof kHead - 1;  // 31 + 1 + 17 = 49
  std::memcpy(ChMessage, kHead, nHead);
  const std::int32_t nTrimmed = ChLine == nullptr ? 0 : trimmed_length(ChLine, nLine);
  copy_padded(ChMessage + nHead, kMessageLen - nHead, ChLine, nTrimmed);
}
