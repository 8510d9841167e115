#include "fem/fem_scan.h"

#include <sys/mman.h>

#include <cstring>

#include "fem/tool_layout.h"
#include "support/file_units.h"
#include "support/text_helpers.h"

namespace {

std::int32_t cut_length(std::int64_t nLine) {
  return nLine > kLineLen ? kLineLen : static_cast<std::int32_t>(nLine);
}

// True for a character that makes a line a comment in column 1.
bool is_comment_start(char c) {
  return c == '$' || c == '#' || c == '!';
}

// Index of the first non-blank character of a header-scan line, or -1 when
// the scan passes the line over (comment or blank).
std::int32_t header_scan_start(const char* pLine, std::int32_t nCut) {
  if (nCut == 0) return -1;
  if (is_comment_start(pLine[0])) return -1;
  for (std::int32_t i = 0; i < nCut; ++i) {
    if (pLine[i] != kBlank) return i;
  }
  return -1;
}

// True when the n characters at p start with the record name: the length
// is known here, so the comparison is a few inline instructions.
template <std::size_t nSize>
inline bool begins_with(const char* p, std::int32_t n, const char (&ChName)[nSize]) {
  constexpr auto nName = static_cast<std::int32_t>(nSize - 1);
  return n >= nName && std::memcmp(p, ChName, nSize - 1) == 0;
}

// The record kind of a line in the tool layout whose name columns hold a
// name, or kRecordKinds for none: the name starts with a record name when
// its first characters are those of the record name, taken from the name
// columns as one word (a name shorter than the record name has a blank
// where the record name has a letter).
template <std::size_t nSize>
constexpr bool begins_with_word(std::uint64_t Word, const char (&ChName)[nSize]) {
  constexpr std::uint64_t Mask =
      nSize - 1 >= 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * (nSize - 1))) - 1;
  return (Word & Mask) == tool_layout::word_of(ChName);
}

RecordKind tool_record_kind(const char* pLine) {
  const std::uint64_t Word = tool_layout::word_at(pLine);
  switch (pLine[0]) {
    case 'G':
      if (begins_with_word(Word, "GNODE")) return kRecordGnode;
      if (begins_with_word(Word, "GELMNT1")) return kRecordGelmnt1;
      break;
    case 'T':
      if (begins_with_word(Word, "TDNODE")) return kRecordTdnode;
      if (begins_with_word(Word, "TDSCONC")) return kRecordTdsconc;
      break;
    case 'S':
      if (begins_with_word(Word, "SCONCEPT")) return kRecordSconcept;
      if (begins_with_word(Word, "SCONMESH")) return kRecordSconmesh;
      break;
    default:
      break;
  }
  return kRecordKinds;
}

// The record kind whose name the text at p (n characters, p[0] not blank)
// starts with, or kRecordKinds for none.
RecordKind record_kind_at(const char* p, std::int32_t n) {
  switch (p[0]) {
    case 'G':
      if (begins_with(p, n, "GNODE")) return kRecordGnode;
      if (begins_with(p, n, "GELMNT1")) return kRecordGelmnt1;
      break;
    case 'T':
      if (begins_with(p, n, "TDNODE")) return kRecordTdnode;
      if (begins_with(p, n, "TDSCONC")) return kRecordTdsconc;
      break;
    case 'S':
      if (begins_with(p, n, "SCONCEPT")) return kRecordSconcept;
      if (begins_with(p, n, "SCONMESH")) return kRecordSconmesh;
      break;
    default:
      break;
  }
  return kRecordKinds;
}

