#include "console/windows/windows_frontend.h"

#include "console/gbk.h"
#include "console/windows/native.h"

namespace con::win {

namespace {

constexpr int kWheelRows = 3;
constexpr int kWheelCols = 8;

}  // namespace

bool WindowsFrontend::open(std::string& error) {
    if (!native::open(kCols, kRows, error)) return false;
    open_ = true;
    shown_.clear();
    title_shown_ = false;
    return true;
}

void WindowsFrontend::close() {
    if (!open_) return;
    open_ = false;
    native::close();
}

// The window over the buffer starts where the user left it (its scroll bars)
// and moves the least that brings the focus into sight.
void WindowsFrontend::render() {
    if (!state_ || !open_) return;
    const ScreenBuffer& screen = state_->screen;
    for (const CellRun& run : changed_runs(wide_frame(screen), shown_, screen.cols(), screen.rows()))
        native::write(run);
    if (!title_shown_ || title_ != state_->title) {
        native::set_title(gbk::to_utf16(state_->title));
        title_ = state_->title;
        title_shown_ = true;
    }
    // A user typing a line needs to see where, even where the program has
    // hidden the cursor.
    const bool visible = why_ == Wait::Line || state_->cursor_info.bVisible;
    native::set_cursor(state_->cursor.X, state_->cursor.Y, state_->cursor_info.dwSize, visible);
    const native::Window w = native::window();
    view_.set_terminal(w.cols, w.rows);
    view_.scroll(w.left - view_.left(), w.top - view_.top(), *state_);
    view_.follow(*state_, why_);
    native::move_window(view_.left(), view_.top());
}

void WindowsFrontend::present(const ConsoleState& state, Wait why) {
    state_ = &state;
    why_ = why;
    render();
}

void WindowsFrontend::bell() { native::bell(); }

void WindowsFrontend::scroll(const MOUSE_EVENT_RECORD& m) {
    if (!state_) return;
    const auto delta = static_cast<int16_t>(m.dwButtonState >> 16);
    const bool sideways = (m.dwEventFlags & MOUSE_HWHEELED) || (m.dwControlKeyState & SHIFT_PRESSED);
    // Wheel up (away from the user) shows what lies above.
    int notch = delta > 0 ? -1 : 1;
    if (m.dwEventFlags & MOUSE_HWHEELED) notch = -notch;
    const native::Window w = native::window();
    view_.set_terminal(w.cols, w.rows);
    view_.scroll(w.left - view_.left(), w.top - view_.top(), *state_);
    if (view_.scroll(sideways ? notch * kWheelCols : 0, sideways ? 0 : notch * kWheelRows, *state_))
        native::move_window(view_.left(), view_.top());
}

bool WindowsFrontend::read(INPUT_RECORD& rec) {
    for (;;) {
        if (!pending_.empty()) {
            rec = pending_.front();
            pending_.pop_front();
            return true;
        }
        WideRecord wide;
        if (!open_ || !native::read(wide)) return false;
        translated_.clear();
        translator_.translate(wide, translated_);
        for (const INPUT_RECORD& r : translated_) {
            switch (RecordTranslator::route(r)) {
                case Route::Program:
                    pending_.push_back(r);
                    break;
                case Route::Quit:
                    native::quit(130);
                case Route::Repaint:
                    native::keep_buffer_size(kCols, kRows);
                    shown_.clear();
                    render();
                    break;
                case Route::Wheel:
                    scroll(r.Event.MouseEvent);
                    break;
                case Route::Drop:
                    break;
            }
        }
    }
}

}  // namespace con::win
