// Department dialogues: add, modify, insert after, delete, query, list.
#include "commands/forms.h"

namespace {

// Whether a department other than `self` carries this number.
bool DepartNumberTaken(int number, const DEPART_NODE* self) {
    for (const DEPART_NODE* d = hp; d; d = d->next)
        if (d != self && d->number == number) return true;
    return false;
}

// The department form: the four labels at column 1 of rows top..top+3, then
// each input read from column input_x of its row, straight into the node. A
// number read that meets no digits leaves the number as it was. The files tie
// patients to their department by number alone, so a number another
// department holds is refused; a modified department may keep its own.
void ReadDepartForm(DEPART_NODE* d, SHORT top, SHORT input_x, bool modify = false) {
    static const char* const labels[4] = {"科室编号：", "科室名称：", "科室地址：", "科室电话："};
    for (SHORT i = 0; i < 4; ++i) {
        GotoXY(1, static_cast<SHORT>(top + i));
        con_printf("%s", labels[i]);
    }
    const int own = d->number;
    ReadFreeNumber(&d->number, COORD{input_x, top}, [&](int number) {
        return !(modify && number == own) && DepartNumberTaken(number, d);
    });
    GotoXY(input_x, static_cast<SHORT>(top + 1));
    con_read_s_c(d->name);
    GotoXY(input_x, static_cast<SHORT>(top + 2));
    con_read_s_c(d->adr);
    GotoXY(input_x, static_cast<SHORT>(top + 3));
    con_read_s_c(d->phone);
}

}  // namespace

DEPART_NODE* findM(int num, DEPART_NODE* head) {
    DEPART_NODE* d = FindDepart(num, head);
    if (!d) con_printf("此科室不存在！\n");
    return d;
}

DEPART_NODE* CreateM() {
    ClearScreen();
    char answer = 'y';
    do {
        ClearScreen();
        NodeGuard<DEPART_NODE> d = NewNode<DEPART_NODE>();
        if (!d) {
            con_printf("\n动态分配内存失败！");
            return hp;
        }
        ReadDepartForm(d.get(), 3, 11);
        d->anext = nullptr;
        d->next = hp;
        hp = d.release();
        store::NoteAdded(hp);
        // The question stands on the address row, over the label and the
        // start of the typed address.
        GotoXY(1, 5);
        con_printf("是否继续添加？'Y'or 'N':");
        con_read_blank_c(&answer);
    } while (!IsNo(answer));
    ClearScreen();
    return hp;
}

BOOL ModM() {
    ClearScreen();
    GotoXY(40, 10);
    if (!hp) {
        con_printf("未创建任何信息！");
        con_getch();
        return TRUE;
    }
    GotoXY(1, 3);
    con_puts(" 科室编号  科室名称    \n");
    for (DEPART_NODE* d = hp; d; d = d->next)
        con_printf("  %-10d%-12s\n", d->number, Shown(d->name));
    con_printf(" 请输入您所要修改的科室的编号：");
    int number = 0;
    con_read_d_c(&number);
    DEPART_NODE* found = findM(number, hp);
    // findM's own line goes with this clearing: a miss shows a blank screen.
    ClearScreen();
    if (!found) {
        con_getch();
        return TRUE;
    }
    GotoXY(1, 2);
    con_puts("\n  科室编号  科室名称");
    con_printf("\n  %-10d%-12s\n", found->number, Shown(found->name));
    con_puts("\n请输入修改的内容：");
    PutBackOnCancel<DEPART_NODE> put_back(found);
    ReadDepartForm(found, 10, 11, true);
    // The patients carry their department's number into the files: a new
    // number goes with them, or the next load would leave them behind.
    RenumberChildren(found);
    store::NoteModified(found);
    GotoXY(1, 17);
    con_printf("修改成功！");
    return TRUE;
}

