// The node reader over whole FEM texts of GNODE and TDNODE records, with the
// scanner's header index and without it.
#include <gtest/gtest.h>

#include "tests/fem/reader_runs.h"

TEST(NodeReader, ReadsAlikeWithAndWithoutTheIndex) {
  // clang-format off
  const ReaderCase cases[] = {
      {"TDNODE name line starting with GNODE, numbers below 1",
       "GNODE 10 1 0 0\nTDNODE 1 1 0\nGNODE_TOP 2 4\n"
       "GNODE 99 0 0 0\nGNODE 98 -3 0 0\nTDNODE 1 0 0\nzero\n",
       "nodes 4/2 elems 0 names 0 maxmemb 0 mesh 0 maxmesh 0 status 0\nN1=10\nN4=2\n"
       "n1='GNODE_TOP 2 4'\n", ""},
      {"GNODE above the limit",
       "GNODE 5 100000 0 0\nGNODE 6 100001 0 0\nTDNODE 1 1 0\nname\n",
       "nodes 2/0 elems 0 names 0 maxmemb 0 mesh 0 maxmesh 0 status -1\n",
       "*** ERROR IN INP_2101       ***\r\n"}};
  // clang-format on
  for (const ReaderCase& c : cases)
    expect_read_alike(c);
}
