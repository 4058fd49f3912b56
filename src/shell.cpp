// The console shell: start-up, the main loop, dispatch, the bars, sub-menus.
#include <cstdlib>
#include <cstring>

#include "hospital.h"

const char* gp_sys_name = "Quorvel";
const char* ga_main_menu[7] = {"文件(F)  ", "添加(A)  ", "修改(M)  ", "插入(I)  ",
                               "删除(D)  ", "查询(Q)  ", "帮助(H)  "};
const char* ga_sub_menu[26] = {
    "[L]数据加载", "[S] 数据保存", "[B] 数据备份", "[R] 数据恢复", "[X] 退出系统  Alt+X",
    "[M] 医院科室基本信息", "[Z] 病人基本信息", "[O] 就诊记录基本信息",
    "[M] 医院科室基本信息", "[Z] 病人基本信息", "[O] 就诊记录基本信息",
    "[M] 医院科室基本信息", "[Z] 病人基本信息", "[O] 就诊记录基本信息",
    "[M] 医院科室基本信息", "[Z] 病人基本信息", "[O] 就诊记录基本信息",
    "[M] 医院科室基本信息", "[Z] 病人基本信息", "[O] 就诊记录基本信息",
    "输出科室基本信息", "输出病人基本信息", "输出就诊记录基本信息", "",
    "[T] 帮助主题", "[A] 关于本系统"};
int ga_sub_menu_count[7] = {5, 3, 3, 3, 3, 3, 6};
int gi_sel_menu = 1;
int gi_sel_sub_menu = 0;

HANDLE gh_std_out = nullptr;
HANDLE gh_std_in = nullptr;
DWORD num_written = 0;

CHAR_INFO* gp_buff_menubar_info = nullptr;
CHAR_INFO* gp_buff_stateBar_info = nullptr;

namespace {

constexpr int kMainItems = 7;

// Index in ga_sub_menu of the first item of main item num (1-based).
int SubMenuLoc(int num) {
    int loc = 0;
    for (int i = 0; i < num - 1; i++) loc += ga_sub_menu_count[i];
    return loc;
}

bool SubMenuOpen() { return gp_top_layer != nullptr && gp_top_layer->LayerNo != 0; }

void CloseSubMenu() {
    PopOff();
    gi_sel_sub_menu = 0;
}

// Double-byte characters have bytes of 0x81 and above, which are negative here.
bool IsAsciiLetter(char ch) {
    signed char c = static_cast<signed char>(ch);
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The main-menu item a letter opens, with or without Alt; 0 for none. S is a
// second way to the help menu.
int MenuOfLetter(int vkc) {
    static constexpr struct {
        char letter;
        int menu;
    } kLetters[] = {{'F', 1}, {'A', 2}, {'M', 3}, {'I', 4}, {'D', 5}, {'Q', 6}, {'H', 7}, {'S', 7}};
    for (const auto& l : kLetters)
        if (vkc == l.letter) return l.menu;
    return 0;
}

// The department command yields a record, not a flag; the loop only needs to
// know whether there is one.
BOOL CreateMAsFlag() { return CreateM() != nullptr; }

}  // namespace

int QuorvelMain() {
    gh_std_out = GetStdHandle(STD_OUTPUT_HANDLE);
    gh_std_in = GetStdHandle(STD_INPUT_HANDLE);
    SetConsoleTitleA(gp_sys_name);
    COORD size = {SCR_COL, SCR_ROW};
    SetConsoleScreenBufferSize(gh_std_out, size);
    InitInterface();
    RunSys();
    CloseSys();
    return 0;
}

void InitInterface() {
    SetConsoleTextAttribute(gh_std_out, 0x1E);
    ClearScreen();

    gp_scr_att = static_cast<char*>(std::calloc(SCR_COL * SCR_ROW, 1));

    auto* base = static_cast<LAYER_NODE*>(std::calloc(1, sizeof(LAYER_NODE)));
    base->LayerNo = 0;
    base->rcArea = SMALL_RECT{0, 0, SCR_COL - 1, SCR_ROW - 1};
    base->pContent = nullptr;
    base->pScrAtt = gp_scr_att;
    base->next = nullptr;
    gp_top_layer = base;

    ShowMenu();
    ShowState();
}

void RunSys() {
    INPUT_RECORD inRec;
    DWORD res;
    BOOL bRet = TRUE;

    while (bRet) {
        ReadConsoleInputA(gh_std_in, &inRec, 1, &res);

        if (inRec.EventType == MOUSE_EVENT) {
            const MOUSE_EVENT_RECORD& mouse = inRec.Event.MouseEvent;
            COORD pos = mouse.dwMousePosition;
            // The cell map has no byte for a cell outside the buffer.
            if (pos.X < 0 || pos.X >= SCR_COL || pos.Y < 0 || pos.Y >= SCR_ROW) continue;
            char cell = gp_scr_att[pos.Y * SCR_COL + pos.X];
            int cNo = cell & 3;
            int cAtt = static_cast<signed char>(cell) >> 2;

            // The pointer leads: the open sub-menu follows it along the bar,
            // the highlight follows it down the items.
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
                    bRet = ExeFunction(gi_sel_menu, cAtt);
                }
            } else if (mouse.dwButtonState == RIGHTMOST_BUTTON_PRESSED) {
                if (cNo == 0 && SubMenuOpen()) CloseSubMenu();
            }
            continue;
        }

