// The model's page from tables filled by hand: its data decoded back as the
// page's script reads it and compared with the tables; the same model gives
// the same bytes; hostile names stay text inside their script element.
#include "view/page_data.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "driver/label_writer.h"
#include "files/file_units.h"
#include "tests/testlib/lablix_run.h"
#include "view/model_page.h"

namespace {

constexpr char kDataStart[] = "<script type=\"application/json\" id=\"lablix-data\">";

void name_in(NameColumn& Names, std::int32_t i, const std::string& Name) {
  const std::string Field = Name + std::string(kNameLen - Name.size(), ' ');
  store_name(Names, i, Field.data());
}

void give_mesh(NameTables& T, std::int32_t k, std::int32_t m, std::initializer_list<int> iElem) {
  T.iMembDef[kMeshRefSlot][k] = m;
  T.iMeshList[1][m] = static_cast<std::int32_t>(iElem.size());
  std::int32_t j = 2;
  for (int e : iElem)
    T.iMeshList[j++][m] = e;
}

void place_node(ModelGeometry& G, std::int32_t i, float x, float y, float z) {
  G.Xyz[3 * i] = x;
  G.Xyz[3 * i + 1] = y;
  G.Xyz[3 * i + 2] = z;
  G.iCoord[i] = kCoordRead;
  ++G.nCoords;
}

void give_element(ModelGeometry& G, std::int32_t e, std::int32_t iType, std::int64_t iLine,
                  std::initializer_list<int> iNodes, UndrawnReason iReason) {
  G.iElemType[e] = iType;
  G.iElemLine[e] = iLine;
  G.iUndrawn[e] = iReason;
  for (int i : iNodes)
    element_node(G, e, G.nElemNodes[e]++) = i;
}

// A small frame: nodes 1 to 4 placed (node 5 has no GCOORD), a beam, a
// quadrilateral plate, a beam to the node without coordinates, a beam two
// members list, and a hole at 5 that no GELMNT1 numbers.
struct Model {
  NameTables T;
  ModelGeometry G;
  Model(const std::string& LegName = "Leg_A1") {
    EXPECT_TRUE(create_name_tables(T));
    EXPECT_TRUE(create_model_geometry(G));
    T.nNodes = 5;
    T.nElems = 5;
    T.nNames = 3;
    T.MaxMembRef = 3;
    T.nMesh = 3;
    T.MaxMeshRef = 12;
    T.nNodeNames = 1;
    for (std::int32_t i = 1; i <= 5; ++i)
      T.iNodeExt[i] = 100 + i;
    for (std::int32_t e = 1; e <= 4; ++e)
      T.iElemExt[e] = 200 + e;
    name_in(T.ChNodeName, 2, "Top");
    name_in(T.ChMembName, 1, LegName);
    name_in(T.ChMembName, 2, "Deck");
    name_in(T.ChMembName, 3, "Brace");
    give_mesh(T, 1, 10, {1, 4});
    give_mesh(T, 2, 11, {2});
    give_mesh(T, 3, 12, {4});
    assign_element_owners(T);
    place_node(G, 1, 0.0f, 0.0f, 0.0f);
    place_node(G, 2, 0.0f, 0.0f, 10.5f);
    place_node(G, 3, 8.0f, 0.0f, 10.5f);
    place_node(G, 4, 8.0f, 6.25f, -3.5f);
    give_element(G, 1, 15, 40, {1, 2}, kDrawn);
    give_element(G, 2, 24, 41, {1, 2, 3, 4}, kDrawn);
    give_element(G, 3, 15, 43, {3, 5}, kUndrawnNoCoordinate);
    give_element(G, 4, 15, 44, {2, 3}, kDrawn);
    G.iUndrawn[5] = kUndrawnNoRecord;
  }
  ~Model() { release_name_tables(T); }
};

std::string page_of(const Model& M, const std::string& Date = "Date : 2026-01-02 03:04:05",
                    const std::string& Findings = "m.FEM:7: TDNODE: one\n1 finding") {
  const std::string Dir = make_temp_dir();
  const std::string Path = Dir + "/m.html";
  EXPECT_EQ(0, connect_unit(30, Path.data(), static_cast<std::int32_t>(Path.size()), kStatusUnknown,
                            false));
  const PageFacts Facts{"m.FEM", 5, Date.data(), static_cast<std::int32_t>(Date.size())};
  write_page_of(30, M.T, M.G, Facts, Findings.data(), 2);
  close_unit(30);
  std::string Bytes = read_file(Path);
  remove_tree(Dir);
  return Bytes;
}

// The data element's text: what the page's script parses.
std::string data_of(const std::string& Page) {
  const std::size_t iStart = Page.find(kDataStart);
  if (iStart == std::string::npos) return "";
  const std::size_t iFrom = iStart + sizeof kDataStart - 1;
  return Page.substr(iFrom, Page.find("</script>", iFrom) - iFrom);
}

std::string bytes_of(const std::string& Data, const std::string& Key) {
  const std::string Start = "\"" + Key + "\":\"";
  const std::size_t i = Data.find(Start);
  if (i == std::string::npos) return "";
  const std::size_t iFrom = i + Start.size();
  const std::string Text = Data.substr(iFrom, Data.find('"', iFrom) - iFrom);
  const std::string kDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string Out;
  std::uint32_t u = 0;
  int nBits = 0;
  for (char c : Text) {
    if (c == '=') break;
    u = (u << 6) | static_cast<std::uint32_t>(kDigits.find(c));
    nBits += 6;
    if (nBits >= 8) {
      nBits -= 8;
      Out += static_cast<char>((u >> nBits) & 0xFF);
    }
  }
  return Out;
}

template <typename T>
std::vector<T> numbers_of(const std::string& Data, const std::string& Key) {
  const std::string Bytes = bytes_of(Data, Key);
  std::vector<T> Out(Bytes.size() / sizeof(T));
  for (std::size_t i = 0; i < Out.size(); ++i) {
    // Little-endian whatever the machine: assembled byte by byte.
    std::uint32_t u = 0;
    for (std::size_t b = 0; b < sizeof(T); ++b)
      u |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(Bytes[i * sizeof(T) + b]))
           << (8 * b);
    std::memcpy(&Out[i], &u, sizeof(T));
  }
  return Out;
}

