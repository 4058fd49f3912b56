// The console shell: start-up, the main loop, the state bar, and giving
// everything back.
#include "shell.h"

#include <cstdlib>

#include "console/output.h"
#include "console/reads.h"
#include "dialogs.h"
#include "layers.h"
#include "menus.h"
#include "store/collection.h"
#include "store/recovery.h"
#include "store/store.h"

const char* gp_sys_name = "Quorvel";
CHAR_INFO* gp_buff_stateBar_info = nullptr;

namespace {

bool AltHeld(const KEY_EVENT_RECORD& key) {
    return (key.dwControlKeyState & (LEFT_ALT_PRESSED | RIGHT_ALT_PRESSED)) != 0;
}

// Moves the selection along the bar; an open sub-menu moves with it, its
// first item highlighted.
void StepAlongBar(int step) {
    bool was_open = SubMenuOpen();
    gi_sel_menu = NeighbourMenu(gi_sel_menu, step);
    TagMainMenu(gi_sel_menu);
    if (!was_open) return;
    CloseSubMenu();
    PopMenu(gi_sel_menu);
    TagSubMenu(1);
}

// The pointer leads: the open sub-menu follows it along the bar, the
// highlight follows it down the items; a left click opens a menu or runs an
// item, and clicking beside an open menu, with either button, closes it.
BOOL OnMouse(const MOUSE_EVENT_RECORD& mouse) {
    COORD pos = mouse.dwMousePosition;
    // The cell map has no byte for a cell outside the buffer.
    if (pos.X < 0 || pos.X >= SCR_COL || pos.Y < 0 || pos.Y >= SCR_ROW) return TRUE;
    char cell = gp_scr_att[pos.Y * SCR_COL + pos.X];
    int cNo = cell & 3;
    int cAtt = static_cast<signed char>(cell) >> 2;

    if (cNo == 0) {
        if (cAtt > 0 && cAtt != gi_sel_menu && SubMenuOpen()) {
            CloseSubMenu();
            PopMenu(cAtt);
        }
    } else if (cAtt > 0) {
        TagSubMenu(cAtt);
    }

    if (mouse.dwButtonState == FROM_LEFT_1ST_BUTTON_PRESSED) {
        if (cNo == 0) {
            if (cAtt > 0) {
                PopMenu(cAtt);
            } else if (SubMenuOpen()) {
                CloseSubMenu();
            }
        } else if (cAtt > 0) {
            CloseSubMenu();
            return ExeFunction(gi_sel_menu, cAtt);
        }
    } else if (mouse.dwButtonState == RIGHTMOST_BUTTON_PRESSED) {
        if (cNo == 0 && SubMenuOpen()) CloseSubMenu();
    }
    return TRUE;
}

// A key without a character: the arrows move along the bar and in the open
// sub-menu; Down opens the selected menu.
void OnArrow(char vkc) {
    switch (vkc) {
        case VK_LEFT: StepAlongBar(-1); break;
        case VK_RIGHT: StepAlongBar(1); break;
        case VK_UP:
            if (SubMenuOpen()) TagSubMenu(NextSubMenuItem(gi_sel_sub_menu, -1));
            break;
        case VK_DOWN:
            if (SubMenuOpen()) {
                TagSubMenu(NextSubMenuItem(gi_sel_sub_menu, 1));
            } else {
                PopMenu(gi_sel_menu);
                TagSubMenu(1);
            }
            break;
        default: break;
    }
}

// A key with a character. With no menu open, Enter opens the selected menu
// and a letter the menu it names; in an open one, Esc closes it, Enter runs
// the highlighted item and an item's letter runs that item.
BOOL OnCharacter(char vkc) {
    if (!SubMenuOpen()) {
        if (vkc == VK_RETURN) {
            PopMenu(gi_sel_menu);
            TagSubMenu(1);
        } else if (int m = MenuOfLetter(vkc)) {
            PopMenu(m);
        }
        return TRUE;
    }
    if (vkc == VK_ESCAPE) {
        CloseSubMenu();
        return TRUE;
    }
    int s = vkc == VK_RETURN ? gi_sel_sub_menu : SubMenuItemOfLetter(vkc);
    if (vkc == VK_RETURN || s >= 1) CloseSubMenu();
    return s >= 1 ? ExeFunction(gi_sel_menu, s) : TRUE;
}

BOOL OnKey(const KEY_EVENT_RECORD& key) {
    if (!key.bKeyDown) return TRUE;
    char vkc = static_cast<char>(key.wVirtualKeyCode & 0xFF);
    char asc = key.uChar.AsciiChar;

    if (vkc == VK_F1) {
        if (SubMenuOpen()) CloseSubMenu();
        return ExeFunction(7, 5);  // the help topic
    }
    if (AltHeld(key)) {
        if (vkc == 'X') {
            if (SubMenuOpen()) CloseSubMenu();
            return ExeFunction(1, 5);  // the exit dialog
        }
        if (int m = MenuOfLetter(vkc)) PopMenu(m);
        return TRUE;
    }
    if (asc == 0) {
        OnArrow(vkc);
        return TRUE;
    }
    // A letter counts in either case; other characters only as themselves.
    if (asc == vkc || asc - vkc == 32) return OnCharacter(vkc);
    return TRUE;
}

// What the last run left unsaved, offered back over the start screen; a
// recovery file that cannot be read whole is set aside and said so.
void OfferRecovery() {
    switch (store::StartRecovery()) {
        case store::Recovery::kNone: return;
        case store::Recovery::kRecoverable:
            if (ConfirmRecovery())
                store::Recover();
            else
                store::DiscardRecovery();
            return;
        case store::Recovery::kDamaged: {
            store::SetAsideRecovery();
            CONSOLE_SCREEN_BUFFER_INFO info;
            GetConsoleScreenBufferInfo(gh_std_out, &info);
            SavedRow row(info.dwCursorPosition.Y);
            con_printf("恢复文件已损坏，未能恢复！按任意键返回");
            con_getch();
            row.Restore();
            SetConsoleCursorPosition(gh_std_out, info.dwCursorPosition);
            return;
        }
    }
}

}  // namespace

