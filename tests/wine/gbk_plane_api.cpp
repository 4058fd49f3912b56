// gbk_plane_api FILE: code page 936 over the whole plane (gbk_plane.h) as
// the Windows API gives it, with the flags the program's conversion stands
// for: a sequence without a character, or a character without bytes that
// give it back, is '?'.
#include <windows.h>

#include "console/gbk_plane.h"

namespace {

constexpr UINT kGbk = 936;

std::u16string ToUtf16(std::string_view gbk) {
    wchar_t w[4];
    const int n = MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, gbk.data(),
                                      static_cast<int>(gbk.size()), w, 4);
    return n == 1 ? std::u16string(1, static_cast<char16_t>(w[0])) : u"?";
}

std::string FromUtf16(std::u16string_view u) {
    char b[8];
    BOOL defaulted = FALSE;
    const int n = WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS,
                                      reinterpret_cast<const wchar_t*>(u.data()),
                                      static_cast<int>(u.size()), b, sizeof b, "?", &defaulted);
    return n <= 0 || defaulted ? "?" : std::string(b, static_cast<std::size_t>(n));
}

std::string ToUtf8(std::string_view gbk) {
    const std::u16string u = ToUtf16(gbk);
    char b[8];
    const int n = WideCharToMultiByte(CP_UTF8, 0, reinterpret_cast<const wchar_t*>(u.data()),
                                      static_cast<int>(u.size()), b, sizeof b, nullptr, nullptr);
    return std::string(b, static_cast<std::size_t>(n > 0 ? n : 0));
}

std::string FromUtf8(std::string_view utf8) {
    wchar_t w[4];
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                      static_cast<int>(utf8.size()), w, 4);
    if (n != 1) return "?";
    return FromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(w), 1));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gbk_plane_api FILE\n");
        return 2;
    }
    return gbk_plane::WritePlane({FromUtf16, FromUtf8, ToUtf16, ToUtf8}, argv[1]);
}