// Makes the values of a split read as if all 100 had been set to 0.0 before
// it: the split wrote the numbers, so the entries that the previous split
// into the same Fields wrote past this one's last field are cleared now
// (text fields are cleared by the callers, who know where they stand). This
// runs for every header and data line a reader takes; clearing afterwards,
// and only what is not 0 already, leaves a few bytes instead of 800 and does
// not write the numbers twice.
void clear_past_split(FemFile& Fem, LineFields& Fields) {
  // Fields the pass has not split into before may hold anything.
  const std::int32_t nDirty = Fem.pCleared == &Fields ? Fem.nWritten : kMaxFields;
  if (nDirty > Fields.count) {
    // Mostly a line of two slots after one of four: a fixed-size clear of
    // four values (those past nDirty are 0 already) instead of a call.
    if (nDirty - Fields.count <= 4 && Fields.count <= kMaxFields - 4) {
      std::memset(Fields.values + Fields.count + 1, 0, 4 * sizeof(double));
    } else {
      std::memset(Fields.values + Fields.count + 1, 0,
                  sizeof(double) * static_cast<std::size_t>(nDirty - Fields.count));
    }
  }
  Fem.pCleared = &Fields;
  Fem.nWritten = Fields.count;
}

void split_into_buffer(FemFile& Fem, const char* pLine, std::int32_t nCut, LineFields& Fields) {
  Fem.pLine = pLine;
  Fem.nLine = nCut;
  split_fields(pLine, nCut, Fields);
  for (std::int32_t k = 1; k <= Fields.count; ++k) {
    if (Fields.kinds[k] == kFieldText) Fields.values[k] = 0.0;
  }
  clear_past_split(Fem, Fields);
}

// split_into_buffer for a line that tool_line_length accepted: its layout is
// known and not tested again, and its one text field is its name. Values of
// fields iFirstValue to iLastValue only.
void split_tool_into_buffer(FemFile& Fem, const char* pLine, std::int32_t nLine, std::int32_t nName,
                            LineFields& Fields, std::int32_t iFirstValue = 1,
                            std::int32_t iLastValue = kMaxFields) {
  Fem.pLine = pLine;
  Fem.nLine = nLine;
  split_tool_line(pLine, nLine, nName, Fields, iFirstValue, iLastValue);
  if (nName > 0) Fields.values[1] = 0.0;
  clear_past_split(Fem, Fields);
}

// The offset just past a line in the tool layout of nLine characters at
// pLine: tool_line_length found it ended by a line feed or CR LF.
std::int64_t past_tool_line(const char* pLine, std::int64_t nLine) {
  return nLine + (pLine[nLine] == '\r' ? 2 : 1);
}

// True when the index describes the line at the pass's place (see
// next_header_indexed); the length of that line, terminator excluded, is
// then noted_length.
bool is_noted_line(const FemFile& Fem) {
  return Fem.iPos == Fem.iNotedAt && Fem.iNotedNext > 0;
}

// The length of the noted line: it ends in a line feed (note_waiting_line).
std::int32_t noted_length(const FemFile& Fem) {
  return static_cast<std::int32_t>(
      length_before_feed(Fem.pData + Fem.iNotedAt, Fem.iNotedNext - Fem.iNotedAt - 1));
}

// The next line from the pass's place, uncopied, as read_line_view gives it
// (full length, terminator excluded). On the mapped file the pass walks it
// itself: a call into the unit table per line cost more than the walk.
bool next_line(FemFile& Fem, const char*& pLine, std::int64_t& nLine) {
  if (!Fem.bMapped) return read_line_view(Fem.iUnit, pLine, nLine);
  if (Fem.iPos >= Fem.nData) return false;
  pLine = Fem.pData + Fem.iPos;
  if (is_noted_line(Fem)) {
    nLine = noted_length(Fem);
    Fem.iPos = Fem.iNotedNext;
    return true;
  }
  Fem.iPos = cut_line(Fem.pData, Fem.nData, Fem.iPos, nLine);
  return true;
}

