#include "console/view.h"

#include <algorithm>

namespace con {

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

// The focus is the open pop-up, with one cell of what surrounds it where the
// terminal has room (a sub-menu then shows with the menu bar above it), or
// else the cursor while a line or a key is awaited. When the focus fits in the
// view at the top-left corner the view goes back there, where the menu bar and
// every command's screen begin; otherwise it moves the least that brings the
// focus into sight. With no focus (the menu bar, a listing awaiting the next
// menu action) it goes back to the corner once, and then stays where the
// user scrolls it: a mouse moved over a long listing must not undo that.
void View::follow(const ConsoleState& state, Wait why) {
    if (in_history()) return;
    int first_x = 0, last_x = 0, first_y = 0, last_y = 0;
    bool none = false;
    if (state.has_focus) {
        const SMALL_RECT& f = state.focus;
        int mx = f.Right - f.Left + 3 <= term_cols_ ? 1 : 0;
        int my = f.Bottom - f.Top + 3 <= term_rows_ ? 1 : 0;
        first_x = f.Left - mx;
        last_x = f.Right + mx;
        first_y = f.Top - my;
        last_y = f.Bottom + my;
    } else if (why == Wait::Line || why == Wait::Key) {
        first_x = last_x = state.cursor.X;
        first_y = last_y = state.cursor.Y;
    } else {
        none = true;
    }
    if (none ? !followed_nothing_ : last_x < term_cols_ && last_y < term_rows_) {
        left_ = 0;
        top_ = 0;
    } else if (!none) {
        left_ = bring_into_sight(left_, term_cols_, first_x, last_x);
        top_ = bring_into_sight(top_, term_rows_, first_y, last_y);
    }
    followed_nothing_ = none;
    clamp(state);
}

bool View::scroll(int dx, int dy, const ConsoleState& state, int history_rows) {
    int old_left = left_, old_top = top_;
    left_ += dx;
    top_ += dy;
    clamp(state, history_rows);
    if (old_top >= 0 && top_ < 0) live_top_ = old_top;
    return left_ != old_left || top_ != old_top;
}

// Back where the view was on the live screen, then where the focus wants it.
void View::leave_history(const ConsoleState& state, Wait why) {
    top_ = live_top_;
    follow(state, why);
}

bool View::to_buffer(int tx, int ty, const ConsoleState& state, COORD& cell) const {
    int x = left_ + tx, y = top_ + ty;
    if (tx < 0 || ty < 0 || !state.screen.contains(x, y)) return false;
    cell.X = static_cast<SHORT>(x);
    cell.Y = static_cast<SHORT>(y);
    return true;
}

}  // namespace con
