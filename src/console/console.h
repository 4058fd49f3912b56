// The console the application runs on: one screen buffer with its cursor,
// text attribute and title, an input queue fed by a front end, and the
// Windows-shaped calls that the application makes on them.
//
// Coordinates outside the buffer are clipped: nothing is ever written outside
// it, and a call that names no cell inside it does nothing and returns FALSE.
#pragma once

#include <exception>
#include <string>

#include "console/frontend.h"
#include "console/screen.h"
#include "console/wintypes.h"

namespace con {

struct ConsoleState {
    ScreenBuffer screen;
    WORD attr = kDefaultAttr;          // the text attribute of output and echo
    COORD cursor{0, 0};
    CONSOLE_CURSOR_INFO cursor_info{25, TRUE};
    std::string title;
    bool has_focus = false;            // a pop-up the view should keep in sight
    SMALL_RECT focus{0, 0, 0, 0};
};

// The one console of the process.
ConsoleState& state();

// Gives the console a front end and makes it a fresh console: blank buffer of
// 150 x 100 in 0x07, cursor at (0, 0) and visible, empty title, no typed-ahead
// line. Tests call it before each case.
void attach(Frontend* frontend);
Frontend* frontend();

// Thrown by every input call when the front end reports that input has ended
// for good. The program's entry catches it and ends cleanly.
struct InputClosed : std::exception {
    const char* what() const noexcept override { return "console input closed"; }
};

// Thrown by line input when Esc is pressed on an empty line: the user gives
// up the question, and with it the command that asked (the menus' dispatch
// catches it). in_flight() tells a guard in the command, while the unwinding
// passes it, that a cancellation is on its way: not the end of input.
class InputCancelled : public std::exception {
public:
    InputCancelled() noexcept { ++live_; }
    InputCancelled(const InputCancelled&) noexcept { ++live_; }
    ~InputCancelled() override { --live_; }
    const char* what() const noexcept override { return "console input cancelled"; }
    static bool in_flight() { return live_ > 0; }

private:
    static inline int live_ = 0;
};

// Rings the user's bell (a key that line input refuses).
void bell();

// Presents the screen, then takes the next input record from the front end.
// Throws InputClosed at the end of input.
INPUT_RECORD next_record(Wait why);

// Keeps a rectangle (an open pop-up) in the user's view when the terminal is
// smaller than the buffer; null forgets it.
void set_focus(const SMALL_RECT* rc);

}  // namespace con

// The Windows console API, as far as the application uses it. Handles are
// tokens: every call acts on the one console.
HANDLE GetStdHandle(DWORD which);
BOOL SetConsoleTitleA(const char* title);
BOOL SetConsoleScreenBufferSize(HANDLE out, COORD size);
BOOL SetConsoleTextAttribute(HANDLE out, WORD attr);
BOOL GetConsoleScreenBufferInfo(HANDLE out, CONSOLE_SCREEN_BUFFER_INFO* info);
BOOL GetConsoleCursorInfo(HANDLE out, CONSOLE_CURSOR_INFO* info);
BOOL SetConsoleCursorInfo(HANDLE out, const CONSOLE_CURSOR_INFO* info);
BOOL SetConsoleCursorPosition(HANDLE out, COORD pos);

// Rectangles of cells between the buffer and an array of buf_size cells; the
// rectangle is clipped to the buffer and *region updated to what was copied.
// A cell's half of a double-byte character travels in Attributes:
// COMMON_LVB_LEADING_BYTE, COMMON_LVB_TRAILING_BYTE, or both for a half whose
// partner was overwritten. Writing, a row with none of these bits is paired by
// scanning its bytes; a half at the rectangle's edge pairs with its partner
// on the screen beside it. Stored attributes never keep these bits.
BOOL ReadConsoleOutputA(HANDLE out, CHAR_INFO* buf, COORD buf_size, COORD buf_coord,
                        SMALL_RECT* region);
BOOL WriteConsoleOutputA(HANDLE out, const CHAR_INFO* buf, COORD buf_size, COORD buf_coord,
                         SMALL_RECT* region);

// Runs of cells from a starting cell, row after row, stopping at the end of the
// buffer; *written (if not null) receives how many cells were touched. Bytes
// written here are single except the pairs of WriteConsoleOutputCharacterA's
// own string (found from its first byte); half a pair overwritten leaves the
// other half an orphan, shown as a blank.
BOOL FillConsoleOutputAttribute(HANDLE out, WORD attr, DWORD length, COORD at, DWORD* written);
BOOL FillConsoleOutputCharacterA(HANDLE out, CHAR ch, DWORD length, COORD at, DWORD* written);
BOOL WriteConsoleOutputCharacterA(HANDLE out, const char* chars, DWORD length, COORD at,
                                  DWORD* written);

// Blocks for input records; records taken here are not seen by line input or
// the key wait. Throws con::InputClosed at the end of input.
BOOL ReadConsoleInputA(HANDLE in, INPUT_RECORD* buf, DWORD length, DWORD* read);
