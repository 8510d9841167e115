// Output files on POSIX systems (Linux first): a handle on the folder that
// holds the name (O_PATH), the new file nameless (O_TMPFILE) or locked under
// a temporary name, the older file's attributes carried over by fchown,
// fchmod and the extended attributes (ACLs are among them), and a rename
// relative to the folder.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <sys/xattr.h>
#include <unistd.h>
#if defined(__linux__)
#include <linux/fs.h>
#include <sys/syscall.h>
#if __has_include(<linux/openat2.h>)
#include <linux/openat2.h>
#endif
#endif

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "files/output_file.h"
#include "files/output_file_system.h"
#include "platform/posix_files.h"

namespace {

constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
// More links than this in a row are a loop, as the system counts them.
constexpr int MxLinkHops = 40;

bool is_same_inode(const struct stat& A, const struct stat& B) {
  return A.st_dev == B.st_dev && A.st_ino == B.st_ino;
}

int close_with(int iFd, int iError) {
  if (iFd >= 0) ::close(iFd);
  return iError;
}

void close_handle(FileHandle& h) {
  if (h != kNoFile) ::close(static_cast<int>(h));
  h = kNoFile;
}

int fd_of(FileHandle h) {
  return static_cast<int>(h);
}

int write_all_at(int iFd, const char* p, std::int64_t n, std::int64_t iAt) {
  while (n > 0) {
    const ssize_t nDone = ::pwrite(iFd, p, static_cast<std::size_t>(n), static_cast<off_t>(iAt));
    if (nDone < 0 && errno == EINTR) continue;
    if (nDone < 0) return errno;
    if (nDone == 0) return EIO;
    p += nDone;
    n -= nDone;
    iAt += nDone;
  }
  return 0;
}

// True when the system says the open file iFd is the root of a mount; false
// where it does not tell.
bool says_mount_root(int iFd) {
#if defined(STATX_ATTR_MOUNT_ROOT)
  struct statx X;
  return ::statx(iFd, "", AT_EMPTY_PATH, 0, &X) == 0 &&
         (X.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0 &&
         (X.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
#else
  (void)iFd;
  return false;
#endif
}

// A file mounted over its name (a bind mount) cannot be renamed over.
bool is_mount_root(int iFd, const struct stat& Info, const struct stat& Folder) {
  return Info.st_dev != Folder.st_dev || says_mount_root(iFd);
}

// Whether the run may put a new file in the older one's place: in a sticky
// folder only the file's owner, the folder's owner and the superuser may.
bool may_replace(int iFd, const struct stat& Info, const struct stat& Folder) {
  const uid_t iUser = ::geteuid();
  if ((Folder.st_mode & S_ISVTX) != 0 && iUser != 0 && Info.st_uid != iUser &&
      Folder.st_uid != iUser) {
    return false;
  }
  return !is_mount_root(iFd, Info, Folder);
}

// A link in a sticky folder that anyone may write is followed only when it
// belongs to the run's user or to the folder's owner (as the system's
// protected_symlinks rule has it), so that no other user's link decides
// where a new file is made.
bool may_follow(const struct stat& Link, const struct stat& Folder) {
  const bool bShared = (Folder.st_mode & S_ISVTX) != 0 && (Folder.st_mode & S_IWOTH) != 0;
  return !bShared || Link.st_uid == ::geteuid() || Link.st_uid == Folder.st_uid;
}

// static: room for the extended attributes of one file, names and value.
char ChAttrNames[1 << 16];
char ChNewAttrNames[1 << 16];
char ChAttrValue[1 << 16];

bool is_listed(const char* ChList, ssize_t nList, const char* ChName) {
  for (const char* p = ChList; p < ChList + nList; p += std::strlen(p) + 1) {
    if (std::strcmp(p, ChName) == 0) return true;
  }
  return false;
}

// Every extended attribute of iFrom (ACLs among them) onto iTo, and none
// that iFrom lacks (such as a folder's default ACL); false when one cannot
// be read or set.
bool copy_extended_attributes(int iFrom, int iTo) {
  ssize_t nNames = ::flistxattr(iFrom, ChAttrNames, sizeof ChAttrNames);
  if (nNames < 0 && (errno == ENOTSUP || errno == ENOSYS)) nNames = 0;
  if (nNames < 0) return false;
  for (const char* p = ChAttrNames; p < ChAttrNames + nNames; p += std::strlen(p) + 1) {
    const ssize_t nValue = ::fgetxattr(iFrom, p, ChAttrValue, sizeof ChAttrValue);
    if (nValue < 0 || ::fsetxattr(iTo, p, ChAttrValue, static_cast<std::size_t>(nValue), 0) != 0) {
      return false;
    }
  }
  const ssize_t nOwn = ::flistxattr(iTo, ChNewAttrNames, sizeof ChNewAttrNames);
  if (nOwn < 0) return nNames == 0;
  for (const char* p = ChNewAttrNames; p < ChNewAttrNames + nOwn; p += std::strlen(p) + 1) {
    if (!is_listed(ChAttrNames, nNames, p) && ::fremovexattr(iTo, p) != 0) return false;
  }
  return true;
}

// The flags chattr sets that a new file takes over from the older one
// (synchronous writes +S, no dump +d, no access times +A), and those that
// say a file may not be cut or written over (append-only +a, immutable +i).
#if defined(FS_IOC_GETFLAGS)
constexpr int kCarriedFlags = FS_SYNC_FL | FS_NODUMP_FL | FS_NOATIME_FL;
constexpr int kKeptWholeFlags = FS_APPEND_FL | FS_IMMUTABLE_FL;
#else
constexpr int kCarriedFlags = 0;
constexpr int kKeptWholeFlags = 0;
#endif

// The file flags of iFd; 0 where the file system keeps none.
int file_flags(int iFd) {
#if defined(FS_IOC_GETFLAGS)
  int iFlags = 0;
  return ::ioctl(iFd, FS_IOC_GETFLAGS, &iFlags) == 0 ? iFlags : 0;
#else
  (void)iFd;
  return 0;
#endif
}

// The older file's carried flags onto the new file; false when the new file
// cannot take them.
bool carry_file_flags(int iOlder, int iNew) {
  const int iCarried = file_flags(iOlder) & kCarriedFlags;
  if (iCarried == 0) return true;
#if defined(FS_IOC_SETFLAGS)
  int iFlags = file_flags(iNew) | iCarried;
  return ::ioctl(iNew, FS_IOC_SETFLAGS, &iFlags) == 0;
#else
  return false;
#endif
}

// The older file's owner, group, extended attributes and whole mode onto the
// new file; false when any of them does not hold on it. The owner goes first
// (a change of owner clears the set-id bits) and the mode last (it sets the
// ACL's mask as the older file has it).
bool carry_attributes(int iOlder, const struct stat& Older, int iNew) {
  struct stat New;
  if (::fstat(iNew, &New) != 0) return false;
  if ((New.st_uid != Older.st_uid || New.st_gid != Older.st_gid) &&
      ::fchown(iNew, Older.st_uid, Older.st_gid) != 0) {
    return false;
  }
  if (!copy_extended_attributes(iOlder, iNew) || !carry_file_flags(iOlder, iNew)) return false;
  if (::fchmod(iNew, Older.st_mode & 07777) != 0 || ::fstat(iNew, &New) != 0) return false;
  return (New.st_mode & 07777) == (Older.st_mode & 07777) && New.st_uid == Older.st_uid &&
         New.st_gid == Older.st_gid;
}

// Whether the process iProcess is running (whoever's it is).
bool is_running(unsigned long iProcess) {
  const auto iPid = static_cast<pid_t>(iProcess);
  if (iPid <= 0 || static_cast<unsigned long>(iPid) != iProcess) return true;
  return ::kill(iPid, 0) == 0 || errno != ESRCH;
}

// Removes the temporary files of this user's earlier runs in the folder
// that a kill left there: only names of the exact form a run gives them, of
// processes no longer running, that no run holds locked.
void remove_debris(int iFolder) {
  const int iList = ::openat(iFolder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (iList < 0) return;
  DIR* pDir = ::fdopendir(iList);
  if (pDir == nullptr) {
    ::close(iList);
    return;
  }
  while (const dirent* pEntry = ::readdir(pDir)) {
    unsigned long iProcess = 0;
    if (!is_temp_name(pEntry->d_name, iProcess) || is_running(iProcess)) continue;
    const int iFd = ::openat(iList, pEntry->d_name, O_RDONLY | O_NOFOLLOW | kOpenFlags);
    if (iFd < 0) continue;
    struct stat Info, Named;
    if (::fstat(iFd, &Info) == 0 && S_ISREG(Info.st_mode) && Info.st_uid == ::geteuid() &&
        ::flock(iFd, LOCK_EX | LOCK_NB) == 0 &&
        ::fstatat(iList, pEntry->d_name, &Named, AT_SYMLINK_NOFOLLOW) == 0 &&
        is_same_inode(Info, Named)) {
      ::unlinkat(iList, pEntry->d_name, 0);
    }
    ::close(iFd);
  }
  ::closedir(pDir);
}

// The folders this run has cleared of debris: a run that writes its label
// file and listing into one folder reads that folder once. What a run
// killed meanwhile leaves there is for a later run to remove. When the
// table is full, a folder is read each time, as if new.
constexpr std::int32_t MxClearedFolders = 8;
FolderIdentity ClearedFolders[MxClearedFolders];
std::int32_t nClearedFolders = 0;

// True when Folder was cleared before; otherwise it is noted as cleared
// now (where there is room) and false.
bool was_cleared(const FolderIdentity& Folder) {
  if (Folder.iIndex == 0) return false;  // unknown: read it
  for (std::int32_t i = 0; i < nClearedFolders; ++i) {
    if (ClearedFolders[i].iIndex == Folder.iIndex && ClearedFolders[i].iDevice == Folder.iDevice)
      return true;
  }
  if (nClearedFolders < MxClearedFolders) ClearedFolders[nClearedFolders++] = Folder;
  return false;
}

// A new file under the name ".lablix-<process>-<n>", locked, and still under
// that name once locked (a run removing debris may have taken it between).
int open_named_temp(OutputFile& Out, mode_t iMode) {
  const int iFolder = fd_of(Out.hFolder);
  for (unsigned iTry = 0; iTry < 1000000; ++iTry) {
    make_temp_name(Out.ChTemp, static_cast<unsigned long>(::getpid()), false, iTry);
    const int iFd = ::openat(iFolder, Out.ChTemp, O_RDWR | O_CREAT | O_EXCL | kOpenFlags, iMode);
    if (iFd < 0 && errno == EEXIST) continue;
    if (iFd < 0) return errno;
    struct stat Info, Named;
    if (::flock(iFd, LOCK_EX) != 0 || ::fstat(iFd, &Info) != 0 ||
        ::fstatat(iFolder, Out.ChTemp, &Named, AT_SYMLINK_NOFOLLOW) != 0 ||
        !is_same_inode(Info, Named)) {
      ::close(iFd);
      continue;
    }
    Out.hFile = iFd;
    Out.bNamedTemp = true;
    return clear_nonblocking(iFd);
  }
  return EEXIST;
}

// The new file in Out's folder: nameless where the system allows, otherwise
// under a temporary name.
int open_new_file(OutputFile& Out, mode_t iMode) {
  if (!was_cleared(Out.Folder)) remove_debris(fd_of(Out.hFolder));
  if (has_descriptor_paths()) {
    const int iFd = open_unnamed_at(fd_of(Out.hFolder), ".", iMode);
    if (iFd >= 0) {
      // Locked, so that the name it may get for a moment at the finish is
      // not taken for debris.
      ::flock(iFd, LOCK_EX | LOCK_NB);
      Out.hFile = iFd;
      Out.bUnnamed = true;
      return 0;
    }
    if (errno == EACCES || errno == EPERM || errno == EROFS || errno == ENOSPC || errno == EDQUOT) {
      return errno;
    }
  }
  return open_named_temp(Out, iMode);
}

void note_folder(OutputFile& Out) {
  struct stat Folder;
  if (::fstat(fd_of(Out.hFolder), &Folder) == 0) {
    Out.Folder = FolderIdentity{static_cast<std::uint64_t>(Folder.st_dev),
                                static_cast<std::uint64_t>(Folder.st_ino) + 1};
  }
}

}  // namespace

// The new file goes; the older file and the folder stay open.
void drop_new_file(OutputFile& Out) {
  if (Out.bNamedTemp) ::unlinkat(fd_of(Out.hFolder), Out.ChTemp, 0);
  Out.bNamedTemp = Out.bUnnamed = false;
  close_handle(Out.hFile);
}

namespace {

// The older file is kept and written over at the place; until then the
// run's bytes go to a nameless scratch file. Nothing is done to the older
// file before then: a run refused later leaves it, its times included, as
// it was.
int write_in_place(OutputFile& Out) {
  Out.iWriting = kWritingInPlace;
  // A file that may not be cut (append-only) is refused now, not at the end.
  if ((file_flags(fd_of(Out.hOlder)) & kKeptWholeFlags) != 0) return EPERM;
  const int iError = clear_nonblocking(fd_of(Out.hOlder));
  if (iError != 0) return iError;
  Out.Own = Out.Target;
  return open_scratch_file(Out.hFile);
}

// Hands the walk's folder and last part to Out.
int found_name(int iFolder, const char* ChPart, OutputFile& Out) {
  Out.hFolder = iFolder;
  std::strcpy(Out.ChBase, ChPart);
  note_folder(Out);
  return 0;
}

// Goes from the folder iFolder to the folder it names ChName ("..", or a
// folder in it that is no link), in place of iFolder.
int enter_folder(int& iFolder, const char* ChName) {
  const int iNext = ::openat(iFolder, ChName, kFolderFlags | O_NOFOLLOW);
  const int iError = errno;
  ::close(iFolder);
  iFolder = iNext;
  if (iNext >= 0) return 0;
  // A folder that turned into a link since it was looked at.
  return iError == ENOTDIR || iError == ELOOP ? kOutputNameTaken : iError;
}

// The folder part of ChPath (all before its last slash) opened in one step,
// the system itself refusing every link on the way (openat2, Linux 5.6): a
// path without links, the common case, needs no walk part by part. pLast is
// then the last part. -1 where this cannot be: no folder part, a link on
// the way (the walk then decides by its rule), an older system, a path too
// long, or any other error, which the walk meets and says as before.
int open_folder_part(const char* ChPath, const char*& pLast) {
#if defined(SYS_openat2) && defined(RESOLVE_NO_SYMLINKS)
  const char* pSlash = std::strrchr(ChPath, '/');
  if (pSlash == nullptr || pSlash == ChPath) return -1;
  char ChFolder[MxPath];
  const auto nFolder = static_cast<std::size_t>(pSlash - ChPath);
  std::memcpy(ChFolder, ChPath, nFolder);
  ChFolder[nFolder] = '\0';
  struct open_how How {};
  How.flags = static_cast<std::uint64_t>(kFolderFlags);
  How.resolve = RESOLVE_NO_SYMLINKS;
  const long iFd = ::syscall(SYS_openat2, AT_FDCWD, ChFolder, &How, sizeof How);
  if (iFd < 0) return -1;
  pLast = pSlash + 1;
  return static_cast<int>(iFd);
#else
  (void)ChPath, (void)pLast;
  return -1;
#endif
}

// Walks ChPath one part at a time from the working folder (or the root),
// reading each link on the way and walking its text in its place, so that
// every link is looked at before it is followed, wherever it stands on the
// path: in a sticky folder that anyone may write only the run's user's own
// links and the folder owner's are followed (may_follow), whatever the
// system's own rule for such links says. Out.hFolder is then the folder
// that holds the last part and Out.ChBase that part: a file of any kind,
// or a free name (a link that leads nowhere gives the name it leads to).
// ENOENT for a missing folder, EISDIR for a path that names a folder,
// EACCES for a link not followed, ELOOP for a loop of links. Relative to
// the working folder, so a path too long for the system to take whole
// still works from inside its folder. A folder part without links is
// opened in one step instead (open_folder_part).
int walk_to_name(const char* ChPath, OutputFile& Out) {
  char ChRest[MxPath], ChPart[MxPath], ChLink[MxPath];
  const std::size_t nPath = std::strlen(ChPath);
  if (nPath >= sizeof ChRest) return ENAMETOOLONG;
  std::memcpy(ChRest, ChPath, nPath + 1);
  const char* p = ChRest;
  int iFolder = open_folder_part(ChRest, p);
  if (iFolder < 0) iFolder = ::open(ChRest[0] == '/' ? "/" : ".", kFolderFlags);
  if (iFolder < 0) return errno;
  for (int nHops = 0;;) {
    while (*p == '/')
      ++p;
    if (*p == '\0') return close_with(iFolder, EISDIR);
    const char* pEnd = std::strchr(p, '/');
    if (pEnd == nullptr) pEnd = p + std::strlen(p);
    const char* pAfter = pEnd;
    while (*pAfter == '/')
      ++pAfter;
    const bool bLast = *pAfter == '\0';
    const bool bFile = bLast && *pEnd == '\0';  // no slash after it: may name a file
    std::memcpy(ChPart, p, static_cast<std::size_t>(pEnd - p));
    ChPart[pEnd - p] = '\0';
    if (std::strcmp(ChPart, ".") == 0 || std::strcmp(ChPart, "..") == 0) {
      if (bLast) return close_with(iFolder, EISDIR);
      if (ChPart[1] == '.') {
        const int iError = enter_folder(iFolder, "..");
        if (iError != 0) return iError;
      }
      p = pAfter;
      continue;
    }
    struct stat Part, Folder;
    if (::fstatat(iFolder, ChPart, &Part, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno == ENOENT && bFile) return found_name(iFolder, ChPart, Out);
      return close_with(iFolder, errno == ENOENT && bLast ? EISDIR : errno);
    }
    if (S_ISLNK(Part.st_mode)) {
      if (++nHops > MxLinkHops) return close_with(iFolder, ELOOP);
      if (::fstat(iFolder, &Folder) != 0) return close_with(iFolder, errno);
      if (!may_follow(Part, Folder)) return close_with(iFolder, EACCES);
      const ssize_t nLink = ::readlinkat(iFolder, ChPart, ChLink, sizeof ChLink);
      if (nLink <= 0) return close_with(iFolder, nLink < 0 ? errno : ENOENT);
      // The link's text, then the rest of the path from the slash after it.
      const std::size_t nTail = std::strlen(pEnd);
      if (static_cast<std::size_t>(nLink) + nTail >= sizeof ChRest) {
        return close_with(iFolder, ENAMETOOLONG);
      }
      std::memmove(ChRest + nLink, pEnd, nTail + 1);
      std::memcpy(ChRest, ChLink, static_cast<std::size_t>(nLink));
      p = ChRest;
      if (ChRest[0] == '/') {
        ::close(iFolder);
        iFolder = ::open("/", kFolderFlags);
        if (iFolder < 0) return errno;
      }
      continue;
    }
    if (bFile) return found_name(iFolder, ChPart, Out);
    if (!S_ISDIR(Part.st_mode)) return close_with(iFolder, ENOTDIR);
    if (bLast) return close_with(iFolder, EISDIR);
    const int iError = enter_folder(iFolder, ChPart);
    if (iError != 0) return iError;
    p = pAfter;
  }
}

// What the older file was at the open, to be found unchanged at the finish.
void note_older(OutputFile& Out, const struct stat& Info) {
  Out.nOlderBytes = static_cast<std::int64_t>(Info.st_size);
  Out.iOlderTimes[0] =
      static_cast<std::int64_t>(Info.st_mtim.tv_sec) * 1000000000 + Info.st_mtim.tv_nsec;
  Out.iOlderTimes[1] =
      static_cast<std::int64_t>(Info.st_ctim.tv_sec) * 1000000000 + Info.st_ctim.tv_nsec;
}

// The name holds a file, open as iFd.
int open_over_existing(int iFd, OutputFile& Out) {
  struct stat Info, Named, Folder;
  if (::fstat(iFd, &Info) != 0) return close_with(iFd, errno);
  if (S_ISDIR(Info.st_mode)) return close_with(iFd, EISDIR);
  if (!S_ISCHR(Info.st_mode) && !S_ISREG(Info.st_mode)) return close_with(iFd, EINVAL);
  if (S_ISCHR(Info.st_mode)) {
    Out.hFile = iFd;
    Out.iWriting = kWritingDirect;
    return clear_nonblocking(iFd);
  }
  Out.hOlder = iFd;
  Out.Target = identity_from(Info);
  note_older(Out, Info);
  // The name may have led elsewhere for a moment between the walk and the open.
  if (::fstatat(fd_of(Out.hFolder), Out.ChBase, &Named, AT_SYMLINK_NOFOLLOW) != 0 ||
      !is_same_inode(Info, Named)) {
    return kOutputNameTaken;
  }
  if (::fstat(fd_of(Out.hFolder), &Folder) != 0) return errno;
  if (!may_replace(iFd, Info, Folder)) return write_in_place(Out);
  const int iNewError = open_new_file(Out, 0600);
  if (iNewError == EACCES || iNewError == EPERM || iNewError == EROFS) {
    return write_in_place(Out);
  }
  if (iNewError != 0) return iNewError;
  if (!carry_attributes(iFd, Info, fd_of(Out.hFile))) {
    drop_new_file(Out);
    return write_in_place(Out);
  }
  Out.iWriting = kWritingReplaced;
  return 0;
}

// A name the run may write but not read: a device is written as before; a
// regular file is refused, as nothing can show that it is no model.
int open_unreadable(OutputFile& Out) {
  const int iFd = ::openat(fd_of(Out.hFolder), Out.ChBase, O_WRONLY | O_NOFOLLOW | kOpenFlags);
  if (iFd < 0) return errno == ENXIO ? EINVAL : errno;
  struct stat Info;
  if (::fstat(iFd, &Info) != 0) return close_with(iFd, errno);
  if (S_ISREG(Info.st_mode)) return close_with(iFd, kOutputUnreadable);
  if (!S_ISCHR(Info.st_mode)) return close_with(iFd, EINVAL);
  Out.hFile = iFd;
  Out.iWriting = kWritingDirect;
  return clear_nonblocking(iFd);
}

// The last part of the walk in its folder: read as well as written, so that
// what it holds can be looked at before it is replaced; or a new file where
// the name is free.
int open_found_name(OutputFile& Out) {
  const int iFd = ::openat(fd_of(Out.hFolder), Out.ChBase, O_RDWR | O_NOFOLLOW | kOpenFlags);
  if (iFd >= 0) return open_over_existing(iFd, Out);
  if (errno == EACCES) return open_unreadable(Out);
  if (errno == ENOENT) {
    Out.iWriting = kWritingReplaced;
    return open_new_file(Out, 0666);
  }
  if (errno == ELOOP) return kOutputNameTaken;  // a link since the walk looked
  return errno == ENXIO ? EINVAL : errno;       // ENXIO: a FIFO that no one reads
}

int link_unnamed(const OutputFile& Out, const char* ChName) {
  char ChProc[MxDescriptorPath];
  descriptor_path(fd_of(Out.hFile), ChProc);
  return ::linkat(AT_FDCWD, ChProc, fd_of(Out.hFolder), ChName, AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
}

// The name must still lead to the older file, or to nothing when there was
// none.
bool name_still_leads_to_target(const OutputFile& Out) {
  struct stat Named;
  if (::fstatat(fd_of(Out.hFolder), Out.ChBase, &Named, AT_SYMLINK_NOFOLLOW) != 0) {
    return errno == ENOENT && Out.Target.iIndex == 0;
  }
  const FileIdentity Id = identity_from(Named);
  return Out.Target.iIndex != 0 && Id.iIndex == Out.Target.iIndex &&
         Id.iDevice == Out.Target.iDevice;
}

// A new file larger than this takes the older one's name by an exchange of
// the two names; a smaller one by a rename over it. The rename makes the
// file system (ext4, XFS, btrfs) write the new file out before the rename
// is committed, so a machine that stops just after leaves the older file or
// the new one whole; it waits for the disk, though: 14 ms of a 45 ms run
// for the capacity model's 16 MB of output, measured. An exchange does not
// wait: a machine stopping within the system's write-back delay after such
// a run may find the file empty, never mixed.
constexpr std::int64_t kRenamedBytes = 4 << 20;

bool exchange_names(int iFolder, const char* ChFirst, const char* ChSecond) {
#if defined(RENAME_EXCHANGE)
  return ::renameat2(iFolder, ChFirst, iFolder, ChSecond, RENAME_EXCHANGE) == 0;
#else
  (void)iFolder, (void)ChFirst, (void)ChSecond;
  return false;
#endif
}

// The new file, named ChTemp, takes the name of the older file.
int rename_over_older(OutputFile& Out) {
  const int iFolder = fd_of(Out.hFolder);
  if (Out.nWritten > kRenamedBytes && exchange_names(iFolder, Out.ChTemp, Out.ChBase)) {
    ::unlinkat(iFolder, Out.ChTemp, 0);  // it holds the older file now
  } else if (::renameat(iFolder, Out.ChTemp, iFolder, Out.ChBase) != 0) {
    return errno;
  }
  Out.bNamedTemp = false;
  return 0;
}

// The new file, named ChTemp, takes a name that must still be free: a link
// fails rather than replace what another program put there meanwhile.
int link_to_free_name(OutputFile& Out) {
  const int iFolder = fd_of(Out.hFolder);
  if (::linkat(iFolder, Out.ChTemp, iFolder, Out.ChBase, 0) != 0) {
    return errno == EEXIST ? kOutputNameTaken : errno;
  }
  ::unlinkat(iFolder, Out.ChTemp, 0);
  Out.bNamedTemp = false;
  return 0;
}

// Whether the older file still has the size and times it had at the open.
bool is_older_unchanged(const OutputFile& Out) {
  if (Out.hOlder == kNoFile) return true;
  struct stat Info;
  if (::fstat(fd_of(Out.hOlder), &Info) != 0) return false;
  OutputFile Now;
  note_older(Now, Info);
  return Now.nOlderBytes == Out.nOlderBytes && Now.iOlderTimes[0] == Out.iOlderTimes[0] &&
         Now.iOlderTimes[1] == Out.iOlderTimes[1];
}

// Whether the file system of iFd reports write errors only when a file is
// synced or closed, long after the writes (network and user-space file
// systems): there a file is synced before it takes its name. A local disk
// reports its errors at the write, and a sync there would make every run
// wait for the disk.
bool reports_errors_late(int iFd) {
#if defined(__linux__)
  constexpr long kLateFileSystems[] = {
      0x6969,      // NFS
      0x517B,      // SMB
      0xFF534D42,  // CIFS
      0xFE534D42,  // SMB2
      0x65735546,  // FUSE
      0x00C36400,  // Ceph
      0x01021997,  // 9P
      0x47504653,  // GPFS
      0x0BD00BD0,  // Lustre
  };
  struct statfs Info;
  if (::fstatfs(iFd, &Info) != 0) return true;
  for (const long iType : kLateFileSystems) {
    if (static_cast<long>(Info.f_type) == iType) return true;
  }
  return false;
#else
  (void)iFd;
  return true;
#endif
}

// Everything written reaches the file system and its errors are known:
// synced where it reports them late, and a copy of the handle closed, which
// makes a network file system send what it holds and say how that went,
// while the file stays open for what is written after. 0 or the first
// error.
int settle_new_file(int iFd) {
  if (reports_errors_late(iFd) && ::fsync(iFd) != 0) return errno;
  const int iCopy = ::fcntl(iFd, F_DUPFD_CLOEXEC, 0);
  if (iCopy < 0) return errno;
  if (::close(iCopy) != 0 && errno != EINTR) return errno;
  return 0;
}

// Settles and closes hFile; 0 or the first error.
int settle_and_close(FileHandle& hFile) {
  const int iFd = fd_of(hFile);
  int iError = settle_new_file(iFd);
  hFile = kNoFile;
  if (::close(iFd) != 0 && errno != EINTR && iError == 0) iError = errno;
  return iError;
}

// A nameless new file gets the name ".lablix-<process>-u<n>" for what is
// left of its way: it can be closed then, and renamed by that name.
int name_unnamed(OutputFile& Out) {
  for (unsigned iTry = 0;; ++iTry) {
    make_temp_name(Out.ChTemp, static_cast<unsigned long>(::getpid()), true, iTry);
    const int iError = link_unnamed(Out, Out.ChTemp);
    if (iError == 0) break;
    if (iError != EEXIST) return iError;
  }
  Out.bUnnamed = false;
  Out.bNamedTemp = true;
  return 0;
}

}  // namespace

int place_replaced(OutputFile& Out, bool bClosing) {
  if (!name_still_leads_to_target(Out)) return kOutputNameTaken;
  if (!is_older_unchanged(Out)) return kOutputChanged;
  if (!bClosing && Out.bUnnamed && Out.Target.iIndex == 0) {
    // Written on after this: it keeps its handle and takes the free name
    // directly.
    const int iSettleError = settle_new_file(fd_of(Out.hFile));
    if (iSettleError != 0) return iSettleError;
    const int iError = link_unnamed(Out, Out.ChBase);
    if (iError == 0) Out.bUnnamed = false;
    return iError == EEXIST ? kOutputNameTaken : iError;
  }
  if (Out.bUnnamed) {
    const int iError = name_unnamed(Out);
    if (iError != 0) return iError;
  }
  const int iError = bClosing ? settle_and_close(Out.hFile) : settle_new_file(fd_of(Out.hFile));
  if (iError != 0) return iError;
  return Out.Target.iIndex == 0 ? link_to_free_name(Out) : rename_over_older(Out);
}

namespace {

// How long a run waits for another that is copying into the same file.
constexpr int MxLockWaitMillis = 30000;

// Takes the lock on the older file that runs writing it in place share; 0,
// or EWOULDBLOCK when another program held it all that time.
int lock_older(int iOlder) {
  for (int iWaited = 0; ::flock(iOlder, LOCK_EX | LOCK_NB) != 0; iWaited += 5) {
    if ((errno != EWOULDBLOCK && errno != EINTR) || iWaited >= MxLockWaitMillis) return errno;
    const struct timespec Pause = {0, 5000000};
    ::nanosleep(&Pause, nullptr);
  }
  return 0;
}

}  // namespace

// The complete new content, from the scratch file into the older file from
// its start, under the lock and only while the older file is as it was at
// the open; the older file is then cut to its length and is written to from
// there on (or closed, bClosing).
int place_in_place(OutputFile& Out, bool bClosing) {
  static char ChCopy[1 << 16];
  const int iScratch = fd_of(Out.hFile), iOlder = fd_of(Out.hOlder);
  const int iLockError = lock_older(iOlder);
  if (iLockError != 0) return iLockError;
  if (!is_older_unchanged(Out)) return kOutputChanged;
  for (std::int64_t iAt = 0; iAt < Out.nWritten;) {
    const ssize_t n = ::pread(iScratch, ChCopy, sizeof ChCopy, static_cast<off_t>(iAt));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? errno : EIO;
    const int iError = write_all_at(iOlder, ChCopy, n, iAt);
    if (iError != 0) return iError;
    iAt += n;
  }
  if (::ftruncate(iOlder, static_cast<off_t>(Out.nWritten)) != 0) return errno;
  if (::lseek(iOlder, static_cast<off_t>(Out.nWritten), SEEK_SET) < 0) return errno;
  close_handle(Out.hFile);
  Out.hFile = Out.hOlder;
  Out.hOlder = kNoFile;
  const int iError = bClosing ? settle_and_close(Out.hFile) : settle_new_file(fd_of(Out.hFile));
  // The copy is done: a run that waits may look now (and find the file
  // changed), though this run may still be asking its questions.
  if (Out.hFile != kNoFile) ::flock(fd_of(Out.hFile), LOCK_UN);
  return iError;
}

int open_output_file(const char* ChPath, OutputFile& Out) {
  Out = OutputFile{};
  int iError = walk_to_name(ChPath, Out);
  if (iError == 0) iError = open_found_name(Out);
  if (iError != 0) {
    abandon_output_file(Out);
    return iError;
  }
  if (Out.iWriting == kWritingReplaced) Out.Own = identity_of(Out.hFile);
  return 0;
}

bool is_same_new_file(const OutputFile& A, const OutputFile& B) {
  return A.Folder.iIndex != 0 && A.Folder.iIndex == B.Folder.iIndex &&
         A.Folder.iDevice == B.Folder.iDevice && std::strcmp(A.ChBase, B.ChBase) == 0;
}

std::int64_t read_older_at(const OutputFile& Out, std::int64_t iAt, char* p, std::int64_t nRoom) {
  if (Out.hOlder == kNoFile) return 0;
  std::int64_t nHave = 0;
  while (nHave < nRoom) {
    const ssize_t n = ::pread(fd_of(Out.hOlder), p + nHave, static_cast<std::size_t>(nRoom - nHave),
                              static_cast<off_t>(iAt + nHave));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    nHave += n;
  }
  return nHave;
}

int write_output_file(OutputFile& Out, const char* p, std::int64_t n) {
  const int iFd = fd_of(Out.hFile);
  while (n > 0) {
    const ssize_t nDone = ::write(iFd, p, static_cast<std::size_t>(n));
    if (nDone < 0 && errno == EINTR) continue;
    if (nDone < 0) return errno;
    if (nDone == 0) return EIO;
    p += nDone;
    n -= nDone;
    Out.nWritten += nDone;
  }
  return 0;
}
