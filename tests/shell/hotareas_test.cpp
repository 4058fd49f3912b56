// Hot areas of a pop-up: showing the selection and the dialog input loop.
#include "shell/shell_test.h"

using namespace shelltest;

namespace {

using F = con::ScriptedFrontend;

// A pop-up at (20,10)-(60,20) in 0x3F with five hot areas:
//   1: row 12, 22-25, sort 0     2: row 12, 30-33, sort 0
//   3: row 14, 22-25, sort 0
//   4: row 16, 22-27, sort 1     5: row 16, 30-33, sort 2
class ShellHotAreas : public ShellTest {
protected:
    void Open() {
        StartSys();
        PopUp(&rc_, 0x3F, &labels_, &hot_);
        ASSERT_EQ(gp_top_layer->LayerNo, 1);
    }

    SMALL_RECT rc_{20, 10, 60, 20};
    const char* texts_[1] = {"choose"};
    COORD locs_[1] = {{22, 11}};
    LABEL_BUNDLE labels_{texts_, locs_, 1};
    SMALL_RECT areas_[5] = {{22, 12, 25, 12}, {30, 12, 33, 12}, {22, 14, 25, 14},
                            {22, 16, 27, 16}, {30, 16, 33, 16}};
    char sorts_[5] = {0, 0, 0, 1, 2};
    char tags_[5] = {1, 2, 3, 4, 5};
    HOT_AREA hot_{areas_, sorts_, tags_, 5};
};

void ExpectAreaAttr(const SMALL_RECT& a, WORD att) {
    for (int x = a.Left; x <= a.Right; x++) EXPECT_EQ(con::attr_at(x, a.Top), att) << x << "," << a.Top;
}

}  // namespace

TEST_F(ShellHotAreas, SetHotPointHighlightsASortZeroArea) {
    Open();
    for (int hot : {2, 1, 3}) {
        SetHotPoint(&hot_, hot);
        for (int i = 1; i <= 3; i++) ExpectAreaAttr(areas_[i - 1], i == hot ? 0x07 : 0x70);
        ExpectAreaAttr(areas_[3], 0x3F);
        ExpectAreaAttr(areas_[4], 0x3F);
    }
    EXPECT_FALSE(con::state().cursor_info.bVisible);
}

TEST_F(ShellHotAreas, SetHotPointPutsTheCursorOnASortOneArea) {
    Open();
    CONSOLE_CURSOR_INFO info{40, FALSE};
    SetConsoleCursorInfo(gh_std_out, &info);
    SetHotPoint(&hot_, 2);
    SetHotPoint(&hot_, 4);
    for (int i = 1; i <= 3; i++) ExpectAreaAttr(areas_[i - 1], 0x70);
    EXPECT_TRUE(con::state().cursor_info.bVisible);
    EXPECT_EQ(con::state().cursor_info.dwSize, 40u);
    EXPECT_EQ(Cursor().X, 22);
    EXPECT_EQ(Cursor().Y, 16);
}

TEST_F(ShellHotAreas, SetHotPointOnOtherSortsOnlyClearsTheHighlight) {
    Open();
    SetHotPoint(&hot_, 1);
    COORD cursor = Cursor();
    SetHotPoint(&hot_, 5);
    for (int i = 1; i <= 3; i++) ExpectAreaAttr(areas_[i - 1], 0x70);
    ExpectAreaAttr(areas_[4], 0x3F);
    EXPECT_FALSE(con::state().cursor_info.bVisible);
    EXPECT_EQ(Cursor().X, cursor.X);
    EXPECT_EQ(Cursor().Y, cursor.Y);
}

