// The store's file operations as each platform gives them, and a save that
// stopped midway completed by the next load. These run on every platform.
#include <string>
#include <vector>

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

TEST_F(StoreFiles, TheFoldersLockChangesKindAndLeavesNothingBehind) {
    EXPECT_TRUE(store::LockFolder(".", store::Lock::kShared, 0));
    EXPECT_TRUE(store::LockFolder(".", store::Lock::kExclusive, 0));
    EXPECT_TRUE(store::LockFolder(".", store::Lock::kShared, 0));
    store::UnlockFolder();
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{});
}

// What a save leaves when it stops after its commit record is in place and
// depart.dat is renamed, but before patient.dat and record.dat are.
class UnfinishedSave : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        WriteFile("depart.dat", DepartBytes(1, "new"));
        WriteFile("patient.dat", PatientBytes(1, 11, "old"));
        WriteFile("patient.dat.7-2.tmp", PatientBytes(1, 11, "new"));
        WriteFile("record.dat", RecordBytes(11, 111));
        WriteFile("record.dat.7-3.tmp", RecordBytes(11, 222));
        WriteFile("depart.dat.7-4.tmp", DepartBytes(1, "old"));  // its second name
    }
    static std::string Record(const std::string& body) { return "Quorvel commit\n" + body; }
    const std::vector<std::string> kOnlyTheFiles = {"depart.dat", "patient.dat", "record.dat"};
};

TEST_F(UnfinishedSave, IsCompletedByTheNextLoad) {
    WriteFile("Quorvel.commit", Record("depart.dat.7-1.tmp depart.dat\n"
                                       "patient.dat.7-2.tmp patient.dat\n"
                                       "record.dat.7-3.tmp record.dat\nend\n"));
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
        WriteFile("Quorvel.commit", Record(body));
        FreeCollection(hp);
        hp = nullptr;
        ASSERT_EQ(CreateList(), 1);
        EXPECT_EQ(Shape(hp), "1:new{11:old[111]}");
        EXPECT_EQ(ReadFile("record.dat"), RecordBytes(11, 111));
    }
    // The temporaries it left are removed by the load that dropped it.
    EXPECT_EQ(FolderEntries(), kOnlyTheFiles);
}

}  // namespace
