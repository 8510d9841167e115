// The input-error reports that a reader leaves in the label file when the
// FEM file breaks one of its limits, and the line writer that puts them there.
#pragma once
#include <cstdint>

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
