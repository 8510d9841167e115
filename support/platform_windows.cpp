// The platform layer on Windows: handles, file mappings, a uniquely named
// new file moved over the older one, and the console's control events.
//
// File names arrive as the bytes a user typed or a script passed. They are
// taken as UTF-8 when they are valid UTF-8 (what scripts and modern
// consoles send), otherwise in the console's input code page when standard
// input is a console, otherwise in the system's ANSI code page; the file is
// then opened by its UTF-16 name. So "Ærøy_T1.FEM" typed in a console of
// code page 850 or 1252, or passed as UTF-8, finds the file.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cerrno>
#include <cstring>
#include <cwchar>

#include "support/platform.h"

namespace {

HANDLE handle_of(FileHandle hFile) {
  return reinterpret_cast<HANDLE>(hFile);
}
FileHandle file_of(HANDLE h) {
  return reinterpret_cast<FileHandle>(h);
}

// The errno value that says the same as a Windows error.
int error_from(DWORD iError) {
  switch (iError) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
    case ERROR_COMMITMENT_LIMIT:
      return ENOMEM;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY:
      return EINVAL;
    default:
      return EIO;
  }
}

int last_error() {
  return error_from(::GetLastError());
}

bool is_valid_utf8(const char* Ch) {
  return ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, Ch, -1, nullptr, 0) > 0;
}

// The UTF-16 form of a typed name (see the top of this file).
bool wide_name(const char* ChPath, wchar_t (&WcPath)[kPathMax]) {
  UINT iCodePage = CP_ACP;
  DWORD iMode = 0;
  if (is_valid_utf8(ChPath)) {
    iCodePage = CP_UTF8;
  } else if (::GetConsoleMode(::GetStdHandle(STD_INPUT_HANDLE), &iMode)) {
    iCodePage = ::GetConsoleCP();
  }
  return ::MultiByteToWideChar(iCodePage, 0, ChPath, -1, WcPath, kPathMax) > 0;
}

bool is_reserved_device(const wchar_t* WcBase) {
  static const wchar_t* const kDevices[] = {L"CON", L"PRN", L"AUX", L"CONIN$", L"CONOUT$"};
  wchar_t WcStem[16];
  std::size_t n = 0;
  while (WcBase[n] != L'\0' && WcBase[n] != L'.' && n + 1 < 16) {
    WcStem[n] = WcBase[n];
    ++n;
  }
  WcStem[n] = L'\0';
  for (const wchar_t* WcDevice : kDevices) {
    if (::lstrcmpiW(WcStem, WcDevice) == 0) return true;
  }
  // COM1 to COM9 and LPT1 to LPT9.
  return n == 4 && WcStem[3] >= L'1' && WcStem[3] <= L'9' &&
         (::CompareStringOrdinal(WcStem, 3, L"COM", 3, TRUE) == CSTR_EQUAL ||
          ::CompareStringOrdinal(WcStem, 3, L"LPT", 3, TRUE) == CSTR_EQUAL);
}

// Names that Windows forbids or turns into something else: a reserved
// device (the console, a printer, a port; NUL, the bit bucket, is allowed),
// a character no name may hold, a last part ending in a dot or a blank.
bool is_forbidden_name(const wchar_t* WcPath) {
  const wchar_t* WcBase = WcPath;
  for (const wchar_t* p = WcPath; *p != L'\0'; ++p) {
    if (*p == L'\\' || *p == L'/') WcBase = p + 1;
  }
  for (const wchar_t* p = WcPath; *p != L'\0'; ++p) {
    if (*p < 32 || std::wcschr(L"<>\"|?*", *p) != nullptr) return true;
    // A colon only after a drive letter.
    if (*p == L':' && p != WcPath + 1) return true;
  }
  const std::size_t nBase = std::wcslen(WcBase);
  if (nBase > 0 && (WcBase[nBase - 1] == L'.' || WcBase[nBase - 1] == L' ')) {
    return !(nBase <= 2 && WcBase[0] == L'.');  // "." and ".." are folders
  }
  return is_reserved_device(WcBase);
}

int wide_path_for_open(const char* ChPath, wchar_t (&WcPath)[kPathMax]) {
  if (!wide_name(ChPath, WcPath)) return ENAMETOOLONG;
  if (is_forbidden_name(WcPath)) return EINVAL;
  return 0;
}

