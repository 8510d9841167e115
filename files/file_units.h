// File units: small integers (1 to 99) that name the open files of a run.
// Unit 5 is the console input (standard input) and unit 6 the console output
// (standard output); both are connected for the whole run. Every other unit
// is connected by connect_unit and released by close_unit.
//
// Lines. Input is read a whole line at a time. A line ends at a line feed;
// a carriage return directly before the line feed belongs to the terminator,
// any other carriage return is an ordinary character. A last line without a
// line feed is still a line. Output lines end in carriage return and line feed.
//
// The system's calls live in the platform layer (platform/platform.h).
//
// Input files are mapped into memory whole when they are connected, so a
// rewind costs nothing and a line can be looked at where it stands
// (read_line_view) without being copied. Output goes through a fixed buffer
// per unit. Nothing is allocated per line.
//
// Failures: a failed read (other than end of file) or a failed write is a
// fatal stop (support/fatal_stop.h) whose line names the file by its role
// and name ("writing the label file "x.lab" failed: no space left on
// device"); nothing here reports a lost write as success. The unit table is
// module storage: not re-entrant.
#pragma once
#include <cstdint>

#include "files/output_file.h"

inline constexpr std::int32_t kUnitConsoleIn = 5;
inline constexpr std::int32_t kUnitConsoleOut = 6;
inline constexpr std::int32_t MxUnit = 99;

// How a file is connected.
enum UnitStatus : std::int32_t {
  kStatusUnknown,  // an existing file is used, a missing one created
  kStatusOld,      // the file must exist
  kStatusNew,      // the file must not exist; it is created
  kStatusScratch,  // a nameless temporary file, gone when closed
};

// Refusals of connect_unit that are no error of the system's; they are
// numbered above the system's error numbers, which are passed on as they
// are (ENOENT, EISDIR, EACCES, ...).
enum OpenRefusal : std::int32_t {
  kRefusedEmptyName = 1001,
  kRefusedControlCharacter,  // a character of code 1 to 31 or 127: it could add lines to a file
  kRefusedNulCharacter,
  kRefusedOtherFileOfRun,  // already connected, or made new by another unit, in this run
  kRefusedNameTaken = kOutputNameTaken,  // the name changed while it was opened
};

// The words for a refusal of connect_unit (or the system's own text for
// its error numbers), for a message: "it is a folder".
const char* refusal_words(std::int32_t iError);

// Connects a file to iUnit (1 to 99, not 5 or 6, not already connected).
// Returns 0, or a positive error number when the open is refused, with
// nothing created or changed. Sequential access:
//   - kStatusOld: an input file. It must be a regular file; it is loaded
//     whole (mapped) and read from its first line. A file that opens but
//     cannot be loaded (memory is short) is a fatal stop that says so, not
//     a refusal.
//   - kStatusUnknown: an output file (files/output_file.h): a regular file
//     is replaced whole when the unit is finished or closed, and only then;
//     a run that ends any other way (a fatal stop, which every stop signal
//     takes) drops it, leaving the older file as it was. A character device
//     (such as /dev/null) is written directly. A directory, FIFO or socket,
//     or a file that may not be written, is refused, so no open can hang.
//   - kStatusNew: an output file that must not exist (EEXIST when it does).
//   - kStatusScratch: a nameless temporary file, gone when closed.
// Direct access (bDirect) connects the file for reading and writing without
// emptying it; Lablix writes no records by number, so such a unit is only
// connected and closed.
// Refused in every case: an empty name, a name holding a NUL or a control
// character, and a file that is already connected to another unit
// (including the console units when they are redirected to files, the older
// file an output replaces, and a new file another unit makes under the same
// name, whatever names the two were given): connecting it twice could
// overwrite the data read, or lose one output under the other.
std::int32_t connect_unit(std::int32_t iUnit, const char* ChName, std::int32_t nName,
                          UnitStatus iStatus, bool bDirect);

// True when iUnit is connected (units 5 and 6 always are).
bool is_unit_open(std::int32_t iUnit);

// The words a message calls unit iUnit's file by, before its name ("label
// file": "the label file "x.lab""); ChRole must live for the run. A unit
// without a role is called by its name and number.
void set_unit_role(std::int32_t iUnit, const char* ChRole);

// Reads the next line of input unit iUnit (5, or a unit connected with
// kStatusOld) into the nLen-character field ChLine: blank-padded when
// shorter, cut when longer (the rest of that line is skipped). Returns false
// at end of file, with ChLine all blanks. A read failure is a fatal stop.
bool read_line(std::int32_t iUnit, char* ChLine, std::int32_t nLen);

