// Line numbers of a place in a text held whole in memory, for messages that
// name the line a failure stands on. Counted only when asked, so a run that
// succeeds never pays for them.
#pragma once
#include <cstdint>

// The line (from 1) that holds the byte at iOffset of pData: 1 + the number
// of line feeds before it. A CR LF end counts once; an offset at or past
// the end names the line after the last line feed.
std::int64_t line_number_at(const char* pData, std::int64_t iOffset);
