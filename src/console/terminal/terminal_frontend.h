// The console's front end on a real terminal: presents the screen buffer when
// the program is about to wait, and turns keys and mouse reports into input
// records.
//
// PgUp and PgDn (Alt+PgUp and Alt+PgDn sideways) and the mouse wheel (Shift+
// wheel sideways) scroll the view of a terminal smaller than the buffer, and
// on above its row 0 into the scroll-back: the rows output scrolling pushed
// off the top. Shift+PgUp and Shift+PgDn move by half the terminal, in any
// size. None of them reaches the program. In the scroll-back a marker shows
// on the last row; any other key or a click brings the view back to the live
// screen first, and then reaches the program. Above the oldest row kept, a
// marker tells how many older rows were dropped. Mouse positions reach it as
// buffer cells; reports from beyond the buffer are dropped.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "console/console.h"
#include "console/terminal/history.h"
#include "console/terminal/keydecoder.h"
#include "console/terminal/renderer.h"
#include "console/terminal/termio.h"
#include "console/view.h"

namespace con::term {

class TerminalFrontend : public Frontend {
public:
    TerminalFrontend() = default;
    ~TerminalFrontend() override { close(); }

    // Takes over the terminal on in_fd and out_fd (standard input and output
    // by default). On failure returns false and says why in error.
    bool open(std::string& error, int in_fd = 0, int out_fd = 1);
    // Gives the terminal back. Safe to call again.
    void close();

    void present(const ConsoleState& state, Wait why) override;
    bool read(INPUT_RECORD& rec) override;
    void row_scrolled_off(const Cell* cells, int count) override { history_.push(cells, count); }
    // Sounds with the next frame.
    void bell() override { bell_ = true; }

    const History& history() const { return history_; }

private:
    void take_signals();
    void render();
    void route(const INPUT_RECORD& rec);
    void scroll(int dx, int dy);
    void leave_history();
    // Rows the view may go above the buffer: the scroll-back, and the marker
    // above it once rows were dropped.
    int history_rows() const { return history_.size() + (history_.dropped() > 0 ? 1 : 0); }

    Termio tty_;
    std::optional<Renderer> renderer_;
    std::optional<KeyDecoder> decoder_;
    TtySource source_;
    View view_;
    History history_;
    std::deque<INPUT_RECORD> pending_;
    std::vector<INPUT_RECORD> decoded_;
    std::string frame_;
    const ConsoleState* state_ = nullptr;
    Wait why_ = Wait::Event;
    bool closed_ = false;
    bool bell_ = false;
};

}  // namespace con::term
