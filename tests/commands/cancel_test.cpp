// Esc on an empty answer ends the command through the menus' dispatch: what
// was being typed is not added, a modify puts the entry back, entries
// completed earlier stay, and the word "输入已取消！按任意键返回" stands where
// the answer was awaited until a key is pressed.
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "commands/forms.h"
#include "commands/records_fixture.h"

namespace {

const std::string kCancelled = "输入已取消！按任意键返回";

class CancelTest : public RecordsTest {};

std::vector<int> DepartNumbers() {
    std::vector<int> out;
    for (const DEPART_NODE* d = hp; d; d = d->next) out.push_back(d->number);
    return out;
}

TEST_F(CancelTest, EscOnAnEmptyAnswerEndsTheCommandAndUndoesOnlyTheEntryBeingTyped) {
    struct Case {
        const char* name;
        int menu, item;
        std::string typed;   // ends with the Esc
        int row;             // where the answer was awaited
        std::string shown;   // that row, the word after the question
        std::function<void()> check;
    };
    const Case cases[] = {
        {"add department after a completed one", 2, 1, "3\n眼科\n四楼\n444\ny\n5\n\x1b", 4,
         " 科室名称：" + kCancelled,
         [] { EXPECT_EQ(DepartNumbers(), (std::vector<int>{3, 1, 2})); }},
        {"add visit record after a completed one", 2, 3, "1\nn\n11\n" + Form(9) + "y\n10\n\x1b", 4,
         " 主治医生：    " + kCancelled,
         [this] { EXPECT_EQ(Numbers(zhang), (std::vector<int>{9, 5, 6, 7})); }},
        {"modify department", 3, 1, "1\n7\n新名\n新址\n\x1b", 13, " 科室电话：" + kCancelled,
         [this] {
             EXPECT_EQ(neike->number, 1);
             EXPECT_EQ(U(neike->name), U("内科"));
             EXPECT_STREQ(neike->adr, "");
         }},
        {"insert department", 4, 1, "1\ny\n8\n\x1b", 11, " 科室名称：    " + kCancelled,
         [] { EXPECT_EQ(DepartNumbers(), (std::vector<int>{1, 2})); }},
        {"delete department, at the yes/no question", 5, 1, "1\n\x1b", -1, "Y/N:" + kCancelled,
         [] { EXPECT_EQ(DepartNumbers(), (std::vector<int>{1, 2})); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FreeCollection(hp);
        hp = nullptr;
        Build();
        fe.clear();
        fe.type(c.typed);
        // The script ends at the key wait after the word: what stands then is
        // what the user sees before pressing a key.
        EXPECT_THROW(ExeFunction(c.menu, c.item), con::InputClosed);
        EXPECT_EQ(fe.last_wait(), con::Wait::Key);
        if (c.row >= 0) {
            EXPECT_EQ(Line(c.row), U(c.shown));
        } else {
            EXPECT_NE(Line(Cursor().Y).find(U(c.shown)), std::string::npos) << Line(Cursor().Y);
        }
        c.check();
    }
}

TEST_F(CancelTest, AKeyAfterTheWordReturnsToTheMenuOnACleanScreen) {
    StartSys();
    fe.type("\x1b").type("k");
    EXPECT_EQ(ExeFunction(2, 1), TRUE);
    EXPECT_EQ(hp, nullptr);
    for (int y = 0; y < SCR_ROW; ++y) ASSERT_EQ(RowTrim(y), "") << "row " << y;
    EXPECT_EQ(KeysLeft(), 0u);
    EXPECT_FALSE(con::InputCancelled::in_flight());
}

// No command renumbers before its last answer, but a put-back entry takes
// back its children's numbers all the same.
TEST_F(CancelTest, AnEntryPutBackGivesItsChildrenTheirNumbersBack) {
    Build();
    try {
        PutBackOnCancel<DEPART_NODE> put_back(neike);
        neike->number = 9;
        RenumberChildren(neike);
        throw con::InputCancelled{};
    } catch (const con::InputCancelled&) {
    }
    EXPECT_EQ(neike->number, 1);
    EXPECT_EQ(zhang->number, 1);
    EXPECT_EQ(wang->number, 1);
}

}  // namespace
