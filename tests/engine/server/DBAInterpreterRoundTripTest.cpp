// The exact SQL of the round trips, over the scripted connection: what reaches the server, what the
// monitor sees, and what the debugger is told.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/uMySQLTypes.h"
#include "core/uStringUtils.h"
#include "engine/DBAInterpreterTestSupport.h"
#include "engine/server/uDBAInterpreter.h"
#include "support/ErrorText.h"

namespace engine {
namespace {

// What the debugger sends to clear the server's warnings.
const std::string kClearWarnings = "DO (SELECT 0 FROM (SELECT 0) AS debugger_internal_clear)";

using testing::ElementsAre;
using testing::ElementsAreArray;
using testsupport::FetchedColumn;
using testsupport::FetchedRow;

const std::vector<FetchedColumn> kWarningColumns = {{"Level"}, {"Code", 3}, {"Message"}};

class DBAInterpreterRoundTripTest : public testing::Test {
protected:
    DBAInterpreterRoundTripTest() {
        connection->Connect();
        Warnings({});
    }

    // Compiles the main text; what the compiler sent is forgotten.
    void Compile(std::string_view text) {
        runner.CompileMain(text);
        connection->ClearStatements();
    }
    std::string Session(std::string_view name) const { return runner.Variable(name)->SessionName(); }
    // The pull of the variables answers these values, as INT columns, and the server's warning count.
    void AnswerPull(const std::vector<std::string>& names, FetchedRow values, int warningCount = 0) {
        connection->AnswerRows(Pull(names), PullColumns(names), {PullRow(values, warningCount)});
    }
    std::string Pull(const std::vector<std::string>& names) const {
        std::string sql;
        for (const std::string& name : names)
            sql += (sql.empty() ? "SELECT " : ",") + Session(name);
        return sql + ",@@warning_count";
    }
    std::vector<FetchedColumn> PullColumns(const std::vector<std::string>& names) const {
        std::vector<FetchedColumn> columns;
        for (const std::string& name : names)
            columns.push_back({Session(name), 3});
        columns.push_back({"@@warning_count", 8});
        return columns;
    }
    static FetchedRow PullRow(FetchedRow values, int warningCount) {
        values.push_back(std::to_string(warningCount));
        return values;
    }
    void Warnings(const std::vector<FetchedRow>& rows) {
        connection->AnswerRows("show warnings", kWarningColumns, rows);
    }
    const std::vector<std::string>& Sent() const { return connection->Statements(); }
    const std::vector<std::string>& Monitor() const { return runner.monitor->lines; }
    const std::vector<TOutputMessage>& Outputs() const { return runner.debugger->outputs; }

