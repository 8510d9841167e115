#include "files/file_units.h"

#include <cerrno>
#include <cstring>

#include "platform/platform.h"
#include "support/fatal_stop.h"
#include "support/text_helpers.h"

namespace {

enum UnitRole : std::int32_t {
  kRoleClosed,
  kRoleConsoleIn,
  kRoleConsoleOut,
  kRoleInput,    // a mapped input file
  kRoleOutput,   // a sequential output file (Outputs[unit])
  kRoleRecords,  // a direct-access file: connected, no record I/O
};

struct Unit {
  UnitRole iRole;
  FileHandle hFile;  // input and direct-access files
  FileIdentity Id;   // input and direct-access files
  // Input: the file's content and the offset of the next line.
  const char* pData;
  std::int64_t nData;
  std::int64_t iPos;
  // Output: bytes waiting in the unit's buffer.
  std::int32_t nWaiting;
  // Input: the file as it was when connected, for telling a change.
  FileVersion Version;
};

constexpr std::int32_t MxOutBuf = 1 << 16;
constexpr std::int32_t MxLineRoom = 4096;  // the most line_room gives
constexpr std::int32_t MxConsoleBuf = 1 << 12;

// static: the unit table of the run, sized once; not re-entrant.
Unit Units[MxUnit + 1] = {};
OutputFile Outputs[MxUnit + 1];
char ChOutBuf[MxUnit + 1][MxOutBuf];
bool bConsoleReady = false;
// The name each unit was connected by (empty for a scratch file), and the
// words a message calls its file by (set_unit_role).
char ChUnitName[MxUnit + 1][MxPath];
const char* ChUnitRole[MxUnit + 1] = {};

// Console input buffer: bytes ChConsole[iConsolePos, nConsoleFill) are unread.
char ChConsole[MxConsoleBuf];
std::int32_t iConsolePos = 0;
std::int32_t nConsoleFill = 0;
// Once the console has given end of input, no later answer is read: at a
// terminal the next line typed is meant for the shell, not for this run.
bool bConsoleEnded = false;

char ChUnitText[4];

const char* unit_text(std::int32_t iUnit) {
  put_integer(ChUnitText, 3, iUnit);
  ChUnitText[3] = '\0';
  std::int32_t i = 0;
  while (ChUnitText[i] == ' ')
    ++i;
  return ChUnitText + i;
}

// static: a message's words for a unit's file are built without the heap,
// as a signal handler may ask for them.
char ChUnitWords[MxPath + 128];

void add_words(std::size_t& nAt, const char* Ch) {
  const std::size_t nRoom = sizeof ChUnitWords - 1 - nAt;
  std::size_t n = std::strlen(Ch);
  if (n > nRoom) n = nRoom;
  std::memcpy(ChUnitWords + nAt, Ch, n);
  nAt += n;
}

// What a message calls unit iUnit's file: "the label file "x.lab"", or
// ""x.lab" (unit 30)" for a unit without a role, "the <role>" for a
// scratch file.
const char* unit_words(std::int32_t iUnit) {
  std::size_t nAt = 0;
  const char* ChName = ChUnitName[iUnit];
  if (ChUnitRole[iUnit] != nullptr) {
    add_words(nAt, "the ");
    add_words(nAt, ChUnitRole[iUnit]);
    if (ChName[0] != '\0') add_words(nAt, " ");
  }
  if (ChName[0] != '\0') {
    add_words(nAt, "\"");
    add_words(nAt, ChName);
    add_words(nAt, "\"");
  }
  if (ChUnitRole[iUnit] == nullptr) {
    add_words(nAt, ChName[0] != '\0' ? " (unit " : "unit ");
    add_words(nAt, unit_text(iUnit));
    if (ChName[0] != '\0') add_words(nAt, ")");
  }
  ChUnitWords[nAt] = '\0';
  return ChUnitWords;
}

// The mapped input unit that holds the address pAt; 0 when none does.
std::int32_t input_unit_at(const void* pAt) {
  const auto uAt = reinterpret_cast<std::uintptr_t>(pAt);
  for (std::int32_t i = 1; i <= MxUnit; ++i) {
    const Unit& U = Units[i];
    const auto uStart = reinterpret_cast<std::uintptr_t>(U.pData);
    if (U.iRole == kRoleInput && U.pData != nullptr && uAt >= uStart &&
        uAt - uStart < static_cast<std::uintptr_t>(U.nData)) {
      return i;
    }
  }
  return 0;
}

void on_input_fault(const void* pAt) {
  const std::int32_t iUnit = input_unit_at(pAt);
  if (iUnit == 0) fatal_stop("reading an input file failed: it was cut short while it was read");
  fatal_stop3(unit_words(iUnit), " was cut short while it was read", nullptr);
}

void ready_console() {
  if (bConsoleReady) return;
  bConsoleReady = true;
  Units[kUnitConsoleIn] = Unit{kRoleConsoleIn, kNoFile, {0, 0}, nullptr, 0, 0, 0, {}};
  Units[kUnitConsoleOut] = Unit{kRoleConsoleOut, kNoFile, {0, 0}, nullptr, 0, 0, 0, {}};
  // Whatever ends the run, the files written so far are put in order.
  set_fatal_cleanup(close_all_units);
  catch_input_faults(on_input_fault);
}

Unit* unit_of(std::int32_t iUnit) {
  ready_console();
  if (iUnit < 1 || iUnit > MxUnit) return nullptr;
  return &Units[iUnit];
}

[[noreturn]] void write_failed(std::int32_t iUnit, int iError) {
  const char* ChWhy = "the output could not be written whole";
  if (iError == ENOSPC) {
    ChWhy = "no space left on device";
  } else if (iError == EFBIG) {
    ChWhy = "the file size limit was reached";
  } else if (iError == kOutputNameTaken) {
    ChWhy = "its name led to another file by the end of the run";
  } else if (iError == kOutputChanged) {
    ChWhy = "the older file was changed by another program during the run";
  } else if (iError > 0 && iError < kRefusedEmptyName) {
    ChWhy = std::strerror(iError);  // the system's own words: a quota, an I/O error
  }
  // Joined to the file's words: the fatal stop takes three pieces.
  std::size_t nAt = std::strlen(unit_words(iUnit));
  add_words(nAt, " failed: ");
  add_words(nAt, ChWhy);
  ChUnitWords[nAt] = '\0';
  fatal_stop3("writing ", ChUnitWords, nullptr);
}

// Hands the unit's buffer to the system. The count is cleared first: a
// stop signal that arrives during the write then does not write it again,
// and the file holds a whole prefix of what the run wrote.
int hand_over(std::int32_t iUnit, Unit& U) {
  const std::int32_t nWaiting = U.nWaiting;
  U.nWaiting = 0;
  if (nWaiting == 0) return 0;
  if (U.iRole == kRoleConsoleOut) return write_standard_output(ChOutBuf[iUnit], nWaiting);
  return write_output_file(Outputs[iUnit], ChOutBuf[iUnit], nWaiting);
}

void flush_buffer(std::int32_t iUnit, Unit& U) {
  const int iError = hand_over(iUnit, U);
  if (iError != 0) write_failed(iUnit, iError);
}

void put_bytes(std::int32_t iUnit, const char* Ch, std::int64_t n) {
  Unit* U = unit_of(iUnit);
  if (U == nullptr || (U->iRole != kRoleOutput && U->iRole != kRoleConsoleOut)) {
    fatal_stop3("unit ", unit_text(iUnit), " is not open for output");
  }
  while (n > 0) {
    if (U->nWaiting == MxOutBuf) flush_buffer(iUnit, *U);
    std::int64_t nTake = MxOutBuf - U->nWaiting;
    if (nTake > n) nTake = n;
    std::memcpy(ChOutBuf[iUnit] + U->nWaiting, Ch, static_cast<std::size_t>(nTake));
    U->nWaiting += static_cast<std::int32_t>(nTake);
    Ch += nTake;
    n -= nTake;
  }
}

// Stores the line bytes p[0, n) at column iCol of the nLen-character field,
// as far as the field reaches.
void put_part(char* ChLine, std::int32_t nLen, std::int64_t iCol, const char* p, std::int64_t n) {
  if (iCol >= nLen) return;
  if (n > nLen - iCol) n = nLen - iCol;
  std::memcpy(ChLine + iCol, p, static_cast<std::size_t>(n));
}

// The end of the last character other than a blank in p[0, n), the line
// before p (nTotal characters) having ended its last at nMark.
std::int64_t mark_after(const char* p, std::int64_t n, std::int64_t nTotal, std::int64_t nMark) {
  for (std::int64_t i = n; i > 0; --i) {
    if (p[i - 1] != kBlank) return nTotal + i;
  }
  return nMark;
}

bool read_console_line(char* ChLine, std::int32_t nLen, std::int64_t& nAnswer) {
  fill_blanks(ChLine, nLen);
  // A prompt waiting in the output buffer must be seen before we wait.
  flush_buffer(kUnitConsoleOut, Units[kUnitConsoleOut]);
  std::int64_t nTotal = 0;
  // Where the answer ends without its trailing blanks, with and without
  // its last character (which may be a carriage return that goes).
  std::int64_t nMark = 0, nMarkBeforeLast = 0;
  char cLast = kBlank;
  bool bAny = false;
  // An answer loses one trailing carriage return: the CR of a CR LF end, or
  // a CR typed before the input ended.
  auto drop_carriage_return = [&] {
    if (nTotal >= 1 && nTotal <= nLen && ChLine[nTotal - 1] == '\r') ChLine[nTotal - 1] = kBlank;
    nAnswer = nTotal >= 1 && cLast == '\r' ? nMarkBeforeLast : nMark;
  };
  for (;;) {
    if (iConsolePos == nConsoleFill) {
      std::int64_t n = 0;
      const int iError = bConsoleEnded ? 0 : read_standard_input(ChConsole, MxConsoleBuf, n);
      if (iError != 0) {
        fatal_stop3("reading the console input (standard input) failed: ", std::strerror(iError),
                    nullptr);
      }
      if (n == 0) {  // a last line without terminator is a line
        bConsoleEnded = true;
        drop_carriage_return();
        return bAny;
      }
      iConsolePos = 0;
      nConsoleFill = static_cast<std::int32_t>(n);
    }
    bAny = true;
    const char* pStart = ChConsole + iConsolePos;
    const std::int64_t nLeft = nConsoleFill - iConsolePos;
    const char* pEnd =
        static_cast<const char*>(std::memchr(pStart, '\n', static_cast<std::size_t>(nLeft)));
    const std::int64_t nPart = pEnd ? pEnd - pStart : nLeft;
    put_part(ChLine, nLen, nTotal, pStart, nPart);
    if (nPart > 0) {
      nMarkBeforeLast = mark_after(pStart, nPart - 1, nTotal, nMark);
      nMark = mark_after(pStart, nPart, nTotal, nMark);
      cLast = pStart[nPart - 1];
    }
    nTotal += nPart;
    iConsolePos += static_cast<std::int32_t>(nPart);
    if (pEnd != nullptr) {
      ++iConsolePos;
      drop_carriage_return();
      return true;
    }
  }
}

// True when the regular file Id is already connected to a unit: the
// console units when they are redirected to files, an input or
// direct-access file, an output file being written, or the older file it
// replaces.
bool is_connected(const FileIdentity& Id) {
  if (Id.iIndex == 0) return false;
  if (is_same_file(Id, identity_of_standard(false)) ||
      is_same_file(Id, identity_of_standard(true))) {
    return true;
  }
  for (std::int32_t i = 1; i <= MxUnit; ++i) {
    const Unit& U = Units[i];
    if (U.iRole == kRoleInput || U.iRole == kRoleRecords) {
      if (is_same_file(Id, U.Id)) return true;
    } else if (U.iRole == kRoleOutput) {
      if (is_same_file(Id, Outputs[i].Target) || is_same_file(Id, Outputs[i].Own)) return true;
    }
  }
  return false;
}

// True when another output unit makes a new file under the name that Out
// makes one under, however either was spelt: the later would take the name
// from the earlier.
bool is_name_written(std::int32_t iUnit, const OutputFile& Out) {
  if (Out.iWriting != kWritingReplaced || Out.Target.iIndex != 0) return false;
  for (std::int32_t i = 1; i <= MxUnit; ++i) {
    if (i != iUnit && Units[i].iRole == kRoleOutput && Outputs[i].Target.iIndex == 0 &&
        is_same_new_file(Outputs[i], Out)) {
      return true;
    }
  }
  return false;
}

// A file that holds data but cannot be loaded (memory is short) is no
// missing file: the run cannot go on and says why.
[[noreturn]] void input_not_loaded(std::int32_t iUnit, int iError) {
  char ChWhat[sizeof ChUnitWords + 16];
  std::strcpy(ChWhat, "reading ");
  std::strcat(ChWhat, unit_words(iUnit));
  fatal_stop3(ChWhat, " failed: ", iError == ENOMEM ? "not enough memory" : std::strerror(iError));
}

int connect_input(std::int32_t iUnit, Unit& U, const char* ChPath) {
  Unit New{};
  const int iError = open_regular_file(ChPath, kRegularRead, New.hFile, New.Id);
  if (iError != 0) return iError;
  // Taken before the content, so that whatever changes it after shows.
  if (version_of(New.hFile, New.Version) != 0) New.Version = FileVersion{-1, 0, {0, 0}};
  // Checked before anything is read, so that no unit reads what another writes.
  if (is_connected(New.Id)) {
    close_file(New.hFile);
    return kRefusedOtherFileOfRun;
  }
  const int iLoadError = load_input_file(New.hFile, New.pData, New.nData);
  if (iLoadError != 0) {
    close_file(New.hFile);
    input_not_loaded(iUnit, iLoadError);
  }
  New.iRole = kRoleInput;
  U = New;
  return 0;
}

int connect_records(Unit& U, const char* ChPath, UnitStatus iStatus) {
  Unit New{};
  New.iRole = kRoleRecords;
  int iError;
  if (iStatus == kStatusScratch) {
    iError = open_scratch_file(New.hFile);
  } else {
    const RegularOpen iWay = iStatus == kStatusOld   ? kRegularUpdate
                             : iStatus == kStatusNew ? kRegularCreateNew
                                                     : kRegularUpdateOrCreate;
    iError = open_regular_file(ChPath, iWay, New.hFile, New.Id);
  }
  if (iError != 0) return iError;
  if (is_connected(New.Id)) {
    close_file(New.hFile);
    return kRefusedOtherFileOfRun;
  }
  U = New;
  return 0;
}

int connect_output(std::int32_t iUnit, const char* ChPath, UnitStatus iStatus) {
  OutputFile& Out = Outputs[iUnit];
  if (iStatus == kStatusScratch) {
    Out = OutputFile{};
    Out.bPlaced = true;  // nameless: there is nothing to put in place
    const int iError = open_scratch_file(Out.hFile);
    if (iError != 0) return iError;
  } else {
    const int iError = open_output_file(ChPath, Out);
    if (iError != 0) return iError;
    // Checked before anything is written, so a refused open changes nothing.
    int iRefusal = 0;
    if (iStatus == kStatusNew && (Out.Target.iIndex != 0 || Out.iWriting == kWritingDirect)) {
      iRefusal = EEXIST;
    } else if (is_connected(Out.Target) || is_name_written(iUnit, Out)) {
      iRefusal = kRefusedOtherFileOfRun;
    }
    if (iRefusal != 0) {
      abandon_output_file(Out);
      return iRefusal;
    }
  }
  Units[iUnit] = Unit{kRoleOutput, kNoFile, {0, 0}, nullptr, 0, 0, 0, {}};
  return 0;
}

// Names that no file of a run may have: none at all, one the system cannot
// take, one holding a character that would break a line of the label file
// (its header names the FEM file) or is an escape typed by mistake.
std::int32_t name_refusal(const char* ChName, std::int32_t nName) {
  if (nName <= 0) return kRefusedEmptyName;
  if (nName >= MxPath) return ENAMETOOLONG;
  for (std::int32_t i = 0; i < nName; ++i) {
    const auto u = static_cast<unsigned char>(ChName[i]);
    if (u == 0) return kRefusedNulCharacter;
    if (u < 32 || u == 127) return kRefusedControlCharacter;
  }
  return 0;
}

}  // namespace

