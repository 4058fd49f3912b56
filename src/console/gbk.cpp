#include "console/gbk.h"

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

}  // namespace gbk
