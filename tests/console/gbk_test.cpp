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

// Code page 936 as Windows has it, where it differs from other GBK tables:
// the euro sign, the user-defined areas (private use), no best fit.
TEST(GbkTest, CodePage936) {
    struct Case {
        std::string gbk;
        std::u16string utf16;
    };
    const Case both_ways[] = {
        {"\x80", u"\u20AC"},      // the euro sign, one byte
        {"\xAA\xA1", u"\uE000"},  // user-defined area AAA1..AFFE, first
        {"\xFE\xFE", u"\uE4C5"},  // user-defined area F8A1..FEFE, last
        {"\xA1\x40", u"\uE4C6"},  // user-defined area A140..A7A0, first
        {"\xA3\xA0", u"\uE5E5"},  // an unassigned pair inside a symbol row
        {"\xA2\xAB", u"\uE766"},
        {"\xA1\xA4", u"\u00B7"},
        {"\xA1\xAA", u"\u2014"},
        {"\xA8\x44", u"\u2015"},
    };
    for (const auto& c : both_ways) {
        SCOPED_TRACE(testing::PrintToString(c.gbk));
        EXPECT_EQ(gbk::to_utf16(c.gbk), c.utf16);
        EXPECT_EQ(gbk::from_utf16(c.utf16), c.gbk);
        EXPECT_EQ(gbk::from_utf8(gbk::to_utf8(c.gbk)), c.gbk);
    }
    const Case one_way[] = {
        {"\xFF", u"\uF8F5"},  // goes to 0xFF, which alone is no character
        {"?", u"\u00A5"},      // no best fit (the yen sign is not A3A4)
        {"?", u"\u30FB"},
    };
    for (const auto& c : one_way) {
        SCOPED_TRACE(testing::PrintToString(c.gbk));
        EXPECT_EQ(gbk::from_utf16(c.utf16), c.gbk);
    }
    EXPECT_EQ(gbk::to_utf16("\xFF"), u"?");
}

// Every double-byte pair is a character, and each comes back as itself.
TEST(GbkTest, EveryPairGoesAndComesBack) {
    int pairs = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead)
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F) continue;
            const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
            const std::u16string u = gbk::to_utf16(pair);
            ASSERT_EQ(u.size(), 1u) << std::hex << lead << trail;
            ASSERT_NE(u[0], u'?') << std::hex << lead << trail;
            ASSERT_EQ(gbk::from_utf16(u), pair) << std::hex << lead << trail;
            ++pairs;
        }
    EXPECT_EQ(pairs, 126 * 190);
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
