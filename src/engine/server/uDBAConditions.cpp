#include "engine/server/uDBAConditions.h"

#include <typeinfo>

#include "core/uStringUtils.h"

namespace engine {

namespace {

// The SQLSTATE's class is its first two characters, compared exactly.
bool InClass(std::string_view sqlState, std::string_view stateClass) {
    return sqlState.starts_with(stateClass);
}

} // namespace

bool TConditionValue::IsSameAs(const TConditionValue& other) const {
    if (const auto* named = dynamic_cast<const TNamedConditionConditionValue*>(&other))
        return IsEqual(named->Condition().Value());
    return IsEqual(other);
}

bool TErrorCodeConditionValue::IsEqual(const TConditionValue& other) const {
    const auto* code = dynamic_cast<const TErrorCodeConditionValue*>(&other);
    return code && code->errorCode_ == errorCode_;
}

bool TSQLStateConditionValue::IsEqual(const TConditionValue& other) const {
    const auto* state = dynamic_cast<const TSQLStateConditionValue*>(&other);
    return state && state->sqlState_ == sqlState_;
}

bool TSQLStateConditionValue::MatchesState(std::string_view sqlState, bool) const {
    return core::SameText(sqlState, sqlState_);
}

bool TCustomSQLStateShorthandConditionValue::IsEqual(const TConditionValue& other) const {
    return typeid(other) == typeid(*this);
}

bool TNotFoundConditionValue::MatchesState(std::string_view sqlState, bool) const {
    return InClass(sqlState, "02");
}

bool TSQLWarningConditionValue::MatchesState(std::string_view sqlState, bool warning) const {
    return warning || InClass(sqlState, "01");
}

bool TSQLExceptionConditionValue::MatchesState(std::string_view sqlState, bool warning) const {
    return !warning && !InClass(sqlState, "00") && !InClass(sqlState, "01") && !InClass(sqlState, "02");
}

TNamedCondition::TNamedCondition(std::string name, const std::string& sqlState, int errorCode)
    : name_(std::move(name)) {
    if (sqlState.empty())
        value_ = std::make_unique<TErrorCodeConditionValue>(errorCode);
    else
        value_ = std::make_unique<TSQLStateConditionValue>(sqlState);
}

} // namespace engine
