// Department and patient numbers that the files could not keep apart are
// refused in every form that sets one: add, insert and modify.
#include <string>

#include "session/session_support.h"

namespace {

using session_test::CheckedFrontend;

BOOL AddDepartments() { return CreateM() != nullptr; }

struct Case {
    const char* what;
    BOOL (*command)();
    const char* to_question;  // the keys that lead to the number question
    COORD input;              // where its answer is typed
    const char* label;        // the question's label, at column 1
    const char* below;        // the label of the row below
    bool patient;
};

const Case kCases[] = {
    {"add a department", AddDepartments, "", {11, 3}, "科室编号：", "科室名称：", false},
    {"insert a department", InserM, "1\ny\n", {15, 10}, "科室编号：", "科室名称：", false},
    {"modify a department", ModM, "1\n", {11, 10}, "科室编号：", "科室名称：", false},
    {"add a patient", CreateA, "1\n", {11, 3}, "病人编号：", "病人姓名：", true},
    {"insert a patient", InserA, "11\ny\n", {15, 10}, "病人编号：", "病人姓名：", true},
    {"modify a patient", ModA, "11\n", {11, 12}, "病人编号：", "病人姓名：", true},
};

class NumbersTest : public AppTest, public ::testing::WithParamInterface<Case> {
protected:
    void SetUp() override {
        AppTest::SetUp();
        con::attach(&user);
        DEPART_NODE* d1 = AddDept(1, "内科");
        DEPART_NODE* d2 = AddDept(2, "外科");
        AddPatient(d1, 11, "张三");
        AddPatient(d2, 21, "李四");
    }
    CheckedFrontend user;
};

TEST_P(NumbersTest, ANumberAnotherEntryHoldsIsRefusedAndAskedAgain) {
    const Case& c = GetParam();
    const SHORT row = c.input.Y;
    // Another entry's number, and more typed on the same line.
    user.type(c.to_question).type(c.patient ? "21 junk\n" : "2 junk\n");
    user.Checkpoint(
        [&] {
            EXPECT_EQ(Utf8(RowTrim(row + 1)), Utf8(" 该编号已被使用！按任意键重新输入"));
        },
        con::Wait::Key);
    user.key('A', 'a');
    user.Checkpoint(
        [&] {
            // The row below is back, the refused answer gone, the cursor at
            // the answer's cell again.
            EXPECT_EQ(Utf8(RowTrim(row + 1)), Utf8(std::string(" ") + c.below));
            EXPECT_EQ(Utf8(RowTrim(row)), Utf8(std::string(" ") + c.label));
            EXPECT_EQ(Cursor().X, c.input.X);
            EXPECT_EQ(Cursor().Y, row);
        },
        con::Wait::Line);
    // A free number; the rest of the form, and no to going on.
    user.type("9\n新名\n").type(c.patient ? "1\n1\n址\n" : "址\n1\n").type("n\n").key('A', 'a');

    EXPECT_EQ(c.command(), TRUE);
    EXPECT_EQ(user.checks_run(), 2u);
    const char* name = c.patient ? findA(9, hp)->name : FindDepart(9, hp)->name;
    EXPECT_EQ(Utf8(name), Utf8("新名")) << "the typed rest of the refused line was kept";
    EXPECT_EQ(c.patient ? findA(21, hp)->name : FindDepart(2, hp)->name,
              std::string(c.patient ? "李四" : "外科"));
}

INSTANTIATE_TEST_SUITE_P(Forms, NumbersTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::to_string(info.index); });

using NumbersKept = AppTest;

// A modified entry keeps its own number, also where the files already held it
// twice; an answer without digits gives a new entry 0, refused like any
// number when another entry holds it.
TEST_F(NumbersKept, OwnNumbersStayAndAnEmptyNumberIsZero) {
    DEPART_NODE* first5 = AddDept(5, "甲");
    AddDept(5, "乙");
    fe.type("5\n5\n丙\n址\n1\n");
    EXPECT_EQ(ModM(), TRUE);
    EXPECT_STREQ(first5->name, "丙");
    EXPECT_EQ(first5->number, 5);

    fe.type("5\n丁\n址\n1\n");  // no digits where the number goes: it stays 5
    EXPECT_EQ(ModM(), TRUE);
    EXPECT_EQ(first5->number, 5);
    EXPECT_STREQ(first5->name, "丁");

    AddDept(0, "零");
    fe.type("零科\n").key('A', 'a').type("7\n新\n址\n1\nn\n");
    EXPECT_EQ(CreateM(), hp);
    EXPECT_EQ(hp->number, 7);
    EXPECT_STREQ(hp->name, "新");
    EXPECT_EQ(fe.pending(), 1u);
}

}  // namespace
