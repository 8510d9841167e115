#include "driver/file_answers.h"

#include <cstring>

#include "support/text_helpers.h"

void strip_quotes(char* ChField, std::int32_t nLen) {
  const std::int32_t n = trimmed_length(ChField, nLen);
  if (n < 2) return;
  const char cQuote = ChField[0];
  if ((cQuote != '"' && cQuote != '\'') || ChField[n - 1] != cQuote) return;
  std::memmove(ChField, ChField + 1, static_cast<std::size_t>(n - 2));
  fill_blanks(ChField + n - 2, nLen - (n - 2));
}

namespace {

// The name ChFem with its extension replaced by the NUL-ended ChExtension.
std::int32_t name_beside(const char* ChFem, std::int32_t nFem, const char* ChExtension, char* ChOut,
                         std::int32_t nRoom) {
  std::int32_t iPart = 0;  // where the last part of the name begins
  for (std::int32_t i = 0; i < nFem; ++i) {
    if (ChFem[i] == '/' || ChFem[i] == '\\') iPart = i + 1;
  }
  std::int32_t nStem = nFem;
  for (std::int32_t i = nFem - 1; i > iPart; --i) {
    if (ChFem[i] == '.') {
      nStem = i;
      break;
    }
  }
  const auto nExtension = static_cast<std::int32_t>(std::strlen(ChExtension));
  const std::int32_t n = nStem + nExtension;
  if (nStem < 0 || n > nRoom) return -1;
  std::memcpy(ChOut, ChFem, static_cast<std::size_t>(nStem));
  std::memcpy(ChOut + nStem, ChExtension, static_cast<std::size_t>(nExtension) + 1);
  return n;
}

}  // namespace

std::int32_t label_name_beside(const char* ChFem, std::int32_t nFem, char* ChOut,
                               std::int32_t nRoom) {
  return name_beside(ChFem, nFem, ".lab", ChOut, nRoom);
}

std::int32_t listing_name_beside(const char* ChFem, std::int32_t nFem, char* ChOut,
                                 std::int32_t nRoom) {
  return name_beside(ChFem, nFem, ".lst", ChOut, nRoom);
}

std::int32_t page_name_beside(const char* ChFem, std::int32_t nFem, char* ChOut,
                              std::int32_t nRoom) {
  return name_beside(ChFem, nFem, ".html", ChOut, nRoom);
}
