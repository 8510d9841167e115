#include "driver/command_line.h"

#include <cstring>

const char kHelpText[] =
    "usage: lablix [options] FEM [LABEL [LISTING]]\n"
    "       lablix --check FEM\n"
    "       lablix --view FEM [PAGE]\n"
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
    "  -v, --verbose  after the run, show the label file's seven counts\n"
    "  -c, --check    check the model FEM and write no file (FEM alone is given)\n"
    "      --view     write the page that shows the model FEM (FEM [PAGE] given)\n"
    "  --             end of options: what follows are file names\n"
    "\n"
    "Exit status:\n"
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
    "the line:\n"
    "  INP_2101  a GNODE internal node number above 100000\n"
    "  INP_2102  a GELMNT1 element number, a TDSCONC or SCONCEPT member number,\n"
    "            or the number of TDSCONC names above 100000\n"
    "  INP_2103  a SCONMESH mesh reference or number of relations above 100000,\n"
    "            a record length above 98, or more than 99 elements in one mesh\n"
    "Split the model, or renumber it, so that it stays within the limits.\n"
    "The manual page (man lablix) says more and gives examples.\n";

namespace {

CommandLine usage_error(CommandLine Cmd, const char* ChProblem, const char* ChWord) {
  Cmd.iAction = kActionUsageError;
  Cmd.ChProblem = ChProblem;
  Cmd.ChWord = ChWord;
  return Cmd;
}

// --view takes the FEM file and, at most, the page.
CommandLine view_of(CommandLine Cmd, int nFiles, const char* const* ChFiles) {
  if (nFiles == 0) return usage_error(Cmd, "the FEM file to view is missing", nullptr);
  if (nFiles > 2) return usage_error(Cmd, "one file name too many", ChFiles[2]);
  Cmd.iAction = kActionView;
  Cmd.ChFem = ChFiles[0];
  Cmd.ChPage = ChFiles[1];
  return Cmd;
}

// --check takes the FEM file alone.
CommandLine check_of(CommandLine Cmd, int nFiles, const char* const* ChFiles) {
  if (nFiles == 0) return usage_error(Cmd, "the FEM file to check is missing", nullptr);
  if (nFiles > 1) return usage_error(Cmd, "one file name too many", ChFiles[1]);
  Cmd.iAction = kActionCheck;
  Cmd.ChFem = ChFiles[0];
  return Cmd;
}

bool is_argument(const char* ChArg, const char* ChName) {
  return std::strcmp(ChArg, ChName) == 0;
}

}  // namespace

CommandLine parse_command_line(int nArgs, const char* const* ChArgs) {
  CommandLine Cmd{kActionDialogue, false,   false,   false,   nullptr,
                  nullptr,         nullptr, nullptr, nullptr, nullptr};
  if (nArgs <= 1) return Cmd;
  const char* ChFiles[3] = {nullptr, nullptr, nullptr};
  int nFiles = 0;
  const char* ChUnknown = nullptr;
  const char* ChExtra = nullptr;
  bool bOptionsEnded = false;
  for (int i = 1; i < nArgs; ++i) {
    const char* ChArg = ChArgs[i];
    const bool bOption = !bOptionsEnded && ChArg[0] == '-' && ChArg[1] != '\0';
    if (!bOption) {
      if (nFiles < 3) {
        ChFiles[nFiles++] = ChArg;
      } else if (ChExtra == nullptr) {
        ChExtra = ChArg;
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
    } else if (is_argument(ChArg, "--view")) {
      Cmd.bView = true;
    } else if (ChUnknown == nullptr) {
      ChUnknown = ChArg;
    }
  }
  if (Cmd.iAction == kActionHelp || Cmd.iAction == kActionVersion) return Cmd;
  if (ChUnknown != nullptr) return usage_error(Cmd, "unknown option", ChUnknown);
  if (ChExtra != nullptr) return usage_error(Cmd, "one file name too many", ChExtra);
  if (Cmd.bCheck && Cmd.bView)
    return usage_error(Cmd, "--check and --view do not go together", nullptr);
  if (Cmd.bCheck) return check_of(Cmd, nFiles, ChFiles);
  if (Cmd.bView) return view_of(Cmd, nFiles, ChFiles);
  if (nFiles == 0) return usage_error(Cmd, "the FEM file is missing", nullptr);
  Cmd.iAction = kActionFiles;
  Cmd.ChFem = ChFiles[0];
  Cmd.ChLabel = ChFiles[1];
  Cmd.ChListing = ChFiles[2];
  return Cmd;
}
