#include "fem/input_errors.h"

#include <cstring>

#include "fem/name_tables.h"
#include "files/file_units.h"
#include "support/text_helpers.h"

namespace {

void compose_title(char* ChMessage, const char* ChTitle) {
  copy_padded(ChMessage, kMessageLen, ChTitle, static_cast<std::int32_t>(std::strlen(ChTitle)));
}

// The numbers in the words are the program's limits.
static_assert(MxNode == 100000 && MxElem == 100000 && MxMemb == 100000 && MxMesh == 100000);
static_assert(MxMeshLen == 100);

}  // namespace

const char* input_limit_words(InputLimit iLimit) {
  switch (iLimit) {
    case kLimitNodeNumber:
      return "more than 100000 nodes (GNODE)";
    case kLimitElementNumber:
      return "more than 100000 elements (GELMNT1)";
    case kLimitMemberNumber:
      return "a member number above 100000 (TDSCONC)";
    case kLimitMemberNames:
      return "more than 100000 member names (TDSCONC)";
    case kLimitConceptMember:
      return "a member number above 100000 (SCONCEPT)";
    case kLimitMeshNumber:
      return "a mesh reference above 100000 (SCONMESH)";
    case kLimitMeshCount:
      return "more than 100000 mesh relations (SCONMESH)";
    case kLimitMeshRecordLength:
      return "a record length (field 2) above 98 (SCONMESH)";
    case kLimitMeshElements:
      return "more than 99 elements in one mesh relation (SCONMESH)";
    case kLimitNone:
      break;
  }
  return "";
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
