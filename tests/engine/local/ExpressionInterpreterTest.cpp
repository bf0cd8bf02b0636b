#include "engine/local/uExpressionInterpreter.h"

#include <gtest/gtest.h>

#include "core/uDBAConnection.h"
#include "core/uMySQLTypes.h"
#include "engine/InterpreterTestSupport.h"
#include "platform/rtl/CodePage.h"

namespace engine {
namespace {

struct TExpressionCase {
    TSqlExpression expression;
    TOutcome expected;
};

class ExpressionInterpreterTest : public ::testing::Test {
protected:
    ExpressionInterpreterTest() { converter.SetDefaultCodePage(rtl::kCodePageUtf8); }

    TOutcome Evaluate(const TSqlExpression& expression, TEvaluationMode mode = emDefault) {
        return OutcomeOf([&] {
            return ValueText(*EvaluateExpression(program.MainRoutine(), program.MainRoutine().Block(),
                                                 CreateNullDebugger(), expression.node, mode));
        });
    }

    std::shared_ptr<core::IRODataValue> Value(const TSqlExpression& expression) {
        return EvaluateExpression(program.MainRoutine(), program.MainRoutine().Block(), CreateNullDebugger(),
                                  expression.node);
    }

    // The operators with the server's semantics; every expected outcome is what MariaDB 10.11 gives.
    std::vector<TExpressionCase> Table() {
        const auto i = [&](std::int64_t v) { return sql.Int(v); };
        const auto dec = [&](const std::string& v) { return sql.Dec(v); };
        const auto dbl = [&](const std::string& v) { return sql.Dbl(v); };
        const auto str = [&](const std::string& v) { return sql.Str(v); };
        const auto u = [&](std::uint64_t v) { return sql.Unsigned(v); };
        const auto null = sql.NullLiteral();
        const auto op = &TSqlBuilder::Op;
        const auto un = &TSqlBuilder::Unary;
        const auto int64Min = op(i(-9223372036854775807), boSubtract, i(1));
        const auto bigint = core::MySQLTypeCharacteristics(8, {}, false, -1, -1, 0, "");
        const auto bigintUnsigned = core::MySQLTypeCharacteristics(8, {}, true, -1, -1, 0, "");
        const auto decimal = core::MySQLTypeCharacteristics(246, {}, false, -1, -1, 2, "");
        const auto char2 = core::MySQLTypeCharacteristics(254, {}, false, rtl::kCodePageUtf8, 2, 0, "");
        return {
            // Arithmetic: integers stay exact, decimals carry the server's scale, text and DOUBLE give
            // DOUBLE.
            {op(i(7), boDivide, i(2)), Text("3.5000")},
            {op(i(7), boIntegerDivide, i(2)), Text("3")},
            {op(i(-7), boIntegerDivide, i(2)), Text("-3")},
            {op(i(-7), boModulo, i(2)), Text("-1")},
            {op(dec("7.5"), boModulo, i(2)), Text("1.5")},
            {op(dec("-7.5"), boModulo, i(2)), Text("-1.5")},
            {op(dec("7.5"), boIntegerDivide, i(2)), Text("3")},
            {op(dec("-7.9"), boIntegerDivide, i(1)), Text("-7")},
            {op(i(1), boAdd, i(1)), Text("2")},
            {op(i(1), boAdd, dec("1.0")), Text("2.0")},
            {op(dec("1.5"), boMultiply, dec("1.5")), Text("2.25")},
            {op(i(2), boMultiply, dec("3.00")), Text("6.00")},
            {op(dec("0.1"), boAdd, dec("0.2")), Text("0.3")},
            {op(dec("1.0"), boDivide, i(3)), Text("0.33333")},
            {op(dbl("1e0"), boDivide, i(4)), Text("0.25")},
            {op(str("7"), boDivide, i(2)), Text("3.5")},
            {op(str("7"), boAdd, i(1)), Text("8")},
            {op(i(7), boIntegerDivide, dec("0.4")), Text("17")},
            {op(i(7), boModulo, dec("0.4")), Text("0.2")},
            {op(str("7"), boModulo, i(2)), Text("1")},
            {op(dbl("7.5e0"), boModulo, i(2)), Text("1.5")},
            {op(sql.Bool(true), boAdd, sql.Bool(true)), Text("2")},
            {op(dbl("-7e0"), boModulo, i(7)), Text("0")},
            {op(i(1), boDivide, i(0)), Null()},
            {op(i(1), boIntegerDivide, i(0)), Null()},
            {op(i(1), boModulo, i(0)), Null()},
            {op(i(0), boDivide, i(0)), Null()},
            {op(dec("7.5"), boIntegerDivide, dec("0.0")), Null()},
            // Checked 64-bit arithmetic.
            {op(i(9223372036854775807), boAdd, i(1)), Error(1690)},
            {op(i(-9223372036854775807), boSubtract, i(2)), Error(1690)},
            {op(i(9223372036854775807), boMultiply, i(2)), Error(1690)},
            {op(int64Min, boIntegerDivide, i(-1)), Error(1690)},
            {op(int64Min, boModulo, i(-1)), Text("0")},
            {op(i(9223372036854775807), boModulo, i(-1)), Text("0")},
            {op(dbl("1e20"), boIntegerDivide, i(1)), Error(1690)},
            {op(dbl("1e308"), boMultiply, i(10)), Error(1690)},
            {op(dbl("-1e308"), boSubtract, dbl("1e308")), Error(1690)},
            {op(dbl("1e308"), boDivide, dbl("1e-308")), Error(1690)},
            {op(u(5), boSubtract, i(10)), Error(1690)},
            {op(i(10), boSubtract, u(5)), Text("5")},
            {op(i(-5), boAdd, u(10)), Text("5")},
            {op(u(5), boMultiply, i(-1)), Error(1690)},
            {op(u(7), boIntegerDivide, i(-2)), Error(1690)},
            {op(u(7), boModulo, i(-2)), Text("1")},
            {op(i(-7), boModulo, u(2)), Text("-1")},
            {op(un(uoBitNot, i(0)), boAdd, i(1)), Error(1690)},
            {op(un(uoBitNot, i(0)), boSubtract, i(1)), Text("18446744073709551614")},
            {op(op(i(1), boShiftLeft, i(2)), boSubtract, i(5)), Error(1690)},
            // Unary operators.
            {un(uoMinus, str("12abc")), Text("-12")},
            {un(uoMinus, str("abc")), Text("0")},
            {un(uoPlus, str("12abc")), Text("12abc")},
            {un(uoMinus, dec("1.50")), Text("-1.50")},
            {un(uoMinus, u(5)), Text("-5")},
            {un(uoMinus, int64Min), Text("9223372036854775808")},
            {un(uoMinus, dbl("0e0")), Text("0")},
            {un(uoNot, null), Null()},
            {un(uoNot, dec("0.4")), Text("0")},
            {un(uoMinus, null), Null()},
            // Bit operators work on BIGINT UNSIGNED.
            {op(i(1), boShiftLeft, i(64)), Text("0")},
            {op(i(-1), boShiftRight, i(63)), Text("1")},
            {op(i(1), boShiftLeft, i(63)), Text("9223372036854775808")},
            {op(i(1), boShiftLeft, i(-1)), Text("0")},
            {op(i(5), boShiftRight, dec("1.6")), Text("1")},
            {un(uoBitNot, i(0)), Text("18446744073709551615")},
            {un(uoBitNot, i(-1)), Text("0")},
            {un(uoBitNot, dec("1.5")), Text("18446744073709551613")},
            {op(i(-1), boBitAnd, i(1)), Text("1")},
            {op(i(-1), boBitOr, i(0)), Text("18446744073709551615")},
            {op(dbl("2.5e0"), boBitOr, i(0)), Text("3")},
            {op(dec("-1.5"), boBitOr, i(0)), Text("18446744073709551614")},
            {op(str("3.7"), boBitOr, i(0)), Text("4")},
            {op(dec("1.5"), boBitXor, i(0)), Text("2")},
            {op(dbl("1e30"), boBitOr, i(0)), Text("18446744073709551615")},
            {op(dbl("-1e30"), boBitOr, i(0)), Text("9223372036854775808")},
            {op(null, boBitAnd, i(0)), Null()},
            // Three-valued logic; AND and OR test truth as "not zero".
            {op(null, boAnd, i(0)), Text("0")},
            {op(i(0), boAnd, null), Text("0")},
            {op(null, boAnd, i(1)), Null()},
            {op(null, boOr, i(1)), Text("1")},
            {op(null, boOr, i(0)), Null()},
            {op(i(0), boOr, i(0)), Text("0")},
            {op(null, boXor, i(1)), Null()},
            {op(i(1), boXor, i(1)), Text("0")},
            {op(dec("0.4"), boAnd, i(1)), Text("1")},
            {op(str("abc"), boOr, i(0)), Text("0")},
            {un(uoIsNotFalse, null), Text("1")},
            {un(uoIsNotTrue, null), Text("1")},
            {un(uoIsFalse, null), Text("0")},
            {un(uoIsTrue, dec("0.4")), Text("1")},
            {un(uoIsUnknown, null), Text("1")},
            {un(uoIsNotNull, i(0)), Text("1")},
            // Comparisons: NULL compares to nothing, text by the server's collation.
            {op(null, boNullSafeEqual, i(0)), Text("0")},
            {op(i(1), boNullSafeEqual, null), Text("0")},
            {op(null, boNullSafeEqual, null), Text("1")},
            {op(null, boEqual, null), Null()},
            {op(null, boLess, i(1)), Null()},
            {op(str("a"), boEqual, str("A")), Text("1")},
            {op(str("a"), boEqual, str("a  ")), Text("1")},
            {op(str("10"), boLess, str("9")), Text("1")},
            {op(i(10), boLess, str("9")), Text("0")},
            {op(str("1abc"), boEqual, i(1)), Text("1")},
            {op(i(2), boNotEqual, dec("2.0")), Text("0")},
            {op(u(18446744073709551615ULL), boGreater, i(-1)), Text("1")},
            // BETWEEN is (x >= low) AND (x <= high).
            {sql.Between(i(2), i(1), i(3)), Text("1")},
            {sql.Between(str("b"), str("a"), str("c")), Text("1")},
            {sql.Between(null, i(-1), i(1)), Null()},
            {sql.Between(i(5), null, i(1)), Text("0")},
            {sql.Between(i(5), i(1), null), Null()},
            {sql.Between(i(5), null, i(1), true), Text("1")},
            {sql.Between(null, i(1), i(2), true), Null()},
            // IN notes a NULL item before comparing.
            {sql.In(i(0), {null}), Null()},
            {sql.In(i(2), {null, i(2)}), Text("1")},
            {sql.In(i(2), {i(2), null}), Text("1")},
            {sql.In(i(2), {i(1), null}), Null()},
            {sql.In(null, {i(1), i(2)}), Null()},
            {sql.In(i(3), {i(1), i(2)}, true), Text("1")},
            {sql.In(i(3), {i(1), null}, true), Null()},
            {sql.In(str("a"), {str("A")}), Text("1")},
            // CASE: a NULL selector or WHEN matches nothing.
            {sql.Case(null, {{i(0), str("m")}}, str("nm")), Text("nm")},
            {sql.Case(i(1), {{null, str("n")}}, str("e")), Text("e")},
            {sql.Case(i(5), {{i(1), str("a")}}), Null()},
            {sql.Case(str("b"), {{str("a"), i(1)}, {str("B"), i(2)}}, i(3)), Text("2")},
            {sql.If(null, i(1), i(2)), Text("2")},
            {sql.If(dec("0.4"), str("y"), str("n")), Text("y")},
            // Casts and brackets.
            {sql.Cast(dec("1.5"), "SIGNED", bigint), Text("2")},
            {sql.Cast(str("12abc"), "SIGNED", bigint), Text("12")},
            {sql.Cast(i(7), "DECIMAL(5,2)", decimal), Text("7.00")},
            {sql.Cast(str("abcdef"), "CHAR(2)", char2), Text("ab")},
            {sql.Cast(null, "SIGNED", bigint), Null()},
            {sql.Cast(i(-1), "UNSIGNED", bigintUnsigned), Text("18446744073709551615")},
            {sql.Cast(un(uoBitNot, i(0)), "SIGNED", bigint), Text("-1")},
            {sql.Cast(dec("-1.5"), "UNSIGNED", bigintUnsigned), Text("0")},
            {sql.Cast(dec("2.5"), "SIGNED", bigint), Text("3")},
            {sql.Cast(dbl("2.5e0"), "SIGNED", bigint), Text("2")},
            {sql.Cast(dbl("-2.5e0"), "SIGNED", bigint), Text("-2")},
            {sql.Cast(dbl("1e30"), "UNSIGNED", bigintUnsigned), Text("18446744073709551615")},
            {sql.Cast(dbl("-1e30"), "SIGNED", bigint), Text("-9223372036854775808")},
            {sql.Cast(str("2.5"), "SIGNED", bigint), Text("2")},
            {sql.Cast(str("1e3"), "SIGNED", bigint), Text("1")},
            {sql.Cast(str(" -3"), "UNSIGNED", bigintUnsigned), Text("18446744073709551613")},
            {sql.Cast(str("99999999999999999999"), "SIGNED", bigint), Text("-1")},
            {sql.Cast(str("-99999999999999999999"), "SIGNED", bigint), Text("-9223372036854775808")},
            {sql.Cast(str("abc"), "SIGNED", bigint), Text("0")},
            {op(sql.Brackets(op(i(1), boAdd, i(2))), boMultiply, i(3)), Text("9")},
            {op(i(10), boSubtract, sql.Brackets(op(i(5), boSubtract, i(2)))), Text("7")},
        };
    }

