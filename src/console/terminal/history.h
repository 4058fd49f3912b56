// The terminal's scroll-back: the rows that output scrolling pushed off the
// top of the screen buffer, kept by the front end as a terminal keeps its own.
// The program never sees them: its buffer stays 150 x 100, and nothing it
// writes, clears or reads reaches these rows.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "console/screen.h"

namespace con::term {

class History {
public:
    // The most rows kept; the oldest go first, and are counted.
    static constexpr int kCapacity = 10000;

    // Keeps a row as it was: characters, colours and the halves of double-
    // byte characters. Cells past count are blanks.
    void push(const Cell* cells, int count);

    int size() const { return count_; }
    // How many rows were dropped to make room, since the program began.
    long long dropped() const { return dropped_; }
    // Row i: 0 the oldest, size() - 1 the one pushed last. Pre: 0 <= i < size().
    const Cell* row(int i) const;

    // What the rows take in memory: kCapacity rows at the most.
    std::size_t bytes() const { return rows_.capacity() * sizeof(Row); }

private:
    using Row = std::array<Cell, kCols>;
    std::vector<Row> rows_;  // a ring once full
    int first_ = 0;          // where the oldest row is
    int count_ = 0;
    long long dropped_ = 0;
};

}  // namespace con::term
