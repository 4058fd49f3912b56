#include "console/console.h"

#include <algorithm>

#include "console/gbk.h"
#include "console/internal.h"
#include "console/output.h"
#include "console/reads.h"

namespace con {

namespace {

ConsoleState g_state;
Frontend* g_frontend = nullptr;

// The two handles only have to be distinct and non-null.
char g_in_token;
char g_out_token;

ScreenBuffer& screen() { return g_state.screen; }

}  // namespace

ConsoleState& state() { return g_state; }

void attach(Frontend* fe) {
    g_frontend = fe;
    g_state.screen.resize(kCols, kRows);
    g_state.attr = kDefaultAttr;
    g_state.cursor = COORD{0, 0};
    g_state.cursor_info = CONSOLE_CURSOR_INFO{25, TRUE};
    g_state.title.clear();
    g_state.has_focus = false;
    g_state.focus = SMALL_RECT{0, 0, 0, 0};
    detail::drop_pending_lead();
    reset_input_buffer();
}

Frontend* frontend() { return g_frontend; }

INPUT_RECORD next_record(Wait why) {
    flush_pending_lead();
    if (!g_frontend) throw InputClosed{};
    g_frontend->present(g_state, why);
    INPUT_RECORD rec{};
    if (!g_frontend->read(rec)) throw InputClosed{};
    return rec;
}

void bell() {
    if (g_frontend) g_frontend->bell();
}

void set_focus(const SMALL_RECT* rc) {
    g_state.has_focus = rc != nullptr;
    g_state.focus = rc ? *rc : SMALL_RECT{0, 0, 0, 0};
}

}  // namespace con

using con::g_state;

HANDLE GetStdHandle(DWORD which) {
    if (which == STD_INPUT_HANDLE) return &con::g_in_token;
    if (which == STD_OUTPUT_HANDLE) return &con::g_out_token;
    return nullptr;
}

BOOL SetConsoleTitleA(const char* title) {
    g_state.title = title ? title : "";
    return TRUE;
}

BOOL SetConsoleScreenBufferSize(HANDLE, COORD size) {
    auto& sc = con::screen();
    if (size.X < 1 || size.Y < 1) return FALSE;
    if (size.X == sc.cols() && size.Y == sc.rows()) return TRUE;
    con::flush_pending_lead();
    sc.resize(size.X, size.Y);
    g_state.cursor.X = static_cast<SHORT>(std::min<int>(g_state.cursor.X, sc.cols() - 1));
    g_state.cursor.Y = static_cast<SHORT>(std::min<int>(g_state.cursor.Y, sc.rows() - 1));
    return TRUE;
}

BOOL SetConsoleTextAttribute(HANDLE, WORD attr) {
    // Role bits belong to cells, not to the colour output is written in.
    g_state.attr = static_cast<WORD>(attr & ~(COMMON_LVB_LEADING_BYTE | COMMON_LVB_TRAILING_BYTE));
    return TRUE;
}

BOOL GetConsoleScreenBufferInfo(HANDLE, CONSOLE_SCREEN_BUFFER_INFO* info) {
    if (!info) return FALSE;
    auto& sc = con::screen();
    const auto cols = static_cast<SHORT>(sc.cols());
    const auto rows = static_cast<SHORT>(sc.rows());
    info->dwSize = COORD{cols, rows};
    info->dwCursorPosition = g_state.cursor;
    info->wAttributes = g_state.attr;
    info->srWindow = SMALL_RECT{0, 0, static_cast<SHORT>(cols - 1), static_cast<SHORT>(rows - 1)};
    info->dwMaximumWindowSize = COORD{cols, rows};
    return TRUE;
}

BOOL GetConsoleCursorInfo(HANDLE, CONSOLE_CURSOR_INFO* info) {
    if (!info) return FALSE;
    *info = g_state.cursor_info;
    return TRUE;
}

BOOL SetConsoleCursorInfo(HANDLE, const CONSOLE_CURSOR_INFO* info) {
    // A console refuses a cursor size outside 1..100 percent of the cell.
    if (!info || info->dwSize < 1 || info->dwSize > 100) return FALSE;
    g_state.cursor_info = CONSOLE_CURSOR_INFO{info->dwSize, info->bVisible ? TRUE : FALSE};
    return TRUE;
}

