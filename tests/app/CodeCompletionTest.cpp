#include "app/uCodeCompletion.h"

#include "app/uCodeCompletionCache.h"
#include "app/uCodeCompletionItem.h"
#include "app/uCodeCompletionOptions.h"
#include "core/uIdentifierManager.h"
#include "parser/uCommonSQLGrammar.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Utf.h"
#include "platform/ui/Clock.h"
#include "support/MariaDBConnection.h"
#include "support/SQLMonitorLog.h"
#include "support/TestServer.h"

#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace app {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

// A candidate as "kind name [context]".
std::string Describe(const TCodeCompletionItem& item) {
    std::string text = std::to_string(item.Kind) + " " + item.Name;
    if (!item.Context.empty()) text += " [" + item.Context + "]";
    return text;
}

std::vector<std::string> Strings(const rtl::TStringList& list) {
    std::vector<std::string> strings;
    for (int i = 0; i < list.Count(); ++i)
        strings.push_back(list[i]);
    return strings;
}

TEST(CodeCompletionItems, DuplicatesAreKindNameAndContextComparedExactly) {
    TCodeCompletionItems items;
    EXPECT_TRUE(items.Add(ckColumn, "id", "int(11)", {}, "t1"));
    EXPECT_FALSE(items.Add(ckColumn, "id", "bigint", {}, "t1"));
    EXPECT_TRUE(items.Add(ckColumn, "id", {}, {}, "t2"));
    EXPECT_TRUE(items.Add(ckTable, "id"));
    EXPECT_TRUE(items.Add(ckColumn, "ID", {}, {}, "t1"));
    // Kind 1 with name "1id" and kind 11 with name "id" must not meet in one key.
    EXPECT_TRUE(items.Add(ckCondition, "id"));
    EXPECT_TRUE(items.Add(ckTable, "1id"));
    ASSERT_EQ(items.Count(), 6);
    EXPECT_EQ(items[0].InsertText, "id");
    EXPECT_EQ(items[0].Detail, "int(11)");
    items.Clear();
    EXPECT_EQ(items.Count(), 0);
    EXPECT_TRUE(items.Add(ckColumn, "id", {}, "`id`", "t1"));
    EXPECT_EQ(items[0].InsertText, "`id`");
    EXPECT_STREQ(CodeCompletionItemCaption(ckBuiltinFunction), "function");
    EXPECT_EQ(CodeCompletionItemColor(ckColumn), 0x800080);
}

TEST(CodeCompletionAlias, FirstLettersNumberedPastTheTakenOnes) {
    const core::TIdentifierManager manager("`", ".", "`");
    EXPECT_EQ(MakeJoinAlias("order_items", {}, manager), "oi");
    EXPECT_EQ(MakeJoinAlias("order_lines", {"ol"}, manager), "ol2");
    EXPECT_EQ(MakeJoinAlias("order_lines", {"OL", "ol2", ""}, manager), "ol3");
    EXPECT_EQ(MakeJoinAlias("x", {}, manager), "");
}

// A database whose name needs escaping in literals, with a customers/orders schema and routines.
class CodeCompletionServerTest : public ::testing::Test {
protected:
    // ctest runs the cases at once, each in its own process: each case has a database of its own.
    const std::string kDatabase =
        "compl'db_" + std::to_string(std::hash<std::string>{}(
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name()) %
                                     100000);
    const std::string kSchema = "`" + kDatabase + "`";
    const std::string kUser = "'compl_" + kDatabase.substr(kDatabase.find('_') + 1) + "'@'%'";

