#include "engine/uDBAExpressionBuilder.h"

#include "core/uStringUtils.h"
#include "engine/uDBAExpressions.h"
#include "engine/uDBAProgram.h"
#include "engine/uLocalVariableFinder.h"
#include "parser/uSQLExpressions.h"
#include "parser/uSQLValues.h"
#include "parser/uSystemFunctions.h"
#include "platform/rtl/Utf.h"

namespace engine {

namespace {

// The built-in functions the server also calls by their bare name.
bool IsNiladicFunction(std::string_view name) {
    for (std::string_view function :
         {"CURRENT_DATE", "CURRENT_TIME", "CURRENT_TIMESTAMP", "CURRENT_USER", "CURRENT_ROLE", "LOCALTIME",
          "LOCALTIMESTAMP", "UTC_DATE", "UTC_TIME", "UTC_TIMESTAMP"}) {
        if (core::SameText(name, function)) return true;
    }
    return false;
}

// Whether the operand is a sub-select quantified by ANY, SOME or ALL, which only a comparison reads.
bool IsQuantifiedSubQuery(const parser::TSymbol& operand) {
    const parser::TSymbol* symbol = &operand;
    while (const auto* production = dynamic_cast<const parser::TProduction*>(symbol)) {
        if (production->Is<parser::TSubQuery>())
            return !core::SameText(parser::GetSymbolText(*production->Children().Items(0)), "EXISTS");
        if (production->Children().Count() != 1) return false;
        symbol = production->Children().Items(0);
    }
    return false;
}

} // namespace

std::shared_ptr<IExpression> ResolveUserVariable(TDBAProgram& program, const std::string& name) {
    if (!name.starts_with('@')) return nullptr;
    return std::make_shared<TDBAUserVariable>(name, program.Connection());
}

TDBAExpressionBuilder::TDBAExpressionBuilder(TDBAProgram& program, std::shared_ptr<IBlock> block)
    : TExpressionBuilder(program, std::move(block)) {}

TDBAProgram& TDBAExpressionBuilder::DBAProgram() const {
    return static_cast<TDBAProgram&>(Program());
}

std::unique_ptr<TExpressionBuilder> TDBAExpressionBuilder::CreateNestedBuilder() {
    return std::make_unique<TDBAExpressionBuilder>(DBAProgram(), Block());
}

std::shared_ptr<IExpression> TDBAExpressionBuilder::ResolveIdentifier(const std::string& name,
                                                                      const parser::TSymbol& symbol) {
    if (auto variable = ResolveUserVariable(DBAProgram(), name)) return variable;
    if (IsNiladicFunction(name) && !(Block() && Block()->FindSymbol(name)))
        return std::make_shared<TDBAServerSideExpression>(rtl::Utf8ToUtf16(name));
    return TExpressionBuilder::ResolveIdentifier(name, symbol);
}

void TDBAExpressionBuilder::BuildServerSide(parser::TSymbol& symbol) {
    TDBAVariables variables(false);
    // The server takes no placeholder inside an expression it evaluates.
    const std::string text = ServerSideText(symbol, Block(), variables, false);
    auto expression = std::make_shared<TDBAServerSideExpression>(rtl::Utf8ToUtf16(text));
    expression->Variables().Assign(variables);
    SetResult(std::move(expression));
}

void TDBAExpressionBuilder::VisitFunction(parser::TSQLProduction* production) {
    const auto& function = static_cast<const parser::TFunction&>(*production);
    const std::string name = function.GetName();
    if (parser::SystemFunctions().Exists(name)) return BuildServerSide(*production);
    auto call = std::make_shared<TFunctionCall>(name);
    std::vector<parser::TExpression*> arguments;
    function.GetArguments(&arguments);
    for (parser::TExpression* argument : arguments)
        call->GetArguments()->Add(BuildOperand(*argument));
    SetResult(std::move(call));
}

void TDBAExpressionBuilder::VisitComparisonExp(parser::TSQLProduction* production) {
    RTL_ASSERT(production->Children().Count() == 3);
    if (IsQuantifiedSubQuery(*production->Children().Items(2))) return BuildServerSide(*production);
    TExpressionBuilder::VisitComparisonExp(production);
}

void TDBAExpressionBuilder::VisitInExp(parser::TSQLProduction* production) {
    if (!static_cast<const parser::TInExp&>(*production).IsExpressionTuple())
        return BuildServerSide(*production);
    TExpressionBuilder::VisitInExp(production);
}

void TDBAExpressionBuilder::VisitSelectTuple(parser::TSQLProduction* production) {
    // "(" SELECT ")"
    RTL_ASSERT(production->Children().Count() == 3);
    SetResult(std::make_shared<TBrackets>(BuildOperand(*production->Children().Items(1))));
}

void TDBAExpressionBuilder::VisitSelectStatement(parser::TSQLProduction* production) {
    BuildServerSide(*production);
}

void TDBAExpressionBuilder::VisitSubQuery(parser::TSQLProduction* production) {
    BuildServerSide(*production);
}

void TDBAExpressionBuilder::VisitGrmRegexpExpression(parser::TSQLProduction* production) {
    BuildServerSide(*production);
}

void TDBAExpressionBuilder::VisitGrmLikeExp(parser::TSQLProduction* production) {
    BuildServerSide(*production);
}

void TDBAExpressionBuilder::VisitGrmDateTimeBinaryExp(parser::TSQLProduction* production) {
    BuildServerSide(*production);
}

void TDBAExpressionBuilder::VisitGrmServerSideExpression(parser::TSQLProduction* production) {
    BuildServerSide(*production);
}

} // namespace engine
