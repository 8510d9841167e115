#include "fem/sesam_records.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(HoldsSesamRecords, ARecordNameThenANumberAsTheReaderReadsOne) {
  struct Case {
    std::string Text;
    bool bRecords;
  };
  const Case cases[] = {
      {"GNODE     1.00000000E+00  1.00000000E+00\n", true},
      {"IDENT 1 1 3\r\n", true},
      {"A1 5", true},  // a last line without a line end
      {"# comment\r\nTDNODE 4 1 0 0\r\n", true},
      {"SCONMES8 2.0\n", true},    // eight characters
      {"SCONMESH8 2.0\n", false},  // nine
      {"GNODE\n", false},
      {"GNODE x 1\n", false},
      {"GNODE 1,0\n", false},
      {"GNODE 1.0D+00\n", false},
      {"GNODE 99999999999\n", false},  // above the integer range: no number the reader takes
      {" GNODE 1\n", false},
      {"gnode 1\n", false},
      {"Gnode 1\n", false},
      {"1GNODE 1\n", false},
      // What Lablix itself writes: label files, listings, input-error reports.
      {"# SESAM File    : T1.FEM\r\nNodeLabel NodeID=       1 Label=\"N1\"\r\n", false},
      {"BeginLabel\r\nEndLabel\r\n*** ERROR IN INP_2101       ***\r\n", false},
      {"Last Input Line: GNODE 1 1\r\n", false},
      {"", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.bRecords,
              holds_sesam_records(c.Text.data(), static_cast<std::int64_t>(c.Text.size())))
        << c.Text;
  }
}

}  // namespace