    void SetUp() override {
        settings = VELTRANE_REQUIRE_SERVER();
        session = std::make_unique<testsupport::RawSession>(settings, settings.database);
        session->Execute("DROP DATABASE IF EXISTS " + kSchema);
        session->Execute("CREATE DATABASE " + kSchema);
        session->Execute("CREATE TABLE " + kSchema + ".customers (id INT PRIMARY KEY, name VARCHAR(40))");
        session->Execute("CREATE TABLE " + kSchema +
                         ".orders (id INT PRIMARY KEY, customer_id INT, total INT, "
                         "KEY by_customer (customer_id, total), "
                         "FOREIGN KEY (customer_id) REFERENCES customers (id))");
        session->Execute("CREATE TABLE " + kSchema +
                         ".order_lines (id INT PRIMARY KEY, order_id INT, "
                         "FOREIGN KEY (order_id) REFERENCES orders (id))");
        session->Execute("CREATE TABLE " + kSchema + ".pairs (a INT, b VARCHAR(5))");
        session->Execute("CREATE FUNCTION " + kSchema + ".f_double(x INT) RETURNS int(11) RETURN x * 2");
        session->Execute("CREATE PROCEDURE " + kSchema +
                         ".p_sum(IN a INT,  IN   b INT, OUT s INT) SET s = a + b");
        session->Execute("CREATE PROCEDURE " + kSchema + ".p_none() SET @x = 1");
        connection = std::make_shared<testsupport::MariaDBConnection>(settings, kDatabase);
        connection->Connect();
    }
    void TearDown() override {
        AllowKeywords = AllowDatabases = true;
        if (connection) ForgetCatalogue(*connection);
        if (session) session->Execute("DROP DATABASE IF EXISTS " + kSchema);
    }

    static std::pair<std::u16string, int> WithCaret(std::string_view text) {
        const size_t caret = text.find('|');
        std::string statement(text);
        statement.erase(caret, 1);
        return {rtl::Utf8ToUtf16(statement),
                static_cast<int>(rtl::Utf8ToUtf16(text.substr(0, caret)).size())};
    }

    std::vector<std::string> Complete(std::string_view text, core::IDBAConnection* on = nullptr) {
        const auto [statement, caret] = WithCaret(text);
        TCodeCompletionItems items;
        FillCompletionItems(statement, caret, items, on ? *on : *connection, manager, kSchema, u"",
                            parser::pmBranch);
        std::vector<std::string> described;
        for (int i = 0; i < items.Count(); ++i)
            described.push_back(Describe(items[i]));
        return described;
    }

    std::vector<std::string> Hints(std::string_view text, int& index, core::IDBAConnection* on = nullptr) {
        const auto [statement, caret] = WithCaret(text);
        rtl::TStringList list;
        FillParameterHints(statement, caret, on ? *on : *connection, manager, kSchema, list, index,
                           parser::pmBranch);
        return Strings(list);
    }

    // A connection of a user who may use the database but not read the server's routine catalogue.
    std::shared_ptr<testsupport::MariaDBConnection> RestrictedConnection() {
        session->Execute("DROP USER IF EXISTS " + kUser);
        session->Execute("CREATE USER " + kUser + " IDENTIFIED BY 'secret'");
        session->Execute("GRANT SELECT, EXECUTE, SHOW VIEW ON " + kSchema + ".* TO " + kUser);
        testsupport::ServerSettings limited = settings;
        limited.user = kUser.substr(1, kUser.find('\'', 1) - 1);
        limited.password = "secret";
        auto restricted = std::make_shared<testsupport::MariaDBConnection>(limited, kDatabase);
        restricted->Connect();
        return restricted;
    }

    testsupport::ServerSettings settings;
    std::unique_ptr<testsupport::RawSession> session;
    std::shared_ptr<testsupport::MariaDBConnection> connection;
    const core::TIdentifierManager manager{"`", ".", "`"};
};

TEST_F(CodeCompletionServerTest, SelectListOffersBothJoinedTablesColumnsAndAliases) {
    const auto items = Complete("SELECT | FROM customers c JOIN orders o ON c.id = o.customer_id");
    EXPECT_THAT(items, Contains("3 name [customers]"));
    EXPECT_THAT(items, Contains("3 customer_id [orders]"));
    EXPECT_THAT(items, Contains("2 c [customers]"));
    EXPECT_THAT(items, Contains("2 o [orders]"));
    EXPECT_THAT(items, Contains("4 f_double [(x INT): int(11)]"));
    EXPECT_THAT(items, Contains("9 CONCAT [(str1, str2, str...)]"));
    EXPECT_THAT(items, Contains("6 DISTINCT"));

    const auto qualified = Complete("SELECT c.| FROM customers c JOIN orders o ON c.id = o.customer_id");
    EXPECT_THAT(qualified, ElementsAre("3 id [customers]", "3 name [customers]"));
    EXPECT_THAT(Complete("SELECT " + kSchema + ".customers.| FROM " + kSchema + ".customers"),
                ElementsAre("3 id [customers]", "3 name [customers]"));
    EXPECT_THAT(Complete("SELECT a.b.c.| FROM customers"), IsEmpty());
}

