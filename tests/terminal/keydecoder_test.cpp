// The terminal's key decoder: bytes as terminals send them, in chunks with
// pauses between them, and the console records they must become.
#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "console/terminal/keydecoder.h"
#include "support/chunk_source.h"

using con::term::ChunkSource;
using con::term::KeyDecoder;

namespace {

constexpr DWORD kShift = SHIFT_PRESSED;
constexpr DWORD kCtrl = LEFT_CTRL_PRESSED;
constexpr DWORD kAlt = LEFT_ALT_PRESSED;
constexpr DWORD kEnh = ENHANCED_KEY;

INPUT_RECORD K(WORD vk, int ch, DWORD mods = 0) {
    INPUT_RECORD r{};
    r.EventType = KEY_EVENT;
    r.Event.KeyEvent.bKeyDown = TRUE;
    r.Event.KeyEvent.wRepeatCount = 1;
    r.Event.KeyEvent.wVirtualKeyCode = vk;
    r.Event.KeyEvent.uChar.AsciiChar = static_cast<char>(ch);
    r.Event.KeyEvent.dwControlKeyState = mods;
    return r;
}

INPUT_RECORD M(int x, int y, DWORD buttons, DWORD flags = 0, DWORD mods = 0) {
    INPUT_RECORD r{};
    r.EventType = MOUSE_EVENT;
    r.Event.MouseEvent.dwMousePosition = {static_cast<SHORT>(x), static_cast<SHORT>(y)};
    r.Event.MouseEvent.dwButtonState = buttons;
    r.Event.MouseEvent.dwEventFlags = flags;
    r.Event.MouseEvent.dwControlKeyState = mods;
    return r;
}

constexpr DWORD kWheelUp = 120u << 16;
constexpr DWORD kWheelDown = 0xFF88u << 16;

struct Rec {
    INPUT_RECORD r;
};
bool operator==(const Rec& a, const Rec& b) {
    if (a.r.EventType != b.r.EventType) return false;
    if (a.r.EventType == KEY_EVENT) {
        const auto &x = a.r.Event.KeyEvent, &y = b.r.Event.KeyEvent;
        return x.bKeyDown == y.bKeyDown && x.wRepeatCount == y.wRepeatCount &&
               x.wVirtualKeyCode == y.wVirtualKeyCode && x.uChar.AsciiChar == y.uChar.AsciiChar &&
               x.dwControlKeyState == y.dwControlKeyState;
    }
    const auto &x = a.r.Event.MouseEvent, &y = b.r.Event.MouseEvent;
    return x.dwMousePosition.X == y.dwMousePosition.X &&
           x.dwMousePosition.Y == y.dwMousePosition.Y && x.dwButtonState == y.dwButtonState &&
           x.dwEventFlags == y.dwEventFlags && x.dwControlKeyState == y.dwControlKeyState;
}
std::ostream& operator<<(std::ostream& os, const Rec& a) {
    char buf[96];
    if (a.r.EventType == KEY_EVENT) {
        const auto& k = a.r.Event.KeyEvent;
        std::snprintf(buf, sizeof buf, "key{vk=0x%02X ch=0x%02X mods=0x%03X}", k.wVirtualKeyCode,
                      static_cast<unsigned char>(k.uChar.AsciiChar), k.dwControlKeyState);
    } else {
        const auto& m = a.r.Event.MouseEvent;
        std::snprintf(buf, sizeof buf, "mouse{%d,%d buttons=0x%08X flags=%u mods=0x%X}",
                      m.dwMousePosition.X, m.dwMousePosition.Y, m.dwButtonState,
                      m.dwEventFlags, m.dwControlKeyState);
    }
    return os << buf;
}

std::vector<Rec> wrap(const std::vector<INPUT_RECORD>& v) {
    std::vector<Rec> out;
    for (const auto& r : v) out.push_back({r});
    return out;
}

// Everything the decoder makes of the chunks, to the end of input.
std::vector<Rec> decode_all(std::vector<ChunkSource::Chunk> chunks,
                            KeyDecoder::Charset cs = KeyDecoder::Charset::Utf8) {
    ChunkSource src(std::move(chunks));
    KeyDecoder dec(cs);
    std::vector<INPUT_RECORD> out;
    bool ended = false;
    for (int guard = 0; guard < 100000 && !ended; ++guard) ended = !dec.decode(src, out);
    EXPECT_TRUE(ended) << "decoding did not reach the end of input";
    return wrap(out);
}

std::string utf8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

struct Case {
    const char* name;
    std::vector<ChunkSource::Chunk> chunks;
    std::vector<INPUT_RECORD> want;
};

// A pause longer than the ESC timeout, and one well inside it.
constexpr int kLong = 200;
constexpr int kShort = 5;

void check(const std::vector<Case>& cases, KeyDecoder::Charset cs = KeyDecoder::Charset::Utf8) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(decode_all(c.chunks, cs), wrap(c.want));
    }
}

