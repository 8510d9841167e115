// The run's order: the label file is in place, whole, before the listing
// is asked for; a reader's input error ends the run at its report, with
// no listing asked for and the readers after it not run.
#include "driver/conversion.h"

#include <gtest/gtest.h>

#include <string>

#include "driver/dialogue.h"
#include "driver/run_file_open.h"
#include "driver/run_units.h"
#include "files/file_units.h"
#include "tests/testlib/lablix_run.h"

namespace {

// static: the listing question sees what the run has written so far.
std::string LabelPath;
std::string ListingPath;
std::string LabelWhenAsked;
int nAsked = 0;

std::string field_of(const std::string& Name) {
  return Name + std::string(kAnswerLen - Name.size(), ' ');
}

ListingOutcome ask_and_open() {
  ++nAsked;
  LabelWhenAsked = file_exists(LabelPath) ? read_file(LabelPath) : "(none)";
  const std::string Field = field_of(ListingPath);
  return open_run_file(Field.data(), kUnitListing, 0) == 0 ? kListingOpen : kListingRefused;
}

ListingOutcome refuse() {
  ++nAsked;
  return kListingRefused;
}

struct Ran {
  ConversionResult Result;
  std::string Label;  // when the run has ended
  std::string Listing;
  NameTables Tables;
};

Ran convert_text(const std::string& FemText, ListingOutcome (*ask_listing)()) {
  const std::string Dir = make_temp_dir();
  LabelPath = Dir + "/model.lab";
  ListingPath = Dir + "/model.lst";
  LabelWhenAsked.clear();
  nAsked = 0;
  write_file(Dir + "/model.FEM", FemText);
  const std::string FemField = field_of(Dir + "/model.FEM");
  const std::string LabelField = field_of(LabelPath);
  Ran Out{};
  EXPECT_TRUE(create_name_tables(Out.Tables));
  EXPECT_EQ(0, open_run_file(FemField.data(), kUnitFem, 1));
  EXPECT_EQ(0, open_run_file(LabelField.data(), kUnitLabel, 0));
  std::string ChDate = field_of("now");
  FemFile& Fem = fem_file_on(kUnitFem);
  const Conversion Run{FemField.data(), LabelField.data(), ChDate.data(), ask_listing, false};
  Out.Result = convert_model(Out.Tables, Fem, Run);
  close_unit(kUnitListing);
  close_unit(kUnitLabel);
  close_unit(kUnitFem);
  Out.Label = read_file(LabelPath);
  Out.Listing = file_exists(ListingPath) ? read_file(ListingPath) : "(none)";
  remove_tree(Dir);
  return Out;
}

const std::string kModel =
    "GNODE 70 1 0 0\nTDNODE 1 1 0\nTop\nGELMNT1 500 1 0 0\nGELMNT1 501 2 0 0\n"
    "TDSCONC 1 2\nLeg\nSCONCEPT 1 2 0 0\n0 0 0 9\nSCONMESH 4 9 1 2\n2 1 2\n";

TEST(Conversion, PutsTheLabelFileInPlaceBeforeTheListingIsAskedFor) {
  Ran R = convert_text(kModel, ask_and_open);
  EXPECT_EQ(kNoneFailed, R.Result.iFailedReader);
  EXPECT_EQ(kListingOpen, R.Result.iListing);
  EXPECT_EQ(1, R.Result.Counts.nNodeLabels);
  EXPECT_EQ(2, R.Result.Counts.nElementLabels);
  EXPECT_EQ(1, nAsked);
  EXPECT_EQ(R.Label, LabelWhenAsked) << "the label file was not whole when the listing was asked";
  EXPECT_NE(std::string::npos, R.Label.find("ElementLabel"));
  EXPECT_NE(std::string::npos, R.Listing.find("       9Leg"));
  release_name_tables(R.Tables);

  R = convert_text(kModel, refuse);
  EXPECT_EQ(kListingRefused, R.Result.iListing);
  EXPECT_EQ("(none)", R.Listing);
  EXPECT_EQ(2, R.Result.Counts.nElementLabels);
  release_name_tables(R.Tables);
}

TEST(Conversion, AnInputErrorEndsTheRunAtItsReport) {
  struct Case {
    const char* name;
    std::string Fem;
    FailedReader iFailed;
    const char* ChReport;
    std::int32_t nMesh;  // -1: the mesh reader did not run
  };
  const Case cases[] = {
      {"node", "SCONMESH 4 9 1 2\n2 4 5\nGNODE 70 100001 0 0\n", kNodeReaderFailed, "INP_2101", -1},
      {"member", "SCONMESH 4 9 1 2\n2 4 5\nGELMNT1 500 100001 0 0\n", kMemberReaderFailed,
       "INP_2102", -1},
      {"mesh", "GNODE 70 3 0 0\nSCONMESH 4 100001 1 2\n2 4 5\n", kMeshReaderFailed, "INP_2103", 1},
  };
  for (const Case& c : cases) {
    Ran R = convert_text(c.Fem, ask_and_open);
    EXPECT_EQ(c.iFailed, R.Result.iFailedReader) << c.name;
    EXPECT_EQ(0, nAsked) << c.name;
    EXPECT_EQ("(none)", R.Listing) << c.name;
    EXPECT_EQ(0, R.Result.Counts.nNodeLabels + R.Result.Counts.nElementLabels) << c.name;
    EXPECT_NE(std::string::npos, R.Label.find(c.ChReport)) << c.name << ": " << R.Label;
    EXPECT_EQ(std::string::npos, R.Label.find("BeginLabel")) << c.name;
    EXPECT_EQ(c.nMesh < 0 ? 0 : c.nMesh, R.Tables.nMesh) << c.name;
    release_name_tables(R.Tables);
  }
}

}  // namespace
