// The store's file operations on Windows. Every file is a plain binary
// HANDLE: no C runtime text mode can turn "\n" into "\r\n" on the way.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "store/files.h"
#include "store/folder.h"

namespace store {

namespace {

// The store's descriptors are small numbers; each stands for one handle.
std::vector<HANDLE> g_handles;

int Keep(HANDLE h) {
    if (h == INVALID_HANDLE_VALUE) return -1;
    for (std::size_t i = 0; i < g_handles.size(); ++i)
        if (g_handles[i] == INVALID_HANDLE_VALUE) {
            g_handles[i] = h;
            return static_cast<int>(i);
        }
    g_handles.push_back(h);
    return static_cast<int>(g_handles.size() - 1);
}

HANDLE Handle(int fd) {
    if (fd < 0 || static_cast<std::size_t>(fd) >= g_handles.size()) return INVALID_HANDLE_VALUE;
    return g_handles[static_cast<std::size_t>(fd)];
}

// Paths are UTF-8: the program's own names are ASCII, and a folder named on
// the command line (UTF-16 there) keeps every character, whatever the
// system's code page.
std::wstring Wide(const std::string& s) {
    if (s.empty()) return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

std::string Narrow(const wchar_t* w) {
    int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return std::string();
    std::string s(static_cast<std::size_t>(n - 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w, -1, s.data(), n, nullptr, nullptr);
    return s;
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

FileId IdOfInfo(const BY_HANDLE_FILE_INFORMATION& info) {
    FileId id;
    id.device = info.dwVolumeSerialNumber;
    id.inode = static_cast<std::uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
    id.size = static_cast<std::uint64_t>(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
    id.mtime_ns = static_cast<std::int64_t>(
                      static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32 |
                      info.ftLastWriteTime.dwLowDateTime) *
                  100;
    return id;
}

// A regular file on a disk: not a directory, a device (NUL, CON, COM1) or a pipe.
bool IsRegular(HANDLE h, BY_HANDLE_FILE_INFORMATION* info) {
    return GetFileType(h) == FILE_TYPE_DISK && GetFileInformationByHandle(h, info) &&
           !(info->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A descriptor for a handle of a regular file; anything else is closed.
int KeepRegular(HANDLE h) {
    if (h == INVALID_HANDLE_VALUE) return -1;
    BY_HANDLE_FILE_INFORMATION info;
    if (!IsRegular(h, &info)) {
        CloseHandle(h);
        return -1;
    }
    return Keep(h);
}

int OpenRead(const char* path) {
    return KeepRegular(CreateFileW(Wide(path).c_str(), GENERIC_READ, kShareAll, nullptr,
                                   OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

// A new file inherits the folder's access rights, as every file made there does.
int Create(const char* path) {
    return Keep(CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
}

int Close(int fd);

// Write access as a whole, which FlushFileBuffers needs; the writes go on
// from the end, where the file pointer is put once.
int OpenAppend(const char* path) {
    int fd = KeepRegular(CreateFileW(Wide(path).c_str(), GENERIC_WRITE, kShareAll, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER zero{};
    if (fd >= 0 && !SetFilePointerEx(Handle(fd), zero, nullptr, FILE_END)) {
        Close(fd);
        return -1;
    }
    return fd;
}

std::ptrdiff_t Read(int fd, void* buf, std::size_t n) {
    DWORD got = 0;
    DWORD want = n > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n);
    if (!ReadFile(Handle(fd), buf, want, &got, nullptr)) return -1;
    return static_cast<std::ptrdiff_t>(got);
}

std::ptrdiff_t Write(int fd, const void* buf, std::size_t n) {
    DWORD put = 0;
    DWORD want = n > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n);
    if (!WriteFile(Handle(fd), buf, want, &put, nullptr)) return -1;
    return static_cast<std::ptrdiff_t>(put);
}

int Flush(int fd) { return FlushFileBuffers(Handle(fd)) ? 0 : -1; }

int Close(int fd) {
    HANDLE h = Handle(fd);
    if (h == INVALID_HANDLE_VALUE) return -1;
    g_handles[static_cast<std::size_t>(fd)] = INVALID_HANDLE_VALUE;
    return CloseHandle(h) ? 0 : -1;
}

// MOVEFILE_WRITE_THROUGH makes a move done as a copy and a delete (to another
// volume) reach the disk before the call returns; for a rename within the
// folder it promises nothing, and SyncFolder does what can be done. A
// read-only target is refused, as Windows refuses to replace one (Wine
// would replace it), so that every system behaves as Windows does.
int Replace(const char* from, const char* to) {
    const std::wstring target = Wide(to);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return -1;
    }
    return MoveFileExW(Wide(from).c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? 0
               : -1;
}

// Removes a read-only file, which DeleteFileW refuses: through one handle the
// attribute is taken off, the file marked for removal when the handle
// closes, and the attribute put back should the file keep another name (the
// second name of a read-only data file is the data file itself).
bool RemoveReadOnly(const std::wstring& name) {
    HANDLE h = CreateFileW(name.c_str(), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                           kShareAll, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    FILE_BASIC_INFO attributes{};  // times 0: left as they are
    bool removed = false;
    if (GetFileInformationByHandle(h, &info) &&
        (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY)) {
        attributes.FileAttributes = info.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY;
        if (attributes.FileAttributes == 0) attributes.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        FILE_DISPOSITION_INFO remove{TRUE};
        if (SetFileInformationByHandle(h, FileBasicInfo, &attributes, sizeof attributes)) {
            removed = SetFileInformationByHandle(h, FileDispositionInfo, &remove, sizeof remove);
            if (!removed || info.nNumberOfLinks > 1) {
                attributes.FileAttributes = info.dwFileAttributes;
                SetFileInformationByHandle(h, FileBasicInfo, &attributes, sizeof attributes);
            }
        }
    }
    CloseHandle(h);
    return removed;
}

// The ctrl handler that keeps a closing console waiting while the data files
// are replaced; the program's own handler runs after it.
HANDLE g_commit_done = nullptr;

BOOL WINAPI WaitForCommit(DWORD) {
    WaitForSingleObject(g_commit_done, INFINITE);
    return FALSE;
}

}  // namespace

FileOps RealFileOps() {
    return FileOps{OpenRead, Create, OpenAppend, Read, Write, Flush, Close, Replace, SyncFolder};
}
FileOps file_ops = RealFileOps();

Entry Look(const char* path, FileId* id) {
    // Backup semantics open a folder too, so that it is seen and refused.
    HANDLE h = CreateFileW(Wide(path).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD err = GetLastError();
        return err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND ? Entry::kMissing
                                                                           : Entry::kOther;
    }
    BY_HANDLE_FILE_INFORMATION info;
    bool regular = IsRegular(h, &info);
    CloseHandle(h);
    if (!regular) return Entry::kOther;
    if (id) *id = IdOfInfo(info);
    return Entry::kRegular;
}

bool IdOf(int fd, FileId* id) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(Handle(fd), &info)) return false;
    *id = IdOfInfo(info);
    return true;
}

void KeepMode(int, const char*) {}

bool KeepAs(const char* path, const char* other_name) {
    return CreateHardLinkW(Wide(other_name).c_str(), Wide(path).c_str(), nullptr) != 0;
}

bool Remove(const char* path) {
    const std::wstring name = Wide(path);
    if (DeleteFileW(name.c_str())) return true;
    const DWORD err = GetLastError();
    return err == ERROR_FILE_NOT_FOUND || (err == ERROR_ACCESS_DENIED && RemoveReadOnly(name));
}

std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW(Wide(JoinPath(folder, "*")).c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        names.push_back(Narrow(found.cFileName));
    } while (FindNextFileW(h, &found));
    FindClose(h);
    return names;
}

// The folder's names put on the disk: FlushFileBuffers on the folder, opened
// with backup semantics (the way to open a folder) and the write access that
// FlushFileBuffers asks for. Its documentation speaks of files and volumes,
// not folders; under Wine it is an fsync of the folder. Where the folder
// cannot be opened so, or the flush fails, the renames reach the disk when
// the system writes its caches (docs/data-files.md).
void SyncFolder(const std::string& folder) {
    HANDLE h = CreateFileW(Wide(folder).c_str(), GENERIC_WRITE, kShareAll, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    FlushFileBuffers(h);
    CloseHandle(h);
}

int ProcessId() { return static_cast<int>(GetCurrentProcessId()); }

void PauseMs(int ms) { Sleep(static_cast<DWORD>(ms)); }

// Symbolic links are left to Windows: a name is written where it stands.
std::string LinkTarget(const std::string&) { return {}; }

// The lock file stays: copies on other systems lock the same bytes of it.
int OpenLockFile(const char* path, bool create) {
    HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                           create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        h = CreateFileW(Wide(path).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
    return KeepRegular(h);
}

// A lock held through one handle conflicts with every other handle, in this
// process too. A held lock is not converted in place: it is let go first.
LockTry TryLockByte(int lock_file, std::uint64_t offset, Lock kind) {
    HANDLE h = Handle(lock_file);
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    UnlockFileEx(h, 0, 1, 0, &at);
    const DWORD flags = kind == Lock::kExclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0;
    if (LockFileEx(h, flags | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) return LockTry::kTaken;
    DWORD err = GetLastError();
    return err == ERROR_LOCK_VIOLATION || err == ERROR_IO_PENDING ? LockTry::kHeld
                                                                   : LockTry::kFailed;
}

void UnlockByte(int lock_file, std::uint64_t offset) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    UnlockFileEx(Handle(lock_file), 0, 1, 0, &at);
}

void CloseLockFile(int lock_file) {
    if (lock_file >= 0) Close(lock_file);
}

void HoldSignals() {
    if (!g_commit_done) g_commit_done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ResetEvent(g_commit_done);
    SetConsoleCtrlHandler(WaitForCommit, TRUE);
}

void ReleaseSignals() {
    SetEvent(g_commit_done);
    SetConsoleCtrlHandler(WaitForCommit, FALSE);
}

// No signals on Windows: a write past a limit already fails as a write.
void IgnoreWriteSignals() {}

}  // namespace store
