// The scripted front end: tests prepare the input records a user would
// produce, run the program on them, and read back every cell. When the script
// runs out, input has ended: the program's next read throws con::InputClosed,
// so a test never blocks.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

#include "console/console.h"

namespace con {

class ScriptedFrontend : public Frontend {
public:
    // A key press: key down then key up, with the given character and
    // modifier state (dwControlKeyState).
    ScriptedFrontend& key(WORD vk, char ch = 0, DWORD modifiers = 0);

    // Keys that produce no character.
    ScriptedFrontend& left() { return key(VK_LEFT); }
    ScriptedFrontend& right() { return key(VK_RIGHT); }
    ScriptedFrontend& up() { return key(VK_UP); }
    ScriptedFrontend& down() { return key(VK_DOWN); }
    ScriptedFrontend& f1() { return key(VK_F1); }

    ScriptedFrontend& enter() { return key(VK_RETURN, '\r'); }
    ScriptedFrontend& esc() { return key(VK_ESCAPE, 0x1B); }
    ScriptedFrontend& alt(char letter);   // Alt + letter, as a console reports it
    ScriptedFrontend& ctrl(char letter);  // Ctrl + letter: character 1..26

    // Types GBK text, one key press per byte, as a user (or an input method)
    // would: letters carry their upper-case virtual-key code and Shift when
    // upper case; "\n" and "\r" press Enter, "\b" Backspace, "\t" Tab, "\x1b" Esc.
    ScriptedFrontend& type(std::string_view gbk_text);

    // Mouse records at cell (x, y).
    ScriptedFrontend& mouse(int x, int y, DWORD buttons, DWORD flags = 0);
    ScriptedFrontend& move(int x, int y) { return mouse(x, y, 0, MOUSE_MOVED); }
    ScriptedFrontend& click(int x, int y);        // left press, then release
    ScriptedFrontend& right_click(int x, int y);  // right press, then release

    ScriptedFrontend& record(const INPUT_RECORD& rec);

    std::size_t pending() const { return queue_.size(); }
    void clear() { queue_.clear(); }

    // How many times the console was presented, and what it waited for last.
    int frames() const { return frames_; }
    Wait last_wait() const { return last_wait_; }
    // How many times the bell rang.
    int bells() const { return bells_; }

    void present(const ConsoleState& state, Wait why) override;
    bool read(INPUT_RECORD& rec) override;
    void bell() override { ++bells_; }

private:
    std::deque<INPUT_RECORD> queue_;
    int frames_ = 0;
    Wait last_wait_ = Wait::Event;
    int bells_ = 0;
};

// Readers for tests.
std::string row_text(int y, int x0 = 0, int x1 = kCols - 1);  // bytes of cells x0..x1
WORD attr_at(int x, int y);
char char_at(int x, int y);

}  // namespace con
