#include "engine/local/uStatementInterpreter.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/uDBAConnection.h"
#include "core/uMySQLTypes.h"
#include "engine/InterpreterTestSupport.h"
#include "platform/rtl/CodePage.h"

namespace engine {
namespace {

using TBuild = std::function<void(TSqlBuilder&)>;

const core::TDatatypeCharacteristics kInt = core::MySQLTypeCharacteristics(3, {}, false, -1, -1, 0, "");
const core::TDatatypeCharacteristics kTinyint = core::MySQLTypeCharacteristics(1, {}, false, -1, -1, 0, "");

core::TDatatypeCharacteristics Varchar(std::int64_t length) {
    return core::MySQLTypeCharacteristics(15, {}, false, rtl::kCodePageUtf8, length, 0, "");
}

// Records the hooks by the lines of the statements and blocks they report.
class TRecordingDebugger : public IDebugger {
public:
    TResumeMode GetResumeMode() override { return mode; }
    void OnException(rtl::Exception& exception, TRoutine&, bool& handled,
                     const std::shared_ptr<IStatement>& statement) override {
        Record("Error(" + std::to_string(statement->GetDebugInfo()->GetBeginLine()) + ": " +
               exception.Message() + ")");
        handled = handleErrors;
    }
    void BeforeStatement(TRoutine&, const std::shared_ptr<IBlock>&,
                         const std::shared_ptr<IStatement>& statement) override {
        Record("B(" + std::to_string(statement->GetDebugInfo()->GetBeginLine()) + ")");
    }
    void EnterBlock(TRoutine&, const std::shared_ptr<IBlock>& block) override {
        Record("Enter(" + std::to_string(block->GetDebugInfo()->GetBeginLine()) + ")");
    }
    void LeaveBlock(TRoutine&, const std::shared_ptr<IBlock>& block) override {
        Record("Leave(" + std::to_string(block->GetDebugInfo()->GetEndLine()) + ")");
    }
    void Output(TDebugMessageKind, const std::u16string&, const std::shared_ptr<core::IQueryResult>&,
                const std::shared_ptr<IStatement>&, TRoutine&) override {}

    std::vector<std::string> events;
    TResumeMode mode = rmNone;
    bool handleErrors = false;
    // Asks to end the session when this event is recorded.
    std::string terminateAt;

private:
    void Record(const std::string& event) {
        events.push_back(event);
        if (event == terminateAt) mode = rmTerminate;
    }
};

class StatementInterpreterTest : public ::testing::Test {
protected:
    StatementInterpreterTest() { converter.SetDefaultCodePage(rtl::kCodePageUtf8); }

    static std::shared_ptr<IDebugInfo> At(int begin, int end = -1) {
        return std::make_shared<TDebugInfo>(begin, end < 0 ? begin : end);
    }

    std::shared_ptr<TBlock> NewBlock(int begin, int end, const std::shared_ptr<IBlock>& parent = nullptr,
                                     const std::string& label = "") {
        return std::make_shared<TBlock>(At(begin, end), parent, label, &program.IdentifierManager());
    }

    std::shared_ptr<TVariable> Declare(const std::shared_ptr<IBlock>& block, const std::string& name,
                                       const core::TDatatypeCharacteristics& type, std::int64_t value) {
        auto variable = std::make_shared<TVariable>(name, program.ValueFactory().CreateInteger(value),
                                                    program.ValueFactory().CreateVariableValue(type));
        block->AddSymbol(variable);
        return variable;
    }

    static TSqlExpression Ref(const std::shared_ptr<TVariable>& variable) {
        return {variable, variable->GetName()};
    }

    std::shared_ptr<IStatement> Increment(int line, const std::shared_ptr<TVariable>& variable) {
        return std::make_shared<TAssignation>(At(line), variable,
                                              TSqlBuilder::Op(Ref(variable), boAdd, sql.Int(1)).node);
    }

