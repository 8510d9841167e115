// File name patterns on the command line, where the program expands them
// itself (Windows: cmd passes `lablix *.FEM` on as typed; POSIX shells
// expand patterns before the program starts).
#pragma once

// What became of the patterns.
enum PatternOutcome : int {
  kPatternsDone,           // ChOut holds the arguments to parse
  kPatternMatchesNothing,  // ChPattern matches no file: a refusal
  kPatternsTooMany,        // the names found for ChPattern do not fit the room
};

// The arguments ChArgs[0, nArgs) with every file argument that holds * or
// ? replaced by the names of the files it matches, sorted without regard
// to case, into ChOut and nOut (argv[0] first, as given). Options, -j's
// number, and the arguments of one model of a batch are left as they are.
// On a refusal ChPattern is the pattern, and ChOut is ChArgs. Where the
// system's shell expands patterns, or nothing is a pattern, ChOut is
// ChArgs. The names live for the run; not re-entrant.
PatternOutcome expand_file_patterns(int nArgs, const char* const* ChArgs, int& nOut,
                                    const char* const*& ChOut, const char*& ChPattern);
