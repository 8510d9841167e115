#include "check/check_walk.h"

#include <algorithm>

#include "fem/field_splitter.h"
#include "fem/record_walk.h"
#include "platform/platform.h"
#include "support/text_helpers.h"

namespace {

// A record whose header was met and whose raw lines are still to come (the
// record walk knows how many): the number it carries and its header's line;
// for SCONMESH also its element count (read from its first data line) and
// the elements met so far.
struct Pending {
  std::int32_t iNumber;
  std::int64_t iHeaderLine;
  std::int32_t nCount;
  std::int32_t nElement;
};

// static: the walk's state, module storage like the readers' work fields.
struct Walk {
  const NameTables* pTables;
  RecordLines* pLines;
  FindingStore* pStore;
  const char* pLine;  // the line walked, nLine characters (terminator excluded)
  std::int64_t nLine;
  std::int32_t nCut;  // the characters of it the readers look at
  std::int64_t iLine;
  const LineFields* pFields;  // its split, the record walk's
  Pending Rec[kRecordKinds];
};
Walk Walking;

const LineFields& fields() {
  return *Walking.pFields;
}

const char* record_name(RecordKind iKind) {
  return kRecordName[iKind];
}

void add_finding_at(std::int64_t iLine, const FindingText& Text) {
  add_finding(*Walking.pStore, iLine, Text);
}

bool is_text(std::int32_t f) {
  return f <= fields().count && fields().kinds[f] == kFieldText;
}

// A number field that is text: the reader takes it as 0. ChWhat names the
// field, ChSo what that does.
void note_text_field(RecordKind iKind, std::int32_t f, const char* ChWhat, const char* ChSo) {
  FindingText Text;
  begin_text(Text, record_name(iKind));
  put_text(Text, ChWhat);
  put_text(Text, " is ");
  put_quoted(Text, fields().texts[f], trimmed_length(fields().texts[f], kFieldTextLen));
  put_text(Text, ", not a number, so it reads as 0: ");
  put_text(Text, ChSo);
  add_finding_at(Walking.iLine, Text);
}

// The integer the reader takes from field f, noting a text field.
std::int32_t take_number(RecordKind iKind, std::int32_t f, const char* ChWhat, const char* ChSo) {
  if (is_text(f)) note_text_field(iKind, f, ChWhat, ChSo);
  return integer_value(fields().values[f], f);
}

// "<RECORD>: <ChWhat> <iNumber> <ChWhy>" at line iLine.
void note_number(RecordKind iKind, std::int64_t iLine, const char* ChWhat, std::int64_t iNumber,
                 const char* ChWhy) {
  FindingText Text;
  begin_text(Text, record_name(iKind));
  put_text(Text, ChWhat);
  put_text(Text, " ");
  put_number(Text, iNumber);
  put_text(Text, ChWhy);
  add_finding_at(iLine, Text);
}

// A number below 1 that is no text (a text field was noted already).
void note_below_one(RecordKind iKind, std::int32_t f, std::int32_t iNumber, const char* ChWhat,
                    const char* ChWhy) {
  if (!is_text(f)) note_number(iKind, Walking.iLine, ChWhat, iNumber, ChWhy);
}

// Begins "<RECORD>: <ChSubject> <iNumber> <ChAgain>; the <RECORD> at line
// <iEarlier> is overruled: " for a record that repeats a number.
void begin_repeat(FindingText& Text, RecordKind iKind, const char* ChSubject, std::int32_t iNumber,
                  const char* ChAgain, std::int64_t iEarlier) {
  begin_text(Text, record_name(iKind));
  put_text(Text, ChSubject);
  put_text(Text, " ");
  put_number(Text, iNumber);
  put_text(Text, ChAgain);
  put_text(Text, "; the ");
  put_text(Text, record_name(iKind));
  put_text(Text, " at line ");
  put_number(Text, iEarlier);
  put_text(Text, " is overruled: ");
}

void put_name_of(FindingText& Text, const NameColumn& Names, std::int32_t i) {
  put_quoted(Text, name_text(Names, i), name_length(Names, i));
}

// True when the characters of the line after column nKept are not all
// blank: the reader does not see them.
bool is_cut(std::int64_t nKept) {
  for (std::int64_t i = nKept; i < Walking.nLine; ++i) {
    if (Walking.pLine[i] != kBlank) return true;
  }
  return false;
}

void note_line_cut(RecordKind iKind) {
  if (!is_cut(Walking.nCut)) return;
  FindingText Text;
  begin_text(Text, record_name(iKind));
  put_text(Text, "the line is longer than ");
  put_number(Text, kLineLen);
  put_text(Text, " characters: what stands after column ");
  put_number(Text, kLineLen);
  put_text(Text, " is not read");
  add_finding_at(Walking.iLine, Text);
}

void note_name_cut(RecordKind iKind) {
  if (!is_cut(kNameLen)) return;
  FindingText Text;
  begin_text(Text, record_name(iKind));
  put_text(Text, "the name is longer than ");
  put_number(Text, kNameLen);
  put_text(Text, " characters: labels show its first ");
  put_number(Text, kNameLen);
  put_text(Text, ", ");
  put_quoted(Text, Walking.pLine, trimmed_length(Walking.pLine, kNameLen));
  add_finding_at(Walking.iLine, Text);
}

void on_gnode() {
  const NameTables& Tables = *Walking.pTables;
  const std::int32_t iNode = take_number(kRecordGnode, 3, "the internal node number (field 3)",
                                         "the record numbers no node");
  // Only a label that shows the 0 makes the external number a finding.
  if (is_text(2) && iNode >= 1 && iNode <= Tables.nNodes && Tables.iNodeExt[iNode] == 0 &&
      name_length(Tables.ChNodeName, iNode) > 0) {
    note_text_field(kRecordGnode, 2, "the external node number (field 2)",
                    "the node's label shows node number 0");
  }
  if (iNode < 1) {
    return note_below_one(kRecordGnode, 3, iNode, "internal node number",
                          " numbers no node: the record is not stored");
  }
  std::int64_t& iAt = Walking.pLines->iGnode[iNode];
  if (iAt != 0 && iNode <= Tables.nNodes && name_length(Tables.ChNodeName, iNode) > 0) {
    FindingText Text;
    begin_repeat(Text, kRecordGnode, "node", iNode, " is numbered again", iAt);
    put_text(Text, "its label shows node number ");
    put_number(Text, Tables.iNodeExt[iNode]);
    add_finding_at(Walking.iLine, Text);
  }
  iAt = Walking.iLine;
}

void on_gelmnt1() {
  const NameTables& Tables = *Walking.pTables;
  const std::int32_t iElem = take_number(kRecordGelmnt1, 3, "the internal element number (field 3)",
                                         "the record numbers no element");
  if (is_text(2) && iElem >= 1 && iElem <= Tables.nElems && Tables.iElemExt[iElem] == 0 &&
      Tables.iElemMemb[iElem] != 0) {
    note_text_field(kRecordGelmnt1, 2, "the external element number (field 2)",
                    "the element's label shows element number 0");
  }
  if (iElem < 1) {
    return note_below_one(kRecordGelmnt1, 3, iElem, "internal element number",
                          " numbers no element: the record is not stored");
  }
  std::int64_t& iAt = Walking.pLines->iGelmnt1[iElem];
  if (iAt != 0 && iElem <= Tables.nElems && Tables.iElemMemb[iElem] != 0) {
    FindingText Text;
    begin_repeat(Text, kRecordGelmnt1, "element", iElem, " is numbered again", iAt);
    put_text(Text, "its label shows element number ");
    put_number(Text, Tables.iElemExt[iElem]);
    add_finding_at(Walking.iLine, Text);
  }
  iAt = Walking.iLine;
}

// TDNODE and TDSCONC headers: the number, and the name line owed.
void on_named_header(RecordKind iKind) {
  const bool bNode = iKind == kRecordTdnode;
  const std::int32_t iNumber = take_number(
      iKind, 3, bNode ? "the internal node number (field 3)" : "the member number (field 3)",
      bNode ? "the name is given to no node" : "the name is given to no member");
  if (iNumber < 1) {
    note_below_one(iKind, 3, iNumber, bNode ? "internal node number" : "member number",
                   bNode ? " names no node: the name is not stored"
                         : " names no member: the name is not stored");
  }
  Walking.Rec[iKind] = Pending{iNumber, Walking.iLine, 0, 0};
}

void on_node_name(Pending& Rec) {
  const NameTables& Tables = *Walking.pTables;
  note_name_cut(kRecordTdnode);
  const std::int32_t iNode = Rec.iNumber;
  if (iNode > MxNode) {
    FindingText Text;
    begin_text(Text, record_name(kRecordTdnode));
    put_text(Text, "node ");
    put_number(Text, iNode);
    put_text(Text, " is beyond the ");
    put_number(Text, MxNode);
    put_text(Text, " nodes the tables hold: the name is not stored");
    return add_finding_at(Rec.iHeaderLine, Text);
  }
  if (iNode < 1) return;
  std::int64_t& iAt = Walking.pLines->iTdnode[iNode];
  if (iAt != 0 && iNode <= Tables.nNodes) {
    FindingText Text;
    begin_repeat(Text, kRecordTdnode, "node", iNode, " is named again", iAt);
    put_text(Text, "its label shows ");
    put_name_of(Text, Tables.ChNodeName, iNode);
    add_finding_at(Rec.iHeaderLine, Text);
  }
  iAt = Rec.iHeaderLine;
}

void on_member_name(Pending& Rec) {
  const NameTables& Tables = *Walking.pTables;
  note_name_cut(kRecordTdsconc);
  const std::int32_t iMemb = Rec.iNumber;
  if (iMemb < 1 || iMemb > MxMemb) return;
  std::int64_t& iAt = Walking.pLines->iTdsconc[iMemb];
  if (iAt != 0) {
    FindingText Text;
    begin_repeat(Text, kRecordTdsconc, "member", iMemb, " is named again", iAt);
    put_text(Text, "its elements' labels show ");
    put_name_of(Text, Tables.ChMembName, iMemb);
    add_finding_at(Rec.iHeaderLine, Text);
  }
  iAt = Rec.iHeaderLine;
}

void on_sconcept_header() {
  const std::int32_t iMemb = take_number(kRecordSconcept, 3, "the member number (field 3)",
                                         "the definition is given to no member");
  if (iMemb < 1) {
    note_below_one(kRecordSconcept, 3, iMemb, "member number",
                   " names no member: the definition is not stored");
  }
  Walking.Rec[kRecordSconcept] = Pending{iMemb, Walking.iLine, 0, 0};
}

void on_sconcept_data(Pending& Rec) {
  const NameTables& Tables = *Walking.pTables;
  const std::int32_t iMemb = Rec.iNumber;
  if (iMemb < 1 || iMemb > MxMemb) return;
  // The mesh reference of an unnamed member changes no label.
  if (is_text(4) && name_length(Tables.ChMembName, iMemb) > 0) {
    note_text_field(kRecordSconcept, 4, "the mesh reference (field 4 of the line after the header)",
                    "the member has no mesh reference, and none of its elements gets its name");
  }
  std::int64_t& iAt = Walking.pLines->iSconcept[iMemb];
  if (iAt != 0 && name_length(Tables.ChMembName, iMemb) > 0) {
    FindingText Text;
    begin_repeat(Text, kRecordSconcept, "member", iMemb, " is defined again", iAt);
    put_text(Text, "its mesh reference is ");
    put_number(Text, Tables.iMembDef[kMeshRefSlot][iMemb]);
    add_finding_at(Rec.iHeaderLine, Text);
  }
  iAt = Rec.iHeaderLine;
}

// True when mesh reference iRef is that of a named member: only then does
// its relation change a label.
bool is_used_mesh(std::int32_t iRef) {
  return iRef >= 1 && iRef <= MxMesh && Walking.pLines->iMeshUser[iRef] != 0;
}

void on_sconmesh_header() {
  const std::int32_t iRef = take_number(kRecordSconmesh, 3, "the mesh reference (field 3)",
                                        "the relation is given to no mesh reference");
  // A relation passed over changes a label only when a named member uses it.
  const bool bNote = is_text(3) || is_used_mesh(iRef);
  for (std::int32_t f = 4; f <= 5; ++f) {
    if (bNote && is_text(f)) {
      note_text_field(kRecordSconmesh, f, f == 4 ? "field 4" : "field 5",
                      "the relation is passed over");
    }
  }
  if (!is_read_relation(integer_value(fields().values[4], 4),
                        integer_value(fields().values[5], 5))) {
    return;
  }
  if (iRef < 1) {
    note_below_one(kRecordSconmesh, 3, iRef, "mesh reference",
                   " is no mesh reference: the relation is not stored");
  }
  Walking.Rec[kRecordSconmesh] = Pending{iRef, Walking.iLine, 0, 0};
}

// Elements iFrom to iTo of the line (fields) of a relation: a text element,
// within the count, in a relation a named member uses.
void check_elements(Pending& Rec, std::int32_t iFrom, std::int32_t iTo) {
  const bool bUsed = is_used_mesh(Rec.iNumber);
  for (std::int32_t f = iFrom; f <= iTo; ++f) {
    ++Rec.nElement;
    if (!bUsed || Rec.nElement > Rec.nCount || !is_text(f)) continue;
    FindingText Text;
    begin_text(Text, record_name(kRecordSconmesh));
    put_text(Text, "element ");
    put_number(Text, Rec.nElement);
    put_text(Text, " of the relation is ");
    put_quoted(Text, fields().texts[f], trimmed_length(fields().texts[f], kFieldTextLen));
    put_text(Text, ", not a number, so it reads as 0: no element gets a label from it");
    add_finding_at(Walking.iLine, Text);
  }
}

// The relation is read whole: the reader stores it now.
void end_relation(const Pending& Rec) {
  const std::int32_t iRef = Rec.iNumber;
  if (iRef < 1 || iRef > MxMesh) return;
  std::int64_t& iAt = Walking.pLines->iSconmesh[iRef];
  const std::int32_t iUser = Walking.pLines->iMeshUser[iRef];
  if (iAt != 0 && iUser != 0) {
    FindingText Text;
    begin_repeat(Text, kRecordSconmesh, "mesh reference", iRef, " has a relation again", iAt);
    put_text(Text, "member ");
    put_number(Text, iUser);
    put_text(Text, " gets the elements of the relation read last");
    add_finding_at(Rec.iHeaderLine, Text);
  }
  iAt = Rec.iHeaderLine;
}

void on_sconmesh_data(Pending& Rec, const WalkLine& Line) {
  if (Line.iRawLine == 1) {
    Rec.nCount = is_used_mesh(Rec.iNumber)
                     ? take_number(kRecordSconmesh, 1,
                                   "the element count (field 1 of the line after the header)",
                                   "the relation lists no elements")
                     : integer_value(fields().values[1], 1);
    check_elements(Rec, 2, 4);
  } else {
    check_elements(Rec, 1, 4);
  }
  if (Line.bRecordEnd) end_relation(Rec);
}

// The line as a raw line of the record of kind iKind that owes it.
void take_raw(const WalkLine& Line) {
  Pending& Rec = Walking.Rec[Line.iKind];
  if (Line.iKind == kRecordTdnode) return on_node_name(Rec);
  if (Line.iKind == kRecordTdsconc) return on_member_name(Rec);
  note_line_cut(Line.iKind);
  if (Line.iKind == kRecordSconcept) return on_sconcept_data(Rec);
  on_sconmesh_data(Rec, Line);
}

void take_header(RecordKind iKind) {
  note_line_cut(iKind);
  switch (iKind) {
    case kRecordGnode:
      return on_gnode();
    case kRecordGelmnt1:
      return on_gelmnt1();
    case kRecordTdnode:
    case kRecordTdsconc:
      return on_named_header(iKind);
    case kRecordSconcept:
      return on_sconcept_header();
    case kRecordSconmesh:
      return on_sconmesh_header();
    case kRecordKinds:
      break;
  }
}

// A record the end of the file cuts short: its reader stores nothing of it.
void note_cut_short(const WalkLine& Line) {
  FindingText Text;
  begin_text(Text, record_name(Line.iKind));
  put_text(Text, "the file ends before the record's last line: nothing of it is stored");
  add_finding_at(Line.iHeaderLine, Text);
}

// The highest named member of each mesh reference.
void mark_mesh_users(const NameTables& Tables, RecordLines& Lines) {
  for (std::int32_t iMemb = 1; iMemb <= Tables.MaxMembRef && iMemb <= MxMemb; ++iMemb) {
    const std::int32_t iMesh = member_mesh_row(Tables, iMemb);
    if (iMesh != 0 && name_length(Tables.ChMembName, iMemb) > 0) Lines.iMeshUser[iMesh] = iMemb;
  }
}

}  // namespace

