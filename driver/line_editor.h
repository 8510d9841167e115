// Reading one answer at the console, with line editing where a person types
// it. Two forms, chosen at build time: with libedit (POSIX systems where it
// is found, driver/line_editor_libedit.cpp) and plain
// (driver/line_editor_plain.cpp: Windows, whose console edits lines
// itself, and builds without libedit).
#pragma once
#include <cstdint>

// Shows the prompt (one blank and the first nPrompt characters, at most 80,
// trailing blanks included, as write_prompt does) and reads the answer into
// the nLen-character field ChLine by the console's line rules: blank-padded,
// cut after nLen characters, leading blanks kept. nAnswer is the answer's
// whole length without its trailing blanks: above nLen when it was cut.
// False at end of input, with ChLine all blanks.
//
// With libedit, when standard input and standard output are both terminals,
// the line is edited as it is typed: Left, Right, Home, End, Ctrl-A, Ctrl-E,
// Backspace, Delete, Ctrl-U (to the line's start), Ctrl-K (to its end),
// Ctrl-W (the word before), Tab completing file and folder names (a second
// Tab lists the candidates), and Up and Down recalling the answers given
// earlier in the run; Ctrl-D on an empty line is the end of input. Console
// output waiting in unit 6 goes out before the prompt. In every other case
// the prompt goes to unit 6 and the line is read from unit 5, byte for byte
// as a typed line.
bool read_answer_line(const char* ChPrompt, std::int32_t nPrompt, char* ChLine, std::int32_t nLen,
                      std::int64_t& nAnswer);
