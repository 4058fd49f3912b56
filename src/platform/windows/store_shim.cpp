// TEMPORARY (see store_shim.h): rename as POSIX has it, replacing an existing
// file, for the store's MinGW build. The link step wraps the C runtime's
// rename (-Wl,--wrap=rename), so that calls to it come here.
#include <windows.h>

#include <cerrno>

extern "C" int __wrap_rename(const char* from, const char* to) {
    if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 0;
    errno = GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND
                ? ENOENT
                : EACCES;
    return -1;
}
