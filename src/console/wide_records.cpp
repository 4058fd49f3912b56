#include "console/wide_records.h"

#include <algorithm>
#include <string>

#include "console/gbk.h"

namespace con::win {

namespace {

constexpr WORD kColourBits = 0x00FF;  // foreground and background, nothing else

INPUT_RECORD key(const WideRecord& in, char ch) {
    INPUT_RECORD r{};
    r.EventType = KEY_EVENT;
    auto& k = r.Event.KeyEvent;
    k.bKeyDown = in.key_down ? TRUE : FALSE;
    k.wRepeatCount = 1;
    k.wVirtualKeyCode = in.vk;
    k.wVirtualScanCode = in.scan;
    k.uChar.AsciiChar = ch;
    k.dwControlKeyState = in.key_state;
    return r;
}

// The GBK bytes of a key's character into `bytes` (none for a key without
// one). False for the first half of a surrogate pair, which waits for the
// second: the pair is one character, beyond GBK.
bool key_bytes(const WideRecord& in, char16_t& high_surrogate, std::string& bytes) {
    const char16_t c = in.ch;
    const bool high = c >= 0xD800 && c <= 0xDBFF;
    const bool low = c >= 0xDC00 && c <= 0xDFFF;
    if (high_surrogate != 0 && !low) bytes += '?';  // a first half left alone
    high_surrogate = high ? c : 0;
    if (high) return false;
    // Some consoles give Esc no character; the program knows it by 0x1B.
    if (in.vk == VK_ESCAPE)
        bytes += '\x1b';
    else if (low)
        bytes += '?';
    else if (c != 0 && c < 0x80)
        bytes += static_cast<char>(c);
    else if (c != 0)
        bytes += gbk::from_utf16(std::u16string_view(&c, 1));
    return true;
}

}  // namespace

void RecordTranslator::translate(const WideRecord& in, std::vector<INPUT_RECORD>& out) {
    switch (in.type) {
        case WideRecord::Type::Key: {
            std::string bytes;
            if (!key_bytes(in, high_surrogate_, bytes)) return;
            const int times = in.key_down && in.repeat > 1 ? in.repeat : 1;
            for (int i = 0; i < times; ++i) {
                if (bytes.empty()) out.push_back(key(in, 0));
                // An input method's character arrives byte by byte, as a
                // console in code page 936 gives it to ReadConsoleInputA.
                for (const char b : bytes)
                    out.push_back(key(in, b));
            }
            return;
        }
        case WideRecord::Type::Mouse: {
            INPUT_RECORD r{};
            r.EventType = MOUSE_EVENT;
            auto& m = r.Event.MouseEvent;
            m.dwMousePosition = COORD{in.x, in.y};
            m.dwButtonState = in.buttons;
            m.dwControlKeyState = in.key_state;
            m.dwEventFlags = in.mouse_flags;
            out.push_back(r);
            return;
        }
        case WideRecord::Type::BufferSize: {
            INPUT_RECORD r{};
            r.EventType = WINDOW_BUFFER_SIZE_EVENT;
            r.Event.WindowBufferSizeEvent.dwSize = COORD{in.cols, in.rows};
            out.push_back(r);
            return;
        }
        case WideRecord::Type::Menu: {
            INPUT_RECORD r{};
            r.EventType = MENU_EVENT;
            out.push_back(r);
            return;
        }
        case WideRecord::Type::Focus: {
            INPUT_RECORD r{};
            r.EventType = FOCUS_EVENT;
            out.push_back(r);
            return;
        }
        case WideRecord::Type::Other:
            return;
    }
}

Route RecordTranslator::route(const INPUT_RECORD& rec) {
    switch (rec.EventType) {
        case KEY_EVENT:
            // With processed input off, Ctrl+C is a key like any other.
            return rec.Event.KeyEvent.bKeyDown && rec.Event.KeyEvent.uChar.AsciiChar == 0x03
                       ? Route::Quit
                       : Route::Program;
        case MOUSE_EVENT:
            return rec.Event.MouseEvent.dwEventFlags & (MOUSE_WHEELED | MOUSE_HWHEELED)
                       ? Route::Wheel
                       : Route::Program;
        case WINDOW_BUFFER_SIZE_EVENT:
            return Route::Repaint;
        default:
            return Route::Drop;
    }
}

WideCell wide_cell(const ScreenBuffer& screen, int x, int y) {
    const Cell& c = screen.at(x, y);
    const auto attr = static_cast<std::uint16_t>(c.attr & kColourBits);
    const auto b = static_cast<unsigned char>(c.ch);
    switch (c.half) {
        case Half::Lead:
        case Half::Trail: {
            const bool lead = c.half == Half::Lead;
            const Cell& other = screen.at(lead ? x + 1 : x - 1, y);
            const char pair[2] = {lead ? c.ch : other.ch, lead ? other.ch : c.ch};
            const std::u16string u = gbk::to_utf16(std::string_view(pair, 2));
            if (u.size() != 1 || u[0] == u'?') return WideCell{u'?', attr};
            return WideCell{u[0], static_cast<std::uint16_t>(
                                      attr | (lead ? COMMON_LVB_LEADING_BYTE
                                                   : COMMON_LVB_TRAILING_BYTE))};
        }
        case Half::Orphan:
            return WideCell{u' ', attr};
        case Half::None:
            break;
    }
    if (b < 0x20 || b >= 0x7F) return WideCell{u'?', attr};
    return WideCell{static_cast<char16_t>(b), attr};
}

std::vector<WideCell> wide_frame(const ScreenBuffer& screen) {
    std::vector<WideCell> frame;
    frame.reserve(static_cast<std::size_t>(screen.cols()) * screen.rows());
    for (int y = 0; y < screen.rows(); ++y)
        for (int x = 0; x < screen.cols(); ++x) frame.push_back(wide_cell(screen, x, y));
    return frame;
}

std::vector<CellRun> changed_runs(const std::vector<WideCell>& now, std::vector<WideCell>& shown,
                                  int cols, int rows) {
    std::vector<CellRun> runs;
    if (shown.size() != now.size()) {
        // Nothing known of what the console shows: every row.
        shown.assign(now.size(), WideCell{u'\0', 0xFFFF});
    }
    for (int y = 0; y < rows; ++y) {
        const std::size_t row = static_cast<std::size_t>(y) * cols;
        int left = 0;
        while (left < cols && now[row + left] == shown[row + left]) ++left;
        if (left == cols) continue;
        int right = cols - 1;
        while (now[row + right] == shown[row + right]) --right;
        if (left > 0 && (now[row + left].attr & COMMON_LVB_TRAILING_BYTE)) --left;
        if (right < cols - 1 && (now[row + right].attr & COMMON_LVB_LEADING_BYTE)) ++right;
        CellRun run;
        run.y = y;
        run.left = left;
        run.right = right;
        run.cells.assign(now.begin() + static_cast<std::ptrdiff_t>(row + left),
                         now.begin() + static_cast<std::ptrdiff_t>(row + right + 1));
        std::copy(run.cells.begin(), run.cells.end(),
                  shown.begin() + static_cast<std::ptrdiff_t>(row + left));
        runs.push_back(std::move(run));
    }
    return runs;
}

}  // namespace con::win