namespace {

struct MoveCase {
    int from;
    WORD key;
    int to;
};

void PrintTo(const MoveCase& c, std::ostream* os) { *os << c.from << " key " << c.key << " -> " << c.to; }

class ShellHotAreaMoves : public ShellHotAreas, public ::testing::WithParamInterface<MoveCase> {};

// Left/Right stay on the row, Up/Down go to another row, nothing wraps.
const MoveCase kMoves[] = {
    {1, VK_RIGHT, 2}, {2, VK_RIGHT, 2}, {1, VK_LEFT, 1},  {2, VK_LEFT, 1},  {3, VK_LEFT, 3},
    {3, VK_RIGHT, 3}, {4, VK_RIGHT, 5}, {5, VK_LEFT, 4},  {5, VK_RIGHT, 5}, {1, VK_DOWN, 3},
    {2, VK_DOWN, 3},  {3, VK_DOWN, 4},  {4, VK_DOWN, 4},  {5, VK_DOWN, 5},  {3, VK_UP, 2},
    {2, VK_UP, 2},    {1, VK_UP, 1},    {4, VK_UP, 3},    {5, VK_UP, 3},
};

TEST_P(ShellHotAreaMoves, MoveTheSelection) {
    const MoveCase& c = GetParam();
    Open();
    int hot = c.from;
    fe.key(c.key).enter();
    EXPECT_EQ(DealConInput(&hot_, &hot), 13);
    EXPECT_EQ(hot, c.to);
    EXPECT_EQ(fe.pending(), 1u);  // the Enter's key-up is left for the next reader
}

INSTANTIATE_TEST_SUITE_P(Moves, ShellHotAreaMoves, ::testing::ValuesIn(kMoves));

struct InputCase {
    const char* name;
    int start;
    Script input;
    int result;
    int hot;
};

void PrintTo(const InputCase& c, std::ostream* os) { *os << c.name; }

class ShellDealConInput : public ShellHotAreas, public ::testing::WithParamInterface<InputCase> {};

constexpr DWORD kLeft = FROM_LEFT_1ST_BUTTON_PRESSED;

const InputCase kInputs[] = {
    {"EnterChooses", 3, [](F& f) { f.enter(); }, 13, 3},
    {"SpaceChooses", 3, [](F& f) { f.key(VK_SPACE, ' '); }, 13, 3},
    {"EscCancels", 3, [](F& f) { f.esc(); }, 27, 3},
    {"EscKeepsTheLastSelection", 1, [](F& f) { f.right().esc(); }, 27, 2},
    {"LettersTabAndF1AreIgnored", 3, [](F& f) { f.type("qY\t").f1().enter(); }, 13, 3},
    {"KeyUpsAreIgnored", 3,
     [](F& f) { f.record(KeyUp(VK_ESCAPE, 0x1B)).record(KeyUp(VK_DOWN, 0)).enter(); }, 13, 3},
    {"OtherRecordsAreIgnored", 3,
     [](F& f) { f.record(OtherRecord(FOCUS_EVENT)).record(OtherRecord(MENU_EVENT)).esc(); }, 27, 3},
    {"ClickOnSortZeroChoosesAtOnce", 3, [](F& f) { f.click(31, 12); }, 13, 2},
    {"ClickOnLastCellOfArea", 3, [](F& f) { f.click(25, 12); }, 13, 1},
    {"DragOntoSortZeroChooses", 3, [](F& f) { f.mouse(33, 12, kLeft, MOUSE_MOVED); }, 13, 2},
    {"ClickOnSortOneSelectsOnly", 3, [](F& f) { f.click(27, 16).esc(); }, 27, 4},
    {"ClickOnSortTwoSelectsOnly", 3, [](F& f) { f.click(30, 16).enter(); }, 13, 5},
    {"ClickOnLowerLayerIsIgnored", 3, [](F& f) { f.click(5, 0).click(16, 0).esc(); }, 27, 3},
    {"ClickOutsideHotAreasIsIgnored", 3, [](F& f) { f.click(40, 18).click(20, 12).click(26, 12).esc(); },
     27, 3},
    {"RightClickIsIgnored", 3, [](F& f) { f.right_click(31, 12).esc(); }, 27, 3},
    {"BothButtonsAreIgnored", 3,
     [](F& f) { f.mouse(31, 12, kLeft | RIGHTMOST_BUTTON_PRESSED).esc(); }, 27, 3},
    {"MiddleButtonIsIgnored", 3, [](F& f) { f.mouse(31, 12, FROM_LEFT_2ND_BUTTON_PRESSED).esc(); }, 27,
     3},
    {"PointerMovesAreIgnored", 3, [](F& f) { f.move(31, 12).move(23, 16).esc(); }, 27, 3},
    {"WheelIsIgnored", 3, [](F& f) { f.mouse(31, 12, (120u << 16) | kLeft, MOUSE_WHEELED).esc(); },
     27, 3},
    {"ClicksOutsideTheBufferAreIgnored", 3,
     [](F& f) { f.mouse(150, 12, kLeft).mouse(-1, -1, kLeft).mouse(31, 100, kLeft).esc(); }, 27, 3},
};

TEST_P(ShellDealConInput, ChooseOrCancel) {
    const InputCase& c = GetParam();
    Open();
    int hot = c.start;
    c.input(fe);
    EXPECT_EQ(DealConInput(&hot_, &hot), c.result);
    EXPECT_EQ(hot, c.hot);
    if (sorts_[hot - 1] == 0) {
        for (int i = 1; i <= 3; i++) ExpectAreaAttr(areas_[i - 1], i == hot ? 0x07 : 0x70);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ShellDealConInput, ::testing::ValuesIn(kInputs),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

TEST_F(ShellHotAreas, InitialSelectionIsShownBeforeTheFirstRead) {
    Open();
    int hot = 2;
    EXPECT_THROW(DealConInput(&hot_, &hot), con::InputClosed);
    ExpectAreaAttr(areas_[1], 0x07);
    ExpectAreaAttr(areas_[0], 0x70);
    ExpectAreaAttr(areas_[2], 0x70);
}
