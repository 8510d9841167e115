// Reading the FEM file pass by pass. Every pass starts from the first line
// and looks for the headers of one record kind; the lines that belong to a
// recognised record are then read raw, without any test. A reader asks for
// its next header and its raw lines through the calls below; a FemFile
// shows it nothing but the line buffer and the limit it found broken. How
// the scanner finds its lines is its own (fem/scan/fem_scan_internal.h).
//
// Header scan: a line with "$", "#" or "!" in column 1, or blank in its first
// 256 columns, is passed over; every other line is split (so a field that
// does not convert stops the run wherever it stands) and handed to the pass
// when its first field is text starting with the record name.
//
// Speed: the FEM file may hold millions of lines and is scanned six times.
// The first pass of a run that reads no raw lines (GNODE or GELMNT1) checks
// every field of every line once and notes in the header index where the
// headers of the other kinds stand (fem/scan/checking_pass.h). The later passes
// then go from noted header to noted header: the lines in between could
// neither stop the run (they were checked) nor be headers of their kind, so
// skipping them changes nothing. A kind with more headers than the index
// holds is scanned line by line. On a header in the layout modelling tools
// write only the fields that record_kinds.h names are converted.
#pragma once
#include <cstdint>

#include "fem/field_splitter.h"
#include "fem/input_errors.h"
#include "fem/record_kinds.h"

// The FEM file as the readers and the driver see it. The scanner keeps the
// rest of its state (the header index, the pass under way, its place in the
// mapped file) beside these fields, out of their sight.
struct FemFile {
  std::int32_t iUnit;
  // The line buffer: the last header or data line read (not name lines),
  // cut to its first 256 characters; quoted by the member reader's report.
  // Null before a pass has read a line.
  const char* pLine;
  std::int32_t nLine;
  // Set by a reader that wrote an input-error report: the limit it found
  // broken (kLimitNone otherwise); the line buffer then holds the line it
  // was reading. For the driver's line on standard error.
  InputLimit iLimitBroken;
  // Set by the scanner on the FemFiles it gives out, and checked where it
  // takes one back: a FemFile made elsewhere is no FEM file it reads.
  std::uint32_t iScanTag;
};

// The scanner's FemFile, connected to the FEM file on iUnit, with its
// header index (storage taken on the first call and kept for the run;
// without it every pass reads every line). One FEM file per run.
FemFile& fem_file_on(std::int32_t iUnit);

// The size in bytes of the FEM file on Fem's unit; 0 when none is connected.
std::int64_t fem_file_bytes(const FemFile& Fem);

// The line of the FEM file that the line buffer holds, counted from 1; 0
// when the buffer holds none.
std::int64_t fem_line_number(const FemFile& Fem);

// Rewinds the FEM file and starts a pass for headers of kind iKind.
void begin_pass(FemFile& Fem, RecordKind iKind);

// The split of the header or data line read last (fem_fields), the
// scanner's own: next_header and read_raw_line rewrite it, a reader only
// reads it. All 100 values read as 0 before each split, so a missing field
// reads as 0; a text field's value reads as 0.
const LineFields& fem_fields(const FemFile& Fem);

// Finds the next header of the pass's kind and splits it into fem_fields.
// Returns false at end of file: the pass is over.
bool next_header(FemFile& Fem);

// Reads the next line raw into the line buffer and splits it into
// fem_fields. Returns false at end of file.
bool read_raw_line(FemFile& Fem);

// Reads the next line raw into the 80-character name ChName (set to blanks
// first; the line's first 80 characters, exactly as they stand). The line
// buffer keeps the header line. Returns false at end of file.
bool read_raw_name(FemFile& Fem, char* ChName);
