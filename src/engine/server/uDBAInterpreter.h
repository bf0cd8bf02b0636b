// The interpreters of a routine compiled for the server: local flow, server-side statements.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "core/uDataValues.h"
#include "core/uDBAConnection.h"
#include "engine/local/uExpressionInterpreter.h"
#include "engine/local/uProgram.h"
#include "engine/local/uStatementInterpreter.h"
#include "engine/model/uDebugger.h"
#include "engine/server/uDBAExpressions.h"
#include "engine/server/uDBAStatements.h"

namespace engine {

// The interpreters of a routine compiled for the server. Local control flow and local expressions
// run as in their parents; SQL statements, server-side expressions, cursors and routine calls go to
// the server through the program's connection, with the mirrored local variables pushed into their
// session variables before and pulled back after each round trip, followed by the warning pass.
// Errors, warnings and raised conditions go to the condition handlers of the enclosing blocks.

// Evaluates on the client, sending what only the server can compute.
class TDBAExpressionInterpreter : public TExpressionInterpreter, public IDBAExpressionVisitor {
public:
    // `statement` gives the warnings of a round trip their line; without one the block stands in.
    TDBAExpressionInterpreter(TRoutine& routine, std::shared_ptr<IDebugger> debugger,
                              std::shared_ptr<IBlock> block, std::shared_ptr<IStatement> statement = nullptr);

    // A stored function: interpreted, or run on the server when it cannot be loaded; then the
    // warning pass.
    void VisitFunctionCall(const std::shared_ptr<IFunctionCall>& call) override;
    IDBAExpressionVisitor* ServerSideExtension() override { return this; }
    // The statement of the evaluations that follow.
    void SetStatement(const std::shared_ptr<IStatement>& statement);
    void VisitMirroredVariable(const std::shared_ptr<TDBAVariable>& variable) override;
    void VisitServerSideExpression(const std::shared_ptr<TDBAServerSideExpression>& expression) override;

private:
    std::shared_ptr<IStatement> WarningStatement() const;

    std::shared_ptr<IStatement> statement_;
};

class TDBAStatementInterpreter : public TStatementInterpreter, public IDBAStatementVisitor {
public:
    using TStatementInterpreter::TStatementInterpreter;

    void VisitRoutineCall(const std::shared_ptr<IRoutineCall>& statement) override;
    // Also raises what a non-strict store cut or clamped.
    void VisitAssignation(const std::shared_ptr<IAssignation>& statement) override;
    void VisitServerSideStatement(const std::shared_ptr<TDBAServerSideStatement>& statement) override;
    void VisitOpenCursor(const std::shared_ptr<TDBAOpenCursor>& statement) override;
    void VisitFetchCursor(const std::shared_ptr<TDBAFetchCursor>& statement) override;
    void VisitCloseCursor(const std::shared_ptr<TDBACloseCursor>& statement) override;
    void VisitSignal(const std::shared_ptr<TDBASignal>& statement) override;
    void VisitResignal(const std::shared_ptr<TDBAResignal>& statement) override;

    // Offers a server or engine error to the handlers once: an error that none took is marked, so
    // that the enclosing statement lists of the same routine do not search again.
    bool HandleServerError(core::EDBAConnectionException& exception,
                           const std::shared_ptr<IStatement>& statement);
    // An error-level condition travels as an exception; a warning-level one is offered to the
    // handlers and, when none takes it, reported as an output message.
    void RaiseCondition(const std::shared_ptr<IStatement>& statement, const std::string& sqlState,
                        bool warning, const std::string& message, int errorCode);

protected:
    // Also closes the block's cursors.
    void ResetBlockVariables(const std::shared_ptr<IBlock>& block) override;
    // Then raises what the declaration's store cut or clamped.
    void ResetVariable(ICustomVariable& variable, const std::shared_ptr<IBlock>& block) override;
    std::unique_ptr<TStatementInterpreter>
    CreateNestedInterpreter(TRoutine& routine, const std::shared_ptr<IBlock>& block) override;
    std::shared_ptr<core::IRODataValue> EvaluateExpression(const std::shared_ptr<IExpression>& expression,
                                                           TEvaluationMode mode) override;
    bool Holds(const std::shared_ptr<IExpression>& condition,
               const std::shared_ptr<core::IRODataValue>& selector) override;
    bool HandleException(rtl::Exception& exception, const std::shared_ptr<IStatement>& statement) override;

private:
    // MYSQL_ERRNO and MESSAGE_TEXT, where the statement sets them, replace the code and the text.
    void ApplySignalItems(const TDBACustomSignal& statement, int& errorCode, std::string& message);

