// The header index: where the headers of each record kind stand in the FEM
// file, noted by the checking pass (fem/scan/checking_pass.h) and walked by the
// later passes (fem/fem_scan.h), which then go from header to header
// instead of reading every line. With each header it keeps what the
// checking pass found out about its line and the line after it, so that a
// later pass neither searches for their ends nor tests their layout again.
#pragma once
#include <cstdint>

#include "fem/record_kinds.h"

// One noted header. A file of 4 GiB or more is not indexed (the offsets
// take 32 bits): every pass then reads every line.
struct HeaderNote {
  std::uint32_t iAt;       // the offset of its line
  std::uint8_t nToolLine;  // its length when in the tool layout, 0 when not
  std::uint8_t nToolName;  // then its name's length
  std::uint8_t nNextStep;  // the line after it: from its start to the next line's,
                           // 0 when not described (a line noted ends in a line feed)
  std::int8_t nNextName;   // that line's name length in the tool layout, -1 when not
};

inline constexpr std::int64_t MxIndexedBytes = std::int64_t{1} << 32;

struct HeaderIndex {
  HeaderNote* Notes;               // kind k uses Notes[k * nMx, (k + 1) * nMx)
  std::int32_t nMx;                // 0: no index; every pass reads every line
  std::int32_t nAt[kRecordKinds];  // headers noted per kind
  bool bOverflow[kRecordKinds];    // kind not indexed: more headers than nMx, or
                                   // the kind the checking pass itself took
  bool bComplete;                  // a checking pass reached end of file
  // While a checking pass notes: the count at which noting must stop to ask
  // for more room (see next_note).
  std::int32_t nStop[kRecordKinds];
};

// The notes of kind iKind, in file order: nAt[iKind] of them.
inline const HeaderNote* kind_notes(const HeaderIndex& Index, RecordKind iKind) {
  return Index.Notes + static_cast<std::int64_t>(iKind) * Index.nMx;
}

// Empties the index for a checking pass over nData bytes taking headers of
// kind iOwnKind: that kind is not noted (a later pass of it, which the
// program makes none of, reads every line).
void start_noting(HeaderIndex& Index, RecordKind iOwnKind, std::int64_t nData);

// Room for the next stretch of kind iKind's notes once noting has reached
// its stop (next_note asks); false, the kind then not indexed, when the
// kind is full or not indexed already.
bool more_room(HeaderIndex& Index, RecordKind iKind);

// Room for the note of the next header of kind iKind, in file order, for
// the caller to fill in; null when the kind is not indexed (now full).
// Inline: the checking pass notes hundreds of thousands of headers.
inline HeaderNote* next_note(HeaderIndex& Index, RecordKind iKind) {
  if (Index.nAt[iKind] == Index.nStop[iKind] && !more_room(Index, iKind)) return nullptr;
  return Index.Notes + static_cast<std::int64_t>(iKind) * Index.nMx + Index.nAt[iKind]++;
}

// The number of notes per kind that create_header_index gives room for.
inline constexpr std::int32_t MxHeaderNotes = 1 << 20;

// Storage for MxHeaderNotes notes of every kind, zeroed and touched only
// where written; null when the memory cannot be had (the passes then read
// every line). Created once, at start-up, and kept for the run.
HeaderNote* create_header_index();
