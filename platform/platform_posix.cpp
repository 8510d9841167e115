// The platform layer on POSIX systems (Linux first): descriptors, mmap,
// sigaction and posix_spawn.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/platform.h"
#include "platform/posix_files.h"

namespace {

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

}  // namespace

FileIdentity identity_from(const struct stat& Info) {
  if (!S_ISREG(Info.st_mode)) return FileIdentity{0, 0};
  // An inode number of 0 does not occur for a regular file on Linux; the +1
  // keeps "no file" apart anyway.
  return FileIdentity{static_cast<std::uint64_t>(Info.st_dev),
                      static_cast<std::uint64_t>(Info.st_ino) + 1};
}

int clear_nonblocking(int iFd) {
  const int iFlags = ::fcntl(iFd, F_GETFL);
  if (iFlags < 0 || ::fcntl(iFd, F_SETFL, iFlags & ~O_NONBLOCK) != 0) return errno;
  return 0;
}

namespace {
// Where the system names the open files of the process.
constexpr char kDescriptorFolder[] = "/proc/self/fd";
}  // namespace

void descriptor_path(int iFd, char (&ChPath)[MxDescriptorPath]) {
  std::snprintf(ChPath, sizeof ChPath, "%s/%d", kDescriptorFolder, iFd);
}

bool has_descriptor_paths() {
  static const bool bHas = ::access(kDescriptorFolder, X_OK) == 0;
  return bHas;
}

int open_unnamed_at(int iAt, const char* ChFolder, mode_t iMode) {
#if defined(O_TMPFILE)
  return ::openat(iAt, ChFolder, O_TMPFILE | O_RDWR | O_CLOEXEC, iMode);
#else
  (void)iAt, (void)ChFolder, (void)iMode;
  errno = EOPNOTSUPP;
  return -1;
#endif
}

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
void (*pOnFault)(const void*) = nullptr;
extern "C" void on_bus_error(int, siginfo_t* pInfo, void*) {
  pOnFault(pInfo != nullptr ? pInfo->si_addr : nullptr);
}

FileVersion version_from(const struct stat& Info) {
  return FileVersion{static_cast<std::int64_t>(Info.st_size),
                     static_cast<std::int64_t>(Info.st_mtim.tv_sec) * 1000000000 +
                         static_cast<std::int64_t>(Info.st_mtim.tv_nsec),
                     identity_from(Info)};
}

// What a scratch file is called where it needs a name: for a moment in
// its folder, or in the list of a process's memory files.
constexpr char kScratchName[] = "lablix-scratch";

// A nameless file in ChFolder, made the old way where the folder's file
// system has no O_TMPFILE; -1 with errno set when neither works.
int open_scratch_in(const char* ChFolder) {
  const int iFd = open_unnamed_at(AT_FDCWD, ChFolder, 0600);
  if (iFd >= 0) return iFd;
  char ChTemplate[MxPath];
  const int nTemplate =
      std::snprintf(ChTemplate, sizeof ChTemplate, "%s/%s-XXXXXX", ChFolder, kScratchName);
  if (nTemplate < 0 || nTemplate >= static_cast<int>(sizeof ChTemplate)) {
    errno = ENAMETOOLONG;
    return -1;
  }
  const int iTemp = ::mkostemp(ChTemplate, O_CLOEXEC);
  if (iTemp >= 0) ::unlink(ChTemplate);
  return iTemp;
}

// Memory that reads and writes as a file (Linux 3.17); -1 elsewhere.
int open_memory_file() {
#if defined(__linux__) && defined(MFD_CLOEXEC)
  return ::memfd_create(kScratchName, MFD_CLOEXEC);
#else
  errno = ENOSYS;
  return -1;
#endif
}

}  // namespace

void catch_input_faults(void (*OnFault)(const void* pAt)) {
  pOnFault = OnFault;
  struct sigaction Action {};
  Action.sa_sigaction = on_bus_error;
  Action.sa_flags = SA_SIGINFO;
  sigemptyset(&Action.sa_mask);
  ::sigaction(SIGBUS, &Action, nullptr);
}

int version_of(FileHandle hFile, FileVersion& Version) {
  struct stat Info;
  if (::fstat(static_cast<int>(hFile), &Info) != 0) return errno;
  Version = version_from(Info);
  return 0;
}

int version_of_name(const char* ChPath, FileVersion& Version) {
  struct stat Info;
  if (::stat(ChPath, &Info) != 0) return errno;
  Version = version_from(Info);
  return 0;
}

int open_scratch_file(FileHandle& hFile) {
  // The user's own choice first; then memory, which no small or read-only
  // /tmp can fail; /tmp last, for systems without memory files.
  const char* ChTmpDir = std::getenv("TMPDIR");
  int iFd = -1;
  if (ChTmpDir != nullptr && ChTmpDir[0] != '\0') iFd = open_scratch_in(ChTmpDir);
  if (iFd < 0) iFd = open_memory_file();
  if (iFd < 0) iFd = open_scratch_in("/tmp");
  if (iFd < 0) return errno;
  hFile = iFd;
  return 0;
}

const bool kProgramExpandsPatterns = false;

int list_matching_files(const char*, NameStore&) {
  return ENOSYS;
}

int close_file(FileHandle hFile) {
  if (hFile == kNoFile || ::close(hFile) == 0 || errno == EINTR) return 0;
  return errno;
}

