// The console's screen buffer to terminal bytes. The renderer keeps the frame
// it sent last and emits only the cells that differ from it, in one string
// the caller writes at once.
//
// What a cell shows:
//   0x20..0x7E                   the character itself
//   a Lead cell and a Trail cell one character two cells wide, in the first
//   after it in one row          cell's attribute (the second cell's own
//                                attribute, e.g. a hot letter's, is not shown:
//                                a terminal cannot colour half a character)
//   any other Lead, Trail or     a blank: half of a pair whose partner was
//   Orphan cell                  overwritten
//   a lone byte 0x81..0xFE       a blank
//   0x00..0x1F, 0x7F, 0x80, 0xFF '?': no stored byte reaches the terminal raw
// Pairs come from the cells' roles, never from their bytes alone: the half a
// pop-up left of a character beside it must not join the next character.
// Colours are the 16 console colours of the attribute: foreground in bits 0-3,
// background in bits 4-7, Windows order (blue 1, green 2, red 4, intensity 8).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "console/console.h"
#include "console/terminal/history.h"

namespace con::term {

// What the renderer needs to know of the terminal. The defaults are xterm's.
// The fixed strings are sent as they stand, so any terminfo padding in them
// has been resolved already (append_capability).
struct TermCaps {
    std::string cup;  // terminfo's cursor address, padding and all; empty: "\e[row;colH"
    std::string civis = "\x1b[?25l";
    std::string cnorm = "\x1b[?25h";
    std::string clear = "\x1b[H\x1b[2J";
    std::string sgr0 = "\x1b[0m";
    std::string bel = "\a";  // empty: the terminal has no bell
    bool bce = true;      // erasing fills with the current background colour
    bool title = true;    // the terminal takes OSC 0 titles
};

// The terminal's encoding of text. Convert turns GBK text into it; '?' for
// characters the target cannot hold.
struct TermText {
    enum class Charset { Utf8, Gbk } charset = Charset::Utf8;
    std::string (*convert)(std::string_view gbk_text) = nullptr;
};

// What one frame shows: the buffer cell at the terminal's top-left corner,
// and where the cursor stands in terminal cells (x < 0: hidden). Rows above
// the buffer's row 0 (top < 0) come from the scroll-back, row -1 its newest;
// the row above its oldest shows top_marker (GBK text) where one is given.
// A marker, GBK text, is drawn over the terminal's last row. Both markers
// span the terminal's width in the state bar's colours, their text centred.
struct FrameView {
    int left = 0;
    int top = 0;
    int cursor_x = -1;
    int cursor_y = -1;
    const History* history = nullptr;
    std::string_view top_marker;
    std::string_view marker;
};

// The terminal's SGR colour index of a console colour (0..15).
int ansi_colour(int console_colour);

// Appends a terminfo string as the terminal must receive it: its $<n> padding
// becomes what ncurses' tputs makes of it (pad characters, or nothing). No
// "$<" ever reaches a terminal.
void append_capability(std::string& out, const char* cap);

class Renderer {
public:
    Renderer(TermCaps caps, TermText text);

    // The terminal's size in cells; the next frame repaints everything.
    void resize(int cols, int rows);
    int cols() const { return cols_; }
    int rows() const { return rows_; }

    // The next frame repaints everything (after the terminal was used by
    // another program, or its contents are unknown).
    void invalidate();

    // Appends to out the bytes that bring the terminal from the last frame to
    // this one.
    void render(const ConsoleState& state, const FrameView& view, std::string& out);

private:
    // One terminal cell as sent. A wide character fills a Lead and a Tail cell
    // that both carry it.
    enum Kind : uint8_t { Unknown, Narrow, Lead, Tail };
    struct TCell {
        uint16_t glyph = 0;  // the byte, or lead << 8 | trail
        uint16_t attr = 0;
        Kind kind = Unknown;
        bool operator==(const TCell&) const = default;
    };
    // A GBK pair in the terminal's encoding, converted once.
    struct Glyph {
        char bytes[6];
        uint8_t len = 0;  // 0: not converted yet
        bool wide = false;
    };

    void build_frame(const ConsoleState& state, const FrameView& view);
    void build_row(const Cell* row, int cols, int left, TCell* w);
    void build_marker(std::string_view marker, int ty);
    void full_repaint(std::string& out);
    void move_to(int x, int y, const TCell* row, std::string& out);
    void set_attr(int attr, std::string& out);
    void put_cell(int x, int y, std::string& out);
    const Glyph& glyph(uint16_t pair);
    void set_title(const std::string& title, std::string& out);

    TermCaps caps_;
    std::string cup_;          // caps_.cup without its padding marks
    std::string cup_padding_;  // what the padding comes to, sent after each move
    TermText text_;
    int cols_ = 80;
    int rows_ = 24;
    std::vector<TCell> want_;  // the frame being built
    std::vector<TCell> sent_;  // what the terminal shows
    std::vector<Glyph> glyphs_;
    bool repaint_ = true;
    int cur_x_ = -1;  // terminal cursor; -1: unknown
    int cur_y_ = -1;
    int cur_attr_ = -1;     // -1: unknown (after sgr0: default colours)
    int cur_visible_ = -1;  // -1 unknown, 0 hidden, 1 shown
    bool title_known_ = false;
    std::string title_;
};

}  // namespace con::term
