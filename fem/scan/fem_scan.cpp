#include "fem/fem_scan.h"

#include <cstring>

#include "fem/name_tables.h"
#include "fem/scan/checking_pass.h"
#include "fem/scan/fem_scan_internal.h"
#include "fem/scan/header_scan.h"
#include "fem/scan/line_shape.h"
#include "fem/scan/tool_line_split.h"
#include "files/file_units.h"
#include "support/fatal_stop.h"
#include "support/line_count.h"
#include "support/text_helpers.h"

namespace {

// static: the one split the scanner hands out (fem_fields), whichever
// FemScan reads; the scanner is not re-entrant. The values above entry
// nSplitWritten are known to be 0: a split clears only what the previous
// one wrote.
LineFields ScanFields;
std::int32_t nSplitWritten = MxFields;

// Makes the values of a split read as if all 100 had been set to 0.0 before
// it: the split wrote the numbers, so the entries that the previous split
// into the same Fields wrote past this one's last field are cleared now
// (text fields are cleared by the callers, who know where they stand). This
// runs for every header and data line a reader takes; clearing afterwards,
// and only what is not 0 already, leaves a few bytes instead of 800 and does
// not write the numbers twice.
void clear_past_split(LineFields& Fields) {
  const std::int32_t nDirty = nSplitWritten;
  if (nDirty > Fields.count) {
    // Mostly a line of two slots after one of four: a fixed-size clear of
    // four values (those past nDirty are 0 already) instead of a call.
    if (nDirty - Fields.count <= 4 && Fields.count <= MxFields - 4) {
      std::memset(Fields.values + Fields.count + 1, 0, 4 * sizeof(double));
    } else {
      std::memset(Fields.values + Fields.count + 1, 0,
                  sizeof(double) * static_cast<std::size_t>(nDirty - Fields.count));
    }
  }
  nSplitWritten = Fields.count;
}

void split_into_buffer(FemScan& Fem, const char* pLine, std::int32_t nCut, LineFields& Fields) {
  Fem.pLine = pLine;
  Fem.nLine = nCut;
  split_fields(pLine, nCut, Fields);
  for (std::int32_t k = 1; k <= Fields.count; ++k) {
    if (Fields.kinds[k] == kFieldText) Fields.values[k] = 0.0;
  }
  clear_past_split(Fields);
}

// split_into_buffer for a line in the tool layout of nLine characters with
// a name of nName: its layout is known and not tested again, and its one
// text field is its name. Values of fields iFirstValue to iLastValue only.
void split_tool_into_buffer(FemScan& Fem, const char* pLine, std::int32_t nLine, std::int32_t nName,
                            LineFields& Fields, std::int32_t iFirstValue = 1,
                            std::int32_t iLastValue = MxFields) {
  Fem.pLine = pLine;
  Fem.nLine = nLine;
  split_tool_line(pLine, nLine, nName, Fields, iFirstValue, iLastValue);
  if (nName > 0) Fields.values[1] = 0.0;
  clear_past_split(Fields);
}

// A header of the pass's kind in the tool layout: only the values its
// reader takes are converted.
void split_tool_header(FemScan& Fem, const char* pLine, std::int32_t nLine, std::int32_t nName,
                       LineFields& Fields) {
  const HeaderValues Taken = kHeaderValues[Fem.iKind];
  split_tool_into_buffer(Fem, pLine, nLine, nName, Fields, Taken.iFirst, Taken.iLast);
}

// True when the note of the header taken last describes the line at the
// pass's place; the length of that line, terminator excluded, is then
// noted_length.
bool is_noted_line(const FemScan& Fem) {
  return Fem.iPos == Fem.Cursor.iNotedAt && Fem.Cursor.iNotedNext > 0;
}

// The length of the noted line: it ends in a line feed.
std::int32_t noted_length(const FemScan& Fem) {
  const IndexCursor& Cursor = Fem.Cursor;
  return static_cast<std::int32_t>(
      length_before_feed(Fem.pData + Cursor.iNotedAt, Cursor.iNotedNext - Cursor.iNotedAt - 1));
}

// The next line from the pass's place, uncopied (full length, terminator
// excluded). False at end of file.
bool next_line(FemScan& Fem, const char*& pLine, std::int64_t& nLine) {
  if (Fem.iPos >= Fem.nData) return false;
  pLine = Fem.pData + Fem.iPos;
  if (is_noted_line(Fem)) {
    nLine = noted_length(Fem);
    Fem.iPos = Fem.Cursor.iNotedNext;
    return true;
  }
  Fem.iPos = cut_line(Fem.pData, Fem.nData, Fem.iPos, nLine);
  return true;
}

// Reads the next line into the line buffer and splits it, values cleared
// first. A line in the tool layout is cut out and split in one go: its end
// is found while its layout is tested (or was, by the checking pass), and it
// is not tested again. False at end of file.
bool take_next_line(FemScan& Fem, LineFields& Fields) {
  if (Fem.iPos < Fem.nData) {
    const char* pLine = Fem.pData + Fem.iPos;
    std::int32_t nName = Fem.Cursor.nNotedName;
    std::int32_t nLine = 0;
    if (!is_noted_line(Fem)) {
      nLine = tool_line_length(pLine, Fem.pData + Fem.nData, nName);
    } else if (nName >= 0) {
      nLine = noted_length(Fem);
    }
    if (nLine > 0) {
      Fem.iPos += past_tool_line(pLine, nLine);
      split_tool_into_buffer(Fem, pLine, nLine, nName, Fields);
      return true;
    }
  }
  const char* pLine;
  std::int64_t nLine;
  if (!next_line(Fem, pLine, nLine)) return false;
  split_into_buffer(Fem, pLine, cut_length(nLine), Fields);
  return true;
}

bool next_header_every_line(FemScan& Fem, LineFields& Fields) {
  const bool bOwnLinesOnly = Fem.bLinesSplit || Fem.Index.bComplete;
  const char* pLine;
  std::int64_t nLine;
  while (next_line(Fem, pLine, nLine)) {
    const std::int32_t nCut = cut_length(nLine);
    const std::int32_t iStart = header_scan_start(pLine, nCut);
    if (iStart < 0) continue;
    // A header's first field is its record's name: a line that does not
    // begin with it is no header, and the split would tell nothing new.
    if (bOwnLinesOnly && !begins_with_record(pLine + iStart, nCut - iStart, Fem.iKind)) continue;
    split_into_buffer(Fem, pLine, nCut, Fields);
    if (is_record_header(Fields, kRecordName[Fem.iKind])) return true;
  }
  if (Fem.bPassSplitAll) Fem.bLinesSplit = true;
  return false;
}

bool next_header_checking(FemScan& Fem, LineFields& Fields) {
  FoundHeader Found;
  if (!check_to_next_header(Fem, Found)) return false;
  if (Found.nToolName >= 0) {
    split_tool_header(Fem, Found.pLine, Found.nLine, Found.nToolName, Fields);
  } else {
    split_into_buffer(Fem, Found.pLine, Found.nLine, Fields);
  }
  return true;
}

// How many headers ahead an indexed pass asks for the line it will read.
constexpr std::int32_t kPrefetchAhead = 16;

// Takes the header of Note at the pass's place, and keeps what the note
// says of the line after it for the reader's raw reads.
void take_noted_header(FemScan& Fem, const HeaderNote& Note, LineFields& Fields) {
  IndexCursor& Cursor = Fem.Cursor;
  if (Note.nToolLine == 0) {
    Cursor.iNotedAt = -1;  // the header's own line is not described
    take_next_line(Fem, Fields);
  } else {
    const char* pLine = Fem.pData + Fem.iPos;
    Fem.iPos += past_tool_line(pLine, Note.nToolLine);
    split_tool_header(Fem, pLine, Note.nToolLine, Note.nToolName, Fields);
  }
  Cursor.iNotedAt = Fem.iPos;
  Cursor.iNotedNext = Note.nNextStep > 0 ? Fem.iPos + Note.nNextStep : 0;
  Cursor.nNotedName = Note.nNextName;
}

bool next_header_indexed(FemScan& Fem, LineFields& Fields) {
  const HeaderNote* Notes = kind_notes(Fem.Index, Fem.iKind);
  const std::int32_t nNotes = Fem.Index.nAt[Fem.iKind];
  IndexCursor& Cursor = Fem.Cursor;
  while (Cursor.iNext < nNotes) {
    // The headers lie spread over the file, which is far larger than the
    // caches: the line a few headers on is asked for now, so that it is
    // there when its turn comes instead of each being waited for in turn.
    if (Cursor.iNext + kPrefetchAhead < nNotes) {
      __builtin_prefetch(Fem.pData + Notes[Cursor.iNext + kPrefetchAhead].iAt);
    }
    const HeaderNote& Note = Notes[Cursor.iNext++];
    // A header already read raw as part of an earlier record is no header.
    if (Note.iAt < Fem.iPos) continue;
    Fem.iPos = Note.iAt;
    take_noted_header(Fem, Note, Fields);
    return true;
  }
  return false;
}

// How a pass of kind iKind finds its headers.
ScanMode scan_mode(const FemScan& Fem, RecordKind iKind) {
  const HeaderIndex& Index = Fem.Index;
  if (Index.bComplete && !Index.bOverflow[iKind]) return kScanIndexed;
  // Only a pass that reads no raw lines sees every line through its header
  // scan, and so may check and index them all.
  if (Index.nMx > 0 && !Index.bComplete && (iKind == kRecordGnode || iKind == kRecordGelmnt1)) {
    return kScanChecking;
  }
  return kScanEveryLine;
}

}  // namespace

