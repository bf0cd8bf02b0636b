#include "dataaccess/DirectSwitch.h"
#include "dataaccess/mysql/uMyError.h"
#include "dataaccess/mysql/uMySQLCommand.h"
#include "dataaccess/mysql/uMySQLConnection.h"
#include "dataaccess/server/uCRAccess.h"
#include "dataaccess/store/uDataTypes.h"
#include "dataaccess/TestConnection.h"
#include "platform/data/Component.h"
#include "support/TestServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace dataaccess {
namespace {

using testing::ConnectTestConnection;

// A connected command with its connection.
struct Fixture {
    explicit Fixture(const testsupport::ServerSettings& s) : connection(ConnectTestConnection(s)) {
        command.SetConnection(connection.get());
    }
    ~Fixture() {
        if (PMYSQL_RES result = command.SQLResult()) connection->API()->mysql_free_result(result);
    }
    void Run(const std::string& sql) {
        command.SetSQL(sql);
        command.Execute();
    }
    // The first column of every row of the open result, then the result freed.
    std::vector<std::string> OpenRows() {
        TMySQLAPI& api = *connection->API();
        std::vector<std::string> rows;
        while (PMYSQL_ROW row = api.FetchRow(command.SQLResult())) {
            std::string text;
            api.GetFieldString(row, 0, text);
            rows.push_back(text);
        }
        api.mysql_free_result(command.SQLResult());
        command.SetSQLResult(nullptr);
        return rows;
    }
    std::string Scalar(const std::string& sql) {
        command.SetRequestResultSet(true);
        Run(sql);
        command.SetCursorState(csInactive);
        const auto rows = OpenRows();
        command.SetRequestResultSet(false);
        return rows.empty() ? std::string() : rows[0];
    }

    std::unique_ptr<TMySQLConnection> connection;
    TMySQLCommand command;
};

TEST(MySQLCommandTest, OpensTheFirstResultSetAfterRowlessStatements) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    Fixture f(settings);
    f.command.SetRequestResultSet(true);
    f.Run("SET @a = 1; SELECT @a");
    ASSERT_NE(f.command.SQLResult(), nullptr);
    EXPECT_EQ(f.command.GetCursorState(), csExecuted);
    EXPECT_EQ(f.OpenRows(), std::vector<std::string>{"1"});
}

TEST(MySQLCommandTest, RowlessTextsEndWithoutASpuriousError) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    Fixture f(settings);
    for (bool request : {true, false}) {
        SCOPED_TRACE(request);
        f.command.SetRequestResultSet(request);
        f.Run(request ? "SET @a = 1; SET @b = 2" : "SET @a = 3; SELECT 1; SET @b = 4");
        EXPECT_EQ(f.command.SQLResult(), nullptr);
        EXPECT_EQ(f.command.GetCursorState(), csInactive);
    }
    EXPECT_EQ(f.Scalar("SELECT @a + @b"), "7");
}

TEST(MySQLCommandTest, CountsAffectedRowsAndKeepsThePreviousCount) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    Fixture f(settings);
    f.Run("CREATE TEMPORARY TABLE cmd_rows (a INT)");
    f.Run("INSERT INTO cmd_rows VALUES (1), (2), (3)");
    rtl::Variant value;
    f.command.GetProp(prRowsAffected, value);
    EXPECT_EQ(value.AsInt64(), 3);
    f.Run("UPDATE cmd_rows SET a = a + 1 WHERE a > 1");
    EXPECT_EQ(f.command.RowsAffected(), 2);
    EXPECT_EQ(f.command.PreviousRowsAffected(), 3);
}

TEST(MySQLCommandTest, IgnoresExecuteWhileAResultIsOpen) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    Fixture f(settings);
    f.command.SetRequestResultSet(true);
    f.Run("SELECT 5");
    PMYSQL_RES open = f.command.SQLResult();
    f.command.SetSQL("SELECT 6");
    f.command.Execute();
    EXPECT_EQ(f.command.SQLResult(), open);
    EXPECT_EQ(f.OpenRows(), std::vector<std::string>{"5"});
}

// Writes parameter values as literals in the session's escape mode, by either way of finding the
// markers.
TEST(MySQLCommandTest, WritesParameterLiteralsInTheSessionsEscapeMode) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    struct Case {
        bool backslashes;
        bool positions;
        const char* traced;
    };
    for (const Case& c : {Case{true, true, "select 'O\\'Brien'"}, Case{true, false, "select 'O\\'Brien'"},
                          Case{false, true, "select 'O''Brien'"}, Case{false, false, "select 'O''Brien'"}}) {
        SCOPED_TRACE(c.traced + std::string(c.positions ? " positions" : " pieces"));
        Fixture f(settings);
        if (!c.backslashes) f.Run("SET SESSION sql_mode = 'NO_BACKSLASH_ESCAPES'");
        f.command.SetProp(prFillParamPosition, c.positions);
        f.command.SetSQL("select :p");
        ASSERT_EQ(f.command.ParamCount(), 1);
        f.command.GetParam(0)->SetDataType(dtString);
        f.command.GetParam(0)->SetValue(rtl::Variant(std::string("O'Brien")));
        std::string traced;
        f.command.OnTrace = [&](const std::string& sql) { traced = sql; };
        f.command.SetRequestResultSet(true);
        f.command.Execute();
        EXPECT_EQ(traced, c.traced);
        EXPECT_EQ(f.OpenRows(), std::vector<std::string>{"O'Brien"});
    }
}

