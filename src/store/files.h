// What the store needs of the file system: the seam between the store and
// its platform, one implementation per platform
// (src/platform/posix/store_files.cpp, src/platform/windows/store_files.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace store {

// One version of a file: a save of any copy makes a new file, so a different
// version differs in at least one field.
struct FileId {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t mtime_ns = 0;
    friend bool operator==(const FileId&, const FileId&) = default;
};

// What stands under a name: nothing, a regular file, or something the store
// never reads or replaces (a directory, device, FIFO, socket, or a name it
// cannot look at).
enum class Entry { kMissing, kRegular, kOther };

// The calls a save or a load makes on its files. They are the platform's own;
// tests swap in their own to make one of them fail.
struct FileOps {
    // Opens an existing regular file for reading; anything else fails at once,
    // without waiting on a FIFO or reading a device.
    int (*open_read)(const char* path);
    // Creates a new file for writing; fails when the name exists. Only its
    // owner may read it.
    int (*create)(const char* path);
    // Opens an existing regular file for writing at its end.
    int (*open_append)(const char* path);
    std::ptrdiff_t (*read)(int fd, void* buf, std::size_t n);
    std::ptrdiff_t (*write)(int fd, const void* buf, std::size_t n);
    int (*flush)(int fd);  // everything written is on the disk
    int (*close)(int fd);
    // Puts `from` in the place of `to` in one step, whether `to` exists or not.
    int (*replace)(const char* from, const char* to);
    // The changes of a folder's names (renames, removals) made durable.
    void (*sync_folder)(const std::string& folder);
};
extern FileOps file_ops;
FileOps RealFileOps();

Entry Look(const char* path, FileId* id);  // follows links
bool IdOf(int fd, FileId* id);
// A new file takes the permissions of the one it is about to replace.
void KeepMode(int fd, const char* target);
// A second name for an existing file, so that it outlives its replacement.
bool KeepAs(const char* path, const char* other_name);
bool Remove(const char* path);
// The names in a folder.
std::vector<std::string> FolderNames(const std::string& folder);
void SyncFolder(const std::string& folder);  // file_ops.sync_folder's own
int ProcessId();
void PauseMs(int ms);  // (<chrono> has text that the program's GBK literals cannot hold)
// What a symbolic link at `path` points to, as it is written in the link;
// empty when `path` is no link (or the platform has none to follow).
std::string LinkTarget(const std::string& path);

// Byte-range locks on a lock file, seen by every copy of the program on
// every platform: POSIX open-file-description locks (record locks where the
// system has none), and LockFileEx on Windows, on the same bytes. Within one
// process, two opens of the file lock against each other as two copies do.
enum class Lock { kShared, kExclusive };
enum class LockTry {
    kTaken,
    kHeld,    // another open of the file holds a lock that conflicts
    kFailed,  // the file system cannot lock this file
};
// Opens the lock file, creating it (empty) when `create` and it is missing;
// a number for the calls below, or -1 when it cannot be opened.
int OpenLockFile(const char* path, bool create);
// Takes or changes the lock on one byte at once, without waiting.
LockTry TryLockByte(int lock_file, std::uint64_t offset, Lock kind);
void UnlockByte(int lock_file, std::uint64_t offset);
// Lets go of every lock it holds.
void CloseLockFile(int lock_file);

// The signals that would end or stop the program wait while the data files
// are being replaced, and take effect as soon as they are in place.
void HoldSignals();
void ReleaseSignals();

// A write past the file-size limit, or into a closed pipe, fails like any
// other write instead of ending the program. Called once at start-up.
void IgnoreWriteSignals();

}  // namespace store
