#pragma once

// Expression and statement trees built together with the SQL text that the server reads as the
// same thing, so that one table of cases can run under the interpreters and on the server.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/uDataConverter.h"
#include "engine/local/uProgram.h"
#include "engine/model/uExpressions.h"
#include "engine/model/uStatements.h"
#include "support/TestServer.h"

namespace engine {

// A program that runs its main routine with the statement interpreter and compiles nothing.
class TInterpreterProgram : public TProgram {
public:
    explicit TInterpreterProgram(core::TDataConverter* converter);

    std::unique_ptr<TStatementVisitor> CreateLineFiller(core::TIntegerList& lines) override;
    void Parse(TRoutine& routine) override;
    std::string GetDefaultSchema() override { return "dbg"; }
};

struct TSqlExpression {
    std::shared_ptr<IExpression> node;
    std::string sql;
};

struct TSqlStatement {
    std::shared_ptr<IStatement> node;
    std::string sql;
};

using TSqlStatements = std::vector<TSqlStatement>;

// What an evaluation or a run gave: a value's text (nothing for NULL), or a MySQL error number.
struct TOutcome {
    std::optional<std::string> text;
    int error = 0;

    bool operator==(const TOutcome&) const = default;
};

std::ostream& operator<<(std::ostream& stream, const TOutcome& outcome);
TOutcome Text(std::string text);
TOutcome Null();
TOutcome Error(int code);

// Builds expressions, statements and the routine's variables over one program's main routine.
class TSqlBuilder {
public:
    explicit TSqlBuilder(TProgram& program) : program_(program) {}

    TSqlExpression Int(std::int64_t value) const;
    // A BIGINT UNSIGNED value.
    TSqlExpression Unsigned(std::uint64_t value) const;
    // A decimal literal such as "7.5": scale from the digits after the point.
    TSqlExpression Dec(const std::string& text) const;
    // A DOUBLE literal such as "1e0".
    TSqlExpression Dbl(const std::string& text) const;
    TSqlExpression Str(const std::string& text) const;
    TSqlExpression Bool(bool value) const;
    TSqlExpression NullLiteral() const;

    static TSqlExpression Op(const TSqlExpression& left, std::uint8_t op, const TSqlExpression& right);
    static TSqlExpression Unary(std::uint8_t op, const TSqlExpression& operand);
    static TSqlExpression Between(const TSqlExpression& tested, const TSqlExpression& lower,
                                  const TSqlExpression& upper, bool negated = false);
    static TSqlExpression If(const TSqlExpression& condition, const TSqlExpression& then,
                             const TSqlExpression& otherwise);
    static TSqlExpression In(const TSqlExpression& tested, const std::vector<TSqlExpression>& items,
                             bool negated = false);
    // A CASE with a selector; `otherwise` may have no node.
    static TSqlExpression Case(const TSqlExpression& selector,
                               const std::vector<std::pair<TSqlExpression, TSqlExpression>>& branches,
                               const TSqlExpression& otherwise = {});
    static TSqlExpression Brackets(const TSqlExpression& expression);
    // CAST(x AS <sqlType>) with the characteristics the compiler would give.
    static TSqlExpression Cast(const TSqlExpression& expression, const std::string& sqlType,
                               const core::TDatatypeCharacteristics& characteristics);

    // DECLARE of a variable of the main routine's block; `sqlType` and `characteristics` describe
    // the same type.
    TSqlExpression Declare(const std::string& name, const std::string& sqlType,
                           const core::TDatatypeCharacteristics& characteristics,
                           const TSqlExpression& defaultValue = {});

    // A user variable ("@name"), which takes any value, as the server's do; it is not declared.
    TSqlExpression UserVariable(const std::string& name);

    static TSqlStatement Set(const TSqlExpression& variable, const TSqlExpression& value);
    static TSqlStatement Do(const TSqlExpression& expression);
    static TSqlStatement IfThen(const TSqlExpression& condition, const TSqlStatements& then,
                                const TSqlStatements& otherwise = {});
    static TSqlStatement IfChain(const TSqlExpression& condition, const TSqlStatements& then,
                                 const std::vector<std::pair<TSqlExpression, TSqlStatements>>& elseIfs,
                                 const TSqlStatements& otherwise);
    // A CASE statement; without a selector node it is a searched CASE, and `otherwise` may be absent.
    static TSqlStatement CaseOf(const TSqlExpression& selector,
                                const std::vector<std::pair<TSqlExpression, TSqlStatements>>& branches,
                                const std::optional<TSqlStatements>& otherwise = std::nullopt);
    static TSqlStatement While(const std::string& label, const TSqlExpression& condition,
                               const TSqlStatements& body);
    static TSqlStatement Loop(const std::string& label, const TSqlStatements& body);
    static TSqlStatement Repeat(const std::string& label, const TSqlStatements& body,
                                const TSqlExpression& until);
    static TSqlStatement Leave(const std::string& label);
    static TSqlStatement Iterate(const std::string& label);
    // A nested BEGIN ... END inside the main routine's block.
    TSqlStatement Block(const std::string& label, const TSqlStatements& body) const;

    // Puts the statements into the main routine's block, replacing what it held before.
    void SetBody(const TSqlStatements& body);
    // The main routine as an anonymous block for the server, ending with a SELECT of the variables.
    std::string ServerScript() const;
    // Runs the main routine with a do-nothing debugger: the variables' texts as ServerOutcome gives
    // the SELECT of ServerScript, or the MySQL error the run ended with.
    TOutcome RunLocally();

    const std::vector<TSqlExpression>& Variables() const { return variables_; }

private:
    std::shared_ptr<IExpression> Literal(std::shared_ptr<core::IRODataValue> value) const;

    TProgram& program_;
    std::vector<TSqlExpression> variables_;
    std::string declarations_;
    std::string body_;
};

// The text of a value the way the server shows it; nothing for NULL.
std::optional<std::string> ValueText(const core::IRODataValue& value);

// The outcome of running the action, catching a MySQL error.
TOutcome OutcomeOf(const std::function<std::optional<std::string>()>& action);

// The first row of the query's first result on the server, its columns joined with "|" (NULL as
// "NULL"; a single NULL column gives no text), or the server's error.
TOutcome ServerOutcome(testsupport::RawSession& session, const std::string& query);

} // namespace engine
