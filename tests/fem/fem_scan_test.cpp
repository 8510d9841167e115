// The readers over whole FEM texts: with the header index of the scanner and
// without it (every pass reading every line) they must give the same tables,
// counters, status and label output, and both must be what the text holds.
#include "fem/fem_scan.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "tests/fem/reader_runs.h"

TEST(FemScan, HeaderIndexChangesNothing) {
  // clang-format off
  const ReaderCase cases[] = {
      {"raw lines that are headers of the pass",
       "TDNODE 1 5 0\nGNODE 70 3 0 0\nGNODE 20 5 0 0\n"
       "TDSCONC 1 2\nTDSCONC 1 3\nTDSCONC 1 3\nLeg_A1\n"
       "SCONCEPT 1 3 4 5\nSCONCEPT 6 7 8 9\nSCONMESH 4 9 1 2\n3 11 12 13\n",
       "nodes 2/1 elems 0 names 2 maxmemb 3 mesh 1 maxmesh 9 status 0\nN3=70\nN5=20\n"
       "n5='GNODE 70 3 0 0'\nm2='TDSCONC 1 3'\nm3='Leg_A1'\nD3=4,5,0,6,7,8\nM9=3,11,12,13\n", ""},
      {"leading blanks, CR LF, a name cut at column 256, a header on the last line",
       "   GNODE 11 1 0 0\r\n  GELMNT1 101 1 15 0\r\n TDSCONC 1 2\r\n   Brace B\r\n"
       "   SCONCEPT 1 2 7 8\r\n 1 2 3 4\r\n" + std::string(252, ' ') + "TDNODE 7 7 7\r\n" +
       std::string(256, ' ') + "GNODE 9 9 9\r\nTDNODE 1 1 0",
       "nodes 1/1 elems 1 names 1 maxmemb 2 mesh 0 maxmesh 0 status 0\nN1=11\nE1=101\n"
       "m2='   Brace B'\nD2=7,8,1,2,3,4\n", ""},
      {"lines in the layout of modelling tools",
       tool("GNODE", {1, 3, 6, 0}) + tool("TDNODE", {1, 3, 0}) + tool("GNODE", {7, 8}) +
       tool("SCONMESH", {4, 9, 1, 2}) + tool("", {3, 11, 12, 13}) + tool("TDSCONC", {1, 2}) +
       tool("SCONCEPT", {1, 2, 5}) + tool("", {0.5, -2.5, 9, 2.5}) + tool("SCONCEPT", {1, 3}),
       "nodes 2/1 elems 0 names 1 maxmemb 2 mesh 1 maxmesh 9 status 0\nN3=1\nN8=7\n"
       "n3='GNODE     7.00000000E+00  8.00000000E+00'\nm2='SCONCEPT  1.00000000E+00  "
       "2.00000000E+00  5.00000000E+00'\nD2=5,0,1,-3,9,3\nM9=3,11,12,13\n", ""},
      {"lines after headers: CR LF, too long to be noted, a header, the last without a feed",
       crlf(tool("TDNODE", {1, 2, 0})) + "Name_two\r\n" + tool("TDNODE", {1, 3, 0}) +
       std::string(300, 'x') + "\n" + tool("SCONMESH", {4, 9, 3, 4}) +
       tool("SCONMESH", {4, 8, 1, 2}) + crlf(tool("", {2, 81, 82})) + tool("SCONCEPT", {1, 5, 7}) +
       tool("", {0, 1, 0, 6}) + tool("TDSCONC", {1, 5}) + "last",
       "nodes 0/2 elems 0 names 1 maxmemb 5 mesh 1 maxmesh 8 status 0\nn2='Name_two'\n"
       "n3='" + std::string(80, 'x') + "'\nm5='last'\nD5=7,0,0,1,0,6\nM8=2,81,82\n", ""},
      {"name columns of NUL characters, then of a name seen before, in the tool layout",
       "SCONCEPT 1 2 5\n" + std::string(8, '\0') + tool("", {0.5, -2.5, 9}).substr(8) +
       std::string(8, '\0') + tool("", {1, 2}).substr(8) + tool("GNODE", {5, 1}) +
       std::string(8, '\0') + tool("", {6, 2}).substr(8) + tool("GNODE", {7, 3}) +
       tool("GNODE1", {8, 4}) + tool("GNODE", {9, 5}) + tool("SCONCEPT", {1, 3, 5}) +
       std::string(8, '\0') + tool("", {0.5, -2.5, 9}).substr(8),
       "nodes 4/0 elems 0 names 0 maxmemb 0 mesh 0 maxmesh 0 status 0\nN1=5\nN3=7\nN4=8\nN5=9\n"
       "D2=5,0,0,1,-3,9\nD3=5,0,0,1,-3,9\n",
       ""},
      {"name columns that pass, on a line that then fails the tool layout",
       tool("TDSCONC", {1, 4}) + "Name\nSCONCEPT  8.00E+00  7.0\n0 0 0 0\n" +
       tool("SCONCEPT", {1, 4, 7}) + tool("", {0, 1, 0, 1}),
       "nodes 0/0 elems 0 names 1 maxmemb 4 mesh 0 maxmesh 0 status 0\nm4='Name'\n"
       "D4=7,0,0,1,0,1\n",
       ""},
      {"tool-layout names that start with a record name, and names one letter short",
       tool("GNODEX", {5, 1, 0, 0}) + tool("GNOD", {6, 2, 0, 0}) + tool("TDSCONCS", {1, 4}) +
       "Name_four\n" + tool("SCONMES", {3, 9, 1, 2}) + tool("", {1, 7}),
       "nodes 1/0 elems 0 names 1 maxmemb 4 mesh 0 maxmesh 0 status 0\nN1=5\nm4='Name_four'\n",
       ""}};
  // clang-format on
  for (const ReaderCase& c : cases)
    expect_read_alike(c);
}

