// Which cells hold the two halves of a double-byte character: every writer
// keeps the roles right, rectangles carry them, the renderer pairs by them.
#include <string>
#include <string_view>
#include <vector>

#include "console/console_test.h"
#include "console/terminal/renderer.h"
#include "support/app_test.h"

namespace {

using DbcsTest = ConsoleTest;
using con::Half;

const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);

// Roles of cells x0..x1 of row y: '.' single, 'L' lead, 'T' trail, 'o' orphan.
std::string Roles(int y, int x0, int x1) {
    std::string s;
    for (int x = x0; x <= x1; ++x) s += ".LTo"[static_cast<int>(con::state().screen.at(x, y).half)];
    return s;
}

COORD At2(int x, int y) { return COORD{static_cast<SHORT>(x), static_cast<SHORT>(y)}; }

std::vector<WORD> Attributes(const std::vector<CHAR_INFO>& cells) {
    std::vector<WORD> a;
    for (const CHAR_INFO& c : cells) a.push_back(c.Attributes);
    return a;
}

CHAR_INFO Info(char ch, WORD attr) {
    CHAR_INFO c{};
    c.Char.AsciiChar = ch;
    c.Attributes = attr;
    return c;
}

TEST_F(DbcsTest, OverwritingHalfAPairLeavesTheOtherHalfAnOrphan) {
    enum Writer { Output, Fill, WriteChars };
    struct Case {
        Writer writer;
        int x;
        const char* roles;
    };
    const Case cases[] = {
        {Output, 2, "LT.oLT"},     {Output, 3, "LTo.LT"},     {Fill, 2, "LT.oLT"},
        {Fill, 3, "LTo.LT"},       {WriteChars, 2, "LT.oLT"}, {WriteChars, 3, "LTo.LT"},
    };
    const std::string text = "中文中";
    for (const Case& c : cases) {
        con::attach(&fe);
        Print(text);
        ASSERT_EQ(Roles(0, 0, 5), "LTLTLT");
        DWORD n = 0;
        switch (c.writer) {
            case Output: At(c.x, 0), Print("x"); break;
            case Fill: FillConsoleOutputCharacterA(out, 'x', 1, At2(c.x, 0), &n); break;
            case WriteChars: WriteConsoleOutputCharacterA(out, "x", 1, At2(c.x, 0), &n); break;
        }
        EXPECT_EQ(Roles(0, 0, 6), std::string(c.roles) + ".") << c.writer << " at " << c.x;
        // The orphan keeps its byte, for a restore to join again.
        std::string bytes = text;
        bytes[static_cast<std::size_t>(c.x)] = 'x';
        EXPECT_EQ(con::row_text(0, 0, 5), bytes);
    }
    // Colours alone change no roles.
    FillConsoleOutputAttribute(out, 0x1E, 6, At2(0, 0), nullptr);
    EXPECT_EQ(Roles(0, 0, 5), "LTo.LT");
}

TEST_F(DbcsTest, WrittenStringsArePairedFromTheirFirstByte) {
    // Over "中文中", "x中文" from cell 1: the pair it cuts at its start is orphaned.
    Print("中文中");
    WriteConsoleOutputCharacterA(out, "x中文", 5, At2(1, 0), nullptr);
    EXPECT_EQ(Roles(0, 0, 6), "o.LTLT.");
    // D0 D6 D0: the first two bytes are the pair, not the last two.
    WriteConsoleOutputCharacterA(out, "\xd0\xd6\xd0", 3, At2(0, 1), nullptr);
    EXPECT_EQ(Roles(1, 0, 3), "LT..");
    // A pair the row's end splits is two orphans.
    WriteConsoleOutputCharacterA(out, "中", 2, At2(149, 2), nullptr);
    EXPECT_EQ(Roles(2, 149, 149) + Roles(3, 0, 0), "oo");
}

