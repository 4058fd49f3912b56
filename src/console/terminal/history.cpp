#include "console/terminal/history.h"

#include <algorithm>

namespace con::term {

void History::push(const Cell* cells, int count) {
    count = std::clamp(count, 0, kCols);
    Row* row;
    if (count_ < kCapacity) {
        // Grown a row at a time: a session that never scrolls pays nothing.
        if (rows_.size() == rows_.capacity()) rows_.reserve(std::min<std::size_t>(
                                                  kCapacity, std::max<std::size_t>(64, rows_.size() * 2)));
        rows_.emplace_back();
        row = &rows_.back();
        ++count_;
    } else {
        row = &rows_[static_cast<std::size_t>(first_)];
        first_ = (first_ + 1) % kCapacity;
        ++dropped_;
    }
    std::copy(cells, cells + count, row->begin());
    std::fill(row->begin() + count, row->end(), Cell{});
}

const Cell* History::row(int i) const {
    return rows_[static_cast<std::size_t>((first_ + i) % kCapacity)].data();
}

}  // namespace con::term
