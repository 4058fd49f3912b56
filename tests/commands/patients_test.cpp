// The patient maintenance dialogues, typed as a user types them.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/app_test.h"

namespace {

// Patient numbers of a department, in list order.
std::vector<int> Numbers(const DEPART_NODE* d) {
    std::vector<int> out;
    for (const PATIENT_NODE* p = d->anext; p; p = p->next) out.push_back(p->number1);
    return out;
}

// Lets the first `successes` allocations through, then fails every one.
int g_allocations_left = 0;
void* Countdown(std::size_t size) {
    return g_allocations_left-- > 0 ? std::calloc(1, size) : nullptr;
}

// Makes node allocation fail for the life of one test.
class ShortOfMemory {
public:
    explicit ShortOfMemory(int successes) : saved_(gp_alloc_node) {
        g_allocations_left = successes;
        gp_alloc_node = Countdown;
    }
    ~ShortOfMemory() { gp_alloc_node = saved_; }

private:
    void* (*saved_)(std::size_t);
};

class PatientsTest : public AppTest {
protected:
    // Covers the whole screen, so that a dialogue's clearing shows.
    void Scribble() {
        FillConsoleOutputCharacterA(gh_std_out, '#', SCR_COL * SCR_ROW, COORD{0, 0}, nullptr);
    }
    bool ScreenBlank() const {
        for (int y = 0; y < SCR_ROW; ++y)
            if (!RowTrim(y).empty()) return false;
        return true;
    }
    void AnyKey() { fe.type("k"); }
    // Key presses queued but never read. A press is a key-down and a key-up;
    // the reads stop at the key-down, so the last release taken may remain.
    std::size_t KeysLeft() const { return fe.pending() / 2; }
};

/* ---- Empty collections ---- */

struct EmptyCase {
    const char* name;
    BOOL (*command)();
    bool with_department;  // a department without patients
    const char* message;
    SHORT x, y;
};

void PrintTo(const EmptyCase& c, std::ostream* os) { *os << c.name; }

class EmptyCollection : public PatientsTest, public ::testing::WithParamInterface<EmptyCase> {};

TEST_P(EmptyCollection, ShowsItsMessageAtItsCellAndWaitsForAKey) {
    const EmptyCase& c = GetParam();
    if (c.with_department) AddDept(1, "内科");
    Scribble();
    AnyKey();
    EXPECT_EQ(c.command(), TRUE);
    EXPECT_EQ(KeysLeft(), 0u);
    const int len = static_cast<int>(std::strlen(c.message));
    EXPECT_EQ(Utf8(RowTrim(c.y)), Utf8(std::string(c.x, ' ') + c.message));
    EXPECT_EQ(Cursor().X, c.x + len);
    EXPECT_EQ(Cursor().Y, c.y);
    for (int y = 0; y < SCR_ROW; ++y) {
        if (y != c.y) {
            EXPECT_EQ(RowTrim(y), "") << "row " << y;
        }
    }
    if (c.with_department) {
        EXPECT_EQ(hp->anext, nullptr);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Patients, EmptyCollection,
    ::testing::Values(
        EmptyCase{"CreateA", CreateA, false, "未创建任何科室信息！任意键返回", 40, 10},
        EmptyCase{"ModA", ModA, false, "不存在任何病人信息！", 40, 10},
        EmptyCase{"DeleA", DeleA, false, "没有任何科室信息！按任意键返回", 2, 2},
        EmptyCase{"DeleANoPatients", DeleA, true, "未有任何病人信息！按任意键返回", 2, 2}),
    [](const auto& info) { return std::string(info.param.name); });

/* ---- CreateA ---- */

TEST_F(PatientsTest, CreateAAddsEachNewPatientAtTheHeadOfTheChosenDepartment) {
    DEPART_NODE* d1 = AddDept(1, "内科");
    DEPART_NODE* d2 = AddDept(2, "外科");
    AddPatient(d2, 1, "旧病人");
    Scribble();
    fe.type("2\n");
    fe.type("7\n甲\n111\n1\n北京\n").type("y\n");
    fe.type("8\n乙\n222\n2\n上海\n").type("Y\n");
    fe.type("9\n丙\n333\n1\n广州\n").type("n\n");

    EXPECT_EQ(CreateA(), TRUE);
    EXPECT_EQ(KeysLeft(), 0u);
    EXPECT_TRUE(ScreenBlank());
    EXPECT_EQ(d1->anext, nullptr);
    EXPECT_EQ(Numbers(d2), (std::vector<int>{9, 8, 7, 1}));
    for (PATIENT_NODE* p = d2->anext; p; p = p->next) {
        EXPECT_EQ(p->number, 2);
        EXPECT_EQ(p->lnext, nullptr);
    }
    PATIENT_NODE* eight = d2->anext->next;
    EXPECT_STREQ(eight->name, "乙");
    EXPECT_STREQ(eight->phone, "222");
    EXPECT_EQ(eight->sex, 2);
    EXPECT_STREQ(eight->adr, "上海");
}

TEST_F(PatientsTest, CreateAFormLinksThePatientBeforeAskingToGoOn) {
    DEPART_NODE* d = AddDept(3, "儿科");
    Scribble();
    fe.type("3\n12\n王五\n13800\n2\n南京\n");
    EXPECT_THROW(CreateA(), con::InputClosed);  // at the continue question

    EXPECT_EQ(RowTrim(1), "");
    EXPECT_EQ(Utf8(RowTrim(2)), Utf8(" 科室编号：3  科室名称：儿科"));
    EXPECT_EQ(Utf8(RowTrim(3)), Utf8(" 病人编号：12"));
    EXPECT_EQ(Utf8(RowTrim(4)), Utf8(" 病人姓名：王五"));
    EXPECT_EQ(Utf8(RowTrim(5)), Utf8(" 病人电话：13800"));
    EXPECT_EQ(Utf8(RowTrim(6)), Utf8(" 病人性别：2"));
    EXPECT_EQ(Utf8(RowTrim(7)), Utf8(" 病人住址：南京"));
    EXPECT_EQ(Utf8(RowTrim(8)), Utf8(" 成功添加一条病人信息!"));
    const std::string question = " 是否继续？'Y or 'N':";
    EXPECT_EQ(Utf8(RowTrim(9)), Utf8(question));
    EXPECT_EQ(Cursor().X, static_cast<SHORT>(question.size()));
    EXPECT_EQ(Cursor().Y, 9);
    EXPECT_EQ(RowTrim(10), "");
    ASSERT_NE(d->anext, nullptr);
    EXPECT_EQ(d->anext->number1, 12);
    EXPECT_STREQ(d->anext->adr, "南京");
}

TEST_F(PatientsTest, CreateAInputEndingMidFormLinksNothing) {
    DEPART_NODE* d = AddDept(3, "儿科");
    fe.type("3\n12\n王五\n");
    EXPECT_THROW(CreateA(), con::InputClosed);  // at the telephone
    EXPECT_EQ(d->anext, nullptr);               // and the sanitizer build sees no leak
}

TEST_F(PatientsTest, CreateAWrongDepartmentShowsBothMessagesThenAsksAgain) {
    AddDept(1, "内科");
    DEPART_NODE* d2 = AddDept(2, "外科");
    Scribble();
    fe.type("5\n");
    EXPECT_THROW(CreateA(), con::InputClosed);  // at the key wait
    const std::vector<std::string> list = {
        "", "", "  科室编号     科室名称", "  1             内科", "", "  2             外科", "",
        " 请输入您所要新建的病人信息所属科室的编号：5"};
    for (int y = 0; y < 8; ++y) EXPECT_EQ(Utf8(RowTrim(y)), Utf8(list[y])) << "row " << y;
    EXPECT_EQ(Utf8(RowTrim(8)), Utf8("此科室不存在！"));
    EXPECT_EQ(Utf8(RowTrim(9)), Utf8("未创建任何科室信息！按任意键返回"));

    fe.type("5\n");
    AnyKey();
    EXPECT_THROW(CreateA(), con::InputClosed);  // the question again, cleared screen
    const std::string prompt = list[7].substr(0, list[7].size() - 1);
    for (int y = 0; y < 7; ++y) EXPECT_EQ(Utf8(RowTrim(y)), Utf8(list[y])) << "row " << y;
    EXPECT_EQ(Utf8(RowTrim(7)), Utf8(prompt));
    EXPECT_EQ(Cursor().X, static_cast<SHORT>(prompt.size()));
    EXPECT_EQ(Cursor().Y, 7);
    EXPECT_EQ(RowTrim(8), "");
    EXPECT_EQ(RowTrim(9), "");

    fe.type("5\n");
    AnyKey();
    fe.type("2\n40\n赵六\n555\n1\n天津\nn\n");
    EXPECT_EQ(CreateA(), TRUE);
    EXPECT_EQ(KeysLeft(), 0u);
    EXPECT_EQ(Numbers(d2), std::vector<int>{40});
    EXPECT_EQ(hp->anext, nullptr);
}

// Text where the department number belongs must not come back at every later
// question: the user gets a fresh line after the key.
TEST_F(PatientsTest, CreateADepartmentNumberWithoutDigitsCanBeTypedAgain) {
    DEPART_NODE* d = AddDept(1, "内科");
    fe.type("abc\n");
    AnyKey();
    fe.type("1\n40\n赵六\n555\n1\n天津\nn\n");
    EXPECT_EQ(CreateA(), TRUE);
    EXPECT_EQ(KeysLeft(), 0u);
    EXPECT_EQ(Numbers(d), std::vector<int>{40});
}

TEST_F(PatientsTest, CreateAFailedAllocationLinksNothing) {
    struct Case {
        int successes;
        std::vector<int> linked;
    };
    for (const Case& c : {Case{0, {}}, Case{1, {40}}}) {
        SCOPED_TRACE(c.successes);
        FreeCollection(hp);
        hp = nullptr;
        DEPART_NODE* d = AddDept(1, "内科");
        ShortOfMemory short_of_memory(c.successes);
        fe.type("1\n");
        if (c.successes) fe.type("40\n赵六\n555\n1\n天津\ny\n");
        EXPECT_EQ(CreateA(), TRUE);
        EXPECT_EQ(KeysLeft(), 0u);
        EXPECT_EQ(Numbers(d), c.linked);
        EXPECT_EQ(Utf8(RowTrim(2)), Utf8(" 科室编号：1  科室名称：内科"));
        EXPECT_EQ(Utf8(RowTrim(3)), Utf8("动态分配内存失败！"));
    }
}

/* ---- ModA ---- */

class ModATest : public PatientsTest {
protected:
    void SetUp() override {
        PatientsTest::SetUp();
        d1 = AddDept(1, "内科");
        d2 = AddDept(2, "外科");
        AddPatient(d1, 3, "甲");
        p = AddPatient(d2, 5, "张三", 1, "12345", "北京");
        after = AddPatient(d2, 6, "乙");
        r1 = AddRecord(p, 100);
        r2 = AddRecord(p, 101);
        Scribble();
    }
    DEPART_NODE* d1 = nullptr;
    DEPART_NODE* d2 = nullptr;
    PATIENT_NODE* p = nullptr;
    PATIENT_NODE* after = nullptr;
    RECORD_NODE* r1 = nullptr;
    RECORD_NODE* r2 = nullptr;
};

TEST_F(ModATest, OverwritesTheTypedFieldsAndKeepsDepartmentPlaceAndRecords) {
    fe.type("5\n50\n李四\n67890\n2\n上海\n");
    AnyKey();
    EXPECT_EQ(ModA(), TRUE);
    EXPECT_EQ(KeysLeft(), 0u);
    EXPECT_TRUE(ScreenBlank());
    EXPECT_EQ(p->number1, 50);
    EXPECT_STREQ(p->name, "李四");
    EXPECT_STREQ(p->phone, "67890");
    EXPECT_EQ(p->sex, 2);
    EXPECT_STREQ(p->adr, "上海");
    EXPECT_EQ(p->number, 2);
    EXPECT_EQ(d2->anext, p);
    EXPECT_EQ(p->next, after);
    EXPECT_EQ(Numbers(d1), std::vector<int>{3});
    EXPECT_EQ(p->lnext, r1);
    EXPECT_EQ(r1->next, r2);
    EXPECT_EQ(r1->number1, 50);  // the records follow their owner's new number
    EXPECT_EQ(r2->number1, 50);
}

TEST_F(ModATest, FoundScreenShowsThePatientThenTheFormBelow) {
    fe.type("5\n50\n李四\n67890\n2\n上海\n");
    EXPECT_THROW(ModA(), con::InputClosed);  // at the closing key wait
    const std::vector<std::string> rows = {
        "", "", "", " 已找到该病人信息", "",
        "  科室编号     病人编号     病人姓名        电话           性别      住址",
        "    2             5            张三           12345         1             北京", "",
        "请输入修改的内容：", "", "", "", " 病人编号：50", " 病人姓名：李四", " 病人电话：67890",
        " 病人性别：2", " 病人住址：上海", "修改成功！任意键返回！", ""};
    for (int y = 0; y < static_cast<int>(rows.size()); ++y)
        EXPECT_EQ(Utf8(RowTrim(y)), Utf8(rows[y])) << "row " << y;
}

TEST_F(ModATest, NotFoundWaitsAndLeavesTheListStanding) {
    fe.type("9\n");
    AnyKey();
    EXPECT_EQ(ModA(), TRUE);
    EXPECT_EQ(KeysLeft(), 0u);
    const std::vector<std::string> rows = {
        "", "", "  科室编号     病人编号     病人姓名        电话           性别      住址",
        "    1             3            甲                           1",
        "    2             5            张三           12345         1             北京",
        "    2             6            乙                           1", "",
        " 请输入病人编号:9", "该病人不存在！", ""};
    for (int y = 0; y < static_cast<int>(rows.size()); ++y)
        EXPECT_EQ(Utf8(RowTrim(y)), Utf8(rows[y])) << "row " << y;
    EXPECT_EQ(p->number1, 5);
    // "%d" left the Enter for the next read.
    char c = 0;
    con_read_c(&c);
    EXPECT_EQ(c, '\n');
}

TEST_F(PatientsTest, ModAWithoutPatientsShowsTheHeaderAloneAndFindsNothing) {
    AddDept(1, "内科");
    AddDept(2, "外科");
    Scribble();
    fe.type("1\n");
    AnyKey();
    EXPECT_EQ(ModA(), TRUE);
    EXPECT_EQ(KeysLeft(), 0u);
    const std::vector<std::string> rows = {
        "", "", "  科室编号     病人编号     病人姓名        电话           性别      住址", "",
        " 请输入病人编号:1", "该病人不存在！", ""};
    for (int y = 0; y < static_cast<int>(rows.size()); ++y)
        EXPECT_EQ(Utf8(RowTrim(y)), Utf8(rows[y])) << "row " << y;
}

/* ---- InserA ---- */

class InserATest : public PatientsTest {
protected:
    void SetUp() override {
        PatientsTest::SetUp();
        d1 = AddDept(1, "内科");
        d2 = AddDept(2, "外科");
        first5 = AddPatient(d1, 5, "甲");
        second5 = AddPatient(d1, 5, "乙");
        AddPatient(d1, 6, "丙");
        AddPatient(d2, 3, "丁");
        last5 = AddPatient(d2, 5, "戊");
        Scribble();
    }
    DEPART_NODE* d1 = nullptr;
    DEPART_NODE* d2 = nullptr;
    PATIENT_NODE* first5 = nullptr;
    PATIENT_NODE* second5 = nullptr;
    PATIENT_NODE* last5 = nullptr;
};

TEST_F(InserATest, OffersTheFirstMatchOfEachDepartmentInListOrder) {
    fe.type("5\ny\n70\n新一\n111\n1\n北京\n");
    AnyKey();
    fe.type("y\n71\n新二\n222\n2\n上海\n");
    AnyKey();
    EXPECT_EQ(InserA(), TRUE);
    EXPECT_EQ(KeysLeft(), 0u);
    EXPECT_TRUE(ScreenBlank());

    EXPECT_EQ(Numbers(d1), (std::vector<int>{5, 70, 5, 6}));
    EXPECT_EQ(Numbers(d2), (std::vector<int>{3, 5, 71}));
    PATIENT_NODE* new1 = first5->next;
    EXPECT_EQ(new1->next, second5);
    EXPECT_EQ(new1->number, 1);
    EXPECT_STREQ(new1->name, "新一");
    EXPECT_EQ(new1->lnext, nullptr);
    PATIENT_NODE* new2 = last5->next;  // after the last: now the last
    EXPECT_EQ(new2->next, nullptr);
    EXPECT_EQ(new2->number, 2);
    EXPECT_STREQ(new2->phone, "222");
    EXPECT_EQ(new2->sex, 2);
    EXPECT_STREQ(new2->adr, "上海");
}

TEST_F(InserATest, ListQuestionAndFormScreens) {
    fe.type("5\n");
    EXPECT_THROW(InserA(), con::InputClosed);  // at the confirmation
    const std::vector<std::string> list = {
        "", "", "", "科室编号  病人编号  病人姓名         病人性别",
        "  1         5         甲             1", "  1         5         乙             1",
        "  1         6         丙             1", "  2         3         丁             1",
        "  2         5         戊             1", "请输入要插入的病人信息的前一病人的编号：5",
        "病人信息已找到，确认在其后插入？Y/N:", ""};
    for (int y = 0; y < static_cast<int>(list.size()); ++y)
        EXPECT_EQ(Utf8(RowTrim(y)), Utf8(list[y])) << "row " << y;
    EXPECT_EQ(Cursor().X, static_cast<SHORT>(list[10].size() + 2));

    fe.type("5\ny\n70\n新一\n111\n1\n北京\n");
    EXPECT_THROW(InserA(), con::InputClosed);  // at the key wait after the first insertion
    const std::vector<std::string> form = {
        "", "", "", "", "", "", "请输入插入病人信息内容：", "", "", "", " 病人编号：    70",
        " 病人姓名：    新一", " 电话：        111", " 性别：        1", " 住址：        北京",
        "", "", "", "", " 插入病人信息成功！", ""};
    for (int y = 0; y < static_cast<int>(form.size()); ++y)
        EXPECT_EQ(Utf8(RowTrim(y)), Utf8(form[y])) << "row " << y;
    EXPECT_EQ(first5->next->number1, 70);  // linked before the wait
}

TEST_F(InserATest, ConfirmationAnswers) {
    struct Case {
        const char* typed;  // the answer line, and the form if it goes on
        bool inserts;
        int number;  // of the patient inserted
    };
    // "%c%*c": Enter alone is an answer (yes) and costs the next line its
    // first character, here the "x".
    const Case cases[] = {{"n\n", false, 0},
                          {"N\n", false, 0},
                          {"\nx77\n名\n1\n1\n址\n", true, 77},
                          {"Y\n78\n名\n1\n1\n址\n", true, 78}};
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf8(c.typed));
        const std::vector<int> before = Numbers(d2);
        fe.type("3\n").type(c.typed);
        if (c.inserts) AnyKey();
        EXPECT_EQ(InserA(), TRUE);
        EXPECT_EQ(KeysLeft(), 0u);
        EXPECT_TRUE(ScreenBlank());
        std::vector<int> expected = before;
        if (c.inserts) expected.insert(expected.begin() + 1, c.number);
        EXPECT_EQ(Numbers(d2), expected);
        EXPECT_EQ(Numbers(d1), (std::vector<int>{5, 5, 6}));
        Scribble();
    }
}

