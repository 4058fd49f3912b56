// Visit-record query and listing, and what every visit-record command shows
// on an empty collection.
#include <cstring>

#include "commands/records_fixture.h"

namespace {

using QueryL_Test = RecordsTest;
using PutL_Test = RecordsTest;
using RecordsEmptyTest = RecordsTest;

TEST_F(RecordsEmptyTest, EveryCommandShowsItsMessageAndWaits) {
    struct Case {
        const char* name;
        BOOL (*command)();
        const char* message;
    } cases[] = {
        {"CreateL", CreateL, "未创建任何科室信息！按任意键返回"},
        {"ModL", ModL, "未创建任何信息！任意键返回！"},
        {"InserL", InserL, "未创建任何科室信息！按任意键返回"},
        {"DeleL", DeleL, "未创建任何科室信息！按任意键返回"},
        {"PutL", PutL, "未创建任何科室信息！"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        fe.clear();
        fe.type("k");
        EXPECT_EQ(c.command(), TRUE);
        EXPECT_EQ(KeysLeft(), 0u);
        EXPECT_EQ(Line(10), Pad("", 40) + U(c.message));
        for (int y = 0; y < 10; ++y) EXPECT_EQ(Line(y), "") << "row " << y;
        EXPECT_EQ(Cursor().X, static_cast<SHORT>(40 + std::strlen(c.message)));
        EXPECT_EQ(Cursor().Y, 10);
    }
}

TEST_F(QueryL_Test, FoundShowsTheRecordAndReturnsAtOnce) {
    Build();
    AddRecord(li, 5, "另一医生");  // a later 5: not the one shown
    fe.type("5\n");
    EXPECT_EQ(QueryL(), TRUE);
    EXPECT_EQ(KeysLeft(), 0u);
    EXPECT_EQ(Line(2, 1), U("请输入您所要查询的记录编号： 5"));
    EXPECT_EQ(Line(4), U(" 就诊记录信息如下："));
    EXPECT_EQ(Row(5, 0, 8), " 病人编号");
    EXPECT_EQ(Row(6, 0, 22), "  " + Pad("11", 10) + Pad("5", 11));
    EXPECT_EQ(Row(6, 23, 37), Pad("王医生", 15));
    EXPECT_EQ(Row(6, 38, 47), "12.50     ");
    EXPECT_EQ(Line(6, 48), U(Pad("2024-01-05", 12) + Pad("2024-02-05", 15) +
                             Pad("2024-02-06", 14) + "感冒"));
}

TEST_F(QueryL_Test, NotFoundWaitsForAKey) {
    Build();
    fe.type("99\nk");
    EXPECT_EQ(QueryL(), TRUE);
    EXPECT_EQ(KeysLeft(), 0u);
    EXPECT_EQ(Line(3), U("  该就诊记录信息不存在！按任意键返回"));
}

TEST_F(PutL_Test, DepartmentsWithoutRecordsShowTheHeaderAlone) {
    AddPatient(AddDept(1, "内科"), 11, "张三");
    AddDept(2, "外科");
    EXPECT_EQ(PutL(), TRUE);
    EXPECT_EQ(KeysLeft(), 0u);
    EXPECT_EQ(Line(4, 1), U(" 病人编号  记录编号  主治医生姓名   就诊费用   就诊日期    "
                            "计划复诊日期   实际复诊日期 详细说明"));
    EXPECT_EQ(Line(3), "");
    EXPECT_EQ(Line(5), "");
}

TEST_F(PutL_Test, ListsEveryRecordInCollectionOrder) {
    Build();
    AddRecord(wang, 9, "冯医生");
    EXPECT_EQ(PutL(), TRUE);
    EXPECT_EQ(KeysLeft(), 0u);
    EXPECT_EQ(Row(4, 1, 9), " 病人编号");
    EXPECT_EQ(Line(5), U("  " + Pad("11", 10) + Pad("5", 11) + Pad("王医生", 15) +
                         Pad("12.50", 10) + Pad("2024-01-05", 12) + Pad("2024-02-05", 15) +
                         Pad("2024-02-06", 14) + "感冒"));
    const int expected[][2] = {{11, 5}, {11, 6}, {11, 7}, {12, 9}, {21, 8}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(Row(5 + i, 0, 22),
                  "  " + Pad(std::to_string(expected[i][0]), 10) +
                      Pad(std::to_string(expected[i][1]), 11));
    }
    EXPECT_EQ(Row(9, 38, 47), "100.00    ");
    EXPECT_EQ(Line(10), "");
}

// A data file may hold any byte in a text field. Control bytes and DEL show
// as '?' in all three listings: no stored text moves the cursor, so every
// field stays in its column and every row on its own line.
TEST_F(PutL_Test, StoredControlBytesShowAsQuestionMarksAndKeepTheColumns) {
    Build();
    std::strcpy(neike->name, "\t\x7f");
    std::strcpy(zhang->phone, "1\b2");
    std::strcpy(zhang->adr, "\x1b[2J");
    RECORD_NODE* r = zhang->lnext;
    std::strcpy(r->name, "a\bb");
    std::strcpy(r->ldate, "2024\n01");
    std::strcpy(r->tdate, "\x01\x1f");
    std::strcpy(r->tell, "\r  11        5          9999.00");
    struct Case {
        BOOL (*command)();
        int y;
        std::string row;
        std::string next_row_start;  // the next entry, on the next row
    } cases[] = {
        {PutM, 3, "  " + Pad("1", 22) + "??", "  2 "},
        {PutA, 4, "  " + Pad("1", 14) + Pad("11", 13) + Pad("张三", 15) + Pad("1?2", 14) +
                      Pad("1", 14) + "?[2J", "  1             12"},
        {PutL, 5, "  " + Pad("11", 10) + Pad("5", 11) + Pad("a?b", 15) + Pad("12.50", 10) +
                      Pad("2024?01", 12) + Pad("2024-02-05", 15) + Pad("??", 14) +
                      "?  11        5          9999.00", "  11        6"},
    };
    for (const Case& c : cases) {
        ClearScreen();
        EXPECT_EQ(c.command(), TRUE);
        EXPECT_EQ(Line(c.y), U(c.row));
        EXPECT_EQ(Row(c.y + 1, 0, static_cast<int>(c.next_row_start.size()) - 1), c.next_row_start);
    }
}

}  // namespace
