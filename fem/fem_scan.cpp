#include "fem/fem_scan.h"

#include <sys/mman.h>

#include "support/array_helpers.h"
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

// The record kind whose name the text at p (n characters) starts with, or
// kRecordKinds for none.
RecordKind record_kind_at(const char* p, std::int32_t n) {
  switch (p[0]) {
    case 'G':
      if (starts_with_record(p, n, "GNODE")) return kRecordGnode;
      if (starts_with_record(p, n, "GELMNT1")) return kRecordGelmnt1;
      break;
    case 'T':
      if (starts_with_record(p, n, "TDNODE")) return kRecordTdnode;
      if (starts_with_record(p, n, "TDSCONC")) return kRecordTdsconc;
      break;
    case 'S':
      if (starts_with_record(p, n, "SCONCEPT")) return kRecordSconcept;
      if (starts_with_record(p, n, "SCONMESH")) return kRecordSconmesh;
      break;
    default:
      break;
  }
  return kRecordKinds;
}

void split_into_buffer(FemFile& Fem, const char* pLine, std::int32_t nCut, LineFields& Fields) {
  Fem.pLine = pLine;
  Fem.nLine = nCut;
  fill_real_array(Fields.values + 1, kMaxFields, 1, 0.0);
  split_fields(pLine, nCut, Fields);
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

bool next_header_checking(FemFile& Fem, LineFields& Fields) {
  HeaderIndex& Index = Fem.Index;
  const char* pLine;
  std::int64_t nLine;
  for (;;) {
    const std::int64_t iOffset = unit_position(Fem.iUnit);
    if (!read_line_view(Fem.iUnit, pLine, nLine)) {
      Index.bComplete = true;
      return false;
    }
    const std::int32_t nCut = cut_length(nLine);
    const std::int32_t iFirst = header_scan_start(pLine, nCut);
    if (iFirst < 0) continue;
    const RecordKind iKind = record_kind_at(pLine + iFirst, nCut - iFirst);
    if (iKind != kRecordKinds) note_header(Index, iKind, iOffset);
    if (iKind == Fem.iKind) {
      split_into_buffer(Fem, pLine, nCut, Fields);
      return true;
    }
    check_fields(pLine, nCut);
  }
}

bool next_header_indexed(FemFile& Fem, LineFields& Fields) {
  const HeaderIndex& Index = Fem.Index;
  const std::int64_t* iAt = Index.iAt + static_cast<std::int64_t>(Fem.iKind) * Index.nMx;
  while (Fem.iNext < Index.nAt[Fem.iKind]) {
    const std::int64_t iOffset = iAt[Fem.iNext++];
    // A header already read raw as part of an earlier record is no header.
    if (iOffset < unit_position(Fem.iUnit)) continue;
    seek_unit(Fem.iUnit, iOffset);
    const char* pLine;
    std::int64_t nLine;
    if (!read_line_view(Fem.iUnit, pLine, nLine)) return false;
    split_into_buffer(Fem, pLine, cut_length(nLine), Fields);
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
  const char* pLine;
  std::int64_t nLine;
  if (!read_line_view(Fem.iUnit, pLine, nLine)) return false;
  split_into_buffer(Fem, pLine, cut_length(nLine), Fields);
  return true;
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
