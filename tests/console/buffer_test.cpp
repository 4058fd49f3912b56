#include <vector>

#include "console/console_test.h"

namespace {

using BufferTest = ConsoleTest;

const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);

// Every cell a different letter, so a copied cell shows where it came from.
char Pattern(int x, int y) { return static_cast<char>('A' + (x * 7 + y * 3) % 26); }
void PaintPattern() {
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 150; ++x) con::state().screen.at(x, y) = con::Cell{Pattern(x, y), WORD(x + y)};
}

bool operator==(const SMALL_RECT& a, const SMALL_RECT& b) {
    return a.Left == b.Left && a.Top == b.Top && a.Right == b.Right && a.Bottom == b.Bottom;
}

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
    EXPECT_EQ(info.dwSize.X, 150);
    EXPECT_EQ(info.dwSize.Y, 100);
    EXPECT_EQ(info.dwCursorPosition.X, 0);
    EXPECT_EQ(info.dwCursorPosition.Y, 0);
    EXPECT_EQ(info.wAttributes, 0x07);
    EXPECT_TRUE((info.srWindow == SMALL_RECT{0, 0, 149, 99}));
    EXPECT_EQ(info.dwMaximumWindowSize.X, 150);
    EXPECT_EQ(con::row_text(99), std::string(150, ' '));
    EXPECT_EQ(con::attr_at(149, 99), 0x07);
    CONSOLE_CURSOR_INFO ci{};
    GetConsoleCursorInfo(out, &ci);
    EXPECT_EQ(ci.dwSize, 25u);
    EXPECT_TRUE(ci.bVisible);
    EXPECT_EQ(con::state().title, "");
    EXPECT_FALSE(con::state().has_focus);

    const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    EXPECT_NE(in, nullptr);
    EXPECT_NE(out, nullptr);
    EXPECT_NE(in, out);
}

TEST_F(BufferTest, ResizingToTheSameSizeKeepsTheContent) {
    Print("kept");
    At(140, 90);
    EXPECT_TRUE(SetConsoleScreenBufferSize(out, COORD{150, 100}));
    EXPECT_EQ(con::row_text(0, 0, 3), "kept");

    EXPECT_TRUE(SetConsoleScreenBufferSize(out, COORD{200, 50}));
    EXPECT_EQ(con::state().screen.cols(), 150);
    EXPECT_EQ(con::state().screen.rows(), 50);
    EXPECT_EQ(con::row_text(0, 0, 3), "    ");
    EXPECT_EQ(Cursor(), std::make_pair(140, 49));
    // Output scrolls at the new last row.
    At(0, 49);
    Print("a\nb");
    EXPECT_EQ(con::row_text(48, 0, 0), "a");
    EXPECT_EQ(con::row_text(49, 0, 0), "b");
}

TEST_F(BufferTest, CursorPositionOutsideTheBufferIsRefused) {
    At(5, 6);
    for (COORD c : {COORD{-1, 0}, COORD{0, -1}, COORD{150, 0}, COORD{0, 100}}) {
        EXPECT_FALSE(SetConsoleCursorPosition(out, c));
        EXPECT_EQ(Cursor(), std::make_pair(5, 6));
    }
    EXPECT_TRUE(SetConsoleCursorPosition(out, COORD{149, 99}));
    EXPECT_EQ(Cursor(), std::make_pair(149, 99));
}

TEST_F(BufferTest, RunsGoRowAfterRowAndStopAtTheEnd) {
    struct Case {
        COORD at;
        DWORD length;
        BOOL ok;
        DWORD written;
    };
    const Case cases[] = {
        {{148, 0}, 4, TRUE, 4},      // 148, 149, then 0, 1 of row 1
        {{145, 99}, 10, TRUE, 5},    // runs off the end of the buffer
        {{0, 0}, 0, TRUE, 0},
        {{-1, 0}, 5, FALSE, 0},
        {{150, 0}, 5, FALSE, 0},
        {{0, 100}, 5, FALSE, 0},
    };
    const char text[] = "wxyz0123456789";
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.at.X << "," << c.at.Y << " +" << c.length);
        con::attach(&fe);
        DWORD w1 = 99, w2 = 99, w3 = 99;
        EXPECT_EQ(FillConsoleOutputAttribute(out, 0x4F, c.length, c.at, &w1), c.ok);
        EXPECT_EQ(FillConsoleOutputCharacterA(out, '#', c.length, c.at, &w2), c.ok);
        EXPECT_EQ(w1, c.written);
        EXPECT_EQ(w2, c.written);
        // The cells of the run, in order, and nothing else.
        int touched = 0;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 150; ++x)
                touched += con::char_at(x, y) == '#' && con::attr_at(x, y) == 0x4F;
        EXPECT_EQ(touched, static_cast<int>(c.written));
        EXPECT_EQ(WriteConsoleOutputCharacterA(out, text, c.length, c.at, &w3), c.ok);
        EXPECT_EQ(w3, c.written);
        if (c.written == 4) {
            EXPECT_EQ(con::row_text(0, 148), "wx");
            EXPECT_EQ(con::row_text(1, 0, 2), "yz ");
            EXPECT_EQ(con::attr_at(1, 1), 0x4F);
        }
        if (c.written == 5) {
            EXPECT_EQ(con::row_text(99, 144), " wxyz0");
        }
    }
}