TEST(TerminalKeyDecoder, PlainKeys) {
    check({
        {"lower-case letter", {{0, "a"}}, {K('A', 'a')}},
        {"upper-case letter carries Shift", {{0, "Q"}}, {K('Q', 'Q', kShift)}},
        {"z and Z", {{0, "zZ"}}, {K('Z', 'z'), K('Z', 'Z', kShift)}},
        {"digits", {{0, "09"}}, {K('0', '0'), K('9', '9')}},
        {"Enter is CR", {{0, "\r"}}, {K(VK_RETURN, 13)}},
        {"a line feed is Enter too", {{0, "\n"}}, {K(VK_RETURN, 13)}},
        {"space", {{0, " "}}, {K(VK_SPACE, ' ')}},
        {"Backspace as DEL", {{0, "\x7f"}}, {K(VK_BACK, 8)}},
        {"Backspace as BS", {{0, "\b"}}, {K(VK_BACK, 8)}},
        {"Tab", {{0, "\t"}}, {K(VK_TAB, 9)}},
        {"Shift+Tab", {{0, "\x1b[Z"}}, {K(VK_TAB, 9, kShift)}},
        {"punctuation on its US key", {{0, ";:?("}},
         {K(0xBA, ';'), K(0xBA, ':', kShift), K(0xBF, '?', kShift), K('9', '(', kShift)}},
        {"Ctrl+A", {{0, "\x01"}}, {K('A', 1, kCtrl)}},
        {"Ctrl+C arrives as a key", {{0, "\x03"}}, {K('C', 3, kCtrl)}},
        {"Ctrl+Z", {{0, "\x1a"}}, {K('Z', 26, kCtrl)}},
        {"several keys in one read", {{0, "ab\r"}}, {K('A', 'a'), K('B', 'b'), K(VK_RETURN, 13)}},
    });
}

TEST(TerminalKeyDecoder, EscapeAndAlt) {
    check({
        {"lone ESC at the end of input", {{0, "\x1b"}}, {K(VK_ESCAPE, 27)}},
        {"lone ESC, then a key after the timeout", {{0, "\x1b"}, {kLong, "a"}},
         {K(VK_ESCAPE, 27), K('A', 'a')}},
        {"two ESC presses far apart", {{0, "\x1b"}, {kLong, "\x1b"}},
         {K(VK_ESCAPE, 27), K(VK_ESCAPE, 27)}},
        {"Alt+x by ESC prefix", {{0, "\x1bx"}}, {K('X', 'x', kAlt)}},
        {"Alt+A by ESC prefix, split read", {{0, "\x1b"}, {kShort, "a"}}, {K('A', 'a', kAlt)}},
        {"Alt+Shift+X", {{0, "\x1bX"}}, {K('X', 'X', kAlt | kShift)}},
        {"Alt+Ctrl+A", {{0, "\x1b\x01"}}, {K('A', 1, kAlt | kCtrl)}},
        {"Alt+Backspace", {{0, "\x1b\x7f"}}, {K(VK_BACK, 8, kAlt)}},
        {"Alt+f as xterm sets the eighth bit, in UTF-8", {{0, "\xc3\xa6"}}, {K('F', 'f', kAlt)}},
        {"Alt+Shift+x the same way", {{0, "\xc3\x98"}}, {K('X', 'X', kAlt | kShift)}},
        {"ESC [ alone is Alt+[", {{0, "\x1b["}, {kLong, "a"}}, {K(0xDB, '[', kAlt), K('A', 'a')}},
        {"ESC O alone is Alt+O", {{0, "\x1bO"}}, {K('O', 'O', kAlt | kShift)}},
        {"ESC before a typed character", {{0, utf8(u8"\x1b中")}},
         {K(VK_ESCAPE, 27), K(0, 0xD6), K(0, 0xD0)}},
    });
}

