// The terminal renderer: a screen buffer in, the exact bytes for the terminal
// out. The terminal here is 8 x 2 cells, so each frame's bytes stay short.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

#include "console/terminal/renderer.h"

using con::term::FrameView;
using con::term::Renderer;
using con::term::TermCaps;
using con::term::TermText;

namespace {

std::string utf8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

// Escapes made visible, for readable failures.
std::string show(std::string_view s) {
    std::string out;
    for (unsigned char c : s) {
        if (c == 0x1b)
            out += "\\e";
        else if (c < 0x20 || c == 0x7f) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            out += buf;
        } else
            out += static_cast<char>(c);
    }
    return out;
}

#define EXPECT_BYTES(actual, expected) EXPECT_EQ(show(actual), show(expected))

const std::string kBlankFirstFrame = "\x1b[0m\x1b[37;40m\x1b[H\x1b[2J\x1b[?25l";

class TerminalRenderer : public ::testing::Test {
protected:
    void SetUp() override { Make(TermCaps{}, TermText{}); }

    void Make(TermCaps caps, TermText text) {
        r = std::make_unique<Renderer>(std::move(caps), text);
        r->resize(8, 2);
    }

    std::string Frame(FrameView v = {}) {
        std::string out;
        r->render(*st, v, out);
        return out;
    }

    // Bytes into cells from (x, y), all in one attribute, paired as a
    // console's writers pair them.
    void Put(int x, int y, std::string_view bytes, WORD attr = 0x07) {
        const int x0 = x;
        for (char c : bytes) st->screen.at(x++, y) = {c, attr};
        st->screen.pair_bytes(y, x0, x - 1);
    }
    void FillAttr(WORD attr) {
        for (int y = 0; y < st->screen.rows(); ++y)
            for (int x = 0; x < st->screen.cols(); ++x) st->screen.at(x, y).attr = attr;
    }

    std::unique_ptr<con::ConsoleState> st = std::make_unique<con::ConsoleState>();
    std::unique_ptr<Renderer> r;
};

TEST_F(TerminalRenderer, FirstFrameClearsInTheCommonestColoursAndDrawsTheRest) {
    EXPECT_BYTES(Frame(), kBlankFirstFrame);

    Make(TermCaps{}, TermText{});
    FillAttr(0x1E);
    Put(2, 1, "A", 0x70);
    EXPECT_BYTES(Frame(), "\x1b[0m\x1b[93;44m\x1b[H\x1b[2J\x1b[2;3H\x1b[30;47mA\x1b[?25l");
}

TEST_F(TerminalRenderer, WithoutBackgroundColourEraseEveryCellIsDrawn) {
    TermCaps caps;
    caps.bce = false;
    Make(caps, TermText{});
    EXPECT_BYTES(Frame(), "\x1b[0m\x1b[H\x1b[2J\x1b[37;40m        \x1b[2H        \x1b[?25l");
}

TEST_F(TerminalRenderer, ConsoleColoursBecomeAnsiColours) {
    const int want[16] = {0, 4, 2, 6, 1, 5, 3, 7, 8, 12, 10, 14, 9, 13, 11, 15};
    for (int c = 0; c < 16; ++c) EXPECT_EQ(con::term::ansi_colour(c), want[c]) << c;

    struct {
        WORD attr;
        const char* bytes;  // drawing 'X' at (0, 0) after a blank 0x07 frame
    } cases[] = {
        {0x1E, "\x1b[93;44mX"},   // bright yellow on blue
        {0x70, "\x1b[30;47mX"},   // black on light grey
        {0x74, "\x1b[31;47mX"},   // red on light grey
        {0x07, "X"},              // light grey on black: the colours in force
        {0x0F, "\x1b[97mX"},      // only the foreground changes
        {0x17, "\x1b[44mX"},      // only the background changes
        {0x01, "\x1b[34mX"},      // blue
        {0x04, "\x1b[31mX"},      // red
        {0x9C, "\x1b[91;104mX"},  // bright red on bright blue
        {0x40, "\x1b[30;41mX"},   // black on red
        {0xF0, "\x1b[30;107mX"},  // black on white
        {0x8007, "X"},            // bits above the colours are not shown
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.attr);
        st = std::make_unique<con::ConsoleState>();
        Make(TermCaps{}, TermText{});
        EXPECT_BYTES(Frame(), kBlankFirstFrame);
        Put(0, 0, "X", c.attr);
        EXPECT_BYTES(Frame(), c.bytes);
    }
}

