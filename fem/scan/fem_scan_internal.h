// The record scanner's own state: how a pass finds its headers and where it
// stands. For the scanner's files, its tests and the fuzz target only; the
// readers and the driver see the FemFile of fem/fem_scan.h.
#pragma once
#include <cstdint>

#include "fem/fem_scan.h"
#include "fem/scan/header_index.h"
#include "support/fatal_stop.h"

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

// A FemFile with the scanner's state. Every FemFile the scanner is handed
// is one of these: fem_file_on gives out the scanner's own, and a test
// makes its own with fem_scan_on.
struct FemScan : FemFile {
  HeaderIndex Index;
  // The pass under way: its kind, how it finds its headers, and the mapped
  // file with the pass's place in it (the pass keeps its own place rather
  // than asking the unit for every line).
  RecordKind iKind;
  ScanMode iMode;
  const char* pData;
  std::int64_t nData;
  std::int64_t iPos;
  IndexCursor Cursor;
  // Every line of the file has been split, or checked, once without a stop:
  // by a pass that went through them all line by line (bPassSplitAll still
  // set at its end, no line read raw) or by the checking pass. A later pass
  // that finds its headers line by line then splits only the lines that
  // begin with its record's name: no other line can stop it or be its header.
  bool bLinesSplit;
  bool bPassSplitAll;
};

// The tag of the FemFiles the scanner gives out (fem_scan_on).
inline constexpr std::uint32_t kScanTag = 0x4C424658;  // "XFBL"

// A FemScan on iUnit over the index storage Notes, room for MxIndexNotes notes
// per kind. Notes may be null (MxIndexNotes 0): no index.
FemScan fem_scan_on(std::int32_t iUnit, HeaderNote* Notes, std::int32_t MxIndexNotes);

// The scanner's state of a FemFile handed to it. One the scanner did not
// give out has none: a fatal stop, not a read of what is not there.
inline FemScan& scan_of(FemFile& Fem) {
  if (Fem.iScanTag != kScanTag) fatal_stop("the FEM file is not one the scanner set up");
  return static_cast<FemScan&>(Fem);
}
inline const FemScan& scan_of(const FemFile& Fem) {
  if (Fem.iScanTag != kScanTag) fatal_stop("the FEM file is not one the scanner set up");
  return static_cast<const FemScan&>(Fem);
}
