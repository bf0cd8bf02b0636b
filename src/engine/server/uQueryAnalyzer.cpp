#include "engine/server/uQueryAnalyzer.h"

#include "engine/server/uLocalVariableFinder.h"
#include "parser/uMySqlGrammar.h"
#include "parser/uParser.h"
#include "parser/uSQLQueries.h"
#include "parser/uSQLStatements.h"
#include "platform/rtl/Utf.h"

namespace engine {

TQueryAnalyzer::TQueryAnalyzer(std::shared_ptr<IBlock> block, TDBAVariables& variables)
    : block_(std::move(block)), variables_(variables) {}

void TQueryAnalyzer::Analyze(parser::TSymbol& statement) {
    statement.Accept(*this);
    if (!decided_) Decide(qkReturnsNoRows, statement);
}

void TQueryAnalyzer::Decide(TQueryKind kind, parser::TSymbol& production) {
    RTL_ASSERT_MSG(!decided_, "A statement is classified once");
    decided_ = true;
    result_.Kind = kind;
    if (kind != qkNotAllowed)
        result_.Text = rtl::Utf8ToUtf16(ServerSideText(production, block_, variables_, true));
}

void TQueryAnalyzer::VisitProduction(parser::TProduction*) {
    // Only the productions below decide; nothing else is entered.
}

void TQueryAnalyzer::VisitStatement(parser::TSQLProduction* production) {
    const parser::TSymbols& children = production->Children();
    const parser::TSymbol* child = children.Count() == 1 ? children.Items(0) : nullptr;
    if (child && (child->Is<parser::TSQLStatement>() || child->Is<parser::TgrmDishonestStatement>() ||
                  child->Is<parser::TgrmDoStatement>() || child->Is<parser::TRoutineCallStatement>() ||
                  child->Is<parser::TAssignationStatement>()))
        return parser::TSymbolVisitor::VisitProduction(production);
    Decide(qkNotAllowed, *production);
}

void TQueryAnalyzer::VisitSQLStatement(parser::TSQLProduction* production) {
    parser::TSymbolVisitor::VisitProduction(production);
}

void TQueryAnalyzer::VisitSelectStatement(parser::TSQLProduction* production) {
    Decide(parser::FindChildSymbol<parser::TIntoClause>(*production) ? qkReturnsNoRows : qkReturnsRows,
           *production);
}

void TQueryAnalyzer::VisitRoutineCallStatement(parser::TSQLProduction* production) {
    Decide(qkCall, *production);
}

void TQueryAnalyzer::VisitGrmDishonestStatement(parser::TSQLProduction* production) {
    const auto& statement = static_cast<const parser::TgrmDishonestStatement&>(*production);
    // The SQL window runs in the debugged session, whose database the run relies on.
    if (statement.IsUse()) return Decide(qkNotAllowed, *production);
    Decide(statement.ReturnsResult() ? qkReturnsRows : qkReturnsNoRows, *production);
}

TQueryAnalyzingResult AnalyzeQuery(std::u16string_view text, const std::shared_ptr<IBlock>& block,
                                   TDBAVariables& variables) {
    parser::TMySqlGrammar grammar;
    grammar.SetParseMode(parser::pmStatements);
    parser::GrammarParserCache().GetParser<parser::TMySqlGrammar>().Parse(grammar, text);
    RTL_ASSERT(grammar.Children().Count() == 1);
    TQueryAnalyzer analyzer(block, variables);
    analyzer.Analyze(*grammar.Children().Items(0));
    return analyzer.Result();
}

} // namespace engine
