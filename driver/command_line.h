// The command line: none for the dialogue, or the files of a run given as
// arguments, for scripts. Parsing only; the run is the driver's.
//
//   lablix                              the dialogue
//   lablix [options] FEM [LABEL [LISTING]]   (no LABEL: FEM's name, .lab)
//   lablix [options] FEM FEM ...        a batch: each FEM as `lablix FEM`
//   lablix --check FEM ...              the model check (check/model_check.h)
//   lablix --view FEM [PAGE]            the model's page (view/model_page.h;
//   lablix --view FEM FEM ...           no PAGE: FEM's name, .html)
//
// Two or more names of which the second names a model (a file that holds
// SESAM records, which is never an output) make a batch: every name is a
// FEM file. Whether the second name is a model is the driver's to find out
// (settle_batch below); the parse only counts the names.
//
// Options: -h/--help, --version, -v/--verbose, -c/--check, --view,
// -l/--listing, -j [N]; "--" ends the options, so that a file name may start with "-".
// Options may stand before, between or after the file names.
#pragma once
#include <cstdint>

enum CommandAction : int {
  kActionDialogue,  // no arguments at all
  kActionFiles,     // FEM (and LABEL, and LISTING) given
  kActionCheck,     // --check and FEM alone
  kActionView,      // --view, FEM (and PAGE)
  kActionHelp,
  kActionVersion,
  kActionUsageError,
};

// The most models converted at a time (-j): what one wait of the system
// can watch on every system.
inline constexpr std::int32_t MxJobs = 64;

struct CommandLine {
  CommandAction iAction;
  bool bVerbose;
  bool bCheck;
  bool bView;
  bool bListing;          // -l: the listing too, named after the FEM file (.lst)
  bool bBatch;            // every file name is a FEM file (settle_batch)
  bool bBatchModel;       // one model of a batch, run by the batch itself
  std::int32_t nJobs;     // -j N: N; -j alone: 0 (as many as processors); none: 1
  std::int32_t nFiles;    // how many file names, all of them
  const char* ChFem;      // the arguments themselves, or null
  const char* ChLabel;    // null: named after the FEM file
  const char* ChListing;  // null: no listing, or with -l named after the FEM file
  const char* ChPage;     // --view: null: named after the FEM file
  const char* ChExtra;    // the fourth file name, or null
  const char* ChProblem;  // for kActionUsageError: what is wrong, in words
  const char* ChWord;     // and the argument it is about, or null
  int nArgs;              // argv as given, for walking the file names
  const char* const* ChArgs;
};

// Reads argv[1] to argv[nArgs - 1]. Never fails: a wrong command line is
// kActionUsageError with its reason. --help and --version win over any
// other argument. More file names than a run takes are counted here and
// judged by settle_batch.
CommandLine parse_command_line(int nArgs, const char* const* ChArgs);

// The command line once the driver knows whether the second file name
// names a model: a batch (bBatch set, every name a FEM file), or the names'
// single-run meaning, where a name too many is a usage error (as is a
// second name for --check, a third for --view). Cmd as parsed; anything
// but files, a check or a view is returned as it is.
CommandLine settle_batch(CommandLine Cmd, bool bSecondIsModel);

// Walks the file names of a command line in their order, options and -j's
// number left out. Start with a FileCursor{}; each call gives the next
// name, or null after the last.
struct FileCursor {
  int iArg = 0;
  bool bOptionsEnded = false;
};
const char* next_file_name(const CommandLine& Cmd, FileCursor& Cursor);

// The hidden option that makes a run one model of a batch (as the batch
// starts it): its --verbose summary is one line that names the model.
inline constexpr char kBatchModelOption[] = "--batch-model";

// The usage lines, for --help and after a usage error.
inline constexpr char kUsage[] =
    "usage: lablix [-v] [-l] FEM [LABEL [LISTING]]\n"
    "       lablix [-v] [-l] [-j [N]] FEM FEM ...     (each FEM beside itself)\n"
    "       lablix --check FEM ...            (explains missing or wrong labels)\n"
    "       lablix --view FEM [PAGE]          (a page that shows the model by its names)\n"
    "       lablix --view FEM FEM ...         (each page beside its FEM)\n"
    "       lablix                            (asks for the files)\n";

// The whole --help text, short: the usage, what the program does, the
// options, the exit statuses in brief, and where the manual page explains
// the rest.
extern const char kHelpText[];
// What --help writes after its list of the limits a FEM file may break.
extern const char kHelpClosing[];
