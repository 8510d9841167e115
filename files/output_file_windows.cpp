// Output files on Windows: the real folder found from the opened file
// (GetFinalPathNameByHandleW) and held open, the new file made there with
// CREATE_NEW under ".lablix-<process>-<n>", the older file's security
// descriptor (owner, group, DACL) and its hidden, system and not-indexed
// attributes carried over, and a rename of the new file by its handle to
// its name in the held folder.
//
// Held handles do the work of POSIX's locks and folder handles: a file or
// folder opened without FILE_SHARE_DELETE can be neither renamed nor
// deleted by anyone while it is open (nor, on NTFS, a folder above it).
// So while a run holds them, the folder's path and the older file's name
// stay what they were at the open, and another run cannot delete the new
// file (which is how a run tells the leftovers of dead runs, which it
// removes, from the files of live ones). The new file is marked for deletion
// while it is written, so that a killed run leaves nothing behind; only a
// kill in the few calls that give it its name can leave it there.
//
// Beside the POSIX form: the new file is always ".lablix-<process>-<n>", held open so
// that no one may delete it (the lock) and marked for deletion until it
// takes its name, so that even a killed run leaves it behind only when
// killed at that moment. What is carried over there is the security
// descriptor (owner, group, DACL) and the hidden, system and not-indexed
// attributes; a read-only file is refused as it cannot be written, and a
// file with other attributes (compressed, encrypted, sparse) or with named
// streams is written in place. An older file that another program holds
// open cannot be renamed over: its new content then goes into it in place
// at place_output_file. ChBase is UTF-8 there, and names are compared
// without regard to case. bUnnamed there means the mark for deletion.
#include <aclapi.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <initializer_list>

#include "files/output_file.h"
#include "files/output_file_system.h"
#include "platform/windows_names.h"

namespace {

// Other programs may read and write the file, but not rename or delete it.
constexpr DWORD kShareNoDelete = FILE_SHARE_READ | FILE_SHARE_WRITE;
// The attributes a new file is given as the older file has them. READONLY
// is refused at the open and ARCHIVE is the system's to set; any other
// (compressed, encrypted, sparse, offline, a reparse point) cannot be given
// to a new file as it stands, so such a file is written in place.
constexpr DWORD kCarriedAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
constexpr DWORD kPlainAttributes =
    kCarriedAttributes | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_READONLY;
constexpr SECURITY_INFORMATION kSecurityParts =
    OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;

void close_handle(FileHandle& h) {
  if (h != kNoFile) ::CloseHandle(handle_of(h));
  h = kNoFile;
}

int close_with(HANDLE h, int iError) {
  ::CloseHandle(h);
  return iError;
}

bool to_utf8(const wchar_t* Wc, char (&Ch)[MxPath]) {
  return ::WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, Wc, -1, Ch, MxPath, nullptr,
                               nullptr) > 0;
}

bool from_utf8(const char* Ch, wchar_t (&Wc)[MxPath]) {
  return ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, Ch, -1, Wc, MxPath) > 0;
}

// WcFolder, a separator unless it ends in one, and WcName.
bool join(const wchar_t* WcFolder, const wchar_t* WcName, wchar_t (&WcPath)[MxPath]) {
  const std::size_t nFolder = std::wcslen(WcFolder), nName = std::wcslen(WcName);
  const bool bSeparator = nFolder > 0 && WcFolder[nFolder - 1] != L'\\';
  if (nFolder + nName + 2 > static_cast<std::size_t>(MxPath)) return false;
  std::wmemcpy(WcPath, WcFolder, nFolder);
  if (bSeparator) WcPath[nFolder] = L'\\';
  std::wmemcpy(WcPath + nFolder + (bSeparator ? 1 : 0), WcName, nName + 1);
  return true;
}

