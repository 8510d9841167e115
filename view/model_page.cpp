#include "view/model_page.h"

#include <cstring>
#include <string_view>

#include "check/model_check.h"
#include "fem/input_errors.h"
#include "files/file_units.h"
#include "view/page_data.h"
#include "view/page_text.h"
#include "view_page_source.h"

namespace {

static_assert(
    [] {
      const std::string_view Head = kPageHead;
      const std::string_view First = kPageFirstLine;
      return Head.starts_with(First) && Head.size() > First.size() && Head[First.size()] == '\n';
    }(),
    "the page's head begins with the line that tells a page");

// The page up to the findings' list in its data: the HTML head, the style,
// the start of the data element and the facts of the run.
void begin_page(std::int32_t iUnit, const PageFacts& Facts) {
  write_page_text(iUnit, kPageHead);
  write_page_text(iUnit, "<style>\n");
  write_page_text(iUnit, kPageStyle);
  write_page_text(iUnit, "</style>");
  write_page_text(iUnit, kPageBody);
  write_page_text(iUnit, "<script type=\"application/json\" id=\"lablix-data\">{\n\"file\":");
  write_json_string(iUnit, Facts.ChFile, Facts.nFile);
  write_page_text(iUnit, ",\n\"date\":");
  write_json_string(iUnit, Facts.ChDate, Facts.nDate);
  write_page_text(iUnit, ",\n\"findings\":[");
}

// One line of the findings as an entry of their list; bFirst: none before it.
void write_finding(std::int32_t iUnit, bool& bFirst, const char* ChText, std::int32_t nText) {
  write_page_text(iUnit, bFirst ? "\n" : ",\n");
  bFirst = false;
  write_json_string(iUnit, ChText, nText);
}

// The report the reader left where the label file would hold it, line by
// line, and the limit in the user's words.
void write_report(std::int32_t iUnit, const FemFile& Fem) {
  static char ChMessage[kMessageLen];
  if (Fem.iLimitBroken == kLimitNodeNumber) {
    compose_inp2101(ChMessage);
  } else if (Fem.iLimitBroken >= kLimitMeshNumber) {
    compose_inp2103(ChMessage);
  } else {
    compose_inp2102(ChMessage, Fem.pLine, Fem.pLine == nullptr ? 0 : Fem.nLine);
  }
  write_page_text(iUnit, "\"limit\":");
  const char* ChWords = input_limit_words(Fem.iLimitBroken);
  write_json_string(iUnit, ChWords, static_cast<std::int32_t>(std::strlen(ChWords)));
  write_page_text(iUnit, ",\n\"report\":[");
  std::int32_t nMessage = kMessageLen;
  while (nMessage > 0 && ChMessage[nMessage - 1] == ' ')
    --nMessage;
  std::int32_t iStart = 0;
  for (std::int32_t i = 0; i <= nMessage; ++i) {
    if (i < nMessage && ChMessage[i] != '\n') continue;
    if (iStart > 0) write_page_text(iUnit, ",");
    write_json_string(iUnit, ChMessage + iStart, i - iStart);
    iStart = i + 1;
  }
  write_page_text(iUnit, "],\n");
}

// The rest: the end of the data element, the script, the end of the page.
void end_page(std::int32_t iUnit) {
  write_page_words(iUnit);
  write_page_text(iUnit, "\"end\":0}\n</script>\n<script>\n");
  for (const char* ChPart : kPageScriptParts)
    write_page_text(iUnit, ChPart);
  write_page_text(iUnit, "</script>");
  write_page_text(iUnit, kPageTail);
}

}  // namespace

int write_model_page(const NameTables& Tables, ModelGeometry& Geometry, const FemFile& Fem,
                     bool bReaderFailed, std::int32_t iUnitPage, const PageFacts& Facts) {
  begin_page(iUnitPage, Facts);
  FindingLines Walk;
  (void)begin_check_lines(Tables, Fem, bReaderFailed, Facts.ChFile, Facts.nFile, Geometry, Walk);
  // static: a line of the findings at a time; this writer is not re-entrant.
  static LineBuilder Line;
  bool bFirst = true;
  while (next_finding_line(Walk, Line))
    write_finding(iUnitPage, bFirst, Line.Ch, Line.n);
  write_page_text(iUnitPage, "],\n");
  if (bReaderFailed) {
    write_report(iUnitPage, Fem);
    write_name_data(iUnitPage, Tables);
    end_page(iUnitPage);
    return 1;
  }
  write_model_data(iUnitPage, Tables, Geometry);
  end_page(iUnitPage);
  return 0;
}

void write_page_of(std::int32_t iUnitPage, const NameTables& Tables, const ModelGeometry& Geometry,
                   const PageFacts& Facts, const char* ChFindings, std::int32_t nFindings) {
  begin_page(iUnitPage, Facts);
  bool bFirst = true;
  const char* p = ChFindings;
  for (std::int32_t i = 0; i < nFindings; ++i) {
    const char* pEnd = std::strchr(p, '\n');
    const std::int32_t n = static_cast<std::int32_t>(pEnd == nullptr ? std::strlen(p) : pEnd - p);
    write_finding(iUnitPage, bFirst, p, n);
    p += n + (pEnd == nullptr ? 0 : 1);
  }
  write_page_text(iUnitPage, "],\n");
  write_model_data(iUnitPage, Tables, Geometry);
  end_page(iUnitPage);
}
