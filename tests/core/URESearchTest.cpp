#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/uURESearch.h"

namespace core {
namespace {

using Results = std::vector<TSearchResult>;

struct RECase {
    const char16_t* pattern;
    TSearchFlags flags;
    const char16_t* text;
    Results expected;
};

void Check(const std::vector<RECase>& cases) {
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const auto& c = cases[i];
        TURESearch search(nullptr);
        search.FindPrepare(c.pattern, c.flags);
        EXPECT_EQ(search.LastError(), ureOk) << "case " << i;
        Results results;
        EXPECT_EQ(search.FindAll(c.text), !c.expected.empty()) << "case " << i;
        for (std::size_t r = 0; r < search.Count(); ++r)
            results.push_back(search.GetResult(r));
        EXPECT_EQ(results, c.expected) << "case " << i;
    }
}

TEST(URESearch, LiteralsAndOperators) {
    Check({
        {u"abc", 0, u"xabcabc", {{1, 4}, {4, 7}}},
        {u"a.c", 0, u"abc a-c ac", {{0, 3}, {4, 7}}},
        {u"a[0-9]+", 0, u"a1 a a42", {{0, 2}, {5, 8}}},
        {u"cat|dog", 0, u"dog cat", {{0, 3}, {4, 7}}},
        {u"(ab)+", 0, u"xababab", {{1, 7}}},
        {u"colou?r", 0, u"color colour", {{0, 5}, {6, 12}}},
        {u"a{2,3}", 0, u"aaaa", {{0, 3}}},
        {u"a{ 2 }", 0, u"aaaaa", {{0, 2}, {2, 4}}},
        {u"a{2,}", 0, u"a aaaa", {{2, 6}}},
        {u"a*", 0, u"bab", {{1, 2}}},      // empty matches are not results
        {u"b|abcd", 0, u"abcd", {{0, 4}}}, // leftmost, then longest
        {u"(a|)b", 0, u"b ab", {{0, 1}, {2, 4}}},
    });
}

TEST(URESearch, AnchorsAtTextEndsAndLineBreaks) {
    Check({
        {u"^ab", 0, u"ab\nab xab", {{0, 2}, {3, 5}}},
        {u"b$", 0, u"ab\r\nab", {{1, 2}, {5, 6}}},
        {u"^$", 0, u"", {}},
    });
}

TEST(URESearch, CaseFoldingUnlessCaseSensitive) {
    Check({
        {u"ABC", 0, u"abc AbC", {{0, 3}, {4, 7}}},
        {u"ABC", sfCaseSensitive, u"abc ABC", {{4, 7}}},
        {u"[A-C]+", 0, u"xabcd", {{1, 4}}},
        {u"[a-c]+", sfCaseSensitive, u"ABCabc", {{3, 6}}},
        {u"\u00C9", 0, u"\u00E9", {{0, 1}}},
    });
}

TEST(URESearch, EscapesClassesAndCategories) {
    Check({
        {u"\\t", 0, u"a\tb", {{1, 2}}},
        {u"\\x41\\u00e9", sfCaseSensitive, u"A\u00E9", {{0, 2}}},
        {u"a\\.b", 0, u"axb a.b", {{4, 7}}},
        {u"\\p1+", sfCaseSensitive, u"ABcdE", {{2, 4}}},
        {u"\\p0,1+", 0, u"ab1Cd", {{0, 2}, {3, 5}}},
        {u"\\P1+", sfCaseSensitive, u"ABcdE", {{0, 2}, {4, 5}}},
        {u"[[:digit:]]+", 0, u"ab123c", {{2, 5}}},
        {u"[^a-z]+", sfCaseSensitive, u"abc123def", {{3, 6}}},
        {u"[\\p6x]+", 0, u"ax42y", {{1, 4}}},
        {u"[]a]+", 0, u"x]a]", {{1, 4}}},
        {u"[a-]+", 0, u"b-a", {{1, 3}}},
        {u"[[:space:]]+", 0, u"a \t\u3000b", {{1, 4}}},
    });
}

TEST(URESearch, SupplementaryCharactersAreOneCharacter) {
    Check({
        {u"\U0001F600+", 0, u"x\U0001F600\U0001F600y", {{1, 5}}},
        {u"x.y", 0, u"x\U0001F600y", {{0, 4}}},
        {u"[\U0001F600-\U0001F64F]", 0, u"a\U0001F601", {{1, 3}}},
    });
}

TEST(URESearch, MalformedPatternsFindNothing) {
    const struct {
        const char16_t* pattern;
        TUREError error;
    } cases[] = {
        {u"(ab", ureUnbalancedGroup},   {u"ab)", ureUnbalancedGroup},    {u"a{2", ureBadBrace},
        {u"a{3,1}", ureBadBrace},       {u"a{x}", ureBadBrace},          {u"a{5000}", ureBadBrace},
        {u"\\p55", ureBadCategory},     {u"\\p", ureBadCategory},        {u"ab\\", ureTrailingBackslash},
        {u"[ab", ureUnterminatedClass}, {u"[[:foo:]]", ureBadClassName}, {u"*a", ureNothingToRepeat},
        {u"[z-a]", ureBadRange},
    };
    for (const auto& c : cases) {
        TURESearch search(nullptr);
        search.FindPrepare(c.pattern, 0);
        EXPECT_EQ(search.LastError(), c.error) << "case " << (&c - cases);
        EXPECT_FALSE(search.FindAll(u"ab)(a{2}\\ [ab *a z-a"));
        EXPECT_EQ(search.Count(), 0u);
    }
}

TEST(URESearch, ClearDropsThePattern) {
    TURESearch search(nullptr);
    search.FindPrepare(u"b", 0);
    EXPECT_TRUE(search.FindFirst(u"abc"));
    EXPECT_EQ(search.GetResult(0), (TSearchResult{1, 2}));
    search.Clear();
    EXPECT_EQ(search.Count(), 0u);
    EXPECT_FALSE(search.FindFirst(u"abc"));
}

} // namespace
} // namespace core