int QuorvelMain() {
    gh_std_out = GetStdHandle(STD_OUTPUT_HANDLE);
    gh_std_in = GetStdHandle(STD_INPUT_HANDLE);
    SetConsoleTitleA(gp_sys_name);
    COORD size = {SCR_COL, SCR_ROW};
    SetConsoleScreenBufferSize(gh_std_out, size);
    InitInterface();
    OfferRecovery();
    RunSys();
    CloseSys();
    return 0;
}

void InitInterface() {
    SetConsoleTextAttribute(gh_std_out, 0x1E);
    InitLayers();
    ShowMenu();
    ShowState();
}

// Each record goes to its step; a step's FALSE (a confirmed exit) ends the loop.
void RunSys() {
    INPUT_RECORD inRec;
    DWORD res;
    BOOL bRet = TRUE;
    while (bRet) {
        ReadConsoleInputA(gh_std_in, &inRec, 1, &res);
        if (inRec.EventType == MOUSE_EVENT)
            bRet = OnMouse(inRec.Event.MouseEvent);
        else if (inRec.EventType == KEY_EVENT)
            bRet = OnKey(inRec.Event.KeyEvent);
    }
}

void ShowState() {
    CONSOLE_SCREEN_BUFFER_INFO bInfo;
    GetConsoleScreenBufferInfo(gh_std_out, &bInfo);
    COORD size = {bInfo.dwSize.X, 1};
    COORD pos = {0, 0};
    SMALL_RECT rcState = {0, static_cast<SHORT>(bInfo.dwSize.Y - 1),
                          static_cast<SHORT>(bInfo.dwSize.X - 1),
                          static_cast<SHORT>(bInfo.dwSize.Y - 1)};

    if (gp_buff_stateBar_info == nullptr) {
        gp_buff_stateBar_info = static_cast<CHAR_INFO*>(std::malloc(size.X * sizeof(CHAR_INFO)));
        ReadConsoleOutputA(gh_std_out, gp_buff_stateBar_info, size, pos, &rcState);
    }
    for (int i = 0; i < size.X; i++) gp_buff_stateBar_info[i].Attributes = 0x70;
    WriteConsoleOutputA(gh_std_out, gp_buff_stateBar_info, size, pos, &rcState);
}

void ReleaseSys() {
    FreeCollection(hp);
    hp = nullptr;
    store::ForgetDataFiles();
    store::StopRecovery();
    ReleaseLayers();
    ReleaseMenus();
    std::free(gp_buff_stateBar_info);
    gp_buff_stateBar_info = nullptr;
    con::reset_input_buffer();
}
