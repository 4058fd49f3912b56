// The save command: the three data files replaced together, only once all
// three are on disk; failures keep the previous files and the collection.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "store/store_helpers.h"
#include "support/app_test.h"

namespace {

using namespace store_test;

// File calls that log what they do and fail one chosen call.
enum class FailAt { kNothing, kOpen, kWrite, kHalfWrite, kFsync, kClose, kRename };

struct Injected {
    FailAt at = FailAt::kNothing;
    std::string path;  // the file whose call fails
    std::map<int, std::string> fd_path;
    std::vector<std::string> log;
    std::size_t max_chunk = 0;  // > 0: writes take at most this many bytes
    bool interrupted_once = false;
    int writes_to_fault = 0;
    bool fail_way_back = false;  // every rename after the failed one fails too
    std::map<std::string, bool> renamed_forward;
} g;

int LogCreate(const char* path) {
    if (g.at == FailAt::kOpen && g.path == Stable(path)) {
        errno = EACCES;
        return -1;
    }
    int fd = store::RealFileOps().create(path);
    if (fd >= 0) g.fd_path[fd] = Stable(path);
    return fd;
}

std::ptrdiff_t LogWrite(int fd, const void* buf, std::size_t n) {
    const std::string& path = g.fd_path[fd];
    if (path == g.path) {
        int call = g.writes_to_fault++;
        if (g.at == FailAt::kWrite || (g.at == FailAt::kHalfWrite && call > 0)) {
            errno = ENOSPC;
            return -1;
        }
        if (g.at == FailAt::kHalfWrite) n = n / 2 > 0 ? n / 2 : 1;
    }
    if (g.max_chunk > 0) {
        if (!g.interrupted_once) {
            g.interrupted_once = true;
            errno = EINTR;
            return -1;
        }
        if (n > g.max_chunk) n = g.max_chunk;
    }
    return store::RealFileOps().write(fd, buf, n);
}

int LogFlush(int fd) {
    g.log.push_back("fsync " + g.fd_path[fd]);
    if (g.at == FailAt::kFsync && g.fd_path[fd] == g.path) {
        errno = EIO;
        return -1;
    }
    return store::RealFileOps().flush(fd);
}

int LogClose(int fd) {
    std::string path = g.fd_path[fd];
    g.fd_path.erase(fd);
    int rc = store::RealFileOps().close(fd);
    if (g.at == FailAt::kClose && path == g.path) {
        errno = EIO;
        return -1;
    }
    return rc;
}

int LogReplace(const char* from, const char* to) {
    g.log.push_back("rename " + Stable(from));
    // A rename of the way back fails too: "previous" is a second name.
    bool back = Stable(from).find(".dat.tmp") != std::string::npos &&
                std::filesystem::exists(from) && g.renamed_forward.count(Stable(from));
    if ((g.at == FailAt::kRename && g.path == Stable(from)) || (g.fail_way_back && back)) {
        errno = EXDEV;
        return -1;
    }
    g.renamed_forward[Stable(from)] = true;
    return store::RealFileOps().replace(from, to);
}

void LogSyncFolder(const std::string& folder) {
    g.log.push_back("sync folder");
    store::RealFileOps().sync_folder(folder);
}

class StoreSave : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        g = Injected{};
        store::file_ops.create = LogCreate;
        store::file_ops.write = LogWrite;
        store::file_ops.flush = LogFlush;
        store::file_ops.close = LogClose;
        store::file_ops.replace = LogReplace;
        store::file_ops.sync_folder = LogSyncFolder;
    }

    void BuildSample() {
        DEPART_NODE* d1 = AddDept(1, "one");
        DEPART_NODE* d2 = AddDept(2, "two");
        PATIENT_NODE* p = AddPatient(d1, 11, "p11");
        AddPatient(d2, 21, "p21");
        AddRecord(p, 111, "doc", 3.5f);
        AddRecord(p, 112);
    }

    std::vector<std::string> DirEntries() { return FolderEntries(Dir()); }

    FileOpsGuard guard_;
};

const char* const kFiles[] = {"depart.dat", "patient.dat", "record.dat"};

TEST_F(StoreSave, AnEmptyCollectionGivesThreeEmptyFilesAndNoWait) {
    ASSERT_EQ(SaveSysData(), TRUE);  // no key queued: a key wait would throw
    for (const char* f : kFiles) {
        SCOPED_TRACE(f);
        EXPECT_TRUE(Exists(f));
        EXPECT_EQ(ReadFile(f), "");
    }
    EXPECT_EQ(DirEntries(), (std::vector<std::string>{"depart.dat", "patient.dat", "record.dat"}));
}

