// The console side of a run: the banner, the prompts and their answers, and
// the retry loops that ask for a file until it opens.
//
// At a terminal (standard output one) console lines are written without
// their trailing blanks, so that none wraps into empty rows; into a pipe or
// a file they are written whole. With standard input a terminal too, the
// answers are typed with line editing (driver/line_editor.h).
#pragma once
#include <cstdint>

// The console answers: the file names and the listing question's answer
// are kept in fields of this length (256), and so is the date text.
inline constexpr std::int32_t kAnswerLen = 256;

// The versions the program's own texts show, which never change with the
// package's (CMake's LABLIX_VERSION): the banner's and --version's, and the
// label file header's.
inline constexpr char kSystemVersion[] = "Version 1.1/2013-04-28";
inline constexpr char kLabelVersion[] = "Version 1.1";

inline constexpr std::int32_t kPromptLen = 37;
inline constexpr char kPromptFemFile[] = "Give SESAM  FEM file              :  ";
inline constexpr char kPromptLabelFile[] = "Give output file for Orvex Labels :  ";
inline constexpr char kPromptListing[] = "Print Member vs Elements          ?  ";
inline constexpr char kPromptListingFile[] = "Give File Name                    :  ";
inline constexpr char kNonexistingFile[] = " Nonexisting file :";
inline constexpr char kCannotOpenFile[] = " Cannot Open file :";

// Writes the 14-line banner to the console.
void write_banner();

// Sets the 256-character ChAnswer to blanks, writes the prompt ChPrompt
// and reads the answer line into ChAnswer. Returns the answer's length
// without its trailing blanks, above kAnswerLen when ChAnswer holds only
// its start. End of console input is a fatal stop: no answer will ever
// come.
std::int64_t ask(const char* ChPrompt, char* ChAnswer);

// Opens the answer ChAnswer, nAnswer characters long as ask gave it, its
// quotes taken off (strip_quotes), on iUnit with iMode (open_run_file).
// An answer longer than its field is refused (kRefusedLongerThanField),
// never opened by the start the field holds. 0, or the refusal.
[[nodiscard]] std::int32_t open_answer(char* ChAnswer, std::int64_t nAnswer, std::int32_t iUnit,
                                       std::int32_t iMode);

// Asks with ChPrompt until the answer opens on iUnit with iMode
// (open_answer); after each
// failed open writes one console line, ChFailure followed by the whole
// 256-character answer field, and the reason on standard error
// ("cannot open the <ChRole> ..."). The answer that opened stays in
// ChAnswer.
void ask_until_open(const char* ChPrompt, char* ChAnswer, std::int32_t iUnit, std::int32_t iMode,
                    const char* ChFailure, const char* ChRole);

// Writes one console line, ChFailure followed by the whole 256-character
// ChAnswer, and the reason iError on standard error.
void write_open_failure(const char* ChFailure, const char* ChAnswer, const char* ChRole,
                        int iError);
