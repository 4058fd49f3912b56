// Inserting and deleting visit records: InserL and DeleL.
#include "commands/records_fixture.h"

namespace {

class InserL_Test : public RecordsTest {
protected:
    PATIENT_NODE* Patient(int number1) { return number1 == 21 ? li : zhang; }
};
using DeleL_Test = InserL_Test;

// The row of record 5 in every list of records.
std::string RowOfRecord5() {
    return "  " + Pad("11", 10) + Pad("5", 11) + Pad("王医生", 15) + Pad("12.50", 10) +
           Pad("2024-01-05", 12) + Pad("2024-02-05", 15) + Pad("2024-02-06", 14) + "感冒";
}

TEST_F(InserL_Test, InsertsDirectlyAfterTheAnchor) {
    struct Case {
        int patient;
        int anchor;
        const char* confirm;
        std::vector<int> after;
    } cases[] = {
        {11, 5, "y", {5, 101, 6, 7}},
        {11, 7, "Y", {5, 6, 7, 101}},
        {11, 6, "1", {5, 6, 101, 7}},  // anything but N or n goes on
        {21, 8, " ", {8, 101}},        // a patient of a department not listed
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.anchor);
        TearDown();
        SetUp();
        fe.clear();
        Build();
        fe.type("1\n" + std::to_string(c.patient) + "\n" + std::to_string(c.anchor) + "\n" +
                c.confirm + "\n" + Form(101, "孙医生", "7.5") + "k");
        EXPECT_EQ(InserL(), TRUE);
        EXPECT_EQ(KeysLeft(), 0u);
        PATIENT_NODE* p = Patient(c.patient);
        EXPECT_EQ(Numbers(p), c.after);
        const RECORD_NODE* r = findL(101, hp);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->number1, c.patient);
        EXPECT_EQ(U(r->name), U("孙医生"));
        EXPECT_FLOAT_EQ(r->lmoney, 7.5f);
        EXPECT_EQ(U(r->tell), U("头痛"));
        EXPECT_EQ(Line(17), "");  // cleared after the key
    }
}

TEST_F(InserL_Test, RecordIsLinkedBeforeItsFormIsRead) {
    Build();
    fe.type("1\n11\n5\ny\n");
    EXPECT_THROW(InserL(), con::InputClosed);  // stops at the first field
    EXPECT_EQ(Numbers(zhang), (std::vector<int>{5, 0, 6, 7}));
    EXPECT_EQ(zhang->lnext->next->number1, 11);
    EXPECT_EQ(Line(6), U("请输入插入就诊记录的信息"));
    EXPECT_EQ(Line(10), U(" 记录编号："));
    EXPECT_EQ(Line(11), U(" 主治医生姓名："));
    EXPECT_EQ(Line(16), U(" 详细说明："));
    EXPECT_EQ(Cursor().X, 15);
    EXPECT_EQ(Cursor().Y, 10);
}

TEST_F(InserL_Test, WrongAnchorAnsweredYAsksAgainBelowTheList) {
    Build();
    fe.type("1\n11\n9\ny\n");
    EXPECT_THROW(InserL(), con::InputClosed);  // stops at the second anchor
    EXPECT_EQ(Line(2, 1), U(" 科室编号  科室名称"));
    EXPECT_EQ(Line(4), U("  " + Pad("1", 10) + "内科"));
    EXPECT_EQ(Line(9), U(" " + Pad("1", 10) + Pad("11", 10) + Pad("张三", 15) + "1"));
    EXPECT_EQ(Line(12), U(" 请输入您插入就诊记录信息所属的病人编号:11"));
    EXPECT_EQ(Line(14), U("张三病人的就诊记录信息如下："));
    EXPECT_EQ(Row(16, 0, 8), " 病人编号");
    EXPECT_EQ(Line(17), U(RowOfRecord5()));
    EXPECT_EQ(Line(21), U("以上是该病人的所有就诊记录信息"));
    EXPECT_EQ(Line(22), U("请输入要插入就诊记录信息的前一条就诊记录的记录编号:  9"));
    EXPECT_EQ(Line(23), U("输入错误！是否重新输入?    'Y' or 'N':   y"));
    EXPECT_EQ(Line(24), U("请输入要插入就诊记录信息的前一条就诊记录的记录编号:"));

    TearDown();
    SetUp();
    fe.clear();
    Build();
    fe.type("1\n11\n9\ny\n8\nY\n6\ny\n" + Form(101) + "k");  // 8 is 李四's
    EXPECT_EQ(InserL(), TRUE);
    EXPECT_EQ(KeysLeft(), 0u);
    EXPECT_EQ(Numbers(zhang), (std::vector<int>{5, 6, 101, 7}));
    EXPECT_EQ(Numbers(li), (std::vector<int>{8}));
}

TEST_F(InserL_Test, WrongAnchorAnsweredOtherwiseWaitsAndReturns) {
    Build();
    fe.type("1\n11\n9\nn\nk");
    EXPECT_EQ(InserL(), TRUE);
    EXPECT_EQ(KeysLeft(), 0u);
    EXPECT_EQ(Line(24), U("按任意键返回！"));
    EXPECT_EQ(Numbers(zhang), (std::vector<int>{5, 6, 7}));
}

TEST_F(InserL_Test, DeclineReturnsAtOnceLeavingTheScreen) {
    Build();
    fe.type("1\n11\n5\nn\n");  // no key: there is no wait
    EXPECT_EQ(InserL(), TRUE);
    EXPECT_EQ(KeysLeft(), 0u);
    EXPECT_EQ(Numbers(zhang), (std::vector<int>{5, 6, 7}));
    EXPECT_EQ(Line(17), U(RowOfRecord5()));
    EXPECT_EQ(Line(23), U("已找到该就诊记录信息，确定要在其后插入信息？Y/N:n"));
}

