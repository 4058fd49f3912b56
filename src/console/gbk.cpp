#include "console/gbk.h"

#include <iconv.h>

#include <cerrno>

namespace gbk {

namespace {

// How many bytes the character at p takes, for stepping over one that the
// converter rejects: a whole double-byte character or UTF-8 sequence.
std::size_t gbk_char_len(const unsigned char* p, std::size_t left) {
    return (left >= 2 && is_lead(p[0]) && is_trail(p[1])) ? 2 : 1;
}

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

std::string convert(iconv_t cd, std::string_view in,
                    std::size_t (*char_len)(const unsigned char*, std::size_t)) {
    std::string out;
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        out.assign(in.size(), '?');
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
        if (done == out.size()) out.resize(out.size() * 2);
        out[done++] = '?';
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

std::size_t fit(std::string_view s, std::size_t max_bytes) {
    std::size_t i = 0;
    while (i < s.size()) {
        const std::size_t n =
            gbk_char_len(reinterpret_cast<const unsigned char*>(s.data()) + i, s.size() - i);
        if (i + n > max_bytes) break;
        i += n;
    }
    return i;
}

std::string to_utf8(std::string_view gbk_text) {
    static const iconv_t cd = iconv_open("UTF-8", "GBK");
    return convert(cd, gbk_text, gbk_char_len);
}

std::string from_utf8(std::string_view utf8_text) {
    static const iconv_t cd = iconv_open("GBK", "UTF-8");
    return convert(cd, utf8_text, utf8_char_len);
}

}  // namespace gbk
