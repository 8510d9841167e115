// The platform layer on POSIX systems (Linux first): descriptors, mmap,
// O_TMPFILE or a uniquely named file renamed into place, and sigaction.
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "support/platform.h"

namespace {

// Files are opened without becoming the controlling terminal, without
// leaking into other programs, and without waiting on a FIFO (refused later).
constexpr int kOpenFlags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;

// A text that grows by pieces into a fixed field, for paths and messages
// built where the heap and stdio may not be used (a signal handler).
struct TextField {
  char* Ch;
  std::size_t nRoom;
  std::size_t n;
  bool add(const char* ChPiece, std::size_t nPiece) {
    if (n + nPiece >= nRoom) return false;
    std::memcpy(Ch + n, ChPiece, nPiece);
    n += nPiece;
    Ch[n] = '\0';
    return true;
  }
  bool add(const char* ChPiece) { return add(ChPiece, std::strlen(ChPiece)); }
  bool add_number(std::uint64_t iValue) {
    char ChDigits[24];
    std::size_t nDigits = 0;
    do {
      ChDigits[sizeof ChDigits - ++nDigits] = static_cast<char>('0' + iValue % 10);
      iValue /= 10;
    } while (iValue != 0);
    return add(ChDigits + sizeof ChDigits - nDigits, nDigits);
  }
};

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
#if defined(MADV_HUGEPAGE)
  ::madvise(pMap, nBytes, MADV_HUGEPAGE);
#endif
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

// O_TMPFILE needs /proc to give the file its name at the finish.
bool can_link_unnamed() {
#if defined(O_TMPFILE)
  static const bool bCan = ::access("/proc/self/fd", X_OK) == 0;
  return bCan;
#else
  return false;
#endif
}

int open_unnamed_in(const char* ChFolder) {
#if defined(O_TMPFILE)
  return ::open(ChFolder, O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
#else
  (void)ChFolder;
  errno = EOPNOTSUPP;
  return -1;
#endif
}

// "<folder>/.lablix-<process>-<iTry>": a name no other run uses at once.
bool temp_name(const char* ChFolder, std::uint64_t iTry, char (&ChName)[kPathMax]) {
  TextField Name{ChName, sizeof ChName, 0};
  return Name.add(ChFolder) && Name.add("/.lablix-") &&
         Name.add_number(static_cast<std::uint64_t>(::getpid())) && Name.add("-") &&
         Name.add_number(iTry);
}

// The folder of ChPath, into ChFolder: "." for a bare name.
void folder_of(const char* ChPath, char (&ChFolder)[kPathMax]) {
  const char* pSlash = std::strrchr(ChPath, '/');
  if (pSlash == nullptr) {
    std::strcpy(ChFolder, ".");
    return;
  }
  const std::size_t n = pSlash == ChPath ? 1 : static_cast<std::size_t>(pSlash - ChPath);
  std::memcpy(ChFolder, ChPath, n);
  ChFolder[n] = '\0';
}

// Makes the new file beside Out.ChTarget: nameless where the system allows,
// otherwise under a temporary name in the same folder.
int open_new_beside(OutputFile& Out) {
  char ChFolder[kPathMax];
  folder_of(Out.ChTarget, ChFolder);
  if (can_link_unnamed()) {
    const int iFd = open_unnamed_in(ChFolder);
    if (iFd >= 0) {
      Out.hFile = iFd;
      Out.bUnnamed = true;
      return 0;
    }
    if (errno == EACCES || errno == EPERM || errno == ENOENT || errno == ENOTDIR) return errno;
  }
  for (std::uint64_t iTry = 0;; ++iTry) {
    if (!temp_name(ChFolder, iTry, Out.ChTemp)) return ENAMETOOLONG;
    const int iFd = ::open(Out.ChTemp, O_WRONLY | O_CREAT | O_EXCL | kOpenFlags, 0666);
    if (iFd >= 0) {
      Out.hFile = iFd;
      Out.bNamedTemp = true;
      return 0;
    }
    if (errno != EEXIST) return errno;
  }
}

// The new file takes the permission bits (and, where allowed, the owner) of
// the file it replaces.
void take_attributes(int iFd, const struct stat& Old) {
  ::fchmod(iFd, Old.st_mode & 07777);
  if (::geteuid() == 0) {
    if (::fchown(iFd, Old.st_uid, Old.st_gid) != 0) { /* best effort */
    }
  }
}

int open_in_place(OutputFile& Out, int iFd, const struct stat& Info) {
  Out.hFile = iFd;
  Out.bInPlace = true;
  Out.Target = identity_from(Info);
  Out.Own = Out.Target;
  Out.bCutAtFinish = S_ISREG(Info.st_mode);
  // A file that may not be cut is refused now, before anything is written.
  if (Out.bCutAtFinish && ::ftruncate(iFd, Info.st_size) != 0) return errno;
  return clear_nonblocking(iFd);
}

// The name exists: a character device is written directly, a regular file
// is replaced by a new one (or written in place where no new file may be
// made beside it).
int open_over_existing(const char* ChPath, int iFd, OutputFile& Out) {
  struct stat Info;
  if (::fstat(iFd, &Info) != 0) return fail_closing(iFd, errno);
  if (S_ISDIR(Info.st_mode)) return fail_closing(iFd, EISDIR);
  if (S_ISCHR(Info.st_mode)) return open_in_place(Out, iFd, Info);
  if (!S_ISREG(Info.st_mode)) return fail_closing(iFd, EINVAL);
  // The replacement goes where a symbolic link leads, so the link stays.
  if (::realpath(ChPath, Out.ChTarget) == nullptr) return open_in_place(Out, iFd, Info);
  const int iError = open_new_beside(Out);
  if (iError == EACCES || iError == EPERM) return open_in_place(Out, iFd, Info);
  ::close(iFd);
  if (iError != 0) return iError;
  Out.Target = identity_from(Info);
  take_attributes(Out.hFile, Info);
  return 0;
}

int open_missing(const char* ChPath, OutputFile& Out) {
  // A link that leads nowhere is followed, as creating through it would.
  struct stat Link;
  if (::lstat(ChPath, &Link) == 0 && S_ISLNK(Link.st_mode)) {
    const int iFd = ::open(ChPath, O_WRONLY | O_CREAT | kOpenFlags, 0666);
    if (iFd < 0) return errno;
    struct stat Info;
    if (::fstat(iFd, &Info) != 0) return fail_closing(iFd, errno);
    return open_in_place(Out, iFd, Info);
  }
  // The name is kept in its one spelling (the folder's links and dots
  // resolved), so that two outputs of one run to the same new name are told.
  char ChFolder[kPathMax];
  folder_of(ChPath, ChFolder);
  if (::realpath(ChFolder, Out.ChTarget) == nullptr) return errno;
  const char* pBase = std::strrchr(ChPath, '/');
  pBase = pBase == nullptr ? ChPath : pBase + 1;
  if (*pBase == '\0') return EISDIR;  // "folder/": a file cannot be made so
  TextField Target{Out.ChTarget, sizeof Out.ChTarget, std::strlen(Out.ChTarget)};
  if (Target.n > 1 && !Target.add("/")) return ENAMETOOLONG;
  if (!Target.add(pBase)) return ENAMETOOLONG;
  return open_new_beside(Out);
}

int link_unnamed(const OutputFile& Out, const char* ChName) {
  char ChProc[64];
  TextField Proc{ChProc, sizeof ChProc, 0};
  Proc.add("/proc/self/fd/");
  Proc.add_number(static_cast<std::uint64_t>(Out.hFile));
  return ::linkat(AT_FDCWD, ChProc, AT_FDCWD, ChName, AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
}

// An unnamed file is linked under its final name directly when that name is
// free; otherwise under a temporary name first, then renamed over the older
// file in one step.
int name_unnamed(OutputFile& Out) {
  if (Out.Target.iIndex == 0) {
    const int iError = link_unnamed(Out, Out.ChTarget);
    if (iError != EEXIST) return iError;
  }
  char ChFolder[kPathMax];
  folder_of(Out.ChTarget, ChFolder);
  for (std::uint64_t iTry = 0;; ++iTry) {
    if (!temp_name(ChFolder, iTry, Out.ChTemp)) return ENAMETOOLONG;
    const int iError = link_unnamed(Out, Out.ChTemp);
    if (iError == 0) break;
    if (iError != EEXIST) return iError;
  }
  Out.bNamedTemp = true;
  return 0;
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

int open_output_file(const char* ChPath, OutputWay iWay, OutputFile& Out) {
  Out = OutputFile{};
  int iError;
  if (iWay == kOutputNew) {
    const int iFd = ::open(ChPath, O_WRONLY | O_CREAT | O_EXCL | kOpenFlags, 0666);
    if (iFd < 0) return errno;
    struct stat Info;
    iError = ::fstat(iFd, &Info) != 0 ? errno : open_in_place(Out, iFd, Info);
  } else {
    const int iFd = ::open(ChPath, O_WRONLY | kOpenFlags);
    if (iFd >= 0) {
      iError = open_over_existing(ChPath, iFd, Out);
    } else {
      iError = errno == ENOENT ? open_missing(ChPath, Out) : errno;
    }
  }
  if (iError != 0) {
    abandon_output_file(Out);
    return iError;
  }
  if (!Out.bInPlace) Out.Own = identity_of(Out.hFile);
  return 0;
}

int write_output_file(OutputFile& Out, const char* p, std::int64_t n) {
  const int iError = write_all(Out.hFile, p, n);
  // After a failure the bytes counted are a whole prefix: an in-place file
  // is cut to them.
  if (iError != 0) return iError;
  Out.nWritten += n;
  return 0;
}

namespace {

// A new file larger than this takes the older one's name by an exchange of
// the two names; a smaller one by a rename over it. The rename makes the
// file system (ext4, XFS, btrfs) write the new file out before the rename
// is committed, so a machine that stops just after leaves the older file or
// the new one whole; it waits for the disk, though: 14 ms of a 45 ms run
// for the capacity model's 16 MB of output, measured, where a label file
// of a few megabytes takes longer to write out than the whole run. An
// exchange does not wait: a machine stopping within the system's write-back
// delay after such a run may find the file empty, never mixed. Killed,
// crashed or stopped, the run leaves the older file whole or the new one
// whole either way.
constexpr std::int64_t kRenamedBytes = 4 << 20;

// Exchanges the names where the system can (Linux 3.15 and later, on file
// systems that have it); false when it cannot, nothing changed.
bool exchange_names(const char* ChFirst, const char* ChSecond) {
#if defined(RENAME_EXCHANGE)
  return ::renameat2(AT_FDCWD, ChFirst, AT_FDCWD, ChSecond, RENAME_EXCHANGE) == 0;
#else
  (void)ChFirst, (void)ChSecond;
  return false;
#endif
}

// The new file, named ChTemp, takes the name ChTarget.
int take_the_name(OutputFile& Out) {
  if (Out.nWritten > kRenamedBytes && Out.Target.iIndex != 0 &&
      exchange_names(Out.ChTemp, Out.ChTarget)) {
    // The temporary name holds the older file now.
    ::unlink(Out.ChTemp);
  } else if (std::rename(Out.ChTemp, Out.ChTarget) != 0) {
    return errno;
  }
  Out.bNamedTemp = false;  // the name is the file's now
  return 0;
}

}  // namespace

int place_output_file(OutputFile& Out) {
  if (Out.hFile == kNoFile) return 0;
  int iError = 0;
  if (Out.bInPlace) {
    if (Out.bCutAtFinish && ::ftruncate(Out.hFile, static_cast<off_t>(Out.nWritten)) != 0) {
      iError = errno;
    }
    return iError;
  }
  if (Out.bUnnamed) iError = name_unnamed(Out);
  if (iError == 0) Out.bUnnamed = false;
  if (iError == 0 && Out.bNamedTemp) iError = take_the_name(Out);
  return iError;
}

void abandon_output_file(OutputFile& Out) {
  if (Out.bNamedTemp) ::unlink(Out.ChTemp);
  Out.bNamedTemp = false;
  if (Out.hFile != kNoFile) ::close(Out.hFile);
  Out.hFile = kNoFile;
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
