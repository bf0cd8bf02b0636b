#include "engine/server/uDBAStatementBuilder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/CompilerTestSupport.h"
#include "engine/DBAInterpreterTestSupport.h"
#include "engine/model/uMetadataImp.h"
#include "engine/server/uDBABlock.h"
#include "engine/server/uDBAExpressions.h"
#include "engine/server/uDBAProgram.h"
#include "engine/server/uDBAStatements.h"
#include "engine/server/uQueryAnalyzer.h"
#include "platform/rtl/Utf.h"
#include "support/FakeConnection.h"
#include "support/SQLMonitorLog.h"

namespace engine {
namespace {

class DBACompilerTest : public ::testing::Test {
protected:
    DBACompilerTest() { connection->Connect(); }

    // Compiles the text as the main routine; the block of its BEGIN ... END.
    std::shared_ptr<IDBABlock> Compile(const std::string& text) {
        TRoutine& main = program.MainRoutine();
        main.SetText(rtl::Utf8ToUtf16(text));
        main.Compile();
        const auto statements = main.Block()->GetStatements();
        EXPECT_EQ(statements->Count(), 1);
        block = std::dynamic_pointer_cast<IDBABlock>(statements->GetStatement(0));
        EXPECT_TRUE(block);
        return block;
    }

    // Compiles one statement after the declarations of x, y and n.
    void CompileStatement(const std::string& statement) {
        Compile("BEGIN\n  DECLARE x, y, n INT;\n  " + statement + ";\nEND");
    }

    template <class T>
    std::shared_ptr<T> At(int index) const {
        auto statement = std::dynamic_pointer_cast<T>(block->GetStatements()->GetStatement(index));
        EXPECT_TRUE(statement) << "statement " << index;
        return statement;
    }

    // The expression assigned by the SET at the index.
    std::shared_ptr<IExpression> Assigned(int index = 0) const {
        return At<IAssignation>(index)->GetExpression();
    }

    std::shared_ptr<TDBAVariable> Variable(const std::string& name) const {
        auto variable = std::dynamic_pointer_cast<TDBAVariable>(block->FindSymbol(name));
        EXPECT_TRUE(variable) << name;
        return variable;
    }

    // The text with each "{name}" replaced by the session name of the variable.
    std::string Expand(std::string text) const {
        for (size_t open; (open = text.find('{')) != std::string::npos;) {
            const size_t close = text.find('}', open);
            text.replace(open, close - open + 1,
                         Variable(text.substr(open + 1, close - open - 1))->SessionName());
        }
        return text;
    }

    static std::vector<std::string> Names(const TDBAVariables& variables) {
        std::vector<std::string> names;
        for (const auto& variable : variables)
            names.push_back(variable->GetName());
        return names;
    }

