// The statement builder of the server-side program.
#pragma once

#include <memory>
#include <string>

#include "engine/local/uStatementBuilder.h"
#include "engine/server/uDBABlock.h"

namespace engine {

class TDBAProgram;

// The statement builder of the server-side program. SQL statements become server-side statements
// whose text names the session variables of the local variables they use; cursors, conditions and
// handlers are declared in the server-side block; CALL, OPEN, FETCH, CLOSE, SIGNAL and RESIGNAL get
// statements of their own. An undeclared SET target is a system variable when the server has one of
// that name. Control flow is built as the base builds it.
class TDBAStatementBuilder : public TStatementBuilder {
public:
    // The routine's program must be a TDBAProgram and the block an IDBABlock.
    TDBAStatementBuilder(TRoutine& routine, std::shared_ptr<ICompositeStatement> statements,
                         std::shared_ptr<IBlock> block);

    std::shared_ptr<ISymbol> CreateParameter(const std::string& name,
                                             std::shared_ptr<core::IRWDataValue> value,
                                             const parser::TgrmParameterDefinition& definition,
                                             TParameterScope scope) override;
    std::shared_ptr<ISymbol> CreateVariable(const std::string& name,
                                            std::shared_ptr<core::IRWDataValue> value,
                                            std::shared_ptr<IExpression> defaultExpression) override;
    std::unique_ptr<TExpressionBuilder>
    CreateExpressionBuilder(const std::shared_ptr<IBlock>& block) override;
    std::unique_ptr<TStatementBuilder>
    CreateNestedBuilder(TRoutine& routine, const std::shared_ptr<IBlock>& block,
                        std::shared_ptr<ICompositeStatement> statements) override;
    std::shared_ptr<IBlock> CreateBlock(std::shared_ptr<IDebugInfo> debugInfo,
                                        const std::shared_ptr<IBlock>& parent, std::string label) override;
    std::shared_ptr<IExpression> ResolveIdentifier(const std::string& name,
                                                   const parser::TSymbol& symbol) override;
    std::shared_ptr<IExpression> ResolveAssignable(const std::string& name,
                                                   const parser::TSymbol& symbol) override;

    void VisitSQLStatement(parser::TSQLProduction* production) override;
    void VisitGrmSimpleServerSideStatement(parser::TSQLProduction* production) override;
    void VisitGrmDishonestStatement(parser::TSQLProduction* production) override;
    void VisitRoutineCallStatement(parser::TSQLProduction* production) override;
    void VisitCursorDeclaration(parser::TSQLProduction* production) override;
    void VisitOpenCursor(parser::TSQLProduction* production) override;
    void VisitFetchCursor(parser::TSQLProduction* production) override;
    void VisitCloseCursor(parser::TSQLProduction* production) override;
    void VisitConditionDeclaration(parser::TSQLProduction* production) override;
    void VisitHandlerDeclaration(parser::TSQLProduction* production) override;
    void VisitGrmSignal(parser::TSQLProduction* production) override;
    void VisitGrmResignal(parser::TSQLProduction* production) override;

private:
    TDBAProgram& DBAProgram() const;
    IDBABlock& DBABlock() const;
    void AddServerSideStatement(parser::TSQLProduction& production);
    // The cursor an enclosing block declares under the statement's name.
    TDBACursor* Cursor(parser::TSQLProduction& production) const;
    std::unique_ptr<TConditionValue> ConditionValue(int kind, const std::string& text,
                                                    const parser::TSymbol& symbol) const;
    // The SQLSTATE a SIGNAL or RESIGNAL raises; empty for a RESIGNAL that names none.
    std::string SignalState(parser::TSQLProduction& production) const;
    template <class Signal>
    void AddSignal(parser::TSQLProduction& production);
};

} // namespace engine
