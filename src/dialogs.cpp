// The confirmation dialogs.
#include "dialogs.h"

#include <cstring>

#include "layers.h"

namespace {

// The message, the two answers on a grey window centred on the screen, and a
// line between them. True when the clerk chooses "确定"; `iHot` is the answer
// chosen at first (1 "确定", 2 "取消").
bool Confirmed(const char* message, int iHot) {
    int len = static_cast<int>(std::strlen(message));
    int width = len + 6;
    SMALL_RECT rcPop;
    rcPop.Left = static_cast<SHORT>((SCR_COL - width) / 2);
    rcPop.Right = static_cast<SHORT>(rcPop.Left + width - 1);
    rcPop.Top = static_cast<SHORT>((SCR_ROW - 7) / 2);
    rcPop.Bottom = static_cast<SHORT>(rcPop.Top + 6);

    const char* pCh[] = {message, "确定    取消"};
    COORD aLoc[] = {{static_cast<SHORT>(rcPop.Left + 3), static_cast<SHORT>(rcPop.Top + 2)},
                    {static_cast<SHORT>(rcPop.Left + 5), static_cast<SHORT>(rcPop.Top + 5)}};
    LABEL_BUNDLE labels = {pCh, aLoc, 2};

    SMALL_RECT aArea[] = {{static_cast<SHORT>(rcPop.Left + 5), static_cast<SHORT>(rcPop.Top + 5),
                           static_cast<SHORT>(rcPop.Left + 8), static_cast<SHORT>(rcPop.Top + 5)},
                          {static_cast<SHORT>(rcPop.Left + 13), static_cast<SHORT>(rcPop.Top + 5),
                           static_cast<SHORT>(rcPop.Left + 16), static_cast<SHORT>(rcPop.Top + 5)}};
    char aSort[] = {0, 0};
    char aTag[] = {1, 2};
    HOT_AREA areas = {aArea, aSort, aTag, 2};

    LAYER_NODE* below = gp_top_layer;
    PopUp(&rcPop, 0x70, &labels, &areas);
    if (gp_top_layer == below) {
        // The dialog could not be shown; going on unasked is not an answer.
        PopOff();
        return false;
    }

    COORD pos = {static_cast<SHORT>(rcPop.Left + 1), static_cast<SHORT>(rcPop.Top + 4)};
    FillConsoleOutputCharacterA(gh_std_out, '-', rcPop.Right - rcPop.Left - 1, pos, nullptr);

    bool yes = DealConInput(&areas, &iHot) == 13 && iHot == 1;
    PopOff();
    return yes;
}

}  // namespace

BOOL ExitSys() {
    ClearScreen();
    return !Confirmed("确认退出系统吗？", 1);
}

BOOL CloseSys() { return !Confirmed("一个窗口样例！退出吗？", 1); }

// The questions of the File menu stand over the screen as it is.
BOOL ConfirmOverwrite() { return Confirmed("数据文件已在别处改动或尚未加载，确定覆盖吗？", 2); }

BOOL ConfirmRecovery() { return Confirmed("发现上次未保存的修改，是否恢复？", 1); }

BOOL ConfirmDiscard() { return Confirmed("内存中有未保存的修改，确定放弃并加载吗？", 2); }

BOOL ConfirmBackupOverwrite() {
    return Confirmed("内存中的数据未加载或已过期，确定覆盖备份吗？", 2);
}
