// Lablix: turns the names of a SESAM FEM file into a label file for the
// Orvex structural-analysis program.
//
// Two ways in. Without arguments, the interactive run: the banner, the FEM
// file and label file prompts (each until the file opens), the node, member
// and mesh readers, the label file, and the optional member-versus-elements
// listing. With the files as arguments (driver/command_line.h), the same
// run without questions, for scripts: every file is opened before anything
// is read, and a file that cannot be opened ends the run with one line on
// standard error. With --check (check/model_check.h), the FEM file alone
// is opened as for a run, read by the same readers, and the model check's
// report goes to standard output; no file is written. With --view
// (view/model_page.h), the FEM file is opened as for a run and the page that
// shows the model is written, whole or not at all. With several models
// (driver/batch_run.h), each model is run by the program started again on
// it alone, as one of these runs.
//
// Exit status (several models: the highest of theirs): 0 when the label file is complete and any
// listing asked for was written (a check: no findings; a view: the page written); 1 when a check
// has findings, or when a reader's input error ended the run (the label file holds its report; a
// view's page shows it) or, in the dialogue, the listing file could not be opened; 2 for a fatal
// stop (end of console input, a read or write failure, a field that does
// not convert); 3 when a file named on the command line could not be
// opened; 64 for wrong arguments; 128 + n when stopped by signal n.
#include <cstdint>
#include <cstring>

#include "check/model_check.h"
#include "driver/batch_run.h"
#include "driver/command_line.h"
#include "driver/conversion.h"
#include "driver/dialogue.h"
#include "driver/file_answers.h"
#include "driver/file_patterns.h"
#include "driver/label_header.h"
#include "driver/label_writer.h"
#include "driver/member_listing.h"
#include "driver/model_reading.h"
#include "driver/run_file_open.h"
#include "driver/run_messages.h"
#include "driver/run_units.h"
#include "fem/fem_place.h"
#include "fem/fem_scan.h"
#include "fem/input_errors.h"
#include "fem/model_geometry.h"
#include "fem/name_tables.h"
#include "files/file_units.h"
#include "platform/platform.h"
#include "support/date_helpers.h"
#include "support/fatal_stop.h"
#include "support/text_helpers.h"
#include "view/model_page.h"

