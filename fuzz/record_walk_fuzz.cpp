// Fuzz target: the input bytes are the FEM file. The record walk that
// --check and --view use goes over them, and the geometry tables are read
// through it. What must hold whatever the input:
//   - the walk ends, in at most one step per role of each line and one per
//     record the end cuts short, which come only after the last line;
//   - every line it hands out lies within the input, line numbers never go
//     back, a raw or node-list line comes after its header, and a header of
//     a kind is a line whose first field starts with that kind's name, not
//     a comment line;
//   - the geometry tables stay within their bounds, and an element said to
//     be drawn has its type's node count of nodes, each numbered within the
//     table and with coordinates read that are finite.
// Any breach aborts, which libFuzzer reports as a finding. A fatal stop (a
// number that does not convert, as a run would stop on) unwinds back here.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fem/element_types.h"
#include "fem/model_geometry.h"
#include "fem/name_tables.h"
#include "fem/record_walk.h"
#include "support/fatal_stop.h"

namespace {

[[noreturn]] void fail(const char* ChWhat) {
  std::fprintf(stderr, "broken: %s\n", ChWhat);
  std::abort();
}
#define REQUIRE(c) \
  if (!(c)) fail(#c)

// The roles a line can have: a raw line of each kind, a node-list line, a
// header, a GCOORD header.
constexpr std::int64_t kRolesPerLine = kRecordKinds + 3;

bool is_comment_line(const WalkLine& Line) {
  return Line.nLine > 0 && (Line.pLine[0] == '$' || Line.pLine[0] == '#' || Line.pLine[0] == '!');
}

// Walks the nData bytes at pData and holds every step to the walk's
// promises; returns the GELMNT1 headers met, as the member reader counts
// them.
std::int32_t walk_and_check(const char* pData, std::int64_t nData) {
  RecordWalk Walk;
  begin_walk(Walk, pData, nData);
  WalkLine Line;
  std::int64_t iLast = 0;
  std::int64_t nSteps = 0;
  std::int64_t nLines = 0;
  bool bCutShort = false;
  std::int32_t nElems = 0;
  while (next_walk_line(Walk, Line)) {
    ++nSteps;
    REQUIRE(Line.pFields != nullptr);
    REQUIRE(Line.pFields->count >= 0 && Line.pFields->count <= MxFields);
    if (Line.iRole == kWalkCutShort) {
      bCutShort = true;
      REQUIRE(Line.iKind >= 0 && Line.iKind < kRecordKinds);
      REQUIRE(Line.iHeaderLine >= 1 && Line.iHeaderLine <= iLast);
      continue;
    }
    REQUIRE(!bCutShort);
    REQUIRE(Line.iLine >= iLast && Line.iLine >= 1);
    if (Line.iLine > iLast) ++nLines;
    iLast = Line.iLine;
    REQUIRE(Line.pLine >= pData && Line.nLine >= 0 && Line.pLine + Line.nLine <= pData + nData);
    REQUIRE(Line.nCut >= 0 && Line.nCut <= Line.nLine && Line.nCut <= 256);
    switch (Line.iRole) {
      case kWalkHeader:
        REQUIRE(Line.iKind >= 0 && Line.iKind < kRecordKinds);
        REQUIRE(!is_comment_line(Line));
        REQUIRE(is_record_header(*Line.pFields, kRecordName[Line.iKind]));
        if (Line.iKind == kRecordGelmnt1) ++nElems;
        break;
      case kWalkCoordinates:
        REQUIRE(!is_comment_line(Line));
        REQUIRE(is_record_header(*Line.pFields, kCoordRecordName));
        break;
      case kWalkRaw:
      case kWalkNodeList:
        REQUIRE(Line.iHeaderLine >= 1 && Line.iHeaderLine < Line.iLine);
        REQUIRE(Line.iRawLine >= 1 && Line.iRawLine <= Line.iLine - Line.iHeaderLine);
        break;
      case kWalkCutShort:
        break;
    }
  }
  REQUIRE(nSteps <= kRolesPerLine * nLines + kRecordKinds);
  // Once over, the walk stays over.
  REQUIRE(!next_walk_line(Walk, Line));
  return nElems < MxElem ? nElems : MxElem;
}

void check_geometry(const ModelGeometry& Geometry, std::int32_t nElems) {
  REQUIRE(Geometry.nCoords >= 0 && Geometry.nCoords <= MxNode);
  for (std::int32_t e = 1; e <= nElems; ++e) {
    const std::int32_t iReason = Geometry.iUndrawn[e];
    REQUIRE(iReason >= kDrawn && iReason <= kUndrawnNoRecord);
    REQUIRE(Geometry.nElemNodes[e] >= 0 && Geometry.nElemNodes[e] <= MxElemNodes);
    if (iReason != kDrawn) continue;
    const ElementType& Type = element_type(Geometry.iElemType[e]);
    REQUIRE(Type.iShape != kShapeUnknown && Type.iShape != kShapeNone);
    REQUIRE(Geometry.nElemNodes[e] >= Type.nNodes);
    for (std::int32_t j = 0; j < Type.nNodes; ++j) {
      const std::int32_t iNode = element_node(Geometry, e, j);
      REQUIRE(iNode >= 1 && iNode <= MxNode);
      REQUIRE(Geometry.iCoord[iNode] == kCoordRead);
      for (std::int32_t k = 0; k < 3; ++k)
        REQUIRE(std::isfinite(Geometry.Xyz[3 * iNode + k]));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pInput, std::size_t nInput) {
  // static: the tables are taken once; read_model_geometry clears them.
  static ModelGeometry Geometry;
  static const bool bHad = create_model_geometry(Geometry);
  REQUIRE(bHad);
  const auto* pData = reinterpret_cast<const char*>(pInput);
  const auto nData = static_cast<std::int64_t>(nInput);
  try {
    const std::int32_t nElems = walk_and_check(pData, nData);
    NameTables Tables{};
    Tables.nElems = nElems;
    read_model_geometry(pData, nData, Tables, Geometry);
    check_geometry(Geometry, nElems);
  } catch (const FatalStopUnwind&) {
    // A number that does not convert: a run stops there too.
  }
  return 0;
}
