#include "core/uIdentifierManager.h"

#include "support/TestServer.h"

#include <gtest/gtest.h>

namespace core {
namespace {

class IdentifierManagerTest : public testing::Test {
protected:
    TIdentifierManager manager_{"`", ".", "`"};
};

struct SplitCase {
    const char* text;
    const char* defaultSchema;
    const char* schema;
    const char* name;
};

TEST_F(IdentifierManagerTest, SplitsSchemaQualifiedNames) {
    const SplitCase cases[] = {
        {"proc", "db", "db", "proc"},
        {"s.proc", "db", "s", "proc"},
        {"a.b.c", "", "a.b", "c"},
        {"", "", "", ""},
        {"x.", "", "x", ""},
        {"  db . proc  ", "", "db", "proc"},
        {"`db`.`proc`", "", "`db`", "`proc`"},
        // A quoted part runs to its closing quote: neither a delimiter nor a space inside splits it.
        {"`my.db`.p", "", "`my.db`", "p"},
        {"`my db`.p", "", "`my db`", "p"},
        {"`a.b`.`c.d`", "", "`a.b`", "`c.d`"},
        {"`a``.b`.p", "", "`a``.b`", "p"},
        {"`unclosed.p", "db", "db", "`unclosed.p"},
        {"\"my.db\".p", "", "my.db", "p"},
    };
    for (const SplitCase& c : cases) {
        TIdentifierParts parts = manager_.SplitIdentifier(c.text, c.defaultSchema);
        EXPECT_EQ(parts.schema, c.schema) << c.text;
        EXPECT_EQ(parts.name, c.name) << c.text;
    }
}

TEST_F(IdentifierManagerTest, SplitRejectsMissingDefaultSchemaAndTooManyParts) {
    try {
        manager_.SplitIdentifier("proc", "");
        FAIL() << "no error";
    } catch (const EDefaultSchemaNotAssigned& e) {
        EXPECT_EQ(e.Message(), "Default schema not assigned");
        EXPECT_STREQ(e.ClassName(), "EDefaultSchemaNotAssigned");
    }
    try {
        manager_.SplitIdentifier("a.b.c.d", "db");
        FAIL() << "no error";
    } catch (const rtl::Exception& e) {
        EXPECT_EQ(e.Message(), "Invalid schema object identifier \"a.b.c.d\"");
    }
    EXPECT_NO_THROW(manager_.SplitIdentifier("`a.b`.`c.d`.e", "db"));
}

TEST_F(IdentifierManagerTest, QuotesAndUnquotes) {
    EXPECT_EQ(manager_.QuoteIdentifier("a`b"), "`a``b`");
    EXPECT_EQ(manager_.UnquoteIdentifier("`a``b`"), "a`b");
    EXPECT_EQ(manager_.QuoteIdentifier(""), "``");
    const struct {
        const char* text;
        const char* unquoted;
    } cases[] = {
        {"abc", "abc"},   // not quoted: unchanged
        {"a`b", "a`b"},   // a quote inside only counts at the start
        {"`abc`", "abc"}, //
        {"`abc", "abc"},  // no closing quote: nothing else is cut off
        {"`a``", "a`"},   // the last quote is half of a doubled one, not a closing quote
        {"`a```", "a`"},  //
        {"``", ""},       //
        {"`", ""},        //
    };
    for (const auto& c : cases)
        EXPECT_EQ(manager_.UnquoteIdentifier(c.text), c.unquoted) << c.text;
}

TEST_F(IdentifierManagerTest, DistinctOpeningAndClosingQuotes) {
    TIdentifierManager brackets("[", ".", "]");
    EXPECT_EQ(brackets.QuoteIdentifier("a]b[c"), "[a]]b[[c]");
    EXPECT_EQ(brackets.UnquoteIdentifier("[a]]b[[c]"), "a]b[c");
    EXPECT_EQ(brackets.OpenQuote(), "[");
    EXPECT_EQ(brackets.CloseQuote(), "]");
    int pairIndex = 7;
    EXPECT_TRUE(brackets.FindOpenQuote("[x]", pairIndex));
    EXPECT_EQ(pairIndex, 0);
    EXPECT_FALSE(brackets.FindOpenQuote("x]", pairIndex));
    EXPECT_EQ(pairIndex, -1);
    EXPECT_EQ(brackets.SplitIdentifier("[a.b].c", "").schema, "[a.b]");
}

TEST_F(IdentifierManagerTest, NormalisesAndComparesNames) {
    EXPECT_EQ(manager_.NormalizeIdentifier("proc"), "`proc`");
    EXPECT_EQ(manager_.NormalizeIdentifier("`proc`"), "`proc`");
    EXPECT_EQ(manager_.QuotedSchema("proc", "db"), "`db`");
    EXPECT_EQ(manager_.QuotedQualifiedName("db.proc", ""), "`db`.`proc`");
    EXPECT_EQ(manager_.QuotedQualifiedName("`my.db`.`p``q`", ""), "`my.db`.`p``q`");
    EXPECT_EQ(manager_.UnquotedQualifiedName("`my.db`.p", ""), "my.db.p");
    EXPECT_TRUE(manager_.SameIdentifier("`Proc`", "proc"));
    EXPECT_FALSE(manager_.SameIdentifier("proc", "proc2"));
    EXPECT_TRUE(manager_.SameQualifiedName("proc", "`DB`.`PROC`", "db"));
    EXPECT_FALSE(manager_.SameQualifiedName("proc", "`other`.`proc`", "db"));
    EXPECT_THROW(manager_.SameQualifiedName("proc", "db.proc", ""), EDefaultSchemaNotAssigned);
}

TEST_F(IdentifierManagerTest, DelimiterMustBeOneCharacter) {
    EXPECT_THROW(TIdentifierManager("`", "", "`"), rtl::EAssertionFailed);
    EXPECT_THROW(TIdentifierManager("`", "::", "`"), rtl::EAssertionFailed);
    EXPECT_THROW(TIdentifierManager("", ".", "`"), rtl::EAssertionFailed);
}

// The quoted qualified name of an awkward table name is what the server takes, and splitting and
// unquoting it gives the name back.
TEST_F(IdentifierManagerTest, ServerAcceptsQuotedQualifiedNames) {
    const auto server = VELTRANE_REQUIRE_SERVER();
    testsupport::RawSession session(server, server.database);
    const std::string table = "IdentifierManagerTest.t`1 x";
    const std::string qualified = manager_.QuotedQualifiedName(manager_.QuoteIdentifier(table),
                                                               manager_.QuoteIdentifier(server.database));
    session.Execute("DROP TABLE IF EXISTS " + qualified);
    session.Execute("CREATE TABLE " + qualified + " (x INT)");
    EXPECT_EQ(
        session.Scalar("SELECT table_name FROM information_schema.tables WHERE table_schema = DATABASE() "
                       "AND table_name LIKE 'IdentifierManagerTest%'"),
        table);
    TIdentifierParts parts = manager_.SplitIdentifier(qualified, "");
    EXPECT_EQ(manager_.UnquoteIdentifier(parts.schema), server.database);
    EXPECT_EQ(manager_.UnquoteIdentifier(parts.name), table);
    session.Execute("DROP TABLE " + qualified);
}

} // namespace
} // namespace core
