#include "driver/dialogue.h"

#include <cstring>
#include <string_view>

#include "driver/run_file_open.h"
#include "support/fatal_stop.h"
#include "support/file_units.h"
#include "support/prompt.h"
#include "support/text_helpers.h"

static_assert(sizeof kPromptFemFile - 1 == kPromptLen);
static_assert(sizeof kPromptLabelFile - 1 == kPromptLen);
static_assert(sizeof kPromptListing - 1 == kPromptLen);
static_assert(sizeof kPromptListingFile - 1 == kPromptLen);

namespace {

constexpr std::int32_t kBannerText = 58;
constexpr const char* kBannerFrame[] = {
    "          ================================================",
    "          -                                              -",
    "          -          ====  L  A  B  L  I  X  ===         -",
    "          -                                              -",
    "          -            Version 1.1/2013-04-28            -",
    "          -              lablix@example.org              -",
    "          ================================================",
};
static_assert([] {
  for (std::string_view Text : kBannerFrame) {
    if (Text.size() != kBannerText) return false;
  }
  return true;
}());

}  // namespace

void write_banner() {
  char ChLine[1 + kBannerText];
  fill_blanks(ChLine, sizeof ChLine);
  write_line(kUnitConsoleOut, ChLine, 54);
  // Lines 2 to 4 and 12 to 14 are one blank and 58 blanks.
  for (std::int32_t i = 0; i < 3; ++i)
    write_line(kUnitConsoleOut, ChLine, sizeof ChLine);
  for (const char* ChText : kBannerFrame) {
    std::memcpy(ChLine + 1, ChText, kBannerText);
    write_line(kUnitConsoleOut, ChLine, sizeof ChLine);
  }
  fill_blanks(ChLine, sizeof ChLine);
  for (std::int32_t i = 0; i < 3; ++i)
    write_line(kUnitConsoleOut, ChLine, sizeof ChLine);
}

void ask(const char* ChPrompt, char* ChAnswer) {
  write_prompt(kUnitConsoleOut, ChPrompt, kPromptLen);
  if (!read_line(kUnitConsoleIn, ChAnswer, kAnswerLen)) {
    fatal_stop("end of console input while an answer was awaited");
  }
}

void write_open_failure(const char* ChFailure, const char* ChAnswer) {
  char ChLine[32 + kAnswerLen];
  const auto nFailure = static_cast<std::int32_t>(std::strlen(ChFailure));
  std::memcpy(ChLine, ChFailure, static_cast<std::size_t>(nFailure));
  std::memcpy(ChLine + nFailure, ChAnswer, kAnswerLen);
  write_line(kUnitConsoleOut, ChLine, nFailure + kAnswerLen);
}

void ask_until_open(const char* ChPrompt, char* ChAnswer, std::int32_t iUnit, std::int32_t iMode,
                    const char* ChFailure) {
  for (;;) {
    ask(ChPrompt, ChAnswer);
    if (open_run_file(ChAnswer, iUnit, iMode) == 0) return;
    write_open_failure(ChFailure, ChAnswer);
  }
}
