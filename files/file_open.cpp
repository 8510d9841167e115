#include "files/file_open.h"

#include <cstring>

#include "files/file_units.h"
#include "support/line_builder.h"
#include "support/text_helpers.h"

namespace {

// static: the attribute texts of the open in progress, reset by every call.
char ChStatus[7];
char ChAccess[10];
char ChForm[11];
char ChBlank[4];
// static: the status code that a negative mode of open_named_file repeats.
std::int32_t iKeptStatusCode = 0;

void set_text(char* ChField, std::int32_t nField, const char* ChValue) {
  copy_padded(ChField, nField, ChValue, static_cast<std::int32_t>(std::strlen(ChValue)));
}

bool is_form(const char* ChValue) {
  return std::memcmp(ChForm, ChValue, sizeof ChForm) == 0;
}

// The reports' lines are cut where the unit interface always cut them.
constexpr std::int32_t MxReportLen = 512;

void write_empty_lines(std::int32_t iUnit, std::int32_t nLines) {
  for (std::int32_t i = 0; i < nLines; ++i)
    write_line(iUnit, "", 0);
}

// Starts a report line, or the second error line, in Line.
void start_report_line(LineBuilder& Line, const char* ChHead) {
  start_line(Line, MxReportLen);
  put_text(Line, ChHead);
}

void write_failure(std::int32_t iMessageUnit, std::int32_t iUnit, const LineBuilder& Second) {
  if (iMessageUnit <= 0) return;
  write_empty_lines(iMessageUnit, 3);
  LineBuilder First;
  start_report_line(First, " *** ERROR DURING OPENING OF FILE UNIT");
  put_padded(First, iUnit, 5);
  write_line(iMessageUnit, First.Ch, First.n);
  write_line(iMessageUnit, Second.Ch, Second.n);
}

// One report line: ChHead, then the nText characters ChText or (for
// nNumberWidth > 0) iNumber in nNumberWidth columns, then ChTail.
void write_report_line(std::int32_t iMessageUnit, const char* ChHead, const char* ChText,
                       std::int32_t nText, std::int32_t nNumberWidth, std::int64_t iNumber,
                       const char* ChTail) {
  LineBuilder Line;
  start_report_line(Line, ChHead);
  put_chars(Line, ChText, nText);
  put_padded(Line, iNumber, nNumberWidth);
  put_text(Line, ChTail);
  write_line(iMessageUnit, Line.Ch, Line.n);
}

void write_open_report(std::int32_t iMessageUnit, const char* ChName, std::int32_t nName,
                       std::int32_t iUnit, bool bScratch, std::int32_t iRecordLength) {
  write_empty_lines(iMessageUnit, 3);
  if (bScratch) {
    write_report_line(iMessageUnit, "     A SCRATCH FILE IS OPENED ON UNIT NO.", "", 0, 4, iUnit,
                      "");
  } else {
    write_report_line(iMessageUnit, "     FILE  ", ChName, nName, 0, 0, "");
    write_report_line(iMessageUnit, "     IS OPENED ON UNIT NO.", "", 0, 4, iUnit, "");
  }
  write_report_line(iMessageUnit, "     FILE CHARACTERISTICS :", "", 0, 0, 0, "");
  write_report_line(iMessageUnit, "          STATUS =", ChStatus, sizeof ChStatus, 0, 0, "");
  write_report_line(iMessageUnit, "          ACCESS =", ChAccess, sizeof ChAccess, 0, 0, "");
  write_report_line(iMessageUnit, "          FORM   =", ChForm, sizeof ChForm, 0, 0, "");
  write_report_line(iMessageUnit, "          LENGTH =", "", 0, 5, iRecordLength,
                    " WORDS/BYTES PER RECORD (SECTOR)");
  if (is_form("FORMATTED  ")) {
    write_report_line(iMessageUnit, "          BLANK  =", ChBlank, sizeof ChBlank, 0, 0, "");
  }
}

}  // namespace