    core::TDataConverter converter;
    TInterpreterProgram program{&converter};
    TSqlBuilder sql{program};
};

TEST_F(ExpressionInterpreterTest, OperatorsGiveWhatTheServerGives) {
    for (const TExpressionCase& row : Table())
        EXPECT_EQ(Evaluate(row.expression), row.expected) << row.expression.sql;
}

TEST_F(ExpressionInterpreterTest, TheServerAgreesWithTheTable) {
    const auto& settings = VELTRANE_REQUIRE_SERVER();
    testsupport::RawSession session(settings);
    for (const TExpressionCase& row : Table())
        EXPECT_EQ(ServerOutcome(session, "SELECT " + row.expression.sql), row.expected) << row.expression.sql;
}

TEST_F(ExpressionInterpreterTest, ResultsHaveTheServersTypes) {
    struct {
        TSqlExpression expression;
        core::TDataType kind;
        std::uint8_t scale;
    } const rows[] = {
        {TSqlBuilder::Op(sql.Int(7), boDivide, sql.Int(2)), core::dtFloat, 4},
        {TSqlBuilder::Op(sql.Dec("7.25"), boDivide, sql.Int(2)), core::dtFloat, 6},
        {TSqlBuilder::Op(sql.Dbl("1e3"), boDivide, sql.Int(2)), core::dtFloat, core::kScaleNotSpecified},
        {TSqlBuilder::Op(sql.Dbl("1e3"), boMultiply, sql.Dbl("1e3")), core::dtFloat,
         core::kScaleNotSpecified},
        {TSqlBuilder::Op(sql.Int(7), boModulo, sql.Int(2)), core::dtInteger, 0},
        {TSqlBuilder::Unary(uoMinus, sql.Int(1)), core::dtInteger, 0},
        {TSqlBuilder::Op(sql.Int(1), boLess, sql.Int(2)), core::dtBoolean, 0},
    };
    for (const auto& row : rows) {
        const auto characteristics = Value(row.expression)->GetCharacteristics();
        EXPECT_EQ(characteristics.DataType, row.kind) << row.expression.sql;
        EXPECT_EQ(characteristics.Scale, row.scale) << row.expression.sql;
    }
}

TEST_F(ExpressionInterpreterTest, StrictEvaluationRaisesDivisionByZero) {
    const auto quotient = TSqlBuilder::Op(sql.Int(1), boDivide, sql.Int(0));
    const auto nested = TSqlBuilder::Unary(uoIsNull, TSqlBuilder::Brackets(quotient));
    EXPECT_EQ(Evaluate(nested), Text("1"));
    EXPECT_EQ(Evaluate(nested, emStrict), Error(1365));
    try {
        EvaluateExpression(program.MainRoutine(), program.MainRoutine().Block(), CreateNullDebugger(),
                           quotient.node, emStrict);
        FAIL() << "no error";
    } catch (const core::EDBAConnectionException& error) {
        EXPECT_EQ(error.ErrorMessage(), "Division by 0");
        EXPECT_EQ(error.SQLState(), "22012");
    }
    // The right side of AND and OR and the branch of IF not taken are not evaluated.
    EXPECT_EQ(Evaluate(TSqlBuilder::Op(sql.Int(0), boAnd, quotient), emStrict), Text("0"));
    EXPECT_EQ(Evaluate(TSqlBuilder::Op(sql.Int(1), boOr, quotient), emStrict), Text("1"));
    EXPECT_EQ(Evaluate(TSqlBuilder::Op(sql.NullLiteral(), boAnd, quotient), emStrict), Error(1365));
    EXPECT_EQ(Evaluate(sql.If(sql.Int(1), sql.Int(2), quotient), emStrict), Text("2"));
}

TEST_F(ExpressionInterpreterTest, OverflowIsAServerError) {
    try {
        Value(TSqlBuilder::Op(sql.Int(9223372036854775807), boAdd, sql.Int(1)));
        FAIL() << "no error";
    } catch (const core::EDBAConnectionException& error) {
        EXPECT_EQ(error.ErrorCode(), 1690);
        EXPECT_EQ(error.SQLState(), "22003");
        EXPECT_EQ(error.ErrorMessage(), "BIGINT value is out of range");
    }
}

TEST_F(ExpressionInterpreterTest, AssignmentInAnExpressionGivesTheStoredValue) {
    const auto tiny =
        sql.Declare("t", "TINYINT", core::MySQLTypeCharacteristics(1, {}, false, -1, -1, 0, ""));
    const auto target = std::dynamic_pointer_cast<IAssignable>(tiny.node);
    const auto assign = [&](const TSqlExpression& value) {
        return TSqlExpression{std::make_shared<TAssignationExpression>(target, value.node), ""};
    };
    EXPECT_EQ(Evaluate(TSqlBuilder::Op(assign(sql.Dec("2.6")), boAdd, sql.Int(1))), Text("4"));
    EXPECT_EQ(ValueText(*target->GetValue()), "3");
    // A store the server refuses leaves the variable NULL.
    EXPECT_EQ(Evaluate(assign(sql.Int(1000))), Error(1264));
    EXPECT_EQ(ValueText(*target->GetValue()), std::nullopt);
}

// An interpreter that knows one function, as the server-side interpreter knows stored functions.
class TFunctionInterpreter : public TExpressionInterpreter {
public:
    using TExpressionInterpreter::TExpressionInterpreter;

