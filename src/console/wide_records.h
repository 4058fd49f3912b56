// Between the Windows console's wide records and the program's GBK ones:
// input records from ReadConsoleInputW become the records the program reads
// (a Chinese character its two GBK bytes), and the screen buffer becomes the
// CHAR_INFO cells WriteConsoleOutputW takes (a double-byte character its two
// cells, marked COMMON_LVB_LEADING_BYTE and COMMON_LVB_TRAILING_BYTE). Plain
// functions of their arguments, built and tested on every platform.
#pragma once

#include <vector>

#include "console/screen.h"
#include "console/wide.h"
#include "console/wintypes.h"

namespace con::win {

// What the front end does with a record of the console.
enum class Route {
    Program,  // goes to the program
    Quit,     // Ctrl+C: the program ends at once, as on SIGINT in a terminal
    Repaint,  // the buffer's size changed: set it again and paint it whole
    Wheel,    // scrolls the window over the buffer, never reaches the program
    Drop,     // focus and menu records: the console's own business
};

class RecordTranslator {
public:
    // Appends the program's records for one console record: none, one, or
    // several (a character of two GBK bytes is two key records, each carrying
    // one byte; a key repeated n times is n records). Esc carries 0x1B; the
    // key state (Alt, Ctrl, Shift) stays as the console gave it. A character
    // GBK cannot hold arrives as '?'; a surrogate pair is one character.
    void translate(const WideRecord& in, std::vector<INPUT_RECORD>& out);

    // Where a translated record goes.
    static Route route(const INPUT_RECORD& rec);

private:
    char16_t high_surrogate_ = 0;  // the first half of a pair, awaiting its second
};

// The cell (x, y) of the screen as the console shows it. A pair's two cells
// carry the one character, the first marked COMMON_LVB_LEADING_BYTE and the
// second COMMON_LVB_TRAILING_BYTE, each in its own colours. Half a pair
// whose partner is gone shows as a blank; a byte that is no character (a
// control byte, 0x7F, a single byte above 0x7F) as '?'. Pre: contains(x, y).
WideCell wide_cell(const ScreenBuffer& screen, int x, int y);

// The whole screen as the console shows it, row after row.
std::vector<WideCell> wide_frame(const ScreenBuffer& screen);

// What must be written to turn the console's cells `shown` into `now` (both
// cols x rows, row after row): for each row that differs, one run from its
// first to its last changed cell, widened so that a double-byte character is
// never written by halves. `shown` becomes `now`.
std::vector<CellRun> changed_runs(const std::vector<WideCell>& now, std::vector<WideCell>& shown,
                                  int cols, int rows);

}  // namespace con::win
