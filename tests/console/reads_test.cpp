#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "console/console_test.h"

namespace {

using ReadsTest = ConsoleTest;

enum class Op { D_C, D, F_C, BLANK_C, BLANK_C_C, C_C, C, S_C };

// One read, shown as "<return>:<field>"; fields start as -7, "-7" or '~' so
// that a read that stores nothing shows it.
std::string DoRead(Op op) {
    int d = -7;
    float f = -7;
    char c = '~';
    char word[8] = "-7";
    int r = 0;
    switch (op) {
        case Op::D_C: r = con_read_d_c(&d); return std::to_string(r) + ":" + std::to_string(d);
        case Op::D: r = con_read_d(&d); return std::to_string(r) + ":" + std::to_string(d);
        case Op::F_C: r = con_read_f_c(&f); return std::to_string(r) + ":" + testing::PrintToString(f);
        case Op::BLANK_C: r = con_read_blank_c(&c); break;
        case Op::BLANK_C_C: r = con_read_blank_c_c(&c); break;
        case Op::C_C: r = con_read_c_c(&c); break;
        case Op::C: r = con_read_c(&c); break;
        case Op::S_C: r = con_read_s_c(word); return std::to_string(r) + ":" + word;
    }
    return std::to_string(r) + ":" + c;
}

// What the standard-input buffer still holds: read it out with "%c" until
// the next read would have to type a line the script no longer has.
std::string Leftover() {
    std::string s;
    try {
        for (;;) {
            char c;
            con_read_c(&c);
            s += c;
        }
    } catch (const con::InputClosed&) {
    }
    return s;
}

TEST_F(ReadsTest, EachFormatTakesWhatScanfTakesAndLeavesTheRest) {
    struct Case {
        std::string typed;
        std::vector<Op> reads;
        std::vector<std::string> results;
        std::string left;
    };
    using enum Op;
    const Case cases[] = {
        {"12\n", {D_C}, {"1:12"}, ""},
        {"12\n", {D}, {"1:12"}, "\n"},
        {"5\n", {D, C}, {"1:5", "1:\n"}, ""},
        {" \t-34 56\n", {D_C, D_C}, {"1:-34", "1:56"}, ""},
        {"\n7\n", {D_C}, {"1:7"}, ""},  // a lone Enter: the read waits for another line
        {"+8\n", {D}, {"1:8"}, "\n"},
        {"12ab\n", {D_C}, {"1:12"}, "b\n"},
        {"abc\n", {D_C}, {"0:-7"}, "abc\n"},  // no digits: nothing stored, nothing discarded
        {"-x\n", {D}, {"0:-7"}, "x\n"},       // the lone sign is consumed
        {"99999999999\n", {D_C}, {"1:" + std::to_string(INT_MAX)}, ""},
        {"-99999999999\n", {D_C}, {"1:" + std::to_string(INT_MIN)}, ""},
        {"2147483648 -2147483648\n", {D_C, D}, {"1:2147483647", "1:-2147483648"}, "\n"},
        {"3.5\n", {F_C}, {"1:3.5"}, ""},
        {" -1.25e2x\n", {F_C}, {"1:-125"}, "\n"},
        {".5 7.\n", {F_C, F_C}, {"1:0.5", "1:7"}, ""},
        {"1e\n", {F_C}, {"1:1"}, ""},  // a dangling exponent is taken as none
        {".x\n", {F_C}, {"0:-7"}, "x\n"},
        {"nan\n", {F_C}, {"0:-7"}, ""},  // consumed, not stored
        {"INF Infinity\n", {F_C, F_C}, {"0:-7", "0:-7"}, ""},
        {"1e39\n", {F_C}, {"0:-7"}, ""},  // beyond a float
        {"-3.4028236e38 1e99999999999\n", {F_C, F_C}, {"0:-7", "0:-7"}, ""},
        // Read as C's strtof reads it whatever the locale: '+', rounding to
        // nearest, a value too small for a float is a zero of its sign.
        {"+2.5 0.1\n", {F_C, F_C}, {"1:2.5", "1:0.1"}, ""},
        {"1e-50 -1e-50\n", {F_C, F_C}, {"1:0", "1:-0"}, ""},
        {"0.000e-99999999999 1e-45 0e999\n", {F_C, F_C, F_C}, {"1:0", "1:1.4013e-45", "1:0"}, ""},
        {"hi you\n", {S_C}, {"1:hi"}, "you\n"},
        {"  \n\v word\n", {S_C}, {"1:word"}, ""},
        {"abcd z\n", {S_C}, {"1:abcd"}, "z\n"},
        {"  y\n", {BLANK_C}, {"1:y"}, "\n"},
        {"\n\n yes\n", {BLANK_C_C}, {"1:y"}, "s\n"},
        {" n\n", {C_C}, {"1: "}, "\n"},
        {"\nn\n", {C_C}, {"1:\n"}, "\n"},  // an Enter answer discards the next line's first byte
        {"ab\n", {C}, {"1:a"}, "b\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.typed));
        con::attach(&fe);
        fe.clear();
        fe.type(c.typed);
        std::vector<std::string> results;
        for (Op op : c.reads) results.push_back(DoRead(op));
        EXPECT_EQ(results, c.results);
        EXPECT_EQ(Leftover(), c.left);
    }
}

// A line typed for a text field takes no more than the field stores: a
// character past that is refused with the bell and not echoed.
TEST_F(ReadsTest, ATextLineHoldsNoMoreThanItsField) {
    struct Case {
        std::string typed;
        std::size_t capacity;
        std::string stored;  // what the field gets and the line shows
        int bells;
    };
    const Case cases[] = {
        {"abcdefg\n", 8, "abcdefg", 0}, {"abcdefgh\n", 8, "abcdefg", 1},
        {"中文字\n", 7, "中文字", 0},    {"中文字体\n", 7, "中文字", 1},
        {"中文字\n", 6, "中文", 1},      // half a character never fits
        {"a中文\n", 5, "a中", 1},        {"abc\n", 1, "", 0},  // no room: no bound
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.typed));
        con::attach(&fe);
        const int bells = fe.bells();
        fe.type(c.typed);
        char field[16];
        std::memset(field, '#', sizeof field);
        EXPECT_EQ(con_read_word_c(field, c.capacity), 1);
        EXPECT_EQ(std::string(field), c.stored);
        for (std::size_t i = c.stored.size() + 1; i < sizeof field; ++i) EXPECT_EQ(field[i], '#');
        EXPECT_EQ(fe.bells() - bells, c.bells);
        if (c.capacity > 1) {
            EXPECT_EQ(con::row_text(0, 0, int(c.stored.size())), c.stored + " ");
        }
        EXPECT_EQ(Leftover(), "");
    }
    // Number lines are not bounded.
    con::attach(&fe);
    fe.type(std::string(40, '7') + "\n");
    int d = 0;
    EXPECT_EQ(con_read_d_c(&d), 1);
    EXPECT_EQ(con::row_text(0, 0, 39), std::string(40, '7'));
}

