#include "driver/command_line.h"

#include <cstring>

const char kHelpText[] =
    "usage: lablix [options] FEM [LABEL [LISTING]]\n"
    "       lablix [options] FEM FEM ...\n"
    "       lablix --check FEM ...\n"
    "       lablix --view FEM [PAGE]\n"
    "       lablix --view FEM FEM ...\n"
    "       lablix\n"
    "\n"
    "Reads the node and member names of the SESAM FEM file FEM and writes the\n"
    "Orvex label file LABEL, and the member-versus-elements listing LISTING when\n"
    "it is given. Without LABEL the label file is FEM's name with .lab in place\n"
    "of its extension (T1.FEM gives T1.lab). A name in quotes (\"C:\\m\\T1.FEM\" as\n"
    "Windows copies a path) is taken without them. Without arguments Lablix asks\n"
    "for the files in its dialogue. Nothing is written to standard output when a\n"
    "run succeeds.\n"
    "\n"
    "Several models: when the second name is a FEM file too (it holds SESAM\n"
    "records), every name is a FEM file, and each is converted as lablix FEM\n"
    "alone converts it, in the order given: lablix *.FEM. A model that fails\n"
    "ends with one line naming it; the others are converted.\n"
    "\n"
    "With --check, Lablix reads FEM as a run does, writes no file, and lists\n"
    "every place where the label file will not say what the model meant.\n"
    "\n"
    "With --view, Lablix reads FEM as a run does and writes PAGE, one HTML file\n"
    "that any browser opens offline: the model drawn in 3D, each element in the\n"
    "colour of the member whose name its label carries, the member list, the\n"
    "check's findings and the counts. Without PAGE it is FEM's name with .html.\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help and exit\n"
    "      --version  show the version and exit\n"
    "  -v, --verbose  after the run, show the label file's seven counts (several\n"
    "                 models: one line per model, its name and the counts)\n"
    "  -l, --listing  write the listing too, beside the FEM file (T1.lst)\n"
    "  -c, --check    check the model FEM and write no file\n"
    "      --view     write the page that shows the model FEM (FEM [PAGE] given)\n"
    "  -j N           several models: convert N at a time (-j alone: as many as\n"
    "                 there are processors; 1 without -j)\n"
    "  --             end of options: what follows are file names\n"
    "\n"
    "Exit status (several models: the highest of theirs):\n"
    "  0      the label file (and the listing) written; --check: no findings;\n"
    "         --view: the page written\n"
    "  1      the FEM file breaks a limit: the label file holds the input-error\n"
    "         report; in the dialogue also: the listing file could not be opened;\n"
    "         --check: findings (a broken limit is one); --view: the page shows\n"
    "         the input-error report and no model\n"
    "  2      fatal stop: end of console input, a read or write failure, a FEM\n"
    "         file too large for the memory, a field that does not convert\n"
    "  3      a file named on the command line could not be opened or is another\n"
    "         file of the run; no file was written\n"
    "  64     wrong arguments\n"
    "  128+n  stopped by signal n: 129 SIGHUP, 130 Ctrl-C (SIGINT), 143 SIGTERM\n"
    "\n"
    "When the FEM file breaks one of Lablix's limits, the label file holds the\n"
    "report of the reader that found it, and standard error names the limit and\n"
    "the line:\n";

// After the limits, which come from the tables' own (input_limit_words).
const char kHelpClosing[] =
    "Split the model, or renumber it, so that it stays within the limits.\n"
    "The manual page (man lablix) says more and gives examples.\n";

namespace {

CommandLine usage_error(CommandLine Cmd, const char* ChProblem, const char* ChWord) {
  Cmd.iAction = kActionUsageError;
  Cmd.ChProblem = ChProblem;
  Cmd.ChWord = ChWord;
  return Cmd;
}

bool is_argument(const char* ChArg, const char* ChName) {
  return std::strcmp(ChArg, ChName) == 0;
}

// A -j count: digits alone, 1 to MxJobs (more is taken as MxJobs, so
// that no count overflows); 0 for "0", -1 for anything but digits.
std::int32_t job_count(const char* ChText) {
  if (*ChText == '\0') return -1;
  std::int32_t n = 0;
  for (const char* p = ChText; *p != '\0'; ++p) {
    if (*p < '0' || *p > '9') return -1;
    if (n <= MxJobs) n = 10 * n + (*p - '0');
  }
  return n > MxJobs ? MxJobs : n;
}

// Whether argument iArg is -j's number: "-j" stands just before it, as an
// option, and it is all digits.
bool is_job_count(int iArg, const char* const* ChArgs, bool bOptionsEnded) {
  return !bOptionsEnded && iArg > 1 && is_argument(ChArgs[iArg - 1], "-j") &&
         job_count(ChArgs[iArg]) >= 0;
}

bool is_option(const char* ChArg, bool bOptionsEnded) {
  return !bOptionsEnded && ChArg[0] == '-' && ChArg[1] != '\0';
}

}  // namespace

const char* next_file_name(const CommandLine& Cmd, FileCursor& Cursor) {
  while (++Cursor.iArg < Cmd.nArgs) {
    const char* ChArg = Cmd.ChArgs[Cursor.iArg];
    if (is_option(ChArg, Cursor.bOptionsEnded)) {
      if (is_argument(ChArg, "--")) Cursor.bOptionsEnded = true;
      continue;
    }
    if (is_job_count(Cursor.iArg, Cmd.ChArgs, Cursor.bOptionsEnded)) continue;
    return ChArg;
  }
  return nullptr;
}

