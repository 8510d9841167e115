// Whether a text holds SESAM records: what tells a model file, which Lablix
// never writes over, from any other file a user may name as an output.
#pragma once
#include <cstdint>

// How much of a file's start is looked at.
inline constexpr std::int64_t MxSesamLook = 1 << 16;

// True when one of the lines of p[0, n) begins in column 1 with a record
// name (a capital letter, then up to seven capitals or digits), a blank, and
// as its next field a number as the FEM reader reads one (an integer up to
// 2147483647 or a real that converts). Lablix's own label files and listings
// hold no such line.
bool holds_sesam_records(const char* p, std::int64_t n);
