#include "driver/conversion.h"

#include "driver/member_listing.h"
#include "driver/run_messages.h"
#include "driver/run_units.h"
#include "files/file_units.h"

ConversionResult convert_model(NameTables& Tables, FemFile& Fem, const Conversion& Run) {
  ConversionResult Result{kNoneFailed, {0, 0}, kListingNotAsked};
  prefer_huge_pages(Tables, fem_file_bytes(Fem));
  Result.iFailedReader = read_model(Tables, Fem, kUnitLabel);
  // Labels, or a report, from one version of the FEM file, or none at all.
  stop_if_input_changed(kUnitFem);
  if (Result.iFailedReader != kNoneFailed) {
    if (Run.bSayProblems) {
      say_input_error(Run.ChFemName, Run.ChLabelName, Fem.iLimitBroken, fem_line_number(Fem));
    }
    return Result;
  }
  Result.Counts = write_label_file(Tables, Run.ChDate, Run.ChFemName, kUnitLabel);
  // A full disk is found here at the latest, before anything more is done.
  finish_unit(kUnitLabel);
  if (Run.bSayProblems) say_if_no_labels(Run.ChFemName, Run.ChLabelName, Tables, Result.Counts);
  Result.iListing = Run.ask_listing();
  if (Result.iListing == kListingOpen) {
    write_member_listing(Tables, Run.ChDate, Run.ChFemName, kUnitListing);
  }
  return Result;
}
