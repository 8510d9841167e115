// The operating system beneath the file units: opening and mapping input
// files, writing output files so that they replace the older file whole,
// telling two names of one file apart, and the signals that stop a run.
// One implementation per system, chosen at build time
// (support/platform_posix.cpp). Knows nothing of units or FEM records.
//
// Failures are positive error numbers (errno values); 0 is success. Nothing
// here ends the run: the unit layer decides.
#pragma once
#include <cstdint>

inline constexpr std::int32_t kPathMax = 4096;

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
// the run (the system's SIGBUS). OnFault must not return.
void catch_input_faults(void (*OnFault)());

// An output file while it is written. Its new content goes into a new file
// in the folder of the file it replaces (ChTarget), which takes the name at
// finish_output: until then the older file stays whole under its name, and
// a run that is killed leaves it so. Written in place instead (bInPlace):
// a character device, a file that must be new, or a file in a folder where
// no new file may be made (cut to what was written at finish_output).
struct OutputFile {
  FileHandle hFile = kNoFile;
  FileIdentity Target;  // the file the name held when opened (none: iIndex 0)
  FileIdentity Own;     // the file written: the new one, or Target in place
  bool bInPlace;
  bool bCutAtFinish;        // in place over a regular file
  bool bNamedTemp;          // the new file has the temporary name ChTemp
  bool bUnnamed;            // the new file has no name yet (linked in at the finish)
  std::int64_t nWritten;    // bytes handed to the system
  char ChTarget[kPathMax];  // where the new file goes, links and dots resolved
  char ChTemp[kPathMax];    // its temporary name, when bNamedTemp
};

// How an output file is opened: kOutputReplace opens or creates it,
// kOutputNew creates it and fails when it exists (written in place).
enum OutputWay : std::int32_t { kOutputReplace, kOutputNew };

// Opens ChPath (NUL-terminated) for output. Refused, with nothing created
// or changed: a folder (EISDIR), a FIFO or socket (EINVAL), a file that may
// not be written (EACCES), a missing folder (ENOENT). Out.Target is known
// before anything is written, for the caller's same-file refusal: the
// caller then either finishes or abandons Out.
int open_output_file(const char* ChPath, OutputWay iWay, OutputFile& Out);

// Writes all n bytes at p, or returns the error number (EFBIG at the file
// size limit, ENOSPC for a full disk).
int write_output_file(OutputFile& Out, const char* p, std::int64_t n);

// Puts what was written so far in place under the name (or cuts an
// in-place file to it); the file stays open, and what is written after
// goes to it where it stands. On failure the older file stays whole and
// the error number is returned. Safe in a signal handler (system calls
// only, no heap), as is finish_output_file.
int place_output_file(OutputFile& Out);

// Closes an output file that was refused after opening: the new file goes,
// the older one is untouched.
void abandon_output_file(OutputFile& Out);

// 0, or the error number of a close that lost data.
int close_file(FileHandle hFile);

// Places (as above, where not done yet) and closes the file. On failure
// the new file goes and the older one stays whole.
inline int finish_output_file(OutputFile& Out) {
  if (Out.hFile == kNoFile) return 0;
  const int iError = place_output_file(Out);
  if (iError != 0) {
    abandon_output_file(Out);
    return iError;
  }
  const int iCloseError = close_file(Out.hFile);
  Out.hFile = kNoFile;
  return iCloseError;
}

// A nameless temporary file for reading and writing, gone when closed.
int open_scratch_file(FileHandle& hFile);

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

// Memory for tables that live for the run: nBytes, zeroed, costing memory
// only where written; null when it cannot be had. release_memory gives
// back all of it (the program never does; tests and the fuzzer do).
void* map_zeroed_memory(std::int64_t nBytes);
void release_memory(void* p, std::int64_t nBytes);

// The whole pages within [p, p + nBytes) of such memory read as zero again
// and cost no memory; false where the system cannot (nothing changed).
bool give_back_pages(void* p, std::int64_t nBytes);

// Hints, nothing where the system knows no such thing: keep this memory in
// huge pages; make the pages of this stretch ready for writing now.
void advise_huge_pages(void* p, std::int64_t nBytes);
void advise_populate_write(void* p, std::int64_t nBytes);

// The local date and time now; false when the clock cannot be read.
struct LocalClock {
  std::int32_t iYear, iMonth, iDay, iHour, iMinute, iSecond;
};
bool read_local_clock(LocalClock& Now);

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
