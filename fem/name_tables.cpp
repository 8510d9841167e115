#include "fem/name_tables.h"

#include <sys/mman.h>

#include <cstring>

#include "support/text_helpers.h"

namespace {

constexpr NameText kBlankName = {
#define B8 ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '
    B8, B8, B8, B8, B8, B8,
    B8, B8, B8, B8
#undef B8
};

// Anonymous mappings arrive zeroed and cost a page only when it is written.
void* zeroed_memory(std::size_t nBytes) {
  void* p = ::mmap(nullptr, nBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return p == MAP_FAILED ? nullptr : p;
}

void give_back(void* p, std::size_t nBytes) {
  if (p != nullptr) ::munmap(p, nBytes);
}

constexpr std::size_t kNodeExtBytes = sizeof(std::int32_t) * (MxNode + 1);
constexpr std::size_t kNodeNameBytes = sizeof(NameText) * (MxNode + 1);
constexpr std::size_t kElemExtBytes = sizeof(std::int32_t) * (MxElem + 1);
constexpr std::size_t kMembNameBytes = sizeof(NameText) * (MxMemb + 1);
constexpr std::size_t kMembDefBytes = sizeof(MembDefRow) * (MxMemb + 1);
constexpr std::size_t kMeshListBytes = sizeof(MeshRow) * (MxMesh + 1);
constexpr std::size_t kElemMembBytes = sizeof(std::int32_t) * (MxElem + 1);

}  // namespace

void clear_names(NameColumn& Column) {
  Column.nHeld = 0;
}

void store_name(NameColumn& Column, std::int32_t i, const char* ChName) {
  if (i < 1 || i > Column.nMx) return;
  if (i > Column.nHeld) {
    // Entries between the old and the new end are materialised as blanks.
    for (std::int32_t k = Column.nHeld + 1; k < i; ++k)
      fill_blanks(Column.ChName[k], kNameLen);
    Column.nHeld = i;
  }
  std::memcpy(Column.ChName[i], ChName, kNameLen);
}

const char* name_entry(const NameColumn& Column, std::int32_t i) {
  if (i < 1 || i > Column.nHeld) return kBlankName;
  return Column.ChName[i];
}

void prefer_huge_pages(NameTables& Tables) {
  auto advise = [](void* p, std::size_t nBytes) {
    if (p != nullptr) ::madvise(p, nBytes, MADV_HUGEPAGE);
  };
  advise(Tables.iNodeExt, kNodeExtBytes);
  advise(Tables.ChNodeName.ChName, kNodeNameBytes);
  advise(Tables.iElemExt, kElemExtBytes);
  advise(Tables.ChMembName.ChName, kMembNameBytes);
  advise(Tables.iMembDef, kMembDefBytes);
  advise(Tables.iMeshList, kMeshListBytes);
  advise(Tables.iElemMemb, kElemMembBytes);
}

bool create_name_tables(NameTables& Tables) {
  Tables = NameTables{};
  Tables.iNodeExt = static_cast<std::int32_t*>(zeroed_memory(kNodeExtBytes));
  Tables.ChNodeName.ChName = static_cast<NameText*>(zeroed_memory(kNodeNameBytes));
  Tables.ChNodeName.nMx = MxNode;
  Tables.iElemExt = static_cast<std::int32_t*>(zeroed_memory(kElemExtBytes));
  Tables.ChMembName.ChName = static_cast<NameText*>(zeroed_memory(kMembNameBytes));
  Tables.ChMembName.nMx = MxMemb;
  Tables.iMembDef = static_cast<MembDefRow*>(zeroed_memory(kMembDefBytes));
  Tables.iMeshList = static_cast<MeshRow*>(zeroed_memory(kMeshListBytes));
  Tables.iElemMemb = static_cast<std::int32_t*>(zeroed_memory(kElemMembBytes));
  if (Tables.iNodeExt && Tables.ChNodeName.ChName && Tables.iElemExt && Tables.ChMembName.ChName &&
      Tables.iMembDef && Tables.iMeshList && Tables.iElemMemb) {
    return true;
  }
  release_name_tables(Tables);
  return false;
}

void release_name_tables(NameTables& Tables) {
  give_back(Tables.iNodeExt, kNodeExtBytes);
  give_back(Tables.ChNodeName.ChName, kNodeNameBytes);
  give_back(Tables.iElemExt, kElemExtBytes);
  give_back(Tables.ChMembName.ChName, kMembNameBytes);
  give_back(Tables.iMembDef, kMembDefBytes);
  give_back(Tables.iMeshList, kMeshListBytes);
  give_back(Tables.iElemMemb, kElemMembBytes);
  Tables = NameTables{};
}
