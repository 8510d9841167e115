#include "fem/record_walk.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "fem/element_types.h"
#include "fem/scan/header_scan.h"
#include "fem/scan/line_shape.h"
#include "fem/scan/tool_line_split.h"

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

// The roles of a line, as bits of RecordWalk::uRoles in the order they are
// handed out: the raw line of each record that owes one (bit k for kind
// k), a node-list line, a header, a GCOORD header. Bit kNodeListBit of
// uOwed stands for the node list as well.
constexpr std::int32_t kNodeListBit = kRecordKinds;
constexpr std::int32_t kHeaderBit = kRecordKinds + 1;
constexpr std::int32_t kCoordinatesBit = kRecordKinds + 2;
constexpr std::uint32_t kRawBits = (std::uint32_t{1} << kRecordKinds) - 1;

constexpr std::uint32_t bit(std::int32_t k) {
  return std::uint32_t{1} << k;
}

// The fields whose values a line's roles take (fem/record_walk.h): the
// numbers the check and the geometry read, as the readers' passes convert
// only theirs. Numbers that nobody takes are most of a large model's, and
// their conversion most of a split.
struct TakenValues {
  std::int32_t iFirst;
  std::int32_t iLast;  // below iFirst: none
};
constexpr TakenValues kHeaderTaken[kRecordKinds] = {
    {3, 3},  // GNODE: internal node number
    {3, 3},  // TDNODE: internal node number
    {3, 5},  // GELMNT1: internal element number, ELTYP, ELTYAD
    {3, 3},  // TDSCONC: member number
    {3, 3},  // SCONCEPT: member number
    {3, 5},  // SCONMESH: mesh reference, the two selector fields
};
constexpr TakenValues kNoneTaken = {MxFields + 1, 0};
constexpr TakenValues kCoordinatesTaken = {2, 5};    // node number, x, y, z
constexpr TakenValues kRelationCountTaken = {1, 1};  // a relation's first data line

TakenValues joined(TakenValues A, TakenValues B) {
  return TakenValues{std::min(A.iFirst, B.iFirst), std::max(A.iLast, B.iLast)};
}

// The values the roles uRoles of the walk's line take.
inline TakenValues taken_values(const RecordWalk& Walk, std::uint32_t uRoles) {
  TakenValues Taken = kNoneTaken;
  // Of a relation's data lines only the count is a number somebody takes
  // (the elements are looked at for text only), and of a SCONCEPT's data
  // line none.
  if ((uRoles & bit(kRecordSconmesh)) != 0 && Walk.Owed[kRecordSconmesh].nTaken == 0) {
    Taken = kRelationCountTaken;
  }
  if ((uRoles & bit(kNodeListBit)) != 0) {
    // The next line of the list holds its numbers from 4 x nTaken + 1 on.
    const std::int32_t nOnLine = Walk.nListNodes - 4 * Walk.NodeList.nTaken;
    Taken = joined(Taken, TakenValues{1, std::clamp(nOnLine, 0, 4)});
  }
  if ((uRoles & bit(kHeaderBit)) != 0) Taken = joined(Taken, kHeaderTaken[Walk.iHeader]);
  if ((uRoles & bit(kCoordinatesBit)) != 0) Taken = joined(Taken, kCoordinatesTaken);
  return Taken;
}

// Clears the values the split before wrote past this split's fields.
void clear_stale_values() {
  // One or two values, where a line follows a longer one: cleared in place,
  // not by a call of memset for eight bytes.
  for (std::int32_t k = Fields.count + 1; k <= nWritten; ++k)
    Fields.values[k] = 0.0;
  nWritten = Fields.count;
}

// Splits the walk's line as a reader's split leaves it: a missing field
// and a text field read as 0. The split writes the values of its fields;
// those the split before wrote past them are cleared after it, not all
// 100 before (most lines have four fields).
void split_line(const RecordWalk& Walk, TakenValues Taken) {
  split_fields(Walk.pLine, Walk.nCut, Fields);
  for (std::int32_t k = 1; k <= Fields.count; ++k) {
    if (Fields.kinds[k] == kFieldText || k < Taken.iFirst || k > Taken.iLast) {
      Fields.values[k] = 0.0;
    }
  }
  clear_stale_values();
}