FemScan fem_scan_on(std::int32_t iUnit, HeaderNote* Notes, std::int32_t MxIndexNotes) {
  FemScan Fem{};
  Fem.iUnit = iUnit;
  Fem.iScanTag = kScanTag;
  Fem.Index.Notes = Notes;
  Fem.Index.nMx = Notes == nullptr ? 0 : MxIndexNotes;
  return Fem;
}

FemFile& fem_file_on(std::int32_t iUnit) {
  // static: the one FEM file of a run; its index storage is taken once.
  static HeaderNote* Notes = create_header_index();
  static FemScan Fem;
  Fem = fem_scan_on(iUnit, Notes, MxHeaderNotes);
  return Fem;
}

std::int64_t fem_file_bytes(const FemFile& Fem) {
  const char* pData = nullptr;
  std::int64_t nData = 0;
  return unit_contents(Fem.iUnit, pData, nData) ? nData : 0;
}

std::int64_t fem_line_number(const FemFile& Fem) {
  const FemScan& Scan = scan_of(Fem);
  if (Fem.pLine == nullptr || Scan.pData == nullptr) return 0;
  return line_number_at(Scan.pData, Fem.pLine - Scan.pData);
}

void begin_pass(FemFile& File, RecordKind iKind) {
  FemScan& Fem = scan_of(File);
  rewind_unit(Fem.iUnit);
  if (!unit_contents(Fem.iUnit, Fem.pData, Fem.nData)) {
    fatal_stop("the FEM file is not open for input");
  }
  Fem.iKind = iKind;
  Fem.iPos = 0;
  Fem.pLine = nullptr;
  Fem.nLine = 0;
  nSplitWritten = MxFields;
  Fem.Cursor = IndexCursor{0, -1, 0, -1};
  Fem.bPassSplitAll = true;
  Fem.iMode = scan_mode(Fem, iKind);
  if (Fem.iMode == kScanChecking) start_noting(Fem.Index, iKind, Fem.nData);
}