const char* refusal_words(std::int32_t iError) {
  switch (iError) {
    case kRefusedEmptyName:
      return "the name is empty";
    case EISDIR:
      return "it is a folder";
    case kRefusedControlCharacter:
      return "the name holds a control character";
    case kRefusedNulCharacter:
      return "the name holds a NUL character";
    case EINVAL:  // a FIFO, socket or other file that is not a file of lines
      return "not a regular file";
    case kRefusedOtherFileOfRun:
      return "it is another file of this run (the FEM file or an output)";
    case kRefusedNameTaken:
      return "the name changed while it was opened";
    case kOutputUnreadable:
      return "it may be written but not read, so what it holds cannot be looked at";
    case kForbiddenName:
      return "the system forbids such a name";
    case ENAMETOOLONG:
      return "the name is too long";
    default:
      return std::strerror(iError);
  }
}

std::int32_t connect_unit(std::int32_t iUnit, const char* ChName, std::int32_t nName,
                          UnitStatus iStatus, bool bDirect) {
  Unit* U = unit_of(iUnit);
  if (U == nullptr) return EBADF;
  if (U->iRole != kRoleClosed) return EBUSY;
  // The unit's name, for its messages, is this one from the start.
  char* ChPath = ChUnitName[iUnit];
  ChPath[0] = '\0';
  if (iStatus != kStatusScratch) {
    const std::int32_t iRefusal = name_refusal(ChName, nName);
    if (iRefusal != 0) return iRefusal;
    std::memcpy(ChPath, ChName, static_cast<std::size_t>(nName));
    ChPath[nName] = '\0';
  }
  // The table changes whole before a stop signal may look at it.
  hold_stop_signals();
  int iError;
  if (bDirect) {
    iError = connect_records(*U, ChPath, iStatus);
  } else if (iStatus == kStatusOld) {
    iError = connect_input(iUnit, *U, ChPath);
  } else {
    iError = connect_output(iUnit, ChPath, iStatus);
  }
  release_stop_signals();
  return iError;
}

