#include "console/gbk.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// UTF-8 bytes whatever the compiler does with narrow literals.
std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

TEST(GbkTest, ConvertsBothWaysAndBack) {
    const std::string gbk = "科室 ab1！";  // a narrow literal: GBK bytes
    const std::string utf8 = U8(u8"科室 ab1！");
    EXPECT_EQ(gbk.size(), 10u);
    EXPECT_EQ(gbk::to_utf8(gbk), utf8);
    EXPECT_EQ(gbk::from_utf8(utf8), gbk);
    EXPECT_EQ(gbk::from_utf8(gbk::to_utf8(gbk)), gbk);
    EXPECT_EQ(gbk::to_utf8(""), "");
}

TEST(GbkTest, BadBytesBecomeQuestionMarksAndConversionGoesOn) {
    struct Case {
        std::string in, out;
        bool to_utf8;
    };
    const Case cases[] = {
        {"a\xFF" "b", "a?b", true},        // not a GBK byte
        {"\xD6" "1x", "?1x", true},        // a lead byte without its trail
        {"x\xD6", "x?", true},             // cut short at the end
        {U8(u8"a😀b"), "a?b", false},      // no GBK character for it
        {"\xC3(z", "?(z", false},          // broken UTF-8
        {"a\xE4\xB8", "a?", false},        // cut short at the end
        {U8(u8"中\U0001F600文"), "中?文", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.in));
        EXPECT_EQ(c.to_utf8 ? gbk::to_utf8(c.in) : gbk::from_utf8(c.in), c.out);
    }
}

// The Windows console's text; the same on every platform's converter.
TEST(GbkTest, Utf16BothWays) {
    EXPECT_EQ(gbk::to_utf16("科室 ab1！"), u"科室 ab1！");
    EXPECT_EQ(gbk::from_utf16(u"科室 ab1！"), "科室 ab1！");
    struct Case {
        std::string gbk;
        std::u16string utf16;
        bool to_utf16;
    };
    const Case cases[] = {
        {"a\xFF" "b", u"a?b", true},
        {"\xD6" "1x", u"?1x", true},
        {"x\xD6", u"x?", true},
        {"\x80", u"\u20AC", true},  // the euro sign of code page 936 and glibc's GBK
        {"a?b", u"a\U0001F600b", false},  // one '?' for the pair
        {"?x?", u"\xDE00x\xD83D", false},  // halves of a pair alone
        {"?", u"\u0E01", false},            // no GBK character for it
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.gbk));
        if (c.to_utf16)
            EXPECT_EQ(gbk::to_utf16(c.gbk), c.utf16);
        else
            EXPECT_EQ(gbk::from_utf16(c.utf16), c.gbk);
    }
}

TEST(GbkTest, FitNeverEndsInsideADoubleByteCharacter) {
    struct Case {
        std::string s;
        std::size_t max, fit;
    };
    const Case cases[] = {
        {"abc", 5, 3},     {"abc", 2, 2},  {"中文", 3, 2}, {"中文", 4, 4},
        {"a中", 2, 1},     {"", 3, 0},     {"中", 0, 0},
        {"\xD6" "1中", 2, 2},  // a lead byte before a non-trail byte stands alone
        {"\xD6", 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.s) + " max " + std::to_string(c.max));
        EXPECT_EQ(gbk::fit(c.s, c.max), c.fit);
    }
}

}  // namespace
