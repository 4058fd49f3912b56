// Visit-record dialogues: add, modify, insert after, delete, query, list.
#include "commands/forms.h"

namespace {

const char* const kRecordHeader =
    " 病人编号  记录编号  主治医生姓名   就诊费用   就诊日期    计划复诊日期   实际复诊日期 详细说明";

void PrintRecordRow(const RECORD_NODE* r) {
    con_printf("  %-10d%-11d%-15s%-10.2f%-12s%-15s%-14s%-50s\n", r->number1, r->number2,
               Shown(r->name), static_cast<double>(r->lmoney), Shown(r->ldate),
               Shown(r->bdate), Shown(r->tdate), Shown(r->tell));
}

void PrintPatientRecords(const PATIENT_NODE* p) {
    for (const RECORD_NODE* r = p->lnext; r; r = r->next) PrintRecordRow(r);
}

// The seven inputs of a record form, labels first, each read at column 15 of
// its label's row; rows y0 .. y0+6.
void ReadRecordForm(RECORD_NODE* r, const char* const (&labels)[7], SHORT y0) {
    for (SHORT i = 0; i < 7; ++i) {
        GotoXY(1, static_cast<SHORT>(y0 + i));
        con_printf("%s", labels[i]);
    }
    GotoXY(15, y0);
    con_read_d_c(&r->number2);
    GotoXY(15, static_cast<SHORT>(y0 + 1));
    con_read_s_c(r->name);
    GotoXY(15, static_cast<SHORT>(y0 + 2));
    con_read_f_c(&r->lmoney);
    GotoXY(15, static_cast<SHORT>(y0 + 3));
    con_read_s_c(r->ldate);
    GotoXY(15, static_cast<SHORT>(y0 + 4));
    con_read_s_c(r->bdate);
    GotoXY(15, static_cast<SHORT>(y0 + 5));
    con_read_s_c(r->tdate);
    GotoXY(15, static_cast<SHORT>(y0 + 6));
    con_read_s_c(r->tell);
}

bool IsYes(char c) { return c == 'Y' || c == 'y'; }

// The patient rows of InserL and DeleL.
void PrintPatientRows(const DEPART_NODE* d) {
    con_puts("\n 科室编号  病人编号  病人姓名       性别");
    for (const PATIENT_NODE* p = d->anext; p; p = p->next)
        con_printf(" %-10d%-10d%-15s%-11d\n", p->number, p->number1, Shown(p->name),
                   p->sex);
}

// The first record of one patient's own list with that number.
RECORD_NODE* FindOwnRecord(PATIENT_NODE* p, int number2, RECORD_NODE** before) {
    RECORD_NODE* prev = nullptr;
    for (RECORD_NODE* r = p->lnext; r; prev = r, r = r->next) {
        if (r->number2 == number2) {
            if (before) *before = prev;
            return r;
        }
    }
    return nullptr;
}

}  // namespace

BOOL CreateL() {
    static const char* const kLabels[7] = {"记录编号：",     "主治医生：",     "就诊费用：",
                                           "就诊日期：",     "计划复诊日期：", "实际复诊日期：",
                                           "详细说明："};
    ClearScreen();
    GotoXY(40, 10);
    if (!hp) {
        con_printf("未创建任何科室信息！按任意键返回");
        con_getch();
        return TRUE;
    }
    GotoXY(1, 2);
    con_puts("科室编号    科室名称\n");
    for (const DEPART_NODE* d = hp; d; d = d->next)
        con_printf("  %-12d%-16s\n\n", d->number, Shown(d->name));
    con_printf(" 请输入您所要添加的就诊记录所属科室的编号：");
    int dept_number = 0;
    con_read_d_c(&dept_number);
    DEPART_NODE* dept = findM(dept_number, hp);
    if (!dept) {
        con_getch();
        return TRUE;
    }
    if (!dept->anext) {
        con_puts("该科室不存在病人信息！");
        con_getch();
        return TRUE;
    }
    con_puts("\n 科室编号    病人编号   病人姓名      病人性别");
    for (const PATIENT_NODE* p = dept->anext; p; p = p->next)
        con_printf(" %-12d%-12d%-12s%-11d\n", p->number, p->number1, Shown(p->name),
                   p->sex);

    for (;;) {  // the details question, asked again after a wrong continue answer
        con_printf("是否需要查看对应病人的详细信息？'Y' or 'N':   ");
        char answer = 0;
        con_read_c(&answer);
        if (IsYes(answer)) {
            LookA();
        } else if (!IsNo(answer)) {
            ClearScreen();
            return TRUE;
        }
        con_printf("\n 请输入您所要添加的就诊记录信息所属病人的编号:");
        int patient_number = 0;
        con_read_d(&patient_number);
        PATIENT_NODE* patient = findA(patient_number, hp);
        if (!patient) {
            con_printf("该病人信息不存在！");
            con_getch();
            return TRUE;
        }
        for (;;) {  // one form per record of this patient
            ClearScreen();
            NodeGuard<RECORD_NODE> record = NewNode<RECORD_NODE>();
            if (!record) {
                con_printf("\n动态分配内存失败！");
                return TRUE;
            }
            GotoXY(1, 2);
            con_printf("病人编号：%d   病人姓名：%s", patient->number1, Shown(patient->name));
            record->number1 = patient->number1;
            ReadRecordForm(record.get(), kLabels, 3);
            record->next = patient->lnext;
            patient->lnext = record.release();
            store::NoteAdded(patient->lnext);
            GotoXY(1, 10);
            con_printf("成功插入一条就诊记录信息!\n 是否继续？Y/N:    ");
            answer = 0;
            con_read_blank_c_c(&answer);
            if (IsNo(answer)) {
                ClearScreen();
                return TRUE;
            }
            if (!IsYes(answer)) {
                con_printf("输入错误，请重新输入，");
                break;
            }
        }
    }
}

