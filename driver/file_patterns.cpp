#include "driver/file_patterns.h"

#include <cstdint>
#include <cstring>

#include "driver/command_line.h"
#include "platform/platform.h"

namespace {

// static: the expanded command line, sized once: more names than a
// Windows command line can hold (32767 characters) would need a folder of
// some 100000 models, which the room allows.
constexpr std::int32_t MxExpandedArgs = 1 << 17;
constexpr std::int64_t MxExpandedBytes = std::int64_t{1} << 24;
char ChNameBytes[MxExpandedBytes];
const char* ChExpanded[MxExpandedArgs];

bool is_pattern(const char* ChArg) {
  return std::strpbrk(ChArg, "*?") != nullptr;
}

bool is_argument(const char* ChArg, const char* ChName) {
  return std::strcmp(ChArg, ChName) == 0;
}

}  // namespace

const char* expand_file_patterns(int nArgs, const char* const* ChArgs, int& nOut,
                                 const char* const*& ChOut) {
  nOut = nArgs;
  ChOut = ChArgs;
  if (!kProgramExpandsPatterns || nArgs > MxExpandedArgs) return nullptr;
  bool bAny = false;
  for (int i = 1; i < nArgs; ++i) {
    // One model of a batch names its file as found: never again a pattern.
    if (is_argument(ChArgs[i], kBatchModelOption)) return nullptr;
    bAny = bAny || is_pattern(ChArgs[i]);
  }
  if (!bAny) return nullptr;
  NameStore Store{ChNameBytes, MxExpandedBytes, 0, ChExpanded, MxExpandedArgs, 0};
  // The file names as the parse tells them: options, and -j's number,
  // pass as they are.
  bool bOptionsEnded = false;
  for (int i = 0; i < nArgs; ++i) {
    const char* ChArg = ChArgs[i];
    const bool bOption = !bOptionsEnded && ChArg[0] == '-' && ChArg[1] != '\0';
    if (bOption && is_argument(ChArg, "--")) bOptionsEnded = true;
    if (i == 0 || bOption || !is_pattern(ChArg)) {
      if (Store.nNames >= Store.MxNames) return ChArg;
      ChExpanded[Store.nNames++] = ChArg;
      continue;
    }
    const std::int32_t nBefore = Store.nNames;
    if (list_matching_files(ChArg, Store) != 0 || Store.nNames == nBefore) return ChArg;
  }
  nOut = Store.nNames;
  ChOut = ChExpanded;
  return nullptr;
}
