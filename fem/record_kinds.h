// The six record kinds Lablix reads, their names, and the header fields
// whose values their readers take: the record layouts as read.
#pragma once
#include <cstdint>

enum RecordKind : std::int32_t {
  kRecordGnode,
  kRecordTdnode,
  kRecordGelmnt1,
  kRecordTdsconc,
  kRecordSconcept,
  kRecordSconmesh,
  kRecordKinds
};

// The record names, compared on their own length.
inline constexpr const char* kRecordName[kRecordKinds] = {"GNODE",   "TDNODE",   "GELMNT1",
                                                          "TDSCONC", "SCONCEPT", "SCONMESH"};

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
