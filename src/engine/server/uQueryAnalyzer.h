// Classifies a statement of the SQL window and rewrites it for the server.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/model/uStatements.h"
#include "engine/server/uDBAExpressions.h"
#include "parser/uSQLProductionVisitor.h"

namespace engine {

enum TQueryKind : std::uint8_t {
    qkNotAllowed = 0,
    qkReturnsRows = 1,
    qkCall = 2,
    qkReturnsNoRows = 3,
};

// What the SQL window may run: its kind and the text to send, with session variable names in place
// of the local variables. The text is empty for a statement that is not allowed.
struct TQueryAnalyzingResult {
    TQueryKind Kind = qkNotAllowed;
    std::u16string Text;
};

// Classifies one parsed statement of the SQL window and rewrites it for the server.
class TQueryAnalyzer : public parser::TSQLProductionVisitor {
public:
    // Without a block, local names stay as written and nothing is collected.
    TQueryAnalyzer(std::shared_ptr<IBlock> block, TDBAVariables& variables);

    // A statement decides nothing unless it is a query, a CALL or a statement passed on as written;
    // what decided nothing returns no rows.
    void Analyze(parser::TSymbol& statement);
    const TQueryAnalyzingResult& Result() const { return result_; }

    void VisitProduction(parser::TProduction* production) override;
    void VisitStatement(parser::TSQLProduction* production) override;
    void VisitSQLStatement(parser::TSQLProduction* production) override;
    void VisitSelectStatement(parser::TSQLProduction* production) override;
    void VisitRoutineCallStatement(parser::TSQLProduction* production) override;
    void VisitGrmDishonestStatement(parser::TSQLProduction* production) override;

private:
    void Decide(TQueryKind kind, parser::TSymbol& production);

    std::shared_ptr<IBlock> block_;
    TDBAVariables& variables_;
    TQueryAnalyzingResult result_;
    bool decided_ = false;
};

// Parses one statement of the SQL window and analyses it in the context of the block, when one is
// given, collecting the local variables it uses. A syntax error raises parser::EGrammarError.
TQueryAnalyzingResult AnalyzeQuery(std::u16string_view text, const std::shared_ptr<IBlock>& block,
                                   TDBAVariables& variables);

} // namespace engine