TEST_F(BufferTest, RectanglesAreClippedToTheBufferAndTheArray) {
    struct Case {
        SMALL_RECT region;
        COORD size, coord;
        BOOL ok;
        SMALL_RECT copied;
    };
    const Case cases[] = {
        {{10, 5, 13, 7}, {4, 3}, {0, 0}, TRUE, {10, 5, 13, 7}},
        {{-2, -1, 3, 2}, {6, 4}, {0, 0}, TRUE, {0, 0, 3, 2}},          // off the top left
        {{146, 97, 152, 101}, {7, 5}, {0, 0}, TRUE, {146, 97, 149, 99}},  // off the bottom right
        {{10, 5, 19, 14}, {4, 3}, {0, 0}, TRUE, {10, 5, 13, 7}},       // array smaller than region
        {{10, 5, 19, 14}, {6, 6}, {3, 4}, TRUE, {10, 5, 12, 6}},       // placed inside the array
        {{10, 5, 13, 7}, {4, 3}, {-1, -1}, TRUE, {11, 6, 13, 7}},      // array starts before it
        {{150, 0, 155, 3}, {6, 4}, {0, 0}, FALSE, {}},
        {{-5, -5, -1, -1}, {5, 5}, {0, 0}, FALSE, {}},
        {{10, 5, 13, 7}, {4, 3}, {4, 0}, FALSE, {}},
        {{13, 5, 10, 7}, {4, 3}, {0, 0}, FALSE, {}},                   // inverted
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.region.Left << "," << c.region.Top << ".."
                                        << c.region.Right << "," << c.region.Bottom << " into "
                                        << c.size.X << "x" << c.size.Y << "@" << c.coord.X << ","
                                        << c.coord.Y);
        con::attach(&fe);
        PaintPattern();
        const int n = c.size.X * c.size.Y;
        std::vector<CHAR_INFO> buf(n, CHAR_INFO{{'.'}, 0xFFFF});
        SMALL_RECT region = c.region;
        ASSERT_EQ(ReadConsoleOutputA(out, buf.data(), c.size, c.coord, &region), c.ok);
        if (!c.ok) {
            for (const auto& ci : buf) EXPECT_EQ(ci.Char.AsciiChar, '.');
            continue;
        }
        EXPECT_TRUE(region == c.copied);
        // Array cell (bx, by) holds buffer cell region.Left + bx - coord.X, ...
        int copied = 0;
        for (int by = 0; by < c.size.Y; ++by) {
            for (int bx = 0; bx < c.size.X; ++bx) {
                const int x = c.region.Left + bx - c.coord.X, y = c.region.Top + by - c.coord.Y;
                const bool in = x >= c.copied.Left && x <= c.copied.Right && y >= c.copied.Top &&
                                y <= c.copied.Bottom;
                const CHAR_INFO& ci = buf[by * c.size.X + bx];
                EXPECT_EQ(ci.Char.AsciiChar, in ? Pattern(x, y) : '.') << bx << "," << by;
                EXPECT_EQ(ci.Attributes, in ? x + y : 0xFFFF);
                copied += in;
            }
        }
        EXPECT_EQ(copied, (c.copied.Right - c.copied.Left + 1) * (c.copied.Bottom - c.copied.Top + 1));

        // Writing the array back lands in the same cells and nowhere else.
        for (auto& ci : buf) ci.Char.AsciiChar = static_cast<char>(ci.Char.AsciiChar + 32);
        con::attach(&fe);
        region = c.region;
        ASSERT_TRUE(WriteConsoleOutputA(out, buf.data(), c.size, c.coord, &region));
        EXPECT_TRUE(region == c.copied);
        int lower = 0;
        for (int y = 0; y < 100; ++y) {
            for (int x = 0; x < 150; ++x) {
                const char ch = con::char_at(x, y);
                if (ch == ' ') continue;
                EXPECT_EQ(ch, Pattern(x, y) + 32) << x << "," << y;
                ++lower;
            }
        }
        EXPECT_EQ(lower, copied);
    }
}

TEST_F(BufferTest, NextRecordPresentsThenReads) {
    const std::string zhong = "中";
    Print(zhong.substr(0, 1));  // a lead byte still waiting
    fe.type("k");
    INPUT_RECORD rec[2]{};
    DWORD n = 0;
    ASSERT_TRUE(ReadConsoleInputA(GetStdHandle(STD_INPUT_HANDLE), rec, 2, &n));
    EXPECT_EQ(n, 1u);
    EXPECT_EQ(rec[0].EventType, KEY_EVENT);
    EXPECT_TRUE(rec[0].Event.KeyEvent.bKeyDown);
    EXPECT_EQ(rec[0].Event.KeyEvent.wVirtualKeyCode, 'K');
    EXPECT_EQ(fe.frames(), 1);
    EXPECT_EQ(fe.last_wait(), con::Wait::Event);
    EXPECT_EQ(con::char_at(0, 0), zhong[0]);  // written before the frame
    EXPECT_EQ(fe.pending(), 1u);              // the key-up is still queued

    con::next_record(con::Wait::Event);
    EXPECT_THROW(ReadConsoleInputA(GetStdHandle(STD_INPUT_HANDLE), rec, 2, &n), con::InputClosed);
}

}  // namespace
