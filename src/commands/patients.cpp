// Patient dialogues: add, modify, insert after, delete, query, list, look-up.
#include "commands/forms.h"

namespace {

// The header of every six-column patient table; its leading line break leaves
// an empty row above it.
const char kPatientHeader[] =
    "\n  科室编号     病人编号     病人姓名        电话           性别      住址";

// One row of a six-column patient table, `indent` blanks in.
void PrintPatientRow(const PATIENT_NODE* p, int indent) {
    con_printf("%*s%-14d%-13d%-15s%-14s%-14d%-15s\n", indent, "", p->number, p->number1,
               Shown(p->name), Shown(p->phone), p->sex, Shown(p->adr));
}

// One field of a patient form: its label, where the label goes and where the
// typing starts.
struct FormField {
    const char* label;
    COORD label_at;
    COORD input_at;
};
using PatientForm = FormField[5];

// Fields in reading order: patient number, name, telephone, sex, address.
const PatientForm kAddForm = {
    {"病人编号：", {1, 3}, {11, 3}},
    {"病人姓名：", {1, 4}, {11, 4}},
    {"病人电话：", {1, 5}, {11, 5}},
    {"病人性别：", {1, 6}, {11, 6}},
    {"病人住址：", {1, 7}, {11, 7}},
};
const PatientForm kModForm = {
    {"病人编号：", {1, 12}, {11, 12}},
    {"病人姓名：", {1, 13}, {11, 13}},
    {"病人电话：", {1, 14}, {11, 14}},
    {"病人性别：", {1, 15}, {11, 15}},
    {"病人住址：", {1, 16}, {11, 16}},
};
const PatientForm kInsertForm = {
    {"病人编号：", {1, 10}, {15, 10}},
    {"病人姓名：", {1, 11}, {15, 11}},
    {"电话：", {1, 12}, {15, 12}},
    {"性别：", {1, 13}, {15, 13}},
    {"住址：", {1, 14}, {15, 14}},
};

// Whether a patient other than `self`, in any department, carries this number.
bool PatientNumberTaken(int number, const PATIENT_NODE* self) {
    for (const DEPART_NODE* d = hp; d; d = d->next)
        for (const PATIENT_NODE* p = d->anext; p; p = p->next)
            if (p != self && p->number1 == number) return true;
    return false;
}

// All labels first, then the inputs one by one, each straight into the
// patient. The files tie visit records to their patient by number alone, so
// a number another patient holds is refused; a modified patient may keep its
// own.
void ReadPatient(PATIENT_NODE* p, const PatientForm& form, bool modify = false) {
    for (const FormField& field : form) {
        GotoXY(field.label_at);
        con_printf("%s", field.label);
    }
    const int own = p->number1;
    ReadFreeNumber(&p->number1, form[0].input_at, [&](int number) {
        return !(modify && number == own) && PatientNumberTaken(number, p);
    });
    GotoXY(form[1].input_at);
    con_read_s_c(p->name);
    GotoXY(form[2].input_at);
    con_read_s_c(p->phone);
    GotoXY(form[3].input_at);
    con_read_d_c(&p->sex);
    GotoXY(form[4].input_at);
    con_read_s_c(p->adr);
}

// A number read that met no digits leaves the typed text in the input, where
// the next read would meet it again: the department choice would then fail
// for ever, every key going to the wait and none to a new line. Dropping the
// rest of that line lets the user type the number again.
void DropTypedLine() {
    char c = 0;
    do {
        con_read_c(&c);
    } while (c != '\n');
}

// The patient list of the insert and delete screens, one row per patient.
void ListPatientsShort() {
    for (DEPART_NODE* d = hp; d; d = d->next)
        for (PATIENT_NODE* p = d->anext; p; p = p->next)
            con_printf("  %-10d%-10d%-15s%-11d\n", p->number, p->number1, Shown(p->name), p->sex);
}

}  // namespace

BOOL CreateA() {
    DEPART_NODE* dept = nullptr;
    while (!dept) {
        ClearScreen();
        GotoXY({40, 10});
        if (!hp) {
            con_printf("未创建任何科室信息！任意键返回");
            con_getch();
            return TRUE;
        }
        GotoXY({2, 2});
        con_puts("科室编号     科室名称");
        for (DEPART_NODE* d = hp; d; d = d->next)
            con_printf("  %-14d%-20s\n\n", d->number, Shown(d->name));
        con_printf(" 请输入您所要新建的病人信息所属科室的编号：");
        int number = 0;
        if (con_read_d_c(&number) != 1) DropTypedLine();
        dept = findM(number, hp);
        if (!dept) {
            con_printf("未创建任何科室信息！按任意键返回");
            con_getch();
        }
    }

    for (;;) {
        ClearScreen();
        GotoXY({1, 2});
        con_printf("科室编号：%d  科室名称：%s", dept->number, Shown(dept->name));
        NodeGuard<PATIENT_NODE> p = NewNode<PATIENT_NODE>();
        if (!p) {
            con_printf("\n动态分配内存失败！");
            return TRUE;
        }
        p->number = dept->number;
        ReadPatient(p.get(), kAddForm);
        p->lnext = nullptr;
        p->next = dept->anext;
        dept->anext = p.release();
        store::NoteAdded(dept->anext);

        GotoXY({1, 8});
        con_printf("成功添加一条病人信息!\n 是否继续？'Y or 'N':");
        char answer = 0;
        con_read_blank_c_c(&answer);
        if (IsNo(answer)) {
            ClearScreen();
            return TRUE;
        }
    }
}

