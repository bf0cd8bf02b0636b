#include "platform/rtl/Utf.h"

#include <gtest/gtest.h>

namespace {

using rtl::Utf16ToUtf8;
using rtl::Utf8ToUtf16;

TEST(UtfTest, RoundTripOfEveryEncodedLength) {
    // 1, 2, 3 and 4 bytes: "a", e acute, euro sign, grinning face (a surrogate pair in UTF-16).
    const std::string utf8 = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
    const std::u16string utf16 = u"a\u00E9\u20AC\U0001F600";
    EXPECT_EQ(Utf8ToUtf16(utf8), utf16);
    EXPECT_EQ(utf16.size(), 5u);
    EXPECT_EQ(Utf16ToUtf8(utf16), utf8);
    EXPECT_EQ(rtl::Utf8Length(utf8), 4u);
    EXPECT_EQ(rtl::Utf8PrefixBytes(utf8, 3), 6u);
    EXPECT_EQ(rtl::Utf8PrefixBytes(utf8, 10), utf8.size());
}

TEST(UtfTest, LoneSurrogatesBecomeReplacementCharacters) {
    const std::u16string lone = {u'x', char16_t(0xD83D), u'y', char16_t(0xDE00)};
    EXPECT_EQ(Utf16ToUtf8(lone), "x\xEF\xBF\xBDy\xEF\xBF\xBD");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
    EXPECT_EQ(rtl::Utf16ToUtf32(lone), U"x\uFFFDy\uFFFD");
}

TEST(UtfTest, MalformedBytesAreReplacedNeverDropped) {
    struct Case {
        std::string bytes;
        std::u16string text;
    };
    const Case cases[] = {
        {"a\xFF"
         "b",
         u"a\uFFFDb"},                                     // a byte that never starts a character
        {"\x80", u"\uFFFD"},                               // a stray continuation byte
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                     // overlong "/"
        {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},           // overlong three-byte form
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},           // an encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, // above U+10FFFF
        {"\xE2\x82", u"\uFFFD"},                           // cut off at the end: one replacement
        {"\xF0\x9F\x98"
         "a",
         u"\uFFFDa"}, // cut off before an ASCII letter
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Utf8ToUtf16(c.bytes), c.text) << testing::PrintToString(c.bytes);
        EXPECT_EQ(rtl::Utf8Length(c.bytes), c.text.size());
    }
}

TEST(UtfTest, Utf8NextWalksCodePoints) {
    const std::string text = "\xF0\x9F\x98\x80\xFFz";
    size_t pos = 0;
    EXPECT_EQ(rtl::Utf8Next(text, pos), U'\U0001F600');
    EXPECT_EQ(pos, 4u);
    EXPECT_EQ(rtl::Utf8Next(text, pos), U'\uFFFD');
    EXPECT_EQ(rtl::Utf8Next(text, pos), U'z');
    EXPECT_EQ(pos, text.size());
}

TEST(UtfTest, Utf32ToUtf16ReplacesInvalidCodePoints) {
    const std::u32string codePoints = {U'\U0001F600', char32_t(0xD800), char32_t(0x110000)};
    EXPECT_EQ(rtl::Utf32ToUtf16(codePoints), u"\U0001F600\uFFFD\uFFFD");
}

} // namespace
