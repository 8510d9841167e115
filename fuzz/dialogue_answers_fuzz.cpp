// Fuzz target: the input bytes are standard input, the answers a person or
// a script gives the dialogue. They are read as the dialogue reads them
// (driver/dialogue.h: ask, the line reading behind it, the console unit),
// answer after answer, until the input ends, which is the dialogue's fatal
// stop (unwound back here). Each answer is offered as a file name the way
// the dialogue offers it (open_answer) where that opens nothing: an answer
// longer than its field is refused before any open. Names within the field
// are not opened: a name from the fuzzer could be any file of the machine.
// After each answer the target checks it against a plain model of the
// console's line rules: a line ends at a line feed, one carriage return
// before it (or before the end of the input) goes, the field holds the
// first 256 characters blank-padded, the answer's length is the line's
// without trailing blanks; and at the end that every line was one answer.
// Any breach aborts, which libFuzzer reports as a finding.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driver/dialogue.h"
#include "driver/run_file_open.h"
#include "driver/run_units.h"
#include "files/file_units.h"
#include "support/fatal_stop.h"

namespace {

[[noreturn]] void fail(const char* ChWhat) {
  std::fprintf(stderr, "broken: %s\n", ChWhat);
  std::abort();
}
#define REQUIRE(c) \
  if (!(c)) fail(#c)

// Standard input holding the bytes p[0, n), read from its start.
void put_standard_input(const std::uint8_t* p, std::size_t n) {
  const int iFd = ::memfd_create("lablix-fuzz-input", MFD_CLOEXEC);
  REQUIRE(iFd >= 0);
  REQUIRE(::write(iFd, p, n) == static_cast<ssize_t>(n));
  REQUIRE(::lseek(iFd, 0, SEEK_SET) == 0);
  REQUIRE(::dup2(iFd, 0) == 0);
  ::close(iFd);
  restart_console_input();
}

// The model: the line that starts at iAt of the input (its feed, if any,
// excluded) and where the next one starts.
struct ModelLine {
  const char* p;
  std::size_t n;
};

ModelLine model_line(const std::uint8_t* pData, std::size_t nData, std::size_t& iAt) {
  const char* p = reinterpret_cast<const char*>(pData) + iAt;
  const auto* pFeed = static_cast<const char*>(std::memchr(p, '\n', nData - iAt));
  std::size_t n = pFeed != nullptr ? static_cast<std::size_t>(pFeed - p) : nData - iAt;
  iAt += n + (pFeed != nullptr ? 1 : 0);
  if (n > 0 && p[n - 1] == '\r') --n;  // the one carriage return that goes
  return ModelLine{p, n};
}

void check_answer(const ModelLine& Line, const char* ChField, std::int64_t nAnswer) {
  std::size_t nTrimmed = Line.n;
  while (nTrimmed > 0 && Line.p[nTrimmed - 1] == ' ')
    --nTrimmed;
  REQUIRE(nAnswer == static_cast<std::int64_t>(nTrimmed));
  const std::size_t nShown = Line.n < static_cast<std::size_t>(kAnswerLen) ? Line.n : kAnswerLen;
  REQUIRE(std::memcmp(ChField, Line.p, nShown) == 0);
  for (std::size_t k = nShown; k < static_cast<std::size_t>(kAnswerLen); ++k)
    REQUIRE(ChField[k] == ' ');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nData) {
  close_all_units();
  put_standard_input(pData, nData);
  std::size_t iAt = 0, nLines = 0;
  // A last line without a feed is a line; an input that ends in a feed has
  // no empty line after it.
  for (std::size_t i = 0; i < nData; ++nLines)
    model_line(pData, nData, i);
  std::size_t nAnswers = 0;
  char ChAnswer[kAnswerLen];
  try {
    for (;;) {
      const std::int64_t nAnswer = ask(kPromptFemFile, ChAnswer);
      REQUIRE(nAnswers < nLines);
      check_answer(model_line(pData, nData, iAt), ChAnswer, nAnswer);
      ++nAnswers;
      if (nAnswer > kAnswerLen) {
        REQUIRE(open_answer(ChAnswer, nAnswer, kUnitFem, 1) == kRefusedLongerThanField);
        REQUIRE(!is_unit_open(kUnitFem));
      }
    }
  } catch (const FatalStopUnwind&) {
  }
  REQUIRE(nAnswers == nLines && iAt == nData);
  return 0;
}