bool is_unit_open(std::int32_t iUnit) {
  const Unit* U = unit_of(iUnit);
  return U != nullptr && U->iRole != kRoleClosed;
}

bool read_line_view(std::int32_t iUnit, const char*& pLine, std::int64_t& nLine) {
  Unit* U = unit_of(iUnit);
  if (U == nullptr || U->iRole != kRoleInput) {
    fatal_stop3("unit ", unit_text(iUnit), " is not open for input");
  }
  if (U->iPos >= U->nData) return false;
  pLine = U->pData + U->iPos;
  const std::int64_t nLeft = U->nData - U->iPos;
  const auto* pFeed =
      static_cast<const char*>(std::memchr(pLine, '\n', static_cast<std::size_t>(nLeft)));
  if (pFeed == nullptr) {
    nLine = nLeft;
    U->iPos = U->nData;
  } else {
    nLine = length_before_feed(pLine, pFeed - pLine);
    U->iPos += pFeed - pLine + 1;
  }
  return true;
}

bool read_line(std::int32_t iUnit, char* ChLine, std::int32_t nLen) {
  Unit* U = unit_of(iUnit);
  std::int64_t nAnswer = 0;
  if (U != nullptr && U->iRole == kRoleConsoleIn) return read_console_line(ChLine, nLen, nAnswer);
  const char* pLine = nullptr;
  std::int64_t nLine = 0;
  if (!read_line_view(iUnit, pLine, nLine)) {
    fill_blanks(ChLine, nLen);
    return false;
  }
  copy_padded(ChLine, nLen, pLine, nLine > nLen ? nLen : static_cast<std::int32_t>(nLine));
  return true;
}

