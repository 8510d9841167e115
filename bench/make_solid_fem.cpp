// Writes the FEM files the page of --view is measured on for solids: a block
// of hexahedra, as a modelling tool writes it.
//
//   make_solid_fem <folder>
//
// gives <folder>/block_lhex.FEM, 50 x 40 x 25 = 50000 LHEX (8 nodes) of
// 1 m on a grid of 54366 nodes, and <folder>/block_ihex.FEM, 40 x 25 x 20 =
// 20000 IHEX (20 nodes: the corners and the edges' midpoints) of 1 m on
// 87071 nodes, both within the program's 100000 nodes. Each row of
// elements along X is a named member. The node order within an element is
// the corners round the bottom, round the top, then the midside nodes: the
// page draws a solid by the hull of its nodes, whatever their order. The
// same bytes on every machine.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "tool_layout_writer.h"

namespace {

using namespace tool_layout_writer;

// Grid points in half metres: corners at even places, midside nodes where
// one coordinate is odd. Numbered as first asked for.
std::map<std::tuple<int, int, int>, int> NodeOf;
std::vector<std::tuple<int, int, int>> Places;
int node_at(int x, int y, int z) {
  auto [It, bNew] = NodeOf.try_emplace({x, y, z}, static_cast<int>(Places.size()) + 1);
  if (bNew) Places.push_back({x, y, z});
  return It->second;
}

bool write_block(const std::string& Path, int nX, int nY, int nZ, bool bMidside) {
  NodeOf.clear();
  Places.clear();
  std::vector<std::vector<double>> Elems;
  const int iCorner[8][3] = {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0},
                             {0, 0, 2}, {2, 0, 2}, {2, 2, 2}, {0, 2, 2}};
  const int iEdge[12][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6},
                            {6, 7}, {7, 4}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};
  for (int z = 0; z < nZ; ++z) {
    for (int y = 0; y < nY; ++y) {
      for (int x = 0; x < nX; ++x) {
        std::vector<double> List;
        for (const auto& c : iCorner)
          List.push_back(node_at(2 * x + c[0], 2 * y + c[1], 2 * z + c[2]));
        if (bMidside) {
          for (const auto& e : iEdge) {
            const int* a = iCorner[e[0]];
            const int* b = iCorner[e[1]];
            List.push_back(node_at(2 * x + (a[0] + b[0]) / 2, 2 * y + (a[1] + b[1]) / 2,
                                   2 * z + (a[2] + b[2]) / 2));
          }
        }
        Elems.push_back(List);
      }
    }
  }
  if (!start_fem(Path)) return false;
  put_record("IDENT", {1, 1, 3, 0});
  const int nNodes = static_cast<int>(Places.size());
  for (int i = 1; i <= nNodes; ++i)
    put_record("GNODE", {static_cast<double>(1000000 + i), static_cast<double>(i), 6, 123456});
  for (int i = 1; i <= nNodes; ++i) {
    const auto [x, y, z] = Places[i - 1];
    put_record("GCOORD", {static_cast<double>(i), 0.5 * x, 0.5 * y, 0.5 * z});
  }
  const double iEltyp = bMidside ? 20 : 21;
  for (std::size_t e = 1; e <= Elems.size(); ++e) {
    put_record("GELMNT1", {static_cast<double>(2000000 + e), static_cast<double>(e), iEltyp, 0});
    put_list(Elems[e - 1]);
  }
  // A member per row along X: nX elements in a row, one after the other.
  const int nMembers = nY * nZ;
  char Ch[64];
  for (int m = 1; m <= nMembers; ++m) {
    put_record("TDSCONC", {4, static_cast<double>(m), 103, 0});
    std::snprintf(Ch, sizeof Ch, "        Row_y%02d_z%02d\n", (m - 1) % nY, (m - 1) / nY);
    put(Ch);
  }
  for (int m = 1; m <= nMembers; ++m) {
    put_record("SCONCEPT", {8, static_cast<double>(m), 7, 0});
    put_record("", {0, 1, 0, static_cast<double>(m)});
  }
  for (int m = 1; m <= nMembers; ++m) {
    put_record("SCONMESH", {static_cast<double>(2 + nX), static_cast<double>(m), 1, 2});
    std::vector<double> Values{static_cast<double>(nX)};
    for (int k = 1; k <= nX; ++k)
      Values.push_back((m - 1) * nX + k);
    put_list(Values);
  }
  put_record("IEND", {0, 0, 0, 0});
  return finish_fem();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_solid_fem <folder>\n");
    return 2;
  }
  const std::string Folder = argv[1];
  for (const auto& [Name, nX, nY, nZ, bMidside] :
       {std::tuple{"block_lhex.FEM", 50, 40, 25, false},
        std::tuple{"block_ihex.FEM", 40, 25, 20, true}}) {
    const std::string Path = Folder + "/" + Name;
    if (!write_block(Path, nX, nY, nZ, bMidside)) {
      std::perror(Path.c_str());
      return 1;
    }
  }
  return 0;
}
