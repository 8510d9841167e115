#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>

#include "tests/testlib/terminal_run.h"

namespace {

// Reads what the terminal shows into Screen for up to nMillis; false when
// the run has closed its side.
bool read_screen(int iMaster, std::string& Screen, int nMillis) {
  pollfd Fd{iMaster, POLLIN, 0};
  if (::poll(&Fd, 1, nMillis) <= 0) return true;
  char Ch[4096];
  const ssize_t n = ::read(iMaster, Ch, sizeof Ch);
  if (n <= 0) return false;  // EIO once the last holder of the terminal has ended
  Screen.append(Ch, static_cast<std::size_t>(n));
  return true;
}

}  // namespace

TerminalRun run_lablix_at_terminal(const std::string& Dir, const std::vector<TerminalStep>& Steps,
                                   int nTimeoutSeconds, const std::vector<std::string>& Arguments) {
  int iMaster = -1;
  winsize Size{};
  Size.ws_row = 24;
  Size.ws_col = 80;
  const pid_t iPid = ::forkpty(&iMaster, nullptr, nullptr, &Size);
  if (iPid < 0) throw std::runtime_error("forkpty failed");
  if (iPid == 0) {
    if (::chdir(Dir.c_str()) != 0) ::_exit(126);
    ::setenv("TERM", "xterm", 1);
    ::unsetenv("EDITRC");
    ::setenv("HOME", Dir.c_str(), 1);  // no ~/.editrc of the user's
    std::vector<char*> Argv{const_cast<char*>("lablix")};
    for (const std::string& Arg : Arguments)
      Argv.push_back(const_cast<char*>(Arg.c_str()));
    Argv.push_back(nullptr);
    ::execv(LABLIX_BINARY, Argv.data());
    ::_exit(127);
  }
  TerminalRun Run;
  const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(nTimeoutSeconds);
  std::size_t iFrom = 0;
  bool bOpen = true;
  for (const TerminalStep& Step : Steps) {
    std::size_t iFound;
    while ((iFound = Run.Screen.find(Step.WaitFor, iFrom)) == std::string::npos && bOpen &&
           std::chrono::steady_clock::now() < Deadline) {
      bOpen = read_screen(iMaster, Run.Screen, 100);
    }
    if (iFound == std::string::npos) {
      Run.bTimedOut = true;
      break;
    }
    iFrom = iFound + Step.WaitFor.size();
    // A person reads the prompt before typing; meanwhile the editor sets
    // the terminal up (keys typed before that reach it as plain input).
    bOpen = read_screen(iMaster, Run.Screen, 150);
    if (::write(iMaster, Step.Keys.data(), Step.Keys.size()) < 0) break;
  }
  while (bOpen && !Run.bTimedOut && std::chrono::steady_clock::now() < Deadline)
    bOpen = read_screen(iMaster, Run.Screen, 100);
  if (bOpen) {
    ::kill(iPid, SIGKILL);
    Run.bTimedOut = true;
  }
  ::close(iMaster);
  int iWait = 0;
  ::waitpid(iPid, &iWait, 0);
  if (WIFEXITED(iWait)) Run.iExit = WEXITSTATUS(iWait);
  if (WIFSIGNALED(iWait)) Run.iExit = 128 + WTERMSIG(iWait);
  std::erase(Run.Screen, '\r');
  return Run;
}
