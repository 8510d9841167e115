#include "support/fatal_stop.h"

#include "platform/platform.h"
#include "support/line_builder.h"

namespace {

// static: the message is built without the heap, so that a signal handler
// may use this door too.
LineBuilder Message;
// The most of the line its text takes, the reason and the closing words
// about unfinished outputs included.
constexpr std::int32_t MxMessageLen = 480;
// The most of the message a place takes: the rest is for the reason.
constexpr std::int32_t MxPlace = 240;
int (*pCleanup)() = nullptr;
InputPlace pPlace = nullptr;

// The message and the cleanup, common to every way through the door; the
// reason after the nHead characters ChHead.
void stop_with(const char* ChHead, std::int32_t nHead, const char* ChPart1, const char* ChPart2,
               const char* ChPart3) {
  // A stop signal arriving now would run the cleanup a second time.
  hold_stop_signals();
  start_line(Message, MxMessageLen);
  put_text(Message, " *** FATAL: ");
  put_chars(Message, ChHead, nHead);
  put_text(Message, ChPart1);
  put_text(Message, ChPart2);
  put_text(Message, ChPart3);
  // Console output already buffered (prompts) goes out before the message.
  if (pCleanup != nullptr && pCleanup() > 0) {
    put_text(Message, "; the output files not finished were left as they were");
  }
  put_line_feed(Message);
  write_to_stderr(Message.Ch, static_cast<std::int64_t>(Message.n));
}

void on_stop_signal(const char* ChSignal, int iSignal) {
  stop_with(nullptr, 0, "stopped by ", ChSignal, nullptr);
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

[[noreturn]] void stop_and_end(const char* ChHead, std::int32_t nHead, const char* ChPart1,
                               const char* ChPart2, const char* ChPart3) {
  stop_with(ChHead, nHead, ChPart1, ChPart2, ChPart3);
  end_after_stop();
}

}  // namespace

[[noreturn]] void fatal_stop3(const char* ChPart1, const char* ChPart2, const char* ChPart3) {
  stop_and_end(nullptr, 0, ChPart1, ChPart2, ChPart3);
}

[[noreturn]] void fatal_stop_at(const char* pAt, const char* ChNoPlace, const char* ChPart1,
                                const char* ChPart2, const char* ChPart3) {
  // static: built without the heap, like the message.
  static LineBuilder Place;
  // The place is written straight into the line's room, ": " after it.
  start_line(Place, MxPlace + 2);
  if (pPlace != nullptr) Place.n = pPlace(pAt, Place.Ch, MxPlace);
  if (Place.n <= 0) {
    start_line(Place);
    put_text(Place, ChNoPlace);
  } else {
    if (Place.n > MxPlace) Place.n = MxPlace;
    put_text(Place, ": ");
  }
  stop_and_end(Place.Ch, Place.n, ChPart1, ChPart2, ChPart3);
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