BOOL ModL() {
    static const char* const kLabels[7] = {"记录编号：",    "主治医生姓名:", "就诊费用:",
                                           "就诊日期:",     "计划复诊日期:", "实际复诊日期:",
                                           "详细说明:"};
    ClearScreen();
    GotoXY(40, 10);
    if (!hp) {
        con_printf("未创建任何信息！任意键返回！");
        con_getch();
        return TRUE;
    }
    GotoXY(1, 1);
    con_puts(kRecordHeader);
    for (const DEPART_NODE* d = hp; d; d = d->next)
        for (const PATIENT_NODE* p = d->anext; p; p = p->next) PrintPatientRecords(p);
    // The prompt stands at row 16 however long the list: a long list is
    // overwritten there.
    GotoXY(1, 15);
    con_printf("\n请输入记录编号:");
    int number = 0;
    con_read_d_c(&number);
    ClearScreen();
    RECORD_NODE* record = findL(number, hp);
    GotoXY(40, 10);
    if (!record) {
        ClearScreen();
        con_printf("该病人就诊记录信息不存在！按任意键返回");
        con_getch();
        return TRUE;
    }
    ClearScreen();
    GotoXY(1, 2);
    con_puts("已找到该病人就诊记录信息\n\n");
    con_puts(kRecordHeader);
    PrintRecordRow(record);
    con_puts("\n\n请输入修改的内容：");
    PutBackOnCancel<RECORD_NODE> put_back(record);
    ReadRecordForm(record, kLabels, 10);
    store::NoteModified(record);
    con_printf("修改成功！任意键返回！");
    con_getch();
    return TRUE;
}

BOOL InserL() {
    static const char* const kLabels[7] = {"记录编号：",     "主治医生姓名：", "就诊费用：",
                                           "就诊日期：",     "计划复诊日期：", "实际复诊日期：",
                                           "详细说明："};
    ClearScreen();
    GotoXY(40, 10);
    if (!hp) {
        con_printf("未创建任何科室信息！按任意键返回");
        con_getch();
        return TRUE;
    }
    GotoXY(1, 2);
    con_puts(" 科室编号  科室名称\n");
    for (const DEPART_NODE* d = hp; d; d = d->next)
        con_printf("  %-10d%-15s\n", d->number, Shown(d->name));
    con_printf(" 请输入您插入就诊记录信息所属的科室编号：");
    int dept_number = 0;
    con_read_d_c(&dept_number);
    DEPART_NODE* dept = findM(dept_number, hp);
    if (!dept) {
        con_printf("该科室不存在！按任意键返回");
        con_getch();
        return TRUE;
    }
    if (!dept->anext) {
        con_printf("%s该科室不存在病人信息！按任意键返回", Shown(dept->name));
        con_getch();
        return TRUE;
    }
    PrintPatientRows(dept);
    con_printf("\n 请输入您插入就诊记录信息所属的病人编号:");
    int patient_number = 0;
    con_read_d(&patient_number);
    PATIENT_NODE* patient = findA(patient_number, hp);
    if (!patient) {
        con_printf("该病人信息不存在！按任意键返回");
        con_getch();
        return TRUE;
    }
    if (!patient->lnext) {
        con_printf("%s病人没有就诊记录信息!按任意键返回", Shown(patient->name));
        con_getch();
        return TRUE;
    }
    con_printf("\n%s病人的就诊记录信息如下：\n\n", Shown(patient->name));
    con_puts(kRecordHeader);
    PrintPatientRecords(patient);
    con_puts("\n以上是该病人的所有就诊记录信息");

    RECORD_NODE* anchor = nullptr;
    for (;;) {
        con_printf("请输入要插入就诊记录信息的前一条就诊记录的记录编号:  ");
        int number = 0;
        con_read_d_c(&number);
        anchor = FindOwnRecord(patient, number, nullptr);
        if (anchor) break;
        con_printf("输入错误！是否重新输入?    'Y' or 'N':   ");
        char again = 0;
        con_read_c_c(&again);
        if (!IsYes(again)) {
            con_printf("按任意键返回！");
            con_getch();
            return TRUE;
        }
    }
    con_printf("已找到该就诊记录信息，确定要在其后插入信息？Y/N:");
    char answer = 0;
    con_read_c_c(&answer);
    if (IsNo(answer)) return TRUE;

    ClearScreen();
    RECORD_NODE* record = NewNode<RECORD_NODE>().release();
    if (!record) {
        con_printf("\n动态分配内存失败！");
        return TRUE;
    }
    // Linked before its fields are read: the record belongs to the list from
    // here on, whatever the form receives, unless the user cancels it.
    record->next = anchor->next;
    anchor->next = record;
    UnlinkOnCancel<RECORD_NODE> unlink(&anchor->next, record);
    record->number1 = anchor->number1;
    GotoXY(1, 4);
    con_puts("\n\n请输入插入就诊记录的信息");
    ReadRecordForm(record, kLabels, 10);
    store::NoteAdded(record);
    con_printf("成功插入一条就诊记录信息！");
    con_getch();
    ClearScreen();
    return TRUE;
}

