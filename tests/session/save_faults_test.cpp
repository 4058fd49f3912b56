// Saving and backing up fail in the middle of a working session, reached from
// the menus as a user would: a write error at each of the three data files, a
// failed rename, a backup that runs out of disk midway, and a working
// directory the user may not write. Each time the files on disk stay the
// previous complete versions, the collection in memory keeps every unsaved
// change, and the session goes on: a later save or restore works.
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "session/session_support.h"
#include "store/format.h"

namespace {

using namespace session_test;
using store_test::FileOpsGuard;
using store_test::ReadFile;
using store_test::Shape;

const char* const kFiles[4] = {"depart.dat", "patient.dat", "record.dat", "BackupSysData.dat"};

// File calls that fail on one temporary: its writes once `allow` bytes have
// reached it (the call that crosses the limit is cut short there), or its
// rename into place.
struct Fault {
    enum Kind { kNone, kWrite, kRename } kind = kNone;
    std::string path;
    std::size_t allow = 0;
    std::size_t written = 0;
    bool hit = false;
    std::map<int, std::string> fd_path;
} fault;

int FaultCreate(const char* path) {
    int fd = store::RealFileOps().create(path);
    if (fd >= 0) fault.fd_path[fd] = store_test::Stable(path);
    return fd;
}

std::ptrdiff_t FaultWrite(int fd, const void* buf, std::size_t n) {
    if (fault.kind != Fault::kWrite || fault.fd_path[fd] != fault.path) return store::RealFileOps().write(fd, buf, n);
    if (fault.written >= fault.allow) {
        fault.hit = true;
        errno = ENOSPC;
        return -1;
    }
    n = std::min(n, fault.allow - fault.written);
    std::ptrdiff_t w = store::RealFileOps().write(fd, buf, n);
    if (w > 0) fault.written += static_cast<std::size_t>(w);
    return w;
}

int FaultClose(int fd) {
    fault.fd_path.erase(fd);
    return store::RealFileOps().close(fd);
}

int FaultReplace(const char* from, const char* to) {
    if (fault.kind == Fault::kRename && fault.path == store_test::Stable(from)) {
        fault.hit = true;
        errno = EXDEV;
        return -1;
    }
    return store::RealFileOps().replace(from, to);
}

std::vector<std::string> DirEntries() { return store_test::FolderEntries(); }

const std::vector<std::string> kOnlyTheFiles = {"BackupSysData.dat", "depart.dat", "patient.dat",
                                                "record.dat"};

class SaveFaults : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        fault = Fault{};
        store::file_ops.create = FaultCreate;
        store::file_ops.write = FaultWrite;
        store::file_ops.close = FaultClose;
        store::file_ops.replace = FaultReplace;
    }

public:
    // 1 内科: 11 张三 [111];  2 外科: 21 王五 [211]
    static void BuildStart() {
        DEPART_NODE* d1 = AddDept(1, "内科");
        DEPART_NODE* d2 = AddDept(2, "外科");
        AddRecord(AddPatient(d1, 11, "张三"), 111, "赵医生", 12.5f);
        AddRecord(AddPatient(d2, 21, "王五"), 211, "钱医生", 30.0f);
    }

protected:
    // Save and back up from the File menu; the files then hold the first version.
    void SaveFirstVersion() {
        Menu('F', 's');
        Menu('F', 'b');
        user.Checkpoint([&] {
            for (int i = 0; i < 4; ++i) first[i] = ReadFile(kFiles[i]);
            EXPECT_EQ(first[0].size(), 2 * store::kDepartSize);
        });
    }

    // A department, a patient and a visit record added from the menus and not
    // saved: every one of the three data files would change.
    void AddUnsavedWork() {
        Menu('A', 'm');
        user.type("3\n眼科\n三号楼\n5550303\nn\n");
        Menu('A', 'z');
        user.type("3\n31\n新病人\n13700000000\n1\n江夏\nn\n");
        Menu('A', 'o');
        user.type("3\nn\n31\n" + Form(311, "孙医生", "8", "初诊") + "n\n");
    }

    // The first version in the data files; the unsaved work, if any, in the
    // recovery file beside them and nowhere else.
    void ExpectFirstVersionOnDisk(bool unsaved_work = false) {
        for (int i = 0; i < 4; ++i) EXPECT_EQ(ReadFile(kFiles[i]), first[i]) << kFiles[i];
        std::vector<std::string> want = kOnlyTheFiles;
        if (unsaved_work) want.insert(want.begin() + 1, "Quorvel.recover");
        EXPECT_EQ(DirEntries(), want);
    }

    std::string first[4];
    FileOpsGuard guard_;
};

