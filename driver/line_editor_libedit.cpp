// The libedit form, through its readline interface: its own file name
// completion, history and key bindings, with the few bindings added that
// its emacs map lacks.
#include <editline/readline.h>

#include <cstdlib>
#include <cstring>

#include "driver/line_editor.h"
#include "driver/prompt.h"
#include "files/file_units.h"
#include "platform/platform.h"
#include "support/text_helpers.h"

namespace {

// Settled at the first answer: the standard streams stay what they are.
bool is_edited() {
  // static: whether this run edits its answers, and whether the editor is set up.
  static const bool bEdited = is_terminal(kStandardInput) && is_terminal(kStandardOutput);
  static bool bReady = false;
  if (bEdited && !bReady) {
    bReady = true;
    rl_readline_name = "lablix";
    rl_initialize();
    // libedit's emacs map kills the region on Ctrl-W and the whole line on
    // Ctrl-U; a shell user expects the word before and the line before.
    rl_parse_and_bind("bind ^W ed-delete-prev-word");
    rl_parse_and_bind("bind ^U vi-kill-line-prev");
    using_history();
  }
  return bEdited;
}

}  // namespace

bool read_answer_line(const char* ChPrompt, std::int32_t nPrompt, char* ChLine, std::int32_t nLen,
                      std::int64_t& nAnswer) {
  if (!is_edited()) {
    write_prompt(kUnitConsoleOut, ChPrompt, nPrompt);
    return read_console_answer(ChLine, nLen, nAnswer);
  }
  nAnswer = 0;
  constexpr std::int32_t MxPrompt = 80;
  if (nPrompt > MxPrompt) nPrompt = MxPrompt;
  if (nPrompt < 0) nPrompt = 0;
  char ChShown[MxPrompt + 2];
  ChShown[0] = ' ';
  std::memcpy(ChShown + 1, ChPrompt, static_cast<std::size_t>(nPrompt));
  ChShown[nPrompt + 1] = '\0';
  // The banner and any refusal line are seen before the editor writes.
  flush_unit(kUnitConsoleOut);
  fill_blanks(ChLine, nLen);
  char* pLine = readline(ChShown);
  if (pLine == nullptr) return false;
  const std::size_t nTyped = std::strlen(pLine);
  if (nTyped > 0) add_history(pLine);
  for (nAnswer = static_cast<std::int64_t>(nTyped); nAnswer > 0 && pLine[nAnswer - 1] == ' ';)
    --nAnswer;
  copy_padded(ChLine, nLen, pLine,
              nTyped > static_cast<std::size_t>(nLen) ? nLen : static_cast<std::int32_t>(nTyped));
  // The editor's line is its own allocation.
  std::free(pLine);
  return true;
}
