// For the MinGW build of the store tests only (force-included by
// tests/windows.cmake): the POSIX calls those tests make, on the C runtime of
// Windows. The cases that need FIFOs or symbolic links are left out of the
// Windows run by name (windows.cmake); these only let their files compile.
#pragma once

#include <direct.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>

inline int mkdir(const char* path, int) { return _mkdir(path); }
inline int mkfifo(const char*, int) {
    errno = ENOSYS;
    return -1;
}
inline int symlink(const char*, const char*) {
    errno = ENOSYS;
    return -1;
}
inline int fsync(int fd) { return _commit(fd); }
