// The main loop's mouse rules: the pointer leads, the buttons act.
#include "shell/shell_test.h"

using namespace shelltest;

namespace {

using F = con::ScriptedFrontend;

constexpr DWORD kLeft = FROM_LEFT_1ST_BUTTON_PRESSED;
constexpr DWORD kRight = RIGHTMOST_BUTTON_PRESSED;
constexpr DWORD kMiddle = FROM_LEFT_2ND_BUTTON_PRESSED;
constexpr DWORD kWheelUp = 120u << 16;

struct MouseCase {
    const char* name;
    Script input;
    bool exits;  // the exit command ran; otherwise the state below holds
    int menu;
    bool open;
    int sel;
};

void PrintTo(const MouseCase& c, std::ostream* os) { *os << c.name; }

class ShellMouse : public ShellTest, public ::testing::WithParamInterface<MouseCase> {};

const MouseCase kMouseCases[] = {
    // The pointer alone.
    {"MoveOverBarWithNothingOpen", [](F& f) { f.move(30, 0); }, false, 1, false, 0},
    {"MoveAlongBarTakesTheMenu", [](F& f) { f.alt('f').down().move(16, 0); }, false, 2, true, 0},
    {"MoveOverOwnTitleKeepsHighlight", [](F& f) { f.alt('f').down().move(5, 0); }, false, 1, true, 1},
    {"MoveOverGapBetweenItems", [](F& f) { f.alt('f').move(12, 0); }, false, 1, true, 0},
    {"MoveOverItemHighlights", [](F& f) { f.alt('f').move(5, 3); }, false, 1, true, 2},
    {"MoveOverFirstColumnOfItem", [](F& f) { f.alt('f').move(3, 6); }, false, 1, true, 5},
    {"MoveOverLastColumnOfItem", [](F& f) { f.alt('f').move(21, 6); }, false, 1, true, 5},
    {"MoveOverLeftMargin", [](F& f) { f.alt('f').down().move(2, 4); }, false, 1, true, 1},
    {"MoveOverRightMargin", [](F& f) { f.alt('f').down().move(22, 4); }, false, 1, true, 1},
    {"MoveOverBorders",
     [](F& f) { f.alt('f').down().move(1, 4).move(23, 4).move(5, 1).move(5, 7); }, false, 1, true, 1},
    {"MoveOverSeparator", [](F& f) { f.alt('h').down().down().move(85, 5); }, false, 7, true, 2},
    {"MoveOverMenu7Item5", [](F& f) { f.alt('h').move(85, 6); }, false, 7, true, 5},
    {"MoveBelowMenuOnBaseScreen", [](F& f) { f.alt('f').down().move(60, 50); }, false, 1, true, 1},
    // The left button.
    {"ClickBarItemOpensIt", [](F& f) { f.click(30, 0); }, false, 3, true, 0},
    {"ClickOwnTitleKeepsMenu", [](F& f) { f.alt('f').down().click(5, 0); }, false, 1, true, 1},
    {"ClickOtherTitleSwitches", [](F& f) { f.alt('f').down().click(20, 0); }, false, 2, true, 0},
    {"ClickItemRunsIt", [](F& f) { f.alt('f').click(5, 6); }, true, 0, false, 0},
    {"DoubleClickItemRunsIt", [](F& f) { f.alt('f').mouse(5, 6, kLeft, DOUBLE_CLICK); }, true, 0,
     false, 0},
    {"ClickBorderDoesNothing", [](F& f) { f.alt('f').click(1, 4).click(5, 7); }, false, 1, true, 0},
    {"ClickMarginDoesNothing", [](F& f) { f.alt('f').click(2, 4); }, false, 1, true, 0},
    {"ClickSeparatorDoesNothing", [](F& f) { f.alt('h').click(85, 5); }, false, 7, true, 0},
    {"ClickBaseScreenCloses", [](F& f) { f.alt('f').down().click(60, 50); }, false, 1, false, 0},
    {"ClickBarGapCloses", [](F& f) { f.alt('a').click(12, 0); }, false, 2, false, 0},
    {"ClickBaseWithNothingOpen", [](F& f) { f.click(60, 50); }, false, 1, false, 0},
    {"DragAlongBar", [](F& f) { f.mouse(5, 0, kLeft, MOUSE_MOVED).mouse(16, 0, kLeft, MOUSE_MOVED); },
     false, 2, true, 0},
    // The right button.
    {"RightClickInsideDoesNothing", [](F& f) { f.alt('f').right_click(5, 3); }, false, 1, true, 2},
    {"RightClickOnBaseCloses", [](F& f) { f.alt('f').right_click(60, 50); }, false, 1, false, 0},
    {"RightClickOnOwnTitleCloses", [](F& f) { f.alt('a').right_click(16, 0); }, false, 2, false, 0},
    {"RightClickOnOtherTitleFollowsThenCloses", [](F& f) { f.alt('a').right_click(5, 0); }, false, 1,
     false, 0},
    {"RightClickWithNothingOpen", [](F& f) { f.right_click(5, 0); }, false, 1, false, 0},
    // Other button states only lead the pointer.
    {"BothButtonsOnItem", [](F& f) { f.alt('f').mouse(5, 6, kLeft | kRight); }, false, 1, true, 5},
    {"MiddleButtonOnItem", [](F& f) { f.alt('f').mouse(5, 6, kMiddle); }, false, 1, true, 5},
    {"BothButtonsOnBase", [](F& f) { f.alt('f').mouse(60, 50, kLeft | kRight); }, false, 1, true, 0},
    {"BothButtonsOnBar", [](F& f) { f.mouse(30, 0, kLeft | kRight); }, false, 1, false, 0},
    {"WheelOnBase", [](F& f) { f.alt('f').mouse(60, 50, kWheelUp, MOUSE_WHEELED); }, false, 1, true, 0},
    {"WheelOnItem", [](F& f) { f.alt('f').mouse(5, 6, kWheelUp | kLeft, MOUSE_WHEELED); }, false, 1,
     true, 5},
    {"WheelOnBar", [](F& f) { f.mouse(30, 0, kWheelUp, MOUSE_WHEELED); }, false, 1, false, 0},
    // Outside the buffer nothing happens, whatever the buttons.
    {"OutsideTheBuffer",
     [](F& f) {
         f.alt('f').down();
         f.mouse(150, 0, kLeft).mouse(-1, 3, kLeft).mouse(5, 100, kLeft).mouse(5, -1, kRight);
         f.mouse(32767, 32767, kLeft).mouse(-32768, -32768, kRight).mouse(149 + 1, 99, 0, MOUSE_MOVED);
     },
     false, 1, true, 1},
    {"OutsideTheBufferWithNothingOpen", [](F& f) { f.mouse(200, 0, kLeft).mouse(10, 150, kLeft); },
     false, 1, false, 0},
    {"LastCellOfTheBuffer", [](F& f) { f.alt('f').click(149, 99); }, false, 1, false, 0},
};

TEST_P(ShellMouse, LeaveTheLoopInTheExpectedState) {
    const MouseCase& c = GetParam();
    StartSys();
    c.input(fe);
    RunOut();
    if (c.exits) {
        ExpectExitDialog();
    } else {
        ExpectMenuState(c.menu, c.open, c.sel);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ShellMouse, ::testing::ValuesIn(kMouseCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

TEST_F(ShellTest, BarAnswersTheMouseWhileACommandScreenHidesIt) {
    StartSys();
    fe.alt('x').esc();  // the exit command clears the screen; cancelled
    fe.click(43, 0);
    RunOut();
    ExpectMenuState(4, true, 0);
    EXPECT_EQ(Utf8(Row(2, 42, 61)), Utf8("[M] 医院科室基本信息"));
}
