#include "support/file_units.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "support/fatal_stop.h"
#include "support/text_helpers.h"

namespace {

enum UnitRole : std::int32_t {
  kRoleClosed,
  kRoleConsoleIn,
  kRoleConsoleOut,
  kRoleInput,    // a mapped input file
  kRoleOutput,   // a sequential output file
  kRoleRecords,  // a direct-access file: connected, no record I/O
};

struct Unit {
  UnitRole iRole;
  int iFd;
  // Input: the mapped file and the offset of the next line.
  const char* pData;
  std::int64_t nData;
  std::int64_t iPos;
  // Output: bytes waiting in the unit's buffer, and for a regular file the
  // bytes handed to the system so far, where the file is cut when closed.
  std::int32_t nWaiting;
  bool bCutAtClose;
  std::int64_t nWritten;
};

constexpr std::int32_t kOutBufLen = 1 << 16;
constexpr std::int32_t kMaxLineRoom = 4096;  // the most line_room gives
constexpr std::int32_t kConsoleBufLen = 1 << 12;

// static: the unit table of the run, sized once; not re-entrant.
Unit Units[kMaxUnit + 1] = {};
char ChOutBuf[kMaxUnit + 1][kOutBufLen];
bool bConsoleReady = false;

// Console input buffer: bytes ChConsole[iConsolePos, nConsoleFill) are unread.
char ChConsole[kConsoleBufLen];
std::int32_t iConsolePos = 0;
std::int32_t nConsoleFill = 0;

void ready_console() {
  if (bConsoleReady) return;
  bConsoleReady = true;
  Units[kUnitConsoleIn] = Unit{kRoleConsoleIn, 0, nullptr, 0, 0, 0, false, 0};
  Units[kUnitConsoleOut] = Unit{kRoleConsoleOut, 1, nullptr, 0, 0, 0, false, 0};
}

Unit* unit_of(std::int32_t iUnit) {
  ready_console();
  if (iUnit < 1 || iUnit > kMaxUnit) return nullptr;
  return &Units[iUnit];
}

char ChUnitText[4];

const char* unit_text(std::int32_t iUnit) {
  put_integer(ChUnitText, 3, iUnit);
  ChUnitText[3] = '\0';
  std::int32_t i = 0;
  while (ChUnitText[i] == ' ')
    ++i;
  return ChUnitText + i;
}

// Writes all n bytes or reports the error number.
int write_all(int iFd, const char* p, std::int64_t n) {
  while (n > 0) {
    const ssize_t nDone = ::write(iFd, p, static_cast<std::size_t>(n));
    if (nDone < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (nDone == 0) return EIO;
    p += nDone;
    n -= nDone;
  }
  return 0;
}

[[noreturn]] void write_failed(std::int32_t iUnit, int iError) {
  fatal_stop3("writing to unit ", unit_text(iUnit),
              iError == ENOSPC ? " failed: no space left on device"
                               : " failed: the output could not be written whole");
}

void flush_buffer(std::int32_t iUnit, Unit& U) {
  if (U.nWaiting == 0) return;
  const std::int32_t nWaiting = U.nWaiting;
  U.nWaiting = 0;
  const int iError = write_all(U.iFd, ChOutBuf[iUnit], nWaiting);
  if (iError != 0) write_failed(iUnit, iError);
  U.nWritten += nWaiting;
}

// Cuts a regular output file to what was written to it: whatever the file
// held beyond that before the run goes. 0 or the error number.
int cut_to_written(const Unit& U) {
  if (!U.bCutAtClose) return 0;
  return ::ftruncate(U.iFd, static_cast<off_t>(U.nWritten)) == 0 ? 0 : errno;
}

void put_bytes(std::int32_t iUnit, const char* Ch, std::int64_t n) {
  Unit* U = unit_of(iUnit);
  if (U == nullptr || (U->iRole != kRoleOutput && U->iRole != kRoleConsoleOut)) {
    fatal_stop3("unit ", unit_text(iUnit), " is not open for output");
  }
  while (n > 0) {
    if (U->nWaiting == kOutBufLen) flush_buffer(iUnit, *U);
    std::int64_t nTake = kOutBufLen - U->nWaiting;
    if (nTake > n) nTake = n;
    std::memcpy(ChOutBuf[iUnit] + U->nWaiting, Ch, static_cast<std::size_t>(nTake));
    U->nWaiting += static_cast<std::int32_t>(nTake);
    Ch += nTake;
    n -= nTake;
  }
}

// Stores the line bytes p[0, n) at column iCol of the nLen-character field,
// as far as the field reaches.
void put_part(char* ChLine, std::int32_t nLen, std::int64_t iCol, const char* p, std::int64_t n) {
  if (iCol >= nLen) return;
  if (n > nLen - iCol) n = nLen - iCol;
  std::memcpy(ChLine + iCol, p, static_cast<std::size_t>(n));
}

bool read_console_line(char* ChLine, std::int32_t nLen) {
  fill_blanks(ChLine, nLen);
  // A prompt waiting in the output buffer must be seen before we wait.
  flush_buffer(kUnitConsoleOut, Units[kUnitConsoleOut]);
  std::int64_t nTotal = 0;
  bool bAny = false;
  // An answer loses one trailing carriage return: the CR of a CR LF end, or
  // a CR typed before the input ended.
  auto drop_carriage_return = [&] {
    if (nTotal >= 1 && nTotal <= nLen && ChLine[nTotal - 1] == '\r') ChLine[nTotal - 1] = kBlank;
  };
  for (;;) {
    if (iConsolePos == nConsoleFill) {
      ssize_t n;
      do {
        n = ::read(0, ChConsole, kConsoleBufLen);
      } while (n < 0 && errno == EINTR);
      if (n < 0) fatal_stop("reading the console input failed");
      if (n == 0) {  // a last line without terminator is a line
        drop_carriage_return();
        return bAny;
      }
      iConsolePos = 0;
      nConsoleFill = static_cast<std::int32_t>(n);
    }
    bAny = true;
    const char* pStart = ChConsole + iConsolePos;
    const std::int64_t nLeft = nConsoleFill - iConsolePos;
    const char* pEnd =
        static_cast<const char*>(std::memchr(pStart, '\n', static_cast<std::size_t>(nLeft)));
    const std::int64_t nPart = pEnd ? pEnd - pStart : nLeft;
    put_part(ChLine, nLen, nTotal, pStart, nPart);
    nTotal += nPart;
    iConsolePos += static_cast<std::int32_t>(nPart);
    if (pEnd != nullptr) {
      ++iConsolePos;
      drop_carriage_return();
      return true;
    }
  }
}

extern "C" void on_bus_error(int) {
  fatal_stop("reading an input file failed (it was changed or cut short during the run)");
}

bool same_file(const struct stat& A, int iFd) {
  struct stat B;
  if (::fstat(iFd, &B) != 0 || !S_ISREG(B.st_mode)) return false;
  return A.st_dev == B.st_dev && A.st_ino == B.st_ino;
}

// True when the regular file A is already connected to a unit.
bool is_connected(const struct stat& A) {
  for (std::int32_t i = 1; i <= kMaxUnit; ++i) {
    if (Units[i].iRole != kRoleClosed && same_file(A, Units[i].iFd)) return true;
  }
  return false;
}

std::int32_t refuse(int iFd, int iError) {
  ::close(iFd);
  return iError;
}

int open_scratch() {
  int iFd = ::open("/tmp", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (iFd >= 0) return iFd;
  char ChTemplate[] = "/tmp/lablix-scratch-XXXXXX";
  iFd = mkstemp(ChTemplate);
  if (iFd >= 0) ::unlink(ChTemplate);
  return iFd;
}

}  // namespace

std::int32_t connect_unit(std::int32_t iUnit, const char* ChName, std::int32_t nName,
                          UnitStatus iStatus, bool bDirect) {
  Unit* U = unit_of(iUnit);
  if (U == nullptr) return EBADF;
  if (U->iRole != kRoleClosed) return EBUSY;

  int iFd;
  if (iStatus == kStatusScratch) {
    iFd = open_scratch();
    if (iFd < 0) return errno;
  } else {
    constexpr std::int32_t kPathMax = 4096;
    char ChPath[kPathMax];
    if (nName <= 0) return ENOENT;
    if (nName >= kPathMax) return ENAMETOOLONG;
    if (std::memchr(ChName, '\0', static_cast<std::size_t>(nName)) != nullptr) return EINVAL;
    std::memcpy(ChPath, ChName, static_cast<std::size_t>(nName));
    ChPath[nName] = '\0';

    int iFlags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    if (iStatus == kStatusOld && !bDirect) {
      iFlags |= O_RDONLY;
    } else {
      iFlags |= bDirect ? O_RDWR : O_WRONLY;
      if (iStatus == kStatusUnknown) iFlags |= O_CREAT;
      if (iStatus == kStatusNew) iFlags |= O_CREAT | O_EXCL;
    }
    // O_NONBLOCK: a FIFO must not hold the open; it is refused below anyway.
    iFd = ::open(ChPath, iFlags, 0666);
    if (iFd < 0) return errno;
  }

  struct stat Info;
  if (::fstat(iFd, &Info) != 0) return refuse(iFd, errno);
  const bool bRegular = S_ISREG(Info.st_mode);
  const bool bInput = iStatus == kStatusOld && !bDirect;
  if (S_ISDIR(Info.st_mode)) return refuse(iFd, EISDIR);
  if (bInput || bDirect) {
    if (!bRegular) return refuse(iFd, EINVAL);
  } else if (!bRegular && !S_ISCHR(Info.st_mode)) {
    return refuse(iFd, EINVAL);
  }
  // Checked before anything is written or cut, so a refused open changes nothing.
  if (bRegular && is_connected(Info)) return refuse(iFd, EBUSY);
  const int iFlagsNow = ::fcntl(iFd, F_GETFL);
  if (iFlagsNow < 0 || ::fcntl(iFd, F_SETFL, iFlagsNow & ~O_NONBLOCK) != 0) {
    return refuse(iFd, errno);
  }

  Unit New{};
  New.iFd = iFd;
  if (bInput) {
    New.iRole = kRoleInput;
    New.nData = static_cast<std::int64_t>(Info.st_size);
    if (New.nData > 0) {
      // Not populated here: the pages are mapped as the first pass meets
      // them, each fault taking its neighbours along, which cost less than
      // having the system walk all of them page by page at the open.
      void* pMap =
          ::mmap(nullptr, static_cast<std::size_t>(New.nData), PROT_READ, MAP_PRIVATE, iFd, 0);
      if (pMap == MAP_FAILED) return refuse(iFd, errno);
      ::madvise(pMap, static_cast<std::size_t>(New.nData), MADV_SEQUENTIAL);
      // Where the file is not in memory yet, the system reads it into
      // huge pages, which a fault then maps 2 MB at a time (this run's and
      // later runs' passes). A hint: nothing changes where it is declined.
      ::madvise(pMap, static_cast<std::size_t>(New.nData), MADV_HUGEPAGE);
      New.pData = static_cast<const char*>(pMap);
      // A file cut short by another program while mapped raises SIGBUS:
      // that is a read failure, and ends the run through the fatal door.
      struct sigaction Action {};
      Action.sa_handler = on_bus_error;
      sigemptyset(&Action.sa_mask);
      ::sigaction(SIGBUS, &Action, nullptr);
    }
  } else if (bDirect) {
    New.iRole = kRoleRecords;
  } else {
    New.iRole = kRoleOutput;
    // The new contents replace the old ones whole: they are written from the
    // start over what the file held, and the file is cut to them when the
    // unit is closed (a fatal stop closes it too). Emptying it now instead
    // would make the system free its blocks and allocate them again, and
    // write the new contents out at once when closed (its guard for files
    // emptied and rewritten): a run that replaces a large label file of an
    // earlier run paid more for that than for writing it. A file that may
    // not be cut is refused now, before anything is written to it.
    New.bCutAtClose = bRegular;
    if (bRegular && ::ftruncate(iFd, Info.st_size) != 0) return refuse(iFd, errno);
  }
  *U = New;
  return 0;
}

bool is_unit_open(std::int32_t iUnit) {
  const Unit* U = unit_of(iUnit);
  return U != nullptr && U->iRole != kRoleClosed;
}

bool read_line_view(std::int32_t iUnit, const char*& pLine, std::int64_t& nLine) {
  Unit* U = unit_of(iUnit);
  if (U == nullptr || U->iRole != kRoleInput) {
    fatal_stop3("unit ", unit_text(iUnit), " is not open for input");
  }
  if (U->iPos >= U->nData) return false;
  pLine = U->pData + U->iPos;
  const std::int64_t nLeft = U->nData - U->iPos;
  const auto* pFeed =
      static_cast<const char*>(std::memchr(pLine, '\n', static_cast<std::size_t>(nLeft)));
  if (pFeed == nullptr) {
    nLine = nLeft;
    U->iPos = U->nData;
  } else {
    nLine = length_before_feed(pLine, pFeed - pLine);
    U->iPos += pFeed - pLine + 1;
  }
  return true;
}

bool read_line(std::int32_t iUnit, char* ChLine, std::int32_t nLen) {
  Unit* U = unit_of(iUnit);
  if (U != nullptr && U->iRole == kRoleConsoleIn) return read_console_line(ChLine, nLen);
  const char* pLine = nullptr;
  std::int64_t nLine = 0;
  if (!read_line_view(iUnit, pLine, nLine)) {
    fill_blanks(ChLine, nLen);
    return false;
  }
  copy_padded(ChLine, nLen, pLine, nLine > nLen ? nLen : static_cast<std::int32_t>(nLine));
  return true;
}

bool unit_contents(std::int32_t iUnit, const char*& pData, std::int64_t& nData) {
  const Unit* U = unit_of(iUnit);
  if (U == nullptr || U->iRole != kRoleInput) return false;
  pData = U->pData;
  nData = U->nData;
  return true;
}

void rewind_unit(std::int32_t iUnit) {
  Unit* U = unit_of(iUnit);
  if (U != nullptr && U->iRole == kRoleInput) U->iPos = 0;
}

void write_text(std::int32_t iUnit, const char* Ch, std::int64_t n) {
  if (n > 0) put_bytes(iUnit, Ch, n);
}

namespace {

// The rare ways out of line_room, kept out of it so that the call made for
// every line stays a few instructions.
[[noreturn, gnu::noinline, gnu::cold]] void not_open_for_output(std::int32_t iUnit) {
  fatal_stop3("unit ", unit_text(iUnit), " is not open for output");
}
[[gnu::noinline, gnu::cold]] void flush_for_room(std::int32_t iUnit) {
  flush_buffer(iUnit, Units[iUnit]);
}

}  // namespace

char* line_room(std::int32_t iUnit, std::int32_t nMax) {
  Unit* U = unit_of(iUnit);
  if (U == nullptr || (U->iRole != kRoleOutput && U->iRole != kRoleConsoleOut)) {
    not_open_for_output(iUnit);
  }
  if (kOutBufLen - U->nWaiting < nMax + 2) flush_for_room(iUnit);
  return ChOutBuf[iUnit] + U->nWaiting;
}

void end_line_at(std::int32_t iUnit, std::int32_t n) {
  Unit& U = Units[iUnit];
  char* pEnd = ChOutBuf[iUnit] + U.nWaiting + n;
  pEnd[0] = '\r';
  pEnd[1] = '\n';
  U.nWaiting += n + 2;
}

void write_line(std::int32_t iUnit, const char* Ch, std::int64_t n) {
  if (n < 0) n = 0;
  // A line that fits a room is copied into one; a longer one goes in parts.
  if (n <= kMaxLineRoom) {
    char* pTo = line_room(iUnit, static_cast<std::int32_t>(n));
    if (n > 0) std::memcpy(pTo, Ch, static_cast<std::size_t>(n));
    end_line_at(iUnit, static_cast<std::int32_t>(n));
    return;
  }
  put_bytes(iUnit, Ch, n);
  put_bytes(iUnit, "\r\n", 2);
}

void flush_unit(std::int32_t iUnit) {
  Unit* U = unit_of(iUnit);
  if (U == nullptr) return;
  if (U->iRole == kRoleOutput || U->iRole == kRoleConsoleOut) flush_buffer(iUnit, *U);
}

void close_unit(std::int32_t iUnit) {
  Unit* U = unit_of(iUnit);
  if (U == nullptr || U->iRole == kRoleClosed) return;
  if (U->iRole == kRoleConsoleIn) return;
  flush_unit(iUnit);
  if (U->iRole == kRoleConsoleOut) return;
  const Unit Old = *U;
  *U = Unit{};
  if (Old.iRole == kRoleInput && Old.pData != nullptr) {
    ::munmap(const_cast<char*>(Old.pData), static_cast<std::size_t>(Old.nData));
  }
  const int iCutError = Old.iRole == kRoleOutput ? cut_to_written(Old) : 0;
  if (iCutError != 0) {
    ::close(Old.iFd);
    write_failed(iUnit, iCutError);
  }
  if (::close(Old.iFd) != 0 && Old.iRole == kRoleOutput && errno != EINTR) {
    write_failed(iUnit, errno);
  }
}

void close_all_units() {
  ready_console();
  for (std::int32_t i = 1; i <= kMaxUnit; ++i) {
    Unit& U = Units[i];
    if (U.iRole == kRoleOutput || U.iRole == kRoleConsoleOut) {
      if (write_all(U.iFd, ChOutBuf[i], U.nWaiting) == 0) U.nWritten += U.nWaiting;
      U.nWaiting = 0;
    }
    if (U.iRole == kRoleOutput) cut_to_written(U);
    if (U.iRole == kRoleClosed || U.iRole == kRoleConsoleIn || U.iRole == kRoleConsoleOut) {
      continue;
    }
    if (U.iRole == kRoleInput && U.pData != nullptr) {
      ::munmap(const_cast<char*>(U.pData), static_cast<std::size_t>(U.nData));
    }
    ::close(U.iFd);
    U = Unit{};
  }
}
