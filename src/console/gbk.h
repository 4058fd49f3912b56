// GBK text: the program's own encoding. A byte 0x81..0xFE starts a
// double-byte character; its trail byte is 0x40..0xFE except 0x7F.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace gbk {

inline bool is_lead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
inline bool is_trail(unsigned char b) { return b >= 0x40 && b <= 0xFE && b != 0x7F; }

// How many bytes the character at p takes: 2 for a lead byte followed by a
// trail byte, else 1. Pre: left > 0.
std::size_t char_len(const unsigned char* p, std::size_t left);

// The longest prefix of s, at most max_bytes long, that does not end in the
// middle of a double-byte character.
std::size_t fit(std::string_view s, std::size_t max_bytes);

// Conversions at the edge of the program (terminal, Windows console, test
// messages). Each platform has one converter that serves both directions:
// glibc's "GBK" (src/platform/posix/gbk.cpp), code page 936 on Windows
// (src/platform/windows/gbk.cpp). A character the target cannot hold,
// and each invalid or cut-short sequence, becomes one '?'.
std::string to_utf8(std::string_view gbk_text);
std::string from_utf8(std::string_view utf8_text);

// UTF-16 is the Windows console's own text: one char16_t a character of GBK
// (all of GBK lies in the Basic Multilingual Plane); a character beyond it,
// or an unpaired surrogate, becomes '?' going to GBK.
std::u16string to_utf16(std::string_view gbk_text);
std::string from_utf16(std::u16string_view utf16_text);

}  // namespace gbk
