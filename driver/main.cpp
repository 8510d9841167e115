// Lablix: turns the names of a SESAM FEM file into a label file for the
// Orvex structural-analysis program.
//
// Two ways in. Without arguments, the interactive run: the banner, the FEM
// file and label file prompts (each until the file opens), the node, member
// and mesh readers, the label file, and the optional member-versus-elements
// listing. With the files as arguments (driver/command_line.h), the same
// run without questions, for scripts: every file is opened before anything
// is read, and a file that cannot be opened ends the run with one line on
// standard error. With --check (driver/model_check.h), the FEM file alone
// is opened as for a run, read by the same readers, and the model check's
// report goes to standard output; no file is written.
//
// Exit status: 0 when the label file is complete and any listing asked for
// was written (a check: no findings); 1 when a check has findings, or when a reader's input error
// ended the run (the label file holds its report) or, in the dialogue, the listing file could not
// be opened; 2 for a fatal stop (end of console input, a read or write failure, a field that does
// not convert); 3 when a file named on the command line could not be opened; 64 for wrong
// arguments; 128 + n when stopped by signal n.
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "driver/command_line.h"
#include "driver/dialogue.h"
#include "driver/label_header.h"
#include "driver/label_writer.h"
#include "driver/member_listing.h"
#include "driver/model_check.h"
#include "driver/run_file_open.h"
#include "fem/fem_scan.h"
#include "fem/member_reader.h"
#include "fem/mesh_reader.h"
#include "fem/name_tables.h"
#include "fem/node_reader.h"
#include "support/date_helpers.h"
#include "support/fatal_stop.h"
#include "support/file_open.h"
#include "support/file_units.h"
#include "support/platform.h"
#include "support/text_helpers.h"

