#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <latch>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/uUnicode.h"
#include "core/uUnicodeData.h"

namespace core {
namespace {

TEST(UnicodeData, AllSixTablesAreGenerated) {
    for (const char* name : {"CATEGORIES", "CASE", "DECOMPOSITION", "COMBINING", "COMPOSITION", "NUMBERS"})
        EXPECT_GT(UnicodeResource(name).size(), 4u) << name;
    try {
        UnicodeResource("NAMES");
        FAIL() << "no error for a missing table";
    } catch (const EResNotFound& e) {
        EXPECT_EQ(e.Message(), "Resource NAMES not found");
    }
}

// U+00BD VULGAR FRACTION ONE HALF in the NUMBERS table: count, then (code point, numerator, denominator).
TEST(UnicodeData, NumbersTableHoldsFractions) {
    const auto data = UnicodeResource("NUMBERS");
    const auto at = [&](std::size_t offset) {
        return std::uint32_t(data[offset]) | std::uint32_t(data[offset + 1]) << 8 |
               std::uint32_t(data[offset + 2]) << 16 | std::uint32_t(data[offset + 3]) << 24;
    };
    const std::uint32_t count = at(0);
    ASSERT_EQ(data.size(), 4 + count * 12u);
    bool found = false;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (at(4 + i * 12) != 0xBD) continue;
        EXPECT_EQ(at(8 + i * 12), 1u);
        EXPECT_EQ(at(12 + i * 12), 2u);
        found = true;
    }
    EXPECT_TRUE(found);
}

struct CharacterTestCase {
    const char* test;
    bool (*function)(char32_t);
    char32_t code;
    bool expected;
};

TEST(UnicodeCharacter, TestsFollowTheCategories) {
    const CharacterTestCase cases[] = {
        {"WhiteSpace", UnicodeIsWhiteSpace, U' ', true},
        {"WhiteSpace", UnicodeIsWhiteSpace, 0x3000, true}, // ideographic space
        {"WhiteSpace", UnicodeIsWhiteSpace, U'\t', true},
        {"WhiteSpace", UnicodeIsWhiteSpace, U'\n', true},  // line breaks are paragraph separators
        {"WhiteSpace", UnicodeIsWhiteSpace, 0x00A0, true}, // no-break space
        {"WhiteSpace", UnicodeIsWhiteSpace, U'a', false},
        {"WhiteSpace", UnicodeIsWhiteSpace, 0x200B, false}, // zero width space is a format character
        {"HexDigit", UnicodeIsHexDigit, U'f', true},
        {"HexDigit", UnicodeIsHexDigit, U'G', false},
        {"HexDigit", UnicodeIsHexDigit, 0xFF21, false}, // fullwidth A
        {"Control", UnicodeIsControl, 0x0007, true},
        {"Control", UnicodeIsControl, 0x200B, true},
        {"Control", UnicodeIsControl, U'a', false},
        {"Number", UnicodeIsNumber, U'5', true},
        {"Number", UnicodeIsNumber, 0x2160, true}, // roman numeral one
        {"Number", UnicodeIsNumber, 0x00BD, true}, // one half
        {"Number", UnicodeIsNumber, U'x', false},
        {"Alpha", UnicodeIsAlpha, 0x00E9, true},
        {"Alpha", UnicodeIsAlpha, 0x4E00, true},
        {"Alpha", UnicodeIsAlpha, 0x01C5, true}, // title case
        {"Alpha", UnicodeIsAlpha, U'1', false},
        {"IdentifierPart", UnicodeIsIdentifierPart, U'_', true},
        {"IdentifierPart", UnicodeIsIdentifierPart, U'7', true},
        {"IdentifierPart", UnicodeIsIdentifierPart, 0x0301, true},
        {"IdentifierPart", UnicodeIsIdentifierPart, U'-', false},
        {"IdentifierPart", UnicodeIsIdentifierPart, U';', false},
        {"NonSpacing", UnicodeIsNonSpacing, 0x0301, true},
        {"NonSpacing", UnicodeIsNonSpacing, U'a', false},
        {"Combining", UnicodeIsCombining, 0x0301, true},
        {"Alpha", UnicodeIsAlpha, 0x1F600, false}, // beyond the tables
        {"WhiteSpace", UnicodeIsWhiteSpace, 0x10FFFF, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.function(c.code), c.expected) << c.test << " U+" << std::hex << unsigned(c.code);
}

TEST(UnicodeCharacter, CarriesGeneralBidiAndDerivedCategories) {
    const auto a = UnicodeCategories(U'A');
    for (const auto c : {ccLetterUppercase, ccLeftToRight, ccHexDigit, ccAssigned})
        EXPECT_TRUE(a.Contains(c)) << int(c);
    EXPECT_FALSE(a.Contains(ccLetterLowercase));
    EXPECT_TRUE(UnicodeCategories(0x05D0).Contains(ccRightToLeft)); // Hebrew alef
    EXPECT_TRUE(UnicodeCategories(U'(').Contains(ccSymmetric));
    EXPECT_TRUE(UnicodeCategories(U'(').Contains(ccMirroring));
    EXPECT_TRUE(UnicodeCategories(0x00E9).Contains(ccComposed));
    EXPECT_TRUE(UnicodeCategories(0xAC01).Contains(ccComposed));
    EXPECT_TRUE(UnicodeCategories(0x00A0).Contains(ccNonBreaking));
    EXPECT_TRUE(UnicodeCategories(U'"').Contains(ccQuotationMark));
    EXPECT_EQ(UnicodeCategories(0x0378), TCharacterCategories{ccOtherUnassigned});
    EXPECT_TRUE(UnicodeCategories(0x1F600).Empty());
    EXPECT_TRUE(CategoryLookup(U'x', {ccSymbolMath, ccLetterLowercase}));
    EXPECT_FALSE(CategoryLookup(U'x', {ccSymbolMath}));
}

TEST(UnicodeCase, MappingsAreListsAndDefaultToTheCharacter) {
    EXPECT_EQ(UnicodeToUpper(U'a'), U"A");
    EXPECT_EQ(UnicodeToUpper(0x69), U"\u0049");
    EXPECT_EQ(UnicodeToTitle(0x69), U"\u0049");
    EXPECT_EQ(UnicodeToLower(0x49), U"\u0069");
    EXPECT_EQ(UnicodeToUpper(0x00DF), U"SS");
    EXPECT_EQ(UnicodeToTitle(0x01C6), U"\u01C5");
    EXPECT_EQ(UnicodeToUpper(0x01C6), U"\u01C4");
    EXPECT_EQ(UnicodeToLower(0x0130), U"i\u0307");
    EXPECT_EQ(UnicodeToLower(0x0391), U"\u03B1");
    EXPECT_EQ(UnicodeToUpper(U'1'), U"1");
    EXPECT_EQ(UnicodeToUpper(0x1F600), U"\U0001F600");
}

TEST(UnicodeDecomposition, CanonicalCompatibilityAndHangul) {
    EXPECT_EQ(UnicodeDecompose(0xAC01), U"\u1100\u1161\u11A8");
    EXPECT_EQ(UnicodeDecompose(0xAC00), U"\u1100\u1161");
    EXPECT_EQ(UnicodeDecompose(0xD7A3), U"\u1112\u1175\u11C2"); // last syllable
    EXPECT_EQ(UnicodeDecompose(0xD7A4), U"");                   // Hangul Jamo Extended-B, no syllable
    EXPECT_EQ(UnicodeDecompose(0xD7FB), U"");
    EXPECT_EQ(UnicodeDecompose(0x00E9), U"e\u0301");
    EXPECT_EQ(UnicodeDecompose(0x00E9, true), U"e\u0301"); // canonical when there is no compatibility one
    EXPECT_EQ(UnicodeDecompose(0xFB01), U"");
    EXPECT_EQ(UnicodeDecompose(0xFB01, true), U"fi");
    EXPECT_EQ(UnicodeDecompose(U'a'), U"");
    EXPECT_EQ(CanonicalCombiningClass(0x0301), 230);
    EXPECT_EQ(CanonicalCombiningClass(0x0316), 220);
    EXPECT_EQ(CanonicalCombiningClass(U'a'), 0);

    char32_t composite = 0;
    EXPECT_TRUE(UnicodeComposePair(U'e', 0x0301, composite));
    EXPECT_EQ(composite, char32_t(0x00E9));
    EXPECT_FALSE(UnicodeComposePair(U'e', U'e', composite));
    EXPECT_FALSE(UnicodeComposePair(0x0915, 0x093C, composite)); // U+0958 is excluded from composition
}

TEST(UnicodeNormalize, FormsZeroToFour) {
    struct Case {
        std::u16string text;
        TNormalizationForm form;
        std::u16string expected;
    };
    const Case cases[] = {
        {u"e\u0301", nfC, u"\u00E9"},
        {u"e\u0301", nfNone, u"e\u0301"},
        {u"\u00E9", nfD, u"e\u0301"},
        {u"\u1E69", nfD, u"s\u0323\u0307"},        // recursive: s with dot below and dot above
        {u"s\u0307\u0323", nfC, u"\u1E69"},        // ordering puts the dot below first
        {u"a\u0301\u0316", nfD, u"a\u0316\u0301"}, // canonical ordering
        {u"a\u0316\u0301", nfC, u"\u00E1\u0316"},  // a mark of a lower class does not block
        {u"a\u0301\u0301", nfC, u"\u00E1\u0301"},  // the same class blocks
        {u"e\u0301e", nfC, u"\u00E9e"},
        {u"\uFB01", nfD, u"\uFB01"},
        {u"\uFB01", nfKD, u"fi"},
        {u"\u1E9B\u0323", nfKC, u"\u1E69"}, // long s with dot above: compatibility gives s
        {u"\u1100\u1161\u11A8", nfC, u"\uAC01"},
        {u"\uAC00\u11A8", nfC, u"\uAC01"},
        {u"\uAC01", nfD, u"\u1100\u1161\u11A8"},
        {u"\u0958", nfC, u"\u0915\u093C"}, // composition exclusion stays decomposed
        {u"x\U0001F600\xD800y", nfC, u"x\U0001F600\xD800y"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WideNormalize(c.text, c.form), c.expected)
            << "form " << int(c.form) << " case " << (&c - cases);
}

// The conformance data of the Unicode Character Database the tables come from, for every case that
// stays inside the Basic Multilingual Plane (the tables stop at U+FFFF).
TEST(UnicodeNormalize, PassesTheConformanceTestInsideTheBmp) {
    const std::unique_ptr<FILE, int (*)(FILE*)> in(
        popen("bzcat /usr/share/unicode/NormalizationTest.txt.bz2", "r"), pclose);
    ASSERT_TRUE(in) << "bzcat (package bzip2) is needed to read the conformance data";
    const auto parse = [](const std::string& field, std::u16string& text) {
        std::istringstream codes(field);
        std::string hex;
        while (codes >> hex) {
            const unsigned long code = std::stoul(hex, nullptr, 16);
            if (code > 0xFFFF) return false;
            text += static_cast<char16_t>(code);
        }
        return true;
    };
    int checked = 0, failures = 0;
    char buffer[4096];
    while (fgets(buffer, sizeof buffer, in.get())) {
        const std::string line = buffer;
        if (line.empty() || line[0] == '#' || line[0] == '@') continue;
        std::istringstream fields(line);
        std::u16string c[5];
        std::string field;
        bool inBmp = true;
        for (auto& column : c)
            inBmp = std::getline(fields, field, ';') && parse(field, column) && inBmp;
        if (!inBmp) continue;
        ++checked;
        // c2 = NFC(c1..c3), c4 = NFC(c4, c5), c3 = NFD(c1..c3), c5 = NFD(c4, c5), and all of them
        // have NFKC c4 and NFKD c5.
        for (int i = 0; i < 5; ++i) {
            const bool ok = WideNormalize(c[i], nfC) == c[i < 3 ? 1 : 3] &&
                            WideNormalize(c[i], nfD) == c[i < 3 ? 2 : 4] &&
                            WideNormalize(c[i], nfKC) == c[3] && WideNormalize(c[i], nfKD) == c[4];
            if (!ok && ++failures <= 5) ADD_FAILURE() << line;
        }
    }
    EXPECT_GT(checked, 10000);
    EXPECT_EQ(failures, 0);
}

TEST(UnicodeWideStrings, ZeroTerminatedRoutines) {
    EXPECT_EQ(WideStrFirstOfSet(u"abc", u"xc"), 2);
    EXPECT_EQ(WideStrFirstOfSet(u"abc", u"xy"), 3);
    EXPECT_EQ(WideStrFirstOfSet(u"", u"x"), 0);
    EXPECT_EQ(WideStrFirstOfSet(nullptr, u"x"), -1);
    EXPECT_EQ(WideStrFirstOfSet(u"abc", nullptr), -1);

    const char16_t* text = u"hello";
    EXPECT_EQ(WideStrScan(text, u'l'), text + 2);
    EXPECT_EQ(WideStrScan(text, u'z'), nullptr);
    EXPECT_EQ(WideStrScan(nullptr, u'z'), nullptr);

    char16_t swapped[] = {0x4100, 0x4200, 0x3412, 0};
    WideStrSwapByteOrder(swapped);
    EXPECT_EQ(std::u16string(swapped), u"AB\u1234");

    EXPECT_EQ(WideStringOfChar(u'-', 3), u"---");
    EXPECT_EQ(WideStringOfChar(u'-', 0), u"");
}

TEST(UnicodeWideStrings, TrimRemovesWhiteSpaceAndControls) {
    EXPECT_EQ(WideTrimUnicode(u"\u3000a\t"), u"a");
    EXPECT_EQ(WideTrimUnicode(u"\u200B a b\r\n\u0001"), u"a b");
    EXPECT_EQ(WideTrimUnicode(u" \t "), u"");
    EXPECT_EQ(WideTrimRightUnicode(u"\u3000a\t"), u"\u3000a");
}

TEST(UnicodeWideStrings, CodePointsJoinSurrogatePairs) {
    const std::u16string text = u"a\U0001F600\xDC00";
    std::size_t pos = 0;
    EXPECT_EQ(WideCodePointAt(text, pos), U'a');
    EXPECT_EQ(WideCodePointAt(text, pos), char32_t(0x1F600));
    EXPECT_EQ(pos, 3u);
    EXPECT_EQ(WideCodePointAt(text, pos), char32_t(0xDC00));
    std::u16string out;
    WideAppendCodePoint(out, 0x1F600);
    WideAppendCodePoint(out, 0xE9);
    EXPECT_EQ(out, u"\U0001F600\u00E9");
}

TEST(UnicodeLocale, CompareIgnoresCaseByTheTables) {
    struct Case {
        std::u16string a, b;
        int expected;
    };
    const Case cases[] = {
        {u"abc", u"ABC", 0},
        {u"a", u"b", -1},
        {u"b", u"A", 1},
        {u"ab", u"abc", -1},
        {u"", u"", 0},
        {u"Stra\u00DFe", u"STRASSE", 0},
        {u"\u00E9t\u00E9", u"\u00C9T\u00C9", 0},
        {u"\u03C3", u"\u03A3", 0},
        {u"_", u"a", 1},               // by upper case
        {u"\U0001F600", u"\uFFFD", 1}, // code points, not UTF-16 units
    };
    for (const auto& c : cases)
        EXPECT_EQ(WideCompareTextLocale(c.a, c.b, kUserDefaultLocale), c.expected) << (&c - cases);
}

TEST(UnicodeLocale, CodePagesAreUtf8) {
    EXPECT_EQ(CodePageFromLocale(kUserDefaultLocale), 65001);
    EXPECT_EQ(CodePageFromLocale(0x0419), 65001);
    EXPECT_EQ(KeyboardCodePage(), 65001);
    EXPECT_EQ(KeyboardCharToWide('A'), u'A');
}

// Every table loads on first use; threads racing for that first use must all see complete tables.
TEST(UnicodeData, FirstUseFromManyThreadsSeesCompleteTables) {
    constexpr int kThreads = 8;
    std::latch start(kThreads);
    std::vector<int> failures(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            start.arrive_and_wait();
            for (int round = 0; round < 50; ++round) {
                failures[t] += !UnicodeIsWhiteSpace(0x3000);
                failures[t] += UnicodeToUpper(0x00DF) != U"SS";
                failures[t] += WideNormalize(u"e\u0301", nfC) != u"\u00E9";
                failures[t] += UnicodeDecompose(0xFB01, true) != U"fi";
            }
        });
    for (auto& thread : threads)
        thread.join();
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(failures[t], 0) << "thread " << t;
}

} // namespace
} // namespace core
