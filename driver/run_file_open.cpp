#include "driver/run_file_open.h"

#include <cstring>

#include "driver/dialogue.h"
#include "driver/file_answers.h"
#include "driver/run_units.h"
#include "fem/sesam_records.h"
#include "files/file_open.h"
#include "files/file_units.h"
#include "support/text_helpers.h"

namespace {

// static: a piece of an older output file, looked at before it is replaced.
char ChOlderPiece[MxSesamLook];

// Whether the older file that output unit iUnit replaces is a model.
bool replaces_model(std::int32_t iUnit) {
  std::int64_t iAt = 0;
  bool bInComment = false;
  for (;;) {
    const std::int64_t nPiece = read_replaced_at(iUnit, iAt, ChOlderPiece, MxSesamLook);
    if (!bInComment && holds_sesam_records(ChOlderPiece, nPiece)) return true;
    if (!look_further(ChOlderPiece, nPiece, iAt, bInComment)) return false;
  }
}

}  // namespace

std::int32_t open_run_file(const char* ChField, std::int32_t iUnit, std::int32_t iMode) {
  std::int32_t nName = trimmed_length(ChField, kAnswerLen);
  if (nName < 0) nName = 0;
  const std::int32_t iResult =
      open_unit(ChField, nName, iUnit, iMode > 0 ? 2 : 1, 0, 1, 0, 0, 0, -1);
  if (iResult != 0) return -iResult;
  if (iMode > 0) return 0;
  if (replaces_model(iUnit)) {
    discard_unit(iUnit);
    return kRefusedSesamRecords;
  }
  return 0;
}

const char* run_file_refusal_words(std::int32_t iRefusal) {
  if (iRefusal == kRefusedSesamRecords) {
    return "it holds SESAM records, and Lablix never writes over a model";
  }
  // The words of the system's own refusal of a name too long, as the
  // answer is refused for the same reason.
  if (iRefusal == kRefusedLongerThanField) return "the name is too long";
  if (iRefusal == kOutputUnreadable) {
    return "Lablix may write it but not read it, so it cannot be told from a model";
  }
  return refusal_words(iRefusal);
}

bool names_a_model(const char* ChArg) {
  // static: an answer field, as the run's own are.
  static char ChField[kAnswerLen];
  const std::size_t nArg = std::strlen(ChArg);
  if (nArg > static_cast<std::size_t>(kAnswerLen)) return false;
  copy_padded(ChField, kAnswerLen, ChArg, static_cast<std::int32_t>(nArg));
  strip_quotes(ChField, kAnswerLen);
  if (open_run_file(ChField, kUnitFem, 1) != 0) return false;
  const char* pData = nullptr;
  std::int64_t nData = 0;
  bool bModel = false;
  if (unit_contents(kUnitFem, pData, nData)) {
    // The rule that refuses a model as an output, piece by piece over the
    // contents, so that both say the same of one file.
    std::int64_t iAt = 0;
    bool bInComment = false;
    for (;;) {
      const std::int64_t nPiece = nData - iAt < MxSesamLook ? nData - iAt : MxSesamLook;
      if (!bInComment && holds_sesam_records(pData + iAt, nPiece)) {
        bModel = true;
        break;
      }
      if (!look_further(pData + iAt, nPiece, iAt, bInComment)) break;
    }
  }
  close_unit(kUnitFem);
  return bModel;
}
