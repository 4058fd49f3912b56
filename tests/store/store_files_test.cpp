// The store's file operations as each platform gives them, and a save that
// stopped midway completed by the next load. These run on every platform.
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "store/commit.h"
#include "store/store_helpers.h"
#include "support/app_test.h"

namespace {

using namespace store_test;

using StoreFiles = AppTest;

std::string ReadAllOf(int fd) {
    std::string got;
    char buf[64];
    std::ptrdiff_t n;
    while ((n = store::file_ops.read(fd, buf, sizeof buf)) > 0) got.append(buf, std::size_t(n));
    return got;
}

TEST_F(StoreFiles, FilesAreBinaryNewAndReplacedInOneStepWithANewIdentity) {
    // Bytes a text mode would change: line ends, a Ctrl+Z, a NUL.
    const std::string bytes("\r\n\n\x1a\0end", 8);
    int fd = store::file_ops.create("target.1-1.tmp");
    ASSERT_GE(fd, 0);
    EXPECT_EQ(store::file_ops.write(fd, bytes.data(), bytes.size()), 8);
    EXPECT_EQ(store::file_ops.flush(fd), 0);
    EXPECT_EQ(store::file_ops.close(fd), 0);
    EXPECT_LT(store::file_ops.create("target.1-1.tmp"), 0) << "created over an existing file";

    WriteFile("target", "old");
    store::FileId before, after;
    ASSERT_EQ(store::Look("target", &before), store::Entry::kRegular);
    ASSERT_TRUE(store::KeepAs("target", "second"));
    ASSERT_EQ(store::file_ops.replace("target.1-1.tmp", "target"), 0);
    ASSERT_EQ(store::Look("target", &after), store::Entry::kRegular);
    EXPECT_FALSE(before == after);
    EXPECT_EQ(ReadFile("second"), "old");

    fd = store::file_ops.open_read("target");
    ASSERT_GE(fd, 0);
    EXPECT_EQ(ReadAllOf(fd), bytes);
    store::FileId open_id;
    EXPECT_TRUE(store::IdOf(fd, &open_id));
    EXPECT_TRUE(open_id == after);
    store::file_ops.close(fd);
    EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"second", "target"}));

    EXPECT_EQ(store::Look("absent", nullptr), store::Entry::kMissing);
    EXPECT_TRUE(store::Remove("absent"));
    std::filesystem::create_directory("folder");
    EXPECT_EQ(store::Look("folder", nullptr), store::Entry::kOther);
    EXPECT_LT(store::file_ops.open_read("folder"), 0);
}

// Two locks of one process lock against each other as two copies do, on
// every platform: each opens the lock file for itself.
TEST_F(StoreFiles, TheLockIsAByteOfQuorvelLockThatEveryOpenOfItSees) {
    using store::Lock;
    using store::Locked;
    struct Step {
        int who;  // 0 or 1: which of the two copies
        Lock kind;
        Locked expected;
    };
    const Step steps[] = {
        {0, Lock::kShared, Locked::kYes},     {1, Lock::kShared, Locked::kYes},
        {1, Lock::kExclusive, Locked::kBusy},  // the other holds it shared
        {0, Lock::kExclusive, Locked::kYes},  {1, Lock::kShared, Locked::kBusy},
        {0, Lock::kShared, Locked::kYes},     {1, Lock::kShared, Locked::kYes},
    };
    store::FolderLock copies[2];
    for (const Step& s : steps) {
        SCOPED_TRACE(testing::Message() << "copy " << s.who << " kind " << int(s.kind));
        EXPECT_EQ(copies[s.who].Take(s.kind, true, 60), s.expected);
    }
    copies[0].Release();
    copies[1].Release();
    EXPECT_EQ(copies[1].Take(Lock::kExclusive, true, 0), Locked::kYes);
    // Its own byte: the commands' lock leaves another byte of the file free.
    store::FolderLock other_byte(1);
    EXPECT_EQ(other_byte.Take(Lock::kExclusive, true, 0), Locked::kYes);
    copies[1].Release();
    // The file stays for the next copy; without it, a lock that may not make
    // it is not had.
    other_byte.Release();
    EXPECT_TRUE(std::filesystem::is_regular_file("Quorvel.lock"));
    std::filesystem::remove("Quorvel.lock");
    EXPECT_EQ(copies[0].Take(Lock::kShared, false, 0), Locked::kUnavailable);
    EXPECT_FALSE(std::filesystem::exists("Quorvel.lock"));
}

