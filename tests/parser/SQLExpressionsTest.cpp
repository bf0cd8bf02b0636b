#include "SQLTreeTesting.h"

#include "parser/uSQLQueries.h"
#include "support/TestServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace parser::testing {
namespace {

// ---- the shapes the compilers read

TEST(SQLExpressionTree, SubtractionChainNestsToTheLeft) {
    auto grammar = ParseMySql("10 - 5 - 2");
    auto& outer = Find<TAddBinaryExp>(*grammar);
    ASSERT_EQ(outer.Children().Count(), 3);
    EXPECT_EQ(Text(outer.Children()[1]), "-");
    EXPECT_EQ(Text(outer.Children()[2]), "2");
    auto* inner = dynamic_cast<TAddBinaryExp*>(outer.Children()[0]);
    ASSERT_NE(inner, nullptr) << "the left operand is the first subtraction";
    EXPECT_EQ(Text(inner->Children()[0]), "10");
    EXPECT_EQ(Text(inner->Children()[1]), "-");
    EXPECT_EQ(Text(inner->Children()[2]), "5");
}

TEST(SQLExpressionTree, DivisionThenMultiplicationNestsToTheLeft) {
    auto grammar = ParseMySql("x / y * z");
    auto& outer = Find<TMultExp_01>(*grammar);
    EXPECT_EQ(Text(outer.Children()[1]), "*");
    auto* inner = dynamic_cast<TMultExp_01*>(outer.Children()[0]);
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(Text(inner), "x/y");
    EXPECT_EQ(Text(outer.Children()[2]), "z");
}

TEST(SQLExpressionTree, SignedAndPlainOperands) {
    auto negated = ParseMySql("-x");
    auto& negate = Find<TNegateExp>(*negated);
    ASSERT_EQ(negate.Children().Count(), 2);
    EXPECT_EQ(Text(negate.Children()[0]), "-");
    EXPECT_EQ(Text(negate.Children()[1]), "x");

    auto plain = ParseMySql("x");
    EXPECT_EQ(Find<TNegateExp>(*plain).Children().Count(), 1);

    auto positive = ParseMySql("+x");
    EXPECT_EQ(Find<TPositiveExp>(*positive).Children().Count(), 2);

    auto inverted = ParseMySql("~x");
    EXPECT_EQ(Find<TBitUnaryExp>(*inverted).Children().Count(), 2);
}

TEST(SQLExpressionTree, RepeatedPrefixesNest) {
    auto twice = ParseMySql("- -x");
    auto& outer = Find<TNegateExp>(*twice);
    ASSERT_EQ(outer.Children().Count(), 2);
    auto* inner = dynamic_cast<TNegateExp*>(outer.Children()[1]);
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(inner->Children().Count(), 2);

    auto notNot = ParseMySql("NOT NOT x");
    auto& notExp = Find<TNotExp>(*notNot);
    ASSERT_EQ(notExp.Children().Count(), 2);
    EXPECT_EQ(Text(notExp.Children()[0]), "NOT");
    auto* innerNot = dynamic_cast<TNotExp*>(notExp.Children()[1]);
    ASSERT_NE(innerNot, nullptr);
    EXPECT_EQ(innerNot->Children().Count(), 2);
}

TEST(SQLExpressionTree, BangIsANotOfTheValue) {
    auto grammar = ParseMySql("!x + 1");
    auto& sum = Find<TAddBinaryExp>(*grammar);
    auto* bang = FindChildSymbol<TNotExp>(sum);
    ASSERT_NE(bang, nullptr);
    ASSERT_EQ(bang->Children().Count(), 2);
    EXPECT_EQ(Text(bang->Children()[0]), "!");
}

TEST(SQLExpressionTree, IsNotNull) {
    auto grammar = ParseMySql("x IS NOT NULL");
    auto& is = Find<TIsExp>(*grammar);
    EXPECT_TRUE(is.IsNegated());
    EXPECT_EQ(Text(is.GetOperator()), "NULL");
    EXPECT_EQ(Text(is.GetOperand()), "x");

    auto lower = ParseMySql("x is null");
    auto& plain = Find<TIsExp>(*lower);
    EXPECT_FALSE(plain.IsNegated());
    EXPECT_EQ(Text(plain.GetOperator()), "null");
}

TEST(SQLExpressionTree, InWithAList) {
    auto grammar = ParseMySql("x NOT IN (1, 2)");
    auto& in = Find<TInExp>(*grammar);
    EXPECT_TRUE(in.IsNegated());
    EXPECT_TRUE(in.IsExpressionTuple());
    ASSERT_NE(in.GetValues(), nullptr);
    std::vector<TExpression*> values;
    in.GetValues()->GetExpressions(&values);
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(Text(values[0]), "1");
    EXPECT_EQ(Text(values[1]), "2");
}

TEST(SQLExpressionTree, InWithASubSelect) {
    auto grammar = ParseMySql("x IN (SELECT y FROM t)");
    auto& in = Find<TInExp>(*grammar);
    EXPECT_FALSE(in.IsNegated());
    EXPECT_FALSE(in.IsExpressionTuple());
    EXPECT_EQ(in.GetValues(), nullptr);
    EXPECT_NE(FindChildSymbol<TSelectStatement>(in), nullptr);
}

TEST(SQLExpressionTree, ChildLayoutsOfPredicates) {
    auto between = ParseMySql("x NOT BETWEEN 1 AND 5");
    auto& b = Find<TBetweenExp>(*between);
    ASSERT_EQ(b.Children().Count(), 6);
    EXPECT_EQ(Text(b.Children()[1]), "NOT");
    EXPECT_EQ(Text(b.Children()[3]), "1");
    EXPECT_EQ(Text(b.Children()[5]), "5");

    auto like = ParseMySql("name NOT LIKE 'a%' ESCAPE '!'");
    auto& l = Find<TgrmLikeExp>(*like);
    ASSERT_EQ(l.Children().Count(), 5);
    EXPECT_EQ(Text(l.Children()[0]), "name");
    EXPECT_EQ(Text(l.Children()[1]), "NOT");
    EXPECT_EQ(Text(l.Children()[2]), "LIKE");
    EXPECT_EQ(Text(l.Children()[3]), "'a%'");
    EXPECT_NE(dynamic_cast<TEscape*>(l.Children()[4]), nullptr);

    auto assign = ParseMySql("@a := 1 + 2");
    auto& a = Find<TgrmAssignationExpression>(*assign);
    EXPECT_EQ(a.GetName(), "@a");
    EXPECT_EQ(Text(a.GetExpression()), "1+2");
}

TEST(SQLExpressionTree, LikePatternNamesAVariable) {
    // The variable finder rewrites identifier terminals; a pattern read as a string would reach
    // the server as an unknown column.
    auto grammar = ParseMySql("name LIKE p_name AND x = 1");
    auto& like = Find<TgrmLikeExp>(*grammar);
    EXPECT_EQ(FindChildSymbol<TStringLiteral>(like), nullptr);
    auto* name = FindChildSymbol<TIdentifierTerminal>(*dynamic_cast<TProduction*>(like.Children()[2]));
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(Text(name), "p_name");
    EXPECT_NE(FindChildSymbol<TAndOperation>(*grammar), nullptr) << "AND is not part of the pattern";
}

TEST(SQLExpressionTree, IntervalArithmetic) {
    auto grammar = ParseMySql("d + INTERVAL 1 DAY + 1");
    auto& sum = Find<TAddBinaryExp>(*grammar);
    EXPECT_NE(dynamic_cast<TgrmDateTimeBinaryExp*>(sum.Children()[0]), nullptr);
    EXPECT_EQ(Text(sum.Children()[2]), "1");
}

TEST(SQLExpressionTree, CursorAfterAnOperatorAsksForAnOperand) {
    TRootedMySqlGrammar grammar;
    grammar.root = &TExpression::StaticClass();
    GrammarParserCache().GetParser<TMySqlGrammar>().Tokenize(grammar.Tokens(), u"x = ");
    auto* cursor = grammar.Tokens().InsertToken<TCursorToken>(grammar.Tokens().Count() - 1);
    grammar.SetTolerant(true);
    TTokenIterator iterator(grammar.Tokens());
    Match(grammar, iterator);
    std::vector<std::string> tried;
    for (TSymbol* symbol : cursor->Symbols())
        tried.push_back(symbol->Name());
    EXPECT_THAT(tried, ::testing::Contains("TPredicateExp"));
}

// ---- precedence: the grouping the tree gives, as the server groups it

struct GroupingCase {
    const char* text;
    const char* grouped;
};

class SQLExpressionGrouping : public ::testing::TestWithParam<GroupingCase> {};

TEST_P(SQLExpressionGrouping, MatchesTheServer) {
    EXPECT_EQ(GroupedExpression(GetParam().text), GetParam().grouped);
}

const GroupingCase kGroupings[] = {
    {"6 & 4 = 4", "((6 & 4) = 4)"},
    {"@x = 1 | 2", "(@x = (1 | 2))"},
    {"2 ^ 3 * 2", "((2 ^ 3) * 2)"},
    {"1 << 1 << 2", "((1 << 1) << 2)"},
    {"0 & 1 | 1", "((0 & 1) | 1)"},
    {"!0 + 1", "((! 0) + 1)"},
    {"1 + 2 << 1", "((1 + 2) << 1)"},
    {"- 2 ^ 2", "((- 2) ^ 2)"},
    {"a OR b XOR c", "(a OR (b XOR c))"},
    {"a XOR b OR c", "((a XOR b) OR c)"},
    {"a || b && c", "(a || (b && c))"},
    {"NOT a = b", "(NOT (a = b))"},
    {"NOT a AND b", "((NOT a) AND b)"},
    {"x = y = z", "((x = y) = z)"},
    {"x BETWEEN 1 AND 5 AND y", "((x BETWEEN 1 AND 5) AND y)"},
    {"5 BETWEEN 1 AND 10 BETWEEN 1 AND 1", "(5 BETWEEN 1 AND (10 BETWEEN 1 AND 1))"},
    {"x = 1 IN (1)", "(x = (1 IN (1)))"},
    {"x IS NULL = 0", "((x IS NULL) = 0)"},
    {"a LIKE b LIKE c", "((a LIKE b) LIKE c)"},
    {"a MOD 3 * 2 DIV 4 % 5", "((((a MOD 3) * 2) DIV 4) % 5)"},
    {"x%2", "(x % 2)"},
    {"a <=> b", "(a <=> b)"},
    {"(a + b) * c", "((a + b) * c)"},
    {"@a := 1 OR 0", "@a := 1 OR 0"},
};

INSTANTIATE_TEST_SUITE_P(Cases, SQLExpressionGrouping, ::testing::ValuesIn(kGroupings));

// The server decides: an expression and its grouped form must give the same result.
TEST(SQLExpressionServer, GroupingGivesTheServersResults) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    testsupport::RawSession session(settings);
    session.Execute("SET @x = 0, @y = 3");
    const char* expressions[] = {
        "6 & 4 = 4",
        "@x = 1 | 2",
        "2 ^ 3 * 2",
        "1 << 1 << 2",
        "0 & 1 | 1",
        "!0 + 1",
        "10 - 5 - 2",
        "8 / 4 / 2",
        "100 DIV 7 DIV 2",
        "17 % 5 % 3",
        "2 * 3 ^ 2",
        "1 + 2 << 1",
        "- 2 ^ 2",
        "~1 + 1",
        "- -1",
        "NOT NOT 1",
        "NOT 1 = 2",
        "1 AND NOT 0 XOR 1",
        "1 XOR 1 OR 1",
        "1 OR 1 XOR 1",
        "0 AND 0 OR 1",
        "2 | 1 & 3",
        "1 = 1 = 0",
        "1 < 2 < 1",
        "5 BETWEEN 1 AND 10 BETWEEN 1 AND 1",
        "'a' LIKE 'a' LIKE 1",
        "1 IN (1) IN (1)",
        "2 = 1 IN (1)",
        "@y IS NULL = 0",
        "3 - 1 IS TRUE",
        "@y + 1 BETWEEN 3 AND 5 = 1",
        "NULL <=> 1 = 0",
        "1 != 2 != 0",
        "!1 - 1",
        "~0 >> 62 & 3",
        "DATE('2020-01-01') + INTERVAL 1 DAY + 1",
    };
    for (const char* expression : expressions) {
        SCOPED_TRACE(expression);
        std::string grouped = GroupedExpression(expression);
        auto row = session.Query(std::string("SELECT ") + expression + ", " + grouped);
        ASSERT_EQ(row.size(), 1u);
        EXPECT_EQ(row[0][0], row[0][1]) << grouped;
    }
}

// ---- what does not match

TEST(SQLExpressionTree, Rejected) {
    EXPECT_EQ(SyntaxError("1 = NOT 0"), "You have an error in your syntax near 'NOT' at line 1");
    EXPECT_EQ(SyntaxError("x IS NOT DISTINCT FROM y"),
              "You have an error in your syntax near 'DISTINCT' at line 1");
    EXPECT_EQ(SyntaxError("1 +"), "You have an error in your syntax near '' at line 1");
    EXPECT_EQ(SyntaxError("SET x = 1"), "You have an error in your syntax near 'SET' at line 1");
}

TEST(SQLExpressionTree, DistinctFrom) {
    auto grammar = ParseMySql("x IS DISTINCT FROM y");
    EXPECT_EQ(Find<TDistinctExp>(*grammar).Children().Count(), 5);
}

} // namespace
} // namespace parser::testing
