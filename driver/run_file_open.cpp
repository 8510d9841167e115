#include "driver/run_file_open.h"

#include "driver/dialogue.h"
#include "fem/sesam_records.h"
#include "files/file_open.h"
#include "files/file_units.h"
#include "support/text_helpers.h"

namespace {

// static: the start of an older output file, looked at before it is replaced.
char ChOlderStart[MxSesamLook];

}  // namespace

std::int32_t open_run_file(const char* ChField, std::int32_t iUnit, std::int32_t iMode) {
  std::int32_t nName = trimmed_length(ChField, kAnswerLen);
  if (nName < 0) nName = 0;
  const std::int32_t iResult =
      open_unit(ChField, nName, iUnit, iMode > 0 ? 2 : 1, 0, 1, 0, 0, 0, -1);
  if (iResult != 0) return -iResult;
  if (iMode > 0) return 0;
  const std::int64_t nOlder = read_replaced_start(iUnit, ChOlderStart, MxSesamLook);
  if (holds_sesam_records(ChOlderStart, nOlder)) {
    discard_unit(iUnit);
    return kRefusedSesamRecords;
  }
  return 0;
}

const char* run_file_refusal_words(std::int32_t iRefusal) {
  if (iRefusal == kRefusedSesamRecords) {
    return "it holds SESAM records, and Lablix never writes over a model";
  }
  return refusal_words(iRefusal);
}
