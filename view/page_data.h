// The model's data in the page: one JSON object's members, written into
// the <script type="application/json"> element that the page's script
// reads. Names go in once each, as JSON strings that cannot end the
// element (view/page_text.h); the tables go in as base64 of little-endian
// typed arrays, indexed as the tables are (entry 0 unused):
//
//   "counts"    the seven counts of the run summary, in its order
//   "members"   [number, name] of each named member up to MaxMembRef
//   "nodes"     [internal number, NodeID, name] of each named node the
//               label file lists (1 to nNodes)
//   "types"     [ELTYP, name, shape, node count, [outline]] of each element
//               type the model uses (shape as fem/element_types.h numbers it)
//   "nCoords"   the nodes with a GCOORD read
//   "xyz"       Float32, x y z of node i at 3 i, up to the highest node with
//               a coordinate read; NaN where a node has none
//   "elemType", "elemState", "elemCount"   Uint8 per element: ELTYP (0 when
//               not 1 to 255), UndrawnReason plus 16 when two named members
//               list it, nodes in its list in "elemNodes" (0 when not drawn)
//   "elemExt", "elemMemb", "elemLine"      Int32 per element: ElemID, the
//               member whose name its label carries (0: none), the FEM line
//               of its GELMNT1
//   "elemNodes" Int32, the node lists of the drawn elements, one after the
//               other in element order
//
// Elements are 1 to min(nElems, MxElem), as the label file's.
#pragma once
#include <cstdint>

#include "fem/model_geometry.h"
#include "fem/name_tables.h"

// The state bit of an element that more than one named member lists.
inline constexpr std::int32_t kElemListedTwice = 16;

// Writes the members above, each followed by a comma, to iUnit. Tables as
// the readers and assign_element_owners left them; Geometry as
// read_model_geometry left it. Has no failure of its own.
void write_model_data(std::int32_t iUnit, const NameTables& Tables, const ModelGeometry& Geometry);

// Writes "words": the record names and the reasons for an element not
// drawn as the page says them, from the program's own tables:
//   {"elements": "GELMNT1", "coordinates": "GCOORD",
//    "undrawn": [the words of each UndrawnReason, in its order]}
// followed by a comma. Every page holds it.
void write_page_words(std::int32_t iUnit);

// Writes "counts", "members" and "nodes" alone: for a page without
// geometry (a model that breaks a limit), each followed by a comma.
void write_name_data(std::int32_t iUnit, const NameTables& Tables);
