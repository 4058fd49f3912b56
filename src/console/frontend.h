// What stands behind the console: a real terminal, or a script in a test.
#pragma once

#include "console/wintypes.h"

namespace con {

struct ConsoleState;
struct Cell;

// What the program is about to wait for when it asks the front end for input.
enum class Wait {
    Event,  // the main loop or a dialog reads one input record
    Line,   // line input: the user is typing a line for a formatted read
    Key,    // the key wait: any key press
};

class Frontend {
public:
    virtual ~Frontend() = default;

    // Brings the user's view up to date with the console. Called once each time
    // the program is about to wait for input, and never while it is writing.
    virtual void present(const ConsoleState& state, Wait why) = 0;

    // Blocks for the next input record. Returns false when input has ended for
    // good (the terminal is gone, or a test's script has run out).
    virtual bool read(INPUT_RECORD& rec) = 0;

    // Rings the bell, for a key that was refused. A front end may sound it
    // with the next presentation.
    virtual void bell() {}

    // The row that output scrolling is about to push off the top of the
    // screen buffer, its count cells as they are: a front end may keep it as
    // a terminal keeps its scroll-back. The program never gets it back.
    virtual void row_scrolled_off(const Cell* cells, int count) {
        (void)cells;
        (void)count;
    }
};

}  // namespace con
