#include <vector>

#include "console/console_test.h"

namespace {

using BufferTest = ConsoleTest;

const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);

// Every cell a different letter and attribute, so a copy shows its origin.
char Pattern(int x, int y) { return static_cast<char>('A' + (x * 7 + y * 3) % 26); }
void PaintPattern() {
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 150; ++x) con::state().screen.at(x, y) = {Pattern(x, y), WORD(x + y)};
}
std::vector<int> Rect(const SMALL_RECT& r) { return {r.Left, r.Top, r.Right, r.Bottom}; }

TEST_F(BufferTest, AttachGivesAFreshConsole) {
    PaintPattern();
    At(7, 8);
    SetConsoleTitleA("x");
    SetConsoleTextAttribute(out, 0x1E);
    SetConsoleScreenBufferSize(out, COORD{80, 25});
    const SMALL_RECT focus{1, 2, 3, 4};
    con::set_focus(&focus);
    con::attach(&fe);

    CONSOLE_SCREEN_BUFFER_INFO info{};
    ASSERT_TRUE(GetConsoleScreenBufferInfo(out, &info));
    EXPECT_EQ((std::vector<int>{info.dwSize.X, info.dwSize.Y, info.dwCursorPosition.X,
                                info.dwCursorPosition.Y, info.wAttributes,
                                info.dwMaximumWindowSize.X, info.dwMaximumWindowSize.Y}),
              (std::vector<int>{150, 100, 0, 0, 0x07, 150, 100}));
    EXPECT_EQ(Rect(info.srWindow), (std::vector<int>{0, 0, 149, 99}));
    EXPECT_EQ(con::row_text(99), std::string(150, ' '));
    EXPECT_EQ(con::attr_at(149, 99), 0x07);
    CONSOLE_CURSOR_INFO ci{};
    GetConsoleCursorInfo(out, &ci);
    EXPECT_TRUE(ci.dwSize == 25 && ci.bVisible);
    EXPECT_EQ(con::state().title, "");
    EXPECT_FALSE(con::state().has_focus);
    const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    EXPECT_TRUE(in && out && in != out);
}

TEST_F(BufferTest, OnlyANewSizeResizes) {
    Print("kept");
    At(140, 90);
    EXPECT_TRUE(SetConsoleScreenBufferSize(out, COORD{150, 100}));
    EXPECT_EQ(con::row_text(0, 0, 3), "kept");
    EXPECT_TRUE(SetConsoleScreenBufferSize(out, COORD{200, 50}));  // clamped to the capacity
    EXPECT_EQ(con::state().screen.cols(), 150);
    EXPECT_EQ(con::state().screen.rows(), 50);
    EXPECT_EQ(con::row_text(0, 0, 3), "    ");
    EXPECT_EQ(Cursor(), std::make_pair(140, 49));
    Print("\na");  // output scrolls at the new last row
    EXPECT_EQ(con::char_at(0, 49), 'a');
}

TEST_F(BufferTest, CursorPositionOutsideTheBufferIsRefused) {
    At(5, 6);
    for (COORD c : {COORD{-1, 0}, COORD{0, -1}, COORD{150, 0}, COORD{0, 100}}) {
        EXPECT_FALSE(SetConsoleCursorPosition(out, c));
        EXPECT_EQ(Cursor(), std::make_pair(5, 6));
    }
}

TEST_F(BufferTest, RunsGoRowAfterRowAndStopAtTheEnd) {
    struct Case {
        COORD at;
        DWORD length;
        BOOL ok;
        DWORD written;
        int row, x;
        std::string cells;  // the row from x on after the character write
    };
    const Case cases[] = {
        {{148, 0}, 4, TRUE, 4, 1, 0, "yz "},  // 148, 149, then 0, 1 of row 1
        {{145, 99}, 10, TRUE, 5, 99, 144, " wxyz0"},  // runs off the end of the buffer
        {{-1, 0}, 5, FALSE, 0, 0, 0, "  "},
        {{150, 0}, 5, FALSE, 0, 0, 0, "  "},
        {{0, 100}, 5, FALSE, 0, 99, 0, "  "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.at.X << "," << c.at.Y << " +" << c.length);
        con::attach(&fe);
        DWORD w[3] = {99, 99, 99};
        EXPECT_EQ(FillConsoleOutputAttribute(out, 0x4F, c.length, c.at, &w[0]), c.ok);
        EXPECT_EQ(FillConsoleOutputCharacterA(out, '#', c.length, c.at, &w[1]), c.ok);
        int touched = 0;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 150; ++x) touched += con::char_at(x, y) == '#' && con::attr_at(x, y) == 0x4F;
        EXPECT_EQ(touched, static_cast<int>(c.written));
        EXPECT_EQ(WriteConsoleOutputCharacterA(out, "wxyz0123456789", c.length, c.at, &w[2]), c.ok);
        EXPECT_EQ(std::vector<DWORD>(w, w + 3), std::vector<DWORD>(3, c.written));
        EXPECT_EQ(con::row_text(c.row, c.x, c.x + c.cells.size() - 1), c.cells);
    }
}

