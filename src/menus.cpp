// The menus: one table each, the bar drawn from their titles, sub-menus
// popped up from their items, and the dispatch of the chosen item.
#include "menus.h"

#include <cstdlib>
#include <cstring>

#include "commands/commands.h"
#include "console/output.h"
#include "console/reads.h"
#include "dialogs.h"
#include "layers.h"

namespace {

// The department command yields a record, not a flag; the loop only needs to
// know whether there is one.
BOOL CreateMAsFlag() { return CreateM() != nullptr; }

const MENU_ITEM kFileMenu[] = {
    {"[L]数据加载", 'L', CreateList},
    {"[S] 数据保存", 'S', SaveSysData},
    {"[B] 数据备份", 'B', BackupSysData},
    {"[R] 数据恢复", 'R', RestoreSysData},
    {"[X] 退出系统  Alt+X", 'X', ExitSys},
};
const MENU_ITEM kAddMenu[] = {
    {"[M] 医院科室基本信息", 'M', CreateMAsFlag},
    {"[Z] 病人基本信息", 'Z', CreateA},
    {"[O] 就诊记录基本信息", 'O', CreateL},
};
const MENU_ITEM kModifyMenu[] = {
    {"[M] 医院科室基本信息", 'M', ModM},
    {"[Z] 病人基本信息", 'Z', ModA},
    {"[O] 就诊记录基本信息", 'O', ModL},
};
const MENU_ITEM kInsertMenu[] = {
    {"[M] 医院科室基本信息", 'M', InserM},
    {"[Z] 病人基本信息", 'Z', InserA},
    {"[O] 就诊记录基本信息", 'O', InserL},
};
const MENU_ITEM kDeleteMenu[] = {
    {"[M] 医院科室基本信息", 'M', DeleM},
    {"[Z] 病人基本信息", 'Z', DeleA},
    {"[O] 就诊记录基本信息", 'O', DeleL},
};
const MENU_ITEM kQueryMenu[] = {
    {"[M] 医院科室基本信息", 'M', QueryM},
    {"[Z] 病人基本信息", 'Z', QueryA},
    {"[O] 就诊记录基本信息", 'O', QueryL},
};
const MENU_ITEM kHelpMenu[] = {
    {"输出科室基本信息", 0, PutM},
    {"输出病人基本信息", 0, PutA},
    {"输出就诊记录基本信息", 0, PutL},
    {"", 0, nullptr},
    {"[T] 帮助主题", 'T', HelpTopic},
    {"[A] 关于本系统", 'A', About},
};

template <int N>
constexpr MENU Menu(const char* title, char letter, const MENU_ITEM (&items)[N]) {
    static_assert(N <= kMaxMenuItems);
    return MENU{title, letter, items, N};
}

// Double-byte characters have bytes of 0x81 and above, which are negative here.
bool IsAsciiLetter(char ch) {
    signed char c = static_cast<signed char>(ch);
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

int TitleWidth(int num) { return static_cast<int>(std::strlen(ga_main_menu[num - 1].title)); }

// The first column of main item num's title on the bar; titles are four
// columns apart.
int TitleLeft(int num) {
    int x = 2;
    for (int i = 1; i < num; i++) x += TitleWidth(i) + 4;
    return x;
}

const MENU& Selected() { return ga_main_menu[gi_sel_menu - 1]; }

bool IsSeparator(const MENU_ITEM& item) { return item.command == nullptr; }

}  // namespace

const MENU ga_main_menu[kMainItems] = {
    Menu("文件(F)  ", 'F', kFileMenu),   Menu("添加(A)  ", 'A', kAddMenu),
    Menu("修改(M)  ", 'M', kModifyMenu), Menu("插入(I)  ", 'I', kInsertMenu),
    Menu("删除(D)  ", 'D', kDeleteMenu), Menu("查询(Q)  ", 'Q', kQueryMenu),
    Menu("帮助(H)  ", 'H', kHelpMenu),
};

int gi_sel_menu = 1;
int gi_sel_sub_menu = 0;
CHAR_INFO* gp_buff_menubar_info = nullptr;

int NeighbourMenu(int num, int step) {
    int n = num + step;
    if (n < 1) return kMainItems;
    if (n > kMainItems) return 1;
    return n;
}

int MenuOfLetter(int vkc) {
    for (int m = 1; m <= kMainItems; m++)
        if (vkc == ga_main_menu[m - 1].letter) return m;
    return vkc == 'S' ? 7 : 0;  // S is a second way to the help menu
}

void ShowMenu() {
    CONSOLE_SCREEN_BUFFER_INFO bInfo;
    CONSOLE_CURSOR_INFO lpCur;
    GetConsoleScreenBufferInfo(gh_std_out, &bInfo);
    COORD size = {bInfo.dwSize.X, 1};
    COORD pos = {0, 0};

    SetConsoleCursorPosition(gh_std_out, pos);
    for (const MENU& menu : ga_main_menu) con_printf("    %s", menu.title);

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

    for (int i = 1; i <= kMainItems; i++) {
        int left = TitleLeft(i);
        for (int x = left; x < left + TitleWidth(i); x++) gp_scr_att[x] |= static_cast<char>(i << 2);
    }

    TagMainMenu(gi_sel_menu);
}

void TagMainMenu(int num) {
    if (gp_buff_menubar_info == nullptr) return;

    int PosA = 0;
    int PosB = 0;
    if (num >= 1 && num <= kMainItems) {
        PosA = TitleLeft(num);
        PosB = PosA + TitleWidth(num);
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

void LocSubMenu(int num, SMALL_RECT* rc) {
    if (num < 1 || num > kMainItems) {
        *rc = SMALL_RECT{0, 0, 0, 0};
        return;
    }
    const MENU& menu = ga_main_menu[num - 1];
    int left = TitleLeft(num) - 1;
    int top = 1;
    int right = 0;
    for (int i = 0; i < menu.count; i++) {
        int len = static_cast<int>(std::strlen(menu.items[i].label));
        if (len > right) right = len;
    }
    right = right + left + 3;
    int bottom = top + menu.count + 1;
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
    const MENU& menu = ga_main_menu[num - 1];
    const int count = menu.count;

    const char* aLabel[kMaxMenuItems];
    COORD aLoc[kMaxMenuItems];
    SMALL_RECT aArea[kMaxMenuItems];
    char aSort[kMaxMenuItems];
    char aTag[kMaxMenuItems];
    for (int k = 1; k <= count; k++) {
        SHORT row = static_cast<SHORT>(rcPop.Top + k);
        aLabel[k - 1] = menu.items[k - 1].label;
        aLoc[k - 1] = COORD{static_cast<SHORT>(rcPop.Left + 2), row};
        aArea[k - 1] = SMALL_RECT{static_cast<SHORT>(rcPop.Left + 2), row,
                                  static_cast<SHORT>(rcPop.Right - 2), row};
        aSort[k - 1] = 0;
        aTag[k - 1] = static_cast<char>(k);
    }
    LABEL_BUNDLE labels = {aLabel, aLoc, count};
    HOT_AREA areas = {aArea, aSort, aTag, count};

    LAYER_NODE* below = gp_top_layer;
    PopUp(&rcPop, 0x70, &labels, &areas);
    // A refused pop-up has no layer of its own to draw the frame into.
    if (gp_top_layer == below) return;

    DrawBox(&rcPop);

    for (int k = 1; k <= count; k++) {
        SHORT row = static_cast<SHORT>(rcPop.Top + k);
        if (IsSeparator(menu.items[k - 1])) {
            COORD pos = {static_cast<SHORT>(rcPop.Left + 2), row};
            FillConsoleOutputCharacterA(gh_std_out, '-', rcPop.Right - rcPop.Left - 3, pos, nullptr);
            // The separator is neither clickable nor highlighted by the pointer.
            for (int x = rcPop.Left + 2; x <= rcPop.Right - 2; x++) {
                gp_scr_att[row * SCR_COL + x] &= 3;
            }
        } else {
            COORD pos = {static_cast<SHORT>(rcPop.Left + 3), row};
            FillConsoleOutputAttribute(gh_std_out, 0x74, 1, pos, nullptr);
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
        FillConsoleOutputAttribute(gh_std_out, 0x70, width, pos, nullptr);
        pos.X = static_cast<SHORT>(rcPop.Left + 3);
        FillConsoleOutputAttribute(gh_std_out, 0x74, 1, pos, nullptr);
    }

    COORD pos = {static_cast<SHORT>(rcPop.Left + 2), static_cast<SHORT>(rcPop.Top + num)};
    FillConsoleOutputAttribute(gh_std_out, 0x07, width, pos, nullptr);
    gi_sel_sub_menu = num;
}

bool SubMenuOpen() { return gp_top_layer != nullptr && gp_top_layer->LayerNo != 0; }

void CloseSubMenu() {
    PopOff();
    gi_sel_sub_menu = 0;
}

int NextSubMenuItem(int from, int step) {
    const MENU& menu = Selected();
    int n = from + step;
    if (n <= 0) n = menu.count;
    if (n > menu.count) n = 1;
    // The separator is stepped over once, in the direction of travel.
    if (IsSeparator(menu.items[n - 1])) n += step;
    return n;
}

int SubMenuItemOfLetter(int vkc) {
    const MENU& menu = Selected();
    // The labels give each key at most one item of a menu.
    for (int i = 1; i <= menu.count; i++)
        if (menu.items[i - 1].hot != 0 && menu.items[i - 1].hot == vkc) return i;
    return 0;
}

BOOL ExeFunction(int m, int s) {
    if (m < 1 || m > kMainItems || s < 1 || s > ga_main_menu[m - 1].count) return TRUE;
    const MENU_ITEM& item = ga_main_menu[m - 1].items[s - 1];
    // What an earlier command left unread in the line input (a word where it
    // wanted a number, the rest of a line) would answer this command's first
    // questions: it goes. Keys not yet typed into a line stay queued.
    con::reset_input_buffer();
    if (IsSeparator(item)) return TRUE;
    try {
        return item.command();
    } catch (const con::InputCancelled&) {
        // Esc on an empty answer: the command has put back what it had
        // changed. The word stands where the answer would have been typed.
        con_printf("输入已取消！按任意键返回");
        con_getch();
        ClearScreen();
        return TRUE;
    }
}

void ReleaseMenus() {
    std::free(gp_buff_menubar_info);
    gp_buff_menubar_info = nullptr;
    gi_sel_menu = 1;
    gi_sel_sub_menu = 0;
}
