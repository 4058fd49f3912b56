#include "support/scripted.h"

#include <algorithm>

namespace con {

ScriptedFrontend& ScriptedFrontend::key(WORD vk, char ch, DWORD modifiers) {
    INPUT_RECORD rec{};
    rec.EventType = KEY_EVENT;
    auto& k = rec.Event.KeyEvent;
    k.bKeyDown = TRUE;
    k.wRepeatCount = 1;
    k.wVirtualKeyCode = vk;
    k.uChar.AsciiChar = ch;
    k.dwControlKeyState = modifiers;
    queue_.push_back(rec);
    k.bKeyDown = FALSE;
    queue_.push_back(rec);
    return *this;
}

ScriptedFrontend& ScriptedFrontend::alt(char letter) {
    const char lo = static_cast<char>(letter >= 'A' && letter <= 'Z' ? letter + 32 : letter);
    const char up = static_cast<char>(lo >= 'a' && lo <= 'z' ? lo - 32 : lo);
    return key(static_cast<unsigned char>(up), lo, LEFT_ALT_PRESSED);
}

ScriptedFrontend& ScriptedFrontend::ctrl(char letter) {
    const char up = static_cast<char>(letter >= 'a' && letter <= 'z' ? letter - 32 : letter);
    return key(static_cast<unsigned char>(up), static_cast<char>(letter & 0x1F),
               LEFT_CTRL_PRESSED);
}

ScriptedFrontend& ScriptedFrontend::type(std::string_view gbk_text) {
    for (const char ch : gbk_text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 'a' && c <= 'z') key(static_cast<WORD>(c - 32), ch);
        else if (c >= 'A' && c <= 'Z') key(c, ch, SHIFT_PRESSED);
        else if (c >= '0' && c <= '9') key(c, ch);
        else if (c == ' ') key(VK_SPACE, ch);
        else if (c == '\r' || c == '\n') enter();
        else if (c == '\b') key(VK_BACK, '\b');
        else if (c == '\t') key(VK_TAB, '\t');
        else if (c == 0x1B) esc();
        else if (c < 0x80) key(VK_OEM_1, ch);
        else key(0, ch);  // an input method's byte
    }
    return *this;
}

ScriptedFrontend& ScriptedFrontend::mouse(int x, int y, DWORD buttons, DWORD flags) {
    INPUT_RECORD rec{};
    rec.EventType = MOUSE_EVENT;
    auto& m = rec.Event.MouseEvent;
    m.dwMousePosition = COORD{static_cast<SHORT>(x), static_cast<SHORT>(y)};
    m.dwButtonState = buttons;
    m.dwEventFlags = flags;
    queue_.push_back(rec);
    return *this;
}

ScriptedFrontend& ScriptedFrontend::click(int x, int y) {
    mouse(x, y, FROM_LEFT_1ST_BUTTON_PRESSED, 0);
    return mouse(x, y, 0, 0);
}

ScriptedFrontend& ScriptedFrontend::right_click(int x, int y) {
    mouse(x, y, RIGHTMOST_BUTTON_PRESSED, 0);
    return mouse(x, y, 0, 0);
}

ScriptedFrontend& ScriptedFrontend::record(const INPUT_RECORD& rec) {
    queue_.push_back(rec);
    return *this;
}

void ScriptedFrontend::present(const ConsoleState&, Wait why) {
    ++frames_;
    last_wait_ = why;
}

bool ScriptedFrontend::read(INPUT_RECORD& rec) {
    if (queue_.empty()) return false;
    rec = queue_.front();
    queue_.pop_front();
    return true;
}

std::string row_text(int y, int x0, int x1) {
    const auto& sc = state().screen;
    if (y < 0 || y >= sc.rows()) return {};
    x0 = std::max(x0, 0);
    x1 = std::min(x1, sc.cols() - 1);
    std::string s;
    for (int x = x0; x <= x1; ++x) s += sc.at(x, y).ch;
    return s;
}

WORD attr_at(int x, int y) {
    const auto& sc = state().screen;
    return sc.contains(x, y) ? sc.at(x, y).attr : 0;
}

char char_at(int x, int y) {
    const auto& sc = state().screen;
    return sc.contains(x, y) ? sc.at(x, y).ch : '\0';
}

}  // namespace con