    static std::shared_ptr<ICompositeStatement>
    List(const std::vector<std::shared_ptr<IStatement>>& statements) {
        auto list = std::make_shared<TCompositeStatement>();
        for (const auto& statement : statements)
            list->Add(statement);
        return list;
    }

    // Runs the block as the main routine's outermost block; the error message, if any.
    std::string Run(const std::shared_ptr<IBlock>& block, const std::shared_ptr<IDebugger>& debugger) {
        try {
            RunStatement(program.MainRoutine(), block, block, debugger);
        } catch (const rtl::Exception& error) {
            return std::string(error.ClassName()) + ": " + error.Message();
        }
        return "";
    }

    // 1 BEGIN
    // 2   DECLARE i INT DEFAULT 0;
    // 3   WHILE i < 2 DO
    // 4     SET i = i + 1;
    // 5   END WHILE;
    // 6 END
    std::shared_ptr<IBlock> WhileExample() {
        auto block = NewBlock(1, 6);
        const auto i = Declare(block, "i", kInt, 0);
        block->GetStatements()->Add(std::make_shared<TWhile>(
            At(3, 5), "", List({Increment(4, i)}), TSqlBuilder::Op(Ref(i), boLess, sql.Int(2)).node));
        return block;
    }

    core::TDataConverter converter;
    TInterpreterProgram program{&converter};
    TSqlBuilder sql{program};
    std::shared_ptr<TRecordingDebugger> debugger = std::make_shared<TRecordingDebugger>();
};

TEST_F(StatementInterpreterTest, WhileStopsBeforeEveryTest) {
    EXPECT_EQ(Run(WhileExample(), debugger), "");
    EXPECT_EQ(debugger->events,
              (std::vector<std::string>{"Enter(1)", "B(3)", "B(4)", "B(3)", "B(4)", "B(3)", "Leave(6)"}));
}

// 1 BEGIN
// 2   DECLARE i INT DEFAULT 0;
// 3   l: REPEAT
// 4     SET i = i + 1;
// 5     IF i < 2 THEN ITERATE l; END IF;
// 6   UNTIL i >= 3 END REPEAT;
// 7 END
TEST_F(StatementInterpreterTest, RepeatStopsOnUntilExceptAfterIterate) {
    auto block = NewBlock(1, 7);
    const auto i = Declare(block, "i", kInt, 0);
    auto repeat =
        std::make_shared<TRepeat>(At(6), "l", TSqlBuilder::Op(Ref(i), boGreaterOrEqual, sql.Int(3)).node);
    repeat->GetStatements()->Add(Increment(4, i));
    repeat->GetStatements()->Add(
        std::make_shared<TCondition>(At(5), TSqlBuilder::Op(Ref(i), boLess, sql.Int(2)).node,
                                     List({std::make_shared<TLoopContinuer>(At(5), "L")}), List({})));
    block->GetStatements()->Add(repeat);
    EXPECT_EQ(Run(block, debugger), "");
    EXPECT_EQ(debugger->events, (std::vector<std::string>{"Enter(1)", "B(4)", "B(5)", "B(5)", "B(4)", "B(5)",
                                                          "B(6)", "B(4)", "B(5)", "B(6)", "Leave(7)"}));
    EXPECT_EQ(ValueText(*i->GetValue()), "3");
}

// 3 w: WHILE i < 2 DO
// 4   SET i = i + 1;
// 5   ITERATE w;
// 6 END WHILE w;
TEST_F(StatementInterpreterTest, IterateInWhileStillStopsOnTheWhile) {
    auto block = NewBlock(1, 7);
    const auto i = Declare(block, "i", kInt, 0);
    block->GetStatements()->Add(std::make_shared<TWhile>(
        At(3, 6), "w", List({Increment(4, i), std::make_shared<TLoopContinuer>(At(5), "w")}),
        TSqlBuilder::Op(Ref(i), boLess, sql.Int(2)).node));
    EXPECT_EQ(Run(block, debugger), "");
    EXPECT_EQ(debugger->events, (std::vector<std::string>{"Enter(1)", "B(3)", "B(4)", "B(5)", "B(3)", "B(4)",
                                                          "B(5)", "B(3)", "Leave(7)"}));
}

// 1 BEGIN
// 2   SET x = 1;
// 3   BEGIN
// 4     SET x = 2;
// 5   END;
// 6 END
TEST_F(StatementInterpreterTest, NestedBlocksEnterAndLeaveWithoutAStopOfTheirOwn) {
    auto block = NewBlock(1, 6);
    const auto x = Declare(block, "x", kInt, 0);
    auto inner = NewBlock(3, 5, block);
    inner->GetStatements()->Add(std::make_shared<TAssignation>(At(4), x, sql.Int(2).node));
    block->GetStatements()->Add(std::make_shared<TAssignation>(At(2), x, sql.Int(1).node));
    block->GetStatements()->Add(inner);
    EXPECT_EQ(Run(block, debugger), "");
    EXPECT_EQ(debugger->events,
              (std::vector<std::string>{"Enter(1)", "B(2)", "Enter(3)", "B(4)", "Leave(5)", "Leave(6)"}));

    // A reset requested inside the inner block ends the run without leaving any block.
    debugger->events.clear();
    debugger->terminateAt = "B(4)";
    EXPECT_EQ(Run(block, debugger), "EReset: Debug session interrupted.");
    EXPECT_EQ(debugger->events, (std::vector<std::string>{"Enter(1)", "B(2)", "Enter(3)", "B(4)"}));
}

TEST_F(StatementInterpreterTest, AResetEndsTheRunAtOnce) {
    debugger->terminateAt = "B(4)";
    const auto block = WhileExample();
    EXPECT_EQ(Run(block, debugger), "EReset: Debug session interrupted.");
    EXPECT_EQ(debugger->events, (std::vector<std::string>{"Enter(1)", "B(3)", "B(4)"}));
    EXPECT_EQ(ValueText(*block->GetSymbol(0)->GetValue()), "0") << "the statement of the stop did not run";

    debugger->events.clear();
    debugger->mode = rmNone;
    debugger->terminateAt = "Leave(6)";
    EXPECT_EQ(Run(block, debugger), "EReset: Debug session interrupted.");
    EXPECT_EQ(debugger->events.back(), "Leave(6)");
}

TEST_F(StatementInterpreterTest, BlockVariablesAreResetAtEveryEntry) {
    // total = 0; l: LOOP BEGIN DECLARE x INT DEFAULT 5; SET x = x + 1; SET total = total + x; END;
    // IF total > 10 THEN LEAVE l; END IF; END LOOP
    auto block = NewBlock(1, 9);
    const auto total = Declare(block, "total", kInt, 0);
    auto inner = NewBlock(3, 6, block);
    const auto x = Declare(inner, "x", kInt, 5);
    inner->GetStatements()->Add(Increment(4, x));
    inner->GetStatements()->Add(
        std::make_shared<TAssignation>(At(5), total, TSqlBuilder::Op(Ref(total), boAdd, Ref(x)).node));
    auto loop = std::make_shared<TLoop>(At(2, 8), "l");
    loop->GetStatements()->Add(inner);
    loop->GetStatements()->Add(
        std::make_shared<TCondition>(At(7), TSqlBuilder::Op(Ref(total), boGreater, sql.Int(10)).node,
                                     List({std::make_shared<TBlockLeave>(At(7), "l")}), List({})));
    block->GetStatements()->Add(loop);
    EXPECT_EQ(Run(block, CreateNullDebugger()), "");
    EXPECT_EQ(ValueText(*total->GetValue()), "12");
}

TEST_F(StatementInterpreterTest, ErrorsAreOfferedToTheDebuggerButFlowControlIsNot) {
    // 1 BEGIN 2 SET t = 1000; 3 SET u = 1; 4 b: BEGIN LEAVE b; END b; 5 END
    auto block = NewBlock(1, 5);
    const auto t = Declare(block, "t", kTinyint, 0);
    const auto u = Declare(block, "u", kInt, 0);
    auto inner = NewBlock(4, 4, block, "b");
    inner->GetStatements()->Add(std::make_shared<TBlockLeave>(At(4), "b"));
    block->GetStatements()->Add(std::make_shared<TAssignation>(At(2), t, sql.Int(1000).node));
    block->GetStatements()->Add(std::make_shared<TAssignation>(At(3), u, sql.Int(1).node));
    block->GetStatements()->Add(inner);

    // Not taken: the assignment and then its statement list offer the same error, and the run ends.
    EXPECT_EQ(Run(block, debugger),
              "EDBAConnectionException: Error code: 1264, SQLState: 22003, Message: Out of range "
              "value for column 't' at row 0");
    const std::string error =
        "Error(2: Error code: 1264, SQLState: 22003, Message: Out of range value for column "
        "'t' at row 0)";
    EXPECT_EQ(debugger->events, (std::vector<std::string>{"Enter(1)", "B(2)", error, error, "Leave(5)"}));

    // Taken: the run goes on after the statement, which left its variable NULL, as the server does.
    debugger->events.clear();
    debugger->handleErrors = true;
    EXPECT_EQ(Run(block, debugger), "");
    EXPECT_EQ(debugger->events, (std::vector<std::string>{"Enter(1)", "B(2)", error, "B(3)", "Enter(4)",
                                                          "B(4)", "Leave(4)", "Leave(5)"}));
    EXPECT_EQ(ValueText(*t->GetValue()), std::nullopt);
    EXPECT_EQ(ValueText(*u->GetValue()), "1");
}

// Takes every server error, as a CONTINUE handler of the routine would.
class THandlingInterpreter : public TStatementInterpreter {
public:
    THandlingInterpreter(TRoutine& routine, std::shared_ptr<IDebugger> debugger,
                         std::shared_ptr<IBlock> block, std::shared_ptr<std::vector<int>> handled)
        : TStatementInterpreter(routine, std::move(debugger), std::move(block)),
          handled_(std::move(handled)) {}

protected:
    std::unique_ptr<TStatementInterpreter>
    CreateNestedInterpreter(TRoutine& routine, const std::shared_ptr<IBlock>& block) override {
        return std::make_unique<THandlingInterpreter>(routine, Debugger(), block, handled_);
    }
    bool HandleException(rtl::Exception& exception, const std::shared_ptr<IStatement>&) override {
        const auto* error = dynamic_cast<core::EDBAConnectionException*>(&exception);
        if (error) handled_->push_back(error->ErrorCode());
        return error != nullptr;
    }

private:
    std::shared_ptr<std::vector<int>> handled_;
};

TEST_F(StatementInterpreterTest, AHandlerOfTheSubclassTakesTheErrorBeforeTheDebugger) {
    auto block = NewBlock(1, 4);
    const auto r = Declare(block, "r", kInt, 0);
    block->GetStatements()->Add(std::make_shared<TCase>(
        At(2), sql.Int(1).node, nullptr, List({std::make_shared<TAssignation>(At(2), r, sql.Int(5).node)}),
        sql.Int(2).node));
    block->GetStatements()->Add(std::make_shared<TAssignation>(At(3), r, sql.Int(7).node));
    const auto handled = std::make_shared<std::vector<int>>();
    THandlingInterpreter(program.MainRoutine(), debugger, block, handled).Execute(block);
    EXPECT_EQ(*handled, std::vector<int>{1339});
    EXPECT_EQ(ValueText(*r->GetValue()), "7");
    EXPECT_EQ(debugger->events, (std::vector<std::string>{"Enter(1)", "B(2)", "B(3)", "Leave(4)"}));
}

TEST_F(StatementInterpreterTest, ReturnConvertsToTheReturnType) {
    TRoutine& function = program.AddFunction("`dbg`.`f`", u"");
    function.SetReturnType(kTinyint);
    const auto returned = [&](const TSqlExpression& value) -> TOutcome {
        auto block = NewBlock(1, 1);
        block->GetStatements()->Add(std::make_shared<TReturn>(At(1), value.node));
        try {
            RunStatement(function, block, block, CreateNullDebugger());
        } catch (const EReturn& result) {
            EXPECT_EQ(result.Value()->GetCharacteristics().DataType, core::dtInteger);
            return {ValueText(*result.Value()), 0};
        } catch (const core::EDBAConnectionException& error) {
            EXPECT_EQ(error.ErrorCode() == 1264,
                      error.ErrorMessage() == "Out of range value for column 'f()' at row 0");
            return Error(error.ErrorCode());
        }
        return Text("no return");
    };
    EXPECT_EQ(returned(sql.Dec("2.6")), Text("3"));
    EXPECT_EQ(returned(sql.Str("12")), Text("12"));
    EXPECT_EQ(returned(sql.Int(1000)), Error(1264));
    EXPECT_EQ(returned(TSqlBuilder::Op(sql.Int(1), boDivide, sql.Int(0))), Error(1365));

    // The main routine has no return type: the value comes back as it is.
    program.MainRoutine().Block()->GetStatements()->Add(
        std::make_shared<TReturn>(At(1), sql.Dec("2.50").node));
    RunProgram(program, CreateNullDebugger());
    EXPECT_EQ(ValueText(*program.LastResult()), "2.50");
}

TEST_F(StatementInterpreterTest, ReturnOutOfRangeIsTheServersError) {
    const auto& settings = VELTRANE_REQUIRE_SERVER();
    testsupport::RawSession session(settings);
    session.Execute("DROP FUNCTION IF EXISTS StatementInterpreterTest_f");
    session.Execute(
        "CREATE FUNCTION StatementInterpreterTest_f(k INT) RETURNS TINYINT "
        "BEGIN IF k = 1 THEN RETURN 1000; END IF; IF k = 2 THEN RETURN 1/0; END IF; RETURN 2.6; END");
    EXPECT_EQ(ServerOutcome(session, "SELECT StatementInterpreterTest_f(0)"), Text("3"));
    EXPECT_EQ(ServerOutcome(session, "SELECT StatementInterpreterTest_f(1)"), Error(1264));
    EXPECT_EQ(ServerOutcome(session, "SELECT StatementInterpreterTest_f(2)"), Error(1365));
    session.Execute("DROP FUNCTION StatementInterpreterTest_f");
}

TEST_F(StatementInterpreterTest, WrongArgumentCountIsError1318) {
    TRoutine& procedure = program.AddProcedure("`dbg`.`p`", u"");
    Declare(procedure.Block(), "a", kInt, 0);
    Declare(procedure.Block(), "b", kInt, 0);
    try {
        RaiseWrongArgumentCount(procedure, 1);
    } catch (const core::EDBAConnectionException& error) {
        EXPECT_EQ(error.ErrorCode(), 1318);
        EXPECT_EQ(error.SQLState(), "42000");
        EXPECT_EQ(error.ErrorMessage(),
                  "Incorrect number of arguments for PROCEDURE dbg.p; expected 2, got 1");
        return;
    }
    FAIL() << "no error";
}

TEST_F(StatementInterpreterTest, AStatementWithoutAVisitIsUnknown) {
    class TCall : public TCustomStatement, public virtual IRoutineCall {
    public:
        TCall() : TCustomStatement(std::make_shared<TDebugInfo>()) {}
        void Accept(TStatementVisitor& visitor) override { visitor.VisitRoutineCall(SharedSelf(this)); }
        std::string GetRoutineName() const override { return "p"; }
        std::shared_ptr<IExpressionList> GetArguments() const override { return nullptr; }
    };
    auto block = NewBlock(1, 1);
    block->GetStatements()->Add(std::make_shared<TCall>());
    EXPECT_EQ(Run(block, CreateNullDebugger()), "Exception: Unknown statement");
}

// ---- Control flow and assignments, run locally and on the server

struct TScriptCase {
    const char* name;
    TBuild build;
    TOutcome expected;
};

std::vector<TScriptCase> ControlFlowCases() {
    using S = TSqlBuilder;
    const auto varchar10 = Varchar(10);
    return {
        {"a NULL condition ends WHILE and continues REPEAT",
         [](S& s) {
             const auto i = s.Declare("i", "INT", kInt);
             const auto n = s.Declare("n", "INT", kInt, s.Int(0));
             s.SetBody(
                 {S::While("", S::Between(i, s.Int(0), s.Int(10)), {S::Set(i, S::Op(i, boAdd, s.Int(1)))}),
                  S::Repeat("", {S::Set(n, S::Op(n, boAdd, s.Int(1)))},
                            S::Op(s.NullLiteral(), boOr, S::Op(n, boGreaterOrEqual, s.Int(3))))});
         },
         Text("NULL|3")},
        {"ITERATE restarts REPEAT without testing UNTIL",
         [](S& s) {
             const auto i = s.Declare("i", "INT", kInt, s.Int(0));
             const auto n = s.Declare("n", "INT", kInt, s.Int(0));
             s.SetBody({S::Repeat("l",
                                  {S::Set(i, S::Op(i, boAdd, s.Int(1))), S::Set(n, S::Op(n, boAdd, s.Int(1))),
                                   S::IfThen(S::Op(n, boGreater, s.Int(10)), {S::Leave("l")}),
                                   S::IfThen(S::Op(i, boLess, s.Int(3)), {S::Iterate("l")})},
                                  s.Bool(true))});
         },
         Text("3|3")},
        {"a searched CASE takes the first true WHEN",
         [varchar10](S& s) {
             const auto r = s.Declare("r", "VARCHAR(10)", varchar10);
             s.SetBody({S::CaseOf(
                 {}, {{s.Int(0), {S::Set(r, s.Str("zero"))}}, {s.Int(2), {S::Set(r, s.Str("true2"))}}},
                 TSqlStatements{S::Set(r, s.Str("else"))})});
         },
         Text("true2")},
        {"a NULL selector matches no WHEN",
         [varchar10](S& s) {
             const auto i = s.Declare("i", "INT", kInt);
             const auto r = s.Declare("r", "VARCHAR(10)", varchar10);
             s.SetBody({S::CaseOf(i, {{s.Int(0), {S::Set(r, s.Str("m"))}}},
                                  TSqlStatements{S::Set(r, s.Str("nm"))})});
         },
         Text("NULL|nm")},
        {"a CASE without match and ELSE is error 1339",
         [varchar10](S& s) {
             const auto r = s.Declare("r", "VARCHAR(10)", varchar10);
             s.SetBody({S::CaseOf(s.Int(1), {{s.Int(2), {S::Set(r, s.Str("x"))}}})});
         },
         Error(1339)},
        {"LEAVE and ITERATE of an outer loop from an inner one",
         [](S& s) {
             const auto i = s.Declare("i", "INT", kInt, s.Int(0));
             const auto j = s.Declare("j", "INT", kInt, s.Int(0));
             s.SetBody({S::Loop("outer_loop", {S::Set(i, S::Op(i, boAdd, s.Int(1))),
                                               S::While("inner_loop", s.Bool(true),
                                                        {S::Set(j, S::Op(j, boAdd, s.Int(1))),
                                                         S::IfThen(S::Op(j, boGreaterOrEqual, s.Int(3)),
                                                                   {S::Leave("OUTER_LOOP")}),
                                                         S::Iterate("outer_loop")})})});
         },
         Text("3|3")},
        {"LEAVE of a labelled block continues after it",
         [](S& s) {
             const auto x = s.Declare("x", "INT", kInt);
             const auto y = s.Declare("y", "INT", kInt);
             s.SetBody({s.Block("b", {S::Set(x, s.Int(1)), S::Leave("b"), S::Set(x, s.Int(2))}),
                        S::Set(y, s.Int(3))});
         },
         Text("1|3")},
        {"IF NULL runs ELSE; ELSEIF takes the first true branch",
         [varchar10](S& s) {
             const auto r1 = s.Declare("r1", "VARCHAR(10)", varchar10);
             const auto r2 = s.Declare("r2", "VARCHAR(10)", varchar10);
             s.SetBody({S::IfThen(s.NullLiteral(), {S::Set(r1, s.Str("then"))}, {S::Set(r1, s.Str("else"))}),
                        S::IfChain(s.Int(0), {S::Set(r2, s.Str("a"))},
                                   {{s.NullLiteral(), {S::Set(r2, s.Str("b"))}},
                                    {s.Int(2), {S::Set(r2, s.Str("c"))}},
                                    {s.Int(3), {S::Set(r2, s.Str("d"))}}},
                                   {S::Set(r2, s.Str("e"))})});
         },
         Text("else|c")},
        {"DO and conditions take a division by zero as NULL",
         [varchar10](S& s) {
             const auto r = s.Declare("r", "VARCHAR(10)", varchar10);
             const auto quotient = S::Op(s.Int(1), boDivide, s.Int(0));
             s.SetBody(
                 {S::Do(quotient), S::IfThen(S::Unary(uoIsNull, quotient), {S::Set(r, s.Str("null"))})});
         },
         Text("null")},
        {"a user variable takes a division by zero as NULL",
         [](S& s) {
             const auto a = s.UserVariable("@StatementInterpreterTest_a");
             s.SetBody({S::Set(a, s.Int(1)), S::Set(a, S::Op(s.Int(1), boDivide, s.Int(0)))});
         },
         Null()},
    };
}

// SET of one declared variable under the server's strict sql_mode.
struct TAssignmentCase {
    const char* type;
    core::TDatatypeCharacteristics characteristics;
    std::function<TSqlExpression(TSqlBuilder&)> value;
    TOutcome expected;
};

std::vector<TAssignmentCase> AssignmentCases() {
    using S = TSqlBuilder;
    const auto quotient = [](S& s) { return S::Op(s.Int(1), boDivide, s.Int(0)); };
    const auto text = [](const char* t) { return [t](S& s) { return s.Str(t); }; };
    const auto decimal = core::MySQLTypeCharacteristics(246, {}, false, -1, 5, 2, "");
    const auto dbl = core::MySQLTypeCharacteristics(5, {}, false, -1, -1, core::kScaleNotSpecified, "");
    const auto intUnsigned = core::MySQLTypeCharacteristics(3, {}, true, -1, -1, 0, "");
    const auto bigint = core::MySQLTypeCharacteristics(8, {}, false, -1, -1, 0, "");
    return {
        {"INT", kInt, quotient, Error(1365)},
        {"INT", kInt, [quotient](S& s) { return S::Unary(uoIsNull, S::Brackets(quotient(s))); }, Error(1365)},
        {"INT", kInt, [](S& s) { return S::Op(s.Int(1), boIntegerDivide, s.Int(0)); }, Error(1365)},
        {"INT", kInt, [](S& s) { return S::Op(s.Int(1), boModulo, s.Int(0)); }, Error(1365)},
        {"INT", kInt, [quotient](S& s) { return S::Op(s.NullLiteral(), boAnd, quotient(s)); }, Error(1365)},
        {"INT", kInt, [quotient](S& s) { return S::Op(s.Int(0), boAnd, quotient(s)); }, Text("0")},
        {"INT", kInt, [quotient](S& s) { return S::If(s.Int(1), s.Int(2), quotient(s)); }, Text("2")},
        {"INT", kInt, [](S& s) { return s.Dec("2.5"); }, Text("3")},
        {"INT", kInt, text("abc"), Error(1366)},
        {"INT", kInt, text(""), Error(1366)},
        {"INT", kInt, text("-"), Error(1366)},
        {"INT", kInt, text("12abc"), Error(1265)},
        {"INT", kInt, text(" 12 "), Text("12")},
        {"INT", kInt, text("12.5"), Text("13")},
        {"INT", kInt, text(".5"), Text("1")},
        {"INT", kInt, text("1e2"), Text("100")},
        {"TINYINT", kTinyint, [](S& s) { return s.Int(1000); }, Error(1264)},
        {"TINYINT", kTinyint, [](S& s) { return S::Op(s.Int(100), boAdd, s.Int(100)); }, Error(1264)},
        {"TINYINT", kTinyint, [](S& s) { return s.Int(-129); }, Error(1264)},
        {"TINYINT", kTinyint, [](S& s) { return s.Dec("127.6"); }, Error(1264)},
        {"TINYINT", kTinyint, text("1e3"), Error(1264)},
        {"INT UNSIGNED", intUnsigned, [](S& s) { return s.Int(-1); }, Error(1264)},
        {"BIGINT", bigint, [](S& s) { return S::Op(s.Int(9223372036854775807), boAdd, s.Int(1)); },
         Error(1690)},
        {"VARCHAR(2)", Varchar(2), text("abc"), Error(1406)},
        {"VARCHAR(2)", Varchar(2), text("ab   "), Text("ab")},
        {"VARCHAR(2)", Varchar(2), [](S& s) { return s.Int(123); }, Error(1406)},
        {"VARCHAR(2)", Varchar(2), text("\xC3\xA9\xC3\xA9"), Text("\xC3\xA9\xC3\xA9")},
        {"VARCHAR(2)", Varchar(2), text("\xC3\xA9\xC3\xA9\xC3\xA9"), Error(1406)},
        {"DECIMAL(5,2)", decimal, text("abc"), Error(1366)},
        {"DECIMAL(5,2)", decimal, text("1.5x"), Error(1265)},
        {"DOUBLE", dbl, text("abc"), Error(1366)},
    };
}

// A fresh program per script, since a script declares its variables in the main block.
class TScriptRun {
public:
    TScriptRun() { converter_.SetDefaultCodePage(rtl::kCodePageUtf8); }

