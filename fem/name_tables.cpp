#include "fem/name_tables.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "platform/platform.h"
#include "support/array_helpers.h"
#include "support/text_helpers.h"

namespace {

// A large table's memory is taken in whole 2 MB units, the size of a huge
// page: the system places such a mapping on a huge-page boundary, so that
// with huge pages preferred no part of it is left to 4 KB pages. Address
// space only; a page still costs nothing until it is written. A table
// smaller than a huge page keeps its size: a fresh huge page would cost
// more to clear than its few small pages.
constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;

std::size_t mapped_size(std::size_t nBytes) {
  if (nBytes < kHugePageBytes) return nBytes;
  return (nBytes + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes;
}

// Anonymous mappings arrive zeroed and cost a page only when it is written.
void* zeroed_memory(std::size_t nBytes) {
  return map_zeroed_memory(static_cast<std::int64_t>(mapped_size(nBytes)));
}

void give_back(void* p, std::size_t nBytes) {
  if (p != nullptr) release_memory(p, static_cast<std::int64_t>(mapped_size(nBytes)));
}

constexpr std::size_t kNodeExtBytes = sizeof(std::int32_t) * (MxNode + 1);
// A name column: its entries, and a pool of 160 characters per entry (see
// NameColumn).
constexpr std::size_t kNameEntryBytes = sizeof(NameEntry) * (MxNode + 1);
constexpr std::size_t kNamePoolBytes = 1 + std::size_t{2} * kNameLen * (MxNode + 1);
static_assert(MxMemb == MxNode, "both name columns have the same size");
static_assert(kNamePoolBytes <= std::size_t{1} << (32 - kNameAtShift), "pool places fit 24 bits");
constexpr std::size_t kElemExtBytes = sizeof(std::int32_t) * (MxElem + 1);
constexpr std::size_t kMembDefBytes = sizeof(MembDefColumn) * (MxMembDef + 1);
constexpr std::size_t kMeshListBytes = sizeof(MeshColumn) * (MxMeshLen + 1);
constexpr std::size_t kElemMembBytes = sizeof(std::int32_t) * (MxElem + 1);

// iNodeExt, iElemMemb and the entries of both name columns, each below 2 MB,
// share one mapping: for a large model its huge pages hold all four, where
// each on its own would be faulted in 4 KB at a time (hundreds of faults).
// iElemExt stays apart: the member reader clears it by handing its pages
// back, which would break up a huge page that the others share.
constexpr std::size_t block_offset(std::size_t nBytes) {
  return (nBytes + 63) / 64 * 64;
}
constexpr std::size_t kElemMembAt = block_offset(kNodeExtBytes);
constexpr std::size_t kNodeEntryAt = kElemMembAt + block_offset(kElemMembBytes);
constexpr std::size_t kMembEntryAt = kNodeEntryAt + block_offset(kNameEntryBytes);
// The block takes a whole huge page at least (address space only), so that
// its one huge page holds it all.
constexpr std::size_t kBlockBytes = std::max(kMembEntryAt + kNameEntryBytes, kHugePageBytes);

}  // namespace

void clear_table(std::int32_t* iTable, std::int64_t nCount) {
  if (nCount <= 0) return;
  constexpr std::uintptr_t kPage = 4096;
  const auto uStart = reinterpret_cast<std::uintptr_t>(iTable);
  const std::uintptr_t uEnd = uStart + sizeof(std::int32_t) * static_cast<std::uintptr_t>(nCount);
  const std::uintptr_t uFirst = (uStart + kPage - 1) & ~(kPage - 1);
  const std::uintptr_t uLast = uEnd & ~(kPage - 1);
  // The tables are private anonymous memory: a page handed back reads as 0.
  if (uLast > uFirst &&
      give_back_pages(reinterpret_cast<void*>(uFirst), static_cast<std::int64_t>(uLast - uFirst))) {
    std::memset(iTable, 0, uFirst - uStart);
    std::memset(reinterpret_cast<void*>(uLast), 0, uEnd - uLast);
    return;
  }
  fill_int_array(iTable, nCount, 1, 0);
}

void clear_names(NameColumn& Column) {
  Column.nHeld = 0;
  Column.nPoolUsed = 1;  // at 0 stands no name: an entry placed there would read as never placed
}

void store_name(NameColumn& Column, std::int32_t i, const char* ChName) {
  if (i < 1 || i > Column.nMx) return;
  if (i > Column.nHeld) {
    // Entries between the old and the new end are materialised as blanks,
    // in one fill: a name far past the last one spans many of them.
    std::fill(Column.Entry + Column.nHeld + 1, Column.Entry + i + 1, NameEntry{0});
    Column.nHeld = i;
  }
  NameEntry& Entry = Column.Entry[i];
  const auto nLen = static_cast<NameEntry>(trimmed_length(ChName, kNameLen));
  NameEntry iAt = Entry >> kNameAtShift;
  NameEntry uRoomFull = Entry & kNameRoomFull;
  // The room an entry is known to have: 80, or at least its name's length.
  if (nLen > (uRoomFull != 0 ? kNameLen : (Entry & kNameLenBits))) {
    // Placed the first time in the room it needs; later, in room for
    // every name, so it is placed no more than twice.
    const NameEntry nRoom = iAt == 0 ? nLen : kNameLen;
    uRoomFull = iAt == 0 ? 0 : kNameRoomFull;
    iAt = static_cast<NameEntry>(Column.nPoolUsed);
    Column.nPoolUsed += nRoom;
  }
  std::memcpy(Column.ChPool + iAt, ChName, nLen);
  Entry = iAt << kNameAtShift | uRoomFull | nLen;
}

const char* name_text(const NameColumn& Column, std::int32_t i) {
  if (name_length(Column, i) == 0) return kBlankField;
  return Column.ChPool + (Column.Entry[i] >> kNameAtShift);
}

void copy_name(const NameColumn& Column, std::int32_t i, char* ChOut) {
  copy_padded(ChOut, kNameLen, name_text(Column, i), name_length(Column, i));
}

namespace {

// Calls Visit(pointer, bytes) for each mapping of the tables: the shared
// block (at iNodeExt) and the tables of their own.
template <typename VisitTable>
void for_each_mapping(NameTables& Tables, VisitTable&& Visit) {
  Visit(Tables.iNodeExt, kBlockBytes);
  Visit(Tables.ChNodeName.ChPool, kNamePoolBytes);
  Visit(Tables.iElemExt, kElemExtBytes);
  Visit(Tables.ChMembName.ChPool, kNamePoolBytes);
  Visit(Tables.iMembDef, kMembDefBytes);
  Visit(Tables.iMeshList, kMeshListBytes);
}

}  // namespace

void prefer_huge_pages(NameTables& Tables, std::int64_t nFemBytes) {
  // A FEM file of this size or more holds enough records to write most
  // pages of the tables.
  constexpr std::int64_t kLargeModelBytes = 16 << 20;
  if (nFemBytes < kLargeModelBytes) return;
  for_each_mapping(Tables, [](auto* p, std::size_t nBytes) {
    if (p != nullptr) advise_huge_pages(p, static_cast<std::int64_t>(mapped_size(nBytes)));
  });
}

bool create_name_tables(NameTables& Tables) {
  Tables = NameTables{};
  bool bAll = true;
  for_each_mapping(Tables, [&bAll](auto*& p, std::size_t nBytes) {
    p = static_cast<std::remove_reference_t<decltype(p)>>(zeroed_memory(nBytes));
    bAll = bAll && p != nullptr;
  });
  if (!bAll) {
    release_name_tables(Tables);
    return false;
  }
  char* pBlock = reinterpret_cast<char*>(Tables.iNodeExt);
  Tables.iElemMemb = reinterpret_cast<std::int32_t*>(pBlock + kElemMembAt);
  Tables.ChNodeName.Entry = reinterpret_cast<NameEntry*>(pBlock + kNodeEntryAt);
  Tables.ChMembName.Entry = reinterpret_cast<NameEntry*>(pBlock + kMembEntryAt);
  Tables.ChNodeName.nMx = MxNode;
  Tables.ChMembName.nMx = MxMemb;
  clear_names(Tables.ChNodeName);
  clear_names(Tables.ChMembName);
  return true;
}

void release_name_tables(NameTables& Tables) {
  for_each_mapping(Tables, [](auto* p, std::size_t nBytes) { give_back(p, nBytes); });
  Tables = NameTables{};
}
