#include "engine/local/uStatementBuilder.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/uMySQLTypes.h"
#include "engine/CompilerTestSupport.h"
#include "engine/local/uCompiler.h"
#include "engine/local/uStatementInterpreter.h"
#include "parser/uMySqlGrammar.h"
#include "parser/uParser.h"
#include "platform/rtl/Utf.h"

namespace engine {
namespace {

template <class T>
std::shared_ptr<T> StatementAt(const std::shared_ptr<IBlock>& block, int index) {
    auto statement = std::dynamic_pointer_cast<T>(block->GetStatements()->GetStatement(index));
    EXPECT_TRUE(statement) << "statement " << index;
    return statement;
}

std::pair<int, int> LinesOf(const std::shared_ptr<IStatement>& statement) {
    return {statement->GetDebugInfo()->GetBeginLine(), statement->GetDebugInfo()->GetEndLine()};
}

std::vector<int> Items(const core::TIntegerList& list) {
    std::vector<int> items;
    for (int i = 0; i < list.Count(); ++i)
        items.push_back(list.Get(i));
    return items;
}

// A builder that supplies parameters as plain variables, as the server-side builder supplies its own.
class TParameterBuilder : public TStatementBuilder {
public:
    using TStatementBuilder::TStatementBuilder;

    std::shared_ptr<ISymbol> CreateParameter(const std::string& name,
                                             std::shared_ptr<core::IRWDataValue> value,
                                             const parser::TgrmParameterDefinition&,
                                             TParameterScope scope) override {
        scopes.push_back(scope);
        return std::make_shared<TVariable>(name, core::NullDataValue(), std::move(value));
    }
    std::unique_ptr<TStatementBuilder>
    CreateNestedBuilder(TRoutine& routine, const std::shared_ptr<IBlock>& block,
                        std::shared_ptr<ICompositeStatement> statements) override {
        return std::make_unique<TParameterBuilder>(routine, std::move(statements), block);
    }

    std::vector<TParameterScope> scopes;
};

class StatementBuilderTest : public CompilerTest {
protected:
    // Compiles the text into a new routine of the kind with a builder of the class.
    template <class Builder = TStatementBuilder>
    TRoutine& CompileRoutine(TRoutine& routine, Builder* builder = nullptr) {
        Builder own(routine, routine.Block()->GetStatements(), routine.Block());
        CompileStatements(routine.Text(), parser::TMySqlGrammar::StaticClass(), builder ? *builder : own);
        return routine;
    }

