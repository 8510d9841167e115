// Binding a named (or scratch) file to a file unit, with the classic open
// codes of the unit interface, an optional open report and error messages.
#pragma once
#include <cstdint>

inline constexpr std::int32_t kOpenIllegalUnit = -901;
inline constexpr std::int32_t kOpenIllegalRecordLength = -902;

// Opens the first nName characters of ChName on iUnit (1 to 99) and returns
// the result code: 0 when open, -901 for a unit outside 1 to 99, -902 for
// access code 20 with a record length below 1, or minus the error number of
// the file layer when it refused the open. Never stops the run.
//
// Codes: iStatusCode 2 OLD, 3 NEW, 4 SCRATCH (the name is then ignored),
// otherwise UNKNOWN. iAccessCode 20 direct with the caller's record length
// (in 4-byte words; 4 times that in characters when formatted), 30 direct
// with 128, otherwise sequential. iFormCode 1 formatted, 2 unformatted,
// otherwise unformatted for direct and formatted for sequential access.
// iBlankCode 1 ZERO, otherwise NULL (formatted files only).
//
// When iMessageUnit > 0, failures write three empty lines and two error
// lines to it, and when also iReportFlag > 0 a successful open writes the
// open report. The message unit must be open for output.
std::int32_t open_unit(const char* ChName, std::int32_t nName, std::int32_t iUnit,
                       std::int32_t iStatusCode, std::int32_t iAccessCode, std::int32_t iFormCode,
                       std::int32_t iBlankCode, std::int32_t iRecordLength,
                       std::int32_t iReportFlag, std::int32_t iMessageUnit);

// Opens the nName-character answer field ChName (trailing blanks are no part
// of the name) on iUnit as a sequential text file, silently: iMode > 0
// opens an existing file, iMode 0 opens or creates one, a negative iMode
// repeats the status of the previous call (UNKNOWN before any call). On
// failure sets iStatus to -1; on success leaves it unchanged.
void open_named_file(const char* ChName, std::int32_t nName, std::int32_t iUnit, std::int32_t iMode,
                     std::int32_t& iStatus);
