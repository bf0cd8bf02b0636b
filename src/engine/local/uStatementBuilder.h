// Builds statement trees from parsed stored-program statements.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/uDataTypes.h"
#include "core/uDataValues.h"
#include "engine/local/uCompiler.h"
#include "engine/local/uExpressionBuilder.h"
#include "engine/local/uProgram.h"
#include "engine/model/uExpressions.h"
#include "engine/model/uStatements.h"
#include "parser/uSQLProductionVisitor.h"

namespace parser {
class TgrmCreateRoutine;
class TgrmParameterDefinition;
} // namespace parser

namespace engine {

// "OUT" and "INOUT" ignoring case; anything else is IN.
TParameterScope ParameterScope(std::string_view text);

// The lines of a statement's text: the line of its first token and of its last.
std::shared_ptr<IDebugInfo> DebugInfoOf(const parser::TSymbol& symbol);

// Builds the statement model of a routine text (a CREATE PROCEDURE or CREATE FUNCTION text, or the
// statements of the main block) into a statement list, declaring variables and parameters in the
// current block and opening a block for every BEGIN ... END. Control flow, SET, DECLARE, DO and
// RETURN are built here; every other statement is the compile error "'%s' is not allowed here",
// which the server-side builder replaces by statements the server runs.
class TStatementBuilder : public parser::TSQLProductionVisitor {
public:
    // The routine must outlive the builder; new statements go to `statements`, declarations to `block`.
    TStatementBuilder(TRoutine& routine, std::shared_ptr<ICompositeStatement> statements,
                      std::shared_ptr<IBlock> block);

    void Build(parser::TSymbol& symbol);

    // A parameter of the routine; the base makes none, so only a builder that supplies parameters
    // compiles a routine that has any.
    virtual std::shared_ptr<ISymbol> CreateParameter(const std::string& name,
                                                     std::shared_ptr<core::IRWDataValue> value,
                                                     const parser::TgrmParameterDefinition& definition,
                                                     TParameterScope scope);
    // A variable holding NULL until its block is entered; the default expression may be null.
    virtual std::shared_ptr<ISymbol> CreateVariable(const std::string& name,
                                                    std::shared_ptr<core::IRWDataValue> value,
                                                    std::shared_ptr<IExpression> defaultExpression);
    virtual std::unique_ptr<TExpressionBuilder> CreateExpressionBuilder(const std::shared_ptr<IBlock>& block);
    // A builder of this class over the three.
    virtual std::unique_ptr<TStatementBuilder>
    CreateNestedBuilder(TRoutine& routine, const std::shared_ptr<IBlock>& block,
                        std::shared_ptr<ICompositeStatement> statements);
    virtual std::shared_ptr<IBlock> CreateBlock(std::shared_ptr<IDebugInfo> debugInfo,
                                                const std::shared_ptr<IBlock>& parent, std::string label);
    virtual std::shared_ptr<IExpression> ResolveIdentifier(const std::string& name,
                                                           const parser::TSymbol& symbol);
    virtual std::shared_ptr<IExpression> ResolveAssignable(const std::string& name,
                                                           const parser::TSymbol& symbol);

    void VisitAssignationStatement(parser::TSQLProduction* production) override;
    void VisitVariableDeclaration(parser::TSQLProduction* production) override;
    void VisitIFStatement(parser::TSQLProduction* production) override;
    void VisitCaseStatement(parser::TSQLProduction* production) override;
    void VisitLoopStatement(parser::TSQLProduction* production) override;
    void VisitLeaveStatement(parser::TSQLProduction* production) override;
    void VisitIterateStatement(parser::TSQLProduction* production) override;
    void VisitRepeatStatement(parser::TSQLProduction* production) override;
    void VisitWhileStatement(parser::TSQLProduction* production) override;
    void VisitBlockStatement(parser::TSQLProduction* production) override;
    void VisitReturnStatement(parser::TSQLProduction* production) override;
    void VisitGrmCreateProcedure(parser::TSQLProduction* production) override;
    void VisitGrmCreateFunction(parser::TSQLProduction* production) override;
    void VisitGrmDoStatement(parser::TSQLProduction* production) override;

    // Statements that need the server: not allowed here.
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

protected:
    TRoutine& Routine() const { return routine_; }
    TProgram& Program() const { return routine_.Program(); }
    const std::shared_ptr<IBlock>& Block() const { return block_; }
    const std::shared_ptr<ICompositeStatement>& Statements() const { return statements_; }

    std::shared_ptr<IExpression> BuildExpression(parser::TSymbol& symbol);
    void AddStatement(std::shared_ptr<IStatement> statement);
    // Declares the symbol in the current block; a name it already declares is the compile error
    // "Identifier redeclared: '%s'" at `name`.
    void AddSymbol(std::shared_ptr<ISymbol> symbol, const parser::TSymbol& name);
    // The statements of a statement-list symbol (none: nothing) into the list, in this block or in
    // another one.
    void BuildInto(parser::TSymbol* symbol, const std::shared_ptr<ICompositeStatement>& list);
    void BuildNested(parser::TSymbol* symbol, const std::shared_ptr<IBlock>& block,
                     const std::shared_ptr<ICompositeStatement>& list);
    std::shared_ptr<ICompositeStatement> BuildList(parser::TSymbol* symbol);
    std::shared_ptr<ISymbol> DeclareVariable(const std::string& name,
                                             const core::TDatatypeCharacteristics& type,
                                             std::shared_ptr<IExpression> defaultExpression);
    std::shared_ptr<ISymbol> DeclareParameter(const std::string& name,
                                              const core::TDatatypeCharacteristics& type,
                                              const parser::TgrmParameterDefinition& definition,
                                              TParameterScope scope);
    // The parameters first, then the body into the current list.
    void CompileRoutine(parser::TgrmCreateRoutine& routine);

private:
    // A label as the flow-control statements compare it: without identifier quotes.
    std::string Label(const std::string& text) const;

    TRoutine& routine_;
    std::shared_ptr<ICompositeStatement> statements_;
    std::shared_ptr<IBlock> block_;
};

} // namespace engine
