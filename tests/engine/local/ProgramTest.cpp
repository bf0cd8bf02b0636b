#include "engine/local/uProgram.h"
#include "support/ErrorText.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "core/uDataConverter.h"
#include "core/uMultiNotifier.h"
#include "core/uMySQLTypes.h"
#include "platform/rtl/Exception.h"

namespace engine {
namespace {

using rtl::Variant;

using testsupport::ErrorOf;

class TSchemaStub : public ISchema {
public:
    std::shared_ptr<ISchemaItem> GetItem(int) const override { return nullptr; }
    int Count() const override { return 0; }
    void Add(const std::shared_ptr<ISchemaItem>&) override {}
};

// Collects the begin line of every statement in a list, blocks included.
class TLineRecorder : public TStatementVisitor {
public:
    explicit TLineRecorder(core::TIntegerList& lines) : lines_(lines) {}
    void VisitStatement(const std::shared_ptr<IStatement>& statement) override {
        lines_.Add(statement->GetDebugInfo()->GetBeginLine());
    }
    void VisitBlock(const std::shared_ptr<IBlock>& block) override {
        for (int i = 0; i < block->GetStatements()->Count(); ++i)
            block->GetStatements()->GetStatement(i)->Accept(*this);
    }

private:
    core::TIntegerList& lines_;
};

// A program whose routine texts come from a map and whose "compiler" declares one DO statement per
// compile, on the line given by the text's length.
class TTestProgram : public TProgram {
public:
    explicit TTestProgram(core::TDataConverter* converter, std::string defaultSchema = "dbg")
        : TProgram(std::make_shared<TSchemaStub>(), converter), defaultSchema_(std::move(defaultSchema)) {}

    void Run(const std::shared_ptr<IDebugger>& debugger) override {
        lastDebugger = debugger;
        if (onRun) onRun();
    }
    std::unique_ptr<TStatementVisitor> CreateLineFiller(core::TIntegerList& lines) override {
        return std::make_unique<TLineRecorder>(lines);
    }
    void Parse(TRoutine& routine) override {
        parsed.push_back(routine.Name());
        if (routine.Text() == u"broken") throw rtl::Exception("Syntax error");
        const int line = static_cast<int>(routine.Text().size());
        routine.Block()->GetStatements()->Add(
            std::make_shared<TDOStatement>(std::make_shared<TDebugInfo>(line, line),
                                           std::make_shared<TLiteral>(ValueFactory().CreateInteger(1))));
    }
    TRoutine* LoadProcedure(const std::string& qualifiedName, bool compile) override {
        loaded.push_back(qualifiedName);
        const auto text = texts.find(qualifiedName);
        if (text == texts.end()) return nullptr;
        TRoutine& routine = AddProcedure(qualifiedName, text->second);
        if (compile) Compile(routine);
        return &routine;
    }
    std::u16string GetRoutineText(const TRoutine& routine) override { return texts[routine.Name()]; }
    std::string GetDefaultSchema() override { return defaultSchema_; }

