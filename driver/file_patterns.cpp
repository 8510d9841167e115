#include "driver/file_patterns.h"

#include <cstdint>
#include <cstring>

#include "driver/command_line.h"
#include "platform/platform.h"

namespace {

// The expanded command line, taken once, at start-up, and only when there
// is a pattern to expand: room for more names than a Windows command line
// can hold (32767 characters) would take, a folder of some 100000 models.
constexpr std::int32_t MxExpandedArgs = 1 << 17;
constexpr std::int64_t MxExpandedBytes = std::int64_t{1} << 24;

bool is_pattern(const char* ChArg) {
  return std::strpbrk(ChArg, "*?") != nullptr;
}

bool is_argument(const char* ChArg, const char* ChName) {
  return std::strcmp(ChArg, ChName) == 0;
}

}  // namespace

PatternOutcome expand_file_patterns(int nArgs, const char* const* ChArgs, int& nOut,
                                    const char* const*& ChOut, const char*& ChPattern) {
  nOut = nArgs;
  ChOut = ChArgs;
  ChPattern = nullptr;
  if (!kProgramExpandsPatterns) return kPatternsDone;
  bool bAny = false;
  for (int i = 1; i < nArgs; ++i) {
    // One model of a batch names its file as found: never again a pattern.
    if (is_argument(ChArgs[i], kBatchModelOption)) return kPatternsDone;
    bAny = bAny || is_pattern(ChArgs[i]);
  }
  if (!bAny) return kPatternsDone;
  constexpr std::int64_t nTable = MxExpandedArgs * static_cast<std::int64_t>(sizeof(char*));
  void* pRoom = map_zeroed_memory(nTable + MxExpandedBytes);
  if (pRoom == nullptr) return kPatternsTooMany;
  const auto ChExpanded = static_cast<const char**>(pRoom);
  NameStore Store{
      static_cast<char*>(pRoom) + nTable, MxExpandedBytes, 0, ChExpanded, MxExpandedArgs, 0};
  // The file names as the parse tells them: options, and -j's number,
  // pass as they are.
  bool bOptionsEnded = false;
  for (int i = 0; i < nArgs; ++i) {
    const char* ChArg = ChArgs[i];
    const bool bOption = !bOptionsEnded && ChArg[0] == '-' && ChArg[1] != '\0';
    if (bOption && is_argument(ChArg, "--")) bOptionsEnded = true;
    if (i == 0 || bOption || !is_pattern(ChArg)) {
      ChPattern = ChArg;
      if (Store.nNames >= Store.MxNames) return kPatternsTooMany;
      ChExpanded[Store.nNames++] = ChArg;
      continue;
    }
    const std::int32_t nBefore = Store.nNames;
    ChPattern = ChArg;
    if (list_matching_files(ChArg, Store) != 0) return kPatternsTooMany;
    if (Store.nNames == nBefore) return kPatternMatchesNothing;
  }
  nOut = Store.nNames;
  ChOut = ChExpanded;
  ChPattern = nullptr;
  return kPatternsDone;
}
