#include "engine/local/uExpressionBuilder.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "core/uMySQLTypes.h"
#include "engine/CompilerTestSupport.h"
#include "engine/local/uCompiler.h"
#include "engine/local/uExpressionInterpreter.h"
#include "parser/uMySqlGrammar.h"
#include "parser/uParser.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Utf.h"

namespace engine {
namespace {

const core::TDatatypeCharacteristics kInt = core::MySQLTypeCharacteristics(3, {}, false, -1, -1, 0, "");

// The tree as prefix text: operations by their codes, "u" and "t" for unary and ternary ones,
// "[...]" for brackets, literals by their value text, names as declared.
std::string Describe(const std::shared_ptr<IExpression>& expression) {
    if (!expression) return "-";
    if (const auto op = std::dynamic_pointer_cast<IOperation>(expression))
        return "(" + std::to_string(op->GetOperator()) + " " + Describe(op->GetLeft()) + " " +
               Describe(op->GetRight()) + ")";
    if (const auto op = std::dynamic_pointer_cast<IUnaryOperation>(expression))
        return "(u" + std::to_string(op->GetOperator()) + " " + Describe(op->GetOperand()) + ")";
    if (const auto op = std::dynamic_pointer_cast<ITernaryOperation>(expression))
        return "(t" + std::to_string(op->GetOperator()) + " " + Describe(op->GetFirst()) + " " +
               Describe(op->GetSecond()) + " " + Describe(op->GetThird()) + ")";
    if (const auto brackets = std::dynamic_pointer_cast<IBrackets>(expression))
        return "[" + Describe(brackets->GetExpression()) + "]";
    if (const auto symbol = std::dynamic_pointer_cast<ISymbol>(expression)) return symbol->GetName();
    if (const auto literal = std::dynamic_pointer_cast<ILiteral>(expression))
        return ValueText(*literal->GetValue()).value_or("NULL");
    if (const auto in = std::dynamic_pointer_cast<IInExpression>(expression)) {
        std::string text = in->IsNegated() ? "(notin " : "(in ";
        text += Describe(in->GetExpression());
        for (int i = 0; i < in->GetList()->Count(); ++i)
            text += " " + Describe(in->GetList()->GetItem(i));
        return text + ")";
    }
    if (const auto caseExpression = std::dynamic_pointer_cast<ICaseExpression>(expression)) {
        std::string text = "(case " + Describe(caseExpression->GetSelector());
        for (int i = 0; i < caseExpression->Count(); ++i)
            text += " (" + Describe(caseExpression->GetWhen(i)) + " " + Describe(caseExpression->GetThen(i)) +
                    ")";
        if (caseExpression->GetElse()) text += " else " + Describe(caseExpression->GetElse());
        return text + ")";
    }
    if (const auto cast = std::dynamic_pointer_cast<ITypeCast>(expression))
        return "(cast " + Describe(cast->GetExpression()) + ")";
    if (const auto assignation = std::dynamic_pointer_cast<IAssignationExpression>(expression))
        return "(:= " + assignation->GetTarget()->GetName() + " " + Describe(assignation->GetExpression()) +
               ")";
    return "?";
}

class ExpressionBuilderTest : public CompilerTest {
protected:
    ExpressionBuilderTest() {
        for (const char* name : {"a", "b", "c"})
            block->AddSymbol(std::make_shared<TVariable>(
                name, program.ValueFactory().CreateInteger(std::string_view(name) == "a" ? 5 : 2),
                program.ValueFactory().CreateVariableValue(kInt)));
    }

    std::shared_ptr<IExpression> Compile(std::string_view text) {
        TExpressionBuilder builder(program, block);
        return CompileExpression(rtl::Utf8ToUtf16(text), parser::TMySqlGrammar::StaticClass(), builder);
    }

    std::shared_ptr<core::IRODataValue> Literal(std::string_view text) {
        const auto literal = std::dynamic_pointer_cast<ILiteral>(Compile(text));
        EXPECT_TRUE(literal) << text;
        return literal ? literal->GetValue() : core::NullDataValue();
    }

    std::optional<std::string> Evaluate(std::string_view text) {
        return ValueText(
            *EvaluateExpression(program.MainRoutine(), block, CreateNullDebugger(), Compile(text)));
    }

