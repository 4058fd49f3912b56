// The GBK converter on POSIX systems: glibc's iconv, "GBK" both ways.
#include "console/gbk.h"

#include <iconv.h>

#include <cerrno>

namespace gbk {

namespace {

// How many bytes the character at p takes, for stepping over one that the
// converter rejects: a whole double-byte character (gbk::char_len) or UTF-8
// or UTF-16 sequence.
std::size_t utf8_char_len(const unsigned char* p, std::size_t left) {
    std::size_t n = 1;
    if (p[0] >= 0xF0 && p[0] <= 0xF4) n = 4;
    else if (p[0] >= 0xE0) n = 3;
    else if (p[0] >= 0xC2 && p[0] < 0xE0) n = 2;
    if (n > left) return 1;
    for (std::size_t i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 1;
    }
    return n;
}

std::size_t utf16_char_len(const unsigned char* p, std::size_t left) {
    if (left < 2) return left;
    const unsigned u = p[0] | (p[1] << 8);
    if (u >= 0xD800 && u <= 0xDBFF && left >= 4) {
        const unsigned low = p[2] | (p[3] << 8);
        if (low >= 0xDC00 && low <= 0xDFFF) return 4;
    }
    return 2;
}

// What cannot be converted becomes `question`, the target's '?'.
std::string convert(iconv_t cd, std::string_view in,
                    std::size_t (*char_len)(const unsigned char*, std::size_t),
                    std::string_view question = "?") {
    std::string out;
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        for (std::size_t i = 0; i < in.size(); i += char_len(
                 reinterpret_cast<const unsigned char*>(in.data()) + i, in.size() - i))
            out += question;
        return out;
    }
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    out.resize(in.size() * 2 + 16);
    char* src = const_cast<char*>(in.data());
    std::size_t src_left = in.size();
    std::size_t done = 0;
    while (src_left > 0) {
        char* dst = out.data() + done;
        std::size_t dst_left = out.size() - done;
        const std::size_t r = iconv(cd, &src, &src_left, &dst, &dst_left);
        done = out.size() - dst_left;
        if (r != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        // EILSEQ: invalid or unmappable, one character; EINVAL: the text ends
        // inside a character.
        if (done + question.size() > out.size()) out.resize(out.size() * 2);
        question.copy(out.data() + done, question.size());
        done += question.size();
        const std::size_t skip = errno == EINVAL
            ? src_left
            : char_len(reinterpret_cast<const unsigned char*>(src), src_left);
        src += skip;
        src_left -= skip;
    }
    out.resize(done);
    return out;
}

}  // namespace

std::string to_utf8(std::string_view gbk_text) {
    static const iconv_t cd = iconv_open("UTF-8", "GBK");
    return convert(cd, gbk_text, char_len);
}

std::string from_utf8(std::string_view utf8_text) {
    static const iconv_t cd = iconv_open("GBK", "UTF-8");
    return convert(cd, utf8_text, utf8_char_len);
}

std::u16string to_utf16(std::string_view gbk_text) {
    static const iconv_t cd = iconv_open("UTF-16LE", "GBK");
    const std::string bytes = convert(cd, gbk_text, char_len, std::string_view("?\0", 2));
    std::u16string out(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    return out;
}

std::string from_utf16(std::u16string_view utf16_text) {
    static const iconv_t cd = iconv_open("GBK", "UTF-16LE");
    std::string bytes(utf16_text.size() * 2, '\0');
    for (std::size_t i = 0; i < utf16_text.size(); ++i) {
        bytes[2 * i] = static_cast<char>(utf16_text[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(utf16_text[i] >> 8);
    }
    return convert(cd, bytes, utf16_char_len);
}

}  // namespace gbk
