// The name tables: the whole in-memory model of a FEM file. Fixed-capacity,
// 1-based tables indexed directly by the numbers found in the file (internal
// node number, internal element number, member number, mesh reference), with
// the seven counters that go with them. The driver creates them once, at full
// capacity, and hands them by reference to the readers and writers.
#pragma once
#include <cstdint>

inline constexpr std::int32_t MxNode = 100000;
inline constexpr std::int32_t MxElem = 100000;
inline constexpr std::int32_t MxMemb = 100000;
inline constexpr std::int32_t MxMesh = 100000;
inline constexpr std::int32_t MxMeshLen = 100;  // one count and at most 99 element numbers
inline constexpr std::int32_t MxMembDef = 10;   // slots 1 to 6 filled, 7 to 10 stay 0
inline constexpr std::int32_t kNameLen = 80;

// One row of iMeshList or iMembDef; slot 0 is unused so slots count from 1.
using MeshRow = std::int32_t[MxMeshLen + 1];
using MembDefRow = std::int32_t[MxMembDef + 1];
// One 80-character, blank-padded name, without terminator.
using NameText = char[kNameLen];

// A table of names indexed 1 to nMx. Entries above nHeld are blank without
// ever having been written, so clearing the table and creating it cost
// nothing; always read an entry through name_entry.
struct NameColumn {
  NameText* ChName;  // entries 1 to nMx; entry 0 unused
  std::int32_t nMx;
  std::int32_t nHeld;
};

// Sets every entry of Column to 80 blanks.
void clear_names(NameColumn& Column);

// Stores the 80 characters ChName as entry i (1 to nMx; nothing otherwise).
void store_name(NameColumn& Column, std::int32_t i, const char* ChName);

// The 80 characters of entry i; blanks for an entry never stored or an i
// outside 1 to nMx.
const char* name_entry(const NameColumn& Column, std::int32_t i);

struct NameTables {
  std::int32_t* iNodeExt;   // [MxNode + 1]: external node number by internal number
  NameColumn ChNodeName;    // node name by internal node number
  std::int32_t* iElemExt;   // [MxElem + 1]: external element number by internal number
  NameColumn ChMembName;    // member name by member number
  MembDefRow* iMembDef;     // [MxMemb + 1] rows: SCONCEPT integers; slot 6 = mesh reference
  MeshRow* iMeshList;       // [MxMesh + 1] rows: slot 1 count n, slots 2..n+1 elements
  std::int32_t* iElemMemb;  // [MxElem + 1]: owning member number by internal element

  std::int32_t nNodes;
  std::int32_t nNodeNames;
  std::int32_t nElems;
  std::int32_t nNames;
  std::int32_t nMesh;
  std::int32_t MaxMembRef;
  std::int32_t MaxMeshRef;
};

// Creates every table at full capacity, all integers 0 and all names blank,
// and the counters 0. The memory comes from the system already zeroed and is
// touched only where it is written, so a small file does not pay for the 61
// million bytes. Returns false when the memory cannot be had.
bool create_name_tables(NameTables& Tables);

// Asks the system to back the tables with huge pages. For a large model
// nearly every page of the tables gets written, and a fault per 4 KB page
// costs more than reading the whole FEM file; for a small one it would only
// raise the memory used, so the driver asks only when the FEM file is large.
// A hint: nothing changes when the system declines.
void prefer_huge_pages(NameTables& Tables);

// Gives the memory back (tests create many sets; the program keeps one).
void release_name_tables(NameTables& Tables);
