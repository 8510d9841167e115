#include "driver/batch_run.h"

#include <cstdint>
#include <cstring>

#include "driver/dialogue.h"
#include "driver/file_answers.h"
#include "driver/run_messages.h"
#include "platform/platform.h"
#include "support/line_builder.h"
#include "support/text_helpers.h"

namespace {

constexpr int kExitInputError = 1;
constexpr int kExitFatal = 2;
constexpr int kExitFileRefused = 3;

// One model under way, or finished and not yet reported.
struct BatchSlot {
  const char* ChModel;  // null: the slot is free
  bool bRunning;
  int iExit;
  FileHandle hOut;  // the model's standard output and error held until its
  FileHandle hErr;  // turn; kNoFile: the run's own
};

// static: module storage, changed only with stop signals held, so that the
// stop handler always finds it whole.
BatchSlot Slots[MxJobs];
ProcessHandle hRunning[MxJobs];
std::int32_t nSlots = 0;
// The order in which the models report: the slot of each model started, by
// model number modulo MxJobs (at most MxJobs models are unreported).
std::int32_t iSlotOfModel[MxJobs];
std::int32_t nStarted = 0;
std::int32_t nReported = 0;

// What the batch counts for its closing line.
std::int32_t nDone = 0;
std::int32_t nFailed = 0;
int MaxExit = 0;
// static: the failed models' names, for the closing line; cut when long.
char ChFailedNames[1024];
std::size_t nFailedNames = 0;

bool bCheck = false;
bool bView = false;

void add_failed_name(const char* ChModel) {
  constexpr char kMore[] = ", ...";
  const std::size_t nRoom = sizeof ChFailedNames - sizeof kMore;
  if (nFailedNames > nRoom) return;
  const std::size_t nName = std::strlen(ChModel);
  const std::size_t nSeparator = nFailedNames > 0 ? 2 : 0;
  if (nFailedNames + nSeparator + nName > nRoom) {
    std::memcpy(ChFailedNames + nFailedNames, kMore, sizeof kMore);
    nFailedNames = sizeof ChFailedNames;
    return;
  }
  std::memcpy(ChFailedNames + nFailedNames, ", ", nSeparator);
  std::memcpy(ChFailedNames + nFailedNames + nSeparator, ChModel, nName);
  nFailedNames += nSeparator + nName;
  ChFailedNames[nFailedNames] = '\0';
}

// Why a model's run failed, from its exit status; null when it did not.
const char* failure_words(int iExit) {
  switch (iExit) {
    case 0:
      return nullptr;
    case kExitInputError:
      // A check's findings are its answer, not a failure.
      if (bCheck) return nullptr;
      return bView ? "it breaks a limit (status 1); its page shows the input-error report"
                   : "it breaks a limit (status 1); its label file holds the input-error report";
    case kExitFatal:
      return "a fatal stop (status 2); its outputs were left as they were";
    case kExitFileRefused:
      return "a file could not be opened (status 3); nothing was written";
    default:
      return "its run ended without finishing (counted as status 2); its outputs were left as "
             "they were";
  }
}

void count_failed(const char* ChModel) {
  ++nFailed;
  add_failed_name(ChModel);
}

// The model's held output passed on, and its result counted and said. A
// model whose standard output cannot be passed on fails as its run alone
// fails when it cannot write there: its report (or its -v line) is what
// the command was asked for. Its files are already in place by then.
void report_model(BatchSlot& Slot) {
  int iOutError = 0;
  if (Slot.hOut != kNoFile) iOutError = pour_scratch_file(Slot.hOut, kStandardOutput);
  if (Slot.hErr != kNoFile) pour_scratch_file(Slot.hErr, kStandardError);
  int iExit = Slot.iExit >= 0 && Slot.iExit <= kExitFileRefused ? Slot.iExit : kExitFatal;
  const char* ChWhy = failure_words(Slot.iExit);
  if (ChWhy != nullptr) {
    say(Slot.ChModel, " failed: ", ChWhy);
    count_failed(Slot.ChModel);
  } else if (iOutError != 0) {
    say(Slot.ChModel,
        " failed: writing its output to the console output (standard output) failed: ",
        std::strerror(iOutError), bCheck ? " (status 2)" : " (status 2); its files were written");
    count_failed(Slot.ChModel);
    iExit = kExitFatal;
  } else {
    ++nDone;
  }
  if (iExit > MaxExit) MaxExit = iExit;
  Slot.ChModel = nullptr;
}

// Reports the models whose turn it is and that have finished.
void report_in_turn() {
  while (nReported < nStarted) {
    BatchSlot& Slot = Slots[iSlotOfModel[nReported % MxJobs]];
    if (Slot.bRunning) return;
    hold_stop_signals();
    report_model(Slot);
    ++nReported;
    release_stop_signals();
  }
}

// The stop: the models under way get the signal and drop their outputs;
// what the models started have said is passed on in their order; the run
// ends by the signal. Runs in the signal's handler: no heap, no return.
void stop_batch(const char*, int iSignal) {
  for (std::int32_t i = 0; i < nSlots; ++i) {
    if (Slots[i].bRunning) pass_stop_signal(hRunning[i], iSignal);
  }
  for (;;) {
    std::int32_t iWhich = 0;
    int iExit = 0;
    if (wait_for_process(hRunning, nSlots, iWhich, iExit) != 0) break;
    hRunning[iWhich] = kNoProcess;
    Slots[iWhich].bRunning = false;
  }
  for (std::int32_t k = nReported; k < nStarted; ++k) {
    const BatchSlot& Slot = Slots[iSlotOfModel[k % MxJobs]];
    if (Slot.hOut != kNoFile) pour_scratch_file(Slot.hOut, kStandardOutput);
    if (Slot.hErr != kNoFile) pour_scratch_file(Slot.hErr, kStandardError);
  }
  end_by_signal(iSignal);
}

// The arguments a model's run gets: the batch's options and the model
// alone, after "--" so that any name is a name.
std::int32_t model_arguments(const CommandLine& Cmd, const char* ChModel,
                             const char* (&ChArgs)[MxOwnArgs]) {
  std::int32_t n = 0;
  ChArgs[n++] = kBatchModelOption;
  if (Cmd.bCheck) ChArgs[n++] = "--check";
  if (Cmd.bView) ChArgs[n++] = "--view";
  if (Cmd.bListing) ChArgs[n++] = "--listing";
  if (Cmd.bVerbose) ChArgs[n++] = "--verbose";
  ChArgs[n++] = "--";
  ChArgs[n++] = ChModel;
  return n;
}

// Starts the model ChModel in the free slot iSlot. A model whose run
// cannot be started is finished at once, as a fatal stop, and says why.
void start_model(const CommandLine& Cmd, const char* ChModel, std::int32_t iSlot) {
  const char* ChArgs[MxOwnArgs];
  const std::int32_t nArgs = model_arguments(Cmd, ChModel, ChArgs);
  BatchSlot& Slot = Slots[iSlot];
  hold_stop_signals();
  ProcessHandle hProcess = kNoProcess;
  const int iError = start_own_program(ChArgs, nArgs, Slot.hOut, Slot.hErr, hProcess);
  Slot.ChModel = ChModel;
  Slot.bRunning = iError == 0;
  Slot.iExit = kExitFatal;
  hRunning[iSlot] = hProcess;
  iSlotOfModel[nStarted % MxJobs] = iSlot;
  ++nStarted;
  release_stop_signals();
  if (iError != 0) say("cannot start the run of ", ChModel, ": ", std::strerror(iError));
}

// The label file's name of the model ChModel, as its run names it (its
// quotes taken off, .lab for its extension), into ChLabel; "" when none.
void label_name_of(const char* ChModel, char (&ChLabel)[kAnswerLen + 8]) {
  char ChField[kAnswerLen];
  ChLabel[0] = '\0';
  const std::size_t nModel = std::strlen(ChModel);
  if (nModel > static_cast<std::size_t>(kAnswerLen)) return;
  copy_padded(ChField, kAnswerLen, ChModel, static_cast<std::int32_t>(nModel));
  strip_quotes(ChField, kAnswerLen);
  if (label_name_beside(ChField, trimmed_length(ChField, kAnswerLen), ChLabel,
                        static_cast<std::int32_t>(sizeof ChLabel) - 1) < 0) {
    ChLabel[0] = '\0';
  }
}

// Letters compared without regard to case, as Windows compares names; on
// other systems two such names only make one model wait for the other.
bool is_same_ignoring_case(const char* ChA, const char* ChB) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  for (; *ChA != '\0' && lower(*ChA) == lower(*ChB); ++ChA, ++ChB) {
  }
  return *ChA == '\0' && *ChB == '\0';
}