TEST(TerminalKeyDecoder, CursorAndFunctionKeys) {
    check({
        {"arrows, CSI form", {{0, "\x1b[A\x1b[B\x1b[C\x1b[D"}},
         {K(VK_UP, 0, kEnh), K(VK_DOWN, 0, kEnh), K(VK_RIGHT, 0, kEnh), K(VK_LEFT, 0, kEnh)}},
        {"arrows, SS3 form", {{0, "\x1bOA\x1bOB\x1bOC\x1bOD"}},
         {K(VK_UP, 0, kEnh), K(VK_DOWN, 0, kEnh), K(VK_RIGHT, 0, kEnh), K(VK_LEFT, 0, kEnh)}},
        {"Ctrl+Right", {{0, "\x1b[1;5C"}}, {K(VK_RIGHT, 0, kEnh | kCtrl)}},
        {"Alt+Left", {{0, "\x1b[1;3D"}}, {K(VK_LEFT, 0, kEnh | kAlt)}},
        {"Shift+Up", {{0, "\x1b[1;2A"}}, {K(VK_UP, 0, kEnh | kShift)}},
        {"Ctrl+Alt+Shift+Down", {{0, "\x1b[1;8B"}}, {K(VK_DOWN, 0, kEnh | kCtrl | kAlt | kShift)}},
        {"Alt+Up as ESC ESC [ A", {{0, "\x1b\x1b[A"}}, {K(VK_UP, 0, kEnh | kAlt)}},
        {"modifier inside SS3", {{0, "\x1bO5A"}}, {K(VK_UP, 0, kEnh | kCtrl)}},
        {"F1, SS3 form", {{0, "\x1bOP"}}, {K(VK_F1, 0)}},
        {"F1, CSI ~ form", {{0, "\x1b[11~"}}, {K(VK_F1, 0)}},
        {"F1, CSI form with Shift", {{0, "\x1b[1;2P"}}, {K(VK_F1, 0, kShift)}},
        {"F1, SS3 form with Ctrl", {{0, "\x1bO5P"}}, {K(VK_F1, 0, kCtrl)}},
        {"F1 on the Linux console", {{0, "\x1b[[A"}}, {K(VK_F1, 0)}},
        {"F2 and F12", {{0, "\x1bOQ\x1b[24~"}}, {K(VK_F1 + 1, 0), K(VK_F12, 0)}},
        {"Home and End", {{0, "\x1b[H\x1b[F\x1b[1~\x1b[4~"}},
         {K(VK_HOME, 0, kEnh), K(VK_END, 0, kEnh), K(VK_HOME, 0, kEnh), K(VK_END, 0, kEnh)}},
        {"PgUp, PgDn, Insert, Delete", {{0, "\x1b[5~\x1b[6~\x1b[2~\x1b[3~"}},
         {K(VK_PRIOR, 0, kEnh), K(VK_NEXT, 0, kEnh), K(VK_INSERT, 0, kEnh),
          K(VK_DELETE, 0, kEnh)}},
        {"Ctrl+Delete", {{0, "\x1b[3;5~"}}, {K(VK_DELETE, 0, kEnh | kCtrl)}},
        {"keypad Enter", {{0, "\x1bOM"}}, {K(VK_RETURN, 13)}},
    });
}

TEST(TerminalKeyDecoder, SplitAndBrokenSequences) {
    check({
        {"CSI split after ESC", {{0, "\x1b"}, {kShort, "[A"}}, {K(VK_UP, 0, kEnh)}},
        {"CSI split after [", {{0, "\x1b["}, {kShort, "1;5"}, {kShort, "C"}},
         {K(VK_RIGHT, 0, kEnh | kCtrl)}},
        {"SS3 split", {{0, "\x1bO"}, {kShort, "P"}}, {K(VK_F1, 0)}},
        {"sequence broken off: dropped, what follows stands", {{0, "\x1b[1;"}, {kLong, "x"}},
         {K('X', 'x')}},
        {"a control byte ends a sequence and counts as itself", {{0, "\x1b[1\r"}},
         {K(VK_RETURN, 13)}},
        {"unknown CSI is dropped whole", {{0, "\x1b[?1;2cq"}}, {K('Q', 'q')}},
        {"unknown tilde key is dropped", {{0, "\x1b[99~a"}}, {K('A', 'a')}},
        {"overlong parameters are dropped", {{0, "\x1b[" + std::string(200, '1') + "Aa"}},
         {K('A', 'a')}},
    });
}

