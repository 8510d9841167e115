#include "check/model_check.h"

#include <cstring>

#include "check/check_findings.h"
#include "check/check_walk.h"
#include "driver/label_header.h"
#include "driver/label_writer.h"
#include "driver/model_reading.h"
#include "fem/field_splitter.h"
#include "fem/record_kinds.h"
#include "files/file_units.h"
#include "support/fatal_stop.h"

namespace {

// static: the split of the line a reader stopped on.
LineFields Stopped;

std::int32_t stopped_number(std::int32_t f) {
  return integer_value(Stopped.values[f], f);
}

// What limit the line the reader stopped on broke, as "RECORD: ...".
void describe_limit(FailedReader iFailed, const NameTables& Tables, FindingText& Text) {
  const auto put_above = [&Text](const char* ChRecord, const char* ChWhat, std::int32_t iValue,
                                 const char* ChLimit) {
    begin_text(Text, ChRecord);
    put_text(Text, ChWhat);
    put_text(Text, " ");
    put_number(Text, iValue);
    put_text(Text, ChLimit);
  };
  const char* kTables = " is above 100000, the most the tables hold";
  if (iFailed == kNodeReaderFailed) {
    return put_above("GNODE", "the internal node number", stopped_number(3), kTables);
  }
  if (iFailed == kMemberReaderFailed) {
    if (is_record_header(Stopped, kRecordName[kRecordGelmnt1])) {
      return put_above("GELMNT1", "the internal element number", stopped_number(3), kTables);
    }
    if (!is_record_header(Stopped, kRecordName[kRecordTdsconc])) {
      begin_text(Text, "SCONCEPT");
      return put_text(Text,
                      "the member number of the record is above 100000, the most the tables hold");
    }
    if (stopped_number(3) > MxMemb) {
      return put_above("TDSCONC", "the member number", stopped_number(3), kTables);
    }
    return put_above("TDSCONC", "member name", Tables.nNames,
                     " is one more than the 100000 the tables hold");
  }
  if (!is_record_header(Stopped, kRecordName[kRecordSconmesh])) {
    return put_above("SCONMESH", "the element count", stopped_number(1),
                     " is above 99, the most elements a relation holds");
  }
  if (stopped_number(3) > MxMesh) {
    return put_above("SCONMESH", "the mesh reference", stopped_number(3), kTables);
  }
  if (stopped_number(2) > MxMeshLen - 2) {
    return put_above("SCONMESH", "field 2", stopped_number(2),
                     " is above 98, the longest relation the tables hold");
  }
  put_above("SCONMESH", "mesh relation", Tables.nMesh,
            " is one more than the 100000 the tables hold");
}

// The one finding of a model that breaks a limit: where the reader stopped
// (the line its report quotes), and which report the label file holds.
void note_limit(FailedReader iFailed, const FemFile& Fem, const NameTables& Tables,
                FindingStore& Store) {
  static constexpr const char* kReport[] = {"", "INP_2101", "INP_2102", "INP_2103"};
  std::int64_t iLine = 1;
  std::memset(Stopped.values, 0, sizeof Stopped.values);
  Stopped.count = 0;
  if (Fem.pLine != nullptr) {
    iLine = fem_line_number(Fem);
    split_fields(Fem.pLine, Fem.nLine, Stopped);
  }
  FindingText Text;
  describe_limit(iFailed, Tables, Text);
  put_text(Text, ": the label file holds the input-error report ");
  put_text(Text, kReport[iFailed]);
  put_text(Text, " instead of labels");
  add_finding(Store, iLine, Text);
}

// "<RECORD>: <ChWhat> <iEntry> <quoted name of entry iEntry of Names>" begun in Text.
void begin_named(FindingText& Text, const char* ChRecord, const char* ChWhat, std::int32_t iEntry,
                 const NameColumn& Names) {
  begin_text(Text, ChRecord);
  put_text(Text, ChWhat);
  put_number(Text, iEntry);
  put_text(Text, " ");
  put_quoted(Text, name_text(Names, iEntry), name_length(Names, iEntry));
}

// Named nodes that get no label, or one with node number 0.
void check_nodes(const NameTables& Tables, const RecordLines& Lines, FindingStore& Store) {
  for (std::int32_t iNode = 1; iNode <= MxNode; ++iNode) {
    if (name_length(Tables.ChNodeName, iNode) == 0) continue;
    FindingText Text;
    if (Lines.iGnode[iNode] == 0) {
      begin_named(Text, "TDNODE", "no GNODE numbers node ", iNode, Tables.ChNodeName);
      put_text(Text,
               iNode <= Tables.nNodes ? ": its label shows node number 0" : ": it gets no label");
    } else if (iNode > Tables.nNodes) {
      begin_named(Text, "TDNODE", "node ", iNode, Tables.ChNodeName);
      put_text(Text, " is numbered (GNODE at line ");
      put_number(Text, Lines.iGnode[iNode]);
      put_text(Text, "), but the label file lists nodes 1 to ");
      put_number(Text, Tables.nNodes);
      put_text(Text, ", as many as there are GNODE records: it gets no label");
    } else {
      continue;
    }
    add_finding(Store, Lines.iTdnode[iNode], Text);
  }
}

// Element iElem of named member iMemb, listed in the relation at line iLine: one
// that gets no label, a label with element number 0, or another's name.
void check_element(const NameTables& Tables, const RecordLines& Lines, std::int32_t iMemb,
                   std::int32_t iElem, std::int64_t iLine, FindingStore& Store) {
  FindingText Text;
  begin_text(Text, "SCONMESH");
  const bool bNumber = iElem >= 1 && iElem <= MxElem;
  if (bNumber && iElem <= Tables.nElems && Lines.iGelmnt1[iElem] != 0 &&
      Tables.iElemMemb[iElem] == iMemb)
    return;
  put_text(Text, bNumber && iElem <= Tables.nElems && Lines.iGelmnt1[iElem] == 0
                     ? "no GELMNT1 numbers element "
                     : "element ");
  put_number(Text, iElem);
  put_text(Text, " of member ");
  put_number(Text, iMemb);
  put_text(Text, " ");
  put_quoted(Text, name_text(Tables.ChMembName, iMemb), name_length(Tables.ChMembName, iMemb));
  if (!bNumber) {
    put_text(Text, " is no element number: no element gets its name from it");
  } else if (iElem > Tables.nElems) {
    put_text(Text, " is beyond the ");
    put_number(Text, Tables.nElems);
    put_text(Text, " elements read (GELMNT1): it gets no label");
  } else if (Lines.iGelmnt1[iElem] == 0) {
    put_text(Text, ": its label shows element number 0");
  } else {
    const std::int32_t iOwner = Tables.iElemMemb[iElem];
    put_text(Text, " (element number ");
    put_number(Text, Tables.iElemExt[iElem]);
    put_text(Text, ") is listed by member ");
    put_number(Text, iOwner);
    put_text(Text, " too: its label shows the higher member's name, ");
    put_quoted(Text, name_text(Tables.ChMembName, iOwner), name_length(Tables.ChMembName, iOwner));
  }
  add_finding(Store, iLine, Text);
}

// Named member iMemb: the way to its elements, then each of them.
void check_member(const NameTables& Tables, const RecordLines& Lines, std::int32_t iMemb,
                  FindingStore& Store) {
  FindingText Text;
  const std::int32_t iRef = Tables.iMembDef[kMeshRefSlot][iMemb];
  const std::int32_t iMesh = member_mesh_row(Tables, iMemb);
  std::int64_t iLine = Lines.iSconcept[iMemb];
  if (iLine == 0) {
    begin_named(Text, "TDSCONC", "member ", iMemb, Tables.ChMembName);
    put_text(Text, " has no SCONCEPT, so no mesh reference: none of its elements gets its name");
    return add_finding(Store, Lines.iTdsconc[iMemb], Text);
  }
  if (iMesh != 0 && mesh_row_count(Tables, iMesh) > 0) {
    const std::int64_t iMeshLine = Lines.iSconmesh[iMesh];
    for (std::int32_t iAt = 1; iAt <= mesh_row_count(Tables, iMesh); ++iAt)
      check_element(Tables, Lines, iMemb, Tables.iMeshList[iAt + 1][iMesh], iMeshLine, Store);
    return;
  }
  begin_named(Text, "SCONCEPT", "member ", iMemb, Tables.ChMembName);
  put_text(Text, " has mesh reference ");
  put_number(Text, iRef);
  if (iRef < 1) {
    put_text(Text, ": none of its elements gets its name");
  } else if (iMesh == 0) {
    put_text(Text, ", beyond the 100000 the tables hold: none of its elements gets its name");
  } else if (Lines.iSconmesh[iMesh] == 0) {
    put_text(Text, ", for which no SCONMESH relation was read: none of its elements gets its name");
  } else {
    put_text(Text, ", whose relation (SCONMESH at line ");
    put_number(Text, Lines.iSconmesh[iMesh]);
    put_text(Text, ") lists no elements: none gets its name");
  }
  add_finding(Store, iLine, Text);
}

void check_members(const NameTables& Tables, const RecordLines& Lines, FindingStore& Store) {
  for (std::int32_t iMemb = 1; iMemb <= Tables.MaxMembRef && iMemb <= MxMemb; ++iMemb) {
    if (name_length(Tables.ChMembName, iMemb) > 0) check_member(Tables, Lines, iMemb, Store);
  }
}

}  // namespace

int check_model(NameTables& Tables, FemFile& Fem, std::int32_t iUnitReports, const char* ChFile,
                std::int32_t nFile) {
  // static: taken once, for the one check of a run.
  static FindingStore Store;
  static RecordLines Lines;
  if (!create_finding_store(Store) || !create_record_lines(Lines)) {
    fatal_stop("the check's tables cannot be had");
  }
  const FailedReader iFailed = read_model(Tables, Fem, iUnitReports);
  if (iFailed != kNoneFailed) {
    note_limit(iFailed, Fem, Tables, Store);
  } else {
    assign_element_owners(Tables);
    const char* pData = nullptr;
    std::int64_t nData = 0;
    unit_contents(Fem.iUnit, pData, nData);
    walk_records(pData, nData, Tables, Lines, Store);
    check_nodes(Tables, Lines, Store);
    check_members(Tables, Lines, Store);
  }
  write_run_summary(kUnitConsoleOut, Tables);
  write_findings(Store, kUnitConsoleOut, ChFile, nFile);
  return Store.nFound == 0 ? 0 : 1;
}
