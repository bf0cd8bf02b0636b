#include "engine/sql/uSQLWriter.h"
#include "support/ErrorText.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/uMySQLTypes.h"
#include "engine/model/uDataValueManager.h"
#include "engine/server/uDebugSQLWriter.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Utf.h"
#include "support/MariaDBConnection.h"
#include "support/TestServer.h"

namespace engine {
namespace {

using Expr = std::shared_ptr<IExpression>;

constexpr std::uint8_t kChar = 254;

const auto ErrorOf = testsupport::ErrorMessageOf;

// Builds expression trees over one value factory.
class TTrees {
public:
    explicit TTrees(core::TDataConverter* converter) : values_(converter) {}

    Expr Int(std::int64_t value) const { return std::make_shared<TLiteral>(values_.CreateInteger(value)); }
    Expr Str(const std::string& text) const {
        return std::make_shared<TLiteral>(values_.CreateString(text, 65001));
    }
    static Expr Null() { return std::make_shared<TLiteral>(core::NullDataValue()); }
    static Expr Op(const Expr& left, std::uint8_t op, const Expr& right) {
        return std::make_shared<TOperation>(op, left, right);
    }
    static Expr Brackets(const Expr& inner) { return std::make_shared<TBrackets>(inner); }
    static Expr Call(const std::string& name, const std::vector<Expr>& arguments) {
        auto call = std::make_shared<TFunctionCall>(name);
        for (const Expr& argument : arguments)
            call->GetArguments()->Add(argument);
        return call;
    }
    // CAST to CHAR, with the type text the compiler keeps.
    static Expr CastToChar(const Expr& inner, const std::string& typeText) {
        return std::make_shared<TTypeCast>(
            inner, core::MySQLTypeCharacteristics(kChar, {}, false, 65001, core::kCastNoLength, 0, typeText));
    }
    static Expr Case(const Expr& selector, const std::vector<std::pair<Expr, Expr>>& branches,
                     const Expr& otherwise) {
        auto node = std::make_shared<TCaseExpression>(selector, otherwise);
        for (const auto& [when, then] : branches)
            node->AddItem(when, then);
        return node;
    }
    std::shared_ptr<TVariable> Variable(const std::string& name, std::int64_t value) const {
        auto variable =
            std::make_shared<TVariable>(name, core::NullDataValue(), values_.CreateVariableValue(IntType()));
        variable->SetValue(values_.CreateInteger(value));
        return variable;
    }
    std::shared_ptr<TDBAVariable> Mirrored(const std::string& name, std::int64_t value) const {
        auto variable = std::make_shared<TDBAVariable>(name, core::NullDataValue(),
                                                       values_.CreateVariableValue(IntType()));
        variable->SetValue(values_.CreateInteger(value));
        return variable;
    }

private:
    static core::TDatatypeCharacteristics IntType() {
        return core::MySQLTypeCharacteristics(3, {}, false, -1, -1, 0, "");
    }

    TDataValueManager values_;
};

class SQLWriterTest : public testing::Test {
protected:
    SQLWriterTest() { converter.SetDefaultCodePage(65001); }