TEST_F(StoreSave, EveryFileAndTheCommitRecordAreOnDiskBeforeAnyIsRenamedIntoPlace) {
    BuildSample();
    ASSERT_EQ(SaveSysData(), TRUE);
    // The folder is flushed once the commit record is in place, and once the
    // renames are done, before the record goes (and after).
    std::vector<std::string> want = {
        "fsync depart.dat.tmp",     "fsync patient.dat.tmp",     "fsync record.dat.tmp",
        "fsync Quorvel.commit.tmp", "rename Quorvel.commit.tmp", "sync folder",
        "rename depart.dat.tmp",    "rename patient.dat.tmp",    "rename record.dat.tmp",
        "sync folder",              "sync folder",
    };
    EXPECT_EQ(g.log, want);
    EXPECT_EQ(ReadFile("depart.dat").size(), 2 * store::kDepartSize);
    EXPECT_EQ(ReadFile("patient.dat").size(), 2 * store::kPatientSize);
    EXPECT_EQ(ReadFile("record.dat").size(), 2 * store::kRecordSize);
    EXPECT_EQ(DirEntries(), (std::vector<std::string>{"depart.dat", "patient.dat", "record.dat"}));
}

TEST_F(StoreSave, AFailureAtAnyFileKeepsThePreviousFilesAndTheCollection) {
    struct Case {
        FailAt at;
        const char* path;
    } cases[] = {
        {FailAt::kOpen, "depart.dat.tmp"},      {FailAt::kWrite, "depart.dat.tmp"},
        {FailAt::kHalfWrite, "depart.dat.tmp"}, {FailAt::kFsync, "depart.dat.tmp"},
        {FailAt::kClose, "depart.dat.tmp"},     {FailAt::kOpen, "patient.dat.tmp"},
        {FailAt::kWrite, "patient.dat.tmp"},    {FailAt::kHalfWrite, "patient.dat.tmp"},
        {FailAt::kFsync, "patient.dat.tmp"},    {FailAt::kClose, "patient.dat.tmp"},
        {FailAt::kOpen, "record.dat.tmp"},      {FailAt::kWrite, "record.dat.tmp"},
        {FailAt::kHalfWrite, "record.dat.tmp"}, {FailAt::kFsync, "record.dat.tmp"},
        {FailAt::kClose, "record.dat.tmp"},     {FailAt::kRename, "depart.dat.tmp"},
        {FailAt::kRename, "patient.dat.tmp"},   {FailAt::kRename, "record.dat.tmp"},
    };
    BuildSample();
    ASSERT_EQ(SaveSysData(), TRUE);
    std::string old_bytes[3];
    for (int i = 0; i < 3; ++i) old_bytes[i] = ReadFile(kFiles[i]);
    // Unsaved work: a new department, patient and record.
    AddRecord(AddPatient(AddDept(3, "three"), 31, "p31"), 311);
    DEPART_NODE* head = hp;
    const std::string shape = Shape(hp);

    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.path) + " fails at call " + std::to_string(int(c.at)));
        con::attach(&fe);
        g.at = c.at;
        g.path = c.path;
        g.writes_to_fault = 0;
        SetConsoleCursorPosition(gh_std_out, COORD{4, 40});
        fe.key('A', 'a');

        EXPECT_EQ(SaveSysData(), TRUE);

        for (int i = 0; i < 3; ++i) EXPECT_EQ(ReadFile(kFiles[i]), old_bytes[i]) << kFiles[i];
        EXPECT_EQ(hp, head);
        EXPECT_EQ(Shape(hp), shape);
        EXPECT_EQ(Utf8(RowTrim(40)),
                  Utf8(std::string(4, ' ') + "数据保存失败！原数据文件未改动。按任意键返回"));
        EXPECT_LT(fe.pending(), 2u) << "the key wait took the key";
        EXPECT_EQ(DirEntries(),
                  (std::vector<std::string>{"depart.dat", "patient.dat", "record.dat"}));
        fe.clear();
    }

    // Without a fault the same collection is saved.
    g.at = FailAt::kNothing;
    ASSERT_EQ(SaveSysData(), TRUE);
    EXPECT_EQ(ReadFile("depart.dat").size(), 3 * store::kDepartSize);
}

TEST_F(StoreSave, TheFailureMessageWaitsForAKey) {
    BuildSample();
    g.at = FailAt::kWrite;
    g.path = "patient.dat.tmp";
    EXPECT_THROW(SaveSysData(), con::InputClosed);
    EXPECT_EQ(DirEntries(), std::vector<std::string>{});
}

