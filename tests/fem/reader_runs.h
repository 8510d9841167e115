// Running the three readers over whole FEM texts, for the scanner's tests
// and each reader's: the tables, counters, status and label output they
// leave, with the header index of the scanner and without it.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <sstream>
#include <string>

#include "driver/conversion.h"
#include "driver/run_units.h"
#include "fem/fem_scan.h"
#include "fem/name_tables.h"
#include "fem/scan/fem_scan_internal.h"
#include "files/file_units.h"
#include "support/text_helpers.h"
#include "tests/testlib/lablix_run.h"

constexpr std::int32_t kShown = 64;  // table entries 0 to 63 are compared

inline std::int32_t connect(std::int32_t iUnit, const std::string& Path, UnitStatus iStatus) {
  return connect_unit(iUnit, Path.data(), static_cast<std::int32_t>(Path.size()), iStatus, false);
}

// A line in the layout that modelling tools write: the name in columns 1 to
// 8, then each value as a real in a 16-column slot.
inline std::string tool(const std::string& Name, std::initializer_list<double> Values) {
  std::string Line = Name + std::string(8 - Name.size(), ' ');
  char ChSlot[17];
  for (double Value : Values) {
    std::snprintf(ChSlot, sizeof ChSlot, "%16.8E", Value);
    Line += ChSlot;
  }
  return Line + "\n";
}

// The same line ended by CR LF.
inline std::string crlf(const std::string& Line) {
  return Line.substr(0, Line.size() - 1) + "\r\n";
}

// Counters, status, every non-zero (non-blank) table entry below kShown, and
// the label output. Rows are shown up to their last non-zero slot.
inline std::string describe(const NameTables& T, std::int32_t iStatus, const std::string& Label) {
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
inline std::string run_readers(const std::string& FemText, bool bIndexed, int nRuns = 1,
                               std::int32_t MxIndexNotes = MxHeaderNotes) {
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
      bIndexed ? fem_scan_on(kUnitFem, iIndex, MxIndexNotes) : fem_scan_on(kUnitFem, nullptr, 0);
  char ChField[256];
  fill_blanks(ChField, sizeof ChField);
  const Conversion Run{ChField, ChField, ChField, [] { return kListingNotAsked; }, false};
  std::int32_t iStatus = 0;
  for (int iRun = 0; iRun < nRuns && iStatus == 0; ++iRun) {
    if (convert_model(T, Fem, Run).iFailedReader != kNoneFailed) iStatus = -1;
  }
  close_unit(kUnitFem);
  close_unit(kUnitLabel);
  // The readers' reports only: a complete label file is the writer's.
  const std::string Result =
      describe(T, iStatus, iStatus != 0 ? read_file(Dir + "/model.lab") : "");
  release_name_tables(T);
  remove_tree(Dir);
  return Result;
}

// A case of the readers over one FEM text: what the tables and the label
// file must hold after it.
struct ReaderCase {
  const char* name;
  std::string fem;
  std::string tables;
  std::string label;
};

// Reads c's text without the header index, with it, with an index of one
// note per kind and, when no limit breaks, twice on one FemFile (the kind
// the checking pass took is then not indexed, and its pass reads every
// line): all must give what c says.
inline void expect_read_alike(const ReaderCase& c) {
  const std::string Plain = run_readers(c.fem, false);
  EXPECT_EQ(c.tables + "label:\n" + c.label, Plain) << c.name;
  EXPECT_EQ(Plain, run_readers(c.fem, true)) << c.name << ": with the header index";
  EXPECT_EQ(Plain, run_readers(c.fem, true, 1, 1)) << c.name << ": an index of one per kind";
  if (c.label.empty()) {
    EXPECT_EQ(Plain, run_readers(c.fem, true, 2)) << c.name << ": read twice";
  }
}
