// The store's file operations on POSIX systems.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
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

// The folder, opened once and kept: its descriptor carries the lock.
int g_folder = -1;
int g_lock_held = 0;  // LOCK_SH, LOCK_EX or 0

constexpr int kHeldSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP};
sigset_t g_before_hold;

}  // namespace

FileOps RealFileOps() { return FileOps{OpenRead, Create, Read, Write, Flush, Close, Replace}; }
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

// flock on the folder itself, so that no lock file is ever left behind. It is
// tried every 20 ms: a blocking flock could not be given up after a timeout.
bool LockFolder(const std::string& folder, Lock kind, int timeout_ms) {
    int op = kind == Lock::kShared ? LOCK_SH : LOCK_EX;
    if (g_lock_held == op) return true;
    if (g_folder < 0) g_folder = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (g_folder < 0) return true;  // a folder we cannot open cannot be written either
    for (int waited = 0;; waited += 20) {
        if (::flock(g_folder, op | LOCK_NB) == 0) {
            g_lock_held = op;
            return true;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            // No locks on this file system (ENOLCK, EINVAL...): go on unlocked.
            g_lock_held = op;
            return true;
        }
        if (waited >= timeout_ms) {
            // A conversion that failed may have dropped the lock held before.
            UnlockFolder();
            return false;
        }
        struct timespec pause = {0, 20 * 1000000L};
        ::nanosleep(&pause, nullptr);
    }
}

// The folder is closed too: the next command may work in another one.
void UnlockFolder() {
    if (g_folder >= 0) {
        ::flock(g_folder, LOCK_UN);
        ::close(g_folder);
    }
    g_folder = -1;
    g_lock_held = 0;
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