// What a save leaves when it stops after its commit record is in place and
// depart.dat is renamed, but before patient.dat and record.dat are.
class UnfinishedSave : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        Lay();
    }
    // Each case starts from these files alone.
    static void Lay() {
        for (const auto& e : std::filesystem::directory_iterator("."))
            std::filesystem::remove(e.path());
        WriteFile("depart.dat", DepartBytes(1, "new"));
        WriteFile("patient.dat", PatientBytes(1, 11, "old"));
        WriteFile("patient.dat.7-2.tmp", PatientBytes(1, 11, "new"));
        WriteFile("record.dat", RecordBytes(11, 111));
        WriteFile("record.dat.7-3.tmp", RecordBytes(11, 222));
        WriteFile("depart.dat.7-4.tmp", DepartBytes(1, "old"));  // its second name
    }
    static std::string Record(const std::string& body) { return "Quorvel commit\n" + body; }
    const std::vector<std::string> kOnlyTheFiles = {"depart.dat", "patient.dat", "record.dat"};
    const std::string kWhole = "depart.dat.7-1.tmp depart.dat\npatient.dat.7-2.tmp patient.dat\n"
                               "record.dat.7-3.tmp record.dat\nend\n";
};

TEST_F(UnfinishedSave, IsCompletedByTheNextLoad) {
    WriteFile("Quorvel.commit", Record(kWhole));
    ASSERT_EQ(CreateList(), 1);
    EXPECT_EQ(Shape(hp), "1:new{11:new[222]}");
    EXPECT_EQ(FolderEntries(), kOnlyTheFiles);
}

TEST_F(UnfinishedSave, ARecordCutShortOrNamingOtherFilesIsDroppedUnread) {
    for (const std::string& body :
         {std::string("depart.dat.7-1.tmp depart.dat\npatient.dat.7-2.tmp patient.dat\n"),
          std::string("patient.dat.7-2.tmp record.dat\nend\n"),
          std::string("../patient.dat.7-2.tmp patient.dat\nend\n")}) {
        SCOPED_TRACE(body);
        Lay();
        WriteFile("Quorvel.commit", Record(body));
        FreeCollection(hp);
        hp = nullptr;
        ASSERT_EQ(CreateList(), 1);
        EXPECT_EQ(Shape(hp), "1:new{11:old[111]}");
        EXPECT_EQ(ReadFile("record.dat"), RecordBytes(11, 111));
        // The temporaries it left are removed by the load that dropped it.
        EXPECT_EQ(FolderEntries(), kOnlyTheFiles);
    }
}

// A record that is there but cannot be read is no "no record": nothing is
// read, written or removed, and the clerk is told.
TEST_F(UnfinishedSave, ARecordThatCannotBeReadStopsTheLoadAndTheSave) {
    WriteFile("Quorvel.commit", Record(kWhole));
    FileOpsGuard guard;
    static int record_fd;
    record_fd = -1;
    store::file_ops.open_read = [](const char* path) {
        int fd = store::RealFileOps().open_read(path);
        if (store::BaseName(path) == "Quorvel.commit") record_fd = fd;
        return fd;
    };
    store::file_ops.read = [](int fd, void* buf, std::size_t n) -> std::ptrdiff_t {
        if (fd == record_fd) {
            errno = EIO;
            return -1;
        }
        return store::RealFileOps().read(fd, buf, n);
    };
    const std::vector<std::string> before = FolderEntries();
    AddDept(5, "kept");
    const std::string unfinished = "数据文件的上一次保存未完成，且无法补完！按任意键返回";
    fe.key('A', 'a');
    ASSERT_EQ(CreateList(), 1);
    EXPECT_EQ(Utf8(RowTrim(5)), Utf8(std::string(20, ' ') + unfinished));
    SetConsoleCursorPosition(gh_std_out, COORD{0, 30});
    fe.key('A', 'a');
    ASSERT_EQ(SaveSysData(), TRUE);
    EXPECT_EQ(Utf8(RowTrim(30)), Utf8(unfinished));
    EXPECT_EQ(Shape(hp), "5:kept{}");
    EXPECT_EQ(FolderEntries(), before);
    EXPECT_EQ(ReadFile("patient.dat"), PatientBytes(1, 11, "old"));
}

}  // namespace
