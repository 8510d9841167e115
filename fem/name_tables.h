// The name tables: the whole in-memory model of a FEM file. Fixed-capacity,
// 1-based tables indexed directly by the numbers found in the file (internal
// node number, internal element number, member number, mesh reference), with
// the seven counters that go with them. The driver creates them once, at full
// capacity, and hands them by reference to the readers and writers.
#pragma once
#include <cstdint>

#include "support/text_helpers.h"

inline constexpr std::int32_t MxNode = 100000;
inline constexpr std::int32_t MxElem = 100000;
inline constexpr std::int32_t MxMemb = 100000;
inline constexpr std::int32_t MxMesh = 100000;
inline constexpr std::int32_t MxMeshLen = 100;  // one count and at most 99 element numbers
inline constexpr std::int32_t MxMembDef = 10;   // slots 1 to 6 filled, 7 to 10 stay 0
// The slot of a member's definition that holds its mesh reference, the
// last one the member reader fills.
inline constexpr std::int32_t kMeshRefSlot = 6;
inline constexpr std::int32_t kNameLen = 80;

// The two-dimensional tables are laid out column by column: a row is one
// mesh relation or one member definition, a column one slot of every row,
// held together. iMeshList[s][m] is slot s of row m, iMembDef[s][k] slot s
// of member k; slot 0 and row 0 are unused so both count from 1. A large
// model writes only the first few slots of its 100000 mesh rows: in this
// layout that is a few columns of the 40 million bytes, not every page.
using MeshColumn = std::int32_t[MxMesh + 1];
using MembDefColumn = std::int32_t[MxMemb + 1];

// Where the name of one entry of a NameColumn stands, in one word: bits 0
// to 6 its length without the trailing blanks (0 for a blank name), bit 7
// set when its room in the pool holds 80 characters, bits 8 to 31 where
// it stands in the pool (0: never placed; the pool's first character is
// not used).
using NameEntry = std::uint32_t;
inline constexpr NameEntry kNameLenBits = 0x7F;
inline constexpr NameEntry kNameRoomFull = 0x80;
inline constexpr std::int32_t kNameAtShift = 8;

// A table of 80-character names indexed 1 to nMx. A name is kept as its
// characters without the trailing blanks, which every consumer drops
// anyway: a large model's names are mostly far shorter than 80 characters,
// and a table of 80-character fields would make it write eight million
// bytes of blanks per table. Entries above nHeld are blank without ever
// having been written, so clearing the table and creating it cost nothing.
// Always read an entry through name_length and name_text, or copy_name.
//
// The pool: a name is placed at nPoolUsed the first time it is stored, in
// the room it needs; stored again, it is written over its old characters
// when it is no longer than the name they hold now (or their room holds
// 80), otherwise placed again in room for 80. So no entry takes more than
// 160 characters of the pool between two clears, which is what the pool
// holds.
struct NameColumn {
  NameEntry* Entry;  // entries 1 to nMx; entry 0 unused
  char* ChPool;
  std::int32_t nMx;
  std::int32_t nHeld;
  std::int64_t nPoolUsed;
};

// Sets every entry of Column to 80 blanks.
void clear_names(NameColumn& Column);

// Stores the 80 characters ChName as entry i (1 to nMx; nothing otherwise).
void store_name(NameColumn& Column, std::int32_t i, const char* ChName);

// The trimmed length of entry i (0 to 80): 0 for a blank entry, an entry
// never stored, or an i outside 1 to nMx.
inline std::int32_t name_length(const NameColumn& Column, std::int32_t i) {
  return i >= 1 && i <= Column.nHeld ? static_cast<std::int32_t>(Column.Entry[i] & kNameLenBits)
                                     : 0;
}

// The characters of entry i: its first name_length characters are the
// name; nothing may be read past them.
const char* name_text(const NameColumn& Column, std::int32_t i);

// For the writers: writes the name of entry i at ChOut (room for 80), its
// name_length characters and nothing after them, and returns that length
// (0, nothing written, for a blank entry).
inline std::int32_t put_name(const NameColumn& Column, std::int32_t i, char* ChOut) {
  const std::int32_t nName = name_length(Column, i);
  if (nName > 0) copy_text(ChOut, Column.ChPool + (Column.Entry[i] >> kNameAtShift), nName);
  return nName;
}

// Entry i as its 80-character, blank-padded field, into ChOut.
void copy_name(const NameColumn& Column, std::int32_t i, char* ChOut);

struct NameTables {
  std::int32_t* iNodeExt;  // [MxNode + 1]: external node number by internal number
  NameColumn ChNodeName;   // node name by internal node number
  std::int32_t* iElemExt;  // [MxElem + 1]: external element number by internal number
  NameColumn ChMembName;   // member name by member number
  MembDefColumn*
      iMembDef;  // [MxMembDef + 1] slots: SCONCEPT integers, the mesh reference in kMeshRefSlot
  MeshColumn* iMeshList;    // [MxMeshLen + 1] slots: slot 1 count n, slots 2..n+1 elements
  std::int32_t* iElemMemb;  // [MxElem + 1]: owning member number by internal element

  std::int32_t nNodes;
  std::int32_t nNodeNames;
  std::int32_t nElems;
  std::int32_t nNames;
  std::int32_t nMesh;
  std::int32_t MaxMembRef;
  std::int32_t MaxMeshRef;
};

// The path from a member to its elements. The mesh relation row of member k
// (1 to MxMemb): its mesh reference, slot kMeshRefSlot of its iMembDef row, when that
// names a row of iMeshList (1 to MxMesh); 0 otherwise.
inline std::int32_t member_mesh_row(const NameTables& Tables, std::int32_t k) {
  const std::int32_t m = Tables.iMembDef[kMeshRefSlot][k];
  return m >= 1 && m <= MxMesh ? m : 0;
}

// The number of elements row m of iMeshList holds: its count (slot 1), at
// most the MxMeshLen - 1 slots the row has for elements. Element j (1 to
// that number) is slot j + 1.
inline std::int32_t mesh_row_count(const NameTables& Tables, std::int32_t m) {
  const std::int32_t n = Tables.iMeshList[1][m];
  return n < MxMeshLen - 1 ? n : MxMeshLen - 1;
}

// Sets the nCount integers at iTable, part of a table that
// create_name_tables made, to 0. The whole pages among them are handed back
// to the system, which gives them out zeroed again when they are next
// written; the integers around them are filled. A reader that clears a
// table before filling it so pays only for the pages it then writes, not
// for writing every page of the table twice.
void clear_table(std::int32_t* iTable, std::int64_t nCount);

// Creates every table at full capacity, all integers 0 and all names blank,
// and the counters 0. The memory comes from the system already zeroed and is
// touched only where it is written, so a small file does not pay for the
// tables' tens of millions of bytes. Returns false when the memory cannot be
// had.
bool create_name_tables(NameTables& Tables);

// Asks the system to back the tables with huge pages when the FEM file, of
// nFemBytes, is large (16 MB or more). For a large model most pages of the
// name tables and the first columns of the others get written, megabytes
// that would otherwise be faulted in 4 KB at a time; for a small one huge
// pages would only raise the memory used. A hint: nothing changes when the
// system declines.
void prefer_huge_pages(NameTables& Tables, std::int64_t nFemBytes);

// Gives the memory back (tests create many sets; the program keeps one).
void release_name_tables(NameTables& Tables);