    std::shared_ptr<testsupport::FakeConnection> connection = std::make_shared<testsupport::FakeConnection>();
    TDBAProgram program{std::make_shared<TSchema>(), connection};
    std::shared_ptr<IDBABlock> block;
};

struct TRewriteCase {
    const char* statement;
    const char* text; // "{x}": the session name of x
    std::vector<std::string> variables;
};

void PrintTo(const TRewriteCase& c, std::ostream* os) {
    *os << c.statement;
}

class DBACompilerRewriteTest : public DBACompilerTest, public ::testing::WithParamInterface<TRewriteCase> {};

TEST_P(DBACompilerRewriteTest, ServerReceivesSessionNamesOfTheLocalsItUses) {
    const TRewriteCase& c = GetParam();
    CompileStatement(c.statement);
    const auto statement = At<TDBAServerSideStatement>(0);
    ASSERT_TRUE(statement);
    EXPECT_EQ(rtl::Utf16ToUtf8(statement->Text()), Expand(c.text));
    EXPECT_EQ(Names(statement->Variables()), c.variables);
    EXPECT_EQ(statement->GetDebugInfo()->GetBeginLine(), 3);
}

INSTANTIATE_TEST_SUITE_P(
    Statements, DBACompilerRewriteTest,
    ::testing::Values(
        TRewriteCase{"SELECT a INTO x FROM t", "SELECT a INTO {x} FROM t", {"x"}},
        TRewriteCase{"SELECT a, b INTO x, y FROM t", "SELECT a, b INTO {x}, {y} FROM t", {"x", "y"}},
        TRewriteCase{
            "UPDATE t SET x = x + 1 WHERE y = 2", "UPDATE t SET x = {x} + 1 WHERE {y} = 2", {"x", "y"}},
        TRewriteCase{"SELECT t.x, x.y FROM t", "SELECT t.x, x.y FROM t", {}},
        TRewriteCase{"INSERT INTO t (x, y) VALUES (y, x) ON DUPLICATE KEY UPDATE x = VALUES(x)",
                     "INSERT INTO t (x, y) VALUES ({y}, {x}) ON DUPLICATE KEY UPDATE x = VALUES(x)",
                     {"y", "x"}},
        // Each variable once, in order of first use; comments, line breaks and user variables stay. A
        // select list item that reads a local keeps the name the server gives it, its text as written.
        TRewriteCase{"SELECT y, x /* x */, y\n    FROM t WHERE @x = x",
                     "SELECT {y} AS `y`, {x} AS `x` /* x */, {y} AS `y`\n    FROM t WHERE @x = {x}",
                     {"y", "x"}},
        TRewriteCase{"SELECT `x` FROM t", "SELECT {x} AS ```x``` FROM t", {"x"}},
        TRewriteCase{"SELECT x  +  1, (SELECT y), x z, a FROM t",
                     "SELECT {x}  +  1 AS `x  +  1`, (SELECT {y} AS `y`) AS `(SELECT y)`, {x} z, a FROM t",
                     {"x", "y"}},
        TRewriteCase{"INSERT INTO t SET x = y", "INSERT INTO t SET x = {y}", {"y"}},
        TRewriteCase{"UPDATE t1, t2 SET t1.x = x, y = 1", "UPDATE t1, t2 SET t1.x = {x}, y = 1", {"x"}},
        TRewriteCase{"SELECT a FROM t JOIN u USING (x, y)", "SELECT a FROM t JOIN u USING (x, y)", {}},
        TRewriteCase{"DELETE x FROM t x WHERE a = x", "DELETE x FROM t x WHERE a = {x}", {"x"}},
        TRewriteCase{"SELECT a FROM t LIMIT 1 INTO x", "SELECT a FROM t LIMIT 1 INTO {x}", {"x"}},
        TRewriteCase{"DELETE FROM t WHERE id IN (SELECT x FROM u)",
                     "DELETE FROM t WHERE id IN (SELECT {x} AS `x` FROM u)",
                     {"x"}},
        TRewriteCase{"CREATE TABLE c AS SELECT x AS id", "CREATE TABLE c AS SELECT {x} AS id", {"x"}},
        TRewriteCase{"DROP TABLE x", "DROP TABLE x", {}},
        // The server takes no user variable in LIMIT: the count is the parameter of a prepared
        // statement, and the statement text reads back the same whatever the sql_mode.
        TRewriteCase{"SELECT id FROM t WHERE id > x LIMIT n",
                     "EXECUTE IMMEDIATE 'SELECT id FROM t WHERE id > {x} LIMIT ?' USING IFNULL({n}, 0) & "
                     "18446744073709551615",
                     {"x", "n"}},
        TRewriteCase{"SELECT id FROM t WHERE v <> 'it''s' LIMIT n OFFSET n",
                     "EXECUTE IMMEDIATE 'SELECT id FROM t WHERE v <> ''it''''s'' LIMIT ? OFFSET ?' USING "
                     "IFNULL({n}, 0) & 18446744073709551615, "
                     "IFNULL({n}, 0) & 18446744073709551615",
                     {"n"}},
        TRewriteCase{
            "SELECT 'a\\\\' LIMIT 2, n",
            "EXECUTE IMMEDIATE CONVERT(X'53454C4543542027615C5C27204C494D495420322C203F' USING utf8mb4) "
            "USING IFNULL({n}, 0) & 18446744073709551615",
            {"n"}}));

// The server derives types from a local's declaration (a column of CREATE TABLE ... AS SELECT, the
// scale of a division): a read is cast to the declared type wherever CAST has that very type.
TEST_F(DBACompilerTest, ReadsOfLocalsCarryTheirDeclaredTypeWhereCastHasIt) {
    struct TCase {
        const char* type;
        const char* read;
    } cases[] = {
        {"DECIMAL(6,3)", "CAST({v} AS DECIMAL(6,3))"},
        {"numeric", "CAST({v} AS DECIMAL(10,0))"},
        {"DECIMAL(30, 20)", "CAST({v} AS DECIMAL(30,20))"},
        {"DEC(5) UNSIGNED", "{v}"},
        {"BIGINT", "CAST({v} AS SIGNED)"},
        {"BIGINT UNSIGNED", "CAST({v} AS UNSIGNED)"},
        {"BIGINT ZEROFILL", "{v}"},
        {"INT", "{v}"},
        {"TINYINT UNSIGNED", "{v}"},
        {"DOUBLE", "CAST({v} AS DOUBLE)"},
        {"DOUBLE PRECISION", "CAST({v} AS DOUBLE)"},
        {"FLOAT", "CAST({v} AS FLOAT)"},
        {"FLOAT(7,2)", "{v}"},
        {"DATE", "CAST({v} AS DATE)"},
        {"DATETIME(2)", "CAST({v} AS DATETIME(2))"},
        {"TIME", "CAST({v} AS TIME)"},
        {"TIMESTAMP", "{v}"},
        {"VARCHAR(10)", "{v}"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.type);
        Compile(std::string("BEGIN\n  DECLARE v ") + c.type +
                ";\n  UPDATE t SET a = v WHERE b < v LIMIT 1;\nEND");
        const auto statement = At<TDBAServerSideStatement>(0);
        ASSERT_TRUE(statement);
        const std::string read = Expand(c.read);
        EXPECT_EQ(rtl::Utf16ToUtf8(statement->Text()),
                  "UPDATE t SET a = " + read + " WHERE b < " + read + " LIMIT 1");
    }
}

// Where only a value or a variable is taken, a local stays its bare session variable: a LIMIT count,
// an INTO target, a CALL argument (which may be OUT).
TEST_F(DBACompilerTest, BareSessionVariablesWhereNoExpressionIsTaken) {
    Compile("BEGIN DECLARE d DECIMAL(6,3); DECLARE n BIGINT; END");
    TDBAVariables variables(false);
    EXPECT_EQ(rtl::Utf16ToUtf8(AnalyzeQuery(u"CALL p(d, n + 1)", block, variables).Text),
              Expand("CALL p({d}, {n} + 1)"));
    EXPECT_EQ(
        rtl::Utf16ToUtf8(AnalyzeQuery(u"SELECT 1 INTO d LIMIT n", block, variables).Text),
        Expand("EXECUTE IMMEDIATE 'SELECT 1 INTO {d} LIMIT ?' USING IFNULL({n}, 0) & 18446744073709551615"));
}

TEST_F(DBACompilerTest, ExpressionsTheServerEvaluatesAreSentAsText) {
    struct TCase {
        const char* expression;
        const char* text;
    } cases[] = {
        {"ABS(x)", "ABS({x})"},
        {"x IN (SELECT id FROM t)", "{x} IN (SELECT id FROM t)"},
        {"y LIKE 'a%'", "{y} LIKE 'a%'"},
        {"x REGEXP '^a'", "{x} REGEXP '^a'"},
        {"NOW() + INTERVAL n DAY", "NOW() + INTERVAL {n} DAY"},
        {"EXISTS (SELECT 1 FROM t WHERE id = y)", "EXISTS (SELECT 1 FROM t WHERE id = {y})"},
        {"x = ANY (SELECT id FROM t)", "{x} = ANY (SELECT id FROM t)"},
        {"IF(x, 1, 2)", "IF({x}, 1, 2)"},
        {"CURRENT_DATE", "CURRENT_DATE"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.expression);
        CompileStatement(std::string("SET x = ") + c.expression);
        const auto expression = std::dynamic_pointer_cast<TDBAServerSideExpression>(Assigned());
        ASSERT_TRUE(expression);
        EXPECT_EQ(rtl::Utf16ToUtf8(expression->Text()), Expand(c.text));
    }
}

TEST_F(DBACompilerTest, StoredFunctionsAndLocalOperatorsAreBuiltLocally) {
    CompileStatement("SET x = my_func(x, y + 1)");
    const auto call = std::dynamic_pointer_cast<IFunctionCall>(Assigned());
    ASSERT_TRUE(call);
    EXPECT_EQ(call->GetName(), "my_func");
    ASSERT_EQ(call->GetArguments()->Count(), 2);
    EXPECT_EQ(call->GetArguments()->GetItem(0), Variable("x"));

    CompileStatement("SET x = x IN (1, y)");
    const auto in = std::dynamic_pointer_cast<IInExpression>(Assigned());
    ASSERT_TRUE(in);
    EXPECT_EQ(in->GetList()->Count(), 2);

    // A sub-select as an operand: brackets around the server's SELECT.
    CompileStatement("SET x = (SELECT MAX(id) FROM t WHERE id < y) + 1");
    const auto sum = std::dynamic_pointer_cast<IOperation>(Assigned());
    ASSERT_TRUE(sum);
    const auto brackets = std::dynamic_pointer_cast<IBrackets>(sum->GetLeft());
    ASSERT_TRUE(brackets);
    const auto select = std::dynamic_pointer_cast<TDBAServerSideExpression>(brackets->GetExpression());
    ASSERT_TRUE(select);
    EXPECT_EQ(rtl::Utf16ToUtf8(select->Text()), Expand("SELECT MAX(id) FROM t WHERE id < {y}"));
    EXPECT_EQ(Names(select->Variables()), std::vector<std::string>{"y"});
}

TEST_F(DBACompilerTest, UserVariablesAreReadFromTheServerAndNeverDeclared) {
    CompileStatement("SET @u = x + @v");
    const auto assignation = At<IAssignation>(0);
    EXPECT_TRUE(std::dynamic_pointer_cast<TDBAUserVariable>(assignation->GetTarget()));
    const auto sum = std::dynamic_pointer_cast<IOperation>(assignation->GetExpression());
    ASSERT_TRUE(sum);
    EXPECT_EQ(sum->GetLeft(), Variable("x"));
    EXPECT_TRUE(std::dynamic_pointer_cast<TDBAUserVariable>(sum->GetRight()));
    EXPECT_FALSE(block->FindSymbol("@u"));
}

struct TCompileErrorCase {
    const char* text;
    const char* message;
    const char* at; // the text of the offending construct
};

void PrintTo(const TCompileErrorCase& c, std::ostream* os) {
    *os << c.text;
}

class DBACompilerErrorTest : public DBACompilerTest, public ::testing::WithParamInterface<TCompileErrorCase> {
protected:
    DBACompilerErrorTest() {
        connection->AnswerRows("show variables", {{"Variable_name"}, {"Value"}}, {{"autocommit", "ON"}});
    }
};

TEST_P(DBACompilerErrorTest, RaisesAtTheOffendingConstruct) {
    const TCompileErrorCase& c = GetParam();
    const std::string text(c.text);
    const int start = static_cast<int>(text.find(c.at));
    ASSERT_GE(start, 0);
    ExpectCompileError([&] { Compile(text); },
                       {c.text, c.message, start, start + static_cast<int>(std::string(c.at).size())});
    EXPECT_FALSE(program.MainRoutine().Compiled());
}

INSTANTIATE_TEST_SUITE_P(
    Errors, DBACompilerErrorTest,
    ::testing::Values(
        TCompileErrorCase{"BEGIN USE dbg; END", "'USE dbg' is not allowed here", "USE dbg"},
        TCompileErrorCase{"BEGIN DECLARE c CONDITION FOR 1062; SIGNAL c; END",
                          "SIGNAL/RESIGNAL can only use a CONDITION defined with SQLSTATE", "SIGNAL c"},
        TCompileErrorCase{"BEGIN DECLARE CONTINUE HANDLER FOR nosuch BEGIN END; END",
                          "Undefined CONDITION: nosuch", "DECLARE CONTINUE HANDLER FOR nosuch BEGIN END"},
        TCompileErrorCase{"BEGIN RESIGNAL nosuch; END", "Undefined CONDITION: nosuch", "RESIGNAL nosuch"},
        TCompileErrorCase{"BEGIN DECLARE c CURSOR FOR SELECT 1; DECLARE c CURSOR FOR SELECT 2; END",
                          "Duplicate cursor: 'c'", "DECLARE c CURSOR FOR SELECT 2"},
        TCompileErrorCase{"BEGIN DECLARE c CONDITION FOR 1062; DECLARE c CONDITION FOR SQLSTATE '23000'; END",
                          "Duplicate condition: 'c'", "DECLARE c CONDITION FOR SQLSTATE '23000'"},
        TCompileErrorCase{
            "BEGIN DECLARE CONTINUE HANDLER FOR 1062 BEGIN END; DECLARE EXIT HANDLER FOR 1062 BEGIN END; END",
            "Duplicate handler declared in the same block", "DECLARE EXIT HANDLER FOR 1062 BEGIN END"},
        TCompileErrorCase{"BEGIN OPEN c; END", "Undefined CURSOR: c", "OPEN c"},
        TCompileErrorCase{"BEGIN DECLARE c CURSOR FOR SELECT 1; FETCH c INTO nosuch; END",
                          "Undeclared identifier: 'nosuch'", "nosuch"},
        TCompileErrorCase{"BEGIN DECLARE c CURSOR FOR SELECT 1; FETCH c INTO @u; END",
                          "Undeclared variable: @u", "@u"},
        TCompileErrorCase{"BEGIN SET nosuch = 1; END", "Undeclared identifier: 'nosuch'", "nosuch"}));

TEST_F(DBACompilerTest, DeclarationsCursorsHandlersAndSignalsBuildTheServerSideModel) {
    testsupport::SQLMonitorLog monitor;
    Compile("BEGIN\n"
            "  DECLARE a, b INT;\n"
            "  DECLARE dup CONDITION FOR 1062;\n"
            "  DECLARE st CONDITION FOR SQLSTATE '45000';\n"
            "  DECLARE c CURSOR FOR SELECT id, v FROM t WHERE id > a;\n"
            "  DECLARE CONTINUE HANDLER FOR NOT FOUND, dup SET b = 1;\n"
            "  DECLARE EXIT HANDLER FOR SQLSTATE '23000', 1213, SQLWARNING, SQLEXCEPTION BEGIN END;\n"
            "  BEGIN\n"
            "    OPEN c;\n"
            "    FETCH c INTO a, b, a;\n"
            "    CLOSE c;\n"
            "  END;\n"
            "  SIGNAL st SET MESSAGE_TEXT = 'boom', MYSQL_ERRNO = 5001;\n"
            "  RESIGNAL;\n"
            "  CALL db.p(a, b + 1);\n"
            "END");
    // The cursor's query is made, and so shown, when the routine compiles.
    ASSERT_EQ(block->CursorCount(), 1);
    TDBACursor& cursor = block->GetCursor(0);
    EXPECT_EQ(cursor.Name(), "c");
    EXPECT_EQ(Names(cursor.Variables()), std::vector<std::string>{"a"});
    EXPECT_EQ(monitor.lines, std::vector<std::string>{Expand("SELECT id, v FROM t WHERE id > {a}")});

    ASSERT_EQ(block->ConditionCount(), 2);
    ASSERT_EQ(block->HandlerCount(), 2);
    const TDBAHandler& notFound = block->GetHandler(0);
    EXPECT_EQ(notFound.Kind(), hkContinue);
    ASSERT_EQ(notFound.ConditionCount(), 2);
    EXPECT_TRUE(dynamic_cast<const TNotFoundConditionValue*>(&notFound.GetCondition(0)));
    const auto* named = dynamic_cast<const TNamedConditionConditionValue*>(&notFound.GetCondition(1));
    ASSERT_TRUE(named);
    EXPECT_EQ(&named->Condition(), &block->GetCondition(0));
    const TDBAHandler& exit = block->GetHandler(1);
    EXPECT_EQ(exit.Kind(), hkExit);
    ASSERT_EQ(exit.ConditionCount(), 4);
    EXPECT_EQ(dynamic_cast<const TSQLStateConditionValue&>(exit.GetCondition(0)).SQLState(), "23000");
    EXPECT_EQ(dynamic_cast<const TErrorCodeConditionValue&>(exit.GetCondition(1)).ErrorCode(), 1213);
    EXPECT_TRUE(dynamic_cast<const TSQLWarningConditionValue*>(&exit.GetCondition(2)));
    EXPECT_TRUE(dynamic_cast<const TSQLExceptionConditionValue*>(&exit.GetCondition(3)));

    // The cursor statements of a nested block find the cursor of the enclosing one.
    const auto inner = At<IBlock>(0);
    ASSERT_TRUE(inner);
    const auto innerStatements = inner->GetStatements();
    ASSERT_EQ(innerStatements->Count(), 3);
    const auto open = std::dynamic_pointer_cast<TDBAOpenCursor>(innerStatements->GetStatement(0));
    const auto fetch = std::dynamic_pointer_cast<TDBAFetchCursor>(innerStatements->GetStatement(1));
    const auto close = std::dynamic_pointer_cast<TDBACloseCursor>(innerStatements->GetStatement(2));
    ASSERT_TRUE(open && fetch && close);
    EXPECT_EQ(&open->Cursor(), &cursor);
    EXPECT_EQ(&fetch->Cursor(), &cursor);
    EXPECT_EQ(&close->Cursor(), &cursor);
    EXPECT_EQ(Names(fetch->Targets()), (std::vector<std::string>{"a", "b", "a"}));
    EXPECT_EQ(fetch->GetDebugInfo()->GetBeginLine(), 10);

    const auto signal = At<TDBASignal>(1);
    ASSERT_TRUE(signal);
    EXPECT_EQ(signal->SQLState(), "45000");
    EXPECT_TRUE(signal->MessageText());
    EXPECT_TRUE(signal->ErrorNumber());
    const auto resignal = At<TDBAResignal>(2);
    ASSERT_TRUE(resignal);
    EXPECT_EQ(resignal->SQLState(), "");
    EXPECT_FALSE(resignal->MessageText());

    const auto call = At<TDBARoutineCall>(3);
    ASSERT_TRUE(call);
    EXPECT_EQ(call->GetRoutineName(), "db.p");
    ASSERT_EQ(call->GetArguments()->Count(), 2);
    EXPECT_EQ(call->GetArguments()->GetItem(0), Variable("a"));
    EXPECT_EQ(call->GetDebugInfo()->GetBeginLine(), 15);
}

TEST_F(DBACompilerTest, UndeclaredSetTargetIsASystemVariableWhenTheServerHasOne) {
    connection->AnswerRows("show variables", {{"Variable_name"}, {"Value"}},
                           {{"autocommit", "ON"}, {"sql_mode", ""}});
    Compile("BEGIN\n  SET AUTOCOMMIT = 0;\n  SET sql_mode = '';\nEND");
    EXPECT_TRUE(std::dynamic_pointer_cast<TDBASystemVariable>(At<IAssignation>(0)->GetTarget()));
    EXPECT_TRUE(std::dynamic_pointer_cast<TDBASystemVariable>(At<IAssignation>(1)->GetTarget()));
    // The server's list is read once, at compile time.
    EXPECT_EQ(connection->Statements(), std::vector<std::string>{"show variables"});
    // Inside an expression an undeclared name stays an error.
    EXPECT_THROW(Compile("BEGIN DECLARE x INT; SET x = autocommit; END"), EUndeclaredIdentifierCompileError);
}

TEST_F(DBACompilerTest, RoutineParametersAreMirroredWithTheirScopes) {
    TRoutine& routine = program.AddProcedure(
        "`fake_db`.`p`",
        u"CREATE PROCEDURE p(IN a INT, OUT b INT, INOUT c INT, d INT)\nBEGIN\n  SET b = a;\nEND");
    routine.Compile();
    const auto& root = routine.Block();
    ASSERT_EQ(root->SymbolCount(), 4);
    const TParameterScope scopes[] = {psIn, psOut, psInOut, psIn};
    for (int i = 0; i < 4; ++i) {
        const auto parameter = std::dynamic_pointer_cast<IDBAParameter>(root->GetSymbol(i));
        ASSERT_TRUE(parameter) << i;
        EXPECT_EQ(parameter->GetScope(), scopes[i]);
        EXPECT_TRUE(std::dynamic_pointer_cast<TDBAVariable>(root->GetSymbol(i)));
    }
}

TEST_F(DBACompilerTest, HandlerBodiesHaveExecutableLinesAfterTheirBlock) {
    TRoutine& main = program.MainRoutine();
    main.SetText(rtl::Utf8ToUtf16(kCursorLoopMain));
    main.Compile();
    core::TIntegerList lines;
    program.GetExecutableLines(main, lines);
    std::vector<int> items;
    for (int i = 0; i < lines.Count(); ++i)
        items.push_back(lines.Get(i));
    EXPECT_EQ(items, (std::vector<int>{1, 7, 8, 9, 10, 11, 13, 14, 15, 6}));
}

TEST_F(DBACompilerTest, AnalyzeQueryClassifiesWhatTheSqlWindowMayRun) {
    struct TCase {
        const char* text;
        TQueryKind kind;
    } cases[] = {
        {"SELECT 1", qkReturnsRows},
        {"SELECT 1 INTO @u", qkReturnsNoRows},
        {"CALL p()", qkCall},
        {"SHOW TABLES", qkReturnsRows},
        {"EXPLAIN SELECT 1", qkReturnsRows},
        {"DROP TABLE t", qkReturnsNoRows},
        {"INSERT INTO t VALUES (1)", qkReturnsNoRows},
        {"SET @u = 1", qkReturnsNoRows},
        {"DO 1", qkReturnsNoRows},
        {"USE db", qkNotAllowed},
        {"DECLARE x INT", qkNotAllowed},
        {"BEGIN SELECT 1; END", qkNotAllowed},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.text);
        TDBAVariables variables(false);
        const TQueryAnalyzingResult result = AnalyzeQuery(rtl::Utf8ToUtf16(c.text), nullptr, variables);
        EXPECT_EQ(result.Kind, c.kind);
        EXPECT_EQ(rtl::Utf16ToUtf8(result.Text), c.kind == qkNotAllowed ? "" : c.text);
        EXPECT_EQ(variables.Count(), 0);
    }
}

TEST_F(DBACompilerTest, AnalyzeQueryRewritesTheLocalsOfTheStop) {
    Compile("BEGIN DECLARE x, n INT; END");
    TDBAVariables variables(false);
    TQueryAnalyzingResult result =
        AnalyzeQuery(u"SELECT x, t.x /* x */ FROM t WHERE x > @x LIMIT n", block, variables);
    EXPECT_EQ(result.Kind, qkReturnsRows);
    EXPECT_EQ(rtl::Utf16ToUtf8(result.Text),
              Expand("EXECUTE IMMEDIATE 'SELECT {x} AS `x`, t.x /* x */ FROM t WHERE {x} > @x LIMIT ?' USING "
                     "IFNULL({n}, 0) & 18446744073709551615"));
    EXPECT_EQ(Names(variables), (std::vector<std::string>{"x", "n"}));

    TDBAVariables assigned(false);
    result = AnalyzeQuery(u"SET x = x + 1", block, assigned);
    EXPECT_EQ(result.Kind, qkReturnsNoRows);
    EXPECT_EQ(rtl::Utf16ToUtf8(result.Text), Expand("SET {x} = {x} + 1"));
    EXPECT_EQ(Names(assigned), std::vector<std::string>{"x"});
}

TEST_F(DBACompilerTest, DefaultsAreEvaluatedWhenTheBlockIsEnteredNotWhenItCompiles) {
    Compile("BEGIN\n  DECLARE x INT DEFAULT 2;\n  DECLARE y INT DEFAULT (SELECT MAX(id) FROM t WHERE id < "
            "x);\nEND");
    EXPECT_TRUE(connection->Statements().empty());
    const auto y = std::dynamic_pointer_cast<ICustomVariable>(block->FindSymbol("y"));
    ASSERT_TRUE(y);
    const auto brackets = std::dynamic_pointer_cast<IBrackets>(y->GetDefaultExpression());
    ASSERT_TRUE(brackets);
    const auto select = std::dynamic_pointer_cast<TDBAServerSideExpression>(brackets->GetExpression());
    ASSERT_TRUE(select);
    EXPECT_EQ(rtl::Utf16ToUtf8(select->Text()), Expand("SELECT MAX(id) FROM t WHERE id < {x}"));
}

} // namespace
} // namespace engine