bool read_console_answer(char* ChLine, std::int32_t nLen, std::int64_t& nAnswer) {
  nAnswer = 0;
  unit_of(kUnitConsoleIn);
  return read_console_line(ChLine, nLen, nAnswer);
}

void restart_console_input() {
  iConsolePos = 0;
  nConsoleFill = 0;
  bConsoleEnded = false;
}

void set_unit_role(std::int32_t iUnit, const char* ChRole) {
  if (iUnit >= 1 && iUnit <= MxUnit) ChUnitRole[iUnit] = ChRole;
}

void stop_if_input_changed(std::int32_t iUnit) {
  const Unit* U = unit_of(iUnit);
  // An empty file was read whole at the open: nothing read later can differ.
  if (U == nullptr || U->iRole != kRoleInput || U->Version.nSize <= 0) return;
  FileVersion Now{};
  if (version_of(U->hFile, Now) == 0 && Now.nSize < U->Version.nSize) {
    fatal_stop3(unit_words(iUnit), " was cut short while it was read", nullptr);
  }
  FileVersion Named{};
  if (version_of(U->hFile, Now) != 0 || !is_same_version(Now, U->Version) ||
      version_of_name(ChUnitName[iUnit], Named) != 0 || !is_same_version(Named, U->Version)) {
    fatal_stop3(unit_words(iUnit), " changed while it was read", nullptr);
  }
}