TEST_F(TerminalRenderer, DoubleByteCharacters) {
    Frame();
    Put(0, 0, "中");
    EXPECT_BYTES(Frame(), utf8(u8"中"));

    // The blank before the pair is written again rather than moved over.
    Put(0, 0, "  ");
    Put(1, 0, "中文");
    EXPECT_BYTES(Frame(), "\x1b[H" + utf8(u8" 中文"));

    // Narrow characters over a wide one, and a wide one over narrow ones.
    Put(0, 0, "ab   ");
    EXPECT_BYTES(Frame(), "\x1b[Hab   ");
    Put(0, 0, "中");
    EXPECT_BYTES(Frame(), "\x1b[H" + utf8(u8"中"));
}

TEST_F(TerminalRenderer, PairWithTwoAttributesTakesTheFirstCells) {
    Frame();
    Put(0, 0, "件", 0x70);
    st->screen.at(1, 0).attr = 0x74;
    EXPECT_BYTES(Frame(), "\x1b[30;47m" + utf8(u8"件"));
    // The second cell's colour alone changing shows nothing new.
    st->screen.at(1, 0).attr = 0x70;
    EXPECT_BYTES(Frame(), "");
}

TEST_F(TerminalRenderer, BrokenHalvesShowAsBlanks) {
    Frame();
    Put(0, 0, "AB中");
    EXPECT_BYTES(Frame(), "AB" + utf8(u8"中"));
    // The pair's first half overwritten: its second half is a blank.
    Put(2, 0, "|");
    EXPECT_BYTES(Frame(), "\x1b[1;3H| ");
    // A lead byte followed by a byte that cannot be a trail byte.
    Put(0, 0, "\xd6" "1");
    EXPECT_BYTES(Frame(), "\x1b[H 1");
}

TEST_F(TerminalRenderer, PairsCutByTheViewEdgesShowAsBlanks) {
    Frame();
    Put(0, 0, "ABCDEFG中");
    EXPECT_BYTES(Frame(), "ABCDEFG");  // the pair's right half is off the terminal
    FrameView v;
    v.left = 1;
    EXPECT_BYTES(Frame(v), "\x1b[HBCDEFG" + utf8(u8"中"));
    v.left = 8;  // only the pair's right half is in view
    Put(9, 0, "z");
    EXPECT_BYTES(Frame(v), "\x1b[H z      ");
}

TEST_F(TerminalRenderer, ControlBytesNeverReachTheTerminal) {
    Frame();
    Put(0, 0, std::string_view("\x1b[2J\x07\x00\x7f\x9b", 8));
    Put(0, 1, "\x80\xff");
    // 0x9b is a lone lead byte here: a blank, like any broken half.
    EXPECT_BYTES(Frame(), "?[2J???\x1b[2H??");
}

TEST_F(TerminalRenderer, NarrowGlyphsOfPairsKeepTwoCells) {
    Frame();
    // GBK A1 B0 is U+201C, which terminals draw one cell wide (or two, where
    // ambiguous widths are wide): both cells are blanked first.
    Put(0, 0, "\xa1\xb0x");
    EXPECT_BYTES(Frame(), "  \b\b" + utf8(u8"\u201c") + "\x1b[1;3Hx");

    // A pair the converter cannot render.
    TermText text;
    text.convert = [](std::string_view) { return std::string("?"); };
    Make(TermCaps{}, text);
    Frame();
    Put(0, 1, "\xa1\xb1");
    EXPECT_BYTES(Frame(), "\x1b[2H  \b\b?");
}