TEST_F(BufferTest, RectanglesAreClippedToTheBufferAndTheArray) {
    struct Case {
        SMALL_RECT region;
        COORD size, coord;
        SMALL_RECT copied;  // Right < Left: nothing, the call fails
    };
    const Case cases[] = {
        {{10, 5, 13, 7}, {4, 3}, {0, 0}, {10, 5, 13, 7}},
        {{-2, -1, 3, 2}, {6, 4}, {0, 0}, {0, 0, 3, 2}},              // off the top left
        {{146, 97, 152, 101}, {7, 5}, {0, 0}, {146, 97, 149, 99}},  // off the bottom right
        {{10, 5, 19, 14}, {4, 3}, {0, 0}, {10, 5, 13, 7}},          // array smaller than region
        {{10, 5, 19, 14}, {6, 6}, {3, 4}, {10, 5, 12, 6}},          // placed inside the array
        {{10, 5, 13, 7}, {4, 3}, {-1, -1}, {11, 6, 13, 7}},         // array starts before it
        {{150, 0, 155, 3}, {6, 4}, {0, 0}, {0, 0, -1, -1}},
        {{-5, -5, -1, -1}, {5, 5}, {0, 0}, {0, 0, -1, -1}},
        {{10, 5, 13, 7}, {4, 3}, {4, 0}, {0, 0, -1, -1}},
        {{13, 5, 10, 7}, {4, 3}, {0, 0}, {0, 0, -1, -1}},           // inverted
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(Rect(c.region)) + " into " + std::to_string(c.size.X) +
                     "x" + std::to_string(c.size.Y) + " at " + std::to_string(c.coord.X) + "," +
                     std::to_string(c.coord.Y));
        const bool ok = c.copied.Right >= c.copied.Left;
        con::attach(&fe);
        PaintPattern();
        std::vector<CHAR_INFO> buf(c.size.X * c.size.Y, CHAR_INFO{{'.'}, 0xFFFF});
        SMALL_RECT region = c.region;
        ASSERT_EQ(ReadConsoleOutputA(out, buf.data(), c.size, c.coord, &region), ok);
        if (ok) {
            EXPECT_EQ(Rect(region), Rect(c.copied));
        }
        // Array cell (bx, by) holds buffer cell (region.Left + bx - coord.X, ...) or nothing.
        int copied = 0;
        for (int by = 0; by < c.size.Y; ++by) {
            for (int bx = 0; bx < c.size.X; ++bx) {
                const int x = c.region.Left + bx - c.coord.X, y = c.region.Top + by - c.coord.Y;
                const bool in = ok && x >= c.copied.Left && x <= c.copied.Right &&
                                y >= c.copied.Top && y <= c.copied.Bottom;
                const CHAR_INFO& ci = buf[by * c.size.X + bx];
                EXPECT_EQ(ci.Char.AsciiChar, in ? Pattern(x, y) : '.') << bx << "," << by;
                EXPECT_EQ(ci.Attributes, in ? x + y : 0xFFFF);
                copied += in;
            }
        }
        if (!ok) continue;
        // Written back, the array lands in the same cells and nowhere else.
        con::attach(&fe);
        region = c.region;
        ASSERT_TRUE(WriteConsoleOutputA(out, buf.data(), c.size, c.coord, &region));
        EXPECT_EQ(Rect(region), Rect(c.copied));
        int written = 0;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 150; ++x) written += con::char_at(x, y) == Pattern(x, y);
        EXPECT_EQ(written, copied);
        EXPECT_EQ(con::attr_at(c.copied.Left, c.copied.Top), c.copied.Left + c.copied.Top);
    }
}

TEST_F(BufferTest, InputRecordsComeOneAtATimeAfterAFrame) {
    const std::string zhong = "中";
    Print(zhong.substr(0, 1));  // a lead byte still waiting
    fe.type("k");
    INPUT_RECORD rec[2]{};
    DWORD n = 0;
    ASSERT_TRUE(ReadConsoleInputA(GetStdHandle(STD_INPUT_HANDLE), rec, 2, &n));
    EXPECT_EQ(n, 1u);
    EXPECT_TRUE(rec[0].EventType == KEY_EVENT && rec[0].Event.KeyEvent.bKeyDown);
    EXPECT_EQ(rec[0].Event.KeyEvent.wVirtualKeyCode, 'K');
    EXPECT_EQ(fe.frames(), 1);
    EXPECT_EQ(fe.last_wait(), con::Wait::Event);
    EXPECT_EQ(con::char_at(0, 0), zhong[0]);  // written out before the frame
    EXPECT_EQ(fe.pending(), 1u);              // the key-up
}

}  // namespace
