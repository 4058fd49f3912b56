// Department dialogues driven as a user types them: add, modify, insert
// after, delete, query and list.
#include <cstdlib>
#include <string>
#include <vector>

#include "support/app_test.h"

namespace {

std::vector<int> Numbers() {
    std::vector<int> out;
    for (DEPART_NODE* d = hp; d; d = d->next) out.push_back(d->number);
    return out;
}

std::string Blanks(int n) { return std::string(static_cast<std::size_t>(n), ' '); }

// Makes every allocation of a record node after the first `successes` fail,
// for as long as it lives.
class AllocFailsAfter {
public:
    explicit AllocFailsAfter(int successes) : saved_(gp_alloc_node) {
        left_ = successes;
        real_ = saved_;
        gp_alloc_node = &Alloc;
    }
    ~AllocFailsAfter() { gp_alloc_node = saved_; }

private:
    static void* Alloc(std::size_t size) {
        if (left_ == 0) return nullptr;
        --left_;
        return real_(size);
    }
    static inline int left_ = 0;
    static inline void* (*real_)(std::size_t) = nullptr;
    void* (*saved_)(std::size_t);
};

struct EmptyCase {
    const char* name;
    BOOL (*command)();
    const char* message;
};

const EmptyCase kEmptyCases[] = {
    {"ModM", ModM, "未创建任何信息！"},
    {"InserM", InserM, "未创建任何科室信息！按任意键返回"},
    {"DeleM", DeleM, "未创建任何科室信息！按任意键返回"},
    {"PutM", PutM, "未创建任何科室信息!"},
};

class DepartmentsTest : public AppTest {
protected:
    // Runs every command that refuses an empty collection, one key each, and
    // checks its message at (40, 10) and its wait.
    void ExpectEmptyMessages() {
        for (const EmptyCase& c : kEmptyCases) {
            SCOPED_TRACE(c.name);
            fe.type("x");
            EXPECT_EQ(c.command(), TRUE);
            EXPECT_EQ(RowTrim(10), Blanks(40) + c.message) << Utf8(RowTrim(10));
            ExpectAllKeysTaken();
            EXPECT_EQ(hp, nullptr);
        }
    }

    void ExpectBlankRows(int from, int to) {
        for (int y = from; y <= to; ++y) EXPECT_EQ(RowTrim(y), "") << "row " << y << ": " << Utf8(RowTrim(y));
    }

    // Every key typed was taken: only the release of the last one, which no
    // read takes, is left. A missing wait would leave a whole key press.
    void ExpectAllKeysTaken() { EXPECT_EQ(fe.pending(), 1u) << "records left unread"; }

