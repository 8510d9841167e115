#include "fem/checking_pass.h"

#include "fem/header_scan.h"
#include "fem/line_shape.h"
#include "fem/tool_layout.h"

namespace {

using namespace tool_layout;

// What the pass keeps while it walks, in registers (the notes it writes
// are bytes, which the compiler must take to alias anything in memory): the
// text, its own kind and its place; the note of the header met last, until
// the line after it has been described there (null: none waiting); and the
// name columns found good last (see NameMemo) with the record kind of those
// whose word is KindWord. The memo may change on a line that then fails the
// tool layout, so the kind keeps its own word.
struct Walk {
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
inline void note_met_header(HeaderIndex& Index, Walk& W, RecordKind iKind, std::int32_t nToolLine,
                            std::int32_t nToolName) {
  if (iKind == kRecordKinds) return;
  HeaderNote* pNote = next_note(Index, iKind);
  W.pWaitingNote = pNote;
  if (pNote == nullptr) return;
  // Field by field: built whole, the note took a dozen more instructions.
  pNote->iAt = static_cast<std::uint32_t>(W.iPos);
  pNote->nToolLine = static_cast<std::uint8_t>(nToolLine);
  pNote->nToolName = static_cast<std::uint8_t>(nToolName);
  pNote->nNextStep = 0;
  pNote->nNextName = -1;
}

// Describes the line from the walk's place to iNext in the note of the
// header met just before it, if one waits: where the line after it starts,
// and its name's length when it is in the tool layout (nToolName, -1 when
// not). A line noted ends in a line feed.
inline void describe_waiting_line(Walk& W, std::int64_t iNext, std::int32_t nToolName) {
  HeaderNote* pNote = W.pWaitingNote;
  if (pNote == nullptr) return;
  W.pWaitingNote = nullptr;
  const std::int64_t nStep = iNext - W.iPos;
  if (nStep > 0xFF || W.pData[iNext - 1] != '\n') return;
  pNote->nNextStep = static_cast<std::uint8_t>(nStep);
  pNote->nNextName = static_cast<std::int8_t>(nToolName);
}

// A line in the tool layout, of nTool characters and a name of nName:
// nothing in it can stop the run, and only its name can make it a header.
// True when it is a header of the pass's own kind.
inline bool check_tool_line(HeaderIndex& Index, Walk& W, std::int32_t nTool, std::int32_t nName,
                            FoundHeader& Found) {
  const char* pLine = W.pData + W.iPos;
  const std::int64_t iNext = W.iPos + past_tool_line(pLine, nTool);
  describe_waiting_line(W, iNext, nName);
  if (nName > 0) {
    // A named tool line's name columns are those of the memo.
    if (W.Memo.Word != W.KindWord) {
      W.KindWord = W.Memo.Word;
      W.iMemoKind = tool_record_kind(pLine);
    }
    if (W.iMemoKind == W.iOwnKind) {
      Found = FoundHeader{pLine, nTool, nName};
      W.iPos = iNext;
      return true;
    }
    note_met_header(Index, W, W.iMemoKind, nTool, nName);
  }
  W.iPos = iNext;
  return false;
}

// Any other line: a short one (a name, mostly) is described in one step; a
// longer one is cut out and looked at in turn. Its fields are checked
// unless none can be a number. True when it is a header of the pass's own
// kind.
inline bool check_other_line(HeaderIndex& Index, Walk& W, FoundHeader& Found) {
  const char* pLine = W.pData + W.iPos;
  std::int64_t nLine;
  std::int64_t iNext;
  std::int32_t iFirst;
  bool bOnlyText = false;
  ShortLine Short;
  if (short_line_shape(pLine, W.pEnd, Short)) {
    nLine = Short.nLine;
    iNext = W.iPos + Short.nStep;
    iFirst = is_comment_start(pLine[0]) ? -1 : Short.iFirst;
    bOnlyText = Short.bOnlyText;
  } else {
    iNext = cut_line(W.pData, W.nData, W.iPos, nLine);
    iFirst = header_scan_start(pLine, cut_length(nLine));
  }
  describe_waiting_line(W, iNext, -1);
  const std::int32_t nCut = cut_length(nLine);
  if (iFirst >= 0) {
    const RecordKind iKind = record_kind_at(pLine + iFirst, nCut - iFirst);
    if (iKind == W.iOwnKind) {
      Found = FoundHeader{pLine, nCut, -1};
      W.iPos = iNext;
      return true;
    }
    note_met_header(Index, W, iKind, 0, 0);
    if (!bOnlyText) check_fields(pLine, nCut);
  }
  W.iPos = iNext;
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
  Walk W{Fem.pData, Fem.pData + Fem.nData, Fem.nData, Fem.iKind, Fem.iPos, nullptr, NameMemo{},
         0,         kRecordKinds};
  W.KindWord = W.Memo.Word;
  HeaderIndex& Index = Fem.Index;
  while (W.iPos < W.nData) {
    std::int32_t nName = 0;
    const std::int32_t nTool =
        tool_line_length_by<LeadingGoodSlots>(W.pData + W.iPos, W.pEnd, nName, &W.Memo);
    const bool bFound = nTool > 0 ? check_tool_line(Index, W, nTool, nName, Found)
                                  : check_other_line(Index, W, Found);
    if (bFound) {
      Fem.iPos = W.iPos;
      return true;
    }
  }
  Fem.iPos = W.nData;
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
