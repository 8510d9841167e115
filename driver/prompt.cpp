#include "driver/prompt.h"

#include <cstring>

#include "files/file_units.h"

void write_prompt(std::int32_t iUnit, const char* ChText, std::int32_t nText) {
  constexpr std::int32_t MxPrompt = 80;
  std::int32_t n = nText < MxPrompt ? nText : MxPrompt;
  if (n < 0) n = 0;
  // static: the prompt is built in module storage; not re-entrant.
  static char ChWork[MxPrompt + 1];
  ChWork[0] = ' ';
  if (n > 0) std::memcpy(ChWork + 1, ChText, static_cast<std::size_t>(n));
  write_text(iUnit, ChWork, n + 1);
  flush_unit(iUnit);
}