// Reads the next line into the line buffer and splits it, values cleared
// first. A line in the tool layout is cut out and split in one go: its end
// is found while its layout is tested (or was, by the checking pass), and it
// is not tested again. False at end of file.
bool take_next_line(FemFile& Fem, LineFields& Fields) {
  if (Fem.bMapped && Fem.iPos < Fem.nData) {
    const char* pLine = Fem.pData + Fem.iPos;
    std::int32_t nName = Fem.nNotedName;
    std::int32_t nLine = 0;
    if (!is_noted_line(Fem)) {
      nLine = tool_line_length(pLine, Fem.pData + Fem.nData, nName);
    } else if (nName >= 0) {
      nLine = noted_length(Fem);
    }
    if (nLine > 0) {
      Fem.iPos += past_tool_line(pLine, nLine);
      split_tool_into_buffer(Fem, pLine, nLine, nName, Fields);
      return true;
    }
  }
  const char* pLine;
  std::int64_t nLine;
  if (!next_line(Fem, pLine, nLine)) return false;
  split_into_buffer(Fem, pLine, cut_length(nLine), Fields);
  return true;
}

// A noted header is its line's offset and, for a line in the tool layout,
// what the checking pass found out about it: its length and its name's
// length (0 for any other line). An indexed pass then splits such a header
// without testing its layout again. Of the line after it, read raw by the
// readers, the entry keeps how far on the line after that one starts (0:
// not noted; a line noted there ends in a line feed) and, when it is in the
// tool layout, 1 + its name's length (0 when not). The offset takes the low
// bits; a file too large for them (a terabyte) is not indexed.
constexpr std::int32_t kToolLineShift = 40;
constexpr std::int32_t kToolNameShift = 48;
constexpr std::int32_t kNextStepShift = 52;
constexpr std::int32_t kNextNameShift = 60;
constexpr std::int64_t kOffsetMask = (std::int64_t{1} << kToolLineShift) - 1;
constexpr std::int64_t kMaxNextStep = 0xFF;

// Bits nBits from bit iShift of an entry.
inline std::int32_t entry_bits(std::int64_t iNoted, std::int32_t iShift, std::int32_t nBits) {
  return static_cast<std::int32_t>((static_cast<std::uint64_t>(iNoted) >> iShift) &
                                   ((1U << nBits) - 1));
}

// The index storage is new memory, touched as offsets are noted. Past its
// first stretch, each stretch of a kind is asked of the system in one call
// when the first offset lands in it, instead of a fault per 4 KB page:
// a large model notes hundreds of thousands of headers, megabytes of
// offsets, and a fault costs far more than its share of one call. The
// first stretch faults as usual, so a small file stays small. A hint only:
// where the system cannot, pages fault as they are written.
constexpr std::int32_t kStretchEntries = 8192;  // 64 KB of offsets
#if defined(MADV_POPULATE_WRITE)
constexpr int kPopulateWrite = MADV_POPULATE_WRITE;
#else
constexpr int kPopulateWrite = 23;  // Linux 5.14 and later; older ones refuse it
#endif

// Room for the next stretch of a kind's entries when noting reached its
// stop: the stretch is asked of the system (past the first) and the stop
// moved to its end. False, the kind marked not indexed, when the kind is
// full or not indexed already.
[[gnu::noinline]] bool more_room(HeaderIndex& Index, RecordKind iKind) {
  const std::int32_t nAt = Index.nAt[iKind];
  if (Index.bOverflow[iKind] || nAt >= Index.nMx) {
    Index.bOverflow[iKind] = true;
    return false;
  }
  if (nAt > 0 && Index.nMx - nAt >= kStretchEntries) {
    ::madvise(Index.pKindAt[iKind] + nAt, sizeof(std::int64_t) * kStretchEntries, kPopulateWrite);
  }
  Index.nStop[iKind] = Index.nMx - nAt > kStretchEntries ? nAt + kStretchEntries : Index.nMx;
  return true;
}

// Notes a header; returns its entry, or null when the kind is not indexed.
std::int64_t* note_header(HeaderIndex& Index, RecordKind iKind, std::int64_t iOffset,
                          std::int32_t nToolLine, std::int32_t nName) {
  if (Index.nAt[iKind] == Index.nStop[iKind] && !more_room(Index, iKind)) return nullptr;
  std::int64_t* pEntry = Index.pKindAt[iKind] + Index.nAt[iKind]++;
  *pEntry = iOffset | (static_cast<std::int64_t>(nToolLine) << kToolLineShift) |
            (static_cast<std::int64_t>(nName) << kToolNameShift);
  return pEntry;
}

