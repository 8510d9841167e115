// The SESAM element types: for each ELTYP its name (BEAS, FQUS, ...), its
// node count and the shape it is drawn as, and for faces the order in which
// its nodes go round the edge.
#pragma once
#include <cstdint>

// Most nodes an element type has (GHEX with all optional nodes).
inline constexpr std::int32_t MxElemNodes = 27;

enum ElementShape : std::int32_t {
  kShapeUnknown,  // not in the table
  kShapeNone,     // in the table, no shape of its own (MATR, contact elements)
  kShapePoint,    // 1 node
  kShapeLine,     // 2 nodes, or 3: end, middle, end
  kShapeFace,     // 3 to 9 nodes: drawn by its outline (corner and midside nodes)
  kShapeSolid     // drawn by its faces or edges
};

struct ElementType {
  const char* ChName;  // "BEAS"; "" for an unknown type
  ElementShape iShape;
  std::int32_t nNodes;      // its node count (for MATR: 0, ELTYAD gives it)
  std::int32_t nOutline;    // faces: nodes round the edge; 0 otherwise
  std::int8_t iOutline[9];  // faces: the positions (0-based) of the list round the edge
};

// The type ELTYP; an entry with iShape kShapeUnknown when it is not in the table.
const ElementType& element_type(std::int32_t iEltyp);

// How many node numbers the GELMNT1 of type iEltyp lists after its header:
// the type's node count; for MATR, iEltyad (its additional type
// information) when positive; for GHEX (100 to 163) 21 and one more for each
// optional node its number sets; 0 for a type not in the table and for the
// contact elements, whose lists are not read.
std::int32_t listed_node_count(std::int32_t iEltyp, std::int32_t iEltyad);