// The last part of a name: "T1.lab" of "sub/T1.lab" and of "./T1.lab".
const char* last_part(const char* ChName) {
  const char* pPart = ChName;
  for (const char* p = ChName; *p != '\0'; ++p) {
    if (*p == '/' || *p == '\\') pPart = p + 1;
  }
  return pPart;
}

// Whether a model under way may write the label file (and listing) that
// ChModel would write: the same model named twice (also as ./T1.FEM), or
// T1.FEM and T1.fem (one file on Windows). Told by the label file's last
// part, so two models in other folders with one name wait for each other
// too, which costs only time.
// Such a model waits for it, as it would one at a time, instead of
// racing it for the name.
bool writes_what_a_running_model_writes(const char* ChModel) {
  // static: the names compared, built without the heap.
  static char ChLabel[kAnswerLen + 8];
  static char ChOther[kAnswerLen + 8];
  label_name_of(ChModel, ChLabel);
  for (std::int32_t i = 0; i < nSlots && ChLabel[0] != '\0'; ++i) {
    if (!Slots[i].bRunning) continue;
    label_name_of(Slots[i].ChModel, ChOther);
    if (is_same_ignoring_case(last_part(ChLabel), last_part(ChOther))) return true;
  }
  return false;
}

std::int32_t free_slot() {
  for (std::int32_t i = 0; i < nSlots; ++i) {
    if (Slots[i].ChModel == nullptr) return i;
  }
  return -1;
}

