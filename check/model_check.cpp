#include "check/model_check.h"

#include <cstring>

#include "check/check_findings.h"
#include "check/check_walk.h"
#include "fem/field_splitter.h"
#include "fem/input_errors.h"
#include "fem/record_kinds.h"
#include "files/file_units.h"
#include "support/fatal_stop.h"

namespace {

// static: the split of the line a reader stopped on.
LineFields Stopped;

std::int32_t stopped_number(std::int32_t f) {
  return integer_value(Stopped.values[f], f);
}

// "<RECORD>: <ChWhat> <iValue>" begun in Text.
void begin_value(FindingText& Text, RecordKind iKind, const char* ChWhat, std::int64_t iValue) {
  begin_text(Text, kRecordName[iKind]);
  put_text(Text, ChWhat);
  put_text(Text, " ");
  put_number(Text, iValue);
}

// "... is above <iMost><ChWhat>".
void put_above(FindingText& Text, std::int32_t iMost, const char* ChWhat) {
  put_text(Text, " is above ");
  put_number(Text, iMost);
  put_text(Text, ChWhat);
}

// "... is above <MxTable>, the most the tables hold".
void put_above_table(FindingText& Text, std::int32_t MxTable) {
  put_above(Text, MxTable, ", the most the tables hold");
}

// "... is one more than the <MxTable> the tables hold".
void put_one_more(FindingText& Text, std::int32_t MxTable) {
  put_text(Text, " is one more than the ");
  put_number(Text, MxTable);
  put_text(Text, " the tables hold");
}

// The limit the reader found broken, as "RECORD: ...", with the value of
// the line it stopped on.
void describe_limit(InputLimit iLimit, const NameTables& Tables, FindingText& Text) {
  switch (iLimit) {
    case kLimitNone:
    case kLimitNodeNumber:
      begin_value(Text, kRecordGnode, "the internal node number", stopped_number(3));
      return put_above_table(Text, MxNode);
    case kLimitElementNumber:
      begin_value(Text, kRecordGelmnt1, "the internal element number", stopped_number(3));
      return put_above_table(Text, MxElem);
    case kLimitConceptMember:
      begin_text(Text, kRecordName[kRecordSconcept]);
      put_text(Text, "the member number of the record");
      return put_above_table(Text, MxMemb);
    case kLimitMemberNumber:
      begin_value(Text, kRecordTdsconc, "the member number", stopped_number(3));
      return put_above_table(Text, MxMemb);
    case kLimitMemberNames:
      begin_value(Text, kRecordTdsconc, "member name", Tables.nNames);
      return put_one_more(Text, MxMemb);
    case kLimitMeshElements:
      begin_value(Text, kRecordSconmesh, "the element count", stopped_number(1));
      return put_above(Text, MxMeshLen - 1, ", the most elements a relation holds");
    case kLimitMeshNumber:
      begin_value(Text, kRecordSconmesh, "the mesh reference", stopped_number(3));
      return put_above_table(Text, MxMesh);
    case kLimitMeshRecordLength:
      begin_value(Text, kRecordSconmesh, "field 2", stopped_number(2));
      return put_above(Text, MxMeshLen - 2, ", the longest relation the tables hold");
    case kLimitMeshCount:
      begin_value(Text, kRecordSconmesh, "mesh relation", Tables.nMesh);
      return put_one_more(Text, MxMesh);
  }
}

// The one finding of a model that breaks a limit: where the reader stopped
// (the line its report quotes), and which report the label file holds.
void note_limit(const FemFile& Fem, const NameTables& Tables, FindingStore& Store) {
  std::int64_t iLine = 1;
  std::memset(Stopped.values, 0, sizeof Stopped.values);
  Stopped.count = 0;
  if (Fem.pLine != nullptr) {
    iLine = fem_line_number(Fem);
    split_fields(Fem.pLine, Fem.nLine, Stopped);
  }
  FindingText Text;
  describe_limit(Fem.iLimitBroken, Tables, Text);
  put_text(Text, ": the label file holds the input-error report ");
  put_text(Text, input_report_name(Fem.iLimitBroken));
  put_text(Text, " instead of labels");
  add_finding(Store, iLine, Text);
}

void put_record(FindingText& Text, RecordKind iKind) {
  put_text(Text, kRecordName[iKind]);
}

// "<RECORD>: <ChWhat><iEntry> <quoted name of entry iEntry of Names>" begun in Text,
// or with ChNo "<RECORD>: no <ChNo> numbers <ChWhat><iEntry> ...".
void begin_named(FindingText& Text, RecordKind iKind, const char* ChWhat, std::int32_t iEntry,
                 const NameColumn& Names, const char* ChNo = nullptr) {
  begin_text(Text, kRecordName[iKind]);
  if (ChNo != nullptr) {
    put_text(Text, "no ");
    put_text(Text, ChNo);
    put_text(Text, " numbers ");
  }
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
      begin_named(Text, kRecordTdnode, "node ", iNode, Tables.ChNodeName,
                  kRecordName[kRecordGnode]);
      put_text(Text,
               iNode <= Tables.nNodes ? ": its label shows node number 0" : ": it gets no label");
    } else if (iNode > Tables.nNodes) {
      begin_named(Text, kRecordTdnode, "node ", iNode, Tables.ChNodeName);
      put_text(Text, " is numbered (");
      put_record(Text, kRecordGnode);
      put_text(Text, " at line ");
      put_number(Text, Lines.iGnode[iNode]);
      put_text(Text, "), but the label file lists nodes 1 to ");
      put_number(Text, Tables.nNodes);
      put_text(Text, ", as many as there are ");
      put_record(Text, kRecordGnode);
      put_text(Text, " records: it gets no label");
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
  const bool bNumber = iElem >= 1 && iElem <= MxElem;
  if (bNumber && iElem <= Tables.nElems && Lines.iGelmnt1[iElem] != 0 &&
      Tables.iElemMemb[iElem] == iMemb)
    return;
  FindingText Text;
  begin_text(Text, kRecordName[kRecordSconmesh]);
  if (bNumber && iElem <= Tables.nElems && Lines.iGelmnt1[iElem] == 0) {
    put_text(Text, "no ");
    put_record(Text, kRecordGelmnt1);
    put_text(Text, " numbers ");
  }
  put_text(Text, "element ");
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
    put_text(Text, " elements read (");
    put_record(Text, kRecordGelmnt1);
    put_text(Text, "): it gets no label");
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
    begin_named(Text, kRecordTdsconc, "member ", iMemb, Tables.ChMembName);
    put_text(Text, " has no ");
    put_record(Text, kRecordSconcept);
    put_text(Text, ", so no mesh reference: none of its elements gets its name");
    return add_finding(Store, Lines.iTdsconc[iMemb], Text);
  }
  if (iMesh != 0 && mesh_row_count(Tables, iMesh) > 0) {
    const std::int64_t iMeshLine = Lines.iSconmesh[iMesh];
    for (std::int32_t iAt = 1; iAt <= mesh_row_count(Tables, iMesh); ++iAt)
      check_element(Tables, Lines, iMemb, Tables.iMeshList[iAt + 1][iMesh], iMeshLine, Store);
    return;
  }
  begin_named(Text, kRecordSconcept, "member ", iMemb, Tables.ChMembName);
  put_text(Text, " has mesh reference ");
  put_number(Text, iRef);
  if (iRef < 1) {
    put_text(Text, ": none of its elements gets its name");
  } else if (iMesh == 0) {
    put_text(Text, ", beyond the ");
    put_number(Text, MxMesh);
    put_text(Text, " the tables hold: none of its elements gets its name");
  } else if (Lines.iSconmesh[iMesh] == 0) {
    put_text(Text, ", for which no ");
    put_record(Text, kRecordSconmesh);
    put_text(Text, " relation was read: none of its elements gets its name");
  } else {
    put_text(Text, ", whose relation (");
    put_record(Text, kRecordSconmesh);
    put_text(Text, " at line ");
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

// The check itself: the findings gathered into the store, not yet written;
// pGeometry, when not null, read in the same walk.
FindingStore& gather_findings(const NameTables& Tables, const FemFile& Fem, bool bReaderFailed,
                              ModelGeometry* pGeometry) {
  // static: taken once, for the one check of a run.
  static FindingStore Store;
  static RecordLines Lines;
  if (!create_finding_store(Store) || !create_record_lines(Lines)) {
    fatal_stop("the check's tables cannot be had");
  }
  if (bReaderFailed) {
    note_limit(Fem, Tables, Store);
  } else {
    const char* pData = nullptr;
    std::int64_t nData = 0;
    unit_contents(Fem.iUnit, pData, nData);
    walk_records(pData, nData, Tables, Lines, Store, pGeometry);
    check_nodes(Tables, Lines, Store);
    check_members(Tables, Lines, Store);
  }
  // The findings are of one version of the file, or there are none.
  stop_if_input_changed(Fem.iUnit);
  return Store;
}

}  // namespace

int check_model(const NameTables& Tables, const FemFile& Fem, bool bReaderFailed,
                const char* ChFile, std::int32_t nFile) {
  FindingStore& Store = gather_findings(Tables, Fem, bReaderFailed, nullptr);
  write_findings(Store, kUnitConsoleOut, ChFile, nFile);
  return Store.nFound == 0 ? 0 : 1;
}

int begin_check_lines(const NameTables& Tables, const FemFile& Fem, bool bReaderFailed,
                      const char* ChFile, std::int32_t nFile, ModelGeometry& Geometry,
                      FindingLines& Walk) {
  FindingStore& Store = gather_findings(Tables, Fem, bReaderFailed, &Geometry);
  begin_finding_lines(Store, Walk, ChFile, nFile);
  return Store.nFound == 0 ? 0 : 1;
}
