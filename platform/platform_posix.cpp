// The platform layer on POSIX systems (Linux first): descriptors, mmap and
// sigaction.
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/platform.h"

namespace {

// Files are opened without becoming the controlling terminal, without
// leaking into other programs, and without waiting on a FIFO (refused later).
constexpr int kOpenFlags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;

FileIdentity identity_from(const struct stat& Info) {
  if (!S_ISREG(Info.st_mode)) return FileIdentity{0, 0};
  // An inode number of 0 does not occur for a regular file on Linux; the +1
  // keeps "no file" apart anyway.
  return FileIdentity{static_cast<std::uint64_t>(Info.st_dev),
                      static_cast<std::uint64_t>(Info.st_ino) + 1};
}

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

int fail_closing(int iFd, int iError) {
  ::close(iFd);
  return iError;
}

int clear_nonblocking(int iFd) {
  const int iFlags = ::fcntl(iFd, F_GETFL);
  if (iFlags < 0 || ::fcntl(iFd, F_SETFL, iFlags & ~O_NONBLOCK) != 0) return errno;
  return 0;
}

// Huge pages are a hint where the system knows them; elsewhere nothing.
void advise_sequential_huge(void* pMap, std::size_t nBytes) {
  ::madvise(pMap, nBytes, MADV_SEQUENTIAL);
  advise_huge_pages(pMap, static_cast<std::int64_t>(nBytes));
}

// Reads the whole of a file the system cannot map, or whose size reads as
// 0 although it may hold data, into pages of its own that grow by doubling.
int read_input_whole(int iFd, const char*& pData, std::int64_t& nData) {
  std::size_t nRoom = 1 << 16;
  std::size_t nHave = 0;
  char* pBuf = nullptr;
  for (;;) {
    if (pBuf == nullptr || nHave == nRoom) {
      const std::size_t nNewRoom = pBuf == nullptr ? nRoom : 2 * nRoom;
      void* pNew =
          ::mmap(nullptr, nNewRoom, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
      if (pNew == MAP_FAILED) {
        const int iError = errno;
        if (pBuf != nullptr) ::munmap(pBuf, nRoom);
        return iError;
      }
      if (pBuf != nullptr) {
        std::memcpy(pNew, pBuf, nHave);
        ::munmap(pBuf, nRoom);
      }
      pBuf = static_cast<char*>(pNew);
      nRoom = nNewRoom;
    }
    const ssize_t nRead = ::read(iFd, pBuf + nHave, nRoom - nHave);
    if (nRead < 0 && errno == EINTR) continue;
    if (nRead < 0) {
      const int iError = errno;
      ::munmap(pBuf, nRoom);
      return iError;
    }
    if (nRead == 0) break;
    nHave += static_cast<std::size_t>(nRead);
  }
  if (nHave == 0) {
    ::munmap(pBuf, nRoom);
    pData = nullptr;
    nData = 0;
    return 0;
  }
  // Pages past the content go back now, so a release of nData bytes
  // releases all of it.
  const std::size_t nPage = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  const std::size_t nUsed = (nHave + nPage - 1) / nPage * nPage;
  if (nUsed < nRoom) ::munmap(pBuf + nUsed, nRoom - nUsed);
  pData = pBuf;
  nData = static_cast<std::int64_t>(nHave);
  return 0;
}

int open_unnamed_in(const char* ChFolder) {
#if defined(O_TMPFILE)
  return ::open(ChFolder, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
#else
  (void)ChFolder;
  errno = EOPNOTSUPP;
  return -1;
#endif
}

}  // namespace

FileIdentity identity_of(FileHandle hFile) {
  struct stat Info;
  if (::fstat(hFile, &Info) != 0) return FileIdentity{0, 0};
  return identity_from(Info);
}

int open_regular_file(const char* ChPath, RegularOpen iWay, FileHandle& hFile, FileIdentity& Id) {
  constexpr int kWayFlags[] = {O_RDONLY, O_RDWR, O_RDWR | O_CREAT, O_RDWR | O_CREAT | O_EXCL};
  const int iFd = ::open(ChPath, kWayFlags[iWay] | kOpenFlags, 0666);
  if (iFd < 0) return errno;
  struct stat Info;
  if (::fstat(iFd, &Info) != 0) return fail_closing(iFd, errno);
  if (S_ISDIR(Info.st_mode)) return fail_closing(iFd, EISDIR);
  if (!S_ISREG(Info.st_mode)) return fail_closing(iFd, EINVAL);
  const int iError = clear_nonblocking(iFd);
  if (iError != 0) return fail_closing(iFd, iError);
  hFile = iFd;
  Id = identity_from(Info);
  return 0;
}

int load_input_file(FileHandle hFile, const char*& pData, std::int64_t& nData) {
  pData = nullptr;
  nData = 0;
  struct stat Info;
  if (::fstat(hFile, &Info) != 0) return errno;
  if (Info.st_size == 0) return read_input_whole(hFile, pData, nData);
  // Not populated here: the pages are mapped as the first pass meets them,
  // each fault taking its neighbours along, which costs less than having
  // the system walk all of them page by page at the open.
  const auto nBytes = static_cast<std::size_t>(Info.st_size);
  void* pMap = ::mmap(nullptr, nBytes, PROT_READ, MAP_PRIVATE, hFile, 0);
  if (pMap == MAP_FAILED) {
    if (errno == ENODEV) return read_input_whole(hFile, pData, nData);
    return errno;
  }
  // Where the file is not in memory yet, the system reads it into huge
  // pages, which a fault then maps 2 MB at a time.
  advise_sequential_huge(pMap, nBytes);
  pData = static_cast<const char*>(pMap);
  nData = static_cast<std::int64_t>(nBytes);
  return 0;
}

void release_input_file(const char* pData, std::int64_t nData) {
  if (pData != nullptr) ::munmap(const_cast<char*>(pData), static_cast<std::size_t>(nData));
}

namespace {
void (*pOnFault)() = nullptr;
extern "C" void on_bus_error(int) {
  pOnFault();
}
}  // namespace

void catch_input_faults(void (*OnFault)()) {
  pOnFault = OnFault;
  struct sigaction Action {};
  Action.sa_handler = on_bus_error;
  sigemptyset(&Action.sa_mask);
  ::sigaction(SIGBUS, &Action, nullptr);
}

int open_scratch_file(FileHandle& hFile) {
  int iFd = open_unnamed_in("/tmp");
  if (iFd < 0) {
    char ChTemplate[] = "/tmp/lablix-scratch-XXXXXX";
    iFd = ::mkstemp(ChTemplate);
    if (iFd < 0) return errno;
    ::unlink(ChTemplate);
  }
  hFile = iFd;
  return 0;
}

int close_file(FileHandle hFile) {
  if (hFile == kNoFile || ::close(hFile) == 0 || errno == EINTR) return 0;
  return errno;
}

namespace {

void (*pOnStop)(const char*, int) = nullptr;
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
int nHeld = 0;

const char* signal_name(int iSignal) {
  switch (iSignal) {
    case SIGINT:
      return "Ctrl-C";
    case SIGTERM:
      return "SIGTERM";
    default:
      return "SIGHUP";
  }
}

extern "C" void on_stop_signal(int iSignal) {
  pOnStop(signal_name(iSignal), iSignal);
}

void mask_stop_signals(int iHow) {
  sigset_t Set;
  sigemptyset(&Set);
  for (int iSignal : kStopSignals)
    sigaddset(&Set, iSignal);
  ::sigprocmask(iHow, &Set, nullptr);
}

}  // namespace

void catch_stop_signals(void (*OnStop)(const char* ChSignal, int iSignal)) {
  pOnStop = OnStop;
  struct sigaction Action {};
  Action.sa_handler = on_stop_signal;
  sigemptyset(&Action.sa_mask);
  for (int iSignal : kStopSignals)
    sigaddset(&Action.sa_mask, iSignal);
  for (int iSignal : kStopSignals) {
    // A signal ignored when the run began (nohup) stays ignored.
    struct sigaction Old {};
    if (::sigaction(iSignal, nullptr, &Old) == 0 && Old.sa_handler == SIG_IGN) continue;
    ::sigaction(iSignal, &Action, nullptr);
  }
  ::signal(SIGXFSZ, SIG_IGN);
  ::signal(SIGPIPE, SIG_IGN);
}

void hold_stop_signals() {
  if (nHeld++ == 0) mask_stop_signals(SIG_BLOCK);
}

void release_stop_signals() {
  if (nHeld > 0 && --nHeld == 0) mask_stop_signals(SIG_UNBLOCK);
}

[[noreturn]] void end_by_signal(int iSignal) {
  ::signal(iSignal, SIG_DFL);
  sigset_t Set;
  sigemptyset(&Set);
  sigaddset(&Set, iSignal);
  ::sigprocmask(SIG_UNBLOCK, &Set, nullptr);
  ::raise(iSignal);
  ::_exit(128 + iSignal);
}

int read_standard_input(char* p, std::int64_t nRoom, std::int64_t& nRead) {
  ssize_t n;
  do {
    n = ::read(0, p, static_cast<std::size_t>(nRoom));
  } while (n < 0 && errno == EINTR);
  nRead = n < 0 ? 0 : n;
  return n < 0 ? errno : 0;
}

int write_standard_output(const char* p, std::int64_t n) {
  return write_all(1, p, n);
}

FileIdentity identity_of_standard(bool bOutput) {
  return identity_of(bOutput ? 1 : 0);
}

void write_to_stderr(const char* p, std::int64_t n) {
  write_all(2, p, n);
}

bool is_terminal(StandardStream iStream) {
  return ::isatty(iStream == kStandardInput ? 0 : iStream == kStandardOutput ? 1 : 2) == 1;
}

const char kSystemLineEnd[] = "\n";

void* map_zeroed_memory(std::int64_t nBytes) {
  void* p = ::mmap(nullptr, static_cast<std::size_t>(nBytes), PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return p == MAP_FAILED ? nullptr : p;
}

void release_memory(void* p, std::int64_t nBytes) {
  ::munmap(p, static_cast<std::size_t>(nBytes));
}

bool give_back_pages(void* p, std::int64_t nBytes) {
  const auto uPage = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  const std::uintptr_t uFirst = (reinterpret_cast<std::uintptr_t>(p) + uPage - 1) / uPage * uPage;
  const std::uintptr_t uLast =
      (reinterpret_cast<std::uintptr_t>(p) + static_cast<std::uintptr_t>(nBytes)) / uPage * uPage;
  if (uLast <= uFirst) return false;
  return ::madvise(reinterpret_cast<void*>(uFirst), uLast - uFirst, MADV_DONTNEED) == 0;
}

void advise_huge_pages(void* p, std::int64_t nBytes) {
#if defined(MADV_HUGEPAGE)
  ::madvise(p, static_cast<std::size_t>(nBytes), MADV_HUGEPAGE);
#else
  (void)p, (void)nBytes;
#endif
}

void advise_populate_write(void* p, std::int64_t nBytes) {
  // MADV_POPULATE_WRITE (Linux 5.14); older systems decline it harmlessly.
  constexpr int kPopulateWrite = 23;
  ::madvise(p, static_cast<std::size_t>(nBytes), kPopulateWrite);
}

bool read_local_clock(LocalClock& Now) {
  const std::time_t iNow = std::time(nullptr);
  std::tm Local{};
  if (iNow == static_cast<std::time_t>(-1) || ::localtime_r(&iNow, &Local) == nullptr) return false;
  Now = LocalClock{Local.tm_year + 1900, Local.tm_mon + 1, Local.tm_mday,
                   Local.tm_hour,        Local.tm_min,     Local.tm_sec};
  return true;
}

void pause_if_console_is_own() {}

[[noreturn]] void end_process(int iExit) {
  ::_exit(iExit);
}
