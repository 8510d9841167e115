#include "support/fatal_stop.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "support/file_units.h"

namespace {

// static: the message is built without the heap, so the SIGBUS handler may
// use this door too.
char ChMessage[512];

void append(std::size_t& nAt, const char* ChPiece) {
  if (ChPiece == nullptr) return;
  constexpr std::size_t kRoom = 400;
  std::size_t n = std::strlen(ChPiece);
  if (nAt + n > kRoom) n = kRoom - nAt;
  std::memcpy(ChMessage + nAt, ChPiece, n);
  nAt += n;
}

}  // namespace

[[noreturn]] void fatal_stop3(const char* ChPart1, const char* ChPart2, const char* ChPart3) {
  std::size_t nAt = 0;
  append(nAt, " *** FATAL: ");
  append(nAt, ChPart1);
  append(nAt, ChPart2);
  append(nAt, ChPart3);
  ChMessage[nAt++] = '\n';
  // Console output already buffered (prompts) goes out before the message.
  close_all_units();
  std::size_t nDone = 0;
  while (nDone < nAt) {
    const ssize_t n = ::write(2, ChMessage + nDone, nAt - nDone);
    if (n <= 0) break;
    nDone += static_cast<std::size_t>(n);
  }
#if defined(LABLIX_FATAL_UNWINDS)
  throw FatalStopUnwind{};
#else
  ::_exit(kExitFatal);
#endif
}

[[noreturn]] void fatal_stop(const char* ChReason) {
  fatal_stop3(ChReason, nullptr, nullptr);
}