namespace {

constexpr std::int32_t kUnitListing = 17;
constexpr std::int32_t kUnitLabel = 20;
constexpr std::int32_t kUnitFem = 21;
constexpr std::int32_t kModeExisting = 1;
constexpr std::int32_t kModeCreate = 0;

constexpr int kExitDone = 0;
constexpr int kExitInputError = 1;
constexpr int kExitFileRefused = 3;
constexpr int kExitUsage = 64;

// static: the answer fields (or the arguments, padded as answers) and the
// date text live for the whole run.
char ChFemName[kAnswerLen];
char ChLabelName[kAnswerLen];
char ChListingAnswer[kAnswerLen];
char ChListingName[kAnswerLen];
char ChDate[kAnswerLen];

int end_run(int iExit) {
  close_unit(kUnitLabel);
  close_unit(kUnitListing);
  flush_unit(kUnitConsoleOut);
  return iExit;
}

// One line on standard error, for a script or a user who does not look in
// the files: Pieces joined, then a line feed.
// Written as bytes, never translated: a line ends in a line feed alone on
// every system, as the fatal stop's line does.
void tell(const char* ChPart1, const char* ChPart2 = "", const char* ChPart3 = "",
          const char* ChPart4 = "", const char* ChPart5 = "") {
  char ChLine[3 * kAnswerLen];
  std::size_t n = 0;
  for (const char* ChPart : {"lablix: ", ChPart1, ChPart2, ChPart3, ChPart4, ChPart5, "\n"}) {
    const std::size_t nPart = std::min(std::strlen(ChPart), sizeof ChLine - 1 - n);
    std::memcpy(ChLine + n, ChPart, nPart);
    n += nPart;
  }
  write_to_stderr(ChLine, static_cast<std::int64_t>(n));
}

void put_out(const char* ChText) {
  write_standard_output(ChText, static_cast<std::int64_t>(std::strlen(ChText)));
}

// The three readers fill the tables; false when one of them wrote its
// input-error report into the label file instead.
bool read_model(NameTables& Tables, FemFile& Fem) {
  std::int32_t iStatus = 0;
  read_node_names(Tables.nNodes, Tables.iNodeExt, MxNode, Tables.ChNodeName, Tables.nNodeNames, Fem,
                  kUnitLabel, iStatus);
  if (iStatus != 0) return false;
  read_member_names(Tables.nElems, Tables.iElemExt, MxMemb, Tables.ChMembName, Tables.nNames,
                    Tables.MaxMembRef, Tables.iMembDef, MxMembDef, Fem, kUnitLabel, iStatus);
  if (iStatus != 0) return false;
  read_mesh_relations(Tables.nMesh, MxMesh, MxMeshLen, Tables.iMeshList, Tables.MaxMeshRef, Fem,
                      kUnitLabel, iStatus);
  return iStatus == 0;
}

// Reads the model and writes the label file, which is in place, whole,
// when this returns true (a user who then stops the run keeps it). On an
// input error, says so on standard error and returns false.
bool convert(NameTables& Tables, FemFile& Fem) {
  prefer_huge_pages(Tables, fem_file_bytes(Fem));
  if (!read_model(Tables, Fem)) {
    char ChName[kAnswerLen + 1];
    const std::int32_t n = trimmed_length(ChLabelName, kAnswerLen);
    std::memcpy(ChName, ChLabelName, static_cast<std::size_t>(n > 0 ? n : 0));
    ChName[n > 0 ? n : 0] = '\0';
    tell("the label file \"", ChName, "\" holds an input-error report instead of labels");
    return false;
  }
  write_label_file(Tables, ChDate, ChFemName, kUnitLabel);
  // A full disk is found here at the latest, before anything more is done.
  finish_unit(kUnitLabel);
  return true;
}

int run_dialogue(NameTables& Tables, FemFile& Fem) {
  write_banner();
  ask_until_open(kPromptFemFile, ChFemName, kUnitFem, kModeExisting, kNonexistingFile);
  ask_until_open(kPromptLabelFile, ChLabelName, kUnitLabel, kModeCreate, kCannotOpenFile);
  if (!convert(Tables, Fem)) return end_run(kExitInputError);

  ask(kPromptListing, ChListingAnswer);
  fill_blanks(ChListingName, kAnswerLen);
  if (ChListingAnswer[0] != 'y' && ChListingAnswer[0] != 'Y') return end_run(kExitDone);
  ask(kPromptListingFile, ChListingName);
  if (open_run_file(ChListingName, kUnitListing, kModeCreate) != 0) {
    write_open_failure(kCannotOpenFile, ChListingName);
    return end_run(kExitInputError);
  }
  write_member_listing(Tables, ChDate, ChFemName, kUnitListing);
  return end_run(kExitDone);
}

// Opens the argument ChArg, as an answer would be, on iUnit; on a refusal
// says which file and why, in words.
bool open_argument(const char* ChArg, char* ChField, const char* ChRole, std::int32_t iUnit,
                   std::int32_t iMode) {
  const std::size_t nArg = std::strlen(ChArg);
  if (nArg > static_cast<std::size_t>(kAnswerLen)) {
    tell("cannot open the ", ChRole, ChArg, "\": the name is longer than 256 characters");
    return false;
  }
  copy_padded(ChField, kAnswerLen, ChArg, static_cast<std::int32_t>(nArg));
  const std::int32_t iRefusal = open_run_file(ChField, iUnit, iMode);
  if (iRefusal == 0) return true;
  tell("cannot open the ", ChRole, ChArg, "\": ", run_file_refusal_words(iRefusal));
  return false;
}

int run_files(const CommandLine& Cmd, NameTables& Tables, FemFile& Fem) {
  // Every file is opened before anything is read or written: a refused one
  // ends the run with no file created or changed.
  const bool bOpen =
      open_argument(Cmd.ChFem, ChFemName, "FEM file \"", kUnitFem, kModeExisting) &&
      open_argument(Cmd.ChLabel, ChLabelName, "label file \"", kUnitLabel, kModeCreate) &&
      (Cmd.ChListing == nullptr ||
       open_argument(Cmd.ChListing, ChListingName, "listing file \"", kUnitListing, kModeCreate));
  if (!bOpen) {
    discard_unit(kUnitLabel);
    discard_unit(kUnitListing);
    return kExitFileRefused;
  }
  if (!convert(Tables, Fem)) {
    discard_unit(kUnitListing);
    return end_run(kExitInputError);
  }
  if (Cmd.ChListing != nullptr) write_member_listing(Tables, ChDate, ChFemName, kUnitListing);
  if (Cmd.bVerbose) write_run_summary(kUnitConsoleOut, Tables);
  return end_run(kExitDone);
}

// The model check: the FEM file opened as for a run, the readers' reports
// into a nameless scratch file that goes with the run, the report on
// standard output.
int run_check(const CommandLine& Cmd, NameTables& Tables, FemFile& Fem) {
  if (!open_argument(Cmd.ChFem, ChFemName, "FEM file \"", kUnitFem, kModeExisting)) {
    return kExitFileRefused;
  }
  if (connect_unit(kUnitLabel, "", 0, kStatusScratch, false) != 0) {
    fatal_stop("no scratch file can be had for the readers' reports");
  }
  prefer_huge_pages(Tables, fem_file_bytes(Fem));
  const int iExit = check_model(Tables, Fem, kUnitLabel, Cmd.ChFem,
                                static_cast<std::int32_t>(std::strlen(Cmd.ChFem)));
  discard_unit(kUnitLabel);
  flush_unit(kUnitConsoleOut);
  return iExit;
}

}  // namespace

