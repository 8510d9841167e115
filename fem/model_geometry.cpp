#include "fem/model_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "fem/record_walk.h"
#include "platform/platform.h"

namespace {

// The tables' sizes in bytes.
constexpr std::int64_t kXyzBytes = sizeof(float) * 3 * (MxNode + 1);
constexpr std::int64_t kCoordBytes = sizeof(std::uint8_t) * (MxNode + 1);
constexpr std::int64_t kCoordLineBytes = sizeof(std::int64_t) * (MxNode + 1);
constexpr std::int64_t kElemIntBytes = sizeof(std::int32_t) * (MxElem + 1);
constexpr std::int64_t kElemNodesBytes = sizeof(std::int32_t) * kElemFirstNodes * (MxElem + 1);
constexpr std::int64_t kElemMoreNodesBytes = sizeof(std::int32_t) * kElemMoreNodes * (MxElem + 1);
constexpr std::int64_t kElemLineBytes = sizeof(std::int64_t) * (MxElem + 1);

template <typename T>
void clear_entries(T* pTable, std::int64_t nEntries) {
  std::memset(pTable, 0, sizeof(T) * static_cast<std::size_t>(nEntries));
}

// The element whose node list the walk is in: its number (0: none to
// fill) and how many numbers its list has.
struct Listing {
  std::int32_t iElem;
  std::int64_t iHeaderLine;
  std::int32_t nListed;
};

template <typename T>
void prepare_entries(T* pTable, std::int64_t nEntries) {
  advise_populate_write(pTable, static_cast<std::int64_t>(sizeof(T)) * nEntries);
}

// Clears what the last reading wrote (the rest is 0 still): a model of a
// few nodes clears a few entries, not the tables' 20 million bytes.
void clear_geometry(ModelGeometry& Geometry) {
  const std::int64_t nNodes = Geometry.MaxNodeWritten + 1;
  const std::int64_t nElems = Geometry.MaxElemWritten + 1;
  clear_entries(Geometry.Xyz, 3 * nNodes);
  clear_entries(Geometry.iCoord, nNodes);
  clear_entries(Geometry.iCoordLine, nNodes);
  clear_entries(Geometry.iElemType, nElems);
  clear_entries(Geometry.nElemNodes, nElems);
  clear_entries(Geometry.iElemNodes, kElemFirstNodes * nElems);
  clear_entries(Geometry.iElemMoreNodes, kElemMoreNodes * nElems);
  clear_entries(Geometry.iElemLine, nElems);
  clear_entries(Geometry.iUndrawn, nElems);
  Geometry.nCoords = 0;
  Geometry.MaxNodeWritten = 0;
  Geometry.MaxElemWritten = 0;
}

// A coordinate that can be drawn: a number, finite also as a float. A
// missing field is no coordinate either.
bool is_coordinate(const LineFields& Fields, std::int32_t f) {
  if (f > Fields.count || Fields.kinds[f] == kFieldText) return false;
  return std::isfinite(static_cast<float>(Fields.values[f]));
}

// GCOORD NODENO XCOORD YCOORD ZCOORD: the last record of a node wins.
void take_coordinates(const WalkLine& Line, ModelGeometry& Geometry) {
  const LineFields& Fields = *Line.pFields;
  const std::int32_t iNode = walk_integer(Fields.values[2]);
  if (Fields.count < 2 || Fields.kinds[2] == kFieldText || iNode < 1 || iNode > MxNode) return;
  if (Geometry.iCoord[iNode] == kCoordNone) ++Geometry.nCoords;
  if (iNode > Geometry.MaxNodeWritten) Geometry.MaxNodeWritten = iNode;
  Geometry.iCoordLine[iNode] = Line.iLine;
  bool bGood = true;
  for (std::int32_t k = 0; k < 3; ++k) {
    bGood = bGood && is_coordinate(Fields, 3 + k);
    Geometry.Xyz[3 * iNode + k] = bGood ? static_cast<float>(Fields.values[3 + k]) : 0.0F;
  }
  Geometry.iCoord[iNode] = bGood ? kCoordRead : kCoordBad;
}

// GELMNT1 ELNOX ELNO ELTYP ELTYAD: the element's type, and its list to come.
// A later record of the same element starts it again.
void take_element(const WalkLine& Line, ModelGeometry& Geometry, Listing& Now) {
  const LineFields& Fields = *Line.pFields;
  const std::int32_t iElem = walk_integer(Fields.values[3]);
  Now = Listing{0, 0, 0};
  if (iElem < 1 || iElem > MxElem) return;
  const std::int32_t iEltyp = walk_integer(Fields.values[4]);
  if (iElem > Geometry.MaxElemWritten) Geometry.MaxElemWritten = iElem;
  Geometry.iElemType[iElem] = iEltyp;
  Geometry.iElemLine[iElem] = Line.iLine;
  Geometry.nElemNodes[iElem] = 0;
  Now = Listing{iElem, Line.iLine, listed_node_count(iEltyp, walk_integer(Fields.values[5]))};
}

// Fields 1 to 4 of a node-list line are the next four numbers of the list;
// those past the type's count are padding.
void take_nodes(const WalkLine& Line, ModelGeometry& Geometry, const Listing& Now) {
  if (Now.iElem == 0 || Line.iHeaderLine != Now.iHeaderLine) return;
  const std::int64_t nHeld = Now.nListed < MxElemNodes ? Now.nListed : MxElemNodes;
  const std::int64_t iFirst = 4 * static_cast<std::int64_t>(Line.iRawLine - 1);
  const std::int64_t nOnLine = std::clamp<std::int64_t>(nHeld - iFirst, 0, 4);
  if (nOnLine == 0) return;
  for (std::int64_t k = 0; k < nOnLine; ++k) {
    element_node(Geometry, Now.iElem, static_cast<std::int32_t>(iFirst + k)) =
        walk_integer(Line.pFields->values[k + 1]);
  }
  Geometry.nElemNodes[Now.iElem] = static_cast<std::int32_t>(iFirst + nOnLine);
}

UndrawnReason undrawn_reason(const ModelGeometry& Geometry, std::int32_t iElem) {
  if (Geometry.iElemLine[iElem] == 0) return kUndrawnNoRecord;
  const ElementType& Type = element_type(Geometry.iElemType[iElem]);
  if (Type.iShape == kShapeUnknown) return kUndrawnUnknownType;
  if (Type.iShape == kShapeNone) return kUndrawnNoShape;
  if (Geometry.nElemNodes[iElem] < Type.nNodes) return kUndrawnListCut;
  for (std::int32_t j = 0; j < Type.nNodes; ++j) {
    const std::int32_t iNode = element_node(Geometry, iElem, j);
    if (iNode < 1 || iNode > MxNode) return kUndrawnBadNode;
    if (Geometry.iCoord[iNode] == kCoordNone) return kUndrawnNoCoordinate;
    if (Geometry.iCoord[iNode] == kCoordBad) return kUndrawnBadCoordinate;
  }
  return kDrawn;
}

}  // namespace

