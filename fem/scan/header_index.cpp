#include "fem/scan/header_index.h"

#include "platform/platform.h"

namespace {

// The index storage is new memory, touched as headers are noted. Past its
// first stretch, each stretch of a kind is asked of the system in one call
// when the first note lands in it, instead of a fault per 4 KB page: a
// large model notes hundreds of thousands of headers, megabytes of notes,
// and a fault costs far more than its share of one call. The first stretch
// faults as usual, so a small file stays small. A hint only: where the
// system cannot, pages fault as they are written.
constexpr std::int32_t kStretchNotes = 8192;  // 64 KB of notes

}  // namespace

// The stretch is asked of the system (past the first) and the stop moved
// to its end.
bool more_room(HeaderIndex& Index, RecordKind iKind) {
  const std::int32_t nAt = Index.nAt[iKind];
  if (Index.bOverflow[iKind] || nAt >= Index.nMx) {
    Index.bOverflow[iKind] = true;
    return false;
  }
  if (nAt > 0 && Index.nMx - nAt >= kStretchNotes) {
    HeaderNote* pNext = Index.Notes + static_cast<std::int64_t>(iKind) * Index.nMx + nAt;
    advise_populate_write(pNext, sizeof(HeaderNote) * kStretchNotes);
  }
  Index.nStop[iKind] = Index.nMx - nAt > kStretchNotes ? nAt + kStretchNotes : Index.nMx;
  return true;
}

void start_noting(HeaderIndex& Index, RecordKind iOwnKind, std::int64_t nData) {
  const bool bTooLarge = nData >= MxIndexedBytes;
  for (std::int32_t k = 0; k < kRecordKinds; ++k) {
    Index.nAt[k] = 0;
    Index.nStop[k] = 0;
    Index.bOverflow[k] = bTooLarge;
  }
  Index.bOverflow[iOwnKind] = true;
}

HeaderNote* create_header_index() {
  const std::size_t nBytes = sizeof(HeaderNote) * MxHeaderNotes * kRecordKinds;
  return static_cast<HeaderNote*>(map_zeroed_memory(static_cast<std::int64_t>(nBytes)));
}
