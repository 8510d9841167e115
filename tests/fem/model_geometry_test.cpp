// The element types as the elements' description gives them, and the
// geometry tables read from GCOORD and GELMNT1: node lists over their
// continuation lines without their padding, coordinates, and the reason
// each element that cannot be drawn is not, alike in both layouts, with
// indented continuation lines and with CR LF.
#include "fem/model_geometry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "fem/element_types.h"
#include "tests/fem/reader_runs.h"

namespace {

// "e:TYPE[n1 n2 ...]R" for elements 1 to nElems (R the UndrawnReason),
// then "c=" and the nodes with coordinates read.
std::string read_geometry(const std::string& Text, std::int32_t nElems) {
  // static: the tables are taken once for all cases.
  static ModelGeometry Geometry;
  static const bool bHad = create_model_geometry(Geometry);
  EXPECT_TRUE(bHad);
  NameTables Tables{};
  Tables.nElems = nElems;
  read_model_geometry(Text.data(), static_cast<std::int64_t>(Text.size()), Tables, Geometry);
  std::ostringstream Out;
  for (std::int32_t e = 1; e <= nElems; ++e) {
    Out << e << ":" << element_type(Geometry.iElemType[e]).ChName << "[";
    for (std::int32_t j = 0; j < Geometry.nElemNodes[e]; ++j)
      Out << (j > 0 ? " " : "") << element_node(Geometry, e, j);
    Out << "]" << Geometry.iUndrawn[e] << " ";
  }
  Out << "c=" << Geometry.nCoords;
  return Out.str();
}

std::string coords(std::int32_t nNodes) {
  std::string Text;
  for (std::int32_t i = 1; i <= nNodes; ++i)
    Text += "GCOORD " + std::to_string(i) + " " + std::to_string(i) + ".0 0.0 -1.5\n";
  return Text;
}

}  // namespace

// One type of each kind, and numbers outside the table.
TEST(ElementTypes, KindsAndNodeCounts) {
  struct Case {
    std::int32_t iEltyp;
    const char* ChName;
    ElementShape iShape;
    std::int32_t nNodes;
  };
  const Case cases[] = {
      {18, "GSPR", kShapePoint, 1},  {15, "BEAS", kShapeLine, 2}, {23, "BTSS", kShapeLine, 3},
      {25, "FTRS", kShapeFace, 3},   {24, "FQUS", kShapeFace, 4}, {61, "HCQS", kShapeFace, 9},
      {20, "IHEX", kShapeSolid, 20}, {70, "MATR", kShapeNone, 0}, {0, "", kShapeUnknown, 0},
      {99, "", kShapeUnknown, 0},    {164, "", kShapeUnknown, 0}, {-15, "", kShapeUnknown, 0},
  };
  for (const Case& c : cases) {
    const ElementType& Type = element_type(c.iEltyp);
    EXPECT_STREQ(c.ChName, Type.ChName) << c.iEltyp;
    EXPECT_EQ(c.iShape, Type.iShape) << c.iEltyp;
    EXPECT_EQ(c.nNodes, Type.nNodes) << c.iEltyp;
  }
}

TEST(ElementTypes, FacesGoRoundTheirEdgeInTheFormatsOrder) {
  struct Case {
    std::int32_t iEltyp;
    std::vector<int> Outline;
  };
  const Case cases[] = {
      {3, {0, 1, 2}},
      {24, {0, 1, 2, 3}},
      {6, {0, 3, 1, 4, 2, 5}},  // corners 1 to 3, then the midside nodes
      {34, {0, 3, 1, 4, 2, 5}},
      {8, {0, 4, 1, 5, 2, 6, 3, 7}},
      {28, {0, 1, 2, 3, 4, 5, 6, 7}},  // round the edge already
      {35, {0, 1, 2, 3, 4, 5, 6, 7}},
      {43, {0, 1, 2}},  // described by no order: corners only
      {44, {0, 1, 2, 3}},
      {61, {0, 2, 4, 6}},
  };
  for (const Case& c : cases) {
    const ElementType& Type = element_type(c.iEltyp);
    EXPECT_EQ(c.Outline, std::vector<int>(Type.iOutline, Type.iOutline + Type.nOutline))
        << c.iEltyp;
  }
}

