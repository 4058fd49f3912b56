// Read-only files on Windows, where a read-only file can be neither replaced
// nor removed by name: a save, backup or restore that meets one fails with
// its message and leaves the folder holding only the files that were there,
// and leftover temporaries that are read-only go all the same. (The C
// runtime's chmod sets and clears the read-only attribute.)
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "store/store_helpers.h"
#include "support/app_test.h"

namespace {

using namespace store_test;

const std::vector<std::string> kAllFour = {"BackupSysData.dat", "depart.dat", "patient.dat",
                                           "record.dat"};

bool ReadOnly(const std::string& name) { return (Mode(name) & 0200) == 0; }

void SetReadOnly(const std::string& name, bool on) {
    ASSERT_EQ(::chmod(name.c_str(), on ? 0444 : 0644), 0) << name;
}

class StoreReadOnly : public AppTest {
protected:
    // The four files written by this copy, then a collection that differs.
    void SetUp() override {
        AppTest::SetUp();
        AddRecord(AddPatient(AddDept(1, "one"), 11, "p11"), 111);
        ASSERT_EQ(BackupSysData(), TRUE);
        ASSERT_EQ(SaveSysData(), TRUE);
        for (const std::string& name : kAllFour) before_.push_back(ReadFile(name));
        AddRecord(AddPatient(AddDept(2, "two"), 21, "p21"), 211);
    }
    void TearDown() override {
        for (const std::string& name : FolderEntries()) SetReadOnly(name, false);
        AppTest::TearDown();
    }

    void ExpectFilesAsBefore() {
        for (std::size_t i = 0; i < kAllFour.size(); ++i)
            EXPECT_EQ(ReadFile(kAllFour[i]), before_[i]) << kAllFour[i];
        EXPECT_EQ(FolderEntries(), kAllFour) << "a temporary was left behind";
    }

    std::vector<std::string> before_;
};

TEST_F(StoreReadOnly, ASaveBackupOrRestoreThatMeetsOneFailsAndLeavesNothingBehind) {
    struct Case {
        const char* read_only;
        BOOL (*command)();
        const char* message;
    };
    const Case cases[] = {
        {"depart.dat", SaveSysData, "数据保存失败！原数据文件未改动。按任意键返回"},
        // The first two files are replaced before the third is refused, and put back.
        {"record.dat", SaveSysData, "数据保存失败！原数据文件未改动。按任意键返回"},
        {"BackupSysData.dat", BackupSysData, "数据备份失败！原备份文件未改动。按任意键返回"},
        {"patient.dat", RestoreSysData,
         "数据已从备份恢复到内存，但数据文件保存失败！原数据文件未改动。按任意键返回"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.read_only);
        SetReadOnly(c.read_only, true);
        fe.clear();
        SetConsoleCursorPosition(gh_std_out, COORD{0, 20});
        fe.key('A', 'a');
        EXPECT_EQ(c.command(), TRUE);
        EXPECT_EQ(Utf8(RowTrim(20)), Utf8(c.message));
        EXPECT_TRUE(ReadOnly(c.read_only)) << "the file lost its attribute";
        ExpectFilesAsBefore();
        SetReadOnly(c.read_only, false);
    }
}

TEST_F(StoreReadOnly, ARestoreFromAReadOnlyBackupSucceeds) {
    SetReadOnly("BackupSysData.dat", true);
    EXPECT_EQ(RestoreSysData(), TRUE);  // no message: no key is waited for
    EXPECT_EQ(Shape(hp), "1:one{11:p11[111]}");
    EXPECT_EQ(ReadFile("depart.dat"), before_[1]);
    EXPECT_TRUE(ReadOnly("BackupSysData.dat"));
    EXPECT_EQ(FolderEntries(), kAllFour);
}

TEST_F(StoreReadOnly, ReadOnlyLeftoversAreRemovedAndTheDataFileKeepsItsAttribute) {
    // What an earlier copy left: a read-only temporary, and the second name
    // of a read-only data file (the same file under another name).
    WriteFile("record.dat.99999-1.tmp", "left");
    SetReadOnly("record.dat.99999-1.tmp", true);
    SetReadOnly("depart.dat", true);
    std::filesystem::create_hard_link("depart.dat", "depart.dat.99999-2.tmp");

    fe.key('A', 'a');
    EXPECT_EQ(SaveSysData(), TRUE);  // refused: depart.dat is read-only
    EXPECT_TRUE(ReadOnly("depart.dat"));
    ExpectFilesAsBefore();

    SetReadOnly("depart.dat", false);
    EXPECT_EQ(SaveSysData(), TRUE);
    EXPECT_NE(ReadFile("depart.dat"), before_[1]);
    EXPECT_EQ(FolderEntries(), kAllFour);
}

}  // namespace
