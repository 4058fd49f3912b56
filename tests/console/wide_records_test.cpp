// The Windows console front end's translation, which runs on every platform:
// wide input records in, the program's GBK records out; the screen buffer in,
// the CHAR_INFO cells of WriteConsoleOutputW out.
#include "console/wide_records.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "console/console_test.h"

namespace {

using con::win::CellRun;
using con::win::RecordTranslator;
using con::win::Route;
using con::win::WideCell;
using con::win::WideRecord;

WideRecord Key(char16_t ch, WORD vk, DWORD state = 0, bool down = true, WORD repeat = 1) {
    WideRecord r;
    r.type = WideRecord::Type::Key;
    r.key_down = down;
    r.repeat = repeat;
    r.vk = vk;
    r.ch = ch;
    r.key_state = state;
    return r;
}

// Key records as "down/up vk byte state" (vk and byte in hex).
std::string Show(const std::vector<INPUT_RECORD>& recs) {
    std::string s;
    char one[64];
    for (const INPUT_RECORD& r : recs) {
        const auto& k = r.Event.KeyEvent;
        if (r.EventType != KEY_EVENT) {
            std::snprintf(one, sizeof one, "type%d ", r.EventType);
        } else {
            std::snprintf(one, sizeof one, "%s %X %02X %X ", k.bKeyDown ? "down" : "up",
                          k.wVirtualKeyCode, static_cast<unsigned char>(k.uChar.AsciiChar),
                          static_cast<unsigned>(k.dwControlKeyState));
        }
        s += one;
    }
    return s;
}

TEST(WindowsRecords, KeysBecomeGbkKeyRecords) {
    struct Case {
        const char* what;
        std::vector<WideRecord> in;
        std::string out;
    };
    const Case cases[] = {
        {"a letter", {Key(u'a', 'A')}, "down 41 61 0 "},
        {"Esc given no character", {Key(0, VK_ESCAPE)}, "down 1B 1B 0 "},
        {"Alt+F keeps Alt", {Key(0, VK_MENU, LEFT_ALT_PRESSED), Key(u'f', 'F', LEFT_ALT_PRESSED)},
         "down 12 00 2 down 46 66 2 "},
        {"Shift+Ctrl state", {Key(0x01, 'A', LEFT_CTRL_PRESSED | SHIFT_PRESSED)}, "down 41 01 18 "},
        {"an arrow", {Key(0, VK_LEFT, ENHANCED_KEY)}, "down 25 00 100 "},
        {"a Chinese character is its two bytes", {Key(u'中', 0xE5)}, "down E5 D6 0 down E5 D0 0 "},
        {"and so is its key up", {Key(u'中', 0xE5, 0, false)}, "up E5 D6 0 up E5 D0 0 "},
        {"full-width punctuation", {Key(u'！', 0)}, "down 0 A3 0 down 0 A1 0 "},
        {"a character beyond GBK", {Key(u'\u0E01', 0)}, "down 0 3F 0 "},
        {"a surrogate pair is one character", {Key(0xD83D, 0), Key(0xDE00, 0)}, "down 0 3F 0 "},
        {"a first half left alone", {Key(0xD83D, 0), Key(u'x', 'X')}, "down 58 3F 0 down 58 78 0 "},
        {"a key repeated", {Key(u'x', 'X', 0, true, 3)}, "down 58 78 0 down 58 78 0 down 58 78 0 "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RecordTranslator t;
        std::vector<INPUT_RECORD> out;
        for (const WideRecord& r : c.in) t.translate(r, out);
        EXPECT_EQ(Show(out), c.out);
    }
}

TEST(WindowsRecords, EachRecordGoesWhereTheTerminalFrontEndSendsItsKind) {
    WideRecord click;
    click.type = WideRecord::Type::Mouse;
    click.x = 12;
    click.y = 34;
    click.buttons = FROM_LEFT_1ST_BUTTON_PRESSED;
    click.key_state = SHIFT_PRESSED;
    WideRecord wheel = click;
    wheel.buttons = 0xFF880000u;
    wheel.mouse_flags = MOUSE_WHEELED;
    WideRecord size;
    size.type = WideRecord::Type::BufferSize;
    size.cols = 120;
    size.rows = 30;
    WideRecord focus;
    focus.type = WideRecord::Type::Focus;
    WideRecord menu;
    menu.type = WideRecord::Type::Menu;

    struct Case {
        const char* what;
        WideRecord in;
        Route route;
    };
    const Case cases[] = {
        {"Ctrl+C ends the program", Key(0x03, 'C', LEFT_CTRL_PRESSED), Route::Quit},
        {"not on its key up", Key(0x03, 'C', LEFT_CTRL_PRESSED, false), Route::Program},
        {"Ctrl+D is a key", Key(0x04, 'D', RIGHT_CTRL_PRESSED), Route::Program},
        {"a click", click, Route::Program},
        {"the wheel", wheel, Route::Wheel},
        {"a new buffer size", size, Route::Repaint},
        {"focus", focus, Route::Drop},
        {"menu", menu, Route::Drop},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RecordTranslator t;
        std::vector<INPUT_RECORD> out;
        t.translate(c.in, out);
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(RecordTranslator::route(out[0]), c.route);
    }

    RecordTranslator t;
    std::vector<INPUT_RECORD> out;
    t.translate(click, out);
    const MOUSE_EVENT_RECORD& m = out[0].Event.MouseEvent;
    EXPECT_EQ(m.dwMousePosition.X, 12);  // buffer cells, as the console gives them
    EXPECT_EQ(m.dwMousePosition.Y, 34);
    EXPECT_EQ(m.dwButtonState, FROM_LEFT_1ST_BUTTON_PRESSED);
    EXPECT_EQ(m.dwControlKeyState, SHIFT_PRESSED);
}

using WindowsCells = ConsoleTest;

TEST_F(WindowsCells, EachCellAsTheConsoleShowsIt) {
    con::ScreenBuffer sc;
    auto put = [&](int x, char ch, WORD attr, con::Half half) {
        sc.at(x, 0) = con::Cell{ch, attr, half};
    };
    const std::string zhong = "中";  // GBK D6 D0
    put(0, 'A', 0x1E, con::Half::None);
    put(1, zhong[0], 0x70, con::Half::Lead);
    put(2, zhong[1], 0x74, con::Half::Trail);
    put(3, zhong[0], 0x07, con::Half::Orphan);
    put(4, '\r', 0x07, con::Half::None);
    put(5, '\x7F', 0x07, con::Half::None);
    put(6, '\x80', 0x07, con::Half::None);
    put(7, zhong[0], 0x07, con::Half::None);  // a lead byte standing alone
    put(8, 'z', static_cast<WORD>(0x8000 | 0x17), con::Half::None);

    const std::vector<WideCell> want = {
        {u'A', 0x1E},
        {u'中', static_cast<std::uint16_t>(0x70 | COMMON_LVB_LEADING_BYTE)},
        {u'中', static_cast<std::uint16_t>(0x74 | COMMON_LVB_TRAILING_BYTE)},
        {u' ', 0x07},
        {u'?', 0x07},
        {u'?', 0x07},
        {u'?', 0x07},
        {u'?', 0x07},
        {u'z', 0x17},
    };
    for (int x = 0; x < static_cast<int>(want.size()); ++x) {
        SCOPED_TRACE(x);
        const WideCell got = con::win::wide_cell(sc, x, 0);
        EXPECT_EQ(static_cast<unsigned>(got.ch), static_cast<unsigned>(want[x].ch));
        EXPECT_EQ(got.attr, want[x].attr);
    }
}

TEST_F(WindowsCells, OnlyChangedRowsAreWrittenAndNeverHalfACharacter) {
    // The first frame writes every row whole.
    std::vector<WideCell> shown;
    auto frame = [] { return con::win::wide_frame(con::state().screen); };
    std::vector<CellRun> runs = con::win::changed_runs(frame(), shown, con::kCols, con::kRows);
    ASSERT_EQ(runs.size(), static_cast<std::size_t>(con::kRows));
    EXPECT_EQ(runs[7].y, 7);
    EXPECT_EQ(runs[7].left, 0);
    EXPECT_EQ(runs[7].right, con::kCols - 1);
    EXPECT_TRUE(con::win::changed_runs(frame(), shown, con::kCols, con::kRows).empty());

    // "中文" at (10, 5); then only the trail half of 文 changes colour: the
    // run takes the whole character.
    At(10, 5);
    Print("中文");
    runs = con::win::changed_runs(frame(), shown, con::kCols, con::kRows);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].y, 5);
    EXPECT_EQ(runs[0].left, 10);
    EXPECT_EQ(runs[0].right, 13);
    EXPECT_EQ(runs[0].cells[2].ch, u'文');
    DWORD n;
    FillConsoleOutputAttribute(GetStdHandle(STD_OUTPUT_HANDLE), 0x4F, 1, COORD{13, 5}, &n);
    runs = con::win::changed_runs(frame(), shown, con::kCols, con::kRows);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].left, 12);
    EXPECT_EQ(runs[0].right, 13);
    EXPECT_EQ(runs[0].cells[0].attr, 0x07 | COMMON_LVB_LEADING_BYTE);
    EXPECT_EQ(runs[0].cells[1].attr, 0x4F | COMMON_LVB_TRAILING_BYTE);

    // The lead half's colour changes: the run takes the trail half too; and
    // a change far along the same row makes one run spanning both.
    FillConsoleOutputAttribute(GetStdHandle(STD_OUTPUT_HANDLE), 0x2F, 1, COORD{10, 5}, &n);
    FillConsoleOutputCharacterA(GetStdHandle(STD_OUTPUT_HANDLE), 'x', 1, COORD{100, 5}, &n);
    runs = con::win::changed_runs(frame(), shown, con::kCols, con::kRows);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].left, 10);
    EXPECT_EQ(runs[0].right, 100);
    EXPECT_EQ(runs[0].cells.size(), 91u);
    EXPECT_EQ(shown, frame());
}

}  // namespace
