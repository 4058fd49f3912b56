// The Windows console itself: the one file of the front end that calls the
// Windows API (native.cpp, with <windows.h>). Plain types only, so that the
// rest of the front end never meets <windows.h>.
//
// open() remembers the console's state (the active screen buffer, its size,
// window, cursor and attributes, the input and output modes, both code pages,
// the title) and sets the program's: a screen buffer of its own, 150 x 100,
// made active; code pages 936; input with mouse records and buffer-size
// records, without processed input (Ctrl+C is a key), quick-edit or line
// editing. close() puts all of it back. So does every other way out: Ctrl+C
// (quit), the console's control events (Ctrl+Break, closing the window,
// logging off, shutting down: SetConsoleCtrlHandler), a crash (an unhandled
// exception), and exit() (a static's destructor, see main.cpp).
#pragma once

#include <string>

#include "console/wide.h"

namespace con::win::native {

// False, with the reason in error, when standard input and output are not a
// console or it cannot be set up; then nothing was changed.
bool open(int cols, int rows, std::string& error);

// Puts the remembered state back. Safe to call again, and from any thread.
void close();

// Puts the state back and ends the process with this status.
[[noreturn]] void quit(int status);

// Writes one run of cells (WriteConsoleOutputW).
void write(const CellRun& run);

// The cursor's place, size (percent of the cell) and visibility.
void set_cursor(int x, int y, unsigned size, bool visible);

void set_title(const std::u16string& title);

// Sounds the console's bell: a BEL written to the program's buffer, whose
// processed output rings it without moving the cursor.
void bell();

// The console window: the buffer cell at its top-left corner and its size.
struct Window {
    int left, top, cols, rows;
};
Window window();
// Moves the window over the buffer so that (left, top) is its corner.
void move_window(int left, int top);

// After a buffer-size record: the buffer back to cols x rows if the user
// changed it. True when it had changed (the whole screen must be painted).
bool keep_buffer_size(int cols, int rows);

// Blocks for the next record (ReadConsoleInputW). False when the console's
// input is gone.
bool read(WideRecord& rec);

}  // namespace con::win::native
