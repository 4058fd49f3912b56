// The console's screen buffer: a grid of cells, each one byte and one
// 16-bit attribute, as a Windows console keeps it, and which half of a
// double-byte character the byte is, as a console in a double-byte code page
// knows. Rows live in a ring so that scrolling the whole buffer up one row
// costs one row, not the buffer.
#pragma once

#include <array>

#include "console/wintypes.h"

namespace con {

constexpr int kCols = 150;  // the buffer's capacity, and its size once the
constexpr int kRows = 100;  // program has set it

constexpr WORD kDefaultAttr = 0x07;  // light grey on black, a fresh console's

// A pair is a Lead cell and the Trail cell right of it in the same row, holding
// a GBK lead byte and trail byte; writers keep every Lead and Trail so paired.
// An Orphan is what is left of a pair one half of which was overwritten: it
// keeps its byte, so that putting the other half back (a pop-up's saved cells)
// joins them again, and it shows as a blank meanwhile.
enum class Half : unsigned char { None, Lead, Trail, Orphan };

struct Cell {
    char ch = ' ';
    WORD attr = kDefaultAttr;
    Half half = Half::None;
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

    // Writers call these after writing cells x0..x1 of row y (with the roles
    // they meant) so that pairs stay whole.

    // Mends the seam between cells x - 1 and x of row y (0 <= x <= cols()):
    // a Lead and a Trail across it that make a GBK pair stay one; a half
    // whose partner is gone becomes an Orphan, unless the cell across the seam
    // is an Orphan that completes it, which it takes back.
    void mend(int y, int x);

    // The cells were written with roles of their own: a Lead and a Trail
    // inside the span stay a pair only if they make one, a Lead at x1 or a
    // Trail at x0 joins across the seam (see mend), any other half whose
    // partner is missing becomes an Orphan.
    void settle(int y, int x0, int x1);

    // The cells were written as bytes alone: pairs are found by scanning them
    // from x0 (a lead byte and a trail byte after it in the span), every other
    // cell is single, and both seams are mended.
    void pair_bytes(int y, int x0, int x1);

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
