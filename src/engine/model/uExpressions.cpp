#include "engine/model/uExpressions.h"

#include "platform/rtl/Exception.h"

namespace engine {

TLiteral::TLiteral(std::shared_ptr<core::IRODataValue> value) : value_(std::move(value)) {
    RTL_ASSERT(value_);
}

void TLiteral::Accept(TExpressionVisitor& visitor) {
    visitor.VisitLiteral(SharedSelf(this));
}

TCustomVariable::TCustomVariable(std::string name, std::shared_ptr<core::IRODataValue> defaultValue,
                                 std::shared_ptr<IExpression> defaultExpression)
    : name_(std::move(name)), defaultValue_(std::move(defaultValue)),
      defaultExpression_(std::move(defaultExpression)) {
    RTL_ASSERT(defaultValue_);
    RTL_ASSERT(defaultValue_ != core::DefaultDataValue());
}

void TCustomVariable::Accept(TExpressionVisitor& visitor) {
    visitor.VisitVariable(SharedSelf(this));
}

void TCustomVariable::SetValue(const std::shared_ptr<core::IRODataValue>& value) {
    RTL_ASSERT(value);
    if (value == core::DefaultDataValue())
        ResetToDefault();
    else
        StoreValue(value);
}

void TCustomVariable::ResetToDefault() {
    SetValue(GetDefaultValue());
}

TVariable::TVariable(std::string name, std::shared_ptr<core::IRODataValue> defaultValue,
                     std::shared_ptr<core::IRWDataValue> value,
                     std::shared_ptr<IExpression> defaultExpression)
    : TCustomVariable(std::move(name), std::move(defaultValue), std::move(defaultExpression)),
      value_(std::move(value)) {
    RTL_ASSERT(value_);
    ResetToDefault();
}

void TVariable::StoreValue(const std::shared_ptr<core::IRODataValue>& value) {
    value_->Assign(value);
}

TOperation::TOperation(std::uint8_t op, std::shared_ptr<IExpression> left, std::shared_ptr<IExpression> right)
    : operator_(op), left_(std::move(left)), right_(std::move(right)) {
    RTL_ASSERT(left_ && right_);
}

void TOperation::Accept(TExpressionVisitor& visitor) {
    visitor.VisitOperation(SharedSelf(this));
}

TUnaryOperation::TUnaryOperation(std::uint8_t op, std::shared_ptr<IExpression> operand)
    : operator_(op), operand_(std::move(operand)) {
    RTL_ASSERT(operand_);
}

void TUnaryOperation::Accept(TExpressionVisitor& visitor) {
    visitor.VisitUnaryOperation(SharedSelf(this));
}

TTernaryOperation::TTernaryOperation(std::uint8_t op, std::shared_ptr<IExpression> first,
                                     std::shared_ptr<IExpression> second, std::shared_ptr<IExpression> third)
    : operator_(op), first_(std::move(first)), second_(std::move(second)), third_(std::move(third)) {
    RTL_ASSERT(first_ && second_ && third_);
}

void TTernaryOperation::Accept(TExpressionVisitor& visitor) {
    visitor.VisitTernaryOperation(SharedSelf(this));
}

TCaseExpression::TCaseExpression(std::shared_ptr<IExpression> selector,
                                 std::shared_ptr<IExpression> elseExpression)
    : selector_(std::move(selector)), else_(std::move(elseExpression)) {}

void TCaseExpression::Accept(TExpressionVisitor& visitor) {
    visitor.VisitCaseExpression(SharedSelf(this));
}

const TCaseExpression::TCaseExpressionItemHolder& TCaseExpression::Item(int index) const {
    return ItemAt(items_, index);
}

std::shared_ptr<IExpression> TCaseExpression::GetWhen(int index) const {
    return Item(index).When;
}

std::shared_ptr<IExpression> TCaseExpression::GetThen(int index) const {
    return Item(index).Then;
}

void TCaseExpression::AddItem(const std::shared_ptr<IExpression>& when,
                              const std::shared_ptr<IExpression>& then) {
    RTL_ASSERT(when && then);
    items_.push_back({then, when});
}

std::shared_ptr<IExpression> TExpressionList::GetItem(int index) const {
    return ItemAt(items_, index);
}

void TExpressionList::Add(const std::shared_ptr<IExpression>& item) {
    RTL_ASSERT(item);
    items_.push_back(item);
}

TInExpression::TInExpression(std::shared_ptr<IExpression> expression, bool negated,
                             std::shared_ptr<IExpressionList> list)
    : expression_(std::move(expression)), negated_(negated), list_(std::move(list)) {
    RTL_ASSERT(expression_ && list_);
}

void TInExpression::Accept(TExpressionVisitor& visitor) {
    visitor.VisitInExpression(SharedSelf(this));
}

TBrackets::TBrackets(std::shared_ptr<IExpression> expression) : expression_(std::move(expression)) {
    RTL_ASSERT(expression_);
}

void TBrackets::Accept(TExpressionVisitor& visitor) {
    visitor.VisitBrackets(SharedSelf(this));
}

TTypeCast::TTypeCast(std::shared_ptr<IExpression> expression, core::TDatatypeCharacteristics characteristics)
    : expression_(std::move(expression)), characteristics_(std::move(characteristics)) {
    RTL_ASSERT(expression_);
}

void TTypeCast::Accept(TExpressionVisitor& visitor) {
    visitor.VisitTypeCast(SharedSelf(this));
}

TFunctionCall::TFunctionCall(std::string name)
    : name_(std::move(name)), arguments_(std::make_shared<TExpressionList>()) {}

void TFunctionCall::Accept(TExpressionVisitor& visitor) {
    visitor.VisitFunctionCall(SharedSelf(this));
}

TAssignationExpression::TAssignationExpression(std::shared_ptr<IAssignable> target,
                                               std::shared_ptr<IExpression> expression)
    : target_(std::move(target)), expression_(std::move(expression)) {
    RTL_ASSERT(target_ && expression_);
}

void TAssignationExpression::Accept(TExpressionVisitor& visitor) {
    visitor.VisitAssignationExpression(SharedSelf(this));
}

void TExpressionVisitor::VisitExpression(const std::shared_ptr<IExpression>&) {
    throw rtl::Exception("Unknown expression");
}

void TExpressionVisitor::VisitBrackets(const std::shared_ptr<IBrackets>& brackets) {
    VisitExpression(brackets);
}

void TExpressionVisitor::VisitReadable(const std::shared_ptr<IReadable>& readable) {
    VisitExpression(readable);
}

void TExpressionVisitor::VisitLiteral(const std::shared_ptr<IReadable>& literal) {
    VisitReadable(literal);
}

void TExpressionVisitor::VisitVariable(const std::shared_ptr<ICustomVariable>& variable) {
    VisitReadable(variable);
}

void TExpressionVisitor::VisitOperation(const std::shared_ptr<IOperation>& operation) {
    VisitExpression(operation);
}

void TExpressionVisitor::VisitUnaryOperation(const std::shared_ptr<IUnaryOperation>& operation) {
    VisitExpression(operation);
}

void TExpressionVisitor::VisitTernaryOperation(const std::shared_ptr<ITernaryOperation>& operation) {
    VisitExpression(operation);
}

void TExpressionVisitor::VisitCaseExpression(const std::shared_ptr<ICaseExpression>& expression) {
    VisitExpression(expression);
}

void TExpressionVisitor::VisitInExpression(const std::shared_ptr<IInExpression>& expression) {
    VisitExpression(expression);
}

void TExpressionVisitor::VisitTypeCast(const std::shared_ptr<ITypeCast>& cast) {
    VisitExpression(cast);
}

void TExpressionVisitor::VisitAssignationExpression(
    const std::shared_ptr<IAssignationExpression>& assignation) {
    VisitExpression(assignation);
}

void TExpressionVisitor::VisitFunctionCall(const std::shared_ptr<IFunctionCall>& call) {
    VisitExpression(call);
}

} // namespace engine