// The same for a line in the tool layout, whose name (nName characters)
// is its one text field: the split the readers take for such a line.
void split_tool(const RecordWalk& Walk, std::int32_t nName, TakenValues Taken) {
  split_tool_line(Walk.pLine, Walk.nCut, nName, Fields, Taken.iFirst, Taken.iLast);
  if (nName > 0) Fields.values[1] = 0.0;
  clear_stale_values();
}

// No split: no fields, every value 0.
void clear_split() {
  Fields.count = 0;
  clear_stale_values();
}

// Only the lines whose values somebody takes are split, and only lines the
// readers split too (so that the walk stops on a number that does not
// convert only where a run stops): headers, the data lines the readers read
// raw, and node-list lines that are no comment or blank line (the header
// scans split those; a node-list line they pass over reads as no fields).
// Raw name lines are not split by their readers. uRoles: the line's roles;
// bScanned: the header scans do not pass it over.
bool is_split(const RecordWalk& Walk, std::uint32_t uRoles, bool bScanned) {
  return Walk.iHeader != kRecordKinds ||
         (uRoles & (bit(kCoordinatesBit) | bit(kRecordSconcept) | bit(kRecordSconmesh))) != 0 ||
         ((uRoles & bit(kNodeListBit)) != 0 && bScanned);
}

// The roles of a line whose first field (at pName, nName characters of
// the cut line left) the header scans look at; uRoles holds those it
// already has.
inline std::uint32_t header_roles(RecordWalk& Walk, const char* pName, std::int32_t nName,
                                  std::uint32_t uRoles) {
  // A header's first field starts with its record name; a field that
  // starts with a letter is text, so the header scans' test of the line's
  // first characters tells it without a split.
  Walk.iHeader = record_kind_at(pName, nName);
  // A line its kind's pass reads raw is no header of that kind.
  if (Walk.iHeader != kRecordKinds && (uRoles & bit(Walk.iHeader)) == 0) uRoles |= bit(kHeaderBit);
  if (nName >= static_cast<std::int32_t>(kCoordNameLen) &&
      std::memcmp(pName, kCoordRecordName, kCoordNameLen) == 0) {
    uRoles |= bit(kCoordinatesBit);
  }
  return uRoles;
}

