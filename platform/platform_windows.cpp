// The platform layer on Windows: handles, file mappings, scratch files and
// the console's control events (output files are output_file_windows.cpp).
//
// File names arrive as the bytes a user typed or a script passed. They are
// taken as UTF-8 when they are valid UTF-8 (what scripts and modern
// consoles send), otherwise in the console's input code page when standard
// input is a console, otherwise in the system's ANSI code page; the file is
// then opened by its UTF-16 name. So "Ærøy_T1.FEM" typed in a console of
// code page 850 or 1252, or passed as UTF-8, finds the file.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cwchar>

#include "platform/platform.h"
#include "platform/windows_names.h"

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
      return kForbiddenName;
    case ERROR_DIRECTORY:  // a folder part of the name is a file
      return ENOTDIR;
    default:
      return EIO;
  }
}

int last_error() {
  return error_from(::GetLastError());
}

namespace {

bool is_valid_utf8(const char* Ch) {
  return ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, Ch, -1, nullptr, 0) > 0;
}

// The UTF-16 form of a typed name (see the top of this file).
bool wide_name(const char* ChPath, wchar_t (&WcPath)[MxPath]) {
  UINT iCodePage = CP_ACP;
  DWORD iMode = 0;
  if (is_valid_utf8(ChPath)) {
    iCodePage = CP_UTF8;
  } else if (::GetConsoleMode(::GetStdHandle(STD_INPUT_HANDLE), &iMode)) {
    iCodePage = ::GetConsoleCP();
  }
  return ::MultiByteToWideChar(iCodePage, 0, ChPath, -1, WcPath, MxPath) > 0;
}

// The console, a printer, a port, or the bit bucket: Windows takes the last
// part of a name for the device when what stands before its first dot,
// trailing blanks left off, is a device's name, whatever the extension
// ("con.txt", "nul.lab", "COM1 .lst"). Plain "NUL" is the bit bucket and
// allowed; NUL with an extension would be the bit bucket too, and an
// output that vanishes is refused.
bool is_reserved_device(const wchar_t* WcBase) {
  static const wchar_t* const kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
  constexpr std::size_t MxStem = 16;
  wchar_t WcStem[MxStem];
  std::size_t n = 0;
  while (WcBase[n] != L'\0' && WcBase[n] != L'.' && n + 1 < MxStem) {
    WcStem[n] = WcBase[n];
    ++n;
  }
  const bool bExtension = WcBase[n] == L'.';
  while (n > 0 && WcStem[n - 1] == L' ')
    --n;
  WcStem[n] = L'\0';
  for (const wchar_t* WcDevice : kDevices) {
    if (::lstrcmpiW(WcStem, WcDevice) == 0) return bExtension || ::lstrcmpiW(WcStem, L"NUL") != 0;
  }
  // COM1 to COM9 and LPT1 to LPT9, and with the superscript digits 1 to 3.
  const wchar_t WcDigit = n == 4 ? WcStem[3] : L'\0';
  const bool bPort = (WcDigit >= L'1' && WcDigit <= L'9') || WcDigit == L'\u00b9' ||
                     WcDigit == L'\u00b2' || WcDigit == L'\u00b3';
  return bPort && (::CompareStringOrdinal(WcStem, 3, L"COM", 3, TRUE) == CSTR_EQUAL ||
                   ::CompareStringOrdinal(WcStem, 3, L"LPT", 3, TRUE) == CSTR_EQUAL);
}

// Names that Windows forbids or turns into something else: a reserved
// device (above), a character no name may hold, a last part ending in a dot
// or a blank.
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

}  // namespace

int wide_path_for_open(const char* ChPath, wchar_t (&WcPath)[MxPath]) {
  if (!wide_name(ChPath, WcPath)) return ENAMETOOLONG;
  if (is_forbidden_name(WcPath)) return kForbiddenName;
  return 0;
}