// Describes the line from iPos to iNext in the entry of the header noted
// just before it, if any (Fem.pWaitingNote): where the line after it
// starts, and its name's length when it is in the tool layout (nToolName,
// -1 when not).
void note_waiting_line(FemFile& Fem, std::int64_t iPos, std::int64_t iNext,
                       std::int32_t nToolName) {
  std::int64_t* pEntry = Fem.pWaitingNote;
  if (pEntry == nullptr) return;
  Fem.pWaitingNote = nullptr;
  const std::int64_t nStep = iNext - iPos;
  if (nStep > kMaxNextStep || Fem.pData[iNext - 1] != '\n') return;
  const std::uint64_t uNext = static_cast<std::uint64_t>(nStep) << kNextStepShift |
                              static_cast<std::uint64_t>(nToolName + 1) << kNextNameShift;
  *pEntry = static_cast<std::int64_t>(static_cast<std::uint64_t>(*pEntry) | uNext);
}

bool next_header_every_line(FemFile& Fem, LineFields& Fields) {
  const char* pLine;
  std::int64_t nLine;
  while (next_line(Fem, pLine, nLine)) {
    const std::int32_t nCut = cut_length(nLine);
    if (header_scan_start(pLine, nCut) < 0) continue;
    split_into_buffer(Fem, pLine, nCut, Fields);
    if (is_record_header(Fields, kRecordName[Fem.iKind])) return true;
  }
  return false;
}

// The checking pass looks at every line, and a line in the tool layout is
// recognised where it stands, its end found on the way (tool_line_length,
// built into the loop with the four-slot test LeadingGoodSlots); only other
// lines are cut out with a search for the line feed and checked field by
// field.
template <std::int32_t (*LeadingGoodSlots)(const char*)>
inline bool next_header_checking_by(FemFile& Fem, LineFields& Fields) {
  HeaderIndex& Index = Fem.Index;
  if (!Fem.bMapped) return next_header_every_line(Fem, Fields);
  const char* const pData = Fem.pData;
  const std::int64_t nData = Fem.nData;
  const char* const pEnd = pData + nData;
  std::int64_t iPos = Fem.iPos;
  // The name columns found good last (see NameMemo), and the record kind
  // of those whose word is KindWord: the memo may change on a line that
  // then fails the layout, so the kind keeps its own word.
  tool_layout::NameMemo Memo;
  std::uint64_t KindWord = Memo.Word;
  RecordKind iMemoKind = kRecordKinds;
  while (iPos < nData) {
    const char* pLine = pData + iPos;
    std::int32_t nName = 0;
    const std::int32_t nTool =
        tool_layout::tool_line_length_by<LeadingGoodSlots>(pLine, pEnd, nName, &Memo);
    if (nTool > 0) {
      // A line in the tool layout: nothing in it can stop the run, and only
      // its name can make it a header.
      const std::int64_t iNext = iPos + past_tool_line(pLine, nTool);
      note_waiting_line(Fem, iPos, iNext, nName);
      if (nName > 0) {
        // A named tool line's name columns are those of the memo.
        if (Memo.Word != KindWord) {
          KindWord = Memo.Word;
          iMemoKind = tool_record_kind(pLine);
        }
        const RecordKind iKind = iMemoKind;
        if (iKind == Fem.iKind) {
          Fem.iPos = iNext;
          split_tool_into_buffer(Fem, pLine, nTool, nName, Fields, Fem.iFirstValue, Fem.iLastValue);
          return true;
        }
        if (iKind != kRecordKinds) Fem.pWaitingNote = note_header(Index, iKind, iPos, nTool, nName);
      }
      iPos = iNext;
      continue;
    }
    // Any other line: a short one (a name, mostly) is described in one
    // step; a longer one is cut out and looked at in turn.
    std::int64_t nLine;
    std::int64_t iNext;
    std::int32_t iFirst;
    bool bOnlyText = false;
    ShortLine Short;
    if (short_line_shape(pLine, pEnd, Short)) {
      nLine = Short.nLine;
      iNext = iPos + Short.nStep;
      iFirst = is_comment_start(pLine[0]) ? -1 : Short.iFirst;
      bOnlyText = Short.bOnlyText;
    } else {
      iNext = cut_line(pData, nData, iPos, nLine);
      iFirst = header_scan_start(pLine, cut_length(nLine));
    }
    note_waiting_line(Fem, iPos, iNext, -1);
    const std::int32_t nCut = cut_length(nLine);
    if (iFirst >= 0) {
      const RecordKind iKind = record_kind_at(pLine + iFirst, nCut - iFirst);
      if (iKind == Fem.iKind) {
        Fem.iPos = iNext;
        split_into_buffer(Fem, pLine, nCut, Fields);
        return true;
      }
      if (iKind != kRecordKinds) Fem.pWaitingNote = note_header(Index, iKind, iPos, 0, 0);
      if (!bOnlyText) check_fields(pLine, nCut);
    }
    iPos = iNext;
  }
  Fem.iPos = nData;
  Index.bComplete = true;
  return false;
}

