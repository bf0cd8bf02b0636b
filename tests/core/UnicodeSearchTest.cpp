#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/uUnicode.h"
#include "core/uUnicodeSearch.h"
#include "platform/rtl/Exception.h"

namespace core {
namespace {

using Results = std::vector<TSearchResult>;

Results FindAll(std::u16string_view pattern, TSearchFlags flags, std::u16string_view text) {
    TUTBMSearch search(nullptr);
    search.FindPrepare(pattern, flags);
    Results results;
    const bool found = search.FindAll(text);
    for (std::size_t i = 0; i < search.Count(); ++i)
        results.push_back(search.GetResult(i));
    EXPECT_EQ(found, !results.empty());
    return results;
}

struct SearchCase {
    const char16_t* pattern;
    TSearchFlags flags;
    const char16_t* text;
    Results expected;
};

void Check(const std::vector<SearchCase>& cases) {
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const auto& c = cases[i];
        EXPECT_EQ(FindAll(c.pattern, c.flags, c.text), c.expected) << "case " << i;
    }
}

TEST(UTBMSearch, FindsEveryMatchLeftToRight) {
    Check({
        {u"abc", 0, u"xabcabc", {{1, 4}, {4, 7}}},
        {u"aa", 0, u"aaaaa", {{0, 2}, {2, 4}}},
        {u"needle", sfCaseSensitive, u"a needle in a needless haystack", {{2, 8}, {14, 20}}},
        {u"abc", 0, u"ab", {}},
        {u"", 0, u"abc", {}},
        {u"b", 0, u"abcb", {{1, 2}, {3, 4}}},
    });
}

TEST(UTBMSearch, CaseVariantsMatchUnlessCaseSensitive) {
    Check({
        {u"ABC", 0, u"abc Abc ABC", {{0, 3}, {4, 7}, {8, 11}}},
        {u"ABC", sfCaseSensitive, u"abc Abc ABC", {{8, 11}}},
        {u"\u00E9t\u00E9", 0, u"\u00C9T\u00C9", {{0, 3}}},
        {u"\u03A3", 0, u"\u03C3", {{0, 1}}},
        {u"\u0141", 0, u"A", {}}, // shares only the low byte with A
        {u"\u0141", sfCaseSensitive, u"A\u0142\u0141", {{2, 3}}},
    });
}

TEST(UTBMSearch, SupplementaryCharactersCountTwoUnits) {
    Check({
        {u"x\U0001F600", 0, u"ax\U0001F600b", {{1, 4}}},
        {u"\U0001F600", sfCaseSensitive, u"\U0001F600\U0001F601\U0001F600", {{0, 2}, {4, 6}}},
        {u"\U0001F600b", 0, u"\U0001F601b\U0001F600b", {{3, 6}}},
        {u"\U0001F600", 0, u"\U0001F601", {}},
    });
}

TEST(UTBMSearch, CompressedSpacesMatchAnyRunOfBlanksAndControls) {
    Check({
        {u"a  b", sfSpaceCompress, u"a b", {{0, 3}}},
        {u"a  b", sfSpaceCompress, u"a\t\tb", {{0, 4}}},
        {u"a  b", sfSpaceCompress, u"a \r\n b", {{0, 6}}},
        {u"a \u0001b", sfSpaceCompress, u"xa\u3000b", {{1, 4}}}, // pattern controls are dropped
        {u"a  b", sfSpaceCompress, u"ab", {}},
        {u"a  b", 0, u"a b", {}},
        {u"a b", sfSpaceCompress | sfCaseSensitive, u"A B a  b", {{4, 8}}},
    });
}

TEST(UTBMSearch, NonSpacingMarksAreIgnoredOnRequest) {
    Check({
        {u"e\u0301", sfIgnoreNonSpacing, u"xe\u0301", {{1, 2}}},
        {u"ab", sfIgnoreNonSpacing, u"a\u0301\u0316b", {{0, 4}}},
        {u"ab", 0, u"a\u0301b", {}},
        {u"abc", sfIgnoreNonSpacing, u"a\u0301b\u0301c a\u0301bc", {{0, 5}, {6, 10}}},
    });
}

// A word ends at any character that cannot be part of an identifier, punctuation included.
TEST(UTBMSearch, WholeWordsEndAtNonIdentifierCharacters) {
    Check({
        {u"cat", sfWholeWordOnly, u"a cat sat", {{2, 5}}},
        {u"cat", sfWholeWordOnly, u"concat cats", {}},
        {u"cat", sfWholeWordOnly, u"cat,", {{0, 3}}},
        {u"x", sfWholeWordOnly, u"(x) x; y.x x_y x1", {{1, 2}, {4, 5}, {9, 10}}},
        {u"cat", sfWholeWordOnly, u"concat cat", {{7, 10}}},
        {u"\u00E9", sfWholeWordOnly, u"\u00E9t\u00E9 \u00E9", {{4, 5}}},
    });
}

TEST(UTBMSearch, ResultsAndPreparation) {
    TUTBMSearch search(this);
    EXPECT_EQ(search.Owner(), this);
    EXPECT_FALSE(search.FindFirst(u"abc")); // nothing prepared
    search.FindPrepare(u"bc", 0);
    const std::u16string text = u"abcbc";
    EXPECT_TRUE(search.FindFirst(text.data(), text.size()));
    ASSERT_EQ(search.Count(), 1u);
    EXPECT_EQ(search.GetResult(0), (TSearchResult{1, 3}));

    EXPECT_TRUE(search.FindAll(text));
    EXPECT_EQ(search.Count(), 2u);
    search.DeleteResult(0);
    EXPECT_EQ(search.GetResult(0), (TSearchResult{3, 5}));
    try {
        search.GetResult(1);
        FAIL() << "no error";
    } catch (const rtl::EListError& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (1)");
    }
    EXPECT_THROW(search.DeleteResult(3), rtl::EListError);

    search.AddResult(7, 9);
    EXPECT_EQ(search.Count(), 2u);
    search.Clear();
    EXPECT_EQ(search.Count(), 0u);
    EXPECT_FALSE(search.FindAll(text)); // the pattern went with Clear
}

// The skip table must never jump over a match: compare with a plain scan on many random texts.
TEST(UTBMSearch, AgreesWithAPlainScan) {
    const std::u16string alphabet[] = {u"a", u"A", u"b", u"B", u"c", u"\U0001F600", u"\u00E9", u"\u00C9"};
    std::mt19937 random(20240501);
    const auto randomText = [&](std::size_t length) {
        std::u16string text;
        for (std::size_t i = 0; i < length; ++i)
            text += alphabet[random() % std::size(alphabet)];
        return text;
    };
    const auto fold = [](char32_t c) { return UnicodeToUpper(c).front(); };
    for (int round = 0; round < 400; ++round) {
        const std::u16string pattern = randomText(1 + random() % 4);
        const std::u16string text = randomText(random() % 40);
        const TSearchFlags flags = random() % 2 ? TSearchFlags{sfCaseSensitive} : 0;

        std::vector<char32_t> p, t;
        std::vector<std::size_t> offsets;
        for (std::size_t pos = 0; pos < pattern.size();)
            p.push_back(WideCodePointAt(pattern, pos));
        for (std::size_t pos = 0; pos < text.size();) {
            offsets.push_back(pos);
            t.push_back(WideCodePointAt(text, pos));
        }
        offsets.push_back(text.size());
        Results expected;
        for (std::size_t i = 0; i + p.size() <= t.size();) {
            bool match = true;
            for (std::size_t k = 0; match && k < p.size(); ++k)
                match = flags ? t[i + k] == p[k] : fold(t[i + k]) == fold(p[k]);
            if (match) {
                expected.push_back({offsets[i], offsets[i + p.size()]});
                i += p.size();
            } else {
                ++i;
            }
        }
        ASSERT_EQ(FindAll(pattern, flags, text), expected) << "round " << round;
    }
}

} // namespace
} // namespace core
