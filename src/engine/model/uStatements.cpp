#include "engine/model/uStatements.h"

#include "core/uStringUtils.h"
#include "platform/rtl/Format.h"

namespace engine {

TCustomStatement::TCustomStatement(std::shared_ptr<IDebugInfo> debugInfo) : debugInfo_(std::move(debugInfo)) {
    RTL_ASSERT(debugInfo_);
}

TAssignation::TAssignation(std::shared_ptr<IDebugInfo> debugInfo, std::shared_ptr<IAssignable> target,
                           std::shared_ptr<IExpression> expression)
    : TCustomStatement(std::move(debugInfo)), target_(std::move(target)), expression_(std::move(expression)) {
    RTL_ASSERT(target_ && expression_);
}

void TAssignation::Accept(TStatementVisitor& visitor) {
    visitor.VisitAssignation(SharedSelf(this));
}

TMultiAssignation::TMultiAssignation(std::shared_ptr<IDebugInfo> debugInfo,
                                     const std::shared_ptr<IAssignable>& target,
                                     const std::shared_ptr<IExpression>& expression)
    : TCustomStatement(std::move(debugInfo)) {
    Add(target, expression);
}

void TMultiAssignation::Accept(TStatementVisitor& visitor) {
    visitor.VisitMultiAssignation(SharedSelf(this));
}

std::shared_ptr<IAssignation> TMultiAssignation::GetItem(int index) const {
    return ItemAt(items_, index);
}

void TMultiAssignation::Add(const std::shared_ptr<IAssignable>& target,
                            const std::shared_ptr<IExpression>& expression) {
    items_.push_back(std::make_shared<TAssignation>(std::make_shared<TDebugInfo>(), target, expression));
}

TCompositeStatement::TCompositeStatement() : TCustomStatement(std::make_shared<TDebugInfo>()) {}

void TCompositeStatement::Accept(TStatementVisitor& visitor) {
    visitor.VisitCompositeStatement(SharedSelf(this));
}

std::shared_ptr<IStatement> TCompositeStatement::GetStatement(int index) const {
    return ItemAt(statements_, index);
}

void TCompositeStatement::Add(const std::shared_ptr<IStatement>& statement) {
    RTL_ASSERT(statement);
    statements_.push_back(statement);
}

TCondition::TCondition(std::shared_ptr<IDebugInfo> debugInfo, std::shared_ptr<IExpression> condition,
                       std::shared_ptr<IStatement> thenStatement, std::shared_ptr<IStatement> elseStatement)
    : TCustomStatement(std::move(debugInfo)), condition_(std::move(condition)),
      then_(std::move(thenStatement)), else_(std::move(elseStatement)) {
    RTL_ASSERT(condition_ && then_ && else_);
}

void TCondition::Accept(TStatementVisitor& visitor) {
    visitor.VisitCondition(SharedSelf(this));
}

void TConditionChain::Accept(TStatementVisitor& visitor) {
    visitor.VisitConditionChain(SharedSelf(this));
}

std::shared_ptr<IConditionChainItem> TConditionChain::GetItem(int index) const {
    return ItemAt(items_, index);
}

void TConditionChain::AddItem(const std::shared_ptr<IConditionChainItem>& item) {
    RTL_ASSERT(item);
    items_.push_back(item);
}

TConditionChainItem::TConditionChainItem(std::shared_ptr<IExpression> condition,
                                         std::shared_ptr<IStatement> statement)
    : condition_(std::move(condition)), statement_(std::move(statement)) {
    RTL_ASSERT(condition_ && statement_);
}

TWhile::TWhile(std::shared_ptr<IDebugInfo> debugInfo, std::string label,
               std::shared_ptr<IStatement> statements, std::shared_ptr<IExpression> condition)
    : TCustomStatement(std::move(debugInfo)), label_(std::move(label)), condition_(std::move(condition)),
      statements_(std::move(statements)) {
    RTL_ASSERT(condition_ && statements_);
}

void TWhile::Accept(TStatementVisitor& visitor) {
    visitor.VisitWhile(SharedSelf(this));
}

TFlowControl::TFlowControl(std::shared_ptr<IDebugInfo> debugInfo, std::string label)
    : TCustomStatement(std::move(debugInfo)), label_(std::move(label)) {}

void TLoopContinuer::Accept(TStatementVisitor& visitor) {
    visitor.VisitLoopContinuer(SharedSelf(this));
}

void TBlockLeave::Accept(TStatementVisitor& visitor) {
    visitor.VisitBlockLeave(SharedSelf(this));
}

TCase::TCase(std::shared_ptr<IDebugInfo> debugInfo, std::shared_ptr<IExpression> selector,
             std::shared_ptr<IStatement> elseStatement, const std::shared_ptr<IStatement>& then,
             const std::shared_ptr<IExpression>& when)
    : TCustomStatement(std::move(debugInfo)), selector_(std::move(selector)),
      else_(std::move(elseStatement)) {
    AddItem(when, then);
}

void TCase::Accept(TStatementVisitor& visitor) {
    visitor.VisitCase(SharedSelf(this));
}

const TCase::TCaseStatementItemHolder& TCase::Item(int index) const {
    return ItemAt(items_, index);
}

std::shared_ptr<IExpression> TCase::GetWhen(int index) const {
    return Item(index).When;
}

std::shared_ptr<IStatement> TCase::GetThen(int index) const {
    return Item(index).Then;
}

void TCase::AddItem(const std::shared_ptr<IExpression>& when, const std::shared_ptr<IStatement>& then) {
    RTL_ASSERT(when && then);
    items_.push_back({then, when});
}

TBlock::TBlock(std::shared_ptr<IDebugInfo> debugInfo, const std::shared_ptr<IBlock>& parent,
               std::string label, const core::TIdentifierManager* identifierManager)
    : TCustomStatement(std::move(debugInfo)), statements_(std::make_shared<TCompositeStatement>()),
      parent_(parent), identifierManager_(identifierManager), label_(std::move(label)) {
    RTL_ASSERT(identifierManager_);
}

void TBlock::Accept(TStatementVisitor& visitor) {
    visitor.VisitBlock(SharedSelf(this));
}

std::shared_ptr<ISymbol> TBlock::GetSymbol(int index) const {
    return ItemAt(symbols_, index);
}

void TBlock::AddSymbol(const std::shared_ptr<ISymbol>& symbol) {
    RTL_ASSERT(symbol);
    const std::string name = symbol->GetName();
    if (FindLocalSymbol(name)) throw rtl::Exception(rtl::Format("Identifier redeclared: '%s'", name));
    symbols_.push_back(symbol);
}

std::shared_ptr<ISymbol> TBlock::FindSymbol(std::string_view name) const {
    if (auto symbol = FindLocalSymbol(name)) return symbol;
    const auto parent = GetParent();
    return parent ? parent->FindSymbol(name) : nullptr;
}

std::shared_ptr<ISymbol> TBlock::FindLocalSymbol(std::string_view name) const {
    for (const auto& symbol : symbols_) {
        if (identifierManager_->SameIdentifier(symbol->GetName(), name)) return symbol;
    }
    return nullptr;
}

void TBlock::Clear() {
    statements_->Clear();
    symbols_.clear();
    label_.clear();
}

TLoop::TLoop(std::shared_ptr<IDebugInfo> debugInfo, std::string label)
    : TCustomStatement(std::move(debugInfo)), statements_(std::make_shared<TCompositeStatement>()),
      label_(std::move(label)) {}

void TLoop::Accept(TStatementVisitor& visitor) {
    visitor.VisitLoop(SharedSelf(this));
}

TRepeat::TRepeat(std::shared_ptr<IDebugInfo> debugInfo, std::string label,
                 std::shared_ptr<IExpression> condition)
    : TCustomStatement(std::move(debugInfo)), statements_(std::make_shared<TCompositeStatement>()),
      label_(std::move(label)), condition_(std::move(condition)) {
    RTL_ASSERT(condition_);
}

void TRepeat::Accept(TStatementVisitor& visitor) {
    visitor.VisitRepeat(SharedSelf(this));
}

TReturn::TReturn(std::shared_ptr<IDebugInfo> debugInfo, std::shared_ptr<IExpression> expression)
    : TCustomStatement(std::move(debugInfo)), expression_(std::move(expression)) {
    RTL_ASSERT(expression_);
}

void TReturn::Accept(TStatementVisitor& visitor) {
    visitor.VisitReturn(SharedSelf(this));
}

TDOStatement::TDOStatement(std::shared_ptr<IDebugInfo> debugInfo, std::shared_ptr<IExpression> expression)
    : TCustomStatement(std::move(debugInfo)), expression_(std::move(expression)) {
    RTL_ASSERT(expression_);
}

void TDOStatement::Accept(TStatementVisitor& visitor) {
    visitor.VisitDOStatement(SharedSelf(this));
}

void TStatementVisitor::VisitCompositeStatement(const std::shared_ptr<ICompositeStatement>& statement) {
    VisitStatement(statement);
}

void TStatementVisitor::VisitAssignation(const std::shared_ptr<IAssignation>& statement) {
    VisitStatement(statement);
}

void TStatementVisitor::VisitMultiAssignation(const std::shared_ptr<IMultiAssignation>& statement) {
    VisitStatement(statement);
}

void TStatementVisitor::VisitCondition(const std::shared_ptr<ICondition>& statement) {
    VisitStatement(statement);
}

void TStatementVisitor::VisitConditionChain(const std::shared_ptr<IConditionChain>& statement) {
    VisitCondition(statement);
}

void TStatementVisitor::VisitWhile(const std::shared_ptr<IWhile>& statement) {
    VisitStatement(statement);
}

void TStatementVisitor::VisitLoopContinuer(const std::shared_ptr<ILoopContinuer>& statement) {
    VisitStatement(statement);
}

void TStatementVisitor::VisitCase(const std::shared_ptr<ICase>& statement) {
    VisitStatement(statement);
}

void TStatementVisitor::VisitBlockLeave(const std::shared_ptr<IBlockLeave>& statement) {
    VisitStatement(statement);
}

void TStatementVisitor::VisitBlock(const std::shared_ptr<IBlock>& statement) {
    VisitStatement(statement);
}

void TStatementVisitor::VisitLoop(const std::shared_ptr<ILoop>& statement) {
    VisitStatement(statement);
}

void TStatementVisitor::VisitRepeat(const std::shared_ptr<IRepeat>& statement) {
    VisitStatement(statement);
}

void TStatementVisitor::VisitRoutineCall(const std::shared_ptr<IRoutineCall>& statement) {
    VisitStatement(statement);
}

void TStatementVisitor::VisitReturn(const std::shared_ptr<IReturn>& statement) {
    VisitStatement(statement);
}

void TStatementVisitor::VisitDOStatement(const std::shared_ptr<IDOStatement>& statement) {
    VisitStatement(statement);
}

bool IsAddressedTo(const rtl::Exception& flowControl, std::string_view label) {
    return core::SameText(flowControl.Message(), label);
}

bool IsFlowControlException(const rtl::Exception& exception) {
    return dynamic_cast<const EBreak*>(&exception) || dynamic_cast<const EContinue*>(&exception) ||
           dynamic_cast<const ELeave*>(&exception) || dynamic_cast<const EReset*>(&exception) ||
           dynamic_cast<const EReturn*>(&exception) || dynamic_cast<const EExitBlock*>(&exception);
}

} // namespace engine
