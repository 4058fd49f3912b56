// The menu bar and its sub-menus. Each menu is one table of items, from which
// the bar, the sub-menus, their hot areas and the dispatch of commands are
// all derived.
#pragma once

#include "console/wintypes.h"

// One item of a sub-menu: its label, the letter that runs it while the menu
// is open (0 for none), and its command. An item without a command is the
// separator line: it is stepped over and cannot be chosen.
struct MENU_ITEM {
    const char* label;
    char hot;
    BOOL (*command)();
};

// One item of the menu bar: its title, the letter that opens it (with or
// without Alt), and its sub-menu.
struct MENU {
    const char* title;
    char letter;
    const MENU_ITEM* items;
    int count;
};

constexpr int kMainItems = 7;
constexpr int kMaxMenuItems = 15;  // a hot area's tag has four bits
extern const MENU ga_main_menu[kMainItems];

extern int gi_sel_menu;      // selected main-menu item, 1..7
extern int gi_sel_sub_menu;  // highlighted sub-menu item, 0 = none
extern CHAR_INFO* gp_buff_menubar_info;  // row 0 as ShowMenu left it

// The menu before or after menu `num` along the bar, wrapping at both ends.
int NeighbourMenu(int num, int step);
// The menu a letter opens, with or without Alt; 0 for none.
int MenuOfLetter(int vkc);

void ShowMenu();
void TagMainMenu(int num);
void LocSubMenu(int num, SMALL_RECT* rc);
void PopMenu(int num);
void TagSubMenu(int num);
bool SubMenuOpen();
// Closes the open sub-menu; no item is highlighted any more.
void CloseSubMenu();
// The next item of the open sub-menu from `from` going `step` (1 down, -1
// up), wrapping at the ends and stepping over the separator.
int NextSubMenuItem(int from, int step);
// The item of the open sub-menu whose letter is vkc; 0 for none.
int SubMenuItemOfLetter(int vkc);

// Runs item s of menu m; FALSE when the program is to end. A command the
// user cancels (Esc on an empty answer) ends with "输入已取消！按任意键返回"
// where the answer was awaited, a key, and a cleared screen.
BOOL ExeFunction(int m, int s);
// Gives back the bar's copy and the selection, as before start-up.
void ReleaseMenus();