TEST(ModelPage, DataDecodesBackToTheTables) {
  const Model M;
  const std::string Data = data_of(page_of(M));
  ASSERT_FALSE(Data.empty());

  const std::vector<float> Xyz = numbers_of<float>(Data, "xyz");
  ASSERT_EQ(15u, Xyz.size());  // nodes 0 to 4
  for (std::int32_t d = 0; d < 3; ++d)
    EXPECT_TRUE(std::isnan(Xyz[d])) << "node 0 is no node";
  for (std::int32_t i = 3; i < 15; ++i)
    EXPECT_EQ(M.G.Xyz[i], Xyz[i]) << "node " << i / 3 << " axis " << i % 3;

  const std::string Type = bytes_of(Data, "elemType");
  const std::string State = bytes_of(Data, "elemState");
  const std::string Count = bytes_of(Data, "elemCount");
  ASSERT_EQ(6u, Type.size());
  ASSERT_EQ(6u, State.size());
  ASSERT_EQ(6u, Count.size());
  const std::vector<std::int32_t> Ext = numbers_of<std::int32_t>(Data, "elemExt");
  const std::vector<std::int32_t> Memb = numbers_of<std::int32_t>(Data, "elemMemb");
  const std::vector<std::int32_t> Line = numbers_of<std::int32_t>(Data, "elemLine");
  ASSERT_EQ(6u, Ext.size());
  ASSERT_EQ(6u, Memb.size());
  ASSERT_EQ(6u, Line.size());
  for (std::int32_t e = 1; e <= 5; ++e) {
    EXPECT_EQ(M.G.iElemType[e], static_cast<std::uint8_t>(Type[e])) << "element " << e;
    const std::int32_t iState = (e == 4 ? kElemListedTwice : 0) + M.G.iUndrawn[e];
    EXPECT_EQ(iState, static_cast<std::uint8_t>(State[e])) << "element " << e;
    EXPECT_EQ(M.G.iUndrawn[e] == kDrawn ? M.G.nElemNodes[e] : 0, Count[e]) << "element " << e;
    EXPECT_EQ(M.T.iElemExt[e], Ext[e]) << "element " << e;
    EXPECT_EQ(M.T.iElemMemb[e], Memb[e]) << "element " << e;
    EXPECT_EQ(M.G.iElemLine[e], Line[e]) << "element " << e;
  }
  // Element 4: the higher member's name, as its label.
  EXPECT_EQ(3, Memb[4]);
  // The drawn elements' lists, one after the other.
  const std::vector<std::int32_t> Nodes = numbers_of<std::int32_t>(Data, "elemNodes");
  EXPECT_EQ((std::vector<std::int32_t>{1, 2, 1, 2, 3, 4, 2, 3}), Nodes);

  EXPECT_NE(std::string::npos, Data.find("\"counts\":[1,5,3,5,3,12,3]"));
  EXPECT_NE(std::string::npos, Data.find("[1,\"Leg_A1\"],\n[2,\"Deck\"],\n[3,\"Brace\"]"));
  EXPECT_NE(std::string::npos, Data.find("\"nodes\":[\n[2,102,\"Top\"]]"));
  EXPECT_NE(std::string::npos,
            Data.find("\"findings\":[\n\"m.FEM:7: TDNODE: one\",\n\"1 finding\"]"));
  EXPECT_NE(std::string::npos, Data.find("\"nCoords\":4"));
  EXPECT_NE(std::string::npos, Data.find("[15,\"BEAS\",3,2,[]]"));
}

TEST(ModelPage, SameModelSameBytesApartFromTheDate) {
  const Model M;
  const std::string First = page_of(M);
  EXPECT_EQ(First, page_of(M));
  std::string Later = page_of(M, "Date : 2027-11-12 13:14:15");
  const std::size_t i = Later.find("2027-11-12 13:14:15");
  ASSERT_NE(std::string::npos, i);
  Later.replace(i, 19, "2026-01-02 03:04:05");
  EXPECT_EQ(First, Later);
}

TEST(ModelPage, HostileNamesStayTextInTheirElement) {
  const char* ChHostile[] = {"</script><script>alert(1)</script>", "<img src=x onerror=alert(1)>",
                             "<!--<script>", "\"]}</SCRIPT>"};
  for (const char* ChName : ChHostile) {
    const Model M(ChName);
    const std::string Page = page_of(M, "Date : x", std::string("m.FEM:1: ") + ChName + "\nend");
    const std::string Data = data_of(Page);
    ASSERT_FALSE(Data.empty()) << ChName;
    // The data element ends where the page ends it, and holds no markup.
    EXPECT_EQ(std::string::npos, Data.find('<')) << ChName;
    EXPECT_EQ(std::string::npos, Data.find('>')) << ChName;
    EXPECT_NE(std::string::npos, Data.find("\"end\":0}")) << ChName;
  }
}

}  // namespace
