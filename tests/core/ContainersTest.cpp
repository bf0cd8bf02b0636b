#include "core/uContainers.h"

#include "platform/rtl/Exception.h"

#include <gtest/gtest.h>

namespace core {
namespace {

TEST(IntegerListTest, KeepsOrderAndDuplicatesAndRemovesFirstEqualItem) {
    TIntegerList list;
    EXPECT_EQ(list.Add(7), 0);
    EXPECT_EQ(list.Add(3), 1);
    EXPECT_EQ(list.Add(7), 2);
    list.Put(1, -4);
    EXPECT_EQ(list.Get(1), -4);
    EXPECT_TRUE(list.Contains(-4));
    EXPECT_FALSE(list.Contains(3));

    EXPECT_EQ(list.Remove(7), 0);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Get(0), -4);
    EXPECT_EQ(list.Get(1), 7);
    EXPECT_EQ(list.Remove(99), -1);

    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

TEST(IntegerListTest, IndexOutsideTheListRaisesListError) {
    TIntegerList list;
    list.Add(1);
    EXPECT_THROW(list.Get(1), rtl::EListError);
    EXPECT_THROW(list.Get(-1), rtl::EListError);
    EXPECT_THROW(list.Put(1, 0), rtl::EListError);
    try {
        list.Get(5);
        FAIL() << "no error";
    } catch (const rtl::EListError& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (5)");
    }
}

TEST(QuotePairsTest, MatchingQuoteFindsTheOtherQuoteOfThePair) {
    TQuotePairs pairs;
    EXPECT_EQ(pairs.Add("(", ")"), 0);
    EXPECT_EQ(pairs.AddQuote("'"), 1);
    EXPECT_EQ(pairs.MatchingQuote("("), ")");
    EXPECT_EQ(pairs.MatchingQuote(")"), "(");
    EXPECT_EQ(pairs.MatchingQuote("'"), "'");
    EXPECT_EQ(pairs.MatchingQuote("["), "");
    EXPECT_TRUE(pairs.IsQuote(")"));
    EXPECT_FALSE(pairs.IsQuote("(("));
    EXPECT_EQ(pairs.FindPair("'"), &pairs.Items(1));
    EXPECT_EQ(pairs.FindPair("\""), nullptr);
    EXPECT_THROW(pairs.Items(2), rtl::EListError);
    pairs.Clear();
    EXPECT_EQ(pairs.Count(), 0);
}

TEST(QuotePairsTest, FirstPairHoldingTheQuoteWins) {
    TQuotePairs pairs;
    pairs.Add("<", "|");
    pairs.Add("|", ">");
    EXPECT_EQ(pairs.MatchingQuote("|"), "<"); // closing quote of the first pair
}

TEST(QuotePairsTest, EmptyQuoteIsAnAssertion) {
    TQuotePairs pairs;
    EXPECT_THROW(pairs.Add("", ")"), rtl::EAssertionFailed);
    EXPECT_THROW(pairs.AddQuote(""), rtl::EAssertionFailed);
}

} // namespace
} // namespace core
