// The readers over whole FEM texts: with the header index of the scanner and
// without it (every pass reading every line) they must give the same tables,
// counters, status and label output, and both must be what the text holds.
#include "fem/fem_scan.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <sstream>
#include <string>

#include "fem/fem_scan_internal.h"
#include "fem/member_reader.h"
#include "fem/mesh_reader.h"
#include "fem/name_tables.h"
#include "fem/node_reader.h"
#include "support/file_units.h"
#include "tests/testlib/lablix_run.h"

namespace {

constexpr std::int32_t kUnitLabel = 20;
constexpr std::int32_t kUnitFem = 21;
constexpr std::int32_t kShown = 64;  // table entries 0 to 63 are compared

std::int32_t connect(std::int32_t iUnit, const std::string& Path, UnitStatus iStatus) {
  return connect_unit(iUnit, Path.data(), static_cast<std::int32_t>(Path.size()), iStatus, false);
}

// A line in the layout that modelling tools write: the name in columns 1 to
// 8, then each value as a real in a 16-column slot.
std::string tool(const std::string& Name, std::initializer_list<double> Values) {
  std::string Line = Name + std::string(8 - Name.size(), ' ');
  char ChSlot[17];
  for (double Value : Values) {
    std::snprintf(ChSlot, sizeof ChSlot, "%16.8E", Value);
    Line += ChSlot;
  }
  return Line + "\n";
}

// The same line ended by CR LF.
std::string crlf(const std::string& Line) {
  return Line.substr(0, Line.size() - 1) + "\r\n";
}

// Counters, status, every non-zero (non-blank) table entry below kShown, and
// the label output. Rows are shown up to their last non-zero slot.
std::string describe(const NameTables& T, std::int32_t iStatus, const std::string& Label) {
  std::ostringstream Out;
  Out << "nodes " << T.nNodes << "/" << T.nNodeNames << " elems " << T.nElems << " names "
      << T.nNames << " maxmemb " << T.MaxMembRef << " mesh " << T.nMesh << " maxmesh "
      << T.MaxMeshRef << " status " << iStatus << "\n";
  // Row i of a table: entry k is at iTable[k * nStride + i] (one-column
  // tables have a single slot 0; the others are held column by column).
  auto rows = [&Out](char cTable, const std::int32_t* iTable, std::int32_t nRow,
                     std::int32_t iFirst, std::int64_t nStride) {
    for (std::int32_t i = 0; i < kShown; ++i) {
      auto entry = [&](std::int32_t k) { return iTable[k * nStride + i]; };
      std::int32_t nLast = nRow;
      while (nLast >= iFirst && entry(nLast) == 0)
        --nLast;
      if (nLast < iFirst) continue;
      Out << cTable << i << "=";
      for (std::int32_t k = iFirst; k <= nLast; ++k)
        Out << (k > iFirst ? "," : "") << entry(k);
      Out << "\n";
    }
  };
  auto names = [&Out](char cTable, const NameColumn& Column) {
    for (std::int32_t i = 0; i < kShown; ++i) {
      char ChName[kNameLen];
      copy_name(Column, i, ChName);
      const std::string Name(ChName, kNameLen);
      const std::size_t nName = Name.find_last_not_of(' ') + 1;
      if (nName > 0) Out << cTable << i << "='" << Name.substr(0, nName) << "'\n";
    }
  };
  rows('N', T.iNodeExt, 0, 0, 0);
  names('n', T.ChNodeName);
  rows('E', T.iElemExt, 0, 0, 0);
  names('m', T.ChMembName);
  rows('D', &T.iMembDef[0][0], MxMembDef, 1, MxMemb + 1);
  rows('M', &T.iMeshList[0][0], MxMeshLen, 1, MxMesh + 1);
  return Out.str() + "label:\n" + Label;
}

// Runs the three readers in the driver's order on FemText; nRuns times on
// the same FemFile (a later run finds the index complete).
std::string run_readers(const std::string& FemText, bool bIndexed, int nRuns = 1,
                        std::int32_t nIndexMx = MxHeaderNotes) {
  // static: the index storage is created once, as the program does.
  static HeaderNote* iIndex = create_header_index();
  const std::string Dir = make_temp_dir();
  write_file(Dir + "/model.fem", FemText);
  NameTables T;
  if (connect(kUnitFem, Dir + "/model.fem", kStatusOld) != 0 ||
      connect(kUnitLabel, Dir + "/model.lab", kStatusUnknown) != 0 || !create_name_tables(T)) {
    ADD_FAILURE() << "cannot set up the run";
    return "";
  }
  FemScan Fem =
      bIndexed ? fem_scan_on(kUnitFem, iIndex, nIndexMx) : fem_scan_on(kUnitFem, nullptr, 0);
  std::int32_t iStatus = 0;
  for (int iRun = 0; iRun < nRuns && iStatus == 0; ++iRun) {
    read_node_names(T.nNodes, T.iNodeExt, MxNode, T.ChNodeName, T.nNodeNames, Fem, kUnitLabel,
                    iStatus);
    if (iStatus == 0) {
      read_member_names(T.nElems, T.iElemExt, MxMemb, T.ChMembName, T.nNames, T.MaxMembRef,
                        T.iMembDef, MxMembDef, Fem, kUnitLabel, iStatus);
    }
    if (iStatus == 0) {
      read_mesh_relations(T.nMesh, MxMesh, MxMeshLen, T.iMeshList, T.MaxMeshRef, Fem, kUnitLabel,
                          iStatus);
    }
  }
  close_unit(kUnitFem);
  close_unit(kUnitLabel);
  const std::string Result = describe(T, iStatus, read_file(Dir + "/model.lab"));
  release_name_tables(T);
  remove_tree(Dir);
  return Result;
}

}  // namespace

