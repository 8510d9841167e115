#include "driver/label_writer.h"

#include <algorithm>
#include <cstring>

#include "driver/label_header.h"
#include "files/file_units.h"
#include "support/array_helpers.h"
#include "support/text_helpers.h"

namespace {

// Writes "<ChKind><number>     <name>, <ChId><number>" with the name of
// entry k of Names (not blank), the shape of both label lines: NodeLabel
// with ", NodeID=", ElementLabel with ", ElemID=". Hundreds of thousands of
// them: the parts are moved in fixed sizes.
template <std::size_t nKindSize>
void write_label_line(std::int32_t iUnit, const char (&ChKind)[nKindSize], std::int32_t iExternal,
                      const NameColumn& Names, std::int32_t k, const char* ChId) {
  constexpr std::int32_t nKind = static_cast<std::int32_t>(nKindSize - 1);
  constexpr std::int32_t nIdLen = 9;
  // Built right in the unit's buffer.
  char* ChLine = line_room(iUnit, nKind + kNumberWidth + 5 + kNameLen + nIdLen + kNumberWidth);
  std::memcpy(ChLine, ChKind, nKind);
  put_integer(ChLine + nKind, kNumberWidth, iExternal);
  std::memcpy(ChLine + nKind + kNumberWidth, "     ", 5);
  std::int32_t n = nKind + kNumberWidth + 5;
  n += put_name(Names, k, ChLine + n);
  std::memcpy(ChLine + n, ChId, nIdLen);
  n += nIdLen;
  // The same number again: its eight columns are moved, not built twice.
  std::memcpy(ChLine + n, ChLine + nKind, kNumberWidth);
  n += kNumberWidth;
  end_line_at(iUnit, n);
}

void write_block_start(std::int32_t iUnit, const char* ChHeading) {
  write_line(iUnit, "", 0);
  write_line(iUnit, " BeginLabel", 11);
  write_line(iUnit, ChHeading, static_cast<std::int64_t>(std::strlen(ChHeading)));
}

}  // namespace

void assign_element_owners(NameTables& Tables) {
  const std::int32_t nElems = std::min(Tables.nElems, MxElem);
  fill_int_array(Tables.iElemMemb + 1, nElems, 1, 0);
  for (std::int32_t k = 1; k <= std::min(Tables.MaxMembRef, MxMemb); ++k) {
    if (name_length(Tables.ChMembName, k) == 0) continue;
    const std::int32_t m = member_mesh_row(Tables, k);
    if (m == 0) continue;
    const std::int32_t n = mesh_row_count(Tables, m);
    for (std::int32_t j = 1; j <= n; ++j) {
      const std::int32_t e = Tables.iMeshList[j + 1][m];
      if (e >= 1 && e <= MxElem) Tables.iElemMemb[e] = k;
    }
  }
}

LabelCounts write_label_file(NameTables& Tables, const char* ChDate, const char* ChFemName,
                             std::int32_t iUnit) {
  LabelCounts Counts{0, 0};
  assign_element_owners(Tables);
  write_label_header(iUnit, ChDate, ChFemName, Tables);

  write_block_start(iUnit, " Heading  SESAM Node Names ");
  const std::int32_t nNodes = std::min(Tables.nNodes, MxNode);
  for (std::int32_t i = 1; i <= nNodes; ++i) {
    if (name_length(Tables.ChNodeName, i) > 0) {
      write_label_line(iUnit, "   NodeLabel", Tables.iNodeExt[i], Tables.ChNodeName, i,
                       ", NodeID=");
      ++Counts.nNodeLabels;
    }
  }
  write_line(iUnit, " EndLabel  ", 11);

  write_block_start(iUnit, " Heading  SESAM Member Names ");
  const std::int32_t nElems = std::min(Tables.nElems, MxElem);
  for (std::int32_t i = 1; i <= nElems; ++i) {
    const std::int32_t k = Tables.iElemMemb[i];
    if (k == 0) continue;
    if (name_length(Tables.ChMembName, k) > 0) {
      write_label_line(iUnit, "   ElementLabel", Tables.iElemExt[i], Tables.ChMembName, k,
                       ", ElemID=");
      ++Counts.nElementLabels;
    }
  }
  write_line(iUnit, " EndLabel  ", 11);
  return Counts;
}
