#include "SQLTreeTesting.h"

#include "parser/uMySqlStatements.h"
#include "parser/uSQLStatements.h"
#include "platform/rtl/StringList.h"

#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace parser {
namespace {

using namespace parser::testing;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

// The SQL statement a mode-3 text parsed as.
TProduction& SQLStatementOf(TGrammar& grammar) {
    auto& statement = RootOf<TStatement>(grammar);
    auto* sql = dynamic_cast<TSQLStatement*>(statement.Children()[0]);
    if (!sql)
        throw std::runtime_error(std::string("not an SQL statement: ") + statement.Children()[0]->Name());
    return *static_cast<TProduction*>(sql->Children()[0]);
}

template <class T>
T& SQLStatementAs(TGrammar& grammar) {
    auto* statement = dynamic_cast<T*>(&SQLStatementOf(grammar));
    if (!statement)
        throw std::runtime_error(std::string("the statement is a ") + SQLStatementOf(grammar).Name());
    return *statement;
}

std::unique_ptr<TMySqlGrammar> Parse(std::string_view text) {
    return ParseMySql(text, pmStatements);
}

std::string Error(std::string_view text) {
    return SyntaxError(text, pmStatements);
}

std::vector<std::string> Columns(const TInsertStatement& insert) {
    rtl::TStringList list;
    if (auto* columns = insert.Children().Find<TInsertColumnList>()) columns->GetColumns(list);
    std::vector<std::string> columns;
    for (int i = 0; i < list.Count(); ++i)
        columns.push_back(list[i]);
    return columns;
}

// Each VALUES row as the texts of its items.
std::vector<std::vector<std::string>> Rows(const TInsertStatement& insert) {
    std::vector<std::vector<std::string>> rows;
    const auto* list = FindChildSymbol<TInsertValuesList>(insert);
    for (; list; list = list->Children().Find<TInsertValuesList>()) {
        std::vector<std::string> row;
        const auto* item = list->Children().Find<TInsertValuesItem>();
        if (auto* values = item->Children().Find<TInsertValuesExpressionList>()) {
            std::vector<TInsertValuesExpression*> expressions;
            values->GetExpressions(&expressions);
            for (TInsertValuesExpression* expression : expressions)
                row.push_back(Text(expression));
        }
        rows.push_back(row);
    }
    return rows;
}

// ---- INSERT and REPLACE

TEST(DataChangeGrammarTest, InsertValues) {
    auto grammar = Parse("INSERT INTO t (a, b) VALUES (1, 2), (3, DEFAULT)");
    auto& insert = SQLStatementAs<TMyInsertStatement>(*grammar);
    EXPECT_EQ(insert.GetTableName(), "t");
    EXPECT_THAT(Columns(insert), ElementsAre("a", "b"));
    EXPECT_EQ(Rows(insert), (std::vector<std::vector<std::string>>{{"1", "2"}, {"3", "DEFAULT"}}));
    // A written DEFAULT is an expression holding the DEFAULT value.
    auto* lastRow = FindChildSymbol<TInsertValuesList>(insert)->Children().Find<TInsertValuesList>();
    std::vector<TInsertValuesExpression*> items;
    Find<TInsertValuesExpressionList>(*lastRow).GetExpressions(&items);
    EXPECT_TRUE(items[1]->Children()[0]->Is<TExpression>());
    EXPECT_NE(FindChildSymbol<TLiteralDefault>(*items[1]), nullptr);
    EXPECT_THROW(Find<TInsertValuesExpressionList>(*lastRow).GetExpressions(nullptr), rtl::EAssertionFailed);
}

TEST(DataChangeGrammarTest, InsertForms) {
    auto replace = Parse("REPLACE t VALUES (1)");
    EXPECT_EQ(SQLStatementAs<TInsertStatement>(*replace).GetTableName(), "t");
    EXPECT_TRUE(Columns(SQLStatementAs<TInsertStatement>(*replace)).empty());

    auto select = Parse("INSERT INTO db.t SELECT a FROM u");
    auto& fromQuery = SQLStatementAs<TInsertStatement>(*select);
    EXPECT_EQ(fromQuery.GetTableName(), "db.t");
    EXPECT_NE(FindChildSymbol<TSelectStatement>(fromQuery), nullptr);
    EXPECT_EQ(FindChildSymbol<TInsertValuesList>(fromQuery), nullptr);

    auto parenthesised = Parse("INSERT INTO t (a) (SELECT 1)");
    EXPECT_THAT(Columns(SQLStatementAs<TInsertStatement>(*parenthesised)), ElementsAre("a"));

    // The server also takes VALUE and an empty row.
    auto value = Parse("INSERT INTO t VALUE (1, 'x')");
    EXPECT_EQ(Rows(SQLStatementAs<TInsertStatement>(*value)),
              (std::vector<std::vector<std::string>>{{"1", "'x'"}}));
    auto empty = Parse("INSERT INTO t VALUES ()");
    EXPECT_EQ(Rows(SQLStatementAs<TInsertStatement>(*empty)), (std::vector<std::vector<std::string>>{{}}));

    EXPECT_THAT(Error("INSERT INTO t VALUES (1,)"), HasSubstr("near ')'"));
    EXPECT_THAT(Error("INSERT INTO t VALUES (1), "), HasSubstr("near ''"));
}

TEST(DataChangeGrammarTest, MySqlInsertOptionsSetFormAndOnDuplicateKey) {
    auto grammar =
        Parse("INSERT DELAYED IGNORE INTO t SET a = 1, b = DEFAULT ON DUPLICATE KEY UPDATE a = a + 1");
    auto& insert = SQLStatementAs<TMyInsertStatement>(*grammar);
    EXPECT_EQ(Text(insert.Children().Find<TMySqlInsertPriority>()), "DELAYED");
    EXPECT_NE(FindChildSymbol<TMySqlInsertSetClause>(insert), nullptr);
    auto& tail = Find<TMyInsertStatementTail>(insert);
    EXPECT_EQ(Text(&tail), "ONDUPLICATEKEYUPDATEa=a+1");
    EXPECT_TRUE(tail.InheritsFrom(TInsertStatementTail::StaticClass()));

    auto values = Parse("INSERT INTO t (id, n) VALUES (1, 2) ON DUPLICATE KEY UPDATE n = VALUES(n), id = id");
    EXPECT_NE(FindChildSymbol<TMySqlInsertOnDuplicate>(SQLStatementOf(*values)), nullptr);
    auto selected = Parse("INSERT LOW_PRIORITY INTO t SELECT a FROM u ON DUPLICATE KEY UPDATE a = 1");
    EXPECT_NE(FindChildSymbol<TMySqlInsertOnDuplicate>(SQLStatementOf(*selected)), nullptr);
    EXPECT_THAT(Error("INSERT IGNORE DELAYED INTO t VALUES (1)"), HasSubstr("near 'DELAYED'"));
}

// ---- UPDATE

TEST(DataChangeGrammarTest, UpdateStatements) {
    auto grammar = Parse("UPDATE t SET a = a + 1, b = DEFAULT WHERE id = 5");
    auto& update = SQLStatementAs<TMyUpdateStatement>(*grammar);
    auto& set = Find<TUpdateSetClause>(update);
    EXPECT_EQ(Text(&set), "SETa=a+1,b=DEFAULT");
    EXPECT_EQ(Text(update.Children().Find<TUpdateWhereClause>()), "WHEREid=5");

    auto joined = Parse("UPDATE t1, t2 SET t1.a = t2.b");
    auto& item = Find<TColumnExpressionItem>(SQLStatementOf(*joined));
    EXPECT_EQ(Text(item.Children()[0]), "t1.a");
    EXPECT_TRUE(item.Children()[0]->Is<TReceiverColumnReference>());

    auto options = Parse("UPDATE LOW_PRIORITY IGNORE t SET a = 1 ORDER BY id DESC LIMIT 1");
    auto& mysql = SQLStatementAs<TMyUpdateStatement>(*options);
    EXPECT_EQ(Text(mysql.Children().Find<TMyUpdateOptions>()), "LOW_PRIORITYIGNORE");
    EXPECT_EQ(Text(mysql.Children().Find<TMyUpdateStatementTail>()), "ORDERBYidDESCLIMIT1");

    auto join = Parse("UPDATE t AS a JOIN u b ON b.id = a.id SET a.x = b.x WHERE b.y > 0");
    EXPECT_NE(FindChildSymbol<TJoinedTable>(SQLStatementOf(*join)), nullptr);
    EXPECT_THAT(Error("UPDATE t SET a = 1,"), HasSubstr("near ''"));
}

// ---- DELETE

TEST(DataChangeGrammarTest, DeleteStatements) {
    auto grammar = Parse("DELETE FROM t WHERE id = 5");
    auto& remove = SQLStatementAs<TMyDeleteStatement>(*grammar);
    EXPECT_EQ(Text(remove.Children().Find<TWhereClause>()), "WHEREid=5");
    EXPECT_TRUE(remove.Children().Find<TFromClause>()->Is<TMyDeleteFromClause>());
    EXPECT_EQ(Error("DELETE FROM t"), "");

    auto multi = Parse("DELETE LOW_PRIORITY QUICK t1 FROM t1 USING t1, t2 WHERE t1.id = t2.id");
    auto& head = Find<TMyDeleteStatementHead>(SQLStatementOf(*multi));
    EXPECT_EQ(Text(head.Children().Find<TMyDeleteOptions>()), "LOW_PRIORITYQUICK");
    EXPECT_EQ(Text(head.Children().Find<TColumnReferenceList>()), "t1");
    auto& usingClause = Find<TMyDeleteUsingClause>(SQLStatementOf(*multi));
    EXPECT_EQ(Text(&usingClause), "USINGt1,t2");
    EXPECT_TRUE(usingClause.InheritsFrom(TDeleteUsingClause::StaticClass()));

    auto ordered = Parse("DELETE FROM t ORDER BY id LIMIT 5");
    EXPECT_EQ(Text(SQLStatementAs<TMyDeleteStatement>(*ordered).Children().Find<TMyDeleteStatementTail>()),
              "ORDERBYidLIMIT5");

    auto joined = Parse("DELETE l, i FROM log l INNER JOIN items i ON i.id = l.item WHERE i.qty = 0");
    EXPECT_EQ(
        Text(Find<TMyDeleteStatementHead>(SQLStatementOf(*joined)).Children().Find<TColumnReferenceList>()),
        "l,i");
    EXPECT_THAT(Error("DELETE t"), HasSubstr("near ''"));
}

// ---- SELECT

// The options parse in the order of the rule only, although the server takes any order.
TEST(DataChangeGrammarTest, SelectOptionsComeInTheirOrder) {
    EXPECT_THAT(Error("SELECT SQL_CALC_FOUND_ROWS DISTINCTROW a FROM t LIMIT 10"),
                HasSubstr("near 'DISTINCTROW'"));
    EXPECT_EQ(Error("SELECT DISTINCTROW HIGH_PRIORITY STRAIGHT_JOIN SQL_SMALL_RESULT SQL_BIG_RESULT "
                    "SQL_BUFFER_RESULT "
                    "SQL_NO_CACHE SQL_CALC_FOUND_ROWS a FROM t LIMIT 10"),
              "");
    EXPECT_THAT(Error("SELECT SQL_NO_CACHE HIGH_PRIORITY a"), HasSubstr("near 'HIGH_PRIORITY'"));
    auto distinct = Parse("SELECT DISTINCTROW SQL_CALC_FOUND_ROWS a FROM t");
    EXPECT_EQ(Text(&Find<TMySqlRestriction>(SQLStatementOf(*distinct))), "DISTINCTROWSQL_CALC_FOUND_ROWS");
}

TEST(DataChangeGrammarTest, SelectClausesOfTheDialect) {
    struct TCase {
        const char* text;
        const TSymbolClass* shows; // a production the tree must hold
    } cases[] = {
        {"SELECT a FROM t GROUP BY a WITH ROLLUP", &TWithRollupOpt::StaticClass()},
        {"SELECT a INTO x FROM t", &TIntoClause::StaticClass()},
        {"SELECT a FROM t INTO x", &TMyFinishIntoClause::StaticClass()},
        {"SELECT a FROM t ORDER BY a LIMIT 1 INTO x", &TMyFinishIntoClause::StaticClass()},
        {"SELECT * FROM t USE INDEX (i1, i2) IGNORE KEY FOR ORDER BY (i3)",
         &TgrmMyIndexHintListTail::StaticClass()},
        {"SELECT * FROM t AS x FORCE INDEX FOR JOIN (PRIMARY) WHERE a = 1", &TgrmMyIndexHint::StaticClass()},
        {"SELECT * FROM t USE INDEX ()", &TgrmMyIndexHint::StaticClass()},
        {"SELECT * FROM a STRAIGHT_JOIN b ON a.id = b.id", &TStraightJoinVariant::StaticClass()},
        {"SELECT * FROM a STRAIGHT_JOIN b", &TStraightJoinVariant::StaticClass()},
        {"SELECT * FROM t = x", &TMyAliasID::StaticClass()},
        {"SELECT a FROM t WHERE a = 1 FOR UPDATE", &TMySelectLockingClause::StaticClass()},
        {"SELECT a FROM t LOCK IN SHARE MODE", &TMySelectLockingClause::StaticClass()},
        {"SELECT a FROM t FOR UPDATE NOWAIT", &TMySelectLockingWait::StaticClass()},
        {"SELECT a FROM t FOR UPDATE WAIT 5", &TMySelectWaitSeconds::StaticClass()},
        {"SELECT a FROM t LOCK IN SHARE MODE SKIP LOCKED", &TMySelectLockingWait::StaticClass()},
        {"SELECT a FROM t LIMIT 1 FOR UPDATE INTO x", &TMyFinishIntoClause::StaticClass()},
        {"SELECT a FROM t WHERE a IN (SELECT b FROM u LIMIT 1)", &TLimitClause::StaticClass()},
        {"SELECT a FROM t UNION (SELECT b FROM u)", &TMySubSelectStatement::StaticClass()},
    };
    for (const TCase& c : cases) {
        auto grammar = Parse(c.text);
        EXPECT_TRUE(SQLStatementOf(*grammar).Is<TMySelectStatement>()) << c.text;
        EXPECT_NE(FindChildSymbol(SQLStatementOf(*grammar), *c.shows), nullptr)
            << c.text << ": " << c.shows->Name;
    }
    EXPECT_THAT(Error("SELECT a FROM t FOR UPDATE LIMIT 1"), HasSubstr("near 'LIMIT'"));
}

TEST(DataChangeGrammarTest, AliasAfterEqualsSign) {
    auto grammar = Parse("SELECT * FROM t = x JOIN u AS y");
    std::vector<std::string> aliases;
    struct TAliases : TSQLProductionVisitor {
        std::vector<std::string>* aliases;
        void VisitTableFactor_01(TSQLProduction* production) override {
            aliases->push_back(static_cast<TTableFactor_01*>(production)->GetAlias());
        }
    } visitor;
    visitor.aliases = &aliases;
    grammar->Accept(visitor);
    EXPECT_THAT(aliases, ElementsAre("x", "y"));
}

} // namespace
} // namespace parser
