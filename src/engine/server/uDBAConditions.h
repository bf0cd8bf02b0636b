// The conditions handler declarations name: error codes, SQLSTATEs and their classes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace engine {

// The conditions a handler declaration names, and the conditions a block declares.

// Priority 0 is the most specific: an error code; 1 an SQLSTATE; 2 a class of SQLSTATEs.
class TConditionValue {
public:
    virtual ~TConditionValue() = default;

    virtual bool IsEqual(const TConditionValue& other) const { return false; }
    virtual bool MatchesCode(int errorCode) const { return false; }
    // `warning` is set for a condition raised at warning level, whatever its SQLSTATE.
    virtual bool MatchesState(std::string_view sqlState, bool warning) const { return false; }
    virtual int Priority() const { return 2; }

    // The duplicate test of handler declarations: a named condition on the other side stands for the
    // value it was declared with.
    bool IsSameAs(const TConditionValue& other) const;
};

class TErrorCodeConditionValue : public TConditionValue {
public:
    explicit TErrorCodeConditionValue(int errorCode) : errorCode_(errorCode) {}

    bool IsEqual(const TConditionValue& other) const override;
    bool MatchesCode(int errorCode) const override { return errorCode == errorCode_; }
    int Priority() const override { return 0; }
    int ErrorCode() const { return errorCode_; }

private:
    int errorCode_;
};

// Matches ignoring letter case; equal only when written alike.
class TSQLStateConditionValue : public TConditionValue {
public:
    explicit TSQLStateConditionValue(std::string sqlState) : sqlState_(std::move(sqlState)) {}

    bool IsEqual(const TConditionValue& other) const override;
    bool MatchesState(std::string_view sqlState, bool warning) const override;
    int Priority() const override { return 1; }
    const std::string& SQLState() const { return sqlState_; }

private:
    std::string sqlState_;
};

// SQLWARNING, NOT FOUND and SQLEXCEPTION: equal to another of the same class.
class TCustomSQLStateShorthandConditionValue : public TConditionValue {
public:
    bool IsEqual(const TConditionValue& other) const override;
};

// SQLSTATE class "02".
class TNotFoundConditionValue : public TCustomSQLStateShorthandConditionValue {
public:
    bool MatchesState(std::string_view sqlState, bool warning) const override;
};

// A warning-level condition, or SQLSTATE class "01".
class TSQLWarningConditionValue : public TCustomSQLStateShorthandConditionValue {
public:
    bool MatchesState(std::string_view sqlState, bool warning) const override;
};

// An error-level condition outside the classes "00", "01" and "02".
class TSQLExceptionConditionValue : public TCustomSQLStateShorthandConditionValue {
public:
    bool MatchesState(std::string_view sqlState, bool warning) const override;
};

// DECLARE name CONDITION FOR SQLSTATE '...' or FOR an error code.
class TNamedCondition {
public:
    // An SQLSTATE condition when the text is not empty, else one for the error code.
    TNamedCondition(std::string name, const std::string& sqlState, int errorCode);

    const std::string& Name() const { return name_; }
    const TConditionValue& Value() const { return *value_; }

private:
    std::string name_;
    std::unique_ptr<TConditionValue> value_;
};

// A handler's reference to a declared condition: behaves as the value the condition was declared
// with. The condition belongs to its block.
class TNamedConditionConditionValue : public TConditionValue {
public:
    explicit TNamedConditionConditionValue(const TNamedCondition& condition) : condition_(condition) {}

    bool IsEqual(const TConditionValue& other) const override { return condition_.Value().IsEqual(other); }
    bool MatchesCode(int errorCode) const override { return condition_.Value().MatchesCode(errorCode); }
    bool MatchesState(std::string_view sqlState, bool warning) const override {
        return condition_.Value().MatchesState(sqlState, warning);
    }
    int Priority() const override { return condition_.Value().Priority(); }
    const TNamedCondition& Condition() const { return condition_; }

private:
    const TNamedCondition& condition_;
};

} // namespace engine
