// The help menu's two screens.
#include "commands/forms.h"

BOOL HelpTopic() {
    ClearScreen();
    GotoXY(1, 5);
    con_puts(" \t\t\t\t             Quorvel\n");
    con_puts("\t\t\t\t                   五大功能：\n");
    con_puts(" \t\t\t\t添加(A)、修改(M)、插入(I)、删除(D)和查询(Q)\n");
    return TRUE;
}

BOOL About() {
    ClearScreen();
    GotoXY(25, 5);
    con_printf("  本信息管理系统适用于医院病人就诊记录信息的管理，可以实现对信息管理的相关功能");
    GotoXY(50, 8);
    con_printf("欢迎使用本系统！");
    GotoXY(38, 17);
    con_printf("Quorvel 版本 " QUORVEL_VERSION);
    GotoXY(39, 19);
    con_printf("Quorvel 开发组\n\n");
    return TRUE;
}