bool create_model_geometry(ModelGeometry& Geometry) {
  constexpr std::int64_t nBytes = kXyzBytes + kCoordLineBytes + kElemLineBytes + kElemNodesBytes +
                                  kElemMoreNodesBytes + 4 * kElemIntBytes + kCoordBytes;
  auto* p = static_cast<char*>(map_zeroed_memory(nBytes));
  if (p == nullptr) return false;
  // The eight-byte tables first, then the four-byte ones, the bytes last:
  // each starts aligned for its type.
  Geometry.iCoordLine = reinterpret_cast<std::int64_t*>(p);
  Geometry.iElemLine = Geometry.iCoordLine + (MxNode + 1);
  Geometry.Xyz = reinterpret_cast<float*>(Geometry.iElemLine + (MxElem + 1));
  Geometry.iElemType = reinterpret_cast<std::int32_t*>(Geometry.Xyz + 3 * (MxNode + 1));
  Geometry.nElemNodes = Geometry.iElemType + (MxElem + 1);
  Geometry.iUndrawn = Geometry.nElemNodes + (MxElem + 1);
  Geometry.iElemNodes = Geometry.iUndrawn + (MxElem + 1);
  Geometry.iElemMoreNodes =
      Geometry.iElemNodes + static_cast<std::int64_t>(kElemFirstNodes) * (MxElem + 1);
  Geometry.iCoord = reinterpret_cast<std::uint8_t*>(
      Geometry.iElemMoreNodes + static_cast<std::int64_t>(kElemMoreNodes) * (MxElem + 1));
  Geometry.nCoords = 0;
  Geometry.MaxNodeWritten = 0;
  Geometry.MaxElemWritten = 0;
  return true;
}

namespace {

// static: the element whose node list the walk is in; one reading at a time.
Listing Now{0, 0, 0};

}  // namespace

void begin_geometry(const NameTables& Tables, ModelGeometry& Geometry) {
  clear_geometry(Geometry);
  Now = Listing{0, 0, 0};
  // Every element the label file lists has its entries written, and most
  // nodes theirs: their pages are made ready in one request each, instead of
  // being faulted in a page at a time as the walk comes to them.
  const std::int64_t nElems = std::clamp(Tables.nElems, 0, MxElem) + 1;
  const std::int64_t nNodes = std::clamp(Tables.nNodes, 0, MxNode) + 1;
  prepare_entries(Geometry.iElemType, nElems);
  prepare_entries(Geometry.nElemNodes, nElems);
  prepare_entries(Geometry.iElemNodes, kElemFirstNodes * nElems);
  prepare_entries(Geometry.iElemLine, nElems);
  prepare_entries(Geometry.iUndrawn, nElems);
  prepare_entries(Geometry.Xyz, 3 * nNodes);
  prepare_entries(Geometry.iCoord, nNodes);
  prepare_entries(Geometry.iCoordLine, nNodes);
}

void take_geometry_step(const WalkLine& Line, ModelGeometry& Geometry) {
  if (Line.iRole == kWalkCoordinates) {
    take_coordinates(Line, Geometry);
  } else if (Line.iRole == kWalkHeader && Line.iKind == kRecordGelmnt1) {
    take_element(Line, Geometry, Now);
  } else if (Line.iRole == kWalkNodeList) {
    take_nodes(Line, Geometry, Now);
  }
}

void end_geometry(const NameTables& Tables, ModelGeometry& Geometry) {
  const std::int32_t nElems = Tables.nElems < MxElem ? Tables.nElems : MxElem;
  for (std::int32_t i = 1; i <= nElems; ++i)
    Geometry.iUndrawn[i] = undrawn_reason(Geometry, i);
  if (nElems > Geometry.MaxElemWritten) Geometry.MaxElemWritten = nElems;
}

void read_model_geometry(const char* pData, std::int64_t nData, const NameTables& Tables,
                         ModelGeometry& Geometry) {
  // static: the walk's place; this function is not re-entrant.
  static RecordWalk Walk;
  begin_walk(Walk, pData, nData);
  begin_geometry(Tables, Geometry);
  WalkLine Line;
  while (next_walk_line(Walk, Line))
    take_geometry_step(Line, Geometry);
  end_geometry(Tables, Geometry);
}
