// Lablix: turns the names of a SESAM FEM file into a label file for the
// Orvex structural-analysis program, in one interactive console run.
//
// The run, in order: the date text, the banner, the FEM file and label file
// prompts (each until the file opens), the node, member and mesh readers,
// the label file, and the optional member-versus-elements listing.
//
// Exit status: 0 when the label file is complete and any listing asked for
// was written; 1 when a reader's input error ended the run (the label file
// holds its report) or the listing file could not be opened; 2 for a fatal
// stop (end of console input, a read or write failure, a field that does
// not convert).
#include <csignal>

#include "driver/dialogue.h"
#include "driver/label_writer.h"
#include "driver/member_listing.h"
#include "fem/fem_scan.h"
#include "fem/member_reader.h"
#include "fem/mesh_reader.h"
#include "fem/name_tables.h"
#include "fem/node_reader.h"
#include "support/date_helpers.h"
#include "support/fatal_stop.h"
#include "support/file_open.h"
#include "support/file_units.h"
#include "support/text_helpers.h"

namespace {

constexpr std::int32_t kUnitListing = 17;
constexpr std::int32_t kUnitLabel = 20;
constexpr std::int32_t kUnitFem = 21;
constexpr std::int32_t kModeExisting = 1;
constexpr std::int32_t kModeCreate = 0;

constexpr int kExitDone = 0;
constexpr int kExitInputError = 1;

int end_run(int iExit) {
  close_unit(kUnitLabel);
  close_unit(kUnitListing);
  flush_unit(kUnitConsoleOut);
  return iExit;
}

}  // namespace

int main() {
  // A closed console shows as a failed write (a fatal stop), not a signal.
  std::signal(SIGPIPE, SIG_IGN);

  // static: the answer fields and the date text live for the whole run.
  static char ChFemName[kAnswerLen];
  static char ChLabelName[kAnswerLen];
  static char ChListingAnswer[kAnswerLen];
  static char ChListingName[kAnswerLen];
  static char ChDate[kAnswerLen];

  // Start-up: the date text is taken once, so the label file and the listing
  // show the same time however long the user waits at the prompts.
  fill_blanks(ChDate, kAnswerLen);
  date_stamp(6, ChDate, 80);
  // The tables arrive zeroed from the system: iNodeExt and iMeshList are
  // cleared without touching a page.
  NameTables Tables;
  if (!create_name_tables(Tables)) fatal_stop("the name tables (79 million bytes) cannot be had");
  FemFile Fem = fem_file_on(kUnitFem, create_header_index(), kHeaderIndexMx);

  write_banner();
  ask_until_open(kPromptFemFile, ChFemName, kUnitFem, kModeExisting, kNonexistingFile);
  ask_until_open(kPromptLabelFile, ChLabelName, kUnitLabel, kModeCreate, kCannotOpenFile);
  prefer_huge_pages(Tables, fem_file_bytes(Fem));

  std::int32_t iStatus = 0;
  read_node_names(Tables.nNodes, Tables.iNodeExt, MxNode, Tables.ChNodeName, Tables.nNodeNames, Fem,
                  kUnitLabel, iStatus);
  if (iStatus != 0) return end_run(kExitInputError);
  read_member_names(Tables.nElems, Tables.iElemExt, MxMemb, Tables.ChMembName, Tables.nNames,
                    Tables.MaxMembRef, Tables.iMembDef, MxMembDef, Fem, kUnitLabel, iStatus);
  if (iStatus != 0) return end_run(kExitInputError);
  read_mesh_relations(Tables.nMesh, MxMesh, MxMeshLen, Tables.iMeshList, Tables.MaxMeshRef, Fem,
                      kUnitLabel, iStatus);
  if (iStatus != 0) return end_run(kExitInputError);

  write_label_file(Tables, ChDate, ChFemName, kUnitLabel);
  // A full disk is found here at the latest, before the user is asked more.
  flush_unit(kUnitLabel);

  ask(kPromptListing, ChListingAnswer);
  fill_blanks(ChListingName, kAnswerLen);
  if (ChListingAnswer[0] != 'y' && ChListingAnswer[0] != 'Y') return end_run(kExitDone);
  ask(kPromptListingFile, ChListingName);
  iStatus = 0;
  open_named_file(ChListingName, kAnswerLen, kUnitListing, kModeCreate, iStatus);
  if (iStatus != 0) {
    write_open_failure(kCannotOpenFile, ChListingName);
    return end_run(kExitInputError);
  }
  write_member_listing(Tables, ChDate, ChFemName, kUnitListing);
  flush_unit(kUnitListing);
  return end_run(kExitDone);
}