TEST_F(StoreSave, ShortAndInterruptedWritesStillWriteEveryByte) {
    BuildSample();
    ASSERT_EQ(SaveSysData(), TRUE);
    std::string whole[3];
    for (int i = 0; i < 3; ++i) whole[i] = ReadFile(kFiles[i]);
    for (const char* f : kFiles) std::remove(f);

    g.max_chunk = 5;
    ASSERT_EQ(SaveSysData(), TRUE);
    EXPECT_TRUE(g.interrupted_once);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(ReadFile(kFiles[i]), whole[i]) << kFiles[i];
}

TEST_F(StoreSave, NewFilesAreForTheOwnerOnlyAndReplacedFilesKeepTheirMode) {
    mode_t old_umask = ::umask(0);
    BuildSample();
    ASSERT_EQ(SaveSysData(), TRUE);
    for (const char* f : kFiles) EXPECT_EQ(Mode(f), 0600u) << f;

    ASSERT_EQ(::chmod("depart.dat", 0640), 0);
    ASSERT_EQ(::chmod("patient.dat", 0604), 0);
    std::remove("record.dat");
    ASSERT_EQ(SaveSysData(), TRUE);
    EXPECT_EQ(Mode("depart.dat"), 0640u);
    EXPECT_EQ(Mode("patient.dat"), 0604u);
    EXPECT_EQ(Mode("record.dat"), 0600u);
    ::umask(old_umask);
}

TEST_F(StoreSave, LeftoverTemporariesAreRemovedNotWrittenThrough) {
    WriteFile("victim", "keep me");
    const std::string ours = "depart.dat." + std::to_string(::getpid()) + "-1.tmp";
    ASSERT_EQ(::symlink("victim", ours.c_str()), 0);
    WriteFile("record.dat.1-2.tmp", "left by a crash");
    WriteFile("BackupSysData.dat.3-4.tmp", "left by a crash");
    WriteFile("record.dat.x-2.tmp", "not ours");
    BuildSample();
    ASSERT_EQ(SaveSysData(), TRUE);
    EXPECT_EQ(ReadFile("victim"), "keep me");
    EXPECT_EQ(ReadFile("depart.dat").size(), 2 * store::kDepartSize);
    EXPECT_EQ(DirEntries(), (std::vector<std::string>{"depart.dat", "patient.dat", "record.dat",
                                                      "record.dat.x-2.tmp", "victim"}));
}

// A save stopped at a rename goes back: a data file that was not there before
// the save is not there after it; when the way back fails too, the message
// says that the next load completes the save instead of claiming the old
// files stand.
TEST_F(StoreSave, AFailedRenameGoesBackOrSaysTheNextLoadCompletesIt) {
    BuildSample();
    ASSERT_EQ(SaveSysData(), TRUE);
    const std::string old_departs = ReadFile("depart.dat");
    // patient.dat and record.dat are not there before the next save.
    std::remove("patient.dat");
    std::remove("record.dat");
    AddDept(8, "extra");
    g.at = FailAt::kRename;
    g.path = "record.dat.tmp";
    SetConsoleCursorPosition(gh_std_out, COORD{0, 40});
    fe.key('A', 'a');
    EXPECT_EQ(SaveSysData(), TRUE);
    EXPECT_EQ(ReadFile("depart.dat"), old_departs);
    EXPECT_FALSE(Exists("patient.dat")) << "the way back kept a file that was not there";
    EXPECT_EQ(Utf8(RowTrim(40)), Utf8("数据保存失败！原数据文件未改动。按任意键返回"));

    g.fail_way_back = true;
    g.renamed_forward.clear();
    fe.clear();
    fe.key('A', 'a');
    ClearScreen();
    SetConsoleCursorPosition(gh_std_out, COORD{0, 40});
    EXPECT_EQ(SaveSysData(), TRUE);
    EXPECT_EQ(Utf8(RowTrim(40)), Utf8("数据保存未完成，下次加载时将自动补完！按任意键返回"));
    EXPECT_TRUE(Exists("Quorvel.commit"));
    EXPECT_NE(ReadFile("depart.dat"), old_departs);
    // The next load completes the way back: the old departments alone.
    g = Injected{};
    FreeCollection(hp);
    hp = nullptr;
    ASSERT_EQ(CreateList(), 4);
    EXPECT_EQ(Shape(hp), "2:two{} 1:one{}");
    EXPECT_EQ(DirEntries(), std::vector<std::string>{"depart.dat"});
}

}  // namespace