// The path the system knows the open file or folder h by, links and
// junctions resolved: "\\?\C:\...", or the volume's GUID form for a volume
// without a drive letter. 0 or the error.
int final_path_of(HANDLE h, wchar_t (&WcPath)[MxPath]) {
  for (const DWORD iVolume : {VOLUME_NAME_DOS, VOLUME_NAME_GUID}) {
    const DWORD n = ::GetFinalPathNameByHandleW(h, WcPath, MxPath, FILE_NAME_NORMALIZED | iVolume);
    if (n > 0 && n < static_cast<DWORD>(MxPath)) return 0;
    if (n >= static_cast<DWORD>(MxPath)) return ENAMETOOLONG;
  }
  return last_error();
}

// Cuts WcPath at its last separator: WcPath keeps the folder (with its
// separator where it is a drive's root, "C:\"), ChBase takes the last part.
// EISDIR where the path ends in a separator.
int split_at_last_part(wchar_t* WcPath, char (&ChBase)[MxPath]) {
  wchar_t* pLast = std::wcsrchr(WcPath, L'\\');
  if (pLast == nullptr || pLast[1] == L'\0') return EISDIR;
  if (!to_utf8(pLast + 1, ChBase)) return EILSEQ;
  if (pLast > WcPath && pLast[-1] == L':') ++pLast;
  *pLast = L'\0';
  return 0;
}

FolderIdentity folder_identity(HANDLE h) {
  BY_HANDLE_FILE_INFORMATION Info;
  if (!::GetFileInformationByHandle(h, &Info)) return FolderIdentity{0, 0};
  return FolderIdentity{
      Info.dwVolumeSerialNumber,
      (static_cast<std::uint64_t>(Info.nFileIndexHigh) << 32 | Info.nFileIndexLow) + 1};
}

