#include "console/windows/native.h"

#include <windows.h>

#include <algorithm>
#include <mutex>
#include <vector>

namespace con::win::native {

namespace {

// The program's code page: GBK, so that the console lays out a Chinese
// character as two cells, as the program's buffer does.
constexpr UINT kGbk = 936;

// What open() found, to be put back.
struct Remembered {
    HANDLE in = INVALID_HANDLE_VALUE;
    HANDLE out = INVALID_HANDLE_VALUE;  // the screen buffer that was active (CONOUT$)
    DWORD in_mode = 0;
    DWORD out_mode = 0;
    UINT in_cp = 0;
    UINT out_cp = 0;
    CONSOLE_SCREEN_BUFFER_INFO info{};
    CONSOLE_CURSOR_INFO cursor{};
    std::wstring title;
};

// Guards everything below: the control handler runs on a thread of its own.
std::mutex g_lock;
// Held while a record is taken from the console (read(), quit()).
std::mutex g_reading;
bool g_open = false;
Remembered g_was;
HANDLE g_buffer = INVALID_HANDLE_VALUE;  // the program's own screen buffer

SHORT to_short(int v) { return static_cast<SHORT>(v); }

bool same_geometry(const CONSOLE_SCREEN_BUFFER_INFO& a, const CONSOLE_SCREEN_BUFFER_INFO& b) {
    return a.dwSize.X == b.dwSize.X && a.dwSize.Y == b.dwSize.Y &&
           a.srWindow.Left == b.srWindow.Left && a.srWindow.Top == b.srWindow.Top &&
           a.srWindow.Right == b.srWindow.Right && a.srWindow.Bottom == b.srWindow.Bottom;
}

// A buffer's size and window, in an order the console accepts: the window
// must always lie inside the buffer.
void set_geometry(HANDLE h, COORD size, SMALL_RECT window) {
    CONSOLE_SCREEN_BUFFER_INFO now{};
    if (!GetConsoleScreenBufferInfo(h, &now)) return;
    // Shrink the window first to what fits in both sizes.
    const SHORT cols = std::min<SHORT>(now.srWindow.Right - now.srWindow.Left + 1, size.X);
    const SHORT rows = std::min<SHORT>(now.srWindow.Bottom - now.srWindow.Top + 1, size.Y);
    SMALL_RECT small{0, 0, to_short(cols - 1), to_short(rows - 1)};
    SetConsoleWindowInfo(h, TRUE, &small);
    SetConsoleScreenBufferSize(h, size);
    SetConsoleWindowInfo(h, TRUE, &window);
}

void restore_locked() {
    if (!g_open) return;
    g_open = false;
    const Remembered& w = g_was;
    // Quick-edit and insert mode come back only with the extended flags set,
    // whether or not the mode as read showed them.
    SetConsoleMode(w.in, w.in_mode | ENABLE_EXTENDED_FLAGS);
    SetConsoleCP(w.in_cp);
    SetConsoleOutputCP(w.out_cp);
    SetConsoleTitleW(w.title.c_str());
    SetConsoleActiveScreenBuffer(w.out);
    // The program drew on a buffer of its own; the user's one is put back as
    // it was should anything have changed it meanwhile.
    CONSOLE_SCREEN_BUFFER_INFO now{};
    if (GetConsoleScreenBufferInfo(w.out, &now) && !same_geometry(now, w.info))
        set_geometry(w.out, w.info.dwSize, w.info.srWindow);
    SetConsoleMode(w.out, w.out_mode);
    SetConsoleTextAttribute(w.out, w.info.wAttributes);
    SetConsoleCursorInfo(w.out, &w.cursor);
    SetConsoleCursorPosition(w.out, w.info.dwCursorPosition);
    CloseHandle(w.out);
    if (g_buffer != INVALID_HANDLE_VALUE) CloseHandle(g_buffer);
    g_buffer = INVALID_HANDLE_VALUE;
}

// Ctrl+Break (and Ctrl+C, should processed input be back on) end the program
// as an interrupt does in a terminal; closing the window, logging off and
// shutting down as a hang-up does. Runs on a thread of its own.
BOOL WINAPI on_control(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            quit(130);
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            quit(129);
        default:
            return FALSE;
    }
}

// A crash: the console first, then whatever handles the crash.
LONG WINAPI on_crash(EXCEPTION_POINTERS*) {
    close();
    return EXCEPTION_CONTINUE_SEARCH;
}

WideRecord from_native(const INPUT_RECORD& r) {
    WideRecord w;
    switch (r.EventType) {
        case KEY_EVENT: {
            const KEY_EVENT_RECORD& k = r.Event.KeyEvent;
            w.type = WideRecord::Type::Key;
            w.key_down = k.bKeyDown != FALSE;
            w.repeat = k.wRepeatCount;
            w.vk = k.wVirtualKeyCode;
            w.scan = k.wVirtualScanCode;
            w.ch = static_cast<char16_t>(k.uChar.UnicodeChar);
            w.key_state = k.dwControlKeyState;
            break;
        }
        case MOUSE_EVENT: {
            const MOUSE_EVENT_RECORD& m = r.Event.MouseEvent;
            w.type = WideRecord::Type::Mouse;
            w.x = m.dwMousePosition.X;
            w.y = m.dwMousePosition.Y;
            w.buttons = m.dwButtonState;
            w.key_state = m.dwControlKeyState;
            w.mouse_flags = m.dwEventFlags;
            break;
        }
        case WINDOW_BUFFER_SIZE_EVENT:
            w.type = WideRecord::Type::BufferSize;
            w.cols = r.Event.WindowBufferSizeEvent.dwSize.X;
            w.rows = r.Event.WindowBufferSizeEvent.dwSize.Y;
            break;
        case MENU_EVENT:
            w.type = WideRecord::Type::Menu;
            break;
        case FOCUS_EVENT:
            w.type = WideRecord::Type::Focus;
            break;
        default:
            break;
    }
    return w;
}

}  // namespace