TEST_F(InserATest, FailedAllocationLinksNothing) {
    ShortOfMemory short_of_memory(0);
    fe.type("6\ny\n");
    EXPECT_EQ(InserA(), TRUE);
    EXPECT_EQ(KeysLeft(), 0u);
    EXPECT_EQ(Numbers(d1), (std::vector<int>{5, 5, 6}));
    for (int y = 0; y < SCR_ROW; ++y)
        EXPECT_EQ(Utf8(RowTrim(y)), y == 12 ? Utf8("动态分配内存失败！") : "") << "row " << y;
}

/* ---- Numbers that match nobody ---- */

class MatchesNobody : public PatientsTest, public ::testing::WithParamInterface<BOOL (*)()> {};

TEST_P(MatchesNobody, EndsOnAClearedScreenWithoutAWait) {
    DEPART_NODE* d = AddDept(1, "内科");
    AddPatient(d, 5, "甲");
    Scribble();
    fe.type("42\n");
    EXPECT_EQ(GetParam()(), TRUE);
    EXPECT_EQ(KeysLeft(), 0u);
    EXPECT_TRUE(ScreenBlank());
    EXPECT_EQ(Numbers(d), std::vector<int>{5});
}

INSTANTIATE_TEST_SUITE_P(Patients, MatchesNobody, ::testing::Values(InserA, DeleA),
                         [](const auto& info) {
                             return std::string(info.param == InserA ? "InserA" : "DeleA");
                         });

