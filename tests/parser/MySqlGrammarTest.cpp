#include "SQLTreeTesting.h"

#include "parser/uSQLQueries.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace parser::testing {
namespace {

using ::testing::ElementsAre;

// ---- values

struct ValueCase {
    const char* text;
    const TSymbolClass* matched; // what the value's choice took
};

class MySqlValue : public ::testing::TestWithParam<ValueCase> {};

TEST_P(MySqlValue, Alternative) {
    auto grammar = ParseMySql(GetParam().text);
    auto& value = Find<TValue>(*grammar);
    ASSERT_EQ(value.Children().Count(), 1);
    EXPECT_STREQ(value.Children()[0]->Name(), GetParam().matched->Name);
}

const ValueCase kValues[] = {
    {"0x1F", &THexadecimalTerminal::StaticClass()},
    {"b'101'", &TBinaryTerminal::StaticClass()},
    {"12.5", &TNumericTerminal::StaticClass()},
    {"NULL", &TConstantValue::StaticClass()},
    {"TRUE", &TConstantValue::StaticClass()},
    {"UNKNOWN", &TConstantValue::StaticClass()},
    {"DEFAULT", &TConstantValue::StaticClass()},
    {"'text'", &TConstantValue::StaticClass()},
    {"_utf8mb4'x'", &TConstantValue::StaticClass()},
    {"name", &TColumnReference::StaticClass()},
    {"`order`", &TColumnReference::StaticClass()},
    {"db.t.col", &TColumnReference::StaticClass()},
    {"t.*", &TColumnReference::StaticClass()},
    {"@@global.x", &TColumnReference::StaticClass()},
    {"(x)", &TTuple::StaticClass()},
    {"(SELECT x FROM t)", &TTuple::StaticClass()},
    {"LEFT(s, 2)", &TFunction::StaticClass()},
    {"REPLACE(s, 'a', 'b')", &TFunction::StaticClass()},
    {"db.myfunc(1)", &TFunction::StaticClass()},
    {"CASE x WHEN 1 THEN 'p' WHEN 2 THEN 'q' ELSE 'r' END", &TCaseClause::StaticClass()},
    {"EXISTS (SELECT 1)", &TSubQuery::StaticClass()},
    {"CAST(x AS CHAR)", &TMySqlCast::StaticClass()},
    {"BINARY s", &TMySqlCast::StaticClass()},
    {":param", &TQueryParameter::StaticClass()},
    {"@a := 5", &TgrmAssignationExpression::StaticClass()},
    {"INTERVAL 1 DAY", &TgrmDateTimeInterval::StaticClass()},
    {"GROUP_CONCAT(DISTINCT a ORDER BY a SEPARATOR ';')", &TMyGroupConcat::StaticClass()},
    {"SUBSTRING(s FROM 2 FOR 3)", &TgrmMySpecialFunction::StaticClass()},
    {"VALUES(col)", &TgrmMySpecialFunction::StaticClass()},
};

INSTANTIATE_TEST_SUITE_P(Cases, MySqlValue, ::testing::ValuesIn(kValues));

TEST(MySqlValues, NamesAreOneDottedIdentifier) {
    auto grammar = ParseMySql("db.t.col");
    auto& reference = Find<TColumnReference>(*grammar);
    EXPECT_NE(dynamic_cast<TIdentifier*>(reference.Children()[0]), nullptr);
    EXPECT_NE(FindChildSymbol<TArrayCell>(*ParseMySql("arr[3]")), nullptr);
}

TEST(MySqlValues, Tuples) {
    auto one = ParseMySql("(x)");
    auto& tuple = Find<TTuple>(*one);
    ASSERT_TRUE(tuple.IsExpressionTuple());
    std::vector<TExpression*> list;
    tuple.GetExpressionList()->GetExpressions(&list);
    EXPECT_EQ(list.size(), 1u);

    auto select = ParseMySql("(SELECT 1)");
    EXPECT_FALSE(Find<TTuple>(*select).IsExpressionTuple());
    EXPECT_EQ(Find<TTuple>(*select).GetExpressionList(), nullptr);
}

TEST(MySqlValues, FunctionCalls) {
    auto grammar = ParseMySql("db.myfunc(1, a + 2)");
    auto& call = Find<TFunction>(*grammar);
    EXPECT_EQ(call.GetName(), "db.myfunc");
    std::vector<TExpression*> arguments;
    call.GetArguments(&arguments);
    ASSERT_EQ(arguments.size(), 2u);
    EXPECT_EQ(Text(arguments[1]), "a+2");

    auto now = ParseMySql("NOW()");
    arguments.clear();
    Find<TFunction>(*now).GetArguments(&arguments);
    EXPECT_TRUE(arguments.empty());

    auto count = ParseMySql("COUNT(DISTINCT x)");
    EXPECT_NE(FindChildSymbol<TAggregateOption>(*count), nullptr);
    EXPECT_EQ(SyntaxError("COUNT(*)"), "");
    EXPECT_THROW(Find<TFunction>(*count).GetArguments(nullptr), rtl::EAssertionFailed);
}

TEST(MySqlValues, CaseForms) {
    auto searched = ParseMySql("CASE WHEN x THEN 1 END");
    EXPECT_EQ(Find<TCaseClause>(*searched).Children().Count(), 3);
    auto simple = ParseMySql("CASE x WHEN 1 THEN 'p' WHEN 2 THEN 'q' ELSE 'r' END");
    auto& clause = Find<TCaseClause>(*simple);
    ASSERT_EQ(clause.Children().Count(), 5);
    auto& chain = Find<TCaseWhenChain>(clause);
    EXPECT_NE(chain.Children().Find<TCaseWhenChain>(), nullptr) << "the second branch nests";
    EXPECT_NE(dynamic_cast<TCaseElse*>(clause.Children()[3]), nullptr);
}

TEST(MySqlValues, Rejected) {
    EXPECT_NE(SyntaxError("EXISTS 1"), "");
    EXPECT_NE(SyntaxError("order"), "") << "a reserved word is no name";
}

// ---- casts

TEST(MySqlCasts, TargetTypes) {
    auto cast = ParseMySql("CAST(x AS CHAR)");
    auto& standard = Find<TStandardCast>(*cast);
    EXPECT_EQ(Text(standard.GetCastExpression()), "x");
    core::TDatatypeCharacteristics type = standard.GetCastType();
    EXPECT_EQ(type.DataType, core::dtString);
    EXPECT_EQ(type.Length, -1);

    auto convert = ParseMySql("CONVERT(x, DECIMAL(10,2))");
    EXPECT_EQ(Find<TgrmConvert>(*convert).GetCastType().Scale, 2);

    auto binary = ParseMySql("BINARY 'a' = 'A'");
    auto& toBinary = Find<TgrmConvertToBinaryString>(*binary);
    EXPECT_EQ(toBinary.GetCastType().CodePage, -1);
    EXPECT_EQ(Text(toBinary.GetCastExpression()), "'a'");
    EXPECT_NE(FindChildSymbol<TComparisonExp>(*binary), nullptr) << "BINARY takes the value only";
}

TEST(MySqlCasts, ConvertUsing) {
    for (const char* charset : {"utf8", "utf8mb4", "utf8mb3"}) {
        auto grammar = ParseMySql(std::string("CONVERT(x USING ") + charset + ")");
        auto& convert = Find<TgrmConvertCharset>(*grammar);
        EXPECT_EQ(convert.GetCastType().CodePage, 65001) << charset;
        EXPECT_EQ(convert.GetCastType().Length, -1);
        EXPECT_EQ(Text(convert.GetCastExpression()), "x");
    }
    auto latin = ParseMySql("CONVERT(x USING latin1)");
    EXPECT_EQ(Find<TgrmConvertCharset>(*latin).GetCastType().CodePage, 1252);

    auto unknown = ParseMySql("CONVERT(x USING nosuch)");
    try {
        Find<TgrmConvertCharset>(*unknown).GetCastType();
        ADD_FAILURE();
    } catch (const rtl::Exception& e) {
        EXPECT_EQ(e.Message(), "Unknown character set nosuch");
    }
}

TEST(MySqlCasts, CastsVisitAsCasts) {
    struct TCasts : TSQLProductionVisitor {
        std::vector<std::string> seen;
        void VisitGrmCustomTypeCast(TSQLProduction* p) override { seen.push_back(p->Name()); }
    } visitor;
    ParseMySql("CAST(a AS SIGNED) + CONVERT(b, CHAR) + CONVERT(c USING utf8) + BINARY d")->Accept(visitor);
    EXPECT_THAT(visitor.seen, ElementsAre("TStandardCast", "TgrmConvert", "TgrmConvertCharset",
                                          "TgrmConvertToBinaryString"));
}

// ---- string literals

TEST(MySqlStringLiterals, IntroducerAndCollation) {
    auto grammar = ParseMySql("_latin1 'abc' COLLATE latin1_bin");
    auto& literal = Find<TMyStringLiteral>(*grammar);
    ASSERT_EQ(literal.Children().Count(), 3);
    EXPECT_EQ(Text(literal.Children()[0]), "_latin1");
    EXPECT_EQ(Text(literal.GetTextTerminal()), "'abc'");
    EXPECT_NE(dynamic_cast<TMyStringLiteralCollation*>(literal.Children()[2]), nullptr);

    for (const char* text : {"_utf8'x'", "_UTF8MB4 'x'", "_utf8mb3'x'", "_binary 'x'"}) {
        auto introduced = ParseMySql(text);
        EXPECT_EQ(Find<TMyStringLiteral>(*introduced).Children().Count(), 2) << text;
    }
}

// ---- special functions and operators

TEST(MySqlSpecialFunctions, ServerSideForms) {
    struct TServerSide : TSQLProductionVisitor {
        std::vector<std::string> seen;
        void VisitGrmServerSideExpression(TSQLProduction* p) override { seen.push_back(p->Name()); }
    };
    const std::pair<const char*, const char*> cases[] = {
        {"SUBSTRING(s FROM 2 FOR 3)", "TgrmSubstringFunc"},
        {"SUBSTRING(s, 2, 3)", "TgrmSubstringFunc"},
        {"SUBSTR(s FROM 2)", "TgrmSubstringFunc"},
        {"TRIM(LEADING 'x' FROM s)", "TgrmTrimFunc"},
        {"TRIM('x' FROM s)", "TgrmTrimFunc"},
        {"TRIM(LEADING FROM s)", "TgrmTrimFunc"},
        {"TRIM(s)", "TgrmTrimFunc"},
        {"POSITION('b' IN s)", "TgrmPositionFunc"},
        {"CHAR(65, 66 USING utf8mb4)", "TgrmCharFunc"},
        {"EXTRACT(YEAR_MONTH FROM d)", "TgrmExtractFunc"},
    };
    for (const auto& [text, cls] : cases) {
        TServerSide visitor;
        ParseMySql(text)->Accept(visitor);
        EXPECT_THAT(visitor.seen, ElementsAre(cls)) << text;
    }
}

TEST(MySqlSpecialFunctions, GroupConcatAndValues) {
    auto grammar = ParseMySql("GROUP_CONCAT(DISTINCT a ORDER BY a SEPARATOR ';')");
    auto& concat = Find<TMyGroupConcat>(*grammar);
    EXPECT_EQ(Text(concat.Children().Find<TMyGroupConcatExpressionList>()), "DISTINCTa");
    EXPECT_NE(concat.Children().Find<TOrderClause>(), nullptr);
    EXPECT_NE(concat.Children().Find<TMyGroupConcatSeparatorClause>(), nullptr);

    auto values = ParseMySql("VALUES(col) + 1");
    EXPECT_NE(FindChildSymbol<TgrmValuesFunc>(*values), nullptr);
}

TEST(MySqlOperators, NullSafeEquality) {
    auto grammar = ParseMySql("a <=> b");
    auto& comparison = Find<TComparisonExp>(*grammar);
    EXPECT_NE(dynamic_cast<TMyComparsionOperator*>(comparison.Children()[1]), nullptr);
    EXPECT_EQ(Text(comparison.Children()[1]), "<=>");
}

} // namespace
} // namespace parser::testing