TEST_F(DbcsTest, BackspaceBlanksTheEchoedPairAsSingleCells) {
    At(0, 4);
    fe.type("中").key(VK_BACK).type("x").enter();
    char word[8] = {};
    ASSERT_EQ(con_read_s_c(word), 1);
    EXPECT_STREQ(word, "x");
    EXPECT_EQ(Roles(4, 0, 2), "...");
}

TEST_F(DbcsTest, ScrollingCarriesRolesWithTheCells) {
    At(0, 98);
    Print("中x");
    FillConsoleOutputCharacterA(out, 'y', 1, At2(1, 98), nullptr);  // an orphan at (0, 98)
    At(0, 99);
    Print("a文\n");
    EXPECT_EQ(Roles(97, 0, 2), "o..");
    EXPECT_EQ(Roles(98, 0, 2), ".LT");
    EXPECT_EQ(Roles(99, 0, 2), "...");
}

TEST_F(DbcsTest, RectangleRoundTripKeepsThePairsItsEdgesCut) {
    At(0, 5);
    Print("中文中文");
    std::vector<CHAR_INFO> saved(6);
    SMALL_RECT rc{1, 5, 6, 5};
    ASSERT_TRUE(ReadConsoleOutputA(out, saved.data(), COORD{6, 1}, COORD{0, 0}, &rc));
    EXPECT_EQ(Attributes(saved),
              (std::vector<WORD>{0x207, 0x107, 0x207, 0x107, 0x207, 0x107}));

    // Blanked as a pop-up's label would blank it: the halves outside are orphans.
    FillConsoleOutputCharacterA(out, ' ', 6, At2(1, 5), nullptr);
    EXPECT_EQ(Roles(5, 0, 7), "o......o");
    std::vector<CHAR_INFO> edges(8);
    rc = SMALL_RECT{0, 5, 7, 5};
    ReadConsoleOutputA(out, edges.data(), COORD{8, 1}, COORD{0, 0}, &rc);
    EXPECT_EQ(edges[0].Attributes, 0x307);
    EXPECT_EQ(edges[7].Attributes, 0x307);

    // Put back, the cut pairs join their orphans again.
    rc = SMALL_RECT{1, 5, 6, 5};
    ASSERT_TRUE(WriteConsoleOutputA(out, saved.data(), COORD{6, 1}, COORD{0, 0}, &rc));
    EXPECT_EQ(Roles(5, 0, 8), "LTLTLTLT.");
    EXPECT_EQ(con::row_text(5, 0, 7), "中文中文");
    for (int x = 0; x < 8; ++x) EXPECT_EQ(con::attr_at(x, 5), 0x07) << x;  // no role bits kept

    // Role bits the bytes do not bear out make orphans, never a pair; a lead
    // at the right edge with no trail beside it is an orphan too.
    const CHAR_INFO claimed[] = {Info('A', 0x107), Info('B', 0x207), Info('\xd6', 0x107)};
    rc = SMALL_RECT{20, 5, 22, 5};
    WriteConsoleOutputA(out, claimed, COORD{3, 1}, COORD{0, 0}, &rc);
    EXPECT_EQ(Roles(5, 20, 23), "ooo.");
    EXPECT_EQ(con::attr_at(20, 5), 0x07);
}

