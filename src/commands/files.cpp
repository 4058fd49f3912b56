// The File menu's commands: load, save, backup and restore, and what each
// shows the clerk of the store's result.
#include "commands/commands.h"
#include "commands/forms.h"
#include "dialogs.h"
#include "store/recovery.h"
#include "store/store.h"

namespace {

using store::Status;

const char* const kBusy = "数据文件正被另一个程序使用，请稍后再试！按任意键返回";
const char* const kUnfinished = "数据文件的上一次保存未完成，且无法补完！按任意键返回";
const char* const kOpenFailed = "打开文件失败！按任意键返回";
const char* const kNoLock = "数据文件夹无法加锁，未写入任何文件！按任意键返回";
const char* const kPending = "数据保存未完成，下次加载时将自动补完！按任意键返回";

// A message at the cursor, then a key.
void Tell(const char* message) {
    con_printf("%s", message);
    con_getch();
}

// What a writing command shows when it does not end well; `failed` is its
// own message for a write that failed.
void TellOutcome(Status status, const char* failed) {
    switch (status) {
        case Status::kBusy: Tell(kBusy); return;
        case Status::kUnfinished: Tell(kUnfinished); return;
        case Status::kUnusable: Tell(kOpenFailed); return;
        case Status::kNoLock: Tell(kNoLock); return;
        case Status::kFailed: Tell(failed); return;
        case Status::kPending: Tell(kPending); return;
        case Status::kNoMemory: Tell("内存不足！数据未恢复。按任意键返回"); return;
        case Status::kBackupUnreadable:
            Tell("备份文件不存在或无法读取！数据未恢复。按任意键返回");
            return;
        case Status::kBackupIncomplete: Tell("备份文件不完整！数据未恢复。按任意键返回"); return;
        case Status::kDone:
        case Status::kChanged: return;
    }
}

// The load's lines, one for each file it opened, at column 20 from row 5 on.
int ShowLoad(const store::Result& r) {
    static const char* const kOpened[3] = {"科室信息数据文件打开成功!", "病人信息数据文件打开成功!",
                                           "就诊记录信息数据文件打开成功!"};
    static const char* const kNotOpened[3] = {"科室信息数据文件打开失败!",
                                              "病人信息数据文件打开失败!",
                                              "就诊记录信息数据文件打开失败!"};
    // The row of each file's line; the departments' own has a second line.
    static const SHORT kRows[3] = {5, 9, 11};

    for (int i = 0; i < 3; ++i) {
        GotoXY(20, kRows[i]);
        if (i >= r.files_opened) {
            con_printf("%s", kNotOpened[i]);
            break;
        }
        con_printf("%s", kOpened[i]);
        if (r.status == Status::kNoMemory && i + 1 == r.files_opened) {
            GotoXY(20, static_cast<SHORT>(i == 0 ? 7 : kRows[i] + 2));
            con_printf("内存不足！数据未加载。");
            return 1;
        }
        if (i == 0) {
            GotoXY(20, 7);
            con_printf(r.no_departments ? "科室信息数据文件加载失败!" : "科室信息数据文件加载成功!");
            if (r.no_departments) break;
        }
    }
    if (r.dropped > 0) {
        GotoXY(20, 13);
        con_printf("注意：有 %llu 条记录不完整或找不到所属，未能加载!",
                   static_cast<unsigned long long>(r.dropped));
    }
    // The design's results: 4 when the patients' file could not be opened,
    // 12 when the visit records' could not; 1 otherwise.
    if (r.no_departments) return 1;
    if (r.files_opened == 1) return 4;
    if (r.files_opened == 2) return 12;
    return 1;
}

}  // namespace

// Asks first, over the screen as it is, when the collection holds unsaved work.
int CreateList() {
    if (store::Unsaved() && !ConfirmDiscard()) return 1;
    ClearScreen();
    GotoXY(20, 5);
    store::Result r = store::Load();
    if (r.status == Status::kBusy || r.status == Status::kUnfinished) {
        TellOutcome(r.status, nullptr);
        return 1;
    }
    return ShowLoad(r);
}

// A question answered 取消 (or Esc) says so, so that a clerk who pressed
// Enter out of habit does not leave believing the work is kept.
BOOL SaveSysData() {
    store::Result r = store::Save(true);
    // The question stands over the screen as it is, with the lock let go.
    if (r.status == Status::kChanged) {
        if (!ConfirmOverwrite()) {
            Tell("数据未保存！按任意键返回");
            return TRUE;
        }
        r = store::Save(false);
    }
    TellOutcome(r.status, "数据保存失败！原数据文件未改动。按任意键返回");
    return TRUE;
}

BOOL BackupSysData() {
    store::Result r = store::Backup(true);
    if (r.status == Status::kChanged) {
        if (!ConfirmBackupOverwrite()) {
            Tell("数据未备份！按任意键返回");
            return TRUE;
        }
        r = store::Backup(false);
    }
    TellOutcome(r.status, "数据备份失败！原备份文件未改动。按任意键返回");
    return TRUE;
}

// Asks at most once, before the backup is read; says what the backup's
// records left out before the data files are replaced.
BOOL RestoreSysData() {
    store::RestoredBackup backup;
    store::Result r = store::ReadBackup(true, &backup);
    if (r.status == Status::kChanged) {
        if (!ConfirmOverwrite()) {
            Tell("数据未恢复！按任意键返回");
            return TRUE;
        }
        r = store::ReadBackup(false, &backup);
    }
    if (r.status != Status::kDone) {
        TellOutcome(r.status, nullptr);
        return TRUE;
    }
    if (r.dropped > 0) {
        con_printf("注意：备份中有 %llu 条记录找不到所属，未能恢复!",
                   static_cast<unsigned long long>(r.dropped));
        con_getch();
    }
    TellOutcome(store::Restore(backup).status,
                "数据已从备份恢复到内存，但数据文件保存失败！原数据文件未改动。按任意键返回");
    return TRUE;
}
