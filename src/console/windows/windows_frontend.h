// The console's front end on a real Windows console: presents the screen
// buffer when the program is about to wait (only the cells that changed, the
// cursor and the title), and hands the console's input records to the
// program as GBK records. The console's own state is remembered at open()
// and put back on every way out (see native.h).
//
// Ctrl+C ends the program at once with status 130, as an interrupt does in a
// terminal. The mouse wheel scrolls the console's window over the buffer and
// never reaches the program; a console window smaller than the buffer
// follows what the user works with (the open pop-up, the cursor awaited), as
// a small terminal's view does. A change of the buffer's size by the user is
// undone and the screen painted whole. Focus and menu records are the
// console's own business and are dropped.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "console/console.h"
#include "console/view.h"
#include "console/wide_records.h"

namespace con::win {

class WindowsFrontend : public Frontend {
public:
    WindowsFrontend() = default;
    ~WindowsFrontend() override { close(); }

    // Takes over the console of standard input and output. On failure
    // returns false and says why in error.
    bool open(std::string& error);
    // Gives the console back. Safe to call again.
    void close();

    void present(const ConsoleState& state, Wait why) override;
    bool read(INPUT_RECORD& rec) override;
    void bell() override;

private:
    void render();
    void scroll(const MOUSE_EVENT_RECORD& wheel);

    bool open_ = false;
    RecordTranslator translator_;
    std::deque<INPUT_RECORD> pending_;
    std::vector<INPUT_RECORD> translated_;
    std::vector<WideCell> shown_;  // what the console shows; empty: unknown
    std::string title_;
    bool title_shown_ = false;
    View view_;
    const ConsoleState* state_ = nullptr;
    Wait why_ = Wait::Event;
};

}  // namespace con::win
