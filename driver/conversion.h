// The conversion: the run's order, written once. The readers (nodes,
// members, meshes), then the label file, put in place whole, then the
// member listing when one is asked for. The program's two ways in, its
// tests and the fuzz target all run it through here; only the opening of
// the files and the closing words differ between them.
#pragma once
#include <cstdint>

#include "driver/label_writer.h"
#include "driver/model_reading.h"
#include "fem/fem_scan.h"
#include "fem/name_tables.h"

// What became of the listing, asked once the label file is in place.
enum ListingOutcome : std::int32_t {
  kListingNotAsked,  // none wanted
  kListingOpen,      // kUnitListing is open for it: the conversion writes it
  kListingRefused,   // wanted, but its file could not be opened (said by the asker)
};

// The run's files and what it asks. ChFemName, ChLabelName and ChDate are
// the driver's 256-character fields: the names for the files' headers and
// the messages, and the date text taken at start-up.
struct Conversion {
  const char* ChFemName;
  const char* ChLabelName;
  const char* ChDate;
  // Asked once the label file is in place (the dialogue asks its question
  // here; the command line has opened the listing, or named none, before).
  ListingOutcome (*ask_listing)();
  // An input error, and a label file without a label, said on standard
  // error. Off for the tests and the fuzz target.
  bool bSayProblems;
};

struct ConversionResult {
  FailedReader iFailedReader;  // kNoneFailed: the label file is complete
  LabelCounts Counts;          // its labels; 0 when a reader failed
  ListingOutcome iListing;     // kListingNotAsked when a reader failed
};

// Reads the model from Fem (on kUnitFem) into Tables, asking the system
// for huge pages first when the file is large, and writes the label file
// to kUnitLabel, open for it. A reader's input error ends the conversion
// there: its report is the label file (not finished: the caller closes or
// drops it). Otherwise the label file is finished (in place, whole; a user
// who then stops the run keeps it), Run.ask_listing is asked and, on
// kListingOpen, the listing written to kUnitListing, left open. A fatal
// stop (a read or write failure) does not return.
ConversionResult convert_model(NameTables& Tables, FemFile& Fem, const Conversion& Run);
