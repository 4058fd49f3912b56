// The whole of a GBK conversion, one line per case, for comparing two of
// them byte for byte: every character of the Basic Multilingual Plane to GBK
// (from UTF-16 and from UTF-8), and every single byte and every double-byte
// pair to UTF-16 and UTF-8. tests/wine/gbk_plane.sh compares the program's
// conversion in the Linux build, the same in the Windows build, and the
// Windows API's code page 936.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace gbk_plane {

// One conversion; each is handed one character (or one byte that is none).
struct Conversions {
    std::string (*from_utf16)(std::u16string_view);
    std::string (*from_utf8)(std::string_view);
    std::u16string (*to_utf16)(std::string_view);
    std::string (*to_utf8)(std::string_view);
};

inline std::string Hex(std::string_view bytes) {
    std::string s;
    char b[4];
    for (unsigned char c : bytes) {
        std::snprintf(b, sizeof b, "%02X", c);
        s += b;
    }
    return s.empty() ? "-" : s;
}

inline std::string Hex(std::u16string_view units) {
    std::string s;
    char b[8];
    for (char16_t u : units) {
        std::snprintf(b, sizeof b, "%s%04X", s.empty() ? "" : ",", static_cast<unsigned>(u));
        s += b;
    }
    return s.empty() ? "-" : s;
}

// UTF-8 of one code unit; a surrogate as the three bytes it would take
// (which no UTF-8 decoder may accept).
inline std::string Utf8(char16_t u) {
    std::string s;
    if (u < 0x80) {
        s += static_cast<char>(u);
    } else if (u < 0x800) {
        s += static_cast<char>(0xC0 | u >> 6);
        s += static_cast<char>(0x80 | (u & 0x3F));
    } else {
        s += static_cast<char>(0xE0 | u >> 12);
        s += static_cast<char>(0x80 | (u >> 6 & 0x3F));
        s += static_cast<char>(0x80 | (u & 0x3F));
    }
    return s;
}

// "U+XXXX <GBK from UTF-16> <GBK from UTF-8>" for every code unit, then
// "B XX[XX] <UTF-16> <UTF-8>" for every byte and pair. 0 when written.
inline int WritePlane(const Conversions& c, const char* path) {
    std::FILE* f = std::fopen(path, "wb");
    if (!f) return 1;
    for (unsigned u = 0; u <= 0xFFFF; ++u) {
        const char16_t unit = static_cast<char16_t>(u);
        std::fprintf(f, "U+%04X %s %s\n", u, Hex(c.from_utf16(std::u16string_view(&unit, 1))).c_str(),
                     Hex(c.from_utf8(Utf8(unit))).c_str());
    }
    auto bytes = [&](std::string_view b) {
        std::fprintf(f, "B %s %s %s\n", Hex(b).c_str(), Hex(c.to_utf16(b)).c_str(),
                     Hex(c.to_utf8(b)).c_str());
    };
    for (unsigned b = 0; b <= 0xFF; ++b) bytes(std::string(1, static_cast<char>(b)));
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead)
        for (unsigned trail = 0x40; trail <= 0xFE; ++trail)
            if (trail != 0x7F)
                bytes(std::string{static_cast<char>(lead), static_cast<char>(trail)});
    return std::fclose(f) == 0 ? 0 : 1;
}

}  // namespace gbk_plane
