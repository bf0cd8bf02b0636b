#include "SQLTreeTesting.h"

#include "parser/uSQLRoutines.h"
#include "parser/uSQLStatements.h"
#include "support/TestServer.h"

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace parser {
namespace {

using namespace parser::testing;

// Routines as a user writes them: every kind of handler, cursors, all loop forms with labels, nested
// blocks, SIGNAL and RESIGNAL with items, CASE statements and expressions, DML with joins and
// sub-queries, string functions with character sets, comments of every form, non-ASCII names and
// literals, and server statements passed on as written. "{db}" stands for the test database.
struct TCorpusRoutine {
    const char* kind;
    const char* name;
    int passThrough; // statements the server runs as written
    const char* text;
};

const TCorpusRoutine kCorpus[] = {
    {"PROCEDURE", "routinecorpus_handlers", 0,
     R"sql(CREATE PROCEDURE routinecorpus_handlers(IN p_id INT, OUT p_status VARCHAR(20))
MODIFIES SQL DATA
BEGIN
  DECLARE dup_key CONDITION FOR 1062;
  DECLARE bad_state CONDITION FOR SQLSTATE '45000';
  DECLARE done INT DEFAULT 0;
  DECLARE CONTINUE HANDLER FOR SQLSTATE '23000', 1062, NOT FOUND, SQLWARNING, SQLEXCEPTION, bad_state SET done = 1;
  BEGIN
    DECLARE EXIT HANDLER FOR dup_key
    BEGIN
      SET p_status = 'duplicate';
    END;
    DECLARE CONTINUE HANDLER FOR SQLSTATE VALUE '01000' SET done = 2;
    INSERT INTO routinecorpus_items (id, name) VALUES (p_id, 'first');
  END;
  SET p_status = IF(done = 0, 'ok', 'handled');
END)sql"},
    {"PROCEDURE", "routinecorpus_cursor", 0,
     R"sql(CREATE PROCEDURE routinecorpus_cursor(OUT p_total DECIMAL(12,2))
READS SQL DATA
BEGIN
  DECLARE v_done BOOLEAN DEFAULT FALSE;
  DECLARE v_qty, v_count INT DEFAULT 0;
  DECLARE v_price DECIMAL(10,2);
  DECLARE c_items CURSOR FOR SELECT qty, price FROM routinecorpus_items WHERE qty > 0 ORDER BY id;
  DECLARE CONTINUE HANDLER FOR NOT FOUND SET v_done = TRUE;
  SET p_total = 0;
  OPEN c_items;
  read_loop: LOOP
    FETCH c_items INTO v_qty, v_price;
    IF v_done THEN
      LEAVE read_loop;
    END IF;
    SET p_total = p_total + v_qty * IFNULL(v_price, 0), v_count = v_count + 1;
  END LOOP read_loop;
  CLOSE c_items;
  OPEN c_items;
  FETCH NEXT FROM c_items INTO v_qty, v_price;
  FETCH FROM c_items INTO v_qty, v_price;
  CLOSE c_items;
END)sql"},
    {"PROCEDURE", "routinecorpus_loops", 0, R"sql(CREATE PROCEDURE routinecorpus_loops(INOUT p_n INT)
BEGIN
  DECLARE i INT DEFAULT 0;
  outer_loop: WHILE i < p_n DO
    SET i = i + 1;
    IF i % 2 = 0 THEN
      ITERATE outer_loop;
    END IF;
    counting: REPEAT
      SET p_n = p_n - 1;
    UNTIL p_n <= i END REPEAT counting;
  END WHILE outer_loop;
  plain: LOOP
    LEAVE plain;
  END LOOP;
  WHILE FALSE DO
    SET i = 0;
  END WHILE;
  REPEAT SET i = i - 1; UNTIL i < 0 END REPEAT;
END)sql"},
    {"PROCEDURE", "routinecorpus_nested", 0, R"sql(CREATE PROCEDURE routinecorpus_nested()
outer_block: BEGIN
  DECLARE x INT DEFAULT 1;
  inner_block: BEGIN
    DECLARE x INT DEFAULT 2;
    BEGIN
      DECLARE y VARCHAR(10) DEFAULT 'deep';
      SELECT x, y;
    END;
    IF x = 2 THEN LEAVE inner_block; END IF;
  END inner_block;
  BEGIN END;
  Lbl: BEGIN
    LEAVE LBL;
  END lbl;
  SELECT x;
END outer_block)sql"},
    {"PROCEDURE", "routinecorpus_signals", 0, R"sql(CREATE PROCEDURE routinecorpus_signals(IN p_code INT)
BEGIN
  DECLARE not_found CONDITION FOR SQLSTATE '02000';
  DECLARE custom_error CONDITION FOR SQLSTATE '45001';
  DECLARE EXIT HANDLER FOR custom_error
  BEGIN
    RESIGNAL SET MESSAGE_TEXT = 'rewritten', MYSQL_ERRNO = 5001;
  END;
  DECLARE EXIT HANDLER FOR SQLEXCEPTION
  BEGIN
    RESIGNAL;
  END;
  DECLARE CONTINUE HANDLER FOR not_found
    RESIGNAL not_found SET CLASS_ORIGIN = 'rc', SUBCLASS_ORIGIN = 'rc', CONSTRAINT_CATALOG = 'c',
      CONSTRAINT_SCHEMA = 's', CONSTRAINT_NAME = 'n', CATALOG_NAME = 'k', SCHEMA_NAME = 'sc',
      TABLE_NAME = 't', COLUMN_NAME = 'col', CURSOR_NAME = 'cur';
  CASE p_code
    WHEN 1 THEN SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'Code one', MYSQL_ERRNO = 1644;
    WHEN 2 THEN SIGNAL custom_error;
    WHEN 3 THEN SIGNAL SQLSTATE VALUE '01000' SET MESSAGE_TEXT = 'warn';
    ELSE SIGNAL not_found;
  END CASE;
END)sql"},
    {"FUNCTION", "routinecorpus_case", 0,
     R"sql(CREATE FUNCTION routinecorpus_case(p_score INT) RETURNS varchar(20) CHARSET utf8mb4
DETERMINISTIC NO SQL
BEGIN
  DECLARE v_grade VARCHAR(20);
  CASE
    WHEN p_score >= 90 THEN SET v_grade = 'A';
    WHEN p_score BETWEEN 75 AND 89 THEN SET v_grade = 'B';
    ELSE SET v_grade = NULL;
  END CASE;
  CASE p_score WHEN 0 THEN SET v_grade = 'zero'; ELSE BEGIN END; END CASE;
  RETURN CASE WHEN v_grade IS NULL THEN CASE p_score WHEN -1 THEN 'neg' ELSE 'F' END ELSE v_grade END;
END)sql"},
    {"PROCEDURE", "routinecorpus_dml", 0,
     R"sql(CREATE PROCEDURE routinecorpus_dml(IN p_id INT, IN p_name VARCHAR(50))
MODIFIES SQL DATA
BEGIN
  INSERT INTO routinecorpus_items (id, name, qty) VALUES (p_id, p_name, 1), (p_id + 1000, CONCAT(p_name, '-2'), DEFAULT)
    ON DUPLICATE KEY UPDATE qty = qty + 1, name = VALUES(name);
  INSERT IGNORE INTO routinecorpus_log SET item_id = p_id, msg = 'inserted', at = NOW();
  INSERT INTO routinecorpus_log (item_id, msg) SELECT i.id, i.name FROM routinecorpus_items i LEFT JOIN routinecorpus_log l ON l.item_id = i.id WHERE l.id IS NULL;
  REPLACE routinecorpus_items VALUES (p_id + 2000, 'replaced', 0, NULL);
  UPDATE routinecorpus_items i JOIN routinecorpus_log l ON l.item_id = i.id SET i.qty = i.qty + 1, l.msg = 'updated' WHERE i.id = p_id;
  UPDATE LOW_PRIORITY routinecorpus_items SET qty = 0 WHERE qty < 0 ORDER BY id LIMIT 10;
  DELETE FROM routinecorpus_log WHERE item_id NOT IN (SELECT id FROM routinecorpus_items) AND at < NOW() - INTERVAL 1 DAY;
  DELETE l FROM routinecorpus_log l INNER JOIN routinecorpus_items i ON i.id = l.item_id WHERE i.qty = 0;
  DELETE FROM routinecorpus_log USING routinecorpus_log, routinecorpus_items WHERE routinecorpus_log.item_id = routinecorpus_items.id AND routinecorpus_items.qty > 100;
  DELETE QUICK FROM routinecorpus_log ORDER BY id DESC LIMIT 5;
END)sql"},
    {"FUNCTION", "routinecorpus_strings", 0,
     R"sql(CREATE FUNCTION routinecorpus_strings(p_in TEXT CHARSET latin1, p_sep CHAR(1)) RETURNS text CHARSET utf8mb4 COLLATE utf8mb4_unicode_ci
    DETERMINISTIC
    COMMENT 'string functions'
BEGIN
  DECLARE v_out TEXT CHARACTER SET utf8mb4 DEFAULT '';
  SET v_out = CONCAT_WS(p_sep, UPPER(p_in), LOWER(p_in), SUBSTRING(p_in FROM 2 FOR 3), TRIM(LEADING 'x' FROM p_in));
  SET v_out = CONCAT(v_out, _utf8mb4'literal' COLLATE utf8mb4_bin, CONVERT(p_in USING utf8mb4), CAST(p_in AS CHAR(10)));
  RETURN REPLACE(v_out, 'a', 'b');
END)sql"},
    {"FUNCTION", "routinecorpus_comments", 0,
     R"sql(CREATE FUNCTION routinecorpus_comments(a INT) RETURNS int(11)
DETERMINISTIC
BEGIN
  -- a dash comment
  # a hash comment
  /* a block
     comment over two lines */
  DECLARE b INT DEFAULT 0; -- trailing
  SET b = a /* inline */ + 1; # trailing hash
  RETURN b;
END)sql"},
    {"PROCEDURE", "routinecorpus_ünïcode", 0,
     R"sql(CREATE PROCEDURE `routinecorpus_ünïcode`(IN `名前` VARCHAR(30), OUT `résultat` TEXT)
BEGIN
  DECLARE `Größe` INT DEFAULT 42;
  SET `résultat` = CONCAT('Grüße, ', `名前`, ' — 😀 ', `Größe`, ' ✓');
  SELECT 'ünïcödé' AS `spalte_ä`, `名前`;
END)sql"},
    {"PROCEDURE", "routinecorpus_characteristics", 0,
     R"sql(CREATE DEFINER=CURRENT_USER PROCEDURE routinecorpus_characteristics()
    LANGUAGE SQL
    NOT DETERMINISTIC
    CONTAINS SQL
    SQL SECURITY INVOKER
    COMMENT 'all characteristics'
BEGIN
  DO SLEEP(0);
END)sql"},
    {"PROCEDURE", "routinecorpus_select", 0,
     R"sql(CREATE PROCEDURE routinecorpus_select(IN p_min INT, OUT p_cnt INT, OUT p_name VARCHAR(50))
READS SQL DATA
BEGIN
  SELECT COUNT(*) INTO p_cnt FROM routinecorpus_items WHERE qty >= p_min;
  SELECT name INTO p_name FROM routinecorpus_items WHERE qty >= p_min ORDER BY qty DESC LIMIT 1;
  SELECT i.id, i.name AS item_name, COALESCE(SUM(l.id), 0) total
    FROM routinecorpus_items AS i LEFT OUTER JOIN routinecorpus_log l ON l.item_id = i.id
    WHERE i.id IN (SELECT item_id FROM routinecorpus_log) OR EXISTS (SELECT 1 FROM routinecorpus_log WHERE routinecorpus_log.item_id = i.id)
    GROUP BY i.id, i.name WITH ROLLUP
    HAVING COUNT(*) > 0;
  SELECT DISTINCT a.name FROM (SELECT name FROM routinecorpus_items) AS a UNION ALL SELECT msg FROM routinecorpus_log;
  SELECT SQL_CALC_FOUND_ROWS id FROM routinecorpus_items LIMIT 5;
  SELECT id FROM routinecorpus_items WHERE id = p_min FOR UPDATE;
  SELECT id FROM routinecorpus_items WHERE id = p_min LOCK IN SHARE MODE;
  SELECT id FROM routinecorpus_items FORCE INDEX (PRIMARY) WHERE id > 0 LIMIT 1 INTO p_cnt;
END)sql"},
    {"PROCEDURE", "routinecorpus_passthrough", 17, R"sql(CREATE PROCEDURE routinecorpus_passthrough()
BEGIN
  CREATE TEMPORARY TABLE IF NOT EXISTS routinecorpus_tmp (a INT);
  CREATE TEMPORARY TABLE IF NOT EXISTS routinecorpus_tmp2 AS SELECT id FROM routinecorpus_items;
  TRUNCATE TABLE routinecorpus_tmp;
  DROP TEMPORARY TABLE IF EXISTS routinecorpus_tmp;
  DROP TEMPORARY TABLE IF EXISTS routinecorpus_tmp2;
  START TRANSACTION;
  SAVEPOINT sp1;
  ROLLBACK TO SAVEPOINT sp1;
  RELEASE SAVEPOINT sp1;
  COMMIT;
  SET @dyn = 'SELECT 1';
  PREPARE stmt FROM @dyn;
  EXECUTE stmt;
  DEALLOCATE PREPARE stmt;
  SET SESSION sql_notes = 1;
  SET @@session.sql_notes = 1;
  SET NAMES utf8mb4;
  SET NAMES 'utf8mb4' COLLATE 'utf8mb4_general_ci';
  SET CHARACTER SET utf8mb4;
  SHOW TABLES;
  ANALYZE TABLE routinecorpus_items;
END)sql"},
    {"FUNCTION", "routinecorpus_simple", 0, R"sql(CREATE FUNCTION routinecorpus_simple(x INT) RETURNS int(11)
    DETERMINISTIC
RETURN x * 2 + 1)sql"},
    {"PROCEDURE", "routinecorpus_calls", 0, R"sql(CREATE PROCEDURE routinecorpus_calls(IN p INT)
BEGIN
  DECLARE v INT DEFAULT 0;
  DECLARE s VARCHAR(20);
  CALL routinecorpus_nested;
  CALL routinecorpus_nested();
  CALL routinecorpus_loops(v);
  CALL {db}.routinecorpus_handlers(p + 1, s);
  SET v = routinecorpus_simple(p) + {db}.routinecorpus_simple(1);
  SET @u := routinecorpus_simple(v), v := @u;
  RETURN_LABEL: BEGIN END RETURN_LABEL;
END)sql"},
    {"FUNCTION", "routinecorpus_ifchain", 0,
     R"sql(CREATE FUNCTION routinecorpus_ifchain(a INT, b INT) RETURNS varchar(10) CHARSET latin1
DETERMINISTIC
BEGIN
  IF a > b THEN RETURN 'gt';
  ELSEIF a < b THEN RETURN 'lt';
  ELSEIF a IS NULL OR b IS NULL THEN RETURN NULL;
  ELSE RETURN 'eq';
  END IF;
END)sql"},
    {"PROCEDURE", "routinecorpus_expressions", 0,
     R"sql(CREATE PROCEDURE routinecorpus_expressions(IN a INT, IN s VARCHAR(100))
BEGIN
  DECLARE r DOUBLE;
  DECLARE d DATETIME DEFAULT NOW();
  SET r = (a + 1) * 2 / 3 - a DIV 2 + a MOD 3 + (a % 4);
  SET r = a << 2 | a >> 1 & ~a ^ 5;
  SET r = a IN (1, 2, 3) AND a NOT BETWEEN 5 AND 10 OR s LIKE 'a%' ESCAPE '\\' XOR s REGEXP '^x';
  SET r = s IS NOT NULL AND NOT (a <=> NULL) AND a != 3 AND a <> 4;
  SET d = d + INTERVAL 1 DAY - INTERVAL 2 HOUR;
  SET r = EXTRACT(YEAR FROM d);
END)sql"},
    {"PROCEDURE", "routinecorpus_with_dml_subqueries", 0,
     R"sql(CREATE PROCEDURE routinecorpus_with_dml_subqueries(IN p_id INT)
BEGIN
  UPDATE routinecorpus_items SET qty = (SELECT COUNT(*) FROM routinecorpus_log WHERE item_id = p_id) WHERE id = p_id;
  INSERT INTO routinecorpus_log (item_id, msg, at) VALUES (p_id, (SELECT name FROM routinecorpus_items WHERE id = p_id), CURRENT_TIMESTAMP);
  DELETE FROM routinecorpus_log WHERE id IN (SELECT id FROM (SELECT id FROM routinecorpus_log ORDER BY id LIMIT 1) AS x);
  SELECT GROUP_CONCAT(DISTINCT name ORDER BY name SEPARATOR ', ') FROM routinecorpus_items;
END)sql"},
    {"PROCEDURE", "routinecorpus_main_like", 0, R"sql(CREATE PROCEDURE routinecorpus_main_like()
BEGIN
  DECLARE n INT DEFAULT 3;
  CALL routinecorpus_loops(n);
  SELECT n;
END)sql"},
    {"FUNCTION", "routinecorpus_join_names", 0,
     R"sql(CREATE FUNCTION routinecorpus_join_names(p_sep VARCHAR(5)) RETURNS varchar(1000) CHARSET utf8mb4 COLLATE utf8mb4_general_ci
READS SQL DATA
BEGIN
  DECLARE v_result VARCHAR(1000) DEFAULT '';
  DECLARE v_name VARCHAR(50);
  DECLARE v_end TINYINT(1) DEFAULT 0;
  DECLARE c CURSOR FOR SELECT i.name FROM routinecorpus_items i WHERE i.name IS NOT NULL ORDER BY i.name;
  DECLARE CONTINUE HANDLER FOR NOT FOUND SET v_end = 1;
  OPEN c;
  fetching: REPEAT
    FETCH c INTO v_name;
    IF NOT v_end THEN
      SET v_result = IF(v_result = '', v_name, CONCAT(v_result, p_sep, v_name));
    END IF;
  UNTIL v_end END REPEAT fetching;
  CLOSE c;
  RETURN v_result;
END)sql"},
    {"FUNCTION", "routinecorpus_types", 0,
     R"sql(CREATE FUNCTION routinecorpus_types(a BIGINT UNSIGNED, b DOUBLE, c DATETIME, d ENUM('x','y'), e SET('p','q'), f BLOB, g DECIMAL(8,3), h TINYINT) RETURNS decimal(12,4)
DETERMINISTIC
RETURN a + b + g + h)sql"},
    {"PROCEDURE", "routinecorpus_single_statement", 0,
     R"sql(CREATE PROCEDURE routinecorpus_single_statement(IN p INT)
SELECT p + 1 AS next_value)sql"},
    {"PROCEDURE", "routinecorpus_transaction", 3,
     R"sql(CREATE PROCEDURE routinecorpus_transaction(IN p_id INT)
MODIFIES SQL DATA
BEGIN
  DECLARE EXIT HANDLER FOR SQLEXCEPTION
  BEGIN
    ROLLBACK;
    RESIGNAL;
  END;
  START TRANSACTION;
  UPDATE routinecorpus_items SET qty = qty - 1 WHERE id = p_id AND qty > 0;
  IF ROW_COUNT() = 0 THEN
    SIGNAL SQLSTATE '45000' SET MYSQL_ERRNO = 30001, MESSAGE_TEXT = 'Out of stock';
  END IF;
  INSERT INTO routinecorpus_log (item_id, msg, at) VALUE (p_id, 'sold', NOW());
  COMMIT;
END)sql"},
    {"PROCEDURE", "routinecorpus_empty", 0, R"sql(CREATE PROCEDURE routinecorpus_empty()
BEGIN
END)sql"},
};

std::string Unquoted(std::string name) {
    if (name.size() >= 2 && name.front() == '`' && name.back() == '`') name = name.substr(1, name.size() - 2);
    return name;
}

std::string WithDatabase(std::string text, const std::string& database) {
    for (size_t at; (at = text.find("{db}")) != std::string::npos;)
        text.replace(at, 4, database);
    return text;
}

struct TPassThroughCounter : TSQLProductionVisitor {
    int count = 0;
    void VisitGrmDishonestStatement(TSQLProduction* production) override { ++count; }
};

class RoutineCorpusTest : public ::testing::Test {
protected:
    void CreateCorpus(testsupport::RawSession& session, const std::string& database) {
        session.Execute(
            "CREATE TABLE IF NOT EXISTS routinecorpus_items (id INT PRIMARY KEY, name VARCHAR(50), "
            "qty INT DEFAULT 0, price DECIMAL(10,2))");
        session.Execute("CREATE TABLE IF NOT EXISTS routinecorpus_log (id INT AUTO_INCREMENT PRIMARY KEY, "
                        "item_id INT, msg TEXT, at DATETIME)");
        for (const TCorpusRoutine& routine : kCorpus) {
            session.Execute(std::string("DROP ") + routine.kind + " IF EXISTS `" + routine.name + "`");
            session.Execute(WithDatabase(routine.text, database));
        }
    }

    std::string ShowCreate(testsupport::RawSession& session, const TCorpusRoutine& routine) {
        auto rows = session.Query(std::string("SHOW CREATE ") + routine.kind + " `" + routine.name + "`");
        if (rows.size() != 1 || rows[0].size() < 3 || !rows[0][2]) throw std::runtime_error("no text");
        return *rows[0][2];
    }

    // (mode, name) of the parameters, as the server lists them; a function's have no mode.
    std::vector<std::pair<std::string, std::string>> ServerParameters(testsupport::RawSession& session,
                                                                      const std::string& database,
                                                                      const TCorpusRoutine& routine) {
        std::vector<std::pair<std::string, std::string>> parameters;
        for (const auto& row :
             session.Query("SELECT PARAMETER_MODE, PARAMETER_NAME FROM information_schema.PARAMETERS "
                           "WHERE SPECIFIC_SCHEMA = '" +
                           database + "' AND SPECIFIC_NAME = '" + routine.name +
                           "' AND ORDINAL_POSITION > 0 ORDER BY ORDINAL_POSITION"))
            parameters.emplace_back(row[0].value_or("IN"), row[1].value_or(""));
        return parameters;
    }
};

// Every routine text the server hands back parses as a routine, to its end, and the header alone
// gives the routine's kind, name and parameters.
TEST_F(RoutineCorpusTest, ShowCreateTextsParse) {
    const testsupport::ServerSettings settings = VELTRANE_REQUIRE_SERVER();
    testsupport::RawSession session(settings, settings.database);
    CreateCorpus(session, settings.database);
    ASSERT_GE(std::size(kCorpus), 20u);

    for (const TCorpusRoutine& routine : kCorpus) {
        SCOPED_TRACE(routine.name);
        const std::string text = ShowCreate(session, routine);
        const bool function = std::string(routine.kind) == "FUNCTION";

        std::unique_ptr<TMySqlGrammar> grammar;
        ASSERT_NO_THROW(grammar = ParseMySql(text, pmStatements)) << SyntaxError(text, pmStatements) << "\n"
                                                                  << text;
        auto* parsed = dynamic_cast<TgrmCreateRoutine*>(grammar->Children()[0]);
        ASSERT_NE(parsed, nullptr) << "not parsed as a routine: " << grammar->Children()[0]->Name();
        EXPECT_EQ(parsed->IsFunction(), function);
        ASSERT_NE(parsed->GetBody(), nullptr);
        // Every declared type is one the compiler can read.
        std::vector<TgrmParameterDefinition*> definitions;
        parsed->GetParameters(&definitions);
        for (const TgrmParameterDefinition* definition : definitions)
            EXPECT_NO_THROW(definition->GetDataType()) << definition->GetName();
        if (function) {
            EXPECT_NE(parsed->GetReturnType().DataType, core::dtUnknown);
        }
        TPassThroughCounter passThrough;
        grammar->Accept(passThrough);
        EXPECT_EQ(passThrough.count, routine.passThrough);

        auto header = ParseMySql(text, pmRoutineHeader);
        auto& routineHeader = RootOf<TgrmRoutineHeader>(*header);
        EXPECT_EQ(routineHeader.GetRoutineType(), routine.kind);
        EXPECT_EQ(Unquoted(routineHeader.GetRoutineName()), routine.name);
        std::vector<TgrmParameterDefinition*> headerParameters;
        routineHeader.GetParameters(&headerParameters);
        std::vector<std::pair<std::string, std::string>> parameters;
        for (const TgrmParameterDefinition* definition : headerParameters)
            parameters.emplace_back(definition->GetScope(), Unquoted(definition->GetName()));
        EXPECT_EQ(parameters, ServerParameters(session, settings.database, routine));
    }
}

// The whole tree in one line: each symbol's class and where it ends, with the token of a terminal.
void AppendTree(const TSymbol& symbol, std::string& out) {
    out += symbol.Name();
    out += '@' + std::to_string(symbol.EndIndex());
    if (const auto* terminal = dynamic_cast<const TTerminal*>(&symbol)) {
        out += '=' + std::to_string(terminal->Token() ? terminal->Token()->Index() : -1);
    } else if (const auto* production = dynamic_cast<const TProduction*>(&symbol)) {
        out += '(';
        for (const TSymbol* child : production->Children()) {
            AppendTree(*child, out);
            out += ' ';
        }
        out += ')';
    }
}

// The tree a parse builds, or its error with the position it names.
std::string ParseOutcome(const std::string& text, bool tolerant) {
    TMySqlGrammar grammar;
    grammar.SetParseMode(pmStatements);
    grammar.SetTolerant(tolerant);
    try {
        GrammarParserCache().GetParser<TMySqlGrammar>().Parse(grammar, rtl::Utf8ToUtf16(text));
    } catch (const EGrammarError& e) {
        return e.Message() + " " + std::to_string(e.StartPosition()) + "-" + std::to_string(e.EndPosition());
    }
    std::string tree;
    AppendTree(grammar, tree);
    return tree;
}

std::string Digest(std::string_view text) {
    uint64_t hash = 14695981039346656037ull; // FNV-1a
    for (unsigned char c : text)
        hash = (hash ^ c) * 1099511628211ull;
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return hex;
}

// The trees of the corpus, and what a cut text gives strictly and tolerantly (errors and partial
// trees), stay exactly as they were when the engine was first proven: any change to how the
// engine matches must leave every outcome alone.
TEST(RoutineCorpusTrees, StayTheSame) {
    const std::map<std::string, std::string> expected = {
        {"routinecorpus_handlers", "d1ba7d3c0e3e296a 12e45c62d36da5e9 12e45c62d36da5e9"},
        {"routinecorpus_cursor", "cb5f65a6daef770d 28aae9cebd2ae93b f000cdd428ae8f35"},
        {"routinecorpus_loops", "ef2e5b142dc0a232 c90e353c23cd54df c90e353c23cd54df"},
        {"routinecorpus_nested", "00c3a1a031ea7f4c bd695e9c103328c3 6eab67a90631112d"},
        {"routinecorpus_signals", "0d3c56e813b3e80d 4efaa84dd0c9d03b 3767e4e307fe77bb"},
        {"routinecorpus_case", "0365d256bdee16aa 949fe72f8549cdf9 949fe72f8549cdf9"},
        {"routinecorpus_dml", "734d5f9eff985f69 52f6b1b70f703867 bc0411d352b5d3f4"},
        {"routinecorpus_strings", "a3b0866e7e25f9df a2571a11f1ff63d6 cd7a94b275dfe6ca"},
        {"routinecorpus_comments", "acbeeba75c80ffce bd1cbd416651b16a 1fcde5e8c5a9fc66"},
        {"routinecorpus_ünïcode", "d35350d3c8097272 97d949ec949761b0 7345cb4d0b99e383"},
        {"routinecorpus_characteristics", "92cb5a780690a5ac 84a624df6f458307 84a624df6f458307"},
        {"routinecorpus_select", "639ae2e1aec69dd3 cd7892998bd04b4c b0514d3a171b1b66"},
        {"routinecorpus_passthrough", "ceb11fea6548649e c54392adeee22953 c54392adeee22953"},
        {"routinecorpus_simple", "d70e159e499fd9f6 62976b1cbdb7b330 62976b1cbdb7b330"},
        {"routinecorpus_calls", "7ee7b38d0669db28 7308ec586ff0c9e8 7308ec586ff0c9e8"},
        {"routinecorpus_ifchain", "24f9008b68089193 5edb4a7e947891d9 bec1d6ef2da1c81c"},
        {"routinecorpus_expressions", "0af91ef6da21f3f6 949fe72f8549cdf9 a8addd8a4dd45ebb"},
        {"routinecorpus_with_dml_subqueries", "487df0b016f021c5 9cfb71853b736ae4 667f236cb427f367"},
        {"routinecorpus_main_like", "df339e2cc64bea81 25b3bb552a8578d4 f31df59e40fc4bc5"},
        {"routinecorpus_join_names", "442d10c518cd0898 1bb3ca588ba835bd 5141fc06263367b1"},
        {"routinecorpus_types", "cb99631183cf859b 7cf3c54b329b0819 7cf3c54b329b0819"},
        {"routinecorpus_single_statement", "1d9bf3966d84d6aa edff6dfbca1f4022 edff6dfbca1f4022"},
        {"routinecorpus_transaction", "459cd35f0a3b7ee1 33b9bc295c8815a7 bbfb5b8f112a6468"},
        {"routinecorpus_empty", "28e77dc9f42e1570 edff6dfbca1f4022 edff6dfbca1f4022"},
    };
    for (const TCorpusRoutine& routine : kCorpus) {
        const std::string text = WithDatabase(routine.text, "corpus_db");
        const std::string cut = text.substr(0, text.size() / 2);
        const std::string outcomes[] = {ParseOutcome(text, false), ParseOutcome(cut, false),
                                        ParseOutcome(cut, true)};
        const std::string digest =
            Digest(outcomes[0]) + " " + Digest(outcomes[1]) + " " + Digest(outcomes[2]);
        const auto found = expected.find(routine.name);
        EXPECT_TRUE(found != expected.end() && found->second == digest)
            << "{\"" << routine.name << "\", \"" << digest << "\"},";
    }
}

} // namespace
} // namespace parser
