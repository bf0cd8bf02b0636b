#include "SQLTreeTesting.h"

#include "parser/uSQLQueries.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace parser::testing {
namespace {

using ::testing::ElementsAre;

std::unique_ptr<TMySqlGrammar> ParseQuery(std::string_view text) {
    return ParseMySql(text, pmDefault);
}

TEST(SQLQuery, UnionChainWithOrderOnTheWhole) {
    auto grammar = ParseQuery("SELECT a FROM t UNION ALL SELECT b FROM u ORDER BY 1");
    auto& select = Find<TSelectStatement>(*grammar);
    ASSERT_EQ(select.Children().Count(), 2);
    auto* chain = dynamic_cast<TUnionChain*>(select.Children()[0]);
    ASSERT_NE(chain, nullptr);
    EXPECT_NE(dynamic_cast<TOrderClause*>(select.Children()[1]), nullptr);

    auto& tail = Find<TUnionChainTail>(*chain);
    auto& op = Find<TUnionOperator>(tail);
    EXPECT_EQ(Text(&op), "UNIONALL");
    auto* rest = dynamic_cast<TUnionChain*>(tail.Children()[1]);
    ASSERT_NE(rest, nullptr);
    EXPECT_EQ(GetSourceText(*rest, true, false), "SELECT b FROM u");
}

TEST(SQLQuery, ParenthesisedQueriesInAChain) {
    // In mode 0 the text would be the expression "(SELECT a FROM t)" with text left over.
    auto grammar = ParseAs<TSelectStatement>("(SELECT a FROM t) UNION (SELECT b FROM u)");
    EXPECT_NE(FindChildSymbol<TSubSelectStatement>(*grammar), nullptr);
}

TEST(SQLQuery, ColumnsAndAliases) {
    auto grammar = ParseQuery("SELECT DISTINCT a AS x, b y, `c` AS `z`, * FROM t");
    auto& columns = Find<TColumns>(*grammar);
    EXPECT_NE(dynamic_cast<TRestriction*>(columns.Children()[0]), nullptr);

    std::vector<TColumnItem*> items;
    for (auto* list = &Find<TColumnList>(columns); list; list = list->Children().Find<TColumnList>())
        items.push_back(list->Children().Find<TColumnItem>());
    ASSERT_EQ(items.size(), 4u);
    // AS with a bare word reads the alias as a string literal.
    EXPECT_EQ(Text(&Find<TStringLiteral>(Find<TColumnItem_Sub_2>(*items[0]))), "x");
    EXPECT_EQ(Find<TAliasIdOpt>(*items[1]).GetAlias(), "y");
    EXPECT_EQ(Find<TAliasIdOpt>(*items[2]).GetAlias(), "`z`");
    EXPECT_NE(FindChildSymbol<TColumnSource>(*items[3]), nullptr) << "a star is an expression";
}

TEST(SQLQuery, IntoBeforeFrom) {
    auto grammar = ParseQuery("SELECT a, b INTO va, vb FROM t WHERE a > 0 GROUP BY a HAVING COUNT(*) > 1");
    auto& head = Find<TSelectStatementHead>(*grammar);
    EXPECT_NE(head.Children().Find<TIntoClause>(), nullptr);
    EXPECT_NE(head.Children().Find<TWhereClause>(), nullptr);
    EXPECT_NE(head.Children().Find<TGroupClause>(), nullptr);
    EXPECT_NE(head.Children().Find<THavingClause>(), nullptr);
    EXPECT_EQ(GetSourceText(Find<TIntoClause>(head), true, false), "INTO va, vb");
}

TEST(SQLQuery, JoinsWithOnAndUsing) {
    auto grammar =
        ParseQuery("SELECT * FROM t1 AS x JOIN t2 y ON x.id = y.id LEFT OUTER JOIN db.t3 USING (id)");
    auto& first = Find<TTableFactor_01>(*grammar);
    EXPECT_EQ(first.GetTableName(), "t1");
    EXPECT_EQ(first.GetAlias(), "x");

    auto& inner = Find<TInnerJoinVariant>(*grammar);
    EXPECT_NE(FindChildSymbol<TJoinCondition_01>(inner), nullptr);
    auto* joined = dynamic_cast<TTableFactor_01*>(inner.GetTableFactor()->Children()[0]);
    ASSERT_NE(joined, nullptr);
    EXPECT_EQ(joined->GetTableName(), "t2");
    EXPECT_EQ(joined->GetAlias(), "y");

    auto& outer = Find<TOuterJoinVariant>(*grammar);
    EXPECT_NE(FindChildSymbol<TJoinCondition_02>(outer), nullptr);
    ASSERT_NE(outer.GetTableFactor(), nullptr);
    EXPECT_EQ(Find<TTableFactor_01>(*outer.GetTableFactor()).GetTableName(), "db.t3");
}

TEST(SQLQuery, OuterJoinOfAJoinHasNoSingleFactor) {
    auto grammar = ParseQuery("SELECT * FROM t1 LEFT JOIN t2 JOIN t3 ON a ON b");
    EXPECT_EQ(Find<TOuterJoinVariant>(*grammar).GetTableFactor(), nullptr);
}

TEST(SQLQuery, JoinConditions) {
    // An outer join needs its condition.
    EXPECT_EQ(SyntaxError("SELECT a FROM t LEFT JOIN u", pmDefault),
              "You have an error in your syntax near '' at line 1");
    EXPECT_EQ(SyntaxError("SELECT a FROM t LEFT JOIN u ON 1", pmDefault), "");
    EXPECT_EQ(SyntaxError("SELECT a FROM t JOIN u", pmDefault), "");
    EXPECT_EQ(SyntaxError("SELECT a FROM t NATURAL LEFT JOIN u, v CROSS JOIN w", pmDefault), "");
}

TEST(SQLQuery, DerivedTable) {
    auto grammar = ParseQuery("SELECT * FROM (SELECT a /* all */\n FROM t) AS d WHERE d.a = 1");
    auto& derived = Find<TTableFactor_04>(*grammar);
    EXPECT_EQ(derived.GetAlias(), "d");
    EXPECT_EQ(derived.GetSelectText(), "SELECT a /* all */\n FROM t");

    EXPECT_NE(SyntaxError("SELECT * FROM (SELECT a FROM t)", pmDefault), "") << "the alias is required";
}

TEST(SQLQuery, OrderItems) {
    auto grammar = ParseQuery("SELECT a FROM t ORDER BY a DESC, b");
    auto& order = Find<TOrderClause>(*grammar);
    std::vector<std::string> items;
    for (auto* list = &Find<TOrderList>(order); list; list = list->Children().Find<TOrderList>())
        items.push_back(GetSourceText(*list->Children().Find<TOrderItem>(), true, false));
    EXPECT_THAT(items, ElementsAre("a DESC", "b"));
}

TEST(SQLQuery, LimitTakesNumbersAndRoutineVariables) {
    auto numbers = ParseAs<TLimitClause>("LIMIT 5 OFFSET 10");
    EXPECT_EQ(Text(&Find<TOffsetOperator>(*numbers)), "OFFSET");

    // The variable finder sees the names as identifiers, the numbers as numbers.
    auto variables = ParseAs<TLimitClause>("LIMIT p_offset, 20");
    struct TNames : TSQLProductionVisitor {
        std::vector<std::string> names, numbers;
        void VisitIdentifierTerminal(TIdentifierTerminal* t) override { names.push_back(Text(t)); }
        void VisitNumericTerminal(TNumericTerminal* t) override { numbers.push_back(Text(t)); }
    } visitor;
    variables->Accept(visitor);
    EXPECT_THAT(visitor.names, ElementsAre("p_offset"));
    EXPECT_THAT(visitor.numbers, ElementsAre("20"));
}

TEST(SQLQuery, TolerantCursorAfterFrom) {
    // Completion roots at statements; in mode 0 an empty expression would come first.
    TRootedMySqlGrammar grammar;
    grammar.root = &TSelectStatement::StaticClass();
    GrammarParserCache().GetParser<TMySqlGrammar>().Tokenize(grammar.Tokens(), u"SELECT a FROM ");
    auto* cursor = grammar.Tokens().InsertToken<TCursorToken>(grammar.Tokens().Count() - 1);
    grammar.SetTolerant(true);
    TTokenIterator iterator(grammar.Tokens());
    Match(grammar, iterator);
    std::vector<std::string> tried;
    for (TSymbol* symbol : cursor->Symbols())
        tried.push_back(symbol->Name());
    EXPECT_THAT(tried, ::testing::Contains("TFromTableReferenceList"));
}

} // namespace
} // namespace parser::testing
