#include "driver/run_messages.h"

#include <charconv>
#include <cstring>
#include <initializer_list>

#include "driver/dialogue.h"
#include "driver/run_file_open.h"
#include "support/platform.h"
#include "support/text_helpers.h"

namespace {

// A line being built; pieces beyond its room are cut.
struct MessageLine {
  char Ch[4 * kAnswerLen];
  std::size_t n = 0;
};

void add(MessageLine& L, const char* Ch, std::size_t nCh) {
  const std::size_t nRoom = sizeof L.Ch - 1 - L.n;
  if (nCh > nRoom) nCh = nRoom;
  std::memcpy(L.Ch + L.n, Ch, nCh);
  L.n += nCh;
}

void add(MessageLine& L, const char* Ch) {
  add(L, Ch, std::strlen(Ch));
}

// An answer field, without its trailing blanks.
void add_field(MessageLine& L, const char* ChField) {
  const std::int32_t n = trimmed_length(ChField, kAnswerLen);
  add(L, ChField, static_cast<std::size_t>(n > 0 ? n : 0));
}

void add_number(MessageLine& L, std::int64_t iValue) {
  char ChDigits[24];
  const char* pEnd = std::to_chars(ChDigits, ChDigits + sizeof ChDigits, iValue).ptr;
  add(L, ChDigits, static_cast<std::size_t>(pEnd - ChDigits));
}

void send(MessageLine& L) {
  L.Ch[L.n++] = '\n';
  write_to_stderr(L.Ch, static_cast<std::int64_t>(L.n));
}

MessageLine start() {
  MessageLine L;
  add(L, "lablix: ");
  return L;
}

}  // namespace

void say(const char* ChPart1, const char* ChPart2, const char* ChPart3, const char* ChPart4,
         const char* ChPart5) {
  MessageLine L = start();
  for (const char* ChPart : {ChPart1, ChPart2, ChPart3, ChPart4, ChPart5})
    add(L, ChPart);
  send(L);
}

void say_open_refused(const char* ChRole, const char* ChField, int iError) {
  MessageLine L = start();
  add(L, "cannot open the ");
  add(L, ChRole);
  add(L, " \"");
  add_field(L, ChField);
  add(L, "\": ");
  add(L, run_file_refusal_words(iError));
  send(L);
}

void say_input_error(const char* ChFemField, const char* ChLabelField, InputLimit iLimit,
                     std::int64_t iLine) {
  MessageLine L = start();
  if (iLimit == kLimitNone) {
    add(L, "the label file \"");
    add_field(L, ChLabelField);
    add(L, "\" holds an input-error report instead of labels");
    return send(L);
  }
  add_field(L, ChFemField);
  if (iLine > 0) {
    add(L, ":");
    add_number(L, iLine);
  }
  add(L, ": ");
  add(L, input_limit_words(iLimit));
  add(L, ": the label file \"");
  add_field(L, ChLabelField);
  add(L, "\" holds the input-error report ");
  add(L, input_report_name(iLimit));
  send(L);
}

void say_if_no_labels(const char* ChFemField, const char* ChLabelField, const NameTables& Tables,
                      const LabelCounts& Counts) {
  if (Counts.nNodeLabels > 0 || Counts.nElementLabels > 0) return;
  MessageLine L = start();
  add(L, "the label file \"");
  add_field(L, ChLabelField);
  add(L, "\" holds no labels: ");
  const bool bNoRecords = Tables.nNodes == 0 && Tables.nNodeNames == 0 && Tables.nElems == 0 &&
                          Tables.nNames == 0 && Tables.nMesh == 0;
  if (bNoRecords) {
    add(L, "\"");
    add_field(L, ChFemField);
    add(L, "\" holds no SESAM records that Lablix reads (is it a FEM file?)");
  } else {
    add(L, "the FEM file has no named nodes (TDNODE) and no named members with elements");
  }
  send(L);
}

void say_written(const char* ChLabelField, const LabelCounts& Counts, const char* ChListingField) {
  MessageLine L = start();
  add(L, "wrote ");
  add_field(L, ChLabelField);
  add(L, " (");
  add_number(L, Counts.nNodeLabels);
  add(L, Counts.nNodeLabels == 1 ? " node label, " : " node labels, ");
  add_number(L, Counts.nElementLabels);
  add(L, Counts.nElementLabels == 1 ? " element label)" : " element labels)");
  if (ChListingField != nullptr) {
    add(L, " and ");
    add_field(L, ChListingField);
  }
  send(L);
}
