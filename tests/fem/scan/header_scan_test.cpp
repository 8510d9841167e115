// The header scan's record recognisers, the free-format one and the one for
// the name columns of the tool layout, against the record table: every kind
// is found by its own name and by nothing short of it.
#include "fem/scan/header_scan.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "fem/record_kinds.h"

namespace {

// The kind each recogniser finds on Line: the header scan's (first
// non-blank character on) and, for a line of at least 8 characters, the
// tool layout's (its name columns).
struct Found {
  RecordKind iFree;
  RecordKind iTool;
};

Found kinds_on(std::string Line) {
  Line.resize(256, ' ');
  const std::int32_t iFirst = header_scan_start(Line.data(), 256);
  const RecordKind iFree =
      iFirst < 0 ? kRecordKinds : record_kind_at(Line.data() + iFirst, 256 - iFirst);
  return Found{iFree, tool_record_kind(Line.data())};
}

}  // namespace

TEST(RecordKinds, EveryNameFitsTheNameColumns) {
  for (std::int32_t k = 0; k < kRecordKinds; ++k) {
    const auto iKind = static_cast<RecordKind>(k);
    EXPECT_GT(record_name_length(iKind), 0) << k;
    EXPECT_LE(record_name_length(iKind), MxRecordName) << k;
    EXPECT_EQ(std::string(kRecordName[k]).size(),
              static_cast<std::size_t>(record_name_length(iKind)));
  }
}

TEST(HeaderScan, EveryKindIsFoundByItsNameAndByNothingShortOfIt) {
  for (std::int32_t k = 0; k < kRecordKinds; ++k) {
    const auto iKind = static_cast<RecordKind>(k);
    const std::string Name = kRecordName[k];
    const std::string Padded = Name + std::string(8 - Name.size(), ' ');
    // The name itself, a longer word that starts with it, and the name in
    // the tool layout's name columns.
    for (const std::string& Line :
         {Name + " 1 2", Name + "X 1", Padded + "  1.00000000E+00", Name}) {
      const Found F = kinds_on(Line);
      EXPECT_EQ(iKind, F.iFree) << Line;
      EXPECT_EQ(iKind, F.iTool) << Line;
    }
    EXPECT_EQ(iKind, kinds_on("   " + Name + " 1").iFree) << "leading blanks";
    // Short of the name: its last letter dropped or changed, lower case,
    // behind a comment sign or a tab.
    std::string Changed = Name;
    Changed.back() = Changed.back() == 'Q' ? 'R' : 'Q';
    std::string Lower = Name;
    for (char& c : Lower)
      c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    for (const std::string& Line : {Name.substr(0, Name.size() - 1) + " 1", Changed + " 1",
                                    Lower + " 1", "$" + Name + " 1", "\t" + Name + " 1"}) {
      const Found F = kinds_on(Line);
      EXPECT_NE(iKind, F.iFree) << Line;
      EXPECT_NE(iKind, F.iTool) << Line;
    }
  }
}

TEST(HeaderScan, LinesItPassesOver) {
  const std::string Lines[] = {"", "$ GNODE 1", "# GNODE", "! GNODE",
                               std::string(256, ' ') + "GNODE"};
  for (const std::string& Line : Lines) {
    EXPECT_EQ(kRecordKinds, kinds_on(Line).iFree) << Line;
  }
}