#if defined(LABLIX_WIDE_SLOTS)
// flatten: the loop with the AVX2 test built in, compiled for AVX2.
__attribute__((target("avx2"), flatten)) bool next_header_checking_wide(FemFile& Fem,
                                                                        LineFields& Fields) {
  return next_header_checking_by<tool_layout::leading_good_slots_wide>(Fem, Fields);
}
#endif

bool next_header_checking(FemFile& Fem, LineFields& Fields) {
#if defined(LABLIX_WIDE_SLOTS)
  if (tool_layout::bWideSlots) return next_header_checking_wide(Fem, Fields);
#endif
  return next_header_checking_by<tool_layout::leading_good_slots>(Fem, Fields);
}

// How many headers ahead an indexed pass asks for the line it will read.
constexpr std::int32_t kPrefetchAhead = 16;

bool next_header_indexed(FemFile& Fem, LineFields& Fields) {
  const HeaderIndex& Index = Fem.Index;
  const std::int64_t* iAt = Index.iAt + static_cast<std::int64_t>(Fem.iKind) * Index.nMx;
  while (Fem.iNext < Index.nAt[Fem.iKind]) {
    // The headers lie spread over the file, which is far larger than the
    // caches: the line a few headers on is asked for now, so that it is
    // there when its turn comes instead of each being waited for in turn.
    if (Fem.iNext + kPrefetchAhead < Index.nAt[Fem.iKind]) {
      __builtin_prefetch(Fem.pData + (iAt[Fem.iNext + kPrefetchAhead] & kOffsetMask));
    }
    const std::int64_t iNoted = iAt[Fem.iNext++];
    const std::int64_t iOffset = iNoted & kOffsetMask;
    // A header already read raw as part of an earlier record is no header.
    if (iOffset < Fem.iPos) continue;
    Fem.iPos = iOffset;
    const std::int32_t nToolLine = entry_bits(iNoted, kToolLineShift, 8);
    if (nToolLine == 0) {
      Fem.iNotedAt = -1;  // the header's own line is not described
      take_next_line(Fem, Fields);
    } else {
      const char* pLine = Fem.pData + iOffset;
      Fem.iPos += past_tool_line(pLine, nToolLine);
      split_tool_into_buffer(Fem, pLine, nToolLine, entry_bits(iNoted, kToolNameShift, 4), Fields,
                             Fem.iFirstValue, Fem.iLastValue);
    }
    // What the entry says of the line after the header, for the reader's
    // raw reads.
    const std::int32_t nNextStep = entry_bits(iNoted, kNextStepShift, 8);
    Fem.iNotedAt = Fem.iPos;
    Fem.iNotedNext = nNextStep > 0 ? Fem.iPos + nNextStep : 0;
    Fem.nNotedName = entry_bits(iNoted, kNextNameShift, 4) - 1;
    return true;
  }
  return false;
}

}  // namespace

