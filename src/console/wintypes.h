// The Windows console's data types and constants, as the application's code
// expects to find them. Only what the program uses is here; the values are
// the Windows ones, so records and attributes mean what they mean there.
#pragma once

#include <cstdint>

using BOOL = int;
using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using SHORT = int16_t;
using CHAR = char;
using UINT = unsigned int;
using HANDLE = void*;

// Macros rather than constants: curses headers define the same two names.
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

struct COORD {
    SHORT X;
    SHORT Y;
};

// All four edges inclusive.
struct SMALL_RECT {
    SHORT Left;
    SHORT Top;
    SHORT Right;
    SHORT Bottom;
};

struct CHAR_INFO {
    union {
        CHAR AsciiChar;
    } Char;
    WORD Attributes;
};

struct CONSOLE_SCREEN_BUFFER_INFO {
    COORD dwSize;
    COORD dwCursorPosition;
    WORD wAttributes;
    SMALL_RECT srWindow;
    COORD dwMaximumWindowSize;
};

struct CONSOLE_CURSOR_INFO {
    DWORD dwSize;
    BOOL bVisible;
};

struct KEY_EVENT_RECORD {
    BOOL bKeyDown;
    WORD wRepeatCount;
    WORD wVirtualKeyCode;
    WORD wVirtualScanCode;
    union {
        CHAR AsciiChar;
    } uChar;
    DWORD dwControlKeyState;
};

struct MOUSE_EVENT_RECORD {
    COORD dwMousePosition;
    DWORD dwButtonState;  // high word: signed wheel delta on wheel records
    DWORD dwControlKeyState;
    DWORD dwEventFlags;
};

struct WINDOW_BUFFER_SIZE_RECORD {
    COORD dwSize;
};

struct MENU_EVENT_RECORD {
    UINT dwCommandId;
};

struct FOCUS_EVENT_RECORD {
    BOOL bSetFocus;
};

struct INPUT_RECORD {
    WORD EventType;
    union {
        KEY_EVENT_RECORD KeyEvent;
        MOUSE_EVENT_RECORD MouseEvent;
        WINDOW_BUFFER_SIZE_RECORD WindowBufferSizeEvent;
        MENU_EVENT_RECORD MenuEvent;
        FOCUS_EVENT_RECORD FocusEvent;
    } Event;
};

// INPUT_RECORD.EventType
constexpr WORD KEY_EVENT = 0x0001;
constexpr WORD MOUSE_EVENT = 0x0002;
constexpr WORD WINDOW_BUFFER_SIZE_EVENT = 0x0004;
constexpr WORD MENU_EVENT = 0x0008;
constexpr WORD FOCUS_EVENT = 0x0010;

// dwControlKeyState
constexpr DWORD RIGHT_ALT_PRESSED = 0x0001;
constexpr DWORD LEFT_ALT_PRESSED = 0x0002;
constexpr DWORD RIGHT_CTRL_PRESSED = 0x0004;
constexpr DWORD LEFT_CTRL_PRESSED = 0x0008;
constexpr DWORD SHIFT_PRESSED = 0x0010;
constexpr DWORD ENHANCED_KEY = 0x0100;

// MOUSE_EVENT_RECORD.dwButtonState
constexpr DWORD FROM_LEFT_1ST_BUTTON_PRESSED = 0x0001;
constexpr DWORD RIGHTMOST_BUTTON_PRESSED = 0x0002;
constexpr DWORD FROM_LEFT_2ND_BUTTON_PRESSED = 0x0004;

// MOUSE_EVENT_RECORD.dwEventFlags
constexpr DWORD MOUSE_MOVED = 0x0001;
constexpr DWORD DOUBLE_CLICK = 0x0002;
constexpr DWORD MOUSE_WHEELED = 0x0004;
constexpr DWORD MOUSE_HWHEELED = 0x0008;

// Virtual-key codes. Letters and digits are their upper-case ASCII codes.
constexpr WORD VK_BACK = 0x08;
constexpr WORD VK_TAB = 0x09;
constexpr WORD VK_RETURN = 0x0D;
constexpr WORD VK_SHIFT = 0x10;
constexpr WORD VK_CONTROL = 0x11;
constexpr WORD VK_MENU = 0x12;  // Alt
constexpr WORD VK_ESCAPE = 0x1B;
constexpr WORD VK_SPACE = 0x20;
constexpr WORD VK_PRIOR = 0x21;  // PgUp
constexpr WORD VK_NEXT = 0x22;   // PgDn
constexpr WORD VK_END = 0x23;
constexpr WORD VK_HOME = 0x24;
constexpr WORD VK_LEFT = 0x25;
constexpr WORD VK_UP = 0x26;
constexpr WORD VK_RIGHT = 0x27;
constexpr WORD VK_DOWN = 0x28;
constexpr WORD VK_INSERT = 0x2D;
constexpr WORD VK_DELETE = 0x2E;
constexpr WORD VK_F1 = 0x70;
constexpr WORD VK_F12 = 0x7B;
constexpr WORD VK_OEM_1 = 0xBA;  // first of the punctuation keys

// CHAR_INFO.Attributes: the cell holds the first or the second byte of a
// double-byte character (a console in a double-byte code page).
constexpr WORD COMMON_LVB_LEADING_BYTE = 0x0100;
constexpr WORD COMMON_LVB_TRAILING_BYTE = 0x0200;

constexpr DWORD STD_INPUT_HANDLE = static_cast<DWORD>(-10);
constexpr DWORD STD_OUTPUT_HANDLE = static_cast<DWORD>(-11);
