#include "check/check_findings.h"

#include <algorithm>
#include <cstring>

#include "files/file_units.h"
#include "platform/platform.h"
#include "support/text_helpers.h"

namespace {

// Room for far more findings than a model that Orvex can show has causes;
// past it, findings are counted and not shown.
constexpr std::int32_t kFindingsMx = 200000;
constexpr std::int64_t kPoolMx = std::int64_t{kFindingsMx} * 160;
// The FEM file's name as the command line gave it: at most an answer field.
constexpr std::int32_t kFileMax = 256;

// The digits of iValue, unpadded, at ChOut; returns their count.
std::int32_t put_digits(char* ChOut, std::int64_t iValue) {
  char ChField[24];
  put_integer_general(ChField, 24, iValue);
  std::int32_t i = 0;
  while (ChField[i] == kBlank)
    ++i;
  std::memcpy(ChOut, ChField + i, static_cast<std::size_t>(24 - i));
  return 24 - i;
}

void hand_closing_line(const ReportLines& Lines, std::int64_t nFound) {
  char ChLine[64];
  std::int32_t n = 0;
  if (nFound == 0) {
    std::memcpy(ChLine, "no findings", 11);
    n = 11;
  } else {
    n = put_digits(ChLine, nFound);
    const char* ChWord = nFound == 1 ? " finding" : " findings";
    std::memcpy(ChLine + n, ChWord, std::strlen(ChWord));
    n += static_cast<std::int32_t>(std::strlen(ChWord));
  }
  Lines.take(Lines.pTaker, ChLine, n);
}

void write_to_unit(void* pUnit, const char* ChText, std::int32_t nText) {
  write_line(*static_cast<const std::int32_t*>(pUnit), ChText, nText);
}

}  // namespace

bool create_finding_store(FindingStore& Store) {
  Store = FindingStore{};
  Store.Items = static_cast<Finding*>(map_zeroed_memory(sizeof(Finding) * kFindingsMx));
  Store.ChPool = static_cast<char*>(map_zeroed_memory(kPoolMx));
  Store.nMx = kFindingsMx;
  return Store.Items != nullptr && Store.ChPool != nullptr;
}

void begin_text(FindingText& Text, const char* ChRecord) {
  Text.n = 0;
  put_text(Text, ChRecord);
  put_text(Text, ": ");
}

void put_chars(FindingText& Text, const char* Ch, std::int32_t n) {
  if (n > kFindingLen - Text.n) n = kFindingLen - Text.n;
  if (n <= 0) return;
  std::memcpy(Text.Ch + Text.n, Ch, static_cast<std::size_t>(n));
  Text.n += n;
}

void put_text(FindingText& Text, const char* ChPiece) {
  put_chars(Text, ChPiece, static_cast<std::int32_t>(std::strlen(ChPiece)));
}

void put_number(FindingText& Text, std::int64_t iValue) {
  char ChDigits[24];
  put_chars(Text, ChDigits, put_digits(ChDigits, iValue));
}

void put_quoted(FindingText& Text, const char* Ch, std::int32_t n) {
  put_text(Text, "\"");
  put_chars(Text, Ch, n);
  put_text(Text, "\"");
}

void add_finding(FindingStore& Store, std::int64_t iLine, const FindingText& Text) {
  ++Store.nFound;
  if (Store.nHeld == Store.nMx || Store.nPoolUsed + Text.n > kPoolMx) return;
  Finding& Item = Store.Items[Store.nHeld];
  Item = Finding{iLine, Store.nPoolUsed, Store.nHeld, Text.n};
  ++Store.nHeld;
  std::memcpy(Store.ChPool + Store.nPoolUsed, Text.Ch, static_cast<std::size_t>(Text.n));
  Store.nPoolUsed += Text.n;
}

void write_findings(FindingStore& Store, std::int32_t iUnit, const char* ChFile,
                    std::int32_t nFile) {
  hand_findings(Store, ReportLines{write_to_unit, &iUnit}, ChFile, nFile);
}

void hand_findings(FindingStore& Store, const ReportLines& Lines, const char* ChFile,
                   std::int32_t nFile) {
  std::sort(Store.Items, Store.Items + Store.nHeld, [](const Finding& A, const Finding& B) {
    return A.iLine != B.iLine ? A.iLine < B.iLine : A.iSeq < B.iSeq;
  });
  static char ChLine[kFileMax + 32 + kFindingLen];
  for (std::int32_t i = 0; i < Store.nHeld; ++i) {
    const Finding& Item = Store.Items[i];
    std::int32_t n = std::min(nFile, kFileMax);
    std::memcpy(ChLine, ChFile, static_cast<std::size_t>(n));
    ChLine[n++] = ':';
    n += put_digits(ChLine + n, Item.iLine);
    ChLine[n++] = ':';
    ChLine[n++] = kBlank;
    std::memcpy(ChLine + n, Store.ChPool + Item.iAt, static_cast<std::size_t>(Item.nText));
    Lines.take(Lines.pTaker, ChLine, n + Item.nText);
  }
  if (Store.nFound > Store.nHeld) {
    FindingText Text;
    Text.n = 0;
    put_text(Text, "(only the first ");
    put_number(Text, Store.nHeld);
    put_text(Text, " findings are shown)");
    Lines.take(Lines.pTaker, Text.Ch, Text.n);
  }
  hand_closing_line(Lines, Store.nFound);
}
