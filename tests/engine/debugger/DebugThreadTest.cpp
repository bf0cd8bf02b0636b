#include "engine/debugger/uDebugThread.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/uDBAConnection.h"
#include "engine/CompilerTestSupport.h"
#include "engine/DebugThreadTestSupport.h"
#include "engine/model/uMetadataImp.h"
#include "engine/model/uStatements.h"

namespace engine {
namespace {

// A local loop of two passes.
constexpr const char* kLoop = "BEGIN\n"
                              "  DECLARE i INT DEFAULT 0;\n"
                              "  WHILE i < 2 DO\n"
                              "    SET i = i + 1;\n"
                              "  END WHILE;\n"
                              "END";

// A CASE without a matching branch fails three statement levels below the block.
constexpr const char* kDeepError = "BEGIN\n"
                                   "  DECLARE i INT DEFAULT 0;\n"
                                   "  WHILE i < 1 DO\n"
                                   "    IF i = 0 THEN\n"
                                   "      CASE i WHEN 5 THEN SET i = 9; END CASE;\n"
                                   "    END IF;\n"
                                   "  END WHILE;\n"
                                   "END";

struct TStop {
    int line;
    std::string error;
};

// Runs the compiled main routine on a debug thread; the test thread decides the stops.
class DebugThreadTest : public CompilerTest {
protected:
    // Whether a hook is a stop; the default stops at errors only.
    std::function<bool(TDebugThread&)> isStop = [](TDebugThread& thread) { return !thread.Error().Empty(); };

    void Start() {
        thread = std::make_unique<TDebugThread>(program, nullptr, [this](TDebugThread& sender) {
            EXPECT_TRUE(rtl::IsMainThread());
            const TExceptionInfo error = sender.Error();
            stops.push_back(
                {sender.CurrentLine(), error.Empty() ? "" : error.ClassName + ": " + error.Message});
            if (isStop(sender))
                waiting = true;
            else
                sender.RequestResume(rmRun);
        });
        thread->OnTerminate = [this](rtl::TThread&) { ended = true; };
        thread->Start();
    }

    // Serves the thread until it waits at a stop or has ended.
    void WaitForStop() {
        PumpUntil([this] { return waiting || ended; });
    }

    void Resume(TResumeMode mode) {
        waiting = false;
        thread->RequestResume(mode);
    }

    std::vector<int> StopLines() const {
        std::vector<int> lines;
        for (const TStop& stop : stops)
            lines.push_back(stop.line);
        return lines;
    }

    std::unique_ptr<TDebugThread> thread;
    std::vector<TStop> stops;
    bool waiting = false;
    bool ended = false;
};

TEST_F(DebugThreadTest, StepsThroughEveryHookButTheRoutinesOwnBlock) {
    CompileMain(kLoop);
    isStop = [](TDebugThread&) { return true; };
    Start();
    std::vector<int> lines;
    for (WaitForStop(); !ended; WaitForStop()) {
        lines.push_back(thread->CurrentLine());
        EXPECT_EQ(thread->CurrentRoutine(), &program.MainRoutine());
        ASSERT_TRUE(thread->Context());
        ASSERT_LE(lines.size(), 20u);
        Resume(rmRun);
    }
    // Entering the BEGIN, the WHILE test three times around two SETs, leaving at END.
    EXPECT_EQ(lines, (std::vector<int>{1, 3, 4, 3, 4, 3, 6}));
    EXPECT_TRUE(thread->Error().Empty());
    EXPECT_FALSE(thread->Context());
    EXPECT_FALSE(thread->Statement());
}

TEST_F(DebugThreadTest, AHookThatIsNoStopGoesOnWithinTheHandOver) {
    CompileMain(kLoop);
    Start();
    WaitForStop();
    EXPECT_TRUE(ended);
    EXPECT_EQ(StopLines(), (std::vector<int>{1, 3, 4, 3, 4, 3, 6}));
    EXPECT_EQ(ValueText(*MainBlock()->FindLocalSymbol("i")->GetValue()), "2");
}

TEST_F(DebugThreadTest, AnErrorStopsOnceAtTheInnermostStatement) {
    CompileMain(kDeepError);
    Start();
    WaitForStop();
    ASSERT_FALSE(ended);
    EXPECT_EQ(thread->CurrentLine(), 5);
    Resume(rmRun);
    WaitForStop();
    EXPECT_TRUE(ended);
    const std::string error = "EDBAConnectionException: Error code: 1339, SQLState: 20000, Message: Case not "
                              "found for CASE statement";
    // Only the stop at the CASE carries the error, and the run's end does not raise it again.
    std::vector<std::string> errors;
    for (const TStop& stop : stops)
        if (!stop.error.empty()) errors.push_back(std::to_string(stop.line) + " " + stop.error);
    EXPECT_EQ(errors, std::vector<std::string>{"5 " + error});
    EXPECT_TRUE(thread->Error().Empty());
}

TEST_F(DebugThreadTest, TerminatingEndsTheRunWithoutFurtherHooksOrError) {
    CompileMain(kLoop);
    isStop = [](TDebugThread&) { return true; };
    Start();
    WaitForStop();
    ASSERT_EQ(StopLines(), std::vector<int>{1});
    Resume(rmTerminate);
    WaitForStop();
    EXPECT_TRUE(ended);
    EXPECT_EQ(StopLines(), std::vector<int>{1});
    EXPECT_TRUE(thread->Error().Empty());
}

TEST_F(DebugThreadTest, DestroyingAWaitingThreadEndsItsRun) {
    CompileMain(kLoop);
    isStop = [](TDebugThread&) { return true; };
    Start();
    WaitForStop();
    thread.reset();
    EXPECT_TRUE(ended);
}

// A program whose run is a function of the test.
class TScriptedProgram : public TProgram {
public:
    TScriptedProgram(std::shared_ptr<ISchema> schema, core::TDataConverter* converter)
        : TProgram(std::move(schema), converter) {}
    void Run(const std::shared_ptr<IDebugger>& debugger) override { run(*debugger); }

