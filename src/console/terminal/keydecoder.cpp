#include "console/terminal/keydecoder.h"

#include <array>
#include <climits>

#include "console/gbk.h"

namespace con::term {

namespace {

constexpr DWORD kAlt = LEFT_ALT_PRESSED;
constexpr DWORD kCtrl = LEFT_CTRL_PRESSED;
constexpr DWORD kShift = SHIFT_PRESSED;

struct KeyInfo {
    WORD vk;
    char ch;
    DWORD mods;
};

// Punctuation on a US keyboard: the key it is on, and whether Shift makes it.
struct Punct {
    char c;
    WORD vk;
    bool shift;
};
constexpr Punct kPunct[] = {
    {'!', '1', true},  {'@', '2', true},  {'#', '3', true},  {'$', '4', true},
    {'%', '5', true},  {'^', '6', true},  {'&', '7', true},  {'*', '8', true},
    {'(', '9', true},  {')', '0', true},  {';', 0xBA, false}, {':', 0xBA, true},
    {'=', 0xBB, false}, {'+', 0xBB, true}, {',', 0xBC, false}, {'<', 0xBC, true},
    {'-', 0xBD, false}, {'_', 0xBD, true}, {'.', 0xBE, false}, {'>', 0xBE, true},
    {'/', 0xBF, false}, {'?', 0xBF, true}, {'`', 0xC0, false}, {'~', 0xC0, true},
    {'[', 0xDB, false}, {'{', 0xDB, true}, {'\\', 0xDC, false}, {'|', 0xDC, true},
    {']', 0xDD, false}, {'}', 0xDD, true}, {'\'', 0xDE, false}, {'"', 0xDE, true},
};

// Every ASCII byte as the key press that types it.
constexpr std::array<KeyInfo, 128> make_ascii_keys() {
    std::array<KeyInfo, 128> t{};
    for (int c = 1; c <= 26; ++c) t[c] = {WORD('A' + c - 1), char(c), kCtrl};
    t[0x00] = {VK_SPACE, 0, kCtrl};
    t[0x08] = {VK_BACK, 0x08, 0};
    t[0x09] = {VK_TAB, 0x09, 0};
    // A line feed comes from pasted text far more often than from Ctrl+J.
    t[0x0A] = {VK_RETURN, 0x0D, 0};
    t[0x0D] = {VK_RETURN, 0x0D, 0};
    t[0x1B] = {VK_ESCAPE, 0x1B, 0};
    t[0x1C] = {0xDC, 0x1C, kCtrl};
    t[0x1D] = {0xDD, 0x1D, kCtrl};
    t[0x1E] = {'6', 0x1E, kCtrl | kShift};
    t[0x1F] = {0xBD, 0x1F, kCtrl | kShift};
    t[' '] = {VK_SPACE, ' ', 0};
    for (int c = '0'; c <= '9'; ++c) t[c] = {WORD(c), char(c), 0};
    for (int c = 'A'; c <= 'Z'; ++c) t[c] = {WORD(c), char(c), kShift};
    for (int c = 'a'; c <= 'z'; ++c) t[c] = {WORD(c - 32), char(c), 0};
    for (const Punct& p : kPunct) t[p.c] = {p.vk, p.c, p.shift ? kShift : 0};
    t[0x7F] = {VK_BACK, 0x08, 0};
    return t;
}
constexpr std::array<KeyInfo, 128> kAsciiKeys = make_ascii_keys();

// Keys named by the final byte of "CSI [1;mods] final" and "SS3 final".
struct FinalKey {
    char final;
    WORD vk;
};
constexpr FinalKey kFinalKeys[] = {
    {'A', VK_UP},   {'B', VK_DOWN}, {'C', VK_RIGHT},    {'D', VK_LEFT},
    {'H', VK_HOME}, {'F', VK_END},  {'P', VK_F1},       {'Q', VK_F1 + 1},
    {'R', VK_F1 + 2}, {'S', VK_F1 + 3},
};

// Keys named by the number of "CSI number [;mods] ~".
struct TildeKey {
    int number;
    WORD vk;
};
constexpr TildeKey kTildeKeys[] = {
    {1, VK_HOME},      {2, VK_INSERT},    {3, VK_DELETE},    {4, VK_END},
    {5, VK_PRIOR},     {6, VK_NEXT},      {7, VK_HOME},      {8, VK_END},
    {11, VK_F1},       {12, VK_F1 + 1},   {13, VK_F1 + 2},   {14, VK_F1 + 3},
    {15, VK_F1 + 4},   {17, VK_F1 + 5},   {18, VK_F1 + 6},   {19, VK_F1 + 7},
    {20, VK_F1 + 8},   {21, VK_F1 + 9},   {23, VK_F1 + 10},  {24, VK_F1 + 11},
};

// Keys a Windows console marks as the grey (non-keypad) ones.
bool is_enhanced(WORD vk) {
    return (vk >= VK_PRIOR && vk <= VK_DOWN) || vk == VK_INSERT || vk == VK_DELETE;
}

// The modifier parameter of xterm's key sequences: 1 + (Shift 1, Alt 2,
// Ctrl 4, Meta 8); Meta counts as Alt.
DWORD xterm_mods(int param) {
    if (param < 2) return 0;
    int m = param - 1;
    DWORD mods = 0;
    if (m & 1) mods |= kShift;
    if (m & (2 | 8)) mods |= kAlt;
    if (m & 4) mods |= kCtrl;
    return mods;
}

INPUT_RECORD nav_key(WORD vk, DWORD mods) {
    return key_record(vk, 0, mods | (is_enhanced(vk) ? ENHANCED_KEY : 0));
}

constexpr int kMaxParams = 8;
constexpr int kMaxSequence = 64;  // longer sequences are consumed and dropped

// Pre: CSI (or SS3) has been read. Reads parameter and intermediate bytes up
// to the final byte; params[] gets the numbers (missing ones are 0).
// Returns the final byte, or -1 when the sequence broke off.
int read_sequence(ByteSource& in, int timeout, int params[kMaxParams], int& count,
                  char& leader) {
    count = 0;
    leader = 0;
    for (int i = 0; i < kMaxParams; ++i) params[i] = 0;
    bool in_param = false;
    for (int n = 0;; ++n) {
        int c = in.get(timeout);
        if (c < 0) return -1;
        if (c >= 0x40 && c <= 0x7E) {
            if (in_param || count > 0) ++count;
            return n < kMaxSequence ? c : 0;
        }
        if (c >= '0' && c <= '9') {
            in_param = true;
            if (count < kMaxParams && params[count] < 100000)
                params[count] = params[count] * 10 + (c - '0');
        } else if (c == ';' || c == ':') {
            ++count;
            in_param = false;
            if (count >= kMaxParams) count = kMaxParams - 1;
        } else if (c >= 0x3C && c <= 0x3F) {
            if (n == 0) leader = static_cast<char>(c);
        } else if (c >= 0x20 && c <= 0x2F) {
            // intermediate bytes: nothing we decode uses them
        } else {
            // Not part of a control sequence: the sequence ends here and the
            // byte is input of its own.
            in.unget(static_cast<unsigned char>(c));
            return -1;
        }
    }
}

}  // namespace

INPUT_RECORD key_record(WORD vk, char ch, DWORD mods) {
    INPUT_RECORD r{};
    r.EventType = KEY_EVENT;
    r.Event.KeyEvent.bKeyDown = TRUE;
    r.Event.KeyEvent.wRepeatCount = 1;
    r.Event.KeyEvent.wVirtualKeyCode = vk;
    r.Event.KeyEvent.wVirtualScanCode = 0;
    r.Event.KeyEvent.uChar.AsciiChar = ch;
    r.Event.KeyEvent.dwControlKeyState = mods;
    return r;
}

INPUT_RECORD ascii_key(unsigned char c, DWORD mods) {
    const KeyInfo& k = kAsciiKeys[c & 0x7F];
    return key_record(k.vk, k.ch, k.mods | mods);
}

KeyDecoder::KeyDecoder(Charset charset, Converter from_utf8, int esc_timeout_ms)
    : charset_(charset), from_utf8_(from_utf8 ? from_utf8 : gbk::from_utf8),
      esc_timeout_(esc_timeout_ms) {}

bool KeyDecoder::decode(ByteSource& in, std::vector<INPUT_RECORD>& out) {
    int b = in.get(-1);
    if (b == ByteSource::kEnd) return false;
    if (b < 0) return true;
    if (b == 0x1B)
        escape(in, out);
    else if (b < 0x80)
        out.push_back(ascii_key(static_cast<unsigned char>(b)));
    else
        high_byte(static_cast<unsigned char>(b), in, out);
    return true;
}

// Pre: ESC has just been read.
void KeyDecoder::escape(ByteSource& in, std::vector<INPUT_RECORD>& out) {
    int c = in.get(esc_timeout_);
    if (c < 0) {
        out.push_back(ascii_key(0x1B));
        return;
    }
    if (c == '[') {
        csi(in, out, 0);
    } else if (c == 'O') {
        ss3(in, out, 0);
    } else if (c == 0x1B) {
        // ESC ESC [ ...: some terminals send Alt+arrow this way.
        int d = in.get(esc_timeout_);
        if (d == '[') {
            csi(in, out, kAlt);
        } else if (d == 'O') {
            ss3(in, out, kAlt);
        } else {
            if (d >= 0) in.unget(static_cast<unsigned char>(d));
            in.unget(0x1B);
            out.push_back(ascii_key(0x1B));
        }
    } else if (c < 0x80) {
        out.push_back(ascii_key(static_cast<unsigned char>(c), kAlt));
    } else {
        // ESC then a typed character: an Esc press, then the character.
        in.unget(static_cast<unsigned char>(c));
        out.push_back(ascii_key(0x1B));
    }
}

// Pre: ESC [ has just been read.
void KeyDecoder::csi(ByteSource& in, std::vector<INPUT_RECORD>& out, DWORD extra_mods) {
    int first = in.get(esc_timeout_);
    if (first < 0) {
        // ESC [ alone was Alt+[.
        out.push_back(ascii_key('[', kAlt | extra_mods));
        return;
    }
    if (first == 'M') {
        x10_mouse(in, out);
        return;
    }
    if (first == '<') {
        sgr_mouse(in, out);
        return;
    }
    if (first == '[') {
        // The Linux console's F1-F5: ESC [ [ A..E.
        int c = in.get(esc_timeout_);
        if (c >= 'A' && c <= 'E') out.push_back(nav_key(WORD(VK_F1 + (c - 'A')), extra_mods));
        return;
    }
    in.unget(static_cast<unsigned char>(first));
    int params[kMaxParams];
    int count;
    char leader;
    int final = read_sequence(in, esc_timeout_, params, count, leader);
    if (final <= 0 || leader != 0) return;  // broken off, or not a key
    DWORD mods = extra_mods | (count >= 2 ? xterm_mods(params[1]) : 0);
    if (final == '~') {
        for (const TildeKey& k : kTildeKeys)
            if (k.number == params[0]) {
                out.push_back(nav_key(k.vk, mods));
                return;
            }
        return;
    }
    if (final == 'Z') {
        out.push_back(key_record(VK_TAB, 0x09, mods | kShift));
        return;
    }
    for (const FinalKey& k : kFinalKeys)
        if (k.final == final) {
            out.push_back(nav_key(k.vk, mods));
            return;
        }
}

// Pre: ESC O has just been read.
void KeyDecoder::ss3(ByteSource& in, std::vector<INPUT_RECORD>& out, DWORD extra_mods) {
    int c = in.get(esc_timeout_);
    if (c < 0) {
        out.push_back(ascii_key('O', kAlt | extra_mods));
        return;
    }
    // Some terminals put the modifier between SS3 and the final: ESC O 5 A.
    DWORD mods = extra_mods;
    int param = 0;
    while (c >= '0' && c <= '9') {
        param = param * 10 + (c - '0');
        if (param > 1000) return;
        c = in.get(esc_timeout_);
        if (c < 0) return;
    }
    mods |= xterm_mods(param);
    if (c == 'M') {
        out.push_back(key_record(VK_RETURN, 0x0D, mods));  // keypad Enter
        return;
    }
    for (const FinalKey& k : kFinalKeys)
        if (k.final == c) {
            out.push_back(nav_key(k.vk, mods));
            return;
        }
    if (c < 0x40 || c > 0x7E) in.unget(static_cast<unsigned char>(c));
}

// Pre: ESC [ < has just been read. Format: button ; column ; row, then M for
// a press or motion, m for a release; column and row count from 1.
void KeyDecoder::sgr_mouse(ByteSource& in, std::vector<INPUT_RECORD>& out) {
    int params[kMaxParams];
    int count;
    char leader;
    int final = read_sequence(in, esc_timeout_, params, count, leader);
    if ((final != 'M' && final != 'm') || count != 3) return;
    mouse(params[0], params[1] - 1, params[2] - 1, final == 'm', out);
}

// Pre: ESC [ M has just been read. Three raw bytes follow: button, column and
// row, each plus 32, column and row counting from 1.
void KeyDecoder::x10_mouse(ByteSource& in, std::vector<INPUT_RECORD>& out) {
    int v[3];
    for (int& b : v) {
        b = in.get(esc_timeout_);
        if (b < 0) return;
    }
    int code = v[0] - 32;
    if (code < 0 || v[1] < 33 || v[2] < 33) return;  // out of the encodable range
    bool release = (code & (3 | 32 | 64)) == 3;       // X10 does not say which button
    if (release) buttons_ = 0;
    mouse(code, v[1] - 33, v[2] - 33, release, out);
}

// One mouse report in xterm's button encoding: bits 0-1 the button (0 left,
// 1 middle, 2 right, 3 none), 4 Shift, 8 Alt, 16 Ctrl, 32 motion, 64 wheel,
// 128 the extra buttons 8-11.
void KeyDecoder::mouse(int code, int x, int y, bool release, std::vector<INPUT_RECORD>& out) {
    static constexpr DWORD kButtonBit[3] = {FROM_LEFT_1ST_BUTTON_PRESSED,
                                            FROM_LEFT_2ND_BUTTON_PRESSED,
                                            RIGHTMOST_BUTTON_PRESSED};
    if (code & 128) return;
    INPUT_RECORD r{};
    r.EventType = MOUSE_EVENT;
    MOUSE_EVENT_RECORD& m = r.Event.MouseEvent;
    m.dwMousePosition.X = static_cast<SHORT>(x < 0 ? 0 : (x > SHRT_MAX ? SHRT_MAX : x));
    m.dwMousePosition.Y = static_cast<SHORT>(y < 0 ? 0 : (y > SHRT_MAX ? SHRT_MAX : y));
    if (code & 4) m.dwControlKeyState |= kShift;
    if (code & 8) m.dwControlKeyState |= kAlt;
    if (code & 16) m.dwControlKeyState |= kCtrl;
    int button = code & 3;
    if (code & 64) {
        if (release) return;
        // Up and right are positive, one notch is 120, as on Windows.
        DWORD delta = (button == 0 || button == 3) ? 120u : static_cast<WORD>(-120);
        m.dwEventFlags = button < 2 ? MOUSE_WHEELED : MOUSE_HWHEELED;
        m.dwButtonState = (delta << 16) | buttons_;
    } else if (code & 32) {
        // Motion reports name one held button, or none: what we know of the
        // others stays, unless nothing at all is held.
        if (button == 3)
            buttons_ = 0;
        else
            buttons_ |= kButtonBit[button];
        m.dwEventFlags = MOUSE_MOVED;
        m.dwButtonState = buttons_;
    } else {
        if (button != 3) {
            if (release)
                buttons_ &= ~kButtonBit[button];
            else
                buttons_ |= kButtonBit[button];
        }
        m.dwButtonState = buttons_;
    }
    out.push_back(r);
}

// A byte with the high bit set: the start of a typed character. In GBK, one
// that starts none is a key with the meta bit (Alt); in UTF-8, each invalid
// sequence (a byte that starts none, a sequence broken off, an overlong form,
// a surrogate) is one '?', and the byte that broke a sequence off starts the
// next key.
void KeyDecoder::high_byte(unsigned char b, ByteSource& in, std::vector<INPUT_RECORD>& out) {
    std::string ch(1, static_cast<char>(b));
    if (charset_ == Charset::Gbk) {
        if (gbk::is_lead(b)) {
            int t = in.get(esc_timeout_);
            if (t >= 0 && gbk::is_trail(static_cast<unsigned char>(t))) {
                out.push_back(key_record(0, static_cast<char>(b)));
                out.push_back(key_record(0, static_cast<char>(t)));
                return;
            }
            if (t >= 0) in.unget(static_cast<unsigned char>(t));
        }
        meta(b, out);
        return;
    }
    int need = b >= 0xC2 && b <= 0xDF ? 1 : b >= 0xE0 && b <= 0xEF ? 2 : b >= 0xF0 && b <= 0xF4 ? 3 : -1;
    // The second byte's range is narrower after E0, ED, F0 and F4.
    int lo = b == 0xE0 ? 0xA0 : b == 0xF0 ? 0x90 : 0x80;
    int hi = b == 0xED ? 0x9F : b == 0xF4 ? 0x8F : 0xBF;
    for (int i = 0; i < need; ++i) {
        int c = in.get(esc_timeout_);
        if (c < lo || c > hi) {
            if (c >= 0) in.unget(static_cast<unsigned char>(c));
            need = -1;
            break;
        }
        ch.push_back(static_cast<char>(c));
        lo = 0x80;
        hi = 0xBF;
    }
    if (need < 0) {
        out.push_back(ascii_key('?'));
        return;
    }
    // A Latin-1 letter is what xterm sends for Alt+letter where it sets the
    // eighth bit (U+00E6 for Alt+F): outside line input it is that key.
    if (meta_letters_ && b == 0xC3) {
        auto letter = static_cast<unsigned char>(0x40 | (ch[1] & 0x3F));
        if ((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z')) {
            out.push_back(ascii_key(letter, kAlt));
            return;
        }
    }
    // One character in, one character out: a single byte (ASCII, or code
    // page 936's 0x80 for the euro sign) or a GBK pair.
    std::string text = from_utf8_(ch);
    bool one_char = (text.size() == 1 && !gbk::is_lead(static_cast<unsigned char>(text[0]))) ||
                    (text.size() == 2 && gbk::is_lead(static_cast<unsigned char>(text[0])) &&
                     gbk::is_trail(static_cast<unsigned char>(text[1])));
    if (!one_char) text.assign(1, '?');
    for (char g : text) {
        auto u = static_cast<unsigned char>(g);
        out.push_back(u < 0x80 ? ascii_key(u) : key_record(0, g));
    }
}

void KeyDecoder::meta(unsigned char b, std::vector<INPUT_RECORD>& out) {
    out.push_back(ascii_key(b & 0x7F, kAlt));
}

}  // namespace con::term