TEST(MySQLCommandTest, ExecutesPreparedStatementsWithBoundValues) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    Fixture f(settings);
    f.command.SetSQL("SET @r = :x + 1");
    f.command.GetParam(0)->SetDataType(dtInt32);
    f.command.GetParam(0)->SetValue(rtl::Variant(41));
    f.command.Prepare();
    EXPECT_TRUE(f.command.GetPrepared());
    f.command.Execute();
    f.command.Unprepare();
    EXPECT_FALSE(f.command.GetPrepared());
    EXPECT_EQ(f.Scalar("SELECT @r"), "42");
}

TEST(MySQLCommandTest, RaisesTheServersErrorAndReturnsToIdle) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    Fixture f(settings);
    bool after = true;
    f.command.OnAfterExecute = [&](bool ok) { after = ok; };
    f.command.SetSQL("SELECT * FROM cmd_no_such_table");
    EXPECT_THROW(f.command.Execute(), EMyError);
    EXPECT_FALSE(after);
    EXPECT_EQ(f.command.GetCursorState(), csInactive);
    EXPECT_EQ(f.Scalar("SELECT 2"), "2");
}

TEST(MySQLCommandTest, BreakExecStopsTheStatementButKeepsTheSession) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    Fixture f(settings);
    f.command.BreakExec(); // idle: nothing happens
    f.Run("SET @kept = 42");
    const auto threadId = f.connection->API()->mysql_thread_id(f.connection->Handle());

    // A killed SLEEP just returns, so a statement the server interrupts with 1317 is used.
    f.command.SetSQL("SELECT COUNT(*) FROM information_schema.COLUMNS a, information_schema.COLUMNS b, "
                     "information_schema.COLUMNS c");
    std::thread breaker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        f.command.BreakExec();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(f.command.Execute(), data::EAbort);
    breaker.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));

    // KILL QUERY, not KILL: the same session goes on with its variables.
    EXPECT_EQ(f.connection->API()->mysql_thread_id(f.connection->Handle()), threadId);
    EXPECT_EQ(f.Scalar("SELECT @kept"), "42");
}

// Routine calls: the texts built for procedures and functions from the server's description.
class MySQLCommandRoutineTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings_ = VELTRANE_REQUIRE_SERVER();
        // Cases run in parallel and share routine names: each gets a database of its own.
        const std::string database =
            std::string("cmdr_") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        raw_ = std::make_unique<testsupport::RawSession>(settings_, settings_.database);
        raw_->Execute("DROP DATABASE IF EXISTS `" + database + "`");
        raw_->Execute("CREATE DATABASE `" + database + "`");
        raw_->Execute("USE `" + database + "`");
        settings_.database = database;
        raw_->Execute("DROP PROCEDURE IF EXISTS cmdr_p");
        raw_->Execute("CREATE PROCEDURE cmdr_p(IN a INT, OUT b DATE, INOUT c VARCHAR(10)) "
                      "BEGIN SET b = '2020-01-02'; SET c = CONCAT(c, a); END");
        raw_->Execute("DROP FUNCTION IF EXISTS cmdr_f");
        raw_->Execute("CREATE FUNCTION cmdr_f(x INT) RETURNS INT RETURN x * 2");
        raw_->Execute("DROP PROCEDURE IF EXISTS cmdr_bin");
        raw_->Execute("CREATE PROCEDURE cmdr_bin(IN v VARBINARY(16), IN d DEC(10,2), IN j JSON, OUT u UUID) "
                      "BEGIN END");
        f_ = std::make_unique<Fixture>(settings_);
    }
    void TearDown() override {
        f_.reset();
        if (raw_) raw_->Execute("DROP DATABASE IF EXISTS `" + settings_.database + "`");
    }

    testsupport::ServerSettings settings_;
    std::unique_ptr<testsupport::RawSession> raw_;
    std::unique_ptr<Fixture> f_;
};

