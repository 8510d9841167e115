// The six record kinds Lablix reads, their names, and the header fields
// whose values their readers take: the record layouts as read. Every part
// of the scanner that recognises a record name reads it from this table,
// so a seventh kind is one line here and its reader.
#pragma once
#include <cstdint>

// How much of a line the readers look at: a longer line is read by its
// first 256 characters.
inline constexpr std::int32_t kLineLen = 256;

enum RecordKind : std::int32_t {
  kRecordGnode,
  kRecordTdnode,
  kRecordGelmnt1,
  kRecordTdsconc,
  kRecordSconcept,
  kRecordSconmesh,
  kRecordKinds
};

// The record names, compared on their own length. A name takes at most 8
// characters: in the tool layout it is compared as one word of 8.
inline constexpr std::int32_t MxRecordName = 8;
inline constexpr char kRecordName[kRecordKinds][MxRecordName + 1] = {
    "GNODE", "TDNODE", "GELMNT1", "TDSCONC", "SCONCEPT", "SCONMESH"};

constexpr std::int32_t record_name_length(RecordKind iKind) {
  std::int32_t n = 0;
  while (n < MxRecordName && kRecordName[iKind][n] != '\0')
    ++n;
  return n;
}

// The fields of a header line (field 1 is the record name) whose values the
// readers take, by record kind. The scanner converts these and no others on
// a header in the tool layout (the others read 0): a header of a large
// model converts two slots instead of four. A reader that comes to take
// another header field must have it named here; the scanner's tests read
// every kind in the tool layout and in any other against each other.
struct HeaderValues {
  std::int32_t iFirst;
  std::int32_t iLast;
};
inline constexpr HeaderValues kHeaderValues[kRecordKinds] = {
    {2, 3},  // GNODE: external and internal node number
    {3, 3},  // TDNODE: internal node number
    {2, 3},  // GELMNT1: external and internal element number
    {3, 3},  // TDSCONC: member number
    {3, 5},  // SCONCEPT: member number, definition slots 1 and 2
    {2, 5},  // SCONMESH: row length, mesh reference, the two selector fields
};

// SCONMESH: a relation is read only when fields 4 and 5 of its header are 1
// and 2; otherwise it is passed over, data lines and all.
constexpr bool is_read_relation(std::int32_t iField4, std::int32_t iField5) {
  return iField4 == 1 && iField5 == 2;
}

// SCONMESH: the data lines after the first (which holds the count nCount
// and three element numbers), four element numbers a line: nCount / 4, the
// remainder dropped.
constexpr std::int32_t relation_lines_after_first(std::int32_t nCount) {
  return nCount / 4;
}

// The node coordinates: a record no reader of a run looks for, read only to
// draw the model (fem/record_walk.h).
inline constexpr char kCoordRecordName[MxRecordName + 1] = "GCOORD";
