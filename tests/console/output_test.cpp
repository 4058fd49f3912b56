#include <string>

#include "console/console_test.h"

namespace {

using OutputTest = ConsoleTest;

TEST_F(OutputTest, ControlBytesAndWrapMoveTheCursor) {
    struct Case {
        int x, y;
        std::string text;
        std::pair<int, int> cursor;
        int cells_x, cells_y;  // where `cells` must stand
        std::string cells;
    };
    const Case cases[] = {
        {145, 2, "abcdefgh", {3, 3}, 0, 3, "fgh"},
        {148, 0, "ab", {0, 1}, 148, 0, "ab"},  // wraps at once, not at the next byte
        {5, 2, "x\ny", {1, 3}, 0, 3, "y"},
        {5, 2, "xyz\rA", {1, 2}, 5, 2, "xyz"},
        {0, 0, "ab\tc", {9, 0}, 0, 0, "ab      c"},
        {8, 0, "\tc", {17, 0}, 8, 0, "        c"},
        {148, 0, "\tc", {3, 1}, 0, 1, "  c"},  // 4 blanks: 2 on this row, 2 on the next
        {149, 0, "\tc", {3, 1}, 0, 1, "  c"},  // 3 blanks
        {0, 0, "ab\b\bc\b\b\bd", {1, 0}, 0, 0, "db"},
        {3, 0, "a\ab", {5, 0}, 3, 0, "ab"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        con::attach(&fe);
        At(c.x, c.y);
        Print(c.text);
        EXPECT_EQ(Cursor(), c.cursor);
        EXPECT_EQ(con::row_text(c.cells_y, c.cells_x, c.cells_x + c.cells.size() - 1), c.cells);
    }
}

TEST_F(OutputTest, TabBlanksTakeTheCurrentAttribute) {
    SetConsoleTextAttribute(GetStdHandle(STD_OUTPUT_HANDLE), 0x1E);
    At(148, 0);
    Print("\t");
    const std::pair<int, int> blanks[] = {{148, 0}, {149, 0}, {0, 1}, {1, 1}};
    for (auto [x, y] : blanks) EXPECT_EQ(con::attr_at(x, y), 0x1E);
    EXPECT_EQ(con::attr_at(2, 1), 0x07);
}

TEST_F(OutputTest, PassingTheLastRowScrollsTheWholeBuffer) {
    Print("top\nsecond");
    SetConsoleTextAttribute(GetStdHandle(STD_OUTPUT_HANDLE), 0x1E);
    At(0, 99);
    Print("last\nX");
    EXPECT_EQ(con::row_text(0, 0, 6), "second ");
    EXPECT_EQ(con::row_text(98, 0, 4), "last ");
    EXPECT_EQ(con::row_text(99, 0, 1), "X ");
    EXPECT_EQ(con::attr_at(149, 99), 0x1E);  // the new row is blank in the current attribute
    EXPECT_EQ(con::attr_at(149, 98), 0x07);
    EXPECT_EQ(Cursor(), std::make_pair(1, 99));

    // Writing the last cell of the buffer scrolls at once.
    At(149, 99);
    Print("z");
    EXPECT_EQ(con::char_at(149, 98), 'z');
    EXPECT_EQ(Cursor(), std::make_pair(0, 99));
}

TEST_F(OutputTest, ThousandsOfRowsKeepTheLastHundred) {
    for (int i = 0; i < 5000; ++i) con_printf("%d\n", i);
    EXPECT_EQ(con::row_text(0, 0, 4), "4901 ");
    EXPECT_EQ(con::row_text(98, 0, 4), "4999 ");
    EXPECT_EQ(con::row_text(99), std::string(150, ' '));
    EXPECT_EQ(Cursor(), std::make_pair(0, 99));
}

TEST_F(OutputTest, DoubleByteCharacterNeverSplitsAcrossRows) {
    At(148, 0);
    Print("中");  // fits in the last two columns
    EXPECT_EQ(con::row_text(0, 148), "中");
    EXPECT_EQ(Cursor(), std::make_pair(0, 1));

    At(149, 2);
    Print("文x");
    EXPECT_EQ(con::char_at(149, 2), ' ');
    EXPECT_EQ(con::row_text(3, 0, 2), "文x");
    EXPECT_EQ(Cursor(), std::make_pair(3, 3));
}

TEST_F(OutputTest, LeadByteAtTheEndOfAWriteWaitsForItsTrail) {
    const std::string zhong = "中";
    Print(std::string{'a', zhong[0]});
    EXPECT_EQ(Cursor(), std::make_pair(1, 0));
    Print(std::string{zhong[1], 'b'});
    EXPECT_EQ(con::row_text(0, 0, 3), "a中b");

    // Joined at the last column: the pair goes whole to the next row.
    At(149, 1);
    Print(zhong.substr(0, 1));
    Print(zhong.substr(1));
    EXPECT_EQ(con::char_at(149, 1), ' ');
    EXPECT_EQ(con::row_text(2, 0, 1), "中");

    // A cursor move or a byte that is no trail writes it alone.
    At(0, 5);
    Print(zhong.substr(0, 1));
    At(10, 5);
    EXPECT_EQ(con::char_at(0, 5), zhong[0]);
    Print(zhong.substr(0, 1));
    Print("\n");
    EXPECT_EQ(con::char_at(10, 5), zhong[0]);
    EXPECT_EQ(Cursor(), std::make_pair(0, 6));
}

TEST_F(OutputTest, PrintfPadsFieldsAndPutsEndsTheLine) {
    EXPECT_EQ(con_printf("%-14d|%-15s|%-10.2f|", 42, "科室", 3.14159), 42);
    EXPECT_EQ(con::row_text(0, 0, 41), "42            |科室           |3.14      |");

    At(0, 1);
    const std::string longer(1500, 'w');  // longer than printf's stack buffer
    EXPECT_EQ(con_printf("%s!", longer.c_str()), 1501);
    EXPECT_EQ(con::char_at(0, 11), '!');
    EXPECT_EQ(Cursor(), std::make_pair(1, 11));

    con_puts("ok");
    con_printf(">");
    EXPECT_EQ(con::row_text(11, 0, 2), "!ok");
    EXPECT_EQ(con::char_at(0, 12), '>');
}

}  // namespace
