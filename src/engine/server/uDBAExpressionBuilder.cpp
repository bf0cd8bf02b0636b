#include "engine/server/uDBAExpressionBuilder.h"

#include "core/uStringUtils.h"
#include "engine/server/uDBAExpressions.h"
#include "engine/server/uDBAProgram.h"
#include "engine/server/uLocalVariableFinder.h"
#include "parser/uSQLExpressions.h"
#include "parser/uSQLQueries.h"
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
    while (symbol->Is<parser::TProduction>()) {
        const auto* production = static_cast<const parser::TProduction*>(symbol);
        if (production->Is<parser::TSubQuery>())
            return !core::SameText(parser::GetSymbolText(*production->Children().Items(0)), "EXISTS");
        if (production->Children().Count() != 1) return false;
        symbol = production->Children().Items(0);
    }
    return false;
}

// Stands for a count in the text until the text is cut around it; no SQL text holds it.
const std::string kLimitCountMarker("\0limit\0", 7);

std::string JoinCounts(const std::vector<std::string>& pieces, const std::vector<std::string>& counts) {
    std::string text = pieces.front();
    for (std::size_t i = 0; i < counts.size(); ++i)
        text += counts[i] + pieces[i + 1];
    return text;
}

std::vector<std::string> SessionNames(const std::vector<std::shared_ptr<TDBAVariable>>& counts) {
    std::vector<std::string> names;
    for (const auto& count : counts)
        names.push_back(count->SessionName());
    return names;
}

std::string CountLiteral(const TDBAVariable& count) {
    const auto value = count.GetValue();
    // The server refuses NULL as a count with its own error.
    return value->IsNull() ? "NULL" : std::to_string(value->AsInteger().AsInt64());
}

// Marks the local variables that give LIMIT and OFFSET counts, in text order, before the rest of
// the text is renamed for the server.
class TLimitCountMarker : public parser::TSQLProductionVisitor {
public:
    explicit TLimitCountMarker(const IBlock& block) : block_(block) {}

    void VisitIdentifierTerminal(parser::TIdentifierTerminal* terminal) override {
        if (!IsLimitCount(*terminal)) return;
        auto variable =
            std::dynamic_pointer_cast<TDBAVariable>(block_.FindSymbol(parser::GetSymbolText(*terminal)));
        if (!variable) return;
        terminal->Token()->SetText(kLimitCountMarker);
        counts.push_back(std::move(variable));
    }

    std::vector<std::shared_ptr<TDBAVariable>> counts;

private:
    const IBlock& block_;
};

std::vector<std::string> SplitAtMarkers(const std::string& text) {
    std::vector<std::string> pieces;
    std::size_t begin = 0;
    for (std::size_t at; (at = text.find(kLimitCountMarker, begin)) != std::string::npos;
         begin = at + kLimitCountMarker.size())
        pieces.push_back(text.substr(begin, at - begin));
    pieces.push_back(text.substr(begin));
    return pieces;
}

} // namespace

TDBALimitedServerSideExpression::TDBALimitedServerSideExpression(
    std::vector<std::string> pieces, std::vector<std::shared_ptr<TDBAVariable>> counts)
    : TDBAServerSideExpression(rtl::Utf8ToUtf16(JoinCounts(pieces, SessionNames(counts)))),
      pieces_(std::move(pieces)), counts_(std::move(counts)) {
    RTL_ASSERT(pieces_.size() == counts_.size() + 1);
}

std::u16string TDBALimitedServerSideExpression::RunText() const {
    std::vector<std::string> literals;
    for (const auto& count : counts_)
        literals.push_back(CountLiteral(*count));
    return rtl::Utf8ToUtf16(JoinCounts(pieces_, literals));
}

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
    std::vector<std::shared_ptr<TDBAVariable>> counts;
    if (Block()) {
        TLimitCountMarker marker(*Block());
        symbol.Accept(marker);
        counts = std::move(marker.counts);
    }
    TDBAVariables variables(false);
    // The server takes no placeholder inside an expression it evaluates.
    const std::string text = ServerSideText(symbol, Block(), variables, false, &DBAProgram());
    std::shared_ptr<TDBAServerSideExpression> expression;
    if (counts.empty()) {
        expression = std::make_shared<TDBAServerSideExpression>(rtl::Utf8ToUtf16(text));
    } else {
        std::vector<std::string> pieces = SplitAtMarkers(text);
        RTL_ASSERT_MSG(pieces.size() == counts.size() + 1, "a LIMIT count marker inside the text");
        expression = std::make_shared<TDBALimitedServerSideExpression>(std::move(pieces), std::move(counts));
    }
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
