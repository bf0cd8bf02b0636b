// The interpreter and the server run the same main block and must end alike: the same variable
// values, or the same error code and message.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/DBAInterpreterTestSupport.h"

namespace engine {
namespace {

struct TAgreementCase {
    const char* name;
    // Routines created before the run.
    std::vector<std::string> setup;
    // BEGIN ... END.
    const char* text;
    std::vector<std::string> variables;
    // What both must give; "{db}" stands for the database name.
    const char* expected;
};

void PrintTo(const TAgreementCase& c, std::ostream* os) {
    *os << c.name;
}

// "BEGIN ... END" as a compound statement that selects the variables at its end.
std::string ServerBlock(const std::string& text, const std::vector<std::string>& variables) {
    const std::string body = text.substr(5, text.rfind("END") - 5);
    std::string select;
    for (const std::string& name : variables)
        select += (select.empty() ? "SELECT " : ", ") + name;
    return "BEGIN NOT ATOMIC" + body + (select.empty() ? "" : select + "; ") + "END";
}

const TAgreementCase kCases[] = {
    // Handler choice: the innermost block that has a matching handler decides.
    {"InnerSqlExceptionBeatsOuterErrorCode",
     {},
     "BEGIN DECLARE r VARCHAR(40) DEFAULT ''; DECLARE CONTINUE HANDLER FOR 1062 SET r = 'outer1062'; "
     "BEGIN DECLARE CONTINUE HANDLER FOR SQLEXCEPTION SET r = 'innerSQLEXC'; INSERT INTO t VALUES (1, 'x'); "
     "END; "
     "END",
     {"r"},
     "innerSQLEXC"},
    {"InnerNotFoundBeatsOuterErrorCode",
     {},
     "BEGIN DECLARE r VARCHAR(40) DEFAULT ''; DECLARE x INT; DECLARE c CURSOR FOR SELECT id FROM t WHERE id "
     "= 1; "
     "DECLARE CONTINUE HANDLER FOR 1329 SET r = 'outer1329'; OPEN c; FETCH c INTO x; "
     "BEGIN DECLARE CONTINUE HANDLER FOR NOT FOUND SET r = 'innerNF'; FETCH c INTO x; END; END",
     {"r"},
     "innerNF"},
    // While a handler's body runs, no handler of its block is in scope, not only itself.
    {"HandlersBesideARunningHandlerAreOutOfScope",
     {},
     "BEGIN DECLARE r VARCHAR(40) DEFAULT ''; DECLARE CONTINUE HANDLER FOR SQLEXCEPTION SET r = CONCAT(r, "
     "'+outer'); "
     "BEGIN DECLARE CONTINUE HANDLER FOR 1062 BEGIN SET r = CONCAT(r, '+h1'); INSERT INTO t VALUES (NULL, "
     "'x'); END; "
     "DECLARE CONTINUE HANDLER FOR SQLEXCEPTION SET r = CONCAT(r, '+h2'); INSERT INTO t VALUES (1, 'y'); "
     "END; END",
     {"r"},
     "+h1+outer"},
    {"HandlerInsideAHandlerBodyIsInScope",
     {},
     "BEGIN DECLARE r VARCHAR(40) DEFAULT ''; DECLARE CONTINUE HANDLER FOR SQLEXCEPTION SET r = CONCAT(r, "
     "'+outer'); "
     "BEGIN DECLARE CONTINUE HANDLER FOR 1062 BEGIN DECLARE CONTINUE HANDLER FOR 1048 SET r = CONCAT(r, "
     "'+inner'); "
     "SET r = CONCAT(r, '+h1'); INSERT INTO t VALUES (NULL, 'x'); END; INSERT INTO t VALUES (1, 'y'); END; "
     "END",
     {"r"},
     "+h1+inner"},
    {"ExitHandlerOfAnOuterBlockEndsThatBlock",
     {},
     "BEGIN DECLARE r INT DEFAULT 0; b: BEGIN DECLARE EXIT HANDLER FOR 1062 SET r = r + 10; "
     "BEGIN INSERT INTO t VALUES (1, 'x'); SET r = r + 1; END; SET r = r + 100; END b; SET r = r + 1000; END",
     {"r"},
     "1010"},
    {"ResignalReachesTheOuterHandler",
     {},
     "BEGIN DECLARE r VARCHAR(40) DEFAULT ''; DECLARE CONTINUE HANDLER FOR 1062 SET r = CONCAT(r, '+outer'); "
     "BEGIN DECLARE EXIT HANDLER FOR 1062 BEGIN SET r = CONCAT(r, '+inner'); RESIGNAL; SET r = CONCAT(r, "
     "'+after'); "
     "END; INSERT INTO t VALUES (1, 'y'); END; END",
     {"r"},
     "+inner+outer+after"},
    {"ResignalWithNewMessage",
     {},
     "BEGIN DECLARE EXIT HANDLER FOR 1062 RESIGNAL SET MESSAGE_TEXT = 'dup!'; INSERT INTO t VALUES (1, 'y'); "
     "END",
     {},
     "error 1062: dup!"},
    {"ResignalWithNewStateTakesItsCode",
     {},
     "BEGIN DECLARE EXIT HANDLER FOR 1062 RESIGNAL SQLSTATE '45000'; INSERT INTO t VALUES (1, 'y'); END",
     {},
     "error 1644: Duplicate entry '1' for key 'PRIMARY'"},
    {"ResignalAsWarningGoesOn",
     {},
     "BEGIN DECLARE r INT DEFAULT 0; BEGIN DECLARE EXIT HANDLER FOR 1062 BEGIN RESIGNAL SQLSTATE '01000'; "
     "SET r = 1; END; INSERT INTO t VALUES (1, 'y'); END; SET r = r + 10; END",
     {"r"},
     "11"},
    {"ResignalWithoutActiveHandler",
     {},
     "BEGIN RESIGNAL; END",
     {},
     "error 1645: RESIGNAL when handler not active"},
    // SIGNAL defaults by SQLSTATE class.
    {"SignalExceptionDefaults",
     {},
     "BEGIN SIGNAL SQLSTATE '45000'; END",
     {},
     "error 1644: Unhandled user-defined exception condition"},
    {"SignalNotFoundDefaults",
     {},
     "BEGIN SIGNAL SQLSTATE '02000'; END",
     {},
     "error 1643: Unhandled user-defined not found condition"},
    {"SignalOwnCodeAndText",
     {},
     "BEGIN SIGNAL SQLSTATE 'HY000' SET MYSQL_ERRNO = 1234, MESSAGE_TEXT = 'own text'; END",
     {},
     "error 1234: own text"},
    {"UnhandledWarningSignalGoesOn",
     {},
     "BEGIN DECLARE r INT DEFAULT 0; SIGNAL SQLSTATE '01000'; SET r = 1; END",
     {"r"},
     "1"},
    {"SqlWarningHandlerTakesWarningSignal",
     {},
     "BEGIN DECLARE r INT DEFAULT 0; DECLARE CONTINUE HANDLER FOR SQLWARNING SET r = r + 5; "
     "SIGNAL SQLSTATE '01234'; SET r = r + 1; END",
     {"r"},
     "6"},
    // Local control flow and NULL logic.
    {"RepeatWithIterate",
     {},
     "BEGIN DECLARE i INT DEFAULT 0; DECLARE n INT DEFAULT 0; r: REPEAT SET i = i + 1; SET n = n + 1; "
     "IF i < 3 THEN ITERATE r; END IF; UNTIL TRUE END REPEAT; END",
     {"i", "n"},
     "3|3"},
    {"WhileOverNullNeverRuns",
     {},
     "BEGIN DECLARE i INT; DECLARE n INT DEFAULT 0; WHILE i BETWEEN 0 AND 2 DO SET i = i + 1; SET n = n + 1; "
     "END WHILE; END",
     {"n"},
     "0"},
    {"NullLogic",
     {},
     "BEGIN DECLARE a, b, c INT; DECLARE d VARCHAR(2); SET a = NULL BETWEEN -1 AND 1; SET b = 0 IN (NULL); "
     "SET c = NULL <=> 0; SET d = CASE NULL WHEN 0 THEN 'm' ELSE 'nm' END; END",
     {"a", "b", "c", "d"},
     "NULL|NULL|0|nm"},
    {"SearchedCaseTakesATrueNumber",
     {},
     "BEGIN DECLARE r INT DEFAULT 0; CASE WHEN 2 THEN SET r = 1; ELSE SET r = 2; END CASE; END",
     {"r"},
     "1"},
    // Strict storing.
    {"DivisionByZeroIntoVariable",
     {},
     "BEGIN DECLARE d INT; SET d = 1/0; END",
     {},
     "error 1365: Division by 0"},
    {"OutOfRangeIntoVariable",
     {},
     "BEGIN DECLARE t TINYINT; SET t = 1000; END",
     {},
     "error 1264: Out of range value for column 't' at row 0"},
    {"CaseNotFound",
     {},
     "BEGIN DECLARE x INT DEFAULT 2; CASE x WHEN 1 THEN SET x = 0; END CASE; END",
     {},
     "error 1339: Case not found for CASE statement"},
    {"LimitWithLocalVariable",
     {},
     "BEGIN DECLARE n INT DEFAULT 2; DECLARE c INT; SELECT COUNT(*) INTO c FROM (SELECT id FROM t LIMIT n) "
     "q; END",
     {"c"},
     "2"},
    {"FetchIntoTooFewVariables",
     {},
     "BEGIN DECLARE x INT; DECLARE c CURSOR FOR SELECT id, v FROM t; OPEN c; FETCH c INTO x; END",
     {},
     "error 1328: Incorrect number of FETCH variables"},
    // Calls.
    {"InOutParameterDoubled", {}, "BEGIN DECLARE a INT DEFAULT 4; CALL p_scale(a, 2); END", {"a"}, "8"},
    {"DefaultOfALocalSeesTheParameter",
     {"CREATE PROCEDURE d1(p INT) BEGIN DECLARE x INT DEFAULT p*2; SET @d1 = x; END"},
     "BEGIN DECLARE r INT; CALL d1(21); SET r = @d1; END",
     {"r"},
     "42"},
    {"UserVariableAsOutArgument",
     {},
     "BEGIN DECLARE r INT; SET @u = 0; CALL p_out(@u); SET r = @u; END",
     {"r"},
     "42"},
    {"WrongArgumentCount",
     {},
     "BEGIN DECLARE a INT; CALL p_scale(a); END",
     {},
     "error 1318: Incorrect number of arguments for PROCEDURE {db}.p_scale; expected 2, "
     "got 1"},
    {"OutArgumentNotAVariable",
     {},
     "BEGIN DECLARE a INT DEFAULT 1; CALL p_scale(a + 1, 2); END",
     {},
     "error 1414: OUT or INOUT argument 1 for routine {db}.p_scale is not a variable "
     "or "
     "NEW pseudo-variable in BEFORE trigger"},
    {"RecursiveProcedure",
     {"CREATE PROCEDURE r1(n INT) BEGIN IF n > 0 THEN CALL r1(n - 1); END IF; END"},
     "BEGIN CALL r1(1); END",
     {},
     "error 1456: Recursive limit 0 (as set by the max_sp_recursion_depth variable) was exceeded for routine "
     "r1"},
    {"RecursiveFunction",
     {"CREATE FUNCTION fr(n INT) RETURNS INT BEGIN IF n > 0 THEN RETURN fr(n - 1); END IF; RETURN 0; END"},
     "BEGIN DECLARE r INT; SET r = fr(1); END",
     {},
     "error 1424: Recursive stored functions and triggers are not allowed"},
    {"NoDataLeavesACalledProcedure",
     {"CREATE PROCEDURE cur2() BEGIN DECLARE x INT; DECLARE c CURSOR FOR SELECT id FROM t WHERE id = 1; OPEN "
      "c; "
      "FETCH c INTO x; FETCH c INTO x; SET @after = 1; END"},
     "BEGIN DECLARE r INT DEFAULT 0; CALL cur2(); SET r = 1; END",
     {},
     "error 1329: No data - zero rows fetched, selected, or processed"},
    {"CallerHandlerTakesErrorOfCalledProcedure",
     {"CREATE PROCEDURE pe() BEGIN INSERT INTO t VALUES (1, 'x'); END"},
     "BEGIN DECLARE r INT DEFAULT 0; DECLARE CONTINUE HANDLER FOR 1062 SET r = r + 1; CALL pe(); SET r = r + "
     "10; "
     "END",
     {"r"},
     "11"},
    // The server takes no user variable as a LIMIT count: a local one is written in as its value.
    {"LocalLimitAndOffsetInAServerSideExpression",
     {},
     "BEGIN DECLARE n INT DEFAULT 2; DECLARE m INT DEFAULT 1; DECLARE r, q INT; "
     "SET r = (SELECT SUM(id) + n FROM (SELECT id FROM t ORDER BY id LIMIT m, n) s); "
     "SET q = (SELECT SUM(id) FROM (SELECT id FROM t ORDER BY id LIMIT n OFFSET m) s); END",
     {"r", "q"},
     "7|5"},
    // The SET of changed locals travels in the statement's packet; what the routine sees after the
    // statement stays the statement's own.
    {"CountsAfterAStatementWithPushedLocals",
     {},
     "BEGIN DECLARE a INT DEFAULT 0; DECLARE n, r, f, l INT; SET a = 2; "
     "UPDATE t SET v = CONCAT(v, '+') WHERE id >= a; SET r = ROW_COUNT(); SET a = 1; "
     "SELECT COUNT(*) INTO n FROM t WHERE id > a; SET f = FOUND_ROWS(); SET a = 7; DO LAST_INSERT_ID(a); "
     "SET l = LAST_INSERT_ID(); END",
     {"r", "n", "f", "l"},
     "2|2|1|7"},
    {"WarningOfAStatementWithPushedLocals",
     {},
     "BEGIN DECLARE a VARCHAR(5) DEFAULT ''; DECLARE n INT; DECLARE w INT DEFAULT 0; "
     "DECLARE c VARCHAR(20) DEFAULT ''; "
     "DECLARE CONTINUE HANDLER FOR SQLWARNING SET w = w + 1; DECLARE CONTINUE HANDLER FOR 1292 "
     "SET c = CONCAT(c, '+truncated'); SET a = '2y'; SELECT COUNT(*) INTO n FROM t WHERE id = CAST(a AS "
     "SIGNED); "
     "SET a = '3'; SELECT COUNT(*) INTO n FROM t WHERE id = CAST(a AS SIGNED); END",
     {"n", "w", "c"},
     "1|0|+truncated"},
    {"ErrorOfAStatementWithPushedLocals",
     {},
     "BEGIN DECLARE a INT DEFAULT 0; DECLARE r VARCHAR(20) DEFAULT ''; "
     "DECLARE CONTINUE HANDLER FOR SQLEXCEPTION SET r = CONCAT(r, '+other'); "
     "DECLARE CONTINUE HANDLER FOR 1062 SET r = CONCAT(r, '+dup'); SET a = 1; INSERT INTO t VALUES (a, 'x'); "
     "SET a = 4; INSERT INTO t VALUES (a, 'x'); SET r = CONCAT(r, '+', ROW_COUNT()); END",
     {"r"},
     "+dup+1"},
};

class DBAInterpreterServerAgreementTest : public testing::TestWithParam<TAgreementCase> {};

TEST_P(DBAInterpreterServerAgreementTest, InterpreterEndsAsTheServer) {
    const auto& settings = VELTRANE_REQUIRE_SERVER();
    const TAgreementCase& c = GetParam();
    TScenarioDatabase database(settings, c.name);
    for (const std::string& sql : c.setup)
        database.Execute(sql);
    // Server messages that name the routine name its database, which depends on the connection.
    std::string expected = c.expected;
    if (const std::size_t at = expected.find("{db}"); at != std::string::npos)
        expected.replace(at, 4, database.name);
    EXPECT_EQ(database.Outcome(ServerBlock(c.text, c.variables)), expected) << "server";
    // The server's run changed the table; start again from the same rows.
    database.Execute("DELETE FROM t WHERE id > 3 OR id IS NULL");
    TDBAProgramRunner runner(database.Connect());
    EXPECT_EQ(runner.Outcome(c.text, c.variables), expected) << "interpreter";
}

INSTANTIATE_TEST_SUITE_P(Cases, DBAInterpreterServerAgreementTest, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace engine
