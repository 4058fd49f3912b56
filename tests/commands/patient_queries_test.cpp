// The patient query, the patient look-up dialogue and the patient listing.
#include <cstring>
#include <string>
#include <vector>

#include "support/app_test.h"

namespace {

const char kHeader[] = "  科室编号     病人编号     病人姓名        电话           性别      住址";

class PatientQueriesTest : public AppTest {
protected:
    void Scribble() {
        FillConsoleOutputCharacterA(gh_std_out, '#', SCR_COL * SCR_ROW, COORD{0, 0}, nullptr);
    }
    // Rows first..first+size-1 against the expected texts, blanks at the end
    // of each row ignored.
    void ExpectRows(int first, const std::vector<std::string>& rows) {
        for (int i = 0; i < static_cast<int>(rows.size()); ++i)
            EXPECT_EQ(Utf8(RowTrim(first + i)), Utf8(rows[i])) << "row " << first + i;
    }
    // Key presses queued but never read. A press is a key-down and a key-up;
    // the reads stop at the key-down, so the last release taken may remain.
    std::size_t KeysLeft() const { return fe.pending() / 2; }
};

/* ---- QueryA ---- */

class QueryATest : public PatientQueriesTest {
protected:
    void SetUp() override {
        PatientQueriesTest::SetUp();
        AddDept(1, "内科");  // no patients: the search goes on past it
        AddPatient(AddDept(2, "外科"), 5, "张三", 1, "12345", "北京");
        AddPatient(AddDept(3, "儿科"), 5, "李四", 2, "67890", "上海");
        Scribble();
    }
};

TEST_F(QueryATest, FoundShowsTheFirstOfTwoSharingTheNumberWithoutAWait) {
    fe.type("5\n");
    EXPECT_EQ(QueryA(), TRUE);
    EXPECT_EQ(KeysLeft(), 0u);
    ExpectRows(0, {"", "", "  请输入您所要查询病人编号： 5", "", " 张三病人的信息为：", "", kHeader,
                   "    2             5            张三           12345         1             北京",
                   ""});
}

TEST_F(QueryATest, NotFoundWaitsForAKey) {
    fe.type("9\n").type("k");
    EXPECT_EQ(QueryA(), TRUE);
    EXPECT_EQ(KeysLeft(), 0u);
    ExpectRows(0, {"", "", "  请输入您所要查询病人编号： 9", "该病人不存在！按任意键返回", ""});
}

/* ---- LookA ---- */

TEST_F(PatientQueriesTest, LookAContinuesBelowTheCallerAndRejectsOtherAnswers) {
    AddPatient(AddDept(1, "内科"), 5, "张三", 1, "12345", "北京");
    SetConsoleCursorPosition(gh_std_out, COORD{0, 5});
    con_printf("调用者的一行\n");
    // A hit, a wrong answer, Enter alone (which takes the "Z" of the next
    // line with it and leaves the "y"), a miss, then N.
    fe.type("5\n").type("x\n").type("\n").type("Zy\n").type("9\n").type("N\n");
    LookA();
    EXPECT_EQ(KeysLeft(), 0u);
    ExpectRows(4, {"", "调用者的一行", "请输入您所要查询的病人编号： 5", "", "  张三病人的信息为：",
                   "", kHeader,
                   "  1             5            张三           12345         1             北京",
                   "是否继续查看病人信息？（Y/N）:x", "输入错误，请重新输入：", "Zy",
                   "输入错误，请重新输入：请输入您所要查询的病人编号： 9",
                   "该病人信息不存在！是否继续查看病人信息？（Y/N）:N", ""});
    EXPECT_EQ(Cursor().X, 0);
    EXPECT_EQ(Cursor().Y, 17);
}

TEST_F(PatientQueriesTest, LookAYesQueriesAgainNoEnds) {
    struct Case {
        const char* answer;
        int queries;
    };
    for (const Case& c : {Case{"y", 2}, Case{"Y", 2}, Case{"n", 1}, Case{"N", 1}}) {
        SCOPED_TRACE(c.answer);
        // LookA does not clear: start each case on a blank screen.
        FillConsoleOutputCharacterA(gh_std_out, ' ', SCR_COL * SCR_ROW, COORD{0, 0}, nullptr);
        SetConsoleCursorPosition(gh_std_out, COORD{0, 0});
        fe.type("9\n").type(c.answer).type("\n");
        if (c.queries == 2) fe.type("9\nn\n");
        LookA();
        EXPECT_EQ(KeysLeft(), 0u);
        const std::string prompt = "请输入您所要查询的病人编号： 9";
        int prompts = 0;
        for (int y = 0; y < 2 * c.queries; ++y)
            if (RowTrim(y) == prompt) ++prompts;
        EXPECT_EQ(prompts, c.queries);
        EXPECT_EQ(Cursor().Y, 2 * c.queries);
    }
}

/* ---- PutA ---- */

TEST_F(PatientQueriesTest, PutAOnAnEmptyCollectionWaitsForAKey) {
    Scribble();
    fe.type("k");
    EXPECT_EQ(PutA(), TRUE);
    EXPECT_EQ(KeysLeft(), 0u);
    const std::string message = "未创建任何科室信息！";
    EXPECT_EQ(Row(10, 40, 40 + static_cast<int>(message.size()) - 1), message);
    EXPECT_EQ(Utf8(RowTrim(10)), Utf8(std::string(40, ' ') + message));
    for (int y = 0; y < SCR_ROW; ++y) {
        if (y != 10) {
            EXPECT_EQ(RowTrim(y), "") << "row " << y;
        }
    }
}

TEST_F(PatientQueriesTest, PutAWithoutPatientsShowsTheHeaderAlone) {
    AddDept(1, "内科");
    AddDept(2, "外科");
    Scribble();
    EXPECT_EQ(PutA(), TRUE);
    EXPECT_EQ(KeysLeft(), 0u);
    ExpectRows(0, {"", "", "", kHeader, ""});
    EXPECT_EQ(Cursor().X, 0);
    EXPECT_EQ(Cursor().Y, 4);
}

TEST_F(PatientQueriesTest, PutAListsEveryDepartmentsPatientsInListOrder) {
    DEPART_NODE* d1 = AddDept(1, "内科");
    AddDept(2, "外科");
    DEPART_NODE* d3 = AddDept(3, "儿科");
    AddPatient(d1, 5, "张三", 1, "12345", "北京");
    AddPatient(d1, 3, "李四", 2);
    AddPatient(d3, 8, "王五", 1, "67890", "上海");
    Scribble();
    EXPECT_EQ(PutA(), TRUE);
    EXPECT_EQ(KeysLeft(), 0u);
    ExpectRows(0, {"", "", "", kHeader,
                   "  1             5            张三           12345         1             北京",
                   "  1             3            李四                         2",
                   "  3             8            王五           67890         1             上海",
                   ""});
    EXPECT_EQ(Row(3, 0, 1), "  ");  // the header's own blanks, from column 0
    EXPECT_EQ(Cursor().Y, 7);
}

}  // namespace
