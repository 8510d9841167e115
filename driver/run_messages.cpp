#include "driver/run_messages.h"

#include <charconv>
#include <cstring>
#include <initializer_list>

#include "driver/dialogue.h"
#include "driver/run_file_open.h"
#include "platform/platform.h"
#include "support/text_helpers.h"

namespace {

// A line being built; pieces beyond its room are cut.
struct MessageLine {
  char Ch[4 * kAnswerLen];
  std::size_t n = 0;
};

void add_text(MessageLine& Line, const char* Ch, std::size_t nCh) {
  const std::size_t nRoom = sizeof Line.Ch - 1 - Line.n;
  if (nCh > nRoom) nCh = nRoom;
  std::memcpy(Line.Ch + Line.n, Ch, nCh);
  Line.n += nCh;
}

void add_text(MessageLine& Line, const char* Ch) {
  add_text(Line, Ch, std::strlen(Ch));
}

// An answer field, without its trailing blanks.
void add_field(MessageLine& Line, const char* ChField) {
  const std::int32_t n = trimmed_length(ChField, kAnswerLen);
  add_text(Line, ChField, static_cast<std::size_t>(n > 0 ? n : 0));
}

void add_number(MessageLine& Line, std::int64_t iValue) {
  char ChDigits[24];
  const char* pEnd = std::to_chars(ChDigits, ChDigits + sizeof ChDigits, iValue).ptr;
  add_text(Line, ChDigits, static_cast<std::size_t>(pEnd - ChDigits));
}

void write_message_line(MessageLine& Line) {
  Line.Ch[Line.n++] = '\n';
  write_to_stderr(Line.Ch, static_cast<std::int64_t>(Line.n));
}

MessageLine message_line_started() {
  MessageLine Line;
  add_text(Line, "lablix: ");
  return Line;
}

}  // namespace

void say(const char* ChPart1, const char* ChPart2, const char* ChPart3, const char* ChPart4,
         const char* ChPart5) {
  MessageLine Line = message_line_started();
  for (const char* ChPart : {ChPart1, ChPart2, ChPart3, ChPart4, ChPart5})
    add_text(Line, ChPart);
  write_message_line(Line);
}

void say_open_refused(const char* ChRole, const char* ChField, int iError) {
  MessageLine Line = message_line_started();
  add_text(Line, "cannot open the ");
  add_text(Line, ChRole);
  add_text(Line, " \"");
  add_field(Line, ChField);
  add_text(Line, "\": ");
  add_text(Line, run_file_refusal_words(iError));
  write_message_line(Line);
}

namespace {

// "FEM:LINE: <limit>: <ChOutput> "<name>" <ChVerb> the input-error report
// INP_210n<ChAfter>", or, when the limit is not known, the older general
// words ending in ChAfterUnknown.
void say_report_in(const char* ChFemField, const char* ChOutput, const char* ChOutField,
                   const char* ChVerb, const char* ChAfter, const char* ChAfterUnknown,
                   InputLimit iLimit, std::int64_t iLine) {
  MessageLine Line = message_line_started();
  if (iLimit == kLimitNone) {
    add_text(Line, ChOutput);
    add_text(Line, " \"");
    add_field(Line, ChOutField);
    add_text(Line, "\" ");
    add_text(Line, ChVerb);
    add_text(Line, " an input-error report");
    add_text(Line, ChAfterUnknown);
    return write_message_line(Line);
  }
  add_field(Line, ChFemField);
  if (iLine > 0) {
    add_text(Line, ":");
    add_number(Line, iLine);
  }
  add_text(Line, ": ");
  add_text(Line, input_limit_words(iLimit));
  add_text(Line, ": ");
  add_text(Line, ChOutput);
  add_text(Line, " \"");
  add_field(Line, ChOutField);
  add_text(Line, "\" ");
  add_text(Line, ChVerb);
  add_text(Line, " the input-error report ");
  add_text(Line, input_report_name(iLimit));
  add_text(Line, ChAfter);
  write_message_line(Line);
}

}  // namespace

void say_input_error(const char* ChFemField, const char* ChLabelField, InputLimit iLimit,
                     std::int64_t iLine) {
  say_report_in(ChFemField, "the label file", ChLabelField, "holds", "", " instead of labels",
                iLimit, iLine);
}

void say_page_input_error(const char* ChFemField, const char* ChPageField, InputLimit iLimit,
                          std::int64_t iLine) {
  say_report_in(ChFemField, "the page", ChPageField, "shows", " instead of the model",
                " instead of the model", iLimit, iLine);
}

void say_if_no_labels(const char* ChFemField, const char* ChLabelField, const NameTables& Tables,
                      const LabelCounts& Counts) {
  if (Counts.nNodeLabels > 0 || Counts.nElementLabels > 0) return;
  MessageLine Line = message_line_started();
  add_text(Line, "the label file \"");
  add_field(Line, ChLabelField);
  add_text(Line, "\" holds no labels: ");
  const bool bNoRecords = Tables.nNodes == 0 && Tables.nNodeNames == 0 && Tables.nElems == 0 &&
                          Tables.nNames == 0 && Tables.nMesh == 0;
  if (bNoRecords) {
    add_text(Line, "\"");
    add_field(Line, ChFemField);
    add_text(Line, "\" holds no SESAM records that Lablix reads (is it a FEM file?)");
  } else {
    add_text(Line, "the FEM file has no named nodes (TDNODE) and no named members with elements");
  }
  write_message_line(Line);
}

void say_written(const char* ChLabelField, const LabelCounts& Counts, const char* ChListingField) {
  MessageLine Line = message_line_started();
  add_text(Line, "wrote ");
  add_field(Line, ChLabelField);
  add_text(Line, " (");
  add_number(Line, Counts.nNodeLabels);
  add_text(Line, Counts.nNodeLabels == 1 ? " node label, " : " node labels, ");
  add_number(Line, Counts.nElementLabels);
  add_text(Line, Counts.nElementLabels == 1 ? " element label)" : " element labels)");
  if (ChListingField != nullptr) {
    add_text(Line, " and ");
    add_field(Line, ChListingField);
  }
  write_message_line(Line);
}
