// What the POSIX file layer (files/output_file_posix.cpp) shares with the
// platform layer beneath it, written once: how a file is opened, what its
// identity is, the name through which the system reaches an open file, and
// nameless files. POSIX builds only (platform/platform_posix.cpp).
#pragma once
#include <fcntl.h>
#include <sys/stat.h>

#include "platform/platform.h"

// Files are opened without becoming the controlling terminal, without
// leaking into other programs, and without waiting on a FIFO (refused later).
inline constexpr int kOpenFlags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;

// The identity of the file Info describes; iIndex 0 unless it is a regular
// file.
FileIdentity identity_from(const struct stat& Info);

// Makes reads and writes of iFd wait again (kOpenFlags opens without
// waiting). 0 or the error number.
int clear_nonblocking(int iFd);

// Room for the name of an open file, "/proc/self/fd/<descriptor>".
inline constexpr int MxDescriptorPath = 32;

// The name through which the system reaches the open file iFd (a link to
// it under /proc), and whether the system has such names (false where /proc
// is not mounted or hidden).
void descriptor_path(int iFd, char (&ChPath)[MxDescriptorPath]);
bool has_descriptor_paths();

// A new nameless file (O_TMPFILE) for reading and writing with mode iMode,
// on the file system of the folder ChFolder, relative to the folder handle
// iAt (AT_FDCWD for the working folder): gone when closed unless linked to a
// name. -1 with errno set on failure, EOPNOTSUPP where the system has no
// nameless files.
int open_unnamed_at(int iAt, const char* ChFolder, mode_t iMode);
