// Preloaded into a run of lablix by the tests (LD_PRELOAD): the close of a
// file opened for writing under the folder LABLIX_FAIL_CLOSE_IN fails with
// EIO, after the file is closed, as a network file system reports a write
// error that it met after the writes.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool is_written_under(int iFd, const char* ChFolder) {
  const int iFlags = ::fcntl(iFd, F_GETFL);
  if (iFlags < 0 || (iFlags & O_ACCMODE) == O_RDONLY) return false;
  char ChProc[64], ChPath[8192];
  std::snprintf(ChProc, sizeof ChProc, "/proc/self/fd/%d", iFd);
  const ssize_t n = ::readlink(ChProc, ChPath, sizeof ChPath - 1);
  if (n <= 0) return false;
  ChPath[n] = '\0';
  return std::strncmp(ChPath, ChFolder, std::strlen(ChFolder)) == 0;
}

}  // namespace

extern "C" int close(int iFd) {
  using CloseCall = int (*)(int);
  static const auto pClose = reinterpret_cast<CloseCall>(::dlsym(RTLD_NEXT, "close"));
  const char* ChFolder = std::getenv("LABLIX_FAIL_CLOSE_IN");
  const bool bFail = ChFolder != nullptr && is_written_under(iFd, ChFolder);
  const int iResult = pClose(iFd);
  if (!bFail) return iResult;
  errno = EIO;
  return -1;
}
