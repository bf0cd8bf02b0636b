// Runs statement trees on the client under the debugger's hooks.
#pragma once

#include <memory>
#include <string>

#include "core/uDataValues.h"
#include "engine/local/uExpressionInterpreter.h"
#include "engine/local/uProgram.h"
#include "engine/model/uDebugger.h"
#include "engine/model/uStatements.h"
#include "platform/rtl/Exception.h"

namespace engine {

// Runs a statement tree on the client: statement lists with the debugger's hooks, IF, CASE, the
// loops, LEAVE and ITERATE, blocks with their variables, RETURN and DO. Control flow travels as the
// flow-control exceptions; every other error raised while a statement runs is offered to the
// routine's condition handlers (HandleException, supplied by the server-side interpreter) and then
// to the debugger. One interpreter runs one statement; branches, bodies and blocks get nested ones.
class TStatementInterpreter : public TStatementVisitor {
public:
    // The routine must outlive the interpreter; `block` is the innermost block whose statements run.
    TStatementInterpreter(TRoutine& routine, std::shared_ptr<IDebugger> debugger,
                          std::shared_ptr<IBlock> block);

    void Execute(const std::shared_ptr<IStatement>& statement);

    // Raises "Unknown statement".
    void VisitStatement(const std::shared_ptr<IStatement>& statement) override;
    void VisitCompositeStatement(const std::shared_ptr<ICompositeStatement>& statement) override;
    void VisitAssignation(const std::shared_ptr<IAssignation>& statement) override;
    void VisitMultiAssignation(const std::shared_ptr<IMultiAssignation>& statement) override;
    void VisitCondition(const std::shared_ptr<ICondition>& statement) override;
    void VisitConditionChain(const std::shared_ptr<IConditionChain>& statement) override;
    void VisitWhile(const std::shared_ptr<IWhile>& statement) override;
    void VisitLoopContinuer(const std::shared_ptr<ILoopContinuer>& statement) override;
    void VisitCase(const std::shared_ptr<ICase>& statement) override;
    void VisitBlockLeave(const std::shared_ptr<IBlockLeave>& statement) override;
    void VisitBlock(const std::shared_ptr<IBlock>& statement) override;
    void VisitLoop(const std::shared_ptr<ILoop>& statement) override;
    void VisitRepeat(const std::shared_ptr<IRepeat>& statement) override;
    void VisitReturn(const std::shared_ptr<IReturn>& statement) override;
    void VisitDOStatement(const std::shared_ptr<IDOStatement>& statement) override;

protected:
    // Every variable of the block back to its default, in declaration order, at each entry of the
    // block; a DEFAULT expression is evaluated anew each time.
    virtual void ResetBlockVariables(const std::shared_ptr<IBlock>& block);
    // The variable back to its declared default, evaluated in the block.
    virtual void ResetVariable(ICustomVariable& variable, const std::shared_ptr<IBlock>& block);
    // A new interpreter of this class with the same debugger.
    virtual std::unique_ptr<TStatementInterpreter>
    CreateNestedInterpreter(TRoutine& routine, const std::shared_ptr<IBlock>& block);
    virtual std::shared_ptr<core::IRODataValue>
    EvaluateExpression(const std::shared_ptr<IExpression>& expression, TEvaluationMode mode);
    // Whether the condition holds or, with a selector, the CASE branch is taken (see
    // TExpressionInterpreter::Holds).
    virtual bool Holds(const std::shared_ptr<IExpression>& condition,
                       const std::shared_ptr<core::IRODataValue>& selector = nullptr);
    // Whether the routine's own condition handlers took an error raised while the statement ran;
    // the base has none.
    virtual bool HandleException(rtl::Exception& exception, const std::shared_ptr<IStatement>& statement);

    TRoutine& Routine() const { return routine_; }
    const std::shared_ptr<IDebugger>& Debugger() const { return debugger_; }
    const std::shared_ptr<IBlock>& Block() const { return block_; }

    // Runs the statement in this block, on this interpreter, or in the given block on a nested one.
    void ExecuteNested(const std::shared_ptr<IStatement>& statement);
    void ExecuteIn(const std::shared_ptr<IBlock>& block, const std::shared_ptr<IStatement>& statement);

    // The hooks; each is followed by the terminate check, which raises EReset once the debugger
    // asks to end the session.
    void CallBeforeStatement(const std::shared_ptr<IStatement>& statement);
    void CallEnterBlock(const std::shared_ptr<IBlock>& block);
    void CallLeaveBlock(const std::shared_ptr<IBlock>& block);

    // Whether an error raised while the statement ran was taken, by a handler of the routine or by
    // the debugger; the statement is then done. Flow control is never offered.
    bool TryHandle(rtl::Exception& exception, const std::shared_ptr<IStatement>& statement);

    // The statement this interpreter runs; null outside Execute.
    const std::shared_ptr<IStatement>& CurrentStatement() const;

private:
    // How a loop's body ended.
    enum class TBodyEnd { Completed, Iterated, Left };

    TBodyEnd RunBody(const std::shared_ptr<IStatement>& body, const std::string& label);
    void CheckTerminate();

    TRoutine& routine_;
    std::shared_ptr<IDebugger> debugger_;
    std::shared_ptr<IBlock> block_;
    // Points at the caller's reference, which outlives the run of the statement: no reference count
    // changes per statement.
    const std::shared_ptr<IStatement>* current_ = nullptr;

    friend class TCurrentStatementScope;
};

// Runs the statement with a base interpreter.
void RunStatement(TRoutine& routine, const std::shared_ptr<IBlock>& block,
                  const std::shared_ptr<IStatement>& statement, const std::shared_ptr<IDebugger>& debugger);

// The server's error 1318 for a call of the routine with `got` arguments.
[[noreturn]] void RaiseWrongArgumentCount(const TRoutine& routine, int got);

} // namespace engine
