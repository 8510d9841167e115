// Where the model stands, for drawing it: each node's coordinates (GCOORD)
// and each element's type and node list (GELMNT1: the internal node numbers
// after ELTYAD, over its continuation lines, as many as the element type
// has; the zero padding of the last line ignored). Read in one record walk
// (fem/record_walk.h) with the readers' line rules, beside the tables a run
// fills; a normal run never reads them.
#pragma once
#include <cstdint>

#include "fem/element_types.h"
#include "fem/name_tables.h"
#include "fem/record_walk.h"

// Why an element is not drawn (kDrawn: it is).
enum UndrawnReason : std::int32_t {
  kDrawn,
  kUndrawnNoCoordinate,   // a node of its list has no GCOORD
  kUndrawnBadCoordinate,  // a coordinate of a node of its list is text or not finite
  kUndrawnUnknownType,    // its type is not in the element table
  kUndrawnNoShape,        // its type has no shape of its own (MATR, contact elements)
  kUndrawnListCut,        // its node list ends (the file or the record does) before its last node
  kUndrawnBadNode,        // a node number of its list is below 1 or above MxNode
  kUndrawnNoRecord        // no GELMNT1 numbers it (a hole in 1..nElems)
};

// How an element's node list is held (ModelGeometry::iElemNodes).
inline constexpr std::int32_t kElemFirstNodes = 4;
inline constexpr std::int32_t kElemMoreNodes = MxElemNodes - kElemFirstNodes;

// The state of a node's coordinates.
enum CoordState : std::uint8_t { kCoordNone, kCoordRead, kCoordBad };

// The geometry tables, 1-based like the name tables (entry 0 unused), taken
// once at start-up and zeroed.
struct ModelGeometry {
  float* Xyz;                // [3 * (MxNode + 1)]: x, y, z of internal node i at 3 * i
  std::uint8_t* iCoord;      // [MxNode + 1]: CoordState of internal node i
  std::int64_t* iCoordLine;  // [MxNode + 1]: FEM line of its GCOORD (the last one wins)
  std::int32_t nCoords;      // nodes with a GCOORD read
  std::int32_t* iElemType;   // [MxElem + 1]: ELTYP of internal element i (0: no GELMNT1)
  std::int32_t* nElemNodes;  // [MxElem + 1]: nodes read into its list
  // Its list, in two rows (element_node): the first kElemFirstNodes nodes
  // at kElemFirstNodes * i in iElemNodes, the rest at kElemMoreNodes * i in
  // iElemMoreNodes. Most elements have four nodes or fewer: a model of
  // those writes only the short rows: 4 entries of the 27 a row of
  // MxElemNodes would take, every page of which such a model wrote.
  std::int32_t* iElemNodes;      // [kElemFirstNodes * (MxElem + 1)]
  std::int32_t* iElemMoreNodes;  // [kElemMoreNodes * (MxElem + 1)]
  std::int64_t* iElemLine;       // [MxElem + 1]: FEM line of its GELMNT1 header
  std::int32_t* iUndrawn;        // [MxElem + 1]: UndrawnReason, set by read_model_geometry
  // The highest node and element entries a reading wrote: the next one
  // clears no more than these.
  std::int32_t MaxNodeWritten;
  std::int32_t MaxElemWritten;
};

// Node j (0 to MxElemNodes - 1) of the list of element i (0 to MxElem).
inline std::int32_t& element_node(ModelGeometry& Geometry, std::int32_t i, std::int32_t j) {
  return j < kElemFirstNodes
             ? Geometry.iElemNodes[std::int64_t{kElemFirstNodes} * i + j]
             : Geometry.iElemMoreNodes[std::int64_t{kElemMoreNodes} * i + j - kElemFirstNodes];
}
inline std::int32_t element_node(const ModelGeometry& Geometry, std::int32_t i, std::int32_t j) {
  return j < kElemFirstNodes
             ? Geometry.iElemNodes[std::int64_t{kElemFirstNodes} * i + j]
             : Geometry.iElemMoreNodes[std::int64_t{kElemMoreNodes} * i + j - kElemFirstNodes];
}

// Takes and zeroes the tables' memory. False when it cannot be had.
bool create_model_geometry(ModelGeometry& Geometry);

// Reads GCOORD and GELMNT1 from the nData bytes of the FEM file at pData
// into Geometry (cleared first), then sets iUndrawn of elements 1 to
// Tables.nElems. Tables are the readers' results. Never fails: what cannot
// be read is an element not drawn, with its reason.
void read_model_geometry(const char* pData, std::int64_t nData, const NameTables& Tables,
                         ModelGeometry& Geometry);

// The same reading, step by step, for a caller that walks the file for
// more than the geometry (the check on the model's page), so that the
// file is walked once: begin_geometry clears Geometry and makes ready the
// pages of the Tables.nElems elements and Tables.nNodes nodes (which a
// model writes nearly all of), take_geometry_step takes every step of one
// walk from its start (fem/record_walk.h), and end_geometry sets iUndrawn
// as read_model_geometry does. One reading at a time: the element whose
// node list is under way is the module's.
void begin_geometry(const NameTables& Tables, ModelGeometry& Geometry);
void take_geometry_step(const WalkLine& Line, ModelGeometry& Geometry);
void end_geometry(const NameTables& Tables, ModelGeometry& Geometry);
