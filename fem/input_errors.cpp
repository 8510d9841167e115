#include "fem/input_errors.h"

#include <cstring>

#include "fem/name_tables.h"
#include "fem/record_kinds.h"
#include "files/file_units.h"
#include "support/text_helpers.h"

namespace {

void compose_title(char* ChMessage, const char* ChTitle) {
  copy_padded(ChMessage, kMessageLen, ChTitle, static_cast<std::int32_t>(std::strlen(ChTitle)));
}

// The limits in the user's words, each "<before><limit><after> (<RECORD>)",
// the limit and the record name taken from their constants.
inline constexpr std::int32_t MxLimitWords = 64;
struct LimitWords {
  char Ch[kLimitMeshElements + 1][MxLimitWords];
};

constexpr void append_text(char* Ch, std::int32_t& n, const char* p) {
  while (*p != '\0')
    Ch[n++] = *p++;
}

constexpr void append_number(char* Ch, std::int32_t& n, std::int32_t iValue) {
  char Digits[12] = {};
  std::int32_t nDigits = 0;
  do {
    Digits[nDigits++] = static_cast<char>('0' + iValue % 10);
    iValue /= 10;
  } while (iValue > 0);
  while (nDigits > 0)
    Ch[n++] = Digits[--nDigits];
}

constexpr LimitWords limit_words() {
  LimitWords Words{};
  const auto put = [&Words](InputLimit iLimit, const char* ChBefore, std::int32_t iValue,
                            const char* ChAfter, RecordKind iKind) {
    char* Ch = Words.Ch[iLimit];
    std::int32_t n = 0;
    append_text(Ch, n, ChBefore);
    append_number(Ch, n, iValue);
    append_text(Ch, n, ChAfter);
    append_text(Ch, n, " (");
    append_text(Ch, n, kRecordName[iKind]);
    append_text(Ch, n, ")");
  };
  put(kLimitNodeNumber, "more than ", MxNode, " nodes", kRecordGnode);
  put(kLimitElementNumber, "more than ", MxElem, " elements", kRecordGelmnt1);
  put(kLimitMemberNumber, "a member number above ", MxMemb, "", kRecordTdsconc);
  put(kLimitMemberNames, "more than ", MxMemb, " member names", kRecordTdsconc);
  put(kLimitConceptMember, "a member number above ", MxMemb, "", kRecordSconcept);
  put(kLimitMeshNumber, "a mesh reference above ", MxMesh, "", kRecordSconmesh);
  put(kLimitMeshCount, "more than ", MxMesh, " mesh relations", kRecordSconmesh);
  put(kLimitMeshRecordLength, "a record length (field 2) above ", MxMeshLen - 2, "",
      kRecordSconmesh);
  put(kLimitMeshElements, "more than ", MxMeshLen - 1, " elements in one mesh relation",
      kRecordSconmesh);
  return Words;
}

inline constexpr LimitWords kLimitWords = limit_words();

}  // namespace

const char* input_limit_words(InputLimit iLimit) {
  if (iLimit <= kLimitNone || iLimit > kLimitMeshElements) return "";
  return kLimitWords.Ch[iLimit];
}

const char* input_report_name(InputLimit iLimit) {
  if (iLimit == kLimitNone) return "";
  if (iLimit == kLimitNodeNumber) return "INP_2101";
  return iLimit >= kLimitMeshNumber ? "INP_2103" : "INP_2102";
}

void write_message_line(std::int32_t iUnit, const char* ChMessage, std::int32_t nLen) {
  write_line(iUnit, ChMessage, trimmed_length(ChMessage, nLen));
}

void compose_inp2101(char* ChMessage) {
  compose_title(ChMessage, "*** ERROR IN INP_2101       ***");
}

void compose_inp2103(char* ChMessage) {
  compose_title(ChMessage, "*** ERROR IN INP_2103       ***");
}

void compose_inp2102(char* ChMessage, const char* ChLine, std::int32_t nLine) {
  static constexpr char kHead[] = "*** ERROR IN INP_2102       ***\nLast Input Line: ";
  constexpr std::int32_t nHead = sizeof kHead - 1;  // 31 + 1 + 17 = 49
  std::memcpy(ChMessage, kHead, nHead);
  const std::int32_t nTrimmed = ChLine == nullptr ? 0 : trimmed_length(ChLine, nLine);
  copy_padded(ChMessage + nHead, kMessageLen - nHead, ChLine, nTrimmed);
}
