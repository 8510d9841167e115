// The input-error reports that a reader leaves in the label file when the
// FEM file breaks one of its limits, and the line writer that puts them there.
#pragma once
#include <cstdint>

// The limit a reader found broken when it wrote its report, for the line on
// standard error that tells the user which limit and where.
enum InputLimit : std::int32_t {
  kLimitNone,
  kLimitNodeNumber,        // INP_2101: a GNODE internal node number above the table
  kLimitElementNumber,     // INP_2102: a GELMNT1 internal element number above the table
  kLimitMemberNumber,      // INP_2102: a TDSCONC member number above the table
  kLimitMemberNames,       // INP_2102: more TDSCONC names than the table holds
  kLimitConceptMember,     // INP_2102: a SCONCEPT member number above the table
  kLimitMeshNumber,        // INP_2103: a SCONMESH mesh reference above the table
  kLimitMeshCount,         // INP_2103: more SCONMESH relations than the table holds
  kLimitMeshRecordLength,  // INP_2103: a SCONMESH field 2 above the row length less 2
  kLimitMeshElements,      // INP_2103: more element numbers than a row holds
};

// The limit in the user's words, with the program's limits and the record
// ("more than 100000 nodes (GNODE)"); "" for kLimitNone.
const char* input_limit_words(InputLimit iLimit);

// The report's name ("INP_2101"); "" for kLimitNone.
const char* input_report_name(InputLimit iLimit);

inline constexpr std::int32_t kMessageLen = 256;

// Writes the first nLen characters of ChMessage without their trailing
// blanks as one line to iUnit (an all-blank message gives an empty line).
void write_message_line(std::int32_t iUnit, const char* ChMessage, std::int32_t nLen);

// Composes the node reader's report in the 256-character ChMessage:
// "*** ERROR IN INP_2101       ***", then blanks.
void compose_inp2101(char* ChMessage);

// Composes the member reader's report in the 256-character ChMessage:
// "*** ERROR IN INP_2102       ***", a line feed, "Last Input Line: ", and
// the line (its first nLine characters, trailing blanks dropped), all cut
// to 256 characters and padded with blanks. Written as one line, the line
// feed shows it as two.
void compose_inp2102(char* ChMessage, const char* ChLine, std::int32_t nLine);

// Composes the mesh reader's report in the 256-character ChMessage:
// "*** ERROR IN INP_2103       ***", then blanks.
void compose_inp2103(char* ChMessage);
