// Whole runs of compiled main blocks against the private server: the SQL in the order the monitor
// sees it, the output messages and what the tables hold afterwards.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/DBAInterpreterTestSupport.h"

namespace engine {
namespace {

using testing::ElementsAre;
using testing::ElementsAreArray;

const char* const kNoData =
    "Error code: 1329, SQLState: 02000, Message: No data - zero rows fetched, selected, or processed";

class DBAInterpreterScenarioTest : public testing::Test {
protected:
    void Start(const testsupport::ServerSettings& settings) {
        database = std::make_unique<TScenarioDatabase>(
            settings, testing::UnitTest::GetInstance()->current_test_info()->name());
        runner = std::make_unique<TDBAProgramRunner>(database->Connect());
    }
    // Compiles and runs; the error the run ended with, or "".
    std::string Run(std::string_view text) {
        runner->CompileMain(text);
        return runner->Run();
    }
    // The lines with "{x}" replaced by the session variable of x and "{db}" by the database name.
    std::vector<std::string> Expand(std::vector<std::string> lines) const {
        for (std::string& line : lines) {
            for (std::size_t open = line.find('{'); open != std::string::npos; open = line.find('{', open)) {
                const std::size_t close = line.find('}', open);
                const std::string name = line.substr(open + 1, close - open - 1);
                const std::string value =
                    name == "db" ? database->name : runner->Variable(name)->SessionName();
                line.replace(open, close - open + 1, value);
                open += value.size();
            }
        }
        return lines;
    }
    const std::vector<std::string>& Monitor() const { return runner->monitor->lines; }
    const std::vector<TOutputMessage>& Outputs() const { return runner->debugger->outputs; }

