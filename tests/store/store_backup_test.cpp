// Backup and restore: the backup file's layout, the round trip, and the
// refusals that keep the collection and the data files as they were.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "store/store_helpers.h"
#include "support/app_test.h"

namespace {

using namespace store_test;

// The one call that fails: opening, writing or reading the named file.
struct Fault {
    enum Kind { kNone, kOpen, kWrite, kRead } kind = kNone;
    std::string path;
    std::map<int, std::string> fd_path;
} f;

template <int (*store::FileOps::*Open)(const char*)>
int FaultOpen(const char* path) {
    if (f.kind == Fault::kOpen && f.path == Stable(path)) {
        errno = EACCES;
        return -1;
    }
    int fd = (store::RealFileOps().*Open)(path);
    if (fd >= 0) f.fd_path[fd] = Stable(path);
    return fd;
}

std::ptrdiff_t FaultWrite(int fd, const void* buf, std::size_t n) {
    if (f.kind == Fault::kWrite && f.fd_path[fd] == f.path) {
        errno = ENOSPC;
        return -1;
    }
    return store::RealFileOps().write(fd, buf, n);
}

// Reads succeed for the header only, then fail.
std::ptrdiff_t FaultRead(int fd, void* buf, std::size_t n) {
    if (f.kind == Fault::kRead && f.fd_path[fd] == f.path) {
        static std::map<int, bool> started;
        if (!started[fd]) {
            started[fd] = true;
            return store::RealFileOps().read(fd, buf, store::kBackupHeaderSize);
        }
        started.erase(fd);
        errno = EIO;
        return -1;
    }
    return store::RealFileOps().read(fd, buf, n);
}

const char* const kDataFiles[] = {"depart.dat", "patient.dat", "record.dat"};

class StoreBackup : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        f = Fault{};
        store::file_ops.create = FaultOpen<&store::FileOps::create>;
        store::file_ops.open_read = FaultOpen<&store::FileOps::open_read>;
        store::file_ops.write = FaultWrite;
        store::file_ops.read = FaultRead;
    }

    void BuildSample() {
        DEPART_NODE* d1 = AddDept(1, "one", "adr1", "111");
        DEPART_NODE* d2 = AddDept(2, "two");
        PATIENT_NODE* p11 = AddPatient(d1, 11, "p11", 1, "t11", "a11");
        AddPatient(d1, 12, "p12");
        PATIENT_NODE* p21 = AddPatient(d2, 21, "p21");
        AddRecord(p11, 111, "doc", 1.25f, "2024-01-01", "2024-02-01", "2024-02-02", "tell");
        AddRecord(p11, 112);
        AddRecord(p21, 211);
    }

    // Drops the collection; `other` builds a different one in its place.
    void Replace(bool other) {
        FreeCollection(hp);
        hp = nullptr;
        if (other) AddRecord(AddPatient(AddDept(77, "old"), 78, "oldp"), 79);
    }

    FileOpsGuard guard_;
};

const std::string kSample = "1:one{11:p11[111,112],12:p12[]} 2:two{21:p21[211]}";
const std::string kReversed = "2:two{21:p21[211]} 1:one{12:p12[],11:p11[112,111]}";

TEST_F(StoreBackup, BackupThenRestoreReversesEveryListAndSavesTheDataFiles) {
    BuildSample();
    ASSERT_EQ(BackupSysData(), TRUE);
    Replace(true);  // replaced nodes are freed (sanitizer build)

    ASSERT_EQ(RestoreSysData(), TRUE);  // no key queued: a key wait would throw
    EXPECT_EQ(Shape(hp), kReversed);
    RECORD_NODE* r111 = hp->next->anext->next->lnext->next;
    EXPECT_EQ(r111->number2, 111);
    EXPECT_STREQ(r111->name, "doc");
    EXPECT_EQ(r111->lmoney, 1.25f);
    EXPECT_STREQ(r111->tell, "tell");
    EXPECT_STREQ(hp->next->adr, "adr1");
    EXPECT_STREQ(hp->next->anext->next->adr, "a11");

    // The data files hold the restored collection in its order.
    EXPECT_EQ(ReadFile("depart.dat").size(), 2 * store::kDepartSize);
    EXPECT_EQ(ReadFile("patient.dat").size(), 3 * store::kPatientSize);
    EXPECT_EQ(ReadFile("record.dat").size(), 3 * store::kRecordSize);
    Replace(false);
    ASSERT_EQ(CreateList(), 1);
    EXPECT_EQ(Shape(hp), kSample);
}

