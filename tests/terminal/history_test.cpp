// The terminal's scroll-back: every row output scrolling pushes off the top,
// kept in order as it was, up to its bound, and out of the program's reach.
#include <gtest/gtest.h>

#include <string>

#include "console/output.h"
#include "support/scripted.h"
#include "console/terminal/history.h"
#include "layers.h"

namespace {

using con::Cell;
using con::Half;
using con::term::History;

// A scripted console that keeps its scroll-back as the terminal's does.
class KeepingFrontend : public con::ScriptedFrontend {
public:
    void row_scrolled_off(const Cell* cells, int count) override { history.push(cells, count); }
    History history;
};

std::string Text(const Cell* row, int n) {
    std::string s;
    for (int x = 0; x < n; ++x) s += row[x].ch;
    return s;
}

class TerminalHistory : public ::testing::Test {
protected:
    void SetUp() override { con::attach(&fe); }
    void TearDown() override { con::attach(nullptr); }
    KeepingFrontend fe;
};

TEST_F(TerminalHistory, RowsScrolledOffAreKeptInOrderWithTheirColoursAndPairs) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    SetConsoleTextAttribute(out, 0x1E);
    ClearScreen();
    con_printf("first 内科\n");
    SetConsoleTextAttribute(out, 0x70);
    con_printf("second\n");
    for (int i = 0; i < con::kRows - 3; ++i) con_printf("\n");
    EXPECT_EQ(fe.history.size(), 0) << "nothing has left the screen yet";
    con_printf("\n\n");
    ASSERT_EQ(fe.history.size(), 2);

    const Cell* first = fe.history.row(0);
    EXPECT_EQ(Text(first, 10), "first 内科");
    EXPECT_EQ(first[0].attr, 0x1E);
    EXPECT_EQ(first[149].attr, 0x1E) << "blanks keep their colour";
    EXPECT_EQ(first[6].half, Half::Lead);
    EXPECT_EQ(first[7].half, Half::Trail);
    EXPECT_EQ(Text(fe.history.row(1), 6), "second");
    EXPECT_EQ(fe.history.row(1)[0].attr, 0x70);

    // The program's own clearing and writing leave the scroll-back alone.
    ClearScreen();
    COORD at{0, 0};
    DWORD n = 0;
    FillConsoleOutputCharacterA(out, 'x', con::kCols * con::kRows, at, &n);
    EXPECT_EQ(fe.history.size(), 2);
    EXPECT_EQ(Text(fe.history.row(0), 10), "first 内科");
}

TEST(TerminalHistoryBound, KeepsTheNewestRowsUpToItsCapacity) {
    History h;
    Cell row[con::kCols];
    for (int i = 0; i < History::kCapacity + 5; ++i) {
        std::string n = std::to_string(i);
        for (int x = 0; x < con::kCols; ++x) row[x].ch = x < int(n.size()) ? n[x] : 'x';
        h.push(row, 5);  // the rest comes back blank
    }
    ASSERT_EQ(h.size(), History::kCapacity);
    EXPECT_EQ(Text(h.row(0), 6), "5xxxx ") << "the oldest went first";
    EXPECT_EQ(Text(h.row(h.size() - 1), 6), "10004 ");
    EXPECT_LE(h.bytes(), sizeof(Cell) * con::kCols * History::kCapacity);
}

}  // namespace