bool unit_contents(std::int32_t iUnit, const char*& pData, std::int64_t& nData) {
  const Unit* U = unit_of(iUnit);
  if (U == nullptr || U->iRole != kRoleInput) return false;
  pData = U->pData;
  nData = U->nData;
  return true;
}

void rewind_unit(std::int32_t iUnit) {
  Unit* U = unit_of(iUnit);
  if (U != nullptr && U->iRole == kRoleInput) U->iPos = 0;
}

void write_text(std::int32_t iUnit, const char* Ch, std::int64_t n) {
  if (n > 0) put_bytes(iUnit, Ch, n);
}

namespace {

// The rare ways out of line_room, kept out of it so that the call made for
// every line stays a few instructions.
[[noreturn, gnu::noinline, gnu::cold]] void not_open_for_output(std::int32_t iUnit) {
  fatal_stop3("unit ", unit_text(iUnit), " is not open for output");
}
[[gnu::noinline, gnu::cold]] void flush_for_room(std::int32_t iUnit) {
  flush_buffer(iUnit, Units[iUnit]);
}

}  // namespace

char* line_room(std::int32_t iUnit, std::int32_t MxChars) {
  Unit* U = unit_of(iUnit);
  if (U == nullptr || (U->iRole != kRoleOutput && U->iRole != kRoleConsoleOut)) {
    not_open_for_output(iUnit);
  }
  if (MxOutBuf - U->nWaiting < MxChars + 2) flush_for_room(iUnit);
  return ChOutBuf[iUnit] + U->nWaiting;
}