std::int32_t open_unit(const char* ChName, std::int32_t nName, std::int32_t iUnit,
                       std::int32_t iStatusCode, std::int32_t iAccessCode, std::int32_t iFormCode,
                       std::int32_t iBlankCode, std::int32_t iRecordLength,
                       std::int32_t iReportFlag, std::int32_t iMessageUnit) {
  if (iUnit < 1 || iUnit > MxUnit) {
    LineBuilder Second;
    start_report_line(Second, "     ILLEGAL FILE UNIT");
    write_failure(iMessageUnit, iUnit, Second);
    return kOpenIllegalUnit;
  }
  set_text(ChStatus, sizeof ChStatus, "UNKNOWN");
  set_text(ChAccess, sizeof ChAccess, "SEQUENTIAL");
  set_text(ChForm, sizeof ChForm, "FORMATTED");
  set_text(ChBlank, sizeof ChBlank, "NULL");

  UnitStatus iStatus = kStatusUnknown;
  if (iStatusCode == 2) {
    set_text(ChStatus, sizeof ChStatus, "OLD");
    iStatus = kStatusOld;
  } else if (iStatusCode == 3) {
    set_text(ChStatus, sizeof ChStatus, "NEW");
    iStatus = kStatusNew;
  } else if (iStatusCode == 4) {
    set_text(ChStatus, sizeof ChStatus, "SCRATCH");
    iStatus = kStatusScratch;
  }
  const bool bDirect = iAccessCode == 20 || iAccessCode == 30;
  if (bDirect) set_text(ChForm, sizeof ChForm, "UNFORMATTED");
  if (iFormCode == 1) set_text(ChForm, sizeof ChForm, "FORMATTED");
  if (iFormCode == 2) set_text(ChForm, sizeof ChForm, "UNFORMATTED");

  std::int32_t iLength = 0;
  if (iAccessCode == 20) {
    if (iRecordLength <= 0) {
      LineBuilder Second;
      start_report_line(Second, "     ILLEGAL RECORD LENGTH =");
      put_padded(Second, iRecordLength, 5);
      write_failure(iMessageUnit, iUnit, Second);
      return kOpenIllegalRecordLength;
    }
    // A formatted record counts characters, four to a word; kept in 64 bits
    // so that a huge length cannot wrap.
    const std::int64_t iChars = static_cast<std::int64_t>(iRecordLength) * (iFormCode == 1 ? 4 : 1);
    iLength = iChars > 2147483647 ? 2147483647 : static_cast<std::int32_t>(iChars);
  } else if (iAccessCode == 30) {
    iLength = 128;
  }
  if (bDirect) set_text(ChAccess, sizeof ChAccess, "DIRECT");
  if (!is_form("UNFORMATTED")) set_text(ChBlank, sizeof ChBlank, iBlankCode == 1 ? "ZERO" : "NULL");

  const bool bScratch = iStatus == kStatusScratch;
  const std::int32_t iError = connect_unit(iUnit, ChName, bScratch ? 0 : nName, iStatus, bDirect);
  if (iError > 0) {
    LineBuilder Second;
    start_report_line(Second, "     ERROR CODE =");
    put_padded(Second, iError, 5);
    put_text(Second, "  (SYSTEM PARAMETER)");
    write_failure(iMessageUnit, iUnit, Second);
    return -iError;
  }
  if (iReportFlag > 0 && iMessageUnit > 0) {
    write_open_report(iMessageUnit, ChName, nName, iUnit, bScratch, iLength);
  }
  return 0;
}

void open_named_file(const char* ChName, std::int32_t nName, std::int32_t iUnit, std::int32_t iMode,
                     std::int32_t& iStatus) {
  std::int32_t iStatusCode = iKeptStatusCode;
  if (iMode > 0) iStatusCode = 2;
  if (iMode == 0) iStatusCode = 1;
  iKeptStatusCode = iStatusCode;
  std::int32_t nTrimmed = trimmed_length(ChName, nName);
  if (nTrimmed < 0) nTrimmed = 0;
  const std::int32_t iResult = open_unit(ChName, nTrimmed, iUnit, iStatusCode, 0, 1, 0, 0, 0, -1);
  if (iResult != 0) iStatus = -1;
}
