#include "platform/rtl/CodePage.h"

#include "platform/rtl/Exception.h"

#include <gtest/gtest.h>

namespace {

struct Row {
    int codePage;
    std::string utf8;
    std::string bytes;
};

// One row per family of code pages: text and its bytes in that code page.
const Row kRows[] = {
    {1252, "\xC3\xA9\xE2\x82\xAC", "\xE9\x80"},                         // e acute, euro: Windows Latin 1
    {1251, "\xD0\x96\xD1\x94", "\xC6\xBA"},                             // Cyrillic Zhe, Ukrainian ie
    {1250, "\xC4\x84\xC5\x82", "\xA5\xB3"},                             // Central European A ogonek, l stroke
    {874, "\xE0\xB8\x81\xE2\x82\xAC", "\xA1\x80"},                      // Thai ko kai, euro
    {866, "\xD0\x96", "\x86"},                                          // DOS Cyrillic
    {850, "\xC3\xA9", "\x82"},                                          // DOS Latin 1
    {20866, "\xD0\x96", "\xF6"},                                        // KOI8-R
    {21866, "\xD1\x94", "\xA4"},                                        // KOI8-U
    {28591, "\xC3\xA9", "\xE9"},                                        // ISO-8859-1
    {28603, "\xC4\x84\xC4\x85", "\xC0\xE0"},                            // ISO-8859-13
    {28605, "\xE2\x82\xAC", "\xA4"},                                    // ISO-8859-15
    {932, "\xE6\x97\xA5\xD0\x96", "\x93\xFA\x84\x47"},                  // Japanese (Shift JIS family)
    {10001, "\xE6\x97\xA5", "\x93\xFA"},                                // Shift JIS
    {20932, "\xE6\x97\xA5", "\xC6\xFC"},                                // EUC-JP
    {936, "\xE4\xB8\xAD\xE2\x82\xAC", "\xD6\xD0\x80"},                  // GBK
    {10008, "\xE4\xB8\xAD", "\xD6\xD0"},                                // GB2312
    {949, "\xED\x95\x9C", "\xC7\xD1"},                                  // Korean
    {950, "\xE4\xB8\xAD\xE2\x82\xAC", "\xA4\xA4\xA3\xE1"},              // Big5
    {10000, "\xC3\xA9", "\x8E"},                                        // Mac Roman
    {10029, "\xC4\x84", "\x84"},                                        // Mac Central European
    {20127, "Az", "Az"},                                                // ASCII
    {65001, "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},                    // UTF-8
    {1200, "A\xF0\x9F\x98\x80", std::string("A\0\x3D\xD8\x00\xDE", 6)}, // UTF-16LE
};

TEST(CodePageTest, OneRowPerFamilyBothWays) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.codePage);
        EXPECT_FALSE(rtl::CodePageCharset(row.codePage).empty());
        EXPECT_EQ(rtl::Utf8ToCodePage(row.utf8, row.codePage), row.bytes);
        EXPECT_EQ(rtl::CodePageToUtf8(row.bytes, row.codePage), row.utf8);
        EXPECT_EQ(rtl::Utf16ToCodePage(rtl::CodePageToUtf16(row.bytes, row.codePage), row.codePage),
                  row.bytes);
    }
}

TEST(CodePageTest, MissingCharactersBecomeTheDefaultCharacter) {
    // Euro sign, Zhe and an emoji (one character, a surrogate pair in UTF-16) do not exist in Latin 1.
    EXPECT_EQ(rtl::Utf8ToCodePage("a\xE2\x82\xAC\xD0\x96\xF0\x9F\x98\x80z", 28591), "a???z");
    EXPECT_EQ(rtl::Utf8ToCodePage("\xE6\x97\xA5", 20127), "?");
    EXPECT_EQ(rtl::Utf16ToCodePage(u"x\xD800y", 1252), "x?y"); // a lone surrogate
    EXPECT_EQ(rtl::Utf8ToCodePage("", 1252), "");
}

TEST(CodePageTest, UndefinedBytesBecomeReplacementCharacters) {
    EXPECT_EQ(rtl::CodePageToUtf16("a\x81z", 1252), u"a\uFFFDz");
    EXPECT_EQ(rtl::CodePageToUtf16("a\x93", 932), u"a\uFFFD"); // a lead byte cut off at the end
    EXPECT_EQ(rtl::CodePageToUtf16(std::string("A\0B", 3), 1200), u"A\uFFFD"); // an odd byte
}

TEST(CodePageTest, BinaryKeepsTheBytes) {
    const std::string bytes("\xFF\x00\x80", 3);
    EXPECT_EQ(rtl::CodePageToUtf8(bytes, rtl::kCodePageBinary), bytes);
    EXPECT_EQ(rtl::Utf8ToCodePage(bytes, rtl::kCodePageBinary), bytes);
    const std::u16string units = rtl::CodePageToUtf16(bytes, rtl::kCodePageBinary);
    EXPECT_EQ(units, std::u16string(u"\u00FF\0\u0080", 3));
    EXPECT_EQ(rtl::Utf16ToCodePage(units, rtl::kCodePageBinary), bytes);
    EXPECT_EQ(rtl::Utf16ToCodePage(u"\u0100", rtl::kCodePageBinary), "?");
}

TEST(CodePageTest, UnknownCodePageIsAClearError) {
    try {
        rtl::Utf8ToCodePage("x", 12345);
        FAIL() << "no error";
    } catch (const rtl::EOSError& e) {
        EXPECT_EQ(e.Message(), "Unsupported code page 12345");
    }
    EXPECT_THROW(rtl::CodePageToUtf16("x", -2), rtl::EOSError);
    EXPECT_TRUE(rtl::CodePageCharset(12345).empty());
}

} // namespace
