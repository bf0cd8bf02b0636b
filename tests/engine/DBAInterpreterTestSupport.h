#pragma once

// A server program run with a debugger that records what the interpreters report, over the scripted
// fake connection or the private MariaDB server.

#include <gtest/gtest.h>

#include <exception>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "engine/model/uDebugger.h"
#include "engine/server/uDBAExpressions.h"
#include "engine/server/uDBAProgram.h"
#include "support/FakeConnection.h"
#include "support/ServerConnection.h"
#include "support/SQLMonitorLog.h"
#include "support/TestServer.h"

namespace engine {

// A main block summing the ids of table t in a cursor loop that a NOT FOUND handler ends.
inline constexpr const char* kCursorLoopMain =
    "BEGIN\n"
    "  DECLARE done INT DEFAULT 0;\n"
    "  DECLARE total INT DEFAULT 0;\n"
    "  DECLARE cur_id INT;\n"
    "  DECLARE c CURSOR FOR SELECT id FROM t WHERE id > total ORDER BY id;\n"
    "  DECLARE CONTINUE HANDLER FOR NOT FOUND SET done = 1;\n"
    "  OPEN c;\n"
    "  rd: LOOP\n"
    "    FETCH c INTO cur_id;\n"
    "    IF done = 1 THEN LEAVE rd; END IF;\n"
    "    SET total = total + cur_id;\n"
    "  END LOOP;\n"
    "  CLOSE c;\n"
    "  SELECT total;\n"
    "END";

// One output message: kind, text, line; for a result set its headings and rows (columns joined
// with "|", NULL as "NULL").
struct TOutputMessage {
    int kind = 0;
    std::string text;
    int line = 0;
    std::vector<std::string> headings;
    std::vector<std::string> rows;

    bool operator==(const TOutputMessage&) const = default;
};

std::ostream& operator<<(std::ostream& stream, const TOutputMessage& message);
TOutputMessage Message(int kind, std::string text, int line);
// A kind-3 message with its result.
TOutputMessage Result(int line, std::vector<std::string> headings = {}, std::vector<std::string> rows = {});

// Never stops. An error that no handler took is recorded as "<line>: <message>"; the run goes on
// after the statement when goOnAfterErrors is set, else the error ends the run.
class TRecordingDebugger : public IDebugger {
public:
    TResumeMode GetResumeMode() override { return rmNone; }
    void OnException(rtl::Exception& exception, TRoutine& routine, bool& handled,
                     const std::shared_ptr<IStatement>& statement) override;
    void BeforeStatement(TRoutine& routine, const std::shared_ptr<IBlock>& block,
                         const std::shared_ptr<IStatement>& statement) override;
    void EnterBlock(TRoutine&, const std::shared_ptr<IBlock>&) override {}
    void LeaveBlock(TRoutine&, const std::shared_ptr<IBlock>&) override {}
    void Output(TDebugMessageKind kind, const std::u16string& text,
                const std::shared_ptr<core::IQueryResult>& result,
                const std::shared_ptr<IStatement>& statement, TRoutine& routine) override;

    bool goOnAfterErrors = false;
    std::vector<TOutputMessage> outputs;
    // "<display name>:<line>" of every statement about to run.
    std::vector<std::string> steps;
    std::vector<std::string> errors;
    // The newest call-stack entry at each step, "<caller>-><called>:<line>(<arguments>)", or "".
    std::vector<std::string> stack;

private:
    // Kept alive so that a later error cannot reuse the address of the one last recorded.
    std::exception_ptr lastError_;
    const rtl::Exception* lastErrorAddress_ = nullptr;
};

// A server program over a connection, with a main block compiled from text.
class TDBAProgramRunner {
public:
    explicit TDBAProgramRunner(std::shared_ptr<core::IDBAConnection> connection);

    TRoutine& CompileMain(std::string_view text);
    // Runs the main routine, starting the monitor log afresh; the error the run ended with, or "".
    std::string Run();
    // A variable that a block of the main routine declares, searched from the outermost block in.
    std::shared_ptr<TDBAVariable> Variable(std::string_view name) const;
    // Compiles and runs the main text: the values of the variables joined with "|", or
    // "error <code>: <message>" for the server or engine error the run ended with.
    std::string Outcome(std::string_view text, const std::vector<std::string>& variables);
    // The value of that variable as text; "NULL" for NULL.
    std::string ValueOf(std::string_view name) const;

    std::shared_ptr<core::IDBAConnection> connection;
    TDBAProgram program;
    std::shared_ptr<TRecordingDebugger> debugger = std::make_shared<TRecordingDebugger>();
    std::unique_ptr<testsupport::SQLMonitorLog> monitor;
};

// A database of the test's own on the private server with the scenario objects: table t (1,'a'),
// (2,'b'), (3,'c'); procedures p_scale(INOUT x INT, IN k INT), p_out(OUT o INT); function
// f_add(a INT, b INT). Dropped with the object.
class TScenarioDatabase {
public:
    // The name is "dbai_" and the suffix, lower-cased, with "_" for anything but letters and digits,
    // and the connection's tag.
    TScenarioDatabase(const testsupport::ServerSettings& settings, const std::string& suffix);
    ~TScenarioDatabase();

    void Execute(const std::string& sql) { session_.Execute(sql); }
    // The first row of the query as Rows gives it, "no row", or "error <code>: <message>".
    std::string Outcome(const std::string& sql);
    // The rows of a query, columns joined with "|".
    std::vector<std::string> Rows(const std::string& sql);
    // A connected connection made by NewServerConnection.
    std::shared_ptr<core::IDBAConnection> Connect();

    const std::string name;

private:
    const testsupport::ServerSettings settings_;
    testsupport::RawSession session_;
};

// The SQL text of a value as the plain SQL writer writes it.
std::string Literal(const std::shared_ptr<core::IRODataValue>& value);

} // namespace engine
