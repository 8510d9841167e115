// Runs the built lablix on POSIX systems: fork, exec, pipes and poll, with
// signals and resource limits for the runs that test them.
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <stdexcept>
#include <vector>

#include "tests/testlib/lablix_run.h"

namespace {

void set_nonblocking(int iFd) {
  ::fcntl(iFd, F_SETFL, ::fcntl(iFd, F_GETFL) | O_NONBLOCK);
}

}  // namespace

LablixRun run_lablix(const std::string& Dir, const std::string& Answers, int nTimeoutSeconds) {
  return run_lablix(Dir, Answers, RunOptions{}, nTimeoutSeconds);
}

LablixRun run_lablix(const std::string& Dir, const std::string& Answers, const RunOptions& Options,
                     int nTimeoutSeconds) {
  int InPipe[2], OutPipe[2], ErrPipe[2];
  if (::pipe(InPipe) != 0 || ::pipe(OutPipe) != 0 || ::pipe(ErrPipe) != 0) {
    throw std::runtime_error("pipe failed");
  }
  const pid_t iPid = ::fork();
  if (iPid < 0) throw std::runtime_error("fork failed");
  if (iPid == 0) {
    ::dup2(InPipe[0], 0);
    ::dup2(OutPipe[1], 1);
    ::dup2(ErrPipe[1], 2);
    for (int iFd : {InPipe[0], InPipe[1], OutPipe[0], OutPipe[1], ErrPipe[0], ErrPipe[1]})
      ::close(iFd);
    if (::chdir(Dir.c_str()) != 0) ::_exit(126);
    auto limit = [](int iResource, long nBytes) {
      if (nBytes < 0) return;
      const rlimit Limit{static_cast<rlim_t>(nBytes), static_cast<rlim_t>(nBytes)};
      if (::setrlimit(iResource, &Limit) != 0) ::_exit(125);
    };
    limit(RLIMIT_FSIZE, Options.nFileSizeLimit);
    limit(RLIMIT_AS, Options.nAddressSpaceLimit);
    if (Options.bHideProc && (::unshare(CLONE_NEWNS) != 0 ||
                              ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                              ::mount("none", "/proc", "tmpfs", 0, nullptr) != 0)) {
      ::_exit(124);
    }
    if (Options.iUser >= 0) {
      const gid_t iGroups[] = {static_cast<gid_t>(Options.iOtherGroup)};
      if (::setgroups(Options.iOtherGroup >= 0 ? 1 : 0, iGroups) != 0 ||
          ::setgid(static_cast<gid_t>(Options.iGroup)) != 0 ||
          ::setuid(static_cast<uid_t>(Options.iUser)) != 0) {
        ::_exit(123);
      }
    }
    std::vector<char*> Argv{const_cast<char*>("lablix")};
    for (const std::string& Arg : Options.Arguments)
      Argv.push_back(const_cast<char*>(Arg.c_str()));
    Argv.push_back(nullptr);
    ::execv(LABLIX_BINARY, Argv.data());
    ::_exit(127);
  }
  ::close(InPipe[0]);
  ::close(OutPipe[1]);
  ::close(ErrPipe[1]);
  set_nonblocking(InPipe[1]);
  set_nonblocking(OutPipe[0]);
  set_nonblocking(ErrPipe[0]);

  LablixRun Run;
  std::size_t nSent = 0;
  int iIn = InPipe[1];
  const auto Start = std::chrono::steady_clock::now();
  bool bSignalDue = Options.iSignal != 0;
  const bool bHoldInput = bSignalDue && !Options.SignalAfterOutput.empty();
  if (Answers.empty() && !bHoldInput) {
    ::close(iIn);
    iIn = -1;
  }
  bool bOutOpen = true, bErrOpen = true;
  const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(nTimeoutSeconds);
  // The answers are fed while the output is drained, so neither side blocks.
  while (bOutOpen || bErrOpen) {
    pollfd Fds[3];
    int nFds = 0;
    if (bOutOpen) Fds[nFds++] = {OutPipe[0], POLLIN, 0};
    if (bErrOpen) Fds[nFds++] = {ErrPipe[0], POLLIN, 0};
    if (iIn >= 0 && nSent < Answers.size()) Fds[nFds++] = {iIn, POLLOUT, 0};
    if (bSignalDue) {
      const bool bAtTime = Options.nSignalAfterMicros >= 0 &&
                           std::chrono::steady_clock::now() - Start >=
                               std::chrono::microseconds(Options.nSignalAfterMicros);
      const bool bAtOutput = !Options.SignalAfterOutput.empty() &&
                             Run.Stdout.find(Options.SignalAfterOutput) != std::string::npos;
      if (bAtTime || bAtOutput) {
        ::kill(iPid, Options.iSignal);
        bSignalDue = false;
        if (iIn >= 0 && bHoldInput) {
          ::close(iIn);
          iIn = -1;
        }
      }
    }
    // A signal due at an instant is sent within a tenth of a millisecond.
    const bool bTimed = bSignalDue && Options.nSignalAfterMicros >= 0;
    const int nReady = bTimed ? ::poll(Fds, static_cast<nfds_t>(nFds), 0)
                              : ::poll(Fds, static_cast<nfds_t>(nFds), 200);
    if (bTimed && nReady == 0) ::usleep(100);
    if (std::chrono::steady_clock::now() > Deadline) {
      ::kill(iPid, SIGKILL);
      Run.bTimedOut = true;
      break;
    }
    if (nReady <= 0) continue;
    for (int i = 0; i < nFds; ++i) {
      if (Fds[i].revents == 0) continue;
      if (Fds[i].fd == iIn) {
        const ssize_t n = ::write(iIn, Answers.data() + nSent, Answers.size() - nSent);
        if (n > 0) nSent += static_cast<std::size_t>(n);
        if ((n < 0 && errno != EAGAIN) || (nSent == Answers.size() && !bHoldInput)) {
          ::close(iIn);
          iIn = -1;
        }
        continue;
      }
      char Ch[65536];
      const ssize_t n = ::read(Fds[i].fd, Ch, sizeof Ch);
      if (n > 0) {
        (Fds[i].fd == OutPipe[0] ? Run.Stdout : Run.Stderr).append(Ch, static_cast<std::size_t>(n));
      } else if (n == 0 || errno != EAGAIN) {
        if (Fds[i].fd == OutPipe[0])
          bOutOpen = false;
        else
          bErrOpen = false;
      }
    }
  }
  if (iIn >= 0) ::close(iIn);
  ::close(OutPipe[0]);
  ::close(ErrPipe[0]);
  int iWait = 0;
  ::waitpid(iPid, &iWait, 0);
  if (WIFEXITED(iWait))
    Run.iExit = WEXITSTATUS(iWait);
  else if (WIFSIGNALED(iWait))
    Run.iExit = 128 + WTERMSIG(iWait);
  return Run;
}