    // Made at the first evaluation and kept for every later one in the block.
    std::optional<TDBAExpressionInterpreter> evaluator_;
    // Set while an assignment runs: its value's warnings wait for its store's.
    bool storing_ = false;
};

class TDBAProgram;

// The routine's program, which must be a server program, and its connection.
TDBAProgram& DBAProgramOf(const TRoutine& routine);
core::IDBAConnection& RoutineConnection(const TRoutine& routine);

using core::kWarningCountUnknown;

// One "SET a=<literal>,b=<literal>" of the session variables that are not mirrored yet, in order;
// nothing when all are. They are mirrored afterwards.
void PushVariables(core::IDBAConnection& connection, const TDBAVariables& variables);
// Runs the statement with that SET sent ahead in the same packet (one round trip); the result is
// the statement's own.
std::shared_ptr<core::IQueryResult> ExecuteWithPush(core::IDBAConnection& connection,
                                                    const TDBAVariables& variables, const std::string& sql);
// Variables read back as the targets of a statement of the routine, whose messages name the row:
// 1 for SELECT ... INTO and FETCH, 0 for the OUT arguments of CALL.
struct TStatementTargets {
    const TRoutine* Routine = nullptr;
    int Row = 0;
};

// One "SELECT a,b" of the session variables, whose values the variables take; nothing for none.
void PullVariables(core::IDBAConnection& connection, const TDBAVariables& variables);
// The same read-back with the server's warning count as a further column, which spares the round
// trip of "show warnings" when there are none; kWarningCountUnknown, and nothing sent, for no
// variables. With a program that mirrors ROW_COUNT() and FOUND_ROWS() the read-back also takes what
// the statement left in them (FOUND_ROWS() only after a query, `selected`), and is sent for no
// variables too. A count the statement's reply gave (`replyWarningCount`) is not asked but returned.
// The variables are stored as `targets` where it names a routine.
int PullVariablesWithWarningCount(core::IDBAConnection& connection, const TDBAVariables& variables,
                                  TDBAProgram* program = nullptr, bool selected = false,
                                  int replyWarningCount = kWarningCountUnknown,
                                  const TStatementTargets& targets = {});
// Stores a value a statement run on the server left for its target: a temporal local takes it as the
// server stores into a variable of its type, strictly or not, naming the row as the statement does;
// any other target as it is.
void StoreStatementTarget(TDBAVariable& target, const std::shared_ptr<core::IRODataValue>& value,
                          const TRoutine& routine, int row);
// Inside a routine a server-side expression that raises nothing keeps the list, even where it
// reads a table, which at the top level empties it. The list as the routine's
// statements left it, read only where the debugger left or kept one; and the same list left again
// after a statement that raised nothing: its warning count, asked where unknown and a list was
// kept, is returned.
std::vector<TStoreProblem> KeptWarnings(core::IDBAConnection& connection, const TDBAProgram& program);
int RestoreKeptWarnings(core::IDBAConnection& connection, TDBAProgram& program,
                        const std::vector<TStoreProblem>& kept, int warningCount);
// Empties the server's warning list when a reply's warning pass kept it (see ProcessReplyWarnings),
// before a round trip whose warnings can only be counted from the server's list.
void ForgetKeptWarnings(core::IDBAConnection& connection, TDBAProgram& program);
// Empties the server's warning list with a statement that fails on purpose, unseen by the monitor.
void ClearServerWarnings(core::IDBAConnection& connection);
// Makes the conditions the entries of the server's warning list, in order, unseen by the monitor,
// for the routine's SHOW WARNINGS, @@warning_count and @@error_count: warnings as warnings, a note
// as a note where the server can say it again (text read as a number), else as a warning. One
// statement, which empties the list first.
void LeaveServerConditions(core::IDBAConnection& connection, const std::vector<TStoreProblem>& conditions);
// The same for one condition at warning level or, `warning` unset, as an error.
void LeaveServerCondition(core::IDBAConnection& connection, bool warning, const TStoreProblem& condition);
// "show warnings": each row, except the trace of ClearServerWarnings, is offered to the handlers
// as a warning-level condition or else reported for the statement, and the list stays for the
// routine's SHOW WARNINGS and @@warning_count. Nothing is asked when the warning count is known to
// be 0.
void ProcessServerWarnings(core::IDBAConnection& connection, TRoutine& routine,
                           const std::shared_ptr<IBlock>& block, const std::shared_ptr<IDebugger>& debugger,
                           const std::shared_ptr<IStatement>& statement,
                           int warningCount = kWarningCountUnknown);
// The warning pass of a statement whose reply counted its own warnings: the last rows of "show
// warnings" are its own, and the list stays as the routine's statements left it, for the routine's
// SHOW WARNINGS and @@warning_count. Where the connection could not tell (kWarningCountUnknown), as
// ProcessServerWarnings with the count read back.
void ProcessReplyWarnings(core::IDBAConnection& connection, TRoutine& routine,
                          const std::shared_ptr<IBlock>& block, const std::shared_ptr<IDebugger>& debugger,
                          const std::shared_ptr<IStatement>& statement, int replyWarningCount,
                          int readBackWarningCount);
// Offers the warnings of one statement to the handlers: the first that a handler takes runs it,
// and when none does, each is reported for the statement. Whether a handler took one.
bool DispatchWarnings(TRoutine& routine, const std::shared_ptr<IBlock>& block,
                      const std::shared_ptr<IDebugger>& debugger,
                      const std::shared_ptr<IStatement>& statement,
                      const std::vector<TStoreProblem>& warnings);
// The same for what the statement's non-strict stores left in the program's StoreWarnings.
bool DispatchStoreWarnings(TRoutine& routine, const std::shared_ptr<IBlock>& block,
                           const std::shared_ptr<IDebugger>& debugger,
                           const std::shared_ptr<IStatement>& statement);
// Runs the handler that takes the condition raised in the block, if any: "[HANDLED]" output, its
// body in its declaring block, then EExitBlock for an EXIT handler. The handlers of a block whose
// handler is running are out of scope, as on the server. Whether a handler took it.
bool DispatchCondition(TRoutine& routine, const std::shared_ptr<IBlock>& block,
                       const std::shared_ptr<IStatement>& statement, bool warning,
                       const TStoreProblem& condition, const std::shared_ptr<IDebugger>& debugger);
// The column headings of the result name the routine's variables rather than their session
// variables; a name is replaced only where it stands whole.
void RestoreVariableLabels(core::IQueryResult& result, const TDBAVariables& variables);
// Reports the result, when it has a result set or `reportRowless` is set, and every further result
// set the statement returned, in order, as query-result messages with the variables' labels
// restored: afterwards nothing is pending on the session. The warning count of the last result.
int ReportResults(std::shared_ptr<core::IQueryResult> result, const TDBAVariables& variables,
                  TRoutine& routine, const std::shared_ptr<IDebugger>& debugger,
                  const std::shared_ptr<IStatement>& statement, bool reportRowless);
// "Error code: %d, SQLState: %s, Message: %s".
std::string ConditionText(int errorCode, const std::string& sqlState, const std::string& message);

std::shared_ptr<core::IRODataValue> EvaluateInContext(TRoutine& routine, const std::shared_ptr<IBlock>& block,
                                                      const std::shared_ptr<IDebugger>& debugger,
                                                      const std::shared_ptr<IExpression>& expression,
                                                      TEvaluationMode mode = emDefault,
                                                      const std::shared_ptr<IStatement>& statement = nullptr);
void ExecuteInContext(TRoutine& routine, const std::shared_ptr<IBlock>& block,
                      const std::shared_ptr<IStatement>& statement,
                      const std::shared_ptr<IDebugger>& debugger);

} // namespace engine