bool open(int cols, int rows, std::string& error) {
    std::lock_guard<std::mutex> hold(g_lock);
    if (g_open) return true;
    Remembered w;
    w.in = GetStdHandle(STD_INPUT_HANDLE);
    DWORD std_out_mode = 0;
    if (!GetConsoleMode(w.in, &w.in_mode) ||
        !GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &std_out_mode)) {
        error = "standard input and output must be a console";
        return false;
    }
    // The buffer to give back is the one active now, and CONOUT$ names that
    // very buffer. The standard output handle need not: under Wine a handle a
    // child inherits follows whichever buffer is active, so once ours is, it
    // would name ours and the user's would never come back.
    w.out = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (w.out == INVALID_HANDLE_VALUE || !GetConsoleMode(w.out, &w.out_mode) ||
        !GetConsoleScreenBufferInfo(w.out, &w.info)) {
        if (w.out != INVALID_HANDLE_VALUE) CloseHandle(w.out);
        error = "cannot open the console's screen buffer";
        return false;
    }
    GetConsoleCursorInfo(w.out, &w.cursor);
    w.in_cp = GetConsoleCP();
    w.out_cp = GetConsoleOutputCP();
    std::vector<wchar_t> title(4096, L'\0');
    GetConsoleTitleW(title.data(), static_cast<DWORD>(title.size()));
    w.title = title.data();

    HANDLE buffer = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                              CONSOLE_TEXTMODE_BUFFER, nullptr);
    if (buffer == INVALID_HANDLE_VALUE) {
        CloseHandle(w.out);
        error = "cannot create a console screen buffer";
        return false;
    }
    g_was = w;
    g_buffer = buffer;
    g_open = true;

    SetConsoleCP(kGbk);
    SetConsoleOutputCP(kGbk);
    // The window keeps the size the user gave it, within the buffer.
    CONSOLE_SCREEN_BUFFER_INFO mine{};
    GetConsoleScreenBufferInfo(buffer, &mine);
    const int win_cols = std::min(mine.srWindow.Right - mine.srWindow.Left + 1, cols);
    const int win_rows = std::min(mine.srWindow.Bottom - mine.srWindow.Top + 1, rows);
    set_geometry(buffer, COORD{to_short(cols), to_short(rows)},
                 SMALL_RECT{0, 0, to_short(win_cols - 1), to_short(win_rows - 1)});
    SetConsoleActiveScreenBuffer(buffer);
    // Key and mouse records and buffer-size records; Ctrl+C a key; no
    // quick-edit selection taking the mouse; no line editing or echo.
    SetConsoleMode(w.in, ENABLE_WINDOW_INPUT | ENABLE_MOUSE_INPUT | ENABLE_EXTENDED_FLAGS);
    SetConsoleCtrlHandler(on_control, TRUE);
    SetUnhandledExceptionFilter(on_crash);
    return true;
}

void close() {
    std::lock_guard<std::mutex> hold(g_lock);
    restore_locked();
}

void quit(int status) {
    // Never in the middle of a read (see read()); and no read starts after.
    std::lock_guard<std::mutex> reading(g_reading);
    close();
    ExitProcess(static_cast<UINT>(status));
}