TEST_F(TerminalRenderer, OnlyChangedCellsAreSent) {
    Frame();
    EXPECT_BYTES(Frame(), "");

    Put(6, 1, "X");
    EXPECT_BYTES(Frame(), "\x1b[2;7HX");

    // Close together: the unchanged cell between is written again.
    Put(0, 0, "X");
    Put(2, 0, "Y");
    EXPECT_BYTES(Frame(), "\x1b[HX Y");

    // Far apart: a cursor move is cheaper.
    Put(0, 0, "A");
    Put(7, 0, "B");
    EXPECT_BYTES(Frame(), "\x1b[HA\x1b[6CB");

    // Unchanged cells of other colours are moved over.
    Put(0, 0, "C", 0x1E);
    Put(2, 0, "D", 0x1E);
    EXPECT_BYTES(Frame(), "\x1b[H\x1b[93;44mC\x1b[CD");
    EXPECT_BYTES(Frame(), "");
}

TEST_F(TerminalRenderer, CursorShownOnlyWhereAsked) {
    Frame();
    FrameView v;
    v.cursor_x = 3;
    v.cursor_y = 1;
    EXPECT_BYTES(Frame(v), "\x1b[2;4H\x1b[?25h");
    EXPECT_BYTES(Frame(v), "");
    // Drawing elsewhere brings the cursor back.
    Put(0, 0, "Z");
    EXPECT_BYTES(Frame(v), "\x1b[HZ\x1b[2;4H");
    v.cursor_x = 8;  // beyond the terminal
    EXPECT_BYTES(Frame(v), "\x1b[?25l");
    EXPECT_BYTES(Frame(), "");
}

TEST_F(TerminalRenderer, TitleSentWhenItChanges) {
    Frame();
    st->title = "Quorvel";
    EXPECT_BYTES(Frame(), "\x1b]0;Quorvel\a");
    EXPECT_BYTES(Frame(), "");
    st->title = "医院\x1b]0;x\a";
    EXPECT_BYTES(Frame(), "\x1b]0;" + utf8(u8"医院]0;x") + "\a");
    // A full repaint sends it again.
    r->invalidate();
    EXPECT_BYTES(Frame().substr(0, 23), "\x1b[0m\x1b[37;40m\x1b[H\x1b[2J\x1b]0;");
}

TEST_F(TerminalRenderer, CellsBeyondTheBufferAreLightGreyBlanks) {
    st->screen.resize(4, 1);
    FillAttr(0x1E);
    EXPECT_BYTES(Frame(), "\x1b[0m\x1b[37;40m\x1b[H\x1b[2J\x1b[93;44m    \x1b[?25l");
}

TEST_F(TerminalRenderer, ResizeOrInvalidateRepaintsEverything) {
    Put(0, 0, "hi");
    Frame();
    r->resize(3, 1);
    EXPECT_BYTES(Frame(), "\x1b[0m\x1b[37;40m\x1b[H\x1b[2Jhi\x1b[?25l");
    r->invalidate();
    EXPECT_BYTES(Frame(), "\x1b[0m\x1b[37;40m\x1b[H\x1b[2Jhi\x1b[?25l");
}

TEST_F(TerminalRenderer, TerminfoCursorAddressIsUsedWhenNotAnsi) {
    TermCaps caps;
    caps.cup = "\x1bY%p1%' '%+%c%p2%' '%+%c";  // VT52 style
    Make(caps, TermText{});
    Frame();
    Put(2, 1, "X");
    EXPECT_BYTES(Frame(), "\x1bY!\"X");
}

TEST_F(TerminalRenderer, GbkTerminalsGetGbkBytes) {
    TermText text;
    text.charset = TermText::Charset::Gbk;
    Make(TermCaps{}, text);
    Frame();
    Put(0, 0, "中\xa1\xb0");
    st->title = "医院";
    EXPECT_BYTES(Frame(), "\x1b]0;医院\a中\xa1\xb0");
}

}  // namespace