BOOL SetConsoleCursorPosition(HANDLE, COORD pos) {
    con::flush_pending_lead();
    if (!con::screen().contains(pos.X, pos.Y)) return FALSE;
    g_state.cursor = pos;
    return TRUE;
}

namespace {

// The part of *region that lies both in the buffer and, placed at buf_coord,
// in the caller's buf_size array. The caller's cell for buffer cell (x, y) is
// buf_coord + (x - region.Left, y - region.Top) whatever the clipping.
bool clip_rect(const SMALL_RECT& region, COORD buf_size, COORD buf_coord, SMALL_RECT& out) {
    const auto& sc = con::screen();
    int left = std::max<int>(region.Left, 0);
    int top = std::max<int>(region.Top, 0);
    int right = std::min<int>(region.Right, sc.cols() - 1);
    int bottom = std::min<int>(region.Bottom, sc.rows() - 1);
    // The array: columns buf_coord.X .. buf_size.X - 1 map to region.Left onward.
    left = std::max(left, region.Left - buf_coord.X);
    top = std::max(top, region.Top - buf_coord.Y);
    right = std::min(right, region.Left + (buf_size.X - 1 - buf_coord.X));
    bottom = std::min(bottom, region.Top + (buf_size.Y - 1 - buf_coord.Y));
    if (left > right || top > bottom) return false;
    out = SMALL_RECT{static_cast<SHORT>(left), static_cast<SHORT>(top), static_cast<SHORT>(right),
                     static_cast<SHORT>(bottom)};
    return true;
}

// Copies cell by cell; row_done(y, left, right) follows each row.
template <typename Copy, typename RowDone>
BOOL copy_rect(COORD buf_size, COORD buf_coord, SMALL_RECT* region, Copy copy, RowDone row_done) {
    if (!region) return FALSE;
    SMALL_RECT r;
    if (buf_size.X <= 0 || buf_size.Y <= 0 || !clip_rect(*region, buf_size, buf_coord, r)) {
        region->Right = static_cast<SHORT>(region->Left - 1);
        region->Bottom = static_cast<SHORT>(region->Top - 1);
        return FALSE;
    }
    for (int y = r.Top; y <= r.Bottom; ++y) {
        const int by = buf_coord.Y + (y - region->Top);
        for (int x = r.Left; x <= r.Right; ++x) {
            const int bx = buf_coord.X + (x - region->Left);
            copy(con::screen().at(x, y), by * buf_size.X + bx);
        }
        row_done(y, r.Left, r.Right);
    }
    *region = r;
    return TRUE;
}

// Visits the run of `length` cells from `at`, row after row, up to the end of
// the buffer. Returns how many cells it visited.
template <typename Visit>
DWORD run_cells(COORD at, DWORD length, Visit visit) {
    auto& sc = con::screen();
    if (!sc.contains(at.X, at.Y)) return 0;
    const std::int64_t start = std::int64_t{at.Y} * sc.cols() + at.X;
    const std::int64_t total = std::int64_t{sc.cols()} * sc.rows();
    const std::int64_t n = std::min<std::int64_t>(length, total - start);
    int x = at.X, y = at.Y;
    for (std::int64_t i = 0; i < n; ++i) {
        visit(sc.at(x, y), static_cast<DWORD>(i));
        if (++x == sc.cols()) {
            x = 0;
            ++y;
        }
    }
    return static_cast<DWORD>(n);
}

// After a run of n cells from `at` got new bytes: each row's part of the run
// is mended at both ends, so a pair the run cut, or one of its own split
// across rows, leaves orphans.
void mend_run(COORD at, DWORD n) {
    auto& sc = con::screen();
    if (n == 0) return;
    const std::int64_t last = std::int64_t{at.Y} * sc.cols() + at.X + n - 1;
    const int last_y = static_cast<int>(last / sc.cols());
    for (int y = at.Y; y <= last_y; ++y) {
        sc.mend(y, y == at.Y ? at.X : 0);
        sc.mend(y, y == last_y ? static_cast<int>(last % sc.cols()) + 1 : sc.cols());
    }
}

constexpr WORD kHalfBits = COMMON_LVB_LEADING_BYTE | COMMON_LVB_TRAILING_BYTE;

// A cell's role in CHAR_INFO.Attributes. Both bits together mark an orphan
// half, so that saved cells put back give back exactly what was there.
WORD half_bits(con::Half h) {
    switch (h) {
        case con::Half::Lead: return COMMON_LVB_LEADING_BYTE;
        case con::Half::Trail: return COMMON_LVB_TRAILING_BYTE;
        case con::Half::Orphan: return kHalfBits;
        default: return 0;
    }
}

con::Half half_of(WORD attributes) {
    switch (attributes & kHalfBits) {
        case COMMON_LVB_LEADING_BYTE: return con::Half::Lead;
        case COMMON_LVB_TRAILING_BYTE: return con::Half::Trail;
        case kHalfBits: return con::Half::Orphan;
        default: return con::Half::None;
    }
}

BOOL report(COORD at, DWORD done, DWORD* written) {
    if (written) *written = done;
    return con::screen().contains(at.X, at.Y) ? TRUE : FALSE;
}

}  // namespace