TEST(ElementTypes, ListedNodeCounts) {
  EXPECT_EQ(6, listed_node_count(70, 6));  // MATR: ELTYAD nodes
  EXPECT_EQ(0, listed_node_count(70, -3));
  EXPECT_EQ(21, listed_node_count(100, 0));
  EXPECT_EQ(22, listed_node_count(101, 0));
  EXPECT_EQ(27, listed_node_count(163, 0));
  EXPECT_EQ(0, listed_node_count(52, 4));
  EXPECT_EQ(0, listed_node_count(99, 4));
  EXPECT_EQ(9, listed_node_count(61, 0));
}

TEST(ModelGeometry, ListsCoordinatesAndTheReasonsNotDrawn) {
  struct Case {
    const char* name;
    std::string Text;
    std::int32_t nElems;
    std::string Expected;
  };
  const Case cases[] = {
      {"each kind of element",
       coords(20) +
           "GELMNT1 1 1 11 0\n 3 0 0 0\nGELMNT1 2 2 15 0\n 1 2 0 0\nGELMNT1 3 3 23 0\n"
           " 1 2 3 0\nGELMNT1 4 4 24 0\n 1 2 3 4\nGELMNT1 5 5 6 0\n 1 2 3 4\n 5 6 0 0\n"
           "GELMNT1 6 6 20 0\n 1 2 3 4\n 5 6 7 8\n 9 10 11 12\n 13 14 15 16\n 17 18 19 20\n",
       6,
       "1:GMAS[3]0 2:BEAS[1 2]0 3:BTSS[1 2 3]0 4:FQUS[1 2 3 4]0 5:ILST[1 2 3 4 5 6]0 "
       "6:IHEX[1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20]0 c=20"},
      {"nodes without coordinates, and coordinates that cannot be drawn",
       coords(2) + "GCOORD 3 1.0 X 2.0\nGCOORD 4 1.0 2.0\nGCOORD 0 1 1 1\nGCOORD 100001 1 1 1\n"
                   "GELMNT1 1 1 15 0\n 1 9 0 0\nGELMNT1 2 2 15 0\n 1 3 0 0\nGELMNT1 3 3 15 0\n"
                   " 4 1 0 0\nGELMNT1 4 4 15 0\n 0 1 0 0\nGELMNT1 5 5 15 0\n 1 100001 0 0\n",
       5, "1:BEAS[1 9]1 2:BEAS[1 3]2 3:BEAS[4 1]2 4:BEAS[0 1]6 5:BEAS[1 100001]6 c=4"},
      {"types without a drawing, a hole, a list the end cuts",
       coords(4) +
           "GELMNT1 1 1 99 0\n 1 2 0 0\nGELMNT1 2 2 70 2\n 1 2 0 0\nGELMNT1 4 4 20 0\n 1 2 3 4\n",
       4, "1:[]3 2:MATR[1 2]4 3:[]7 4:IHEX[1 2 3 4]5 c=4"},
      {"a later record of an element starts it again, the last coordinates win",
       coords(3) + "GCOORD 3 X 0 0\nGELMNT1 1 1 15 0\n 1 2 0 0\nGELMNT1 1 1 15 0\n 2 3 0 0\n", 1,
       "1:BEAS[2 3]2 c=3"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.Expected, read_geometry(c.Text, c.nElems)) << c.name;
  }
}