void write(const CellRun& run) {
    std::lock_guard<std::mutex> hold(g_lock);
    if (!g_open || run.cells.empty()) return;
    std::vector<CHAR_INFO> cells(run.cells.size());
    for (std::size_t i = 0; i < cells.size(); ++i) {
        cells[i].Char.UnicodeChar = static_cast<WCHAR>(run.cells[i].ch);
        cells[i].Attributes = run.cells[i].attr;
    }
    SMALL_RECT rect{to_short(run.left), to_short(run.y), to_short(run.right), to_short(run.y)};
    WriteConsoleOutputW(g_buffer, cells.data(), COORD{to_short(cells.size()), 1}, COORD{0, 0},
                        &rect);
}

void set_cursor(int x, int y, unsigned size, bool visible) {
    std::lock_guard<std::mutex> hold(g_lock);
    if (!g_open) return;
    CONSOLE_CURSOR_INFO info{std::clamp<DWORD>(size, 1, 100), visible ? TRUE : FALSE};
    SetConsoleCursorInfo(g_buffer, &info);
    // Placing the cursor scrolls the window to it: only where it shows.
    if (visible) SetConsoleCursorPosition(g_buffer, COORD{to_short(x), to_short(y)});
}

void set_title(const std::u16string& title) {
    std::lock_guard<std::mutex> hold(g_lock);
    if (!g_open) return;
    std::wstring w(title.begin(), title.end());
    SetConsoleTitleW(w.c_str());
}

void bell() {
    std::lock_guard<std::mutex> hold(g_lock);
    if (!g_open) return;
    DWORD written = 0;
    WriteConsoleW(g_buffer, L"\a", 1, &written, nullptr);
}

Window window() {
    std::lock_guard<std::mutex> hold(g_lock);
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!g_open || !GetConsoleScreenBufferInfo(g_buffer, &info)) return Window{0, 0, 80, 25};
    return Window{info.srWindow.Left, info.srWindow.Top, info.srWindow.Right - info.srWindow.Left + 1,
                  info.srWindow.Bottom - info.srWindow.Top + 1};
}

void move_window(int left, int top) {
    std::lock_guard<std::mutex> hold(g_lock);
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!g_open || !GetConsoleScreenBufferInfo(g_buffer, &info)) return;
    if (info.srWindow.Left == left && info.srWindow.Top == top) return;
    const int cols = info.srWindow.Right - info.srWindow.Left + 1;
    const int rows = info.srWindow.Bottom - info.srWindow.Top + 1;
    SMALL_RECT rect{to_short(left), to_short(top), to_short(left + cols - 1),
                    to_short(top + rows - 1)};
    SetConsoleWindowInfo(g_buffer, TRUE, &rect);
}

bool keep_buffer_size(int cols, int rows) {
    std::lock_guard<std::mutex> hold(g_lock);
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!g_open || !GetConsoleScreenBufferInfo(g_buffer, &info)) return false;
    if (info.dwSize.X == cols && info.dwSize.Y == rows) return false;
    const int win_cols = std::min(info.srWindow.Right - info.srWindow.Left + 1, cols);
    const int win_rows = std::min(info.srWindow.Bottom - info.srWindow.Top + 1, rows);
    set_geometry(g_buffer, COORD{to_short(cols), to_short(rows)},
                 SMALL_RECT{0, 0, to_short(win_cols - 1), to_short(win_rows - 1)});
    return true;
}

bool read(WideRecord& rec) {
    HANDLE in;
    {
        std::lock_guard<std::mutex> hold(g_lock);
        if (!g_open) return false;
        in = g_was.in;
    }
    // Under Wine a read still in the console when the control handler ends
    // the process stays pending there, and at the next key the console host
    // ends: whoever started us (a command prompt) never gets input again.
    // So the waiting is done outside the console, and a record is taken only
    // once one is there, under g_reading, which quit() takes first. Ctrl+C
    // both queues a record and raises the control event, so the two meet.
    for (;;) {
        if (WaitForSingleObject(in, INFINITE) != WAIT_OBJECT_0) return false;
        std::lock_guard<std::mutex> reading(g_reading);
        DWORD waiting = 0;
        if (!GetNumberOfConsoleInputEvents(in, &waiting)) return false;
        if (waiting == 0) continue;  // taken by another reader meanwhile
        INPUT_RECORD r;
        DWORD n = 0;
        if (!ReadConsoleInputW(in, &r, 1, &n) || n != 1) return false;
        rec = from_native(r);
        return true;
    }
}

}  // namespace con::win::native
