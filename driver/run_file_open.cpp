#include "driver/run_file_open.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "driver/dialogue.h"
#include "driver/file_answers.h"
#include "driver/label_header.h"
#include "driver/run_units.h"
#include "fem/sesam_records.h"
#include "files/file_open.h"
#include "files/file_units.h"
#include "support/text_helpers.h"
#include "view/model_page.h"

namespace {

// static: a piece of an older output file, looked at before it is replaced.
char ChOlderPiece[MxSesamLook];

// Whether the first line of p[0, n) is Line (a CR before its line feed
// aside).
bool begins_with_line(const char* p, std::int64_t n, std::string_view Line) {
  const auto nLine = static_cast<std::int64_t>(Line.size());
  if (n <= nLine || std::memcmp(p, Line.data(), Line.size()) != 0) return false;
  return p[nLine] == '\n' || (p[nLine] == '\r' && nLine + 1 < n && p[nLine + 1] == '\n');
}

// Whether a file whose first piece p[0, n) holds no record begins as one
// of Lablix's own outputs does (a label file or listing, a page). Such a
// file is taken for that output, and the rest of it is not read: a run
// over the capacity limits would otherwise read all of its older 12 MB
// label file and 4 MB listing before writing them anew.
bool begins_as_own_output(const char* p, std::int64_t n) {
  return begins_with_line(p, n, kLabelFirstLine) || begins_with_line(p, n, kPageFirstLine);
}

// One piece of a file at Look.iAt (nPiece bytes at p) looked at: whether
// the look ends, and bModel when it ends on a model.
bool look_ends(const char* p, std::int64_t nPiece, SesamLook& Look, bool& bModel) {
  const bool bFirst = Look.iAt == 0;
  const SesamVerdict iVerdict = look_at_piece(p, nPiece, Look);
  bModel = iVerdict == kSesamModel;
  if (iVerdict != kSesamLookFurther) return true;
  return bFirst && begins_as_own_output(p, nPiece);
}

// Whether the older file that output unit iUnit replaces is a model.
bool replaces_model(std::int32_t iUnit) {
  SesamLook Look;
  bool bModel = false;
  while (!look_ends(ChOlderPiece, read_replaced_at(iUnit, Look.iAt, ChOlderPiece, MxSesamLook),
                    Look, bModel)) {
  }
  return bModel;
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
    SesamLook Look;
    while (!look_ends(pData + Look.iAt, std::min(nData - Look.iAt, MxSesamLook), Look, bModel)) {
    }
  }
  close_unit(kUnitFem);
  return bModel;
}
