// Reading the FEM file pass by pass. Every pass starts from the first line
// and looks for the headers of one record kind; the lines that belong to a
// recognised record are then read raw, without any test.
//
// Header scan: a line with "$", "#" or "!" in column 1, or blank in its first
// 256 columns, is passed over; every other line is split (so a field that
// does not convert stops the run wherever it stands) and handed to the pass
// when its first field is text starting with the record name.
//
// Speed: the FEM file may hold millions of lines and is scanned six times.
// The first pass of a run that reads no raw lines (GNODE or GELMNT1) checks
// every field of every line once and notes, for the other record kinds,
// where their headers stand. The later passes then go from noted header to
// noted header: the lines in between could neither stop the run (they were
// checked) nor be headers of their kind, so skipping them changes nothing.
// A kind with more headers than the index holds is scanned line by line.
// For a header in the layout modelling tools write, the index also keeps
// the line's length and its name's length, so a later pass splits it
// without testing its layout again; and of the line after a header (a name,
// or the first data line, read raw by the readers) where the next one
// starts and whether it is in that layout, so that a later pass neither
// searches for its end nor tests its layout again.
#pragma once
#include <cstdint>

#include "fem/field_splitter.h"

enum RecordKind : std::int32_t {
  kRecordGnode,
  kRecordTdnode,
  kRecordGelmnt1,
  kRecordTdsconc,
  kRecordSconcept,
  kRecordSconmesh,
  kRecordKinds
};

// The record names, compared on their own length.
inline constexpr const char* kRecordName[kRecordKinds] = {"GNODE",   "TDNODE",   "GELMNT1",
                                                          "TDSCONC", "SCONCEPT", "SCONMESH"};

inline constexpr std::int32_t kLineLen = 256;

// Where the headers of each kind stand: byte offsets of their lines, in file
// order. Storage comes from the caller, nMx offsets per kind.
struct HeaderIndex {
  std::int64_t* iAt;               // kind k uses iAt[k * nMx, (k + 1) * nMx)
  std::int32_t nMx;                // 0: no index; every pass reads every line
  std::int32_t nAt[kRecordKinds];  // offsets noted per kind
  bool bOverflow[kRecordKinds];    // kind not indexed: more headers than nMx, or
                                   // the kind the checking pass itself took
  bool bComplete;                  // a checking pass reached end of file
  // While a checking pass notes: each kind's first entry, and the count at
  // which noting must stop to ask for more room (see note_header).
  std::int64_t* pKindAt[kRecordKinds];
  std::int32_t nStop[kRecordKinds];
};

enum ScanMode : std::int32_t { kScanEveryLine, kScanChecking, kScanIndexed };

// The FEM file as the readers see it.
struct FemFile {
  std::int32_t iUnit;
  HeaderIndex Index;
  // The pass under way.
  RecordKind iKind;
  std::int32_t iFirstValue;  // the fields of a header whose values the pass takes
  std::int32_t iLastValue;
  ScanMode iMode;
  std::int32_t iNext;  // next noted offset (indexed mode)
  // The line buffer: the last header or data line read (not name lines),
  // cut to its first 256 characters; quoted by the member reader's report.
  const char* pLine;
  std::int32_t nLine;
  // The mapped file, taken at the start of each pass: the pass keeps its own
  // place in it (iPos) rather than asking the unit for every line.
  bool bMapped;
  const char* pData;
  std::int64_t nData;
  std::int64_t iPos;
  // The values above this entry of pCleared are known to be 0 (see
  // next_header): a split clears only what the previous one wrote.
  const LineFields* pCleared;
  std::int32_t nWritten;
  // Checking pass: the index entry of the header noted last, until the line
  // after it has been described there (null: none waiting).
  std::int64_t* pWaitingNote;
  // Indexed pass: what the index says of the line at offset iNotedAt (the
  // line after the header taken last): the offset of the line after it, 0
  // when nothing is known, and its name's length when it is in the tool
  // layout (-1 when not).
  std::int64_t iNotedAt;
  std::int64_t iNotedNext;
  std::int32_t nNotedName;
};

// A FemFile on iUnit. iIndexStorage may be null (nIndexMx 0): no index.
FemFile fem_file_on(std::int32_t iUnit, std::int64_t* iIndexStorage, std::int32_t nIndexMx);

// Rewinds the FEM file and starts a pass for headers of kind iKind, whose
// reader takes values from fields iFirstValue to iLastValue of a header
// only: a header in the tool layout has the values of its other fields left
// unconverted (0). Lines read raw are always converted whole.
void begin_pass(FemFile& Fem, RecordKind iKind, std::int32_t iFirstValue = 1,
                std::int32_t iLastValue = kMaxFields);

// Finds the next header of the pass's kind and splits it into Fields, with
// all 100 values set to 0 before the split (a missing field reads as 0).
// Returns false at end of file: the pass is over. Within a pass the FemFile
// remembers the last Fields it split into and how far that split wrote, and
// clears only those entries the next time: a caller takes values from
// Fields but never writes into it between the calls of one pass.
bool next_header(FemFile& Fem, LineFields& Fields);

// Reads the next line raw into the line buffer and splits it, values set to
// 0 first. Returns false at end of file.
bool read_raw_line(FemFile& Fem, LineFields& Fields);

// Reads the next line raw into the 80-character name ChName (set to blanks
// first; the line's first 80 characters, exactly as they stand). The line
// buffer keeps the header line. Returns false at end of file.
bool read_raw_name(FemFile& Fem, char* ChName);

// The number of noted header offsets per kind that create_header_index gives.
inline constexpr std::int32_t kHeaderIndexMx = 1 << 20;

// Storage for kHeaderIndexMx offsets of every kind, zeroed and touched only
// where written; null when the memory cannot be had (the passes then read
// every line). Created once, at start-up, and kept for the run.
std::int64_t* create_header_index();