namespace {

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
char ChPageName[kAnswerLen];
char ChDate[kAnswerLen];

int end_run(int iExit) {
  close_unit(kUnitLabel);
  close_unit(kUnitListing);
  flush_unit(kUnitConsoleOut);
  return iExit;
}

void write_to_stdout(const char* ChText) {
  write_standard_output(ChText, static_cast<std::int64_t>(std::strlen(ChText)));
}

// --help: the usage, then each limit a FEM file may break with its report's
// name, in the words standard error gives it, then the closing lines.
void write_help() {
  write_to_stdout(kHelpText);
  for (std::int32_t i = kLimitNodeNumber; i <= kLimitMeshElements; ++i) {
    const auto iLimit = static_cast<InputLimit>(i);
    write_to_stdout("  ");
    write_to_stdout(input_report_name(iLimit));
    write_to_stdout("  ");
    write_to_stdout(input_limit_words(iLimit));
    write_to_stdout("\n");
  }
  write_to_stdout(kHelpClosing);
}

// The FEM file as the readers see it, for the place of a failure; the
// scanner's own, connected at start-up.
FemFile* pFem = nullptr;

// The place in the FEM file of a failure at pAt, or in the line the pass
// under way read last (pAt null or not in the file): "T1.FEM:37: GNODE".
std::int32_t fem_failure_place(const char* pAt, char* ChPlace, std::int32_t nRoom) {
  // A field broken by another program writing the file is no fault of the
  // model: that is said instead.
  stop_if_input_changed(kUnitFem);
  const char* pData = nullptr;
  std::int64_t nData = 0;
  if (!unit_contents(kUnitFem, pData, nData) || nData == 0) return 0;
  const auto uStart = reinterpret_cast<std::uintptr_t>(pData);
  auto offset_of = [uStart, nData](const char* p) -> std::int64_t {
    const auto u = reinterpret_cast<std::uintptr_t>(p);
    if (p == nullptr || u < uStart || u - uStart >= static_cast<std::uintptr_t>(nData)) return -1;
    return static_cast<std::int64_t>(u - uStart);
  };
  std::int64_t iOffset = offset_of(pAt);
  if (iOffset < 0 && pFem != nullptr) iOffset = offset_of(pFem->pLine);
  if (iOffset < 0) return 0;
  return describe_fem_place(ChFemName, trimmed_length(ChFemName, kAnswerLen), pData, nData, iOffset,
                            ChPlace, nRoom);
}

// The run's files and question, for the conversion; ask_listing as the
// way in asks (or does not ask) for the listing.
Conversion conversion_of(ListingOutcome (*ask_listing)()) {
  return Conversion{ChFemName, ChLabelName, ChDate, ask_listing, true};
}

// A dialogue that ends with its label file written says what it wrote,
// where a person reads standard error.
int end_dialogue(int iExit, const LabelCounts& Counts, bool bListing) {
  flush_unit(kUnitConsoleOut);
  if (is_terminal(kStandardError))
    say_written(ChLabelName, Counts, bListing ? ChListingName : nullptr);
  return end_run(iExit);
}

// The dialogue's question for the listing, once the label file is in
// place: asked until answered; a file that does not open is said and not
// asked again.
ListingOutcome ask_for_listing() {
  ask(kPromptListing, ChListingAnswer);
  fill_blanks(ChListingName, kAnswerLen);
  fill_blanks(ChPageName, kAnswerLen);
  if (ChListingAnswer[0] != 'y' && ChListingAnswer[0] != 'Y') return kListingNotAsked;
  const std::int64_t nAnswer = ask(kPromptListingFile, ChListingName);
  const std::int32_t iRefusal = open_answer(ChListingName, nAnswer, kUnitListing, kModeCreate);
  if (iRefusal != 0) {
    write_open_failure(kCannotOpenFile, ChListingName, "listing file", iRefusal);
    return kListingRefused;
  }
  return kListingOpen;
}

int run_dialogue(NameTables& Tables) {
  write_banner();
  ask_until_open(kPromptFemFile, ChFemName, kUnitFem, kModeExisting, kNonexistingFile, "FEM file");
  ask_until_open(kPromptLabelFile, ChLabelName, kUnitLabel, kModeCreate, kCannotOpenFile,
                 "label file");
  const ConversionResult Result = convert_model(Tables, *pFem, conversion_of(ask_for_listing));
  if (Result.iFailedReader != kNoneFailed) return end_run(kExitInputError);
  if (Result.iListing == kListingOpen) close_unit(kUnitListing);
  return end_dialogue(Result.iListing == kListingRefused ? kExitInputError : kExitDone,
                      Result.Counts, Result.iListing == kListingOpen);
}

// True when the argument ChArg of nArg characters ends in a blank, or in a
// blank and then its closing quote: the answer field drops trailing blanks,
// so it would name another file.
bool ends_in_blank(const char* ChArg, std::size_t nArg) {
  if (nArg > 0 && ChArg[nArg - 1] == ' ') return true;
  const bool bQuoted = nArg >= 2 && (ChArg[nArg - 1] == '"' || ChArg[nArg - 1] == '\'') &&
                       ChArg[0] == ChArg[nArg - 1];
  return bQuoted && ChArg[nArg - 2] == ' ';
}

// Opens the argument ChArg, as an answer would be (its quotes taken off),
// on iUnit; on a refusal says which file and why, in words.
bool open_argument(const char* ChArg, char* ChField, const char* ChRole, std::int32_t iUnit,
                   std::int32_t iMode) {
  const std::size_t nArg = std::strlen(ChArg);
  if (nArg > static_cast<std::size_t>(kAnswerLen)) {
    say("cannot open the ", ChRole, " \"", ChArg, "\": the name is longer than 256 characters");
    return false;
  }
  if (ends_in_blank(ChArg, nArg)) {
    say("cannot open the ", ChRole, " \"", ChArg,
        "\": the name ends in a blank, which Lablix drops from names");
    return false;
  }
  copy_padded(ChField, kAnswerLen, ChArg, static_cast<std::int32_t>(nArg));
  strip_quotes(ChField, kAnswerLen);
  const std::int32_t iRefusal = open_run_file(ChField, iUnit, iMode);
  if (iRefusal == 0) return true;
  say_open_refused(ChRole, ChField, iRefusal);
  return false;
}

// The label file named after the FEM file opened in ChFemName, for a
// command line that names no label file; opened as an argument would be.
bool open_label_beside_fem() {
  char ChName[kAnswerLen + 8];
  const std::int32_t n = label_name_beside(ChFemName, trimmed_length(ChFemName, kAnswerLen), ChName,
                                           static_cast<std::int32_t>(sizeof ChName) - 1);
  if (n < 0) {
    say("cannot name the label file after the FEM file: the name would be longer than 256 "
        "characters");
    return false;
  }
  return open_argument(ChName, ChLabelName, "label file", kUnitLabel, kModeCreate);
}

// The listing named after the FEM file, for -l without a listing's name.
bool open_listing_beside_fem() {
  char ChName[kAnswerLen + 8];
  const std::int32_t n = listing_name_beside(ChFemName, trimmed_length(ChFemName, kAnswerLen),
                                             ChName, static_cast<std::int32_t>(sizeof ChName) - 1);
  if (n < 0) {
    say("cannot name the listing after the FEM file: the name would be longer than 256 "
        "characters");
    return false;
  }
  return open_argument(ChName, ChListingName, "listing file", kUnitListing, kModeCreate);
}

// The page named after the FEM file, for a --view that names none.
bool open_page_beside_fem() {
  char ChName[kAnswerLen + 8];
  const std::int32_t n = page_name_beside(ChFemName, trimmed_length(ChFemName, kAnswerLen), ChName,
                                          static_cast<std::int32_t>(sizeof ChName) - 1);
  if (n < 0) {
    say("cannot name the page after the FEM file: the name would be longer than 256 characters");
    return false;
  }
  return open_argument(ChName, ChPageName, "page", kUnitPage, kModeCreate);
}

ListingOutcome listing_opened() {
  return kListingOpen;
}

ListingOutcome no_listing() {
  return kListingNotAsked;
}

int run_files(const CommandLine& Cmd, NameTables& Tables) {
  // Every file is opened before anything is read or written: a refused one
  // ends the run with no file created or changed.
  const bool bOpen =
      open_argument(Cmd.ChFem, ChFemName, "FEM file", kUnitFem, kModeExisting) &&
      (Cmd.ChLabel == nullptr
           ? open_label_beside_fem()
           : open_argument(Cmd.ChLabel, ChLabelName, "label file", kUnitLabel, kModeCreate)) &&
      (Cmd.ChListing != nullptr
           ? open_argument(Cmd.ChListing, ChListingName, "listing file", kUnitListing, kModeCreate)
           : !Cmd.bListing || open_listing_beside_fem());
  if (!bOpen) {
    discard_unit(kUnitLabel);
    discard_unit(kUnitListing);
    return kExitFileRefused;
  }
  // The listing named on the command line, or after the FEM file, is open
  // already.
  const bool bListing = Cmd.ChListing != nullptr || Cmd.bListing;
  const ConversionResult Result =
      convert_model(Tables, *pFem, conversion_of(bListing ? listing_opened : no_listing));
  if (Result.iFailedReader != kNoneFailed) {
    discard_unit(kUnitListing);
    return end_run(kExitInputError);
  }
  // For other programs: their line ends; one line per model of several.
  if (Cmd.bVerbose && Cmd.bBatchModel) {
    write_run_summary_line(kUnitConsoleOut, ChFemName, trimmed_length(ChFemName, kAnswerLen),
                           Tables, kSystemLineEnd);
  } else if (Cmd.bVerbose) {
    write_run_summary_text(kUnitConsoleOut, Tables, kSystemLineEnd);
  }
  return end_run(kExitDone);
}

// The unit the readers write their reports to, where no label file is
// written (the check, the page): a nameless scratch file that goes with
// the run. A run that cannot have one stops, saying why.
void connect_report_scratch() {
  set_unit_role(kUnitLabel, "scratch file for the readers' reports");
  const std::int32_t iScratch = connect_unit(kUnitLabel, "", 0, kStatusScratch, false);
  if (iScratch != 0) {
    fatal_stop3("no scratch file can be had for the readers' reports (in TMPDIR, memory or /tmp): ",
                refusal_words(iScratch), nullptr);
  }
}

// The model check: the FEM file opened as for a run, the readers' reports
// into a nameless scratch file that goes with the run, the report on
// standard output.
int run_check(const CommandLine& Cmd, NameTables& Tables) {
  if (!open_argument(Cmd.ChFem, ChFemName, "FEM file", kUnitFem, kModeExisting)) {
    return kExitFileRefused;
  }
  connect_report_scratch();
  prefer_huge_pages(Tables, fem_file_bytes(*pFem));
  const FailedReader iFailed = read_model(Tables, *pFem, kUnitLabel);
  if (iFailed == kNoneFailed) assign_element_owners(Tables);
  // Of several models, each report says whose it is first.
  if (Cmd.bBatchModel) write_fem_name_line(kUnitConsoleOut, ChFemName);
  write_run_summary(kUnitConsoleOut, Tables);
  const int iExit = check_model(Tables, *pFem, iFailed != kNoneFailed, Cmd.ChFem,
                                static_cast<std::int32_t>(std::strlen(Cmd.ChFem)));
  discard_unit(kUnitLabel);
  flush_unit(kUnitConsoleOut);
  return iExit;
}

// The model's page: the FEM file and the page opened as a run opens its
// files, the readers' reports into a scratch file, the page put in place
// whole when it is written.
int run_view(const CommandLine& Cmd, NameTables& Tables) {
  const bool bOpen = open_argument(Cmd.ChFem, ChFemName, "FEM file", kUnitFem, kModeExisting) &&
                     (Cmd.ChPage == nullptr
                          ? open_page_beside_fem()
                          : open_argument(Cmd.ChPage, ChPageName, "page", kUnitPage, kModeCreate));
  if (!bOpen) {
    discard_unit(kUnitPage);
    return kExitFileRefused;
  }
  connect_report_scratch();
  // static: taken once, like the name tables.
  static ModelGeometry Geometry;
  if (!create_model_geometry(Geometry)) fatal_stop("the geometry tables cannot be had");
  prefer_huge_pages(Tables, fem_file_bytes(*pFem));
  std::int32_t iDate = 0;
  while (iDate < kAnswerLen && ChDate[iDate] == kBlank)
    ++iDate;
  const PageFacts Facts{Cmd.ChFem, static_cast<std::int32_t>(std::strlen(Cmd.ChFem)),
                        ChDate + iDate, trimmed_length(ChDate + iDate, kAnswerLen - iDate)};
  const FailedReader iFailed = read_model(Tables, *pFem, kUnitLabel);
  if (iFailed == kNoneFailed) assign_element_owners(Tables);
  const int iExit =
      write_model_page(Tables, Geometry, *pFem, iFailed != kNoneFailed, kUnitPage, Facts);
  if (iFailed != kNoneFailed) {
    say_page_input_error(ChFemName, ChPageName, pFem->iLimitBroken, fem_line_number(*pFem));
  }
  discard_unit(kUnitLabel);
  close_unit(kUnitPage);
  flush_unit(kUnitConsoleOut);
  return iExit;
}

// The command line, settled: a second file name that names a model makes
// every name a FEM file (a look at that file, before anything else is
// opened).
CommandLine settled_command_line(int nArgs, const char* const* ChArgs) {
  const CommandLine Cmd = parse_command_line(nArgs, ChArgs);
  const bool bLook =
      (Cmd.iAction == kActionFiles || Cmd.iAction == kActionCheck || Cmd.iAction == kActionView) &&
      Cmd.nFiles >= 2 && !Cmd.bBatchModel;
  return settle_batch(Cmd, bLook && names_a_model(Cmd.ChLabel));
}

}  // namespace