// Reads the next console line as read_line does for unit 5, and gives the
// answer's whole length without its trailing blanks (and without the
// carriage return it loses) in nAnswer: above nLen when the field holds
// only the start of it.
bool read_console_answer(char* ChLine, std::int32_t nLen, std::int64_t& nAnswer);

// Forgets what the console input has buffered and that it ended, so that
// the next answer is read from standard input afresh: for a program that
// puts a new standard input in place (the dialogue's fuzz target).
void restart_console_input();

// Ends the run with a fatal stop when the file of input unit iUnit is no
// longer the one connected: cut short, or its size or modification time
// changed, or its name now leads to another file or none (another program
// writing or replacing it while the run read it, whose reading may then
// mix two versions). Nothing when it is unchanged, for an empty file (read
// whole at the connect) and for other units.
void stop_if_input_changed(std::int32_t iUnit);

// The next line of a mapped input unit, uncopied: pLine and nLine (its full
// length, terminator excluded) stay valid until the unit is closed. Returns
// false at end of file.
bool read_line_view(std::int32_t iUnit, const char*& pLine, std::int64_t& nLine);

// The whole mapped content of input unit iUnit (nData bytes at pData; none
// for an empty file), for a scan that walks its lines itself and so keeps
// its own place. False, with nothing set, when iUnit is no mapped input unit.
bool unit_contents(std::int32_t iUnit, const char*& pData, std::int64_t& nData);

// The length of a line whose line feed stands nFeed characters from its
// start at pLine: a carriage return right before the feed belongs to the
// terminator (the line rules above).
inline std::int64_t length_before_feed(const char* pLine, std::int64_t nFeed) {
  return nFeed - (nFeed > 0 && pLine[nFeed - 1] == '\r' ? 1 : 0);
}

// Puts an input unit back at its first line; nothing for other units.
void rewind_unit(std::int32_t iUnit);

// Writes the first n characters of Ch and a line end (CR LF) to output unit
// iUnit. Writing to a unit that is not connected for output is a fatal stop.
void write_line(std::int32_t iUnit, const char* Ch, std::int64_t n);

// For writers of many lines: room for a line of up to MxChars characters (0 to
// 4096) right in output unit iUnit's buffer, which is handed to the system
// first when it has less. The caller builds the line there (it may write
// anywhere in the MxChars characters) and ends it with end_line_at; nothing
// else is written to the unit in between. Saves copying each line.
char* line_room(std::int32_t iUnit, std::int32_t MxChars);

// Ends the line of n characters built at the room line_room gave (n at most
// the MxChars asked for) with CR LF.
void end_line_at(std::int32_t iUnit, std::int32_t n);

// Writes the first n characters of Ch without a line end.
void write_text(std::int32_t iUnit, const char* Ch, std::int64_t n);

// Hands everything buffered for output unit iUnit to the system. Nothing for
// other units. A failed write is a fatal stop.
void flush_unit(std::int32_t iUnit);

// Puts everything written to output unit iUnit so far in place under its
// name now: the user may stop the run after this and keeps the file whole.
// The unit stays connected (its file is still refused to other units);
// what is written after goes to the file where it stands. Nothing for
// other units. A failure is a fatal stop, the older file left whole.
void finish_unit(std::int32_t iUnit);

// Releases output unit iUnit without putting what was written in place: the
// older file stays as it was, and a file that did not exist is not made.
// A unit already finished keeps its file. Nothing for other units.
void discard_unit(std::int32_t iUnit);

// Bytes (up to nRoom, from offset iAt) of the older file that output unit
// iUnit replaces, for a look at what it holds before anything is written; 0
// past its end or when there is none.
std::int64_t read_replaced_at(std::int32_t iUnit, std::int64_t iAt, char* p, std::int64_t nRoom);

// Flushes and releases iUnit (an output file is put in place as by
// finish_unit). Closing a unit that is not connected does
// nothing; units 5 and 6 are only flushed. A failed flush or close of an
// output file is a fatal stop.
void close_unit(std::int32_t iUnit);

// The fatal stop's clean-up (registered with it when the first unit is
// used): flushes the console, drops every output that was not finished (the
// older file stays as it was) and releases every unit, ignoring failures.
// Returns how many outputs were dropped. Uses no heap and no stdio: safe in
// a signal handler.
int close_all_units();
