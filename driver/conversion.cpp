#include "driver/conversion.h"

#include "driver/member_listing.h"
#include "driver/run_messages.h"
#include "driver/run_units.h"
#include "support/file_units.h"
#include "support/line_count.h"

namespace {

// The line the reader that broke a limit was reading; 0 when not known.
std::int64_t line_of_broken_limit(const FemFile& Fem) {
  const char* pData = nullptr;
  std::int64_t nData = 0;
  if (Fem.pLine == nullptr || !unit_contents(kUnitFem, pData, nData)) return 0;
  return line_number_at(pData, Fem.pLine - pData);
}

}  // namespace

ConversionResult convert_model(NameTables& Tables, FemFile& Fem, const Conversion& Run) {
  ConversionResult Result{kNoneFailed, {0, 0}, kListingNotAsked};
  prefer_huge_pages(Tables, fem_file_bytes(Fem));
  Result.iFailedReader = read_model(Tables, Fem, kUnitLabel);
  if (Result.iFailedReader != kNoneFailed) {
    if (Run.bSayProblems) {
      say_input_error(Run.ChFemName, Run.ChLabelName, Fem.iLimitBroken, line_of_broken_limit(Fem));
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