TEST_F(CodeCompletionServerTest, TablesAfterFromAndAfterADatabaseQualifier) {
    const auto items = Complete("SELECT * FROM |");
    EXPECT_THAT(items, Contains("1 order_lines"));
    EXPECT_THAT(items, Contains("0 " + kDatabase));
    EXPECT_THAT(Complete("SELECT * FROM " + kSchema + ".|"),
                ElementsAre("1 customers", "1 order_lines", "1 orders", "1 pairs"));
    EXPECT_THAT(Complete("SELECT 'a|b' FROM customers"), IsEmpty());
    EXPECT_THAT(Complete("SELECT 12|3"), IsEmpty());

    AllowDatabases = false;
    AllowKeywords = false;
    const auto bare = Complete("SELECT * FROM |");
    EXPECT_THAT(bare, Not(Contains("0 " + kDatabase)));
    EXPECT_THAT(bare, Contains("1 customers"));
    for (const auto& item : Complete("SELECT |"))
        EXPECT_NE(item.substr(0, 2), "6 ") << item;
}

TEST_F(CodeCompletionServerTest, JoinsSuggestedWithFreshAliasesAndConditionsAfterOn) {
    const auto joins = Complete("SELECT * FROM orders ol JOIN |");
    EXPECT_THAT(joins, Contains("13 order_lines ol2 [ON (ol2.order_id = ol.id)]"));
    EXPECT_THAT(joins, Contains("13 customers c [ON (c.id = ol.customer_id)]"));
    EXPECT_THAT(Complete("SELECT * FROM orders ol, customers ol2 JOIN |"),
                Contains("13 order_lines ol3 [ON (ol3.order_id = ol.id)]"));

    const auto conditions = Complete("SELECT * FROM customers c JOIN orders o ON |");
    EXPECT_THAT(conditions, Contains("12 o.customer_id = c.id"));
    EXPECT_THAT(conditions, Contains("3 total [orders]"));

    EXPECT_THAT(Complete("SELECT * FROM orders USE INDEX (|)"),
                ElementsAre("14 PRIMARY [(id)]", "14 by_customer [(customer_id, total)]"));
}

TEST_F(CodeCompletionServerTest, InsertColumnsAndDerivedTables) {
    EXPECT_THAT(Complete("INSERT INTO pairs (|"), ElementsAre("3 a [pairs]", "3 b [pairs]"));
    const auto derived = Complete("SELECT | FROM (SELECT id, name AS who FROM customers) q");
    EXPECT_THAT(derived, Contains("3 who [q]"));
    EXPECT_THAT(derived, Contains("2 q [query]"));
}

TEST_F(CodeCompletionServerTest, RoutinesByNameOnlyWithoutTheCatalogue) {
    auto restricted = RestrictedConnection();
    EXPECT_THAT(Complete("CALL |", restricted.get()), Contains("5 p_sum"));
    EXPECT_THAT(Complete("CALL |"), Contains("5 p_sum [(IN a INT, IN b INT, OUT s INT)]"));
    const auto functions = Complete("SELECT |", restricted.get());
    EXPECT_THAT(functions, Contains("4 f_double"));
    EXPECT_THAT(functions, Not(Contains("5 p_sum")));

    // No error reaches the editor on every "(": the hint just stays away.
    int index = -1;
    EXPECT_THAT(Hints("CALL p_sum(1, |", index, restricted.get()), IsEmpty());
    session->Execute("DROP USER " + kUser);
}