// Holds the folder WcFolder open so that it cannot be renamed or deleted
// (listing access: a handle with attribute access alone would not bind
// others). Where the folder may not be listed it is held without that.
int hold_folder(const wchar_t* WcFolder, OutputFile& Out) {
  HANDLE h = INVALID_HANDLE_VALUE;
  for (const DWORD iAccess : {FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES, FILE_READ_ATTRIBUTES}) {
    for (const DWORD iShare : {kShareNoDelete, kShareAll}) {
      h = ::CreateFileW(WcFolder, iAccess | SYNCHRONIZE, iShare, nullptr, OPEN_EXISTING,
                        FILE_FLAG_BACKUP_SEMANTICS, nullptr);
      if (h != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_SHARING_VIOLATION) break;
    }
    if (h != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_ACCESS_DENIED) break;
  }
  if (h == INVALID_HANDLE_VALUE) return last_error();
  Out.hFolder = file_of(h);
  BY_HANDLE_FILE_INFORMATION Info;
  if (!::GetFileInformationByHandle(h, &Info)) return last_error();
  if ((Info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return ENOTDIR;
  Out.Folder = folder_identity(h);
  return 0;
}

// The path of Out's name in its folder, as the folder stands now.
int name_path(const OutputFile& Out, const char* ChName, wchar_t (&WcPath)[MxPath]) {
  wchar_t WcFolder[MxPath], WcName[MxPath];
  const int iError = final_path_of(handle_of(Out.hFolder), WcFolder);
  if (iError != 0) return iError;
  if (!from_utf8(ChName, WcName)) return EILSEQ;
  return join(WcFolder, WcName, WcPath) ? 0 : ENAMETOOLONG;
}

// What the name in the folder holds now, links not followed: its identity
// in Id (iIndex 0 for none); false when the name holds nothing.
bool look_at_name(const OutputFile& Out, FileIdentity& Id, bool& bLink) {
  Id = FileIdentity{0, 0};
  bLink = false;
  wchar_t WcPath[MxPath];
  if (name_path(Out, Out.ChBase, WcPath) != 0) return true;
  const HANDLE h =
      ::CreateFileW(WcPath, FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                    FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD iError = ::GetLastError();
    return iError != ERROR_FILE_NOT_FOUND && iError != ERROR_PATH_NOT_FOUND;
  }
  BY_HANDLE_FILE_INFORMATION Info;
  if (::GetFileInformationByHandle(h, &Info)) {
    bLink = (Info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if ((Info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) Id = identity_of(file_of(h));
  }
  ::CloseHandle(h);
  return true;
}

bool name_leads_to_target(const OutputFile& Out) {
  FileIdentity Id;
  bool bLink;
  const bool bTaken = look_at_name(Out, Id, bLink);
  return Out.Target.iIndex == 0 ? !bTaken : is_same_file(Id, Out.Target);
}

// Marks the new file for deletion when its last handle closes, or takes
// the mark off; false where the system refuses.
bool mark_for_deletion(HANDLE h, bool bDelete) {
  FILE_DISPOSITION_INFO Info;
  Info.DeleteFile = bDelete ? TRUE : FALSE;
  return ::SetFileInformationByHandle(h, FileDispositionInfo, &Info, sizeof Info) != 0;
}

// Removes the temporary files in WcFolder that no run holds open any more
// (a kill or a power loss left them); a live run's file refuses to be
// deleted.
void remove_debris(const wchar_t* WcFolder) {
  wchar_t WcPrefix[MxTempName], WcAny[MxTempName], WcPattern[MxPath], WcPath[MxPath];
  ::MultiByteToWideChar(CP_UTF8, 0, kTempPrefix, -1, WcPrefix, MxTempName);
  const std::size_t nPrefix = std::wcslen(WcPrefix);
  std::wmemcpy(WcAny, WcPrefix, nPrefix);
  WcAny[nPrefix] = L'*';
  WcAny[nPrefix + 1] = L'\0';
  if (!join(WcFolder, WcAny, WcPattern)) return;
  WIN32_FIND_DATAW Found;
  const HANDLE hFind =
      ::FindFirstFileExW(WcPattern, FindExInfoBasic, &Found, FindExSearchNameMatch, nullptr, 0);
  if (hFind == INVALID_HANDLE_VALUE) return;
  do {
    // The pattern matches short names too: the long name must begin so.
    // Only names of the exact form a run gives them, never a user's own.
    char ChName[MxPath];
    unsigned long iProcess = 0;
    if (!to_utf8(Found.cFileName, ChName) || !is_temp_name(ChName, iProcess) ||
        (Found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 ||
        !join(WcFolder, Found.cFileName, WcPath)) {
      continue;
    }
    ::DeleteFileW(WcPath);
  } while (::FindNextFileW(hFind, &Found));
  ::FindClose(hFind);
}

// The new file in Out's folder, with the attributes iAttributes, marked for
// deletion until it takes its name.
int open_new_file(OutputFile& Out, DWORD iAttributes) {
  wchar_t WcFolder[MxPath], WcTemp[MxPath], WcName[64];
  const int iError = final_path_of(handle_of(Out.hFolder), WcFolder);
  if (iError != 0) return iError;
  constexpr DWORD kBaseAccess = GENERIC_READ | GENERIC_WRITE | DELETE;
  for (unsigned iTry = 0; iTry < 1000000; ++iTry) {
    make_temp_name(Out.ChTemp, static_cast<unsigned long>(::GetCurrentProcessId()), false, iTry);
    ::MultiByteToWideChar(CP_UTF8, 0, Out.ChTemp, -1, WcName, 64);
    if (!join(WcFolder, WcName, WcTemp)) return ENAMETOOLONG;
    HANDLE h = INVALID_HANDLE_VALUE;
    // With the rights to set its owner and DACL where the folder gives them.
    for (const DWORD iAccess :
         {kBaseAccess | WRITE_DAC | WRITE_OWNER | READ_CONTROL, kBaseAccess}) {
      h = ::CreateFileW(WcTemp, iAccess, kShareNoDelete, nullptr, CREATE_NEW,
                        iAttributes == 0 ? FILE_ATTRIBUTE_NORMAL : iAttributes, nullptr);
      if (h != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_ACCESS_DENIED) break;
    }
    if (h == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_FILE_EXISTS) continue;
    if (h == INVALID_HANDLE_VALUE) return last_error();
    Out.hFile = file_of(h);
    Out.bNamedTemp = true;
    Out.bUnnamed = mark_for_deletion(h, true);
    remove_debris(WcFolder);
    return 0;
  }
  return EEXIST;
}

}  // namespace

// The new file goes; the older file and the folder stay open.
void drop_new_file(OutputFile& Out) {
  if (Out.bNamedTemp && !Out.bUnnamed) mark_for_deletion(handle_of(Out.hFile), true);
  Out.bNamedTemp = Out.bUnnamed = false;
  close_handle(Out.hFile);
}

namespace {

bool is_same_acl(const ACL* pA, const ACL* pB) {
  if (pA == nullptr || pB == nullptr) return pA == pB;
  if (pA->AceCount != pB->AceCount) return false;
  for (DWORD i = 0; i < pA->AceCount; ++i) {
    void* pAceA;
    void* pAceB;
    if (!::GetAce(const_cast<ACL*>(pA), i, &pAceA) || !::GetAce(const_cast<ACL*>(pB), i, &pAceB)) {
      return false;
    }
    const WORD nSize = static_cast<const ACE_HEADER*>(pAceA)->AceSize;
    if (nSize != static_cast<const ACE_HEADER*>(pAceB)->AceSize ||
        std::memcmp(pAceA, pAceB, nSize) != 0) {
      return false;
    }
  }
  return true;
}

bool is_same_sid(PSID pA, PSID pB) {
  if (pA == nullptr || pB == nullptr) return pA == pB;
  return ::EqualSid(pA, pB) != 0;
}

bool is_dacl_protected(PSECURITY_DESCRIPTOR pDescriptor) {
  SECURITY_DESCRIPTOR_CONTROL iControl = 0;
  DWORD iRevision = 0;
  return ::GetSecurityDescriptorControl(pDescriptor, &iControl, &iRevision) &&
         (iControl & SE_DACL_PROTECTED) != 0;
}

// The security descriptor of a file: owner, group, DACL.
struct Security {
  PSECURITY_DESCRIPTOR pDescriptor = nullptr;  // the system's memory: LocalFree
  PSID pOwner = nullptr;
  PSID pGroup = nullptr;
  PACL pDacl = nullptr;
};

DWORD read_security(HANDLE h, Security& S) {
  return ::GetSecurityInfo(h, SE_FILE_OBJECT, kSecurityParts, &S.pOwner, &S.pGroup, &S.pDacl,
                           nullptr, &S.pDescriptor);
}

bool is_same_security(HANDLE h, const Security& Want) {
  Security Have;
  if (read_security(h, Have) != ERROR_SUCCESS) return false;
  const bool bSame = is_same_sid(Have.pOwner, Want.pOwner) &&
                     is_same_sid(Have.pGroup, Want.pGroup) && is_same_acl(Have.pDacl, Want.pDacl) &&
                     is_dacl_protected(Have.pDescriptor) == is_dacl_protected(Want.pDescriptor);
  ::LocalFree(Have.pDescriptor);
  return bSame;
}

// The older file's owner, group and DACL onto the new file (inherited
// entries come again from the folder they share); false when they do not
// all hold on it. A file system that keeps no security has none to carry.
bool carry_security(HANDLE hOlder, HANDLE hNew) {
  Security Older;
  const DWORD iError = read_security(hOlder, Older);
  if (iError != ERROR_SUCCESS) {
    return iError == ERROR_NOT_SUPPORTED || iError == ERROR_INVALID_FUNCTION;
  }
  bool bHeld = is_same_security(hNew, Older);
  if (!bHeld) {
    const SECURITY_INFORMATION iParts =
        kSecurityParts |
        (is_dacl_protected(Older.pDescriptor) ? PROTECTED_DACL_SECURITY_INFORMATION
                                              : UNPROTECTED_DACL_SECURITY_INFORMATION);
    bHeld = ::SetSecurityInfo(hNew, SE_FILE_OBJECT, iParts, Older.pOwner, Older.pGroup, Older.pDacl,
                              nullptr) == ERROR_SUCCESS &&
            is_same_security(hNew, Older);
  }
  ::LocalFree(Older.pDescriptor);
  return bHeld;
}

bool has_attributes(HANDLE h, DWORD iAttributes) {
  BY_HANDLE_FILE_INFORMATION Info;
  return ::GetFileInformationByHandle(h, &Info) &&
         (Info.dwFileAttributes & iAttributes) == iAttributes;
}

// Whether the file has streams besides its content (a download's zone
// mark, a program's notes), which a new file would not have.
bool has_named_streams(HANDLE h) {
  alignas(8) char ChInfo[4096];
  if (!::GetFileInformationByHandleEx(h, FileStreamInfo, ChInfo, sizeof ChInfo)) {
    return ::GetLastError() == ERROR_MORE_DATA;
  }
  return reinterpret_cast<const FILE_STREAM_INFO*>(ChInfo)->NextEntryOffset != 0;
}

// The older file's size, last write and change times into nBytes and iTimes;
// false when they cannot be read.
bool read_older_state(HANDLE h, std::int64_t& nBytes, std::int64_t (&iTimes)[2]) {
  FILE_BASIC_INFO Basic;
  FILE_STANDARD_INFO Standard;
  if (!::GetFileInformationByHandleEx(h, FileBasicInfo, &Basic, sizeof Basic) ||
      !::GetFileInformationByHandleEx(h, FileStandardInfo, &Standard, sizeof Standard)) {
    return false;
  }
  nBytes = Standard.EndOfFile.QuadPart;
  iTimes[0] = Basic.LastWriteTime.QuadPart;
  iTimes[1] = Basic.ChangeTime.QuadPart;
  return true;
}

// Whether the older file still has the size and times it had at the open.
bool is_older_unchanged(const OutputFile& Out) {
  std::int64_t nBytes = 0, iTimes[2] = {};
  return read_older_state(handle_of(Out.hOlder), nBytes, iTimes) && nBytes == Out.nOlderBytes &&
         iTimes[0] == Out.iOlderTimes[0] && iTimes[1] == Out.iOlderTimes[1];
}

// How long a run waits for another that is copying into the same file.
constexpr int MxLockWaitMillis = 30000;

// Takes the lock on the whole older file that runs writing it in place
// share (released when its handle closes); 0 or the error.
int lock_older(HANDLE h) {
  for (int iWaited = 0;; iWaited += 5) {
    OVERLAPPED At{};
    if (::LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD,
                     &At)) {
      return 0;
    }
    if (::GetLastError() != ERROR_LOCK_VIOLATION || iWaited >= MxLockWaitMillis) {
      return last_error();
    }
    ::Sleep(5);
  }
}

// The older file is kept and written over at the place; until then the
// run's bytes go to a scratch file.
int write_in_place(OutputFile& Out) {
  Out.iWriting = kWritingInPlace;
  Out.Own = Out.Target;
  return open_scratch_file(Out.hFile);
}

// The folder that holds the opened file hOlder, and its name there; the
// name must lead to that very file.
int find_folder(HANDLE hOlder, OutputFile& Out) {
  wchar_t WcReal[MxPath];
  int iError = final_path_of(hOlder, WcReal);
  if (iError == 0) iError = split_at_last_part(WcReal, Out.ChBase);
  if (iError != 0) return iError;
  const int iFolderError = hold_folder(WcReal, Out);
  if (iFolderError != 0) return iFolderError;
  return name_leads_to_target(Out) ? 0 : kOutputNameTaken;
}

// The name holds a file, open as h.
int open_over_existing(HANDLE h, OutputFile& Out) {
  const DWORD iType = ::GetFileType(h);
  if (iType == FILE_TYPE_CHAR) {  // NUL
    Out.hFile = file_of(h);
    Out.iWriting = kWritingDirect;
    return 0;
  }
  if (iType != FILE_TYPE_DISK) return close_with(h, EINVAL);
  Out.hOlder = file_of(h);
  BY_HANDLE_FILE_INFORMATION Info;
  if (!::GetFileInformationByHandle(h, &Info)) return last_error();
  if ((Info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return EISDIR;
  // Windows lets no program write a read-only file; Wine run by the
  // superuser would.
  if ((Info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) return EACCES;
  Out.Target = identity_of(Out.hOlder);
  if (!read_older_state(h, Out.nOlderBytes, Out.iOlderTimes)) return last_error();
  const int iError = find_folder(h, Out);
  if (iError != 0) return iError;
  if ((Info.dwFileAttributes & ~kPlainAttributes) != 0 || has_named_streams(h)) {
    return write_in_place(Out);
  }
  const DWORD iCarried = Info.dwFileAttributes & kCarriedAttributes;
  const int iNewError = open_new_file(Out, iCarried);
  if (iNewError == EACCES) return write_in_place(Out);  // the folder takes no new file
  if (iNewError != 0) return iNewError;
  if (!carry_security(h, handle_of(Out.hFile)) || !has_attributes(handle_of(Out.hFile), iCarried)) {
    drop_new_file(Out);
    return write_in_place(Out);
  }
  Out.iWriting = kWritingReplaced;
  return 0;
}

// The name holds no file: the folder it names, reached through any links
// and junctions, takes a new one.
int open_missing(const wchar_t* WcPath, OutputFile& Out) {
  wchar_t WcFull[MxPath];
  const DWORD n = ::GetFullPathNameW(WcPath, MxPath, WcFull, nullptr);
  if (n == 0) return last_error();
  if (n >= static_cast<DWORD>(MxPath)) return ENAMETOOLONG;
  for (wchar_t* p = WcFull; *p != L'\0'; ++p) {
    if (*p == L'/') *p = L'\\';
  }
  int iError = split_at_last_part(WcFull, Out.ChBase);
  if (iError == 0) iError = hold_folder(WcFull, Out);
  if (iError != 0) return iError;
  FileIdentity Id;
  bool bLink;
  if (look_at_name(Out, Id, bLink)) {
    // A link that leads nowhere: no file is made where it would lead.
    return bLink ? ENOENT : kOutputNameTaken;
  }
  Out.iWriting = kWritingReplaced;
  return open_new_file(Out, 0);
}

// Gives the new file, by its handle, Out's name in the held folder: over the
// older file (bReplace) or only where the name is still free. The name is
// given as the folder's whole path, which the held folder keeps.
DWORD rename_new_file(const OutputFile& Out, bool bReplace) {
  // static: the rename's record holds the path at its end.
  alignas(
      FILE_RENAME_INFO) static char ChRecord[sizeof(FILE_RENAME_INFO) + MxPath * sizeof(wchar_t)];
  static wchar_t WcPath[MxPath];
  const int iError = name_path(Out, Out.ChBase, WcPath);
  if (iError == ENAMETOOLONG) return ERROR_FILENAME_EXCED_RANGE;
  if (iError != 0) return ERROR_INVALID_NAME;
  const std::size_t nPath = std::wcslen(WcPath);
  auto* pInfo = reinterpret_cast<FILE_RENAME_INFO*>(ChRecord);
  std::memset(ChRecord, 0, sizeof ChRecord);
  pInfo->ReplaceIfExists = bReplace ? TRUE : FALSE;
  pInfo->RootDirectory = nullptr;
  pInfo->FileNameLength = static_cast<DWORD>(nPath * sizeof(wchar_t));
  std::wmemcpy(pInfo->FileName, WcPath, nPath + 1);
  const auto nRecord = static_cast<DWORD>(sizeof(FILE_RENAME_INFO) + nPath * sizeof(wchar_t));
  if (::SetFileInformationByHandle(handle_of(Out.hFile), FileRenameInfo, pInfo, nRecord)) {
    return ERROR_SUCCESS;
  }
  return ::GetLastError();
}

// Copies the first n bytes of hFrom into hTo from its start and cuts hTo
// there; hTo then stands at its end.
int copy_into(HANDLE hFrom, HANDLE hTo, std::int64_t n) {
  static char ChCopy[1 << 16];
  for (std::int64_t iAt = 0; iAt < n;) {
    OVERLAPPED At{};
    At.Offset = static_cast<DWORD>(iAt);
    At.OffsetHigh = static_cast<DWORD>(iAt >> 32);
    const DWORD nTry = n - iAt < static_cast<std::int64_t>(sizeof ChCopy)
                           ? static_cast<DWORD>(n - iAt)
                           : static_cast<DWORD>(sizeof ChCopy);
    DWORD nRead = 0;
    if (!::ReadFile(hFrom, ChCopy, nTry, &nRead, &At)) return last_error();
    if (nRead == 0) return EIO;
    LARGE_INTEGER To;
    To.QuadPart = iAt;
    if (!::SetFilePointerEx(hTo, To, nullptr, FILE_BEGIN)) return last_error();
    const int iError = write_all(hTo, ChCopy, nRead);
    if (iError != 0) return iError;
    iAt += nRead;
  }
  LARGE_INTEGER End;
  End.QuadPart = n;
  if (!::SetFilePointerEx(hTo, End, nullptr, FILE_BEGIN) || !::SetEndOfFile(hTo)) {
    return last_error();
  }
  return 0;
}

// The older file is open in another program, which Windows lets no rename
// replace: the complete new content goes into it in place instead, through
// its name, which must still lead to it.
int place_into_held_older(OutputFile& Out) {
  wchar_t WcPath[MxPath];
  int iError = name_path(Out, Out.ChBase, WcPath);
  if (iError != 0) return iError;
  const HANDLE h = ::CreateFileW(WcPath, GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return last_error();
  if (!is_same_file(identity_of(file_of(h)), Out.Target)) return close_with(h, kOutputNameTaken);
  iError = copy_into(handle_of(Out.hFile), h, Out.nWritten);
  if (iError != 0) return close_with(h, iError);
  drop_new_file(Out);
  Out.hFile = file_of(h);
  Out.Own = Out.Target;
  return 0;
}

// The handle that renamed the file holds the right to delete it, which
// keeps every program that does not share deletion (most open files so)
// from reading it: once it has its name, the run writes on through a
// handle without that right, from where it stands.
void let_others_delete(OutputFile& Out) {
  const HANDLE h = ::ReOpenFile(handle_of(Out.hFile), GENERIC_READ | GENERIC_WRITE, kShareAll, 0);
  LARGE_INTEGER End;
  End.QuadPart = Out.nWritten;
  if (h == INVALID_HANDLE_VALUE) return;
  if (!::SetFilePointerEx(h, End, nullptr, FILE_BEGIN)) {
    ::CloseHandle(h);
    return;
  }
  close_handle(Out.hFile);
  Out.hFile = file_of(h);
}

}  // namespace

// The new file keeps its handle to the end on Windows: it is renamed by it.
int place_replaced(OutputFile& Out, bool /*bClosing*/) {
  const bool bOver = Out.Target.iIndex != 0;
  // Checked while the older file is held, so that its name cannot change
  // between the look and the rename but for the moment its handle must be
  // closed: Windows replaces no file that is open.
  if (bOver && !name_leads_to_target(Out)) return kOutputNameTaken;
  if (bOver && !is_older_unchanged(Out)) return kOutputChanged;
  if (Out.bUnnamed) {
    if (!mark_for_deletion(handle_of(Out.hFile), false)) return last_error();
    Out.bUnnamed = false;
  }
  close_handle(Out.hOlder);
  const DWORD iError = rename_new_file(Out, bOver);
  if (iError == ERROR_SUCCESS) {
    Out.bNamedTemp = false;
    let_others_delete(Out);
    return 0;
  }
  if (!bOver && (iError == ERROR_ALREADY_EXISTS || iError == ERROR_FILE_EXISTS)) {
    return kOutputNameTaken;
  }
  if (bOver && (iError == ERROR_ACCESS_DENIED || iError == ERROR_SHARING_VIOLATION)) {
    return place_into_held_older(Out);
  }
  return error_from(iError);
}

// The complete new content, from the scratch file into the older file from
// its start, under the lock and only while the older file is as it was at
// the open; the older file is then cut to its length and is written to
// from there on.
int place_in_place(OutputFile& Out, bool /*bClosing*/) {
  const int iLockError = lock_older(handle_of(Out.hOlder));
  if (iLockError != 0) return iLockError;
  if (!is_older_unchanged(Out)) return kOutputChanged;
  const int iError = copy_into(handle_of(Out.hFile), handle_of(Out.hOlder), Out.nWritten);
  // The copy is done: other programs may read the file again, and a run
  // that waits may look (and find the file changed).
  OVERLAPPED At{};
  ::UnlockFileEx(handle_of(Out.hOlder), 0, MAXDWORD, MAXDWORD, &At);
  if (iError != 0) return iError;
  close_handle(Out.hFile);
  Out.hFile = Out.hOlder;
  Out.hOlder = kNoFile;
  return 0;
}

namespace {

// Opens the existing file for output, and for reading: a file that may be
// written but not read cannot be looked at before it is replaced, and is
// refused. Held so that no one renames or deletes it while the run lives,
// unless another program already holds it for that.
HANDLE open_older(const wchar_t* WcPath) {
  HANDLE h = INVALID_HANDLE_VALUE;
  for (const DWORD iShare : {kShareNoDelete, kShareAll}) {
    h = ::CreateFileW(WcPath, GENERIC_READ | GENERIC_WRITE, iShare, nullptr, OPEN_EXISTING,
                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_SHARING_VIOLATION) break;
  }
  return h;
}

}  // namespace

int open_output_file(const char* ChPath, OutputFile& Out) {
  Out = OutputFile{};
  wchar_t WcPath[MxPath];
  int iError = wide_path_for_open(ChPath, WcPath);
  if (iError != 0) return iError;
  if (is_folder(WcPath)) return EISDIR;
  const HANDLE h = open_older(WcPath);
  if (h != INVALID_HANDLE_VALUE) {
    iError = open_over_existing(h, Out);
  } else if (::GetLastError() == ERROR_FILE_NOT_FOUND) {
    iError = open_missing(WcPath, Out);
  } else {
    iError = last_error();
  }
  if (iError != 0) {
    abandon_output_file(Out);
    return iError;
  }
  if (Out.iWriting == kWritingReplaced) Out.Own = identity_of(Out.hFile);
  return 0;
}

bool is_same_new_file(const OutputFile& A, const OutputFile& B) {
  if (A.Folder.iIndex == 0 || A.Folder.iIndex != B.Folder.iIndex ||
      A.Folder.iDevice != B.Folder.iDevice) {
    return false;
  }
  wchar_t WcA[MxPath], WcB[MxPath];
  if (!from_utf8(A.ChBase, WcA) || !from_utf8(B.ChBase, WcB)) return false;
  // Windows' file systems do not tell case apart: "X.LAB" is "x.lab".
  return ::CompareStringOrdinal(WcA, -1, WcB, -1, TRUE) == CSTR_EQUAL;
}

std::int64_t read_older_at(const OutputFile& Out, std::int64_t iAt, char* p, std::int64_t nRoom) {
  if (Out.hOlder == kNoFile) return 0;
  std::int64_t nHave = 0;
  while (nHave < nRoom) {
    OVERLAPPED At{};
    At.Offset = static_cast<DWORD>(iAt + nHave);
    At.OffsetHigh = static_cast<DWORD>((iAt + nHave) >> 32);
    const std::int64_t nLeft = nRoom - nHave;
    DWORD nRead = 0;
    if (!::ReadFile(handle_of(Out.hOlder), p + nHave,
                    nLeft > (1 << 30) ? (1 << 30) : static_cast<DWORD>(nLeft), &nRead, &At) ||
        nRead == 0) {
      break;
    }
    nHave += nRead;
  }
  return nHave;
}

int write_output_file(OutputFile& Out, const char* p, std::int64_t n) {
  const int iError = write_all(handle_of(Out.hFile), p, n);
  if (iError == 0) Out.nWritten += n;
  return iError;
}