TEST_F(MySQLCommandRoutineTest, BuildsAProcedureCallWithOutputSelect) {
    TMySQLCommand& cmd = f_->command;
    EXPECT_EQ(cmd.CreateProcCall("cmdr_p", true),
              "SET @c = ?; CALL cmdr_p(?, @b, @c); SELECT CAST(@b AS DATE) AS '@b', @c AS '@c'");
    EXPECT_EQ(cmd.UserSQL(),
              "SET @c = :c; CALL cmdr_p(:a, @b, @c); SELECT CAST(@b AS DATE) AS '@b', @c AS '@c'");
    ASSERT_EQ(cmd.ParamCount(), 3);
    EXPECT_EQ(cmd.GetParam(0)->GetParamType(), pdInput);
    EXPECT_EQ(cmd.GetParam(1)->GetParamType(), pdOutput);
    EXPECT_EQ(cmd.GetParam(1)->GetDataType(), dtDate);
    EXPECT_EQ(cmd.GetParam(2)->GetDataType(), dtString);
    EXPECT_EQ(cmd.GetParam(2)->GetSize(), 10);

    // The markers take c, then a; the final SELECT is the open result.
    cmd.GetParam(0)->SetValue(rtl::Variant(7));
    cmd.GetParam(2)->SetValue(rtl::Variant(std::string("x")));
    cmd.SetProp(prIsStoredProc, true);
    std::string traced;
    cmd.OnTrace = [&](const std::string& sql) { traced = sql; };
    cmd.SetRequestResultSet(true);
    cmd.Execute();
    EXPECT_EQ(traced, "SET @c = 'x'; CALL cmdr_p(7, @b, @c); SELECT CAST(@b AS DATE) AS '@b', @c AS '@c'");
    ASSERT_NE(cmd.SQLResult(), nullptr);
    TMySQLAPI& api = *f_->connection->API();
    PMYSQL_ROW row = api.FetchRow(cmd.SQLResult());
    ASSERT_NE(row, nullptr);
    std::string b, c;
    api.GetFieldString(row, 0, b);
    api.GetFieldString(row, 1, c);
    EXPECT_EQ(b, "2020-01-02");
    EXPECT_EQ(c, "x7");
    f_->OpenRows();
}

TEST_F(MySQLCommandRoutineTest, BuildsAFunctionSelectWithAResultDescriptor) {
    TMySQLCommand& cmd = f_->command;
    EXPECT_EQ(cmd.CreateProcCall("cmdr_f", true), "SELECT cmdr_f(?)");
    ASSERT_EQ(cmd.ParamCount(), 2);
    EXPECT_EQ(cmd.GetParam(0)->GetName(), "Result");
    EXPECT_EQ(cmd.GetParam(0)->GetParamType(), pdResult);
    EXPECT_EQ(cmd.GetParam(0)->GetDataType(), dtInt32);
    EXPECT_EQ(cmd.GetParam(1)->GetName(), "x");
}

TEST_F(MySQLCommandRoutineTest, AMissingRoutineGivesAnEmptyCall) {
    EXPECT_EQ(f_->command.CreateProcCall("cmdr_nope", true), "CALL cmdr_nope()");
    EXPECT_EQ(f_->command.ParamCount(), 0);
}

TEST_F(MySQLCommandRoutineTest, MapsMariaDBTypeWordsWithoutRaising) {
    TMySQLCommand& cmd = f_->command;
    EXPECT_EQ(cmd.CreateProcCall("cmdr_bin", true), "CALL cmdr_bin(?, ?, ?, @u); SELECT @u AS '@u'");
    ASSERT_EQ(cmd.ParamCount(), 4);
    EXPECT_EQ(cmd.GetParam(0)->GetDataType(), dtVarBytes);
    EXPECT_EQ(cmd.GetParam(1)->GetDataType(), dtFloat);
    EXPECT_EQ(cmd.GetParam(2)->GetDataType(), dtMemo);
    EXPECT_EQ(cmd.GetParam(3)->GetDataType(), dtString);
}

// The routine is looked up in its own schema, quoted and escaped, and only there.
TEST_F(MySQLCommandRoutineTest, DescribesASchemaQualifiedRoutineFromItsSchema) {
    raw_->Execute("CREATE DATABASE IF NOT EXISTS `cmdr-other`");
    raw_->Execute("DROP PROCEDURE IF EXISTS `cmdr-other`.cmdr_p");
    raw_->Execute("CREATE PROCEDURE `cmdr-other`.cmdr_p(OUT z INT) BEGIN SET z = 1; END");
    const std::string sql = f_->command.CreateProcCall("`cmdr-other`.cmdr_p", true);
    raw_->Execute("DROP DATABASE `cmdr-other`");
    EXPECT_EQ(sql, "CALL `cmdr-other`.cmdr_p(@z); SELECT CAST(@z AS SIGNED) AS '@z'");
    EXPECT_EQ(f_->command.CreateProcCall("cmdr_it's", true), "CALL `cmdr_it's`()");
}

TEST_F(MySQLCommandRoutineTest, ParsesParameterListsIntoInfos) {
    TParamInfos infos;
    TParamDescs descs;
    f_->command.ParseRoutineParams("IN a TINYINT(1), OUT `b c` DECIMAL(10,2) UNSIGNED, status BIGINT", false,
                                   &descs, infos);
    ASSERT_EQ(infos.size(), 3u);
    EXPECT_EQ(descs.Items(0)->GetDataType(), dtBoolean);
    EXPECT_EQ(infos[1].Name, "`b c`");
    EXPECT_EQ(infos[1].TypeText, "DECIMAL(10,2)");
    EXPECT_TRUE(infos[1].IsUnsigned);
    EXPECT_EQ(infos[1].Size, 2);
    EXPECT_EQ(infos[2].Name, "status");
    EXPECT_EQ(infos[2].Direction, pdInput);
    EXPECT_EQ(descs.Items(2)->GetDataType(), dtInt64);
}

} // namespace
} // namespace dataaccess
