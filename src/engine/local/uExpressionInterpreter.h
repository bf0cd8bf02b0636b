// Evaluates expression trees on the client as the server would.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "core/uDataValues.h"
#include "engine/local/uProgram.h"
#include "engine/local/uSQLArithmetic.h"
#include "engine/model/uDataValueManager.h"
#include "engine/model/uDebugger.h"
#include "engine/model/uExpressions.h"
#include "engine/model/uStatements.h"

namespace engine {

// How the value of an evaluation is used. A value that is stored into a variable or returned by a
// function under a strict sql_mode fails where text reads as no number (1292) instead of warning;
// under the server's default mode (emStrict) a division by zero also raises error 1365 instead of
// giving NULL.
enum TEvaluationMode : std::uint8_t {
    emDefault,
    emStrictStore,
    emStrict,
};

// Evaluates an expression tree on the client with the server's semantics: SQL's three-valued
// logic, short-circuit AND, OR and IF, exact integer arithmetic, decimals with the server's scales.
// The server-side interpreter derives from it; operands are evaluated by the same interpreter, so a
// derived class sees them too. Errors of evaluation (server errors among them) propagate.
class TExpressionInterpreter : public TExpressionVisitor {
public:
    // The routine (whose program makes the values) must outlive the interpreter.
    TExpressionInterpreter(TRoutine& routine, std::shared_ptr<IDebugger> debugger,
                           std::shared_ptr<IBlock> block);

    std::shared_ptr<core::IRODataValue> Evaluate(const std::shared_ptr<IExpression>& expression);

    // Whether a condition holds: true as a DOUBLE reads it. With a selector, whether the CASE branch
    // `condition` is taken: it equals the selector, neither being NULL. Either way text read as a
    // number says what the server says.
    bool Holds(const std::shared_ptr<IExpression>& condition,
               const std::shared_ptr<core::IRODataValue>& selector = nullptr);

    TEvaluationMode Mode() const { return mode_; }
    void SetMode(TEvaluationMode mode) { mode_ = mode; }

    void VisitBrackets(const std::shared_ptr<IBrackets>& brackets) override;
    void VisitReadable(const std::shared_ptr<IReadable>& readable) override;
    void VisitOperation(const std::shared_ptr<IOperation>& operation) override;
    void VisitUnaryOperation(const std::shared_ptr<IUnaryOperation>& operation) override;
    void VisitTernaryOperation(const std::shared_ptr<ITernaryOperation>& operation) override;
    void VisitCaseExpression(const std::shared_ptr<ICaseExpression>& expression) override;
    void VisitInExpression(const std::shared_ptr<IInExpression>& expression) override;
    void VisitTypeCast(const std::shared_ptr<ITypeCast>& cast) override;
    void VisitAssignationExpression(const std::shared_ptr<IAssignationExpression>& assignation) override;

protected:
    TRoutine& Routine() const { return routine_; }
    const std::shared_ptr<IDebugger>& Debugger() const { return debugger_; }
    const std::shared_ptr<IBlock>& Block() const { return block_; }
    const TDataValueManager& ValueFactory() const { return routine_.Program().ValueFactory(); }

    // The value of a sub-expression, evaluated in this mode by this interpreter.
    std::shared_ptr<core::IRODataValue> EvaluateOperand(const std::shared_ptr<IExpression>& expression);
    void SetResult(std::shared_ptr<core::IRODataValue> value);
    void SetBoolean(bool value);

private:
    void SetNull();
    // NULL for an unknown truth value.
    void SetTruth(std::optional<bool> value);
    std::optional<bool> And(const IOperation& operation);
    std::optional<bool> Or(const IOperation& operation);
    // The quotient, or what a zero divisor gives in this mode.
    void SetQuotient(std::shared_ptr<core::IRODataValue> quotient);
    // Says of text read as a number what the server says: a strict store fails with it, any other
    // evaluation leaves it as a warning in the program's StoreWarnings.
    void CheckTextNumber(const core::IRODataValue& value, TNumberReading reading);
    // How a comparison reads text against the other operand: against an integer as a DECIMAL,
    // against another number as a DOUBLE; none against text, dates and times.
    void CheckComparedText(const core::IRODataValue& value, const core::IRODataValue& other);
    // The truth value, NULL for NULL, of a value read as a DOUBLE.
    std::optional<bool> TruthOf(const std::shared_ptr<core::IRODataValue>& value);
    // Whether a WHEN equals the selector, read as a comparison reads them. Readings listed in
    // `selectorReadings` (a bit per reading) are not said again of the selector: a CASE expression
    // converts its selector once per kind of comparison.
    bool Matches(const core::IRODataValue& selector, const std::shared_ptr<core::IRODataValue>& when,
                 unsigned& selectorReadings);

    TRoutine& routine_;
    std::shared_ptr<IDebugger> debugger_;
    std::shared_ptr<IBlock> block_;
    std::shared_ptr<core::IRODataValue> result_;
    TEvaluationMode mode_ = emDefault;
    TSQLArithmetic arithmetic_;
};

// Evaluates with a base interpreter.
std::shared_ptr<core::IRODataValue> EvaluateExpression(TRoutine& routine,
                                                       const std::shared_ptr<IBlock>& block,
                                                       const std::shared_ptr<IDebugger>& debugger,
                                                       const std::shared_ptr<IExpression>& expression,
                                                       TEvaluationMode mode = emDefault);

// A value that is not NULL and whose Boolean form is true.
bool IsTrue(const core::IRODataValue& value);

} // namespace engine