bool create_record_lines(RecordLines& Lines) {
  constexpr std::int64_t nLines = 2 * (MxNode + 1) + (MxElem + 1) + 2 * (MxMemb + 1) + (MxMesh + 1);
  constexpr std::int64_t nBytes = 8 * nLines + 4 * (MxMesh + 1);
  auto* p = static_cast<std::int64_t*>(map_zeroed_memory(nBytes));
  if (p == nullptr) return false;
  Lines.iGnode = p;
  Lines.iTdnode = Lines.iGnode + MxNode + 1;
  Lines.iGelmnt1 = Lines.iTdnode + MxNode + 1;
  Lines.iTdsconc = Lines.iGelmnt1 + MxElem + 1;
  Lines.iSconcept = Lines.iTdsconc + MxMemb + 1;
  Lines.iSconmesh = Lines.iSconcept + MxMemb + 1;
  Lines.iMeshUser = reinterpret_cast<std::int32_t*>(Lines.iSconmesh + MxMesh + 1);
  return true;
}

void walk_records(const char* pData, std::int64_t nData, const NameTables& Tables,
                  RecordLines& Lines, FindingStore& Store, ModelGeometry* pGeometry) {
  Walking = Walk{};
  Walking.pTables = &Tables;
  Walking.pLines = &Lines;
  Walking.pStore = &Store;
  mark_mesh_users(Tables, Lines);
  // Every element and node the readers counted has its GELMNT1 and GNODE
  // line noted: their pages are made ready in one request each, instead of
  // being faulted in twice a page (read, then written) as the walk comes.
  advise_populate_write(Lines.iGelmnt1,
                        8 * (std::int64_t{std::clamp(Tables.nElems, 0, MxElem)} + 1));
  advise_populate_write(Lines.iGnode, 8 * (std::int64_t{std::clamp(Tables.nNodes, 0, MxNode)} + 1));
  // static: the walk's place, beside the walk's other state.
  static RecordWalk Records;
  begin_walk(Records, pData, nData);
  if (pGeometry != nullptr) begin_geometry(Tables, *pGeometry);
  WalkLine Line;
  while (next_walk_line(Records, Line)) {
    if (pGeometry != nullptr) take_geometry_step(Line, *pGeometry);
    Walking.pLine = Line.pLine;
    Walking.nLine = Line.nLine;
    Walking.nCut = Line.nCut;
    Walking.iLine = Line.iLine;
    Walking.pFields = Line.pFields;
    switch (Line.iRole) {
      case kWalkHeader:
        take_header(Line.iKind);
        break;
      case kWalkRaw:
        take_raw(Line);
        break;
      case kWalkCutShort:
        note_cut_short(Line);
        break;
      case kWalkNodeList:
      case kWalkCoordinates:
        break;
    }
  }
  if (pGeometry != nullptr) end_geometry(Tables, *pGeometry);
}
