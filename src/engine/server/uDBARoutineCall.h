// Calls of stored procedures and functions, interpreted when possible, else run on the server.
#pragma once

#include <memory>
#include <string>

#include "core/uDBAConnection.h"
#include "engine/local/uProgram.h"
#include "engine/model/uDebugger.h"
#include "engine/model/uStatements.h"
#include "engine/server/uDBAExpressions.h"

namespace engine {

// Calls of stored procedures (CALL) and stored functions (in expressions). A routine that can be
// loaded and compiled is interpreted under the same debugger; any other runs on the server.

// Where a call that runs on the server is made and reported.
struct TServerCallContext {
    core::IDBAConnection& Connection;
    TRoutine& CallingRoutine;
    const std::shared_ptr<IBlock>& Block;
    const std::shared_ptr<IDebugger>& Debugger;
    const std::shared_ptr<IStatement>& Statement;
};

// What differs between a procedure call and a function call. Lives for one call.
class TRoutineCaller {
public:
    virtual ~TRoutineCaller() = default;

    virtual std::shared_ptr<IExpressionList> GetArguments() const = 0;
    // The called routine, loaded and compiled if it can be; null when it cannot be loaded. A routine
    // whose text does not compile comes back uncompiled with the compile error in `compileError`.
    virtual TRoutine* FindRoutine(TRoutine& callingRoutine, const std::string& schema,
                                  std::string& compileError) const = 0;
    // The line of the call-stack entry.
    virtual int CallLine() const = 0;
    // Runs the call on the server with the arguments as SQL text; the variables are the mirrored
    // locals among them. Reports what the call returned to the interpreter of the calling statement.
    virtual void CallOnServer(TServerCallContext& context, const std::string& argumentText,
                              const TDBAVariables& variables) const = 0;
};

class TProcedureCaller : public TRoutineCaller {
public:
    explicit TProcedureCaller(std::shared_ptr<IRoutineCall> call);

    std::shared_ptr<IExpressionList> GetArguments() const override { return call_->GetArguments(); }
    TRoutine* FindRoutine(TRoutine& callingRoutine, const std::string& schema,
                          std::string& compileError) const override;
    // The CALL statement's first line.
    int CallLine() const override;
    // "CALL name(arguments)": every result set it returns is reported in order, then the pull of
    // the variables, which an OUT argument changed, and the warnings.
    void CallOnServer(TServerCallContext& context, const std::string& argumentText,
                      const TDBAVariables& variables) const override;

private:
    std::shared_ptr<IRoutineCall> call_;
};

class TFunctionCaller : public TRoutineCaller {
public:
    explicit TFunctionCaller(std::shared_ptr<IFunctionCall> call);

    std::shared_ptr<IExpressionList> GetArguments() const override { return call_->GetArguments(); }
    TRoutine* FindRoutine(TRoutine& callingRoutine, const std::string& schema,
                          std::string& compileError) const override;
    int CallLine() const override { return -1; }
    // Evaluates "SELECT name(arguments)" and raises EReturn with the value.
    void CallOnServer(TServerCallContext& context, const std::string& argumentText,
                      const TDBAVariables& variables) const override;

private:
    std::shared_ptr<IFunctionCall> call_;
};

// Collects the expression itself when it is a mirrored local variable; it does not look into
// operands.
class TVariableFinder : public TExpressionVisitor, public IDBAExpressionVisitor {
public:
    explicit TVariableFinder(TDBAVariables& variables) : variables_(variables) {}

    void VisitExpression(const std::shared_ptr<IExpression>&) override {}
    IDBAExpressionVisitor* ServerSideExtension() override { return this; }
    void VisitMirroredVariable(const std::shared_ptr<TDBAVariable>& variable) override;
    void VisitServerSideExpression(const std::shared_ptr<TDBAServerSideExpression>&) override {}

private:
    TDBAVariables& variables_;
};

// The whole call: binding the arguments, the call-stack entry, the routine's schema as the current
// database, the body, copying OUT and INOUT parameters back, and the parameters' own values again
// afterwards. A function's result arrives as the EReturn that ends the call.
// The statement is the one the call is part of, for what the call reports.
void CallRoutine(TRoutineCaller& caller, TRoutine& callingRoutine, const std::shared_ptr<IBlock>& block,
                 const std::shared_ptr<IDebugger>& debugger, const std::shared_ptr<IStatement>& statement);
// The call on the server, with mirrored locals and user variables named, other arguments as literals.
void CallRoutineOnServer(TServerCallContext& context, TRoutineCaller& caller);

} // namespace engine
