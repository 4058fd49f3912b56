// The store's own calls: what each Result says for the folder it found, and
// that none of them draws on the screen (the File menu's commands do).
#include <filesystem>
#include <string>

#include "store/store_helpers.h"
#include "support/app_test.h"

namespace {

using namespace store_test;
using store::Result;
using store::Status;

class StoreResult : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        // A screen the store must leave as it is.
        con::state().cursor = COORD{7, 9};
        con_printf("marker");
    }

    void ExpectNothingDrawn() {
        EXPECT_EQ(RowTrim(9), "       marker");
        for (int y : {0, 5, 7, 13, 46, 50}) EXPECT_EQ(RowTrim(y), "") << y;
        EXPECT_EQ(con::state().cursor.X, 13);
        EXPECT_EQ(con::state().cursor.Y, 9);
    }
};

TEST_F(StoreResult, LoadSaysHowFarItGotAndWhatItLeftOut) {
    struct Case {
        const char* what;
        std::string departs, patients, records;  // "-": no such file
        int files_opened;
        bool no_departments;
        std::uint64_t dropped;
        const char* shape;  // of hp afterwards
    };
    const std::string d1 = DepartBytes(1, "d1");
    const std::string p5 = PatientBytes(1, 5, "p5");
    const Case cases[] = {
        {"no department file", "-", "-", "-", 0, false, 0, "9:old{}"},
        {"an empty department file", "", p5, "", 1, true, 0, "9:old{}"},
        {"no patient file", d1, "-", "-", 1, false, 0, "1:d1{}"},
        {"no visit-record file", d1, p5, "-", 2, false, 0, "1:d1{5:p5[]}"},
        {"all three, a record cut short and an orphan", d1, p5 + PatientBytes(3, 6, "p6"),
         RecordBytes(5, 50) + "abc", 3, false, 2, "1:d1{5:p5[50]}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const char* f : {"depart.dat", "patient.dat", "record.dat"}) std::filesystem::remove(f);
        const std::string* bytes[3] = {&c.departs, &c.patients, &c.records};
        const char* names[3] = {"depart.dat", "patient.dat", "record.dat"};
        for (int i = 0; i < 3; ++i)
            if (*bytes[i] != "-") WriteFile(names[i], *bytes[i]);
        FreeCollection(hp);
        hp = nullptr;
        AddDept(9, "old");

        Result r = store::Load();
        EXPECT_EQ(r.status, Status::kDone);
        EXPECT_EQ(r.files_opened, c.files_opened);
        EXPECT_EQ(r.no_departments, c.no_departments);
        EXPECT_EQ(r.dropped, c.dropped);
        EXPECT_EQ(Shape(hp), c.shape);
    }
    ExpectNothingDrawn();
}

TEST_F(StoreResult, SaveLeavesFilesItHasNotSeenAloneUntilToldToOverwrite) {
    WriteFile("depart.dat", DepartBytes(3, "theirs"));
    AddDept(1, "mine");

    EXPECT_EQ(store::Save(true).status, Status::kChanged);
    EXPECT_EQ(ReadFile("depart.dat"), DepartBytes(3, "theirs"));

    EXPECT_EQ(store::Save(false).status, Status::kDone);
    EXPECT_EQ(ReadFile("depart.dat"), DepartBytes(1, "mine"));
    // Now this copy has seen them: no question any more.
    EXPECT_EQ(store::Save(true).status, Status::kDone);
    ExpectNothingDrawn();
}

TEST_F(StoreResult, BackupAndRestoreReportWhatStoppedThem) {
    store::RestoredBackup backup;
    std::filesystem::create_directory("BackupSysData.dat");
    EXPECT_EQ(store::Backup(false).status, Status::kUnusable);
    EXPECT_EQ(store::ReadBackup(false, &backup).status, Status::kBackupUnreadable);
    std::filesystem::remove("BackupSysData.dat");

    WriteFile("BackupSysData.dat", U32(2) + U32(0) + U32(0) + DepartBytes(1, "d1"));
    EXPECT_EQ(store::ReadBackup(false, &backup).status, Status::kBackupIncomplete);

    // A patient without its department, and a visit record of it.
    WriteFile("BackupSysData.dat", U32(1) + U32(2) + U32(1) + DepartBytes(4, "kept") +
                                       PatientBytes(4, 40, "p40") + PatientBytes(8, 80, "lost") +
                                       RecordBytes(80, 800));
    Result read = store::ReadBackup(false, &backup);
    EXPECT_EQ(read.status, Status::kDone);
    EXPECT_EQ(read.dropped, 2u);
    EXPECT_EQ(hp, nullptr) << "the collection changed before the restore";
    EXPECT_EQ(store::Restore(backup).status, Status::kDone);
    EXPECT_EQ(Shape(hp), "4:kept{40:p40[]}");
    ExpectNothingDrawn();
}

}  // namespace