TEST(TerminalKeyDecoder, TypedTextBecomesGbk) {
    check({
        {"one Chinese character: two GBK bytes", {{0, utf8(u8"中")}}, {K(0, 0xD6), K(0, 0xD0)}},
        {"UTF-8 split across reads", {{0, "\xe4"}, {kShort, "\xb8"}, {kShort, "\xad"}},
         {K(0, 0xD6), K(0, 0xD0)}},
        {"text mixed with ASCII", {{0, utf8(u8"a文b")}},
         {K('A', 'a'), K(0, 0xCE), K(0, 0xC4), K('B', 'b')}},
        {"full-width punctuation", {{0, utf8(u8"，")}}, {K(0, 0xA3), K(0, 0xAC)}},
        {"a character GBK cannot hold becomes '?'", {{0, utf8(u8"😀")}}, {K(0xBF, '?', kShift)}},
        // Code page 936's own: one byte for the euro sign, a user-defined pair.
        {"the euro sign", {{0, utf8(u8"€")}}, {K(0, 0x80)}},
        {"a private-use character", {{0, utf8(u8"\uE000")}}, {K(0, 0xAA), K(0, 0xA1)}},
        {"Thai has no GBK form either", {{0, utf8(u8"ก")}}, {K(0xBF, '?', kShift)}},
    });
    // A GBK terminal sends GBK already.
    check({
        {"GBK pair passes through", {{0, "\xd6\xd0"}}, {K(0, 0xD6), K(0, 0xD0)}},
        {"GBK lead split from its trail", {{0, "\xd6"}, {kShort, "\xd0"}},
         {K(0, 0xD6), K(0, 0xD0)}},
        {"lone high byte: the meta bit", {{0, "\xe1"}, {kLong, "b"}},
         {K('A', 'a', kAlt), K('B', 'b')}},
    },
          KeyDecoder::Charset::Gbk);
}

// Each invalid UTF-8 sequence is one '?'; what broke a sequence off is a key
// of its own.
TEST(TerminalKeyDecoder, InvalidUtf8IsOneQuestionMarkEach) {
    const INPUT_RECORD q = K(0xBF, '?', kShift);
    check({
        {"a byte that starts nothing", {{0, "\xf8" "a"}}, {q, K('A', 'a')}},
        {"a lone continuation byte", {{0, "\x80\xbf"}}, {q, q}},
        {"a lead byte alone, then a pause", {{0, "\xe1"}, {kLong, "b"}}, {q, K('B', 'b')}},
        {"a lead byte followed at once by ASCII", {{0, "\xe1q"}}, {q, K('Q', 'q')}},
        {"a sequence broken off by ASCII", {{0, "\xe4\xb8q"}}, {q, K('Q', 'q')}},
        {"broken off by the start of a character", {{0, utf8(u8"\xe4中")}},
         {q, K(0, 0xD6), K(0, 0xD0)}},
        {"an overlong form", {{0, "\xc0\xaf\xe0\x80\xaf"}}, {q, q, q, q, q}},
        {"a surrogate", {{0, "\xed\xa0\x80"}}, {q, q, q}},
        {"beyond U+10FFFF", {{0, "\xf4\x90\x80\x80"}}, {q, q, q, q}},
    });
}

// A Latin-1 letter is Alt+letter unless a line is being typed, where it is text.
TEST(TerminalKeyDecoder, MetaLettersAreTextInLineInput) {
    ChunkSource src({{0, utf8(u8"áé")}});
    KeyDecoder dec;
    dec.set_meta_letters(false);
    std::vector<INPUT_RECORD> out;
    while (dec.decode(src, out)) {
    }
    EXPECT_EQ(wrap(out), wrap({K(0, 0xA8), K(0, 0xA2), K(0, 0xA8), K(0, 0xA6)}));
}

std::string x10(int code, int x, int y) {
    return std::string("\x1b[M") + static_cast<char>(32 + code) + static_cast<char>(33 + x) +
           static_cast<char>(33 + y);
}

