// Output files as transactions: a label file or listing takes its name only
// when it is complete, and a run that ends any other way (a fatal stop, a
// stop signal, a full disk, a kill) leaves the older file of that name
// exactly as it was, content and attributes, and a name that had no file
// without one. One implementation per system (output_file_posix.cpp,
// output_file_windows.cpp); the file units above decide when.
//
// The file opened is the file replaced. The name is resolved once, when the
// file is opened, one part at a time: links are followed then (in a sticky
// folder that anyone may write, such as /tmp, only the user's own links and
// the folder owner's, wherever they stand on the path), and from there on
// the file is found by the folder that holds it (a handle on that folder)
// and its name in that folder, never by the name given again. Just before
// the new file takes its place, the name must still lead to the file opened
// (or, for a new file, to nothing), otherwise the error is kOutputNameTaken;
// and the older file must have kept its size and times, otherwise the error
// is kOutputChanged. Either way nothing is replaced, and nothing of the
// older file was cut or written before.
//
// Three ways of writing, settled at the open, so that a refusal comes before
// anything is read:
//   - replaced: the new content goes into a new file in the same folder,
//     which already carries the older file's owner, group, whole mode (set-id
//     bits included), ACLs and extended attributes, and which takes the name
//     at place_output_file. Other hard links keep the older content.
//   - in place: where the older file may be written but not replaced (the
//     folder takes no new file, a sticky folder, a file mounted over its
//     name) or its attributes cannot all be carried over (another owner, a
//     group the run is not in, an attribute it may not set), the new content
//     waits in a nameless scratch file and is copied into the older file,
//     from its start, at place_output_file, with stop signals held off, and
//     the older file is cut to the new length. Only a kill or a power loss
//     during that one copy can leave it short. Runs that write one file in
//     place take turns at the copy (a lock on the file): the later one then
//     finds the file changed and replaces nothing.
//   - direct: a character device (/dev/null) is written as the run goes.
// Before it takes the name the new file is written whole and closed (and
// synced where the file system reports errors only then, as network file
// systems do), each result checked. Where the system has no nameless files
// the new file is named ".lablix-<process>-<n>" in the folder and locked
// while the run writes it, and a nameless one is named
// ".lablix-<process>-u<n>" for the moment before its rename; such names of
// processes that no longer run, in that exact form, are removed when a run
// makes a new file in the folder.
//
// Windows differs where its files do (the new file always named, held open
// as its lock; what is carried over; names without regard to case): see
// files/output_file_windows.cpp.
//
// Errors are the system's error numbers, or the refusals below; 0 is
// success. Nothing here ends the run.
#pragma once
#include <cstdint>

#include "platform/platform.h"

// The name still led elsewhere when the file was to take its place, or
// changed between looking it up and opening it: nothing was replaced.
inline constexpr int kOutputNameTaken = 2001;

// A regular file the run may write but not read: what it holds cannot be
// looked at before it is replaced, so it is not written.
inline constexpr int kOutputUnreadable = 2003;

// The older file's size or times changed between the open and the finish
// (another program or run wrote it meanwhile): nothing was replaced.
inline constexpr int kOutputChanged = 2004;

// A folder as the system knows it, whatever name it was reached by.
struct FolderIdentity {
  std::uint64_t iDevice;
  std::uint64_t iIndex;  // 0: none
};

// Room for the temporary name of a new file in its folder.
inline constexpr int MxTempName = 64;

enum OutputWriting : std::int32_t { kWritingReplaced, kWritingInPlace, kWritingDirect };

struct OutputFile {
  FileHandle hFile = kNoFile;    // where the run's bytes go now
  FileHandle hFolder = kNoFile;  // the folder that holds the name
  FileHandle hOlder = kNoFile;   // the older file, opened (replaced and in place)
  OutputWriting iWriting = kWritingDirect;
  FileIdentity Target{0, 0};  // the older file (iIndex 0: the name was free)
  FileIdentity Own{0, 0};     // the file the run writes into
  FolderIdentity Folder{0, 0};
  bool bPlaced = false;     // the name holds the run's file now
  bool bUnnamed = false;    // the new file has no name yet
  bool bNamedTemp = false;  // the new file is ChTemp in the folder
  bool bCutAtPlace = false;
  std::int64_t nWritten = 0;  // bytes handed to the system
  // The older file at the open: its size, modification and change times
  // (nanoseconds), which must be the same at the finish.
  std::int64_t nOlderBytes = 0;
  std::int64_t iOlderTimes[2] = {};
  char ChBase[MxPath] = {};  // the name in the folder
  char ChTemp[MxTempName] = {};
};

// Opens ChPath (NUL-terminated) for output, or creates it when missing.
// Refused, with nothing created or changed: a folder (EISDIR), a FIFO or
// socket (EINVAL), a file that may not be written (EACCES), one that may be
// written but not read (kOutputUnreadable), a missing folder (ENOENT),
// another user's link in a shared sticky folder (EACCES), a name that
// changed while it was looked up (kOutputNameTaken).
// Out.Target, Out.Own and Out.Folder with Out.ChBase are known before
// anything is written, for the caller's refusal of another file of the run;
// the caller then finishes or abandons Out.
int open_output_file(const char* ChPath, OutputFile& Out);

// True when A and B name one file that does not exist yet: the same folder
// and the same name in it (without regard to case where the system's names
// do not tell case apart).
bool is_same_new_file(const OutputFile& A, const OutputFile& B);

// Bytes of the older file (up to nRoom, from offset iAt), for a look at what
// would be replaced; 0 past its end, when there is none or it cannot be read.
std::int64_t read_older_at(const OutputFile& Out, std::int64_t iAt, char* p, std::int64_t nRoom);

// Writes all n bytes at p, or returns the error number (EFBIG at the file
// size limit, ENOSPC for a full disk).
int write_output_file(OutputFile& Out, const char* p, std::int64_t n);

// Puts everything written so far in place under the name; the file stays
// open and what is written after goes to it where it stands. On failure the
// older file is as it was and the error is returned. System calls only: safe
// with stop signals held.
int place_output_file(OutputFile& Out);

// Drops the output: the new file goes, the older one is untouched (or, once
// placed, the run's file stays). Safe in a signal handler.
void abandon_output_file(OutputFile& Out);

// Places (where not done yet) and closes, the new file closed before it
// takes the name. On failure the new file goes and the older one stays as
// it was.
int finish_output_file(OutputFile& Out);
