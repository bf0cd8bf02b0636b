#include "engine/local/uExpressionBuilder.h"

#include <array>
#include <charconv>
#include <limits>
#include <vector>

#include "core/uMySQLTypes.h"
#include "core/uStringUtils.h"
#include "parser/uSQLExpressions.h"
#include "parser/uSQLValues.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Threads.h"

namespace engine {

namespace {

constexpr std::uint8_t kMySQLTypeBigint = 8;

struct TOperatorName {
    std::string_view Text;
    std::uint8_t Code;
};

constexpr std::array<TOperatorName, 20> kOperators = {{
    {"+", boAdd},
    {"-", boSubtract},
    {"*", boMultiply},
    {"/", boDivide},
    {"DIV", boIntegerDivide},
    {"=", boEqual},
    {">", boGreater},
    {"<", boLess},
    {"<=", boLessOrEqual},
    {">=", boGreaterOrEqual},
    {"<>", boNotEqual},
    {"!=", boNotEqual},
    {"<=>", boNullSafeEqual},
    {"%", boModulo},
    {"MOD", boModulo},
    {"|", boBitOr},
    {"&", boBitAnd},
    {"^", boBitXor},
    {"<<", boShiftLeft},
    {">>", boShiftRight},
}};

struct TIsOperatorName {
    std::string_view Keyword;
    std::uint8_t Code; // of the positive test; the negated one follows it
};

constexpr std::array<TIsOperatorName, 4> kIsOperators = {{
    {"NULL", uoIsNull},
    {"TRUE", uoIsTrue},
    {"FALSE", uoIsFalse},
    {"UNKNOWN", uoIsUnknown},
}};

parser::TSymbol& Child(const parser::TProduction& production, int index) {
    return *production.Children().Items(index);
}

bool TextIs(const parser::TSymbol& symbol, std::string_view text) {
    return core::SameText(parser::GetSymbolText(symbol), text);
}

// The content of a quoted string literal with its escapes decoded, as the server reads it (without
// NO_BACKSLASH_ESCAPES); any other text as it is.
std::string StringLiteralText(std::string_view text) {
    if (!core::IsQuotedString(text)) return std::string(text);
    return core::UnescapeStringLiteral(text.substr(1, text.size() - 2), text.front());
}

template <class Number>
bool ReadNumber(std::string_view text, Number& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

} // namespace

std::uint8_t OperatorCode(std::string_view text, const parser::TSymbol& symbol) {
    for (const TOperatorName& name : kOperators)
        if (core::SameText(name.Text, text)) return name.Code;
    RaiseCompileError(rtl::Format("Unknown operator %s", text), symbol);
}

TExpressionBuilder::TExpressionBuilder(TProgram& program, std::shared_ptr<IBlock> block)
    : program_(program), block_(std::move(block)) {}

std::shared_ptr<IExpression> TExpressionBuilder::Build(parser::TSymbol& symbol) {
    // A long operator chain parses without recursion but is built recursively; a quarter of the
    // stack stays for evaluating what was built.
    if (rtl::StackSpaceLeft() < rtl::StackSize() / 4)
        RaiseCompileError("The expression is nested too deeply", symbol);
    symbol.Accept(*this);
    if (!result_) RaiseUnknownSymbol(symbol);
    return result_;
}

std::shared_ptr<IExpression> TExpressionBuilder::BuildOperand(parser::TSymbol& symbol) {
    return CreateNestedBuilder()->Build(symbol);
}

std::unique_ptr<TExpressionBuilder> TExpressionBuilder::CreateNestedBuilder() {
    return std::make_unique<TExpressionBuilder>(program_, block_);
}

std::shared_ptr<IExpression> TExpressionBuilder::ResolveIdentifier(const std::string& name,
                                                                   const parser::TSymbol& symbol) {
    RTL_ASSERT_MSG(block_, "Names are resolved in a block");
    return ResolveSymbol(*block_, name, symbol);
}

std::shared_ptr<IExpression> TExpressionBuilder::ResolveAssignable(const std::string& name,
                                                                   const parser::TSymbol& symbol) {
    return ResolveIdentifier(name, symbol);
}

void TExpressionBuilder::SetResult(std::shared_ptr<IExpression> expression) {
    RTL_ASSERT(expression);
    RTL_ASSERT_MSG(!result_, "An expression builder builds one node");
    result_ = std::move(expression);
}

void TExpressionBuilder::SetLiteral(std::shared_ptr<core::IRODataValue> value) {
    SetResult(std::make_shared<TLiteral>(std::move(value)));
}

void TExpressionBuilder::BuildBinary(parser::TSQLProduction& production, std::uint8_t op) {
    RTL_ASSERT(production.Children().Count() == 3);
    auto left = BuildOperand(Child(production, 0));
    auto right = BuildOperand(Child(production, 2));
    SetResult(std::make_shared<TOperation>(op, std::move(left), std::move(right)));
}

void TExpressionBuilder::BuildUnary(parser::TSQLProduction& production, std::uint8_t op) {
    if (production.Children().Count() != 2) return VisitProduction(&production);
    SetResult(std::make_shared<TUnaryOperation>(op, BuildOperand(Child(production, 1))));
}

// ---- terminals

void TExpressionBuilder::VisitSymbol(parser::TSymbol* symbol) {
    RaiseUnknownSymbol(*symbol);
}

void TExpressionBuilder::VisitGrammar(parser::TGrammar* grammar) {
    RTL_ASSERT(grammar->Children().Count() == 1);
    SetResult(BuildOperand(Child(*grammar, 0)));
}

void TExpressionBuilder::VisitTextTerminal(parser::TTextTerminal* terminal) {
    SetLiteral(
        ValueFactory().CreateString(StringLiteralText(parser::GetSymbolText(*terminal)), rtl::kCodePageUtf8));
}

void TExpressionBuilder::VisitNumericTerminal(parser::TNumericTerminal* terminal) {
    const std::string text = parser::GetSymbolText(*terminal);
    const size_t point = text.find('.');
    const bool exponent = text.find_first_of("eE") != std::string::npos;
    long double number = 0;
    if (!exponent && point == std::string::npos) {
        // As the server types them: BIGINT, then BIGINT UNSIGNED, then DECIMAL.
        std::int64_t integer = 0;
        if (ReadNumber(text, integer)) return SetLiteral(ValueFactory().CreateInteger(integer));
        std::uint64_t unsignedInteger = 0;
        if (ReadNumber(text, unsignedInteger)) {
            const auto type = core::MySQLTypeCharacteristics(kMySQLTypeBigint, {}, true, -1, -1, 0, "");
            return SetLiteral(std::make_shared<core::TRODataValue>(rtl::Variant(unsignedInteger), type,
                                                                   ValueFactory().Converter()));
        }
    }
    if (!ReadNumber(text, number))
        RaiseCompileError(rtl::Format("'%s' is not a valid number", text), *terminal);
    // A number with an exponent is a DOUBLE on the server, whatever its digits; any other is a
    // decimal with as many decimals as are written.
    const std::uint8_t scale =
        exponent ? core::kScaleNotSpecified
                 : static_cast<std::uint8_t>(point == std::string::npos ? 0 : text.size() - point - 1);
    SetLiteral(ValueFactory().CreateFloat(scale, number));
}

void TExpressionBuilder::VisitHexadecimalTerminal(parser::THexadecimalTerminal* terminal) {
    // The server reads 0x41 as a number where a number is needed, but X'41' always as a string.
    const std::string digits = terminal->GetDigits();
    if (core::SameText(parser::GetSymbolText(*terminal).substr(0, 2), "X'"))
        return SetLiteral(ValueFactory().CreateString(
            AtSymbol(*terminal, [&] { return core::HexToBytes(digits); }), rtl::kCodePageBinary));
    SetLiteral(AtSymbol(*terminal, [&] { return ValueFactory().CreateHexValue(digits); }));
}

void TExpressionBuilder::VisitBinaryTerminal(parser::TBinaryTerminal* terminal) {
    SetLiteral(AtSymbol(*terminal, [&] { return ValueFactory().CreateBitValue(terminal->GetDigits()); }));
}

void TExpressionBuilder::VisitIdentifierTerminal(parser::TIdentifierTerminal* terminal) {
    SetResult(ResolveIdentifier(parser::GetSymbolText(*terminal), *terminal));
}

// ---- productions

void TExpressionBuilder::VisitIdentifier(parser::TSQLProduction* production) {
    // A dotted name is resolved whole, so that an unknown one is reported as written.
    if (production->Children().Count() == 1) return VisitProduction(production);
    SetResult(ResolveIdentifier(parser::GetSymbolText(*production), *production));
}

void TExpressionBuilder::VisitExpressionTuple(parser::TSQLProduction* production) {
    // "(" list ")": brackets around one expression; a row of several has no local model.
    const auto* list = production->Children().Find<parser::TExpressionList>();
    std::vector<parser::TExpression*> items;
    if (list) list->GetExpressions(&items);
    if (items.size() != 1) RaiseUnknownSymbol(*production);
    SetResult(std::make_shared<TBrackets>(BuildOperand(*items.front())));
}

void TExpressionBuilder::VisitCaseClause(parser::TSQLProduction* production) {
    // CASE [selector] WHEN-chain [ELSE] END; without a selector each WHEN is a condition.
    const parser::TSymbols& children = production->Children();
    RTL_ASSERT(children.Count() > 2);
    parser::TSymbol& second = Child(*production, 1);
    const auto selector = second.Is<parser::TExpression>() ? BuildOperand(second) : nullptr;
    std::shared_ptr<IExpression> otherwise;
    if (const auto* elsePart = children.Find<parser::TCaseElse>())
        otherwise = BuildOperand(Child(*elsePart, 1));
    SetResult(std::make_shared<TCaseExpression>(selector, otherwise));
    children.Find<parser::TCaseWhenChain>()->Accept(*this);
}

void TExpressionBuilder::VisitCaseWhen(parser::TSQLProduction* production) {
    // WHEN condition THEN-part, added to the CASE expression this builder holds.
    RTL_ASSERT(production->Children().Count() == 3);
    const auto caseExpression = std::dynamic_pointer_cast<ICaseExpression>(result_);
    RTL_ASSERT(caseExpression);
    const auto& thenPart = static_cast<const parser::TProduction&>(Child(*production, 2));
    RTL_ASSERT(thenPart.Children().Count() == 2);
    auto when = BuildOperand(Child(*production, 1));
    caseExpression->AddItem(when, BuildOperand(Child(thenPart, 1)));
}

void TExpressionBuilder::VisitAddBinaryExp(parser::TSQLProduction* production) {
    // The grammar nests chains to the left, as the server evaluates them.
    BuildBinary(*production,
                OperatorCode(parser::GetSymbolText(Child(*production, 1)), Child(*production, 1)));
}

void TExpressionBuilder::VisitMultExp_01(parser::TSQLProduction* production) {
    VisitAddBinaryExp(production);
}

void TExpressionBuilder::VisitComparisonExp(parser::TSQLProduction* production) {
    VisitAddBinaryExp(production);
}

void TExpressionBuilder::VisitBitBinaryExp(parser::TSQLProduction* production) {
    VisitAddBinaryExp(production);
}

void TExpressionBuilder::VisitOrOperation(parser::TSQLProduction* production) {
    BuildBinary(*production, boOr);
}

void TExpressionBuilder::VisitAndOperation(parser::TSQLProduction* production) {
    BuildBinary(*production, boAnd);
}

void TExpressionBuilder::VisitXOROperation(parser::TSQLProduction* production) {
    BuildBinary(*production, boXor);
}

void TExpressionBuilder::VisitBetweenExp(parser::TSQLProduction* production) {
    // value [NOT] BETWEEN low AND high
    const bool negated = TextIs(Child(*production, 1), "NOT");
    const int low = negated ? 3 : 2;
    RTL_ASSERT(production->Children().Count() == low + 3);
    auto value = BuildOperand(Child(*production, 0));
    auto lower = BuildOperand(Child(*production, low));
    auto upper = BuildOperand(Child(*production, low + 2));
    SetResult(std::make_shared<TTernaryOperation>(negated ? toNotBetween : toBetween, std::move(value),
                                                  std::move(lower), std::move(upper)));
}

void TExpressionBuilder::VisitNegateExp(parser::TSQLProduction* production) {
    BuildUnary(*production, uoMinus);
}

void TExpressionBuilder::VisitPositiveExp(parser::TSQLProduction* production) {
    BuildUnary(*production, uoPlus);
}

void TExpressionBuilder::VisitNotExp(parser::TSQLProduction* production) {
    BuildUnary(*production, uoNot);
}

void TExpressionBuilder::VisitBitUnaryExp(parser::TSQLProduction* production) {
    BuildUnary(*production, uoBitNot);
}

void TExpressionBuilder::VisitLiteralTrue(parser::TSQLProduction*) {
    SetLiteral(ValueFactory().CreateBoolean(true));
}

void TExpressionBuilder::VisitLiteralFalse(parser::TSQLProduction*) {
    SetLiteral(ValueFactory().CreateBoolean(false));
}

void TExpressionBuilder::VisitLiteralNull(parser::TSQLProduction*) {
    SetLiteral(core::NullDataValue());
}

void TExpressionBuilder::VisitLiteralDefault(parser::TSQLProduction*) {
    SetLiteral(core::DefaultDataValue());
}

void TExpressionBuilder::VisitIsExp(parser::TSQLProduction* production) {
    const auto& test = static_cast<const parser::TIsExp&>(*production);
    const parser::TSymbol& keyword = *test.GetOperator();
    for (const TIsOperatorName& name : kIsOperators) {
        if (!TextIs(keyword, name.Keyword)) continue;
        const auto code = static_cast<std::uint8_t>(name.Code + (test.IsNegated() ? 1 : 0));
        return SetResult(std::make_shared<TUnaryOperation>(code, BuildOperand(*test.GetOperand())));
    }
    RaiseCompileError(rtl::Format("Unknown IS operator %s", parser::GetSymbolText(keyword)), keyword);
}

void TExpressionBuilder::VisitGrmAssignationExpression(parser::TSQLProduction* production) {
    // name := value; the value first, as it is evaluated first.
    const auto& assignation = static_cast<const parser::TgrmAssignationExpression&>(*production);
    auto value = BuildOperand(*assignation.GetExpression());
    const parser::TSymbol& name = Child(assignation, 0);
    auto target = std::dynamic_pointer_cast<IAssignable>(ResolveAssignable(assignation.GetName(), name));
    if (!target) RaiseCompileError("Interface not supported", name);
    SetResult(std::make_shared<TAssignationExpression>(std::move(target), std::move(value)));
}

void TExpressionBuilder::VisitStringLiteral(parser::TSQLProduction* production) {
    // An introducer or a collation changes nothing the client evaluates.
    parser::TTextTerminal* text = static_cast<const parser::TStringLiteral&>(*production).GetTextTerminal();
    RTL_ASSERT(text);
    VisitTextTerminal(text);
}

void TExpressionBuilder::VisitInExp(parser::TSQLProduction* production) {
    const auto& in = static_cast<const parser::TInExp&>(*production);
    // A sub-select is the server's.
    if (!in.IsExpressionTuple()) return VisitProduction(production);
    auto tested = BuildOperand(Child(in, 0));
    std::vector<parser::TExpression*> items;
    in.GetValues()->GetExpressions(&items);
    auto list = std::make_shared<TExpressionList>();
    for (parser::TExpression* item : items)
        list->Add(BuildOperand(*item));
    SetResult(std::make_shared<TInExpression>(std::move(tested), in.IsNegated(), std::move(list)));
}

void TExpressionBuilder::VisitGrmCustomTypeCast(parser::TSQLProduction* production) {
    const auto& cast = static_cast<const parser::TgrmCustomTypeCast&>(*production);
    auto operand = BuildOperand(*cast.GetCastExpression());
    SetResult(
        std::make_shared<TTypeCast>(std::move(operand), AtSymbol(cast, [&] { return cast.GetCastType(); })));
}

} // namespace engine