    core::TDataConverter converter;
    TTrees t{&converter};
};

TEST_F(SQLWriterTest, WritesEachFormWithOneBlankBetweenWords) {
    const struct {
        const char* expected;
        Expr tree;
    } cases[] = {
        {"5", t.Int(5)},
        {"NULL", TTrees::Null()},
        {"'it''s'", t.Str("it's")},
        {"7", t.Variable("v", 7)},
        {"f()", TTrees::Call("f", {})},
        {"f(1, 2)", TTrees::Call("f", {t.Int(1), t.Int(2)})},
        {"f(g(1), (2), NULL)",
         TTrees::Call("f", {TTrees::Call("g", {t.Int(1)}), TTrees::Brackets(t.Int(2)), TTrees::Null()})},
        {"CAST(5 AS CHAR)", TTrees::CastToChar(t.Int(5), "CHAR")},
        {"CAST((1 + 2) AS CHAR)",
         TTrees::CastToChar(TTrees::Brackets(TTrees::Op(t.Int(1), boAdd, t.Int(2))), "CHAR")},
        {"(1 + 2) * 3",
         TTrees::Op(TTrees::Brackets(TTrees::Op(t.Int(1), boAdd, t.Int(2))), boMultiply, t.Int(3))},
        {"((1))", TTrees::Brackets(TTrees::Brackets(t.Int(1)))},
        {"1 - -5", TTrees::Op(t.Int(1), boSubtract, t.Int(-5))},
        {"CASE 1 WHEN 1 THEN 'a' ELSE 'b' END", TTrees::Case(t.Int(1), {{t.Int(1), t.Str("a")}}, t.Str("b"))},
        {"CASE WHEN 1 > 0 THEN 2 WHEN NULL THEN 3 END",
         TTrees::Case(nullptr,
                      {{TTrees::Op(t.Int(1), boGreater, t.Int(0)), t.Int(2)}, {TTrees::Null(), t.Int(3)}},
                      nullptr)},
        {"@a := 1 + 2", std::make_shared<TAssignationExpression>(t.Variable("@a", 0),
                                                                 TTrees::Op(t.Int(1), boAdd, t.Int(2)))},
    };
    TSQLWriter writer;
    for (const auto& c : cases)
        EXPECT_EQ(writer.Write(c.tree), c.expected);
}

TEST_F(SQLWriterTest, OnlyEightBinaryOperatorsHaveAWrittenForm) {
    const std::pair<std::uint8_t, const char*> written[] = {
        {boGreater, "1 > 2"}, {boLess, "1 < 2"},     {boGreaterOrEqual, "1 >= 2"}, {boEqual, "1 = 2"},
        {boAdd, "1 + 2"},     {boSubtract, "1 - 2"}, {boAnd, "1 AND 2"},           {boMultiply, "1 * 2"},
    };
    for (const auto& [op, expected] : written)
        EXPECT_EQ(TSQLWriter::WriteExpression(TTrees::Op(t.Int(1), op, t.Int(2))), expected);
    const std::uint8_t unwritten[] = {boLessOrEqual, boNotEqual,   boOr,           boXor,           boBitAnd,
                                      boBitOr,       boBitXor,     boDivide,       boIntegerDivide, boModulo,
                                      boShiftLeft,   boShiftRight, boNullSafeEqual};
    for (const std::uint8_t op : unwritten) {
        SCOPED_TRACE(static_cast<int>(op));
        EXPECT_EQ(ErrorOf([&] { TSQLWriter::WriteExpression(TTrees::Op(t.Int(1), op, t.Int(2))); }),
                  "Unsupported operation");
    }
}

TEST_F(SQLWriterTest, OtherNodesAreUnknown) {
    auto list = std::make_shared<TExpressionList>();
    list->Add(t.Int(1));
    const Expr unknown[] = {
        std::make_shared<TUnaryOperation>(uoMinus, t.Int(1)),
        std::make_shared<TTernaryOperation>(toBetween, t.Int(1), t.Int(0), t.Int(2)),
        std::make_shared<TInExpression>(t.Int(1), false, list),
        TTrees::Call("f", {std::make_shared<TUnaryOperation>(uoNot, t.Int(1))}),
        // A server-side expression has a written form only for the debug writer.
        std::make_shared<TDBAServerSideExpression>(u"(SELECT 1)"),
    };
    for (const Expr& tree : unknown)
        EXPECT_EQ(ErrorOf([&] { TSQLWriter::WriteExpression(tree); }), "Unknown expression");
}

TEST_F(SQLWriterTest, EveryWriteStartsFromAnEmptyText) {
    TSQLWriter writer;
    EXPECT_EQ(writer.Write(t.Int(1)), "1");
    EXPECT_EQ(writer.Write(t.Int(2)), "2");
    EXPECT_EQ(ErrorOf([&] { writer.Write(TTrees::Op(t.Int(3), boNotEqual, t.Int(4))); }),
              "Unsupported operation");
    EXPECT_EQ(writer.Write(t.Str("x")), "'x'");
}

TEST_F(SQLWriterTest, TheDebugWriterNamesMirroredVariablesAndServerSideTexts) {
    const auto mirrored = t.Mirrored("x", 41);
    const auto serverSide = std::make_shared<TDBAServerSideExpression>(u"(SELECT 'é')");
    const Expr tree = TTrees::Call("f", {mirrored, TTrees::Op(t.Variable("local", 2), boAdd, serverSide)});
    EXPECT_EQ(TSQLWriter::WriteExpression<TDebugSQLWriter>(tree),
              "f(" + mirrored->SessionName() + ", 2 + (SELECT 'é'))");
    // The plain writer writes a mirrored variable as its value.
    EXPECT_EQ(TSQLWriter::WriteExpression(mirrored), "41");
}

TEST(CodeWriterTest, SeparatesOnlyWhereNoBlankIsThere) {
    TCodeWriter code;
    code.Separate();
    EXPECT_EQ(code.Text(), "");
    code.Append("a");
    code.Separate();
    code.Separate();
    code.Append("b\r\n");
    code.Separate();
    EXPECT_EQ(code.Text(), "a b\r\n");
    EXPECT_TRUE(code.EndsWith("b\r\n"));
    EXPECT_FALSE(code.EndsWith("B\r\n"));
    code.Clear();
    EXPECT_EQ(code.Text(), "");
}

TEST_F(SQLWriterTest, WritesQueryExpressions) {
    auto joined = std::make_shared<TTableSource>(TTableSource{"u", "", {}});
    TQueryParts next;
    next.Columns = {std::make_shared<TExpressionColumn>(t.Int(1), ""), std::make_shared<TCountAll>()};

    TQueryParts parts;
    parts.Distinct = true;
    parts.Columns = {std::make_shared<TAllColumns>(),
                     std::make_shared<TTableColumns>("t", "a"),
                     std::make_shared<TTableColumns>("u", ""),
                     std::make_shared<TExpressionColumn>(TTrees::Op(t.Int(1), boAdd, t.Int(2)), "s"),
                     std::make_shared<TColumnReference>("a", "c", "k"),
                     std::make_shared<TAggregate>("SUM", t.Int(3))};
    parts.Tables = {TTableSource{"t", "a", {TJoin{jtLeft, joined, TTrees::Op(t.Int(1), boEqual, t.Int(1))}}},
                    TTableSource{"v", "", {TJoin{jtInner, joined, nullptr}}}};
    parts.Where = TTrees::Op(t.Int(1), boGreater, t.Int(0));
    parts.GroupBy = {t.Int(1), t.Int(2)};
    parts.Having = TTrees::Op(t.Int(2), boGreaterOrEqual, t.Int(1));
    parts.SetOperator = soUnionAll;
    parts.NextQuery = std::make_shared<TQueryExpression>(next);

    const TOrderedQueryExpression query(parts,
                                        {std::make_shared<TColumnOrderItem>(TColumnReference("", "c")),
                                         std::make_shared<TColumnOrderItem>(TColumnReference("a", "d"))});
    TSQLWriter writer;
    writer.WriteOrderedQuery(query);
    EXPECT_EQ(writer.Text(),
              "SELECT DISTINCT *, a.*, u.*, 1 + 2 AS s, a.c AS k, SUM(3) FROM t a LEFT JOIN u ON 1 = "
              "1, v INNER JOIN u WHERE 1 > 0 GROUP BY 1, 2 HAVING 2 >= 1 UNION ALL SELECT 1, "
              "COUNT(*) ORDER BY c, a.d");
}

TEST_F(SQLWriterTest, UnsupportedQueryPartsNameTheirWriter) {
    class TOtherColumn : public IColumnSource {
    public:
        void Accept(TColumnSourceVisitor& visitor) const override { visitor.VisitUnsupported(*this); }
    };
    class TOtherItem : public IOrderItem {
    public:
        void Accept(TOrderItemVisitor& visitor) const override { visitor.VisitUnsupported(*this); }
    };
    TQueryParts parts;
    parts.Columns = {std::make_shared<TOtherColumn>()};
    TSQLWriter writer;
    EXPECT_EQ(ErrorOf([&] { writer.WriteQuery(TQueryExpression(parts)); }),
              "Unsupported operation in TColumnSourceWriter");
    parts.Columns = {std::make_shared<TAllColumns>()};
    const TOrderedQueryExpression ordered(parts, {std::make_shared<TOtherItem>()});
    EXPECT_EQ(ErrorOf([&] { writer.WriteOrderedQuery(ordered); }),
              "Unsupported operation in TOrderItemWriter");
    // The bases fail for every kind.
    TColumnSourceVisitor base;
    EXPECT_EQ(ErrorOf([&] { TAllColumns().Accept(base); }), "Unsupported operation in TColumnSourceVisitor");
}

// The server reads what the writer writes as the expression it came from.
TEST(SQLWriterServerTest, TheServerEvaluatesTheWrittenText) {
    const auto& server = VELTRANE_REQUIRE_SERVER();
    testsupport::MariaDBConnection connection(server);
    connection.Connect();
    TTrees t(&connection.GetDataConverter());
    const std::string tricky = "a'b\\c\"\n\xF0\x9F\x98\x80";
    const struct {
        const char* expected;
        Expr tree;
    } cases[] = {
        {"3", TTrees::Op(t.Int(1), boSubtract, t.Int(-2))},
        {"9", TTrees::Op(TTrees::Brackets(TTrees::Op(t.Int(1), boAdd, t.Int(2))), boMultiply, t.Int(3))},
        {"b", TTrees::Case(t.Int(2), {{t.Int(1), t.Str("a")}}, t.Str("b"))},
        {"1", TTrees::Op(TTrees::Op(t.Int(2), boGreaterOrEqual, t.Int(1)), boAnd, t.Int(1))},
        {"12", TTrees::CastToChar(TTrees::Op(t.Int(100), boAdd, t.Int(23)), "CHAR(2)")},
        {"12", TTrees::CastToChar(TTrees::Op(t.Int(10), boAdd, t.Int(2)), "CHAR(5)")},
        {tricky.c_str(), TTrees::Call("CONCAT", {t.Str("a'b"), t.Str("\\c\"\n\xF0\x9F\x98\x80")})},
    };
    for (const auto& c : cases) {
        const std::string text = TSQLWriter::WriteExpression(c.tree);
        SCOPED_TRACE(text);
        EXPECT_EQ(connection.Evaluate(rtl::Utf8ToUtf16(text), true, 0)->AsString().AsString(), c.expected);
    }
}

} // namespace
} // namespace engine