TEST_F(DbcsTest, RowWithoutRoleBitsIsPairedByScanningItsBytes) {
    At(0, 6);
    Print("中文");
    // Over cells 1..6: the pair cut at cell 1 leaves an orphan at cell 0.
    const CHAR_INFO plain[] = {Info('a', 0x70),    Info('\xd6', 0x70), Info('\xd0', 0x70),
                               Info('\xce', 0x70), Info('\xc4', 0x70), Info('b', 0x70)};
    SMALL_RECT rc{1, 6, 6, 6};
    WriteConsoleOutputA(out, plain, COORD{6, 1}, COORD{0, 0}, &rc);
    EXPECT_EQ(Roles(6, 0, 7), "o.LTLT..");

    // Rows are judged one by one: the first has role bits, the second none, and
    // the second is scanned from its own first byte (D0 D6, then D0 CE).
    const CHAR_INFO two_rows[] = {Info('\xd6', 0x107), Info('\xd0', 0x207), Info('a', 0x07),
                                  Info('b', 0x07),     Info('\xd0', 0x07),  Info('\xd6', 0x07),
                                  Info('\xd0', 0x07),  Info('\xce', 0x07)};
    rc = SMALL_RECT{10, 7, 13, 8};
    WriteConsoleOutputA(out, two_rows, COORD{4, 2}, COORD{0, 0}, &rc);
    EXPECT_EQ(Roles(7, 10, 13), "LT..");
    EXPECT_EQ(Roles(8, 10, 13), "LTLT");
}

// A pop-up over command output, edges through Chinese characters, shown by the
// real renderer and taken away again.
class DbcsPopUp : public AppTest {
protected:
    // What a 16-cell terminal shows of row y from column 0 (UTF-8), escape sequences
    // left out: every cell is drawn in order on a terminal without erase colour.
    static std::string Shown(int y) {
        con::term::TermCaps caps;
        caps.bce = false;
        caps.title = false;
        con::term::Renderer r(caps, con::term::TermText{});
        r.resize(16, 1);
        con::term::FrameView view;
        view.top = y;
        std::string frame;
        r.render(con::state(), view, frame);
        std::string text;
        for (std::size_t i = 0; i < frame.size(); ++i) {
            if (frame[i] != '\x1b') {
                text += frame[i];
                continue;
            }
            ++i;  // ESC [ parameters final-byte
            while (i + 1 < frame.size() && !(frame[i + 1] >= 0x40 && frame[i + 1] <= 0x7E)) ++i;
            ++i;
        }
        return text;
    }

    static void Open(SMALL_RECT rc, const char* label) {
        const char* texts[] = {label};
        COORD locs[] = {COORD{rc.Left, rc.Top}};
        LABEL_BUNDLE labels{texts, locs, 1};
        HOT_AREA hot{nullptr, nullptr, nullptr, 0};
        PopUp(&rc, 0x70, &labels, &hot);
    }
};

TEST_F(DbcsPopUp, EdgesThroughCharactersShowBlanksAndPopOffRestoresThePairs) {
    StartSys();
    SetConsoleCursorPosition(gh_std_out, COORD{0, 4});
    con_printf("中文中文中文中文");
    const std::vector<con::Cell> before(&con::state().screen.at(0, 4),
                                        &con::state().screen.at(0, 4) + SCR_COL);
    EXPECT_EQ(Shown(4), Utf8("中文中文中文中文"));

    // Cells 3..8: the halves left at cells 2 and 9 are blanks, and what follows
    // keeps its own pairing.
    Open(SMALL_RECT{3, 4, 8, 4}, "[ ok ]");
    EXPECT_EQ(Shown(4), Utf8("中 [ ok ] 文中文"));
    // A second pop-up over the first one's orphan, the next character and the
    // first half of the one after: its inside is blank, and the half it leaves
    // outside (cell 13) shows as a blank too.
    Open(SMALL_RECT{9, 4, 12, 4}, "ab");
    EXPECT_EQ(Shown(4), Utf8("中 [ ok ]ab   文"));

    PopOff();
    EXPECT_EQ(Shown(4), Utf8("中 [ ok ] 文中文"));
    PopOff();
    EXPECT_EQ(Shown(4), Utf8("中文中文中文中文"));
    for (int x = 0; x < SCR_COL; ++x) {
        const con::Cell& c = con::state().screen.at(x, 4);
        EXPECT_TRUE(c == before[static_cast<std::size_t>(x)])
            << "cell " << x << " role " << static_cast<int>(c.half);
    }
}

}  // namespace