TEST_F(StoreBackup, TheBackupHoldsExactlyTheHeaderAndTheBlocks) {
    BuildSample();
    ASSERT_EQ(BackupSysData(), TRUE);
    std::string big = ReadFile("BackupSysData.dat");
    EXPECT_EQ(big.size(), 12 + 2 * store::kDepartSize + 3 * store::kPatientSize +
                              3 * store::kRecordSize);
    EXPECT_EQ(big.substr(0, 12), U32(2) + U32(3) + U32(3));

    // A smaller collection leaves nothing of the larger backup behind.
    Replace(false);
    AddDept(5, "five");
    ASSERT_EQ(BackupSysData(), TRUE);
    EXPECT_EQ(ReadFile("BackupSysData.dat"),
              U32(1) + U32(0) + U32(0) + DepartBytes(5, "five"));

    Replace(false);
    ASSERT_EQ(BackupSysData(), TRUE);
    EXPECT_EQ(ReadFile("BackupSysData.dat"), U32(0) + U32(0) + U32(0));
}

TEST_F(StoreBackup, RestoringAnEmptyBackupGivesAnEmptyCollectionAndEmptyDataFiles) {
    ASSERT_EQ(BackupSysData(), TRUE);
    BuildSample();
    ASSERT_EQ(SaveSysData(), TRUE);
    ASSERT_EQ(RestoreSysData(), TRUE);
    EXPECT_EQ(hp, nullptr);
    for (const char* name : kDataFiles) EXPECT_EQ(ReadFile(name), "") << name;
}

TEST_F(StoreBackup, RestoreReadsOnlyWhatTheCountsSayAndAttachesToFirstParents) {
    // Written by another writer of the format: two departments numbered 3,
    // a patient of a missing department, a record of a missing patient, and
    // bytes after the counted blocks.
    WriteFile("BackupSysData.dat",
              U32(3) + U32(3) + U32(3) + DepartBytes(3, "first3") + DepartBytes(4, "four") +
                  DepartBytes(3, "last3") + PatientBytes(3, 5, "p5") +
                  PatientBytes(9, 90, "orphan") + PatientBytes(4, 6, "p6") +
                  RecordBytes(5, 50) + RecordBytes(90, 900) + RecordBytes(6, 60) +
                  DepartBytes(8, "uncounted") + std::string(30, 'z'));
    // The orphan and its record are not restored unsaid.
    SetConsoleCursorPosition(gh_std_out, COORD{2, 30});
    fe.key('A', 'a');
    ASSERT_EQ(RestoreSysData(), TRUE);
    EXPECT_EQ(fe.pending(), 1u) << "no key was awaited";
    EXPECT_EQ(Utf8(RowTrim(30)), "  " + Utf8("注意：备份中有 2 条记录找不到所属，未能恢复!"));
    EXPECT_EQ(Shape(hp), "3:last3{5:p5[50]} 4:four{6:p6[60]} 3:first3{}");
}

