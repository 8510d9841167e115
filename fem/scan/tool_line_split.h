// The split of a line in the tool layout (fem/scan/line_shape.h) whose shape is
// known already: the same entries split_fields writes, slot by slot, without
// walking the characters or testing the layout again. Internal to the
// scanning wing: the record scanner and split_fields use it.
#pragma once
#include <cstdint>

#include "fem/field_splitter.h"

// split_fields for a line that tool_line_length (or the same test on a
// cut line) accepted
// (nLen and nName as they gave them): the same result, except that only the
// values of fields iFirstValue to iLastValue are converted; other fields are
// classified and their values set to 0 (no field of such a line can stop
// the run, so nothing is missed by leaving a value nobody takes unconverted).
void split_tool_line(const char* ChLine, std::int32_t nLen, std::int32_t nName, LineFields& Fields,
                     std::int32_t iFirstValue = 1, std::int32_t iLastValue = MxFields);
