// File name patterns on the command line, where the program expands them
// itself (Windows: cmd passes `lablix *.FEM` on as typed; POSIX shells
// expand patterns before the program starts).
#pragma once

// The arguments ChArgs[0, nArgs) with every file argument that holds * or
// ? replaced by the names of the files it matches, sorted without regard
// to case, into ChOut and nOut (argv[0] first, as given). Options, -j's
// number, and the arguments of one model of a batch are left as they are.
// Returns null, or the first pattern that matches no file; the expansion
// is then not made. Where the system's shell expands patterns, or nothing
// is a pattern, ChOut is ChArgs. The names live for the run; not
// re-entrant.
const char* expand_file_patterns(int nArgs, const char* const* ChArgs, int& nOut,
                                 const char* const*& ChOut);