    std::map<std::string, std::u16string> texts;
    std::vector<std::string> parsed;
    std::vector<std::string> loaded;
    std::function<void()> onRun;
    std::shared_ptr<IDebugger> lastDebugger;

private:
    std::string defaultSchema_;
};

class ProgramTest : public ::testing::Test {
protected:
    core::TDataConverter converter;
    TTestProgram program{&converter};
};

TEST_F(ProgramTest, EmptyNameIsTheMainRoutine) {
    TRoutine& main = program.MainRoutine();
    EXPECT_EQ(program.FindProcedure(""), &main);
    EXPECT_EQ(program.FindRoutine("", rkAnonymousBlock), &main);
    EXPECT_EQ(program.GetRoutine("ignored", "", true, rkAnonymousBlock), &main);
    EXPECT_EQ(program.FindFunction(""), nullptr);
    EXPECT_EQ(main.Kind(), rkAnonymousBlock);
    EXPECT_EQ(main.Name(), "");
    EXPECT_EQ(main.Text(), u"");
    EXPECT_FALSE(main.Compiled());
    EXPECT_EQ(main.Block()->GetParent(), nullptr);
    EXPECT_EQ(main.Block()->GetDebugInfo()->GetBeginLine(), -1);
    EXPECT_EQ(&main.Program(), &program);
}

TEST_F(ProgramTest, DuplicateRoutinesAreRefusedPerKind) {
    TRoutine& p = program.AddProcedure("`dbg`.`p`", u"CREATE PROCEDURE p() BEGIN END");
    EXPECT_EQ(p.Kind(), rkProcedure);
    EXPECT_EQ(ErrorOf([&] { program.AddProcedure("`dbg`.`p`", u""); }),
              "Exception: PROCEDURE `dbg`.`p` already exists");
    EXPECT_EQ(ErrorOf([&] { program.AddProcedure("DBG.P", u""); }),
              "Exception: PROCEDURE DBG.P already exists");

    TRoutine& f = program.AddFunction("`dbg`.`p`", u"");
    EXPECT_EQ(f.Kind(), rkFunction);
    EXPECT_EQ(ErrorOf([&] { program.AddFunction("dbg.p", u""); }),
              "Exception: FUNCTION dbg.p already exists");

    EXPECT_EQ(program.FindProcedure("dbg.P"), &p);
    EXPECT_EQ(program.FindFunction("`DBG`.p"), &f);
    EXPECT_EQ(program.FindRoutine("dbg.p", rkFunction), &f);
    EXPECT_EQ(program.ProcedureCount(), 1);
    EXPECT_EQ(program.FunctionCount(), 1);
    EXPECT_EQ(&program.Procedures(0), &p);
    EXPECT_EQ(&program.Functions(0), &f);
    EXPECT_EQ(ErrorOf([&] { program.Procedures(1); }), "EListError: List index out of bounds (1)");
}

TEST_F(ProgramTest, OnePartNamesNeedASchema) {
    program.AddProcedure("`dbg`.`p`", u"");
    // Lookups by name take no default schema, whatever the program's is.
    EXPECT_EQ(ErrorOf([&] { program.FindProcedure("p"); }),
              "EDefaultSchemaNotAssigned: Default schema not assigned");
    EXPECT_EQ(ErrorOf([&] { program.FindFunction("p"); }),
              "EDefaultSchemaNotAssigned: Default schema not assigned");
    EXPECT_EQ(program.GetProcedure("p", "dbg", false), program.FindProcedure("dbg.p"));
}

TEST_F(ProgramTest, UnknownKindsAreRefused) {
    EXPECT_EQ(ErrorOf([&] { program.FindRoutine("dbg.p", 3); }), "Exception: Unknown routine type 3");
    EXPECT_EQ(ErrorOf([&] { program.GetRoutine("p", "dbg", false, 7); }),
              "Exception: Unknown routine type 7");
    EXPECT_EQ(ErrorOf([&] { program.RemoveRoutine(program.MainRoutine()); }),
              "Exception: Unsupported routine type");
}

TEST_F(ProgramTest, RemoveFreesTheRoutine) {
    TRoutine& p = program.AddProcedure("`dbg`.`p`", u"");
    program.AddProcedure("`dbg`.`q`", u"");
    program.AddFunction("`dbg`.`p`", u"");
    program.RemoveRoutine(p);
    EXPECT_EQ(program.ProcedureCount(), 1);
    EXPECT_EQ(program.FindProcedure("dbg.p"), nullptr);
    EXPECT_NE(program.FindFunction("dbg.p"), nullptr);
    program.RemoveRoutine(*program.FindFunction("dbg.p"));
    EXPECT_EQ(program.FunctionCount(), 0);
}

TEST_F(ProgramTest, DisplayNamesDropTheDefaultSchema) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"`dbg`.`p`", "p"},
        {"`DBG`.`q`", "q"},
        {"`other`.`p`", "other.p"},
        {"`we``ird`.`p``q`", "we`ird.p`q"},
    };
    for (const auto& [name, display] : cases)
        EXPECT_EQ(program.RoutineDisplayName(program.AddProcedure(name, u"")), display) << name;
    EXPECT_EQ(program.RoutineDisplayName(program.AddFunction("`dbg`.`f`", u"")), "f");
    EXPECT_EQ(program.RoutineDisplayName(program.MainRoutine()), "<Main>");

    TTestProgram noDefault(&converter, "");
    EXPECT_EQ(noDefault.RoutineDisplayName(noDefault.AddProcedure("`dbg`.`p`", u"")), "dbg.p");
    EXPECT_EQ(noDefault.RoutineDisplayName(noDefault.MainRoutine()), "<Main>");
}