const LineFields& fem_fields(const FemFile& Fem) {
  // Asked of a FemFile the scanner did not set up, the answer is a stop.
  static_cast<void>(scan_of(Fem));
  return ScanFields;
}

bool next_header(FemFile& File) {
  FemScan& Fem = scan_of(File);
  LineFields& Fields = ScanFields;
  switch (Fem.iMode) {
    case kScanIndexed:
      return next_header_indexed(Fem, Fields);
    case kScanChecking:
      return next_header_checking(Fem, Fields);
    case kScanEveryLine:
      break;
  }
  return next_header_every_line(Fem, Fields);
}

bool read_raw_line(FemFile& File) {
  FemScan& Fem = scan_of(File);
  return take_next_line(Fem, ScanFields);
}

bool read_raw_name(FemFile& File, char* ChName) {
  FemScan& Fem = scan_of(File);
  const char* pLine;
  std::int64_t nLine;
  // Blanks in one fixed-size move, then the line's characters over them.
  std::memset(ChName, kBlank, kNameLen);
  Fem.bPassSplitAll = false;  // this line goes past unsplit
  if (!next_line(Fem, pLine, nLine)) return false;
  std::memcpy(ChName, pLine, static_cast<std::size_t>(nLine > kNameLen ? kNameLen : nLine));
  return true;
}