TEST(FemScan, HeaderIndexChangesNothing) {
  struct Case {
    const char* name;
    std::string fem;
    std::string tables;
    std::string label;
  };
  // clang-format off
  const Case cases[] = {
      {"raw lines that are headers of the pass",
       "TDNODE 1 5 0\nGNODE 70 3 0 0\nGNODE 20 5 0 0\n"
       "TDSCONC 1 2\nTDSCONC 1 3\nTDSCONC 1 3\nLeg_A1\n"
       "SCONCEPT 1 3 4 5\nSCONCEPT 6 7 8 9\nSCONMESH 4 9 1 2\n3 11 12 13\n",
       "nodes 2/1 elems 0 names 2 maxmemb 3 mesh 1 maxmesh 9 status 0\nN3=70\nN5=20\n"
       "n5='GNODE 70 3 0 0'\nm2='TDSCONC 1 3'\nm3='Leg_A1'\nD3=4,5,0,6,7,8\nM9=3,11,12,13\n", ""},
      {"TDNODE name line starting with GNODE, numbers below 1",
       "GNODE 10 1 0 0\nTDNODE 1 1 0\nGNODE_TOP 2 4\n"
       "GNODE 99 0 0 0\nGNODE 98 -3 0 0\nTDNODE 1 0 0\nzero\n",
       "nodes 4/2 elems 0 names 0 maxmemb 0 mesh 0 maxmesh 0 status 0\nN1=10\nN4=2\n"
       "n1='GNODE_TOP 2 4'\n", ""},
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
       ""},
      {"SCONCEPT limit report after a TDSCONC pass ended in its name line",
       "TDSCONC 1 5\n   Leg A1\nSCONCEPT 1 100001 1 1\n1 2 3 4\nTDSCONC 1 6\n",
       "nodes 0/0 elems 0 names 2 maxmemb 5 mesh 0 maxmesh 0 status -1\nm5='   Leg A1'\n",
       " iMemb > MxMemb \r\n iMemb  :100001\r\n MxMemb :100000\r\n nNames :     2\r\n"
       " ChName :" + std::string(80, ' ') + "\r\n"
       "*** ERROR IN INP_2102       ***\nLast Input Line: 1 2 3 4\r\n"},
      {"GELMNT1 above the limit quotes its line",
       "GELMNT1 5 100000 15 0\nGELMNT1   7 100001  1 15   \n",
       "nodes 0/0 elems 2 names 0 maxmemb 0 mesh 0 maxmesh 0 status -1\n",
       "*** ERROR IN INP_2102       ***\nLast Input Line: GELMNT1   7 100001  1 15\r\n"},
      {"GNODE above the limit",
       "GNODE 5 100000 0 0\nGNODE 6 100001 0 0\nTDNODE 1 1 0\nname\n",
       "nodes 2/0 elems 0 names 0 maxmemb 0 mesh 0 maxmesh 0 status -1\n",
       "*** ERROR IN INP_2101       ***\r\n"},
      {"SCONMESH count above 99", "SCONMESH 2 3 1 2\n100 1 2 3\n4 5 6 7\n",
       "nodes 0/0 elems 0 names 0 maxmemb 0 mesh 1 maxmesh 3 status -1\n",
       "*** ERROR IN INP_2103       ***\r\n"}};
  // clang-format on
  for (const Case& c : cases) {
    const std::string Plain = run_readers(c.fem, false);
    EXPECT_EQ(c.tables + "label:\n" + c.label, Plain) << c.name;
    EXPECT_EQ(Plain, run_readers(c.fem, true)) << c.name << ": with the header index";
    EXPECT_EQ(Plain, run_readers(c.fem, true, 1, 1)) << c.name << ": an index of one per kind";
    // Read again with the index complete: the kind the checking pass took
    // is not indexed, and its pass reads every line.
    if (c.label.empty()) {
      EXPECT_EQ(Plain, run_readers(c.fem, true, 2)) << c.name << ": read twice";
    }
  }
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
  for (std::int32_t nIndexMx : {MxHeaderNotes, 8192, 8193, 19999, 20000, 3}) {
    EXPECT_EQ(Plain, run_readers(Fem, true, 1, nIndexMx)) << "index of " << nIndexMx;
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
