// The Windows console's own records in plain types: what ReadConsoleInputW
// hands out and WriteConsoleOutputW takes, with UTF-16 text. Both sides of the
// front end share them: the file that calls the console (native.cpp, which
// includes <windows.h>) and the files that never see <windows.h> (the record
// translation and the front end, which see the program's own Windows-shaped
// types of console/wintypes.h). So this header includes neither.
#pragma once

#include <cstdint>
#include <vector>

namespace con::win {

// An INPUT_RECORD of ReadConsoleInputW. Field values are the Windows ones.
struct WideRecord {
    enum class Type { Key, Mouse, BufferSize, Menu, Focus, Other };
    Type type = Type::Other;
    // Key
    bool key_down = false;
    std::uint16_t repeat = 1;
    std::uint16_t vk = 0;
    std::uint16_t scan = 0;
    char16_t ch = 0;
    std::uint32_t key_state = 0;  // dwControlKeyState, of key and mouse records
    // Mouse: a cell of the screen buffer
    std::int16_t x = 0;
    std::int16_t y = 0;
    std::uint32_t buttons = 0;
    std::uint32_t mouse_flags = 0;
    // Buffer size
    std::int16_t cols = 0;
    std::int16_t rows = 0;
};

// A CHAR_INFO of WriteConsoleOutputW: one UTF-16 character and the attribute,
// COMMON_LVB_LEADING_BYTE or COMMON_LVB_TRAILING_BYTE included.
struct WideCell {
    char16_t ch = u' ';
    std::uint16_t attr = 0x07;
    bool operator==(const WideCell&) const = default;
};

// Cells left..right of row y, to be written in one call.
struct CellRun {
    int y = 0;
    int left = 0;
    int right = -1;
    std::vector<WideCell> cells;
};

}  // namespace con::win