    std::shared_ptr<IBlock> block = program.CreateBlock();
};

// ---- literals

struct TLiteralCase {
    const char* text;
    core::TDataType kind;
    int scale;
    const char* value;
};

void PrintTo(const TLiteralCase& c, std::ostream* os) {
    *os << c.text;
}

class LiteralKindTest : public ExpressionBuilderTest, public ::testing::WithParamInterface<TLiteralCase> {};

TEST_P(LiteralKindTest, HasTheServersType) {
    const TLiteralCase& c = GetParam();
    const auto value = Literal(c.text);
    EXPECT_EQ(value->GetCharacteristics().DataType, c.kind);
    EXPECT_EQ(value->GetCharacteristics().Scale, c.scale);
    EXPECT_EQ(ValueText(*value), c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, LiteralKindTest,
    ::testing::Values(TLiteralCase{"12", core::dtInteger, 0, "12"},
                      TLiteralCase{"12.50", core::dtFloat, 2, "12.50"},
                      TLiteralCase{"1E3", core::dtFloat, core::kScaleNotSpecified, "1000"},
                      TLiteralCase{"1.5E3", core::dtFloat, core::kScaleNotSpecified, "1500"},
                      TLiteralCase{"9223372036854775807", core::dtInteger, 0, "9223372036854775807"},
                      TLiteralCase{"18446744073709551615", core::dtInteger, 0, "18446744073709551615"},
                      TLiteralCase{"18446744073709551616", core::dtFloat, 0, "18446744073709551616"},
                      TLiteralCase{"'a\\tb''c'", core::dtString, 0, "a\tb'c"},
                      TLiteralCase{"\"x\\\"y\"", core::dtString, 0, "x\"y"},
                      TLiteralCase{"TRUE", core::dtBoolean, 0, "1"}));

TEST_F(ExpressionBuilderTest, UnsignedLiteralIsBigintUnsigned) {
    EXPECT_EQ(Literal("18446744073709551615")->GetCharacteristics().MinValue, 0);
    EXPECT_LT(Literal("9223372036854775807")->GetCharacteristics().MinValue, 0);
}

TEST_F(ExpressionBuilderTest, StringLiteralsAreUtf8) {
    EXPECT_EQ(Literal("'x'")->GetCharacteristics().CodePage, rtl::kCodePageUtf8);
    EXPECT_EQ(Literal("_latin1'x'")->GetCharacteristics().CodePage, rtl::kCodePageUtf8);
}

TEST_F(ExpressionBuilderTest, HexAndBitLiteralsAreBinaryBytes) {
    for (const char* text : {"x'41'", "0x41", "b'1000001'", "0b1000001"}) {
        const auto value = Literal(text);
        EXPECT_EQ(value->GetCharacteristics().CodePage, rtl::kCodePageBinary) << text;
        EXPECT_EQ(ValueText(*value), "A") << text;
    }
    EXPECT_EQ(ValueText(*Literal("b'1'")), std::string(1, '\x01'));
    // As on the server, 0x41 is a number where one is needed, X'41' stays text.
    EXPECT_EQ(Evaluate("0x41 + 0"), "65");
    EXPECT_EQ(Evaluate("b'101' + 0"), "5");
    EXPECT_EQ(Evaluate("x'41' + 0"), "0");
}

TEST_F(ExpressionBuilderTest, NullAndDefaultAreTheSharedValues) {
    EXPECT_EQ(Literal("NULL"), core::NullDataValue());
    EXPECT_EQ(Literal("DEFAULT"), core::DefaultDataValue());
}

// ---- shapes

struct TShapeCase {
    const char* text;
    const char* tree;
};

void PrintTo(const TShapeCase& c, std::ostream* os) {
    *os << c.text;
}

class ExpressionShapeTest : public ExpressionBuilderTest, public ::testing::WithParamInterface<TShapeCase> {};

TEST_P(ExpressionShapeTest, BuildsTheTree) {
    EXPECT_EQ(Describe(Compile(GetParam().text)), GetParam().tree);
}

INSTANTIATE_TEST_SUITE_P(
    Operators, ExpressionShapeTest,
    ::testing::Values(
        TShapeCase{"a - b + c", "(6 (7 a b) c)"}, TShapeCase{"10 - 5 - 2", "(7 (7 10 5) 2)"},
        TShapeCase{"10 - (5 - 2)", "(7 10 [(7 5 2)])"}, TShapeCase{"8 / 4 / 2", "(15 (15 8 4) 2)"},
        TShapeCase{"a + b * c", "(6 a (14 b c))"}, TShapeCase{"a OR b AND c", "(9 a (8 b c))"},
        TShapeCase{"a XOR b", "(10 a b)"}, TShapeCase{"a = 1 AND b <> 2", "(8 (4 a 1) (5 b 2))"},
        TShapeCase{"NOT a", "(u0 a)"}, TShapeCase{"!a", "(u0 a)"}, TShapeCase{"-a", "(u3 a)"},
        TShapeCase{"+a", "(u2 a)"}, TShapeCase{"~a", "(u1 a)"}, TShapeCase{"- (a)", "(u3 [a])"},
        TShapeCase{"a BETWEEN 1 AND b", "(t0 a 1 b)"}, TShapeCase{"a NOT BETWEEN 1 AND 2", "(t1 a 1 2)"},
        TShapeCase{"a IS NULL", "(u4 a)"}, TShapeCase{"a IS NOT NULL", "(u5 a)"},
        TShapeCase{"a is true", "(u6 a)"}, TShapeCase{"a IS NOT TRUE", "(u7 a)"},
        TShapeCase{"a IS FALSE", "(u8 a)"}, TShapeCase{"a IS NOT FALSE", "(u9 a)"},
        TShapeCase{"a IS UNKNOWN", "(u10 a)"}, TShapeCase{"a IS NOT UNKNOWN", "(u11 a)"},
        TShapeCase{"a IN (1, b)", "(in a 1 b)"}, TShapeCase{"a NOT IN (1)", "(notin a 1)"},
        TShapeCase{"CASE a WHEN 1 THEN 'x' WHEN 2 THEN 'y' ELSE 'z' END", "(case a (1 x) (2 y) else z)"},
        TShapeCase{"CASE WHEN a > 1 THEN 1 END", "(case - ((0 a 1) 1))"},
        TShapeCase{"CAST(a AS CHAR)", "(cast a)"}, TShapeCase{"BINARY a", "(cast a)"},
        TShapeCase{"a := b + 1", "(:= a (6 b 1))"}, TShapeCase{"`A` + B", "(6 a b)"}));

TEST_F(ExpressionBuilderTest, OperatorTextsGiveTheirCodes) {
    const std::pair<const char*, std::uint8_t> operators[] = {{"+", boAdd},
                                                              {"-", boSubtract},
                                                              {"*", boMultiply},
                                                              {"/", boDivide},
                                                              {"DIV", boIntegerDivide},
                                                              {"div", boIntegerDivide},
                                                              {"MOD", boModulo},
                                                              {"mod", boModulo},
                                                              {"%", boModulo},
                                                              {"=", boEqual},
                                                              {"<>", boNotEqual},
                                                              {"!=", boNotEqual},
                                                              {"<", boLess},
                                                              {">", boGreater},
                                                              {"<=", boLessOrEqual},
                                                              {">=", boGreaterOrEqual},
                                                              {"<=>", boNullSafeEqual},
                                                              {"|", boBitOr},
                                                              {"&", boBitAnd},
                                                              {"^", boBitXor},
                                                              {"<<", boShiftLeft},
                                                              {">>", boShiftRight},
                                                              {"AND", boAnd},
                                                              {"&&", boAnd},
                                                              {"OR", boOr},
                                                              {"||", boOr},
                                                              {"xor", boXor}};
    for (const auto& [text, code] : operators) {
        const auto operation =
            std::dynamic_pointer_cast<IOperation>(Compile(std::string("a ") + text + " b"));
        ASSERT_TRUE(operation) << text;
        EXPECT_EQ(operation->GetOperator(), code) << text;
    }
}

TEST_F(ExpressionBuilderTest, CastTakesTheTargetType) {
    const auto cast = std::dynamic_pointer_cast<ITypeCast>(Compile("CONVERT(a USING latin1)"));
    ASSERT_TRUE(cast);
    EXPECT_EQ(cast->GetCharacteristics().DataType, core::dtString);
    EXPECT_EQ(cast->GetCharacteristics().CodePage, 1252);
    const auto binary = std::dynamic_pointer_cast<ITypeCast>(Compile("BINARY a"));
    EXPECT_EQ(binary->GetCharacteristics().CodePage, rtl::kCodePageBinary);
}

TEST_F(ExpressionBuilderTest, SearchedCaseTakesTheFirstTrueCondition) {
    EXPECT_EQ(Evaluate("CASE WHEN NULL THEN 'n' WHEN a = 1 THEN 'one' WHEN b THEN 'b' ELSE 'e' END"), "b");
    EXPECT_EQ(Evaluate("CASE WHEN 0 THEN 'zero' END"), std::nullopt);
}

// ---- errors

class ExpressionErrorTest : public ExpressionBuilderTest, public ::testing::WithParamInterface<TErrorCase> {};

TEST_P(ExpressionErrorTest, ReportsTheOffendingRange) {
    const TErrorCase& c = GetParam();
    ExpectCompileError([&] { Compile(c.text); }, c);
}

INSTANTIATE_TEST_SUITE_P(
    Constructs, ExpressionErrorTest,
    ::testing::Values(TErrorCase{"nosuch + 1", "Undeclared identifier: 'nosuch'", 0, 6},
                      TErrorCase{"a + `No Such`", "Undeclared identifier: '`No Such`'", 4, 13},
                      TErrorCase{"a + t.col", "Undeclared identifier: 't.col'", 4, 9},
                      TErrorCase{"1 + (a = b == c)", "Unknown operator ==", 11, 13},
                      TErrorCase{"CONVERT(a USING nosuch)", "Unknown character set nosuch", 0, 23},
                      TErrorCase{"(a, b) = (1, 2)", "Unknown symbol TExpressionTuple[(a,b)]", 0, 6},
                      TErrorCase{"nosuch := 1", "Undeclared identifier: 'nosuch'", 0, 6}));

TEST_F(ExpressionBuilderTest, UndeclaredIdentifierHasItsOwnClass) {
    EXPECT_THROW(Compile("nosuch"), EUndeclaredIdentifierCompileError);
}

TEST_F(ExpressionBuilderTest, WhatOnlyTheServerEvaluatesIsNoLocalExpression) {
    for (const char* text : {"a IN (SELECT 1)", "NOW()", "POSITION('a' IN 'ba')", "a LIKE 'x%'", "@v"})
        EXPECT_THROW(Compile(text), ECompileError) << text;
}

TEST_F(ExpressionBuilderTest, SyntaxErrorIsTheGrammarsError) {
    EXPECT_THROW(Compile("a +"), parser::EGrammarError);
}

} // namespace
} // namespace engine
