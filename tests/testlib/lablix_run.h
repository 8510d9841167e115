// Test support: runs the built lablix as a user would (answers on standard
// input, in a folder of its own) and handles the bytes of files.
#pragma once
#include <functional>
#include <string>
#include <vector>

// A test of what only POSIX systems have (FIFOs, /dev/full, permission
// bits, symbolic and hard links, /proc, signals, resource limits), written
// just before the test's own `#if !defined(_WIN32)` block: on Windows it
// stands in for it, a test of the same name skipped with the reason Why.
#if defined(_WIN32)
#define POSIX_ONLY_TEST(Suite, Name, Why) \
  TEST(Suite, Name) {                     \
    GTEST_SKIP() << (Why);                \
  }
#else
#define POSIX_ONLY_TEST(Suite, Name, Why)
#endif

// True in the Windows build: for skipping a case of a table by its name.
#if defined(_WIN32)
inline constexpr bool kOnWindows = true;
#else
inline constexpr bool kOnWindows = false;
#endif

struct LablixRun {
  int iExit = -1;          // exit status; 128 + signal when killed by a signal
  bool bTimedOut = false;  // killed after the time limit
  std::string Stdout;
  std::string Stderr;
};

// The command line of a run, and how it is disturbed, as a user or a
// hostile environment would.
struct RunOptions {
  std::vector<std::string> Arguments;  // after the program's name

  int iSignal = 0;                // sent once, when the first condition below is met
  long nSignalAfterMicros = -1;   // this long after the start
  std::string SignalAfterOutput;  // once standard output holds this text (standard
                                  // input then stays open until the signal)
  long nFileSizeLimit = -1;       // RLIMIT_FSIZE in bytes
  long nAddressSpaceLimit = -1;   // RLIMIT_AS in bytes

  // Where the test runs as the superuser: run as this user and group (with
  // the supplementary group iOtherGroup where not -1) instead.
  int iUser = -1, iGroup = -1, iOtherGroup = -1;
  // Where the test runs as the superuser: run where /proc is hidden (a
  // mount namespace of the run's own), as on systems without it.
  bool bHideProc = false;
  // Where the test runs as the superuser: run with a tmpfs of its own
  // mounted on /tmp with these options ("size=4k", "ro"), and TMPDIR unset.
  std::string TmpMount;
  // TMPDIR for the run, where not empty.
  std::string TmpDir;

  // Descriptors (0, 1 or 2) closed when the program starts.
  std::vector<int> ClosedStreams;

  // Answers held back until standard output holds AnswersAfterOutput:
  // then Between runs (in the test's process) and LaterAnswers follow.
  std::string AnswersAfterOutput;
  std::function<void()> Between;
  std::string LaterAnswers;
};

// Why user iUser (group iGroup) cannot run the built lablix here, or ""
// when they can: for a GTEST_SKIP. Runs as another user execute a copy of
// it in a temporary folder of its own, as the tree may be cloned into a
// folder others cannot enter (root's home).
std::string why_user_cannot_run(int iUser, int iGroup);

// Runs LABLIX_BINARY with working directory Dir and the bytes Answers on
// standard input (closed after them). Kills it after nTimeoutSeconds.
LablixRun run_lablix(const std::string& Dir, const std::string& Answers, int nTimeoutSeconds = 120);
LablixRun run_lablix(const std::string& Dir, const std::string& Answers, const RunOptions& Options,
                     int nTimeoutSeconds = 120);

// The names in folder Dir, sorted (hidden ones included).
std::vector<std::string> folder_names(const std::string& Dir);

// A new empty folder under the system's temporary folder; removed with
// remove_tree. Never inside the source tree.
std::string make_temp_dir();
void remove_tree(const std::string& Path);

// The whole content of a file, and whether it exists.
bool file_exists(const std::string& Path);
std::string read_file(const std::string& Path);
void write_file(const std::string& Path, const std::string& Bytes);

// The lines joined, each ended by CR LF: how Lablix ends every line.
std::string crlf_lines(const std::vector<std::string>& Lines);

// The label file or listing with the clock's date of its "# Executed" line
// replaced by "<date>" ("# Executed<date>"), when that date has the shape
// " Date : dddd-dd-dd dd:dd:dd"; otherwise the text unchanged, so that a
// comparison with the expected text fails.
std::string mask_executed_date(const std::string& Text);

// The console output of the banner: 14 lines, CR LF ended.
std::string banner_text();

// The real FEM file Name in the realworld folder, or "" when that folder is
// missing on this machine (callers then GTEST_SKIP).
std::string realworld_file(const std::string& Name);

// A file of the source tree, by its path from the project's top folder.
std::string source_file(const std::string& RelativePath);
