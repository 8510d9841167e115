// Output files as transactions: a label file or listing takes its name only
// when it is complete, and a run that ends any other way (a fatal stop, a
// stop signal, a full disk, a kill) leaves the older file of that name
// exactly as it was, content and attributes, and a name that had no file
// without one. One implementation per system (output_file_posix.cpp,
// output_file_windows.cpp); the file units above decide when.
//
// The file opened is the file replaced. The name is resolved once, when the
// file is opened: links are followed then, and from there on the file is
// found by the folder that holds it (a handle on that folder) and its name
// in that folder, never by the name given again. Just before the new file
// takes its place, the name must still lead to the file opened (or, for a
// new file, to nothing); otherwise nothing is replaced and the error is
// kOutputNameTaken.
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
//     during that one copy can leave it short.
//   - direct: a character device (/dev/null) is written as the run goes.
// Where the system has no nameless files, the new file is named
// ".lablix-<process>-<n>" in the folder and locked while the run writes it;
// such files of runs that no longer run are removed when a new one is made.
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
  char ChBase[MxPath] = {};   // the name in the folder
  char ChTemp[MxTempName] = {};
};

// Opens ChPath (NUL-terminated) for output, or creates it when missing.
// Refused, with nothing created or changed: a folder (EISDIR), a FIFO or
// socket (EINVAL), a file that may not be written (EACCES), a missing folder
// (ENOENT), a name that changed while it was looked up (kOutputNameTaken).
// Out.Target, Out.Own and Out.Folder with Out.ChBase are known before
// anything is written, for the caller's refusal of another file of the run;
// the caller then finishes or abandons Out.
int open_output_file(const char* ChPath, OutputFile& Out);

// True when A and B name one file that does not exist yet: the same folder
// and the same name in it (without regard to case where the system's names
// do not tell case apart).
bool is_same_new_file(const OutputFile& A, const OutputFile& B);

// The first bytes of the older file (up to nRoom, from its start), for a look
// at what would be replaced; 0 when there is none or it cannot be read.
std::int64_t read_older_start(const OutputFile& Out, char* p, std::int64_t nRoom);

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

// Places (where not done yet) and closes. On failure the new file goes and
// the older one stays as it was.
int finish_output_file(OutputFile& Out);