TEST(TerminalKeyDecoder, SgrMouse) {
    check({
        {"left press and release", {{0, "\x1b[<0;12;1M\x1b[<0;12;1m"}},
         {M(11, 0, FROM_LEFT_1ST_BUTTON_PRESSED), M(11, 0, 0)}},
        {"right press", {{0, "\x1b[<2;5;7M"}}, {M(4, 6, RIGHTMOST_BUTTON_PRESSED)}},
        {"middle press", {{0, "\x1b[<1;1;1M"}}, {M(0, 0, FROM_LEFT_2ND_BUTTON_PRESSED)}},
        {"motion without buttons", {{0, "\x1b[<35;20;10M"}}, {M(19, 9, 0, MOUSE_MOVED)}},
        {"drag with the left button", {{0, "\x1b[<0;3;3M\x1b[<32;4;3M\x1b[<0;4;3m"}},
         {M(2, 2, 1), M(3, 2, 1, MOUSE_MOVED), M(3, 2, 0)}},
        {"both buttons: state is kept across reports",
         {{0, "\x1b[<0;1;1M\x1b[<2;1;1M\x1b[<2;1;1m\x1b[<0;1;1m"}},
         {M(0, 0, 1), M(0, 0, 3), M(0, 0, 1), M(0, 0, 0)}},
        {"motion naming no button clears the state", {{0, "\x1b[<0;1;1M\x1b[<35;2;1M"}},
         {M(0, 0, 1), M(1, 0, 0, MOUSE_MOVED)}},
        {"wheel up and down", {{0, "\x1b[<64;10;10M\x1b[<65;10;10M"}},
         {M(9, 9, kWheelUp, MOUSE_WHEELED), M(9, 9, kWheelDown, MOUSE_WHEELED)}},
        {"horizontal wheel", {{0, "\x1b[<66;1;1M\x1b[<67;1;1M"}},
         {M(0, 0, kWheelDown, MOUSE_HWHEELED), M(0, 0, kWheelUp, MOUSE_HWHEELED)}},
        {"Shift and Ctrl with a click", {{0, "\x1b[<4;1;1M\x1b[<16;1;1m"}},
         {M(0, 0, 1, 0, kShift), M(0, 0, 0, 0, kCtrl)}},
        {"Alt with a click", {{0, "\x1b[<8;2;2M"}}, {M(1, 1, 1, 0, kAlt)}},
        {"far cells", {{0, "\x1b[<0;300;200M"}}, {M(299, 199, 1)}},
        {"report split across reads", {{0, "\x1b[<0;1"}, {kShort, "2;1"}, {kShort, "M"}},
         {M(11, 0, 1)}},
        {"extra buttons are dropped", {{0, "\x1b[<128;1;1Ma"}}, {K('A', 'a')}},
        {"malformed report is dropped", {{0, "\x1b[<0;1Mb"}}, {K('B', 'b')}},
    });
}

TEST(TerminalKeyDecoder, X10Mouse) {
    check({
        {"left press and release", {{0, x10(0, 11, 0) + x10(3, 11, 0)}},
         {M(11, 0, 1), M(11, 0, 0)}},
        {"right press", {{0, x10(2, 4, 6)}}, {M(4, 6, 2)}},
        {"middle press", {{0, x10(1, 0, 0)}}, {M(0, 0, 4)}},
        {"motion without buttons", {{0, x10(35, 19, 9)}}, {M(19, 9, 0, MOUSE_MOVED)}},
        {"drag", {{0, x10(0, 1, 1) + x10(32, 2, 1)}}, {M(1, 1, 1), M(2, 1, 1, MOUSE_MOVED)}},
        {"wheel", {{0, x10(64, 5, 5) + x10(65, 5, 5)}},
         {M(5, 5, kWheelUp, MOUSE_WHEELED), M(5, 5, kWheelDown, MOUSE_WHEELED)}},
        {"column past 94 (a high byte, not UTF-8)", {{0, x10(0, 140, 50)}}, {M(140, 50, 1)}},
        {"report split across reads", {{0, "\x1b[M "}, {kShort, "!!"}}, {M(0, 0, 1)}},
    });
}

TEST(TerminalKeyDecoder, EndOfInputIsReported) {
    ChunkSource src({{0, "a"}});
    KeyDecoder dec;
    std::vector<INPUT_RECORD> out;
    EXPECT_TRUE(dec.decode(src, out));
    EXPECT_FALSE(dec.decode(src, out));
    EXPECT_FALSE(dec.decode(src, out));
    EXPECT_EQ(out.size(), 1u);
}

// Whatever bytes arrive, decoding ends and every record is a well-formed key
// or mouse record.
TEST(TerminalKeyDecoder, ArbitraryBytesNeverHang) {
    std::string noise;
    unsigned seed = 12345;
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 1103515245u + 12345u;
        noise += static_cast<char>(i % 7 == 0 ? 0x1b : (seed >> 16) & 0xFF);
    }
    std::vector<Rec> recs = decode_all({{0, noise}});
    EXPECT_FALSE(recs.empty());
    for (const Rec& r : recs)
        ASSERT_TRUE(r.r.EventType == KEY_EVENT || r.r.EventType == MOUSE_EVENT);
}

}  // namespace