// The layout that tools write, indented continuation lines and CR LF give
// the tables of the free layout.
TEST(ModelGeometry, LayoutsAndLineEndsReadAlike) {
  const std::string Free =
      "GCOORD 1 0.5 1.5 -2.0\nGCOORD 2 1.0 0 0\nGCOORD 3 2.0 0 0\nGCOORD 4 3.0 0 0\n"
      "GCOORD 5 4.0 0 0\nGCOORD 6 5.0 0 0\nGELMNT1 7 1 26 0\n1 2 3 4\n5 6 0 0\n";
  const std::string Indented =
      "GCOORD 1 0.5 1.5 -2.0\nGCOORD 2 1.0 0 0\nGCOORD 3 2.0 0 0\nGCOORD 4 3.0 0 0\n"
      "GCOORD 5 4.0 0 0\nGCOORD 6 5.0 0 0\nGELMNT1 7 1 26 0\n            1 2 3 4\n"
      "            5 6 0 0\n";
  std::string Tool = tool("GCOORD", {1, 0.5, 1.5, -2});
  for (int i = 2; i <= 6; ++i)
    Tool += tool("GCOORD", {static_cast<double>(i), i - 1.0, 0, 0});
  Tool += tool("GELMNT1", {7, 1, 26, 0}) + tool("", {1, 2, 3, 4}) + tool("", {5, 6, 0, 0});
  std::string ToolCrlf;
  for (char c : Tool)
    ToolCrlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  const std::string Expected = "1:SCTS[1 2 3 4 5 6]0 c=6";
  for (const std::string* pText :
       std::vector<const std::string*>{&Free, &Indented, &Tool, &ToolCrlf}) {
    EXPECT_EQ(Expected, read_geometry(*pText, 1)) << *pText;
  }
  static ModelGeometry Geometry;
  ASSERT_TRUE(create_model_geometry(Geometry));
  NameTables Tables{};
  Tables.nElems = 1;
  read_model_geometry(ToolCrlf.data(), static_cast<std::int64_t>(ToolCrlf.size()), Tables,
                      Geometry);
  EXPECT_EQ(0.5F, Geometry.Xyz[3]);
  EXPECT_EQ(1.5F, Geometry.Xyz[4]);
  EXPECT_EQ(-2.0F, Geometry.Xyz[5]);
  EXPECT_EQ(kCoordRead, Geometry.iCoord[1]);
  EXPECT_EQ(1, Geometry.iCoordLine[1]);
  EXPECT_EQ(7, Geometry.iElemLine[1]);
}

// The files of modelling tools (.FEM and .SIF): every element drawn, and
// the element types counted as the elements' description counts them.
TEST(ModelGeometry, RealFilesAreDrawnWhole) {
  namespace fs = std::filesystem;
  if (!fs::is_directory(LABLIX_REALWORLD_DIR)) {
    GTEST_SKIP() << "the realworld folder is missing: " << LABLIX_REALWORLD_DIR;
  }
  static ModelGeometry Geometry;
  ASSERT_TRUE(create_model_geometry(Geometry));
  std::map<std::string, std::int32_t> nByType;
  for (const fs::directory_entry& Entry : fs::directory_iterator(LABLIX_REALWORLD_DIR)) {
    if (Entry.path().extension() != ".FEM" && Entry.path().extension() != ".SIF") continue;
    const std::string Text = read_file(Entry.path().string());
    NameTables Tables{};
    Tables.nElems = MxElem;
    read_model_geometry(Text.data(), static_cast<std::int64_t>(Text.size()), Tables, Geometry);
    for (std::int32_t e = 1; e <= Geometry.MaxElemWritten; ++e) {
      if (Geometry.iElemLine[e] == 0) continue;
      ++nByType[element_type(Geometry.iElemType[e]).ChName];
      EXPECT_EQ(kDrawn, Geometry.iUndrawn[e]) << Entry.path() << " element " << e;
    }
  }
  const std::map<std::string, std::int32_t> Expected = {
      {"BEAS", 276}, {"FQUS", 527}, {"GSPR", 14}, {"GMAS", 1}, {"BTSS", 4}};
  EXPECT_EQ(Expected, nByType);
}