    std::function<void(IDebugger&)> run;
};

class DebugThreadScriptedTest : public ::testing::Test {
protected:
    void RunToEnd(const TDebugThread::TOutputEvent& onOutput = {}) {
        thread = std::make_unique<TDebugThread>(program, onOutput,
                                                [](TDebugThread& sender) { sender.RequestResume(rmRun); });
        thread->OnTerminate = [this](rtl::TThread&) { ended = true; };
        thread->Start();
        PumpUntil([this] { return ended; });
    }

    core::TDataConverter converter;
    TScriptedProgram program{std::make_shared<TSchema>(), &converter};
    std::unique_ptr<TDebugThread> thread;
    bool ended = false;
};

TEST_F(DebugThreadScriptedTest, AnErrorThatEndsTheRunUnreportedIsKept) {
    program.run = [](IDebugger&) { throw rtl::EConversionError("bad value"); };
    RunToEnd();
    EXPECT_EQ(thread->Error().ClassName, "EConversionError");
    EXPECT_EQ(thread->Error().Message, "bad value");
}

TEST_F(DebugThreadScriptedTest, AReturnEndingTheRunIsNoError) {
    program.run = [](IDebugger&) { throw EReturn(core::NullDataValue()); };
    RunToEnd();
    EXPECT_TRUE(thread->Error().Empty());
}

TEST_F(DebugThreadScriptedTest, OutputReachesItsHandlerOnTheUserInterfaceThread) {
    program.run = [this](IDebugger& debugger) {
        debugger.Output(mkError, u"warned", nullptr, nullptr, program.MainRoutine());
        debugger.Output(mkInformation, u"told", nullptr, nullptr, program.MainRoutine());
    };
    std::vector<std::u16string> texts;
    RunToEnd([&](TDebugMessageKind, const std::u16string& text, const std::shared_ptr<core::IQueryResult>&,
                 const std::shared_ptr<IStatement>&, TRoutine&) {
        EXPECT_TRUE(rtl::IsMainThread());
        texts.push_back(text);
    });
    EXPECT_EQ(texts, (std::vector<std::u16string>{u"warned", u"told"}));
}

// A later error must stop even when it happens to be created where an earlier, reported one lived.
TEST_F(DebugThreadScriptedTest, EachNewErrorIsReported) {
    auto statement = std::make_shared<TCompositeStatement>();
    int reported = 0;
    program.run = [&](IDebugger& debugger) {
        for (int i = 0; i < 3; ++i) {
            try {
                throw rtl::Exception("again");
            } catch (rtl::Exception& error) {
                bool handled = true;
                debugger.OnException(error, program.MainRoutine(), handled, statement);
                EXPECT_FALSE(handled);
                debugger.OnException(error, program.MainRoutine(), handled, statement);
            }
        }
    };
    thread = std::make_unique<TDebugThread>(program, nullptr, [&](TDebugThread& sender) {
        if (!sender.Error().Empty()) ++reported;
        sender.RequestResume(rmRun);
    });
    thread->OnTerminate = [this](rtl::TThread&) { ended = true; };
    thread->Start();
    PumpUntil([this] { return ended; });
    EXPECT_EQ(reported, 3);
}

TEST(FlowControlExceptionTest, ClassNamesCountIgnoringCase) {
    EXPECT_TRUE(IsFlowControlException(EBreak("")));
    EXPECT_TRUE(IsFlowControlException(EContinue("")));
    EXPECT_TRUE(IsFlowControlException(ELeave("")));
    EXPECT_TRUE(IsFlowControlException(EReset()));
    EXPECT_TRUE(IsFlowControlException(EReturn(core::NullDataValue())));
    EXPECT_TRUE(IsFlowControlException(EExitBlock(1)));
    EXPECT_FALSE(IsFlowControlException(rtl::Exception("x")));
    EXPECT_FALSE(IsFlowControlException(core::EDBAConnectionException("x", 1062, "23000")));
}

} // namespace
} // namespace engine
