#include "console/screen.h"

#include <algorithm>

namespace con {

void ScreenBuffer::resize(int cols, int rows) {
    cols_ = std::clamp(cols, 1, kCols);
    rows_ = std::clamp(rows, 1, kRows);
    clear();
}

void ScreenBuffer::clear() {
    cells_.fill(Cell{});
    top_ = 0;
}

void ScreenBuffer::scroll_up(WORD attr) {
    // The old row 0 becomes the new last row.
    int old_top = top_;
    top_ = (top_ + 1 == rows_) ? 0 : top_ + 1;
    std::fill_n(cells_.begin() + old_top * kCols, cols_, Cell{' ', attr});
}

}  // namespace con