        if (inRec.EventType != KEY_EVENT || !inRec.Event.KeyEvent.bKeyDown) continue;

        const KEY_EVENT_RECORD& key = inRec.Event.KeyEvent;
        char vkc = static_cast<char>(key.wVirtualKeyCode & 0xFF);
        char asc = key.uChar.AsciiChar;
        int count = ga_sub_menu_count[gi_sel_menu - 1];
        int loc = SubMenuLoc(gi_sel_menu);

        if (vkc == VK_F1) {
            if (SubMenuOpen()) CloseSubMenu();
            bRet = ExeFunction(7, 5);  // the help topic
        } else if (key.dwControlKeyState & (LEFT_ALT_PRESSED | RIGHT_ALT_PRESSED)) {
            switch (vkc) {
                case 'X':
                    if (SubMenuOpen()) CloseSubMenu();
                    bRet = ExeFunction(1, 5);
                    break;
                default:
                    if (int m = MenuOfLetter(vkc)) PopMenu(m);
                    break;
            }
        } else if (asc == 0) {
            if (!SubMenuOpen()) {
                switch (vkc) {
                    case VK_LEFT:
                        gi_sel_menu = gi_sel_menu - 1 == 0 ? kMainItems : gi_sel_menu - 1;
                        TagMainMenu(gi_sel_menu);
                        break;
                    case VK_RIGHT:
                        gi_sel_menu = gi_sel_menu + 1 > kMainItems ? 1 : gi_sel_menu + 1;
                        TagMainMenu(gi_sel_menu);
                        break;
                    case VK_DOWN:
                        PopMenu(gi_sel_menu);
                        TagSubMenu(1);
                        break;
                    default: break;
                }
            } else {
                int n;
                switch (vkc) {
                    case VK_LEFT:
                    case VK_RIGHT:
                        if (vkc == VK_LEFT) {
                            gi_sel_menu = gi_sel_menu - 1 == 0 ? kMainItems : gi_sel_menu - 1;
                        } else {
                            gi_sel_menu = gi_sel_menu + 1 > kMainItems ? 1 : gi_sel_menu + 1;
                        }
                        TagMainMenu(gi_sel_menu);
                        PopOff();
                        PopMenu(gi_sel_menu);
                        TagSubMenu(1);
                        break;
                    case VK_UP:
                        // The separator is stepped over once, in the direction of travel.
                        n = gi_sel_sub_menu - 1;
                        if (n <= 0) n = count;
                        if (ga_sub_menu[loc + n - 1][0] == '\0') n = n - 1;
                        TagSubMenu(n);
                        break;
                    case VK_DOWN:
                        n = gi_sel_sub_menu + 1;
                        if (n > count) n = 1;
                        if (ga_sub_menu[loc + n - 1][0] == '\0') n = n + 1;
                        TagSubMenu(n);
                        break;
                    default: break;
                }
            }
        } else if (asc == vkc || asc - vkc == 32) {
            if (!SubMenuOpen()) {
                switch (vkc) {
                    case VK_RETURN:
                        PopMenu(gi_sel_menu);
                        TagSubMenu(1);
                        break;
                    default:
                        if (int m = MenuOfLetter(vkc)) PopMenu(m);
                        break;
                }
            } else if (vkc == VK_ESCAPE) {
                CloseSubMenu();
            } else if (vkc == VK_RETURN) {
                int s = gi_sel_sub_menu;
                CloseSubMenu();
                if (s >= 1) bRet = ExeFunction(gi_sel_menu, s);
            } else {
                // The labels give each key at most one item of a menu.
                for (int i = 1; i <= count; i++) {
                    const char* label = ga_sub_menu[loc + i - 1];
                    if (label[0] != '\0' && label[1] == vkc) {
                        CloseSubMenu();
                        bRet = ExeFunction(gi_sel_menu, i);
                        break;
                    }
                }
            }
        }
    }
}

