// The member reader over whole FEM texts of GELMNT1, TDSCONC and SCONCEPT records, with the
// scanner's header index and without it.
#include <gtest/gtest.h>

#include <string>

#include "tests/fem/reader_runs.h"

TEST(MemberReader, ReadsAlikeWithAndWithoutTheIndex) {
  // clang-format off
  const ReaderCase cases[] = {
      {"SCONCEPT limit report after a TDSCONC pass ended in its name line",
       "TDSCONC 1 5\n   Leg A1\nSCONCEPT 1 100001 1 1\n1 2 3 4\nTDSCONC 1 6\n",
       "nodes 0/0 elems 0 names 2 maxmemb 5 mesh 0 maxmesh 0 status -1\nm5='   Leg A1'\n",
       " iMemb > MxMemb \r\n iMemb  :100001\r\n MxMemb :100000\r\n nNames :     2\r\n"
       " ChName :" + std::string(80, ' ') + "\r\n"
       "*** ERROR IN INP_2102       ***\nLast Input Line: 1 2 3 4\r\n"},
      {"GELMNT1 above the limit quotes its line",
       "GELMNT1 5 100000 15 0\nGELMNT1   7 100001  1 15   \n",
       "nodes 0/0 elems 2 names 0 maxmemb 0 mesh 0 maxmesh 0 status -1\n",
       "*** ERROR IN INP_2102       ***\nLast Input Line: GELMNT1   7 100001  1 15\r\n"}};
  // clang-format on
  for (const ReaderCase& c : cases)
    expect_read_alike(c);
}