void end_line_at(std::int32_t iUnit, std::int32_t n) {
  Unit& U = Units[iUnit];
  char* pEnd = ChOutBuf[iUnit] + U.nWaiting + n;
  pEnd[0] = '\r';
  pEnd[1] = '\n';
  U.nWaiting += n + 2;
}

void write_line(std::int32_t iUnit, const char* Ch, std::int64_t n) {
  if (n < 0) n = 0;
  // A line that fits a room is copied into one; a longer one goes in parts.
  if (n <= MxLineRoom) {
    char* pTo = line_room(iUnit, static_cast<std::int32_t>(n));
    if (n > 0) std::memcpy(pTo, Ch, static_cast<std::size_t>(n));
    end_line_at(iUnit, static_cast<std::int32_t>(n));
    return;
  }
  put_bytes(iUnit, Ch, n);
  put_bytes(iUnit, "\r\n", 2);
}

void flush_unit(std::int32_t iUnit) {
  Unit* U = unit_of(iUnit);
  if (U == nullptr) return;
  if (U->iRole == kRoleOutput || U->iRole == kRoleConsoleOut) flush_buffer(iUnit, *U);
}

namespace {

// Releases a unit's file; for an output, what was written is put in place
// first. 0 or the error number of an output that could not be put there.
int release_unit(std::int32_t iUnit) {
  Unit& U = Units[iUnit];
  const UnitRole iRole = U.iRole;
  int iError = 0;
  if (iRole == kRoleOutput) iError = finish_output_file(Outputs[iUnit]);
  if (iRole == kRoleInput) release_input_file(U.pData, U.nData);
  if (iRole == kRoleInput || iRole == kRoleRecords) close_file(U.hFile);
  U = Unit{};
  return iError;
}

}  // namespace

