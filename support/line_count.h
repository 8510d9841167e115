// Line numbers of places in a text held in memory, for messages that name
// the line of a FEM file. Worked out only when a message needs one: a run
// that succeeds counts nothing.
#pragma once
#include <cstdint>

// The line that the byte at iOffset of pData stands on: 1 + the number of
// line feeds before it (a carriage return is no line end of its own, as
// the file units read lines). iOffset 0 or less gives 1.
std::int64_t line_number_at(const char* pData, std::int64_t iOffset);
