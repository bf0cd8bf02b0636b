#include "engine/server/uDBARoutineCall.h"

#include <vector>

#include "core/uStringUtils.h"
#include "engine/local/uStrictAssignment.h"
#include "engine/server/uDBAInterpreter.h"
#include "engine/server/uDBAProgram.h"
#include "engine/server/uDebugSQLWriter.h"
#include "engine/sql/uSQLWriter.h"
#include "platform/data/Component.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Utf.h"

namespace engine {

namespace {

constexpr int kErrorFunctionWithoutReturn = 1321;
constexpr int kErrorNotVariableArgument = 1414;
constexpr int kErrorRecursiveFunction = 1424;
constexpr int kErrorRecursionLimit = 1456;

// The routine compiled, or left uncompiled with the error in `compileError` while its text does not
// compile, so that every call of it runs on the server alike; with the program's RaiseCompileErrors
// set, every call fails instead.
TRoutine* Compiled(TRoutine* routine, std::string& compileError) {
    if (!routine || routine->Compiled()) return routine;
    try {
        routine->Compile();
    } catch (const core::EDBAConnectionException&) {
        throw;
    } catch (const data::EAbort&) {
        throw;
    } catch (const rtl::Exception& error) {
        // A fault of the text.
        if (DBAProgramOf(*routine).RaiseCompileErrors()) throw;
        compileError = error.Message();
    }
    return routine;
}

std::string BareName(const TRoutine& routine) {
    TProgram& program = routine.Program();
    const core::TIdentifierManager& identifiers = program.IdentifierManager();
    return identifiers.UnquoteIdentifier(
        identifiers.SplitIdentifier(routine.Name(), program.GetDefaultSchema()).name);
}

std::string UnquotedQualifiedName(const TRoutine& routine) {
    TProgram& program = routine.Program();
    return program.IdentifierManager().UnquotedQualifiedName(routine.Name(), program.GetDefaultSchema());
}

// The server refuses recursive functions always, and a procedure that is already running as many
// times as the session's max_sp_recursion_depth allows.
void CheckRecursion(core::IDBAConnection& connection, TRoutine& callingRoutine, TRoutine& routine) {
    const int running = routine.Program().CallStack().CountOf(routine);
    if (&callingRoutine != &routine && running == 0) return;
    if (routine.Kind() == rkFunction)
        core::RaiseMySQLError("Recursive stored functions and triggers are not allowed",
                              kErrorRecursiveFunction);
    const auto limit = connection.Evaluate(u"@@max_sp_recursion_depth", true, 0)->AsInteger();
    const std::int64_t depth = core::VariantToInt64(limit);
    if (running <= depth) return;
    core::RaiseMySQLError(
        rtl::Format("Recursive limit %d (as set by the max_sp_recursion_depth variable) was "
                    "exceeded for routine %s",
                    static_cast<int>(depth), BareName(routine)),
        kErrorRecursionLimit);
}

std::shared_ptr<IDBAParameter> Parameter(const TRoutine& routine, int index) {
    const auto parameter = std::dynamic_pointer_cast<IDBAParameter>(routine.Block()->GetSymbol(index));
    RTL_ASSERT(parameter);
    return parameter;
}

// The parameters' values, restored however the call ends.
class TSavedParameters {
public:
    explicit TSavedParameters(const TRoutine& routine) : routine_(routine) {
        for (int i = 0; i < routine.Block()->SymbolCount(); ++i)
            values_.push_back(Parameter(routine, i)->GetValue()->Clone());
    }
    ~TSavedParameters() {
        for (int i = 0; i < static_cast<int>(values_.size()); ++i)
            Parameter(routine_, i)->SetValue(values_[i]);
    }
    TSavedParameters(const TSavedParameters&) = delete;
    TSavedParameters& operator=(const TSavedParameters&) = delete;

private:
    const TRoutine& routine_;
    std::vector<std::shared_ptr<core::IRODataValue>> values_;
};

// The call-stack entry, and for the time of the body the routine's schema as the current database
// and the sql_mode the routine was created under as the session's, as the server runs a routine.
class TCallFrame {
public:
    TCallFrame(core::IDBAConnection& connection, TRoutine& callingRoutine, TRoutine& routine,
               std::string arguments, int line)
        : connection_(connection), program_(routine.Program()) {
        program_.CallStack().Push(callingRoutine, routine, std::move(arguments), line);
        try {
            previousDatabase_ = connection_.GetCurrentDatabase();
            connection_.UseDatabase(GetRoutineSchema(routine));
            if (routine.SqlMode()) {
                // One saved mode per call depth: a nested call saves its caller's.
                savedSqlMode_ = rtl::Format("@debugger_internal_sql_mode_%d", program_.CallStack().Count());
                connection_.ExecSQL(
                    rtl::Format("SET %s = @@sql_mode, sql_mode = %s", savedSqlMode_,
                                core::QuoteEscapedBuffer(*routine.SqlMode(), core::TEscapeMode::Quote)));
            }
        } catch (...) {
            program_.CallStack().Pop();
            throw;
        }
    }
    ~TCallFrame() {
        try {
            if (!savedSqlMode_.empty()) connection_.ExecSQL("SET sql_mode = " + savedSqlMode_);
            // Without a current database before the call there is nothing to go back to.
            if (!previousDatabase_.empty()) connection_.UseDatabase(previousDatabase_);
        } catch (const rtl::Exception&) {
        }
        program_.CallStack().Pop();
    }
    TCallFrame(const TCallFrame&) = delete;
    TCallFrame& operator=(const TCallFrame&) = delete;

private:
    core::IDBAConnection& connection_;
    TProgram& program_;
    std::string previousDatabase_;
    std::string savedSqlMode_;
};

} // namespace

// ---- callers

TProcedureCaller::TProcedureCaller(std::shared_ptr<IRoutineCall> call) : call_(std::move(call)) {
    RTL_ASSERT(call_);
}

TRoutine* TProcedureCaller::FindRoutine(TRoutine& callingRoutine, const std::string& schema,
                                        std::string& compileError) const {
    return Compiled(callingRoutine.Program().GetProcedure(call_->GetRoutineName(), schema, false),
                    compileError);
}

int TProcedureCaller::CallLine() const {
    return call_->GetDebugInfo()->GetBeginLine();
}

void TProcedureCaller::CallOnServer(TServerCallContext& context, const std::string& argumentText,
                                    const TDBAVariables& variables) const {
    core::IDBAConnection& connection = context.Connection;
    const int replyWarningCount =
        ReportResults(ExecuteWithPush(connection, variables,
                                      rtl::Format("CALL %s(%s)", call_->GetRoutineName(), argumentText)),
                      variables, context.CallingRoutine, context.Debugger, context.Statement, false);
    const int warningCount =
        PullVariablesWithWarningCount(connection, variables, &DBAProgramOf(context.CallingRoutine), false,
                                      replyWarningCount, {&context.CallingRoutine, 0});
    ProcessReplyWarnings(connection, context.CallingRoutine, context.Block, context.Debugger,
                         context.Statement, replyWarningCount, warningCount);
}

TFunctionCaller::TFunctionCaller(std::shared_ptr<IFunctionCall> call) : call_(std::move(call)) {
    RTL_ASSERT(call_);
}

TRoutine* TFunctionCaller::FindRoutine(TRoutine& callingRoutine, const std::string& schema,
                                       std::string& compileError) const {
    return Compiled(callingRoutine.Program().GetFunction(call_->GetName(), schema, false), compileError);
}

void TFunctionCaller::CallOnServer(TServerCallContext& context, const std::string& argumentText,
                                   const TDBAVariables& variables) const {
    core::IDBAConnection& connection = context.Connection;
    ForgetKeptWarnings(connection, DBAProgramOf(context.CallingRoutine));
    PushVariables(connection, variables);
    const std::string text = rtl::Format("SELECT %s(%s)", call_->GetName(), argumentText);
    throw EReturn(connection.Evaluate(rtl::Utf8ToUtf16(text), true, 0));
}

void TVariableFinder::VisitMirroredVariable(const std::shared_ptr<TDBAVariable>& variable) {
    if (!variables_.Contains(variable)) variables_.Add(variable);
}

// ---- calls

void CallRoutine(TRoutineCaller& caller, TRoutine& callingRoutine, const std::shared_ptr<IBlock>& block,
                 const std::shared_ptr<IDebugger>& debugger, const std::shared_ptr<IStatement>& statement) {
    core::IDBAConnection& connection = RoutineConnection(callingRoutine);
    std::string compileError;
    TRoutine* routine = caller.FindRoutine(callingRoutine, GetRoutineSchema(callingRoutine), compileError);
    if (!routine || !routine->Compiled()) {
        if (routine)
            // Why stepping into it is not possible.
            debugger->Output(mkError,
                             rtl::Utf8ToUtf16(rtl::Format(
                                 "%s %s cannot be stepped into and runs on the server: %s",
                                 RoutineKindWord(routine->Kind()), routine->Name(), compileError)),
                             nullptr, statement, callingRoutine);
        TServerCallContext context{connection, callingRoutine, block, debugger, statement};
        return CallRoutineOnServer(context, caller);
    }

    CheckRecursion(connection, callingRoutine, *routine);
    const auto arguments = caller.GetArguments();
    if (arguments->Count() != routine->Block()->SymbolCount())
        RaiseWrongArgumentCount(*routine, arguments->Count());

    const TSavedParameters saved(*routine);
    std::string argumentText;
    for (int i = 0; i < arguments->Count(); ++i) {
        const auto parameter = Parameter(*routine, i);
        const auto argument = arguments->GetItem(i);
        if (parameter->GetScope() != psIn && !std::dynamic_pointer_cast<IAssignable>(argument))
            core::RaiseMySQLError(
                rtl::Format("OUT or INOUT argument %d for routine %s is not a variable or NEW "
                            "pseudo-variable in BEFORE trigger",
                            i + 1, UnquotedQualifiedName(*routine)),
                kErrorNotVariableArgument);
        if (parameter->GetScope() == psOut)
            parameter->SetValue(core::NullDataValue());
        else
            AssignStrictly(
                *parameter,
                EvaluateInContext(callingRoutine, block, debugger, argument, StoreEvaluationMode(*routine)),
                *routine);
        core::AppendWithDelimiter(argumentText, TSQLWriter::WriteExpression(parameter), ", ");
    }
    // Raised in the caller once the call has ended, as the server raises them for the CALL.
    std::vector<TStoreProblem> argumentWarnings;
    argumentWarnings.swap(callingRoutine.Program().StoreWarnings());
    const auto raiseArgumentWarnings = [&] {
        std::vector<TStoreProblem>& warnings = callingRoutine.Program().StoreWarnings();
        warnings.insert(warnings.begin(), argumentWarnings.begin(), argumentWarnings.end());
    };

    {
        const TCallFrame frame(connection, callingRoutine, *routine, argumentText, caller.CallLine());
        try {
            ExecuteInContext(*routine, routine->Block(), routine->Block()->GetStatements(), debugger);
        } catch (core::EDBAConnectionException& error) {
            // The caller's handlers have not seen it yet.
            error.SetHandled(false);
            throw;
        } catch (const EReturn&) {
            raiseArgumentWarnings();
            throw;
        }
        if (routine->Kind() == rkFunction)
            core::RaiseMySQLError(rtl::Format("FUNCTION %s ended without RETURN", BareName(*routine)),
                                  kErrorFunctionWithoutReturn);
    }

    for (int i = 0; i < arguments->Count(); ++i) {
        const auto parameter = Parameter(*routine, i);
        if (parameter->GetScope() == psIn) continue;
        const auto target = std::dynamic_pointer_cast<IAssignable>(arguments->GetItem(i));
        AssignStrictly(*target, parameter->GetValue()->Clone(), callingRoutine);
    }
    raiseArgumentWarnings();
}

void CallRoutineOnServer(TServerCallContext& context, TRoutineCaller& caller) {
    TRoutine& callingRoutine = context.CallingRoutine;
    const std::shared_ptr<IBlock>& block = context.Block;
    const std::shared_ptr<IDebugger>& debugger = context.Debugger;
    TDBAVariables variables(false);
    TVariableFinder finder(variables);
    std::string argumentText;
    const auto arguments = caller.GetArguments();
    for (int i = 0; i < arguments->Count(); ++i) {
        const auto argument = arguments->GetItem(i);
        argument->Accept(finder);
        std::string piece;
        if (const auto user = std::dynamic_pointer_cast<TDBAUserVariable>(argument))
            // By name, so that the server can write an OUT argument into it.
            piece = user->GetName();
        else if (std::dynamic_pointer_cast<IAssignable>(argument))
            piece = TSQLWriter::WriteExpression<TDebugSQLWriter>(argument);
        else
            piece = TSQLWriter::WriteExpression<TDebugSQLWriter>(
                std::make_shared<TLiteral>(EvaluateInContext(callingRoutine, block, debugger, argument)));
        core::AppendWithDelimiter(argumentText, piece, ", ");
    }
    caller.CallOnServer(context, argumentText, variables);
}

} // namespace engine
