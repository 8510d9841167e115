// Runs the built lablix on POSIX systems: fork, exec, pipes and poll, with
// signals and resource limits for the runs that test them.
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "tests/testlib/lablix_run.h"

namespace {

void set_nonblocking(int iFd) {
  ::fcntl(iFd, F_SETFL, ::fcntl(iFd, F_GETFL) | O_NONBLOCK);
}

// The copy of the built lablix that other users run: the build may lie in
// a folder only its owner may enter. Made once, in a folder that anyone
// may enter, and removed when the tests end.
const std::string& program_for_other_users() {
  static const std::string Program = [] {
    static const std::string Dir = make_temp_dir();
    const std::string Copy = Dir + "/lablix";
    std::error_code Error;
    std::filesystem::copy_file(LABLIX_BINARY, Copy, Error);
    ::chmod(Dir.c_str(), 0755);
    ::chmod(Copy.c_str(), 0755);
    std::atexit([] { remove_tree(Dir); });
    return Copy;
  }();
  return Program;
}

// As the user iUser of group iGroup, with iOtherGroup where not -1; false
// when the switch is refused.
bool become_user(int iUser, int iGroup, int iOtherGroup) {
  const gid_t iGroups[] = {static_cast<gid_t>(iOtherGroup)};
  return ::setgroups(iOtherGroup >= 0 ? 1 : 0, iGroups) == 0 &&
         ::setgid(static_cast<gid_t>(iGroup)) == 0 && ::setuid(static_cast<uid_t>(iUser)) == 0;
}

}  // namespace

std::string why_user_cannot_run(int iUser, int iGroup) {
  if (::geteuid() != 0) return "running as another user needs the superuser";
  const std::string& Program = program_for_other_users();
  const pid_t iPid = ::fork();
  if (iPid < 0) return "fork failed";
  if (iPid == 0) {
    if (!become_user(iUser, iGroup, -1)) ::_exit(2);
    ::_exit(::access(Program.c_str(), X_OK) == 0 ? 0 : 1);
  }
  int iWait = 0;
  ::waitpid(iPid, &iWait, 0);
  if (!WIFEXITED(iWait) || WEXITSTATUS(iWait) == 2) return "the system refuses to switch users";
  if (WEXITSTATUS(iWait) != 0) {
    return "user " + std::to_string(iUser) + " cannot run " + Program +
           ": no folder here that every user may enter (TMPDIR?)";
  }
  return "";
}

LablixRun run_lablix(const std::string& Dir, const std::string& Answers, int nTimeoutSeconds) {
  return run_lablix(Dir, Answers, RunOptions{}, nTimeoutSeconds);
}

LablixRun run_lablix(const std::string& Dir, const std::string& Answers, const RunOptions& Options,
                     int nTimeoutSeconds) {
  int InPipe[2], OutPipe[2], ErrPipe[2];
  if (::pipe(InPipe) != 0 || ::pipe(OutPipe) != 0 || ::pipe(ErrPipe) != 0) {
    throw std::runtime_error("pipe failed");
  }
  // Made before the fork: the child only execs it.
  const std::string Program = Options.iUser >= 0 ? program_for_other_users() : LABLIX_BINARY;
  const pid_t iPid = ::fork();
  if (iPid < 0) throw std::runtime_error("fork failed");
  if (iPid == 0) {
    ::dup2(InPipe[0], 0);
    ::dup2(OutPipe[1], 1);
    ::dup2(ErrPipe[1], 2);
    for (int iFd : {InPipe[0], InPipe[1], OutPipe[0], OutPipe[1], ErrPipe[0], ErrPipe[1]})
      ::close(iFd);
    for (int iFd : Options.ClosedStreams)
      ::close(iFd);
    if (!Options.TmpDir.empty()) ::setenv("TMPDIR", Options.TmpDir.c_str(), 1);
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
    if (!Options.TmpMount.empty()) {
      ::unsetenv("TMPDIR");
      if (::unshare(CLONE_NEWNS) != 0 ||
          ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
          (Options.TmpMount == "ro"
               ? ::mount("none", "/tmp", "tmpfs", MS_RDONLY, nullptr)
               : ::mount("none", "/tmp", "tmpfs", 0, Options.TmpMount.c_str())) != 0) {
        ::_exit(122);
      }
    }
    if (Options.iUser >= 0 && !become_user(Options.iUser, Options.iGroup, Options.iOtherGroup)) {
      ::_exit(123);
    }
    std::vector<char*> Argv{const_cast<char*>("lablix")};
    for (const std::string& Arg : Options.Arguments)
      Argv.push_back(const_cast<char*>(Arg.c_str()));
    Argv.push_back(nullptr);
    ::execv(Program.c_str(), Argv.data());
    ::_exit(127);
  }
  ::close(InPipe[0]);
  ::close(OutPipe[1]);
  ::close(ErrPipe[1]);
  set_nonblocking(InPipe[1]);
  set_nonblocking(OutPipe[0]);
  set_nonblocking(ErrPipe[0]);

  LablixRun Run;
  std::string Feed = Answers;
  bool bLaterDue = !Options.AnswersAfterOutput.empty();
  std::size_t nSent = 0;
  int iIn = InPipe[1];
  const auto Start = std::chrono::steady_clock::now();
  bool bSignalDue = Options.iSignal != 0;
  const bool bHoldInput = bSignalDue && !Options.SignalAfterOutput.empty();
  if (Answers.empty() && !bHoldInput && !bLaterDue) {
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
    if (bLaterDue && Run.Stdout.find(Options.AnswersAfterOutput) != std::string::npos) {
      if (Options.Between) Options.Between();
      Feed += Options.LaterAnswers;
      bLaterDue = false;
      if (iIn >= 0 && nSent == Feed.size() && !bHoldInput) {
        ::close(iIn);
        iIn = -1;
      }
    }
    if (iIn >= 0 && nSent < Feed.size()) Fds[nFds++] = {iIn, POLLOUT, 0};
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
        const ssize_t n = ::write(iIn, Feed.data() + nSent, Feed.size() - nSent);
        if (n > 0) nSent += static_cast<std::size_t>(n);
        if ((n < 0 && errno != EAGAIN) || (nSent == Feed.size() && !bHoldInput && !bLaterDue)) {
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
