#include "driver/label_header.h"

#include <cstring>
#include <string_view>

#include "driver/dialogue.h"
#include "support/file_units.h"
#include "support/text_helpers.h"

namespace {

constexpr const char* kFrame[] = {
    "# =========================================", "# ----          L  a  b  l  i  x       ----",
    "# ----             Version 1.1         ----", "# ----                                 ----",
    "# -----------------------------------------",
};

constexpr std::int32_t kFrameWidth = 43;
static_assert([] {
  for (std::string_view Frame : kFrame) {
    if (Frame.size() != kFrameWidth) return false;
  }
  return true;
}());

void write_literal_then_text(std::int32_t iUnit, const char* ChLiteral, const char* ChText,
                             std::int32_t nText) {
  char ChLine[32 + kAnswerLen];
  const auto nLiteral = static_cast<std::int32_t>(std::strlen(ChLiteral));
  std::memcpy(ChLine, ChLiteral, static_cast<std::size_t>(nLiteral));
  const std::int32_t nTrimmed = trimmed_length(ChText, nText);
  std::memcpy(ChLine + nLiteral, ChText, static_cast<std::size_t>(nTrimmed));
  write_line(iUnit, ChLine, nLiteral + nTrimmed);
}

void write_summary(std::int32_t iUnit, const char* ChLabel, std::int32_t iValue) {
  constexpr std::int32_t kLabelWidth = 26;
  char ChLine[kLabelWidth + kNumberWidth];
  std::memcpy(ChLine, ChLabel, kLabelWidth);
  put_integer(ChLine + kLabelWidth, kNumberWidth, iValue);
  write_line(iUnit, ChLine, sizeof ChLine);
}

}  // namespace

void write_label_header(std::int32_t iUnit, const char* ChDate, const char* ChFemName,
                        const NameTables& Tables) {
  for (const char* ChFrame : kFrame)
    write_line(iUnit, ChFrame, kFrameWidth);
  write_literal_then_text(iUnit, "# Executed", ChDate, kAnswerLen);
  write_literal_then_text(iUnit, "# SESAM File    : ", ChFemName, kAnswerLen);
  write_line(iUnit, "#", 1);
  write_run_summary(iUnit, Tables);
  write_line(iUnit, "", 0);
}

void write_run_summary(std::int32_t iUnit, const NameTables& Tables) {
  write_summary(iUnit, "# Number of Names Node  : ", Tables.nNodeNames);
  write_summary(iUnit, "# Number of Nodes       : ", Tables.nNodes);
  write_summary(iUnit, "# Number of Names Memb  : ", Tables.nNames);
  write_summary(iUnit, "# Number of Elements    : ", Tables.nElems);
  write_summary(iUnit, "# Number of Mesh        : ", Tables.nMesh);
  write_summary(iUnit, "# Highest Mesh Ref No   : ", Tables.MaxMeshRef);
  write_summary(iUnit, "# Highest Memb Ref No   : ", Tables.MaxMembRef);
}