/* ---- DeleA ---- */

TEST_F(PatientsTest, DeleAOffersEveryMatchAndFreesTheirRecords) {
    DEPART_NODE* d1 = AddDept(1, "内科");
    DEPART_NODE* d2 = AddDept(2, "外科");
    DEPART_NODE* d3 = AddDept(3, "儿科");
    PATIENT_NODE* a = AddPatient(d1, 5, "甲");
    AddRecord(a, 100);
    AddRecord(a, 101);
    AddRecord(AddPatient(d1, 6, "乙"), 200);
    AddRecord(AddPatient(d1, 5, "丙"), 102);
    AddRecord(AddPatient(d2, 5, "丁"), 103);
    AddPatient(d3, 7, "戊");
    Scribble();
    fe.type("5\n");
    for (int i = 0; i < 3; ++i) {
        fe.type("y\n");
        AnyKey();
    }
    EXPECT_EQ(DeleA(), TRUE);
    EXPECT_EQ(KeysLeft(), 0u);
    EXPECT_TRUE(ScreenBlank());
    EXPECT_EQ(Numbers(d1), std::vector<int>{6});
    EXPECT_EQ(d2->anext, nullptr);
    EXPECT_EQ(Numbers(d3), std::vector<int>{7});
    for (int number : {100, 101, 102, 103}) EXPECT_EQ(findL(number, hp), nullptr) << number;
    EXPECT_NE(findL(200, hp), nullptr);
}