TEST_F(InserL_Test, FailedAllocationLinksNothing) {
    Build();
    AllocLimit limit(0);
    fe.type("1\n11\n5\ny\n");
    EXPECT_EQ(InserL(), TRUE);
    EXPECT_EQ(KeysLeft(), 0u);
    EXPECT_EQ(Line(25), U("动态分配内存失败！"));
    EXPECT_EQ(Numbers(zhang), (std::vector<int>{5, 6, 7}));
}

TEST_F(InserL_Test, MissingDepartmentPatientOrRecords) {
    struct Case {
        const char* keys;
        int row;
        const char* message;
    } cases[] = {
        {"3\n", 8, "该科室不存在！按任意键返回"},  // under findM's own line
        {"1\n99\n", 13, "该病人信息不存在！按任意键返回"},
        {"1\n12\n", 13, "王五病人没有就诊记录信息!按任意键返回"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        TearDown();
        SetUp();
        fe.clear();
        Build();
        fe.type(std::string(c.keys) + "k");
        EXPECT_EQ(InserL(), TRUE);
        EXPECT_EQ(KeysLeft(), 0u);
        EXPECT_EQ(Line(c.row), U(c.message));
    }
}

TEST_F(DeleL_Test, DeletesFromThePatientsOwnList) {
    struct Case {
        int patient;
        int number;
        const char* confirm;
        std::vector<int> after;
    } cases[] = {
        {11, 5, "y", {6, 7}},  // the first
        {11, 7, "Y", {5, 6}},  // the last
        {11, 6, "x", {5, 7}},  // anything but N or n goes on
        {21, 8, "y", {}},      // the only one, under a department not listed
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        TearDown();
        SetUp();
        fe.clear();
        Build();
        ASSERT_NE(findL(c.number, hp), nullptr);
        fe.type("1\n" + std::to_string(c.patient) + "\n" + std::to_string(c.number) + "\n" +
                c.confirm + "\nk");
        EXPECT_EQ(DeleL(), TRUE);
        EXPECT_EQ(KeysLeft(), 0u);
        EXPECT_EQ(Numbers(Patient(c.patient)), c.after);
        EXPECT_EQ(findL(c.number, hp), nullptr);
        EXPECT_EQ(Line(15), "");  // cleared after the key
    }
}

TEST_F(DeleL_Test, ListsDepartmentsAndPatients) {
    Build();
    fe.type("1\n");
    EXPECT_THROW(DeleL(), con::InputClosed);  // stops at the patient number
    EXPECT_EQ(Line(1), U("  科室编号      科室名称"));
    EXPECT_EQ(Line(3), U("  " + Pad("1", 15) + "内科"));
    EXPECT_EQ(Line(5), U("  " + Pad("2", 15) + "外科"));
    EXPECT_EQ(Line(7), U(" 请输入您删除就诊记录信息所属的科室编号：1"));
    EXPECT_EQ(Line(9), U(" 科室编号  病人编号  病人姓名       性别"));
    EXPECT_EQ(Line(11), U(" " + Pad("1", 10) + Pad("12", 10) + Pad("王五", 15) + "2"));
    EXPECT_EQ(Line(13), U(" 请输入您删除就诊记录信息所属的病人编号:"));
}

TEST_F(DeleL_Test, DeclineWaitsForAKeyAndDeletesNothing) {
    Build();
    fe.type("1\n11\n6\nn\nk");
    EXPECT_EQ(DeleL(), TRUE);
    EXPECT_EQ(KeysLeft(), 0u);
    EXPECT_EQ(Numbers(zhang), (std::vector<int>{5, 6, 7}));
    EXPECT_EQ(Line(3), U("张三病人的就诊记录信息如下："));
    EXPECT_EQ(Row(4, 0, 8), " 病人编号");
    EXPECT_EQ(Line(5), U(RowOfRecord5()));
    EXPECT_EQ(Line(9), U("以上是该病人的所有就诊记录信息"));
    EXPECT_EQ(Line(12), U("请选择要删除信息的记录编号：6"));
    EXPECT_EQ(Line(14), U("已找到该就诊记录信息，确定要删除该信息？Y/N:n"));
}

TEST_F(DeleL_Test, FailuresShowTheirMessageAndWait) {
    struct Case {
        const char* keys;
        int row;
        const char* message;
        bool cleared;  // rows above the message blank
    } cases[] = {
        {"3\n", 9, "该科室信息不存在！按任意键返回", false},  // under findM's own line
        {"1\n99\n", 14, "该病人信息不存在！按任意键返回", true},
        {"1\n12\n", 14, "该病人就诊记录信息不存在！按任意键返回", true},
        {"1\n11\n8\n", 13, "不存在该就诊记录信息！按任意键返回", false},  // 李四's record
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        TearDown();
        SetUp();
        fe.clear();
        Build();
        fe.type(std::string(c.keys) + "k");
        EXPECT_EQ(DeleL(), TRUE);
        EXPECT_EQ(KeysLeft(), 0u);
        EXPECT_EQ(Line(c.row), U(c.message));
        if (c.cleared) {
            for (int y = 0; y < c.row; ++y) EXPECT_EQ(Line(y), "") << "row " << y;
        }
        EXPECT_EQ(Numbers(zhang), (std::vector<int>{5, 6, 7}));
        EXPECT_EQ(Numbers(li), (std::vector<int>{8}));
    }
}

}  // namespace