CommandLine parse_command_line(int nArgs, const char* const* ChArgs) {
  CommandLine Cmd{kActionDialogue, false,   false,   false,   false,   false,
                  false,           1,       0,       nullptr, nullptr, nullptr,
                  nullptr,         nullptr, nullptr, nullptr, nArgs,   ChArgs};
  if (nArgs <= 1) return Cmd;
  const char* ChFiles[4] = {nullptr, nullptr, nullptr, nullptr};
  const char* ChUnknown = nullptr;
  const char* ChBadCount = nullptr;
  bool bOptionsEnded = false;
  for (int i = 1; i < nArgs; ++i) {
    const char* ChArg = ChArgs[i];
    if (!is_option(ChArg, bOptionsEnded)) {
      if (is_job_count(i, ChArgs, bOptionsEnded)) {
        Cmd.nJobs = job_count(ChArg);
        if (Cmd.nJobs == 0 && ChBadCount == nullptr) ChBadCount = ChArg;
      } else if (Cmd.nFiles < 4) {
        ChFiles[Cmd.nFiles++] = ChArg;
      } else {
        ++Cmd.nFiles;
      }
    } else if (is_argument(ChArg, "--")) {
      bOptionsEnded = true;
    } else if (is_argument(ChArg, "-h") || is_argument(ChArg, "--help")) {
      Cmd.iAction = kActionHelp;
    } else if (is_argument(ChArg, "--version")) {
      if (Cmd.iAction != kActionHelp) Cmd.iAction = kActionVersion;
    } else if (is_argument(ChArg, "-v") || is_argument(ChArg, "--verbose")) {
      Cmd.bVerbose = true;
    } else if (is_argument(ChArg, "-c") || is_argument(ChArg, "--check")) {
      Cmd.bCheck = true;
    } else if (is_argument(ChArg, "-l") || is_argument(ChArg, "--listing")) {
      Cmd.bListing = true;
    } else if (is_argument(ChArg, kBatchModelOption)) {
      Cmd.bBatchModel = true;
    } else if (is_argument(ChArg, "-j")) {
      // Alone, or before a word that is no number: as many as processors.
      Cmd.nJobs = 0;
    } else if (ChArg[1] == 'j' && ChArg[2] != '\0') {
      Cmd.nJobs = job_count(ChArg + 2);
      if (Cmd.nJobs <= 0 && ChBadCount == nullptr) ChBadCount = ChArg;
    } else if (is_argument(ChArg, "--view")) {
      Cmd.bView = true;
    } else if (ChUnknown == nullptr) {
      ChUnknown = ChArg;
    }
  }
  if (Cmd.iAction == kActionHelp || Cmd.iAction == kActionVersion) return Cmd;
  if (ChUnknown != nullptr) return usage_error(Cmd, "unknown option", ChUnknown);
  if (ChBadCount != nullptr) {
    return usage_error(Cmd, "-j takes a number of models from 1", ChBadCount);
  }
  if (Cmd.bCheck && Cmd.bView) {
    return usage_error(Cmd, "--check and --view do not go together", nullptr);
  }
  Cmd.ChFem = ChFiles[0];
  Cmd.ChLabel = ChFiles[1];
  Cmd.ChListing = ChFiles[2];
  Cmd.ChExtra = ChFiles[3];
  if (Cmd.bCheck) {
    if (Cmd.nFiles == 0) return usage_error(Cmd, "the FEM file to check is missing", nullptr);
    Cmd.iAction = kActionCheck;
    return Cmd;
  }
  if (Cmd.bView) {
    if (Cmd.nFiles == 0) return usage_error(Cmd, "the FEM file to view is missing", nullptr);
    Cmd.iAction = kActionView;
    Cmd.ChPage = ChFiles[1];
    return Cmd;
  }
  if (Cmd.nFiles == 0) return usage_error(Cmd, "the FEM file is missing", nullptr);
  Cmd.iAction = kActionFiles;
  return Cmd;
}

CommandLine settle_batch(CommandLine Cmd, bool bSecondIsModel) {
  if (Cmd.iAction != kActionFiles && Cmd.iAction != kActionCheck && Cmd.iAction != kActionView) {
    return Cmd;
  }
  // One model of a batch is one name, whatever it holds.
  if (Cmd.bBatchModel && Cmd.nFiles > 1)
    return usage_error(Cmd, "one file name too many", Cmd.ChLabel);
  if (Cmd.nFiles >= 2 && bSecondIsModel && !Cmd.bBatchModel) {
    Cmd.bBatch = true;
    return Cmd;
  }
  if (Cmd.iAction == kActionCheck && Cmd.nFiles > 1) {
    return usage_error(Cmd, "one file name too many", Cmd.ChLabel);
  }
  if (Cmd.iAction == kActionView && Cmd.nFiles > 2) {
    return usage_error(Cmd, "one file name too many", Cmd.ChListing);
  }
  if (Cmd.nFiles > 3) return usage_error(Cmd, "one file name too many", Cmd.ChExtra);
  return Cmd;
}
