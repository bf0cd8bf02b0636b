// Calls of stored routines: interpreted when they load and compile, otherwise run on the server.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/DBAInterpreterTestSupport.h"
#include "support/MariaDBConnection.h"

namespace engine {
namespace {

using testing::ElementsAre;
using testing::ElementsAreArray;
using testsupport::FetchedColumn;

// The columns of SHOW CREATE PROCEDURE and SHOW CREATE FUNCTION.
const std::vector<FetchedColumn> kShowCreateColumns = {
    {"Name"}, {"sql_mode"}, {"Create"}, {"character_set_client"}};

class RoutineCallTest : public testing::Test {
protected:
    RoutineCallTest() {
        connection->Connect();
        connection->AnswerRows("show warnings", {{"Level"}, {"Code", 3}, {"Message"}}, {});
        connection->AnswerRows("select (database()) as ExpressionValue", {{"ExpressionValue"}},
                               {{"fake_db"}});
    }

    void AnswerProcedure(const std::string& name, const std::string& text) {
        connection->AnswerRows("SHOW CREATE PROCEDURE `fake_db`.`" + name + "`", kShowCreateColumns,
                               {{name, "", text, "utf8mb4"}});
    }
    std::string Session(std::string_view name) const { return runner.Variable(name)->SessionName(); }
    // The pull of the compiled main's variable answers NULL, and no warnings with it.
    void AnswerPull(std::string_view name) {
        connection->AnswerRows("SELECT " + Session(name) + ",@@warning_count",
                               {{Session(name), 3}, {"@@warning_count", 3}}, {{std::nullopt, "0"}});
    }
    std::string Run(std::string_view text) {
        runner.CompileMain(text);
        connection->ClearStatements();
        return runner.Run();
    }
    // How often the statement was sent.
    long Count(const std::string& sql) const {
        return std::count(connection->Statements().begin(), connection->Statements().end(), sql);
    }