// Sets up nJobs slots; with more than one, each holds its model's output
// in scratch files of its own. False when these cannot be had (said).
bool set_up_slots(std::int32_t nJobs) {
  nSlots = nJobs;
  for (std::int32_t i = 0; i < nSlots; ++i) {
    Slots[i] = BatchSlot{nullptr, false, 0, kNoFile, kNoFile};
    hRunning[i] = kNoProcess;
    if (nSlots == 1) continue;
    int iError = open_scratch_file(Slots[i].hOut);
    if (iError == 0) iError = open_scratch_file(Slots[i].hErr);
    if (iError != 0) {
      say("no scratch file can be had to hold the models' output: ", std::strerror(iError));
      return false;
    }
  }
  return true;
}

// "lablix: 12 models: 11 label files written, 1 failed (T7.FEM)".
void say_batch_end(std::int32_t nModels) {
  LineBuilder Line;
  put_number(Line, nModels);
  put_text(Line, " models: ");
  put_number(Line, nDone);
  put_text(Line, bCheck  ? " checked"
                 : bView ? (nDone == 1 ? " page written" : " pages written")
                         : (nDone == 1 ? " label file written" : " label files written"));
  if (nFailed == 0) return say(line_string(Line));
  put_text(Line, ", ");
  put_number(Line, nFailed);
  put_text(Line, " failed (");
  say(line_string(Line), ChFailedNames, ")");
}

}  // namespace

int run_batch(const CommandLine& Cmd) {
  bCheck = Cmd.bCheck;
  bView = Cmd.bView;
  std::int32_t nJobs = Cmd.nJobs > 0 ? Cmd.nJobs : count_processors();
  if (nJobs > MxJobs) nJobs = MxJobs;
  if (nJobs > Cmd.nFiles) nJobs = Cmd.nFiles;
  if (!set_up_slots(nJobs)) return kExitFatal;
  catch_stop_signals(stop_batch);
  FileCursor Cursor;
  const char* ChNext = next_file_name(Cmd, Cursor);
  for (;;) {
    for (std::int32_t iSlot; ChNext != nullptr && (iSlot = free_slot()) >= 0 &&
                             (bCheck || !writes_what_a_running_model_writes(ChNext));) {
      start_model(Cmd, ChNext, iSlot);
      ChNext = next_file_name(Cmd, Cursor);
    }
    report_in_turn();
    std::int32_t iWhich = 0;
    int iExit = 0;
    if (wait_for_process(hRunning, nSlots, iWhich, iExit) != 0) {
      if (ChNext == nullptr) break;
      continue;
    }
    hold_stop_signals();
    hRunning[iWhich] = kNoProcess;
    Slots[iWhich].bRunning = false;
    Slots[iWhich].iExit = iExit;
    release_stop_signals();
  }
  report_in_turn();
  if (is_terminal(kStandardError)) say_batch_end(nStarted);
  return MaxExit;
}