FemFile fem_file_on(std::int32_t iUnit, std::int64_t* iIndexStorage, std::int32_t nIndexMx) {
  FemFile Fem{};
  Fem.iUnit = iUnit;
  Fem.Index.iAt = iIndexStorage;
  Fem.Index.nMx = iIndexStorage == nullptr ? 0 : nIndexMx;
  return Fem;
}

void begin_pass(FemFile& Fem, RecordKind iKind, std::int32_t iFirstValue, std::int32_t iLastValue) {
  rewind_unit(Fem.iUnit);
  Fem.iKind = iKind;
  Fem.iFirstValue = iFirstValue;
  Fem.iLastValue = iLastValue;
  Fem.iNext = 0;
  Fem.pLine = nullptr;
  Fem.nLine = 0;
  Fem.bMapped = unit_contents(Fem.iUnit, Fem.pData, Fem.nData);
  if (!Fem.bMapped) {
    Fem.pData = nullptr;
    Fem.nData = 0;
  }
  Fem.iPos = 0;
  Fem.pCleared = nullptr;
  Fem.nWritten = kMaxFields;
  Fem.pWaitingNote = nullptr;
  Fem.iNotedAt = -1;
  Fem.iNotedNext = 0;
  HeaderIndex& Index = Fem.Index;
  if (Index.bComplete && !Index.bOverflow[iKind] && Fem.bMapped) {
    Fem.iMode = kScanIndexed;
  } else if (Index.nMx > 0 && !Index.bComplete &&
             (iKind == kRecordGnode || iKind == kRecordGelmnt1)) {
    // Only a pass that reads no raw lines sees every line through its
    // header scan, and so may check and index them all.
    Fem.iMode = kScanChecking;
    // Offsets take the entries' low bits: a file too large for them (a
    // terabyte) is not indexed at all.
    const bool bTooLarge = Fem.nData > kOffsetMask;
    for (std::int32_t k = 0; k < kRecordKinds; ++k) {
      Index.nAt[k] = 0;
      Index.nStop[k] = 0;
      Index.pKindAt[k] = Index.iAt + static_cast<std::int64_t>(k) * Index.nMx;
      Index.bOverflow[k] = bTooLarge;
    }
    // The pass's own headers are taken as they are met, not noted: a later
    // pass of this kind (the program makes none) reads every line.
    Index.bOverflow[iKind] = true;
  } else {
    Fem.iMode = kScanEveryLine;
  }
}

bool next_header(FemFile& Fem, LineFields& Fields) {
  switch (Fem.iMode) {
    case kScanIndexed:
      return next_header_indexed(Fem, Fields);
    case kScanChecking:
      return next_header_checking(Fem, Fields);
    case kScanEveryLine:
      break;
  }
  return next_header_every_line(Fem, Fields);
}

bool read_raw_line(FemFile& Fem, LineFields& Fields) {
  return take_next_line(Fem, Fields);
}

bool read_raw_name(FemFile& Fem, char* ChName) {
  constexpr std::int32_t kNameWidth = 80;
  const char* pLine;
  std::int64_t nLine;
  // Blanks in one fixed-size move, then the line's characters over them.
  std::memset(ChName, kBlank, kNameWidth);
  if (!next_line(Fem, pLine, nLine)) return false;
  std::memcpy(ChName, pLine, static_cast<std::size_t>(nLine > kNameWidth ? kNameWidth : nLine));
  return true;
}

std::int64_t* create_header_index() {
  const std::size_t nBytes = sizeof(std::int64_t) * kHeaderIndexMx * kRecordKinds;
  void* p = ::mmap(nullptr, nBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return p == MAP_FAILED ? nullptr : static_cast<std::int64_t*>(p);
}