BOOL DeleL() {
    ClearScreen();
    GotoXY(40, 10);
    if (!hp) {
        con_printf("未创建任何科室信息！按任意键返回");
        con_getch();
        return TRUE;
    }
    GotoXY(1, 1);
    con_puts(" 科室编号  \t科室名称\n");
    for (const DEPART_NODE* d = hp; d; d = d->next)
        con_printf("  %-15d%-15s\n\n", d->number, Shown(d->name));
    con_printf(" 请输入您删除就诊记录信息所属的科室编号：");
    int dept_number = 0;
    con_read_d_c(&dept_number);
    DEPART_NODE* dept = findM(dept_number, hp);
    if (!dept) {
        con_printf("该科室信息不存在！按任意键返回");
        con_getch();
        return TRUE;
    }
    PrintPatientRows(dept);
    con_printf("\n 请输入您删除就诊记录信息所属的病人编号:");
    int patient_number = 0;
    con_read_d(&patient_number);
    ClearScreen();
    PATIENT_NODE* patient = findA(patient_number, hp);
    if (!patient) {
        con_printf("该病人信息不存在！按任意键返回");
        con_getch();
        return TRUE;
    }
    if (!patient->lnext) {
        con_printf("该病人就诊记录信息不存在！按任意键返回");
        con_getch();
        return TRUE;
    }
    GotoXY(2, 2);
    con_printf("\n%s病人的就诊记录信息如下：\n", Shown(patient->name));
    con_puts(kRecordHeader);
    PrintPatientRecords(patient);
    con_puts("\n以上是该病人的所有就诊记录信息\n\n");
    con_printf("请选择要删除信息的记录编号：");
    int number = 0;
    con_read_d_c(&number);
    RECORD_NODE* before = nullptr;
    RECORD_NODE* record = FindOwnRecord(patient, number, &before);
    if (!record) {
        con_puts("不存在该就诊记录信息！按任意键返回");
        con_getch();
        return TRUE;
    }
    con_printf("\n已找到该就诊记录信息，确定要删除该信息？Y/N:");
    char answer = 0;
    con_read_c_c(&answer);
    if (IsNo(answer)) {
        con_getch();
        return TRUE;
    }
    store::DeleteRecord(patient, record, before);
    con_printf("成功删除一条就诊记录信息！按任意键返回");
    con_getch();
    ClearScreen();
    return TRUE;
}

BOOL QueryL() {
    ClearScreen();
    ClearScreen();
    GotoXY(1, 2);
    con_printf("请输入您所要查询的记录编号： ");
    int number = 0;
    con_read_d_c(&number);
    const RECORD_NODE* record = findL(number, hp);
    if (!record) {
        con_printf("  该就诊记录信息不存在！按任意键返回");
        con_getch();
        return TRUE;
    }
    con_puts("\n 就诊记录信息如下：");
    con_puts(kRecordHeader);
    PrintRecordRow(record);
    return TRUE;
}

BOOL PutL() {
    ClearScreen();
    GotoXY(40, 10);
    if (!hp) {
        con_printf("未创建任何科室信息！");
        con_getch();
        return TRUE;
    }
    GotoXY(1, 4);
    con_puts(kRecordHeader);
    for (const DEPART_NODE* d = hp; d; d = d->next)
        for (const PATIENT_NODE* p = d->anext; p; p = p->next) PrintPatientRecords(p);
    return TRUE;
}
