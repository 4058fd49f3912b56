#include "console/terminal/terminal_frontend.h"

#include <algorithm>
#include <cstdio>

#include "console/gbk.h"

namespace con::term {

namespace {

constexpr int kWheelRows = 3;
constexpr int kWheelCols = 8;

// The last row's words while the view is in the scroll-back, `rows` rows
// above the live screen.
std::string HistoryMarker(int rows) {
    char text[64];
    std::snprintf(text, sizeof text, "── 历史 -%d 行，任意键返回 ──", rows);
    return text;
}

// The row above the oldest row of the scroll-back, once rows were dropped.
std::string DroppedMarker(long long dropped) {
    char text[64];
    std::snprintf(text, sizeof text, "── 更早的 %lld 行已不保留 ──", dropped);
    return text;
}

}  // namespace

bool TerminalFrontend::open(std::string& error, int in_fd, int out_fd) {
    if (!tty_.open(in_fd, out_fd, error)) return false;
    KeyDecoder::Charset charset = Termio::locale_charset();
    TermText text;
    text.charset = charset == KeyDecoder::Charset::Gbk ? TermText::Charset::Gbk
                                                       : TermText::Charset::Utf8;
    text.convert = gbk::to_utf8;
    renderer_.emplace(tty_.caps(), text);
    decoder_.emplace(charset, gbk::from_utf8);
    source_.set_fd(tty_.in_fd());
    int cols, rows;
    tty_.size(cols, rows);
    renderer_->resize(cols, rows);
    view_.set_terminal(cols, rows);
    closed_ = false;
    return true;
}

void TerminalFrontend::close() { tty_.close(); }

// A resized or resumed terminal is repainted whole.
void TerminalFrontend::take_signals() {
    unsigned s = tty_.take_signals();
    if (s == 0 || !renderer_) return;
    int cols, rows;
    tty_.size(cols, rows);
    if (cols != renderer_->cols() || rows != renderer_->rows()) {
        renderer_->resize(cols, rows);
        view_.set_terminal(cols, rows);
    }
    renderer_->invalidate();
}

void TerminalFrontend::render() {
    if (!state_ || !renderer_ || closed_) return;
    FrameView fv;
    fv.left = view_.left();
    fv.top = view_.top();
    fv.history = &history_;
    std::string top_marker;
    if (history_.dropped() > 0) {
        top_marker = DroppedMarker(history_.dropped());
        fv.top_marker = top_marker;
    }
    std::string marker;
    if (view_.in_history()) {
        marker = HistoryMarker(-view_.top());
        fv.marker = marker;
    } else if (why_ == Wait::Line || state_->cursor_info.bVisible) {
        // A user typing a line needs to see where, even where the program has
        // hidden the cursor.
        fv.cursor_x = state_->cursor.X - view_.left();
        fv.cursor_y = state_->cursor.Y - view_.top();
    }
    frame_.clear();
    renderer_->render(*state_, fv, frame_);
    if (bell_) frame_ += tty_.caps().bel;
    bell_ = false;
    if (!frame_.empty() && !tty_.write(frame_)) closed_ = true;
}

void TerminalFrontend::present(const ConsoleState& state, Wait why) {
    state_ = &state;
    why_ = why;
    take_signals();
    view_.follow(state, why);
    render();
}

void TerminalFrontend::scroll(int dx, int dy) {
    if (state_ && view_.scroll(dx, dy, *state_, history_rows())) render();
}

void TerminalFrontend::leave_history() {
    if (!state_ || !view_.in_history()) return;
    view_.leave_history(*state_, why_);
    render();
}

void TerminalFrontend::route(const INPUT_RECORD& rec) {
    if (rec.EventType == KEY_EVENT) {
        WORD vk = rec.Event.KeyEvent.wVirtualKeyCode;
        if (vk == VK_PRIOR || vk == VK_NEXT) {
            int sign = vk == VK_PRIOR ? -1 : 1;
            DWORD mods = rec.Event.KeyEvent.dwControlKeyState;
            bool sideways = mods & (LEFT_ALT_PRESSED | RIGHT_ALT_PRESSED);
            int page = mods & SHIFT_PRESSED ? view_.terminal_rows() / 2 : view_.terminal_rows() - 1;
            if (sideways)
                scroll(sign * std::max(1, view_.terminal_cols() / 2), 0);
            else
                scroll(0, sign * std::max(1, page));
            return;
        }
        leave_history();
        pending_.push_back(rec);
        return;
    }
    if (rec.EventType == MOUSE_EVENT) {
        if (!state_) return;
        const MOUSE_EVENT_RECORD& m = rec.Event.MouseEvent;
        if (m.dwEventFlags & (MOUSE_WHEELED | MOUSE_HWHEELED)) {
            auto delta = static_cast<int16_t>(m.dwButtonState >> 16);
            bool sideways = (m.dwEventFlags & MOUSE_HWHEELED) || (m.dwControlKeyState & SHIFT_PRESSED);
            // Wheel up (away from the user) shows what lies above.
            int notch = delta > 0 ? -1 : 1;
            if (m.dwEventFlags & MOUSE_HWHEELED) notch = -notch;
            scroll(sideways ? notch * kWheelCols : 0, sideways ? 0 : notch * kWheelRows);
            return;
        }
        if (view_.in_history()) {
            // A press comes back to the live screen and is the program's;
            // motion over the scroll-back is nobody's.
            if (m.dwEventFlags != 0 || m.dwButtonState == 0) return;
            leave_history();
        }
        INPUT_RECORD r = rec;
        if (!view_.to_buffer(m.dwMousePosition.X, m.dwMousePosition.Y, *state_,
                             r.Event.MouseEvent.dwMousePosition))
            return;
        pending_.push_back(r);
        return;
    }
    pending_.push_back(rec);
}

bool TerminalFrontend::read(INPUT_RECORD& rec) {
    for (;;) {
        if (!pending_.empty()) {
            rec = pending_.front();
            pending_.pop_front();
            return true;
        }
        if (closed_ || !decoder_) return false;
        if (!source_.buffered()) {
            if (tty_.wait() == Termio::Wake::Signal) {
                take_signals();
                if (state_) view_.follow(*state_, why_);
                render();
                continue;
            }
        }
        decoded_.clear();
        decoder_->set_meta_letters(why_ != Wait::Line);
        if (!decoder_->decode(source_, decoded_)) {
            closed_ = true;
            return false;
        }
        for (const INPUT_RECORD& r : decoded_) route(r);
    }
}

}  // namespace con::term
