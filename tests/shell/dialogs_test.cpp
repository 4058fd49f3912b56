// The exit dialog, the closing dialog and the way out of the program.
#include "shell/shell_test.h"

using namespace shelltest;

namespace {

using F = con::ScriptedFrontend;

struct DialogLook {
    const char* name;
    BOOL (*dialog)();
    SMALL_RECT rc;
    const char* message;
    bool clears;
};

void PrintTo(const DialogLook& c, std::ostream* os) { *os << c.name; }

const DialogLook kDialogs[] = {
    {"ExitSys", ExitSys, kExitRect, "确认退出系统吗？", true},
    {"CloseSys", CloseSys, kCloseRect, "一个窗口样例！退出吗？", false},
};

class ShellDialogLook : public ShellTest, public ::testing::WithParamInterface<DialogLook> {};

TEST_P(ShellDialogLook, LayoutTextsAndSelection) {
    const DialogLook& d = GetParam();
    const SMALL_RECT& rc = d.rc;
    const int width = rc.Right - rc.Left + 1;
    StartSys();
    Shot start = TakeShot();
    if (d.clears) ClearScreen();
    Shot beneath = TakeShot();

    EXPECT_THROW(d.dialog(), con::InputClosed);  // stopped waiting for the answer

    ASSERT_EQ(gp_top_layer->LayerNo, 1);
    EXPECT_TRUE(SameRect(gp_top_layer->rcArea, rc)) << RectText(gp_top_layer->rcArea);
    EXPECT_TRUE(SameRect(con::state().focus, rc));

    const std::string blank(width, ' ');
    const std::string message = d.message;
    const std::string answers = "确定    取消";
    const std::string rows[7] = {
        blank,
        blank,
        "   " + message + "   ",
        blank,
        " " + std::string(width - 2, '-') + " ",
        "     " + answers + std::string(width - 5 - answers.size(), ' '),
        blank,
    };
    for (int i = 0; i < 7; i++) EXPECT_EQ(Utf8(Row(rc.Top + i, rc.Left, rc.Right)), Utf8(rows[i])) << i;

    for (int y = rc.Top; y <= rc.Bottom; y++) {
        for (int x = rc.Left; x <= rc.Right; x++) {
            bool yes = y == rc.Top + 5 && x >= rc.Left + 5 && x <= rc.Left + 8;
            bool no = y == rc.Top + 5 && x >= rc.Left + 13 && x <= rc.Left + 16;
            EXPECT_EQ(Attr(x, y), yes ? 0x07 : 0x70) << x << "," << y;
            EXPECT_EQ(Layer(x, y), 1);
            EXPECT_EQ(Tag(x, y), yes ? 1 : no ? 2 : 0) << x << "," << y;
            EXPECT_EQ(Sort(x, y), 0);
        }
    }

    Shot open = TakeShot();
    for (int y = 0; y < SCR_ROW; y++) {
        for (int x = 0; x < SCR_COL; x++) {
            if (x >= rc.Left && x <= rc.Right && y >= rc.Top && y <= rc.Bottom) continue;
            int i = y * SCR_COL + x;
            ASSERT_EQ(open.cells[i], beneath.cells[i]) << x << "," << y;
            ASSERT_EQ(open.map[i], start.map[i]) << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Dialogs, ShellDialogLook, ::testing::ValuesIn(kDialogs),
                         [](const auto& info) { return std::string(info.param.name); });

// Answers: `left` is the dialog's left column, for the clicks.
struct AnswerCase {
    const char* name;
    std::function<void(F&, int left)> answer;
    BOOL result;
};

void PrintTo(const AnswerCase& c, std::ostream* os) { *os << c.name; }

const AnswerCase kAnswers[] = {
    {"Enter", [](F& f, int) { f.enter(); }, FALSE},
    {"Space", [](F& f, int) { f.key(VK_SPACE, ' '); }, FALSE},
    {"RightEnter", [](F& f, int) { f.right().enter(); }, TRUE},
    {"RightSpace", [](F& f, int) { f.right().key(VK_SPACE, ' '); }, TRUE},
    {"RightLeftEnter", [](F& f, int) { f.right().left().enter(); }, FALSE},
    {"RightRightEnter", [](F& f, int) { f.right().right().enter(); }, TRUE},
    {"DownUpEnter", [](F& f, int) { f.down().up().enter(); }, FALSE},
    {"Esc", [](F& f, int) { f.esc(); }, TRUE},
    {"RightEsc", [](F& f, int) { f.right().esc(); }, TRUE},
    {"ClickYes", [](F& f, int left) { f.click(left + 5, 51); }, FALSE},
    {"ClickYesLastCell", [](F& f, int left) { f.click(left + 8, 51); }, FALSE},
    {"ClickNo", [](F& f, int left) { f.click(left + 13, 51); }, TRUE},
    {"RightThenClickYes", [](F& f, int left) { f.right().click(left + 6, 51); }, FALSE},
    {"ClickBetweenThenEnter", [](F& f, int left) { f.click(left + 10, 51).click(left + 3, 48).enter(); },
     FALSE},
    {"ClickOnBarThenEsc", [](F& f, int) { f.click(5, 0).esc(); }, TRUE},
    {"RightClickOnYesThenEsc", [](F& f, int left) { f.right_click(left + 5, 51).esc(); }, TRUE},
};

class ShellDialogAnswer : public ShellTest,
                          public ::testing::WithParamInterface<std::tuple<DialogLook, AnswerCase>> {};

TEST_P(ShellDialogAnswer, ResultAndScreenAfterwards) {
    const auto& [d, a] = GetParam();
    StartSys();
    if (d.clears) ClearScreen();
    Shot beneath = TakeShot();
    a.answer(fe, d.rc.Left);

    EXPECT_EQ(d.dialog(), a.result);

    EXPECT_EQ(gp_top_layer->LayerNo, 0);
    EXPECT_EQ(ShotDiff(TakeShot(), beneath), "");
    EXPECT_FALSE(con::state().has_focus);
}

INSTANTIATE_TEST_SUITE_P(Answers, ShellDialogAnswer,
                         ::testing::Combine(::testing::ValuesIn(kDialogs), ::testing::ValuesIn(kAnswers)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    std::get<1>(info.param).name;
                         });

// The exit command from the main loop: a confirmed exit ends the loop, a
// cancelled one leaves the cleared screen and goes on.
struct LoopExitCase {
    const char* name;
    Script keys;
    bool ends;
};

void PrintTo(const LoopExitCase& c, std::ostream* os) { *os << c.name; }

class ShellLoopExit : public ShellTest, public ::testing::WithParamInterface<LoopExitCase> {};

const LoopExitCase kLoopExits[] = {
    {"AltXEnter", [](F& f) { f.alt('x').enter(); }, true},
    {"AltUpperXEnter", [](F& f) { f.key('X', 'X', LEFT_ALT_PRESSED | SHIFT_PRESSED).enter(); }, true},
    {"RightAltXEnter", [](F& f) { f.key('X', 'x', RIGHT_ALT_PRESSED).enter(); }, true},
    {"AltXWithMenuOpen", [](F& f) { f.alt('f').down().down().alt('x').enter(); }, true},
    {"AltXWithMenu7Open", [](F& f) { f.alt('h').alt('x').enter(); }, true},
    {"MenuItemX", [](F& f) { f.alt('f').type("x").enter(); }, true},
    {"ClickYes", [](F& f) { f.alt('x').click(69, 51); }, true},
    {"ClickItemThenClickYes", [](F& f) { f.click(5, 0).click(10, 6).click(72, 51); }, true},
    {"RightEnterCancels", [](F& f) { f.alt('x').right().enter(); }, false},
    {"EscCancels", [](F& f) { f.alt('x').esc(); }, false},
    {"ClickNoCancels", [](F& f) { f.alt('x').click(80, 51); }, false},
    {"CancelledWithMenuOpen", [](F& f) { f.alt('a').alt('x').esc(); }, false},
};

TEST_P(ShellLoopExit, EndsOnlyWhenConfirmed) {
    const LoopExitCase& c = GetParam();
    StartSys();
    c.keys(fe);
    if (c.ends) {
        RunSys();
        EXPECT_EQ(fe.pending(), 1u);  // only the last key-up or release is left
    } else {
        RunOut();
    }
    EXPECT_EQ(gp_top_layer->LayerNo, 0);
    EXPECT_EQ(gp_top_layer->next, nullptr);
    EXPECT_EQ(gi_sel_sub_menu, 0);
    // The exit command cleared the whole screen, bar and state bar included.
    for (int y = 0; y < SCR_ROW; y++) {
        ASSERT_EQ(Row(y), std::string(SCR_COL, ' ')) << "row " << y;
        for (int x = 0; x < SCR_COL; x++) ASSERT_EQ(Attr(x, y), 0x1E) << x << "," << y;
    }
    // The bar keeps answering the mouse.
    EXPECT_EQ(Tag(5, 0), 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, ShellLoopExit, ::testing::ValuesIn(kLoopExits),
                         [](const auto& info) { return std::string(info.param.name); });

// The whole program: after a confirmed exit the closing dialog appears, and
// whatever the answer, the program ends with 0.
struct ProgramCase {
    const char* name;
    Script closing_answer;
};

void PrintTo(const ProgramCase& c, std::ostream* os) { *os << c.name; }

class ShellProgram : public ShellTest, public ::testing::WithParamInterface<ProgramCase> {};

const ProgramCase kProgramCases[] = {
    {"Enter", [](F& f) { f.enter(); }},
    {"Esc", [](F& f) { f.esc(); }},
    {"RightEnter", [](F& f) { f.right().enter(); }},
    {"ClickYes", [](F& f) { f.click(66, 51); }},
    {"ClickNo", [](F& f) { f.click(75, 51); }},
};

TEST_P(ShellProgram, AnyAnswerToTheClosingDialogEndsWithZero) {
    fe.alt('x').enter();
    GetParam().closing_answer(fe);
    EXPECT_EQ(QuorvelMain(), 0);
    EXPECT_EQ(con::state().title, "Quorvel");
    EXPECT_EQ(gp_top_layer->LayerNo, 0);
    EXPECT_LE(fe.pending(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Answers, ShellProgram, ::testing::ValuesIn(kProgramCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

TEST_F(ShellTest, ClosingDialogFollowsAConfirmedExit) {
    fe.alt('x').enter();
    EXPECT_THROW(QuorvelMain(), con::InputClosed);  // stopped at the closing dialog

    ASSERT_EQ(gp_top_layer->LayerNo, 1);
    EXPECT_TRUE(SameRect(gp_top_layer->rcArea, kCloseRect)) << RectText(gp_top_layer->rcArea);
    EXPECT_EQ(Utf8(Row(48, 64, 85)), Utf8("一个窗口样例！退出吗？"));
    EXPECT_EQ(Utf8(Row(51, 66, 77)), Utf8("确定    取消"));
    EXPECT_EQ(Attr(66, 51), 0x07);
    // Around it, the screen the exit command cleared.
    EXPECT_EQ(Row(0), std::string(SCR_COL, ' '));
    EXPECT_EQ(Attr(0, 0), 0x1E);
    EXPECT_EQ(Row(47, 0, 60), std::string(61, ' '));
    EXPECT_EQ(Attr(60, 48), 0x1E);
    EXPECT_EQ(con::state().screen.cols(), SCR_COL);
    EXPECT_EQ(con::state().screen.rows(), SCR_ROW);
}

TEST_F(ShellTest, CancelledExitKeepsTheLoopGoing) {
    StartSys();
    fe.alt('x').right().enter();  // cancelled
    fe.alt('f').type("x");        // asked again
    RunOut();
    ExpectExitDialog();
    EXPECT_EQ(Attr(69, 51), 0x07);  // a new dialog starts on "确定"
}
