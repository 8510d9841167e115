// The operating system beneath the file units, in three sections:
//   - files: opening and mapping input files, telling two names of one file
//     apart, scratch files (output files that replace the older file whole
//     are files/output_file.h);
//   - signals and the console: the signals that stop a run, the standard
//     streams, the console window;
//   - processes: the program started again, once per model of a batch;
//   - memory and the clock.
// One implementation per system, chosen at build time
// (platform/platform_posix.cpp, platform/platform_windows.cpp). Knows nothing
// of units or FEM records.
//
// Failures are positive error numbers (errno values); 0 is success. Nothing
// here ends the run: the unit layer decides.
#pragma once
#include <cstdint>

// ---- Files ----------------------------------------------------------------

inline constexpr std::int32_t MxPath = 4096;

// A name the system forbids or would take for something else (on Windows a
// reserved device such as CON or nul.lab, a character such as ? or <, a
// last part ending in a dot or a blank): refused, never opened.
inline constexpr int kForbiddenName = 2002;

// An open file of the system: a file descriptor, or a Windows handle.
using FileHandle = std::intptr_t;
inline constexpr FileHandle kNoFile = -1;

// The same regular file has the same identity under every name; iIndex 0
// means no regular file.
struct FileIdentity {
  std::uint64_t iDevice;
  std::uint64_t iIndex;
};

inline bool is_same_file(const FileIdentity& A, const FileIdentity& B) {
  return A.iIndex != 0 && A.iIndex == B.iIndex && A.iDevice == B.iDevice;
}

// The identity of an open file, or iIndex 0 when it is not a regular file.
FileIdentity identity_of(FileHandle hFile);

// How open_regular_file opens: for reading; for reading and writing, the
// file existing, made if missing, or made new (refused when it exists).
// Nothing is emptied.
enum RegularOpen : std::int32_t {
  kRegularRead,
  kRegularUpdate,
  kRegularUpdateOrCreate,
  kRegularCreateNew
};

// Opens the regular file ChPath (NUL-terminated) as iWay says. EISDIR for
// a folder, EINVAL for anything else that is not a regular file (a FIFO is
// refused without waiting for a writer).
int open_regular_file(const char* ChPath, RegularOpen iWay, FileHandle& hFile, FileIdentity& Id);

// The whole content of the input file hFile: mapped, or, where the system
// cannot map it or its size reads as 0 (files under /proc), read into
// memory of its own. nData 0 and pData null for an empty file. Returns the
// error number when neither works (ENOMEM when memory is short).
int load_input_file(FileHandle hFile, const char*& pData, std::int64_t& nData);
void release_input_file(const char* pData, std::int64_t nData);

// Runs OnFault when a mapped input file turns out to be cut short under
// the run (the system's SIGBUS), with the address whose page could not be
// read in (null where the system does not say). OnFault must not return.
void catch_input_faults(void (*OnFault)(const void* pAt));

// What tells one version of a file from the next: its size, its last
// modification time (the system's own units) and its identity. Another
// program writing the file changes the first two; one putting a new file
// under the name changes the identity the name leads to.
struct FileVersion {
  std::int64_t nSize;
  std::int64_t iModified;
  FileIdentity Id;
};

inline bool is_same_version(const FileVersion& A, const FileVersion& B) {
  return A.nSize == B.nSize && A.iModified == B.iModified && is_same_file(A.Id, B.Id);
}

// The version of the open file hFile, or of the file the name ChPath leads
// to now. 0, or the error number (ENOENT when the name leads nowhere).
int version_of(FileHandle hFile, FileVersion& Version);
int version_of_name(const char* ChPath, FileVersion& Version);

// 0, or the error number of a close that lost data.
int close_file(FileHandle hFile);

// A nameless temporary file for reading and writing, gone when closed: in
// the folder TMPDIR names when it is set (TMP or TEMP on Windows), else in
// memory where the system has memory files, else in the system's temporary
// folder. A small or read-only /tmp then costs no run its output.
int open_scratch_file(FileHandle& hFile);

// Where the program itself expands * and ? in its file arguments: on
// Windows, whose cmd passes them on as typed; POSIX shells expand them.
extern const bool kProgramExpandsPatterns;

// Names found for patterns, kept in the caller's fixed room: the names'
// bytes, NUL-ended, in Ch (nRoom bytes, nUsed taken), and their starts in
// ChNames (MxNames entries, nNames taken).
struct NameStore {
  char* Ch;
  std::int64_t nRoom, nUsed;
  const char** ChNames;
  std::int32_t MxNames, nNames;
};

// Appends to Store the files that the pattern ChPattern matches (* and ?
// in its last part, matched as the system matches them; folders left
// out), each as the pattern's folder part followed by the file's name in
// the form arguments arrive in, sorted without regard to case. Returns 0
// (nothing appended when nothing matches), or ENOMEM when Store has no
// room for them all (nothing appended). Windows only: ENOSYS elsewhere.
int list_matching_files(const char* ChPattern, NameStore& Store);

// ---- Signals and the console ---------------------------------------------

// Started with standard input, output or error closed, the next file
// opened would take its number and be read or written as the console:
// each closed one is opened on the null device first. Called before
// anything else is opened. Nothing where handles are no small numbers
// (Windows).
void keep_standard_streams_open();

