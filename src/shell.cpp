// The console shell: start-up, the main loop, dispatch, the bars, sub-menus.
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

// Not built yet.
int QuorvelMain() { return 0; }
void InitInterface() {}
void RunSys() {}
BOOL ExeFunction(int, int) { return TRUE; }
void ShowMenu() {}
void TagMainMenu(int) {}
void ShowState() {}
void ClearScreen() {}
void LocSubMenu(int, SMALL_RECT*) {}
void PopMenu(int) {}
void TagSubMenu(int) {}