    std::shared_ptr<testsupport::FakeConnection> connection = std::make_shared<testsupport::FakeConnection>();
    TDBAProgramRunner runner{connection};
};

TEST_F(DBAInterpreterRoundTripTest, StatementIsPushedRunPulledAndChecked) {
    Compile("BEGIN\nDECLARE a INT DEFAULT 5;\nSELECT v INTO a FROM t WHERE id = a;\nEND");
    AnswerPull({"a"}, {"6"});
    EXPECT_EQ(runner.Run(), "");
    const std::string a = Session("a");
    // The push travels with the statement; the pull counted no warnings, so none are asked for and
    // nothing is cleared.
    const std::vector<std::string> expected = {
        "SET " + a + "=5;SELECT v INTO " + a + " FROM t WHERE id = " + a, Pull({"a"})};
    EXPECT_THAT(Sent(), ElementsAreArray(expected));
    EXPECT_THAT(Monitor(), ElementsAreArray(expected));
    // The pull brought the server's value back.
    EXPECT_EQ(runner.ValueOf("a"), "6");
    EXPECT_THAT(Outputs(), ElementsAre(Result(3)));
}

TEST_F(DBAInterpreterRoundTripTest, StatementWithoutVariablesSendsNoPushOrPull) {
    Compile("BEGIN\nDELETE FROM t;\nEND");
    EXPECT_EQ(runner.Run(), "");
    EXPECT_THAT(Sent(), ElementsAre("DELETE FROM t", "show warnings"));
}

TEST_F(DBAInterpreterRoundTripTest, LimitCountsOfAnExpressionAreSentAsTheirValues) {
    Compile("BEGIN\nDECLARE n INT DEFAULT 2;\nDECLARE m INT DEFAULT 1;\nDECLARE r INT;\n"
            "SET r = (SELECT SUM(id) + n FROM (SELECT id FROM t LIMIT m, n) s);\n"
            "SET n = 3;\n"
            "SET r = (SELECT id FROM t LIMIT n OFFSET m);\nEND");
    const std::string n = Session("n");
    // Only the counts become literals, with the values of the moment; the other use of n stays mirrored.
    const std::string first = "select (SELECT SUM(id) + " + n +
                              " AS `SUM(id) + n` FROM (SELECT id FROM t LIMIT 1, 2) s) as ExpressionValue";
    const std::string second = "select (SELECT id FROM t LIMIT 3 OFFSET 1) as ExpressionValue";
    connection->AnswerRows(first, {{"ExpressionValue", 3}}, {{"7"}});
    connection->AnswerRows(second, {{"ExpressionValue", 3}}, {{"2"}});
    AnswerPull({"n"}, {"2"});
    EXPECT_EQ(runner.Run(), "");
    EXPECT_THAT(Sent(), ElementsAre("SET " + n + "=2", first, Pull({"n"}), second, "show warnings"));
    EXPECT_EQ(runner.ValueOf("r"), "2");
}

// The warnings stay in the server's list, where the routine's SHOW WARNINGS reads them.
TEST_F(DBAInterpreterRoundTripTest, WarningsAreReportedAndLeftForTheRoutine) {
    Compile("BEGIN\nDELETE FROM t;\nEND");
    Warnings({{"Warning", "1265", "Data truncated for column 'v' at row 1"},
              {"Error", "1064", "You have an error in your SQL syntax; ... near 'x' at line 1"}});
    EXPECT_EQ(runner.Run(), "");
    EXPECT_THAT(Sent(), ElementsAre("DELETE FROM t", "show warnings"));
    EXPECT_THAT(
        Outputs(),
        ElementsAre(Result(2),
                    Message(mkError,
                            "Error code: 1265, SQLState: 01000, Message: Data truncated for column 'v' at "
                            "row 1",
                            2),
                    Message(mkError,
                            "Error code: 1064, SQLState: 42000, Message: You have an error in your SQL "
                            "syntax; ... near 'x' at line 1",
                            2)));
}

// As on the server, a statement activates one handler at most, for the first warning one takes; the
// others are gone with the handler's statements.
TEST_F(DBAInterpreterRoundTripTest, ContinueHandlerTakesTheFirstWarningItCanOnly) {
    Compile("BEGIN\nDECLARE w INT DEFAULT 0;\nDECLARE CONTINUE HANDLER FOR SQLWARNING SET w = w + 1;\n"
            "DELETE FROM t;\nSET w = w * 10;\nEND");
    Warnings({{"Warning", "1265", "first"}, {"Note", "1051", "second"}});
    EXPECT_EQ(runner.Run(), "");
    EXPECT_THAT(
        Outputs(),
        ElementsAre(Result(4),
                    Message(mkInformation, "[HANDLED]Error code: 1265, SQLState: 01000, Message: first", 4)));
    EXPECT_EQ(runner.ValueOf("w"), "10");
}

TEST_F(DBAInterpreterRoundTripTest, ExitHandlerStopsTheWarningPass) {
    Compile("BEGIN\nDECLARE w INT DEFAULT 0;\nb: BEGIN\nDECLARE EXIT HANDLER FOR SQLWARNING SET w = w + 1;\n"
            "DELETE FROM t;\nSET w = 100;\nEND b;\nEND");
    Warnings({{"Warning", "1265", "first"}, {"Warning", "1265", "second"}});
    EXPECT_EQ(runner.Run(), "");
    EXPECT_THAT(
        Outputs(),
        ElementsAre(Result(5),
                    Message(mkInformation, "[HANDLED]Error code: 1265, SQLState: 01000, Message: first", 5)));
    EXPECT_EQ(runner.ValueOf("w"), "1");
}

TEST_F(DBAInterpreterRoundTripTest, ServerErrorGoesToTheHandlerWithoutPullOrWarningPass) {
    Compile("BEGIN\nDECLARE a INT DEFAULT 1;\nDECLARE CONTINUE HANDLER FOR SQLSTATE '23000' SET a = 2;\n"
            "INSERT INTO t VALUES (a, 'x');\nEND");
    const std::string a = Session("a");
    const std::string statement = "SET " + a + "=1;INSERT INTO t VALUES (" + a + ", 'x')";
    connection->Fail(statement, 1062, "23000", "Duplicate entry '1' for key 'PRIMARY'");
    // The handler's statements read the error in the server's list, as a SIGNAL of it left it there:
    // the SIGNAL fails by design, unseen by the monitor, and the list is emptied after the handler.
    const std::string signal = "SIGNAL SQLSTATE '45000' SET MYSQL_ERRNO = 1062, MESSAGE_TEXT = X'" +
                               core::BytesToHex("Duplicate entry '1' for key 'PRIMARY'") + "'";
    connection->Fail(signal, 1062, "45000", "Duplicate entry '1' for key 'PRIMARY'");
    EXPECT_EQ(runner.Run(), "");
    EXPECT_THAT(Sent(), ElementsAre(statement, kClearWarnings, signal, kClearWarnings));
    EXPECT_THAT(Monitor(), ElementsAre(statement, "ERROR: Duplicate entry '1' for key 'PRIMARY'"));
    core::MonitorSQL("after");
    EXPECT_EQ(Monitor().back(), "after");
    EXPECT_THAT(
        Outputs(),
        ElementsAre(Message(
            mkInformation,
            "[HANDLED]Error code: 1062, SQLState: 23000, Message: Duplicate entry '1' for key 'PRIMARY'",
            4)));
    EXPECT_EQ(runner.ValueOf("a"), "2");
}

TEST_F(DBAInterpreterRoundTripTest, ServerSideExpressionWarningsCarryTheStatementLine) {
    Compile("BEGIN\nDECLARE a INT DEFAULT 5;\n\nSET a = ABS(a - 10);\nEND");
    const std::string a = Session("a");
    connection->AnswerRows("select (ABS(" + a + " - 10)) as ExpressionValue", {{"ExpressionValue", 8}},
                           {{"5"}});
    AnswerPull({"a"}, {"5"}, 1);
    Warnings({{"Warning", "1292", "Truncated"}});
    EXPECT_EQ(runner.Run(), "");
    EXPECT_THAT(Sent(), ElementsAre("SET " + a + "=5", "select (ABS(" + a + " - 10)) as ExpressionValue",
                                    Pull({"a"}), "show warnings"));
    EXPECT_THAT(Outputs(),
                ElementsAre(Message(mkError, "Error code: 1292, SQLState: 22007, Message: Truncated", 4)));
}

TEST_F(DBAInterpreterRoundTripTest, FunctionThatCannotBeLoadedRunsOnTheServer) {
    Compile("BEGIN\nDECLARE a INT DEFAULT 5;\nDECLARE r INT;\nSET r = f(a, a + 1);\nEND");
    const std::string a = Session("a");
    connection->Fail("SHOW CREATE FUNCTION `fake_db`.`f`", 1305, "42000", "FUNCTION f does not exist");
    connection->AnswerRows("select (SELECT f(" + a + ", 6)) as ExpressionValue", {{"ExpressionValue", 8}},
                           {{"11"}});
    EXPECT_EQ(runner.Run(), "");
    // The arguments are pushed, but a function gives nothing back: no pull.
    EXPECT_THAT(Sent(), ElementsAre("SHOW CREATE FUNCTION `fake_db`.`f`", "SET " + a + "=5",
                                    "select (SELECT f(" + a + ", 6)) as ExpressionValue", "show warnings"));
    EXPECT_EQ(runner.ValueOf("r"), "11");
}

TEST_F(DBAInterpreterRoundTripTest, HeadingsNameVariablesWhole) {
    const auto variable = [&](const std::string& name) {
        return std::make_shared<TDBAVariable>(
            name, core::NullDataValue(),
            runner.program.ValueFactory().CreateVariableValue(
                core::MySQLTypeCharacteristics(3, {}, false, -1, -1, 0, "")));
    };
    // A later session name that begins with an earlier one, as _12 begins with _1.
    const auto first = variable("first");
    auto last = variable("last");
    while (!last->SessionName().starts_with(first->SessionName()))
        last = variable("last");
    TDBAVariables variables(false);
    variables.Add(first);
    variables.Add(last);
    const std::string sql = "SELECT " + first->SessionName() + ", " + last->SessionName() + ", 1";
    connection->AnswerRows(sql, {{first->SessionName(), 3}, {last->SessionName(), 3}, {"1", 3}},
                           {{"1", "2", "1"}});
    const auto result = connection->Execute(sql);
    RestoreVariableLabels(*result, variables);
    const data::TFields& fields = result->GetDataSet()->Fields();
    EXPECT_EQ(fields[0]->DisplayLabel(), "first");
    EXPECT_EQ(fields[1]->DisplayLabel(), "last");
    EXPECT_EQ(fields[2]->DisplayLabel(), "1");
}

TEST_F(DBAInterpreterRoundTripTest, UnhandledErrorReachesTheDebuggerOnce) {
    Compile("BEGIN\nBEGIN\nDELETE FROM t;\nEND;\nEND");
    connection->Fail("DELETE FROM t", 1146, "42S02", "Table 'fake_db.t' doesn't exist");
    runner.debugger->goOnAfterErrors = true;
    EXPECT_EQ(runner.Run(), "");
    EXPECT_THAT(
        runner.debugger->errors,
        ElementsAre("3: Error code: 1146, SQLState: 42S02, Message: Table 'fake_db.t' doesn't exist"));
}

TEST_F(DBAInterpreterRoundTripTest, LostConnectionIsNoConditionForHandlers) {
    Compile("BEGIN\nDECLARE r INT DEFAULT 0;\nDECLARE CONTINUE HANDLER FOR SQLEXCEPTION SET r = 1;\nDELETE "
            "FROM t;\n"
            "SET r = 2;\nEND");
    int lost = 0;
    connection->SetOnConnectionLost([&](core::IDBAConnection*) { ++lost; });
    connection->Fail("DELETE FROM t", 2013, "HY000", "Lost connection to server during query");
    EXPECT_EQ(runner.Run(),
              "Error code: 2013, SQLState: HY000, Message: Lost connection to server during query");
    EXPECT_EQ(lost, 1);
    EXPECT_THAT(Outputs(), testing::IsEmpty());
    EXPECT_EQ(runner.ValueOf("r"), "0");
}

} // namespace
} // namespace engine
