// Text output at the cursor, as a console prints what a program writes to its
// standard output: in the current attribute, wrapping at the end of a row,
// scrolling the whole buffer when it passes the last row.
//
//   "\n"  column 0 of the next row        "\r"  column 0 of this row
//   "\t"  blanks to the next multiple of 8 "\b"  one column left, not past 0
//   "\a"  nothing
// Every other byte lands in a cell. A double-byte GBK character never splits
// across rows: one that would start in the last column leaves a blank there
// and goes whole to the next row. A lead byte that ends one write waits for the
// trail byte of the next; any call that moves the cursor writes it alone first.
#pragma once

#include <cstddef>

namespace con {

void write(const char* bytes, std::size_t n);

// Writes out a lead byte still waiting for its trail byte, if any.
void flush_pending_lead();

}  // namespace con

// The C runtime's standard output, as the application uses it.
int con_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
int con_puts(const char* s);  // s, then "\n"
