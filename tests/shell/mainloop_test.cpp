// The main loop's keyboard rules and the dispatch of menu items.
#include "shell/shell_test.h"

using namespace shelltest;

namespace {

struct KeyCase {
    const char* name;
    Script keys;
    int menu;   // selected main item afterwards
    bool open;  // its sub-menu open
    int sel;    // highlighted item, 0 none
};

void PrintTo(const KeyCase& c, std::ostream* os) { *os << c.name; }

class ShellKeys : public ShellTest, public ::testing::WithParamInterface<KeyCase> {};

using F = con::ScriptedFrontend;

const KeyCase kKeyCases[] = {
    // On the bar.
    {"LeftAtOneWrapsToSeven", [](F& f) { f.left(); }, 7, false, 0},
    {"RightAtSevenWrapsToOne", [](F& f) { f.left().right(); }, 1, false, 0},
    {"RightMovesOn", [](F& f) { f.right().right(); }, 3, false, 0},
    {"UpOnTheBarIsIgnored", [](F& f) { f.right().up(); }, 2, false, 0},
    {"DownOpensWithItemOne", [](F& f) { f.right().down(); }, 2, true, 1},
    {"EnterOpensWithItemOne", [](F& f) { f.left().enter(); }, 7, true, 1},
    {"EscOnTheBarIsIgnored", [](F& f) { f.esc(); }, 1, false, 0},
    {"ShiftRightIsRight", [](F& f) { f.key(VK_RIGHT, 0, SHIFT_PRESSED); }, 2, false, 0},
    {"CtrlLeftIsLeft", [](F& f) { f.key(VK_LEFT, 0, LEFT_CTRL_PRESSED); }, 7, false, 0},
    {"AltLeftIsIgnored", [](F& f) { f.key(VK_LEFT, 0, LEFT_ALT_PRESSED); }, 1, false, 0},
    {"AltDownIsIgnored", [](F& f) { f.key(VK_DOWN, 0, RIGHT_ALT_PRESSED); }, 1, false, 0},
    {"AltEnterIsIgnored", [](F& f) { f.key(VK_RETURN, '\r', LEFT_ALT_PRESSED); }, 1, false, 0},
    // Hot letters open with nothing highlighted.
    {"AltF", [](F& f) { f.right().alt('f'); }, 1, true, 0},
    {"LowerF", [](F& f) { f.right().type("f"); }, 1, true, 0},
    {"UpperF", [](F& f) { f.right().type("F"); }, 1, true, 0},
    {"AltA", [](F& f) { f.alt('a'); }, 2, true, 0},
    {"LowerM", [](F& f) { f.type("m"); }, 3, true, 0},
    {"AltI", [](F& f) { f.alt('i'); }, 4, true, 0},
    {"LowerD", [](F& f) { f.type("d"); }, 5, true, 0},
    {"AltQ", [](F& f) { f.alt('q'); }, 6, true, 0},
    {"LowerH", [](F& f) { f.type("h"); }, 7, true, 0},
    {"LowerS", [](F& f) { f.type("s"); }, 7, true, 0},
    {"AltS", [](F& f) { f.alt('s'); }, 7, true, 0},
    {"AltOtherLetterIsIgnored", [](F& f) { f.alt('z'); }, 1, false, 0},
    {"OtherLetterIsIgnored", [](F& f) { f.type("z1 "); }, 1, false, 0},
    {"DownAfterLetterHighlightsOne", [](F& f) { f.alt('f').down(); }, 1, true, 1},
    {"EnterWithNothingHighlightedCloses", [](F& f) { f.alt('f').enter(); }, 1, false, 0},
    {"EscCloses", [](F& f) { f.alt('a').down().esc(); }, 2, false, 0},
    {"AltOtherMenuSwitches", [](F& f) { f.alt('f').down().alt('a'); }, 2, true, 0},
    {"AltSameMenuKeepsIt", [](F& f) { f.alt('f').down().down().alt('f'); }, 1, true, 2},
    {"MainLetterInsideOpenMenuDoesNothing", [](F& f) { f.alt('f').type("a"); }, 1, true, 0},
    {"AltArrowsInsideOpenMenuDoNothing",
     [](F& f) { f.alt('f').key(VK_DOWN, 0, LEFT_ALT_PRESSED).key(VK_RIGHT, 0, LEFT_ALT_PRESSED); },
     1, true, 0},
    {"AltEscDoesNotClose", [](F& f) { f.alt('f').key(VK_ESCAPE, 0x1B, LEFT_ALT_PRESSED); }, 1, true, 0},
    {"ShiftDownInsideMenu", [](F& f) { f.alt('f').key(VK_DOWN, 0, SHIFT_PRESSED); }, 1, true, 1},
    // Left and Right with a sub-menu open open the neighbour with item 1.
    {"LeftFromOneOpensSeven", [](F& f) { f.alt('f').down().down(); f.left(); }, 7, true, 1},
    {"RightFromSevenOpensOne", [](F& f) { f.alt('h').right(); }, 1, true, 1},
    {"RightFromThreeOpensFour", [](F& f) { f.alt('m').up().right(); }, 4, true, 1},
    // Up and Down in menu 1 (five items), wrapping at both ends.
    {"Menu1UpFromNothing", [](F& f) { f.alt('f').up(); }, 1, true, 5},
    {"Menu1UpFromOne", [](F& f) { f.alt('f').down().up(); }, 1, true, 5},
    {"Menu1DownToFive", [](F& f) { f.alt('f'); for (int i = 0; i < 5; i++) f.down(); }, 1, true, 5},
    {"Menu1DownFromFive", [](F& f) { f.alt('f'); for (int i = 0; i < 6; i++) f.down(); }, 1, true, 1},
    // Menu 7: item 4 is the separator, stepped over both ways.
    {"Menu7DownThree", [](F& f) { f.alt('h').down().down().down(); }, 7, true, 3},
    {"Menu7DownFromThreeSkipsSeparator", [](F& f) { f.alt('h').down().down().down().down(); }, 7,
     true, 5},
    {"Menu7DownToSix", [](F& f) { f.alt('h'); for (int i = 0; i < 5; i++) f.down(); }, 7, true, 6},
    {"Menu7DownFromSixWraps", [](F& f) { f.alt('h'); for (int i = 0; i < 6; i++) f.down(); }, 7,
     true, 1},
    {"Menu7UpFromOneWrapsToSix", [](F& f) { f.alt('h').down().up(); }, 7, true, 6},
    {"Menu7UpToFive", [](F& f) { f.alt('h').up().up(); }, 7, true, 5},
    {"Menu7UpFromFiveSkipsSeparator", [](F& f) { f.alt('h').up().up().up(); }, 7, true, 3},
    {"Menu7UpToOne", [](F& f) { f.alt('h'); for (int i = 0; i < 5; i++) f.up(); }, 7, true, 1},
    // Records that change nothing.
    {"KeyUpIsIgnored", [](F& f) { f.record(KeyUp(VK_DOWN, 0)).record(KeyUp(VK_RIGHT, 0)); }, 1,
     false, 0},
    {"KeyUpInsideMenuIsIgnored", [](F& f) { f.alt('f').record(KeyUp(VK_ESCAPE, 0x1B)); }, 1, true,
     0},
    {"CtrlWithoutMatchIsIgnored", [](F& f) { f.ctrl('f').ctrl('a'); }, 1, false, 0},
    {"CtrlInsideMenuIsIgnored", [](F& f) { f.alt('f').ctrl('l').ctrl('x'); }, 1, true, 0},
    {"FocusMenuAndSizeRecordsAreIgnored",
     [](F& f) {
         f.alt('a').record(OtherRecord(FOCUS_EVENT)).record(OtherRecord(MENU_EVENT));
         f.record(OtherRecord(WINDOW_BUFFER_SIZE_EVENT));
     },
     2, true, 0},
    {"ByteOfAnInputMethodIsIgnored", [](F& f) { f.alt('h').type("输"); }, 7, true, 0},
};

TEST_P(ShellKeys, LeaveTheLoopInTheExpectedState) {
    const KeyCase& c = GetParam();
    StartSys();
    c.keys(fe);
    RunOut();
    ExpectMenuState(c.menu, c.open, c.sel);
}

INSTANTIATE_TEST_SUITE_P(Cases, ShellKeys, ::testing::ValuesIn(kKeyCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Hot letters inside an open sub-menu: an item's letter closes the menu and
// runs its command; any other letter leaves the menu as it is.
enum class Outcome { ExitDialog, Dispatched, StaysOpen };

struct LetterCase {
    const char* name;
    char open_with;  // Alt + this letter opens the menu
    Script keys;
    Outcome outcome;
};

void PrintTo(const LetterCase& c, std::ostream* os) { *os << c.name; }

class ShellHotLetters : public ShellTest, public ::testing::WithParamInterface<LetterCase> {};

const LetterCase kLetterCases[] = {
    {"XInMenu1Exits", 'f', [](F& f) { f.type("x"); }, Outcome::ExitDialog},
    {"UpperXInMenu1Exits", 'f', [](F& f) { f.type("X"); }, Outcome::ExitDialog},
    {"XInMenu2", 'a', [](F& f) { f.type("x"); }, Outcome::StaysOpen},
    {"XInMenu3", 'm', [](F& f) { f.type("x"); }, Outcome::StaysOpen},
    {"XInMenu4", 'i', [](F& f) { f.type("x"); }, Outcome::StaysOpen},
    {"XInMenu5", 'd', [](F& f) { f.type("x"); }, Outcome::StaysOpen},
    {"XInMenu6", 'q', [](F& f) { f.type("x"); }, Outcome::StaysOpen},
    {"XInMenu7", 'h', [](F& f) { f.type("x"); }, Outcome::StaysOpen},
    {"AltLInMenu1", 'f', [](F& f) { f.alt('l'); }, Outcome::StaysOpen},
    {"LInMenu1", 'f', [](F& f) { f.type("l"); }, Outcome::Dispatched},
    {"UpperLInMenu1", 'f', [](F& f) { f.type("L"); }, Outcome::Dispatched},
    {"LInMenu7", 'h', [](F& f) { f.type("l"); }, Outcome::StaysOpen},
    {"SInMenu1", 'f', [](F& f) { f.type("s"); }, Outcome::Dispatched},
    {"SInMenu2", 'a', [](F& f) { f.type("s"); }, Outcome::StaysOpen},
    {"BInMenu1", 'f', [](F& f) { f.type("b"); }, Outcome::Dispatched},
    {"RInMenu1", 'f', [](F& f) { f.type("r"); }, Outcome::Dispatched},
    {"AInMenu7", 'h', [](F& f) { f.type("a"); }, Outcome::Dispatched},
    {"AInMenu1", 'f', [](F& f) { f.type("a"); }, Outcome::StaysOpen},
    {"TInMenu7", 'h', [](F& f) { f.type("t"); }, Outcome::Dispatched},
    {"TInMenu2", 'a', [](F& f) { f.type("t"); }, Outcome::StaysOpen},
    {"MInMenu2", 'a', [](F& f) { f.type("m"); }, Outcome::Dispatched},
    {"ZInMenu3", 'm', [](F& f) { f.type("z"); }, Outcome::Dispatched},
    {"OInMenu6", 'q', [](F& f) { f.type("o"); }, Outcome::Dispatched},
    {"MInMenu1", 'f', [](F& f) { f.type("m"); }, Outcome::StaysOpen},
    {"ZInMenu7", 'h', [](F& f) { f.type("z"); }, Outcome::StaysOpen},
    {"EnterOnItem5OfMenu1Exits", 'f', [](F& f) { f.up().enter(); }, Outcome::ExitDialog},
    {"EnterOnItem1OfMenu1", 'f', [](F& f) { f.down().enter(); }, Outcome::Dispatched},
    {"F1ClosesAndRunsHelp", 'f', [](F& f) { f.down().f1(); }, Outcome::Dispatched},
    {"AltF1ClosesAndRunsHelp", 'h', [](F& f) { f.key(VK_F1, 0, LEFT_ALT_PRESSED); },
     Outcome::Dispatched},
};

TEST_P(ShellHotLetters, DispatchOnlyOnAnItemOfTheOpenMenu) {
    const LetterCase& c = GetParam();
    StartSys();
    fe.alt(c.open_with);
    c.keys(fe);
    RunOut();
    switch (c.outcome) {
        case Outcome::ExitDialog:
            ExpectExitDialog();
            break;
        case Outcome::Dispatched:
            // The sub-menu was closed before the command ran.
            ASSERT_NE(gp_top_layer, nullptr);
            EXPECT_EQ(gp_top_layer->LayerNo, 0);
            EXPECT_EQ(gi_sel_sub_menu, 0);
            break;
        case Outcome::StaysOpen:
            ASSERT_NE(gp_top_layer, nullptr);
            ASSERT_EQ(gp_top_layer->LayerNo, 1);
            EXPECT_TRUE(SameRect(gp_top_layer->rcArea, kMenuRect[gi_sel_menu - 1]));
            EXPECT_EQ(Tag(kMenuRect[gi_sel_menu - 1].Left + 2, 2), 1);
            break;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ShellHotLetters, ::testing::ValuesIn(kLetterCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

TEST_F(ShellTest, EnterWithNothingHighlightedRunsNothing) {
    StartSys();
    Shot start = TakeShot();
    fe.alt('f').enter();
    RunOut();
    ExpectMenuState(1, false, 0);
    EXPECT_EQ(ShotDiff(TakeShot(), start), "");
}

TEST_F(ShellTest, LeftAndRightWithMenuOpenRestoreTheScreenBetweenMenus) {
    StartSys();
    fe.alt('f').right().right().left().left().esc();
    Shot start = TakeShot();
    RunOut();
    ExpectMenuState(1, false, 0);
    EXPECT_EQ(ShotDiff(TakeShot(), start), "");
}

TEST_F(ShellTest, ExeFunctionOfTheEmptyEntryRunsNothing) {
    StartSys();
    Shot start = TakeShot();
    EXPECT_TRUE(ExeFunction(7, 4));
    EXPECT_EQ(ShotDiff(TakeShot(), start), "");
    EXPECT_EQ(fe.pending(), 0u);
}

TEST_F(ShellTest, ExeFunctionOutsideTheTableRunsNothing) {
    StartSys();
    Shot start = TakeShot();
    const int pairs[][2] = {{0, 1}, {8, 1}, {1, 0}, {1, 6}, {7, 7}, {-3, 2}};
    for (const auto& p : pairs) EXPECT_TRUE(ExeFunction(p[0], p[1])) << p[0] << "," << p[1];
    EXPECT_EQ(ShotDiff(TakeShot(), start), "");
}

TEST_F(ShellTest, ExeFunctionOfItem5OfMenu1IsTheExitCommand) {
    StartSys();
    fe.enter();
    EXPECT_FALSE(ExeFunction(1, 5));
    fe.esc();
    EXPECT_TRUE(ExeFunction(1, 5));
    EXPECT_EQ(gp_top_layer->LayerNo, 0);
}

TEST_F(ShellTest, CommandScreenStaysUntilTheNextMenuAction) {
    StartSys();
    Shot start = TakeShot();
    // Esc cancels the exit command: its cleared screen stays, the bar included,
    // until a key brings the bar back; the state bar stays cleared.
    fe.alt('x').esc();
    RunOut();
    EXPECT_EQ(Row(0), std::string(SCR_COL, ' '));
    EXPECT_EQ(Attr(5, 0), 0x1E);

    fe.right();
    RunOut();
    ExpectMenuState(2, false, 0);
    Shot after = TakeShot();
    for (int x = 0; x < SCR_COL; x++) EXPECT_EQ(after.cells[x].ch, start.cells[x].ch) << "column " << x;
    EXPECT_EQ(Attr(0, SCR_ROW - 1), 0x1E);
    EXPECT_EQ(after.map, start.map);
}

// What a command leaves unread in the line input never answers the next
// command, whether keys or the mouse start it; what is typed before the next
// command has started still reaches it.
TEST_F(ShellTest, ACommandStartsWithoutWhatTheLastOneLeftUnread) {
    for (bool by_mouse : {false, true}) {
        SCOPED_TRACE(by_mouse ? "started by the mouse" : "started by keys");
        TearDown();
        SetUp();
        AddDept(1, "内科");
        StartSys();
        fe.alt('q').type("z").type("abc\n").type("k");  // no patient "abc"; a key returns
        if (by_mouse)
            fe.click(70, 0).click(70, 2);
        else
            fe.alt('q').type("m");
        fe.type("1\n");
        RunOut();
        EXPECT_EQ(Utf8(RowTrim(2)), Utf8("  请输入您所要查询的科室编号:  1"));
        EXPECT_EQ(RowTrim(3), "") << "findM's line: the department was not found";
        EXPECT_EQ(Utf8(RowTrim(6)), Utf8(" 1            内科"));
    }
}

// Inside one command the reads keep their C behaviour: a name of two words
// flows into the next field.
TEST_F(ShellTest, InsideACommandTheRestOfALineFlowsOn) {
    StartSys();
    fe.alt('a').type("m").type("5\none two\n555\nn\n");
    RunOut();
    ASSERT_NE(hp, nullptr);
    EXPECT_EQ(hp->number, 5);
    EXPECT_STREQ(hp->name, "one");
    EXPECT_STREQ(hp->adr, "two");
    EXPECT_STREQ(hp->phone, "555");
}