int main(int nArgs, char** ChArgs) {
  // First of all: a closed standard stream's number would otherwise go to
  // the first file opened, and the FEM file be taken for the console.
  keep_standard_streams_open();
  note_own_program(nArgs > 0 ? ChArgs[0] : nullptr);
  // Where the shell leaves *.FEM to the program, the program expands it.
  int nWords = nArgs;
  const char* const* ChWords = ChArgs;
  const char* ChPattern = nullptr;
  const PatternOutcome iPatterns = expand_file_patterns(nArgs, ChArgs, nWords, ChWords, ChPattern);
  if (iPatterns != kPatternsDone) {
    if (iPatterns == kPatternMatchesNothing) say("no file matches \"", ChPattern, "\"");
    if (iPatterns == kPatternsTooMany) {
      say("too many file names to hold for \"", ChPattern ? ChPattern : "", "\"");
    }
    pause_if_console_is_own();
    return kExitFileRefused;
  }
  const CommandLine Cmd = settled_command_line(nWords, ChWords);
  if (Cmd.iAction == kActionHelp) return write_help(), kExitDone;
  if (Cmd.iAction == kActionVersion) {
    // The package's version, then the version the program's texts show.
    write_to_stdout("lablix " LABLIX_VERSION " (");
    write_to_stdout(kSystemVersion);
    return write_to_stdout(")\n"), kExitDone;
  }
  if (Cmd.iAction == kActionUsageError) {
    say(Cmd.ChProblem, Cmd.ChWord ? ": " : "", Cmd.ChWord ? Cmd.ChWord : "");
    write_to_stderr(kUsage, sizeof kUsage - 1);
    constexpr char kMore[] = "Try 'lablix --help' for more.\n";
    write_to_stderr(kMore, sizeof kMore - 1);
    return kExitUsage;
  }

  if (Cmd.bBatch) {
    const int iExit = run_batch(Cmd);
    // Started by dropping files on it, the window stays until read.
    pause_if_console_is_own();
    return iExit;
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
  fill_blanks(ChPageName, kAnswerLen);
  // The tables arrive zeroed from the system: iNodeExt and iMeshList are
  // cleared without touching a page.
  NameTables Tables;
  if (!create_name_tables(Tables)) fatal_stop("the name tables (79 million bytes) cannot be had");
  pFem = &fem_file_on(kUnitFem);
  set_unit_role(kUnitFem, "FEM file");
  set_unit_role(kUnitLabel, "label file");
  set_unit_role(kUnitListing, "listing file");
  set_unit_role(kUnitPage, "page");
  set_unit_role(kUnitConsoleOut, "console output (standard output)");
  // A failure in the FEM file names its place; worked out only then.
  set_input_place(fem_failure_place);

  int iExit = 0;
  if (Cmd.iAction == kActionFiles) {
    iExit = run_files(Cmd, Tables);
  } else if (Cmd.iAction == kActionCheck) {
    iExit = run_check(Cmd, Tables);
  } else if (Cmd.iAction == kActionView) {
    iExit = run_view(Cmd, Tables);
  } else {
    iExit = run_dialogue(Tables);
  }
  // Started by a double click, the window stays until its last line is read.
  pause_if_console_is_own();
  return iExit;
}