    TSqlBuilder& Builder() { return builder_; }

private:
    core::TDataConverter converter_;
    TInterpreterProgram program_{&converter_};
    TSqlBuilder builder_{program_};
};

template <class Check>
void ForEachScript(Check check) {
    for (const TScriptCase& row : ControlFlowCases()) {
        TScriptRun run;
        row.build(run.Builder());
        check(run.Builder(), row.expected, row.name);
    }
    for (const TAssignmentCase& row : AssignmentCases()) {
        TScriptRun run;
        TSqlBuilder& s = run.Builder();
        const auto v = s.Declare("v", row.type, row.characteristics);
        const TSqlStatement assignment = TSqlBuilder::Set(v, row.value(s));
        s.SetBody({assignment});
        check(s, row.expected, row.type + std::string(": ") + assignment.sql);
    }
}

TEST(StatementInterpreterScriptTest, ControlFlowAndAssignmentsGiveWhatTheServerGives) {
    ForEachScript([](TSqlBuilder& script, const TOutcome& expected, const std::string& name) {
        EXPECT_EQ(script.RunLocally(), expected) << name;
    });
}

TEST(StatementInterpreterScriptTest, TheServerAgreesWithTheScripts) {
    const auto& settings = VELTRANE_REQUIRE_SERVER();
    testsupport::RawSession session(settings);
    ForEachScript([&](TSqlBuilder& script, const TOutcome& expected, const std::string& name) {
        EXPECT_EQ(ServerOutcome(session, script.ServerScript()), expected) << name << "\n"
                                                                           << script.ServerScript();
    });
}

} // namespace
} // namespace engine
