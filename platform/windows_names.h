// What the two Windows files of the platform layer share
// (platform_windows.cpp, output_file_windows.cpp): handles as the units
// hold them, the errno value of a Windows error, and the UTF-16 name of a
// typed name, refused where Windows forbids it. Windows builds only.
#pragma once
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdint>

#include "platform/platform.h"

inline HANDLE handle_of(FileHandle hFile) {
  return reinterpret_cast<HANDLE>(hFile);
}
inline FileHandle file_of(HANDLE h) {
  return reinterpret_cast<FileHandle>(h);
}

// Other programs may read, write and even rename the file while it is open
// (the classic DENYNONE).
inline constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The errno value (or kForbiddenName) that says the same as a Windows
// error, and that of the thread's last error.
int error_from(DWORD iError);
int last_error();

// The UTF-16 form of the typed name ChPath, or ENAMETOOLONG; kForbiddenName
// for a name Windows forbids or turns into something else (a reserved
// device other than plain NUL, with or without an extension, a character
// no name may hold, a last part ending in a dot or a blank).
int wide_path_for_open(const char* ChPath, wchar_t (&WcPath)[MxPath]);

bool is_folder(const wchar_t* WcPath);

// Writes all n bytes at p where the handle stands, or returns the error.
int write_all(HANDLE h, const char* p, std::int64_t n);
