// The checking pass: the first pass of a run that reads no raw lines (GNODE
// or GELMNT1) sees every line of the FEM file through its header scan, and
// so looks at each once for all six passes. It checks every field, so a
// field that does not convert stops the run wherever it stands; it notes in
// the header index where the headers of the other kinds stand, with what it
// found out about each and about the line after it (read raw by their
// readers); and it hands its own headers to its reader as it meets them.
// Internal to the record scanner.
#pragma once
#include <cstdint>

#include "fem/scan/fem_scan_internal.h"

// A header of the pass's own kind, where it stands: its line of nLine
// characters (cut at 256), and its name's length when it is in the tool
// layout, -1 when not.
struct FoundHeader {
  const char* pLine;
  std::int32_t nLine;
  std::int32_t nToolName;
};

// From Fem's place on (Fem.pData, mapped), checks and notes every line up
// to the next header of kind Fem.iKind, which it describes in Found, with
// Fem's place just after it. False at end of file: the index is then
// complete. The walk is built once per form of the slot test; the form is
// chosen once, at start-up, and called through this one name.
using CheckToNextHeader = bool (*)(FemScan& Fem, FoundHeader& Found);
extern const CheckToNextHeader check_to_next_header;
