// Test support, POSIX systems only: runs the built lablix at a terminal (a
// pseudo-terminal) and types at it, as a person at the keyboard would.
#pragma once
#include <string>
#include <vector>

// Waits until the screen, from where the previous step's text was found,
// shows WaitFor; then, a moment later as a person would, types Keys.
struct TerminalStep {
  std::string WaitFor;
  std::string Keys;
};

struct TerminalRun {
  int iExit = -1;  // 128 + signal when ended by a signal
  bool bTimedOut = false;
  std::string Screen;  // everything the terminal was sent, carriage returns taken out
};

// Runs LABLIX_BINARY with Arguments (none: the dialogue) in folder Dir, with standard input,
// output and error on one 80-column pseudo-terminal of type xterm, and types
// the steps in turn; then reads until the run ends. A step whose text never
// shows ends the run (bTimedOut) after nTimeoutSeconds.
TerminalRun run_lablix_at_terminal(const std::string& Dir, const std::vector<TerminalStep>& Steps,
                                   int nTimeoutSeconds = 30,
                                   const std::vector<std::string>& Arguments = {});
