// Whether a file holds SESAM records: what tells a model file, which Lablix
// never writes over, from any other file a user may name as an output. The
// file is looked at piece by piece from its start, by the FEM reader's own
// rule for a record line.
#pragma once
#include <cstdint>

// How much of a file is looked at in one piece.
inline constexpr std::int64_t MxSesamLook = 1 << 16;

// True when one of the lines of p[0, n) is a record line as the FEM reader
// takes one, looked at by its first 256 characters: not a comment ("$",
// "#" or "!" in column 1), its first non-blank character within the first
// 256 columns (so indented lines count), and its first field either starts
// with the name of a record the readers read (GNODE, ... whatever follows
// it: the readers take such a line as the record's header), or is another
// record name (a capital letter, then up to seven capitals or digits)
// followed by a blank and a number as the reader reads one (an integer up
// to 2147483647 or a real that converts). Lablix's own label files,
// listings and pages hold no such line.
bool holds_sesam_records(const char* p, std::int64_t n);

// A look at a file piece by piece from its start: where the next piece
// starts, and whether it starts inside a line already looked at (a line
// longer than a piece, looked at by its start as the reader looks at it).
struct SesamLook {
  std::int64_t iAt = 0;
  bool bInLine = false;
};

enum SesamVerdict : std::int32_t { kSesamModel, kSesamNoModel, kSesamLookFurther };

// Looks at the piece p[0, n) read from Look.iAt, MxSesamLook bytes asked
// for (fewer: the file ends within it). kSesamModel when one of its lines
// is a record line; kSesamNoModel when the file ends and none was;
// otherwise kSesamLookFurther, with Look moved to the next piece, which
// starts at the line this one cut. A model may begin with any number of
// lines the reader reads as no record, so only the file's end, or a caller
// that knows the file for one of Lablix's own outputs, ends the look.
SesamVerdict look_at_piece(const char* p, std::int64_t n, SesamLook& Look);
