#include "fem/name_tables.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>

// clear_table hands whole pages back to the system and fills the integers
// around them: every integer asked for reads 0 afterwards, whatever the
// range's alignment, and not one integer outside it changes.
TEST(ClearTable, ZeroesExactlyTheRangeAskedFor) {
  NameTables T;
  ASSERT_TRUE(create_name_tables(T));
  std::int32_t* iTable = &T.iMeshList[0][0];
  constexpr std::int64_t kSpan = 3 * 4096;  // integers: three pages of them and more
  struct Range {
    std::int64_t iFirst, nCount;
  };
  const Range Ranges[] = {{0, 1},    {1, 1023}, {5, 4096}, {1024, 1024},
                          {3, 9000}, {1000, 0}, {7, -3},   {1, kSpan - 2}};
  for (const Range& R : Ranges) {
    for (std::int64_t i = 0; i < kSpan; ++i)
      iTable[i] = static_cast<std::int32_t>(i % 97 + 1);
    clear_table(iTable + R.iFirst, R.nCount);
    for (std::int64_t i = 0; i < kSpan; ++i) {
      const bool bInside = R.nCount > 0 && i >= R.iFirst && i < R.iFirst + R.nCount;
      ASSERT_EQ(bInside ? 0 : static_cast<std::int32_t>(i % 97 + 1), iTable[i])
          << "integer " << i << " after clearing " << R.nCount << " from " << R.iFirst;
    }
  }
  release_name_tables(T);
}

namespace {

std::string padded(const std::string& Name) {
  return Name + std::string(kNameLen - Name.size(), ' ');
}

std::string entry_of(const NameColumn& Column, std::int32_t i) {
  char ChName[kNameLen];
  copy_name(Column, i, ChName);
  return std::string(ChName, kNameLen);
}

}  // namespace

// A name column keeps names without their trailing blanks in a pool: stored
// again, a name is written over the old one or placed anew, and whatever
// the order of stores, every entry reads back as the last 80 characters
// stored into it, other entries untouched.
TEST(NameColumn, EveryEntryReadsAsItsLastStore) {
  NameTables T;
  ASSERT_TRUE(create_name_tables(T));
  NameColumn& C = T.ChNodeName;
  const std::string Long = "  Leading blanks stay, trailing ones go, and this one runs to 80 chars";
  struct Store {
    std::int32_t i;
    std::string name;
  };
  const Store Stores[] = {{5, "Leg_A1"},
                          {2, "B"},
                          {5, "Leg"},
                          {5, "Leg_A12345"},
                          {MxNode, Long},
                          {0, "X"},
                          {MxNode + 1, "Y"},
                          {2, ""},
                          {2, "Brace with blanks  inside"},
                          {3, std::string(80, 'Z')}};
  std::map<std::int32_t, std::string> Expected;
  for (const Store& S : Stores) {
    store_name(C, S.i, padded(S.name).c_str());
    if (S.i >= 1 && S.i <= MxNode) Expected[S.i] = S.name;
    for (std::int32_t i : {1, 2, 3, 4, 5, 6, MxNode}) {
      ASSERT_EQ(padded(Expected[i]), entry_of(C, i)) << "entry " << i << " after storing " << S.i;
      ASSERT_EQ(static_cast<std::int32_t>(Expected[i].size()), name_length(C, i));
      ASSERT_EQ(0, std::memcmp(name_text(C, i), Expected[i].data(), Expected[i].size()));
    }
  }
  EXPECT_EQ(0, name_length(C, 0));
  EXPECT_EQ(0, name_length(C, MxNode + 1));
  clear_names(C);
  for (std::int32_t i : {2, 3, 5, MxNode})
    EXPECT_EQ(padded(""), entry_of(C, i)) << i;
  store_name(C, 4, padded("After the clear").c_str());
  EXPECT_EQ(padded(""), entry_of(C, 3));
  EXPECT_EQ(padded("After the clear"), entry_of(C, 4));
  release_name_tables(T);
}

TEST(NameColumn, StoringAgainAndAgainStaysInsideThePool) {
  // Every entry of a full column stored with ever longer names, and a few
  // entries with names of every length in turn: no entry is placed more
  // than twice, so the pool holds it all and no name overwrites another
  // (placing each longer name anew would need more than the pool has).
  NameTables T;
  ASSERT_TRUE(create_name_tables(T));
  NameColumn& C = T.ChMembName;
  auto name = [](std::int32_t i, std::int32_t n) {
    return padded(std::string(static_cast<std::size_t>(n), static_cast<char>('a' + i % 26)));
  };
  for (std::int32_t n : {10, 79, 80}) {
    for (std::int32_t i = 1; i <= MxMemb; ++i)
      store_name(C, i, name(i, n).c_str());
  }
  for (std::int32_t n = 0; n <= kNameLen; ++n) {
    for (std::int32_t i : {1, 77, MxMemb})
      store_name(C, i, name(i, (n * 37) % (kNameLen + 1)).c_str());
  }
  EXPECT_LE(C.nPoolUsed, 1 + std::int64_t{2} * kNameLen * (MxMemb + 1));
  for (std::int32_t i = 1; i <= MxMemb; ++i) {
    const bool bTurned = i == 1 || i == 77 || i == MxMemb;
    ASSERT_EQ(name(i, bTurned ? (kNameLen * 37) % (kNameLen + 1) : 80), entry_of(C, i)) << i;
  }
  release_name_tables(T);
}

TEST(NameColumn, PutNameWritesTheNameAndNothingAfterIt) {
  // Names of every length from 0 to 80 (each way the name is moved), put
  // into a field of canaries: the name lands, and not one byte after it.
  NameTables T;
  ASSERT_TRUE(create_name_tables(T));
  NameColumn& C = T.ChNodeName;
  for (std::int32_t n = 0; n <= kNameLen; ++n) {
    std::string Name(static_cast<std::size_t>(n), ' ');
    for (std::int32_t i = 0; i < n; ++i)
      Name[static_cast<std::size_t>(i)] = static_cast<char>('A' + i % 26);
    store_name(C, n + 1, padded(Name).c_str());
    char ChOut[2 * kNameLen];  // the room a writer gives, and canaries past it
    std::memset(ChOut, '#', sizeof ChOut);
    ASSERT_EQ(n, put_name(C, n + 1, ChOut + 8));
    EXPECT_EQ(std::string(8, '#') + Name + std::string(2 * kNameLen - 8 - Name.size(), '#'),
              std::string(ChOut, sizeof ChOut))
        << "a name of " << n;
  }
  release_name_tables(T);
}