    std::unique_ptr<TScenarioDatabase> database;
    std::unique_ptr<TDBAProgramRunner> runner;
};

TEST_F(DBAInterpreterScenarioTest, MirroringOrderAndHeadings) {
    Start(VELTRANE_REQUIRE_SERVER());
    EXPECT_EQ(Run("BEGIN\n"
                  "  DECLARE a INT DEFAULT 5;\n"
                  "  DECLARE n INT;\n"
                  "  INSERT INTO t VALUES (a + 10, 'new');\n"
                  "  SELECT COUNT(*) INTO n FROM t WHERE id > a;\n"
                  "  SELECT a, n, v FROM t WHERE id = a + 10;\n"
                  "END"),
              "");
    EXPECT_THAT(Monitor(), ElementsAreArray(Expand({
                               // The reply counts the warnings; a statement that writes no local
                               // is one round trip, the SET of its changed locals in the same packet.
                               "SET {a}=5;INSERT INTO t VALUES ({a} + 10, 'new')",
                               "SET {n}=NULL;SELECT COUNT(*) INTO {n} FROM t WHERE id > {a}",
                               "SELECT {n}",
                               "SET {n}=1;SELECT {a} AS `a`, {n} AS `n`, v FROM t WHERE id = {a} + 10",
                           })));
    EXPECT_THAT(Outputs(), ElementsAre(Result(4), Result(5), Result(6, {"a", "n", "v"}, {"5|1|new"})));
    EXPECT_THAT(database->Rows("SELECT id, v FROM t ORDER BY id"),
                ElementsAre("1|a", "2|b", "3|c", "15|new"));
}

// A statement sends only the locals changed since they were last sent and reads back only those it
// can write; the reply's warning count spares the read-back of the count.
TEST_F(DBAInterpreterScenarioTest, OneRoundTripForAStatementThatWritesNoLocal) {
    Start(VELTRANE_REQUIRE_SERVER());
    EXPECT_EQ(Run("BEGIN\n"
                  "  DECLARE k INT DEFAULT 2;\n"
                  "  DECLARE n INT DEFAULT 0;\n"
                  "  DECLARE i INT DEFAULT 0;\n"
                  "  WHILE i < 2 DO\n"
                  "    SET i = i + 1;\n"
                  "    UPDATE t SET v = v WHERE id = k;\n"
                  "    SELECT COUNT(*) INTO n FROM t WHERE id >= k;\n"
                  "  END WHILE;\n"
                  "  SELECT 1 / 0 AS q;\n"
                  "  SELECT n, k;\n"
                  "END"),
              "");
    EXPECT_THAT(Monitor(), ElementsAreArray(Expand({
                               "SET {k}=2;UPDATE t SET v = v WHERE id = {k}",
                               "SET {n}=0;SELECT COUNT(*) INTO {n} FROM t WHERE id >= {k}",
                               "SELECT {n}",
                               "UPDATE t SET v = v WHERE id = {k}",
                               "SET {n}=2;SELECT COUNT(*) INTO {n} FROM t WHERE id >= {k}",
                               "SELECT {n}",
                               "SELECT 1 / 0 AS q",
                               "show warnings",
                               "SET {n}=2;SELECT {n} AS `n`, {k} AS `k`",
                           })));
    EXPECT_THAT(Outputs(),
                ElementsAre(Result(7), Result(8), Result(7), Result(8), Result(10, {"q"}, {"NULL"}),
                            Message(mkError, "Error code: 1365, SQLState: 22012, Message: Division by 0", 10),
                            Result(11, {"n", "k"}, {"2|2"})));
}

// The routine's SHOW WARNINGS lists what the statement itself raised, its pushed SET sent alongside.
TEST_F(DBAInterpreterScenarioTest, ShowWarningsAfterAStatementWithPushedLocals) {
    Start(VELTRANE_REQUIRE_SERVER());
    EXPECT_EQ(Run("BEGIN\n"
                  "  DECLARE a VARCHAR(5) DEFAULT '2y';\n"
                  "  DECLARE n INT;\n"
                  "  SELECT COUNT(*) INTO n FROM t WHERE id = CAST(a AS SIGNED);\n"
                  "  SHOW WARNINGS;\n"
                  "END"),
              "");
    // The server, as it runs the same block, warns twice: the condition is evaluated twice.
    const std::string truncated = "Truncated incorrect INTEGER value: '2y'";
    const TOutputMessage warning =
        Message(mkError, "Error code: 1292, SQLState: 22007, Message: " + truncated, 4);
    EXPECT_THAT(Monitor(),
                ElementsAreArray(Expand({
                    "SET {n}=NULL,{a}='2y';SELECT COUNT(*) INTO {n} FROM t WHERE id = CAST({a} AS SIGNED)",
                    "SELECT {n}",
                    "show warnings",
                    "SHOW WARNINGS",
                })));
    EXPECT_THAT(Outputs(), ElementsAre(Result(4), warning, warning,
                                       Result(5, {"Level", "Code", "Message"},
                                              {"Warning|1292|" + truncated, "Warning|1292|" + truncated})));
    EXPECT_EQ(runner->ValueOf("n"), "1");
}

TEST_F(DBAInterpreterScenarioTest, CursorLoopWithNotFoundHandler) {
    Start(VELTRANE_REQUIRE_SERVER());
    runner->CompileMain(kCursorLoopMain);
    EXPECT_EQ(runner->Run(), "");
    EXPECT_THAT(Monitor(), ElementsAreArray(Expand({
                               "SET {total}=0",
                               "SELECT {total},@@warning_count",
                               "SET {total}=6;SELECT {total} AS `total`",
                           })));
    EXPECT_THAT(Outputs(), ElementsAre(Message(mkInformation, std::string("[HANDLED]") + kNoData, 9),
                                       Result(14, {"total"}, {"6"})));
    // The handler's body is a step of its own.
    EXPECT_THAT(runner->debugger->steps, testing::Contains("<Main>:6"));
}

TEST_F(DBAInterpreterScenarioTest, CursorStateErrors) {
    Start(VELTRANE_REQUIRE_SERVER());
    struct Case {
        const char* body;
        const char* error;
    } cases[] = {
        {"OPEN c; OPEN c;", "Error code: 1325, SQLState: 24000, Message: Cursor is already open"},
        {"CLOSE c;", "Error code: 1326, SQLState: 24000, Message: Cursor is not open"},
        {"FETCH c INTO x;", "Error code: 1326, SQLState: 24000, Message: Cursor is not open"},
        {"OPEN c; FETCH c INTO x; FETCH c INTO x;", kNoData},
        // Entering the block again finds the cursor closed.
        {"DECLARE i INT DEFAULT 0; WHILE i < 2 DO BEGIN DECLARE d CURSOR FOR SELECT 1; OPEN d; END; "
         "SET i = i + 1; END WHILE; SET x = i;",
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        runner = std::make_unique<TDBAProgramRunner>(database->Connect());
        EXPECT_EQ(
            Run(std::string("BEGIN DECLARE x INT; DECLARE c CURSOR FOR SELECT id FROM t WHERE id = 1; ") +
                c.body + " END"),
            c.error);
    }
}

TEST_F(DBAInterpreterScenarioTest, WarningPassUnhandledAndHandled) {
    Start(VELTRANE_REQUIRE_SERVER());
    EXPECT_EQ(Run("BEGIN\n"
                  "  DECLARE w INT DEFAULT 0;\n"
                  "  SELECT 1/0 AS q;\n"
                  "  BEGIN\n"
                  "    DECLARE CONTINUE HANDLER FOR SQLWARNING SET w = w + 1;\n"
                  "    SELECT 1/0 AS q;\n"
                  "  END;\n"
                  "  SELECT w;\n"
                  "END"),
              "");
    EXPECT_THAT(Monitor(), ElementsAreArray(Expand({"SELECT 1/0 AS q", "show warnings", "SELECT 1/0 AS q",
                                                    "show warnings", "SET {w}=1;SELECT {w} AS `w`"})));
    const std::string division = "Error code: 1365, SQLState: 22012, Message: Division by 0";
    EXPECT_THAT(Outputs(),
                ElementsAre(Result(3, {"q"}, {"NULL"}), Message(mkError, division, 3),
                            Result(6, {"q"}, {"NULL"}), Message(mkInformation, "[HANDLED]" + division, 6),
                            Result(8, {"w"}, {"1"})));
}

TEST_F(DBAInterpreterScenarioTest, SelectIntoWithoutRows) {
    Start(VELTRANE_REQUIRE_SERVER());
    EXPECT_EQ(Run("BEGIN\n"
                  "  DECLARE x INT DEFAULT 7;\n"
                  "  SELECT id INTO x FROM t WHERE id < 0;\n"
                  "END"),
              "");
    EXPECT_THAT(Outputs(), ElementsAre(Result(3), Message(mkError, kNoData, 3)));
    EXPECT_EQ(runner->ValueOf("x"), "7");

    runner = std::make_unique<TDBAProgramRunner>(database->Connect());
    EXPECT_EQ(Run("BEGIN\n"
                  "  DECLARE x INT DEFAULT 7;\n"
                  "  DECLARE CONTINUE HANDLER FOR NOT FOUND SET x = -1;\n"
                  "  SELECT id INTO x FROM t WHERE id < 0;\n"
                  "END"),
              "");
    EXPECT_THAT(Outputs(),
                ElementsAre(Result(4), Message(mkInformation, std::string("[HANDLED]") + kNoData, 4)));
    EXPECT_EQ(runner->ValueOf("x"), "-1");
}

TEST_F(DBAInterpreterScenarioTest, ExitHandlerAndUnhandledError) {
    Start(VELTRANE_REQUIRE_SERVER());
    EXPECT_EQ(Run("BEGIN\n"
                  "  DECLARE r VARCHAR(20) DEFAULT 'start';\n"
                  "  b1: BEGIN\n"
                  "    DECLARE EXIT HANDLER FOR 1062 SET r = 'dup';\n"
                  "    INSERT INTO t VALUES (1, 'again');\n"
                  "    SET r = 'not reached';\n"
                  "  END b1;\n"
                  "  SELECT r;\n"
                  "  INSERT INTO t VALUES (2, 'again');\n"
                  "  SELECT 'never';\n"
                  "END"),
              "Error code: 1062, SQLState: 23000, Message: Duplicate entry '2' for key 'PRIMARY'");
    EXPECT_THAT(Monitor(), ElementsAreArray(Expand({
                               "INSERT INTO t VALUES (1, 'again')",
                               "ERROR: Duplicate entry '1' for key 'PRIMARY'",
                               "SET {r}='dup';SELECT {r} AS `r`",
                               "INSERT INTO t VALUES (2, 'again')",
                               "ERROR: Duplicate entry '2' for key 'PRIMARY'",
                           })));
    EXPECT_THAT(
        Outputs(),
        ElementsAre(Message(mkInformation,
                            "[HANDLED]Error code: 1062, SQLState: 23000, Message: Duplicate entry '1' for "
                            "key 'PRIMARY'",
                            5),
                    Result(8, {"r"}, {"dup"})));
    // The error reached the debugger once, at its statement.
    EXPECT_THAT(
        runner->debugger->errors,
        ElementsAre("9: Error code: 1062, SQLState: 23000, Message: Duplicate entry '2' for key 'PRIMARY'"));
}

TEST_F(DBAInterpreterScenarioTest, InterpretedProcedureCall) {
    Start(VELTRANE_REQUIRE_SERVER());
    EXPECT_EQ(Run("BEGIN\n"
                  "  DECLARE a INT DEFAULT 5;\n"
                  "  CALL p_scale(a, 3);\n"
                  "  SELECT a;\n"
                  "END"),
              "");
    EXPECT_THAT(Monitor(), ElementsAreArray(Expand({
                               "SHOW CREATE PROCEDURE `{db}`.`p_scale`",
                               "select (database()) as ExpressionValue",
                               "use `{db}`",
                               // The routine runs under the sql_mode it was created under.
                               "SET @debugger_internal_sql_mode_1 = @@sql_mode, sql_mode = "
                               "'STRICT_TRANS_TABLES,ERROR_FOR_DIVISION_BY_ZERO,NO_AUTO_CREATE_USER,"
                               "NO_ENGINE_SUBSTITUTION'",
                               "SET sql_mode = @debugger_internal_sql_mode_1",
                               // Back to the database before the call, quoted as any name.
                               "use `{db}`",
                               "SET {a}=15;SELECT {a} AS `a`",
                           })));
    EXPECT_THAT(Outputs(), ElementsAre(Result(4, {"a"}, {"15"})));
    const TRecordingDebugger& debugger = *runner->debugger;
    EXPECT_THAT(debugger.steps, ElementsAre("<Main>:3", "p_scale:3", "<Main>:4"));
    EXPECT_THAT(debugger.stack, ElementsAre("", "<Main>->p_scale:3(5, 3)", ""));
    TRoutine* procedure = runner->program.FindProcedure("`" + database->name + "`.`p_scale`");
    ASSERT_TRUE(procedure);
    EXPECT_EQ(Literal(procedure->Block()->GetSymbol(0)->GetValue()), "NULL");
    EXPECT_EQ(Literal(procedure->Block()->GetSymbol(1)->GetValue()), "NULL");
}

// The call runs in the routine's schema; a failed call changes neither the argument nor the current
// database.
TEST_F(DBAInterpreterScenarioTest, CallInAnotherSchema) {
    Start(VELTRANE_REQUIRE_SERVER());
    const std::string other = database->name + "_other";
    database->Execute("DROP DATABASE IF EXISTS " + other);
    database->Execute("CREATE DATABASE " + other);
    database->Execute("CREATE TABLE " + other + ".t (id INT PRIMARY KEY)");
    database->Execute("INSERT INTO " + other + ".t VALUES (1)");
    // Its unqualified table is the one of its own schema.
    database->Execute(
        "CREATE PROCEDURE " + other +
        ".p_fail(INOUT x INT) BEGIN SET x = 99; INSERT INTO t VALUES (2); INSERT INTO t VALUES (1); END");
    EXPECT_EQ(Run("BEGIN\n"
                  "  DECLARE a INT DEFAULT 5;\n"
                  "  BEGIN\n"
                  "    DECLARE EXIT HANDLER FOR 1062 BEGIN END;\n"
                  "    CALL " +
                  other +
                  ".p_fail(a);\n"
                  "  END;\n"
                  "END"),
              "");
    EXPECT_EQ(runner->ValueOf("a"), "5");
    EXPECT_EQ(runner->connection->GetCurrentDatabase(), database->name);
    EXPECT_THAT(database->Rows("SELECT id FROM " + other + ".t ORDER BY id"), ElementsAre("1", "2"));
    EXPECT_THAT(Monitor(), testing::IsSupersetOf(Expand({"use `{db}_other`", "use `{db}`"})));
    database->Execute("DROP DATABASE " + other);
}

TEST_F(DBAInterpreterScenarioTest, InterpretedFunctionCall) {
    Start(VELTRANE_REQUIRE_SERVER());
    EXPECT_EQ(Run("BEGIN\n"
                  "  DECLARE r INT;\n"
                  "  SET r = f_add(2, 3) * 10;\n"
                  "  SELECT r;\n"
                  "END"),
              "");
    EXPECT_THAT(Monitor(), ElementsAreArray(Expand({
                               "SHOW CREATE FUNCTION `{db}`.`f_add`",
                               "select (database()) as ExpressionValue",
                               "use `{db}`",
                               // The routine runs under the sql_mode it was created under.
                               "SET @debugger_internal_sql_mode_1 = @@sql_mode, sql_mode = "
                               "'STRICT_TRANS_TABLES,ERROR_FOR_DIVISION_BY_ZERO,NO_AUTO_CREATE_USER,"
                               "NO_ENGINE_SUBSTITUTION'",
                               "SET sql_mode = @debugger_internal_sql_mode_1",
                               // Back to the database before the call, quoted as any name.
                               "use `{db}`",
                               "show warnings",
                               "SET {r}=50;SELECT {r} AS `r`",
                           })));
    EXPECT_THAT(Outputs(), ElementsAre(Result(4, {"r"}, {"50"})));
    EXPECT_THAT(runner->debugger->stack, ElementsAre("", "<Main>->f_add:-1(2, 3)", ""));
}

TEST_F(DBAInterpreterScenarioTest, FunctionWithoutReturn) {
    Start(VELTRANE_REQUIRE_SERVER());
    database->Execute("CREATE FUNCTION f_noret(a INT) RETURNS INT BEGIN IF a > 0 THEN RETURN a; END IF; END");
    try {
        database->Rows("SELECT f_noret(0)");
        ADD_FAILURE() << "the server ran it";
    } catch (const testsupport::ServerError& error) {
        EXPECT_EQ(error.code, 1321u);
        EXPECT_STREQ(error.what(), "FUNCTION f_noret ended without RETURN");
    }
    const std::string expected =
        "Error code: 1321, SQLState: 2F005, Message: FUNCTION f_noret ended without RETURN";
    EXPECT_EQ(Run("BEGIN DECLARE r INT; SET r = f_noret(0); END"), expected);
}

TEST_F(DBAInterpreterScenarioTest, CallOfMissingProcedureRunsOnServer) {
    Start(VELTRANE_REQUIRE_SERVER());
    EXPECT_EQ(Run("BEGIN\n"
                  "  DECLARE a INT DEFAULT 1;\n"
                  "  CALL nosuch(a, a + 1);\n"
                  "END"),
              "Error code: 1305, SQLState: 42000, Message: PROCEDURE " + database->name +
                  ".nosuch does not exist");
    EXPECT_THAT(Monitor(), ElementsAreArray(Expand({
                               "SHOW CREATE PROCEDURE `{db}`.`nosuch`",
                               "ERROR: PROCEDURE nosuch does not exist",
                               "SET {a}=1;CALL nosuch({a}, 2)",
                               "ERROR: PROCEDURE {db}.nosuch does not exist",
                           })));
}

TEST_F(DBAInterpreterScenarioTest, SignalAndResignal) {
    Start(VELTRANE_REQUIRE_SERVER());
    EXPECT_EQ(Run("BEGIN\n"
                  "  DECLARE msg VARCHAR(100) DEFAULT '';\n"
                  "  BEGIN\n"
                  "    DECLARE EXIT HANDLER FOR SQLSTATE '45000' SET msg = 'caught';\n"
                  "    SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'boom', MYSQL_ERRNO = 5001;\n"
                  "  END;\n"
                  "  SIGNAL SQLSTATE '01000';\n"
                  "  SELECT msg;\n"
                  "END"),
              "");
    EXPECT_THAT(Monitor(), ElementsAreArray(Expand({"SET {msg}='caught';SELECT {msg} AS `msg`"})));
    EXPECT_THAT(
        Outputs(),
        ElementsAre(Message(mkInformation, "[HANDLED]Error code: 5001, SQLState: 45000, Message: boom", 5),
                    Message(mkError,
                            "Error code: 1642, SQLState: 01000, Message: Unhandled user-defined warning "
                            "condition",
                            7),
                    Result(8, {"msg"}, {"caught"})));
}

} // namespace
} // namespace engine