    void VisitFunctionCall(const std::shared_ptr<IFunctionCall>&) override {
        SetResult(ValueFactory().CreateInteger(42));
    }
};

TEST_F(ExpressionInterpreterTest, OperandsAreEvaluatedByTheSubclass) {
    const auto call = TSqlExpression{std::make_shared<TFunctionCall>("f"), "f()"};
    const auto sum = TSqlBuilder::Op(TSqlBuilder::Brackets(call), boAdd, sql.Int(1));
    TFunctionInterpreter interpreter(program.MainRoutine(), CreateNullDebugger(),
                                     program.MainRoutine().Block());
    EXPECT_EQ(ValueText(*interpreter.Evaluate(TSqlBuilder::In(sum, {sql.Int(43)}).node)), "1");
    EXPECT_THROW(Value(sum), rtl::Exception) << "the base interpreter knows no function";
}

TEST_F(ExpressionInterpreterTest, UnknownNodesAndCodesAreRefused) {
    const auto message = [&](const std::shared_ptr<IExpression>& expression) {
        try {
            Value({expression, ""});
        } catch (const rtl::Exception& error) {
            return error.Message();
        }
        return std::string("no error");
    };
    const auto one = sql.Int(1).node;
    EXPECT_EQ(message(std::make_shared<TOperation>(20, one, one)), "Unsupported operation");
    EXPECT_EQ(message(std::make_shared<TUnaryOperation>(12, one)), "Unsupported unary operation");
    EXPECT_EQ(message(std::make_shared<TTernaryOperation>(3, one, one, one)),
              "Unsupported ternary operation");
    EXPECT_EQ(message(std::make_shared<TFunctionCall>("f")), "Unknown expression");
}

} // namespace
} // namespace engine
