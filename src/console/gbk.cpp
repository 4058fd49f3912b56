// GBK helpers and the program's one GBK conversion, the same on every
// platform: code page 936's table (gbk_table.h) both ways.
#include "console/gbk.h"

#include <array>
#include <cstdint>

#include "console/gbk_table.h"

namespace gbk {

std::size_t char_len(const unsigned char* p, std::size_t left) {
    return (left >= 2 && is_lead(p[0]) && is_trail(p[1])) ? 2 : 1;
}

std::size_t fit(std::string_view s, std::size_t max_bytes) {
    std::size_t i = 0;
    while (i < s.size()) {
        const std::size_t n =
            char_len(reinterpret_cast<const unsigned char*>(s.data()) + i, s.size() - i);
        if (i + n > max_bytes) break;
        i += n;
    }
    return i;
}

namespace {

// The GBK bytes of every character of the Basic Multilingual Plane beyond
// ASCII (0x00XX one byte, 0xLLTT a pair, 0 none), made once from the table.
using Back = std::array<std::uint16_t, 0x10000>;

Back make_back() {
    Back b{};
    auto take = [&b](char16_t c, unsigned bytes) {
        if (c && !b[c]) b[c] = static_cast<std::uint16_t>(bytes);
    };
    for (unsigned i = 0; i < 128; ++i) take(table::kSingle[i], 0x80 + i);
    for (unsigned lead = 0; lead < 126; ++lead)
        for (unsigned t = 0; t < 191; ++t)
            take(table::kPair[lead][t], (0x81 + lead) << 8 | (0x40 + t));
    for (std::size_t i = 0; i < table::kOneWayCount; ++i)
        b[table::kOneWay[i].ch] = table::kOneWay[i].bytes;
    return b;
}

const Back& back() {
    static const Back made = make_back();
    return made;
}

// One character of GBK (what char_len measured) to UTF-16; '?' for none.
char16_t to_unit(const unsigned char* p, std::size_t n) {
    if (p[0] < 0x80) return p[0];
    const char16_t c =
        n == 2 ? table::kPair[p[0] - 0x81][p[1] - 0x40] : table::kSingle[p[0] - 0x80];
    return c ? c : u'?';
}

// One character of the Basic Multilingual Plane to GBK; '?' for none.
void append_gbk(char16_t u, std::string& out) {
    if (u < 0x80) {
        out += static_cast<char>(u);
        return;
    }
    const std::uint16_t b = back()[u];
    if (b == 0)
        out += '?';
    else if (b <= 0xFF)
        out += static_cast<char>(b);
    else {
        out += static_cast<char>(b >> 8);
        out += static_cast<char>(b & 0xFF);
    }
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
// cut-short sequence, which takes the lead byte alone unless a whole
// sequence of continuation bytes follows (the text's end takes the rest).
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
        out += to_unit(p + i, n);
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
        append_gbk(u, out);
    }
    return out;
}

std::string to_utf8(std::string_view gbk_text) {
    std::string out;
    out.reserve(gbk_text.size() * 3 / 2);
    for (const char16_t u : to_utf16(gbk_text)) append_utf8(u, out);
    return out;
}

std::string from_utf8(std::string_view utf8_text) {
    std::string out;
    out.reserve(utf8_text.size());
    const auto* p = reinterpret_cast<const unsigned char*>(utf8_text.data());
    for (std::size_t i = 0; i < utf8_text.size();) {
        std::size_t used;
        const long c = next_utf8(p + i, utf8_text.size() - i, used);
        i += used;
        if (c < 0 || c > 0xFFFF)
            out += '?';
        else
            append_gbk(static_cast<char16_t>(c), out);
    }
    return out;
}

}  // namespace gbk
