#include "dataaccess/mysql/uMyTableInfo.h"
#include "dataaccess/server/uCRTableInfo.h"
#include "platform/rtl/Exception.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace dataaccess {
namespace {

struct QuoteCase {
    std::string name;
    bool myNeeded;
    bool baseNeeded;
};

class QuotesNeededTest : public ::testing::TestWithParam<QuoteCase> {};

TEST_P(QuotesNeededTest, FollowsTheServersIdentifierRules) {
    const QuoteCase& c = GetParam();
    EXPECT_EQ(TMyTableInfo::Class().QuotesNeeded(c.name), c.myNeeded) << c.name;
    EXPECT_EQ(TCRTableInfo::Class().QuotesNeeded(c.name), c.baseNeeded) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Cases, QuotesNeededTest,
                         ::testing::Values(QuoteCase{"2tab", true, false}, QuoteCase{"my-table", true, true},
                                           QuoteCase{"tab_1", false, false}, QuoteCase{"a$b", false, true},
                                           QuoteCase{"#t@x", false, true}, QuoteCase{"`2tab`", true, true},
                                           QuoteCase{"`tab`", false, true},
                                           QuoteCase{"\"tab\"", false, false}, QuoteCase{"a b", true, true},
                                           QuoteCase{"", false, false}));

TEST(TableInfoClassTest, QuotedNames) {
    const TTableInfoClass& my = TMyTableInfo::Class();
    EXPECT_TRUE(my.IsQuoted("`a`"));
    EXPECT_TRUE(my.IsQuoted("\"a\""));
    EXPECT_TRUE(my.IsQuoted("'a'"));
    EXPECT_FALSE(my.IsQuoted("`a\""));
    EXPECT_FALSE(my.IsQuoted("`"));
    EXPECT_EQ(my.UnquoteName("`a b`"), "a b");
    EXPECT_EQ(my.UnquoteName("a"), "a");

    const TTableInfoClass& base = TCRTableInfo::Class();
    EXPECT_TRUE(base.IsQuoted("\"a\""));
    EXPECT_FALSE(base.IsQuoted("`a`"));
    EXPECT_EQ(base.LeftQuote(), '"');
    EXPECT_EQ(my.LeftQuote(), '`');
}

TEST(TableInfoClassTest, MySQLQuotingTestsRefuseQualifiedNames) {
    const TTableInfoClass& my = TMyTableInfo::Class();
    try {
        my.IsQuoted("db.t");
        FAIL();
    } catch (const rtl::EAssertionFailed& e) {
        EXPECT_THAT(e.Message(), ::testing::StartsWith("In func IsQuotedName delimited values not allowed"));
    }
    try {
        my.QuotesNeeded("db.t");
        FAIL();
    } catch (const rtl::EAssertionFailed& e) {
        EXPECT_THAT(e.Message(),
                    ::testing::StartsWith("In func IsBracketNeeds delimited values not allowed"));
    }
}

struct NormalizeCase {
    std::string name;
    bool alwaysQuote;
    std::string expected;
};

class NormalizeNameTest : public ::testing::TestWithParam<NormalizeCase> {};

TEST_P(NormalizeNameTest, QuotesEachPartWhereNeeded) {
    const NormalizeCase& c = GetParam();
    EXPECT_EQ(TMyTableInfo::Class().NormalizeName(c.name, c.alwaysQuote), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NormalizeNameTest,
    ::testing::Values(NormalizeCase{"", true, ""}, NormalizeCase{"orders", false, "orders"},
                      NormalizeCase{"orders", true, "`orders`"}, NormalizeCase{"`orders`", false, "orders"},
                      NormalizeCase{"`orders`", true, "`orders`"},
                      NormalizeCase{"my-table", false, "`my-table`"},
                      NormalizeCase{"db.my-table", false, "db.`my-table`"},
                      NormalizeCase{"db.`t`", true, "`db`.`t`"}, NormalizeCase{"a.b.c", false, "a.b.c"},
                      // A backquote inside is doubled, so that the name reads back as written.
                      NormalizeCase{"a`b", false, "`a``b`"}));

TEST(TableInfoClassTest, BaseClassQuotesWithDoubleQuotes) {
    EXPECT_EQ(TCRTableInfo::Class().NormalizeName("a$b", false), "\"a$b\"");
    EXPECT_EQ(TCRTableInfo::Class().NormalizeName("\"tab\"", false), "tab");
    EXPECT_EQ(TCRTableInfo::Class().NormalizeNameWith("x y", '[', ']', false), "[x y]");
}

TEST(TableInfoTest, EntriesOfTheClassCarryItsFacts) {
    TCRTablesInfo tables(TMyTableInfo::Class());
    auto* entry = dynamic_cast<TMyTableInfo*>(tables.NewItem());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(&entry->ClassType(), &TMyTableInfo::Class());
    entry->SetTableName("orders");
    entry->SetTableNameFull("shop.orders");
    EXPECT_EQ(entry->GetTableNameFull(), "shop.orders");

    TCRTableInfo plain(nullptr);
    plain.SetTableName("t");
    plain.SetTableNameFull("db.t");
    EXPECT_EQ(plain.GetTableNameFull(), "t");
    EXPECT_EQ(plain.Index(), -1);
}

class TablesInfoTest : public ::testing::Test {
protected:
    TCRTableInfo* AddTable(const std::string& name, const std::string& alias) {
        TCRTableInfo* entry = tables.NewItem();
        entry->SetTableName(name);
        entry->SetTableAlias(alias);
        return entry;
    }

    TCRTablesInfo tables{TMyTableInfo::Class()};
};

TEST_F(TablesInfoTest, LookupsIgnoreCase) {
    AddTable("orders", "o");
    AddTable("customers", "C");
    AddTable("orders", "o2");
    EXPECT_EQ(tables.IndexByName("ORDERS"), 0);
    EXPECT_EQ(tables.IndexByName("Customers"), 1);
    EXPECT_EQ(tables.IndexByName("items"), -1);
    EXPECT_EQ(tables.IndexByAlias("c"), 1);
    EXPECT_EQ(tables.IndexByAlias("O2"), 2);
    EXPECT_EQ(tables.IndexOf(tables.Items(2)), 2);
    TCRTableInfo stranger(nullptr);
    EXPECT_EQ(tables.IndexOf(&stranger), -1);
}

TEST_F(TablesInfoTest, DuringAnUpdateLookupsScanTheEntries) {
    tables.BeginUpdate();
    AddTable("orders", "o");
    EXPECT_EQ(tables.IndexByName("ORDERS"), 0);
    EXPECT_EQ(tables.IndexByAlias("O"), 0);
    tables.EndUpdate();
    EXPECT_EQ(tables.IndexByName("ORDERS"), 0);
    tables.Items(0)->SetTableName("lines");
    EXPECT_EQ(tables.IndexByName("orders"), -1);
    EXPECT_EQ(tables.IndexByName("LINES"), 0);
}

TEST_F(TablesInfoTest, NormalizedNamesNormalizeTheLookup) {
    AddTable("`orders`", "`my alias`");
    tables.NormalizeNames();
    EXPECT_EQ(tables.Items(0)->TableName(), "orders");
    EXPECT_EQ(tables.Items(0)->TableAlias(), "`my alias`");
    EXPECT_EQ(tables.IndexByName("`ORDERS`"), 0);
    EXPECT_EQ(tables.IndexByAlias("my alias"), 0);
}

TEST_F(TablesInfoTest, ClearForgetsEntriesAndIndexes) {
    AddTable("orders", "o");
    tables.Clear();
    EXPECT_EQ(tables.Count(), 0);
    EXPECT_EQ(tables.IndexByName("orders"), -1);
    try {
        tables.Items(0);
        FAIL();
    } catch (const rtl::EListError& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (0)");
    }
    EXPECT_EQ(AddTable("x", "")->Index(), 0);
}

} // namespace
} // namespace dataaccess
