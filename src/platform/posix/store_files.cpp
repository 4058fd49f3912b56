// The store's file operations on POSIX systems.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "store/files.h"

namespace store {

namespace {

bool IsRegular(int fd) {
    struct stat st;
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

// Non-blocking, so that opening a FIFO returns at once; it is then refused
// with everything else that is not a regular file.
int OpenRead(const char* path) {
    int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return -1;
    if (!IsRegular(fd)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

int Create(const char* path) {
    return ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
}

int OpenAppend(const char* path) {
    int fd = ::open(path, O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return -1;
    if (!IsRegular(fd)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

std::ptrdiff_t Read(int fd, void* buf, std::size_t n) { return ::read(fd, buf, n); }
std::ptrdiff_t Write(int fd, const void* buf, std::size_t n) { return ::write(fd, buf, n); }
int Flush(int fd) { return ::fsync(fd); }
int Close(int fd) { return ::close(fd); }
int Replace(const char* from, const char* to) { return std::rename(from, to); }

FileId IdOfStat(const struct stat& st) {
    FileId id;
    id.device = static_cast<std::uint64_t>(st.st_dev);
    id.inode = static_cast<std::uint64_t>(st.st_ino);
    id.size = static_cast<std::uint64_t>(st.st_size);
    id.mtime_ns = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return id;
}

constexpr int kHeldSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP};
sigset_t g_before_hold;

}  // namespace

FileOps RealFileOps() {
    return FileOps{OpenRead, Create, OpenAppend, Read, Write, Flush, Close, Replace, SyncFolder};
}
FileOps file_ops = RealFileOps();

Entry Look(const char* path, FileId* id) {
    struct stat st;
    if (::stat(path, &st) != 0) return errno == ENOENT ? Entry::kMissing : Entry::kOther;
    if (!S_ISREG(st.st_mode)) return Entry::kOther;
    if (id) *id = IdOfStat(st);
    return Entry::kRegular;
}

bool IdOf(int fd, FileId* id) {
    struct stat st;
    if (::fstat(fd, &st) != 0) return false;
    *id = IdOfStat(st);
    return true;
}

void KeepMode(int fd, const char* target) {
    struct stat st;
    if (::stat(target, &st) == 0 && S_ISREG(st.st_mode)) ::fchmod(fd, st.st_mode & 07777);
}

bool KeepAs(const char* path, const char* other_name) { return ::link(path, other_name) == 0; }

bool Remove(const char* path) { return ::unlink(path) == 0 || errno == ENOENT; }

std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return names;
    while (struct dirent* e = ::readdir(dir)) names.emplace_back(e->d_name);
    ::closedir(dir);
    return names;
}

void SyncFolder(const std::string& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

int ProcessId() { return static_cast<int>(::getpid()); }

void PauseMs(int ms) {
    struct timespec pause = {ms / 1000, (ms % 1000) * 1000000L};
    while (::nanosleep(&pause, &pause) != 0 && errno == EINTR) {
    }
}

std::string LinkTarget(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return {};
    std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
    ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= target.size()) return {};
    target.resize(static_cast<std::size_t>(n));
    return target;
}

// Read and write where it can be had: a shared lock needs the one, an
// exclusive lock the other.
int OpenLockFile(const char* path, bool create) {
    int flags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    int fd = ::open(path, O_RDWR | flags | (create ? O_CREAT : 0), 0666);
    if (fd < 0 && (errno == EACCES || errno == EROFS)) fd = ::open(path, O_RDONLY | flags);
    if (fd < 0) return -1;
    if (!IsRegular(fd)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Locks of the open file description: another open of the file, in this
// process or another, conflicts, and closing some other descriptor of the
// file lets nothing go. Systems without them get record locks.
LockTry TryLockByte(int lock_file, std::uint64_t offset, Lock kind) {
    struct flock fl = {};
    fl.l_type = kind == Lock::kShared ? F_RDLCK : F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(offset);
    fl.l_len = 1;
#ifdef F_OFD_SETLK
    int rc = ::fcntl(lock_file, F_OFD_SETLK, &fl);
    if (rc != 0 && errno == EINVAL) rc = ::fcntl(lock_file, F_SETLK, &fl);
#else
    int rc = ::fcntl(lock_file, F_SETLK, &fl);
#endif
    if (rc == 0) return LockTry::kTaken;
    return errno == EAGAIN || errno == EACCES || errno == EINTR ? LockTry::kHeld : LockTry::kFailed;
}

void UnlockByte(int lock_file, std::uint64_t offset) {
    struct flock fl = {};
    fl.l_type = F_UNLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(offset);
    fl.l_len = 1;
#ifdef F_OFD_SETLK
    if (::fcntl(lock_file, F_OFD_SETLK, &fl) != 0 && errno == EINVAL) ::fcntl(lock_file, F_SETLK, &fl);
#else
    ::fcntl(lock_file, F_SETLK, &fl);
#endif
}

void CloseLockFile(int lock_file) {
    if (lock_file >= 0) ::close(lock_file);
}

void HoldSignals() {
    sigset_t held;
    sigemptyset(&held);
    for (int sig : kHeldSignals) sigaddset(&held, sig);
    ::sigprocmask(SIG_BLOCK, &held, &g_before_hold);
}

void ReleaseSignals() { ::sigprocmask(SIG_SETMASK, &g_before_hold, nullptr); }

void IgnoreWriteSignals() {
    ::signal(SIGXFSZ, SIG_IGN);
    ::signal(SIGPIPE, SIG_IGN);
}

}  // namespace store
