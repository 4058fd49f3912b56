#include "console/terminal/renderer.h"

#include <term.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "console/gbk.h"

namespace con::term {

namespace {

constexpr uint16_t kOutsideAttr = kDefaultAttr;  // terminal cells beyond the buffer

// Console colour (blue 1, green 2, red 4) to ANSI colour (red 1, green 2,
// blue 4): red and blue change places; intensity stays bit 3.
constexpr std::array<int, 16> kAnsiColour = {0, 4, 2, 6, 1, 5, 3, 7,
                                              8, 12, 10, 14, 9, 13, 11, 15};

// Code points a terminal draws two cells wide (East Asian Wide and Fullwidth).
// Anything else a GBK pair stands for is drawn one cell wide, or either way
// where the terminal treats ambiguous widths as wide.
struct Range {
    uint32_t first, last;
};
constexpr Range kWide[] = {
    {0x1100, 0x115F}, {0x2329, 0x232A}, {0x2E80, 0x303E}, {0x3041, 0x33FF},
    {0x3400, 0x4DBF}, {0x4E00, 0x9FFF}, {0xA000, 0xA4CF}, {0xAC00, 0xD7A3},
    {0xF900, 0xFAFF}, {0xFE10, 0xFE19}, {0xFE30, 0xFE6F}, {0xFF00, 0xFF60},
    {0xFFE0, 0xFFE6}, {0x20000, 0x3FFFD},
};

bool is_wide(uint32_t cp) {
    for (const Range& r : kWide)
        if (cp >= r.first && cp <= r.last) return true;
    return false;
}

// The code point of s if s is exactly one UTF-8 character, else 0.
uint32_t single_code_point(std::string_view s) {
    if (s.empty()) return 0;
    auto b0 = static_cast<unsigned char>(s[0]);
    std::size_t len = b0 < 0x80 ? 1 : b0 >= 0xF0 ? 4 : b0 >= 0xE0 ? 3 : b0 >= 0xC0 ? 2 : 0;
    if (len == 0 || len != s.size()) return 0;
    uint32_t cp = len == 1 ? b0 : b0 & (0x3F >> (len - 1));
    for (std::size_t i = 1; i < len; ++i) cp = (cp << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
    return cp;
}

// What a single byte shows as (see the header).
uint16_t single_glyph(unsigned char b) {
    if (b >= 0x20 && b < 0x7F) return b;
    if (gbk::is_lead(b)) return ' ';
    return '?';
}

// A Lead cell at x of a row and a Trail cell after it that make a GBK pair.
// Cells set directly (not through the console's writers) may claim roles
// their bytes do not bear out: those show as single cells.
bool is_pair(const Cell* row, int cols, int x) {
    if (x + 1 >= cols) return false;
    const Cell& l = row[x];
    const Cell& t = row[x + 1];
    return l.half == Half::Lead && t.half == Half::Trail &&
           gbk::is_lead(static_cast<unsigned char>(l.ch)) &&
           gbk::is_trail(static_cast<unsigned char>(t.ch));
}

constexpr uint16_t kMarkerAttr = 0x70;  // the state bar's colours

void append_number(std::string& out, int n) {
    char buf[12];
    int len = 0;
    do {
        buf[len++] = static_cast<char>('0' + n % 10);
        n /= 10;
    } while (n > 0);
    while (len > 0) out += buf[--len];
}

int glyph_index(uint16_t pair) { return ((pair >> 8) - 0x81) * 191 + ((pair & 0xFF) - 0x40); }

// Takes terminfo's padding marks ($<5>, $<2/>, $<5*>) out of a parameterised
// string: once the parameters are in, tputs would take a '$' that one of them
// produced (a column sent as a character) for the start of a mark, and send
// the mark on as text.
void split_padding(const std::string& cap, std::string& text, std::string& padding) {
    for (std::size_t i = 0; i < cap.size();) {
        if (cap.compare(i, 2, "$<") == 0) {
            std::size_t end = cap.find('>', i);
            if (end != std::string::npos && end > i + 2 &&
                cap.find_first_not_of("0123456789.*/", i + 2) == end) {
                padding.append(cap, i, end + 1 - i);
                i = end + 1;
                continue;
            }
        }
        text += cap[i++];
    }
}

}  // namespace

int ansi_colour(int console_colour) { return kAnsiColour[console_colour & 15]; }

namespace {
// tputs writes through a plain function: this is where it appends.
std::string* g_capability_out = nullptr;
int put_capability_byte(int c) {
    g_capability_out->push_back(static_cast<char>(c));
    return c;
}
}  // namespace

void append_capability(std::string& out, const char* cap) {
    if (!cap) return;
    g_capability_out = &out;
    tputs(cap, 1, put_capability_byte);
    g_capability_out = nullptr;
}

Renderer::Renderer(TermCaps caps, TermText text)
    : caps_(std::move(caps)), text_(text), glyphs_(126 * 191) {
    if (!text_.convert) text_.convert = gbk::to_utf8;
    std::string padding;
    split_padding(caps_.cup, cup_, padding);
    append_capability(cup_padding_, padding.c_str());
    resize(cols_, rows_);
}

void Renderer::resize(int cols, int rows) {
    cols_ = std::max(cols, 1);
    rows_ = std::max(rows, 1);
    want_.assign(static_cast<std::size_t>(cols_) * rows_, TCell{});
    sent_.assign(want_.size(), TCell{});
    repaint_ = true;
}

void Renderer::invalidate() { repaint_ = true; }

void Renderer::build_frame(const ConsoleState& state, const FrameView& view) {
    const ScreenBuffer& sb = state.screen;
    const TCell outside{' ', kOutsideAttr, Narrow};
    for (int ty = 0; ty < rows_; ++ty) {
        TCell* w = &want_[static_cast<std::size_t>(ty) * cols_];
        std::fill(w, w + cols_, outside);
        int by = view.top + ty;
        if (by >= 0 && by < sb.rows()) {
            build_row(&sb.at(0, by), sb.cols(), view.left, w);
        } else if (by < 0 && view.history && -by <= view.history->size()) {
            build_row(view.history->row(view.history->size() + by), kCols, view.left, w);
        } else if (by < 0 && view.history && -by == view.history->size() + 1 &&
                   !view.top_marker.empty()) {
            build_marker(view.top_marker, ty);
        }
    }
    if (!view.marker.empty()) build_marker(view.marker, rows_ - 1);
}

void Renderer::build_row(const Cell* row, int row_cols, int left, TCell* w) {
    // The cell left of the view decides whether the first cell in view is the
    // right half of a pair.
    int end = std::min(row_cols, left + cols_);
    for (int bx = std::max(left - 1, 0); bx < end;) {
        const Cell& c = row[bx];
        auto b = static_cast<unsigned char>(c.ch);
        auto attr = static_cast<uint16_t>(c.attr & 0xFF);
        int tx = bx - left;
        if (is_pair(row, row_cols, bx)) {
            const Cell& t = row[bx + 1];
            auto pair = static_cast<uint16_t>(b << 8 | static_cast<unsigned char>(t.ch));
            if (tx >= 0 && tx + 1 < cols_) {
                w[tx] = {pair, attr, Lead};
                w[tx + 1] = {pair, attr, Tail};
            } else if (tx == -1) {
                // Only its right half is in view.
                w[0] = {' ', static_cast<uint16_t>(t.attr & 0xFF), Narrow};
            } else if (tx == cols_ - 1) {
                w[tx] = {' ', attr, Narrow};
            }
            bx += 2;
            continue;
        }
        if (tx >= 0) w[tx] = {c.half == Half::None ? single_glyph(b) : uint16_t{' '}, attr, Narrow};
        ++bx;
    }
}

// The whole of terminal row ty in the state bar's colours, the marker in its
// middle.
void Renderer::build_marker(std::string_view marker, int ty) {
    TCell* w = &want_[static_cast<std::size_t>(ty) * cols_];
    std::fill(w, w + cols_, TCell{' ', kMarkerAttr, Narrow});
    int x = std::max(0, (cols_ - static_cast<int>(marker.size())) / 2);
    for (std::size_t i = 0; i < marker.size() && x < cols_;) {
        auto b = static_cast<unsigned char>(marker[i]);
        if (i + 1 < marker.size() && gbk::is_lead(b) &&
            gbk::is_trail(static_cast<unsigned char>(marker[i + 1]))) {
            if (x + 1 >= cols_) break;
            auto pair = static_cast<uint16_t>(b << 8 | static_cast<unsigned char>(marker[i + 1]));
            w[x] = {pair, kMarkerAttr, Lead};
            w[x + 1] = {pair, kMarkerAttr, Tail};
            x += 2;
            i += 2;
        } else {
            w[x++] = {single_glyph(b), kMarkerAttr, Narrow};
            ++i;
        }
    }
}

const Renderer::Glyph& Renderer::glyph(uint16_t pair) {
    Glyph& g = glyphs_[glyph_index(pair)];
    if (g.len) return g;
    char gbk_pair[2] = {static_cast<char>(pair >> 8), static_cast<char>(pair & 0xFF)};
    if (text_.charset == TermText::Charset::Gbk) {
        std::memcpy(g.bytes, gbk_pair, 2);
        g.len = 2;
        g.wide = true;
        return g;
    }
    std::string s = text_.convert(std::string_view(gbk_pair, 2));
    uint32_t cp = single_code_point(s);
    const char* bytes = s.data();
    std::size_t len = s.size();
    if (cp < 0xA0 || len > sizeof g.bytes) {
        bytes = "?";
        len = 1;
    }
    std::memcpy(g.bytes, bytes, len);
    g.len = static_cast<uint8_t>(len);
    g.wide = is_wide(cp);
    return g;
}

void Renderer::set_attr(int attr, std::string& out) {
    if (attr == cur_attr_) return;
    int fg = ansi_colour(attr & 15);
    int bg = ansi_colour(attr >> 4 & 15);
    int fg_code = fg < 8 ? 30 + fg : 90 + fg - 8;
    int bg_code = bg < 8 ? 40 + bg : 100 + bg - 8;
    bool fg_changed = cur_attr_ < 0 || (cur_attr_ & 15) != (attr & 15);
    bool bg_changed = cur_attr_ < 0 || (cur_attr_ & 0xF0) != (attr & 0xF0);
    out += "\x1b[";
    if (fg_changed) append_number(out, fg_code);
    if (fg_changed && bg_changed) out += ';';
    if (bg_changed) append_number(out, bg_code);
    out += 'm';
    cur_attr_ = attr;
}

void Renderer::move_to(int x, int y, const TCell* row, std::string& out) {
    if (cur_y_ == y && cur_x_ == x) return;
    // The absolute move; short moves along the row are ANSI, so a terminal
    // with another cursor address gets only that.
    std::string move;
    if (caps_.cup.empty()) {
        move = "\x1b[";
        if (y > 0 || x > 0) append_number(move, y + 1);
        if (x > 0) {
            move += ';';
            append_number(move, x + 1);
        }
        move += 'H';
    } else {
        if (const char* s = tiparm(cup_.c_str(), y, x)) move = s;
        move += cup_padding_;
    }
    if (cur_y_ == y && cur_x_ >= 0 && cur_x_ < x) {
        int gap = x - cur_x_;
        if (caps_.cup.empty()) {
            move = "\x1b[";
            if (gap > 1) append_number(move, gap);
            move += 'C';
        }
        // Unchanged narrow cells in the current colours cost a byte each:
        // writing them again can be cheaper than moving over them.
        if (row && gap <= static_cast<int>(move.size())) {
            bool plain = true;
            for (int i = cur_x_; i < x && plain; ++i)
                plain = row[i].kind == Narrow && row[i].attr == cur_attr_;
            if (plain) {
                for (int i = cur_x_; i < x; ++i) out += static_cast<char>(row[i].glyph);
                cur_x_ = x;
                return;
            }
        }
    }
    out += move;
    cur_x_ = x;
    cur_y_ = y;
}

// Pre: the cursor stands at (x, y).
void Renderer::put_cell(int x, int y, std::string& out) {
    std::size_t i = static_cast<std::size_t>(y) * cols_ + x;
    const TCell& c = want_[i];
    set_attr(c.attr, out);
    if (c.kind != Lead) {
        out += static_cast<char>(c.glyph);
        sent_[i] = c;
        cur_x_ = x + 1;
    } else {
        const Glyph& g = glyph(c.glyph);
        if (g.wide) {
            out.append(g.bytes, g.len);
            cur_x_ = x + 2;
        } else {
            // Drawn one cell wide here, two cells wide where the terminal
            // treats ambiguous widths as wide: blank both cells first, then
            // draw it over the first. Where the cursor ends is unknown.
            out += "  ";
            if (x + 2 < cols_) {
                out += "\b\b";
            } else {
                // Backspace from the wrap-pending margin is not portable.
                cur_x_ = -1;
                move_to(x, y, nullptr, out);
            }
            out.append(g.bytes, g.len);
            cur_x_ = -1;
        }
        sent_[i] = c;
        sent_[i + 1] = want_[i + 1];
    }
    // At the right margin the terminal waits to wrap: do not trust the column.
    if (cur_x_ >= cols_) cur_x_ = -1;
}

void Renderer::full_repaint(std::string& out) {
    out += caps_.sgr0;
    cur_attr_ = -1;
    if (caps_.bce) {
        // Clear in the commonest colours of blank cells: those need no bytes.
        std::array<int, 256> count{};
        for (const TCell& c : want_)
            if (c.kind == Narrow && c.glyph == ' ') ++count[c.attr];
        int common = static_cast<int>(std::max_element(count.begin(), count.end()) - count.begin());
        if (count[common] == 0) common = want_.front().attr;
        set_attr(common, out);
        out += caps_.clear;
        std::fill(sent_.begin(), sent_.end(), TCell{' ', static_cast<uint16_t>(common), Narrow});
    } else {
        out += caps_.clear;
        std::fill(sent_.begin(), sent_.end(), TCell{});
    }
    cur_x_ = 0;
    cur_y_ = 0;
    cur_visible_ = -1;
    title_known_ = false;
    repaint_ = false;
}

void Renderer::set_title(const std::string& title, std::string& out) {
    title_ = title;
    title_known_ = true;
    if (!caps_.title) return;
    std::string text = text_.charset == TermText::Charset::Gbk ? title : text_.convert(title);
    out += "\x1b]0;";
    for (char ch : text.substr(0, 256)) {
        auto b = static_cast<unsigned char>(ch);
        if (b >= 0x20 && b != 0x7F) out += ch;
    }
    out += '\a';
}

void Renderer::render(const ConsoleState& state, const FrameView& view, std::string& out) {
    build_frame(state, view);
    if (repaint_) full_repaint(out);
    // An empty title before the first one leaves the terminal's own title.
    if (title_known_ ? state.title != title_ : !state.title.empty()) set_title(state.title, out);
    for (int y = 0; y < rows_; ++y) {
        const TCell* w = &want_[static_cast<std::size_t>(y) * cols_];
        const TCell* s = &sent_[static_cast<std::size_t>(y) * cols_];
        if (std::equal(w, w + cols_, s)) continue;
        for (int x = 0; x < cols_;) {
            if (w[x] == s[x]) {
                ++x;
                continue;
            }
            // A changed right half is drawn with its left half.
            if (w[x].kind == Tail && x > 0) --x;
            move_to(x, y, w, out);
            put_cell(x, y, out);
            x += w[x].kind == Lead ? 2 : 1;
        }
    }
    bool show = view.cursor_x >= 0 && view.cursor_x < cols_ && view.cursor_y >= 0 &&
                view.cursor_y < rows_;
    if (show) {
        move_to(view.cursor_x, view.cursor_y, nullptr, out);
        if (cur_visible_ != 1) out += caps_.cnorm;
        cur_visible_ = 1;
    } else {
        if (cur_visible_ != 0) out += caps_.civis;
        cur_visible_ = 0;
    }
}

}  // namespace con::term
