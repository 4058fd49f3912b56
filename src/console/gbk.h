// GBK text: the program's own encoding. A byte 0x81..0xFE starts a
// double-byte character; its trail byte is 0x40..0xFE except 0x7F.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace gbk {

inline bool is_lead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
inline bool is_trail(unsigned char b) { return b >= 0x40 && b <= 0xFE && b != 0x7F; }

// The longest prefix of s, at most max_bytes long, that does not end in the
// middle of a double-byte character.
std::size_t fit(std::string_view s, std::size_t max_bytes);

// Conversions at the edge of the program (terminal, test messages). One
// converter, glibc's "GBK", serves both directions. A character the target
// cannot hold becomes '?'.
std::string to_utf8(std::string_view gbk_text);
std::string from_utf8(std::string_view utf8_text);

}  // namespace gbk
