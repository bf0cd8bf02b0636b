#include "engine/server/uDBABlock.h"

#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"

namespace engine {

namespace {

// Error code, SQLSTATE, then the classes.
constexpr int kLowestPriority = 2;

} // namespace

TDBAHandler::TDBAHandler(const std::shared_ptr<IDBABlock>& block, THandlerKind kind,
                         std::shared_ptr<IStatement> body)
    : block_(block), body_(std::move(body)), kind_(kind) {
    RTL_ASSERT(block && body_);
}

void TDBAHandler::AddCondition(std::unique_ptr<TConditionValue> value) {
    RTL_ASSERT(value);
    const auto block = Block();
    for (int i = 0; i < block->HandlerCount(); ++i) {
        const TDBAHandler& handler = block->GetHandler(i);
        for (const auto& existing : handler.conditions_) {
            if (existing->IsSameAs(*value))
                throw rtl::Exception("Duplicate handler declared in the same block");
        }
    }
    conditions_.push_back(std::move(value));
}

const TConditionValue& TDBAHandler::GetCondition(int index) const {
    return *ItemAt(conditions_, index);
}

bool TDBAHandler::Matches(int priority, int errorCode, std::string_view sqlState, bool warning) const {
    for (const auto& condition : conditions_) {
        if (condition->Priority() == priority &&
            (condition->MatchesCode(errorCode) || condition->MatchesState(sqlState, warning)))
            return true;
    }
    return false;
}

TDBABlock::TDBABlock(std::shared_ptr<IDebugInfo> debugInfo, const std::shared_ptr<IBlock>& parent,
                     std::string label, const core::TIdentifierManager* identifierManager,
                     std::shared_ptr<core::IDBAConnection> connection)
    : TBlock(std::move(debugInfo), parent, std::move(label), identifierManager),
      connection_(std::move(connection)) {
    RTL_ASSERT(connection_);
    RTL_ASSERT(!parent || std::dynamic_pointer_cast<IDBABlock>(parent));
}

void TDBABlock::Clear() {
    TBlock::Clear();
    handlers_.clear();
    conditions_.clear();
    cursors_.clear();
}

std::shared_ptr<IDBABlock> TDBABlock::Parent() const {
    return std::dynamic_pointer_cast<IDBABlock>(GetParent());
}

TDBACursor& TDBABlock::GetCursor(int index) const {
    return *ItemAt(cursors_, index);
}

const TNamedCondition& TDBABlock::GetCondition(int index) const {
    return *ItemAt(conditions_, index);
}

TDBAHandler& TDBABlock::GetHandler(int index) const {
    return *ItemAt(handlers_, index);
}

int TDBABlock::AddCursor(const std::string& name, const std::string& selectText,
                         const TDBAVariables& variables) {
    if (FindLocalCursor(name)) throw rtl::Exception(rtl::Format("Duplicate cursor: '%s'", name));
    cursors_.push_back(
        std::make_unique<TDBACursor>(name, connection_->CreateQuery(selectText, false), variables));
    return CursorCount() - 1;
}

TDBACursor* TDBABlock::FindLocalCursor(std::string_view name) const {
    for (const auto& cursor : cursors_) {
        if (IdentifierManager().SameIdentifier(cursor->Name(), name)) return cursor.get();
    }
    return nullptr;
}

TDBACursor* TDBABlock::FindCursor(std::string_view name) const {
    if (auto* cursor = FindLocalCursor(name)) return cursor;
    const auto parent = Parent();
    return parent ? parent->FindCursor(name) : nullptr;
}

const TNamedCondition* TDBABlock::FindLocalCondition(std::string_view name) const {
    for (const auto& condition : conditions_) {
        if (IdentifierManager().SameIdentifier(condition->Name(), name)) return condition.get();
    }
    return nullptr;
}

const TNamedCondition* TDBABlock::FindCondition(std::string_view name) const {
    if (const auto* condition = FindLocalCondition(name)) return condition;
    const auto parent = Parent();
    return parent ? parent->FindCondition(name) : nullptr;
}

void TDBABlock::AddCondition(const std::string& name, const std::string& sqlState, int errorCode) {
    if (FindLocalCondition(name)) throw rtl::Exception(rtl::Format("Duplicate condition: '%s'", name));
    conditions_.push_back(std::make_unique<TNamedCondition>(name, sqlState, errorCode));
}

TDBAHandler& TDBABlock::AddHandler(THandlerKind kind, std::unique_ptr<TConditionValue> firstCondition,
                                   std::shared_ptr<IStatement> body) {
    auto handler = std::make_unique<TDBAHandler>(SharedSelf(this), kind, std::move(body));
    handler->AddCondition(std::move(firstCondition));
    handlers_.push_back(std::move(handler));
    return *handlers_.back();
}

TDBAHandler* TDBABlock::FindLocalHandler(int errorCode, std::string_view sqlState, bool warning) const {
    for (int priority = 0; priority <= kLowestPriority; ++priority) {
        for (const auto& handler : handlers_) {
            if (handler->Matches(priority, errorCode, sqlState, warning)) return handler.get();
        }
    }
    return nullptr;
}

TDBAHandler* TDBABlock::FindHandler(int errorCode, std::string_view sqlState, bool warning) const {
    if (auto* handler = FindLocalHandler(errorCode, sqlState, warning)) return handler;
    const auto parent = Parent();
    return parent ? parent->FindHandler(errorCode, sqlState, warning) : nullptr;
}

} // namespace engine
