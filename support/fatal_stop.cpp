#include "support/fatal_stop.h"

#include <cstring>

#include "platform/platform.h"

namespace {

// static: the message is built without the heap, so that a signal handler
// may use this door too.
char ChMessage[512];
// The most of the message a place takes: the rest is for the reason.
constexpr std::int32_t MxPlace = 240;
int (*pCleanup)() = nullptr;
InputPlace pPlace = nullptr;

void append(std::size_t& nAt, const char* ChPiece) {
  if (ChPiece == nullptr) return;
  constexpr std::size_t kRoom = 480;
  std::size_t n = std::strlen(ChPiece);
  if (nAt + n > kRoom) n = kRoom - nAt;
  std::memcpy(ChMessage + nAt, ChPiece, n);
  nAt += n;
}

// The message and the cleanup, common to every way through the door; the
// reason after ChHead.
void stop_with(const char* ChHead, const char* ChPart1, const char* ChPart2, const char* ChPart3) {
  // A stop signal arriving now would run the cleanup a second time.
  hold_stop_signals();
  std::size_t nAt = 0;
  append(nAt, " *** FATAL: ");
  append(nAt, ChHead);
  append(nAt, ChPart1);
  append(nAt, ChPart2);
  append(nAt, ChPart3);
  // Console output already buffered (prompts) goes out before the message.
  if (pCleanup != nullptr && pCleanup() > 0) {
    append(nAt, "; the output files not finished were left as they were");
  }
  ChMessage[nAt++] = '\n';
  write_to_stderr(ChMessage, static_cast<std::int64_t>(nAt));
}

void on_stop_signal(const char* ChSignal, int iSignal) {
  stop_with(nullptr, "stopped by ", ChSignal, nullptr);
  end_by_signal(iSignal);
}

// The end of a fatal stop once its message is out: the process ends, or, in
// a build whose tests go on after a stop, the stop unwinds to them.
[[noreturn]] void end_after_stop() {
#if defined(LABLIX_FATAL_UNWINDS)
  release_stop_signals();
  throw FatalStopUnwind{};
#else
  pause_if_console_is_own();
  end_process(kExitFatal);
#endif
}

[[noreturn]] void stop_and_end(const char* ChHead, const char* ChPart1, const char* ChPart2,
                               const char* ChPart3) {
  stop_with(ChHead, ChPart1, ChPart2, ChPart3);
  end_after_stop();
}

}  // namespace

[[noreturn]] void fatal_stop3(const char* ChPart1, const char* ChPart2, const char* ChPart3) {
  stop_and_end(nullptr, ChPart1, ChPart2, ChPart3);
}

[[noreturn]] void fatal_stop_at(const char* pAt, const char* ChNoPlace, const char* ChPart1,
                                const char* ChPart2, const char* ChPart3) {
  // static: built without the heap, like the message.
  static char ChPlace[MxPlace + 3];
  std::int32_t nPlace = pPlace == nullptr ? 0 : pPlace(pAt, ChPlace, MxPlace);
  if (nPlace > MxPlace) nPlace = MxPlace;
  if (nPlace <= 0) stop_and_end(ChNoPlace, ChPart1, ChPart2, ChPart3);
  ChPlace[nPlace++] = ':';
  ChPlace[nPlace++] = ' ';
  ChPlace[nPlace] = '\0';
  stop_and_end(ChPlace, ChPart1, ChPart2, ChPart3);
}

[[noreturn]] void fatal_stop(const char* ChReason) {
  fatal_stop3(ChReason, nullptr, nullptr);
}

void set_input_place(InputPlace Place) {
  pPlace = Place;
}

void set_fatal_cleanup(int (*Cleanup)()) {
  pCleanup = Cleanup;
}

void stop_on_signals() {
  catch_stop_signals(on_stop_signal);
}