BOOL ExeFunction(int m, int s) {
    BOOL bRet = TRUE;
    BOOL (*pFunction[26])() = {
        CreateList,  SaveSysData, BackupSysData, RestoreSysData, ExitSys,
        CreateMAsFlag, CreateA, CreateL,
        ModM,        ModA,        ModL,
        InserM,      InserA,      InserL,
        DeleM,       DeleA,       DeleL,
        QueryM,      QueryA,      QueryL,
        PutM,        PutA,        PutL,          nullptr,        HelpTopic,
        About};

    if (m < 1 || m > kMainItems || s < 1 || s > ga_sub_menu_count[m - 1]) return bRet;
    int loc = SubMenuLoc(m) + s - 1;
    // What an earlier command left unread in the line input (a word where it
    // wanted a number, the rest of a line) would answer this command's first
    // questions: it goes. Keys not yet typed into a line stay queued.
    con::reset_input_buffer();
    if (pFunction[loc] != nullptr) bRet = (*pFunction[loc])();
    return bRet;
}

void ShowMenu() {
    CONSOLE_SCREEN_BUFFER_INFO bInfo;
    CONSOLE_CURSOR_INFO lpCur;
    GetConsoleScreenBufferInfo(gh_std_out, &bInfo);
    COORD size = {bInfo.dwSize.X, 1};
    COORD pos = {0, 0};

    SetConsoleCursorPosition(gh_std_out, pos);
    for (int i = 0; i < kMainItems; i++) con_printf("    %s", ga_main_menu[i]);

    GetConsoleCursorInfo(gh_std_out, &lpCur);
    lpCur.bVisible = FALSE;
    SetConsoleCursorInfo(gh_std_out, &lpCur);

    std::free(gp_buff_menubar_info);
    gp_buff_menubar_info = static_cast<CHAR_INFO*>(std::malloc(size.X * sizeof(CHAR_INFO)));
    SMALL_RECT rcMenu = {0, 0, static_cast<SHORT>(size.X - 1), 0};
    ReadConsoleOutputA(gh_std_out, gp_buff_menubar_info, size, pos, &rcMenu);

    for (int i = 0; i < size.X; i++) {
        gp_buff_menubar_info[i].Attributes =
            IsAsciiLetter(gp_buff_menubar_info[i].Char.AsciiChar) ? 0x74 : 0x70;
    }
    WriteConsoleOutputA(gh_std_out, gp_buff_menubar_info, size, pos, &rcMenu);

    pos = COORD{0, 1};
    SetConsoleCursorPosition(gh_std_out, pos);

    int PosA = 2;
    for (int i = 1; i <= kMainItems; i++) {
        int PosB = PosA + static_cast<int>(std::strlen(ga_main_menu[i - 1]));
        for (int x = PosA; x < PosB; x++) gp_scr_att[x] |= static_cast<char>(i << 2);
        PosA = PosB + 4;
    }

    TagMainMenu(gi_sel_menu);
}