// Takes the line at the walk's place, and the roles it has by what each
// record owes at its start. False at end of file.
bool take_line(RecordWalk& Walk) {
  if (Walk.iPos >= Walk.nData) return false;
  Walk.pLine = Walk.pData + Walk.iPos;
  ++Walk.iLine;
  Walk.iHeader = kRecordKinds;
  std::uint32_t uRoles = Walk.uOwed;
  // Nearly every line is in the tool layout: one test gives its end and
  // its name, as the scanner takes such a line, and its split needs no
  // look at its characters one by one. Its first field is its name, or a
  // real that is no header.
  std::int32_t nName = 0;
  const std::int32_t nTool = tool_line_length(Walk.pLine, Walk.pData + Walk.nData, nName);
  if (nTool > 0) {
    Walk.nLine = nTool;
    Walk.nCut = nTool;  // at most 15 slots: within the cut
    Walk.iPos += past_tool_line(Walk.pLine, nTool);
    if (nName > 0) uRoles = header_roles(Walk, Walk.pLine, nTool, uRoles);
    Walk.uRoles = uRoles;
    if (is_split(Walk, uRoles, true)) {
      split_tool(Walk, nName, taken_values(Walk, uRoles));
    } else {
      clear_split();
    }
    return true;
  }
  Walk.iPos = cut_line(Walk.pData, Walk.nData, Walk.iPos, Walk.nLine);
  Walk.nCut = cut_length(Walk.nLine);
  const std::int32_t iStart = header_scan_start(Walk.pLine, Walk.nCut);
  if (iStart >= 0) uRoles = header_roles(Walk, Walk.pLine + iStart, Walk.nCut - iStart, uRoles);
  Walk.uRoles = uRoles;
  if (is_split(Walk, uRoles, iStart >= 0)) {
    split_line(Walk, taken_values(Walk, uRoles));
  } else {
    clear_split();
  }
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

// The line as the next raw line of the record that owes Owed (bit iBit of
// uOwed); a SCONMESH learns from its first how many follow (its count
// divided by 4, as its reader reads them).
void take_owed(RecordWalk& Walk, WalkOwed& Owed, std::int32_t iBit, WalkRole iRole,
               RecordKind iKind, WalkLine& Line) {
  fill_line(Walk, iRole, iKind, Line);
  Line.iHeaderLine = Owed.iHeaderLine;
  Line.iRawLine = ++Owed.nTaken;
  --Owed.nLeft;
  if (iRole == kWalkRaw && iKind == kRecordSconmesh && Owed.nTaken == 1) {
    Owed.nLeft = relation_lines_after_first(integer_value(Fields.values[1], 1));
  }
  Line.bRecordEnd = Owed.nLeft <= 0;
  if (Line.bRecordEnd) {
    Owed = WalkOwed{};
    Walk.uOwed &= ~bit(iBit);
  }
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
  if (nOwed > 0) {
    Walk.Owed[iKind] = WalkOwed{Walk.iLine, 0, nOwed};
    Walk.uOwed |= bit(iKind);
  }
}

// The node list a GELMNT1 header begins (a list still owed ends short).
void owe_node_list(RecordWalk& Walk) {
  const std::int32_t nNodes =
      listed_node_count(walk_integer(Fields.values[4]), walk_integer(Fields.values[5]));
  const std::int32_t nLines = nNodes / 4 + (nNodes % 4 != 0 ? 1 : 0);
  Walk.NodeList = nLines > 0 ? WalkOwed{Walk.iLine, 0, nLines} : WalkOwed{};
  Walk.nListNodes = nNodes;
  if (nLines > 0) {
    Walk.uOwed |= bit(kNodeListBit);
  } else {
    Walk.uOwed &= ~bit(kNodeListBit);
  }
}

// The next role of the walk's line, if it has one left.
bool next_role(RecordWalk& Walk, WalkLine& Line) {
  if (Walk.uRoles == 0) return false;
  const auto iBit = static_cast<std::int32_t>(std::countr_zero(Walk.uRoles));
  Walk.uRoles &= Walk.uRoles - 1;
  if (iBit < kRecordKinds) {
    const auto iKind = static_cast<RecordKind>(iBit);
    take_owed(Walk, Walk.Owed[iKind], iBit, kWalkRaw, iKind, Line);
  } else if (iBit == kNodeListBit) {
    take_owed(Walk, Walk.NodeList, kNodeListBit, kWalkNodeList, kRecordGelmnt1, Line);
  } else if (iBit == kHeaderBit) {
    fill_line(Walk, kWalkHeader, Walk.iHeader, Line);
    owe_after_header(Walk, Walk.iHeader);
    if (Walk.iHeader == kRecordGelmnt1) owe_node_list(Walk);
  } else {
    fill_line(Walk, kWalkCoordinates, kRecordKinds, Line);
  }
  return true;
}

// The next record the end of the file cut short, if any is left, in the
// order of the kinds.
bool next_cut_short(RecordWalk& Walk, WalkLine& Line) {
  const std::uint32_t uLeft = Walk.uOwed & kRawBits;
  if (uLeft == 0) return false;
  const auto iKind = static_cast<RecordKind>(std::countr_zero(uLeft));
  Walk.uOwed &= ~bit(iKind);
  WalkOwed& Owed = Walk.Owed[iKind];
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

}  // namespace

void begin_walk(RecordWalk& Walk, const char* pData, std::int64_t nData) {
  Walk = RecordWalk{};
  nWritten = MxFields;
  Walk.pData = pData;
  Walk.nData = pData == nullptr ? 0 : nData;
  Walk.iHeader = kRecordKinds;
}

bool next_walk_line(RecordWalk& Walk, WalkLine& Line) {
  while (!Walk.bEnded) {
    if (next_role(Walk, Line)) return true;
    if (!take_line(Walk)) Walk.bEnded = true;
  }
  return next_cut_short(Walk, Line);
}