void finish_unit(std::int32_t iUnit) {
  Unit* U = unit_of(iUnit);
  if (U == nullptr || U->iRole != kRoleOutput) return;
  flush_buffer(iUnit, *U);
  hold_stop_signals();
  const int iError = place_output_file(Outputs[iUnit]);
  release_stop_signals();
  if (iError != 0) write_failed(iUnit, iError);
}

std::int64_t read_replaced_at(std::int32_t iUnit, std::int64_t iAt, char* p, std::int64_t nRoom) {
  const Unit* U = unit_of(iUnit);
  if (U == nullptr || U->iRole != kRoleOutput) return 0;
  return read_older_at(Outputs[iUnit], iAt, p, nRoom);
}

void discard_unit(std::int32_t iUnit) {
  Unit* U = unit_of(iUnit);
  if (U == nullptr || U->iRole != kRoleOutput) return;
  hold_stop_signals();
  U->nWaiting = 0;
  abandon_output_file(Outputs[iUnit]);
  *U = Unit{};
  release_stop_signals();
}

void close_unit(std::int32_t iUnit) {
  Unit* U = unit_of(iUnit);
  if (U == nullptr || U->iRole == kRoleClosed || U->iRole == kRoleConsoleIn) return;
  flush_unit(iUnit);
  if (U->iRole == kRoleConsoleOut) return;
  hold_stop_signals();
  const int iError = release_unit(iUnit);
  release_stop_signals();
  if (iError != 0) write_failed(iUnit, iError);
}

int close_all_units() {
  ready_console();
  int nDropped = 0;
  for (std::int32_t i = 1; i <= MxUnit; ++i) {
    Unit& U = Units[i];
    if (U.iRole == kRoleConsoleOut) hand_over(i, U);
    if (U.iRole == kRoleOutput) {
      // Not finished, so not whole: the older file stays as it was.
      if (!Outputs[i].bPlaced) ++nDropped;
      U.nWaiting = 0;
      abandon_output_file(Outputs[i]);
      U = Unit{};
    } else if (U.iRole != kRoleClosed && U.iRole != kRoleConsoleIn && U.iRole != kRoleConsoleOut) {
      release_unit(i);
    }
  }
  return nDropped;
}
