// Which member an element's label names: a named member's mesh relation
// gives it its elements, a later member wins, and no number from the file
// reaches outside the element table.
#include "driver/label_writer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

void name_member(NameTables& T, std::int32_t k, const std::string& Name) {
  const std::string Field = Name + std::string(kNameLen - Name.size(), ' ');
  store_name(T.ChMembName, k, Field.data());
}

// Member k's mesh reference m, and row m with the elements iElem.
void give_mesh(NameTables& T, std::int32_t k, std::int32_t m, std::initializer_list<int> iElem) {
  T.iMembDef[kMeshRefSlot][k] = m;
  if (m < 1 || m > MxMesh) return;
  T.iMeshList[1][m] = static_cast<std::int32_t>(iElem.size());
  std::int32_t j = 2;
  for (int e : iElem)
    T.iMeshList[j++][m] = e;
}

TEST(AssignElementOwners, GivesEachElementTheLastNamedMemberThatListsIt) {
  NameTables T;
  ASSERT_TRUE(create_name_tables(T));
  T.nElems = 8;
  T.MaxMembRef = 5;
  // Left from an earlier model: cleared up to nElems, not above.
  T.iElemMemb[8] = 77;
  T.iElemMemb[9] = 77;
  name_member(T, 1, "Leg");
  give_mesh(T, 1, 10, {1, 2, 3});
  name_member(T, 2, "Brace");  // a later member takes element 3 over
  give_mesh(T, 2, 11, {3, 4, 0, -5, MxElem + 1});
  give_mesh(T, 3, 12, {5});  // no name: gives nothing
  name_member(T, 4, "Pile");
  give_mesh(T, 4, MxMesh + 1, {6});  // a reference outside the table
  name_member(T, 5, "Deck");
  give_mesh(T, 5, 0, {});
  name_member(T, 6, "Above");  // above MaxMembRef
  give_mesh(T, 6, 13, {7});
  assign_element_owners(T);
  const std::int32_t iExpected[] = {0, 1, 1, 2, 2, 0, 0, 0, 0, 77};
  for (std::int32_t e = 1; e <= 9; ++e)
    EXPECT_EQ(iExpected[e], T.iElemMemb[e]) << "element " << e;
  release_name_tables(T);
}

TEST(AssignElementOwners, ReadsAtMostTheRowsElementSlots) {
  NameTables T;
  ASSERT_TRUE(create_name_tables(T));
  T.nElems = MxElem;
  T.MaxMembRef = 1;
  name_member(T, 1, "Leg");
  T.iMembDef[kMeshRefSlot][1] = 1;
  for (std::int32_t j = 2; j <= MxMeshLen; ++j)
    T.iMeshList[j][1] = j - 1;  // elements 1 to 99
  T.iMeshList[1][1] = 5000;     // a count the row cannot hold
  assign_element_owners(T);
  EXPECT_EQ(1, T.iElemMemb[MxMeshLen - 1]);
  EXPECT_EQ(0, T.iElemMemb[MxMeshLen]);
  release_name_tables(T);
}

}  // namespace
