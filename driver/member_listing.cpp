#include "driver/member_listing.h"

#include <algorithm>
#include <cstring>

#include "driver/label_header.h"
#include "files/file_units.h"
#include "support/text_helpers.h"

namespace {

constexpr std::int32_t kFirstElementColumn = 30;

}  // namespace

std::int32_t build_member_line(char* ChLine, std::int32_t m, const NameColumn& Names,
                               std::int32_t k, const std::int32_t* iElem, std::int32_t n) {
  put_integer(ChLine, kNumberWidth, m);
  // The name, then 80 blanks in one fixed-size move after it, so the
  // columns up to 29 are blank where the name does not reach.
  static_assert(kBlankFieldLen >= kNameLen);
  const std::int32_t nName = put_name(Names, k, ChLine + kNumberWidth);
  std::memcpy(ChLine + kNumberWidth + nName, kBlankField, kNameLen);
  const std::int32_t nLine = kNumberWidth + nName;
  if (n <= 0) return nLine;
  std::int32_t iCol = kFirstElementColumn - 1;
  for (std::int32_t j = 1; j <= n; ++j)
    iCol += put_integer(ChLine + iCol, kNumberWidth, iElem[j]);
  return iCol > nLine ? iCol : nLine;
}

void write_member_listing(const NameTables& Tables, const char* ChDate, const char* ChFemName,
                          std::int32_t iUnit) {
  write_label_header(iUnit, ChDate, ChFemName, Tables);
  static constexpr char kHeading[] = " Member no       Label         Element IDs ";
  write_line(iUnit, kHeading, sizeof kHeading - 1);
  // static: the element list of the member in hand, gathered from its
  // row's slots; not re-entrant. Lines are built right in the unit's buffer.
  static std::int32_t iElem[MxMeshLen];
  constexpr std::int32_t MxListingLine = 1024;
  const std::int32_t MaxMembRef = std::min(Tables.MaxMembRef, MxMemb);
  for (std::int32_t k = 1; k <= MaxMembRef; ++k) {
    if (name_length(Tables.ChMembName, k) == 0) continue;
    const std::int32_t m = member_mesh_row(Tables, k);
    if (m == 0) continue;
    const std::int32_t n = mesh_row_count(Tables, m);
    for (std::int32_t j = 1; j <= n; ++j)
      iElem[j] = Tables.iMeshList[j + 1][m];
    char* ChLine = line_room(iUnit, MxListingLine);
    end_line_at(iUnit, build_member_line(ChLine, m, Tables.ChMembName, k, iElem, n));
  }
}