TEST_F(ProgramTest, RenameKeepsTheSchema) {
    TRoutine& p = program.AddProcedure("`other`.`p`", u"");
    program.RenameRoutine(p, "q");
    EXPECT_EQ(p.Name(), "`other`.`q`");
    program.RenameRoutine(p, "third.`r`");
    EXPECT_EQ(p.Name(), "`third`.`r`");
    EXPECT_EQ(program.FindProcedure("third.r"), &p);
}

TEST_F(ProgramTest, TextIsTrimmedAndOnlyRealChangesUncompile) {
    TRoutine& p = program.AddProcedure("`dbg`.`p`", u" \r\n\tBEGIN END\r\n");
    EXPECT_EQ(p.Text(), u"BEGIN END");
    p.Compile();
    ASSERT_TRUE(p.Compiled());
    p.SetText(u"\r\n  BEGIN END \t\r\n\r\n");
    EXPECT_TRUE(p.Compiled());
    EXPECT_EQ(p.Text(), u"BEGIN END");
    p.SetText(u"BEGIN  END");
    EXPECT_FALSE(p.Compiled());
    EXPECT_EQ(p.Text(), u"BEGIN  END");
}

TEST_F(ProgramTest, CompileClearsTheBlockAndParsesOnce) {
    TRoutine& p = program.AddProcedure("`dbg`.`p`", u"abc");
    p.Block()->AddSymbol(std::make_shared<TVariable>(
        "stale", core::NullDataValue(),
        program.ValueFactory().CreateVariableValue(core::BareCharacteristics(core::dtInteger))));
    program.Compile(p);
    program.Compile(p);
    EXPECT_EQ(program.parsed, std::vector<std::string>{"`dbg`.`p`"});
    EXPECT_TRUE(p.Compiled());
    EXPECT_EQ(p.Block()->SymbolCount(), 0);
    EXPECT_EQ(p.Block()->GetStatements()->Count(), 1);

    p.SetText(u"abcde");
    p.Compile();
    EXPECT_EQ(p.Block()->GetStatements()->Count(), 1); // compiled again into the cleared block
    core::TIntegerList lines;
    program.GetExecutableLines(p, lines);
    ASSERT_EQ(lines.Count(), 1);
    EXPECT_EQ(lines.Get(0), 5);
}

TEST_F(ProgramTest, CompileErrorLeavesTheRoutineUncompiled) {
    TRoutine& p = program.AddProcedure("`dbg`.`p`", u"broken");
    EXPECT_EQ(ErrorOf([&] { p.Compile(); }), "Exception: Syntax error");
    EXPECT_FALSE(p.Compiled());
    EXPECT_EQ(ErrorOf([&] { program.GetProcedure("p", "dbg", true); }), "Exception: Syntax error");
    p.SetText(u"fixed");
    EXPECT_EQ(program.GetProcedure("p", "dbg", true), &p);
    EXPECT_TRUE(p.Compiled());
}

TEST_F(ProgramTest, GetLoadsWhatIsNotRegistered) {
    program.texts["`dbg`.`p`"] = u"loaded";
    TRoutine* p = program.GetProcedure("p", "dbg", true);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->Text(), u"loaded");
    EXPECT_TRUE(p->Compiled());
    EXPECT_EQ(program.GetRoutine("dbg.p", "", false, rkProcedure), p);
    EXPECT_EQ(program.GetProcedure("missing", "dbg", false), nullptr);
    EXPECT_EQ(program.loaded, (std::vector<std::string>{"`dbg`.`p`", "`dbg`.`missing`"}));
    // The base program loads nothing.
    EXPECT_EQ(program.GetFunction("f", "dbg", true), nullptr);
}

TEST_F(ProgramTest, ReloadTakesTheTextAgain) {
    TRoutine& p = program.AddProcedure("`dbg`.`p`", u"old");
    p.Compile();
    program.texts["`dbg`.`p`"] = u"old  \r\n";
    p.Reload(false);
    EXPECT_TRUE(p.Compiled());
    program.texts["`dbg`.`p`"] = u"newer";
    p.Reload(false);
    EXPECT_EQ(p.Text(), u"newer");
    EXPECT_FALSE(p.Compiled());
    program.ReloadRoutine(p, true);
    EXPECT_TRUE(p.Compiled());
}

