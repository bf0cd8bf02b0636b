#include "engine/server/uDBAInterpreter.h"

#include <cctype>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "core/uStringUtils.h"
#include "engine/local/uStrictAssignment.h"
#include "engine/server/uDBABlock.h"
#include "engine/server/uDBAExpressionBuilder.h"
#include "engine/server/uDBAProgram.h"
#include "engine/server/uDBARoutineCall.h"
#include "engine/sql/uSQLWriter.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/Utf.h"

namespace engine {

namespace {

constexpr int kErrorCursorAlreadyOpen = 1325;
constexpr int kErrorCursorNotOpen = 1326;
constexpr int kErrorWrongFetchVariableCount = 1328;
constexpr int kErrorNoData = 1329;
constexpr int kErrorWrongValueForVariable = 1231;
constexpr int kWarningConditionItemTruncated = 1647;
constexpr int kErrorConditionItemTooLong = 1648;
constexpr int kErrorSignalWarning = 1642;
// The largest MYSQL_ERRNO a SIGNAL may set, and the longest MESSAGE_TEXT in characters.
constexpr std::int64_t kMaxSignalErrorCode = 65534;
constexpr std::size_t kMaxSignalMessageLength = 512;
// The longest error message a client receives: its buffer holds 512 bytes with the terminator.
constexpr std::size_t kMaxClientErrorMessage = 511;
constexpr int kErrorSignalNotFound = 1643;
constexpr int kErrorSignalException = 1644;
constexpr int kErrorResignalWithoutHandler = 1645;

// A CONTINUE handler took a condition raised where a flow statement decides: as on the server, the
// routine goes on after that statement.
class EFlowStatementAbandoned : public rtl::Exception {
public:
    EFlowStatementAbandoned() : rtl::Exception("") {}
    const char* ClassName() const override { return "EFlowStatementAbandoned"; }
};

THandlerCallStack& ActiveHandlers(const TRoutine& routine) {
    return DBAProgramOf(routine).HandlerCallStack();
}

// Whether the handlers of the block are out of scope: one of them is running, and a condition
// raised in a handler's body never reaches the handlers declared beside it.
bool IsHandlerBlockActive(const THandlerCallStack& handlers, const IDBABlock& block) {
    for (int i = 0; i < handlers.Count(); ++i)
        if (handlers.Items(i).Handler->Block().get() == &block) return true;
    return false;
}

// The entry of a running handler, removed however its body ends.
class TActiveHandlerGuard {
public:
    TActiveHandlerGuard(THandlerCallStack& handlers, TDBAHandler& handler, const std::string& message,
                        bool warning, const std::string& sqlState, int errorCode)
        : handlers_(handlers) {
        handlers_.Push(handler, rtl::Utf8ToUtf16(message), warning, sqlState, errorCode);
    }
    ~TActiveHandlerGuard() { handlers_.Pop(); }
    TActiveHandlerGuard(const TActiveHandlerGuard&) = delete;
    TActiveHandlerGuard& operator=(const TActiveHandlerGuard&) = delete;

private:
    THandlerCallStack& handlers_;
};

// The server's code and text of a SIGNAL that names neither, by the class of its SQLSTATE.
int DefaultSignalCode(const std::string& sqlState) {
    if (sqlState.starts_with("01")) return kErrorSignalWarning;
    if (sqlState.starts_with("02")) return kErrorSignalNotFound;
    return kErrorSignalException;
}

std::string DefaultSignalMessage(const std::string& sqlState) {
    if (sqlState.starts_with("01")) return "Unhandled user-defined warning condition";
    if (sqlState.starts_with("02")) return "Unhandled user-defined not found condition";
    return "Unhandled user-defined exception condition";
}

// Replaces every occurrence of `name` that no further digit continues.
void ReplaceWholeName(std::string& text, const std::string& name, const std::string& replacement) {
    std::size_t position = 0;
    while ((position = text.find(name, position)) != std::string::npos) {
        const std::size_t end = position + name.size();
        if (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) {
            position = end;
            continue;
        }
        text.replace(position, name.size(), replacement);
        position += replacement.size();
    }
}

// Whether the statement is a query, which sets FOUND_ROWS().
bool IsSelect(const std::string& text) {
    const std::size_t start = text.find_first_not_of(" \t\r\n(");
    return start != std::string::npos && core::SameText(text.substr(start, 6), "SELECT");
}

} // namespace

TDBAProgram& DBAProgramOf(const TRoutine& routine) {
    auto* program = dynamic_cast<TDBAProgram*>(&routine.Program());
    RTL_ASSERT_MSG(program, "not a server program");
    return *program;
}

core::IDBAConnection& RoutineConnection(const TRoutine& routine) {
    return *DBAProgramOf(routine).Connection();
}

std::string ConditionText(int errorCode, const std::string& sqlState, const std::string& message) {
    // The text of the error as the connection raises it.
    return core::EDBAConnectionException(message, errorCode, sqlState).Message();
}

// ---- round trips

namespace {

// "SET a=<literal>,..." of the variables not mirrored yet; empty when all are.
std::string PushText(const TDBAVariables& variables) {
    std::string assignments;
    for (const auto& variable : variables)
        if (!variable->Mirrored())
            core::AppendWithDelimiter(
                assignments, variable->SessionName() + "=" + TSQLWriter::WriteExpression(variable), ",");
    return assignments.empty() ? assignments : "SET " + assignments;
}

void SetMirrored(const TDBAVariables& variables) {
    for (const auto& variable : variables)
        variable->SetMirrored();
}

} // namespace

void PushVariables(core::IDBAConnection& connection, const TDBAVariables& variables) {
    const std::string push = PushText(variables);
    if (push.empty()) return;
    connection.ExecSQL(push);
    SetMirrored(variables);
}

std::shared_ptr<core::IQueryResult> ExecuteWithPush(core::IDBAConnection& connection,
                                                    const TDBAVariables& variables, const std::string& sql) {
    const std::string push = PushText(variables);
    // One packet: the connection steps over the SET's reply, which has no rows, to the statement's.
    auto result = connection.Execute(push.empty() ? sql : push + ";" + sql);
    // Not reached after an error, whether the SET or the statement failed: the SET goes again.
    SetMirrored(variables);
    return result;
}

namespace {

// The store the converter runs is a SET's, which names row 0.
std::string AtRow(std::string message, int row) {
    constexpr std::string_view kRowZero = " at row 0";
    if (message.ends_with(kRowZero)) message.replace(message.size() - 1, 1, std::to_string(row));
    return message;
}

} // namespace

void StoreStatementTarget(TDBAVariable& target, const std::shared_ptr<core::IRODataValue>& value,
                          const TRoutine& routine, int row) {
    const TVariable* variable = target.TypedVariable();
    if (!variable || !IsTemporalType(variable->GetValue()->GetCharacteristics().DataType))
        return target.SetValue(value);
    std::vector<TStoreProblem>& warnings = routine.Program().StoreWarnings();
    const std::size_t before = warnings.size();
    try {
        AssignStrictly(target, value, routine);
    } catch (const core::EDBAConnectionException& error) {
        core::RaiseDBAError(AtRow(error.ErrorMessage(), row), error.ErrorCode(), error.SQLState());
    }
    for (std::size_t i = before; i < warnings.size(); ++i)
        warnings[i].Message = AtRow(std::move(warnings[i].Message), row);
}

namespace {

// Opens "SELECT <session variables>,<more columns>" (`moreColumns` starts with its comma); the
// variables take the values of the first columns, stored as the targets of a statement of
// `targets.Routine` where given. They stay unmirrored: a store may have converted what the server holds.
std::unique_ptr<data::TDataSet> ReadBack(core::IDBAConnection& connection, const TDBAVariables& variables,
                                         const std::string& moreColumns, const TStatementTargets& targets) {
    std::string names;
    for (const auto& variable : variables)
        core::AppendWithDelimiter(names, variable->SessionName(), ",");
    auto query = connection.CreateQuery(
        "SELECT " + names + (names.empty() ? moreColumns.substr(1) : moreColumns), false);
    query->Open();
    RTL_ASSERT(query->FieldCount() >= variables.Count());
    for (int i = 0; i < variables.Count(); ++i) {
        const auto value = connection.FieldDataValue(query->Fields()[i]);
        if (targets.Routine)
            StoreStatementTarget(*variables.Items(i), value, *targets.Routine, targets.Row);
        else
            variables.Items(i)->SetValue(value);
    }
    return query;
}

// "show warnings", without the trace of ClearServerWarnings.
std::vector<TStoreProblem> ServerWarnings(core::IDBAConnection& connection) {
    std::vector<TStoreProblem> warnings;
    const auto query = connection.CreateQuery("show warnings", false);
    query->Open();
    for (; !query->Eof(); query->Next()) {
        const int errorCode = query->Fields()[1]->AsInteger();
        warnings.push_back({errorCode, core::MySQLErrorSQLState(errorCode), query->Fields()[2]->AsString(),
                            query->Fields()[0]->AsString() == "Note"});
    }
    return warnings;
}

} // namespace

void PullVariables(core::IDBAConnection& connection, const TDBAVariables& variables) {
    if (variables.Count() > 0) ReadBack(connection, variables, "", {});
}

int PullVariablesWithWarningCount(core::IDBAConnection& connection, const TDBAVariables& variables,
                                  TDBAProgram* program, bool selected, int replyWarningCount,
                                  const TStatementTargets& targets) {
    const std::shared_ptr<TDBAVariable> rowCount = program ? program->RowCount() : nullptr;
    const std::shared_ptr<TDBAVariable> foundRows = program ? program->FoundRows() : nullptr;
    const bool counts = rowCount || foundRows;
    if (variables.Count() == 0 && !counts) return replyWarningCount;
    const bool askCount = replyWarningCount == kWarningCountUnknown;
    // Reading variables uses no table, so the server keeps the warnings of the statement before.
    const auto query = ReadBack(connection, variables,
                                std::string(askCount ? ",@@warning_count" : "") +
                                    (counts ? ",ROW_COUNT(),FOUND_ROWS()" : ""),
                                targets);
    const int countsField = variables.Count() + (askCount ? 1 : 0);
    if (rowCount) rowCount->SetValue(connection.FieldDataValue(query->Fields()[countsField]));
    if (foundRows && selected)
        foundRows->SetValue(connection.FieldDataValue(query->Fields()[countsField + 1]));
    return askCount ? query->Fields()[variables.Count()]->AsInteger() : replyWarningCount;
}

std::vector<TStoreProblem> KeptWarnings(core::IDBAConnection& connection, const TDBAProgram& program) {
    return program.ServerWarningsKept() ? ServerWarnings(connection) : std::vector<TStoreProblem>();
}

int RestoreKeptWarnings(core::IDBAConnection& connection, TDBAProgram& program,
                        const std::vector<TStoreProblem>& kept, int warningCount) {
    if (kept.empty()) return warningCount;
    if (warningCount == kWarningCountUnknown)
        warningCount = static_cast<int>(
            core::VariantToInt64(connection.Evaluate(u"@@warning_count", true, 0)->AsInteger()));
    if (warningCount != 0) return warningCount;
    LeaveServerConditions(connection, kept);
    program.SetServerWarningsKept(true);
    return warningCount;
}

void ForgetKeptWarnings(core::IDBAConnection& connection, TDBAProgram& program) {
    if (!program.ServerWarningsKept()) return;
    ClearServerWarnings(connection);
    program.SetServerWarningsKept(false);
}

namespace {

// Runs a statement of the debugger's own, unseen by the monitor; a failure is what some of them are
// sent for.
void ExecUnmonitored(core::IDBAConnection& connection, const std::string& sql) {
    core::SetSQLMonitorEnabled(false);
    try {
        connection.ExecSQL(sql);
    } catch (const rtl::Exception&) {
    }
    core::SetSQLMonitorEnabled(true);
}

} // namespace

void ClearServerWarnings(core::IDBAConnection& connection) {
    // A statement that reads a table clears the warnings and, unlike a failing statement, leaves
    // none of its own for the routine's SHOW WARNINGS to find.
    ExecUnmonitored(connection, "DO (SELECT 0 FROM (SELECT 0) AS debugger_internal_clear)");
}

namespace {

constexpr int kErrorTruncatedValue = 1292;
constexpr int kErrorDivisionByZero = 1365;
// A quoted text this long or longer that ends in "..." may have been cut by the message.
constexpr std::size_t kShortestCutQuote = 125;

// SIGNAL or RESIGNAL of the condition: a literal only, in hexadecimal read the same under any
// sql_mode, no longer than the message a condition item takes.
std::string SignalText(const char* statement, const char* sqlState, int errorCode,
                       const std::string& message) {
    constexpr std::size_t kMessageTextLength = 512;
    const std::string text = message.substr(0, rtl::Utf8PrefixBytes(message, kMessageTextLength));
    return rtl::Format("%s SQLSTATE '%s' SET MYSQL_ERRNO = %d, MESSAGE_TEXT = X'%s'", statement, sqlState,
                       errorCode, core::BytesToHex(text));
}

// An expression whose evaluation makes the server say the condition again, note or warning as it
// judges the text: text read as a number, quoted whole by its message, and a division by zero. None
// for anything else.
std::optional<std::string> RepeatingExpression(const TStoreProblem& condition) {
    static constexpr std::pair<std::string_view, const char*> kReadings[] = {
        {"Truncated incorrect DOUBLE value: '", "%s + 0"},
        {"Truncated incorrect INTEGER value: '", "CAST(%s AS SIGNED)"},
        {"Truncated incorrect DECIMAL value: '", "CAST(%s AS DECIMAL)"},
    };
    const std::string& message = condition.Message;
    if (condition.ErrorCode == kErrorDivisionByZero && message == "Division by 0") return "1 / 0";
    if (condition.ErrorCode != kErrorTruncatedValue || !message.ends_with('\'')) return {};
    for (const auto& [prefix, format] : kReadings) {
        if (!message.starts_with(prefix)) continue;
        const std::string text = message.substr(prefix.size(), message.size() - prefix.size() - 1);
        if (text.size() >= kShortestCutQuote && text.ends_with("...")) return {};
        return rtl::Format(format, "CONVERT(X'" + core::BytesToHex(text) + "' USING utf8mb4)");
    }
    return {};
}

// One statement after which the server's warning list holds the conditions in order: first what
// a DO makes the server say again, then each further condition pushed by the RESIGNAL of a handler
// around what came before, which keeps the list. SIGNAL raises no note: a note the server cannot
// say again goes in as a warning.
std::string ConditionListText(const std::vector<TStoreProblem>& conditions) {
    std::string repeated;
    bool dividesByZero = false;
    std::vector<const TStoreProblem*> signalled;
    for (const TStoreProblem& condition : conditions) {
        const auto expression = signalled.empty() ? RepeatingExpression(condition) : std::nullopt;
        if (expression) {
            core::AppendWithDelimiter(repeated, *expression, ", ");
            dividesByZero = dividesByZero || condition.ErrorCode == kErrorDivisionByZero;
        } else {
            signalled.push_back(&condition);
        }
    }
    if (repeated.empty() && signalled.empty()) return {};
    std::size_t next = 0;
    std::string statement;
    if (!repeated.empty()) {
        // Only under this flag does a division by zero warn outside a store.
        statement =
            (dividesByZero ? "SET STATEMENT sql_mode = 'ERROR_FOR_DIVISION_BY_ZERO' FOR DO " : "DO ") +
            repeated;
    } else {
        statement = SignalText("SIGNAL", "01000", signalled[0]->ErrorCode, signalled[0]->Message);
        next = 1;
    }
    if (next == signalled.size()) return statement;
    for (; next < signalled.size(); ++next)
        statement = rtl::Format(
            "BEGIN DECLARE EXIT HANDLER FOR SQLWARNING, %d %s; %s; END", kErrorTruncatedValue,
            SignalText("RESIGNAL", "01000", signalled[next]->ErrorCode, signalled[next]->Message), statement);
    return "BEGIN NOT ATOMIC " + statement + "; END";
}

} // namespace

void LeaveServerConditions(core::IDBAConnection& connection, const std::vector<TStoreProblem>& conditions) {
    if (const std::string text = ConditionListText(conditions); !text.empty())
        ExecUnmonitored(connection, text);
}

void LeaveServerCondition(core::IDBAConnection& connection, bool warning, const TStoreProblem& condition) {
    if (warning) return LeaveServerConditions(connection, {condition});
    ExecUnmonitored(connection, SignalText("SIGNAL", "45000", condition.ErrorCode, condition.Message));
}

void ProcessServerWarnings(core::IDBAConnection& connection, TRoutine& routine,
                           const std::shared_ptr<IBlock>& block, const std::shared_ptr<IDebugger>& debugger,
                           const std::shared_ptr<IStatement>& statement, int warningCount) {
    if (warningCount == 0) return;
    const std::vector<TStoreProblem> warnings = ServerWarnings(connection);
    if (warnings.empty()) return;
    DBAProgramOf(routine).SetServerWarningsKept(true);
    DispatchWarnings(routine, block, debugger, statement, warnings);
}

void ProcessReplyWarnings(core::IDBAConnection& connection, TRoutine& routine,
                          const std::shared_ptr<IBlock>& block, const std::shared_ptr<IDebugger>& debugger,
                          const std::shared_ptr<IStatement>& statement, int replyWarningCount,
                          int readBackWarningCount) {
    if (replyWarningCount == kWarningCountUnknown)
        return ProcessServerWarnings(connection, routine, block, debugger, statement, readBackWarningCount);
    if (replyWarningCount == 0) return;
    std::vector<TStoreProblem> warnings = ServerWarnings(connection);
    // A statement that reads no table adds its warnings to what the statements before it left.
    const auto own = static_cast<std::size_t>(replyWarningCount);
    if (warnings.size() > own)
        warnings.erase(warnings.begin(), warnings.end() - static_cast<std::ptrdiff_t>(own));
    DBAProgramOf(routine).SetServerWarningsKept(true);
    DispatchWarnings(routine, block, debugger, statement, warnings);
}

bool DispatchWarnings(TRoutine& routine, const std::shared_ptr<IBlock>& block,
                      const std::shared_ptr<IDebugger>& debugger,
                      const std::shared_ptr<IStatement>& statement,
                      const std::vector<TStoreProblem>& warnings) {
    DBAProgramOf(routine).CountRaisedConditions();
    // As on the server, one statement activates one handler at most: the first warning that a
    // handler takes, and the handler's statements leave none of the others behind.
    for (const TStoreProblem& warning : warnings)
        if (DispatchCondition(routine, block, statement, true, warning, debugger)) return true;
    for (const TStoreProblem& warning : warnings)
        debugger->Output(
            mkError, rtl::Utf8ToUtf16(ConditionText(warning.ErrorCode, warning.SQLState, warning.Message)),
            nullptr, statement, routine);
    return false;
}

bool DispatchStoreWarnings(TRoutine& routine, const std::shared_ptr<IBlock>& block,
                           const std::shared_ptr<IDebugger>& debugger,
                           const std::shared_ptr<IStatement>& statement) {
    if (routine.Program().StoreWarnings().empty()) return false;
    std::vector<TStoreProblem> warnings;
    warnings.swap(routine.Program().StoreWarnings());
    // As on the server, they replace the list, which the statement leaving them empties first.
    LeaveServerConditions(RoutineConnection(routine), warnings);
    DBAProgramOf(routine).SetServerWarningsKept(true);
    return DispatchWarnings(routine, block, debugger, statement, warnings);
}

bool DispatchCondition(TRoutine& routine, const std::shared_ptr<IBlock>& block,
                       const std::shared_ptr<IStatement>& statement, bool warning,
                       const TStoreProblem& condition, const std::shared_ptr<IDebugger>& debugger) {
    const auto dbaBlock = std::dynamic_pointer_cast<IDBABlock>(block);
    if (!dbaBlock) return false;
    const std::string& sqlState = condition.SQLState;
    const int errorCode = condition.ErrorCode;
    const std::string& message = condition.Message;
    TDBAHandler* handler = dbaBlock->FindHandler(errorCode, sqlState, warning);
    if (!handler) return false;
    const std::shared_ptr<IDBABlock> declaringBlock = handler->Block();
    THandlerCallStack& handlers = ActiveHandlers(routine);
    if (IsHandlerBlockActive(handlers, *declaringBlock))
        return DispatchCondition(routine, declaringBlock->GetParent(), statement, warning, condition,
                                 debugger);

    debugger->Output(mkInformation,
                     rtl::Utf8ToUtf16("[HANDLED]" + ConditionText(errorCode, sqlState, message)), nullptr,
                     statement, routine);
    // The handler's statements read the condition they handle; after them the routine reads no
    // warnings.
    core::IDBAConnection& connection = RoutineConnection(routine);
    LeaveServerCondition(connection, warning, condition);
    DBAProgramOf(routine).SetServerWarningsKept(true);
    {
        const TActiveHandlerGuard active(handlers, *handler, message, warning, sqlState, errorCode);
        // In a list of its own, so that the debugger stops on the body as on any statement.
        const auto body = std::make_shared<TCompositeStatement>();
        body->Add(handler->Body());
        ExecuteInContext(routine, declaringBlock, body, debugger);
    }
    ForgetKeptWarnings(connection, DBAProgramOf(routine));
    if (handler->Kind() == hkExit) throw EExitBlock(declaringBlock->GetIdentity());
    return true;
}

void RestoreVariableLabels(core::IQueryResult& result, const TDBAVariables& variables) {
    if (!result.HasResultSet()) return;
    data::TDataSet* dataSet = result.GetDataSet();
    RTL_ASSERT(dataSet);
    for (int i = 0; i < dataSet->FieldCount(); ++i) {
        data::TField* field = dataSet->Fields()[i];
        std::string label = field->DisplayLabel();
        for (const auto& variable : variables)
            ReplaceWholeName(label, variable->SessionName(), variable->GetName());
        field->SetDisplayLabel(label);
    }
}

int ReportResults(std::shared_ptr<core::IQueryResult> result, const TDBAVariables& variables,
                  TRoutine& routine, const std::shared_ptr<IDebugger>& debugger,
                  const std::shared_ptr<IStatement>& statement, bool reportRowless) {
    for (;;) {
        if (reportRowless || result->HasResultSet()) {
            RestoreVariableLabels(*result, variables);
            debugger->Output(mkQueryResult, u"", result, statement, routine);
        }
        if (!result->HasMoreResults()) return result->WarningCount();
        result = result->GetNextResult();
        // Only the first result of a statement stands for it without rows; later ones without rows
        // are the status of a procedure call.
        reportRowless = false;
    }
}

std::shared_ptr<core::IRODataValue> EvaluateInContext(TRoutine& routine, const std::shared_ptr<IBlock>& block,
                                                      const std::shared_ptr<IDebugger>& debugger,
                                                      const std::shared_ptr<IExpression>& expression,
                                                      TEvaluationMode mode,
                                                      const std::shared_ptr<IStatement>& statement) {
    TDBAExpressionInterpreter interpreter(routine, debugger, block, statement);
    interpreter.SetMode(mode);
    return interpreter.Evaluate(expression);
}

void ExecuteInContext(TRoutine& routine, const std::shared_ptr<IBlock>& block,
                      const std::shared_ptr<IStatement>& statement,
                      const std::shared_ptr<IDebugger>& debugger) {
    TDBAStatementInterpreter(routine, debugger, block).Execute(statement);
}

// ---- expressions

TDBAExpressionInterpreter::TDBAExpressionInterpreter(TRoutine& routine, std::shared_ptr<IDebugger> debugger,
                                                     std::shared_ptr<IBlock> block,
                                                     std::shared_ptr<IStatement> statement)
    : TExpressionInterpreter(routine, std::move(debugger), std::move(block)),
      statement_(std::move(statement)) {}

void TDBAExpressionInterpreter::SetStatement(const std::shared_ptr<IStatement>& statement) {
    if (statement_ != statement) statement_ = statement;
}

std::shared_ptr<IStatement> TDBAExpressionInterpreter::WarningStatement() const {
    if (statement_) return statement_;
    return Block();
}

void TDBAExpressionInterpreter::VisitFunctionCall(const std::shared_ptr<IFunctionCall>& call) {
    core::IDBAConnection& connection = RoutineConnection(Routine());
    TDBAProgram& program = DBAProgramOf(Routine());
    std::shared_ptr<core::IRODataValue> result;
    const int raisedBefore = program.ConditionsRaised();
    try {
        TFunctionCaller caller(call);
        CallRoutine(caller, Routine(), Block(), Debugger(), WarningStatement());
    } catch (const EReturn& returned) {
        result = returned.Value();
    }
    RTL_ASSERT_MSG(result, "a function call ended without a result");
    // An interpreted function's statements have had their warning pass; as on the server, their
    // warnings empty the caller's list, and with none the list is as its statements left it: what
    // the list kept is not raised again. One run on the server had the list emptied first.
    if (program.ConditionsRaised() != raisedBefore)
        ForgetKeptWarnings(connection, program);
    else if (program.ServerWarningsKept())
        return SetResult(result);
    ProcessServerWarnings(connection, Routine(), Block(), Debugger(), WarningStatement());
    DispatchStoreWarnings(Routine(), Block(), Debugger(), WarningStatement());
    SetResult(result);
}

void TDBAExpressionInterpreter::VisitMirroredVariable(const std::shared_ptr<TDBAVariable>& variable) {
    SetResult(variable->GetValue());
}

void TDBAExpressionInterpreter::VisitServerSideExpression(
    const std::shared_ptr<TDBAServerSideExpression>& expression) {
    core::IDBAConnection& connection = RoutineConnection(Routine());
    TDBAProgram& program = DBAProgramOf(Routine());
    // Its own warnings are counted from an empty list.
    const std::vector<TStoreProblem> kept = KeptWarnings(connection, program);
    ForgetKeptWarnings(connection, program);
    PushVariables(connection, expression->Variables());
    const auto* limited = dynamic_cast<const TDBALimitedServerSideExpression*>(expression.get());
    const auto value = connection.Evaluate(limited ? limited->RunText() : expression->Text(), true, 0);
    const int warningCount = RestoreKeptWarnings(
        connection, program, kept,
        PullVariablesWithWarningCount(connection, expression->Variables(), &program, false));
    ProcessServerWarnings(connection, Routine(), Block(), Debugger(), WarningStatement(), warningCount);
    SetResult(value);
}

// ---- statements

std::unique_ptr<TStatementInterpreter>
TDBAStatementInterpreter::CreateNestedInterpreter(TRoutine& routine, const std::shared_ptr<IBlock>& block) {
    return std::make_unique<TDBAStatementInterpreter>(routine, Debugger(), block);
}

std::shared_ptr<core::IRODataValue>
TDBAStatementInterpreter::EvaluateExpression(const std::shared_ptr<IExpression>& expression,
                                             TEvaluationMode mode) {
    if (!evaluator_) evaluator_.emplace(Routine(), Debugger(), Block());
    evaluator_->SetStatement(CurrentStatement());
    evaluator_->SetMode(mode);
    auto value = evaluator_->Evaluate(expression);
    // What reading text as a number left; a store's value leaves it with what the store leaves.
    if (!storing_) DispatchStoreWarnings(Routine(), Block(), Debugger(), CurrentStatement());
    return value;
}

bool TDBAStatementInterpreter::Holds(const std::shared_ptr<IExpression>& condition,
                                     const std::shared_ptr<core::IRODataValue>& selector) {
    const bool holds = TDBAExpressionInterpreter(Routine(), Debugger(), Block(), CurrentStatement())
                           .Holds(condition, selector);
    if (DispatchStoreWarnings(Routine(), Block(), Debugger(), CurrentStatement()))
        throw EFlowStatementAbandoned();
    return holds;
}

bool TDBAStatementInterpreter::HandleException(rtl::Exception& exception,
                                               const std::shared_ptr<IStatement>& statement) {
    if (dynamic_cast<const EFlowStatementAbandoned*>(&exception)) return true;
    if (auto* serverError = dynamic_cast<core::EDBAConnectionException*>(&exception))
        return HandleServerError(*serverError, statement);
    return TStatementInterpreter::HandleException(exception, statement);
}

bool TDBAStatementInterpreter::HandleServerError(core::EDBAConnectionException& exception,
                                                 const std::shared_ptr<IStatement>& statement) {
    if (exception.Handled()) return false;
    DBAProgramOf(Routine()).CountRaisedConditions();
    // The error stands in the list for what the failed statement had said before it.
    Routine().Program().StoreWarnings().clear();
    ClearServerWarnings(RoutineConnection(Routine()));
    DBAProgramOf(Routine()).SetServerWarningsKept(false);
    // A statement that failed counts no rows.
    if (const auto& rowCount = DBAProgramOf(Routine()).RowCount())
        rowCount->SetValue(Routine().Program().ValueFactory().CreateInteger(-1));
    if (DispatchCondition(Routine(), Block(), statement, false,
                          {exception.ErrorCode(), exception.SQLState(), exception.ErrorMessage()},
                          Debugger()))
        return true;
    exception.SetHandled(true);
    return false;
}

void TDBAStatementInterpreter::ResetBlockVariables(const std::shared_ptr<IBlock>& block) {
    TStatementInterpreter::ResetBlockVariables(block);
    if (const auto dbaBlock = std::dynamic_pointer_cast<IDBABlock>(block))
        for (int i = 0; i < dbaBlock->CursorCount(); ++i)
            dbaBlock->GetCursor(i).DataSet().Close();
}

void TDBAStatementInterpreter::VisitRoutineCall(const std::shared_ptr<IRoutineCall>& statement) {
    TProcedureCaller caller(statement);
    CallRoutine(caller, Routine(), Block(), Debugger(), statement);
    // What the OUT arguments' stores cut or clamped.
    DispatchStoreWarnings(Routine(), Block(), Debugger(), statement);
}

void TDBAStatementInterpreter::ResetVariable(ICustomVariable& variable,
                                             const std::shared_ptr<IBlock>& block) {
    TStatementInterpreter::ResetVariable(variable, block);
    // Each declaration is a statement of its own.
    DispatchStoreWarnings(Routine(), block, Debugger(), block);
}

void TDBAStatementInterpreter::VisitAssignation(const std::shared_ptr<IAssignation>& statement) {
    {
        // The value's warnings and the store's are one statement's list, in that order.
        const bool outer = std::exchange(storing_, true);
        const rtl::ScopeExit restore([&] { storing_ = outer; });
        TStatementInterpreter::VisitAssignation(statement);
    }
    DispatchStoreWarnings(Routine(), Block(), Debugger(), statement);
}

void TDBAStatementInterpreter::VisitServerSideStatement(
    const std::shared_ptr<TDBAServerSideStatement>& statement) {
    core::IDBAConnection& connection = RoutineConnection(Routine());
    const TDBAVariables& variables = statement->Variables();
    const std::string text = rtl::Utf16ToUtf8(statement->Text());
    const int replyWarningCount = ReportResults(ExecuteWithPush(connection, variables, text), variables,
                                                Routine(), Debugger(), statement, true);
    const int warningCount =
        PullVariablesWithWarningCount(connection, statement->Targets(), &DBAProgramOf(Routine()),
                                      IsSelect(text), replyWarningCount, {&Routine(), 1});
    ProcessReplyWarnings(connection, Routine(), Block(), Debugger(), statement, replyWarningCount,
                         warningCount);
    DispatchStoreWarnings(Routine(), Block(), Debugger(), statement);
}

void TDBAStatementInterpreter::VisitOpenCursor(const std::shared_ptr<TDBAOpenCursor>& statement) {
    TDBACursor& cursor = statement->Cursor();
    if (cursor.DataSet().Active()) core::RaiseMySQLError("Cursor is already open", kErrorCursorAlreadyOpen);
    core::IDBAConnection& connection = RoutineConnection(Routine());
    ForgetKeptWarnings(connection, DBAProgramOf(Routine()));
    PushVariables(connection, cursor.Variables());
    cursor.DataSet().Open();
    const int warningCount = PullVariablesWithWarningCount(connection, cursor.Variables());
    ProcessServerWarnings(connection, Routine(), Block(), Debugger(), statement, warningCount);
}

void TDBAStatementInterpreter::VisitFetchCursor(const std::shared_ptr<TDBAFetchCursor>& statement) {
    data::TDataSet& dataSet = statement->Cursor().DataSet();
    if (!dataSet.Active()) core::RaiseMySQLError("Cursor is not open", kErrorCursorNotOpen);
    const TDBAVariables& targets = statement->Targets();
    if (targets.Count() != dataSet.FieldCount())
        core::RaiseMySQLError("Incorrect number of FETCH variables", kErrorWrongFetchVariableCount);
    if (dataSet.Eof())
        core::RaiseMySQLError("No data - zero rows fetched, selected, or processed", kErrorNoData);
    core::IDBAConnection& connection = RoutineConnection(Routine());
    for (int i = 0; i < targets.Count(); ++i)
        StoreStatementTarget(*targets.Items(i), connection.FieldDataValue(dataSet.Fields()[i]), Routine(), 1);
    dataSet.Next();
    DispatchStoreWarnings(Routine(), Block(), Debugger(), statement);
}

void TDBAStatementInterpreter::VisitCloseCursor(const std::shared_ptr<TDBACloseCursor>& statement) {
    data::TDataSet& dataSet = statement->Cursor().DataSet();
    if (!dataSet.Active()) core::RaiseMySQLError("Cursor is not open", kErrorCursorNotOpen);
    dataSet.Close();
}

void TDBAStatementInterpreter::ApplySignalItems(const TDBACustomSignal& statement, int& errorCode,
                                                std::string& message) {
    const auto refuse = [](const char* item, const core::IRODataValue& value) {
        core::RaiseMySQLError(rtl::Format("Variable '%s' can't be set to the value of '%s'", item,
                                          value.IsNull() ? std::string("NULL") : value.AsString().AsString()),
                              kErrorWrongValueForVariable);
    };
    if (const auto& number = statement.ErrorNumber()) {
        const auto value = EvaluateExpression(number, emDefault);
        const std::int64_t code = value->IsNull() ? 0 : core::VariantToInt64(value->AsInteger());
        if (code <= 0 || code > kMaxSignalErrorCode) refuse("MYSQL_ERRNO", *value);
        errorCode = static_cast<int>(code);
    }
    if (const auto& text = statement.MessageText()) {
        const auto value = EvaluateExpression(text, emDefault);
        if (value->IsNull()) refuse("MESSAGE_TEXT", *value);
        std::u16string wide = core::VariantToWideString(value->AsWideString());
        if (wide.size() > kMaxSignalMessageLength) {
            // Strict: an error; otherwise cut, with a warning.
            core::IDBAConnection& connection = RoutineConnection(Routine());
            if (IsStrictSqlMode(connection.Evaluate(u"@@sql_mode", true, 0)->AsString().AsString()))
                core::RaiseMySQLError("Data too long for condition item 'MESSAGE_TEXT'",
                                      kErrorConditionItemTooLong);
            wide.resize(kMaxSignalMessageLength);
            RaiseCondition(CurrentStatement(), core::MySQLErrorSQLState(kWarningConditionItemTruncated), true,
                           "Data truncated for condition item 'MESSAGE_TEXT'",
                           kWarningConditionItemTruncated);
        }
        message = rtl::Utf16ToUtf8(wide);
    }
}

void TDBAStatementInterpreter::VisitSignal(const std::shared_ptr<TDBASignal>& statement) {
    const std::string& sqlState = statement->SQLState();
    int errorCode = DefaultSignalCode(sqlState);
    std::string message = DefaultSignalMessage(sqlState);
    ApplySignalItems(*statement, errorCode, message);
    RaiseCondition(statement, sqlState, false, message, errorCode);
}

void TDBAStatementInterpreter::VisitResignal(const std::shared_ptr<TDBAResignal>& statement) {
    const THandlerStackEntry* entry = ActiveHandlers(Routine()).Top();
    if (!entry)
        core::RaiseDBAError("RESIGNAL when handler not active", kErrorResignalWithoutHandler, "0K000");
    bool warning = entry->Warning;
    int errorCode = entry->ErrorCode;
    std::string message = rtl::Utf16ToUtf8(entry->Message);
    std::string sqlState = entry->SQLState;
    if (!statement->SQLState().empty()) {
        // As on the server, a new SQLSTATE brings the code of its class but keeps the text.
        sqlState = statement->SQLState();
        warning = false;
        errorCode = DefaultSignalCode(sqlState);
    }
    ApplySignalItems(*statement, errorCode, message);
    RaiseCondition(statement, sqlState, warning, message, errorCode);
}

void TDBAStatementInterpreter::RaiseCondition(const std::shared_ptr<IStatement>& statement,
                                              const std::string& sqlState, bool warning,
                                              const std::string& message, int errorCode) {
    if (!warning && !sqlState.starts_with("01"))
        core::RaiseDBAError(message.substr(0, rtl::Utf8PrefixBytes(message, kMaxClientErrorMessage)),
                            errorCode, sqlState);
    if (!DispatchCondition(Routine(), Block(), statement, true, {errorCode, sqlState, message}, Debugger()))
        Debugger()->Output(mkError, rtl::Utf8ToUtf16(ConditionText(errorCode, sqlState, message)), nullptr,
                           statement, Routine());
}

} // namespace engine
