#include "driver/run_messages.h"

#include <initializer_list>

#include "driver/dialogue.h"
#include "driver/run_file_open.h"
#include "fem/record_kinds.h"
#include "platform/platform.h"
#include "support/line_builder.h"
#include "support/text_helpers.h"

namespace {

// A message's text, cut before its line feed: room for several whole
// answer fields.
constexpr std::int32_t MxMessageLen = 4 * kAnswerLen - 1;
static_assert(MxMessageLen <= MxLineLen);

// An answer field, without its trailing blanks.
void put_field(LineBuilder& Line, const char* ChField) {
  put_chars(Line, ChField, trimmed_length(ChField, kAnswerLen));
}

void start_message(LineBuilder& Line) {
  start_line(Line, MxMessageLen);
  put_text(Line, "lablix: ");
}

void write_message_line(LineBuilder& Line) {
  put_line_feed(Line);
  write_to_stderr(Line.Ch, static_cast<std::int64_t>(Line.n));
}

}  // namespace

void say(const char* ChPart1, const char* ChPart2, const char* ChPart3, const char* ChPart4,
         const char* ChPart5) {
  LineBuilder Line;
  start_message(Line);
  for (const char* ChPart : {ChPart1, ChPart2, ChPart3, ChPart4, ChPart5})
    put_text(Line, ChPart);
  write_message_line(Line);
}

void say_open_refused(const char* ChRole, const char* ChField, int iError) {
  LineBuilder Line;
  start_message(Line);
  put_text(Line, "cannot open the ");
  put_text(Line, ChRole);
  put_text(Line, " \"");
  put_field(Line, ChField);
  put_text(Line, "\": ");
  put_text(Line, run_file_refusal_words(iError));
  write_message_line(Line);
}

namespace {

// "FEM:LINE: <limit>: <ChOutput> "<name>" <ChVerb> the input-error report
// INP_210n<ChAfter>", or, when the limit is not known, the older general
// words ending in ChAfterUnknown.
void say_report_in(const char* ChFemField, const char* ChOutput, const char* ChOutField,
                   const char* ChVerb, const char* ChAfter, const char* ChAfterUnknown,
                   InputLimit iLimit, std::int64_t iLine) {
  LineBuilder Line;
  start_message(Line);
  if (iLimit == kLimitNone) {
    put_text(Line, ChOutput);
    put_text(Line, " \"");
    put_field(Line, ChOutField);
    put_text(Line, "\" ");
    put_text(Line, ChVerb);
    put_text(Line, " an input-error report");
    put_text(Line, ChAfterUnknown);
    return write_message_line(Line);
  }
  put_field(Line, ChFemField);
  if (iLine > 0) {
    put_text(Line, ":");
    put_number(Line, iLine);
  }
  put_text(Line, ": ");
  put_text(Line, input_limit_words(iLimit));
  put_text(Line, ": ");
  put_text(Line, ChOutput);
  put_text(Line, " \"");
  put_field(Line, ChOutField);
  put_text(Line, "\" ");
  put_text(Line, ChVerb);
  put_text(Line, " the input-error report ");
  put_text(Line, input_report_name(iLimit));
  put_text(Line, ChAfter);
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
  LineBuilder Line;
  start_message(Line);
  put_text(Line, "the label file \"");
  put_field(Line, ChLabelField);
  put_text(Line, "\" holds no labels: ");
  const bool bNoRecords = Tables.nNodes == 0 && Tables.nNodeNames == 0 && Tables.nElems == 0 &&
                          Tables.nNames == 0 && Tables.nMesh == 0;
  if (bNoRecords) {
    put_text(Line, "\"");
    put_field(Line, ChFemField);
    put_text(Line, "\" holds no SESAM records that Lablix reads (is it a FEM file?)");
  } else {
    put_text(Line, "the FEM file has no named nodes (");
    put_text(Line, kRecordName[kRecordTdnode]);
    put_text(Line, ") and no named members with elements");
  }
  write_message_line(Line);
}

void say_written(const char* ChLabelField, const LabelCounts& Counts, const char* ChListingField) {
  LineBuilder Line;
  start_message(Line);
  put_text(Line, "wrote ");
  put_field(Line, ChLabelField);
  put_text(Line, " (");
  put_number(Line, Counts.nNodeLabels);
  put_text(Line, Counts.nNodeLabels == 1 ? " node label, " : " node labels, ");
  put_number(Line, Counts.nElementLabels);
  put_text(Line, Counts.nElementLabels == 1 ? " element label)" : " element labels)");
  if (ChListingField != nullptr) {
    put_text(Line, " and ");
    put_field(Line, ChListingField);
  }
  write_message_line(Line);
}
