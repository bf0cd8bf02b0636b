#include "engine/local/uExpressionInterpreter.h"

#include "core/uDBAConnection.h"
#include "engine/local/uStrictAssignment.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Threads.h"

namespace engine {

namespace {

constexpr int kErrorDivisionByZero = 1365;
constexpr int kErrorStackOverrun = 1436;
// Enough for one level of evaluation and for raising the error.
constexpr std::size_t kEvaluationStackReserve = 256 * 1024;

// NULL when either side is.
std::optional<bool> Compared(const core::IRODataValue& left, const std::shared_ptr<core::IRODataValue>& right,
                             bool (*holds)(int order)) {
    if (left.IsNull() || right->IsNull()) return std::nullopt;
    return holds(left.Compare(right));
}

// Text that reads as a number by its characters; a hexadecimal or bit literal reads by its bytes.
bool IsText(const core::IRODataValue& value) {
    if (value.IsNull() || value.GetCharacteristics().DataType != core::dtString) return false;
    const auto* literal = dynamic_cast<const core::TRODataValue*>(&value);
    return !literal || !literal->IsBinaryLiteral();
}

// The reading of text that an operator's operands take; none for operators that do not read numbers.
std::optional<TNumberReading> OperandReading(std::uint8_t op) {
    switch (op) {
    case boAdd:
    case boSubtract:
    case boMultiply:
    case boDivide:
    case boModulo:
    case boXor:
        return nrDouble;
    case boIntegerDivide:
    case boBitAnd:
    case boBitOr:
    case boBitXor:
    case boShiftLeft:
    case boShiftRight:
        return nrDecimal;
    default:
        return std::nullopt;
    }
}

bool IsComparison(std::uint8_t op) {
    switch (op) {
    case boGreater:
    case boLess:
    case boLessOrEqual:
    case boGreaterOrEqual:
    case boEqual:
    case boNotEqual:
    case boNullSafeEqual:
        return true;
    default:
        return false;
    }
}

// How a comparison reads text against the other operand: against an integer as a DECIMAL, against
// another number as a DOUBLE; none against text, dates and times.
std::optional<TNumberReading> ComparedReading(const core::IRODataValue& other) {
    if (other.IsNull()) return std::nullopt;
    switch (other.GetCharacteristics().DataType) {
    case core::dtInteger:
    case core::dtBoolean:
        return nrDecimal;
    case core::dtFloat:
        return nrDouble;
    default:
        return std::nullopt;
    }
}

std::optional<bool> Truth(const core::IRODataValue& value) {
    if (value.IsNull()) return std::nullopt;
    return IsTrue(value);
}

// Three-valued AND: FALSE wins over NULL.
std::optional<bool> Both(std::optional<bool> a, std::optional<bool> b) {
    if (a == false || b == false) return false;
    if (!a || !b) return std::nullopt;
    return true;
}

// Three-valued OR: TRUE wins over NULL.
std::optional<bool> Either(std::optional<bool> a, std::optional<bool> b) {
    if (a == true || b == true) return true;
    if (!a || !b) return std::nullopt;
    return false;
}

} // namespace

bool IsTrue(const core::IRODataValue& value) {
    return core::VariantToBoolean(value.AsBoolean());
}

TExpressionInterpreter::TExpressionInterpreter(TRoutine& routine, std::shared_ptr<IDebugger> debugger,
                                               std::shared_ptr<IBlock> block)
    : routine_(routine), debugger_(std::move(debugger)), block_(std::move(block)),
      arithmetic_(routine.Program().ValueFactory()) {
    RTL_ASSERT(debugger_);
    RTL_ASSERT(block_);
}

std::shared_ptr<core::IRODataValue>
TExpressionInterpreter::Evaluate(const std::shared_ptr<IExpression>& expression) {
    RTL_ASSERT(expression);
    // Deep expressions recurse here: stop with the server's error before the stack runs out.
    if (rtl::StackSpaceLeft() < kEvaluationStackReserve)
        core::RaiseMySQLError("Thread stack overrun", kErrorStackOverrun);
    result_.reset();
    expression->Accept(*this);
    return result_ ? std::move(result_) : core::NullDataValue();
}

std::shared_ptr<core::IRODataValue>
TExpressionInterpreter::EvaluateOperand(const std::shared_ptr<IExpression>& expression) {
    // The result that the visit in progress may have set already stays as it was.
    std::shared_ptr<core::IRODataValue> outer = std::move(result_);
    auto value = Evaluate(expression);
    result_ = std::move(outer);
    return value;
}

void TExpressionInterpreter::SetResult(std::shared_ptr<core::IRODataValue> value) {
    RTL_ASSERT(value);
    result_ = std::move(value);
}

void TExpressionInterpreter::SetBoolean(bool value) {
    SetResult(ValueFactory().CreateBoolean(value));
}

void TExpressionInterpreter::SetNull() {
    SetResult(core::NullDataValue());
}

void TExpressionInterpreter::SetTruth(std::optional<bool> value) {
    if (value)
        SetBoolean(*value);
    else
        SetNull();
}

void TExpressionInterpreter::SetQuotient(std::shared_ptr<core::IRODataValue> quotient) {
    if (quotient) return SetResult(std::move(quotient));
    if (mode_ == emStrict) core::RaiseMySQLError("Division by 0", kErrorDivisionByZero);
    SetNull();
}

void TExpressionInterpreter::CheckTextNumber(const core::IRODataValue& value, TNumberReading reading) {
    if (!IsText(value)) return;
    auto problem = FindTextConversionProblem(value.AsString().AsString(), reading);
    if (!problem) return;
    if (!problem->Note && mode_ != emDefault)
        core::RaiseDBAError(problem->Message, problem->ErrorCode, problem->SQLState);
    routine_.Program().StoreWarnings().push_back(std::move(*problem));
}

void TExpressionInterpreter::CheckComparedText(const core::IRODataValue& value,
                                               const core::IRODataValue& other) {
    if (const auto reading = ComparedReading(other)) CheckTextNumber(value, *reading);
}

bool TExpressionInterpreter::Matches(const core::IRODataValue& selector,
                                     const std::shared_ptr<core::IRODataValue>& when,
                                     unsigned& selectorReadings) {
    if (selector.IsNull() || when->IsNull()) return false;
    if (const auto reading = ComparedReading(*when); reading && !(selectorReadings & (1u << *reading))) {
        selectorReadings |= 1u << *reading;
        CheckTextNumber(selector, *reading);
    }
    CheckComparedText(*when, selector);
    return selector.Equals(when);
}

bool TExpressionInterpreter::Holds(const std::shared_ptr<IExpression>& condition,
                                   const std::shared_ptr<core::IRODataValue>& selector) {
    const auto value = Evaluate(condition);
    if (!selector) return TruthOf(value) == true;
    // Each WHEN of a CASE statement is a comparison of its own.
    unsigned selectorReadings = 0;
    return Matches(*selector, value, selectorReadings);
}

std::optional<bool> TExpressionInterpreter::TruthOf(const std::shared_ptr<core::IRODataValue>& value) {
    CheckTextNumber(*value, nrDouble);
    return Truth(*value);
}

void TExpressionInterpreter::VisitBrackets(const std::shared_ptr<IBrackets>& brackets) {
    brackets->GetExpression()->Accept(*this);
}

void TExpressionInterpreter::VisitReadable(const std::shared_ptr<IReadable>& readable) {
    SetResult(readable->GetValue());
}

// Like the server, the right operand is not evaluated once the left one decides.
std::optional<bool> TExpressionInterpreter::And(const IOperation& operation) {
    const std::optional<bool> left = TruthOf(EvaluateOperand(operation.GetLeft()));
    if (left == false) return false;
    return Both(left, TruthOf(EvaluateOperand(operation.GetRight())));
}

std::optional<bool> TExpressionInterpreter::Or(const IOperation& operation) {
    const std::optional<bool> left = TruthOf(EvaluateOperand(operation.GetLeft()));
    if (left == true) return true;
    return Either(left, TruthOf(EvaluateOperand(operation.GetRight())));
}

void TExpressionInterpreter::VisitOperation(const std::shared_ptr<IOperation>& operation) {
    const std::uint8_t op = operation->GetOperator();
    if (op > boShiftRight && op != boNullSafeEqual) throw rtl::Exception("Unsupported operation");
    if (op == boAnd) return SetTruth(And(*operation));
    if (op == boOr) return SetTruth(Or(*operation));

    const auto left = EvaluateOperand(operation->GetLeft());
    const auto right = EvaluateOperand(operation->GetRight());
    if (IsComparison(op) && !left->IsNull() && !right->IsNull()) {
        CheckComparedText(*left, *right);
        CheckComparedText(*right, *left);
    } else if (const auto reading = OperandReading(op); reading && !left->IsNull() && !right->IsNull()) {
        CheckTextNumber(*left, *reading);
        CheckTextNumber(*right, *reading);
    }
    if (op == boNullSafeEqual) return SetBoolean(left->IsNull() == right->IsNull() && left->Equals(right));
    if (left->IsNull() || right->IsNull()) return SetNull();
    switch (op) {
    case boGreater:
        return SetTruth(Compared(*left, right, [](int order) { return order > 0; }));
    case boLess:
        return SetTruth(Compared(*left, right, [](int order) { return order < 0; }));
    case boLessOrEqual:
        return SetTruth(Compared(*left, right, [](int order) { return order <= 0; }));
    case boGreaterOrEqual:
        return SetTruth(Compared(*left, right, [](int order) { return order >= 0; }));
    case boEqual:
        return SetBoolean(left->Equals(right));
    case boNotEqual:
        return SetBoolean(!left->Equals(right));
    case boXor:
        return SetBoolean(IsTrue(*left) != IsTrue(*right));
    case boAdd:
        return SetResult(arithmetic_.Add(left, right));
    case boSubtract:
        return SetResult(arithmetic_.Subtract(left, right));
    case boMultiply:
        return SetResult(arithmetic_.Multiply(left, right));
    case boDivide:
        return SetQuotient(arithmetic_.Divide(left, right));
    case boIntegerDivide:
        return SetQuotient(arithmetic_.IntegerDivide(left, right));
    case boModulo:
        return SetQuotient(arithmetic_.Modulo(left, right));
    case boBitAnd:
        return SetResult(arithmetic_.BitAnd(left, right));
    case boBitOr:
        return SetResult(arithmetic_.BitOr(left, right));
    case boBitXor:
        return SetResult(arithmetic_.BitXor(left, right));
    case boShiftLeft:
        return SetResult(arithmetic_.ShiftLeft(left, right));
    case boShiftRight:
        return SetResult(arithmetic_.ShiftRight(left, right));
    default:
        throw rtl::Exception("Unsupported operation");
    }
}

void TExpressionInterpreter::VisitUnaryOperation(const std::shared_ptr<IUnaryOperation>& operation) {
    const std::uint8_t op = operation->GetOperator();
    if (op > uoIsNotUnknown) throw rtl::Exception("Unsupported unary operation");
    const auto operand = EvaluateOperand(operation->GetOperand());
    switch (op) {
    case uoPlus:
        // The server ignores a unary plus, even before text.
        return SetResult(operand);
    case uoIsNull:
    case uoIsUnknown:
        return SetBoolean(operand->IsNull());
    case uoIsNotNull:
    case uoIsNotUnknown:
        return SetBoolean(!operand->IsNull());
    case uoIsTrue:
        return SetBoolean(TruthOf(operand) == true);
    case uoIsNotTrue:
        return SetBoolean(TruthOf(operand) != true);
    case uoIsFalse:
        return SetBoolean(TruthOf(operand) == false);
    case uoIsNotFalse:
        return SetBoolean(TruthOf(operand) != false);
    default:
        break;
    }
    if (operand->IsNull()) return SetNull();
    CheckTextNumber(*operand, op == uoBitNot ? nrDecimal : nrDouble);
    switch (op) {
    case uoNot:
        return SetBoolean(!IsTrue(*operand));
    case uoBitNot:
        return SetResult(arithmetic_.BitNot(operand));
    default:
        return SetResult(arithmetic_.Negate(operand));
    }
}

void TExpressionInterpreter::VisitTernaryOperation(const std::shared_ptr<ITernaryOperation>& operation) {
    const std::uint8_t op = operation->GetOperator();
    if (op > toIf) throw rtl::Exception("Unsupported ternary operation");
    if (op == toIf) {
        // Only the branch taken is evaluated, as the server does.
        const bool condition = TruthOf(EvaluateOperand(operation->GetFirst())) == true;
        return SetResult(EvaluateOperand(condition ? operation->GetSecond() : operation->GetThird()));
    }
    const auto tested = EvaluateOperand(operation->GetFirst());
    const auto lower = EvaluateOperand(operation->GetSecond());
    const auto upper = EvaluateOperand(operation->GetThird());
    // The tested text is read once, as the bound that is not NULL reads it.
    if (!tested->IsNull()) CheckComparedText(*tested, lower->IsNull() ? *upper : *lower);
    const std::optional<bool> between = Both(Compared(*tested, lower, [](int order) { return order >= 0; }),
                                             Compared(*tested, upper, [](int order) { return order <= 0; }));
    if (op == toBetween || !between)
        SetTruth(between);
    else
        SetBoolean(!*between);
}

void TExpressionInterpreter::VisitCaseExpression(const std::shared_ptr<ICaseExpression>& expression) {
    const auto selector = expression->GetSelector();
    const auto selectorValue = selector ? EvaluateOperand(selector) : nullptr;
    unsigned selectorReadings = 0;
    for (int i = 0; i < expression->Count(); ++i) {
        const auto when = EvaluateOperand(expression->GetWhen(i));
        if (selectorValue ? Matches(*selectorValue, when, selectorReadings) : TruthOf(when) == true)
            return SetResult(EvaluateOperand(expression->GetThen(i)));
    }
    if (const auto otherwise = expression->GetElse())
        SetResult(EvaluateOperand(otherwise));
    else
        SetNull();
}

void TExpressionInterpreter::VisitInExpression(const std::shared_ptr<IInExpression>& expression) {
    const auto tested = EvaluateOperand(expression->GetExpression());
    if (tested->IsNull()) return SetNull();
    const bool negated = expression->IsNegated();
    const auto list = expression->GetList();
    bool sawNull = false;
    bool textRead = false;
    for (int i = 0; i < list->Count(); ++i) {
        const auto item = EvaluateOperand(list->GetItem(i));
        // Tested text is read once, as the first number of the list reads it.
        if (!textRead && IsText(*tested) && !item->IsNull() && !IsText(*item)) {
            CheckComparedText(*tested, *item);
            textRead = true;
        }
        if (item->IsNull())
            sawNull = true;
        else if (tested->Equals(item))
            return SetBoolean(!negated);
    }
    if (sawNull)
        SetNull();
    else
        SetBoolean(negated);
}

void TExpressionInterpreter::VisitTypeCast(const std::shared_ptr<ITypeCast>& cast) {
    cast->GetExpression()->Accept(*this);
    core::TDatatypeCharacteristics target = cast->GetCharacteristics();
    if (target.DataType == core::dtInteger && !result_->IsNull()) {
        CheckTextNumber(*result_, nrInteger);
        return SetResult(arithmetic_.CastToInteger(result_, target.MinValue >= 0));
    }
    if (target.DataType == core::dtFloat)
        CheckTextNumber(*result_, target.Scale == core::kScaleNotSpecified ? nrDouble : nrDecimal);
    if (target.DataType == core::dtString && target.Length == core::kNoLength)
        target.Length = result_->GetCharacteristics().Length;
    SetResult(result_->ConvertTo(target));
}

void TExpressionInterpreter::VisitAssignationExpression(
    const std::shared_ptr<IAssignationExpression>& assignation) {
    const auto value = EvaluateOperand(assignation->GetExpression());
    const auto target = assignation->GetTarget();
    AssignStrictly(*target, value, routine_);
    SetResult(target->GetValue());
}

std::shared_ptr<core::IRODataValue> EvaluateExpression(TRoutine& routine,
                                                       const std::shared_ptr<IBlock>& block,
                                                       const std::shared_ptr<IDebugger>& debugger,
                                                       const std::shared_ptr<IExpression>& expression,
                                                       TEvaluationMode mode) {
    TExpressionInterpreter interpreter(routine, debugger, block);
    interpreter.SetMode(mode);
    return interpreter.Evaluate(expression);
}

} // namespace engine
