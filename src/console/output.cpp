#include "console/output.h"

#include <array>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "console/console.h"
#include "console/gbk.h"
#include "console/internal.h"

namespace con {

namespace {

int g_pending_lead = -1;  // a lead byte that ended the last write, or -1
std::int64_t g_scrolls = 0;

enum Kind : unsigned char { kPlain, kControl, kLead };

constexpr std::array<unsigned char, 256> make_kinds() {
    std::array<unsigned char, 256> k{};
    for (int b = 0x81; b <= 0xFE; ++b) k[b] = kLead;  // as gbk::is_lead
    for (unsigned char b : {'\n', '\r', '\t', '\b', '\a'}) k[b] = kControl;
    return k;
}
constexpr std::array<unsigned char, 256> kKinds = make_kinds();

// The cursor while a write runs: kept in locals and stored back once.
class Pen {
public:
    Pen()
        : s_(state()), sc_(s_.screen), fe_(frontend()), x_(s_.cursor.X), y_(s_.cursor.Y),
          attr_(s_.attr) {}
    ~Pen() {
        s_.cursor.X = static_cast<SHORT>(x_);
        s_.cursor.Y = static_cast<SHORT>(y_);
    }

    void put(char c) {
        sc_.at(x_, y_) = Cell{c, attr_, Half::None};
        sc_.mend(y_, x_);
        sc_.mend(y_, x_ + 1);
        if (++x_ == sc_.cols()) new_line();
    }

    // A double-byte character goes whole to the next row rather than split.
    void put_pair(char lead, char trail) {
        if (sc_.cols() < 2) {  // no row holds it
            put(lead);
            put(trail);
            return;
        }
        if (x_ + 1 == sc_.cols()) put(' ');
        sc_.at(x_, y_) = Cell{lead, attr_, Half::Lead};
        sc_.at(x_ + 1, y_) = Cell{trail, attr_, Half::Trail};
        sc_.mend(y_, x_);
        sc_.mend(y_, x_ + 2);
        x_ += 2;
        if (x_ == sc_.cols()) new_line();
    }

    // Copies plain bytes from p[i] on up to the end of the row.
    std::size_t put_run(const char* p, std::size_t i, std::size_t n) {
        Cell* row = &sc_.at(0, y_);
        const int cols = sc_.cols();
        const int x0 = x_;
        while (i < n && x_ < cols) {
            const char c = p[i];
            if (kKinds[static_cast<unsigned char>(c)] != kPlain) break;
            row[x_++] = Cell{c, attr_, Half::None};
            ++i;
        }
        if (x_ > x0) {
            sc_.mend(y_, x0);
            sc_.mend(y_, x_);
        }
        if (x_ == cols) new_line();
        return i;
    }

    void control(char c) {
        switch (c) {
            case '\n': new_line(); break;
            case '\r': x_ = 0; break;
            case '\t':
                for (int k = 8 - (x_ & 7); k > 0; --k) put(' ');
                break;
            case '\b':
                if (x_ > 0) --x_;
                break;
            default: break;  // '\a'
        }
    }

private:
    void new_line() {
        x_ = 0;
        if (++y_ == sc_.rows()) {
            if (fe_) fe_->row_scrolled_off(&sc_.at(0, 0), sc_.cols());
            sc_.scroll_up(attr_);
            ++g_scrolls;
            y_ = sc_.rows() - 1;
        }
    }

    ConsoleState& s_;
    ScreenBuffer& sc_;
    Frontend* fe_;
    int x_, y_;
    WORD attr_;
};

}  // namespace

void write(const char* p, std::size_t n) {
    if (n == 0) return;
    Pen pen;
    std::size_t i = 0;
    if (g_pending_lead >= 0) {
        const char lead = static_cast<char>(g_pending_lead);
        g_pending_lead = -1;
        if (gbk::is_trail(static_cast<unsigned char>(p[0]))) {
            pen.put_pair(lead, p[0]);
            i = 1;
        } else {
            pen.put(lead);
        }
    }
    while (i < n) {
        const auto b = static_cast<unsigned char>(p[i]);
        switch (kKinds[b]) {
            case kPlain: i = pen.put_run(p, i, n); break;
            case kControl: pen.control(p[i++]); break;
            default:
                if (i + 1 == n) {
                    g_pending_lead = b;
                    return;
                }
                if (gbk::is_trail(static_cast<unsigned char>(p[i + 1]))) {
                    pen.put_pair(p[i], p[i + 1]);
                    i += 2;
                } else {
                    pen.put(p[i++]);
                }
                break;
        }
    }
}

void flush_pending_lead() {
    if (g_pending_lead < 0) return;
    const char lead = static_cast<char>(g_pending_lead);
    g_pending_lead = -1;
    Pen pen;
    pen.put(lead);
}

namespace detail {
void drop_pending_lead() { g_pending_lead = -1; }
std::int64_t scroll_count() { return g_scrolls; }
}  // namespace detail

}  // namespace con

int con_printf(const char* format, ...) {
    char stack[1024];
    va_list ap;
    va_start(ap, format);
    const int n = std::vsnprintf(stack, sizeof stack, format, ap);
    va_end(ap);
    if (n < 0) return n;
    if (static_cast<std::size_t>(n) < sizeof stack) {
        con::write(stack, static_cast<std::size_t>(n));
        return n;
    }
    std::string big(static_cast<std::size_t>(n) + 1, '\0');
    va_start(ap, format);
    std::vsnprintf(big.data(), big.size(), format, ap);
    va_end(ap);
    con::write(big.data(), static_cast<std::size_t>(n));
    return n;
}

int con_puts(const char* s) {
    const std::size_t n = std::strlen(s);
    con::write(s, n);
    con::write("\n", 1);
    return static_cast<int>(n + 1);
}
