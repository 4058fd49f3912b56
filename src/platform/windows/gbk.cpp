// The GBK converter on Windows: code page 936 (MultiByteToWideChar and
// WideCharToMultiByte), one character at a time so that each one the other
// side cannot hold becomes one '?', as glibc's converter does on POSIX.
#include <windows.h>

#include "console/gbk.h"

namespace gbk {

namespace {

constexpr UINT kGbk = 936;

// One GBK character (1 or 2 bytes) to UTF-16, or '?'.
char16_t gbk_to_unit(const char* p, int n) {
    wchar_t w[2];
    const int got = MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, p, n, w, 2);
    return got == 1 ? static_cast<char16_t>(w[0]) : u'?';
}

// One character of the Basic Multilingual Plane (not a surrogate) to GBK.
void unit_to_gbk(char16_t u, std::string& out) {
    if (u < 0x80) {
        out += static_cast<char>(u);
        return;
    }
    const wchar_t w = static_cast<wchar_t>(u);
    char bytes[4];
    BOOL defaulted = FALSE;
    const int n = WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, &w, 1, bytes, sizeof bytes,
                                      "?", &defaulted);
    if (n <= 0 || defaulted)
        out += '?';
    else
        out.append(bytes, static_cast<std::size_t>(n));
}

void append_utf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The next UTF-8 character at p: its code point, or -1 for an invalid or
// cut-short sequence, which takes the bytes glibc's converter would skip
// (the lead byte alone unless a whole sequence of continuation bytes follows).
long next_utf8(const unsigned char* p, std::size_t left, std::size_t& used) {
    std::size_t n = 1;
    if (p[0] >= 0xF0 && p[0] <= 0xF4) n = 4;
    else if (p[0] >= 0xE0 && p[0] <= 0xEF) n = 3;
    else if (p[0] >= 0xC2 && p[0] <= 0xDF) n = 2;
    used = 1;
    if (p[0] < 0x80) return p[0];
    if (n == 1) return -1;
    if (n > left) {
        used = left;  // the text ends inside the character
        return -1;
    }
    long c = p[0] & (0x7F >> n);
    for (std::size_t i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80) return -1;
        c = c << 6 | (p[i] & 0x3F);
    }
    used = n;
    const long least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < least[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return -1;
    return c;
}

}  // namespace

std::u16string to_utf16(std::string_view gbk_text) {
    std::u16string out;
    out.reserve(gbk_text.size());
    const auto* p = reinterpret_cast<const unsigned char*>(gbk_text.data());
    for (std::size_t i = 0; i < gbk_text.size();) {
        const std::size_t n = char_len(p + i, gbk_text.size() - i);
        out += p[i] < 0x80 ? static_cast<char16_t>(p[i])
                           : gbk_to_unit(gbk_text.data() + i, static_cast<int>(n));
        i += n;
    }
    return out;
}

std::string from_utf16(std::u16string_view utf16_text) {
    std::string out;
    out.reserve(utf16_text.size() * 2);
    for (std::size_t i = 0; i < utf16_text.size(); ++i) {
        const char16_t u = utf16_text[i];
        if (u >= 0xD800 && u <= 0xDFFF) {
            // Beyond GBK; a pair is one character.
            if (u <= 0xDBFF && i + 1 < utf16_text.size() && utf16_text[i + 1] >= 0xDC00 &&
                utf16_text[i + 1] <= 0xDFFF)
                ++i;
            out += '?';
            continue;
        }
        unit_to_gbk(u, out);
    }
    return out;
}

std::string to_utf8(std::string_view gbk_text) {
    std::string out;
    for (const char16_t u : to_utf16(gbk_text)) append_utf8(u, out);
    return out;
}

std::string from_utf8(std::string_view utf8_text) {
    std::string out;
    const auto* p = reinterpret_cast<const unsigned char*>(utf8_text.data());
    for (std::size_t i = 0; i < utf8_text.size();) {
        std::size_t used;
        const long c = next_utf8(p + i, utf8_text.size() - i, used);
        i += used;
        if (c < 0 || c > 0xFFFF)
            out += '?';
        else
            unit_to_gbk(static_cast<char16_t>(c), out);
    }
    return out;
}

}  // namespace gbk
