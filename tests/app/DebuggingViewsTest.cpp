// What the call stack, local variables, watch list and breakpoint list windows show.
#include <gtest/gtest.h>

#include "app/fruBreakpoints.h"
#include "app/fruCallStack.h"
#include "app/fruLocalVariables.h"
#include "app/fruOutput.h"
#include "app/fruWatchList.h"
#include "app/VeltraneServerFixture.h"
#include "engine/model/uDebugger.h"

namespace app {
namespace {

class DebuggingViewsTest : public VeltraneServerTest {
protected:
    void TearDown() override {
        if (veltrane && veltrane->IsRunning()) veltrane->Stop(true);
        if (session) session->Execute("DROP PROCEDURE IF EXISTS " + p1 + "; DROP PROCEDURE IF EXISTS " + p2);
    }

    void CreateProcedures() {
        session->Execute("DROP PROCEDURE IF EXISTS " + p1 + "; DROP PROCEDURE IF EXISTS " + p2);
        session->Execute("CREATE PROCEDURE " + p2 + "(IN s VARCHAR(10))\nBEGIN\n  SET @seen = s;\nEND");
        session->Execute("CREATE PROCEDURE " + p1 + "(IN n INT)\nBEGIN\n  CALL " + p2 + "('x');\nEND");
    }

    const std::string p1 = Unique("views_p1");
    const std::string p2 = Unique("views_p2");

    std::string Qualified(const std::string& name) const {
        return "`" + settings.database + "`.`" + name + "`";
    }
};

std::vector<std::string> Texts(const std::vector<TCallStackLine>& lines) {
    std::vector<std::string> texts;
    for (const auto& line : lines)
        texts.push_back(line.text + " @" + std::to_string(line.line));
    return texts;
}

TEST_F(DebuggingViewsTest, CallStackListsTheCurrentRoutineItsCallersAndTheMainBlock) {
    EXPECT_EQ(Texts(CallStackLines(*veltrane)), std::vector<std::string>{"<Process is not accessible> @-1"});

    CreateProcedures();
    CompileMain("BEGIN\n  SET @a = 1;\n  CALL " + p1 + "(5);\nEND");
    veltrane->Start(true);
    EXPECT_EQ(Texts(CallStackLines(*veltrane)), (std::vector<std::string>{"<Main> @1"}))
        << "a step start stops at BEGIN";

    veltrane->BreakPoints().Add(Qualified(p2), 1, 3);
    veltrane->Run();
    Settle();
    ASSERT_TRUE(veltrane->IsRunning());
    const auto lines = CallStackLines(*veltrane);
    EXPECT_EQ(Texts(lines), (std::vector<std::string>{p2 + "('x') @3", p1 + "(5) @3", "<Main> @3"}));
    EXPECT_EQ(lines[2].routine, &veltrane->MainRoutine());
}

TEST_F(DebuggingViewsTest, LocalVariablesListTheInnermostBlockFirstAndHiddenOnesToo) {
    EXPECT_TRUE(LocalVariableLines(*veltrane).empty());
    CompileMain("BEGIN\n"
                "  DECLARE a INT DEFAULT 1;\n"
                "  DECLARE s VARCHAR(5) DEFAULT 'o';\n"
                "  BEGIN\n"
                "    DECLARE a INT DEFAULT 2;\n"
                "    SET s = 'in';\n"
                "  END;\n"
                "END");
    veltrane->BreakPoints().Add("", 0, 6);
    veltrane->Start(false);
    ASSERT_EQ(veltrane->CurrentLine(), 6);
    std::vector<std::u16string> texts;
    for (const auto& line : LocalVariableLines(*veltrane))
        texts.push_back(line.text);
    EXPECT_EQ(texts, (std::vector<std::u16string>{u"a: 2", u"a: 1", u"s: 'o'"}));
}

TEST_F(DebuggingViewsTest, WatchesShowDisabledInaccessibleValuesAndErrors) {
    EXPECT_EQ(WatchValueText(*veltrane, u"1+1", true), u"[process not accessible]");
    EXPECT_EQ(WatchValueText(*veltrane, u"1+1", false), u"<disabled>");
    CompileMain("BEGIN\n  DECLARE i INT DEFAULT 41;\n  SET i = i + 1;\nEND");
    veltrane->Start(true);
    veltrane->StepInto();
    ASSERT_TRUE(veltrane->IsRunning());
    EXPECT_EQ(WatchValueText(*veltrane, u"i + 1", true), u"42");
    EXPECT_EQ(WatchValueText(*veltrane, u"i + 1", false), u"<disabled>");
    EXPECT_NE(WatchValueText(*veltrane, u"no_such_column", true).find(u"no_such_column"),
              std::u16string::npos);
}

TEST_F(DebuggingViewsTest, BreakpointRowsNameTheMainBlockAndQualifiedRoutines) {
    veltrane->BreakPoints().Add("", 0, 3);
    veltrane->BreakPoints().Add("`db1`.`p1`", 1, 7).SetCondition(u"i > 2");
    veltrane->BreakPoints().Items(0).SetEnabled(false);
    const auto rows = BreakpointRows(*veltrane);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].module, "<Main>");
    EXPECT_EQ(rows[0].line, "3");
    EXPECT_FALSE(rows[0].enabled);
    EXPECT_EQ(rows[1].module, "db1.p1");
    EXPECT_EQ(rows[1].condition, u"i > 2");
    EXPECT_EQ(rows[1].breakpoint, &veltrane->BreakPoints().Items(1));
}

TEST_F(DebuggingViewsTest, OutputShowsEveryMessageOfARunWithItsImage) {
    struct TRecorder {
        void Message(const std::shared_ptr<core::IEvent>& event) {
            const auto message = std::dynamic_pointer_cast<engine::IDebuggMessageEvent>(event);
            ASSERT_TRUE(message);
            lines.push_back(OutputLine(*message));
        }
        std::vector<TOutputLine> lines;
    } recorder;
    const auto handler = core::TEventHandler::Of<&TRecorder::Message>(&recorder);
    const auto& lines = recorder.lines;
    veltrane->Messages().AddHandler(handler);
    CompileMain("BEGIN\n"
                "  CREATE TEMPORARY TABLE views_t (a INT);\n"
                "  SELECT 1 UNION SELECT 2;\n"
                "  DROP TEMPORARY TABLE views_t;\n"
                "END");
    veltrane->Start(false);
    veltrane->Messages().RemoveHandler(handler);

    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], (TOutputLine{"Debugging started", 2}));
    EXPECT_EQ(lines[1].imageIndex, 4);
    EXPECT_EQ(lines[1].caption.rfind("0 row(s) affected (", 0), 0u) << lines[1].caption;
    EXPECT_EQ(lines[2].imageIndex, 3);
    EXPECT_EQ(lines[2].caption.rfind("2 row(s) returned (", 0), 0u) << lines[2].caption;
    EXPECT_NE(lines[2].caption.find(" sec) to view the data, use the Show results command"),
              std::string::npos);
    EXPECT_EQ(lines[3].imageIndex, 4);
    EXPECT_EQ(lines[4], (TOutputLine{"Debugging completed", 2}));
}

} // namespace
} // namespace app
