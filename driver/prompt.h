// Console prompts: the question is shown and the cursor stays after it, so
// the answer is typed on the same line.
#pragma once
#include <cstdint>

// Writes one blank and the first min(nText, 80) characters of ChText
// (trailing blanks included) to iUnit, without a line end, and flushes the
// unit so the prompt is seen before the answer is awaited.
void write_prompt(std::int32_t iUnit, const char* ChText, std::int32_t nText);