    // The character the standard-input buffer holds next (a line is typed
    // only when it is empty).
    char NextBuffered() {
        char c = 0;
        con_read_c(&c);
        return c;
    }
};

/* ---- CreateM ---- */

TEST_F(DepartmentsTest, CreateMPutsEachNewDepartmentAheadOfTheOthers) {
    AddDept(9, "旧科");
    // Every answer but N or n opens a fresh form.
    fe.type("1\n内科\n一楼\n111\ny\n");
    fe.type("2\n外科\n二楼\n222\nY\n");
    fe.type("3\n儿科\n三楼\n333\nx\n");
    fe.type("4\n眼科\n四楼\n444\nN\n");

    DEPART_NODE* last = CreateM();

    EXPECT_EQ(last, hp);
    EXPECT_EQ(Numbers(), (std::vector<int>{4, 3, 2, 1, 9}));
    DEPART_NODE* third = hp->next;
    EXPECT_STREQ(third->name, "儿科");
    EXPECT_STREQ(third->adr, "三楼");
    EXPECT_STREQ(third->phone, "333");
    EXPECT_EQ(third->anext, nullptr);
    ExpectAllKeysTaken();
    ExpectBlankRows(0, 20);
    // " %c" leaves the Enter after the last answer for the next read.
    EXPECT_EQ(NextBuffered(), '\n');
}

TEST_F(DepartmentsTest, CreateMNameOfTwoWordsFlowsIntoTheAddress) {
    fe.type("5\n内 科\n").type("123\n").type("n\n");

    ASSERT_NE(CreateM(), nullptr);

    ASSERT_EQ(Numbers(), (std::vector<int>{5}));
    EXPECT_STREQ(hp->name, "内");
    EXPECT_STREQ(hp->adr, "科");
    EXPECT_STREQ(hp->phone, "123");
    ExpectAllKeysTaken();
}

TEST_F(DepartmentsTest, CreateMCutsOverlongWordsOnACharacterBoundary) {
    // 20 bytes into name[20]: the tenth character would straddle the end.
    fe.type("6\n一二三四五六七八九十\n");
    fe.type("ab一二三四五六七八九\n");  // 20 bytes: "ab" and eight characters fit
    fe.type("1234567890123456\n");
    fe.type("n\n");

    ASSERT_NE(CreateM(), nullptr);

    EXPECT_STREQ(hp->name, "一二三四五六七八九");
    EXPECT_STREQ(hp->adr, "ab一二三四五六七八");
    EXPECT_STREQ(hp->phone, "12345678901234");
    ExpectAllKeysTaken();
}

TEST_F(DepartmentsTest, CreateMContinueQuestionOverwritesTheAddressRow) {
    fe.type("7\n内科\nABCDEFGHIJKLMNOPQRS\n77\n");  // input ends at the question

    EXPECT_THROW(CreateM(), con::InputClosed);

    EXPECT_EQ(RowTrim(3), " 科室编号：7");
    EXPECT_EQ(RowTrim(4), " 科室名称：内科");
    // Columns 1-24 hold the question; the address shows again from column 25.
    EXPECT_EQ(RowTrim(5), " 是否继续添加？'Y'or 'N':OPQRS") << Utf8(RowTrim(5));
    EXPECT_EQ(RowTrim(6), " 科室电话：77");
    EXPECT_EQ(Cursor().X, 25);
    EXPECT_EQ(Cursor().Y, 5);
    // Linked before the question was asked.
    ASSERT_EQ(Numbers(), (std::vector<int>{7}));
    EXPECT_STREQ(hp->adr, "ABCDEFGHIJKLMNOPQRS");
}

TEST_F(DepartmentsTest, CreateMInputEndingInTheFormLinksNothing) {
    AddDept(1, "内科");
    fe.type("7\n外科\n");  // the address is never typed

    EXPECT_THROW(CreateM(), con::InputClosed);

    // The half-filled department is gone (the sanitizer build sees no leak).
    EXPECT_EQ(Numbers(), (std::vector<int>{1}));
}

TEST_F(DepartmentsTest, CreateMFailedAllocation) {
    struct Case {
        const char* name;
        bool existing;     // a department 9 was there before
        int successes;     // forms that get their department
        const char* typed;
        int message_row;
        std::vector<int> numbers;
    };
    const Case cases[] = {
        {"empty, first fails", false, 0, "", 1, {}},
        {"loaded, first fails", true, 0, "", 1, {9}},
        {"second fails", true, 1, "1\n内科\n一楼\n111\ny\n", 7, {1, 9}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FreeCollection(hp);
        hp = nullptr;
        con::attach(&fe);
        con::reset_input_buffer();
        if (c.existing) AddDept(9, "旧科");
        fe.type(c.typed);
        AllocFailsAfter failing(c.successes);

        DEPART_NODE* result = CreateM();

        EXPECT_EQ(result, hp);  // null when nothing was ever there
        EXPECT_EQ(Numbers(), c.numbers);
        EXPECT_EQ(RowTrim(c.message_row), "动态分配内存失败！") << Utf8(RowTrim(c.message_row));
        EXPECT_EQ(fe.pending(), c.typed[0] ? 1u : 0u);  // no wait
    }
}

/* ---- Empty collection ---- */

TEST_F(DepartmentsTest, EmptyCollectionMessagesAndWaits) { ExpectEmptyMessages(); }

/* ---- The lists shown before the number is asked ---- */

TEST_F(DepartmentsTest, ListsBeforeTheNumberPrompt) {
    struct Case {
        const char* name;
        BOOL (*command)();
        std::vector<std::string> rows;  // from row 2 on
    };
    const std::string one = "  1" + Blanks(9) + "内科";
    const std::string two = "  23" + Blanks(8) + "外科";
    const std::string header = "  科室编号  科室名称";
    const Case cases[] = {
        {"ModM", ModM, {"", header, "", one, two, " 请输入您所要修改的科室的编号："}},
        {"InserM", InserM, {header, "", one, "", two, "", "", "请输入您要插入科室的前一科室的编号："}},
        {"DeleM", DeleM, {header, "", one, "", two, "", "", "请输入您要删除科室的编号："}},
    };
    AddDept(1, "内科");
    AddDept(23, "外科");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        con::attach(&fe);
        con::reset_input_buffer();

        EXPECT_THROW(c.command(), con::InputClosed);  // input ends at the prompt

        for (std::size_t i = 0; i < c.rows.size(); ++i) {
            int y = static_cast<int>(i) + 2;
            EXPECT_EQ(RowTrim(y), c.rows[i]) << "row " << y << ": " << Utf8(RowTrim(y));
        }
        EXPECT_EQ(Numbers(), (std::vector<int>{1, 23}));
    }
}

/* ---- ModM ---- */

TEST_F(DepartmentsTest, ModMGivesADepartmentAFreeNumber) {
    DEPART_NODE* first = AddDept(1, "内科", "一楼", "111");
    AddDept(2, "外科");
    DEPART_NODE* third = AddDept(3, "儿科");
    fe.type("3\n7\n眼科\n五楼\n555\n");

    EXPECT_EQ(ModM(), TRUE);

    ExpectAllKeysTaken();  // no wait: the form stays on screen
    EXPECT_EQ(RowTrim(3), "  科室编号  科室名称");
    EXPECT_EQ(RowTrim(5), "  3" + Blanks(9) + "儿科");
    EXPECT_EQ(RowTrim(6), "");  // the list before the lookup is gone
    EXPECT_EQ(RowTrim(7), "请输入修改的内容：");
    EXPECT_EQ(RowTrim(8), "");
    EXPECT_EQ(RowTrim(10), " 科室编号：7");
    EXPECT_EQ(RowTrim(11), " 科室名称：眼科");
    EXPECT_EQ(RowTrim(12), " 科室地址：五楼");
    EXPECT_EQ(RowTrim(13), " 科室电话：555");
    EXPECT_EQ(RowTrim(17), " 修改成功！");

    EXPECT_EQ(Numbers(), (std::vector<int>{1, 2, 7}));
    EXPECT_STREQ(third->name, "眼科");
    EXPECT_STREQ(third->adr, "五楼");
    EXPECT_STREQ(third->phone, "555");
    EXPECT_EQ(findM(1, hp), first);
    fe.type("1\n8\n心科\n一楼\n111\n");
    EXPECT_EQ(ModM(), TRUE);
    EXPECT_EQ(Numbers(), (std::vector<int>{8, 2, 7}));
    EXPECT_STREQ(first->name, "心科");
}

TEST_F(DepartmentsTest, ModMKeepsTheNumberWhenNoDigitsAreTyped) {
    DEPART_NODE* d = AddDept(2, "外科", "二楼", "222");
    // "abc" is not a number: it stays in the input and becomes the name.
    fe.type("2\nabc\n三楼\n333\n");

    EXPECT_EQ(ModM(), TRUE);

    EXPECT_EQ(d->number, 2);
    EXPECT_STREQ(d->name, "abc");
    EXPECT_STREQ(d->adr, "三楼");
    EXPECT_STREQ(d->phone, "333");
    ExpectAllKeysTaken();
}

TEST_F(DepartmentsTest, ModMNumberNotFoundShowsAClearedScreenAndWaits) {
    AddDept(1, "内科");
    AddDept(2, "外科");
    fe.type("9\n").type("x");

    EXPECT_EQ(ModM(), TRUE);

    ExpectAllKeysTaken();
    ExpectBlankRows(0, 20);  // findM's line went with the clearing
    EXPECT_EQ(Numbers(), (std::vector<int>{1, 2}));
    EXPECT_STREQ(hp->name, "内科");
}

/* ---- InserM ---- */

TEST_F(DepartmentsTest, InserMAfterTheFirstAndAfterTheLast) {
    struct Case {
        const char* name;
        const char* anchor;
        std::vector<int> numbers;
        int new_at;
    };
    const Case cases[] = {
        // Two departments share number 1: the first of them is the anchor.
        {"after the first", "1\n", {1, 4, 2, 1, 3}, 1},
        {"after the last", "3\n", {1, 2, 1, 3, 4}, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FreeCollection(hp);
        hp = nullptr;
        DEPART_NODE* head = AddDept(1, "内科");
        AddDept(2, "外科");
        AddDept(1, "眼科");
        AddDept(3, "儿科");
        fe.type(c.anchor).type("y\n").type("4\n心科\n六楼\n666\n").type("x");

        EXPECT_EQ(InserM(), TRUE);

        ExpectAllKeysTaken();
        EXPECT_EQ(hp, head);
        EXPECT_EQ(Numbers(), c.numbers);
        DEPART_NODE* d = hp;
        for (int i = 0; i < c.new_at; ++i) d = d->next;
        EXPECT_STREQ(d->name, "心科");
        EXPECT_STREQ(d->adr, "六楼");
        EXPECT_STREQ(d->phone, "666");
        EXPECT_EQ(d->anext, nullptr);
        ExpectBlankRows(0, 20);
    }
}

TEST_F(DepartmentsTest, InserMFormAndSuccessMessageStandUntilTheKey) {
    AddDept(1, "内科");
    fe.type("1\nY\n4\n心科\n六楼\n666\n");  // input ends at the key wait

    EXPECT_THROW(InserM(), con::InputClosed);

    EXPECT_EQ(RowTrim(2), "");  // cleared before the form
    EXPECT_EQ(RowTrim(6), "请输入插入科室内容:");
    EXPECT_EQ(RowTrim(10), " 科室编号：    4");
    EXPECT_EQ(RowTrim(11), " 科室名称：    心科");
    EXPECT_EQ(RowTrim(12), " 科室地址：    六楼");
    EXPECT_EQ(RowTrim(13), " 科室电话：    666");
    EXPECT_EQ(RowTrim(14), "插入科室信息成功！");
    EXPECT_EQ(Numbers(), (std::vector<int>{1, 4}));
}

TEST_F(DepartmentsTest, InserMFailedAllocationLinksNothing) {
    AddDept(1, "内科");
    fe.type("1\ny\n");
    AllocFailsAfter failing(0);

    EXPECT_EQ(InserM(), TRUE);

    ExpectAllKeysTaken();
    EXPECT_EQ(Numbers(), (std::vector<int>{1}));
    EXPECT_EQ(RowTrim(9), "");  // cleared: the answer row is gone
    EXPECT_EQ(RowTrim(11), "动态分配内存失败！") << Utf8(RowTrim(11));
}

/* ---- InserM and DeleM: misses and confirmations ---- */

struct AnchorCommand {
    const char* name;
    BOOL (*command)();
    const char* prompt;
    const char* not_found;
    const char* question;
};

const AnchorCommand kAnchorCommands[] = {
    {"InserM", InserM, "请输入您要插入科室的前一科室的编号：", "没有该科室信息！",
     "已找到该科室信息，您确定要在其后插入科室信息吗？"},
    {"DeleM", DeleM, "请输入您要删除科室的编号：", "没有该科室信息！按任意键返回",
     "已找到该科室信息，您确定要删除该科室吗？"},
};

TEST_F(DepartmentsTest, InserMAndDeleMNumberNotFound) {
    AddDept(1, "内科");
    AddDept(2, "外科");
    for (const AnchorCommand& c : kAnchorCommands) {
        SCOPED_TRACE(c.name);
        fe.type("9\n").type("x");

        EXPECT_EQ(c.command(), TRUE);

        ExpectAllKeysTaken();
        EXPECT_EQ(RowTrim(9), std::string(c.prompt) + "9");
        EXPECT_EQ(RowTrim(10), c.not_found) << Utf8(RowTrim(10));
        EXPECT_EQ(Numbers(), (std::vector<int>{1, 2}));
    }
}

TEST_F(DepartmentsTest, InserMAndDeleMDeclinedLeaveEverythingStanding) {
    AddDept(1, "内科");
    AddDept(2, "外科");
    for (const AnchorCommand& c : kAnchorCommands) {
        for (const char* no : {"n", "N"}) {
            SCOPED_TRACE(std::string(c.name) + " " + no);
            fe.type("1\n").type(no).type("\n");

            EXPECT_EQ(c.command(), TRUE);

            ExpectAllKeysTaken();  // no wait
            EXPECT_EQ(Numbers(), (std::vector<int>{1, 2}));
            EXPECT_EQ(RowTrim(4), "  1" + Blanks(9) + "内科");  // not cleared
            EXPECT_EQ(RowTrim(10), c.question) << Utf8(RowTrim(10));
            EXPECT_EQ(RowTrim(11), std::string("Y/N:") + no);
            // "%c%*c" took the answer and its Enter: the next read needs a new line.
            EXPECT_THROW(NextBuffered(), con::InputClosed);
        }
    }
}

TEST_F(DepartmentsTest, InserMEnterAloneIsYesAndEatsTheNextCharacter) {
    AddDept(1, "内科");
    AddDept(2, "外科");
    // The '5' of the next line goes to the discard after the Enter.
    fe.type("1\n").enter().type("54\n心科\n六楼\n666\n").type("x");

    EXPECT_EQ(InserM(), TRUE);

    ExpectAllKeysTaken();
    ASSERT_EQ(Numbers(), (std::vector<int>{1, 4, 2}));
    EXPECT_STREQ(hp->next->name, "心科");
}

TEST_F(DepartmentsTest, DeleMEnterAloneIsYesAndEatsTheNextCharacter) {
    AddDept(1, "内科");
    AddDept(2, "外科");
    fe.type("1\n").enter().type("q\n").type("x");

    EXPECT_EQ(DeleM(), TRUE);

    ExpectAllKeysTaken();
    EXPECT_EQ(Numbers(), (std::vector<int>{2}));
    // 'q' went to the discard; its line's Enter is still waiting.
    EXPECT_EQ(NextBuffered(), '\n');
}

/* ---- DeleM ---- */

TEST_F(DepartmentsTest, DeleMOfTheHeadMovesHpToTheSecond) {
    AddDept(1, "内科");
    DEPART_NODE* second = AddDept(2, "外科");
    AddDept(3, "儿科");
    fe.type("1\ny\n").type("x");

    EXPECT_EQ(DeleM(), TRUE);

    ExpectAllKeysTaken();
    EXPECT_EQ(hp, second);
    EXPECT_EQ(Numbers(), (std::vector<int>{2, 3}));
    ExpectBlankRows(0, 20);
}

TEST_F(DepartmentsTest, DeleMOfTheOnlyDepartmentEmptiesTheCollection) {
    AddDept(5, "内科");
    fe.type("5\ny\n").type("x");

    EXPECT_EQ(DeleM(), TRUE);

    EXPECT_EQ(hp, nullptr);
    ExpectAllKeysTaken();
    ExpectEmptyMessages();
}

TEST_F(DepartmentsTest, DeleMTakesThePatientsAndVisitRecordsWithIt) {
    AddDept(1, "内科");
    DEPART_NODE* doomed = AddDept(2, "外科");
    DEPART_NODE* last = AddDept(3, "儿科");
    PATIENT_NODE* p11 = AddPatient(doomed, 11, "张三");
    AddRecord(p11, 101);
    AddRecord(p11, 102);
    AddRecord(AddPatient(doomed, 12, "李四"), 103);
    AddRecord(AddPatient(last, 31, "王五"), 301);
    fe.type("2\ny\n").type("x");

    EXPECT_EQ(DeleM(), TRUE);

    ExpectAllKeysTaken();
    EXPECT_EQ(Numbers(), (std::vector<int>{1, 3}));
    EXPECT_EQ(hp->next, last);
    for (int n : {11, 12}) EXPECT_EQ(findA(n, hp), nullptr) << n;
    for (int n : {101, 102, 103}) EXPECT_EQ(findL(n, hp), nullptr) << n;
    EXPECT_NE(findA(31, hp), nullptr);
    EXPECT_NE(findL(301, hp), nullptr);
}

/* ---- QueryM ---- */

TEST_F(DepartmentsTest, QueryMFound) {
    AddDept(1, "内科", "一楼", "111");
    AddDept(2, "外科", "二楼", "222");
    fe.type("2\n").type("x");

    EXPECT_EQ(QueryM(), TRUE);

    ExpectAllKeysTaken();  // waited for the key
    EXPECT_EQ(RowTrim(2), "  请输入您所要查询的科室编号:  2");
    EXPECT_EQ(RowTrim(3), "");
    EXPECT_EQ(RowTrim(4), " 科室编号     科室名称     科室地址     科室电话");
    EXPECT_EQ(RowTrim(5), "");
    EXPECT_EQ(Row(6, 0, 13), " 2" + Blanks(12));
    EXPECT_EQ(Row(6, 14, 28), "外科" + Blanks(11));
    EXPECT_EQ(Row(6, 29, 43), "二楼" + Blanks(11));
    EXPECT_EQ(RowTrim(6, 44), "222");
    EXPECT_EQ(Cursor().Y, 8);
}

TEST_F(DepartmentsTest, QueryMNotFound) {
    AddDept(1, "内科");
    fe.type("9\n").type("x");

    EXPECT_EQ(QueryM(), TRUE);

    ExpectAllKeysTaken();
    EXPECT_EQ(RowTrim(3), "此科室不存在！");      // findM's own line
    EXPECT_EQ(RowTrim(4), "  该科室不存在！");
    EXPECT_EQ(RowTrim(5), "");
}

/* ---- PutM ---- */

TEST_F(DepartmentsTest, PutMListsEveryDepartmentUnderItsHeader) {
    AddDept(1, "内科", "一楼", "111");
    AddDept(23, "外科", "二楼", "2222");

    EXPECT_EQ(PutM(), TRUE);  // no wait: nothing was typed

    EXPECT_EQ(Row(2, 0, 9), "  科室编号");
    EXPECT_EQ(Row(2, 10, 23), Blanks(14));
    EXPECT_EQ(Row(2, 24, 39), "科室名称" + Blanks(8));
    EXPECT_EQ(Row(2, 40, 55), "科室电话" + Blanks(8));
    EXPECT_EQ(RowTrim(2, 56), "科室地址");
    struct Line {
        int y;
        std::string number, name, phone, adr;
    };
    const Line lines[] = {{3, "1", "内科", "111", "一楼"}, {4, "23", "外科", "2222", "二楼"}};
    for (const Line& l : lines) {
        SCOPED_TRACE(l.y);
        EXPECT_EQ(Row(l.y, 0, 23), "  " + l.number + Blanks(22 - static_cast<int>(l.number.size())));
        EXPECT_EQ(Row(l.y, 24, 38), l.name + Blanks(11));
        EXPECT_EQ(Row(l.y, 39, 54), l.phone + Blanks(16 - static_cast<int>(l.phone.size())));
        EXPECT_EQ(RowTrim(l.y, 55), l.adr);
    }
    EXPECT_EQ(RowTrim(5), "");
}

}  // namespace