TEST_F(ProgramTest, CallStackNewestFirstAndCountOfCountsTheCalled) {
    TRoutine& main = program.MainRoutine();
    TRoutine& p = program.AddProcedure("`dbg`.`p`", u"");
    TRoutine& f = program.AddFunction("`dbg`.`f`", u"");
    TCallStack& stack = program.CallStack();
    stack.Push(main, p, "1, 'a'", 3);
    stack.Push(p, f, "2", -1);
    stack.Push(f, p, "3", 7);
    ASSERT_EQ(stack.Count(), 3);
    EXPECT_EQ(stack.GetEntry(0).Called, &p);
    EXPECT_EQ(stack.GetEntry(0).Caller, &f);
    EXPECT_EQ(stack.GetEntry(0).Line, 7);
    EXPECT_EQ(stack.GetEntry(1).Called, &f);
    EXPECT_EQ(stack.GetEntry(1).Line, -1);
    EXPECT_EQ(stack.GetEntry(2).Arguments, "1, 'a'");
    EXPECT_EQ(stack.CountOf(p), 2);
    EXPECT_EQ(stack.CountOf(f), 1);
    EXPECT_EQ(stack.CountOf(main), 0); // only ever a caller
    stack.Pop();
    EXPECT_EQ(stack.Count(), 2);
    EXPECT_EQ(stack.GetEntry(0).Called, &f);
    EXPECT_EQ(stack.CountOf(p), 1);
    EXPECT_EQ(ErrorOf([&] { stack.GetEntry(2); }), "EListError: List index out of bounds (2)");
}

TEST_F(ProgramTest, RunProgramKeepsTheReturnedValue) {
    const auto debugger = CreateNullDebugger();
    program.onRun = [&] { throw EReturn(program.ValueFactory().CreateInteger(42)); };
    RunProgram(program, debugger);
    EXPECT_EQ(program.LastResult()->AsVariant(), Variant(42));
    EXPECT_EQ(program.lastDebugger, debugger);

    program.onRun = nullptr;
    RunProgram(program, debugger);
    EXPECT_EQ(program.LastResult(), core::NullDataValue());

    program.SetLastResult(program.ValueFactory().CreateInteger(1));
    program.onRun = [] { throw ELeave("nowhere"); };
    EXPECT_EQ(ErrorOf([&] { RunProgram(program, debugger); }), "ELeave: nowhere");
    EXPECT_EQ(program.LastResult(), core::NullDataValue());
}

TEST(DataValueManagerTest, ValuesHaveTheirKinds) {
    core::TDataConverter converter;
    const TDataValueManager values(&converter);

    const auto hex = values.CreateHexValue("41");
    EXPECT_EQ(hex->AsString(), Variant("A"));
    EXPECT_EQ(hex->AsInteger(), Variant(65));
    EXPECT_EQ(hex->GetCharacteristics().DataType, core::dtString);
    EXPECT_EQ(hex->GetCharacteristics().CodePage, -1);
    EXPECT_EQ(values.CreateHexValue("0100")->AsInteger(), Variant(256));
    const auto bits = values.CreateBitValue("1000001");
    EXPECT_EQ(bits->AsString(), Variant("A"));
    EXPECT_EQ(bits->AsInteger(), Variant(65));

    const auto integer = values.CreateInteger(-7);
    EXPECT_EQ(integer->AsVariant(), Variant(-7));
    EXPECT_EQ(integer->GetCharacteristics().DataType, core::dtInteger);
    EXPECT_EQ(integer->GetCharacteristics().Length, core::kUnlimitedLength);
    // A bare integer holds every 64-bit number, also BIGINT UNSIGNED results.
    const auto big = values.CreateValue(Variant(std::numeric_limits<std::uint64_t>::max()), core::dtInteger);
    EXPECT_EQ(big->AsVariant(), Variant(std::numeric_limits<std::uint64_t>::max()));
    EXPECT_EQ(values.CreateBoolean(true)->GetCharacteristics().DataType, core::dtBoolean);
    EXPECT_EQ(values.CreateBoolean(false)->AsInteger(), Variant(0));

    EXPECT_EQ(values.CreateFloat(4, 3.5L)->GetCharacteristics().Scale, 4);
    EXPECT_EQ(values.CreateFloat(254, 1e3L)->GetCharacteristics().Scale, 254);
    EXPECT_EQ(values.CreateFloat(30, 1.0L)->GetCharacteristics().Scale, 18);
    EXPECT_EQ(values.CreateFloat(2, 1.234L)->AsString(), Variant("1.23"));

    const auto text = values.CreateString("é", 65001);
    EXPECT_EQ(text->GetCharacteristics().CodePage, 65001);
    EXPECT_EQ(text->GetCharacteristics().Length, core::kUnlimitedLength);
    EXPECT_EQ(text->AsWideString(), Variant(u"é"));

    const auto type = core::MySQLTypeCharacteristics(1, {}, false, -1, -1, 0, "");
    const auto holder = values.CreateVariableValue(type);
    EXPECT_TRUE(holder->IsNull());
    EXPECT_EQ(holder->GetCharacteristics().TypeName, "TINYINT");
    holder->Assign(values.CreateInteger(1000));
    EXPECT_EQ(holder->AsVariant(), Variant(127));
    EXPECT_EQ(values.Converter(), &converter);
}

