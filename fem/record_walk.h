// One walk over the lines of the FEM file that follows every record kind
// at once, by the readers' own rules: a header is a line that the header
// scan of its kind takes (comment lines with "$", "#" or "!" in column 1
// and lines blank in their first 256 columns are passed over; the record
// name is matched on its own length in field 1), and the lines a record
// reads raw after its header (the name line of TDNODE and TDSCONC, the data
// line of SCONCEPT, the data lines of a SCONMESH whose fields 4 and 5 are 1
// and 2: one, then its count divided by 4) are taken whatever stands there.
// A line a record reads raw is no header of that record's kind; it may be a
// header of another kind, whose pass does not read it raw. Both layouts,
// CR LF and the cut at 256 are the scanner's.
//
// Beyond the six kinds, for drawing the model: GCOORD headers, and the node
// list of each GELMNT1 on the lines after its header, as many as its
// element type's node count needs, four a line (fem/element_types.h). A
// node-list line is taken whatever stands there too, and hides no header.
//
// The check and the view walk the file so, after the readers have filled
// the tables; a normal run never does. Pull by pull, one step per role of
// a line: a line that is raw for one record and a header of another comes
// twice, raw first. Not re-entrant: the split handed out is the walk's.
#pragma once
#include <cstdint>

#include "fem/field_splitter.h"
#include "fem/record_kinds.h"

enum WalkRole : std::int32_t {
  kWalkHeader,       // a header of kind iKind
  kWalkRaw,          // line iRawLine of the record of kind iKind begun at iHeaderLine
  kWalkNodeList,     // line iRawLine of the node list of the GELMNT1 at iHeaderLine
  kWalkCoordinates,  // a GCOORD header (iKind is kRecordKinds)
  kWalkCutShort      // no line: the file ends before the record of kind iKind at
                     // iHeaderLine has its raw lines (a node list cut short comes
                     // as none: it is simply shorter)
};

// One step of the walk.
struct WalkLine {
  WalkRole iRole;
  RecordKind iKind;
  std::int64_t iLine;  // the line's number from 1; for kWalkCutShort the header's
  const char* pLine;   // the line, nLine characters, terminator excluded
  std::int64_t nLine;
  std::int32_t nCut;         // how many of them the readers look at (at most 256)
  std::int64_t iHeaderLine;  // the line of the header of the record the line is part of
  std::int32_t iRawLine;     // raw and node-list lines: which line after the header, from 1
  bool bRecordEnd;           // raw and node-list lines: the record's last line
  // The line's first nCut characters split, values of missing and text
  // fields 0. Only headers, data lines and node-list lines are split, and
  // only lines the readers split too: on a name line (TDNODE, TDSCONC raw)
  // that is no header, and on a comment or blank node-list line, count is
  // 0. Kinds and texts are there for every field, but values only for the
  // fields that a role of the line gives a meaning to (as the readers'
  // passes convert only the values they take, fem/record_kinds.h), the
  // others reading as 0, in both layouts alike: field 3 of a GNODE,
  // TDNODE, TDSCONC or SCONCEPT header; 3 to 5 of a GELMNT1 or SCONMESH
  // header; 2 to 5 of a GCOORD header; the node numbers on a node-list
  // line, not its zero padding; field 1 of a relation's first data line
  // (its count), and no field of its other data lines or of a SCONCEPT's
  // data line.
  const LineFields* pFields;
};

// What a record expects next: the raw lines it has taken and those still
// owed (a SCONMESH learns how many more from its first).
struct WalkOwed {
  std::int64_t iHeaderLine;  // 0: nothing owed
  std::int32_t nTaken;
  std::int32_t nLeft;
};

// The walk's place. Set up by begin_walk; the caller keeps it between calls.
struct RecordWalk {
  const char* pData;
  std::int64_t nData;
  std::int64_t iPos;   // where the next line starts
  std::int64_t iLine;  // the line under way (0 before the first)
  const char* pLine;
  std::int64_t nLine;
  std::int32_t nCut;
  RecordKind iHeader;  // its header kind (kRecordKinds: none)
  // The roles of the line not yet handed out, one bit each in the order
  // they are handed out: bit k (below kRecordKinds) a raw line of kind k,
  // then a node-list line, a header, a GCOORD header.
  std::uint32_t uRoles;
  std::uint32_t uOwed;  // bit k: Owed[k] is under way; bit kRecordKinds: NodeList is
  bool bEnded;          // the lines are over
  WalkOwed Owed[kRecordKinds];
  WalkOwed NodeList;
  std::int32_t nListNodes;  // the numbers in NodeList's list, padding excluded
};

// Starts a walk over the nData bytes at pData (the FEM file's contents).
void begin_walk(RecordWalk& Walk, const char* pData, std::int64_t nData);

// The integer meaning of a value that only drawing takes (an element type,
// a node number): as the readers round it, but 0 where a value the readers
// take would stop the run (outside 32 bits, not a number). Inline: drawing
// takes one for every node of every element.
inline std::int32_t walk_integer(double Value) {
  // The bounds of 32 bits as the readers round: halves away from zero.
  if (!(Value > -2147483648.5 && Value < 2147483647.5)) return 0;
  return integer_value(Value, 0);
}

// The next step of the walk into Line. False when the walk is over: after
// the last line come the records it cut short, then nothing.
bool next_walk_line(RecordWalk& Walk, WalkLine& Line);
