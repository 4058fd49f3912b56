// TEMPORARY, for the MinGW build only: the POSIX calls that src/store.cpp
// makes, mapped onto the C runtime of Windows, until the store's file
// operations get a Windows implementation of their own (binary files,
// FlushFileBuffers, MoveFileExW with write-through, LockFileEx). CMake
// force-includes this header into src/store.cpp when the target is Windows;
// store_shim.cpp replaces the C runtime's rename, which refuses to replace an
// existing file there. Delete both files (and their two lines in
// cmake/platform.cmake) when that implementation lands.
#pragma once

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <cstdio>

// Every file the store opens asks for close-on-exec: on Windows that is "not
// inherited", and there the file must be opened binary too, or the C runtime
// turns every 0x0A written into 0x0D 0x0A.
#define O_CLOEXEC (_O_BINARY | _O_NOINHERIT)
// Neither a FIFO nor a symbolic link can take a data file's name here; a
// directory cannot be opened at all (the directory flush does nothing).
#define O_NONBLOCK 0
#define O_NOFOLLOW 0
#define O_DIRECTORY 0

// _commit flushes the file's buffers to the disk (FlushFileBuffers).
inline int fsync(int fd) { return _commit(fd); }
// Windows files have no POSIX permission bits to carry over.
inline int fchmod(int, unsigned) { return 0; }
// No hard links: a save keeps no link to the previous files.
inline int link(const char*, const char*) {
    errno = ENOSYS;
    return -1;
}