    std::vector<int> ExecutableLines(std::string_view text) {
        core::TIntegerList lines;
        program.GetExecutableLines(CompileMain(text), lines);
        return Items(lines);
    }
};

TEST_F(StatementBuilderTest, MainBlockIsOneBlockInTheRootBlock) {
    CompileMain("BEGIN\n  DECLARE x INT;\n  SET x = 1;\nEND");
    const auto block = MainBlock();
    ASSERT_TRUE(block);
    EXPECT_EQ(block->GetParent(), program.MainRoutine().Block());
    EXPECT_EQ(LinesOf(block), std::make_pair(1, 4));
    EXPECT_EQ(block->SymbolCount(), 1);
    EXPECT_EQ(block->GetLabel(), "");
    EXPECT_EQ(LinesOf(StatementAt<IAssignation>(block, 0)), std::make_pair(3, 3));
}

TEST_F(StatementBuilderTest, StatementsSpanTheirLinesAndRepeatStandsOnUntil) {
    CompileMain("BEGIN\n"                        // 1
                "  IF 1 THEN\n"                  // 2
                "    DO 1;\n"                    // 3
                "  END IF;\n"                    // 4
                "  lbl: WHILE 0 DO DO 1;\n"      // 5
                "  END WHILE lbl;\n"             // 6
                "  REPEAT\n"                     // 7
                "    DO 1;\n"                    // 8
                "  UNTIL\n"                      // 9
                "    1 END REPEAT;\n"            // 10
                "  CASE WHEN 1 THEN DO 1; END\n" // 11
                "  CASE;\n"                      // 12
                "END");
    const auto block = MainBlock();
    EXPECT_EQ(LinesOf(StatementAt<IConditionChain>(block, 0)), std::make_pair(2, 4));
    const auto loop = StatementAt<IWhile>(block, 1);
    EXPECT_EQ(LinesOf(loop), std::make_pair(5, 6));
    EXPECT_EQ(loop->GetLabel(), "lbl");
    EXPECT_EQ(LinesOf(StatementAt<IRepeat>(block, 2)), std::make_pair(10, 10));
    EXPECT_EQ(LinesOf(StatementAt<ICase>(block, 3)), std::make_pair(11, 12));
}

TEST_F(StatementBuilderTest, IfAlwaysHasAnElseListAndKeepsItsBranchOrder) {
    CompileMain("BEGIN IF 1 THEN DO 1; ELSEIF 2 THEN DO 2; ELSEIF 3 THEN DO 3; DO 4; END IF; END");
    const auto chain = StatementAt<IConditionChain>(MainBlock(), 0);
    const auto otherwise = std::dynamic_pointer_cast<ICompositeStatement>(chain->GetElse());
    ASSERT_TRUE(otherwise);
    EXPECT_EQ(otherwise->Count(), 0);
    ASSERT_EQ(chain->Count(), 2);
    EXPECT_EQ(std::dynamic_pointer_cast<ICompositeStatement>(chain->GetItem(1)->GetStatement())->Count(), 2);
}

TEST_F(StatementBuilderTest, CaseElseIsAListEvenWhenEmptyAndAbsentWithoutElse) {
    CompileMain("BEGIN CASE 1 WHEN 1 THEN DO 1; WHEN 2 THEN DO 2; ELSE END CASE; "
                "CASE WHEN 1 THEN DO 1; END CASE; END");
    const auto simple = StatementAt<ICase>(MainBlock(), 0);
    EXPECT_TRUE(simple->GetSelector());
    EXPECT_EQ(simple->Count(), 2);
    ASSERT_TRUE(simple->GetElse());
    EXPECT_EQ(std::dynamic_pointer_cast<ICompositeStatement>(simple->GetElse())->Count(), 0);
    const auto searched = StatementAt<ICase>(MainBlock(), 1);
    EXPECT_FALSE(searched->GetSelector());
    EXPECT_FALSE(searched->GetElse());
}

TEST_F(StatementBuilderTest, OneDefaultServesEveryNameOfTheDeclaration) {
    CompileMain("BEGIN DECLARE a, b INT DEFAULT 5; DECLARE c INT; END");
    const auto block = MainBlock();
    ASSERT_EQ(block->SymbolCount(), 3);
    const auto a = std::dynamic_pointer_cast<ICustomVariable>(block->GetSymbol(0));
    const auto b = std::dynamic_pointer_cast<ICustomVariable>(block->GetSymbol(1));
    const auto c = std::dynamic_pointer_cast<ICustomVariable>(block->GetSymbol(2));
    EXPECT_EQ(a->GetName(), "a");
    EXPECT_EQ(a->GetDefaultExpression(), b->GetDefaultExpression());
    EXPECT_FALSE(c->GetDefaultExpression());
    // Nothing is evaluated before the block runs.
    EXPECT_TRUE(a->GetValue()->IsNull());
    EXPECT_EQ(block->GetStatements()->Count(), 0);
}

TEST_F(StatementBuilderTest, FunctionReturnsItsDeclaredType) {
    TRoutine& function =
        program.AddFunction("`db`.`f`", u"CREATE FUNCTION f() RETURNS VARCHAR(10) RETURN 'x'");
    CompileRoutine(function);
    EXPECT_EQ(function.ReturnType().DataType, core::dtString);
    EXPECT_EQ(function.ReturnType().Length, 10);
    EXPECT_TRUE(StatementAt<IReturn>(function.Block(), 0));
}

TEST_F(StatementBuilderTest, ParametersComeFirstInTheRootBlockAndDefaultsSeeThem) {
    TRoutine& procedure = program.AddProcedure(
        "`db`.`d1`",
        u"CREATE PROCEDURE d1(p INT, OUT o INT, inout io INT) BEGIN DECLARE x INT DEFAULT p * 2; "
        u"SET o = x; END");
    TParameterBuilder builder(procedure, procedure.Block()->GetStatements(), procedure.Block());
    CompileRoutine(procedure, &builder);
    const auto root = procedure.Block();
    ASSERT_EQ(root->SymbolCount(), 3);
    EXPECT_EQ(root->GetSymbol(0)->GetName(), "p");
    EXPECT_EQ(builder.scopes, (std::vector<TParameterScope>{psIn, psOut, psInOut}));
    // The body runs with p = 21, as a caller would run it.
    std::dynamic_pointer_cast<IAssignable>(root->GetSymbol(0))
        ->SetValue(program.ValueFactory().CreateInteger(21));
    const auto body = StatementAt<IBlock>(root, 0);
    RunStatement(procedure, root, body, CreateNullDebugger());
    EXPECT_EQ(ValueText(*root->GetSymbol(1)->GetValue()), "42");
}

TEST_F(StatementBuilderTest, RoutineCannotBeCreatedInsideAnotherBlock) {
    TRoutine& procedure = program.AddProcedure("`db`.`p`", u"CREATE PROCEDURE p() BEGIN END");
    const auto inner = std::make_shared<TBlock>(std::make_shared<TDebugInfo>(), procedure.Block(), "",
                                                &program.IdentifierManager());
    TStatementBuilder builder(procedure, inner->GetStatements(), inner);
    try {
        CompileStatements(procedure.Text(), parser::TMySqlGrammar::StaticClass(), builder);
        FAIL() << "compiled";
    } catch (const ECompileError& error) {
        EXPECT_EQ(error.Message(), "Can't create a ROUTINE from within another stored routine");
        EXPECT_EQ(error.StartPosition(), 0);
        EXPECT_EQ(error.EndPosition(), 30);
    }
}

TEST_F(StatementBuilderTest, ExecutableLinesOfTheFixtures) {
    EXPECT_EQ(ExecutableLines("BEGIN\n"
                              "  DECLARE i INT DEFAULT 0;\n"
                              "  WHILE i < 2 DO\n"
                              "    SET i = i + 1;\n"
                              "  END WHILE;\n"
                              "END"),
              (std::vector<int>{1, 3, 4, 6}));
    EXPECT_EQ(ExecutableLines("BEGIN\n  DECLARE a INT;\n  DECLARE b INT;\nEND"), (std::vector<int>{1, 4}));
    EXPECT_EQ(ExecutableLines("BEGIN\n  DO 1; DO 2;\nEND"), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(ExecutableLines("BEGIN\n"
                              "  IF 1 THEN\n"
                              "    DO 1;\n"
                              "  ELSEIF 2 THEN\n"
                              "    DO 2;\n"
                              "  ELSE\n"
                              "    DO 3;\n"
                              "  END IF;\n"
                              "  REPEAT\n"
                              "    DO 4;\n"
                              "  UNTIL 1 END REPEAT;\n"
                              "END"),
              (std::vector<int>{1, 2, 3, 7, 5, 11, 10, 12}));
}

TEST_F(StatementBuilderTest, ExecutableLinesOfAFunctionAreThoseOfItsBody) {
    TRoutine& function =
        program.AddFunction("`db`.`f`", u"CREATE FUNCTION f() RETURNS INT\nBEGIN\n  RETURN 1;\nEND");
    function.Compile();
    core::TIntegerList lines;
    program.GetExecutableLines(function, lines);
    EXPECT_EQ(Items(lines), (std::vector<int>{2, 3, 4}));
}

// Records every line at which the interpreter calls a hook; the routine's outermost block has none.
class THookLines : public TNullDebugger {
public:
    void BeforeStatement(TRoutine&, const std::shared_ptr<IBlock>&,
                         const std::shared_ptr<IStatement>& statement) override {
        Add(statement->GetDebugInfo()->GetBeginLine());
    }
    void EnterBlock(TRoutine&, const std::shared_ptr<IBlock>& block) override {
        Add(block->GetDebugInfo()->GetBeginLine());
    }
    void LeaveBlock(TRoutine&, const std::shared_ptr<IBlock>& block) override {
        Add(block->GetDebugInfo()->GetEndLine());
    }

    std::set<int> lines;

private:
    void Add(int line) {
        if (line >= 1) lines.insert(line);
    }
};

TEST_F(StatementBuilderTest, ExecutableLinesAreWhereARunThatCoversEverythingStops) {
    const std::vector<int> filled = ExecutableLines("BEGIN\n"                                  // 1
                                                    "  DECLARE i INT DEFAULT 0;\n"             // 2
                                                    "  l: LOOP\n"                              // 3
                                                    "    SET i = i + 1;\n"                     // 4
                                                    "    CASE i\n"                             // 5
                                                    "      WHEN 1 THEN ITERATE l;\n"           // 6
                                                    "      WHEN 2 THEN\n"                      // 7
                                                    "        BEGIN DO 2; END;\n"               // 8
                                                    "      ELSE\n"                             // 9
                                                    "        IF i > 3 THEN\n"                  // 10
                                                    "          LEAVE l;\n"                     // 11
                                                    "        ELSEIF i = 3 THEN DO 3;\n"        // 12
                                                    "        END IF;\n"                        // 13
                                                    "    END CASE;\n"                          // 14
                                                    "  END LOOP;\n"                            // 15
                                                    "  REPEAT SET i = i - 1;\n"                // 16
                                                    "  UNTIL i < 1 END REPEAT;\n"              // 17
                                                    "  WHILE i < 1 DO SET i = 1; END WHILE;\n" // 18
                                                    "END");                                    // 19
    const auto hooks = std::make_shared<THookLines>();
    RunProgram(program, hooks);
    EXPECT_EQ(std::set<int>(filled.begin(), filled.end()), hooks->lines);
    EXPECT_EQ(filled.size(), hooks->lines.size());
}

// ---- compile errors

class StatementErrorTest : public StatementBuilderTest, public ::testing::WithParamInterface<TErrorCase> {};

TEST_P(StatementErrorTest, ReportsTheOffendingRange) {
    const TErrorCase& c = GetParam();
    ExpectCompileError([&] { CompileMain(c.text); }, c);
    EXPECT_FALSE(program.MainRoutine().Compiled());
}

INSTANTIATE_TEST_SUITE_P(
    MainBlocks, StatementErrorTest,
    ::testing::Values(
        TErrorCase{"BEGIN DECLARE x INT; SET y = 1; END", "Undeclared identifier: 'y'", 25, 26},
        TErrorCase{"BEGIN DECLARE x INT; SET x = y; END", "Undeclared identifier: 'y'", 29, 30},
        TErrorCase{"BEGIN RETURN 1; END", "'RETURN 1' is not allowed here", 6, 14},
        TErrorCase{"BEGIN DECLARE x INT; DECLARE y, x INT; END", "Identifier redeclared: 'x'", 32, 33},
        TErrorCase{"BEGIN DECLARE x INT DEFAULT x; END", "Undeclared identifier: 'x'", 28, 29},
        TErrorCase{"BEGIN BEGIN DECLARE z INT; END; SET z = 1; END", "Undeclared identifier: 'z'", 36, 37},
        TErrorCase{"BEGIN DECLARE d NOSUCH(5); END", "Unknown column type NOSUCH", 16, 25},
        TErrorCase{"BEGIN SELECT /* one */ 1; END", "'SELECT /* one */ 1' is not allowed here", 6, 24},
        TErrorCase{"BEGIN CALL p(1); END", "'CALL p(1)' is not allowed here", 6, 15},
        TErrorCase{"BEGIN DROP TABLE t; END", "'DROP TABLE t' is not allowed here", 6, 18},
        TErrorCase{"BEGIN DECLARE c CURSOR FOR SELECT 1; END",
                   "'DECLARE c CURSOR FOR SELECT 1' is not allowed here", 6, 35},
        TErrorCase{"BEGIN SIGNAL SQLSTATE '45000'; END", "'SIGNAL SQLSTATE '45000'' is not allowed here", 6,
                   29},
        TErrorCase{"CREATE PROCEDURE p(x INT) BEGIN END", "'x INT' is not allowed here", 19, 24}));

TEST_F(StatementBuilderTest, SyntaxErrorIsTheGrammarsError) {
    EXPECT_THROW(CompileMain("BEGIN SET x = ; END"), parser::EGrammarError);
}

} // namespace
} // namespace engine
