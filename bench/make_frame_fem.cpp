// Writes the FEM file the page of --view is measured on: a frame of
// 100000 elements standing in space, as a modelling tool writes it.
//
//   make_frame_fem <folder>
//
// gives <folder>/frame.FEM. A grid of 30 x 30 x 38 nodes 4 m apart with a
// GCOORD each; beams (BEAS) along X, Y and Z between neighbours, then
// plates (FQUS) on the top level until there are 100000 elements. Each row
// of beams along X or Y, each column along Z and each strip of plates is a
// named member (at most 99 elements each). Unlike the capacity file, whose
// nodes lie anywhere, the model has a shape to draw. The same bytes on
// every machine.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tool_layout_writer.h"

namespace {

using namespace tool_layout_writer;

constexpr int nX = 30, nY = 30, nZ = 38;
constexpr int nElemsWanted = 100000;

int node_at(int x, int y, int z) {
  return 1 + x + nX * (y + nY * z);
}

struct Element {
  int iType;
  int iNodes[4];
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_frame_fem <folder>\n");
    return 2;
  }
  // The elements and the members (each a run of consecutive elements).
  std::vector<Element> Elems;
  std::vector<std::pair<std::string, std::vector<int>>> Members;
  auto start_member = [&](const std::string& Name) { Members.push_back({Name, {}}); };
  auto add = [&](Element E) {
    if (static_cast<int>(Elems.size()) == nElemsWanted) return;
    if (Members.back().second.size() == 99) start_member(Members.back().first + "_b");
    Elems.push_back(E);
    Members.back().second.push_back(static_cast<int>(Elems.size()));
  };
  char Ch[64];
  for (int z = 0; z < nZ; ++z) {
    for (int y = 0; y < nY; ++y) {
      std::snprintf(Ch, sizeof Ch, "Beam_X_y%02d_z%02d", y, z);
      start_member(Ch);
      for (int x = 0; x + 1 < nX; ++x)
        add({15, {node_at(x, y, z), node_at(x + 1, y, z)}});
    }
    for (int x = 0; x < nX; ++x) {
      std::snprintf(Ch, sizeof Ch, "Beam_Y_x%02d_z%02d", x, z);
      start_member(Ch);
      for (int y = 0; y + 1 < nY; ++y)
        add({15, {node_at(x, y, z), node_at(x, y + 1, z)}});
    }
  }
  for (int y = 0; y < nY; ++y) {
    for (int x = 0; x < nX; ++x) {
      std::snprintf(Ch, sizeof Ch, "Leg_x%02d_y%02d", x, y);
      start_member(Ch);
      for (int z = 0; z + 1 < nZ; ++z)
        add({15, {node_at(x, y, z), node_at(x, y, z + 1)}});
    }
  }
  for (int y = 0; y + 1 < nY; ++y) {
    std::snprintf(Ch, sizeof Ch, "Deck_plate_y%02d", y);
    start_member(Ch);
    for (int x = 0; x + 1 < nX; ++x) {
      const int z = nZ - 1;
      add({24,
           {node_at(x, y, z), node_at(x + 1, y, z), node_at(x + 1, y + 1, z),
            node_at(x, y + 1, z)}});
    }
  }
  while (!Members.empty() && Members.back().second.empty())
    Members.pop_back();

  if (!start_fem(std::string(argv[1]) + "/frame.FEM")) {
    std::perror(Path.c_str());
    return 1;
  }
  put_record("IDENT", {1, 1, 3, 0});
  const int nNodes = nX * nY * nZ;
  for (int i = 1; i <= nNodes; ++i)
    put_record("GNODE", {static_cast<double>(1000000 + i), static_cast<double>(i), 6, 123456});
  for (int z = 0; z < nZ; ++z)
    for (int y = 0; y < nY; ++y)
      for (int x = 0; x < nX; ++x)
        put_record("GCOORD", {static_cast<double>(node_at(x, y, z)), 4.0 * x, 4.0 * y, 4.0 * z});
  for (std::size_t e = 1; e <= Elems.size(); ++e) {
    const Element& E = Elems[e - 1];
    put_record("GELMNT1", {static_cast<double>(2000000 + e), static_cast<double>(e),
                           static_cast<double>(E.iType), 0});
    if (E.iType == 15) {
      put_record("", {static_cast<double>(E.iNodes[0]), static_cast<double>(E.iNodes[1]), 0, 0});
    } else {
      put_record("", {static_cast<double>(E.iNodes[0]), static_cast<double>(E.iNodes[1]),
                      static_cast<double>(E.iNodes[2]), static_cast<double>(E.iNodes[3])});
    }
  }
  for (std::size_t m = 1; m <= Members.size(); ++m) {
    put_record("TDSCONC", {4, static_cast<double>(m), 103, 0});
    put("        " + Members[m - 1].first + "\n");
  }
  for (std::size_t m = 1; m <= Members.size(); ++m) {
    put_record("SCONCEPT", {8, static_cast<double>(m), 7, 0});
    put_record("", {0, 1, 0, static_cast<double>(m)});
  }
  for (std::size_t m = 1; m <= Members.size(); ++m) {
    const std::vector<int>& List = Members[m - 1].second;
    const int n = static_cast<int>(List.size());
    put_record("SCONMESH", {static_cast<double>(2 + n), static_cast<double>(m), 1, 2});
    std::vector<double> Values{static_cast<double>(n)};
    for (int e : List)
      Values.push_back(e);
    put_list(Values, false);
  }
  put_record("IEND", {0, 0, 0, 0});
  if (!finish_fem()) {
    std::perror(Path.c_str());
    return 1;
  }
  return 0;
}
