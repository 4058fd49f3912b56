// Which part of the screen buffer a terminal, or a Windows console window,
// shows. The buffer is 150 x 100; a smaller terminal is a window onto it that
// follows what the user works with, and that the user can scroll.
#pragma once

#include "console/console.h"

namespace con {

class View {
public:
    // The terminal's size in cells.
    void set_terminal(int cols, int rows);
    int terminal_cols() const { return term_cols_; }
    int terminal_rows() const { return term_rows_; }

    // The buffer cell at the terminal's top-left corner.
    int left() const { return left_; }
    int top() const { return top_; }

    // Brings the focus into sight: the focus rectangle (an open pop-up) with
    // a margin of one cell where there is room, else the cursor while line
    // input or a key is awaited. When the focus fits in the view at the
    // top-left corner the view goes back there; otherwise it moves as little
    // as possible. A rectangle larger than the terminal shows its top-left
    // part. When there comes to be nothing to follow, the view goes back to
    // the corner, and then stays where it is scrolled.
    void follow(const ConsoleState& state, Wait why);

    // Scrolls by whole cells, kept inside the buffer and the history_rows
    // rows of scroll-back above its row 0. Returns whether the view moved.
    bool scroll(int dx, int dy, const ConsoleState& state, int history_rows = 0);

    // The view's top is above the buffer's row 0, in the scroll-back. It
    // stays there, whatever the program shows, until it is left.
    bool in_history() const { return top_ < 0; }
    // Back to the live screen, where follow puts the view.
    void leave_history(const ConsoleState& state, Wait why);

    // A terminal cell to the buffer cell under it; false when the terminal
    // cell lies beyond the buffer.
    bool to_buffer(int tx, int ty, const ConsoleState& state, COORD& cell) const;

private:
    void clamp(const ConsoleState& state, int history_rows = 0);

    int term_cols_ = 80;
    int term_rows_ = 24;
    int left_ = 0;
    int top_ = 0;
    bool followed_nothing_ = false;  // the last follow had no focus
    int live_top_ = 0;               // the top before the view went into the scroll-back
};

}  // namespace con