const char kUnsaved[] = "3:眼科{31:新病人[311]} 1:内科{11:张三[111]} 2:外科{21:王五[211]}";
// The same collection as a load rebuilds it from its saved files.
const char kUnsavedReloaded[] = "2:外科{21:王五[211]} 1:内科{11:张三[111]} 3:眼科{31:新病人[311]}";

struct SaveCase {
    const char* name;
    Fault::Kind kind;
    const char* path;
    std::size_t allow;
};

void PrintTo(const SaveCase& c, std::ostream* os) { *os << c.name; }

class SaveFaultAtEachFile : public SaveFaults, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(SaveFaultAtEachFile, KeepsThePreviousFilesAndTheUnsavedCollection) {
    const SaveCase& c = GetParam();
    BuildStart();
    SaveFirstVersion();
    AddUnsavedWork();
    user.Checkpoint([&] {
        ExpectShape(kUnsaved);
        fault.kind = c.kind;
        fault.path = c.path;
        fault.allow = c.allow;
    });

    Menu('F', 's');
    user.Checkpoint(
        [&] {
            EXPECT_TRUE(fault.hit);
            EXPECT_TRUE(ScreenHas("数据保存失败！原数据文件未改动。按任意键返回"));
            ExpectFirstVersionOnDisk(true);
            ExpectShape(kUnsaved);
        },
        con::Wait::Key);
    user.type("x");
    user.Checkpoint([&] {
        ExpectFirstVersionOnDisk(true);
        fault.kind = Fault::kNone;  // the disk is back
    });

    // The same session saves it all once the fault is gone, by clicks this time.
    ClickMenu(1, 2);
    user.Checkpoint([&] {
        EXPECT_EQ(ReadFile("depart.dat").size(), 3 * store::kDepartSize);
        EXPECT_EQ(ReadFile("BackupSysData.dat"), first[3]);
        EXPECT_EQ(DirEntries(), kOnlyTheFiles);
    });
    Leave();

    EXPECT_EQ(QuorvelMain(), 0);
    EXPECT_EQ(user.checks_run(), user.checks());
    ExpectShape(kUnsaved);
    ReleaseSys();
    con::attach(&user);
    ASSERT_EQ(CreateList(), 1);
    ExpectShape(kUnsavedReloaded);
}

INSTANTIATE_TEST_SUITE_P(
    Save, SaveFaultAtEachFile,
    ::testing::Values(SaveCase{"WriteDepartments", Fault::kWrite, "depart.dat.tmp", 0},
                      SaveCase{"WritePatients", Fault::kWrite, "patient.dat.tmp", 0},
                      SaveCase{"WriteRecords", Fault::kWrite, "record.dat.tmp", 0},
                      // One record and a part of the next reach the disk first.
                      SaveCase{"WriteRecordsPartly", Fault::kWrite, "record.dat.tmp",
                               store::kRecordSize + 40},
                      // The departments are in place when the patients' rename fails.
                      SaveCase{"RenamePatients", Fault::kRename, "patient.dat.tmp", 0},
                      SaveCase{"RenameRecords", Fault::kRename, "record.dat.tmp", 0}),
    [](const ::testing::TestParamInfo<SaveCase>& info) { return std::string(info.param.name); });

// Ten departments of ten patients of a hundred visit records: a backup of
// more than a megabyte, written in more than one piece.
void BuildLarge() {
    for (int d = 1; d <= 10; ++d) {
        DEPART_NODE* dept = AddDept(d, "科室");
        for (int p = 1; p <= 10; ++p) {
            PATIENT_NODE* patient = AddPatient(dept, d * 100 + p, "病人");
            for (int r = 1; r <= 100; ++r)
                AddRecord(patient, (d * 100 + p) * 1000 + r, "医生", 1.0f, "2024-01-01", "-", "-",
                          "记录");
        }
    }
}

struct Counts {
    int departs = 0, patients = 0, records = 0;
};

Counts Count() {
    Counts c;
    for (const DEPART_NODE* d = hp; d; d = d->next) {
        ++c.departs;
        for (const PATIENT_NODE* p = d->anext; p; p = p->next) {
            ++c.patients;
            for (const RECORD_NODE* r = p->lnext; r; r = r->next) ++c.records;
        }
    }
    return c;
}