TEST_F(StoreBackup, AMissingUnreadableOrShortBackupIsRefused) {
    const char* const kUnreadable = "备份文件不存在或无法读取！数据未恢复。按任意键返回";
    const char* const kIncomplete = "备份文件不完整！数据未恢复。按任意键返回";
    const std::string one_dept = DepartBytes(1, "d");
    struct Case {
        const char* what;
        enum { kFile, kMissing, kDirectory, kFifo, kOpenFails, kReadFails } setup;
        std::string bytes;
        const char* message;
    } cases[] = {
        {"missing", Case::kMissing, "", kUnreadable},
        {"a directory in its place", Case::kDirectory, "", kUnreadable},
        {"a FIFO in its place", Case::kFifo, "", kUnreadable},
        {"cannot be opened", Case::kOpenFails, U32(0) + U32(0) + U32(0), kUnreadable},
        {"empty", Case::kFile, "", kIncomplete},
        {"header cut short", Case::kFile, U32(1) + U32(0), kIncomplete},
        {"last department cut short", Case::kFile,
         U32(2) + U32(0) + U32(0) + one_dept + one_dept.substr(0, 67), kIncomplete},
        {"patients missing", Case::kFile, U32(1) + U32(1) + U32(0) + one_dept, kIncomplete},
        {"last record cut short", Case::kFile,
         U32(1) + U32(1) + U32(1) + one_dept + PatientBytes(1, 2, "p") +
             RecordBytes(2, 3).substr(0, 111),
         kIncomplete},
        {"counts of billions", Case::kFile,
         U32(0xFFFFFFFFu) + U32(0xFFFFFFFFu) + U32(0xFFFFFFFFu) + one_dept + one_dept,
         kIncomplete},
        {"a billion records", Case::kFile, U32(1) + U32(0) + U32(1000000000u) + one_dept,
         kIncomplete},
        {"read error after the header", Case::kReadFails, U32(1) + U32(0) + U32(0) + one_dept,
         kIncomplete},
    };

    BuildSample();
    ASSERT_EQ(SaveSysData(), TRUE);
    std::string data[3];
    for (int i = 0; i < 3; ++i) data[i] = ReadFile(kDataFiles[i]);
    DEPART_NODE* head = hp;

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        con::attach(&fe);
        fe.clear();
        f.kind = Fault::kNone;
        std::remove("BackupSysData.dat");
        if (c.setup == Case::kDirectory) {
            ASSERT_EQ(::mkdir("BackupSysData.dat", 0700), 0);
        } else if (c.setup == Case::kFifo) {
            ASSERT_EQ(::mkfifo("BackupSysData.dat", 0600), 0);
        } else if (c.setup != Case::kMissing) {
            WriteFile("BackupSysData.dat", c.bytes);
        }
        if (c.setup == Case::kOpenFails) f = Fault{Fault::kOpen, "BackupSysData.dat", {}};
        if (c.setup == Case::kReadFails) f = Fault{Fault::kRead, "BackupSysData.dat", {}};
        SetConsoleCursorPosition(gh_std_out, COORD{2, 33});
        fe.key('A', 'a');

        EXPECT_EQ(RestoreSysData(), TRUE);

        EXPECT_EQ(Utf8(RowTrim(33)), Utf8(std::string(2, ' ') + c.message));
        EXPECT_LT(fe.pending(), 2u) << "the key wait took the key";
        EXPECT_EQ(hp, head);
        EXPECT_EQ(Shape(hp), kSample);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(ReadFile(kDataFiles[i]), data[i]) << kDataFiles[i];
        if (c.setup == Case::kDirectory) ::rmdir("BackupSysData.dat");
        if (c.setup == Case::kFifo) ::unlink("BackupSysData.dat");
    }
}

int g_allocs_left = 0;
void* FailingAlloc(std::size_t size) {
    if (g_allocs_left-- <= 0) return nullptr;
    return std::calloc(1, size);
}

TEST_F(StoreBackup, MemoryRunningOutRefusesTheRestore) {
    BuildSample();
    ASSERT_EQ(BackupSysData(), TRUE);
    ASSERT_EQ(SaveSysData(), TRUE);
    std::string data[3];
    for (int i = 0; i < 3; ++i) data[i] = ReadFile(kDataFiles[i]);
    DEPART_NODE* head = hp;
    void* (*real_alloc)(std::size_t) = gp_alloc_node;
    for (int allocs : {0, 1, 2, 4, 7}) {  // 2 departments, 3 patients, 3 records
        SCOPED_TRACE(allocs);
        con::attach(&fe);
        fe.clear();
        fe.key('A', 'a');
        SetConsoleCursorPosition(gh_std_out, COORD{0, 3});
        g_allocs_left = allocs;
        gp_alloc_node = FailingAlloc;
        BOOL result = RestoreSysData();
        gp_alloc_node = real_alloc;
        EXPECT_EQ(result, TRUE);
        EXPECT_EQ(Utf8(RowTrim(3)), Utf8("内存不足！数据未恢复。按任意键返回"));
        EXPECT_EQ(hp, head);
        EXPECT_EQ(Shape(hp), kSample);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(ReadFile(kDataFiles[i]), data[i]) << kDataFiles[i];
    }
}