TEST_F(PatientsTest, DeleAUnlinksFromTheFrontMiddleOrEnd) {
    struct Case {
        std::vector<int> patients;  // of the first department
        std::vector<int> left;
    };
    const Case cases[] = {{{5, 6}, {6}}, {{5}, {}}, {{6, 5}, {6}}, {{6, 5, 7}, {6, 7}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.patients));
        FreeCollection(hp);
        hp = nullptr;
        DEPART_NODE* d1 = AddDept(1, "内科");
        for (int n : c.patients) AddPatient(d1, n, "甲");
        DEPART_NODE* d2 = AddDept(2, "外科");
        AddPatient(d2, 9, "乙");
        fe.type("5\ny\n");
        AnyKey();
        EXPECT_EQ(DeleA(), TRUE);
        EXPECT_EQ(KeysLeft(), 0u);
        EXPECT_EQ(Numbers(d1), c.left);
        EXPECT_EQ(Numbers(d2), std::vector<int>{9});
    }
}

TEST_F(PatientsTest, DeleADeclineLeavesTheScreenAndTheRestStanding) {
    DEPART_NODE* d1 = AddDept(1, "内科");
    DEPART_NODE* d2 = AddDept(2, "外科");
    AddPatient(d1, 5, "甲");
    AddPatient(d2, 5, "乙", 2);
    Scribble();
    fe.type("5\ny\n");
    AnyKey();
    fe.type("n\n");
    EXPECT_EQ(DeleA(), TRUE);
    EXPECT_EQ(KeysLeft(), 0u);
    EXPECT_EQ(d1->anext, nullptr);
    EXPECT_EQ(Numbers(d2), std::vector<int>{5});
    const std::vector<std::string> rows = {
        "", "", "", "科室编号  病人编号  病人姓名         性别",
        "  1         5         甲             1", "  2         5         乙             2",
        "请输入要删除的病人编号：5", "病人信息已找到，确认删除？Y/N:  y",
        "成功删除一条病人信息！按任意键返回病人信息已找到，确认删除？Y/N:  n", ""};
    for (int y = 0; y < static_cast<int>(rows.size()); ++y)
        EXPECT_EQ(Utf8(RowTrim(y)), Utf8(rows[y])) << "row " << y;
}

TEST_F(PatientsTest, DeleAEnterAloneConfirms) {
    DEPART_NODE* d = AddDept(1, "内科");
    AddPatient(d, 5, "甲");
    AddPatient(d, 6, "乙");
    // The Enter is the answer; the "z" of the next line goes with it.
    fe.type("5\n\nz\n");
    AnyKey();
    EXPECT_EQ(DeleA(), TRUE);
    EXPECT_EQ(KeysLeft(), 0u);
    EXPECT_EQ(Numbers(d), std::vector<int>{6});
    char c = 0;
    con_read_c(&c);  // what the confirmation left for the next read
    EXPECT_EQ(c, '\n');
}

}  // namespace
