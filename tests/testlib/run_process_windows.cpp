// Runs the built lablix.exe on Windows: the answers from a file on standard
// input, standard output and error into files, CreateProcess and a wait.
// Signals and resource limits are POSIX's: the tests that need them do not
// run here.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <stdexcept>
#include <string>

#include "tests/testlib/lablix_run.h"

namespace {

std::wstring wide(const std::string& Text) {
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, Text.c_str(), -1, nullptr, 0);
  std::wstring Wide(static_cast<std::size_t>(n > 0 ? n - 1 : 0), L'\0');
  if (n > 1) ::MultiByteToWideChar(CP_UTF8, 0, Text.c_str(), -1, Wide.data(), n);
  return Wide;
}

// One argument as the C run-time of the child splits it back.
std::wstring quoted(const std::string& Arg) {
  std::wstring Out = L"\"";
  std::size_t nSlashes = 0;
  for (wchar_t c : wide(Arg)) {
    if (c == L'\\') {
      ++nSlashes;
      continue;
    }
    Out.append(c == L'"' ? 2 * nSlashes + 1 : nSlashes, L'\\');
    nSlashes = 0;
    Out += c;
  }
  Out.append(2 * nSlashes, L'\\');
  return Out + L"\"";
}

HANDLE inheritable(const std::string& Path, bool bWrite) {
  SECURITY_ATTRIBUTES Attributes{sizeof Attributes, nullptr, TRUE};
  return ::CreateFileW(wide(Path).c_str(), bWrite ? GENERIC_WRITE : GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, &Attributes,
                       bWrite ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

LablixRun run_lablix(const std::string& Dir, const std::string& Answers, int nTimeoutSeconds) {
  return run_lablix(Dir, Answers, RunOptions{}, nTimeoutSeconds);
}

LablixRun run_lablix(const std::string& Dir, const std::string& Answers, const RunOptions& Options,
                     int nTimeoutSeconds) {
  // The console files live beside the run's folder, not in it.
  const std::string Io = make_temp_dir();
  write_file(Io + "/in", Answers);
  const HANDLE hIn = inheritable(Io + "/in", false);
  const HANDLE hOut = inheritable(Io + "/out", true);
  const HANDLE hErr = inheritable(Io + "/err", true);
  std::wstring Command = quoted(LABLIX_BINARY);
  for (const std::string& Arg : Options.Arguments)
    Command += L" " + quoted(Arg);
  STARTUPINFOW Start{};
  Start.cb = sizeof Start;
  Start.dwFlags = STARTF_USESTDHANDLES;
  Start.hStdInput = hIn;
  Start.hStdOutput = hOut;
  Start.hStdError = hErr;
  PROCESS_INFORMATION Process{};
  const BOOL bStarted = ::CreateProcessW(nullptr, Command.data(), nullptr, nullptr, TRUE, 0,
                                         nullptr, wide(Dir).c_str(), &Start, &Process);
  ::CloseHandle(hIn);
  ::CloseHandle(hOut);
  ::CloseHandle(hErr);
  if (!bStarted) throw std::runtime_error("CreateProcess failed");
  LablixRun Run;
  if (::WaitForSingleObject(Process.hProcess, static_cast<DWORD>(nTimeoutSeconds) * 1000) !=
      WAIT_OBJECT_0) {
    ::TerminateProcess(Process.hProcess, 137);
    ::WaitForSingleObject(Process.hProcess, INFINITE);
    Run.bTimedOut = true;
  }
  DWORD iExit = 0;
  ::GetExitCodeProcess(Process.hProcess, &iExit);
  Run.iExit = static_cast<int>(iExit);
  ::CloseHandle(Process.hProcess);
  ::CloseHandle(Process.hThread);
  Run.Stdout = read_file(Io + "/out");
  Run.Stderr = read_file(Io + "/err");
  remove_tree(Io);
  return Run;
}