int main(int nArgs, char** ChArgs) {
  const CommandLine Cmd = parse_command_line(nArgs, ChArgs);
  if (Cmd.iAction == kActionHelp) return put_out(kHelpText), kExitDone;
  if (Cmd.iAction == kActionVersion) {
    return put_out("lablix " LABLIX_VERSION " (Version 1.1/2013-04-28)\n"), kExitDone;
  }
  if (Cmd.iAction == kActionUsageError) {
    tell(Cmd.ChProblem, Cmd.ChWord ? ": " : "", Cmd.ChWord ? Cmd.ChWord : "");
    write_to_stderr(kUsage, sizeof kUsage - 1);
    constexpr char kMore[] = "Try 'lablix --help' for more.\n";
    write_to_stderr(kMore, sizeof kMore - 1);
    return kExitUsage;
  }

  // Ctrl-C, a closed terminal or a request to end takes the fatal door: the
  // files written so far are put in place whole. A closed console or the
  // file size limit shows as a failed write (a fatal stop), not a signal.
  stop_on_signals();
  // Start-up: the date text is taken once, so the label file and the listing
  // show the same time however long the user waits at the prompts.
  fill_blanks(ChDate, kAnswerLen);
  date_stamp(6, ChDate, 80);
  fill_blanks(ChFemName, kAnswerLen);
  fill_blanks(ChLabelName, kAnswerLen);
  fill_blanks(ChListingName, kAnswerLen);
  // The tables arrive zeroed from the system: iNodeExt and iMeshList are
  // cleared without touching a page.
  NameTables Tables;
  if (!create_name_tables(Tables)) fatal_stop("the name tables (79 million bytes) cannot be had");
  FemFile Fem = fem_file_on(kUnitFem, create_header_index(), kHeaderIndexMx);

  int iExit = 0;
  if (Cmd.iAction == kActionFiles) {
    iExit = run_files(Cmd, Tables, Fem);
  } else if (Cmd.iAction == kActionCheck) {
    iExit = run_check(Cmd, Tables, Fem);
  } else {
    iExit = run_dialogue(Tables, Fem);
  }
  // Started by a double click, the window stays until its last line is read.
  pause_if_console_is_own();
  return iExit;
}
