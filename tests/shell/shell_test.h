// Helpers of the shell's tests: whole-screen snapshots, the main loop run on a
// script, and the geometry of the menus as the user sees it.
#pragma once

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "support/app_test.h"

namespace shelltest {

// Every cell of the buffer and every byte of the cell map.
struct Shot {
    std::vector<con::Cell> cells;
    std::vector<char> map;
};

inline Shot TakeShot() {
    Shot s;
    const con::ScreenBuffer& screen = con::state().screen;
    for (int y = 0; y < SCR_ROW; y++)
        for (int x = 0; x < SCR_COL; x++) s.cells.push_back(screen.at(x, y));
    if (gp_scr_att) s.map.assign(gp_scr_att, gp_scr_att + SCR_ROW * SCR_COL);
    return s;
}

// Empty when a and b agree; otherwise the first few cells where they differ.
inline std::string ShotDiff(const Shot& a, const Shot& b) {
    std::ostringstream out;
    int shown = 0;
    for (int i = 0; i < SCR_ROW * SCR_COL && shown < 5; i++) {
        if (!(a.cells[i] == b.cells[i])) {
            out << "cell (" << i % SCR_COL << "," << i / SCR_COL << "): '" << a.cells[i].ch << "'/"
                << std::hex << a.cells[i].attr << "/" << int(a.cells[i].half) << " vs '"
                << b.cells[i].ch << "'/" << b.cells[i].attr << "/" << int(b.cells[i].half)
                << std::dec << "\n";
            shown++;
        }
    }
    if (a.map.size() != b.map.size()) return out.str() + "cell maps of different sizes\n";
    for (std::size_t i = 0; i < a.map.size() && shown < 10; i++) {
        if (a.map[i] != b.map[i]) {
            out << "map (" << i % SCR_COL << "," << i / SCR_COL << "): " << int(a.map[i]) << " vs "
                << int(b.map[i]) << "\n";
            shown++;
        }
    }
    return out.str();
}

inline bool SameRect(const SMALL_RECT& a, const SMALL_RECT& b) {
    return a.Left == b.Left && a.Top == b.Top && a.Right == b.Right && a.Bottom == b.Bottom;
}

inline std::string RectText(const SMALL_RECT& r) {
    std::ostringstream out;
    out << "(" << r.Left << "," << r.Top << ")-(" << r.Right << "," << r.Bottom << ")";
    return out.str();
}

// The columns of each main item's hot area and highlight on row 0.
struct BarItem {
    int first;
    int last;
};
inline constexpr BarItem kBar[7] = {{2, 10},  {15, 23}, {28, 36}, {41, 49},
                                    {54, 62}, {67, 75}, {80, 88}};

// The window of each sub-menu, border included.
inline constexpr SMALL_RECT kMenuRect[7] = {{1, 1, 23, 7},   {14, 1, 37, 5},  {27, 1, 50, 5},
                                            {40, 1, 63, 5},  {53, 1, 76, 5},  {66, 1, 89, 5},
                                            {79, 1, 102, 8}};

// The exit dialog's and the closing dialog's windows.
inline constexpr SMALL_RECT kExitRect = {64, 46, 85, 52};
inline constexpr SMALL_RECT kCloseRect = {61, 46, 88, 52};

using Script = std::function<void(con::ScriptedFrontend&)>;

inline INPUT_RECORD KeyUp(WORD vk, char ch) {
    INPUT_RECORD rec{};
    rec.EventType = KEY_EVENT;
    rec.Event.KeyEvent.bKeyDown = FALSE;
    rec.Event.KeyEvent.wRepeatCount = 1;
    rec.Event.KeyEvent.wVirtualKeyCode = vk;
    rec.Event.KeyEvent.uChar.AsciiChar = ch;
    return rec;
}

inline INPUT_RECORD OtherRecord(WORD type) {
    INPUT_RECORD rec{};
    rec.EventType = type;
    if (type == FOCUS_EVENT) rec.Event.FocusEvent.bSetFocus = TRUE;
    if (type == WINDOW_BUFFER_SIZE_EVENT) rec.Event.WindowBufferSizeEvent.dwSize = COORD{80, 25};
    return rec;
}

}  // namespace shelltest

// The application fixture, with the main loop run on a script.
class ShellTest : public AppTest {
protected:
    // Runs the main loop until the script runs out. Whatever the last key
    // started (a command, a dialog) stops there too.
    void RunOut() {
        try {
            RunSys();
            ADD_FAILURE() << "the main loop ended, but the script did not confirm an exit";
        } catch (const con::InputClosed&) {
        }
    }

    // The main loop's state: main item `menu` selected and highlighted on the
    // bar, its sub-menu open or not, and item `sel` of it highlighted (0: none).
    void ExpectMenuState(int menu, bool open, int sel) {
        EXPECT_EQ(gi_sel_menu, menu);
        EXPECT_EQ(gi_sel_sub_menu, sel);
        const shelltest::BarItem& item = shelltest::kBar[menu - 1];
        for (int x = item.first; x <= item.last; x++) EXPECT_EQ(Attr(x, 0), 0x07) << "bar column " << x;
        ASSERT_NE(gp_top_layer, nullptr);
        if (!open) {
            EXPECT_EQ(gp_top_layer->LayerNo, 0);
            return;
        }
        ASSERT_EQ(gp_top_layer->LayerNo, 1);
        const SMALL_RECT& rc = shelltest::kMenuRect[menu - 1];
        EXPECT_TRUE(shelltest::SameRect(gp_top_layer->rcArea, rc))
            << shelltest::RectText(gp_top_layer->rcArea);
        for (int k = 1; k < rc.Bottom - rc.Top; k++) {
            bool lit = Attr(rc.Left + 2, rc.Top + k) == 0x07;
            EXPECT_EQ(lit, k == sel) << "item " << k;
            if (k == sel) {
                for (int x = rc.Left + 2; x <= rc.Right - 2; x++) EXPECT_EQ(Attr(x, rc.Top + k), 0x07);
            }
        }
    }

    // The exit dialog is up, on a cleared screen, waiting for its answer.
    void ExpectExitDialog() {
        ASSERT_NE(gp_top_layer, nullptr);
        ASSERT_EQ(gp_top_layer->LayerNo, 1);
        EXPECT_TRUE(shelltest::SameRect(gp_top_layer->rcArea, shelltest::kExitRect))
            << shelltest::RectText(gp_top_layer->rcArea);
        EXPECT_EQ(Utf8(Row(48, 67, 82)), Utf8("确认退出系统吗？"));
        EXPECT_EQ(Row(0), std::string(SCR_COL, ' '));
        EXPECT_EQ(Attr(0, 0), 0x1E);
    }
};
