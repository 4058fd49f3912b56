#include "console/screen.h"

#include <algorithm>

#include "console/gbk.h"

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

namespace {

bool make_pair(const Cell& lead, const Cell& trail) {
    return gbk::is_lead(static_cast<unsigned char>(lead.ch)) &&
           gbk::is_trail(static_cast<unsigned char>(trail.ch));
}

}  // namespace

void ScreenBuffer::mend(int y, int x) {
    Cell* l = x > 0 && x <= cols_ ? &at(x - 1, y) : nullptr;
    Cell* r = x >= 0 && x < cols_ ? &at(x, y) : nullptr;
    const bool l_wants = l && l->half == Half::Lead;
    const bool r_wants = r && r->half == Half::Trail;
    if (l_wants && r_wants) {
        if (!make_pair(*l, *r)) l->half = r->half = Half::Orphan;
    } else if (l_wants) {
        if (r && r->half == Half::Orphan && make_pair(*l, *r))
            r->half = Half::Trail;
        else
            l->half = Half::Orphan;
    } else if (r_wants) {
        if (l && l->half == Half::Orphan && make_pair(*l, *r))
            l->half = Half::Lead;
        else
            r->half = Half::Orphan;
    }
}

void ScreenBuffer::settle(int y, int x0, int x1) {
    // A Trail at x0 is the seam's to judge.
    for (int x = at(x0, y).half == Half::Trail ? x0 + 1 : x0; x <= x1;) {
        Cell& c = at(x, y);
        if (c.half == Half::Lead) {
            if (x == x1) break;  // the seam's to judge
            Cell& next = at(x + 1, y);
            if (next.half == Half::Trail && make_pair(c, next)) {
                x += 2;
                continue;
            }
            c.half = Half::Orphan;
        } else if (c.half == Half::Trail) {
            c.half = Half::Orphan;
        }
        ++x;
    }
    mend(y, x0);
    mend(y, x1 + 1);
}

void ScreenBuffer::pair_bytes(int y, int x0, int x1) {
    for (int x = x0; x <= x1;) {
        Cell& c = at(x, y);
        if (x < x1 && make_pair(c, at(x + 1, y))) {
            c.half = Half::Lead;
            at(x + 1, y).half = Half::Trail;
            x += 2;
        } else {
            c.half = Half::None;
            ++x;
        }
    }
    mend(y, x0);
    mend(y, x1 + 1);
}

}  // namespace con