void TagMainMenu(int num) {
    if (gp_buff_menubar_info == nullptr) return;

    int PosA = 0;
    int PosB = 0;
    if (num >= 1 && num <= kMainItems) {
        PosA = 2;
        for (int i = 1; i < num; i++) PosA += static_cast<int>(std::strlen(ga_main_menu[i - 1])) + 4;
        PosB = PosA + static_cast<int>(std::strlen(ga_main_menu[num - 1]));
    }

    CONSOLE_SCREEN_BUFFER_INFO bInfo;
    GetConsoleScreenBufferInfo(gh_std_out, &bInfo);
    COORD size = {bInfo.dwSize.X, 1};

    for (int i = 0; i < size.X; i++) {
        if (i >= PosA && i < PosB) {
            gp_buff_menubar_info[i].Attributes = 0x07;
        } else {
            gp_buff_menubar_info[i].Attributes =
                IsAsciiLetter(gp_buff_menubar_info[i].Char.AsciiChar) ? 0x74 : 0x70;
        }
    }

    COORD pos = {0, 0};
    SMALL_RECT rcMenu = {0, 0, static_cast<SHORT>(size.X - 1), 0};
    WriteConsoleOutputA(gh_std_out, gp_buff_menubar_info, size, pos, &rcMenu);
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

void ClearScreen() {
    CONSOLE_SCREEN_BUFFER_INFO bInfo;
    COORD home = {0, 0};
    GetConsoleScreenBufferInfo(gh_std_out, &bInfo);
    DWORD size = static_cast<DWORD>(bInfo.dwSize.X) * static_cast<DWORD>(bInfo.dwSize.Y);
    FillConsoleOutputAttribute(gh_std_out, bInfo.wAttributes, size, home, &num_written);
    FillConsoleOutputCharacterA(gh_std_out, ' ', size, home, &num_written);
}

void LocSubMenu(int num, SMALL_RECT* rc) {
    if (num < 1 || num > kMainItems) {
        *rc = SMALL_RECT{0, 0, 0, 0};
        return;
    }
    int left = 1;
    int top = 1;
    int loc = 0;
    for (int i = 1; i < num; i++) {
        left += static_cast<int>(std::strlen(ga_main_menu[i - 1])) + 4;
        loc += ga_sub_menu_count[i - 1];
    }
    int count = ga_sub_menu_count[num - 1];
    int right = 0;
    for (int i = loc; i < loc + count; i++) {
        int len = static_cast<int>(std::strlen(ga_sub_menu[i]));
        if (len > right) right = len;
    }
    right = right + left + 3;
    int bottom = top + count + 1;
    if (right > SCR_COL - 1) {
        left -= right - (SCR_COL - 1);
        right = SCR_COL - 1;
    }
    rc->Left = static_cast<SHORT>(left);
    rc->Top = static_cast<SHORT>(top);
    rc->Right = static_cast<SHORT>(right);
    rc->Bottom = static_cast<SHORT>(bottom);
}

void PopMenu(int num) {
    if (num < 1 || num > kMainItems) return;

    if (num != gi_sel_menu) {
        if (SubMenuOpen()) CloseSubMenu();
    } else if (SubMenuOpen()) {
        return;
    }

    gi_sel_menu = num;
    TagMainMenu(num);

    SMALL_RECT rcPop;
    LocSubMenu(num, &rcPop);
    int loc = SubMenuLoc(num);
    int count = ga_sub_menu_count[num - 1];

    COORD aLoc[26];
    SMALL_RECT aArea[26];
    char aSort[26];
    char aTag[26];
    for (int k = 1; k <= count; k++) {
        SHORT row = static_cast<SHORT>(rcPop.Top + k);
        aLoc[k - 1] = COORD{static_cast<SHORT>(rcPop.Left + 2), row};
        aArea[k - 1] = SMALL_RECT{static_cast<SHORT>(rcPop.Left + 2), row,
                                  static_cast<SHORT>(rcPop.Right - 2), row};
        aSort[k - 1] = 0;
        aTag[k - 1] = static_cast<char>(k);
    }
    LABEL_BUNDLE labels = {&ga_sub_menu[loc], aLoc, count};
    HOT_AREA areas = {aArea, aSort, aTag, count};

    LAYER_NODE* below = gp_top_layer;
    PopUp(&rcPop, 0x70, &labels, &areas);
    // A refused pop-up has no layer of its own to draw the frame into.
    if (gp_top_layer == below) return;

    DrawBox(&rcPop);

    for (int k = 1; k <= count; k++) {
        SHORT row = static_cast<SHORT>(rcPop.Top + k);
        if (ga_sub_menu[loc + k - 1][0] == '\0') {
            COORD pos = {static_cast<SHORT>(rcPop.Left + 2), row};
            FillConsoleOutputCharacterA(gh_std_out, '-', rcPop.Right - rcPop.Left - 3, pos,
                                        &num_written);
            // The separator is neither clickable nor highlighted by the pointer.
            for (int x = rcPop.Left + 2; x <= rcPop.Right - 2; x++) {
                gp_scr_att[row * SCR_COL + x] &= 3;
            }
        } else {
            COORD pos = {static_cast<SHORT>(rcPop.Left + 3), row};
            FillConsoleOutputAttribute(gh_std_out, 0x74, 1, pos, &num_written);
        }
    }
}

void TagSubMenu(int num) {
    if (!SubMenuOpen()) return;

    SMALL_RECT rcPop;
    LocSubMenu(gi_sel_menu, &rcPop);
    int count = rcPop.Bottom - rcPop.Top - 1;
    if (num <= 0 || num == gi_sel_sub_menu || num > count) return;

    DWORD width = rcPop.Right - rcPop.Left - 3;
    if (gi_sel_sub_menu != 0) {
        COORD pos = {static_cast<SHORT>(rcPop.Left + 2),
                     static_cast<SHORT>(rcPop.Top + gi_sel_sub_menu)};
        FillConsoleOutputAttribute(gh_std_out, 0x70, width, pos, &num_written);
        pos.X = static_cast<SHORT>(rcPop.Left + 3);
        FillConsoleOutputAttribute(gh_std_out, 0x74, 1, pos, &num_written);
    }

    COORD pos = {static_cast<SHORT>(rcPop.Left + 2), static_cast<SHORT>(rcPop.Top + num)};
    FillConsoleOutputAttribute(gh_std_out, 0x07, width, pos, &num_written);
    gi_sel_sub_menu = num;
}
