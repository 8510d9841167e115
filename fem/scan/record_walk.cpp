#include "fem/record_walk.h"

#include <cstring>

#include "fem/element_types.h"
#include "fem/scan/header_scan.h"
#include "fem/scan/line_shape.h"

namespace {

// static: the split handed out with every step; the walk is not re-entrant.
// The values above entry nWritten are known to be 0.
LineFields Fields;
std::int32_t nWritten = MxFields;

constexpr std::size_t coord_name_length() {
  std::size_t n = 0;
  while (kCoordRecordName[n] != '\0')
    ++n;
  return n;
}
constexpr std::size_t kCoordNameLen = coord_name_length();

// The slot of bWasOwed that stands for the node list.
constexpr std::int32_t kNodeListSlot = kRecordKinds;

// The roles of a line in the order they are handed out: the raw line of
// each record that owes one, a node-list line, a header, a GCOORD header.
constexpr std::int32_t kStepNodeList = kRecordKinds;
constexpr std::int32_t kStepHeader = kRecordKinds + 1;
constexpr std::int32_t kStepCoordinates = kRecordKinds + 2;
constexpr std::int32_t kStepsPerLine = kRecordKinds + 3;

// Splits the walk's line as a reader's split leaves it: a missing field
// and a text field read as 0. The split writes the values of its fields;
// those the split before wrote past them are cleared after it, not all
// 100 before (most lines have four fields).
void split_line(const RecordWalk& Walk) {
  split_fields(Walk.pLine, Walk.nCut, Fields);
  for (std::int32_t k = 1; k <= Fields.count; ++k) {
    if (Fields.kinds[k] == kFieldText) Fields.values[k] = 0.0;
  }
  if (nWritten > Fields.count) {
    std::memset(Fields.values + Fields.count + 1, 0,
                sizeof(double) * static_cast<std::size_t>(nWritten - Fields.count));
  }
  nWritten = Fields.count;
}

// No split: no fields, every value 0.
void clear_split() {
  std::memset(Fields.values + 1, 0, sizeof(double) * static_cast<std::size_t>(nWritten));
  Fields.count = 0;
  nWritten = 0;
}

// Takes the line at the walk's place, and what each record owes at its
// start. False at end of file.
bool take_line(RecordWalk& Walk) {
  if (Walk.iPos >= Walk.nData) return false;
  Walk.pLine = Walk.pData + Walk.iPos;
  Walk.iPos = cut_line(Walk.pData, Walk.nData, Walk.iPos, Walk.nLine);
  ++Walk.iLine;
  Walk.nCut = cut_length(Walk.nLine);
  for (std::int32_t k = 0; k < kRecordKinds; ++k)
    Walk.bWasOwed[k] = Walk.Owed[k].iHeaderLine != 0;
  Walk.bWasOwed[kNodeListSlot] = Walk.NodeList.iHeaderLine != 0;
  // Raw name lines are not split by their readers; data lines are.
  const bool bCandidate = header_scan_start(Walk.pLine, Walk.nCut) >= 0;
  const bool bSplit = bCandidate || Walk.bWasOwed[kRecordSconcept] ||
                      Walk.bWasOwed[kRecordSconmesh] || Walk.bWasOwed[kNodeListSlot];
  if (bSplit) {
    split_line(Walk);
  } else {
    clear_split();
  }
  Walk.iHeader = kRecordKinds;
  Walk.bCoordinates = false;
  // A header's first field is text that starts with its record name (as
  // is_record_header has it), found as the header scans find it.
  if (bCandidate && Fields.count >= 1 && Fields.kinds[1] == kFieldText) {
    const char* pName = Fields.texts[1];
    Walk.iHeader = record_kind_at(pName, kFieldTextLen);
    Walk.bCoordinates = std::memcmp(pName, kCoordRecordName, kCoordNameLen) == 0;
  }
  Walk.iStep = 0;
  return true;
}

void fill_line(const RecordWalk& Walk, WalkRole iRole, RecordKind iKind, WalkLine& Line) {
  Line.iRole = iRole;
  Line.iKind = iKind;
  Line.iLine = Walk.iLine;
  Line.pLine = Walk.pLine;
  Line.nLine = Walk.nLine;
  Line.nCut = Walk.nCut;
  Line.iHeaderLine = Walk.iLine;
  Line.iRawLine = 0;
  Line.bRecordEnd = false;
  Line.pFields = &Fields;
}

// The line as the next raw line of the record that owes Owed; a SCONMESH
// learns from its first how many follow (its count divided by 4, as its
// reader reads them).
void take_owed(RecordWalk& Walk, WalkOwed& Owed, WalkRole iRole, RecordKind iKind, WalkLine& Line) {
  fill_line(Walk, iRole, iKind, Line);
  Line.iHeaderLine = Owed.iHeaderLine;
  Line.iRawLine = ++Owed.nTaken;
  --Owed.nLeft;
  if (iRole == kWalkRaw && iKind == kRecordSconmesh && Owed.nTaken == 1) {
    Owed.nLeft = relation_lines_after_first(integer_value(Fields.values[1], 1));
  }
  Line.bRecordEnd = Owed.nLeft <= 0;
  if (Line.bRecordEnd) Owed = WalkOwed{};
}

// The raw lines a header of kind iKind makes its record owe.
void owe_after_header(RecordWalk& Walk, RecordKind iKind) {
  std::int32_t nOwed = 0;
  switch (iKind) {
    case kRecordTdnode:
    case kRecordTdsconc:
    case kRecordSconcept:
      nOwed = 1;
      break;
    case kRecordSconmesh:
      if (is_read_relation(integer_value(Fields.values[4], 4),
                           integer_value(Fields.values[5], 5))) {
        nOwed = 1;
      }
      break;
    case kRecordGnode:
    case kRecordGelmnt1:
    case kRecordKinds:
      break;
  }
  if (nOwed > 0) Walk.Owed[iKind] = WalkOwed{Walk.iLine, 0, nOwed};
}

// The node list a GELMNT1 header begins (a list still owed ends short).
void owe_node_list(RecordWalk& Walk) {
  const std::int32_t nNodes =
      listed_node_count(walk_integer(Fields.values[4]), walk_integer(Fields.values[5]));
  const std::int32_t nLines = nNodes / 4 + (nNodes % 4 != 0 ? 1 : 0);
  Walk.NodeList = nLines > 0 ? WalkOwed{Walk.iLine, 0, nLines} : WalkOwed{};
}

// The next role of the walk's line, if it has one left.
bool next_role(RecordWalk& Walk, WalkLine& Line) {
  while (Walk.iStep < kStepsPerLine) {
    const std::int32_t iStep = Walk.iStep++;
    if (iStep < kRecordKinds) {
      if (!Walk.bWasOwed[iStep]) continue;
      const auto iKind = static_cast<RecordKind>(iStep);
      take_owed(Walk, Walk.Owed[iKind], kWalkRaw, iKind, Line);
      return true;
    }
    if (iStep == kStepNodeList) {
      if (!Walk.bWasOwed[kNodeListSlot]) continue;
      take_owed(Walk, Walk.NodeList, kWalkNodeList, kRecordGelmnt1, Line);
      return true;
    }
    if (iStep == kStepHeader) {
      // A line its kind's pass reads raw is no header of that kind.
      if (Walk.iHeader == kRecordKinds || Walk.bWasOwed[Walk.iHeader]) continue;
      fill_line(Walk, kWalkHeader, Walk.iHeader, Line);
      owe_after_header(Walk, Walk.iHeader);
      if (Walk.iHeader == kRecordGelmnt1) owe_node_list(Walk);
      return true;
    }
    if (iStep == kStepCoordinates && Walk.bCoordinates) {
      fill_line(Walk, kWalkCoordinates, kRecordKinds, Line);
      return true;
    }
  }
  return false;
}

// The next record the end of the file cut short, if any is left.
bool next_cut_short(RecordWalk& Walk, WalkLine& Line) {
  while (Walk.iStep < kRecordKinds) {
    const auto iKind = static_cast<RecordKind>(Walk.iStep++);
    WalkOwed& Owed = Walk.Owed[iKind];
    if (Owed.iHeaderLine == 0) continue;
    clear_split();
    fill_line(Walk, kWalkCutShort, iKind, Line);
    Line.iLine = Owed.iHeaderLine;
    Line.iHeaderLine = Owed.iHeaderLine;
    Line.pLine = nullptr;
    Line.nLine = 0;
    Line.nCut = 0;
    Line.iRawLine = Owed.nTaken;
    Owed = WalkOwed{};
    return true;
  }
  return false;
}

}  // namespace

std::int32_t walk_integer(double Value) {
  // The bounds of 32 bits as the readers round: halves away from zero.
  if (!(Value > -2147483648.5 && Value < 2147483647.5)) return 0;
  return integer_value(Value, 0);
}

void begin_walk(RecordWalk& Walk, const char* pData, std::int64_t nData) {
  Walk = RecordWalk{};
  nWritten = MxFields;
  Walk.pData = pData;
  Walk.nData = pData == nullptr ? 0 : nData;
  Walk.iHeader = kRecordKinds;
  Walk.iStep = kStepsPerLine;
}

bool next_walk_line(RecordWalk& Walk, WalkLine& Line) {
  while (!Walk.bEnded) {
    if (next_role(Walk, Line)) return true;
    if (!take_line(Walk)) {
      Walk.bEnded = true;
      Walk.iStep = 0;
    }
  }
  return next_cut_short(Walk, Line);
}
