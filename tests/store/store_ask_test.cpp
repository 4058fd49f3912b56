// Backup and restore ask before they replace what this copy has not seen, and
// nothing is written where the folder cannot be locked.
#include <filesystem>
#include <string>

#include "session/session_support.h"

namespace {

using namespace store_test;
using session_test::CheckedFrontend;

class StoreAsk : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        con::attach(&user);
        StartSys();  // the questions are pop-ups
        WriteFile("depart.dat", DepartBytes(1, "disk"));
        WriteFile("patient.dat", PatientBytes(1, 11, "disk"));
        WriteFile("record.dat", RecordBytes(11, 111));
    }

    // Runs `command` with the answer keys; a cancel's message is read at the
    // cursor, which stands at (2, 40).
    std::string Run(BOOL (*command)(), const std::string& answer_keys, bool cancelled) {
        ClearScreen();
        SetConsoleCursorPosition(gh_std_out, COORD{2, 40});
        user.clear();
        if (answer_keys == "enter") user.enter();
        if (answer_keys == "esc") user.esc();
        if (answer_keys == "ok") user.left().enter();
        if (cancelled) user.key('A', 'a');
        EXPECT_EQ(command(), TRUE);
        EXPECT_LT(user.pending(), 2u) << "keys left unread";
        user.clear();
        return Utf8(RowTrim(40));
    }

    CheckedFrontend user;
};

TEST_F(StoreAsk, BackupAsksBeforeItReplacesABackupWithWhatMayNotBeTheData) {
    WriteFile("BackupSysData.dat", U32(0) + U32(0) + U32(0));
    const std::string old_backup = ReadFile("BackupSysData.dat");
    AddDept(2, "memory");
    user.Checkpoint(
        [&] {
            // The exit dialog's look, as wide as the message, 取消 lit.
            EXPECT_EQ(Utf8(Row(48, 53, 96)), Utf8("内存中的数据未加载或已过期，确定覆盖备份吗？"));
            EXPECT_EQ(Attr(50, 46), 0x70);
            EXPECT_EQ(Attr(99, 52), 0x70);
            EXPECT_NE(Attr(49, 46), 0x70);
            EXPECT_NE(Attr(100, 52), 0x70);
            EXPECT_EQ(Attr(55, 51), 0x70);
            EXPECT_NE(Attr(63, 51), 0x70);
        },
        con::Wait::Event);
    const std::string not_backed_up = "  " + Utf8("数据未备份！按任意键返回");
    EXPECT_EQ(Run(BackupSysData, "enter", true), not_backed_up);
    EXPECT_EQ(user.checks_run(), 1u);
    EXPECT_EQ(Run(BackupSysData, "esc", true), not_backed_up);
    EXPECT_EQ(ReadFile("BackupSysData.dat"), old_backup);
    EXPECT_EQ(Run(BackupSysData, "ok", false), "");
    EXPECT_NE(ReadFile("BackupSysData.dat"), old_backup);

    // No question without a backup to lose, nor after a complete load.
    std::filesystem::remove("BackupSysData.dat");
    EXPECT_EQ(Run(BackupSysData, "", false), "");
    ASSERT_EQ(CreateList(), 1);
    EXPECT_EQ(Run(BackupSysData, "", false), "");
    EXPECT_EQ(ReadFile("BackupSysData.dat").size(),
              store::kBackupHeaderSize + store::kDepartSize + store::kPatientSize +
                  store::kRecordSize);
}

TEST_F(StoreAsk, RestoreAsksOnceBeforeItReplacesDataFilesItHasNotSeen) {
    WriteFile("BackupSysData.dat", U32(1) + U32(0) + U32(0) + DepartBytes(7, "backup"));
    AddDept(2, "memory");
    const std::string departs = ReadFile("depart.dat");
    user.Checkpoint(
        [&] {
            EXPECT_EQ(Utf8(Row(48, 53, 96)), Utf8("数据文件已在别处改动或尚未加载，确定覆盖吗？"));
        },
        con::Wait::Event);
    const std::string not_restored = "  " + Utf8("数据未恢复！按任意键返回");
    EXPECT_EQ(Run(RestoreSysData, "enter", true), not_restored);
    EXPECT_EQ(Run(RestoreSysData, "esc", true), not_restored);
    EXPECT_EQ(Shape(hp), "2:memory{}");
    EXPECT_EQ(ReadFile("depart.dat"), departs);

    EXPECT_EQ(Run(RestoreSysData, "ok", false), "");
    EXPECT_EQ(Shape(hp), "7:backup{}");
    EXPECT_EQ(ReadFile("depart.dat"), DepartBytes(7, "backup"));
    // Its own save's files: the next restore asks nothing.
    EXPECT_EQ(Run(RestoreSysData, "", false), "");
}

// A lock file that cannot be opened stands for any folder that cannot be
// locked: writing commands write nothing, a load still reads but completes
// no commit record.
TEST_F(StoreAsk, WhereTheFolderCannotBeLockedNothingIsWritten) {
    std::filesystem::create_directory("Quorvel.lock");
    AddDept(2, "memory");
    const std::string no_lock = "  " + Utf8("数据文件夹无法加锁，未写入任何文件！按任意键返回");
    EXPECT_EQ(Run(SaveSysData, "", true), no_lock);
    EXPECT_EQ(Run(BackupSysData, "", true), no_lock);
    EXPECT_EQ(Run(RestoreSysData, "", true), no_lock);
    EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"depart.dat", "patient.dat", "record.dat"}));
    EXPECT_EQ(ReadFile("depart.dat"), DepartBytes(1, "disk"));

    ASSERT_EQ(CreateList(), 1);
    EXPECT_EQ(Shape(hp), "1:disk{11:disk[111]}");
    WriteFile("Quorvel.commit", "Quorvel commit\nend\n");
    user.key('A', 'a');
    ASSERT_EQ(CreateList(), 1);
    EXPECT_EQ(Utf8(RowTrim(5)),
              std::string(20, ' ') + Utf8("数据文件的上一次保存未完成，且无法补完！按任意键返回"));
    EXPECT_TRUE(std::filesystem::exists("Quorvel.commit"));
}

}  // namespace
