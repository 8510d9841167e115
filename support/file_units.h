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
// The system's calls live in the platform layer (support/platform.h).
//
// Input files are mapped into memory whole when they are connected, so a
// rewind costs nothing and a line can be looked at where it stands
// (read_line_view) without being copied. Output goes through a fixed buffer
// per unit. Nothing is allocated per line.
//
// Failures: a failed read (other than end of file) or a failed write is a
// fatal stop (support/fatal_stop.h); nothing here reports a lost write as
// success. The unit table is module storage: not re-entrant.
#pragma once
#include <cstdint>

inline constexpr std::int32_t kUnitConsoleIn = 5;
inline constexpr std::int32_t kUnitConsoleOut = 6;
inline constexpr std::int32_t kMaxUnit = 99;

// How a file is connected.
enum UnitStatus : std::int32_t {
  kStatusUnknown,  // an existing file is used, a missing one created
  kStatusOld,      // the file must exist
  kStatusNew,      // the file must not exist; it is created
  kStatusScratch,  // a nameless temporary file, gone when closed
};

// Connects a file to iUnit (1 to 99, not 5 or 6, not already connected).
// Returns 0, or a positive error number (an errno value) when the open is
// refused. Sequential access:
//   - kStatusOld: an input file. It must be a regular file; it is loaded
//     whole (mapped) and read from its first line. A file that opens but
//     cannot be loaded (memory is short) is a fatal stop that says so, not
//     a refusal.
//   - kStatusUnknown: an output file. A regular file is replaced whole: the
//     new content goes into a new file in the same folder, which takes the
//     name when the unit is finished or closed (by finish_unit, close_unit,
//     or the fatal stop's cleanup, which any stop signal takes too), so at
//     no instant does the name hold parts of two runs, and a run that is
//     killed leaves the older file whole. The new file keeps the older
//     one's permission bits; a symbolic link stays a link and the file it
//     leads to is replaced; other hard links keep the older content. Where
//     the folder takes no new file but the file may be written, it is
//     written in place and cut to what was written at the close. A
//     character device (such as /dev/null) is written directly. A
//     directory, FIFO or socket, or a file that may not be written, is
//     refused, so no open can hang and nothing is replaced that could not
//     be written before.
//   - kStatusNew: an output file that must not exist, written in place.
//   - kStatusScratch: a nameless temporary file, gone when closed.
// Direct access (bDirect) connects the file for reading and writing without
// emptying it; Lablix writes no records by number, so such a unit is only
// connected and closed.
// Refused in every case: an empty name, a name holding a NUL character, and
// a regular file that is already connected to another unit (including the
// console units when they are redirected to files, and the older file an
// output replaces), compared by identity, not by spelling: connecting it
// twice could overwrite the data read.
std::int32_t connect_unit(std::int32_t iUnit, const char* ChName, std::int32_t nName,
                          UnitStatus iStatus, bool bDirect);

// True when iUnit is connected (units 5 and 6 always are).
bool is_unit_open(std::int32_t iUnit);

// Reads the next line of input unit iUnit (5, or a unit connected with
// kStatusOld) into the nLen-character field ChLine: blank-padded when
// shorter, cut when longer (the rest of that line is skipped). Returns false
// at end of file, with ChLine all blanks. A read failure is a fatal stop.
bool read_line(std::int32_t iUnit, char* ChLine, std::int32_t nLen);

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

// For writers of many lines: room for a line of up to nMax characters (0 to
// 4096) right in output unit iUnit's buffer, which is handed to the system
// first when it has less. The caller builds the line there (it may write
// anywhere in the nMax characters) and ends it with end_line_at; nothing
// else is written to the unit in between. Saves copying each line.
char* line_room(std::int32_t iUnit, std::int32_t nMax);

// Ends the line of n characters built at the room line_room gave (n at most
// the nMax asked for) with CR LF.
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
// Nothing for other units or a unit already finished in part.
void discard_unit(std::int32_t iUnit);

// Flushes and releases iUnit (an output file is put in place as by
// finish_unit). Closing a unit that is not connected does
// nothing; units 5 and 6 are only flushed. A failed flush or close of an
// output file is a fatal stop.
void close_unit(std::int32_t iUnit);

// The fatal stop's clean-up (registered with it when the first unit is
// used): flushes, puts in place and releases every unit, ignoring
// failures. Uses no heap and no stdio: safe in a signal handler.
void close_all_units();
