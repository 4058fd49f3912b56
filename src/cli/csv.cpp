// CSV rows.
#include "cli/csv.h"

#include <charconv>
#include <cstring>

#include "console/gbk.h"

namespace cli {

void AppendCsvField(std::string& out, std::string_view field) {
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
        out += field;
        return;
    }
    out += '"';
    for (char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

void AppendCsvRow(std::string& out, std::initializer_list<std::string_view> fields) {
    bool first = true;
    for (std::string_view f : fields) {
        if (!first) out += ',';
        first = false;
        AppendCsvField(out, f);
    }
    out += "\r\n";
}

std::string FeeText(float fee) {
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, static_cast<double>(fee),
                                   std::chars_format::fixed, 2);
    if (ec != std::errc()) return "?";  // cannot happen: a float has at most 39 digits
    return std::string(buf, end);
}

std::string Utf8Text(const char* gbk_text) {
    const std::size_t n = std::strlen(gbk_text);
    for (std::size_t i = 0; i < n; ++i)
        if (static_cast<unsigned char>(gbk_text[i]) >= 0x80) return gbk::to_utf8({gbk_text, n});
    return std::string(gbk_text, n);  // ASCII is the same in both
}

}  // namespace cli