TEST(FemScan, IndexOverflowAndStretchesChangeNothing) {
  // More headers of each kind than one stretch of the index (8192) asks of
  // the system, and more than small indexes hold: the kinds that overflow
  // are read line by line, the others from the index, with equal results.
  std::string Fem;
  for (int i = 1; i <= 20000; ++i) {
    Fem += tool("GNODE", {100.0 + i, 1.0 * i}) + tool("TDNODE", {1, 1.0 * i}) + "N" +
           std::to_string(i) + "\n" + tool("GELMNT1", {500.0 + i, 1.0 * i}) +
           tool("SCONMESH", {3, 1.0 * i, 1, 2}) + tool("", {1, 1.0 * i});
  }
  const std::string Plain = run_readers(Fem, false);
  EXPECT_EQ(0u, Plain.find("nodes 20000/20000 elems 20000 names 0 maxmemb 0 mesh 20000 maxmesh "
                           "20000 status 0\n"))
      << Plain.substr(0, 200);
  for (std::int32_t MxIndexNotes : {MxHeaderNotes, 8192, 8193, 19999, 20000, 3}) {
    EXPECT_EQ(Plain, run_readers(Fem, true, 1, MxIndexNotes)) << "index of " << MxIndexNotes;
  }
}

TEST(FemScan, ToolLayoutHeadersReadAsAnyOtherLine) {
  // Every header field holds a value, so a reader that comes to take a
  // field the record layouts do not name reads 0 from a header in the tool
  // layout here, and the true value from the same line with a blank after it.
  const std::string Fem =
      tool("GNODE", {11, 1, 7, 8}) + tool("GNODE", {12, 2, 9, 10}) + tool("TDNODE", {5, 1, 6, 7}) +
      "Node_one\n" + tool("GELMNT1", {21, 3, 15, 4}) + tool("TDSCONC", {5, 4, 6, 7}) +
      "Member_four\n" + tool("SCONCEPT", {5, 4, 2, 3}) + tool("", {1, 2, 3, 9}) +
      tool("SCONMESH", {4, 9, 1, 2}) + tool("", {3, 31, 32, 33});
  std::string Spaced;
  for (std::size_t i = 0; i < Fem.size(); ++i)
    Spaced += Fem[i] == '\n' ? std::string(" \n") : std::string(1, Fem[i]);
  const std::string Plain = run_readers(Spaced, false);
  EXPECT_EQ(0u, Plain.find("nodes 2/1 elems 1 names 1 maxmemb 4 mesh 1 maxmesh 9 status 0\n"))
      << Plain;
  EXPECT_EQ(Plain, run_readers(Fem, true));
  EXPECT_EQ(Plain, run_readers(Fem, false));
}

// A FemFile the scanner did not give out, or one on a unit that is no
// mapped input, stops the run with a line that says so: never a read of
// scanner state that is not there.
TEST(FemScanDeathTest, FemFilesTheScannerCannotReadStop) {
  FemFile Foreign{};
  EXPECT_EXIT(begin_pass(Foreign, kRecordGnode), testing::ExitedWithCode(2),
              "FATAL.*not one the scanner set up");
  FemScan Unconnected = fem_scan_on(99, nullptr, 0);
  EXPECT_EXIT(begin_pass(Unconnected, kRecordGnode), testing::ExitedWithCode(2),
              "FATAL.*the FEM file is not open for input");
}
