// Lookups by number over the whole collection: first match in list order.
#include "support/app_test.h"

namespace {

using StoreLookup = AppTest;

TEST_F(StoreLookup, FindMReturnsTheFirstDepartmentWithTheNumberAndPrintsNothing) {
    DEPART_NODE* a = AddDept(4, "A");
    AddDept(5, "B");
    DEPART_NODE* c = AddDept(6, "C");
    AddDept(6, "D");
    SetConsoleCursorPosition(gh_std_out, COORD{3, 4});

    EXPECT_EQ(findM(4, hp), a);
    EXPECT_EQ(findM(6, hp), c);
    EXPECT_EQ(RowTrim(4), "");
    EXPECT_EQ(Cursor().X, 3);
    EXPECT_EQ(Cursor().Y, 4);
}

TEST_F(StoreLookup, FindMMissPrintsItsMessageAndANewlineAtTheCursor) {
    struct Case {
        const char* what;
        bool empty;
    } cases[] = {{"empty collection", true}, {"number not present", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FreeCollection(hp);
        hp = nullptr;
        con::attach(&fe);
        if (!c.empty) AddDept(1, "A");
        SetConsoleCursorPosition(gh_std_out, COORD{7, 12});

        EXPECT_EQ(findM(2, hp), nullptr);
        EXPECT_EQ(Utf8(RowTrim(12)), Utf8(std::string(7, ' ') + "此科室不存在！"));
        EXPECT_EQ(Cursor().X, 0);
        EXPECT_EQ(Cursor().Y, 13);
    }
}

TEST_F(StoreLookup, FindAFindsTheFirstPatientAcrossDepartmentsInListOrder) {
    DEPART_NODE* empty = AddDept(9, "empty");
    DEPART_NODE* d1 = AddDept(1, "one");
    DEPART_NODE* d2 = AddDept(2, "two");
    PATIENT_NODE* p11 = AddPatient(d1, 11, "p11");
    PATIENT_NODE* p5a = AddPatient(d1, 5, "p5a");
    PATIENT_NODE* p5b = AddPatient(d2, 5, "p5b");
    PATIENT_NODE* p21 = AddPatient(d2, 21, "p21");
    (void)empty;
    (void)p5b;
    SetConsoleCursorPosition(gh_std_out, COORD{0, 2});

    struct Case {
        int num;
        PATIENT_NODE* want;
    } cases[] = {
        {11, p11},
        {5, p5a},    // the one under the department that comes first
        {21, p21},   // past a department without patients and another one
        {9, nullptr},  // a department's number is not a patient number
        {1, nullptr},
        {77, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.num);
        EXPECT_EQ(findA(c.num, hp), c.want);
    }
    EXPECT_EQ(findA(11, nullptr), nullptr);
    EXPECT_EQ(RowTrim(2), "");  // a miss says nothing
}

TEST_F(StoreLookup, FindLFindsTheFirstRecordAcrossDepartmentsAndPatients) {
    EXPECT_EQ(findL(1, hp), nullptr);
    DEPART_NODE* d1 = AddDept(1, "one");
    EXPECT_EQ(findL(1, hp), nullptr);  // departments, no patients
    PATIENT_NODE* p1 = AddPatient(d1, 10, "p1");
    EXPECT_EQ(findL(1, hp), nullptr);  // patients, no records

    PATIENT_NODE* p2 = AddPatient(d1, 20, "p2");
    DEPART_NODE* d2 = AddDept(2, "two");
    PATIENT_NODE* p3 = AddPatient(d2, 30, "p3");
    RECORD_NODE* r1 = AddRecord(p2, 100);
    RECORD_NODE* r7a = AddRecord(p2, 7);
    RECORD_NODE* r7b = AddRecord(p3, 7);
    RECORD_NODE* r8 = AddRecord(p3, 8);
    (void)p1;
    (void)r7b;

    struct Case {
        int num;
        RECORD_NODE* want;
    } cases[] = {{100, r1}, {7, r7a}, {8, r8}, {10, nullptr}, {30, nullptr}, {2, nullptr}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.num);
        EXPECT_EQ(findL(c.num, hp), c.want);
    }
}

}  // namespace
