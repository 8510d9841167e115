// The findings of a model check (lablix --check): one line each, saying
// where the label file will not show what the modeller meant. They are
// gathered while the check looks at the file and at the tables, then
// written sorted by line, compiler style:
//
//   FILE:LINE: RECORD: what is wrong, and what the label file will show
//
// Fixed storage taken once when the check starts; nothing per finding.
#pragma once
#include <cstdint>

#include "support/line_builder.h"

// The longest finding text ("RECORD: ..."), names and quoted fields included.
inline constexpr std::int32_t kFindingLen = 600;
static_assert(kFindingLen <= MxLineLen);

struct Finding {
  std::int64_t iLine;
  std::int64_t iAt;  // its text in the pool
  std::int32_t iSeq;
  std::int32_t nText;
};

// The findings kept (nHeld, at most nMx) and all found (nFound): a model
// with more findings than the store holds is told how many are not shown.
struct FindingStore {
  Finding* Items;
  char* ChPool;
  std::int32_t nMx;
  std::int32_t nHeld;
  std::int64_t nFound;
  std::int64_t nPoolUsed;
};

// One finding's text while it is built: a line builder that begin_text
// starts with "RECORD: " and cuts at kFindingLen; the pieces after it are
// put with the builder's put_text, put_chars, put_number and put_quoted.
using FindingText = LineBuilder;

// Takes the store's memory (address space; a page costs only when
// written). False when it cannot be had.
bool create_finding_store(FindingStore& Store);

// Starts a finding's text with the record name and ": ".
void begin_text(FindingText& Text, const char* ChRecord);

// Keeps the finding Text for line iLine.
void add_finding(FindingStore& Store, std::int64_t iLine, const FindingText& Text);

// Writes the findings to iUnit sorted by line (in the order found within a
// line), each as "FILE:LINE: " and its text with ChFile the nFile
// characters of the FEM file's name, then the closing line: "N findings",
// "1 finding" or "no findings".
void write_findings(FindingStore& Store, std::int32_t iUnit, const char* ChFile,
                    std::int32_t nFile);

// The lines write_findings writes, one at a time, for a caller that shows
// them elsewhere (the model's page): begin_finding_lines sorts the findings
// and starts; each next_finding_line builds the next line in Line, without
// a line end, and is false when all are given.
struct FindingLines {
  const FindingStore* pStore;
  const char* ChFile;
  std::int32_t nFile;
  std::int32_t iNext;  // 0 to nHeld - 1: a finding; then the note of those not shown, the close
  bool bNoted;
  bool bClosed;
};
void begin_finding_lines(FindingStore& Store, FindingLines& Walk, const char* ChFile,
                         std::int32_t nFile);
bool next_finding_line(FindingLines& Walk, LineBuilder& Line);
