#include "console/terminal/view.h"

#include <algorithm>

namespace con::term {

namespace {

// The least move of a window [origin, origin + size) that brings [first, last]
// into it; a span longer than the window shows its start.
int bring_into_sight(int origin, int size, int first, int last) {
    if (last - first + 1 > size) return first;
    if (first < origin) return first;
    if (last >= origin + size) return last - size + 1;
    return origin;
}

}  // namespace

void View::set_terminal(int cols, int rows) {
    term_cols_ = std::max(cols, 1);
    term_rows_ = std::max(rows, 1);
}

void View::clamp(const ConsoleState& state, int history_rows) {
    left_ = std::clamp(left_, 0, std::max(0, state.screen.cols() - term_cols_));
    top_ = std::clamp(top_, -history_rows, std::max(0, state.screen.rows() - term_rows_));
}

// A pop-up is kept in sight with one cell of what surrounds it where the
// terminal has room: a sub-menu then shows with the menu bar above it.
void View::follow(const ConsoleState& state, Wait why) {
    if (in_history()) return;
    if (state.has_focus) {
        const SMALL_RECT& f = state.focus;
        int mx = f.Right - f.Left + 3 <= term_cols_ ? 1 : 0;
        int my = f.Bottom - f.Top + 3 <= term_rows_ ? 1 : 0;
        left_ = bring_into_sight(left_, term_cols_, f.Left - mx, f.Right + mx);
        top_ = bring_into_sight(top_, term_rows_, f.Top - my, f.Bottom + my);
    } else if (why == Wait::Line || why == Wait::Key) {
        left_ = bring_into_sight(left_, term_cols_, state.cursor.X, state.cursor.X);
        top_ = bring_into_sight(top_, term_rows_, state.cursor.Y, state.cursor.Y);
    }
    clamp(state);
}

bool View::scroll(int dx, int dy, const ConsoleState& state, int history_rows) {
    int old_left = left_, old_top = top_;
    left_ += dx;
    top_ += dy;
    clamp(state, history_rows);
    return left_ != old_left || top_ != old_top;
}

void View::leave_history(const ConsoleState& state, Wait why) {
    top_ = 0;
    follow(state, why);
}

bool View::to_buffer(int tx, int ty, const ConsoleState& state, COORD& cell) const {
    int x = left_ + tx, y = top_ + ty;
    if (tx < 0 || ty < 0 || !state.screen.contains(x, y)) return false;
    cell.X = static_cast<SHORT>(x);
    cell.Y = static_cast<SHORT>(y);
    return true;
}

}  // namespace con::term
