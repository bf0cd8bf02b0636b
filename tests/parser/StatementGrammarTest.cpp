#include "SQLTreeTesting.h"

#include "core/uMySQLTypes.h"
#include "core/uStringUtils.h"
#include "parser/uMySqlStatements.h"
#include "parser/uSQLSignals.h"
#include "parser/uSQLStatements.h"
#include "parser/uTokenizer.h"
#include "platform/rtl/StringList.h"

#include <algorithm>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace parser {
namespace {

using namespace parser::testing;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

std::unique_ptr<TMySqlGrammar> ParseStatement(std::string_view text) {
    return ParseMySql(text, pmStatements);
}

std::string StatementError(std::string_view text) {
    return SyntaxError(text, pmStatements);
}

// The production a mode-3 text parsed as: the only child of its statement.
TSymbol& StatementOf(TGrammar& grammar) {
    auto& statement = RootOf<TStatement>(grammar);
    EXPECT_EQ(statement.Children().Count(), 1);
    return *statement.Children()[0];
}

template <class T>
T& StatementAs(TGrammar& grammar) {
    auto* statement = dynamic_cast<T*>(&StatementOf(grammar));
    if (!statement)
        throw std::runtime_error(std::string("the statement is a ") + StatementOf(grammar).Name() +
                                 ", not a " + T::StaticClass().Name);
    return *statement;
}

std::vector<std::string> Strings(const rtl::TStringList& list) {
    std::vector<std::string> strings;
    for (int i = 0; i < list.Count(); ++i)
        strings.push_back(list[i]);
    return strings;
}

// The statements of a list in order.
std::vector<TStatement*> Statements(const TStatementList* list) {
    std::vector<TStatement*> statements;
    for (; list; list = list->Children().Find<TStatementList>()) {
        auto* single = list->Children().Find<TSingleStatement>();
        statements.push_back(single ? single->Children().Find<TStatement>() : nullptr);
    }
    return statements;
}

// The class of the statement, through the choice of the SET NAMES forms.
std::string ClassOfStatement(std::string_view text) {
    auto grammar = ParseStatement(text);
    TSymbol* statement = &StatementOf(*grammar);
    if (statement->Is<TSpecialSETStatement>())
        statement = static_cast<TProduction*>(statement)->Children()[0];
    return statement->Name();
}

// ---- statement lists and blocks

TEST(StatementGrammarTest, BlockHoldsItsStatementsNestedOnePerStatement) {
    auto grammar = ParseStatement("BEGIN SET x = 1; SELECT 2; CALL p(); END");
    auto& block = StatementAs<TBlockStatement>(*grammar);
    EXPECT_TRUE(block.HasEnd());
    EXPECT_EQ(block.GetLabel(), "");
    std::vector<TStatement*> statements = Statements(block.GetStatements());
    ASSERT_EQ(statements.size(), 3u);
    EXPECT_TRUE(statements[0]->Children()[0]->Is<TAssignationStatement>());
    EXPECT_TRUE(statements[1]->Children()[0]->Is<TMySQLStatement>());
    EXPECT_TRUE(statements[2]->Children()[0]->Is<TRoutineCallStatement>());

    auto empty = ParseStatement("BEGIN END");
    EXPECT_EQ(StatementAs<TBlockStatement>(*empty).GetStatements(), nullptr);
    EXPECT_TRUE(StatementAs<TBlockStatement>(*empty).HasEnd());
}

TEST(StatementGrammarTest, EveryStatementOfAListNeedsItsSemicolon) {
    EXPECT_EQ(StatementError("BEGIN SET x = 1 END"), "You have an error in your syntax near 'END' at line 1");
    EXPECT_EQ(StatementError("BEGIN\n  SET x = 1;\n  SET y = 2\nEND"),
              "You have an error in your syntax near 'END' at line 4");
}

TEST(StatementGrammarTest, TolerantBlockWithoutEndStillMatches) {
    auto grammar = ParseAs<TStatement>("BEGIN SET x = 1", true);
    auto* block = dynamic_cast<TBlockStatement*>(RootOf<TStatement>(*grammar).Children()[0]);
    ASSERT_NE(block, nullptr);
    EXPECT_FALSE(block->HasEnd());
    EXPECT_EQ(Statements(block->GetStatements()).size(), 1u);
}

// ---- SET

TEST(StatementGrammarTest, SetListsItsAssignationsInOrder) {
    auto grammar = ParseStatement("SET x = 1, @u := y + 2, `q w` = 'z'");
    rtl::TStringList assignations;
    StatementAs<TAssignationStatement>(*grammar).GetAssignations(assignations);
    EXPECT_THAT(Strings(assignations), ElementsAre("x", "@u", "`q w`"));
    EXPECT_EQ(Text(static_cast<TSymbol*>(assignations.Objects(0))), "1");
    EXPECT_EQ(Text(static_cast<TSymbol*>(assignations.Objects(1))), "y+2");
    EXPECT_TRUE(static_cast<TSymbol*>(assignations.Objects(1))->Is<TExpression>());
}

// A SET that is not an assignation goes to the server as written only when it sets the server's
// own settings; anything else would reach the server with a local's name unreplaced.
TEST(StatementGrammarTest, SetThatIsNoAssignationPassesThroughOnlyForServerSettings) {
    struct TCase {
        const char* text;
        const char* statementClass;
    } cases[] = {
        {"SET x = 1", "TAssignationStatement"},
        {"SET names = 1", "TAssignationStatement"}, // a local called "names"
        {"SET @@sql_mode = ''", "TAssignationStatement"},
        {"SET x = EXTRACT(YEAR FROM d)", "TAssignationStatement"},
        {"SET NAMES utf8mb4", "TSetNames"},
        {"SET NAMES utf8mb4 COLLATE utf8mb4_bin", "TSetNames"},
        {"SET CHARACTER SET latin1", "TSetCharacterSet"},
        {"SET CHARSET latin1", "TSetCharSet"},
        {"SET GLOBAL max_connections = 10", "TgrmDishonestStatement"},
        {"SET SESSION sql_mode = 'ANSI'", "TgrmDishonestStatement"},
        {"SET LOCAL sql_notes = 0", "TgrmDishonestStatement"},
        {"SET @@session.sql_notes = 1", "TgrmDishonestStatement"},
        {"SET @@GLOBAL.max_connections = 10, @@x = 1", "TgrmDishonestStatement"},
        {"SET PASSWORD = PASSWORD('x')", "TgrmDishonestStatement"},
        {"SET password = 'x'", "TgrmDishonestStatement"},
        {"SET `password` = 'x'", "TAssignationStatement"},
        {"SET TRANSACTION ISOLATION LEVEL READ COMMITTED", "TgrmDishonestStatement"},
        {"SET ROLE NONE", "TgrmDishonestStatement"},
        {"SET STATEMENT max_statement_time = 1 FOR SELECT 1", "TgrmDishonestStatement"},
        {"SET NAMES 'utf8mb4'", "TgrmDishonestStatement"},
        {"SET NAMES 'utf8mb4' COLLATE 'utf8mb4_bin'", "TgrmDishonestStatement"},
        {"SET NAMES DEFAULT", "TgrmDishonestStatement"},
        {"SET CHARACTER SET 'latin1'", "TgrmDishonestStatement"},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(ClassOfStatement(c.text), c.statementClass) << c.text;

    struct TError {
        const char* text;
        const char* near;
    } errors[] = {
        {"SET x = ", "''"},   {"SET x = 1 2", "'2'"},        {"SET x", "''"},
        {"SET x = 1,", "''"}, {"SET v = CAST(x AS)", "')'"}, {"SET names = (", "''"},
    };
    for (const TError& e : errors)
        EXPECT_THAT(StatementError(e.text), HasSubstr(std::string("near ") + e.near)) << e.text;
}

// ---- declarations

TEST(StatementGrammarTest, VariableDeclarationSharesTypeAndDefault) {
    auto grammar = ParseStatement("DECLARE x, `y z` INT(11) UNSIGNED DEFAULT 1 + 2");
    auto& declaration = StatementAs<TVariableDeclaration>(*grammar);
    rtl::TStringList names;
    declaration.GetNames(names);
    EXPECT_THAT(Strings(names), ElementsAre("x", "`y z`"));
    EXPECT_TRUE(static_cast<TSymbol*>(names.Objects(1))->Is<TIdentifierTerminal>());
    core::TDatatypeCharacteristics type = declaration.GetDataType();
    EXPECT_EQ(type.DataType, core::dtInteger);
    EXPECT_EQ(type.MinValue, 0);
    EXPECT_EQ(Text(declaration.GetDefaultValue()), "1+2");

    auto plain = ParseStatement("DECLARE s VARCHAR(20) CHARACTER SET latin1");
    auto& text = StatementAs<TVariableDeclaration>(*plain);
    EXPECT_EQ(text.GetDefaultValue(), nullptr);
    EXPECT_EQ(text.GetDataType().Length, 20);
    EXPECT_EQ(text.GetDataType().CodePage, 1252);
}

TEST(StatementGrammarTest, ConditionDeclarations) {
    struct TCase {
        const char* text;
        const char* name;
        int errorCode;
        const char* sqlState;
        const char* valueText;
    } cases[] = {
        {"DECLARE e CONDITION FOR SQLSTATE '45000'", "e", 0, "45000", "sqlstate 45000"},
        {"DECLARE `my e` CONDITION FOR SQLSTATE VALUE \"HY000\"", "`my e`", 0, "HY000", "sqlstate HY000"},
        {"DECLARE dup CONDITION FOR 1062", "dup", 1062, "", "error code 1062"},
        {"DECLARE zero CONDITION FOR 0", "zero", 0, "", "sqlstate "},
    };
    for (const TCase& c : cases) {
        auto grammar = ParseStatement(c.text);
        auto& declaration = StatementAs<TConditionDeclaration>(*grammar);
        EXPECT_EQ(declaration.GetConditionName(), c.name) << c.text;
        EXPECT_EQ(declaration.GetErrorCode(), c.errorCode) << c.text;
        EXPECT_EQ(declaration.GetSQLState(), c.sqlState) << c.text;
        EXPECT_EQ(declaration.GetValueText(), c.valueText) << c.text;
    }
    // A SQLSTATE has five characters exactly.
    EXPECT_THAT(StatementError("DECLARE e CONDITION FOR SQLSTATE '4500'"), HasSubstr("near ''4500''"));
    EXPECT_THAT(StatementError("DECLARE e CONDITION FOR SQLSTATE '450001'"), HasSubstr("near ''450001''"));
    // A number that is no integer parses, and fails when it is read.
    auto fraction = ParseStatement("DECLARE e CONDITION FOR 1.5");
    EXPECT_THROW(StatementAs<TConditionDeclaration>(*fraction).GetErrorCode(), rtl::EConversionError);
}

TEST(StatementGrammarTest, HandlerConditionsKeepTheirOrderKindsAndTexts) {
    auto grammar =
        ParseStatement("DECLARE CONTINUE HANDLER FOR SQLSTATE '23000', 1062, NOT FOUND, SQLWARNING, "
                       "SQLEXCEPTION, my_cond SET done = 1");
    auto& handler = StatementAs<THandlerDeclaration>(*grammar);
    EXPECT_TRUE(handler.IsContinue());
    std::vector<THandlerCondition> conditions = handler.GetConditions();
    std::vector<int> kinds;
    std::vector<std::string> texts;
    for (const THandlerCondition& condition : conditions) {
        kinds.push_back(condition.Kind);
        texts.push_back(condition.Text);
    }
    EXPECT_THAT(kinds, ElementsAre(1, 2, 4, 3, 5, 6));
    EXPECT_THAT(texts, ElementsAre("23000", "1062", "", "", "", "my_cond"));
    ASSERT_NE(handler.GetStatement(), nullptr);
    EXPECT_TRUE(handler.GetStatement()->Children()[0]->Is<TAssignationStatement>());
}

TEST(StatementGrammarTest, ExitHandlerWithBlock) {
    auto grammar =
        ParseStatement("declare exit handler for sqlstate value '42S02', not found begin set x = 1; end");
    auto& handler = StatementAs<THandlerDeclaration>(*grammar);
    EXPECT_FALSE(handler.IsContinue());
    ASSERT_EQ(handler.GetConditions().size(), 2u);
    EXPECT_EQ(handler.GetConditions()[0].Kind, hckSQLState);
    EXPECT_EQ(handler.GetConditions()[0].Text, "42S02");
    EXPECT_EQ(handler.GetConditions()[1].Kind, hckNotFound);
    EXPECT_TRUE(handler.GetStatement()->Children()[0]->Is<TBlockStatement>());
    // CONTINUE and EXIT are reserved: no variable can be declared under their names.
    EXPECT_THAT(StatementError("DECLARE exit INT"), HasSubstr("near 'INT'"));
}

// ---- cursors

TEST(StatementGrammarTest, CursorStatements) {
    auto declared = ParseStatement("DECLARE cur CURSOR FOR SELECT a FROM t WHERE b > 0 FOR UPDATE");
    auto& declaration = StatementAs<TCursorDeclaration>(*declared);
    EXPECT_EQ(declaration.GetCursorName(), "cur");
    ASSERT_NE(declaration.GetSelect(), nullptr);
    EXPECT_TRUE(declaration.GetSelect()->Is<TMySelectStatement>());

    auto opened = ParseStatement("OPEN `c 1`");
    EXPECT_EQ(StatementAs<TOpenCursor>(*opened).GetCursorName(), "`c 1`");
    auto closed = ParseStatement("CLOSE cur");
    EXPECT_EQ(StatementAs<TCloseCursor>(*closed).GetCursorName(), "cur");

    struct TCase {
        const char* text;
        std::vector<std::string> targets;
    } fetches[] = {
        {"FETCH cur INTO x, y", {"x", "y"}},
        {"FETCH NEXT FROM cur INTO x", {"x"}},
        {"FETCH FROM cur INTO x, `y`, z", {"x", "`y`", "z"}},
    };
    for (const TCase& c : fetches) {
        auto grammar = ParseStatement(c.text);
        auto& fetch = StatementAs<TFetchCursor>(*grammar);
        EXPECT_EQ(fetch.GetCursorName(), "cur") << c.text;
        rtl::TStringList targets;
        fetch.GetTargets(targets);
        EXPECT_EQ(Strings(targets), c.targets) << c.text;
        EXPECT_TRUE(static_cast<TSymbol*>(targets.Objects(0))->Is<TIdentifierTerminal>());
    }
    EXPECT_THAT(StatementError("FETCH NEXT cur INTO x"), HasSubstr("near 'cur'"));
}

// A visitor that looks for variables sees FETCH targets and SIGNAL values, never cursor or
// condition names.
TEST(StatementGrammarTest, CursorAndConditionNamesStopTheWalk) {
    struct TNames : TSQLProductionVisitor {
        std::vector<std::string> names;
        void VisitIdentifierTerminal(TIdentifierTerminal* terminal) override {
            names.push_back(GetSymbolText(*terminal));
        }
    };
    auto grammar = ParseStatement("BEGIN FETCH cur INTO x, y; SIGNAL cond SET MESSAGE_TEXT = msg; END");
    TNames visitor;
    grammar->Accept(visitor);
    EXPECT_THAT(visitor.names, ElementsAre("x", "y", "msg"));
}

// ---- IF and CASE

TEST(StatementGrammarTest, IfWithElseIfChain) {
    auto grammar = ParseStatement("IF x THEN SET y = 1; ELSEIF z THEN SET y = 2; ELSEIF w THEN SET y = 3; "
                                  "ELSE SET y = 4; SET y = 5; END IF");
    auto& statement = StatementAs<TIFStatement>(*grammar);
    EXPECT_EQ(Text(statement.GetCondition()), "x");
    EXPECT_EQ(Statements(statement.GetThenStatements()).size(), 1u);
    TELSEIFChain* first = statement.GetElseIfChain();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(Text(first->GetCondition()), "z");
    TELSEIFChain* second = first->GetNext();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(Text(second->GetCondition()), "w");
    EXPECT_EQ(Text(second->GetStatements()), "SETy=3;");
    EXPECT_EQ(second->GetNext(), nullptr);
    EXPECT_EQ(Statements(statement.GetElseStatements()).size(), 2u);

    auto plain = ParseStatement("IF a > b THEN LEAVE l; END IF");
    EXPECT_EQ(StatementAs<TIFStatement>(*plain).GetElseIfChain(), nullptr);
    EXPECT_EQ(StatementAs<TIFStatement>(*plain).GetElseStatements(), nullptr);
    // A branch needs a statement.
    EXPECT_THAT(StatementError("IF x THEN END IF"), HasSubstr("near 'END'"));
    EXPECT_THAT(StatementError("IF x THEN SET y = 1; ELSE END IF"), HasSubstr("near 'END'"));
}

TEST(StatementGrammarTest, CaseStatement) {
    auto searched =
        ParseStatement("CASE WHEN x > 1 THEN SET y = 1; WHEN x < 0 THEN SET y = 2; SET z = 0; END CASE");
    auto& statement = StatementAs<TCaseStatement>(*searched);
    EXPECT_EQ(statement.GetSelector(), nullptr);
    EXPECT_EQ(statement.GetElse(), nullptr);
    TCaseStatementWhenChain* when = statement.GetWhenChain();
    ASSERT_NE(when, nullptr);
    EXPECT_EQ(Text(when->GetCondition()), "x>1");
    ASSERT_NE(when->GetNext(), nullptr);
    EXPECT_EQ(Text(when->GetNext()->GetCondition()), "x<0");
    EXPECT_EQ(Statements(when->GetNext()->GetStatements()).size(), 2u);
    EXPECT_EQ(when->GetNext()->GetNext(), nullptr);

    auto simple = ParseStatement("CASE x WHEN 1 THEN SET y = 1; ELSE END CASE");
    auto& withSelector = StatementAs<TCaseStatement>(*simple);
    EXPECT_EQ(Text(withSelector.GetSelector()), "x");
    ASSERT_NE(withSelector.GetElse(), nullptr);
    EXPECT_EQ(withSelector.GetElse()->GetStatements(), nullptr);

    auto full = ParseStatement("CASE x WHEN 1 THEN SET y = 1; ELSE SET y = 0; SET z = 1; END CASE");
    EXPECT_EQ(Statements(StatementAs<TCaseStatement>(*full).GetElse()->GetStatements()).size(), 2u);
    EXPECT_THAT(StatementError("CASE x WHEN 1 THEN SET y = 1; END"), HasSubstr("near ''"));
}

// ---- loops, blocks and labels

TEST(StatementGrammarTest, EndLabelMustRepeatTheBeginLabel) {
    struct TCase {
        const char* text;
        const char* statementClass;
        const char* label;
        size_t statements;
    } matches[] = {
        {"lbl: LOOP SET x = 1; END LOOP lbl", "TLoopStatement", "lbl", 1},
        {"lbl: LOOP SET x = 1; END LOOP", "TLoopStatement", "lbl", 1},
        {"LOOP SET x = 1; SET y = 2; END LOOP", "TLoopStatement", "", 2},
        {"Lbl: BEGIN END LBL", "TBlockStatement", "Lbl", 0},
        {"`lbl`: BEGIN SET x = 1; END lbl", "TBlockStatement", "`lbl`", 1},
        {"r: REPEAT SET x = x + 1; UNTIL x > 3 END REPEAT r", "TRepeatStatement", "r", 1},
        {"REPEAT SET x = x + 1; UNTIL x > 3 END REPEAT", "TRepeatStatement", "", 1},
        {"w: WHILE x < 3 DO SET x = x + 1; END WHILE w", "TWhileStatement", "w", 1},
    };
    for (const TCase& c : matches) {
        auto grammar = ParseStatement(c.text);
        auto* statement = dynamic_cast<TLabeledStatement*>(&StatementOf(*grammar));
        ASSERT_NE(statement, nullptr) << c.text;
        EXPECT_STREQ(statement->Name(), c.statementClass) << c.text;
        EXPECT_EQ(statement->GetLabel(), c.label) << c.text;
        EXPECT_EQ(Statements(statement->GetStatements()).size(), c.statements) << c.text;
    }
    EXPECT_THAT(StatementError("lbl: LOOP SET x = 1; END LOOP other"), HasSubstr("near 'other'"));
    EXPECT_THAT(StatementError("LOOP SET x = 1; END LOOP lbl"), HasSubstr("near 'lbl'"));
    EXPECT_THAT(StatementError("a: BEGIN b: BEGIN END a; END b"), HasSubstr("near 'a'"));

    // A nested statement's end label answers to its own begin label only.
    auto nested = ParseStatement("a: BEGIN b: LOOP LEAVE a; END LOOP b; END a");
    EXPECT_EQ(StatementAs<TBlockStatement>(*nested).GetLabel(), "a");
}

TEST(StatementGrammarTest, LoopConditionsAndLeaveIterate) {
    auto repeat = ParseStatement("REPEAT SET i = i - 1; UNTIL i <= 0 END REPEAT");
    EXPECT_EQ(Text(StatementAs<TRepeatStatement>(*repeat).GetCondition()), "i<=0");
    auto loop = ParseStatement("WHILE i < n DO ITERATE outer_loop; LEAVE outer_loop; END WHILE");
    auto& statement = StatementAs<TWhileStatement>(*loop);
    EXPECT_EQ(Text(statement.GetCondition()), "i<n");
    std::vector<TStatement*> body = Statements(statement.GetStatements());
    ASSERT_EQ(body.size(), 2u);
    EXPECT_EQ(static_cast<TIterateStatement*>(body[0]->Children()[0])->GetLabel(), "outer_loop");
    EXPECT_EQ(static_cast<TLeaveStatement*>(body[1]->Children()[0])->GetLabel(), "outer_loop");
}

// ---- CALL, RETURN, DO

TEST(StatementGrammarTest, Calls) {
    struct TCase {
        const char* text;
        const char* name;
        std::vector<std::string> arguments;
    } cases[] = {
        {"CALL p", "p", {}},
        {"CALL p()", "p", {}},
        {"CALL db.p(1, x + 1)", "db.p", {"1", "x+1"}},
        {"CALL `my db`.`p q`(@a, (SELECT 1))", "`my db`.`p q`", {"@a", "(SELECT1)"}},
    };
    for (const TCase& c : cases) {
        auto grammar = ParseStatement(c.text);
        auto& call = StatementAs<TRoutineCallStatement>(*grammar);
        EXPECT_EQ(call.GetRoutineName(), c.name) << c.text;
        std::vector<TExpression*> arguments;
        call.GetArguments(&arguments);
        std::vector<std::string> texts;
        for (TExpression* argument : arguments)
            texts.push_back(Text(argument));
        EXPECT_EQ(texts, c.arguments) << c.text;
    }
    EXPECT_THROW(StatementAs<TRoutineCallStatement>(*ParseStatement("CALL p")).GetArguments(nullptr),
                 rtl::EAssertionFailed);
}

TEST(StatementGrammarTest, ReturnAndDo) {
    auto returned = ParseStatement("RETURN (SELECT MAX(a) FROM t) + 1");
    EXPECT_EQ(Text(StatementAs<TReturnStatement>(*returned).GetExpression()), "(SELECTMAX(a)FROMt)+1");
    auto done = ParseStatement("DO SLEEP(1)");
    EXPECT_EQ(Text(StatementAs<TgrmDoStatement>(*done).GetExpression()), "SLEEP(1)");
    EXPECT_THAT(StatementError("DO 1, 2"), HasSubstr("near ','"));
}

// ---- statements the server runs as written

TEST(StatementGrammarTest, PassThroughStatements) {
    auto use = ParseStatement("USE db");
    EXPECT_TRUE(StatementAs<TgrmDishonestStatement>(*use).IsUse());
    EXPECT_FALSE(StatementAs<TgrmDishonestStatement>(*use).ReturnsResult());

    auto dropped = ParseStatement("DROP TABLE t");
    auto& drop = StatementAs<TgrmDishonestStatement>(*dropped);
    EXPECT_FALSE(drop.IsUse());
    EXPECT_FALSE(drop.ReturnsResult());
    auto& rest = Find<TgrmTakeAllUntilStatementDelimiter>(drop);
    ASSERT_EQ(rest.Children().Count(), 2);
    EXPECT_EQ(Text(rest.Children()[0]), "TABLE");
    EXPECT_EQ(Text(rest.Children()[1]), "t");

    for (const char* text :
         {"SHOW TABLES", "ANALYZE TABLE t", "CHECK TABLE t", "CHECKSUM TABLE t", "OPTIMIZE TABLE t",
          "REPAIR TABLE t", "EXPLAIN SELECT 1", "DESCRIBE t", "DESC t"}) {
        auto grammar = ParseStatement(text);
        EXPECT_TRUE(StatementAs<TgrmDishonestStatement>(*grammar).ReturnsResult()) << text;
    }
    for (const char* text : {"CREATE TEMPORARY TABLE t (a INT)",
                             "ALTER TABLE t ADD b INT",
                             "TRUNCATE TABLE t",
                             "PREPARE s FROM @q",
                             "EXECUTE s USING @a",
                             "DEALLOCATE PREPARE s",
                             "START TRANSACTION",
                             "COMMIT",
                             "ROLLBACK TO SAVEPOINT s",
                             "SAVEPOINT s",
                             "RELEASE SAVEPOINT s",
                             "LOCK TABLES t READ",
                             "UNLOCK TABLES",
                             "KILL 5",
                             "FLUSH TABLES",
                             "HELP 'x'",
                             "GRANT SELECT ON db.* TO u",
                             "REVOKE SELECT ON db.* FROM u",
                             "RENAME TABLE a TO b",
                             "LOAD DATA INFILE 'f' INTO TABLE t",
                             "CREATE FUNCTION f() BEGIN END"}) {
        auto grammar = ParseStatement(text);
        EXPECT_FALSE(StatementAs<TgrmDishonestStatement>(*grammar).ReturnsResult()) << text;
    }
    // Only a ";" ends it: the block around it goes on after the delimiter.
    auto block = ParseStatement("BEGIN COMMIT; SHOW WARNINGS; END");
    EXPECT_EQ(Statements(StatementAs<TBlockStatement>(*block).GetStatements()).size(), 2u);
}

TEST(StatementGrammarTest, CreateTableSelectIsItsOwnStatement) {
    for (const char* text :
         {"CREATE TABLE t AS SELECT 1", "CREATE TEMPORARY TABLE IF NOT EXISTS db.t SELECT a FROM u",
          "CREATE TABLE t IGNORE SELECT a FROM u"})
        EXPECT_EQ(ClassOfStatement(text), "TgrmSimpleCreateTableAsSelectStatement") << text;
    EXPECT_EQ(ClassOfStatement("CREATE TABLE t (a INT) SELECT 1"), "TgrmDishonestStatement");
}

// INSERT, UPDATE, DELETE and SELECT are no pass-through words: they must parse.
TEST(StatementGrammarTest, DataStatementsMustParse) {
    EXPECT_THAT(StatementError("SELECT FROM t"), HasSubstr("near 'FROM'"));
    EXPECT_THAT(StatementError("INSERT t"), HasSubstr("near ''"));
    EXPECT_THAT(StatementError("DELETE t"), HasSubstr("near ''"));
    EXPECT_THAT(StatementError("UPDATE t"), HasSubstr("near ''"));
}

// ---- SIGNAL and RESIGNAL

TEST(SignalGrammarTest, ConditionAndInformationItems) {
    struct TCase {
        const char* text;
        bool isConditionName;
        const char* conditionName;
        const char* sqlState;
        const char* errorNumber; // the expression's text, "<none>" without one
        const char* messageText;
    } cases[] = {
        {"SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'bad', MYSQL_ERRNO = 1644", false, "", "45000", "1644",
         "'bad'"},
        {"SIGNAL my_error", true, "my_error", "", "<none>", "<none>"},
        {"SIGNAL SQLSTATE VALUE '45000'", false, "", "45000", "<none>", "<none>"},
        {"SIGNAL 1644", true, "1644", "", "<none>", "<none>"},
        {"RESIGNAL", false, "", "", "<none>", "<none>"},
        {"RESIGNAL SET MESSAGE_TEXT = 'again'", false, "", "", "<none>", "'again'"},
        {"RESIGNAL s SET mysql_errno = v_code", true, "s", "", "v_code", "<none>"},
        {"SIGNAL s SET message_text = 'm', MESSAGE_TEXT = 'n'", true, "s", "", "<none>", "'m'"},
        {"SIGNAL s SET TABLE_NAME = 't', CLASS_ORIGIN = 'c', SUBCLASS_ORIGIN = 'c', CONSTRAINT_CATALOG = "
         "'c', "
         "CONSTRAINT_SCHEMA = 'c', CONSTRAINT_NAME = 'c', CATALOG_NAME = 'c', SCHEMA_NAME = 'c', COLUMN_NAME "
         "= 'c', "
         "CURSOR_NAME = 'c'",
         true, "s", "", "<none>", "<none>"},
    };
    for (const TCase& c : cases) {
        auto grammar = ParseStatement(c.text);
        auto& signal = StatementAs<TgrmCustomSignal>(*grammar);
        EXPECT_EQ(signal.IsConditionName(), c.isConditionName) << c.text;
        EXPECT_EQ(signal.GetConditionName(), c.conditionName) << c.text;
        EXPECT_EQ(signal.GetSQLState(), c.sqlState) << c.text;
        EXPECT_EQ(Text(signal.GetErrorNumberExpression()), c.errorNumber) << c.text;
        EXPECT_EQ(Text(signal.GetMessageTextExpression()), c.messageText) << c.text;
    }
    EXPECT_TRUE(StatementOf(*ParseStatement("SIGNAL x")).Is<TgrmSignal>());
    EXPECT_TRUE(StatementOf(*ParseStatement("RESIGNAL x")).Is<TgrmResignal>());
    EXPECT_THAT(StatementError("SIGNAL"), HasSubstr("near ''"));
    EXPECT_THAT(StatementError("SIGNAL s SET MESSAGE_TEXT = 'x',"), HasSubstr("near ''"));
    EXPECT_THAT(StatementError("SIGNAL s SET OTHER_ITEM = 'x'"), HasSubstr("near 'OTHER_ITEM'"));
    EXPECT_THAT(StatementError("SIGNAL SQLSTATE '450'"), HasSubstr("near ''450''"));
}

// ---- visits

// Each statement reaches its own visit operation; the MySQL statements visit as the common ones.
TEST(StatementGrammarTest, StatementsVisitThroughTheirOwnOperations) {
    struct TRecorder : TSQLProductionVisitor {
        std::vector<std::string> visits;
#define RECORD(Name)                                                                                         \
    void Visit##Name(TSQLProduction* production) override {                                                  \
        visits.push_back(#Name);                                                                             \
        VisitProduction(production);                                                                         \
    }
        RECORD(GrmCreateProcedure)
        RECORD(GrmCreateFunction)
        RECORD(BlockStatement)
        RECORD(VariableDeclaration)
        RECORD(ConditionDeclaration)
        RECORD(HandlerDeclaration)
        RECORD(ConditionIdentifier)
        RECORD(AssignationStatement)
        RECORD(AssignationReceiver)
        RECORD(CursorDeclaration)
        RECORD(SelectStatement)
        RECORD(OpenCursor)
        RECORD(CursorIdentifier)
        RECORD(FetchCursor)
        RECORD(FetchIntoIdentifierList)
        RECORD(CloseCursor)
        RECORD(IFStatement)
        RECORD(LeaveStatement)
        RECORD(CaseStatement)
        RECORD(IterateStatement)
        RECORD(LoopStatement)
        RECORD(RepeatStatement)
        RECORD(GrmDoStatement)
        RECORD(WhileStatement)
        RECORD(GrmSimpleServerSideStatement)
        RECORD(RoutineCallStatement)
        RECORD(ProcedureIdentifier)
        RECORD(GrmSignal)
        RECORD(GrmResignal)
        RECORD(GrmDishonestStatement)
        RECORD(InsertStatement)
        RECORD(UpdateStatement)
        RECORD(DeleteStatement)
        RECORD(ReturnStatement)
#undef RECORD
    };
    auto grammar =
        ParseStatement("CREATE FUNCTION f(a INT) RETURNS INT BEGIN DECLARE x INT; DECLARE c CONDITION FOR 1; "
                       "DECLARE CONTINUE HANDLER FOR c SET x = 1; DECLARE cur CURSOR FOR SELECT 1; OPEN cur; "
                       "FETCH cur INTO x; "
                       "CLOSE cur; IF x THEN LEAVE b; END IF; CASE WHEN x THEN ITERATE l; END CASE; l: LOOP "
                       "LEAVE l; END LOOP; "
                       "REPEAT DO 1; UNTIL 1 END REPEAT; WHILE 0 DO SET NAMES utf8; END WHILE; CALL p(x); "
                       "SIGNAL c; RESIGNAL; "
                       "COMMIT; INSERT INTO t VALUES (1); UPDATE t SET a = 1; DELETE FROM t; RETURN x; END");
    TRecorder recorder;
    grammar->Accept(recorder);
    EXPECT_THAT(recorder.visits,
                ElementsAre("GrmCreateFunction", "BlockStatement", "VariableDeclaration",
                            "ConditionDeclaration", "HandlerDeclaration", "ConditionIdentifier",
                            "AssignationStatement", "AssignationReceiver", "CursorDeclaration",
                            "SelectStatement", "OpenCursor", "CursorIdentifier", "FetchCursor",
                            "CursorIdentifier", "FetchIntoIdentifierList", "CloseCursor", "CursorIdentifier",
                            "IFStatement", "LeaveStatement", "CaseStatement", "IterateStatement",
                            "LoopStatement", "LeaveStatement", "RepeatStatement", "GrmDoStatement",
                            "WhileStatement", "GrmSimpleServerSideStatement", "RoutineCallStatement",
                            "ProcedureIdentifier", "GrmSignal", "ConditionIdentifier", "GrmResignal",
                            "GrmDishonestStatement", "InsertStatement", "UpdateStatement", "DeleteStatement",
                            "ReturnStatement"));
}

// ---- code completion and the reserved words

// Completion inside an unfinished block: the missing ";" and END do not stop the statement.
TEST(StatementGrammarTest, CursorAfterFromInABlockIsOfferedTableReferences) {
    std::lock_guard lock(ParseLock());
    TMySqlGrammar grammar;
    grammar.SetParseMode(pmStatements);
    grammar.SetTolerant(true);
    GrammarParserCache().GetParser<TMySqlGrammar>().Tokenize(grammar.Tokens(),
                                                             u"BEGIN DECLARE x INT; SELECT a FROM ");
    auto* cursor = grammar.Tokens().InsertToken<TCursorToken>(grammar.Tokens().Count() - 1);
    TTokenIterator iterator(grammar.Tokens());
    Match(grammar, iterator);
    std::vector<std::string> offered;
    for (TSymbol* symbol : cursor->Symbols())
        offered.push_back(symbol->Name());
    ASSERT_THAT(offered, ::testing::Contains("TFromTableReferenceList"));
    auto* list = cursor->Symbols().front()->FindOwner<TStatementList>();
    ASSERT_NE(list, nullptr);
    EXPECT_NE(list->FindOwner<TBlockStatement>(), nullptr);
}

TEST(StatementGrammarTest, ReservedWordsAreSortedUniqueWordsOfTheStatementGrammar) {
    TTokenizer& tokenizer = GrammarParserCache().GetParser<TMySqlGrammar>().Tokenizer();
    const TReservedWords& words = tokenizer.ReservedWords();
    EXPECT_TRUE(std::is_sorted(words.begin(), words.end(), ReservedWordLess));
    EXPECT_EQ(
        std::adjacent_find(words.begin(), words.end(),
                           [](const std::string& a, const std::string& b) { return core::SameText(a, b); }),
        words.end());
    for (const std::string& word : words)
        EXPECT_EQ(word.find_first_of(kBreakCharacters), std::string::npos) << word;
    for (const char* word : {"CONTINUE",
                             "EXIT",
                             "CURSOR",
                             "FOR",
                             "INSERT",
                             "REPLACE",
                             "INTO",
                             "VALUES",
                             "DEFAULT",
                             "SET",
                             "DELETE",
                             "DISTINCTROW",
                             "SQL_CALC_FOUND_ROWS",
                             "DELAYED",
                             "LOW_PRIORITY",
                             "IGNORE",
                             "USE",
                             "FORCE",
                             "LOCK",
                             "WITH",
                             "STRAIGHT_JOIN"})
        EXPECT_TRUE(tokenizer.IsReservedWord(word)) << word;
    // Plain keywords stay usable as names.
    for (const char* word : {"LOOP", "REPEAT", "WHILE", "LEAVE", "HANDLER", "CONDITION", "VALUE", "UPDATE",
                             "QUICK", "NAMES", "SIGNAL", "MESSAGE_TEXT", "DEFINER", "COMMENT", "MODE"})
        EXPECT_FALSE(tokenizer.IsReservedWord(word)) << word;
}

} // namespace
} // namespace parser