TEST_F(ReadsTest, EchoStartsAtTheCursorAndEnterEndsTheLine) {
    SetConsoleTextAttribute(GetStdHandle(STD_OUTPUT_HANDLE), 0x1E);
    At(11, 3);
    fe.type("ab").left().f1().click(3, 3).type("c\n");
    char name[8];
    con_read_s_c(name);
    EXPECT_STREQ(name, "abc");
    EXPECT_EQ(con::row_text(3, 10, 14), " abc ");
    EXPECT_EQ(con::attr_at(11, 3), 0x1E);
    EXPECT_EQ(Cursor(), std::make_pair(0, 4));
    EXPECT_EQ(fe.last_wait(), con::Wait::Line);
    EXPECT_EQ(fe.pending(), 1u);  // the Enter's key-up is left for whoever reads next
}

TEST_F(ReadsTest, BackspaceRemovesWholeCharactersButNotThePrompt) {
    struct Case {
        int x, y;
        std::string typed;
        std::string word;
        int row;
        std::string cells;  // the row from the prompt's start
    };
    const Case cases[] = {
        {6, 1, "a中\bb\n", "ab", 1, "Name: ab    "},
        {6, 1, "\b\bx\b\by\n", "y", 1, "Name: y "},
        {6, 1, "ab\x1b" "cd\n", "cd", 1, "Name: cd "},
        {6, 1, "a\t\bz\n", "az", 1, "Name: az       "},
        {6, 1, "a\xD6" "1\n", "a1", 1, "Name: a1 "},  // a lead byte without its trail is dropped
        {146, 99, "abcd\b\b\b\bz\n", "z", 98, "Name: z   "},  // the echo scrolled the buffer
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.typed));
        con::attach(&fe);
        fe.clear();
        At(c.x - 6, c.y);
        Print("Name: ");
        fe.type(c.typed);
        char word[8];
        con_read_s_c(word);
        EXPECT_EQ(std::string(word), c.word);
        EXPECT_EQ(con::row_text(c.row, c.x - 6, c.x - 6 + c.cells.size() - 1), c.cells);
    }
}

TEST_F(ReadsTest, WrappedEchoIsErasedAcrossTheRowEnd) {
    At(147, 0);
    fe.type("ab中\b\bx\n");  // the pair went to row 1, leaving a blank in column 149
    char word[8];
    con_read_s_c(word);
    EXPECT_STREQ(word, "ax");
    EXPECT_EQ(con::row_text(0, 147) + con::row_text(1, 0, 2), "ax    ");
}

TEST_F(ReadsTest, GetchTakesOneKeyPressAndLeavesTheBufferAlone) {
    fe.type("ab\n");
    char c;
    con_read_c(&c);  // "b\n" stays typed ahead

    INPUT_RECORD up{};
    up.EventType = KEY_EVENT;
    up.Event.KeyEvent.wVirtualKeyCode = 'X';
    up.Event.KeyEvent.uChar.AsciiChar = 'x';
    fe.record(up).key(VK_SHIFT).key(0x14).click(1, 1).key('Q', 'Q', SHIFT_PRESSED).f1();
    EXPECT_EQ(con_getch(), 'Q');
    EXPECT_EQ(fe.last_wait(), con::Wait::Key);
    EXPECT_EQ(con_getch(), 0);  // F1 has no character
    EXPECT_EQ(Cursor(), std::make_pair(0, 1));  // no echo
    EXPECT_EQ(Leftover(), "b\n");
}

TEST_F(ReadsTest, EveryInputCallThrowsWhenTheScriptRunsOut) {
    int d = 0;
    char c = 0;
    char word[8];
    INPUT_RECORD rec{};
    DWORD n;
    fe.type("12");  // a line that never ends
    EXPECT_THROW(con_read_d(&d), con::InputClosed);
    EXPECT_THROW(con_read_s_c(word), con::InputClosed);
    EXPECT_THROW(con_read_blank_c(&c), con::InputClosed);
    rec.EventType = KEY_EVENT;  // a key-up: not a key press
    fe.record(rec).key(VK_CONTROL);
    EXPECT_THROW(con_getch(), con::InputClosed);
    EXPECT_THROW(ReadConsoleInputA(GetStdHandle(STD_INPUT_HANDLE), &rec, 1, &n), con::InputClosed);
}

}  // namespace
