// Output files on POSIX systems (Linux first): a handle on the folder that
// holds the name (O_PATH), the new file nameless (O_TMPFILE) or locked under
// a temporary name, the older file's attributes carried over by fchown,
// fchmod and the extended attributes (ACLs are among them), and a rename
// relative to the folder.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "files/output_file.h"
#include "files/output_file_system.h"
#include "platform/posix_files.h"

namespace {

constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
// More links than this in a row are a loop, as the system counts them.
constexpr int kMxLinkHops = 40;

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

// Splits ChPath into its folder ("." for a bare name) and its last part.
// False when it ends in a slash (no file can be made so) or is too long.
bool split_path(const char* ChPath, char (&ChFolder)[MxPath], char (&ChBase)[MxPath]) {
  const char* pSlash = std::strrchr(ChPath, '/');
  const char* pBase = pSlash == nullptr ? ChPath : pSlash + 1;
  const std::size_t nBase = std::strlen(pBase);
  if (nBase == 0 || nBase >= sizeof ChBase) return false;
  std::memcpy(ChBase, pBase, nBase + 1);
  if (pSlash == nullptr) {
    std::strcpy(ChFolder, ".");
  } else {
    const std::size_t n = pSlash == ChPath ? 1 : static_cast<std::size_t>(pSlash - ChPath);
    std::memcpy(ChFolder, ChPath, n);
    ChFolder[n] = '\0';
  }
  return true;
}

// The path the system resolved when it opened iFd: the one look-up of the
// name, links followed. False where the system does not tell (no /proc).
bool resolved_path_of(int iFd, char (&ChPath)[MxPath]) {
  char ChProc[MxDescriptorPath];
  descriptor_path(iFd, ChProc);
  const ssize_t n = ::readlink(ChProc, ChPath, sizeof ChPath - 1);
  if (n <= 0 || ChPath[0] != '/') return false;
  ChPath[n] = '\0';
  return true;
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
  if (!copy_extended_attributes(iOlder, iNew)) return false;
  if (::fchmod(iNew, Older.st_mode & 07777) != 0 || ::fstat(iNew, &New) != 0) return false;
  return (New.st_mode & 07777) == (Older.st_mode & 07777) && New.st_uid == Older.st_uid &&
         New.st_gid == Older.st_gid;
}

// Removes the ".lablix-*" files of this user's earlier runs in the folder
// that no run holds locked any more (a kill left them).
void remove_debris(int iFolder) {
  const int iList = ::openat(iFolder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (iList < 0) return;
  DIR* pDir = ::fdopendir(iList);
  if (pDir == nullptr) {
    ::close(iList);
    return;
  }
  while (const dirent* pEntry = ::readdir(pDir)) {
    if (std::strncmp(pEntry->d_name, kTempPrefix, sizeof kTempPrefix - 1) != 0) continue;
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
    remove_debris(iFolder);
    return clear_nonblocking(iFd);
  }
  return EEXIST;
}

// The new file in Out's folder: nameless where the system allows, otherwise
// under a temporary name.
int open_new_file(OutputFile& Out, mode_t iMode) {
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
// run's bytes go to a nameless scratch file.
int write_in_place(OutputFile& Out, const struct stat& Older) {
  Out.iWriting = kWritingInPlace;
  // A file that may not be cut (append-only) is refused now, not at the end.
  if (::ftruncate(fd_of(Out.hOlder), Older.st_size) != 0) return errno;
  const int iError = clear_nonblocking(fd_of(Out.hOlder));
  if (iError != 0) return iError;
  Out.Own = Out.Target;
  return open_scratch_file(Out.hFile);
}

// The folder that holds the file opened as iFd, and its name there; the
// name must lead to that very file.
int find_folder(const char* ChPath, int iFd, const struct stat& Info, OutputFile& Out) {
  char ChReal[MxPath], ChFolder[MxPath];
  if (!resolved_path_of(iFd, ChReal) && ::realpath(ChPath, ChReal) == nullptr) return errno;
  if (!split_path(ChReal, ChFolder, Out.ChBase)) return ENAMETOOLONG;
  const int iFolder = ::open(ChFolder, kFolderFlags);
  if (iFolder < 0) return errno;
  Out.hFolder = iFolder;
  struct stat Named;
  if (::fstatat(iFolder, Out.ChBase, &Named, AT_SYMLINK_NOFOLLOW) != 0 ||
      !is_same_inode(Info, Named)) {
    return kOutputNameTaken;
  }
  note_folder(Out);
  return 0;
}

// The name as given, looked at once more after the open: it must be the
// file opened, or a link that the run may follow. Another user's link in a
// shared sticky folder (/tmp) is not followed even where the system would,
// so that no other user can point an output at the run's own files.
int check_given_name(const char* ChPath, const struct stat& Info) {
  char ChFolder[MxPath], ChBase[MxPath];
  if (!split_path(ChPath, ChFolder, ChBase)) return EISDIR;
  const int iFolder = ::open(ChFolder, kFolderFlags);
  if (iFolder < 0) return errno;
  struct stat Named, Folder;
  if (::fstatat(iFolder, ChBase, &Named, AT_SYMLINK_NOFOLLOW) != 0 ||
      ::fstat(iFolder, &Folder) != 0) {
    return close_with(iFolder, errno);
  }
  ::close(iFolder);
  if (S_ISLNK(Named.st_mode)) return may_follow(Named, Folder) ? 0 : EACCES;
  return is_same_inode(Named, Info) ? 0 : kOutputNameTaken;
}

// The name holds a file, open as iFd.
int open_over_existing(const char* ChPath, int iFd, OutputFile& Out) {
  struct stat Info;
  if (::fstat(iFd, &Info) != 0) return close_with(iFd, errno);
  if (S_ISDIR(Info.st_mode)) return close_with(iFd, EISDIR);
  if (!S_ISCHR(Info.st_mode) && !S_ISREG(Info.st_mode)) return close_with(iFd, EINVAL);
  int iError = check_given_name(ChPath, Info);
  if (iError != 0) return close_with(iFd, iError);
  if (S_ISCHR(Info.st_mode)) {
    Out.hFile = iFd;
    Out.iWriting = kWritingDirect;
    return clear_nonblocking(iFd);
  }
  Out.hOlder = iFd;
  Out.Target = identity_from(Info);
  iError = find_folder(ChPath, iFd, Info, Out);
  if (iError != 0) return iError;
  struct stat Folder;
  if (::fstat(fd_of(Out.hFolder), &Folder) != 0) return errno;
  if (!may_replace(iFd, Info, Folder)) return write_in_place(Out, Info);
  const int iNewError = open_new_file(Out, 0600);
  if (iNewError == EACCES || iNewError == EPERM || iNewError == EROFS) {
    return write_in_place(Out, Info);
  }
  if (iNewError != 0) return iNewError;
  if (!carry_attributes(iFd, Info, fd_of(Out.hFile))) {
    drop_new_file(Out);
    return write_in_place(Out, Info);
  }
  Out.iWriting = kWritingReplaced;
  return 0;
}

// The name holds no file: the folder, reached through any links the name
// is (a link that leads nowhere makes its file where it leads), takes a new
// one.
int open_missing(const char* ChPath, OutputFile& Out) {
  char ChFolder[MxPath];
  if (!split_path(ChPath, ChFolder, Out.ChBase)) return EISDIR;
  int iFolder = ::open(ChFolder, kFolderFlags);
  if (iFolder < 0) return errno;
  for (int iHop = 0;; ++iHop) {
    struct stat Link, Folder;
    if (::fstatat(iFolder, Out.ChBase, &Link, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno != ENOENT) return close_with(iFolder, errno);
      break;
    }
    if (!S_ISLNK(Link.st_mode)) return close_with(iFolder, kOutputNameTaken);
    if (iHop == kMxLinkHops) return close_with(iFolder, ELOOP);
    if (::fstat(iFolder, &Folder) != 0) return close_with(iFolder, errno);
    if (!may_follow(Link, Folder)) return close_with(iFolder, EACCES);
    char ChLink[MxPath];
    const ssize_t n = ::readlinkat(iFolder, Out.ChBase, ChLink, sizeof ChLink - 1);
    if (n <= 0) return close_with(iFolder, n < 0 ? errno : ENOENT);
    ChLink[n] = '\0';
    if (!split_path(ChLink, ChFolder, Out.ChBase)) return close_with(iFolder, EISDIR);
    const int iNext = ::openat(iFolder, ChFolder, kFolderFlags);
    ::close(iFolder);
    if (iNext < 0) return errno;
    iFolder = iNext;
  }
  Out.hFolder = iFolder;
  note_folder(Out);
  Out.iWriting = kWritingReplaced;
  return open_new_file(Out, 0666);
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

}  // namespace

int place_replaced(OutputFile& Out) {
  if (!name_still_leads_to_target(Out)) return kOutputNameTaken;
  if (Out.bUnnamed && Out.Target.iIndex == 0) {
    const int iError = link_unnamed(Out, Out.ChBase);
    if (iError == 0) Out.bUnnamed = false;
    return iError == EEXIST ? kOutputNameTaken : iError;
  }
  if (Out.bUnnamed) {
    for (unsigned iTry = 0;; ++iTry) {
      make_temp_name(Out.ChTemp, static_cast<unsigned long>(::getpid()), true, iTry);
      const int iError = link_unnamed(Out, Out.ChTemp);
      if (iError == 0) break;
      if (iError != EEXIST) return iError;
    }
    Out.bUnnamed = false;
    Out.bNamedTemp = true;
  }
  return Out.Target.iIndex == 0 ? link_to_free_name(Out) : rename_over_older(Out);
}

// The complete new content, from the scratch file into the older file from
// its start; the older file is then cut to its length and is written to
// from there on.
int place_in_place(OutputFile& Out) {
  static char ChCopy[1 << 16];
  const int iScratch = fd_of(Out.hFile), iOlder = fd_of(Out.hOlder);
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
  return 0;
}

int open_output_file(const char* ChPath, OutputFile& Out) {
  Out = OutputFile{};
  // Read as well as written where allowed, so that what it holds can be
  // looked at before it is replaced.
  int iFd = ::open(ChPath, O_RDWR | kOpenFlags);
  if (iFd < 0 && errno == EACCES) iFd = ::open(ChPath, O_WRONLY | kOpenFlags);
  int iError;
  if (iFd >= 0) {
    iError = open_over_existing(ChPath, iFd, Out);
  } else if (errno == ENOENT) {
    iError = open_missing(ChPath, Out);
  } else {
    iError = errno == ENXIO ? EINVAL : errno;  // ENXIO: a FIFO that no one reads
  }
  if (iError != 0) {
    abandon_output_file(Out);
    return iError;
  }
  if (Out.iWriting == kWritingReplaced) {
    struct stat Info;
    if (::fstat(fd_of(Out.hFile), &Info) == 0) {
      Out.Own = FileIdentity{static_cast<std::uint64_t>(Info.st_dev),
                             static_cast<std::uint64_t>(Info.st_ino) + 1};
    }
  }
  return 0;
}

bool is_same_new_file(const OutputFile& A, const OutputFile& B) {
  return A.Folder.iIndex != 0 && A.Folder.iIndex == B.Folder.iIndex &&
         A.Folder.iDevice == B.Folder.iDevice && std::strcmp(A.ChBase, B.ChBase) == 0;
}

std::int64_t read_older_start(const OutputFile& Out, char* p, std::int64_t nRoom) {
  if (Out.hOlder == kNoFile) return 0;
  std::int64_t nHave = 0;
  while (nHave < nRoom) {
    const ssize_t n = ::pread(fd_of(Out.hOlder), p + nHave, static_cast<std::size_t>(nRoom - nHave),
                              static_cast<off_t>(nHave));
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
