// The one door out of a run that cannot go on: end of console input while an
// answer is awaited, a read or write failure, a FEM field that does not
// convert, and a stop signal. Nothing else in Lablix ends the process early.
// Depends on nothing but the platform layer: whatever must be put in order
// on the way out (the units' files) is registered as the cleanup.
#pragma once
#include <cstdint>

// Writes one line " *** FATAL: <reason>" to standard error after the
// registered cleanup has run (best effort: a second failure is not
// reported), and ends the process with exit status 2. When the cleanup
// dropped outputs that were not finished, the line says that they were left
// as they were. Stop signals wait
// from here on. Safe to call from a signal handler: it uses no heap and no
// stdio.
//
// In a fuzzing build (LABLIX_FATAL_UNWINDS) it throws FatalStopUnwind
// instead, after the same message and cleanup, so that the fuzz target
// regains control.
[[noreturn]] void fatal_stop(const char* ChReason);

// As fatal_stop, with the reason built from up to three pieces joined
// directly (for example a fixed text, a field's text and a closing text).
// Pieces are cut so that the reason stays within 480 characters.
[[noreturn]] void fatal_stop3(const char* ChPart1, const char* ChPart2, const char* ChPart3);

// Where in the input a failure stands: writes the place of the byte pAt
// (or, for pAt null, of the line being read) into ChPlace, at most nRoom
// characters, and returns their number; 0 when it cannot tell. The FEM
// file's place reads "T1.FEM:37: GNODE".
using InputPlace = std::int32_t (*)(const char* pAt, char* ChPlace, std::int32_t nRoom);

// Registers the one InputPlace; a second registration replaces the first.
void set_input_place(InputPlace Place);

// As fatal_stop3, for a failure at pAt in the input (null: in the line
// being read): the reason follows the place and ": " where the registered
// InputPlace tells one, otherwise it follows ChNoPlace. The place is only
// worked out here, on the way out.
[[noreturn]] void fatal_stop_at(const char* pAt, const char* ChNoPlace, const char* ChPart1,
                                const char* ChPart2, const char* ChPart3);

// The one cleanup the fatal stop runs before its message: it must be safe
// in a signal handler, and returns how many unfinished outputs it dropped.
// A second registration replaces the first.
void set_fatal_cleanup(int (*Cleanup)());

// Makes SIGINT, SIGTERM and SIGHUP end the run through this door: the line
// names the signal in the user's words ("stopped by Ctrl-C"), the cleanup runs, and the process
// then ends by that signal, so a shell sees 128 + its number (130, 143,
// 129) and a script stops as it would for any program stopped so. A write
// over the file size limit or to a closed pipe fails as a write (a fatal
// stop for a file) instead of ending the process unseen.
void stop_on_signals();

inline constexpr int kExitFatal = 2;

#if defined(LABLIX_FATAL_UNWINDS)
struct FatalStopUnwind {};
#endif
