#include "support/date_helpers.h"

#include <cstring>

#include "platform/platform.h"
#include "support/text_helpers.h"

DateTime current_date_time() {
  LocalClock Now{};
  if (!read_local_clock(Now)) return DateTime{1970, 1, 1, 0, 0, 0};
  return DateTime{Now.iYear, Now.iMonth, Now.iDay, Now.iHour, Now.iMinute, Now.iSecond};
}

void date_stamp(std::int32_t iCode, char* ChResult, std::int32_t nResult) {
  date_stamp_of(current_date_time(), iCode, ChResult, nResult);
}

void date_stamp_of(const DateTime& Now, std::int32_t iCode, char* ChResult, std::int32_t nResult) {
  constexpr std::int32_t kWork = 80;
  char ChWork[kWork];
  fill_blanks(ChWork, kWork);
  std::int32_t iYear = Now.iYear;
  // A year counted from 1900 becomes a full year.
  if (iYear < 1000) iYear += 1900;

  std::int32_t iCol = 0;
  auto put = [&](const char* ChLiteral) {
    const auto n = static_cast<std::int32_t>(std::strlen(ChLiteral));
    std::memcpy(ChWork + iCol, ChLiteral, static_cast<std::size_t>(n));
    iCol += n;
  };
  auto put2 = [&](std::int32_t iValue) {
    put_two_digits(ChWork + iCol, iValue);
    iCol += 2;
  };

  if (iCode == 10) {
    iCol += put_integer(ChWork + iCol, 2, iYear - 2000);
    put("-");
    put2(Now.iMonth);
    put("-");
    put2(Now.iDay);
    put("   ");
    put2(Now.iHour);
    put(":");
    put2(Now.iMinute);
    put(":");
    put2(Now.iSecond);
  } else {
    const std::int32_t nPieces = (iCode >= 1 && iCode <= 5) ? iCode : 6;
    put(" Date : ");
    iCol += put_integer(ChWork + iCol, 4, iYear);
    if (nPieces >= 2) {
      put("-");
      put2(Now.iMonth);
    }
    if (nPieces >= 3) {
      put("-");
      put2(Now.iDay);
    }
    if (nPieces >= 4) {
      put(" ");
      put2(Now.iHour);
    }
    if (nPieces >= 5) {
      put(":");
      put2(Now.iMinute);
    }
    if (nPieces >= 6) {
      put(":");
      put2(Now.iSecond);
    }
  }
  copy_padded(ChResult, nResult, ChWork, trimmed_length(ChWork, kWork));
}