TEST(NameTablesTest, KindsAndTheirWords) {
    EXPECT_EQ(RoutineKindNames[rkAnonymousBlock], "Anonymous Block");
    EXPECT_EQ(RoutineKindNames[rkFunction], "Function");
    EXPECT_EQ(RoutineKindNamesLower[rkProcedure], "procedure");
    EXPECT_EQ(SchemaItemKindNames[3], "Function");
    EXPECT_EQ(SchemaItemKindNames[1], "Schema");
}

TEST(DebuggerTest, NullDebuggerNeverStopsNorHandles) {
    core::TDataConverter converter;
    TTestProgram program(&converter);
    const auto debugger = CreateNullDebugger();
    EXPECT_EQ(debugger->GetResumeMode(), rmNone);
    rtl::Exception error("boom");
    bool handled = false;
    debugger->OnException(error, program.MainRoutine(), handled, program.MainRoutine().Block());
    EXPECT_FALSE(handled);
    debugger->BeforeStatement(program.MainRoutine(), program.MainRoutine().Block(),
                              program.MainRoutine().Block());
    debugger->Output(mkInformation, u"text", nullptr, program.MainRoutine().Block(), program.MainRoutine());
}

// A debugger on its own thread, handed out as an interface while the test owns it.
class TDebuggingThread : public TInterfacedThread, public TNullDebugger {
public:
    ~TDebuggingThread() override { destroyed = true; }
    static inline bool destroyed = false;

protected:
    void Execute() override { ran = true; }

public:
    std::atomic<bool> ran{false};
};

TEST(DebuggerTest, InterfacedThreadHandsOutReferencesThatDoNotOwnIt) {
    TDebuggingThread::destroyed = false;
    {
        TDebuggingThread thread;
        std::shared_ptr<IDebugger> debugger = thread.GetInterface<IDebugger>();
        ASSERT_TRUE(debugger);
        EXPECT_EQ(debugger.get(), static_cast<IDebugger*>(&thread));
        EXPECT_EQ(thread.GetInterface<ISchema>(), nullptr);
        debugger.reset();
        EXPECT_FALSE(TDebuggingThread::destroyed);
        thread.Start();
        thread.WaitFor();
        EXPECT_TRUE(thread.ran);
    }
    EXPECT_TRUE(TDebuggingThread::destroyed);
}

TEST(DebuggerTest, MessageEventsTravelThroughANotifier) {
    class TMessage : public core::TEvent, public IDebuggMessageEvent {
    public:
        explicit TMessage(void* sender) : core::TEvent(sender) {}
        std::u16string GetText() const override { return u"Debugging started"; }
        std::string GetRoutineName() const override { return ""; }
        std::uint8_t GetRoutineKind() const override { return rkAnonymousBlock; }
        int GetLine() const override { return -1; }
        std::shared_ptr<core::IQueryResult> GetQueryResult() const override { return nullptr; }
        TDebugMessageKind GetKind() const override { return mkInformation; }
    };
    struct TListener {
        void Handle(const std::shared_ptr<core::IEvent>& event) {
            if (auto message = std::dynamic_pointer_cast<IDebuggMessageEvent>(event))
                texts.push_back(message->GetText());
        }
        std::vector<std::u16string> texts;
    };
    int owner = 0;
    core::TMultiNotifier notifier(&owner);
    TListener listener;
    notifier.AddHandler(core::TEventHandler::Of<&TListener::Handle>(&listener));
    notifier.NotifyEvent(std::make_shared<TMessage>(&owner));
    notifier.Notify(); // a plain event is no message
    EXPECT_EQ(listener.texts, std::vector<std::u16string>{u"Debugging started"});
}

} // namespace
} // namespace engine