bool is_folder(const wchar_t* WcPath) {
  const DWORD iAttributes = ::GetFileAttributesW(WcPath);
  return iAttributes != INVALID_FILE_ATTRIBUTES && (iAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Other programs may read, write and even rename the file while it is open
// (the classic DENYNONE).
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE open_wide(const wchar_t* WcPath, DWORD iAccess, DWORD iDisposition) {
  return ::CreateFileW(WcPath, iAccess, kShareAll, nullptr, iDisposition, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

FileIdentity identity_of_handle(HANDLE h) {
  BY_HANDLE_FILE_INFORMATION Info;
  if (::GetFileType(h) != FILE_TYPE_DISK || !::GetFileInformationByHandle(h, &Info) ||
      (Info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return FileIdentity{0, 0};
  }
  const std::uint64_t iIndex =
      (static_cast<std::uint64_t>(Info.nFileIndexHigh) << 32 | Info.nFileIndexLow) + 1;
  return FileIdentity{Info.dwVolumeSerialNumber, iIndex};
}

int write_all(HANDLE h, const char* p, std::int64_t n) {
  while (n > 0) {
    const DWORD nTry = n > (1 << 30) ? (1 << 30) : static_cast<DWORD>(n);
    DWORD nDone = 0;
    if (!::WriteFile(h, p, nTry, &nDone, nullptr)) return last_error();
    if (nDone == 0) return EIO;
    p += nDone;
    n -= nDone;
  }
  return 0;
}

// The folder part of WcPath (up to its last separator), or "." for a bare
// name.
void folder_of(const wchar_t* WcPath, wchar_t (&WcFolder)[kPathMax]) {
  const wchar_t* pLast = nullptr;
  for (const wchar_t* p = WcPath; *p != L'\0'; ++p) {
    if (*p == L'\\' || *p == L'/') pLast = p;
  }
  if (pLast == nullptr) {
    if (WcPath[0] != L'\0' && WcPath[1] == L':') {  // "C:name": the drive's folder
      WcFolder[0] = WcPath[0];
      WcFolder[1] = L':';
      WcFolder[2] = L'\0';
      return;
    }
    ::lstrcpyW(WcFolder, L".");
    return;
  }
  std::size_t n = static_cast<std::size_t>(pLast - WcPath);
  if (n == 0 || (n == 2 && WcPath[1] == L':')) ++n;  // "\" and "C:\" keep their separator
  std::wmemcpy(WcFolder, WcPath, n);
  WcFolder[n] = L'\0';
}

// Appends the decimal digits of iValue to the wide text at WcAt.
wchar_t* put_number(wchar_t* WcAt, std::uint64_t iValue) {
  wchar_t WcDigits[24];
  int n = 0;
  do {
    WcDigits[n++] = static_cast<wchar_t>(L'0' + iValue % 10);
    iValue /= 10;
  } while (iValue != 0);
  while (n > 0)
    *WcAt++ = WcDigits[--n];
  return WcAt;
}

// "<folder>\.lablix-<process>-<iTry>".
bool temp_name(const wchar_t* WcFolder, DWORD iTry, wchar_t (&WcTemp)[kPathMax]) {
  const std::size_t nFolder = std::wcslen(WcFolder);
  if (nFolder + 64 >= static_cast<std::size_t>(kPathMax)) return false;
  std::wmemcpy(WcTemp, WcFolder, nFolder);
  wchar_t* WcAt = WcTemp + nFolder;
  for (const wchar_t* p = L"\\.lablix-"; *p != L'\0'; ++p)
    *WcAt++ = *p;
  WcAt = put_number(WcAt, ::GetCurrentProcessId());
  *WcAt++ = L'-';
  WcAt = put_number(WcAt, iTry);
  *WcAt = L'\0';
  return true;
}

// Makes the new file beside WcTarget; its name is kept in Out as UTF-8.
HANDLE create_temp_beside(const wchar_t* WcTarget, OutputFile& Out) {
  wchar_t WcFolder[kPathMax];
  folder_of(WcTarget, WcFolder);
  for (DWORD iTry = 0;; ++iTry) {
    wchar_t WcTemp[kPathMax];
    if (!temp_name(WcFolder, iTry, WcTemp)) {
      ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
      return INVALID_HANDLE_VALUE;
    }
    const HANDLE h = ::CreateFileW(WcTemp, GENERIC_WRITE, kShareAll, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      ::WideCharToMultiByte(CP_UTF8, 0, WcTemp, -1, Out.ChTemp, kPathMax, nullptr, nullptr);
      return h;
    }
    if (::GetLastError() != ERROR_FILE_EXISTS) return INVALID_HANDLE_VALUE;
  }
}

int open_in_place(OutputFile& Out, HANDLE h) {
  Out.hFile = file_of(h);
  Out.bInPlace = true;
  Out.Target = identity_of_handle(h);
  Out.Own = Out.Target;
  Out.bCutAtFinish = ::GetFileType(h) == FILE_TYPE_DISK;
  return 0;
}

int open_replacing(const wchar_t* WcPath, OutputFile& Out) {
  // The name as the system resolves it: links followed, one spelling, so
  // that two outputs of one run to one new name are told apart.
  wchar_t WcTarget[kPathMax];
  const HANDLE hOld = open_wide(WcPath, GENERIC_WRITE, OPEN_EXISTING);
  if (hOld != INVALID_HANDLE_VALUE) {
    const DWORD iType = ::GetFileType(hOld);
    if (iType == FILE_TYPE_CHAR) return open_in_place(Out, hOld);
    if (iType != FILE_TYPE_DISK) {
      ::CloseHandle(hOld);
      return EINVAL;
    }
    const DWORD n = ::GetFinalPathNameByHandleW(hOld, WcTarget, kPathMax, FILE_NAME_NORMALIZED);
    if (n == 0 || n >= static_cast<DWORD>(kPathMax)) return open_in_place(Out, hOld);
    const HANDLE hNew = create_temp_beside(WcTarget, Out);
    if (hNew == INVALID_HANDLE_VALUE) {
      // A folder where no new file may be made: the file is written in place.
      if (::GetLastError() == ERROR_ACCESS_DENIED) return open_in_place(Out, hOld);
      const int iError = last_error();
      ::CloseHandle(hOld);
      return iError;
    }
    Out.Target = identity_of_handle(hOld);
    ::CloseHandle(hOld);
    Out.hFile = file_of(hNew);
    Out.bNamedTemp = true;
  } else {
    const DWORD iOpenError = ::GetLastError();
    if (iOpenError != ERROR_FILE_NOT_FOUND) return error_from(iOpenError);
    const DWORD n = ::GetFullPathNameW(WcPath, kPathMax, WcTarget, nullptr);
    if (n == 0 || n >= static_cast<DWORD>(kPathMax)) return ENAMETOOLONG;
    const HANDLE hNew = create_temp_beside(WcTarget, Out);
    if (hNew == INVALID_HANDLE_VALUE) return last_error();
    Out.hFile = file_of(hNew);
    Out.bNamedTemp = true;
  }
  ::WideCharToMultiByte(CP_UTF8, 0, WcTarget, -1, Out.ChTarget, kPathMax, nullptr, nullptr);
  return 0;
}

bool to_wide_utf8(const char* Ch, wchar_t (&Wc)[kPathMax]) {
  return ::MultiByteToWideChar(CP_UTF8, 0, Ch, -1, Wc, kPathMax) > 0;
}

}  // namespace

FileIdentity identity_of(FileHandle hFile) {
  return identity_of_handle(handle_of(hFile));
}

int open_regular_file(const char* ChPath, RegularOpen iWay, FileHandle& hFile, FileIdentity& Id) {
  wchar_t WcPath[kPathMax];
  const int iNameError = wide_path_for_open(ChPath, WcPath);
  if (iNameError != 0) return iNameError;
  if (is_folder(WcPath)) return EISDIR;
  constexpr DWORD kWayAccess[] = {GENERIC_READ, GENERIC_READ | GENERIC_WRITE,
                                  GENERIC_READ | GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
  constexpr DWORD kWayDisposition[] = {OPEN_EXISTING, OPEN_EXISTING, OPEN_ALWAYS, CREATE_NEW};
  const HANDLE h = open_wide(WcPath, kWayAccess[iWay], kWayDisposition[iWay]);
  if (h == INVALID_HANDLE_VALUE) return last_error();
  if (::GetFileType(h) != FILE_TYPE_DISK) {
    ::CloseHandle(h);
    return EINVAL;
  }
  hFile = file_of(h);
  Id = identity_of_handle(h);
  return 0;
}

namespace {

// Reads a file whose size reads as 0 into memory of its own.
int read_input_whole(HANDLE h, const char*& pData, std::int64_t& nData) {
  std::size_t nRoom = 1 << 16;
  std::size_t nHave = 0;
  char* pBuf = nullptr;
  for (;;) {
    if (pBuf == nullptr || nHave == nRoom) {
      const std::size_t nNewRoom = pBuf == nullptr ? nRoom : 2 * nRoom;
      void* pNew = ::VirtualAlloc(nullptr, nNewRoom, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
      if (pNew == nullptr) {
        if (pBuf != nullptr) ::VirtualFree(pBuf, 0, MEM_RELEASE);
        return ENOMEM;
      }
      if (pBuf != nullptr) {
        std::memcpy(pNew, pBuf, nHave);
        ::VirtualFree(pBuf, 0, MEM_RELEASE);
      }
      pBuf = static_cast<char*>(pNew);
      nRoom = nNewRoom;
    }
    DWORD nRead = 0;
    if (!::ReadFile(h, pBuf + nHave, static_cast<DWORD>(nRoom - nHave), &nRead, nullptr)) {
      const int iError = last_error();
      ::VirtualFree(pBuf, 0, MEM_RELEASE);
      return iError;
    }
    if (nRead == 0) break;
    nHave += nRead;
  }
  if (nHave == 0) {
    ::VirtualFree(pBuf, 0, MEM_RELEASE);
    pData = nullptr;
    nData = 0;
    return 0;
  }
  pData = pBuf;
  nData = static_cast<std::int64_t>(nHave);
  return 0;
}

}  // namespace

int load_input_file(FileHandle hFile, const char*& pData, std::int64_t& nData) {
  pData = nullptr;
  nData = 0;
  const HANDLE h = handle_of(hFile);
  LARGE_INTEGER Size;
  if (!::GetFileSizeEx(h, &Size)) return last_error();
  if (Size.QuadPart == 0) return read_input_whole(h, pData, nData);
  const HANDLE hMapping = ::CreateFileMappingW(h, nullptr, PAGE_READONLY, 0, 0, nullptr);
  if (hMapping == nullptr) return last_error();
  void* pView = ::MapViewOfFile(hMapping, FILE_MAP_READ, 0, 0, 0);
  const int iError = pView == nullptr ? last_error() : 0;
  // The view keeps the mapping alive.
  ::CloseHandle(hMapping);
  if (pView == nullptr) return iError;
  pData = static_cast<const char*>(pView);
  nData = Size.QuadPart;
  return 0;
}

void release_input_file(const char* pData, std::int64_t nData) {
  (void)nData;
  if (pData == nullptr) return;
  MEMORY_BASIC_INFORMATION Info;
  if (::VirtualQuery(pData, &Info, sizeof Info) != 0 && Info.Type == MEM_MAPPED) {
    ::UnmapViewOfFile(pData);
  } else {
    ::VirtualFree(const_cast<char*>(pData), 0, MEM_RELEASE);
  }
}

namespace {
void (*pOnFault)() = nullptr;
LONG CALLBACK on_exception(EXCEPTION_POINTERS* pInfo) {
  // A mapped file cut short under the run: the page cannot be read in.
  if (pInfo->ExceptionRecord->ExceptionCode == EXCEPTION_IN_PAGE_ERROR && pOnFault != nullptr) {
    pOnFault();
  }
  return EXCEPTION_CONTINUE_SEARCH;
}
}  // namespace

void catch_input_faults(void (*OnFault)()) {
  if (pOnFault == nullptr) ::AddVectoredExceptionHandler(1, on_exception);
  pOnFault = OnFault;
}

int open_output_file(const char* ChPath, OutputWay iWay, OutputFile& Out) {
  Out = OutputFile{};
  wchar_t WcPath[kPathMax];
  int iError = wide_path_for_open(ChPath, WcPath);
  if (iError != 0) return iError;
  if (is_folder(WcPath)) return EISDIR;
  if (iWay == kOutputNew) {
    const HANDLE h = open_wide(WcPath, GENERIC_WRITE, CREATE_NEW);
    if (h == INVALID_HANDLE_VALUE) return last_error();
    return open_in_place(Out, h);
  }
  iError = open_replacing(WcPath, Out);
  if (iError != 0) {
    abandon_output_file(Out);
    return iError;
  }
  if (!Out.bInPlace) Out.Own = identity_of(Out.hFile);
  return 0;
}

int write_output_file(OutputFile& Out, const char* p, std::int64_t n) {
  const int iError = write_all(handle_of(Out.hFile), p, n);
  if (iError == 0) Out.nWritten += n;
  return iError;
}

int place_output_file(OutputFile& Out) {
  if (Out.hFile == kNoFile) return 0;
  const HANDLE h = handle_of(Out.hFile);
  if (Out.bInPlace) {
    if (!Out.bCutAtFinish) return 0;
    LARGE_INTEGER At;
    At.QuadPart = Out.nWritten;
    if (!::SetFilePointerEx(h, At, nullptr, FILE_BEGIN) || !::SetEndOfFile(h)) return last_error();
    return 0;
  }
  if (!Out.bNamedTemp) return 0;
  wchar_t WcTemp[kPathMax], WcTarget[kPathMax];
  if (!to_wide_utf8(Out.ChTemp, WcTemp) || !to_wide_utf8(Out.ChTarget, WcTarget)) return EINVAL;
  if (!::MoveFileExW(WcTemp, WcTarget, MOVEFILE_REPLACE_EXISTING)) return last_error();
  Out.bNamedTemp = false;  // the name is the file's now
  return 0;
}

void abandon_output_file(OutputFile& Out) {
  if (Out.hFile != kNoFile) ::CloseHandle(handle_of(Out.hFile));
  Out.hFile = kNoFile;
  wchar_t WcTemp[kPathMax];
  if (Out.bNamedTemp && to_wide_utf8(Out.ChTemp, WcTemp)) ::DeleteFileW(WcTemp);
  Out.bNamedTemp = false;
}

int open_scratch_file(FileHandle& hFile) {
  wchar_t WcFolder[MAX_PATH + 1], WcName[MAX_PATH + 1];
  if (::GetTempPathW(MAX_PATH + 1, WcFolder) == 0 ||
      ::GetTempFileNameW(WcFolder, L"lbx", 0, WcName) == 0) {
    return last_error();
  }
  const HANDLE h = ::CreateFileW(WcName, GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                                 CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (h == INVALID_HANDLE_VALUE) return last_error();
  hFile = file_of(h);
  return 0;
}

int close_file(FileHandle hFile) {
  if (hFile == kNoFile || ::CloseHandle(handle_of(hFile))) return 0;
  return last_error();
}

namespace {

void (*pOnStop)(const char*, int) = nullptr;
// A control event is handled on a thread of its own; the run's thread is
// held still meanwhile, as a signal holds it on POSIX systems.
HANDLE hRunThread = nullptr;
volatile LONG nHeld = 0;

BOOL WINAPI on_console_event(DWORD iEvent) {
  const char* ChName = "Ctrl-C";
  int iSignal = 2;
  if (iEvent == CTRL_BREAK_EVENT) {
    ChName = "Ctrl-Break";
    iSignal = 21;
  } else if (iEvent == CTRL_CLOSE_EVENT || iEvent == CTRL_LOGOFF_EVENT ||
             iEvent == CTRL_SHUTDOWN_EVENT) {
    ChName = "the console window closing";
    iSignal = 1;
  }
  for (;;) {
    if (nHeld == 0) {
      ::SuspendThread(hRunThread);
      if (nHeld == 0) break;
      ::ResumeThread(hRunThread);
    }
    ::Sleep(1);
  }
  // Stops held from here on: the fatal door runs once.
  ::InterlockedIncrement(&nHeld);
  pOnStop(ChName, iSignal);
  return TRUE;
}

}  // namespace

void catch_stop_signals(void (*OnStop)(const char* ChSignal, int iSignal)) {
  pOnStop = OnStop;
  ::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(), &hRunThread,
                    0, FALSE, DUPLICATE_SAME_ACCESS);
  ::SetConsoleCtrlHandler(on_console_event, TRUE);
}

void hold_stop_signals() {
  ::InterlockedIncrement(&nHeld);
}

void release_stop_signals() {
  if (nHeld > 0) ::InterlockedDecrement(&nHeld);
}

[[noreturn]] void end_by_signal(int iSignal) {
  ::ExitProcess(static_cast<UINT>(128 + iSignal));
}

int read_standard_input(char* p, std::int64_t nRoom, std::int64_t& nRead) {
  DWORD nDone = 0;
  const DWORD nTry = nRoom > (1 << 30) ? (1 << 30) : static_cast<DWORD>(nRoom);
  nRead = 0;
  if (!::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), p, nTry, &nDone, nullptr)) {
    const DWORD iError = ::GetLastError();
    // A pipe whose writer has gone, or no input at all: the end.
    if (iError == ERROR_BROKEN_PIPE || iError == ERROR_HANDLE_EOF ||
        iError == ERROR_INVALID_HANDLE) {
      return 0;
    }
    return error_from(iError);
  }
  nRead = nDone;
  return 0;
}

int write_standard_output(const char* p, std::int64_t n) {
  return write_all(::GetStdHandle(STD_OUTPUT_HANDLE), p, n);
}

FileIdentity identity_of_standard(bool bOutput) {
  return identity_of_handle(::GetStdHandle(bOutput ? STD_OUTPUT_HANDLE : STD_INPUT_HANDLE));
}

void write_to_stderr(const char* p, std::int64_t n) {
  write_all(::GetStdHandle(STD_ERROR_HANDLE), p, n);
}

bool is_terminal(StandardStream iStream) {
  const DWORD iWhich = iStream == kStandardInput    ? STD_INPUT_HANDLE
                       : iStream == kStandardOutput ? STD_OUTPUT_HANDLE
                                                    : STD_ERROR_HANDLE;
  DWORD iMode = 0;
  return ::GetConsoleMode(::GetStdHandle(iWhich), &iMode) != 0;
}

const char kSystemLineEnd[] = "\r\n";

void* map_zeroed_memory(std::int64_t nBytes) {
  // Committed pages cost memory only where they are touched, and arrive
  // zeroed.
  return ::VirtualAlloc(nullptr, static_cast<SIZE_T>(nBytes), MEM_RESERVE | MEM_COMMIT,
                        PAGE_READWRITE);
}

void release_memory(void* p, std::int64_t) {
  ::VirtualFree(p, 0, MEM_RELEASE);
}

bool give_back_pages(void* p, std::int64_t nBytes) {
  constexpr std::uintptr_t kPage = 4096;
  const std::uintptr_t uFirst = (reinterpret_cast<std::uintptr_t>(p) + kPage - 1) / kPage * kPage;
  const std::uintptr_t uLast =
      (reinterpret_cast<std::uintptr_t>(p) + static_cast<std::uintptr_t>(nBytes)) / kPage * kPage;
  if (uLast <= uFirst) return false;
  void* pFirst = reinterpret_cast<void*>(uFirst);
  // Decommitted and committed again, the pages read as zero.
  return ::VirtualFree(pFirst, uLast - uFirst, MEM_DECOMMIT) &&
         ::VirtualAlloc(pFirst, uLast - uFirst, MEM_COMMIT, PAGE_READWRITE) != nullptr;
}

void advise_huge_pages(void*, std::int64_t) {}
void advise_populate_write(void*, std::int64_t) {}

bool read_local_clock(LocalClock& Now) {
  SYSTEMTIME Local;
  ::GetLocalTime(&Local);
  Now =
      LocalClock{Local.wYear, Local.wMonth, Local.wDay, Local.wHour, Local.wMinute, Local.wSecond};
  return true;
}

void pause_if_console_is_own() {
  DWORD iProcesses[2];
  DWORD iMode = 0;
  const HANDLE hIn = ::GetStdHandle(STD_INPUT_HANDLE);
  const auto nProcesses = static_cast<std::int32_t>(::GetConsoleProcessList(iProcesses, 2));
  if (!is_console_own(nProcesses, ::GetConsoleMode(hIn, &iMode) != 0)) return;
  constexpr char kAsk[] = "\r\n Press Enter to close this window.";
  write_all(::GetStdHandle(STD_OUTPUT_HANDLE), kAsk, sizeof kAsk - 1);
  char Ch[64];
  DWORD nRead = 0;
  ::FlushConsoleInputBuffer(hIn);
  ::ReadFile(hIn, Ch, sizeof Ch, &nRead, nullptr);
}

[[noreturn]] void end_process(int iExit) {
  ::ExitProcess(static_cast<UINT>(iExit));
}
