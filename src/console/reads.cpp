#include "console/reads.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "console/console.h"
#include "console/gbk.h"
#include "console/internal.h"
#include "console/output.h"

namespace con {

namespace {

// The standard-input buffer: typed lines not yet read, from g_pos on.
std::string g_buf;
std::size_t g_pos = 0;

// The most bytes a line typed now may hold: the field of the text read that
// asked for it, less its NUL; unbounded for every other read.
constexpr std::size_t kUnbounded = static_cast<std::size_t>(-1);
std::size_t g_line_limit = kUnbounded;

// Bounds the lines typed during one text read.
class LineLimit {
public:
    explicit LineLimit(std::size_t bytes) : saved_(g_line_limit) { g_line_limit = bytes; }
    ~LineLimit() { g_line_limit = saved_; }
    LineLimit(const LineLimit&) = delete;
    LineLimit& operator=(const LineLimit&) = delete;

private:
    std::size_t saved_;
};

bool is_space(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool is_digit(int c) { return c >= '0' && c <= '9'; }
int lower(int c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

// A cell of the echo, counted in rows that do not shift when output scrolls.
struct Mark {
    int x;
    std::int64_t y;
};

Mark here() {
    const auto& s = state();
    return Mark{s.cursor.X, s.cursor.Y + detail::scroll_count()};
}

// Blanks the echo from m up to the cursor and puts the cursor back at m.
void erase_back_to(Mark m) {
    auto& s = state();
    auto& sc = s.screen;
    std::int64_t y0 = m.y - detail::scroll_count();
    int x0 = m.x;
    if (y0 < 0) {  // the start has scrolled off the top
        y0 = 0;
        x0 = 0;
    }
    int x = x0;
    int y = static_cast<int>(y0);
    while (y < s.cursor.Y || (y == s.cursor.Y && x < s.cursor.X)) {
        sc.at(x, y) = Cell{' ', s.attr, Half::None};
        sc.mend(y, x);
        sc.mend(y, x + 1);
        if (++x == sc.cols()) {
            x = 0;
            ++y;
        }
    }
    s.cursor = COORD{static_cast<SHORT>(x0), static_cast<SHORT>(y0)};
}

// Cooked line input: one line typed and echoed, then joined to the buffer.
void type_line() {
    struct Typed {
        std::size_t offset;  // where the character starts in `text`
        Mark echo;           // where its echo starts
    };
    std::string text;
    std::vector<Typed> chars;
    int lead = -1;  // a lead byte waiting for its trail byte

    // A character the line has no room for is refused: not echoed, not kept.
    auto append = [&](const char* bytes, std::size_t n) {
        if (n > g_line_limit - text.size()) {
            bell();
            return;
        }
        chars.push_back(Typed{text.size(), here()});
        text.append(bytes, n);
        write(bytes, n);
    };
    auto erase_from = [&](std::size_t i) {
        erase_back_to(chars[i].echo);
        text.resize(chars[i].offset);
        chars.resize(i);
    };

    for (;;) {
        const INPUT_RECORD rec = next_record(Wait::Line);
        if (rec.EventType != KEY_EVENT || !rec.Event.KeyEvent.bKeyDown) continue;
        const auto& key = rec.Event.KeyEvent;
        const auto c = static_cast<unsigned char>(key.uChar.AsciiChar);
        const bool enter = key.wVirtualKeyCode == VK_RETURN || c == '\r';
        const bool back = key.wVirtualKeyCode == VK_BACK || c == '\b';
        if (c == 0 && !enter && !back) continue;

        if (lead >= 0) {
            const char pair[2] = {static_cast<char>(lead), static_cast<char>(c)};
            lead = -1;
            if (!enter && !back && gbk::is_trail(c)) {
                append(pair, 2);
                continue;
            }
            // A lead byte without its trail byte is not a character: dropped.
        }

        if (enter) {
            write("\n", 1);
            g_buf += text;
            g_buf += '\n';
            return;
        }
        if (back) {
            if (!chars.empty()) erase_from(chars.size() - 1);
        } else if (c == 0x1B) {
            if (chars.empty()) throw InputCancelled{};
            erase_from(0);
        } else if (gbk::is_lead(c)) {
            lead = c;
        } else if (c == '\t' || (c >= 0x20 && c != 0x7F)) {
            const char b = static_cast<char>(c);
            append(&b, 1);
        }
    }
}

int peek() {
    if (g_pos == g_buf.size()) {
        g_buf.clear();
        g_pos = 0;
        type_line();
    }
    return static_cast<unsigned char>(g_buf[g_pos]);
}

int get() {
    const int c = peek();
    ++g_pos;
    return c;
}

void skip_space() {
    while (is_space(peek())) ++g_pos;
}

// "%d" without the store: false when no digits came (sign consumed, as glibc).
bool scan_int(int& out) {
    skip_space();
    bool negative = false;
    if (peek() == '+' || peek() == '-') negative = get() == '-';
    if (!is_digit(peek())) return false;
    constexpr std::int64_t kLimit = std::int64_t{INT_MAX} + 1;
    std::int64_t v = 0;
    while (is_digit(peek())) {
        v = v * 10 + (get() - '0');
        if (v > kLimit) v = kLimit;
    }
    if (negative) v = -v;
    out = static_cast<int>(v < INT_MIN ? INT_MIN : (v > INT_MAX ? INT_MAX : v));
    return true;
}

// Consumes the letters of `word` while they match; true when all did.
bool match_word(const char* word) {
    for (; *word; ++word) {
        if (lower(peek()) != *word) return false;
        ++g_pos;
    }
    return true;
}

enum class Fraction { None, Finite, NotFinite };

// The value of a decimal fraction already checked for shape ([sign] digits
// [. digits] [e [sign] digits], at least one digit), as C's strtof reads it in
// any locale: rounded to nearest, too small a value becomes a zero of its
// sign, too large a one is not finite.
Fraction to_float(const std::string& text, float& out) {
    const char* first = text.data();
    const char* last = first + text.size();
    const bool negative = *first == '-';
    if (*first == '+' || *first == '-') ++first;  // from_chars takes no '+'
    float f;
    if (std::from_chars(first, last, f, std::chars_format::general).ec == std::errc{}) {
        out = negative ? -f : f;
        return Fraction::Finite;
    }
    // Out of range: the place of the first significant digit tells too small
    // from too large (a zero mantissa is always in range).
    long digits = 0;             // mantissa digits so far
    long before_point = -1;      // digits before the point, once seen
    long first_nonzero = -1;     // index of the first significant digit
    const char* p = first;
    for (; p != last && *p != 'e' && *p != 'E'; ++p) {
        if (*p == '.') {
            before_point = digits;
        } else {
            if (*p != '0' && first_nonzero < 0) first_nonzero = digits;
            ++digits;
        }
    }
    if (before_point < 0) before_point = digits;
    long exponent = 0;
    if (p != last) {
        ++p;
        const bool down = *p == '-';
        if (*p == '+' || *p == '-') ++p;
        for (; p != last; ++p) exponent = std::min(exponent * 10 + (*p - '0'), 1000000L);
        if (down) exponent = -exponent;
    }
    // 10 to this power is the first significant digit's place value.
    if (before_point - 1 - first_nonzero + exponent < 0) {
        out = negative ? -0.0f : 0.0f;
        return Fraction::Finite;
    }
    return Fraction::NotFinite;
}

// "%f" without the store.
Fraction scan_float(float& out) {
    skip_space();
    std::string text;
    if (peek() == '+' || peek() == '-') text += static_cast<char>(get());

    const int first = lower(peek());
    if (first == 'n') return match_word("nan") ? Fraction::NotFinite : Fraction::None;
    if (first == 'i') {
        if (!match_word("inf")) return Fraction::None;
        if (lower(peek()) == 'i' && !match_word("inity")) return Fraction::None;
        return Fraction::NotFinite;
    }

    int digits = 0;
    for (; is_digit(peek()); ++digits) text += static_cast<char>(get());
    if (peek() == '.') {
        text += static_cast<char>(get());
        for (; is_digit(peek()); ++digits) text += static_cast<char>(get());
    }
    if (digits == 0) return Fraction::None;
    if (lower(peek()) == 'e') {
        // glibc takes "1e" and "1e+" as 1: the dangling exponent is consumed.
        std::string exponent(1, static_cast<char>(get()));
        if (peek() == '+' || peek() == '-') exponent += static_cast<char>(get());
        bool any = false;
        for (; is_digit(peek()); any = true) exponent += static_cast<char>(get());
        if (any) text += exponent;
    }
    return to_float(text, out);
}

}  // namespace

void reset_input_buffer() {
    g_buf.clear();
    g_pos = 0;
}

}  // namespace con

using con::get;

int con_read_d_c(int* value) {
    int v;
    if (!con::scan_int(v)) return 0;
    *value = v;
    get();
    return 1;
}

int con_read_d(int* value) {
    int v;
    if (!con::scan_int(v)) return 0;
    *value = v;
    return 1;
}

int con_read_f_c(float* value) {
    float v;
    const auto r = con::scan_float(v);
    if (r == con::Fraction::None) return 0;
    get();
    if (r == con::Fraction::NotFinite) return 0;
    *value = v;
    return 1;
}

int con_read_blank_c(char* c) {
    con::skip_space();
    *c = static_cast<char>(get());
    return 1;
}

int con_read_blank_c_c(char* c) {
    con::skip_space();
    *c = static_cast<char>(get());
    get();
    return 1;
}

int con_read_c_c(char* c) {
    *c = static_cast<char>(get());
    get();
    return 1;
}

int con_read_c(char* c) {
    *c = static_cast<char>(get());
    return 1;
}

int con_read_word_c(char* field, std::size_t capacity) {
    // A field with no room for text takes any word and keeps none.
    con::LineLimit limit(capacity > 1 ? capacity - 1 : con::kUnbounded);
    con::skip_space();
    std::string word;
    while (!con::is_space(con::peek())) word += static_cast<char>(get());
    get();
    if (capacity == 0) return 0;
    const std::size_t n = gbk::fit(word, capacity - 1);
    word.copy(field, n);
    field[n] = '\0';
    return 1;
}

int con_getch() {
    for (;;) {
        const INPUT_RECORD rec = con::next_record(con::Wait::Key);
        if (rec.EventType != KEY_EVENT || !rec.Event.KeyEvent.bKeyDown) continue;
        switch (rec.Event.KeyEvent.wVirtualKeyCode) {
            case VK_SHIFT:
            case VK_CONTROL:
            case VK_MENU:
            case 0x14:  // Caps Lock
            case 0x90:  // Num Lock
                continue;
            default:
                return static_cast<unsigned char>(rec.Event.KeyEvent.uChar.AsciiChar);
        }
    }
}
