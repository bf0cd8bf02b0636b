#include "engine/local/uStatementInterpreter.h"

#include <algorithm>
#include <cctype>
#include <exception>

#include "core/uDBAConnection.h"
#include "engine/local/uStrictAssignment.h"
#include "platform/rtl/Format.h"

namespace engine {

namespace {

constexpr int kErrorCaseNotFound = 1339;
constexpr int kErrorWrongArgumentCount = 1318;

// Statements that are no stop of their own: lists and blocks stop at their statements, a REPEAT
// stops at its UNTIL test. Told by the visit rather than by casts, which would cost more than
// running a simple statement.
class TStepStopFinder : public TStatementVisitor {
public:
    bool stop = true;

    void VisitStatement(const std::shared_ptr<IStatement>&) override {}
    void VisitCompositeStatement(const std::shared_ptr<ICompositeStatement>&) override { stop = false; }
    void VisitBlock(const std::shared_ptr<IBlock>&) override { stop = false; }
    void VisitRepeat(const std::shared_ptr<IRepeat>&) override { stop = false; }
};

bool IsStepStop(IStatement& statement) {
    TStepStopFinder finder;
    statement.Accept(finder);
    return finder.stop;
}

} // namespace

// Makes a statement the current one for its run, and the one before current again afterwards.
class TCurrentStatementScope {
public:
    TCurrentStatementScope(TStatementInterpreter& interpreter, const std::shared_ptr<IStatement>& statement)
        : interpreter_(interpreter), outer_(interpreter.current_) {
        interpreter_.current_ = &statement;
    }
    ~TCurrentStatementScope() { interpreter_.current_ = outer_; }
    TCurrentStatementScope(const TCurrentStatementScope&) = delete;
    TCurrentStatementScope& operator=(const TCurrentStatementScope&) = delete;

private:
    TStatementInterpreter& interpreter_;
    const std::shared_ptr<IStatement>* outer_;
};

TStatementInterpreter::TStatementInterpreter(TRoutine& routine, std::shared_ptr<IDebugger> debugger,
                                             std::shared_ptr<IBlock> block)
    : routine_(routine), debugger_(std::move(debugger)), block_(std::move(block)) {
    RTL_ASSERT(debugger_);
    RTL_ASSERT(block_);
}

void TStatementInterpreter::Execute(const std::shared_ptr<IStatement>& statement) {
    RTL_ASSERT(statement);
    const TCurrentStatementScope scope(*this, statement);
    statement->Accept(*this);
}

const std::shared_ptr<IStatement>& TStatementInterpreter::CurrentStatement() const {
    static const std::shared_ptr<IStatement> none;
    return current_ ? *current_ : none;
}

void TStatementInterpreter::ExecuteNested(const std::shared_ptr<IStatement>& statement) {
    Execute(statement);
}

void TStatementInterpreter::ExecuteIn(const std::shared_ptr<IBlock>& block,
                                      const std::shared_ptr<IStatement>& statement) {
    CreateNestedInterpreter(routine_, block)->Execute(statement);
}

std::unique_ptr<TStatementInterpreter>
TStatementInterpreter::CreateNestedInterpreter(TRoutine& routine, const std::shared_ptr<IBlock>& block) {
    return std::make_unique<TStatementInterpreter>(routine, debugger_, block);
}

std::shared_ptr<core::IRODataValue>
TStatementInterpreter::EvaluateExpression(const std::shared_ptr<IExpression>& expression,
                                          TEvaluationMode mode) {
    return engine::EvaluateExpression(routine_, block_, debugger_, expression, mode);
}

bool TStatementInterpreter::HandleException(rtl::Exception&, const std::shared_ptr<IStatement>&) {
    return false;
}

void TStatementInterpreter::ResetBlockVariables(const std::shared_ptr<IBlock>& block) {
    for (int i = 0; i < block->SymbolCount(); ++i)
        if (const auto variable = std::dynamic_pointer_cast<ICustomVariable>(block->GetSymbol(i)))
            ResetVariable(*variable, block);
}

void TStatementInterpreter::ResetVariable(ICustomVariable& variable, const std::shared_ptr<IBlock>& block) {
    // A DEFAULT expression is evaluated each time, in the block, so that it sees the parameters and
    // the variables declared before it, and its value is stored as strictly as a SET stores.
    const auto expression = variable.GetDefaultExpression();
    if (!expression) return variable.ResetToDefault();
    const auto value = CreateNestedInterpreter(routine_, block)
                           ->EvaluateExpression(expression, StoreEvaluationMode(routine_));
    AssignStrictly(variable, value, routine_);
}

void TStatementInterpreter::CheckTerminate() {
    if (debugger_->GetResumeMode() == rmTerminate) throw EReset();
}

void TStatementInterpreter::CallBeforeStatement(const std::shared_ptr<IStatement>& statement) {
    debugger_->BeforeStatement(routine_, block_, statement);
    CheckTerminate();
}

void TStatementInterpreter::CallEnterBlock(const std::shared_ptr<IBlock>& block) {
    debugger_->EnterBlock(routine_, block);
    CheckTerminate();
}

void TStatementInterpreter::CallLeaveBlock(const std::shared_ptr<IBlock>& block) {
    debugger_->LeaveBlock(routine_, block);
    CheckTerminate();
}

bool TStatementInterpreter::TryHandle(rtl::Exception& exception,
                                      const std::shared_ptr<IStatement>& statement) {
    if (IsFlowControlException(exception)) return false;
    if (HandleException(exception, statement)) return true;
    bool handled = false;
    debugger_->OnException(exception, routine_, handled, statement);
    return handled;
}

bool TStatementInterpreter::Holds(const std::shared_ptr<IExpression>& condition,
                                  const std::shared_ptr<core::IRODataValue>& selector) {
    return TExpressionInterpreter(routine_, debugger_, block_).Holds(condition, selector);
}

void TStatementInterpreter::VisitStatement(const std::shared_ptr<IStatement>&) {
    throw rtl::Exception("Unknown statement");
}

void TStatementInterpreter::VisitCompositeStatement(const std::shared_ptr<ICompositeStatement>& statement) {
    for (int i = 0; i < statement->Count(); ++i) {
        const auto item = statement->GetStatement(i);
        const TCurrentStatementScope scope(*this, item);
        try {
            if (IsStepStop(*item)) CallBeforeStatement(item);
            item->Accept(*this);
        } catch (rtl::Exception& exception) {
            if (!TryHandle(exception, item)) throw;
        }
    }
}

void TStatementInterpreter::VisitAssignation(const std::shared_ptr<IAssignation>& statement) {
    try {
        const auto target = statement->GetTarget();
        const auto value = EvaluateExpression(
            statement->GetExpression(), IsTypedVariable(*target) ? StoreEvaluationMode(routine_) : emDefault);
        // SET x = DEFAULT gives x what its declaration gives it.
        if (value == core::DefaultDataValue())
            if (const auto variable = std::dynamic_pointer_cast<ICustomVariable>(target))
                return ResetVariable(*variable, block_);
        AssignStrictly(*target, value, routine_);
    } catch (rtl::Exception& exception) {
        if (!TryHandle(exception, statement)) throw;
    }
}

void TStatementInterpreter::VisitMultiAssignation(const std::shared_ptr<IMultiAssignation>& statement) {
    for (int i = 0; i < statement->Count(); ++i)
        VisitAssignation(statement->GetItem(i));
}

void TStatementInterpreter::VisitCondition(const std::shared_ptr<ICondition>& statement) {
    if (Holds(statement->GetCondition()))
        ExecuteNested(statement->GetThen());
    else if (const auto otherwise = statement->GetElse())
        ExecuteNested(otherwise);
}

void TStatementInterpreter::VisitConditionChain(const std::shared_ptr<IConditionChain>& statement) {
    if (Holds(statement->GetCondition())) return ExecuteNested(statement->GetThen());
    for (int i = 0; i < statement->Count(); ++i) {
        const auto branch = statement->GetItem(i);
        if (Holds(branch->GetCondition())) return ExecuteNested(branch->GetStatement());
    }
    if (const auto otherwise = statement->GetElse()) ExecuteNested(otherwise);
}

void TStatementInterpreter::VisitCase(const std::shared_ptr<ICase>& statement) {
    const auto selector = statement->GetSelector();
    const auto selectorValue = selector ? EvaluateExpression(selector, emDefault) : nullptr;
    for (int i = 0; i < statement->Count(); ++i)
        if (Holds(statement->GetWhen(i), selectorValue)) return ExecuteNested(statement->GetThen(i));
    const auto otherwise = statement->GetElse();
    if (!otherwise) core::RaiseMySQLError("Case not found for CASE statement", kErrorCaseNotFound);
    ExecuteNested(otherwise);
}

TStatementInterpreter::TBodyEnd TStatementInterpreter::RunBody(const std::shared_ptr<IStatement>& body,
                                                               const std::string& label) {
    try {
        ExecuteNested(body);
        return TBodyEnd::Completed;
    } catch (const ELeave& exception) {
        if (IsAddressedTo(exception, label)) return TBodyEnd::Left;
        throw;
    } catch (const EBreak& exception) {
        if (IsAddressedTo(exception, label)) return TBodyEnd::Left;
        throw;
    } catch (const EContinue& exception) {
        if (IsAddressedTo(exception, label)) return TBodyEnd::Iterated;
        throw;
    }
}

void TStatementInterpreter::VisitWhile(const std::shared_ptr<IWhile>& statement) {
    // The statement list stopped before the first test; each further test stops on the WHILE.
    while (Holds(statement->GetCondition())) {
        if (RunBody(statement->GetStatements(), statement->GetLabel()) == TBodyEnd::Left) return;
        CallBeforeStatement(statement);
    }
}

void TStatementInterpreter::VisitLoop(const std::shared_ptr<ILoop>& statement) {
    for (;;)
        if (RunBody(statement->GetStatements(), statement->GetLabel()) == TBodyEnd::Left) return;
}

void TStatementInterpreter::VisitRepeat(const std::shared_ptr<IRepeat>& statement) {
    for (;;) {
        switch (RunBody(statement->GetStatements(), statement->GetLabel())) {
        case TBodyEnd::Left:
            return;
        case TBodyEnd::Iterated:
            // As on the server, ITERATE starts the body again without testing UNTIL.
            continue;
        case TBodyEnd::Completed:
            break;
        }
        // The REPEAT's position is its UNTIL line.
        CallBeforeStatement(statement);
        if (Holds(statement->GetCondition())) return;
    }
}

void TStatementInterpreter::VisitLoopContinuer(const std::shared_ptr<ILoopContinuer>& statement) {
    throw EContinue(statement->GetLabel());
}

void TStatementInterpreter::VisitBlockLeave(const std::shared_ptr<IBlockLeave>& statement) {
    throw ELeave(statement->GetLabel());
}

void TStatementInterpreter::VisitBlock(const std::shared_ptr<IBlock>& statement) {
    ResetBlockVariables(statement);
    std::exception_ptr failure;
    try {
        CallEnterBlock(statement);
        ExecuteIn(statement, statement->GetStatements());
    } catch (const ELeave& exception) {
        if (!IsAddressedTo(exception, statement->GetLabel())) failure = std::current_exception();
    } catch (const EExitBlock& exception) {
        if (exception.BlockIdentity() != statement->GetIdentity()) failure = std::current_exception();
    } catch (...) {
        failure = std::current_exception();
    }
    // A session being ended leaves its blocks without the hook.
    if (debugger_->GetResumeMode() != rmTerminate) CallLeaveBlock(statement);
    if (failure) std::rethrow_exception(failure);
}

void TStatementInterpreter::VisitReturn(const std::shared_ptr<IReturn>& statement) {
    // Only a function has a type to return, and its result is stored as strictly as a variable.
    const core::TDatatypeCharacteristics& type = routine_.ReturnType();
    const bool typed = type.DataType != core::dtUnknown;
    const auto value =
        EvaluateExpression(statement->GetExpression(), typed ? StoreEvaluationMode(routine_) : emDefault);
    if (!typed) throw EReturn(value->Clone());
    TProgram& program = routine_.Program();
    const core::TIdentifierManager& identifiers = program.IdentifierManager();
    const std::string name = identifiers.SplitIdentifier(routine_.Name(), program.GetDefaultSchema()).name;
    if (StoresStrictly(routine_)) CheckStrictStore(*value, type, identifiers.UnquoteIdentifier(name) + "()");
    throw EReturn(value->ConvertTo(type));
}

void TStatementInterpreter::VisitDOStatement(const std::shared_ptr<IDOStatement>& statement) {
    EvaluateExpression(statement->GetExpression(), emDefault);
}

void RunStatement(TRoutine& routine, const std::shared_ptr<IBlock>& block,
                  const std::shared_ptr<IStatement>& statement, const std::shared_ptr<IDebugger>& debugger) {
    TStatementInterpreter(routine, debugger, block).Execute(statement);
}

void RaiseWrongArgumentCount(const TRoutine& routine, int got) {
    std::string kind(RoutineKindNamesLower[routine.Kind()]);
    std::transform(kind.begin(), kind.end(), kind.begin(), [](unsigned char c) { return std::toupper(c); });
    TProgram& program = routine.Program();
    const std::string name =
        program.IdentifierManager().UnquotedQualifiedName(routine.Name(), program.GetDefaultSchema());
    core::RaiseMySQLError(rtl::Format("Incorrect number of arguments for %s %s; expected %d, got %d", kind,
                                      name, routine.Block()->SymbolCount(), got),
                          kErrorWrongArgumentCount);
}

} // namespace engine