// Typing asks the server once for what it needs, then not again for a while: a table created meanwhile
// shows up once the answers are old, or at once when they are forgotten.
TEST_F(CodeCompletionServerTest, CatalogueAnswersAreKeptForAWhilePerConnection) {
    ui::TManualClockScope clock(5000);
    testsupport::SQLMonitorLog log;
    EXPECT_THAT(Complete("SELECT * FROM |"), Contains("1 customers"));
    const size_t sent = log.lines.size();
    ASSERT_GT(sent, 0u);
    session->Execute("CREATE TABLE " + kSchema + ".later (x INT)");
    EXPECT_THAT(Complete("SELECT * FROM |"), Not(Contains("1 later")));
    EXPECT_EQ(log.lines.size(), sent) << "nothing sent again";

    clock->Advance(kMetadataLifetimeMs - 1);
    EXPECT_THAT(Complete("SELECT * FROM |"), Not(Contains("1 later")));
    clock->Advance(1);
    EXPECT_THAT(Complete("SELECT * FROM |"), Contains("1 later"));
    session->Execute("DROP TABLE " + kSchema + ".later");
    ForgetCatalogue(*connection);
    EXPECT_THAT(Complete("SELECT * FROM |"), Not(Contains("1 later")));

    // A refused catalogue statement is not sent again on every key either; the fallback answers.
    auto restricted = RestrictedConnection();
    const auto catalogueAsked = [&] {
        return std::count_if(log.lines.begin(), log.lines.end(), [](const std::string& line) {
            return line.rfind("SELECT NAME, PARAM_LIST", 0) == 0;
        });
    };
    const auto before = catalogueAsked();
    EXPECT_THAT(Complete("CALL |", restricted.get()), Contains("5 p_sum"));
    EXPECT_THAT(Complete("CALL |", restricted.get()), Contains("5 p_sum"));
    EXPECT_EQ(catalogueAsked(), before + 1);
    ForgetCatalogue(*restricted);
    session->Execute("DROP USER " + kUser);
}

TEST_F(CodeCompletionServerTest, LongStatementsAreNotAnalysed) {
    const std::string head = "SELECT ";
    const std::string shortest = head + std::string(49999 - head.size(), ' ');
    EXPECT_THAT(Complete(shortest + "|"), Contains("6 DISTINCT"));
    EXPECT_THAT(Complete(shortest + " |"), IsEmpty());
    int index = 0;
    EXPECT_THAT(Hints("SELECT CONCAT(|" + std::string(50000, ' '), index), IsEmpty());
    EXPECT_EQ(index, -1);
}

TEST_F(CodeCompletionServerTest, ParameterHints) {
    int index = -1;
    EXPECT_THAT(Hints("SELECT CONCAT(a, |", index), ElementsAre("str1", "str2", "str..."));
    EXPECT_EQ(index, 1);
    Hints("SELECT CONCAT(a|, b)", index);
    EXPECT_EQ(index, 0);
    Hints("SELECT CONCAT(a, b, c, d|)", index);
    EXPECT_EQ(index, 2);
    EXPECT_THAT(Hints("SELECT PI(|)", index), ElementsAre("* No parameters expected *"));
    EXPECT_THAT(Hints("CALL p_sum(1, |", index), ElementsAre("IN a INT", "IN b INT", "OUT s INT"));
    EXPECT_EQ(index, 1);
    EXPECT_THAT(Hints("CALL p_none(|", index), ElementsAre("* No parameters expected *"));
    EXPECT_THAT(Hints("SELECT f_double(|", index), ElementsAre("x INT"));
    EXPECT_EQ(index, 0);
    EXPECT_THAT(Hints("CALL p_missing(1, |", index), IsEmpty());
    EXPECT_THAT(Hints("INSERT INTO pairs (b, a) VALUES ('x', |", index),
                ElementsAre("b: varchar(5)", "a: int(11)"));
    EXPECT_EQ(index, 1);
    EXPECT_THAT(Hints("INSERT INTO pairs VALUES (|", index), ElementsAre("a: int(11)", "b: varchar(5)"));
    EXPECT_EQ(index, 0);
    EXPECT_THAT(Hints("SELECT 1|", index), IsEmpty());
    EXPECT_EQ(index, -1);
}

} // namespace
} // namespace app
