// CSV as RFC 4180 has it: fields separated by commas, each row ended by
// CRLF, a field quoted when it holds a comma, a quote or a line break, with
// its quotes doubled. The text is UTF-8.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace cli {

// Spreadsheet programs take a CSV file that starts with UTF-8's byte-order
// mark for UTF-8 (without it, for the system's code page).
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

void AppendCsvField(std::string& out, std::string_view field);
void AppendCsvRow(std::string& out, std::initializer_list<std::string_view> fields);

// A fee with two decimals, the same in every locale.
std::string FeeText(float fee);

// A text field of the data files (GBK) as UTF-8, through the program's
// converter: a byte sequence that is no GBK character becomes '?'.
std::string Utf8Text(const char* gbk_text);

}  // namespace cli
