#include "driver/label_header.h"

#include <cstring>
#include <iterator>
#include <string_view>

#include "driver/dialogue.h"
#include "files/file_units.h"
#include "support/line_builder.h"
#include "support/text_helpers.h"

namespace {

constexpr const char* kFrame[] = {
    kLabelFirstLine,
    "# ----          L  a  b  l  i  x       ----",
    "# ----                                 ----",
    "# ----                                 ----",
    "# -----------------------------------------",
};

constexpr std::int32_t kFrameWidth = 43;
static_assert([] {
  for (std::string_view Frame : kFrame) {
    if (Frame.size() != kFrameWidth) return false;
  }
  return true;
}());
// The frame line that holds kLabelVersion, and where the version stands.
constexpr std::int32_t kFrameVersionLine = 2;
constexpr std::int32_t kFrameVersionAt = 19;
static_assert(kFrameVersionAt + sizeof kLabelVersion - 1 < kFrameWidth - 4);

void write_literal_then_text(std::int32_t iUnit, const char* ChLiteral, const char* ChText,
                             std::int32_t nText) {
  char ChLine[32 + kAnswerLen];
  const auto nLiteral = static_cast<std::int32_t>(std::strlen(ChLiteral));
  std::memcpy(ChLine, ChLiteral, static_cast<std::size_t>(nLiteral));
  const std::int32_t nTrimmed = trimmed_length(ChText, nText);
  std::memcpy(ChLine + nLiteral, ChText, static_cast<std::size_t>(nTrimmed));
  write_line(iUnit, ChLine, nLiteral + nTrimmed);
}

constexpr std::int32_t kLabelWidth = 26;
constexpr std::int32_t kSummaryWidth = kLabelWidth + kNumberWidth;
constexpr std::int32_t kSummaryLines = 7;
constexpr const char* kSummaryLabel[kSummaryLines] = {
    "# Number of Names Node  : ", "# Number of Nodes       : ", "# Number of Names Memb  : ",
    "# Number of Elements    : ", "# Number of Mesh        : ", "# Highest Mesh Ref No   : ",
    "# Highest Memb Ref No   : ",
};

// The words of summary label k, without "# Number of " and the colon:
// "Names Node", "Highest Mesh Ref No".
void put_summary_words(std::int32_t k, LineBuilder& Line) {
  const char* ChLabel = kSummaryLabel[k];
  constexpr char kNumberOf[] = "# Number of ";
  const char* p = std::strncmp(ChLabel, kNumberOf, sizeof kNumberOf - 1) == 0
                      ? ChLabel + sizeof kNumberOf - 1
                      : ChLabel + 2;
  const char* pEnd = ChLabel + kLabelWidth - 2;  // the label ends in ": "
  while (pEnd > p && pEnd[-1] == ' ')
    --pEnd;
  put_chars(Line, p, static_cast<std::int32_t>(pEnd - p));
}

// Summary line k (0 to 6) of Tables into ChLine (kSummaryWidth characters).
std::int32_t summary_value(std::int32_t k, const NameTables& Tables) {
  const std::int32_t iValue[kSummaryLines] = {
      Tables.nNodeNames, Tables.nNodes,     Tables.nNames,     Tables.nElems,
      Tables.nMesh,      Tables.MaxMeshRef, Tables.MaxMembRef,
  };
  return iValue[k];
}

void build_summary_line(std::int32_t k, const NameTables& Tables, char* ChLine) {
  std::memcpy(ChLine, kSummaryLabel[k], kLabelWidth);
  put_integer(ChLine + kLabelWidth, kNumberWidth, summary_value(k, Tables));
}

}  // namespace

void write_label_header(std::int32_t iUnit, const char* ChDate, const char* ChFemName,
                        const NameTables& Tables) {
  for (std::int32_t i = 0; i < static_cast<std::int32_t>(std::size(kFrame)); ++i) {
    if (i != kFrameVersionLine) {
      write_line(iUnit, kFrame[i], kFrameWidth);
      continue;
    }
    char ChLine[kFrameWidth];
    std::memcpy(ChLine, kFrame[i], kFrameWidth);
    std::memcpy(ChLine + kFrameVersionAt, kLabelVersion, sizeof kLabelVersion - 1);
    write_line(iUnit, ChLine, kFrameWidth);
  }
  write_literal_then_text(iUnit, "# Executed", ChDate, kAnswerLen);
  write_fem_name_line(iUnit, ChFemName);
  write_line(iUnit, "#", 1);
  write_run_summary(iUnit, Tables);
  write_line(iUnit, "", 0);
}

void write_fem_name_line(std::int32_t iUnit, const char* ChFemName) {
  write_literal_then_text(iUnit, "# SESAM File    : ", ChFemName, kAnswerLen);
}

void write_run_summary(std::int32_t iUnit, const NameTables& Tables) {
  char ChLine[kSummaryWidth];
  for (std::int32_t k = 0; k < kSummaryLines; ++k) {
    build_summary_line(k, Tables, ChLine);
    write_line(iUnit, ChLine, sizeof ChLine);
  }
}

void write_run_summary_text(std::int32_t iUnit, const NameTables& Tables, const char* ChLineEnd) {
  const auto nEnd = static_cast<std::int32_t>(std::strlen(ChLineEnd));
  char ChLine[kSummaryWidth + 2];
  for (std::int32_t k = 0; k < kSummaryLines && nEnd <= 2; ++k) {
    build_summary_line(k, Tables, ChLine);
    std::memcpy(ChLine + kSummaryWidth, ChLineEnd, static_cast<std::size_t>(nEnd));
    write_text(iUnit, ChLine, kSummaryWidth + nEnd);
  }
}

void write_run_summary_line(std::int32_t iUnit, const char* ChName, std::int32_t nName,
                            const NameTables& Tables, const char* ChLineEnd) {
  // The name, then for each count its words, a blank and its digits.
  LineBuilder Line;
  put_chars(Line, ChName, nName < kAnswerLen ? nName : kAnswerLen);
  for (std::int32_t k = 0; k < kSummaryLines; ++k) {
    put_text(Line, k == 0 ? ": " : ", ");
    put_summary_words(k, Line);
    put_text(Line, " ");
    put_number(Line, summary_value(k, Tables));
  }
  if (std::strlen(ChLineEnd) > 2) return;
  put_text(Line, ChLineEnd);
  write_text(iUnit, Line.Ch, Line.n);
}