TEST_F(StoreBackup, ARefusalWaitsForAKey) {
    EXPECT_THROW(RestoreSysData(), con::InputClosed);
}

TEST_F(StoreBackup, ARestoreWhoseSaveFailsSaysSoAndKeepsTheDataFiles) {
    BuildSample();
    ASSERT_EQ(BackupSysData(), TRUE);
    Replace(true);
    ASSERT_EQ(SaveSysData(), TRUE);
    std::string data[3];
    for (int i = 0; i < 3; ++i) data[i] = ReadFile(kDataFiles[i]);

    f = Fault{Fault::kWrite, "record.dat.tmp", {}};
    SetConsoleCursorPosition(gh_std_out, COORD{0, 20});
    fe.key('A', 'a');
    ASSERT_EQ(RestoreSysData(), TRUE);
    EXPECT_EQ(Shape(hp), kReversed);
    EXPECT_EQ(Utf8(RowTrim(20)),
              Utf8("数据已从备份恢复到内存，但数据文件保存失败！原数据文件未改动。按任意键返回"));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(ReadFile(kDataFiles[i]), data[i]) << kDataFiles[i];
}

TEST_F(StoreBackup, AFailedBackupKeepsTheOldOne) {
    BuildSample();
    ASSERT_EQ(BackupSysData(), TRUE);
    const std::string old = ReadFile("BackupSysData.dat");
    AddDept(3, "three");

    struct Case {
        Fault::Kind kind;
        const char* message;
    } cases[] = {
        {Fault::kOpen, "打开文件失败！按任意键返回"},
        {Fault::kWrite, "数据备份失败！原备份文件未改动。按任意键返回"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        con::attach(&fe);
        fe.clear();
        f = Fault{c.kind, "BackupSysData.dat.tmp", {}};
        SetConsoleCursorPosition(gh_std_out, COORD{1, 9});
        fe.key('A', 'a');
        EXPECT_EQ(BackupSysData(), TRUE);
        EXPECT_EQ(Utf8(RowTrim(9)), Utf8(std::string(1, ' ') + c.message));
        EXPECT_LT(fe.pending(), 2u);
        EXPECT_EQ(ReadFile("BackupSysData.dat"), old);
        EXPECT_EQ(FolderEntries(), std::vector<std::string>{"BackupSysData.dat"});
    }
    f = Fault{Fault::kWrite, "BackupSysData.dat.tmp", {}};
    EXPECT_THROW(BackupSysData(), con::InputClosed);  // the message waits for a key
}

TEST_F(StoreBackup, ANewBackupIsForTheOwnerOnlyAndAReplacedOneKeepsItsMode) {
    mode_t old_umask = ::umask(0);
    BuildSample();
    ASSERT_EQ(BackupSysData(), TRUE);
    EXPECT_EQ(Mode("BackupSysData.dat"), 0600u);
    ASSERT_EQ(::chmod("BackupSysData.dat", 0644), 0);
    ASSERT_EQ(BackupSysData(), TRUE);
    EXPECT_EQ(Mode("BackupSysData.dat"), 0644u);

    // Restore writes the data files as the save does.
    ASSERT_EQ(RestoreSysData(), TRUE);
    for (const char* name : kDataFiles) EXPECT_EQ(Mode(name), 0600u) << name;
    ASSERT_EQ(::chmod("record.dat", 0660), 0);
    ASSERT_EQ(RestoreSysData(), TRUE);
    EXPECT_EQ(Mode("record.dat"), 0660u);
    ::umask(old_umask);
}

}  // namespace
