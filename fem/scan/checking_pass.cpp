#include "fem/scan/checking_pass.h"

#include "fem/scan/header_scan.h"
#include "fem/scan/line_shape.h"
#include "fem/scan/tool_layout.h"

namespace {

using namespace tool_layout;

// What the pass keeps while it walks, in registers (the notes it writes
// are bytes, which the compiler must take to alias anything in memory): the
// text, its own kind and its place; the note of the header met last, until
// the line after it has been described there (null: none waiting); and the
// name columns found good last (see NameMemo) with the record kind of those
// whose word is KindWord. The memo may change on a line that then fails the
// tool layout, so the kind keeps its own word.
struct WalkState {
  const char* pData;
  const char* pEnd;
  std::int64_t nData;
  RecordKind iOwnKind;
  std::int64_t iPos;
  HeaderNote* pWaitingNote;
  NameMemo Memo;
  std::uint64_t KindWord;
  RecordKind iMemoKind;
};

// Notes a header of kind iKind (not the pass's own) met at the walk's
// place; the line after it is described in its note next.
inline void note_met_header(HeaderIndex& Index, WalkState& Walk, RecordKind iKind,
                            std::int32_t nToolLine, std::int32_t nToolName) {
  if (iKind == kRecordKinds) return;
  HeaderNote* pNote = next_note(Index, iKind);
  Walk.pWaitingNote = pNote;
  if (pNote == nullptr) return;
  // Field by field: built whole, the note took a dozen more instructions.
  pNote->iAt = static_cast<std::uint32_t>(Walk.iPos);
  pNote->nToolLine = static_cast<std::uint8_t>(nToolLine);
  pNote->nToolName = static_cast<std::uint8_t>(nToolName);
  pNote->nNextStep = 0;
  pNote->nNextName = -1;
}

// Describes the line from the walk's place to iNext in the note of the
// header met just before it, if one waits: where the line after it starts,
// and its name's length when it is in the tool layout (nToolName, -1 when
// not). A line noted ends in a line feed.
inline void describe_waiting_line(WalkState& Walk, std::int64_t iNext, std::int32_t nToolName) {
  HeaderNote* pNote = Walk.pWaitingNote;
  if (pNote == nullptr) return;
  Walk.pWaitingNote = nullptr;
  const std::int64_t nStep = iNext - Walk.iPos;
  if (nStep > 0xFF || Walk.pData[iNext - 1] != '\n') return;
  pNote->nNextStep = static_cast<std::uint8_t>(nStep);
  pNote->nNextName = static_cast<std::int8_t>(nToolName);
}

// A line in the tool layout, of nTool characters and a name of nName:
// nothing in it can stop the run, and only its name can make it a header.
// True when it is a header of the pass's own kind.
inline bool check_tool_line(HeaderIndex& Index, WalkState& Walk, std::int32_t nTool,
                            std::int32_t nName, FoundHeader& Found) {
  const char* pLine = Walk.pData + Walk.iPos;
  const std::int64_t iNext = Walk.iPos + past_tool_line(pLine, nTool);
  describe_waiting_line(Walk, iNext, nName);
  if (nName > 0) {
    // A named tool line's name columns are those of the memo.
    if (Walk.Memo.Word != Walk.KindWord) {
      Walk.KindWord = Walk.Memo.Word;
      Walk.iMemoKind = tool_record_kind(pLine);
    }
    if (Walk.iMemoKind == Walk.iOwnKind) {
      Found = FoundHeader{pLine, nTool, nName};
      Walk.iPos = iNext;
      return true;
    }
    note_met_header(Index, Walk, Walk.iMemoKind, nTool, nName);
  }
  Walk.iPos = iNext;
  return false;
}

// Any other line: a short one (a name, mostly) is described in one step; a
// longer one is cut out and looked at in turn. Its fields are checked
// unless none can be a number. True when it is a header of the pass's own
// kind.
inline bool check_other_line(HeaderIndex& Index, WalkState& Walk, FoundHeader& Found) {
  const char* pLine = Walk.pData + Walk.iPos;
  std::int64_t nLine;
  std::int64_t iNext;
  std::int32_t iFirst;
  bool bOnlyText = false;
  ShortLine Short;
  if (short_line_shape(pLine, Walk.pEnd, Short)) {
    nLine = Short.nLine;
    iNext = Walk.iPos + Short.nStep;
    iFirst = is_comment_start(pLine[0]) ? -1 : Short.iFirst;
    bOnlyText = Short.bOnlyText;
  } else {
    iNext = cut_line(Walk.pData, Walk.nData, Walk.iPos, nLine);
    iFirst = header_scan_start(pLine, cut_length(nLine));
  }
  describe_waiting_line(Walk, iNext, -1);
  const std::int32_t nCut = cut_length(nLine);
  if (iFirst >= 0) {
    const RecordKind iKind = record_kind_at(pLine + iFirst, nCut - iFirst);
    if (iKind == Walk.iOwnKind) {
      Found = FoundHeader{pLine, nCut, -1};
      Walk.iPos = iNext;
      return true;
    }
    note_met_header(Index, Walk, iKind, 0, 0);
    if (!bOnlyText) check_fields(pLine, nCut);
  }
  Walk.iPos = iNext;
  return false;
}

// The walk, with the tool-layout test built in over the four-slot test
// LeadingGoodSlots: a line in the tool layout is recognised where it
// stands, its end found on the way; only other lines are searched for
// their end and checked field by field.
template <std::int32_t (*LeadingGoodSlots)(const char*)>
inline bool check_lines_by(FemScan& Fem, FoundHeader& Found) {
  // A walk ends at a header of its own kind, right after which no note
  // waits: the walk after it starts with none.
  WalkState Walk{
      Fem.pData, Fem.pData + Fem.nData, Fem.nData, Fem.iKind, Fem.iPos, nullptr, NameMemo{},
      0,         kRecordKinds};
  Walk.KindWord = Walk.Memo.Word;
  HeaderIndex& Index = Fem.Index;
  while (Walk.iPos < Walk.nData) {
    std::int32_t nName = 0;
    const std::int32_t nTool =
        tool_line_length_by<LeadingGoodSlots>(Walk.pData + Walk.iPos, Walk.pEnd, nName, &Walk.Memo);
    const bool bFound = nTool > 0 ? check_tool_line(Index, Walk, nTool, nName, Found)
                                  : check_other_line(Index, Walk, Found);
    if (bFound) {
      Fem.iPos = Walk.iPos;
      return true;
    }
  }
  Fem.iPos = Walk.nData;
  Fem.Index.bComplete = true;
  return false;
}

// The walk with the wide slot test, compiled for AVX2 as a whole.
LABLIX_WIDE_FORM bool check_lines_wide(FemScan& Fem, FoundHeader& Found) {
  return check_lines_by<leading_good_slots_wide>(Fem, Found);
}

bool check_lines_narrow(FemScan& Fem, FoundHeader& Found) {
  return check_lines_by<leading_good_slots>(Fem, Found);
}

}  // namespace

const CheckToNextHeader check_to_next_header = bWideSlots ? check_lines_wide : check_lines_narrow;
