// The one door out of a run that cannot go on: end of console input while an
// answer is awaited, a read or write failure, a FEM field that does not
// convert. Nothing else in Lablix ends the process early.
#pragma once

// Writes one line " *** FATAL: <reason>" to standard error, flushes and
// closes every open output unit (best effort: a second failure is not
// reported), and ends the process with exit status 2. Safe to call from the
// SIGBUS handler of a mapped input file: it uses no heap and no stdio.
//
// In a fuzzing build (LABLIX_FATAL_UNWINDS) it throws FatalStopUnwind
// instead, after the same message and closing, so that the fuzz target
// regains control.
[[noreturn]] void fatal_stop(const char* ChReason);

// As fatal_stop, with the reason built from up to three pieces joined
// directly (for example a fixed text, a field's text and a closing text).
// Pieces are cut so that the whole line stays within 400 characters.
[[noreturn]] void fatal_stop3(const char* ChPart1, const char* ChPart2, const char* ChPart3);

inline constexpr int kExitFatal = 2;

#if defined(LABLIX_FATAL_UNWINDS)
struct FatalStopUnwind {};
#endif
