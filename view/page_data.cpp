#include "view/page_data.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "files/file_units.h"
#include "support/line_builder.h"
#include "support/text_helpers.h"
#include "view/page_text.h"

namespace {

// static: the first named member that lists each element, for telling an
// element that two list; taken with the program, not per page.
std::int32_t iFirstLister[MxElem + 1];

void write_number(std::int32_t iUnit, std::int64_t iValue) {
  char ChField[24];
  put_integer_general(ChField, 24, iValue);
  std::int32_t i = 0;
  while (ChField[i] == kBlank)
    ++i;
  write_text(iUnit, ChField + i, 24 - i);
}

std::int32_t elements_of(const NameTables& Tables) {
  return std::max(0, std::min(Tables.nElems, MxElem));
}

void write_counts(std::int32_t iUnit, const NameTables& Tables) {
  const std::int32_t iValue[7] = {Tables.nNodeNames, Tables.nNodes, Tables.nNames,
                                  Tables.nElems,     Tables.nMesh,  Tables.MaxMeshRef,
                                  Tables.MaxMembRef};
  write_page_text(iUnit, "\"counts\":[");
  for (std::int32_t k = 0; k < 7; ++k) {
    if (k > 0) write_page_text(iUnit, ",");
    write_number(iUnit, iValue[k]);
  }
  write_page_text(iUnit, "],\n");
}

void write_members(std::int32_t iUnit, const NameTables& Tables) {
  write_page_text(iUnit, "\"members\":[");
  bool bFirst = true;
  for (std::int32_t k = 1; k <= std::min(Tables.MaxMembRef, MxMemb); ++k) {
    const std::int32_t nName = name_length(Tables.ChMembName, k);
    if (nName == 0) continue;
    write_page_text(iUnit, bFirst ? "\n[" : ",\n[");
    bFirst = false;
    write_number(iUnit, k);
    write_page_text(iUnit, ",");
    write_json_string(iUnit, name_text(Tables.ChMembName, k), nName);
    write_page_text(iUnit, "]");
  }
  write_page_text(iUnit, "],\n");
}

void write_node_names(std::int32_t iUnit, const NameTables& Tables) {
  write_page_text(iUnit, "\"nodes\":[");
  bool bFirst = true;
  for (std::int32_t i = 1; i <= std::min(Tables.nNodes, MxNode); ++i) {
    const std::int32_t nName = name_length(Tables.ChNodeName, i);
    if (nName == 0) continue;
    write_page_text(iUnit, bFirst ? "\n[" : ",\n[");
    bFirst = false;
    write_number(iUnit, i);
    write_page_text(iUnit, ",");
    write_number(iUnit, Tables.iNodeExt[i]);
    write_page_text(iUnit, ",");
    write_json_string(iUnit, name_text(Tables.ChNodeName, i), nName);
    write_page_text(iUnit, "]");
  }
  write_page_text(iUnit, "],\n");
}

// The element types in use, each once, in ELTYP order.
void write_types(std::int32_t iUnit, const ModelGeometry& Geometry, std::int32_t nElems) {
  static bool bUsed[256];
  std::memset(bUsed, 0, sizeof bUsed);
  for (std::int32_t e = 1; e <= nElems; ++e) {
    const std::int32_t t = Geometry.iElemType[e];
    if (t >= 1 && t <= 255) bUsed[t] = true;
  }
  write_page_text(iUnit, "\"types\":[");
  bool bFirst = true;
  for (std::int32_t t = 1; t <= 255; ++t) {
    if (!bUsed[t]) continue;
    const ElementType& Type = element_type(t);
    write_page_text(iUnit, bFirst ? "\n[" : ",\n[");
    bFirst = false;
    write_number(iUnit, t);
    write_page_text(iUnit, ",");
    write_json_string(iUnit, Type.ChName, static_cast<std::int32_t>(std::strlen(Type.ChName)));
    write_page_text(iUnit, ",");
    write_number(iUnit, Type.iShape);
    write_page_text(iUnit, ",");
    write_number(iUnit, Type.nNodes);
    write_page_text(iUnit, ",[");
    for (std::int32_t j = 0; j < Type.nOutline && j < 9; ++j) {
      if (j > 0) write_page_text(iUnit, ",");
      write_number(iUnit, Type.iOutline[j]);
    }
    write_page_text(iUnit, "]]");
  }
  write_page_text(iUnit, "],\n");
}

// Marks in iFirstLister, with -1, each element that two named members
// list, walking the members as assign_element_owners does.
void mark_listed_twice(const NameTables& Tables, std::int32_t nElems) {
  std::fill(iFirstLister, iFirstLister + nElems + 1, 0);
  for (std::int32_t k = 1; k <= std::min(Tables.MaxMembRef, MxMemb); ++k) {
    if (name_length(Tables.ChMembName, k) == 0) continue;
    const std::int32_t m = member_mesh_row(Tables, k);
    if (m == 0) continue;
    for (std::int32_t j = 1; j <= mesh_row_count(Tables, m); ++j) {
      const std::int32_t e = Tables.iMeshList[j + 1][m];
      if (e < 1 || e > nElems) continue;
      if (iFirstLister[e] == 0) {
        iFirstLister[e] = k;
      } else if (iFirstLister[e] != k) {
        iFirstLister[e] = -1;
      }
    }
  }
}

void begin_array(std::int32_t iUnit, Base64Writer& Writer, const char* ChName) {
  write_page_text(iUnit, "\"");
  write_page_text(iUnit, ChName);
  write_page_text(iUnit, "\":");
  begin_base64(Writer, iUnit);
}

void end_array(Base64Writer& Writer) {
  end_base64(Writer);
  write_page_text(Writer.iUnit, ",\n");
}

void write_coordinates(std::int32_t iUnit, const ModelGeometry& Geometry) {
  std::int32_t nTop = 0;
  for (std::int32_t i = MxNode; i >= 1; --i) {
    if (Geometry.iCoord[i] == kCoordRead) {
      nTop = i;
      break;
    }
  }
  static Base64Writer Writer;
  begin_array(iUnit, Writer, "xyz");
  const float Missing = std::numeric_limits<float>::quiet_NaN();
  for (std::int32_t i = 0; i <= nTop; ++i) {
    const bool bRead = i >= 1 && Geometry.iCoord[i] == kCoordRead;
    for (std::int32_t d = 0; d < 3; ++d) {
      const float x = Geometry.Xyz[3 * i + d];
      put_base64_float32(Writer, bRead && std::isfinite(x) ? x : Missing);
    }
  }
  end_array(Writer);
}

// The tables are read through pointers of their own in the loops below: a
// byte put into the writer may, as far as the compiler knows, change any
// table pointer it would otherwise read again for every element.
void write_element_bytes(std::int32_t iUnit, const ModelGeometry& Geometry, std::int32_t nElems) {
  const std::int32_t* iElemType = Geometry.iElemType;
  const std::int32_t* iUndrawn = Geometry.iUndrawn;
  const std::int32_t* nElemNodes = Geometry.nElemNodes;
  static Base64Writer Writer;
  begin_array(iUnit, Writer, "elemType");
  for (std::int32_t e = 0; e <= nElems; ++e) {
    const std::int32_t t = e == 0 ? 0 : iElemType[e];
    put_base64_byte(Writer, t >= 1 && t <= 255 ? static_cast<std::uint8_t>(t) : 0);
  }
  end_array(Writer);
  begin_array(iUnit, Writer, "elemState");
  for (std::int32_t e = 0; e <= nElems; ++e) {
    std::int32_t iState = e == 0 ? kUndrawnNoRecord : iUndrawn[e] & 15;
    if (e > 0 && iFirstLister[e] < 0) iState += kElemListedTwice;
    put_base64_byte(Writer, static_cast<std::uint8_t>(iState));
  }
  end_array(Writer);
  begin_array(iUnit, Writer, "elemCount");
  for (std::int32_t e = 0; e <= nElems; ++e) {
    const bool bDrawn = e > 0 && iUndrawn[e] == kDrawn;
    const std::int32_t n = bDrawn ? std::clamp(nElemNodes[e], 0, MxElemNodes) : 0;
    put_base64_byte(Writer, static_cast<std::uint8_t>(n));
  }
  end_array(Writer);
}

void write_element_numbers(std::int32_t iUnit, const NameTables& Tables,
                           const ModelGeometry& Geometry, std::int32_t nElems) {
  const std::int32_t* iElemExt = Tables.iElemExt;
  const std::int32_t* iElemMemb = Tables.iElemMemb;
  const std::int64_t* iElemLine = Geometry.iElemLine;
  const std::int32_t* iUndrawn = Geometry.iUndrawn;
  const std::int32_t* nElemNodes = Geometry.nElemNodes;
  const std::int32_t* iFirstNodes = Geometry.iElemNodes;
  static Base64Writer Writer;
  begin_array(iUnit, Writer, "elemExt");
  for (std::int32_t e = 0; e <= nElems; ++e)
    put_base64_int32(Writer, e == 0 ? 0 : iElemExt[e]);
  end_array(Writer);
  begin_array(iUnit, Writer, "elemMemb");
  for (std::int32_t e = 0; e <= nElems; ++e)
    put_base64_int32(Writer, e == 0 ? 0 : iElemMemb[e]);
  end_array(Writer);
  begin_array(iUnit, Writer, "elemLine");
  for (std::int32_t e = 0; e <= nElems; ++e) {
    const std::int64_t iLine = e == 0 ? 0 : iElemLine[e];
    put_base64_int32(Writer, static_cast<std::int32_t>(std::clamp<std::int64_t>(
                                 iLine, 0, std::numeric_limits<std::int32_t>::max())));
  }
  end_array(Writer);
  begin_array(iUnit, Writer, "elemNodes");
  for (std::int32_t e = 1; e <= nElems; ++e) {
    if (iUndrawn[e] != kDrawn) continue;
    const std::int32_t n = std::clamp(nElemNodes[e], 0, MxElemNodes);
    // Most elements have no node past the first row.
    const std::int32_t nFirst = std::min(n, kElemFirstNodes);
    for (std::int32_t j = 0; j < nFirst; ++j)
      put_base64_int32(Writer, iFirstNodes[std::int64_t{kElemFirstNodes} * e + j]);
    for (std::int32_t j = kElemFirstNodes; j < n; ++j)
      put_base64_int32(Writer, element_node(Geometry, e, j));
  }
  end_array(Writer);
}

// Why an element is not drawn, in the page's words: the record names and
// the node limit from the tables the readers use.
void put_undrawn_words(LineBuilder& Line, UndrawnReason iReason) {
  switch (iReason) {
    case kDrawn:
      return put_text(Line, "drawn");
    case kUndrawnNoCoordinate:
      put_text(Line, "a node of its list has no coordinates (");
      put_text(Line, kCoordRecordName);
      return put_text(Line, ")");
    case kUndrawnBadCoordinate:
      return put_text(Line, "a coordinate of one of its nodes is text or not finite");
    case kUndrawnUnknownType:
      return put_text(Line, "its element type is not known");
    case kUndrawnNoShape:
      return put_text(Line, "its element type has no shape of its own");
    case kUndrawnListCut:
      return put_text(Line, "its node list ends before its element type's last node");
    case kUndrawnBadNode:
      put_text(Line, "a node number of its list is outside 1 to ");
      return put_number(Line, MxNode);
    case kUndrawnNoRecord:
      put_text(Line, "no ");
      put_text(Line, kRecordName[kRecordGelmnt1]);
      return put_text(Line, " numbers it");
  }
}

void write_record_name(std::int32_t iUnit, const char* ChName) {
  write_json_string(iUnit, ChName, static_cast<std::int32_t>(std::strlen(ChName)));
}

}  // namespace