BOOL ModA() {
    ClearScreen();
    ClearScreen();
    GotoXY({40, 10});
    if (!hp) {
        con_printf("不存在任何病人信息！");
        con_getch();
        return TRUE;
    }
    GotoXY({1, 1});
    con_puts(kPatientHeader);
    for (DEPART_NODE* d = hp; d; d = d->next)
        for (PATIENT_NODE* p = d->anext; p; p = p->next)
            PrintPatientRow(p, 4);
    con_printf("\n 请输入病人编号:");
    int number = 0;
    con_read_d(&number);

    PATIENT_NODE* p = findA(number, hp);
    if (!p) {
        con_printf("该病人不存在！");
        con_getch();
        return TRUE;
    }
    ClearScreen();
    GotoXY({1, 3});
    con_puts("已找到该病人信息");
    con_puts(kPatientHeader);
    PrintPatientRow(p, 4);
    con_puts("\n请输入修改的内容：");
    // Department number, place in the list and visit records stay as they are;
    // the records follow a new patient number, which ties them to the patient
    // in the files.
    PutBackOnCancel<PATIENT_NODE> put_back(p);
    ReadPatient(p, kModForm, true);
    RenumberChildren(p);
    store::NoteModified(p);
    con_printf("修改成功！任意键返回！");
    con_getch();
    ClearScreen();
    return TRUE;
}

BOOL InserA() {
    ClearScreen();
    GotoXY({2, 2});
    con_puts("\n科室编号  病人编号  病人姓名         病人性别");
    ListPatientsShort();
    con_printf("请输入要插入的病人信息的前一病人的编号：");
    int number = 0;
    con_read_d_c(&number);

    for (DEPART_NODE* d = hp; d; d = d->next) {
        PATIENT_NODE* found = d->anext;
        while (found && found->number1 != number) found = found->next;
        if (!found) continue;

        con_printf("病人信息已找到，确认在其后插入？Y/N:  ");
        char answer = 0;
        con_read_c_c(&answer);
        ClearScreen();
        if (IsNo(answer)) return TRUE;

        NodeGuard<PATIENT_NODE> p = NewNode<PATIENT_NODE>();
        if (!p) {
            con_printf("\n动态分配内存失败！");
            return TRUE;
        }
        p->number = found->number;
        p->lnext = nullptr;
        GotoXY({1, 4});
        con_puts("\n\n请输入插入病人信息内容：");
        ReadPatient(p.get(), kInsertForm);
        p->next = found->next;
        found->next = p.release();
        store::NoteAdded(found->next);
        GotoXY({1, 19});
        con_printf("插入病人信息成功！");
        con_getch();
    }
    ClearScreen();
    return TRUE;
}

BOOL DeleA() {
    ClearScreen();
    GotoXY({2, 2});
    if (!hp) {
        con_printf("没有任何科室信息！按任意键返回");
        con_getch();
        return TRUE;
    }
    bool any_patient = false;
    for (DEPART_NODE* d = hp; d; d = d->next) any_patient = any_patient || d->anext;
    if (!any_patient) {
        GotoXY({2, 2});
        con_printf("未有任何病人信息！按任意键返回");
        con_getch();
        return TRUE;
    }
    con_puts("\n科室编号  病人编号  病人姓名         性别");
    ListPatientsShort();
    con_printf("请输入要删除的病人编号：");
    int number = 0;
    con_read_d_c(&number);

    for (DEPART_NODE* d = hp; d; d = d->next) {
        PATIENT_NODE* before = nullptr;
        PATIENT_NODE* p = d->anext;
        while (p) {
            if (p->number1 != number) {
                before = p;
                p = p->next;
                continue;
            }
            con_printf("病人信息已找到，确认删除？Y/N:  ");
            char answer = 0;
            con_read_c_c(&answer);
            if (IsNo(answer)) return TRUE;

            PATIENT_NODE* after = p->next;
            store::DeletePatient(d, p, before);
            con_printf("成功删除一条病人信息！按任意键返回");
            con_getch();
            p = after;
        }
    }
    ClearScreen();
    return TRUE;
}

BOOL QueryA() {
    ClearScreen();
    GotoXY({2, 2});
    con_printf("请输入您所要查询病人编号： ");
    int number = 0;
    con_read_d_c(&number);

    PATIENT_NODE* p = findA(number, hp);
    if (!p) {
        con_printf("该病人不存在！按任意键返回");
        con_getch();
        return TRUE;
    }
    con_printf("\n %s病人的信息为：\n", Shown(p->name));
    con_puts(kPatientHeader);
    PrintPatientRow(p, 4);
    return TRUE;
}

// Continues below whatever the caller printed; leaves the cursor after the
// last answer, where the caller goes on.
void LookA() {
    char answer = 'y';
    while (!IsNo(answer)) {
        if (answer == 'y' || answer == 'Y') {
            con_printf("请输入您所要查询的病人编号： ");
            int number = 0;
            con_read_d_c(&number);
            PATIENT_NODE* p = findA(number, hp);
            if (!p) {
                con_printf("该病人信息不存在！");
            } else {
                con_printf("\n  %s病人的信息为：\n", Shown(p->name));
                con_puts(kPatientHeader);
                PrintPatientRow(p, 2);
            }
            con_printf("是否继续查看病人信息？（Y/N）:");
        } else {
            con_printf("输入错误，请重新输入：");
        }
        con_read_c_c(&answer);
    }
}

BOOL PutA() {
    ClearScreen();
    GotoXY({40, 10});
    if (!hp) {
        con_printf("未创建任何科室信息！");
        con_getch();
        return TRUE;
    }
    GotoXY({2, 2});
    con_puts(kPatientHeader);
    for (DEPART_NODE* d = hp; d; d = d->next)
        for (PATIENT_NODE* p = d->anext; p; p = p->next)
            PrintPatientRow(p, 2);
    return TRUE;
}
