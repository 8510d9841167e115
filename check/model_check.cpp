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

// "<RECORD>: <ChWhat> <i> <quoted name of entry i of Names>" begun in Text.
void begin_named(FindingText& Text, const char* ChRecord, const char* ChWhat, std::int32_t i,
                 const NameColumn& Names) {
  begin_text(Text, ChRecord);
  put_text(Text, ChWhat);
  put_number(Text, i);
  put_text(Text, " ");
  put_quoted(Text, name_text(Names, i), name_length(Names, i));
}

// Named nodes that get no label, or one with node number 0.
void check_nodes(const NameTables& Tables, const RecordLines& Lines, FindingStore& Store) {
  for (std::int32_t i = 1; i <= MxNode; ++i) {
    if (name_length(Tables.ChNodeName, i) == 0) continue;
    FindingText Text;
    if (Lines.iGnode[i] == 0) {
      begin_named(Text, "TDNODE", "no GNODE numbers node ", i, Tables.ChNodeName);
      put_text(Text, i <= Tables.nNodes ? ": its label shows node number 0" : ": it gets no label");
    } else if (i > Tables.nNodes) {
      begin_named(Text, "TDNODE", "node ", i, Tables.ChNodeName);
      put_text(Text, " is numbered (GNODE at line ");
      put_number(Text, Lines.iGnode[i]);
      put_text(Text, "), but the label file lists nodes 1 to ");
      put_number(Text, Tables.nNodes);
      put_text(Text, ", as many as there are GNODE records: it gets no label");
    } else {
      continue;
    }
    add_finding(Store, Lines.iTdnode[i], Text);
  }
}

// Element e of named member k, listed in the relation at line iLine: one
// that gets no label, a label with element number 0, or another's name.
void check_element(const NameTables& Tables, const RecordLines& Lines, std::int32_t k,
                   std::int32_t e, std::int64_t iLine, FindingStore& Store) {
  FindingText Text;
  begin_text(Text, "SCONMESH");
  const bool bNumber = e >= 1 && e <= MxElem;
  if (bNumber && e <= Tables.nElems && Lines.iGelmnt1[e] != 0 && Tables.iElemMemb[e] == k) return;
  put_text(Text, bNumber && e <= Tables.nElems && Lines.iGelmnt1[e] == 0
                     ? "no GELMNT1 numbers element "
                     : "element ");
  put_number(Text, e);
  put_text(Text, " of member ");
  put_number(Text, k);
  put_text(Text, " ");
  put_quoted(Text, name_text(Tables.ChMembName, k), name_length(Tables.ChMembName, k));
  if (!bNumber) {
    put_text(Text, " is no element number: no element gets its name from it");
  } else if (e > Tables.nElems) {
    put_text(Text, " is beyond the ");
    put_number(Text, Tables.nElems);
    put_text(Text, " elements read (GELMNT1): it gets no label");
  } else if (Lines.iGelmnt1[e] == 0) {
    put_text(Text, ": its label shows element number 0");
  } else {
    const std::int32_t j = Tables.iElemMemb[e];
    put_text(Text, " (element number ");
    put_number(Text, Tables.iElemExt[e]);
    put_text(Text, ") is listed by member ");
    put_number(Text, j);
    put_text(Text, " too: its label shows the higher member's name, ");
    put_quoted(Text, name_text(Tables.ChMembName, j), name_length(Tables.ChMembName, j));
  }
  add_finding(Store, iLine, Text);
}

// Named member k: the way to its elements, then each of them.
void check_member(const NameTables& Tables, const RecordLines& Lines, std::int32_t k,
                  FindingStore& Store) {
  FindingText Text;
  const std::int32_t iRef = Tables.iMembDef[kMeshRefSlot][k];
  const std::int32_t m = member_mesh_row(Tables, k);
  std::int64_t iLine = Lines.iSconcept[k];
  if (iLine == 0) {
    begin_named(Text, "TDSCONC", "member ", k, Tables.ChMembName);
    put_text(Text, " has no SCONCEPT, so no mesh reference: none of its elements gets its name");
    return add_finding(Store, Lines.iTdsconc[k], Text);
  }
  if (m != 0 && mesh_row_count(Tables, m) > 0) {
    const std::int64_t iMeshLine = Lines.iSconmesh[m];
    for (std::int32_t j = 1; j <= mesh_row_count(Tables, m); ++j)
      check_element(Tables, Lines, k, Tables.iMeshList[j + 1][m], iMeshLine, Store);
    return;
  }
  begin_named(Text, "SCONCEPT", "member ", k, Tables.ChMembName);
  put_text(Text, " has mesh reference ");
  put_number(Text, iRef);
  if (iRef < 1) {
    put_text(Text, ": none of its elements gets its name");
  } else if (m == 0) {
    put_text(Text, ", beyond the 100000 the tables hold: none of its elements gets its name");
  } else if (Lines.iSconmesh[m] == 0) {
    put_text(Text, ", for which no SCONMESH relation was read: none of its elements gets its name");
  } else {
    put_text(Text, ", whose relation (SCONMESH at line ");
    put_number(Text, Lines.iSconmesh[m]);
    put_text(Text, ") lists no elements: none gets its name");
  }
  add_finding(Store, iLine, Text);
}

void check_members(const NameTables& Tables, const RecordLines& Lines, FindingStore& Store) {
  for (std::int32_t k = 1; k <= Tables.MaxMembRef && k <= MxMemb; ++k) {
    if (name_length(Tables.ChMembName, k) > 0) check_member(Tables, Lines, k, Store);
  }
}

// The check itself: the findings gathered into the store, the report not
// yet written.
FindingStore& gather_findings(NameTables& Tables, FemFile& Fem, std::int32_t iUnitReports) {
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
  return Store;
}

}  // namespace

int check_model(NameTables& Tables, FemFile& Fem, std::int32_t iUnitReports, const char* ChFile,
                std::int32_t nFile) {
  FindingStore& Store = gather_findings(Tables, Fem, iUnitReports);
  write_run_summary(kUnitConsoleOut, Tables);
  write_findings(Store, kUnitConsoleOut, ChFile, nFile);
  return Store.nFound == 0 ? 0 : 1;
}

int check_model_lines(NameTables& Tables, FemFile& Fem, std::int32_t iUnitReports,
                      const char* ChFile, std::int32_t nFile, const ReportLines& Lines) {
  FindingStore& Store = gather_findings(Tables, Fem, iUnitReports);
  hand_findings(Store, Lines, ChFile, nFile);
  return Store.nFound == 0 ? 0 : 1;
}