    std::shared_ptr<testsupport::FakeConnection> connection = std::make_shared<testsupport::FakeConnection>();
    TDBAProgramRunner runner{connection};
};

TEST_F(RoutineCallTest, RoutineThatDoesNotCompileRunsOnTheServerAtEveryCall) {
    AnswerProcedure("pbad", "CREATE PROCEDURE pbad(INOUT x INT) BEGIN SELEC 1; END");
    runner.program.SetRaiseCompileErrors(false);
    runner.CompileMain("BEGIN\nDECLARE a INT DEFAULT 1;\nCALL pbad(a);\nCALL pbad(a);\nEND");
    AnswerPull("a");
    EXPECT_EQ(runner.Run(), "");
    // Each call carries the SET of the argument, which the read-back left unmirrored.
    const std::string call = ";CALL pbad(" + Session("a") + ")";
    EXPECT_EQ(Count("SHOW CREATE PROCEDURE `fake_db`.`pbad`"), 1);
    EXPECT_EQ(std::count_if(connection->Statements().begin(), connection->Statements().end(),
                            [&](const std::string& sql) { return sql.ends_with(call); }),
              2);
    EXPECT_EQ(Count("SELECT " + Session("a") + ",@@warning_count"), 2);
}

TEST_F(RoutineCallTest, RoutineThatDoesNotCompileFailsEveryCallWhenCompileErrorsAreRaised) {
    AnswerProcedure("pbad", "CREATE PROCEDURE pbad(INOUT x INT) BEGIN SELEC 1; END");
    runner.debugger->goOnAfterErrors = true;
    EXPECT_EQ(Run("BEGIN\nDECLARE a INT DEFAULT 1;\nCALL pbad(a);\nCALL pbad(a);\nEND"), "");
    const auto syntaxError = testing::HasSubstr("You have an error in your syntax");
    EXPECT_THAT(runner.debugger->errors,
                ElementsAre(testing::AllOf(testing::StartsWith("3: "), syntaxError),
                            testing::AllOf(testing::StartsWith("4: "), syntaxError)));
    EXPECT_EQ(Count("CALL pbad(" + Session("a") + ")"), 0);
}

TEST_F(RoutineCallTest, ServerCallNamesVariablesAndPullsThem) {
    connection->Fail("SHOW CREATE PROCEDURE `fake_db`.`pout`", 1305, "42000",
                     "PROCEDURE pout does not exist");
    runner.CompileMain("BEGIN\nDECLARE a INT DEFAULT 3;\nCALL pout(a, @u, a * 2, 'x');\nEND");
    AnswerPull("a");
    connection->ClearStatements();
    EXPECT_EQ(runner.Run(), "");
    const std::string a = Session("a");
    // A user variable goes by its name, so that the server can write an OUT argument into it.
    EXPECT_THAT(connection->Statements(), ElementsAre("SHOW CREATE PROCEDURE `fake_db`.`pout`",
                                                      "SET " + a + "=3;CALL pout(" + a + ", @u, 6, 'x')",
                                                      "SELECT " + a + ",@@warning_count"));
}

TEST_F(RoutineCallTest, NoCurrentDatabaseBeforeTheCallIsNotSwitchedBackTo) {
    connection->AnswerRows("select (database()) as ExpressionValue", {{"ExpressionValue"}}, {{std::nullopt}});
    AnswerProcedure("pok", "CREATE PROCEDURE pok() BEGIN END");
    EXPECT_EQ(Run("BEGIN\nCALL pok();\nEND"), "");
    EXPECT_THAT(connection->Statements(),
                ElementsAre("SHOW CREATE PROCEDURE `fake_db`.`pok`", "select (database()) as ExpressionValue",
                            "use `fake_db`", "SET @debugger_internal_sql_mode_1 = @@sql_mode, sql_mode = ''",
                            "SET sql_mode = @debugger_internal_sql_mode_1"));
}

TEST_F(RoutineCallTest, RecursionThroughAnotherRoutineIsRefused) {
    AnswerProcedure("r1", "CREATE PROCEDURE r1()\nBEGIN\nCALL r2();\nEND");
    AnswerProcedure("r2", "CREATE PROCEDURE r2()\nBEGIN\nCALL r1();\nEND");
    connection->AnswerRows("select (@@max_sp_recursion_depth) as ExpressionValue", {{"ExpressionValue", 8}},
                           {{"0"}});
    EXPECT_EQ(
        Run("BEGIN\nCALL r1();\nEND"),
        "Error code: 1456, SQLState: HY000, Message: Recursive limit 0 (as set by the max_sp_recursion_depth "
        "variable) was exceeded for routine r1");
    // The refused call came from r2, called by r1, whose entries were still there.
    EXPECT_THAT(runner.debugger->steps, ElementsAre("<Main>:2", "r1:3", "r2:3"));
    EXPECT_THAT(runner.debugger->stack, ElementsAre("", "<Main>->r1:2()", "r1->r2:3()"));
    EXPECT_EQ(runner.program.CallStack().Count(), 0);
}

TEST_F(RoutineCallTest, ParametersGetTheirValuesBackAfterAFailedCall) {
    AnswerProcedure("pfail", "CREATE PROCEDURE pfail(INOUT x INT, OUT y INT)\nBEGIN\nSET x = 7;\nSET y = 8;\n"
                             "SIGNAL SQLSTATE '45000';\nEND");
    EXPECT_EQ(Run("BEGIN\nDECLARE a INT DEFAULT 1;\nDECLARE b INT DEFAULT 2;\nCALL pfail(a, b);\nEND"),
              "Error code: 1644, SQLState: 45000, Message: Unhandled user-defined exception condition");
    // Nothing was copied back, and the parameters hold what they held before.
    EXPECT_EQ(runner.ValueOf("a"), "1");
    EXPECT_EQ(runner.ValueOf("b"), "2");
    TRoutine* procedure = runner.program.FindProcedure("`fake_db`.`pfail`");
    ASSERT_TRUE(procedure);
    EXPECT_TRUE(procedure->Block()->GetSymbol(0)->GetValue()->IsNull());
    EXPECT_TRUE(procedure->Block()->GetSymbol(1)->GetValue()->IsNull());
}

// A user that may run the routines but not read their bodies gets them run on the server.
TEST(RoutineCallServerTest, RoutineWithoutReadableBodyRunsOnTheServer) {
    const auto& settings = VELTRANE_REQUIRE_SERVER();
    TScenarioDatabase database(settings, "RoutineWithoutReadableBody");
    const std::string user = "dbai_exec_only";
    database.Execute("DROP USER IF EXISTS '" + user + "'@'%'");
    database.Execute("CREATE USER '" + user + "'@'%' IDENTIFIED BY 'secret'");
    database.Execute("GRANT EXECUTE, SELECT, INSERT ON " + database.name + ".* TO '" + user + "'@'%'");
    testsupport::ServerSettings limited = settings;
    limited.user = user;
    limited.password = "secret";
    {
        auto connection = std::make_shared<testsupport::MariaDBConnection>(limited, database.name);
        connection->Connect();
        TDBAProgramRunner runner(connection);
        runner.CompileMain("BEGIN\nDECLARE a INT;\nCALL p_out(a);\nSELECT a;\nEND");
        EXPECT_EQ(runner.Run(), "");
        const std::string a = runner.Variable("a")->SessionName();
        EXPECT_THAT(runner.monitor->lines, ElementsAreArray(std::vector<std::string>{
                                               "SHOW CREATE PROCEDURE `" + database.name + "`.`p_out`",
                                               "SET " + a + "=NULL;CALL p_out(" + a + ")", "SELECT " + a,
                                               "SET " + a + "=42;SELECT " + a + " AS `a`"}));
        EXPECT_THAT(runner.debugger->outputs, ElementsAre(Result(4, {"a"}, {"42"})));

        TDBAProgramRunner userVariable(connection);
        userVariable.CompileMain("BEGIN\nSET @u = 0;\nCALL p_out(@u);\nSELECT @u AS u;\nEND");
        EXPECT_EQ(userVariable.Run(), "");
        EXPECT_THAT(userVariable.monitor->lines, testing::Contains("CALL p_out(@u)"));
        EXPECT_THAT(userVariable.debugger->outputs, ElementsAre(Result(4, {"u"}, {"42"})));
    }
    database.Execute("DROP USER '" + user + "'@'%'");
}

} // namespace
} // namespace engine
