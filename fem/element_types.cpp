#include "fem/element_types.h"

#include <bit>

namespace {

// The highest ELTYP in the table (the last GHEX).
constexpr std::int32_t kLastEltyp = 163;
constexpr std::int32_t kFirstGhex = 100;

struct TypeRow {
  std::int32_t iEltyp;
  ElementType Type;
};

// Faces are drawn round their edge: corners, and where the format's
// description gives their order the midside nodes between them. The
// triangles of the ILST family list corners 1 to 3 before the midside
// nodes, IQQE corners 1 to 4 before its; the SCQS family goes round the
// edge already. The types the format describes by no such order are drawn
// by their corners, taken as their family's: AXLS as ILST, SLTS as SCTS,
// AXQQ as IQQE, SLQS and the 9-node HCQS (whose ninth node is inside) as
// SCQS.
constexpr ElementType point(const char* ChName) {
  return {ChName, kShapePoint, 1, 0, {}};
}
constexpr ElementType line(const char* ChName, std::int32_t nNodes) {
  return {ChName, kShapeLine, nNodes, 0, {}};
}
constexpr ElementType solid(const char* ChName, std::int32_t nNodes) {
  return {ChName, kShapeSolid, nNodes, 0, {}};
}
constexpr ElementType corners(const char* ChName, std::int32_t nNodes, std::int32_t nCorners) {
  ElementType Type{ChName, kShapeFace, nNodes, nCorners, {}};
  for (std::int32_t i = 0; i < nCorners; ++i)
    Type.iOutline[i] = static_cast<std::int8_t>(i);
  return Type;
}
constexpr ElementType around(const char* ChName, std::int32_t nNodes, std::int32_t nEdge,
                             std::int32_t nStep) {
  ElementType Type{ChName, kShapeFace, nNodes, nEdge, {}};
  for (std::int32_t i = 0; i < nEdge; ++i)
    Type.iOutline[i] = static_cast<std::int8_t>(i * nStep);
  return Type;
}
constexpr ElementType triangle6(const char* ChName) {
  return {ChName, kShapeFace, 6, 6, {0, 3, 1, 4, 2, 5}};
}
constexpr ElementType quad8(const char* ChName) {
  return {ChName, kShapeFace, 8, 8, {0, 4, 1, 5, 2, 6, 3, 7}};
}

constexpr TypeRow kTypes[] = {
    {11, point("GMAS")},           {18, point("GSPR")},
    {19, point("GDAM")},           {45, point("PILS")},
    {47, point("PSPR")},           {2, line("BEPS", 2)},
    {10, line("TESS", 2)},         {12, line("GLMA", 2)},
    {13, line("GLDA", 2)},         {15, line("BEAS", 2)},
    {16, line("AXIS", 2)},         {17, line("AXDA", 2)},
    {40, line("GLSH", 2)},         {46, line("PCAB", 2)},
    {49, line("LINK", 2)},         {22, line("SECB", 3)},
    {23, line("BTSS", 3)},         {68, line("SLCB", 3)},
    {3, corners("CSTA", 3, 3)},    {25, corners("FTRS", 3, 3)},
    {41, corners("AXCS", 3, 3)},   {24, corners("FQUS", 4, 4)},
    {9, corners("LQUA", 4, 4)},    {5, corners("RPBQ", 4, 4)},
    {42, corners("AXLQ", 4, 4)},   {6, triangle6("ILST")},
    {26, triangle6("SCTS")},       {27, triangle6("MCTS")},
    {34, triangle6("LCTS")},       {43, corners("AXLS", 6, 3)},
    {67, corners("SLTS", 6, 3)},   {8, quad8("IQQE")},
    {28, around("SCQS", 8, 8, 1)}, {29, around("MCQS", 8, 8, 1)},
    {35, around("LCQS", 8, 8, 1)}, {44, corners("AXQQ", 8, 4)},
    {66, around("SLQS", 8, 4, 2)}, {61, around("HCQS", 9, 4, 2)},
    {33, solid("TETR", 4)},        {32, solid("TPRI", 6)},
    {21, solid("LHEX", 8)},        {31, solid("ITET", 10)},
    {38, solid("TRS3", 12)},       {30, solid("IPRI", 15)},
    {37, solid("TRS2", 15)},       {36, solid("TRS1", 18)},
    {20, solid("IHEX", 20)},       {70, {"MATR", kShapeNone, 0, 0, {}}},
};

struct TypeTable {
  ElementType Type[kLastEltyp + 1];
};

constexpr TypeTable type_table() {
  TypeTable Table{};
  for (ElementType& Type : Table.Type)
    Type = ElementType{"", kShapeUnknown, 0, 0, {}};
  for (const TypeRow& Row : kTypes)
    Table.Type[Row.iEltyp] = Row.Type;
  // Contact elements: no shape, and no node list read.
  for (std::int32_t i = 51; i <= 58; ++i)
    Table.Type[i] = ElementType{"CONTACT", kShapeNone, 0, 0, {}};
  // GHEX: 20 edge nodes and the middle one, and one for each optional face
  // node that the type number's six bits above 100 set.
  for (std::int32_t i = kFirstGhex; i <= kLastEltyp; ++i) {
    const auto nOptional = std::popcount(static_cast<unsigned>(i - kFirstGhex));
    Table.Type[i] = solid("GHEX", 21 + nOptional);
  }
  return Table;
}

constexpr TypeTable kTypeTable = type_table();

}  // namespace

const ElementType& element_type(std::int32_t iEltyp) {
  if (iEltyp < 0 || iEltyp > kLastEltyp) return kTypeTable.Type[0];
  return kTypeTable.Type[iEltyp];
}

std::int32_t listed_node_count(std::int32_t iEltyp, std::int32_t iEltyad) {
  const ElementType& Type = element_type(iEltyp);
  if (iEltyp == 70) return iEltyad > 0 ? iEltyad : 0;
  return Type.iShape == kShapeUnknown ? 0 : Type.nNodes;
}
