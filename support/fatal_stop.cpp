#include "support/fatal_stop.h"

#include <cstring>

#include "support/platform.h"

namespace {

// static: the message is built without the heap, so that a signal handler
// may use this door too.
char ChMessage[512];
int (*pCleanup)() = nullptr;

void append(std::size_t& nAt, const char* ChPiece) {
  if (ChPiece == nullptr) return;
  constexpr std::size_t kRoom = 480;
  std::size_t n = std::strlen(ChPiece);
  if (nAt + n > kRoom) n = kRoom - nAt;
  std::memcpy(ChMessage + nAt, ChPiece, n);
  nAt += n;
}

// The message and the cleanup, common to every way through the door.
void stop_with(const char* ChPart1, const char* ChPart2, const char* ChPart3) {
  // A stop signal arriving now would run the cleanup a second time.
  hold_stop_signals();
  std::size_t nAt = 0;
  append(nAt, " *** FATAL: ");
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
  stop_with("stopped by ", ChSignal, nullptr);
  end_by_signal(iSignal);
}

}  // namespace

[[noreturn]] void fatal_stop3(const char* ChPart1, const char* ChPart2, const char* ChPart3) {
  stop_with(ChPart1, ChPart2, ChPart3);
#if defined(LABLIX_FATAL_UNWINDS)
  release_stop_signals();
  throw FatalStopUnwind{};
#else
  pause_if_console_is_own();
  end_process(kExitFatal);
#endif
}

[[noreturn]] void fatal_stop(const char* ChReason) {
  fatal_stop3(ChReason, nullptr, nullptr);
}

void set_fatal_cleanup(int (*Cleanup)()) {
  pCleanup = Cleanup;
}

void stop_on_signals() {
  catch_stop_signals(on_stop_signal);
}
