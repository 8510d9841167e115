#include "driver/dialogue.h"

#include <cstring>
#include <iterator>
#include <string_view>

#include "driver/file_answers.h"
#include "driver/line_editor.h"
#include "driver/run_file_open.h"
#include "driver/run_messages.h"
#include "files/file_units.h"
#include "platform/platform.h"
#include "support/fatal_stop.h"
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
    "          -                                              -",  // kSystemVersion
    "          -              lablix@example.org              -",
    "          ================================================",
};
static_assert([] {
  for (std::string_view Text : kBannerFrame) {
    if (Text.size() != kBannerText) return false;
  }
  return true;
}());
// The frame line that holds kSystemVersion, and where the version stands.
constexpr std::int32_t kBannerVersionLine = 4;
constexpr std::int32_t kBannerVersionAt = 23;
static_assert(kBannerVersionAt + sizeof kSystemVersion - 1 < kBannerText);

// A console line: at a terminal without its trailing blanks.
void write_console_line(const char* ChLine, std::int32_t n) {
  // static: standard output stays what it is for the whole run.
  static const bool bTerminal = is_terminal(kStandardOutput);
  write_line(kUnitConsoleOut, ChLine, bTerminal ? trimmed_length(ChLine, n) : n);
}

}  // namespace

void write_banner() {
  char ChLine[1 + kBannerText];
  fill_blanks(ChLine, sizeof ChLine);
  write_console_line(ChLine, 54);
  // Lines 2 to 4 and 12 to 14 are one blank and 58 blanks.
  for (std::int32_t i = 0; i < 3; ++i)
    write_console_line(ChLine, sizeof ChLine);
  for (std::int32_t i = 0; i < static_cast<std::int32_t>(std::size(kBannerFrame)); ++i) {
    std::memcpy(ChLine + 1, kBannerFrame[i], kBannerText);
    if (i == kBannerVersionLine) {
      std::memcpy(ChLine + 1 + kBannerVersionAt, kSystemVersion, sizeof kSystemVersion - 1);
    }
    write_console_line(ChLine, sizeof ChLine);
  }
  fill_blanks(ChLine, sizeof ChLine);
  for (std::int32_t i = 0; i < 3; ++i)
    write_console_line(ChLine, sizeof ChLine);
}

std::int64_t ask(const char* ChPrompt, char* ChAnswer) {
  std::int64_t nAnswer = 0;
  if (!read_answer_line(ChPrompt, kPromptLen, ChAnswer, kAnswerLen, nAnswer)) {
    fatal_stop("end of console input while an answer was awaited");
  }
  return nAnswer;
}

std::int32_t open_answer(char* ChAnswer, std::int64_t nAnswer, std::int32_t iUnit,
                         std::int32_t iMode) {
  if (nAnswer > kAnswerLen) return kRefusedLongerThanField;
  strip_quotes(ChAnswer, kAnswerLen);
  return open_run_file(ChAnswer, iUnit, iMode);
}

void write_open_failure(const char* ChFailure, const char* ChAnswer, const char* ChRole,
                        int iError) {
  char ChLine[32 + kAnswerLen];
  const auto nFailure = static_cast<std::int32_t>(std::strlen(ChFailure));
  std::memcpy(ChLine, ChFailure, static_cast<std::size_t>(nFailure));
  std::memcpy(ChLine + nFailure, ChAnswer, kAnswerLen);
  write_console_line(ChLine, nFailure + kAnswerLen);
  // The console line first, so that at a terminal the reason follows it.
  flush_unit(kUnitConsoleOut);
  say_open_refused(ChRole, ChAnswer, iError);
}

void ask_until_open(const char* ChPrompt, char* ChAnswer, std::int32_t iUnit, std::int32_t iMode,
                    const char* ChFailure, const char* ChRole) {
  for (;;) {
    const std::int64_t nAnswer = ask(ChPrompt, ChAnswer);
    const std::int32_t iRefusal = open_answer(ChAnswer, nAnswer, iUnit, iMode);
    if (iRefusal == 0) return;
    write_open_failure(ChFailure, ChAnswer, ChRole, iRefusal);
  }
}
