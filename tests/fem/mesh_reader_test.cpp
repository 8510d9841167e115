// The mesh reader over whole FEM texts of SCONMESH records, with the
// scanner's header index and without it.
#include <gtest/gtest.h>

#include "tests/fem/reader_runs.h"

TEST(MeshReader, ReadsAlikeWithAndWithoutTheIndex) {
  // clang-format off
  const ReaderCase cases[] = {
      {"comment lines inside a SCONMESH list",
       "SCONMESH 6 4 1 2\n5 21 22 23\n$ comment 24 25\n# SCONMESH 3 7 1 2\n"
       "SCONMESH 3 7 1 2\n1 31\nSCONMESH 3 0 1 2\n2 61 62\n! end\n",
       "nodes 0/0 elems 0 names 0 maxmemb 0 mesh 3 maxmesh 7 status 0\nM4=5,21,22,23\nM7=1,31\n",
       ""},
      {"SCONMESH fields 4 and 5 not 1 and 2, list lines with record names",
       "SCONMESH 5 8 3 4\n4 1 2 3\nSCONMESH 5 9 1 2\n3 41 42 43\n"
       "SCONMESH 5 10 1 2\nTDSCONC 1 7\nMember_seven\nSCONMESH 2 11 1 2\n4 51 52 53\n"
       "SCONMESH 2 12 1 2\n",
       "nodes 0/0 elems 0 names 1 maxmemb 7 mesh 3 maxmesh 11 status 0\nm7='Member_seven'\n"
       "M9=3,41,42,43\nM11=4,51,52,53\n", ""},
      {"SCONMESH count above 99", "SCONMESH 2 3 1 2\n100 1 2 3\n4 5 6 7\n",
       "nodes 0/0 elems 0 names 0 maxmemb 0 mesh 1 maxmesh 3 status -1\n",
       "*** ERROR IN INP_2103       ***\r\n"}};
  // clang-format on
  for (const ReaderCase& c : cases)
    expect_read_alike(c);
}
