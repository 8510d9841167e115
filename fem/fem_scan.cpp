#include "fem/fem_scan.h"

#include <sys/mman.h>

#include <cstring>

#include "support/file_units.h"
#include "support/text_helpers.h"

namespace {

std::int32_t cut_length(std::int64_t nLine) {
  return nLine > kLineLen ? kLineLen : static_cast<std::int32_t>(nLine);
}

// Index of the first non-blank character of a header-scan line, or -1 when
// the scan passes the line over (comment or blank).
std::int32_t header_scan_start(const char* pLine, std::int32_t nCut) {
  if (nCut == 0) return -1;
  const char c = pLine[0];
  if (c == '$' || c == '#' || c == '!') return -1;
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
// it: the split wrote the numbers, so text fields and the entries past the
// last field are cleared now. This runs for every header and data line a
// reader takes; clearing afterwards leaves a few hundred bytes instead of 800
// and does not write the numbers twice.
void clear_unwritten_values(LineFields& Fields) {
  for (std::int32_t k = 1; k <= Fields.count; ++k) {
    if (Fields.kinds[k] == kFieldText) Fields.values[k] = 0.0;
  }
  std::memset(Fields.values + Fields.count + 1, 0,
              sizeof(double) * static_cast<std::size_t>(kMaxFields - Fields.count));
}

void split_into_buffer(FemFile& Fem, const char* pLine, std::int32_t nCut, LineFields& Fields) {
  Fem.pLine = pLine;
  Fem.nLine = nCut;
  split_fields(pLine, nCut, Fields);
  clear_unwritten_values(Fields);
}

// Reads the next line into the line buffer and splits it, values cleared
// first. A line in the tool layout is cut out and split in one go: its end
// is found while its layout is tested, and it is not tested again. False at
// end of file.
bool take_next_line(FemFile& Fem, LineFields& Fields) {
  const char* pData;
  std::int64_t nData;
  if (unit_contents(Fem.iUnit, pData, nData)) {
    const std::int64_t iPos = unit_position(Fem.iUnit);
    std::int32_t nName;
    const std::int32_t nLine =
        iPos < nData ? tool_line_length(pData + iPos, pData + nData, nName) : 0;
    if (nLine > 0) {
      const char* pLine = pData + iPos;
      seek_unit(Fem.iUnit, iPos + nLine + (pLine[nLine] == '\r' ? 2 : 1));
      Fem.pLine = pLine;
      Fem.nLine = nLine;
      split_tool_line(pLine, nLine, nName, Fields);
      clear_unwritten_values(Fields);
      return true;
    }
  }
  const char* pLine;
  std::int64_t nLine;
  if (!read_line_view(Fem.iUnit, pLine, nLine)) return false;
  split_into_buffer(Fem, pLine, cut_length(nLine), Fields);
  return true;
}

void note_header(HeaderIndex& Index, RecordKind iKind, std::int64_t iOffset) {
  if (Index.nAt[iKind] == Index.nMx) {
    Index.bOverflow[iKind] = true;
    return;
  }
  Index.iAt[static_cast<std::int64_t>(iKind) * Index.nMx + Index.nAt[iKind]++] = iOffset;
}

bool next_header_every_line(FemFile& Fem, LineFields& Fields) {
  const char* pLine;
  std::int64_t nLine;
  while (read_line_view(Fem.iUnit, pLine, nLine)) {
    const std::int32_t nCut = cut_length(nLine);
    if (header_scan_start(pLine, nCut) < 0) continue;
    split_into_buffer(Fem, pLine, nCut, Fields);
    if (is_record_header(Fields, kRecordName[Fem.iKind])) return true;
  }
  return false;
}

// The checking pass walks the mapped file itself: it is the one pass that
// looks at every line, and a call per line to cut it out would cost more
// than the check. A line in the tool layout is recognised where it stands,
// its end found on the way (tool_line_length); only other lines are cut out
// with a search for the line feed and checked field by field.
bool next_header_checking(FemFile& Fem, LineFields& Fields) {
  HeaderIndex& Index = Fem.Index;
  const char* pData;
  std::int64_t nData;
  if (!unit_contents(Fem.iUnit, pData, nData)) return next_header_every_line(Fem, Fields);
  const char* const pEnd = pData + nData;
  std::int64_t iPos = unit_position(Fem.iUnit);
  while (iPos < nData) {
    const char* pLine = pData + iPos;
    std::int32_t nName;
    std::int64_t nLine = tool_line_length(pLine, pEnd, nName);
    std::int64_t iNext;
    std::int32_t iFirst = 0;
    const bool bToolLine = nLine > 0;
    if (bToolLine) {
      iNext = iPos + nLine + (pLine[nLine] == '\r' ? 2 : 1);
      if (nName == 0) {  // a data line: no header, nothing to check
        iPos = iNext;
        continue;
      }
    } else {
      const auto* pFeed = static_cast<const char*>(
          std::memchr(pLine, '\n', static_cast<std::size_t>(nData - iPos)));
      if (pFeed == nullptr) {
        nLine = nData - iPos;
        iNext = nData;
      } else {
        nLine = pFeed - pLine;
        iNext = iPos + nLine + 1;
        if (nLine > 0 && pLine[nLine - 1] == '\r') --nLine;
      }
      iFirst = header_scan_start(pLine, cut_length(nLine));
      if (iFirst < 0) {
        iPos = iNext;
        continue;
      }
    }
    const std::int32_t nCut = cut_length(nLine);
    const RecordKind iKind = record_kind_at(pLine + iFirst, nCut - iFirst);
    if (iKind != kRecordKinds) note_header(Index, iKind, iPos);
    if (iKind == Fem.iKind) {
      seek_unit(Fem.iUnit, iNext);
      split_into_buffer(Fem, pLine, nCut, Fields);
      return true;
    }
    if (!bToolLine) check_fields(pLine, nCut);
    iPos = iNext;
  }
  seek_unit(Fem.iUnit, nData);
  Index.bComplete = true;
  return false;
}

bool next_header_indexed(FemFile& Fem, LineFields& Fields) {
  const HeaderIndex& Index = Fem.Index;
  const std::int64_t* iAt = Index.iAt + static_cast<std::int64_t>(Fem.iKind) * Index.nMx;
  while (Fem.iNext < Index.nAt[Fem.iKind]) {
    const std::int64_t iOffset = iAt[Fem.iNext++];
    // A header already read raw as part of an earlier record is no header.
    if (iOffset < unit_position(Fem.iUnit)) continue;
    seek_unit(Fem.iUnit, iOffset);
    return take_next_line(Fem, Fields);
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

void begin_pass(FemFile& Fem, RecordKind iKind) {
  rewind_unit(Fem.iUnit);
  Fem.iKind = iKind;
  Fem.iNext = 0;
  Fem.pLine = nullptr;
  Fem.nLine = 0;
  HeaderIndex& Index = Fem.Index;
  if (Index.bComplete && !Index.bOverflow[iKind]) {
    Fem.iMode = kScanIndexed;
  } else if (Index.nMx > 0 && !Index.bComplete &&
             (iKind == kRecordGnode || iKind == kRecordGelmnt1)) {
    // Only a pass that reads no raw lines sees every line through its
    // header scan, and so may check and index them all.
    Fem.iMode = kScanChecking;
    for (std::int32_t k = 0; k < kRecordKinds; ++k) {
      Index.nAt[k] = 0;
      Index.bOverflow[k] = false;
    }
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
  fill_blanks(ChName, 80);
  const char* pLine;
  std::int64_t nLine;
  if (!read_line_view(Fem.iUnit, pLine, nLine)) return false;
  copy_padded(ChName, 80, pLine, nLine > 80 ? 80 : static_cast<std::int32_t>(nLine));
  return true;
}

std::int64_t* create_header_index() {
  const std::size_t nBytes = sizeof(std::int64_t) * kHeaderIndexMx * kRecordKinds;
  void* p = ::mmap(nullptr, nBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return p == MAP_FAILED ? nullptr : static_cast<std::int64_t*>(p);
}
