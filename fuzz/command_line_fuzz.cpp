// Fuzz target: the input bytes are a command line, the arguments after the
// program's name, each ended by a NUL (the last by the input's end), at
// most MxArgs of them. They are parsed as the program parses them
// (driver/command_line.h), and the file names made into answer fields as
// the program makes them before it opens a file: the 256-character limit,
// the quotes taken off (driver/file_answers.h) and the label file named
// after the FEM file. Nothing is opened: a name from the fuzzer could be any
// file of the machine.
// After each parse the target checks what must hold whatever the argv:
//   - the action is one of the six, and a second parse gives the same;
//   - the dialogue exactly when there are no arguments;
//   - every name and the word of a usage error is one of the arguments,
//     whole; a listing only with a label file; a check and a view name a
//     FEM file;
//   - --help and --version only when one of the arguments says so;
//   - a name taken into its field keeps its bytes, or its bytes between
//     the quotes, and blanks after; the label file named after the FEM
//     file ends in ".lab" and starts as the FEM file's name does.
// Any breach aborts, which libFuzzer reports as a finding.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "driver/command_line.h"
#include "driver/file_answers.h"
#include "support/text_helpers.h"

namespace {

constexpr std::int32_t kFieldLen = 256;
constexpr int MxArgs = 16;
constexpr std::size_t MxInput = 1 << 16;

[[noreturn]] void fail(const char* ChWhat) {
  std::fprintf(stderr, "broken: %s\n", ChWhat);
  std::abort();
}
#define REQUIRE(c) \
  if (!(c)) fail(#c)

// static: the arguments, NUL-ended copies of the input's pieces.
char ChArgBytes[MxInput + MxArgs + 1];
const char* ChArgs[MxArgs + 2];

bool is_argument(const char* p, int nArgs) {
  if (p == nullptr) return true;
  for (int i = 1; i < nArgs; ++i) {
    if (p == ChArgs[i]) return true;
  }
  return false;
}

bool has_argument(int nArgs, const char* ChA, const char* ChB) {
  for (int i = 1; i < nArgs; ++i) {
    if (std::strcmp(ChArgs[i], ChA) == 0 || std::strcmp(ChArgs[i], ChB) == 0) return true;
  }
  return false;
}

// The name ChName as the program takes it into a 256-character field: a
// name that fits, its quotes taken off; the field must hold its bytes (or
// those between the quotes) and blanks after.
void check_field(const char* ChName) {
  const std::size_t nName = std::strlen(ChName);
  if (nName > static_cast<std::size_t>(kFieldLen)) return;  // refused before the field
  char ChField[kFieldLen];
  copy_padded(ChField, kFieldLen, ChName, static_cast<std::int32_t>(nName));
  strip_quotes(ChField, kFieldLen);
  std::size_t nKept = nName, iFrom = 0;
  // The quotes go when they stand first and last, trailing blanks aside.
  const auto nTrimmed =
      static_cast<std::size_t>(trimmed_length(ChName, static_cast<std::int32_t>(nName)));
  if (nTrimmed >= 2 && (ChName[0] == '"' || ChName[0] == '\'') &&
      ChName[nTrimmed - 1] == ChName[0]) {
    nKept = nTrimmed - 2, iFrom = 1;
  }
  REQUIRE(std::memcmp(ChField, ChName + iFrom, nKept) == 0);
  for (std::size_t k = nKept; k < static_cast<std::size_t>(kFieldLen); ++k)
    REQUIRE(ChField[k] == ' ');
}

void check_label_beside(const char* ChFem) {
  const auto nFem = static_cast<std::int32_t>(std::strlen(ChFem));
  char ChName[kFieldLen + 8];
  const std::int32_t n = label_name_beside(ChFem, nFem > kFieldLen ? kFieldLen : nFem, ChName,
                                           static_cast<std::int32_t>(sizeof ChName) - 1);
  if (n < 0) return;
  REQUIRE(n >= 4 && n < static_cast<std::int32_t>(sizeof ChName));
  REQUIRE(std::memcmp(ChName + n - 4, ".lab", 4) == 0);
  // Everything before the new extension is the FEM file's own start.
  REQUIRE(std::memcmp(ChName, ChFem, static_cast<std::size_t>(n - 4)) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nData) {
  if (nData > MxInput) return 0;
  std::memcpy(ChArgBytes, pData, nData);
  ChArgBytes[nData] = '\0';
  int nArgs = 1;
  ChArgs[0] = "lablix";
  if (nData > 0) {
    ChArgs[nArgs++] = ChArgBytes;
    for (std::size_t i = 0; i < nData && nArgs <= MxArgs; ++i) {
      if (ChArgBytes[i] == '\0' && i + 1 < nData) ChArgs[nArgs++] = ChArgBytes + i + 1;
    }
    if (nArgs > MxArgs) nArgs = MxArgs;
  }
  ChArgs[nArgs] = nullptr;

  const CommandLine Cmd = parse_command_line(nArgs, ChArgs);
  const CommandLine Again = parse_command_line(nArgs, ChArgs);
  REQUIRE(Cmd.iAction == Again.iAction && Cmd.bVerbose == Again.bVerbose &&
          Cmd.bCheck == Again.bCheck && Cmd.ChFem == Again.ChFem && Cmd.ChLabel == Again.ChLabel &&
          Cmd.ChListing == Again.ChListing && Cmd.ChProblem == Again.ChProblem &&
          Cmd.ChWord == Again.ChWord && Cmd.bView == Again.bView &&
          Cmd.bListing == Again.bListing && Cmd.bBatch == Again.bBatch &&
          Cmd.nJobs == Again.nJobs && Cmd.nFiles == Again.nFiles && Cmd.ChPage == Again.ChPage &&
          Cmd.ChExtra == Again.ChExtra);
  REQUIRE(Cmd.iAction >= kActionDialogue && Cmd.iAction <= kActionUsageError);
  REQUIRE((Cmd.iAction == kActionDialogue) == (nArgs == 1));
  REQUIRE(is_argument(Cmd.ChFem, nArgs) && is_argument(Cmd.ChLabel, nArgs) &&
          is_argument(Cmd.ChListing, nArgs) && is_argument(Cmd.ChPage, nArgs) &&
          is_argument(Cmd.ChExtra, nArgs) && is_argument(Cmd.ChWord, nArgs));
  switch (Cmd.iAction) {
    case kActionFiles:
      REQUIRE(Cmd.ChFem != nullptr && !Cmd.bCheck);
      REQUIRE(Cmd.ChListing == nullptr || Cmd.ChLabel != nullptr);
      break;
    case kActionCheck:
      REQUIRE(Cmd.ChFem != nullptr && Cmd.bCheck);
      break;
    case kActionView:
      REQUIRE(Cmd.ChFem != nullptr && Cmd.bView);
      break;
    case kActionHelp:
      REQUIRE(has_argument(nArgs, "-h", "--help"));
      break;
    case kActionVersion:
      REQUIRE(has_argument(nArgs, "--version", "--version"));
      break;
    case kActionUsageError:
      REQUIRE(Cmd.ChProblem != nullptr && Cmd.ChProblem[0] != '\0');
      break;
    case kActionDialogue:
      break;
  }
  for (const char* ChName : {Cmd.ChFem, Cmd.ChLabel, Cmd.ChListing}) {
    if (ChName != nullptr) check_field(ChName);
  }
  if (Cmd.ChFem != nullptr && Cmd.ChLabel == nullptr) check_label_beside(Cmd.ChFem);
  return 0;
}
