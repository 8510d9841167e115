// The command line: none for the dialogue, or the files of a run given as
// arguments, for scripts. Parsing only; the run is the driver's.
//
//   lablix                              the dialogue
//   lablix [options] FEM [LABEL [LISTING]]   (no LABEL: FEM's name, .lab)
//   lablix --check FEM                  the model check (check/model_check.h)
//   lablix --view FEM [PAGE]            the model's page (view/model_page.h;
//                                       no PAGE: FEM's name, .html)
//
// Options: -h/--help, --version, -v/--verbose, -c/--check, --view; "--" ends the options, so
// that a file name may start with "-". Options may stand before, between
// or after the file names.
#pragma once

enum CommandAction : int {
  kActionDialogue,  // no arguments at all
  kActionFiles,     // FEM (and LABEL, and LISTING) given
  kActionCheck,     // --check and FEM alone
  kActionView,      // --view, FEM (and PAGE)
  kActionHelp,
  kActionVersion,
  kActionUsageError,
};

struct CommandLine {
  CommandAction iAction;
  bool bVerbose;
  bool bCheck;
  bool bView;
  const char* ChFem;      // the arguments themselves, or null
  const char* ChLabel;    // null: named after the FEM file
  const char* ChListing;  // null: no listing
  const char* ChPage;     // --view: null: named after the FEM file
  const char* ChProblem;  // for kActionUsageError: what is wrong, in words
  const char* ChWord;     // and the argument it is about, or null
};

// Reads argv[1] to argv[nArgs - 1]. Never fails: a wrong command line is
// kActionUsageError with its reason. --help and --version win over any
// other argument.
CommandLine parse_command_line(int nArgs, const char* const* ChArgs);

// The usage lines, for --help and after a usage error.
inline constexpr char kUsage[] =
    "usage: lablix [-v] FEM [LABEL [LISTING]]\n"
    "       lablix --check FEM                (explains missing or wrong labels)\n"
    "       lablix --view FEM [PAGE]          (a page that shows the model by its names)\n"
    "       lablix                            (asks for the files)\n";

// The whole --help text, short: the usage, what the program does, the
// options, the exit statuses in brief, and where the manual page explains
// the rest.
extern const char kHelpText[];
