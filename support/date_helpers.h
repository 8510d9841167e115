// The local clock and the date text that heads the label file and the listing.
#pragma once
#include <cstdint>

struct DateTime {
  std::int32_t iYear;  // full year, such as 2013
  std::int32_t iMonth;
  std::int32_t iDay;
  std::int32_t iHour;
  std::int32_t iMinute;
  std::int32_t iSecond;
};

// The current local date and time. Never fails: a clock that cannot be read
// gives the start of the epoch.
DateTime current_date_time();

// Builds the date text of format iCode into the nResult-character field
// ChResult, left-justified and blank-padded (or cut when the field is
// shorter). Code 6, and any code other than 1 to 5 and 10, gives
// " Date : 2013-04-28 09:05:07". Reads the clock once.
void date_stamp(std::int32_t iCode, char* ChResult, std::int32_t nResult);

// As date_stamp, from a given date and time instead of the clock.
void date_stamp_of(const DateTime& Now, std::int32_t iCode, char* ChResult, std::int32_t nResult);
