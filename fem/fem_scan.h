// Reading the FEM file pass by pass. Every pass starts from the first line
// and looks for the headers of one record kind; the lines that belong to a
// recognised record are then read raw, without any test. A reader asks for
// its next header and its raw lines, looks at nothing inside a FemFile but
// the line buffer, and sets nothing but the limit it found broken.
//
// Header scan: a line with "$", "#" or "!" in column 1, or blank in its first
// 256 columns, is passed over; every other line is split (so a field that
// does not convert stops the run wherever it stands) and handed to the pass
// when its first field is text starting with the record name.
//
// Speed: the FEM file may hold millions of lines and is scanned six times.
// The first pass of a run that reads no raw lines (GNODE or GELMNT1) checks
// every field of every line once and notes in the header index where the
// headers of the other kinds stand (fem/checking_pass.h). The later passes
// then go from noted header to noted header: the lines in between could
// neither stop the run (they were checked) nor be headers of their kind, so
// skipping them changes nothing. A kind with more headers than the index
// holds is scanned line by line. On a header in the layout modelling tools
// write only the fields that record_kinds.h names are converted.
#pragma once
#include <cstdint>

#include "fem/field_splitter.h"
#include "fem/header_index.h"
#include "fem/input_errors.h"
#include "fem/record_kinds.h"

enum ScanMode : std::int32_t { kScanEveryLine, kScanChecking, kScanIndexed };

// An indexed pass's place in the index, and what the note of the header it
// took last says of the line after it (at iNotedAt), for the raw reads:
// where the line after that one starts (0 when the note says nothing), and
// its name's length when it is in the tool layout (-1 when not).
struct IndexCursor {
  std::int32_t iNext;  // the next note of the pass's kind
  std::int64_t iNotedAt;
  std::int64_t iNotedNext;
  std::int32_t nNotedName;
};

// The FEM file as the readers see it.
struct FemFile {
  std::int32_t iUnit;
  HeaderIndex Index;
  // The pass under way: its kind, how it finds its headers, and the mapped
  // file with the pass's place in it (the pass keeps its own place rather
  // than asking the unit for every line).
  RecordKind iKind;
  ScanMode iMode;
  const char* pData;
  std::int64_t nData;
  std::int64_t iPos;
  // The line buffer: the last header or data line read (not name lines),
  // cut to its first 256 characters; quoted by the member reader's report.
  const char* pLine;
  std::int32_t nLine;
  // The values above entry nWritten of pCleared are known to be 0 (see
  // next_header): a split clears only what the previous one wrote.
  const LineFields* pCleared;
  std::int32_t nWritten;
  IndexCursor Cursor;
  // Set by a reader that wrote an input-error report: the limit it found
  // broken (kLimitNone otherwise); the line buffer then holds the line it
  // was reading. For the driver's line on standard error.
  InputLimit iLimitBroken;
};

// A FemFile on iUnit. Notes may be null (nIndexMx 0): no index.
FemFile fem_file_on(std::int32_t iUnit, HeaderNote* Notes, std::int32_t nIndexMx);

// The size in bytes of the FEM file on Fem's unit; 0 when none is connected.
std::int64_t fem_file_bytes(const FemFile& Fem);

// Rewinds the FEM file and starts a pass for headers of kind iKind.
void begin_pass(FemFile& Fem, RecordKind iKind);

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