void keep_standard_streams_open() {
  for (int iFd = 0; iFd <= 2; ++iFd) {
    if (::fcntl(iFd, F_GETFD) >= 0 || errno != EBADF) continue;
    // The lowest free number is taken: this one, as the lower ones are open.
    const int iNull = ::open("/dev/null", O_RDWR | O_NOCTTY);
    if (iNull >= 0 && iNull != iFd) ::close(iNull);
  }
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

namespace {

// The program file to start again, and the name it was started by.
// "/proc/self/exe" is resolved by the new process itself, so it is this
// very program even when its file was replaced or removed meanwhile.
const char* ChOwnProgram = nullptr;
const char* ChOwnName = "lablix";
bool bOwnByPath = false;

}  // namespace

void note_own_program(const char* ChArg0) {
  if (ChArg0 != nullptr && ChArg0[0] != '\0') ChOwnName = ChArg0;
  if (::access("/proc/self/exe", X_OK) == 0) {
    ChOwnProgram = "/proc/self/exe";
    return;
  }
  // Without /proc: argv[0] as the shell found it; a bare name is looked up
  // in PATH as the shell looked it up.
  ChOwnProgram = ChOwnName;
  bOwnByPath = std::strchr(ChOwnName, '/') == nullptr;
}

int start_own_program(const char* const* ChArgs, std::int32_t nArgs, FileHandle hOut,
                      FileHandle hErr, ProcessHandle& hProcess) {
  if (ChOwnProgram == nullptr || nArgs < 0 || nArgs > MxOwnArgs) return EINVAL;
  char* ChArgv[MxOwnArgs + 2];
  ChArgv[0] = const_cast<char*>(ChOwnName);
  for (std::int32_t i = 0; i < nArgs; ++i)
    ChArgv[i + 1] = const_cast<char*>(ChArgs[i]);
  ChArgv[nArgs + 1] = nullptr;
  posix_spawn_file_actions_t Actions;
  posix_spawnattr_t Attributes;
  if (::posix_spawn_file_actions_init(&Actions) != 0) return ENOMEM;
  if (::posix_spawnattr_init(&Attributes) != 0) {
    ::posix_spawn_file_actions_destroy(&Actions);
    return ENOMEM;
  }
  if (hOut != kNoFile) ::posix_spawn_file_actions_adddup2(&Actions, static_cast<int>(hOut), 1);
  if (hErr != kNoFile) ::posix_spawn_file_actions_adddup2(&Actions, static_cast<int>(hErr), 2);
  // The batch holds stop signals while it starts a model; the model must
  // not begin with them held.
  sigset_t NoneHeld;
  sigemptyset(&NoneHeld);
  ::posix_spawnattr_setsigmask(&Attributes, &NoneHeld);
  ::posix_spawnattr_setflags(&Attributes, POSIX_SPAWN_SETSIGMASK);
  pid_t iPid = -1;
  const int iError =
      bOwnByPath ? ::posix_spawnp(&iPid, ChOwnProgram, &Actions, &Attributes, ChArgv, environ)
                 : ::posix_spawn(&iPid, ChOwnProgram, &Actions, &Attributes, ChArgv, environ);
  ::posix_spawnattr_destroy(&Attributes);
  ::posix_spawn_file_actions_destroy(&Actions);
  if (iError != 0) return iError;
  hProcess = iPid;
  return 0;
}

int wait_for_process(const ProcessHandle* hProcesses, std::int32_t n, std::int32_t& iWhich,
                     int& iExit) {
  for (;;) {
    int iWait = 0;
    const pid_t iPid = ::waitpid(-1, &iWait, 0);
    if (iPid < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    for (std::int32_t i = 0; i < n; ++i) {
      if (hProcesses[i] != iPid) continue;
      iWhich = i;
      iExit = WIFSIGNALED(iWait) ? 128 + WTERMSIG(iWait) : WEXITSTATUS(iWait);
      return 0;
    }
  }
}

void pass_stop_signal(ProcessHandle hProcess, int iSignal) {
  if (hProcess > 0) ::kill(static_cast<pid_t>(hProcess), iSignal);
}

std::int32_t count_processors() {
  const long n = ::sysconf(_SC_NPROCESSORS_ONLN);
  return n < 1 ? 1 : n > 4096 ? 4096 : static_cast<std::int32_t>(n);
}

int pour_scratch_file(FileHandle hScratch, StandardStream iTo) {
  char Ch[16384];
  const int iFd = static_cast<int>(hScratch);
  off_t iAt = 0;
  for (;;) {
    const ssize_t nRead = ::pread(iFd, Ch, sizeof Ch, iAt);
    if (nRead < 0 && errno == EINTR) continue;
    if (nRead < 0) return errno;
    if (nRead == 0) break;
    const int iError = write_all(iTo == kStandardOutput ? 1 : 2, Ch, nRead);
    if (iError != 0) return iError;
    iAt += nRead;
  }
  // The model wrote at its own offset, shared with this descriptor: back
  // to the start for the next model.
  if (::ftruncate(iFd, 0) != 0 || ::lseek(iFd, 0, SEEK_SET) != 0) return errno;
  return 0;
}

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
  // It takes whole pages from a page boundary on: the page the stretch
  // starts in may hold the end of something before it, whose content a
  // request for writing leaves as it is.
  constexpr int kPopulateWrite = 23;
  const auto uPage = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  const auto uAt = reinterpret_cast<std::uintptr_t>(p);
  const std::uintptr_t uFirst = uAt / uPage * uPage;
  ::madvise(reinterpret_cast<void*>(uFirst), uAt - uFirst + static_cast<std::size_t>(nBytes),
            kPopulateWrite);
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