BOOL InserM() {
    ClearScreen();
    GotoXY(40, 10);
    if (!hp) {
        con_printf("未创建任何科室信息！按任意键返回");
        con_getch();
        return TRUE;
    }
    GotoXY(1, 2);
    con_puts(" 科室编号  科室名称\n");
    for (DEPART_NODE* d = hp; d; d = d->next)
        con_printf("  %-10d%-12s\n\n", d->number, Shown(d->name));
    con_printf("\n请输入您要插入科室的前一科室的编号：");
    int number = 0;
    con_read_d_c(&number);
    DEPART_NODE* found = FindDepart(number, hp);
    if (!found) {
        con_printf("没有该科室信息！");
        con_getch();
        return TRUE;
    }
    con_printf("已找到该科室信息，您确定要在其后插入科室信息吗？\nY/N:");
    char answer = 0;
    con_read_c_c(&answer);
    if (IsNo(answer)) return TRUE;

    ClearScreen();
    DEPART_NODE* d = NewNode<DEPART_NODE>().release();
    if (!d) {
        con_printf("\n动态分配内存失败！");
        return TRUE;
    }
    // Linked before its fields are read: a form cut short by the end of input
    // leaves a zeroed department in the list, never a lost block; a cancelled
    // one takes it out again.
    d->anext = nullptr;
    d->next = found->next;
    found->next = d;
    UnlinkOnCancel<DEPART_NODE> unlink(&found->next, d);
    GotoXY(1, 4);
    con_puts("\n\n请输入插入科室内容:");
    ReadDepartForm(d, 10, 15);
    store::NoteAdded(d);
    con_printf("插入科室信息成功！");
    con_getch();
    ClearScreen();
    return TRUE;
}

BOOL DeleM() {
    ClearScreen();
    GotoXY(40, 10);
    if (!hp) {
        con_printf("未创建任何科室信息！按任意键返回");
        con_getch();
        return TRUE;
    }
    GotoXY(1, 2);
    con_puts(" 科室编号  科室名称\n");
    for (DEPART_NODE* d = hp; d; d = d->next)
        con_printf("  %-10d%-15s\n\n", d->number, Shown(d->name));
    con_printf("\n请输入您要删除科室的编号：");
    int number = 0;
    con_read_d_c(&number);
    DEPART_NODE* before = nullptr;
    DEPART_NODE* found = FindDepart(number, hp, &before);
    if (!found) {
        con_printf("没有该科室信息！按任意键返回");
        con_getch();
        return TRUE;
    }
    con_printf("已找到该科室信息，您确定要删除该科室吗？\nY/N:");
    char answer = 0;
    con_read_c_c(&answer);
    if (IsNo(answer)) return TRUE;

    store::DeleteDepart(found, before);
    con_printf("删除科室信息成功！按任意键返回");
    con_getch();
    ClearScreen();
    return TRUE;
}

BOOL QueryM() {
    ClearScreen();
    GotoXY(2, 2);
    con_printf("请输入您所要查询的科室编号:  ");
    int number = 0;
    con_read_d_c(&number);
    DEPART_NODE* d = findM(number, hp);
    if (!d) {
        GotoXY(2, 4);
        con_printf("该科室不存在！");
        con_getch();
        return TRUE;
    }
    con_puts("\n 科室编号     科室名称     科室地址     科室电话 \n");
    con_printf(" %-13d%-15s%-15s%-15s\n\n", d->number, Shown(d->name), Shown(d->adr),
               Shown(d->phone));
    con_getch();
    return TRUE;
}

BOOL PutM() {
    ClearScreen();
    GotoXY(40, 10);
    if (!hp) {
        con_printf("未创建任何科室信息!");
        con_getch();
        return TRUE;
    }
    GotoXY(2, 2);
    con_puts("科室编号\t\t科室名称\t科室电话\t科室地址");
    for (DEPART_NODE* d = hp; d; d = d->next)
        con_printf("  %-22d%-15s%-16s%-16s\n", d->number, Shown(d->name), Shown(d->phone),
                   Shown(d->adr));
    return TRUE;
}
