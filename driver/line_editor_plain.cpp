// The plain form: the console's own line handling.
#include "driver/line_editor.h"
#include "driver/prompt.h"
#include "files/file_units.h"

bool read_answer_line(const char* ChPrompt, std::int32_t nPrompt, char* ChLine, std::int32_t nLen,
                      std::int64_t& nAnswer) {
  write_prompt(kUnitConsoleOut, ChPrompt, nPrompt);
  return read_console_answer(ChLine, nLen, nAnswer);
}