// The stop signals: an interrupt from the console (SIGINT), a request to end
// (SIGTERM) and a closed terminal (SIGHUP). catch_stop_signals makes each
// call OnStop with its name in the user's words ("Ctrl-C" for an interrupt,
// "SIGTERM", "SIGHUP"; Windows' console events by their keys or "the
// console window closing") and its number, on any thread of control
// (OnStop must be safe there and must not return), and makes a write over
// the file size limit, or to a closed pipe, fail as a write instead of
// ending the process (SIGXFSZ, SIGPIPE).
void catch_stop_signals(void (*OnStop)(const char* ChSignal, int iSignal));

// While held, a stop signal waits; it arrives when released. Held while the
// unit table changes, so OnStop always meets it whole.
void hold_stop_signals();
void release_stop_signals();

// Ends the process as the signal iSignal would have, so that a shell sees
// the run ended by it (status 128 + iSignal); nothing is cleaned up.
[[noreturn]] void end_by_signal(int iSignal);

// Standard input and output, the console units' files. The reads and
// writes return 0 or the error number; a read of 0 bytes is the end.
int read_standard_input(char* p, std::int64_t nRoom, std::int64_t& nRead);
int write_standard_output(const char* p, std::int64_t n);
// Their identities, for the same-file refusal (iIndex 0 unless redirected
// to a regular file).
FileIdentity identity_of_standard(bool bOutput);

// Writes n bytes to standard error, ignoring failures; safe in a handler.
void write_to_stderr(const char* p, std::int64_t n);

// Whether a standard stream is a terminal (a console window on Windows)
// rather than a pipe or a file: what is written for a person at a keyboard
// may then differ from what a script gets.
enum StandardStream : std::int32_t { kStandardInput, kStandardOutput, kStandardError };
bool is_terminal(StandardStream iStream);

// The line end that other programs of this system expect in text they
// read: a line feed on POSIX systems, CR LF on Windows.
extern const char kSystemLineEnd[];

// Started by a double click, a console program has a console window of its
// own, which closes the moment it ends, taking its last message with it.
// The decision: the console is the run's own when no other process shares
// it (nConsoleProcesses 1) and the answers come from it.
inline bool is_console_own(std::int32_t nConsoleProcesses, bool bInputIsConsole) {
  return nConsoleProcesses == 1 && bInputIsConsole;
}

// Where the console is the run's own, asks for Enter before the run ends
// (one line, then waits); nothing elsewhere, nor on POSIX systems, whose
// terminals outlive their programs.
void pause_if_console_is_own();

// Ends the process at once with iExit; nothing is cleaned up.
[[noreturn]] void end_process(int iExit);

// ---- Processes -----------------------------------------------------------

// A process the run started: its process number, or a Windows handle.
using ProcessHandle = std::intptr_t;
inline constexpr ProcessHandle kNoProcess = -1;

// The most arguments start_own_program passes on.
inline constexpr std::int32_t MxOwnArgs = 15;

// Notes how this program was started (argv[0]), for start_own_program:
// called once, at start-up.
void note_own_program(const char* ChArg0);

// Starts this program again (the same program file: /proc/self/exe where
// the system has it, else argv[0]; on Windows the module's own file) with
// the arguments ChArgs[0, nArgs) after its name (at most MxOwnArgs), the
// run's standard input, and standard output and error on hOut and hErr
// (kNoFile: the run's own). Stop signals the run holds are not held in the
// new process. Returns 0 or the error number; nothing started on failure.
int start_own_program(const char* const* ChArgs, std::int32_t nArgs, FileHandle hOut,
                      FileHandle hErr, ProcessHandle& hProcess);

// Waits until one of the processes hProcesses[0, n) ends (entries
// kNoProcess are left out) and sets iWhich to its index and iExit to its
// exit status, or 128 + n for a process a signal ended; that process is
// then gone. Returns 0, or the error number (ECHILD: none to wait for).
int wait_for_process(const ProcessHandle* hProcesses, std::int32_t n, std::int32_t& iWhich,
                     int& iExit);

// Passes the stop signal iSignal on to hProcess. Nothing on Windows, whose
// console gives its events to every process attached to it.
void pass_stop_signal(ProcessHandle hProcess, int iSignal);

// How many processors the run may use; at least 1.
std::int32_t count_processors();

// Writes all that the scratch file hScratch holds, from its start, to
// standard output or standard error (iTo), then empties it for reuse.
// Returns 0 or the error number. Uses no heap: safe in a stop's handler.
int pour_scratch_file(FileHandle hScratch, StandardStream iTo);

// ---- Memory and the clock ------------------------------------------------

// Memory for tables that live for the run: nBytes, zeroed, costing memory
// only where written; null when it cannot be had. release_memory gives
// back all of it (the program never does; tests and the fuzzer do).
void* map_zeroed_memory(std::int64_t nBytes);
void release_memory(void* p, std::int64_t nBytes);

// The whole pages within [p, p + nBytes) of such memory read as zero again
// and cost no memory; false where the system cannot (nothing changed).
bool give_back_pages(void* p, std::int64_t nBytes);

// Hints, nothing where the system knows no such thing: keep this memory in
// huge pages (p on a page boundary); make the pages of this stretch, from
// wherever it starts, ready for writing now.
void advise_huge_pages(void* p, std::int64_t nBytes);
void advise_populate_write(void* p, std::int64_t nBytes);

// The local date and time now; false when the clock cannot be read.
struct LocalClock {
  std::int32_t iYear, iMonth, iDay, iHour, iMinute, iSecond;
};
bool read_local_clock(LocalClock& Now);