TEST_F(SaveFaults, ABackupThatRunsOutOfDiskMidwayKeepsThePreviousBackup) {
    BuildLarge();
    Menu('F', 'b');
    user.Checkpoint([&] {
        first[3] = ReadFile("BackupSysData.dat");
        EXPECT_EQ(first[3].size(), store::kBackupHeaderSize + 10 * store::kDepartSize +
                                       100 * store::kPatientSize + 10000 * store::kRecordSize);
    });
    std::string unsaved;
    Menu('A', 'm');
    user.type("99\n新科室\n-\n-\nn\n");
    user.Checkpoint([&] {
        unsaved = Shape(hp);
        EXPECT_EQ(Count().departs, 11);
        // The first megabyte reaches the disk; the disk is full after it.
        fault.kind = Fault::kWrite;
        fault.path = "BackupSysData.dat.tmp";
        fault.allow = std::size_t{1} << 20;
    });

    Menu('F', 'b');
    user.Checkpoint(
        [&] {
            EXPECT_TRUE(fault.hit);
            EXPECT_GT(fault.written, std::size_t{1} << 19) << "the failure came before the middle";
            EXPECT_TRUE(ScreenHas("数据备份失败！原备份文件未改动。按任意键返回"));
            EXPECT_EQ(ReadFile("BackupSysData.dat"), first[3]);
            EXPECT_EQ(DirEntries(),
                      (std::vector<std::string>{"BackupSysData.dat", "Quorvel.recover"}));
            EXPECT_EQ(Shape(hp), unsaved);
        },
        con::Wait::Key);
    user.type("x");
    user.Checkpoint([&] { fault.kind = Fault::kNone; });

    // The previous backup is whole: restoring it brings back every record.
    Menu('F', 'r');
    user.Checkpoint([&] {
        Counts c = Count();
        EXPECT_EQ(c.departs, 10);
        EXPECT_EQ(c.patients, 100);
        EXPECT_EQ(c.records, 10000);
        EXPECT_EQ(ReadFile("record.dat").size(), 10000 * store::kRecordSize);
    });
    Leave();
    EXPECT_EQ(QuorvelMain(), 0);
    EXPECT_EQ(user.checks_run(), user.checks());
}

// The session runs in a child process: as root it first becomes nobody, for
// whom the read-only directory is read-only. The child reports through its
// exit status.
enum ChildResult {
    kChildOk = 0,
    kChildNoSaveMessage = 1,
    kChildNoBackupMessage = 2,
    kChildCollectionChanged = 3,
    kChildSessionBroken = 4,
    kChildWroteAFile = 5,
    kChildCannotDrop = 77,  // the directory cannot be made read-only for the child
};

int ReadOnlySession(CheckedFrontend& user) {
    if (::geteuid() == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
            return kChildCannotDrop;
    }
    int probe = ::open("probe", O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (probe >= 0) {
        ::close(probe);
        ::unlink("probe");
        return kChildCannotDrop;
    }

    // The first version and a department not saved yet.
    SaveFaults::BuildStart();
    AddDept(3, "眼科");
    const std::string before = Shape(hp);
    bool save_message = false, backup_message = false;
    // The lock file cannot be written here, so no copy can lock the folder:
    // the save and the backup write nothing, and say so.
    const char* const no_lock = "数据文件夹无法加锁，未写入任何文件！按任意键返回";
    user.alt('F').type("s");
    user.Checkpoint([&] { save_message = ScreenHas(no_lock); }, con::Wait::Key);
    user.type("x");
    user.alt('F').type("b");
    user.Checkpoint([&] { backup_message = ScreenHas(no_lock); }, con::Wait::Key);
    user.type("x");
    user.alt('X').enter().enter();
    try {
        if (QuorvelMain() != 0) return kChildSessionBroken;
    } catch (...) {
        return kChildSessionBroken;
    }
    if (user.checks_run() != user.checks()) return kChildSessionBroken;
    if (!save_message) return kChildNoSaveMessage;
    if (!backup_message) return kChildNoBackupMessage;
    if (Shape(hp) != before) return kChildCollectionChanged;
    if (DirEntries() != kOnlyTheFiles) return kChildWroteAFile;
    return kChildOk;
}

TEST_F(SaveFaults, AReadOnlyDirectoryKeepsThePreviousFilesAndTheCollection) {
    BuildStart();
    SaveFirstVersion();
    Leave();
    ASSERT_EQ(QuorvelMain(), 0);
    ReleaseSys();
    for (int i = 0; i < 4; ++i) ASSERT_FALSE(first[i].empty()) << kFiles[i];

    ASSERT_EQ(::chmod(Dir().c_str(), 0555), 0);
    con::attach(&user);
    user.clear();
    CheckedFrontend child_user;
    std::fflush(nullptr);
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        con::attach(&child_user);
        ::_exit(ReadOnlySession(child_user));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ::chmod(Dir().c_str(), 0700);
    ASSERT_TRUE(WIFEXITED(status)) << "the child died of signal " << WTERMSIG(status);
    if (WEXITSTATUS(status) == kChildCannotDrop)
        GTEST_SKIP() << "no user for whom the directory is read-only";
    EXPECT_EQ(WEXITSTATUS(status), kChildOk);
    ExpectFirstVersionOnDisk();
}

}  // namespace