bool is_folder(const wchar_t* WcPath) {
  const DWORD iAttributes = ::GetFileAttributesW(WcPath);
  return iAttributes != INVALID_FILE_ATTRIBUTES && (iAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
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

namespace {

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

}  // namespace

FileIdentity identity_of(FileHandle hFile) {
  return identity_of_handle(handle_of(hFile));
}

int open_regular_file(const char* ChPath, RegularOpen iWay, FileHandle& hFile, FileIdentity& Id) {
  wchar_t WcPath[MxPath];
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
void (*pOnFault)(const void*) = nullptr;
LONG CALLBACK on_exception(EXCEPTION_POINTERS* pInfo) {
  // A mapped file cut short under the run: the page cannot be read in. The
  // second word of the record is the address that faulted.
  const EXCEPTION_RECORD* pRecord = pInfo->ExceptionRecord;
  if (pRecord->ExceptionCode == EXCEPTION_IN_PAGE_ERROR && pOnFault != nullptr) {
    pOnFault(pRecord->NumberParameters >= 2
                 ? reinterpret_cast<const void*>(pRecord->ExceptionInformation[1])
                 : nullptr);
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

int version_of_handle(HANDLE h, FileVersion& Version) {
  BY_HANDLE_FILE_INFORMATION Info;
  if (!::GetFileInformationByHandle(h, &Info)) return last_error();
  Version.nSize = static_cast<std::int64_t>(static_cast<std::uint64_t>(Info.nFileSizeHigh) << 32 |
                                            Info.nFileSizeLow);
  Version.iModified = static_cast<std::int64_t>(
      static_cast<std::uint64_t>(Info.ftLastWriteTime.dwHighDateTime) << 32 |
      Info.ftLastWriteTime.dwLowDateTime);
  Version.Id = identity_of_handle(h);
  return 0;
}

}  // namespace

int version_of(FileHandle hFile, FileVersion& Version) {
  return version_of_handle(handle_of(hFile), Version);
}

int version_of_name(const char* ChPath, FileVersion& Version) {
  wchar_t WcPath[MxPath];
  const int iNameError = wide_path_for_open(ChPath, WcPath);
  if (iNameError != 0) return iNameError;
  // Opened for its attributes alone: no access is asked, none is denied.
  const HANDLE h = open_wide(WcPath, 0, OPEN_EXISTING);
  if (h == INVALID_HANDLE_VALUE) return last_error();
  const int iError = version_of_handle(h, Version);
  ::CloseHandle(h);
  return iError;
}

void keep_standard_streams_open() {}

void catch_input_faults(void (*OnFault)(const void* pAt)) {
  if (pOnFault == nullptr) ::AddVectoredExceptionHandler(1, on_exception);
  pOnFault = OnFault;
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

const bool kProgramExpandsPatterns = true;

namespace {

// Two names as arguments carry them (the ANSI code page), compared as
// Windows lists files: without regard to case.
bool is_before_ignoring_case(const char* ChA, const char* ChB) {
  wchar_t WcA[MxPath], WcB[MxPath];
  const int nA = ::MultiByteToWideChar(CP_ACP, 0, ChA, -1, WcA, MxPath) - 1;
  const int nB = ::MultiByteToWideChar(CP_ACP, 0, ChB, -1, WcB, MxPath) - 1;
  if (nA < 0 || nB < 0) return std::strcmp(ChA, ChB) < 0;
  const int iOrder = ::CompareStringOrdinal(WcA, nA, WcB, nB, TRUE);
  if (iOrder != CSTR_EQUAL) return iOrder == CSTR_LESS_THAN;
  return std::strcmp(ChA, ChB) < 0;
}

}  // namespace

int list_matching_files(const char* ChPattern, NameStore& Store) {
  wchar_t WcPattern[MxPath];
  if (::MultiByteToWideChar(CP_ACP, 0, ChPattern, -1, WcPattern, MxPath) <= 0) return ENAMETOOLONG;
  // The folder part stays as typed, before each name found.
  std::size_t nFolder = 0;
  for (std::size_t i = 0; ChPattern[i] != '\0'; ++i) {
    if (ChPattern[i] == '\\' || ChPattern[i] == '/' || (i == 1 && ChPattern[i] == ':')) {
      nFolder = i + 1;
    }
  }
  const std::int64_t nUsedBefore = Store.nUsed;
  const std::int32_t nNamesBefore = Store.nNames;
  WIN32_FIND_DATAW Found;
  const HANDLE hFind =
      ::FindFirstFileExW(WcPattern, FindExInfoBasic, &Found, FindExSearchNameMatch, nullptr, 0);
  if (hFind == INVALID_HANDLE_VALUE) return 0;
  int iError = 0;
  do {
    if ((Found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
    char ChName[MxPath];
    BOOL bLost = FALSE;
    const int nName =
        ::WideCharToMultiByte(CP_ACP, 0, Found.cFileName, -1, ChName, MxPath, nullptr, &bLost);
    if (nName <= 0 || bLost) {
      // A name the ANSI code page cannot spell: its short form, where the
      // volume keeps one, opens the same file.
      if (Found.cAlternateFileName[0] == L'\0' ||
          ::WideCharToMultiByte(CP_ACP, 0, Found.cAlternateFileName, -1, ChName, MxPath, nullptr,
                                nullptr) <= 0) {
        continue;
      }
    }
    const std::int64_t nNeeded = static_cast<std::int64_t>(nFolder + std::strlen(ChName) + 1);
    if (Store.nUsed + nNeeded > Store.nRoom || Store.nNames >= Store.MxNames) {
      iError = ENOMEM;
      break;
    }
    char* pName = Store.Ch + Store.nUsed;
    std::memcpy(pName, ChPattern, nFolder);
    std::memcpy(pName + nFolder, ChName, std::strlen(ChName) + 1);
    Store.nUsed += nNeeded;
    Store.ChNames[Store.nNames++] = pName;
  } while (::FindNextFileW(hFind, &Found));
  ::FindClose(hFind);
  if (iError != 0) {
    Store.nUsed = nUsedBefore;
    Store.nNames = nNamesBefore;
    return iError;
  }
  std::sort(Store.ChNames + nNamesBefore, Store.ChNames + Store.nNames, is_before_ignoring_case);
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

namespace {

// The program's own file, and the name it was started by (shown as the
// new process's argv[0]).
wchar_t WcOwnProgram[MxPath];
const char* ChOwnName = "lablix";

// Appends Text to the command line at WcLine as the C run-time of the new
// process splits it back into one argument; false when it does not fit.
bool append_argument(wchar_t* WcLine, std::size_t& nAt, std::size_t nRoom, const wchar_t* Wc) {
  auto put = [&](wchar_t c) {
    if (nAt + 1 >= nRoom) return false;
    WcLine[nAt++] = c;
    return true;
  };
  if (nAt > 0 && !put(L' ')) return false;
  if (!put(L'"')) return false;
  std::size_t nSlashes = 0;
  for (const wchar_t* p = Wc; *p != L'\0'; ++p) {
    if (*p == L'\\') {
      ++nSlashes;
      continue;
    }
    for (std::size_t k = 0; k < (*p == L'"' ? 2 * nSlashes + 1 : nSlashes); ++k)
      if (!put(L'\\')) return false;
    nSlashes = 0;
    if (!put(*p)) return false;
  }
  for (std::size_t k = 0; k < 2 * nSlashes; ++k)
    if (!put(L'\\')) return false;
  if (!put(L'"')) return false;
  WcLine[nAt] = L'\0';
  return true;
}

HANDLE inheritable(FileHandle hFile, DWORD iStandard) {
  const HANDLE h = hFile == kNoFile ? ::GetStdHandle(iStandard) : handle_of(hFile);
  ::SetHandleInformation(h, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  return h;
}

}  // namespace

void note_own_program(const char* ChArg0) {
  if (ChArg0 != nullptr && ChArg0[0] != '\0') ChOwnName = ChArg0;
  const DWORD n = ::GetModuleFileNameW(nullptr, WcOwnProgram, MxPath);
  if (n == 0 || n >= static_cast<DWORD>(MxPath)) WcOwnProgram[0] = L'\0';
}

int start_own_program(const char* const* ChArgs, std::int32_t nArgs, FileHandle hOut,
                      FileHandle hErr, ProcessHandle& hProcess) {
  if (WcOwnProgram[0] == L'\0' || nArgs < 0 || nArgs > MxOwnArgs) return EINVAL;
  // The arguments arrived in the ANSI code page (the C run-time's form of
  // the command line); the new process gets them back the same way.
  static wchar_t WcLine[32768];
  wchar_t WcArg[MxPath];
  std::size_t nAt = 0;
  WcLine[0] = L'\0';
  for (std::int32_t i = -1; i < nArgs; ++i) {
    const char* ChArg = i < 0 ? ChOwnName : ChArgs[i];
    if (::MultiByteToWideChar(CP_ACP, 0, ChArg, -1, WcArg, MxPath) <= 0 ||
        !append_argument(WcLine, nAt, sizeof WcLine / sizeof WcLine[0], WcArg)) {
      return ENAMETOOLONG;
    }
  }
  STARTUPINFOW Start{};
  Start.cb = sizeof Start;
  Start.dwFlags = STARTF_USESTDHANDLES;
  Start.hStdInput = inheritable(kNoFile, STD_INPUT_HANDLE);
  Start.hStdOutput = inheritable(hOut, STD_OUTPUT_HANDLE);
  Start.hStdError = inheritable(hErr, STD_ERROR_HANDLE);
  PROCESS_INFORMATION Process{};
  if (!::CreateProcessW(WcOwnProgram, WcLine, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &Start,
                        &Process)) {
    return last_error();
  }
  ::CloseHandle(Process.hThread);
  hProcess = reinterpret_cast<ProcessHandle>(Process.hProcess);
  return 0;
}

int wait_for_process(const ProcessHandle* hProcesses, std::int32_t n, std::int32_t& iWhich,
                     int& iExit) {
  HANDLE hWait[MAXIMUM_WAIT_OBJECTS];
  std::int32_t iIndex[MAXIMUM_WAIT_OBJECTS];
  DWORD nWait = 0;
  for (std::int32_t i = 0; i < n && nWait < MAXIMUM_WAIT_OBJECTS; ++i) {
    if (hProcesses[i] == kNoProcess) continue;
    hWait[nWait] = reinterpret_cast<HANDLE>(hProcesses[i]);
    iIndex[nWait++] = i;
  }
  if (nWait == 0) return ECHILD;
  const DWORD iDone = ::WaitForMultipleObjects(nWait, hWait, FALSE, INFINITE);
  if (iDone >= WAIT_OBJECT_0 + nWait) return last_error();
  const HANDLE h = hWait[iDone - WAIT_OBJECT_0];
  DWORD iCode = 0;
  ::GetExitCodeProcess(h, &iCode);
  ::CloseHandle(h);
  iWhich = iIndex[iDone - WAIT_OBJECT_0];
  iExit = static_cast<int>(iCode);
  return 0;
}

void pass_stop_signal(ProcessHandle, int) {}

std::int32_t count_processors() {
  const DWORD n = ::GetActiveProcessorCount(ALL_PROCESSOR_GROUPS);
  return n < 1 ? 1 : n > 4096 ? 4096 : static_cast<std::int32_t>(n);
}

int pour_scratch_file(FileHandle hScratch, StandardStream iTo) {
  const HANDLE h = handle_of(hScratch);
  const HANDLE hTo = ::GetStdHandle(iTo == kStandardOutput ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  char Ch[16384];
  LARGE_INTEGER Start{};
  if (!::SetFilePointerEx(h, Start, nullptr, FILE_BEGIN)) return last_error();
  for (;;) {
    DWORD nRead = 0;
    if (!::ReadFile(h, Ch, sizeof Ch, &nRead, nullptr)) return last_error();
    if (nRead == 0) break;
    const int iError = write_all(hTo, Ch, nRead);
    if (iError != 0) return iError;
  }
  if (!::SetFilePointerEx(h, Start, nullptr, FILE_BEGIN) || !::SetEndOfFile(h)) {
    return last_error();
  }
  return 0;
}

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
