#include "check/check_findings.h"

#include <algorithm>
#include <cstring>

#include "files/file_units.h"
#include "platform/platform.h"

namespace {

// Room for far more findings than a model that Orvex can show has causes;
// past it, findings are counted and not shown.
constexpr std::int32_t MxFindings = 200000;
constexpr std::int64_t MxPool = std::int64_t{MxFindings} * 160;
// The FEM file's name as the command line gave it: at most an answer field.
constexpr std::int32_t MxFileName = 256;
// A written finding, "FILE:LINE: " and its text, fits one line.
static_assert(MxFileName + 24 + kFindingLen <= MxLineLen);

}  // namespace

bool create_finding_store(FindingStore& Store) {
  Store = FindingStore{};
  Store.Items = static_cast<Finding*>(map_zeroed_memory(sizeof(Finding) * MxFindings));
  Store.ChPool = static_cast<char*>(map_zeroed_memory(MxPool));
  Store.nMx = MxFindings;
  return Store.Items != nullptr && Store.ChPool != nullptr;
}

void begin_text(FindingText& Text, const char* ChRecord) {
  start_line(Text, kFindingLen);
  put_text(Text, ChRecord);
  put_text(Text, ": ");
}

void add_finding(FindingStore& Store, std::int64_t iLine, const FindingText& Text) {
  ++Store.nFound;
  if (Store.nHeld == Store.nMx || Store.nPoolUsed + Text.n > MxPool) return;
  Finding& Item = Store.Items[Store.nHeld];
  Item = Finding{iLine, Store.nPoolUsed, Store.nHeld, Text.n};
  ++Store.nHeld;
  std::memcpy(Store.ChPool + Store.nPoolUsed, Text.Ch, static_cast<std::size_t>(Text.n));
  Store.nPoolUsed += Text.n;
}

void write_findings(FindingStore& Store, std::int32_t iUnit, const char* ChFile,
                    std::int32_t nFile) {
  FindingLines Walk;
  begin_finding_lines(Store, Walk, ChFile, nFile);
  LineBuilder Line;
  while (next_finding_line(Walk, Line))
    write_line(iUnit, Line.Ch, Line.n);
}

void begin_finding_lines(FindingStore& Store, FindingLines& Walk, const char* ChFile,
                         std::int32_t nFile) {
  std::sort(Store.Items, Store.Items + Store.nHeld, [](const Finding& A, const Finding& B) {
    return A.iLine != B.iLine ? A.iLine < B.iLine : A.iSeq < B.iSeq;
  });
  Walk = FindingLines{&Store, ChFile, std::min(nFile, MxFileName), 0, false, false};
}

bool next_finding_line(FindingLines& Walk, LineBuilder& Line) {
  const FindingStore& Store = *Walk.pStore;
  start_line(Line);
  if (Walk.iNext < Store.nHeld) {
    const Finding& Item = Store.Items[Walk.iNext++];
    put_chars(Line, Walk.ChFile, Walk.nFile);
    put_text(Line, ":");
    put_number(Line, Item.iLine);
    put_text(Line, ": ");
    put_chars(Line, Store.ChPool + Item.iAt, Item.nText);
    return true;
  }
  if (!Walk.bNoted && Store.nFound > Store.nHeld) {
    Walk.bNoted = true;
    put_text(Line, "(only the first ");
    put_number(Line, Store.nHeld);
    put_text(Line, " findings are shown)");
    return true;
  }
  if (Walk.bClosed) return false;
  Walk.bClosed = true;
  if (Store.nFound == 0) {
    put_text(Line, "no findings");
  } else {
    put_number(Line, Store.nFound);
    put_text(Line, Store.nFound == 1 ? " finding" : " findings");
  }
  return true;
}
