// The console's screen buffer: a grid of cells, each one byte and one
// 16-bit attribute, as a Windows console keeps it. Rows live in a ring so
// that scrolling the whole buffer up one row costs one row, not the buffer.
#pragma once

#include <array>

#include "console/wintypes.h"

namespace con {

constexpr int kCols = 150;  // the buffer's capacity, and its size once the
constexpr int kRows = 100;  // program has set it

constexpr WORD kDefaultAttr = 0x07;  // light grey on black, a fresh console's

struct Cell {
    char ch = ' ';
    WORD attr = kDefaultAttr;
    bool operator==(const Cell&) const = default;
};

class ScreenBuffer {
public:
    ScreenBuffer() { clear(); }

    int cols() const { return cols_; }
    int rows() const { return rows_; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < cols_ && y < rows_; }

    // Pre: contains(x, y).
    Cell& at(int x, int y) { return cells_[index(x, y)]; }
    const Cell& at(int x, int y) const { return cells_[index(x, y)]; }

    // Makes the buffer cols x rows (clamped to the capacity) and blanks it.
    void resize(int cols, int rows);

    // Every cell a blank in the default attribute.
    void clear();

    // Drops row 0; every row moves up one; the new last row is blanks in attr.
    void scroll_up(WORD attr);

private:
    int index(int x, int y) const {
        int r = y + top_;
        if (r >= rows_) r -= rows_;
        return r * kCols + x;
    }

    std::array<Cell, kCols * kRows> cells_{};
    int cols_ = kCols;
    int rows_ = kRows;
    int top_ = 0;  // physical row that holds row 0
};

}  // namespace con