BOOL ReadConsoleOutputA(HANDLE, CHAR_INFO* buf, COORD buf_size, COORD buf_coord,
                        SMALL_RECT* region) {
    if (!buf) return FALSE;
    return copy_rect(
        buf_size, buf_coord, region,
        [&](const con::Cell& c, int i) {
            buf[i].Char.AsciiChar = c.ch;
            buf[i].Attributes = static_cast<WORD>((c.attr & ~kHalfBits) | half_bits(c.half));
        },
        [](int, int, int) {});
}

// Roles come from the role bits; a row part in which no cell has any (cells
// whose attributes the caller set afresh) is paired by scanning its bytes.
BOOL WriteConsoleOutputA(HANDLE, const CHAR_INFO* buf, COORD buf_size, COORD buf_coord,
                         SMALL_RECT* region) {
    if (!buf) return FALSE;
    bool roles = false;
    return copy_rect(
        buf_size, buf_coord, region,
        [&](con::Cell& c, int i) {
            c.ch = buf[i].Char.AsciiChar;
            c.attr = static_cast<WORD>(buf[i].Attributes & ~kHalfBits);
            c.half = half_of(buf[i].Attributes);
            roles = roles || c.half != con::Half::None;
        },
        [&](int y, int left, int right) {
            if (roles)
                con::screen().settle(y, left, right);
            else
                con::screen().pair_bytes(y, left, right);
            roles = false;
        });
}

BOOL FillConsoleOutputAttribute(HANDLE, WORD attr, DWORD length, COORD at, DWORD* written) {
    attr = static_cast<WORD>(attr & ~kHalfBits);
    DWORD n = run_cells(at, length, [&](con::Cell& c, DWORD) { c.attr = attr; });
    return report(at, n, written);
}

BOOL FillConsoleOutputCharacterA(HANDLE, CHAR ch, DWORD length, COORD at, DWORD* written) {
    DWORD n = run_cells(at, length, [&](con::Cell& c, DWORD) {
        c.ch = ch;
        c.half = con::Half::None;
    });
    mend_run(at, n);
    return report(at, n, written);
}

// The string's own pairs are found from its first byte.
BOOL WriteConsoleOutputCharacterA(HANDLE, const char* chars, DWORD length, COORD at,
                                  DWORD* written) {
    if (!chars) length = 0;
    bool trail_next = false;
    DWORD n = run_cells(at, length, [&](con::Cell& c, DWORD i) {
        c.ch = chars[i];
        if (trail_next) {
            c.half = con::Half::Trail;
            trail_next = false;
        } else if (i + 1 < length && gbk::is_lead(static_cast<unsigned char>(chars[i])) &&
                   gbk::is_trail(static_cast<unsigned char>(chars[i + 1]))) {
            c.half = con::Half::Lead;
            trail_next = true;
        } else {
            c.half = con::Half::None;
        }
    });
    mend_run(at, n);
    return report(at, n, written);
}

BOOL ReadConsoleInputA(HANDLE, INPUT_RECORD* buf, DWORD length, DWORD* read) {
    if (read) *read = 0;
    if (!buf || length == 0) return FALSE;
    buf[0] = con::next_record(con::Wait::Event);
    if (read) *read = 1;
    return TRUE;
}
