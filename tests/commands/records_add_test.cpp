// Adding and modifying visit records: CreateL and ModL.
#include <cstring>

#include "commands/records_fixture.h"

namespace {

using CreateL_Test = RecordsTest;
using ModL_Test = RecordsTest;

TEST_F(CreateL_Test, ListsDepartmentsAndPatientsThenAsksForDetails) {
    Build();
    fe.type("1\n");
    EXPECT_THROW(CreateL(), con::InputClosed);  // stops at the details question

    EXPECT_EQ(Line(2, 1), U("科室编号    科室名称"));
    EXPECT_EQ(Line(3), "");
    EXPECT_EQ(Line(4), U("  " + Pad("1", 12) + "内科"));
    EXPECT_EQ(Line(6), U("  " + Pad("2", 12) + "外科"));
    EXPECT_EQ(Line(8), U(" 请输入您所要添加的就诊记录所属科室的编号：1"));
    EXPECT_EQ(Line(10), U(" 科室编号    病人编号   病人姓名      病人性别"));
    EXPECT_EQ(Line(11), U(" " + Pad("1", 12) + Pad("11", 12) + Pad("张三", 12) + "1"));
    EXPECT_EQ(Line(12), U(" " + Pad("1", 12) + Pad("12", 12) + Pad("王五", 12) + "2"));
    const char* question = "是否需要查看对应病人的详细信息？'Y' or 'N':   ";
    EXPECT_EQ(Row(13, 0, std::strlen(question) - 1), question);
    EXPECT_EQ(Cursor().X, static_cast<SHORT>(std::strlen(question)));
    EXPECT_EQ(Cursor().Y, 13);
}

TEST_F(CreateL_Test, TwoRecordsInARowComeFirstNewestFirst) {
    Build();
    // The doctor's name and the details are longer than their fields, the
    // second fee is not finite.
    fe.type("1\nn\n11\n" + Form(101, "欧阳医生主任医师", "12.5",
                                std::string(30, 'x') + "很长的说明文字很长的说明文字") +
            "y\n" + Form(102, "孙医生", "inf") + "n\n");
    EXPECT_EQ(CreateL(), TRUE);
    EXPECT_EQ(KeysLeft(), 0u);

    EXPECT_EQ(Numbers(zhang), (std::vector<int>{102, 101, 5, 6, 7}));
    const RECORD_NODE* second = zhang->lnext;
    const RECORD_NODE* first = second->next;
    EXPECT_EQ(first->number1, 11);
    EXPECT_EQ(U(first->name), U("欧阳医生主"));  // 10 bytes, whole characters
    EXPECT_FLOAT_EQ(first->lmoney, 12.5f);
    EXPECT_STREQ(first->ldate, "2024-07-01");
    EXPECT_STREQ(first->bdate, "2024-08-01");
    EXPECT_STREQ(first->tdate, "2024-08-02");
    // 30 bytes of x, then 9 whole characters: 48 of the 49 bytes.
    EXPECT_EQ(U(first->tell), U(std::string(30, 'x') + "很长的说明文字很长"));
    EXPECT_EQ(second->number1, 11);
    EXPECT_EQ(second->lmoney, 0.0f);
    EXPECT_EQ(Line(2), "");  // "n" clears the screen
}

TEST_F(CreateL_Test, RecordGoesToThePatientNamedEvenUnderAnotherDepartment) {
    Build();
    fe.type("1\nn\n21\n" + Form(101) + "n\n");
    EXPECT_EQ(CreateL(), TRUE);
    EXPECT_EQ(Numbers(li), (std::vector<int>{101, 8}));
    EXPECT_EQ(li->lnext->number1, 21);
    EXPECT_EQ(Numbers(zhang), (std::vector<int>{5, 6, 7}));
    EXPECT_EQ(KeysLeft(), 0u);
}

TEST_F(CreateL_Test, DetailsQuestionAnswers) {
    struct Case {
        const char* name;
        std::string keys;
        bool added;
    } cases[] = {
        {"n", "1\nn\n11\n" + Form(101) + "n\n", true},
        {"N", "1\nN\n11\n" + Form(101) + "n\n", true},
        {"y with a look-up", "1\ny\n12\nn\n11\n" + Form(101) + "n\n", true},
        {"Y, two look-ups", "1\nY\n12\ny\n99\nN\n11\n" + Form(101) + "n\n", true},
        {"other letter", "1\nx\n", false},
        {"Enter alone", "1\n\n", false},
        {"blank after the number", "1 \n", false},  // the Enter is the answer
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        fe.clear();
        Build();
        fe.type(c.keys);
        EXPECT_EQ(CreateL(), TRUE);
        EXPECT_EQ(KeysLeft(), 0u);
        EXPECT_EQ(Numbers(zhang).size(), c.added ? 4u : 3u);
        for (int y = 1; y < SCR_ROW; ++y) EXPECT_EQ(Line(y), "") << "row " << y;
    }
}

TEST_F(CreateL_Test, LookUpRunsBelowTheListsBeforeThePatientNumber) {
    Build();
    fe.type("1\ny\n11\nn\n");
    EXPECT_THROW(CreateL(), con::InputClosed);  // stops at the patient number
    EXPECT_EQ(Line(13), U("是否需要查看对应病人的详细信息？'Y' or 'N':   y"));
    EXPECT_EQ(Line(14), U("请输入您所要查询的病人编号： 11"));
    EXPECT_EQ(Line(16), U("  张三病人的信息为："));
    EXPECT_EQ(Line(20), U("是否继续查看病人信息？（Y/N）:n"));
    EXPECT_EQ(Line(22), U(" 请输入您所要添加的就诊记录信息所属病人的编号:"));
}

TEST_F(CreateL_Test, WrongContinueAnswerAsksForDetailsAgain) {
    Build();
    fe.type("1\nn\n11\n" + Form(101) + "q\nn\n");
    EXPECT_THROW(CreateL(), con::InputClosed);  // stops at the patient number
    EXPECT_EQ(Line(2, 1), U("病人编号：11   病人姓名：张三"));
    EXPECT_EQ(Line(3), U(" 记录编号：    101"));
    EXPECT_EQ(Line(9), U(" 详细说明：    头痛"));
    EXPECT_EQ(Line(10), U(" 成功插入一条就诊记录信息!"));
    EXPECT_EQ(Line(11), U(" 是否继续？Y/N:    q"));
    EXPECT_EQ(Line(12), U("输入错误，请重新输入，是否需要查看对应病人的详细信息？'Y' or 'N':   n"));
    EXPECT_EQ(Line(14), U(" 请输入您所要添加的就诊记录信息所属病人的编号:"));
    EXPECT_EQ(Numbers(zhang), (std::vector<int>{101, 5, 6, 7}));
}

TEST_F(CreateL_Test, AfterAWrongContinueAnswerTheNextRecordMayGoToAnotherPatient) {
    Build();
    fe.type("1\nn\n11\n" + Form(101) + "?\nn\n21\n" + Form(102) + "N\n");
    EXPECT_EQ(CreateL(), TRUE);
    EXPECT_EQ(KeysLeft(), 0u);
    EXPECT_EQ(Numbers(zhang), (std::vector<int>{101, 5, 6, 7}));
    EXPECT_EQ(Numbers(li), (std::vector<int>{102, 8}));
    EXPECT_EQ(li->lnext->number1, 21);
}

TEST_F(CreateL_Test, MissingDepartmentPatientsOrPatient) {
    struct Case {
        const char* name;
        std::string keys;
        int row;
        const char* message;
    } cases[] = {
        {"no such department", "3\n", 9, "此科室不存在！"},
        {"no such patient", "1\nn\n99\n", 16, "该病人信息不存在！"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        fe.clear();
        Build();
        fe.type(c.keys + "k");
        EXPECT_EQ(CreateL(), TRUE);
        EXPECT_EQ(KeysLeft(), 0u);
        EXPECT_EQ(Line(c.row), U(c.message));
    }
    TearDown();
    SetUp();
    fe.clear();
    AddDept(1, "内科");
    fe.type("1\nk");
    EXPECT_EQ(CreateL(), TRUE);
    EXPECT_EQ(KeysLeft(), 0u);
    EXPECT_EQ(Line(7), U("该科室不存在病人信息！"));
}

TEST_F(CreateL_Test, FailedAllocationLinksNothingAndReturns) {
    struct Case {
        int granted;
        std::string keys;
        int row;
        std::vector<int> after;
    } cases[] = {
        {0, "1\nn\n11\n", 17, {5, 6, 7}},
        {1, "1\nn\n11\n" + Form(101) + "y\n", 13, {101, 5, 6, 7}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.granted);
        TearDown();
        SetUp();
        fe.clear();
        Build();
        AllocLimit limit(c.granted);
        fe.type(c.keys);
        EXPECT_EQ(CreateL(), TRUE);
        EXPECT_EQ(KeysLeft(), 0u);  // no key wait
        EXPECT_EQ(Line(c.row), U("动态分配内存失败！"));
        EXPECT_EQ(Numbers(zhang), c.after);
    }
}

TEST_F(CreateL_Test, InputEndingInsideTheFormLinksNothing) {
    Build();
    fe.type("1\nn\n11\n101\n孙医生\n");
    EXPECT_THROW(CreateL(), con::InputClosed);
    EXPECT_EQ(Numbers(zhang), (std::vector<int>{5, 6, 7}));  // and nothing leaks
}

TEST_F(ModL_Test, PromptOverwritesRowSixteenOfALongList) {
    DEPART_NODE* d = AddDept(1, "内科");
    PATIENT_NODE* a = AddPatient(d, 11, "张三");
    PATIENT_NODE* b = AddPatient(d, 12, "王五");
    for (int n = 1; n <= 16; ++n)
        AddRecord(n <= 8 ? a : b, n, ("医生" + std::to_string(n)).c_str(), 1.0f);
    EXPECT_THROW(ModL(), con::InputClosed);  // stops at the record number

    EXPECT_EQ(Row(1, 1, 9), " 病人编号");
    EXPECT_EQ(Line(2), U("  " + Pad("11", 10) + Pad("1", 11) + Pad("医生1", 15) + "1.00"));
    EXPECT_EQ(Line(15).substr(0, 23), "  " + Pad("12", 10) + Pad("14", 11));
    EXPECT_EQ(Row(16, 0, 14), "请输入记录编号:");
    EXPECT_EQ(Cursor().X, 15);
    EXPECT_EQ(Cursor().Y, 16);
    EXPECT_EQ(Row(16, 23, 28), "医生15");  // the rest of record 15 stays
    EXPECT_EQ(Line(17).substr(0, 23), "  " + Pad("12", 10) + Pad("16", 11));
}

TEST_F(ModL_Test, EditsTheFirstRecordWithTheNumberInCollectionOrder) {
    Build();
    AddRecord(li, 6, "周医生", 1.0f);  // 6 also under 李四, a later department
    fe.type("6\n" "60\n" "吴医生\n" "nan\n" "2025-01-01\n" "2025-02-01\n" "2025-02-02\n" "痊愈\n" "k");
    EXPECT_EQ(ModL(), TRUE);
    EXPECT_EQ(KeysLeft(), 0u);

    EXPECT_EQ(Numbers(zhang), (std::vector<int>{5, 60, 7}));
    EXPECT_EQ(Numbers(li), (std::vector<int>{8, 6}));
    const RECORD_NODE* r = zhang->lnext->next;
    EXPECT_EQ(r->number1, 11);
    EXPECT_EQ(U(r->name), U("吴医生"));
    EXPECT_FLOAT_EQ(r->lmoney, 30.0f);  // "nan" is not a fee: the old one stays
    EXPECT_STREQ(r->ldate, "2025-01-01");
    EXPECT_STREQ(r->bdate, "2025-02-01");
    EXPECT_STREQ(r->tdate, "2025-02-02");
    EXPECT_EQ(U(r->tell), U("痊愈"));
    EXPECT_STREQ(li->lnext->next->name, "周医生");

    EXPECT_EQ(Line(2, 1), U("已找到该病人就诊记录信息"));
    EXPECT_EQ(Line(3), "");
    EXPECT_EQ(Row(5, 0, 8), " 病人编号");
    // The row shows the record as it was before the form.
    EXPECT_EQ(Row(6, 0, 37), "  " + Pad("11", 10) + Pad("6", 11) + Pad("李医生", 15));
    EXPECT_EQ(Row(6, 38, 47), "30.00     ");
    EXPECT_EQ(Line(9), U("请输入修改的内容："));
    EXPECT_EQ(Line(10), U(" 记录编号：    60"));
    EXPECT_EQ(Line(11), U(" 主治医生姓名: 吴医生"));
    EXPECT_EQ(Line(12), U(" 就诊费用:     nan"));
    EXPECT_EQ(Line(16), U(" 详细说明:     痊愈"));
    EXPECT_EQ(Line(17), U("修改成功！任意键返回！"));
}

TEST_F(ModL_Test, RecordNotFound) {
    Build();
    fe.type("99\nk");
    EXPECT_EQ(ModL(), TRUE);
    EXPECT_EQ(KeysLeft(), 0u);
    EXPECT_EQ(Line(1), "");  // the list is gone
    EXPECT_EQ(Line(16), "");
    EXPECT_EQ(Line(10), Pad("", 40) + U("该病人就诊记录信息不存在！按任意键返回"));
}

}  // namespace
