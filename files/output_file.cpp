// The steps of an output file that are the same on every system.
#include "files/output_file.h"

#include <cstdio>

#include "files/output_file_system.h"

namespace {

void close_handle(FileHandle& h) {
  if (h != kNoFile) close_file(h);
  h = kNoFile;
}

}  // namespace

void make_temp_name(char (&ChTemp)[MxTempName], unsigned long iProcess, bool bUnnamed,
                    unsigned iTry) {
  std::snprintf(ChTemp, sizeof ChTemp, "%s%lu-%s%u", kTempPrefix, iProcess, bUnnamed ? "u" : "",
                iTry);
}

int place_output_file(OutputFile& Out) {
  if (Out.hFile == kNoFile || Out.bPlaced) return 0;
  int iError = 0;
  if (Out.iWriting == kWritingReplaced) iError = place_replaced(Out);
  if (Out.iWriting == kWritingInPlace) iError = place_in_place(Out);
  if (iError != 0) return iError;
  close_handle(Out.hOlder);
  Out.bPlaced = true;
  return 0;
}

void abandon_output_file(OutputFile& Out) {
  if (!Out.bPlaced) drop_new_file(Out);
  close_handle(Out.hFile);
  close_handle(Out.hOlder);
  close_handle(Out.hFolder);
}

int finish_output_file(OutputFile& Out) {
  if (Out.hFile == kNoFile) return 0;
  const int iError = place_output_file(Out);
  if (iError != 0) {
    abandon_output_file(Out);
    return iError;
  }
  const int iCloseError = close_file(Out.hFile);
  Out.hFile = kNoFile;
  abandon_output_file(Out);
  return iCloseError;
}
