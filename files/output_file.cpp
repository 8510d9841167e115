// The steps of an output file that are the same on every system.
#include "files/output_file.h"

#include <cstdio>
#include <cstring>

#include "files/output_file_system.h"

namespace {

void close_handle(FileHandle& h) {
  if (h != kNoFile) close_file(h);
  h = kNoFile;
}

}  // namespace

namespace {

// Reads a decimal number without leading zeros at p, moving p past it;
// false when there is none or it does not fit.
bool read_number(const char*& p, unsigned long iMx, unsigned long& iValue) {
  if (*p < '0' || *p > '9' || (p[0] == '0' && p[1] >= '0' && p[1] <= '9')) return false;
  iValue = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    const auto iDigit = static_cast<unsigned long>(*p - '0');
    if (iValue > (iMx - iDigit) / 10) return false;
    iValue = iValue * 10 + iDigit;
  }
  return true;
}

}  // namespace

bool is_temp_name(const char* ChName, unsigned long& iProcess) {
  constexpr std::size_t nPrefix = sizeof kTempPrefix - 1;
  if (std::strncmp(ChName, kTempPrefix, nPrefix) != 0) return false;
  const char* p = ChName + nPrefix;
  unsigned long iTry = 0;
  if (!read_number(p, ~0UL, iProcess) || *p++ != '-') return false;
  if (*p == 'u') ++p;
  return read_number(p, ~0U, iTry) && *p == '\0';
}

void make_temp_name(char (&ChTemp)[MxTempName], unsigned long iProcess, bool bUnnamed,
                    unsigned iTry) {
  std::snprintf(ChTemp, sizeof ChTemp, "%s%lu-%s%u", kTempPrefix, iProcess, bUnnamed ? "u" : "",
                iTry);
}

namespace {

int place(OutputFile& Out, bool bClosing) {
  if (Out.hFile == kNoFile || Out.bPlaced) return 0;
  int iError = 0;
  if (Out.iWriting == kWritingReplaced) iError = place_replaced(Out, bClosing);
  if (Out.iWriting == kWritingInPlace) iError = place_in_place(Out, bClosing);
  if (iError != 0) return iError;
  close_handle(Out.hOlder);
  Out.bPlaced = true;
  return 0;
}

}  // namespace

int place_output_file(OutputFile& Out) {
  return place(Out, false);
}

void abandon_output_file(OutputFile& Out) {
  if (!Out.bPlaced) drop_new_file(Out);
  close_handle(Out.hFile);
  close_handle(Out.hOlder);
  close_handle(Out.hFolder);
}

int finish_output_file(OutputFile& Out) {
  if (Out.hFile == kNoFile) return 0;
  const int iError = place(Out, true);
  if (iError != 0) {
    abandon_output_file(Out);
    return iError;
  }
  const int iCloseError = Out.hFile == kNoFile ? 0 : close_file(Out.hFile);
  Out.hFile = kNoFile;
  abandon_output_file(Out);
  return iCloseError;
}