void write_page_words(std::int32_t iUnit) {
  write_page_text(iUnit, "\"words\":{\"elements\":");
  write_record_name(iUnit, kRecordName[kRecordGelmnt1]);
  write_page_text(iUnit, ",\"coordinates\":");
  write_record_name(iUnit, kCoordRecordName);
  write_page_text(iUnit, ",\"undrawn\":[");
  for (std::int32_t i = kDrawn; i <= kUndrawnNoRecord; ++i) {
    LineBuilder Line;
    put_undrawn_words(Line, static_cast<UndrawnReason>(i));
    if (i > kDrawn) write_page_text(iUnit, ",");
    write_json_string(iUnit, Line.Ch, Line.n);
  }
  write_page_text(iUnit, "]},\n");
}

void write_name_data(std::int32_t iUnit, const NameTables& Tables) {
  write_counts(iUnit, Tables);
  write_members(iUnit, Tables);
  write_node_names(iUnit, Tables);
}

void write_model_data(std::int32_t iUnit, const NameTables& Tables, const ModelGeometry& Geometry) {
  const std::int32_t nElems = elements_of(Tables);
  write_name_data(iUnit, Tables);
  write_types(iUnit, Geometry, nElems);
  write_page_text(iUnit, "\"nCoords\":");
  write_number(iUnit, Geometry.nCoords);
  write_page_text(iUnit, ",\n");
  mark_listed_twice(Tables, nElems);
  write_coordinates(iUnit, Geometry);
  write_element_bytes(iUnit, Geometry, nElems);
  write_element_numbers(iUnit, Tables, Geometry, nElems);
}
