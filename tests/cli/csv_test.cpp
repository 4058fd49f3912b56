// The CSV rows, the fee's text, and the Windows arguments' UTF-16 as UTF-8.
// (GBK fields as UTF-8: export_test.cpp.)
#include <gtest/gtest.h>

#include <string>

#include "cli/csv.h"
#include "cli/paths.h"

namespace {

std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

TEST(Csv, FieldsAreQuotedOnlyWhenTheyHoldACommaAQuoteOrALineBreak) {
    struct {
        std::string field, written;
    } cases[] = {
        {"", ""},
        {"a b;c'd", "a b;c'd"},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"one\r\ntwo", "\"one\r\ntwo\""},
        {"lf\n", "\"lf\n\""},
        {U8(u8"内科，门诊"), U8(u8"内科，门诊")},  // a full-width comma is text
    };
    for (const auto& c : cases) {
        std::string out = "x";
        cli::AppendCsvField(out, c.field);
        EXPECT_EQ(out, "x" + c.written) << c.field;
    }
    std::string row;
    cli::AppendCsvRow(row, {"1", "a,\"b\"", "", "end"});
    cli::AppendCsvRow(row, {""});
    EXPECT_EQ(row, "1,\"a,\"\"b\"\"\",,end\r\n\r\n");
}

TEST(Csv, TheFeeHasTwoDecimals) {
    struct {
        float fee;
        const char* text;
    } cases[] = {{0.0f, "0.00"},   {45.0f, "45.00"},  {95.5f, "95.50"},
                 {0.375f, "0.38"}, {-3.456f, "-3.46"}, {1e9f, "1000000000.00"}};
    for (const auto& c : cases) EXPECT_EQ(cli::FeeText(c.fee), c.text) << c.fee;
}

TEST(Paths, Utf16ArgumentsBecomeUtf8) {
    struct {
        std::u16string in;
        std::string out;
    } cases[] = {
        {u"D:\\数据 文件夹", U8(u8"D:\\数据 文件夹")},
        {u"\U0001F600", U8(u8"\U0001F600")},  // a surrogate pair
        {std::u16string{char16_t{0xD800}, u'x'}, "\xEF\xBF\xBDx"},  // unpaired surrogates
        {std::u16string{u'x', char16_t{0xDC00}}, "x\xEF\xBF\xBD"},
    };
    for (const auto& c : cases) EXPECT_EQ(cli::Utf8FromUtf16(c.in), c.out);
}

}  // namespace
