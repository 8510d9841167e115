// Whether a file holds SESAM records: what tells a model file, which Lablix
// never writes over, from any other file a user may name as an output. The
// file is looked at piece by piece from its start, as far as the lines the
// FEM reader passes over (comment and blank lines) go, and then one piece
// further.
#pragma once
#include <cstdint>

// How much of a file is looked at in one piece.
inline constexpr std::int64_t MxSesamLook = 1 << 16;

// True when one of the lines of p[0, n) is a record line as the FEM reader
// takes one: not a comment ("$", "#" or "!" in column 1), its first
// non-blank character within the first 256 columns (so indented lines
// count) begins a record name (a capital letter, then up to seven capitals
// or digits), a blank follows, and its next field is a number as the reader
// reads one (an integer up to 2147483647 or a real that converts). Lablix's
// own label files and listings hold no such line.
bool holds_sesam_records(const char* p, std::int64_t n);

// After a piece p[0, n) of the file (read from offset iAt, MxSesamLook
// asked for) that holds no record line: true when the look must go on, with
// iAt moved to the next piece. It goes on while the file holds only lines
// the reader passes over, since a model may begin with any number of them;
// bInComment (false at the start) notes a piece that ends inside such a
// line.
bool look_further(const char* p, std::int64_t n, std::int64_t& iAt, bool& bInComment);
