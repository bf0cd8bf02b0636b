// A routine called on the server and the same call run under the debugger give the same result
// sets, in order, and end with the same error.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/DBAInterpreterTestSupport.h"

namespace engine {
namespace {

struct TBothWaysCase {
    const char* name;
    // Statements of the session that creates the routines: they run under its sql_mode.
    std::vector<std::string> setup;
    // Session settings for both ways of running.
    std::vector<std::string> session;
    const char* call;
    // The result sets as "headings:rows", then "error <code>: <message>" when the call failed.
    std::vector<std::string> expected;
};

void PrintTo(const TBothWaysCase& c, std::ostream* os) {
    *os << c.name;
}

std::string Describe(data::TDataSet& dataSet) {
    std::string text;
    for (int i = 0; i < dataSet.FieldCount(); ++i)
        text += (i > 0 ? "," : "") + dataSet.Fields()[i]->DisplayLabel();
    text += ":";
    bool first = true;
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next(), first = false) {
        if (!first) text += ";";
        for (int i = 0; i < dataSet.FieldCount(); ++i) {
            data::TField* field = dataSet.Fields()[i];
            text += (i > 0 ? "|" : "") + (field->IsNull() ? std::string("NULL") : field->AsString());
        }
    }
    return text;
}

std::string ErrorText(const core::EDBAConnectionException& error) {
    return "error " + std::to_string(error.ErrorCode()) + ": " + error.ErrorMessage();
}

std::vector<std::string> CallOnServer(core::IDBAConnection& connection, const std::string& call) {
    std::vector<std::string> results;
    try {
        auto result = connection.Execute(call);
        for (;;) {
            if (result->HasResultSet()) results.push_back(Describe(*result->GetDataSet()));
            if (!result->HasMoreResults()) break;
            result = result->GetNextResult();
        }
    } catch (const core::EDBAConnectionException& error) {
        results.push_back(ErrorText(error));
    }
    return results;
}

std::vector<std::string> CallUnderTheDebugger(TDBAProgramRunner& runner, const std::string& call) {
    std::vector<std::string> results;
    std::string error;
    try {
        runner.CompileMain("BEGIN " + call + "; END");
        RunProgram(runner.program, runner.debugger);
    } catch (const core::EDBAConnectionException& failure) {
        error = ErrorText(failure);
    }
    for (const TOutputMessage& message : runner.debugger->outputs) {
        if (message.kind != mkQueryResult || message.headings.empty()) continue;
        std::string text;
        for (std::size_t i = 0; i < message.headings.size(); ++i)
            text += (i > 0 ? "," : "") + message.headings[i];
        text += ":";
        for (std::size_t i = 0; i < message.rows.size(); ++i)
            text += (i > 0 ? ";" : "") + message.rows[i];
        results.push_back(text);
    }
    if (!error.empty()) results.push_back(error);
    return results;
}

const std::string kLongText(600, 'x');

std::string Repeated(const std::string& text, int count) {
    std::string repeated;
    for (int i = 0; i < count; ++i)
        repeated += text;
    return repeated;
}

const TBothWaysCase kCases[] = {
    // Recursion as deep as max_sp_recursion_depth allows, and one step deeper.
    {"RecursionWithinTheLimit",
     {"CREATE PROCEDURE r(n INT) BEGIN IF n > 0 THEN CALL r(n - 1); END IF; SELECT n; END"},
     {"SET max_sp_recursion_depth = 5"},
     "CALL r(1)",
     {"n:0", "n:1"}},
    {"RecursionBeyondTheLimit",
     {"CREATE PROCEDURE r(n INT) BEGIN IF n > 0 THEN CALL r(n - 1); END IF; SELECT n; END"},
     {"SET max_sp_recursion_depth = 2"},
     "CALL r(3)",
     {"error 1456: Recursive limit 2 (as set by the max_sp_recursion_depth variable) was exceeded for "
      "routine r"}},
    // SIGNAL items the server refuses.
    {"SignalNullMessage",
     {"CREATE PROCEDURE s() SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = NULL"},
     {},
     "CALL s()",
     {"error 1231: Variable 'MESSAGE_TEXT' can't be set to the value of 'NULL'"}},
    {"SignalErrorNumberTooLarge",
     {"CREATE PROCEDURE s() BEGIN DECLARE n INT DEFAULT 65535; SIGNAL SQLSTATE '45000' SET MYSQL_ERRNO = n; "
      "END"},
     {},
     "CALL s()",
     {"error 1231: Variable 'MYSQL_ERRNO' can't be set to the value of '65535'"}},
    {"SignalErrorNumberZero",
     {"CREATE PROCEDURE s() BEGIN DECLARE n INT DEFAULT 0; SIGNAL SQLSTATE '45000' SET MYSQL_ERRNO = n; END"},
     {},
     "CALL s()",
     {"error 1231: Variable 'MYSQL_ERRNO' can't be set to the value of '0'"}},
    {"SignalErrorNumberNotANumber",
     {"CREATE PROCEDURE s() BEGIN DECLARE n VARCHAR(5) DEFAULT 'abc'; SIGNAL SQLSTATE '45000' SET "
      "MYSQL_ERRNO "
      "= n; END"},
     {},
     "CALL s()",
     {"error 1231: Variable 'MYSQL_ERRNO' can't be set to the value of 'abc'"}},
    {"SignalLargestErrorNumber",
     {"CREATE PROCEDURE s() BEGIN DECLARE n INT DEFAULT 65534; SIGNAL SQLSTATE '45000' SET MYSQL_ERRNO = n, "
      "MESSAGE_TEXT = 'own'; END"},
     {},
     "CALL s()",
     {"error 65534: own"}},
    {"SignalMessageTooLongWhenStrict",
     {"CREATE PROCEDURE s() BEGIN DECLARE m TEXT DEFAULT REPEAT('x', 600); SIGNAL SQLSTATE '45000' SET "
      "MESSAGE_TEXT = m; END"},
     {},
     "CALL s()",
     {"error 1648: Data too long for condition item 'MESSAGE_TEXT'"}},
    {"SignalMessageCutWhenNotStrict",
     {"SET sql_mode = ''",
      "CREATE PROCEDURE s() BEGIN DECLARE m TEXT DEFAULT REPEAT('x', 600); SIGNAL SQLSTATE '45000' SET "
      "MESSAGE_TEXT = m; END"},
     {},
     "CALL s()",
     // Cut to 512 characters, of which a client receives 511.
     {"error 1644: " + kLongText.substr(0, 511)}},
    // One statement activates one handler, however many warnings it raised.
    {"ContinueHandlerOncePerStatement",
     {"CREATE TABLE tiny (a TINYINT, b TINYINT)",
      "CREATE PROCEDURE h() BEGIN DECLARE CONTINUE HANDLER FOR 1264 SELECT 'caught' AS c; DELETE FROM tiny; "
      "INSERT IGNORE INTO tiny VALUES (1000, 1000); SELECT COUNT(*) AS n FROM tiny; END"},
     {},
     "CALL h()",
     {"c:caught", "n:1"}},
    // An error a caller's handler takes ends nothing.
    {"CallersExitHandlerTakesTheError",
     {"CREATE PROCEDURE p1() INSERT INTO t VALUES (1, 'x')",
      "CREATE PROCEDURE p2() BEGIN DECLARE EXIT HANDLER FOR SQLEXCEPTION SELECT 'caught' AS c; CALL p1(); "
      "SELECT 'missed' AS m; END"},
     {},
     "CALL p2()",
     {"c:caught"}},
    // Stores into locals follow the routine's sql_mode: cut or converted when it is not strict.
    {"NotStrictStoreCutsText",
     {"SET sql_mode = ''", "CREATE PROCEDURE c() BEGIN DECLARE x CHAR(3); SET x = 'abcdef'; SELECT x; END"},
     {},
     "CALL c()",
     {"x:abc"}},
    {"NotStrictStoreClampsNumbers",
     {"SET sql_mode = ''", "CREATE PROCEDURE c() BEGIN DECLARE x TINYINT; DECLARE y INT; SET x = 1000; SET y "
                           "= 'abc'; SELECT x, y; "
                           "END"},
     {},
     "CALL c()",
     {"x,y:127|0"}},
    {"NotStrictStoreWarnsOfWhatItCutOrClamped",
     {"SET sql_mode = ''", "CREATE PROCEDURE c() BEGIN DECLARE x CHAR(3); DECLARE t TINYINT; DECLARE i INT; "
                           "DECLARE v DECIMAL(3,1); "
                           "DECLARE u DECIMAL(3,1) UNSIGNED; "
                           "DECLARE CONTINUE HANDLER FOR 1265 SELECT 'cut' AS w; DECLARE CONTINUE HANDLER "
                           "FOR 1264 SELECT 'range' AS w; "
                           "DECLARE CONTINUE HANDLER FOR 1366 SELECT 'incorrect' AS w; "
                           "SET x = 'abcdef'; SET t = 1000; SET i = 'abc'; SET i = '12x'; SET v = 99.96; SET "
                           "v = -123; SET u = -1; "
                           "SET v = 99.94; SET x = 'ab   '; SELECT x, t, i, v, CAST(u AS CHAR) AS u; END"},
     {},
     "CALL c()",
     {"w:cut", "w:range", "w:incorrect", "w:cut", "w:range", "w:range", "w:range", "w:cut",
      "x,t,i,v,u:ab|127|12|99.9|0.0"}},
    {"NotStrictDeclarationAndArgumentWarn",
     {"SET sql_mode = ''", "CREATE PROCEDURE a(IN s CHAR(2)) SELECT s",
      "CREATE PROCEDURE c() BEGIN DECLARE CONTINUE HANDLER FOR 1265 SELECT 'cut' AS w; "
      "BEGIN DECLARE x CHAR(2) DEFAULT 'xyz'; SELECT x; END; CALL a('abc'); END"},
     {},
     "CALL c()",
     {"w:cut", "x:xy", "s:ab", "w:cut"}},
    {"StrictStoreRefusesDecimalOutOfRange",
     {"CREATE PROCEDURE c() BEGIN DECLARE v DECIMAL(1); SET v = 9.4; SET v = 10; SELECT v; END"},
     {"SET sql_mode = ''"},
     "CALL c()",
     {"error 1264: Out of range value for column 'v' at row 0"}},
    {"StrictStoreRefusesDecimalRoundedOutOfRange",
     {"CREATE PROCEDURE c() BEGIN DECLARE v DECIMAL(3,1) UNSIGNED; DECLARE CONTINUE HANDLER FOR 1264 "
      "SELECT 'range' AS w; SET v = 99.96; SET v = -0.01; SET v = -1; SELECT v; END"},
     {},
     "CALL c()",
     {"w:range", "w:range", "w:range", "v:NULL"}},
    {"StrictStoreCutsBlanksWithANote",
     {"CREATE PROCEDURE c() BEGIN DECLARE x CHAR(3); DECLARE y VARCHAR(3); DECLARE CONTINUE HANDLER FOR 1265 "
      "SELECT 'cut' AS w; SET x = 'ab    '; SELECT 'x' AS s; SET y = 'ab    '; SELECT CONCAT('[', x, '][', "
      "y, ']') AS b; END"},
     {},
     "CALL c()",
     {"s:x", "w:cut", "b:[ab][ab ]"}},
    {"StrictStoreRefusesTextTooLong",
     {"CREATE PROCEDURE c() BEGIN DECLARE x CHAR(3); SET x = 'abcdef'; SELECT x; END"},
     {"SET sql_mode = ''"},
     "CALL c()",
     {"error 1406: Data too long for column 'x' at row 0"}},
    {"DivisionByZeroIsNullWithoutItsFlag",
     {"SET sql_mode = 'STRICT_ALL_TABLES'",
      "CREATE PROCEDURE c() BEGIN DECLARE d INT DEFAULT 5; SET d = 1 / 0; SELECT d; END"},
     {},
     "CALL c()",
     {"d:NULL"}},
    {"DivisionByZeroIsAnErrorWithItsFlag",
     {"CREATE PROCEDURE c() BEGIN DECLARE d INT DEFAULT 5; SET d = 1 / 0; SELECT d; END"},
     {"SET sql_mode = ''"},
     "CALL c()",
     {"error 1365: Division by 0"}},
    // What the routine reads of its statements' counts is what its own statements left.
    {"StatementCountsSeeOnlyTheRoutinesStatements",
     {"CREATE TABLE n (k INT PRIMARY KEY, m INT)", "INSERT INTO n VALUES (1, 0), (2, 0), (3, 0)",
      "CREATE PROCEDURE r() BEGIN DECLARE x INT DEFAULT 0; DECLARE c INT; UPDATE n SET m = m + 1; SET x = 5; "
      "SELECT ROW_COUNT() AS rc, ROW_COUNT() + x AS rx; UPDATE n SET m = m + x WHERE k > 1; SET c = "
      "ROW_COUNT(); "
      "SELECT k FROM n WHERE k < 3; IF x > 0 THEN SELECT FOUND_ROWS() AS fr, c; END IF; "
      "SELECT k INTO x FROM n WHERE k = 3; SELECT ROW_COUNT() AS r2, FOUND_ROWS() AS f2; SELECT ROW_COUNT(); "
      "END"},
     {},
     "CALL r()",
     {"rc,rx:3|8", "k:1;2", "fr,c:2|2", "r2,f2:1|1", "ROW_COUNT():-1"}},
    // SHOW WARNINGS and @@warning_count read what the routine's own statements left: a statement that
    // reads no table keeps the list, one that does empties it, the debugger's round trips never touch it.
    {"RoutineReadsItsOwnWarnings",
     {"CREATE PROCEDURE w() BEGIN DECLARE v INT DEFAULT 1; SELECT CAST('10 ' AS UNSIGNED) + v AS s; "
      "SHOW WARNINGS; SET v = v + 1; SELECT @@warning_count AS w, v; SELECT id FROM t WHERE id = 0; "
      "SHOW WARNINGS; SELECT 1 / 0 AS a, 2 / 0 AS b; SELECT v; SHOW COUNT(*) WARNINGS; END"},
     {},
     "CALL w()",
     {"s:11", "Level,Code,Message:Note|1292|Truncated incorrect INTEGER value: '10 '", "w,v:1|2",
      "id:", "Level,Code,Message:", "a,b:NULL|NULL", "v:2", "@@session.warning_count:2"}},
    // An expression the server evaluates, a cursor's OPEN and a local's store leave their warnings
    // in the list, in place of what it held.
    {"ServerSideExpressionLeavesItsWarnings",
     {"CREATE PROCEDURE w() BEGIN DECLARE v INT DEFAULT 1; SELECT 1 / 0 AS z; SET v = (SELECT CAST('10 ' AS "
      "UNSIGNED) FROM t LIMIT 1); SHOW WARNINGS; SELECT @@warning_count AS n; END"},
     {},
     "CALL w()",
     {"z:NULL", "Level,Code,Message:Note|1292|Truncated incorrect INTEGER value: '10 '", "n:1"}},
    {"CursorOpenLeavesItsWarnings",
     {"CREATE PROCEDURE w() BEGIN DECLARE v INT DEFAULT 1; DECLARE c CURSOR FOR SELECT CAST('10 ' AS "
      "UNSIGNED) FROM t WHERE id < 3; SELECT 1 / 0 AS z; OPEN c; SHOW WARNINGS; FETCH c INTO v; SELECT "
      "@@warning_count AS n; CLOSE c; END"},
     {},
     "CALL w()",
     {"z:NULL",
      "Level,Code,Message:Note|1292|Truncated incorrect INTEGER value: '10 ';Note|1292|Truncated incorrect "
      "INTEGER value: '10 '",
      "n:2"}},
    {"LocalStoreLeavesItsWarning",
     {"SET sql_mode = ''",
      "CREATE PROCEDURE w() BEGIN DECLARE x CHAR(3); DECLARE t TINYINT; SET x = 'abcdef'; SHOW WARNINGS; "
      "SET t = 1000; SET t = 'a'; SHOW WARNINGS; SELECT @@warning_count AS n; END"},
     {},
     "CALL w()",
     {"Level,Code,Message:Warning|1265|Data truncated for column 'x' at row 0",
      "Level,Code,Message:Warning|1366|Incorrect integer value: 'a' for column ``.``.`t` at row 0", "n:1"}},
    // The message quotes a long value cut as the server cuts it, by bytes on a character boundary.
    {"LocalStoreWarningQuotesALongValueCut",
     {"SET sql_mode = ''",
      "CREATE PROCEDURE w() BEGIN DECLARE i INT; SET i = REPEAT('x', 128); SHOW WARNINGS; SET i = "
      "REPEAT('\xC3\xA9', 70); SHOW WARNINGS; END"},
     {},
     "CALL w()",
     {"Level,Code,Message:Warning|1366|Incorrect integer value: '" + std::string(128, 'x') +
          "' for column ``.``.`i` at row 0",
      "Level,Code,Message:Warning|1366|Incorrect integer value: '" + Repeated("\xC3\xA9", 62) +
          "...' for column ``.``.`i` at row 0"}},
    // A handler's statements read the condition it handles, an error as an error; after them the
    // routine reads none.
    {"HandlerReadsTheConditionItHandles",
     {"CREATE PROCEDURE h() BEGIN DECLARE x INT; DECLARE c CURSOR FOR SELECT id FROM t WHERE id = 1; "
      "DECLARE CONTINUE HANDLER FOR SQLEXCEPTION BEGIN SHOW WARNINGS; SELECT @@error_count AS e, "
      "@@warning_count AS w; END; "
      "DECLARE CONTINUE HANDLER FOR SQLWARNING BEGIN SHOW WARNINGS; SELECT @@error_count AS e, "
      "@@warning_count AS w; END; "
      "DECLARE CONTINUE HANDLER FOR NOT FOUND BEGIN SHOW WARNINGS; SELECT @@error_count AS e, "
      "@@warning_count AS w; END; "
      "SELECT 1 / 0 AS q; SELECT @@warning_count AS later; INSERT INTO t VALUES (1, 'x'); SHOW WARNINGS; "
      "OPEN c; FETCH c INTO x; FETCH c INTO x; SELECT @@error_count AS later; END"},
     {},
     "CALL h()",
     {"q:NULL", "Level,Code,Message:Warning|1365|Division by 0", "e,w:0|1", "later:0",
      "Level,Code,Message:Error|1062|Duplicate entry '1' for key 'PRIMARY'", "e,w:1|1", "Level,Code,Message:",
      "Level,Code,Message:Error|1329|No data - zero rows fetched, selected, or processed", "e,w:1|1",
      "later:0"}},
    // A stored function's warnings stay inside it and empty the caller's list; one without warnings
    // keeps it.
    {"StoredFunctionWarningsStayInside",
     {"CREATE FUNCTION f() RETURNS INT BEGIN DECLARE x INT; SET x = (SELECT CAST('5 ' AS UNSIGNED)); RETURN "
      "x; "
      "END",
      "CREATE FUNCTION g() RETURNS INT RETURN 3",
      "CREATE PROCEDURE w() BEGIN DECLARE v INT DEFAULT 1; SELECT 1 / 0 AS z; SELECT g() AS r; SHOW "
      "WARNINGS; SELECT 2 / 0 AS y; SET v = g(); SHOW WARNINGS; SET v = f(); SHOW WARNINGS; END"},
     {},
     "CALL w()",
     {"z:NULL", "r:3", "Level,Code,Message:Warning|1365|Division by 0", "y:NULL",
      "Level,Code,Message:Warning|1365|Division by 0", "Level,Code,Message:"}},
    {"HandledWarningLeavesNone",
     {"CREATE PROCEDURE w() BEGIN DECLARE h INT DEFAULT 0; DECLARE CONTINUE HANDLER FOR SQLWARNING SET h = h "
      "+ "
      "1; SELECT 1 / 0 AS q; SELECT h, @@warning_count AS w; SHOW WARNINGS; END"},
     {},
     "CALL w()",
     {"q:NULL", "h,w:1|0", "Level,Code,Message:"}},
    // Locals inside EXPLAIN are the routine's like anywhere else; DESCRIBE of a table stays as written.
    {"ExplainSeesLocals",
     {"CREATE PROCEDURE x() BEGIN DECLARE v INT DEFAULT 2; EXPLAIN SELECT id FROM t WHERE id = v; "
      "EXPLAIN EXTENDED SELECT v + 1 AS w; DESCRIBE t id; END"},
     {},
     "CALL x()",
     {"id,select_type,table,type,possible_keys,key,key_len,ref,rows,Extra:1|SIMPLE|t|const|PRIMARY|PRIMARY|4|"
      "const|1|Using index",
      "id,select_type,table,type,possible_keys,key,key_len,ref,rows,filtered,Extra:1|SIMPLE|NULL|NULL|NULL|"
      "NULL|NULL|NULL|NULL|NULL|No tables used",
      "Field,Type,Null,Key,Default,Extra:id|int(11)|NO|PRI|NULL|"}},
    // A local keeps its name and, where CAST has its type, its type: as a column of CREATE TABLE ...
    // AS SELECT and in the scale of what is computed from it.
    {"LocalsKeepTheirNameAndType",
     {"CREATE PROCEDURE k(p DECIMAL(4,1)) BEGIN DECLARE v DECIMAL(6,3) DEFAULT 1.5; DECLARE u BIGINT "
      "UNSIGNED DEFAULT 5; "
      "DECLARE d DATETIME(2) DEFAULT '2020-01-02 03:04:05'; DECLARE f DOUBLE DEFAULT 0.5; "
      "DROP TABLE IF EXISTS k; CREATE TABLE k AS SELECT v, v / 3, u, d, f, (SELECT v) AS s, `v`, p; "
      "SELECT COLUMN_NAME AS c, COLUMN_TYPE AS t FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = "
      "DATABASE() AND TABLE_NAME = 'k' ORDER BY ORDINAL_POSITION; "
      "SELECT CONCAT_WS('|', v / 3, v * v, u + 1, d + INTERVAL 1 SECOND, f / 4, p / 2) AS x FROM k; END"},
     {},
     "CALL k(2.25)",
     {"c,t:v|decimal(6,3);v / 3|decimal(10,7);u|bigint(20) unsigned;d|datetime(2);f|double;s|decimal(6,3);"
      "`v`|decimal(6,3);p|decimal(4,1)",
      // As text, which every connection shows alike.
      "x:0.5000000|2.250000|6|2020-01-02 03:04:06.00|0.125|1.15000"}},
    // A local LIMIT count reads as the server reads it: negatives wrap to huge unsigned counts, NULL is 0.
    {"LimitWithNegativeAndNullLocals",
     {"CREATE PROCEDURE l(a INT, b INT) SELECT id FROM t ORDER BY id LIMIT a, b",
      "CREATE PROCEDURE c() BEGIN CALL l(-1, 2); CALL l(1, -1); CALL l(NULL, 2); CALL l(0, NULL); END"},
     {},
     "CALL c()",
     {"id:", "id:2;3", "id:1;2", "id:"}},
    // An OUT value written back to a user variable keeps its type.
    {"OutValueKeepsUnsigned",
     {"CREATE PROCEDURE u(OUT o INT UNSIGNED) SET o = 5",
      "CREATE PROCEDURE w() BEGIN CALL u(@x); SELECT @x - 10 AS d; END"},
     {},
     "CALL w()",
     {"error 1690: BIGINT UNSIGNED value is out of range in '@`x` - 10'"}},
    // Text read as a number: a strict store fails with the server's 1292, whatever reads it.
    {"StrictStoreOfTextInArithmetic",
     {"CREATE PROCEDURE n() BEGIN DECLARE x INT; SET x = '3' + 'a'; SELECT x; END"},
     {},
     "CALL n()",
     {"error 1292: Truncated incorrect DOUBLE value: 'a'"}},
    {"StrictStoreOfTextWithADanglingExponent",
     {"CREATE PROCEDURE n() BEGIN DECLARE d DOUBLE; SET d = -'1e' * 2; SELECT d; END"},
     {},
     "CALL n()",
     {"error 1292: Truncated incorrect DOUBLE value: '1e'"}},
    {"StrictStoreOfEmptyTextInADefault",
     {"CREATE PROCEDURE n() BEGIN DECLARE d DOUBLE DEFAULT '' + 1; SELECT d; END"},
     {},
     "CALL n()",
     {"error 1292: Truncated incorrect DOUBLE value: ''"}},
    {"StrictStoreOfTextCastToSigned",
     {"CREATE PROCEDURE n() BEGIN DECLARE x INT; SET x = CAST(' 12abc' AS SIGNED); SELECT x; END"},
     {},
     "CALL n()",
     {"error 1292: Truncated incorrect INTEGER value: ' 12abc'"}},
    {"StrictStoreOfTextComparedWithAnInteger",
     {"CREATE PROCEDURE n() BEGIN DECLARE s VARCHAR(5) DEFAULT '3a'; DECLARE x INT; SET x = (s = 3); "
      "SELECT x; END"},
     {},
     "CALL n()",
     {"error 1292: Truncated incorrect DECIMAL value: '3a'"}},
    {"StrictStoreWithoutDivisionErrors",
     {"SET sql_mode = 'STRICT_ALL_TABLES'",
      "CREATE PROCEDURE n() BEGIN DECLARE x INT; SET x = 5 DIV 'a'; END"},
     {},
     "CALL n()",
     {"error 1292: Truncated incorrect DECIMAL value: 'a'"}},
    // Blanks after a number are a note, which fails no strict store; a condition only warns.
    {"TextReadAsNumberWarnsOutsideStrictStores",
     {"CREATE PROCEDURE n() BEGIN DECLARE u BIGINT UNSIGNED; DECLARE s VARCHAR(5) DEFAULT '3a'; "
      "SET u = CAST('5 ' AS UNSIGNED) + ('12 ' = 12); "
      "IF s = 3.0 AND u THEN SELECT u; END IF; SHOW WARNINGS; END"},
     {},
     "CALL n()",
     {"u:6", "Level,Code,Message:Warning|1292|Truncated incorrect DOUBLE value: '3a'"}},
    {"TextReadAsNumberInListsAndRanges",
     {"SET sql_mode = ''", "CREATE PROCEDURE n() BEGIN DECLARE s VARCHAR(5) DEFAULT '3a'; "
                           "SELECT s IN ('x', 3) AS i; SET @i = s IN ('x', 3); SHOW WARNINGS; "
                           "IF s BETWEEN 1 AND 5 THEN SHOW WARNINGS; END IF; "
                           "IF NOT 'abc' THEN SHOW WARNINGS; END IF; END"},
     {},
     "CALL n()",
     {"i:1", "Level,Code,Message:Warning|1292|Truncated incorrect DECIMAL value: '3a'",
      "Level,Code,Message:Warning|1292|Truncated incorrect DECIMAL value: '3a'",
      "Level,Code,Message:Warning|1292|Truncated incorrect DOUBLE value: 'abc'"}},
    {"TextReadAsNumberWarnsWhenNotStrict",
     {"SET sql_mode = ''",
      "CREATE PROCEDURE n() BEGIN DECLARE x INT; SET x = '3' + 'a'; SELECT x; SHOW WARNINGS; END"},
     {},
     "CALL n()",
     {"x:3", "Level,Code,Message:Warning|1292|Truncated incorrect DOUBLE value: 'a'"}},
    // The routine runs under the sql_mode it was created under, whatever the session's.
    {"RoutineKeepsItsSqlMode",
     {"SET sql_mode = 'PIPES_AS_CONCAT'", "CREATE PROCEDURE m() SELECT 'a' || 'b' AS c, @@sql_mode AS mode"},
     {"SET sql_mode = 'STRICT_ALL_TABLES'"},
     "CALL m()",
     {"c,mode:ab|PIPES_AS_CONCAT"}},
};

// Stores into DATE, DATETIME, TIMESTAMP and TIME locals keep what the server keeps and say what it says.
const TBothWaysCase kTemporalCases[] = {
    {"StrictDateStoreRefusesAnImpossibleDay",
     {"CREATE PROCEDURE d() BEGIN DECLARE x DATE; SET x = '2020-02-30'; SELECT x; END"},
     {},
     "CALL d()",
     {"error 1292: Incorrect date value: '2020-02-30' for column ``.``.`x` at row 0"}},
    {"StrictDateTimeDefaultRefusesAPartialDate",
     {"CREATE PROCEDURE d() BEGIN DECLARE x DATETIME DEFAULT '2020-02'; SELECT x; END"},
     {},
     "CALL d()",
     {"error 1292: Incorrect datetime value: '2020-02' for column ``.``.`x` at row 0"}},
    {"StrictTimestampStoreRefusesText",
     {"CREATE PROCEDURE d() BEGIN DECLARE x TIMESTAMP; SET x = CONCAT('ab', 'c'); SELECT x; END"},
     {},
     "CALL d()",
     {"error 1292: Incorrect datetime value: 'abc' for column ``.``.`x` at row 0"}},
    {"StrictTimeStoreRefusesHoursBeyondItsRange",
     {"CREATE PROCEDURE d() BEGIN DECLARE x TIME; SET x = '25:00:00'; SET @x = x; SET x = '900:00:00'; END"},
     {},
     "CALL d()",
     {"error 1292: Incorrect time value: '900:00:00' for column ``.``.`x` at row 0"}},
    {"StrictStoresTakeNumbersAsDates",
     {"CREATE PROCEDURE d() BEGIN DECLARE x DATE; DECLARE y DATETIME; DECLARE z DATE; "
      "SET x = 20200102030405; SET x = 20200102; SET y = 20200102030405; SET z = 123; "
      "SELECT x, y, z; END"},
     {},
     "CALL d()",
     // The note of the cut time part reads as a warning in the debugger (README says so).
     {"x,y,z:2020-01-02|2020-01-02 03:04:05|2000-01-23"}},
    {"NotStrictTemporalStoresWarnAndKeepZeros",
     {"SET sql_mode = ''",
      "CREATE PROCEDURE d() BEGIN DECLARE x DATE; DECLARE y DATETIME; DECLARE t TIME; "
      "DECLARE CONTINUE HANDLER FOR 1265 SELECT 'cut' AS w; DECLARE CONTINUE HANDLER FOR 1264 SELECT "
      "'range' AS w; SET x = '2020-02-30'; SET y = 'abc'; SET t = '900:00:00'; SELECT CONCAT_WS('|', x, y, "
      "t) AS v; END"},
     {},
     "CALL d()",
     {"w:cut", "w:cut", "w:range", "v:0000-00-00|0000-00-00 00:00:00|838:59:59"}},
    {"NotStrictTemporalStoreLeavesItsWarning",
     {"SET sql_mode = ''", "CREATE PROCEDURE d() BEGIN DECLARE x DATE; SET x = '2020-13-01'; SHOW WARNINGS; "
                           "SELECT CAST(x AS CHAR) AS x; END"},
     {},
     "CALL d()",
     {"Level,Code,Message:Warning|1265|Data truncated for column 'x' at row 0", "x:0000-00-00"}},
    // A store that says nothing keeps the list.
    {"TemporalStoreWithoutWarningsKeepsTheList",
     {"CREATE PROCEDURE d() BEGIN DECLARE x DATE; SELECT 1 / 0 AS z; SET x = '2020-01-02'; SHOW WARNINGS; "
      "END"},
     {},
     "CALL d()",
     {"z:NULL", "Level,Code,Message:Warning|1365|Division by 0"}},
    // A store the server refuses leaves the variable NULL, whatever its type.
    {"StrictTemporalStoreErrorGoesToAHandler",
     {"CREATE PROCEDURE d() BEGIN DECLARE x DATE DEFAULT '2020-01-01'; DECLARE CONTINUE HANDLER FOR 1292 "
      "SELECT 'bad' AS w; SET x = '2020-02-30'; SELECT x; END"},
     {},
     "CALL d()",
     {"w:bad", "x:NULL"}},
    {"RefusedStoreLeavesNull",
     {"CREATE PROCEDURE d() BEGIN DECLARE x INT DEFAULT 5; DECLARE CONTINUE HANDLER FOR 1264 "
      "SELECT 'bad' AS w; SET x = 1e20; SELECT x; END"},
     {},
     "CALL d()",
     {"w:bad", "x:NULL"}},
    // Values as text, which every connection shows alike.
    // Fractional seconds: as many digits as the type has, the rest cut (the server rounds only with
    // TIME_ROUND_FRACTIONAL), through DEFAULT, SET, INTO, arithmetic and the server's statements.
    {"FractionalSecondsKeepTheirDigits",
     {"CREATE PROCEDURE f() BEGIN DECLARE a DATETIME(6) DEFAULT '9999-12-31 23:59:59.999999'; "
      "DECLARE b DATETIME(2) DEFAULT '2020-01-02 03:04:05.678'; DECLARE c TIME(3); DECLARE d TIMESTAMP(4); "
      "DECLARE e DATETIME(3); DECLARE n DECIMAL(20,6); "
      "SET c = '-10:11:12.98765'; SELECT '2020-01-02 10:11:12.123456789' INTO d; SET e = a; "
      "SET n = b + 1; SELECT CONCAT_WS('|', a, b, c, d, e, n, a + 0) AS v, CONCAT(a, '|', b) AS t; "
      "SELECT COUNT(*) AS k FROM t WHERE a = '9999-12-31 23:59:59.999999' AND b > '2020-01-02 03:04:05.66'; "
      "END"},
     {},
     "CALL f()",
     {"v,t:9999-12-31 23:59:59.999999|2020-01-02 03:04:05.67|-10:11:12.987|"
      "2020-01-02 10:11:12.1234|9999-12-31 23:59:59.999|20200102030406.670000|99991231235959.999999|"
      "9999-12-31 23:59:59.999999|2020-01-02 03:04:05.67",
      "k:3"}},
    {"FractionalSecondsComeBackFromServerStatements",
     {"CREATE PROCEDURE f() BEGIN DECLARE a DATETIME(6) DEFAULT '2020-01-02 03:04:05.123456'; "
      "DECLARE e DATETIME(6); DECLARE g TIME(5); DECLARE h DATETIME(1); "
      "SELECT MAX(x), MAX(x), MAX(TIMEDIFF(x, '2020-01-02 00:00:00')) INTO e, h, g FROM (SELECT a AS x "
      "FROM t) q; SET a = (SELECT a + INTERVAL 1 MICROSECOND); SELECT CONCAT_WS('|', a, e, g, h, e < a) AS "
      "v; END"},
     {},
     "CALL f()",
     {"v:2020-01-02 03:04:05.123457|2020-01-02 03:04:05.123456|03:04:05.12345|"
      "2020-01-02 03:04:05.1|1"}},
    {"FractionalSecondsRoundWithTheirFlag",
     {"SET sql_mode = 'TIME_ROUND_FRACTIONAL'",
      "CREATE PROCEDURE f() BEGIN DECLARE b DATETIME(2) DEFAULT '2020-01-02 03:04:05.678'; "
      "DECLARE c TIME(1); SET c = 1.96; SELECT CONCAT_WS('|', b, c) AS v; END"},
     {},
     "CALL f()",
     {"v:2020-01-02 03:04:05.68|00:00:02.0"}},
    // Statements run on the server store into temporal locals as the server's own stores do.
    {"StrictSelectIntoRefusesTextThatIsNoDate",
     {"CREATE PROCEDURE d() BEGIN DECLARE x DATE; SELECT 'x' INTO x; SELECT x; END"},
     {},
     "CALL d()",
     {"error 1292: Incorrect date value: 'x' for column ``.``.`x` at row 1"}},
    {"NotStrictSelectIntoWarnsAndKeepsZeros",
     {"SET sql_mode = ''", "CREATE PROCEDURE d() BEGIN DECLARE x DATE; SELECT 'x' INTO x; SHOW WARNINGS; "
                           "SELECT CAST(x AS CHAR) AS x; END"},
     {},
     "CALL d()",
     {"Level,Code,Message:Warning|1265|Data truncated for column 'x' at row 1", "x:0000-00-00"}},
    {"StrictFetchRefusesAnImpossibleDay",
     {"CREATE PROCEDURE d() BEGIN DECLARE x DATE; DECLARE c CURSOR FOR SELECT '2020-02-30'; OPEN c; "
      "FETCH c INTO x; SELECT x; END"},
     {},
     "CALL d()",
     {"error 1292: Incorrect date value: '2020-02-30' for column ``.``.`x` at row 1"}},
    {"SelectIntoCutsFractionsToTheLocalsDigits",
     {"CREATE TABLE s (v DATETIME(6))", "INSERT INTO s VALUES ('2020-01-02 03:04:05.678901')",
      "CREATE PROCEDURE d() BEGIN DECLARE x DATETIME(2); DECLARE y DATETIME(2); SELECT v, v INTO x, y FROM "
      "s; "
      "SET y = y + INTERVAL 0 SECOND; SELECT CONCAT_WS('|', x, y, x = y) AS v; END"},
     {},
     "CALL d()",
     {"v:2020-01-02 03:04:05.67|2020-01-02 03:04:05.67|1"}},
};

class ServerSemanticsTest : public testing::TestWithParam<TBothWaysCase> {};

TEST_P(ServerSemanticsTest, DebuggerCallsAsTheServerDoes) {
    const auto& settings = VELTRANE_REQUIRE_SERVER();
    const TBothWaysCase& c = GetParam();
    TScenarioDatabase database(settings, std::string("sem_") + c.name);
    for (const std::string& sql : c.setup)
        database.Execute(sql);
    database.Execute("SET sql_mode = DEFAULT");

    const auto server = database.Connect();
    for (const std::string& sql : c.session)
        server->ExecSQL(sql);
    EXPECT_THAT(CallOnServer(*server, c.call), testing::ElementsAreArray(c.expected)) << "server";

    TDBAProgramRunner runner(database.Connect());
    for (const std::string& sql : c.session)
        runner.connection->ExecSQL(sql);
    EXPECT_THAT(CallUnderTheDebugger(runner, c.call), testing::ElementsAreArray(c.expected)) << "debugger";
}

INSTANTIATE_TEST_SUITE_P(Cases, ServerSemanticsTest, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });
INSTANTIATE_TEST_SUITE_P(Temporal, ServerSemanticsTest, testing::ValuesIn(kTemporalCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace engine

namespace engine {
namespace {

// What the routine's own statements leave in its warning list when the debugger computes them.
const TBothWaysCase kRoutineWarningCases[] = {
    // A CASE reads its selector and each WHEN as a comparison does; text against text reads no number.
    // Each WHEN of a CASE statement is a statement of its own, whose warning replaces the list.
    {"CaseStatementComparesTextAsNumbers",
     {"CREATE PROCEDURE n() BEGIN DECLARE s VARCHAR(5) DEFAULT 'abc'; DECLARE i INT DEFAULT 3; "
      "CASE s WHEN 2.5 THEN SELECT 'm' AS c; ELSE SELECT 'e' AS c; END CASE; SHOW WARNINGS; "
      "CASE s WHEN 2e0 THEN SELECT 'm' AS c; WHEN 3 THEN SELECT 'n' AS c; ELSE SELECT 'e' AS c; END CASE; "
      "SHOW WARNINGS; CASE i WHEN '3x' THEN SELECT 'three' AS c; END CASE; SHOW WARNINGS; "
      "CASE s WHEN 'abc' THEN SELECT 'same' AS c; END CASE; SELECT @@warning_count AS w; "
      "CASE NULL WHEN 'x' THEN SELECT 'null' AS c; ELSE SELECT 'no' AS c; END CASE; END"},
     {},
     "CALL n()",
     {"c:e", "Level,Code,Message:Warning|1292|Truncated incorrect DOUBLE value: 'abc'", "c:e",
      "Level,Code,Message:Warning|1292|Truncated incorrect DECIMAL value: 'abc'", "c:three",
      "Level,Code,Message:Warning|1292|Truncated incorrect DECIMAL value: '3x'", "c:same", "w:1", "c:no"}},
    // A CASE expression reads its selector once for each kind of comparison; a strict store fails.
    {"CaseExpressionComparesTextAsNumbers",
     {"SET sql_mode = ''",
      "CREATE PROCEDURE n() BEGIN DECLARE s VARCHAR(5) DEFAULT 'abc'; DECLARE r INT; "
      "SET r = CASE s WHEN 'x' THEN 1 WHEN 1 THEN 2 WHEN 2 THEN 3 ELSE 4 END; SHOW WARNINGS; "
      "SET r = r + CASE WHEN '1z' THEN 10 ELSE 20 END; SHOW WARNINGS; SELECT r; END"},
     {},
     "CALL n()",
     {"Level,Code,Message:Warning|1292|Truncated incorrect DECIMAL value: 'abc'",
      "Level,Code,Message:Warning|1292|Truncated incorrect DOUBLE value: '1z'", "r:14"}},
    {"CaseExpressionInAStrictStore",
     {"CREATE PROCEDURE n() BEGIN DECLARE s VARCHAR(5) DEFAULT 'abc'; DECLARE r INT; "
      "SET r = CASE s WHEN 1 THEN 1 ELSE 2 END; END"},
     {},
     "CALL n()",
     {"error 1292: Truncated incorrect DECIMAL value: 'abc'"}},
    // A condition that is text alone reads it as a DOUBLE, and warns even in a strict routine.
    {"TextAloneAsACondition",
     {"CREATE PROCEDURE n() BEGIN DECLARE k INT DEFAULT 0; "
      "IF 'abc' THEN SELECT 'yes' AS c; END IF; SHOW WARNINGS; "
      "WHILE '0x' DO SELECT 'loop' AS c; END WHILE; SHOW WARNINGS; "
      "REPEAT SET k = k + 1; UNTIL '1abc' END REPEAT; SHOW WARNINGS; "
      "IF 'x' THEN SELECT 'a' AS c; ELSEIF '1y' THEN SELECT 'b' AS c; END IF; SHOW WARNINGS; SELECT k; END"},
     {},
     "CALL n()",
     {"Level,Code,Message:Warning|1292|Truncated incorrect DOUBLE value: 'abc'",
      "Level,Code,Message:Warning|1292|Truncated incorrect DOUBLE value: '0x'",
      "Level,Code,Message:Warning|1292|Truncated incorrect DOUBLE value: '1abc'", "c:b",
      "Level,Code,Message:Warning|1292|Truncated incorrect DOUBLE value: '1y'", "k:1"}},
    // A CONTINUE handler that takes what a flow statement raised deciding goes on after that statement.
    {"TextAloneAsAConditionActivatesHandlers",
     {"CREATE PROCEDURE n() BEGIN DECLARE k INT DEFAULT 0; DECLARE CONTINUE HANDLER FOR 1292 SET k = k + 1; "
      "IF 'abc' THEN SET k = 100; END IF; CASE 'abc' WHEN 0 THEN SET k = k + 10; END CASE; "
      "WHILE k < 20 AND '2x' DO SET k = k + 5; END WHILE; SELECT k; END"},
     {},
     "CALL n()",
     {"k:3"}},
    // A statement computed on the client leaves every note and warning it raised, in order, with its
    // level; an assignment's value says its part before the store.
    {"StatementLeavesAllItsConditionsInOrder",
     {"SET sql_mode = ''",
      "CREATE PROCEDURE w() BEGIN DECLARE t TINYINT; DECLARE d DOUBLE; SET t = ' 1 ' + 'x' + 1000; "
      "SHOW WARNINGS; SELECT @@warning_count AS n; SET d = CAST('7 ' AS SIGNED) + CAST(' 8' AS DECIMAL); "
      "SHOW WARNINGS; SELECT d; END"},
     {},
     "CALL w()",
     {"Level,Code,Message:Note|1292|Truncated incorrect DOUBLE value: ' 1 ';Warning|1292|Truncated incorrect "
      "DOUBLE value: 'x';Warning|1264|Out of range value for column 't' at row 0",
      "n:3", "Level,Code,Message:Note|1292|Truncated incorrect INTEGER value: '7 '", "d:15"}},
    // Each declaration and each item of a multiple SET is a statement of its own.
    {"EachDeclarationAndSetItemLeavesItsOwn",
     {"SET sql_mode = ''",
      "CREATE PROCEDURE w() BEGIN DECLARE a CHAR(1) DEFAULT 'xy'; DECLARE b TINYINT DEFAULT 300; "
      "SHOW WARNINGS; SET a = 'pq', b = 'z' + 400; SHOW WARNINGS; END"},
     {},
     "CALL w()",
     {"Level,Code,Message:Warning|1264|Out of range value for column 'b' at row 0",
      "Level,Code,Message:Warning|1292|Truncated incorrect DOUBLE value: 'z';Warning|1264|Out of range value "
      "for column 'b' at row 0"}},
    // A handler that takes a note reads a note, whether the server or the client raised it.
    {"HandlerReadsTheNoteItHandles",
     {"CREATE PROCEDURE w() BEGIN DECLARE d DOUBLE; DECLARE CONTINUE HANDLER FOR 1292 SHOW WARNINGS; "
      "SET d = ' 3 ' + 1; SELECT CAST('10 ' AS UNSIGNED) AS s; SELECT d; END"},
     {},
     "CALL w()",
     {"Level,Code,Message:Note|1292|Truncated incorrect DOUBLE value: ' 3 '", "s:10",
      "Level,Code,Message:Note|1292|Truncated incorrect INTEGER value: '10 '", "d:4"}},
    // An expression the server computes keeps the list when it raises nothing, even reading a table.
    {"ServerSideExpressionRaisingNothingKeepsTheList",
     {"CREATE PROCEDURE w() BEGIN DECLARE v INT; SELECT 1 / 0 AS z, CAST('4 ' AS SIGNED) AS n; "
      "SET v = (SELECT id FROM t ORDER BY id LIMIT 1); SHOW WARNINGS; "
      "IF EXISTS (SELECT 1 FROM t) THEN SELECT @@warning_count AS w, v; END IF; "
      "SET v = (SELECT CAST('5 ' AS UNSIGNED) FROM t LIMIT 1); SHOW WARNINGS; "
      "SELECT 2 / 0 AS y; SET @u = 5, v = (SELECT id FROM t ORDER BY id LIMIT 1); "
      "SELECT @@warning_count AS w, v + @u AS s; END"},
     {},
     "CALL w()",
     {"z,n:NULL|4",
      "Level,Code,Message:Warning|1365|Division by 0;Note|1292|Truncated incorrect INTEGER value: '4 '",
      "w,v:2|1", "Level,Code,Message:Note|1292|Truncated incorrect INTEGER value: '5 '", "y:NULL",
      "w,s:1|6"}},
    // A stored function stepped into that raises nothing leaves the caller's list as its statements
    // leave it: kept by a SET from a table, emptied by a SELECT from one; none of it is raised again.
    {"StoredFunctionRaisingNothingLeavesTheList",
     {"CREATE FUNCTION g() RETURNS INT BEGIN DECLARE c INT; SELECT COUNT(*) INTO c FROM t; RETURN c; END",
      "CREATE FUNCTION h() RETURNS INT BEGIN DECLARE c INT; SET c = (SELECT COUNT(*) FROM t); RETURN c; END",
      "CREATE PROCEDURE w() BEGIN DECLARE v INT; DECLARE k INT DEFAULT 0; SELECT 1 / 0 AS z; "
      "BEGIN DECLARE CONTINUE HANDLER FOR 1365 SET k = k + 1; SET v = h(); END; SHOW WARNINGS; "
      "SET v = g(); SHOW WARNINGS; SELECT k, v; END"},
     {},
     "CALL w()",
     {"z:NULL", "Level,Code,Message:Warning|1365|Division by 0", "Level,Code,Message:", "k,v:0|3"}},
};

INSTANTIATE_TEST_SUITE_P(RoutineWarnings, ServerSemanticsTest, testing::ValuesIn(kRoutineWarningCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace engine
