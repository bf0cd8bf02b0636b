#include "engine/debugger/uVeltrane.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/uDataValues.h"
#include "core/uMySQLTypes.h"
#include "engine/debugger/uDebugMessages.h"
#include "engine/DebugThreadTestSupport.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Utf.h"
#include "support/ErrorText.h"
#include "support/MariaDBConnection.h"
#include "support/SQLMonitorLog.h"
#include "support/TestServer.h"

namespace engine {
namespace {

using ::testing::ElementsAre;
using testsupport::ErrorMessageOf;

// The local loop that the stepping scenarios run.
constexpr const char* kLoop = "BEGIN\n"
                              "  DECLARE i INT DEFAULT 0;\n"
                              "  WHILE i < 2 DO\n"
                              "    SET i = i + 1;\n"
                              "  END WHILE;\n"
                              "END";

struct TMessage {
    TDebugMessageKind kind;
    std::string text;
    int line;

    bool operator==(const TMessage&) const = default;
};

std::ostream& operator<<(std::ostream& stream, const TMessage& message) {
    return stream << "(" << int(message.kind) << ", \"" << message.text << "\", " << message.line << ")";
}

const TMessage kStarted{mkInformation, "Debugging started", 1};

// A facade over the test server's database, recording its callbacks and output messages.
class VeltraneTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings = VELTRANE_REQUIRE_SERVER();
        session = std::make_unique<testsupport::RawSession>(settings, settings.database);
        connection = std::make_shared<testsupport::MariaDBConnection>(settings, settings.database);
        connection->Connect();
        const auto count = [](int& counter) { return [&counter](TVeltrane&) { ++counter; }; };
        veltrane = std::make_unique<TVeltrane>(
            connection, count(paused), count(started), count(stopped),
            [tick = TimeLimitedTick()](TVeltrane&) { tick(); }, count(resumed));
        veltrane->Messages().AddHandler(core::TEventHandler::Of<&VeltraneTest::Message>(this));
    }

    void TearDown() override {
        if (!veltrane) return;
        veltrane->Messages().RemoveHandler(core::TEventHandler::Of<&VeltraneTest::Message>(this));
        veltrane.reset();
    }

    void Message(const std::shared_ptr<core::IEvent>& event) {
        EXPECT_TRUE(rtl::IsMainThread());
        const auto message = std::dynamic_pointer_cast<IDebuggMessageEvent>(event);
        ASSERT_TRUE(message);
        EXPECT_EQ(message->GetSender(), veltrane.get());
        messages.push_back({message->GetKind(), rtl::Utf16ToUtf8(message->GetText()), message->GetLine()});
        if (message->GetKind() == mkQueryResult) results.push_back(message->GetQueryResult());
    }

    void CompileMain(const std::string& text) {
        TRoutine& main = veltrane->MainRoutine();
        main.SetText(rtl::Utf8ToUtf16(text));
        main.Compile();
    }

    // Steps until the run ends; the lines of the stops.
    std::vector<int> StepToEnd() {
        std::vector<int> lines;
        while (veltrane->IsRunning() && lines.size() < 50) {
            veltrane->StepInto();
            lines.push_back(veltrane->CurrentLine());
        }
        return lines;
    }

    testsupport::ServerSettings settings;
    std::unique_ptr<testsupport::RawSession> session;
    std::shared_ptr<testsupport::MariaDBConnection> connection;
    std::unique_ptr<TVeltrane> veltrane;
    std::vector<TMessage> messages;
    std::vector<std::shared_ptr<core::IQueryResult>> results;
    int paused = 0;
    int started = 0;
    int stopped = 0;
    int resumed = 0;
};

TEST_F(VeltraneTest, RunsToTheEndWithoutBreakpoints) {
    CompileMain(kLoop);
    core::TIntegerList lines;
    veltrane->GetExecutableLines(veltrane->MainRoutine(), lines);
    EXPECT_EQ(lines.Count(), 4);
    testsupport::SQLMonitorLog monitor;
    veltrane->Start(false);
    EXPECT_FALSE(veltrane->IsRunning());
    EXPECT_FALSE(veltrane->Busy());
    EXPECT_EQ(veltrane->CurrentLine(), -1);
    // Only Start's own switch of the database reaches the monitor; the warning reset is hidden.
    ASSERT_EQ(monitor.lines.size(), 1u);
    EXPECT_THAT(monitor.lines[0], ::testing::StartsWith("use "));
    EXPECT_THAT(messages, ElementsAre(kStarted, TMessage{mkInformation, "Debugging completed", 6}));
    EXPECT_EQ(started, 1);
    EXPECT_EQ(stopped, 1);
    EXPECT_EQ(paused, 0);
    // No hook could stop, so none was handed to this thread to be resumed.
    EXPECT_EQ(resumed, 0);
    EXPECT_NO_THROW(veltrane->CheckError());
}

TEST_F(VeltraneTest, StepsFromABreakpointThroughEveryHook) {
    CompileMain(kLoop);
    veltrane->BreakPoints().Add("", rkAnonymousBlock, 1);
    veltrane->Start(false);
    ASSERT_TRUE(veltrane->IsRunning());
    EXPECT_EQ(veltrane->CurrentLine(), 1);
    EXPECT_EQ(veltrane->CurrentRoutine(), &veltrane->MainRoutine());
    EXPECT_FALSE(veltrane->Busy());
    EXPECT_EQ(ErrorMessageOf([&] { veltrane->Start(false); }), "Debugging process is already started");
    // The last StepInto ends the run.
    EXPECT_EQ(StepToEnd(), (std::vector<int>{3, 4, 3, 4, 3, 6, -1}));
    EXPECT_EQ(paused, 7);
    EXPECT_EQ(stopped, 1);
    EXPECT_EQ(messages.back(), (TMessage{mkInformation, "Debugging completed", 6}));
}

TEST_F(VeltraneTest, AConditionStopsOnlyWhereItHoldsAndEvaluatesAtTheStop) {
    CompileMain(kLoop);
    veltrane->BreakPoints().Add("", rkAnonymousBlock, 4).SetCondition(u"i = 1");
    veltrane->Start(false);
    ASSERT_TRUE(veltrane->IsRunning());
    EXPECT_EQ(veltrane->CurrentLine(), 4);
    EXPECT_EQ(veltrane->EvaluateToText(u"i"), u"1");
    testsupport::SQLMonitorLog monitor;
    EXPECT_EQ(veltrane->EvaluateToText(u"CONCAT('i=', i)"), u"i=1");
    ASSERT_EQ(monitor.lines.size(), 3u);
    EXPECT_THAT(monitor.lines[0], ::testing::MatchesRegex("SET @debugger_internal_variable_[0-9]+=1"));
    EXPECT_THAT(monitor.lines[1],
                ::testing::MatchesRegex("select \\(CONCAT\\('i=', @debugger_internal_variable_"
                                        "[0-9]+\\)\\) as ExpressionValue"));
    EXPECT_EQ(veltrane->EvaluateForDisplay(u"i + 1", false), u"2");
    EXPECT_EQ(veltrane->EvaluateForDisplay(u"CONCAT('i=', i)", false), u"'i=1'");
    EXPECT_EQ(veltrane->EvaluateToText(u"nosuch"), u"Undeclared identifier: 'nosuch'");
    veltrane->Run();
    EXPECT_TRUE(veltrane->Busy());
    EXPECT_EQ(veltrane->EvaluateForDisplay(u"i", false), u"");
    EXPECT_EQ(veltrane->EvaluateForDisplay(u"i", true), u"process not accessible");
    PumpUntil([&] { return !veltrane->IsRunning(); });
    EXPECT_EQ(paused, 1);
    // Evaluation at the stop sends no output message.
    EXPECT_THAT(messages, ElementsAre(kStarted, TMessage{mkInformation, "Debugging completed", 6}));
}

TEST_F(VeltraneTest, WarningsOfTheUsersOwnExpressionsStayOutOfTheRoutine) {
    CompileMain("BEGIN\n"
                "  DECLARE s VARCHAR(5) DEFAULT '3a';\n"
                "  SET @w = 1;\n"
                "  SET @w = s + 1;\n"
                "END");
    veltrane->BreakPoints().Add("", rkAnonymousBlock, 3).SetCondition(u"s + 0 > 0");
    veltrane->Start(false);
    ASSERT_TRUE(veltrane->IsRunning());
    EXPECT_EQ(veltrane->EvaluateToText(u"s * 2"), u"6");
    veltrane->Run();
    PumpUntil([&] { return !veltrane->IsRunning(); });
    // Only the routine's own reading of the text warns.
    EXPECT_THAT(
        messages,
        ElementsAre(
            kStarted,
            TMessage{mkError,
                     "Error code: 1292, SQLState: 22007, Message: Truncated incorrect DOUBLE value: '3a'", 4},
            TMessage{mkInformation, "Debugging completed", 5}));
}

TEST_F(VeltraneTest, AnInvalidConditionStopsWithItsError) {
    CompileMain(kLoop);
    veltrane->BreakPoints().Add("", rkAnonymousBlock, 4).SetCondition(u"nosuch = 1");
    veltrane->Start(false);
    ASSERT_TRUE(veltrane->IsRunning());
    EXPECT_EQ(veltrane->CurrentLine(), 4);
    EXPECT_EQ(ErrorMessageOf([&] { veltrane->CheckError(); }),
              "Invalid breakpoint condition: nosuch = 1. Error message: Undeclared identifier: 'nosuch'");
    EXPECT_EQ(testsupport::ErrorOf([&] { veltrane->CheckError(); }), "no error");
}

TEST_F(VeltraneTest, StopEndsTheRunAtOnce) {
    CompileMain(kLoop);
    veltrane->BreakPoints().Add("", rkAnonymousBlock, 4);
    veltrane->Start(false);
    ASSERT_EQ(veltrane->CurrentLine(), 4);
    veltrane->Stop(true);
    EXPECT_FALSE(veltrane->IsRunning());
    EXPECT_EQ(paused, 1);
    EXPECT_EQ(stopped, 1);
    EXPECT_THAT(messages, ElementsAre(kStarted, TMessage{mkError, "Debugging interrupted by user", 6},
                                      TMessage{mkInformation, "Debugging completed", 6}));
    EXPECT_NO_THROW(veltrane->CheckError());
    EXPECT_EQ(ErrorMessageOf([&] { veltrane->StepInto(); }), "process not accessible");
    EXPECT_EQ(ErrorMessageOf([&] { veltrane->Run(); }), "process not accessible");
    EXPECT_EQ(ErrorMessageOf([&] { veltrane->EvaluateExpression(u"1"); }), "process not accessible");
}

TEST_F(VeltraneTest, PauseStopsARunningLoopAndStopWithoutWaitEndsIt) {
    CompileMain("BEGIN\n"
                "  DECLARE i INT DEFAULT 0;\n"
                "  WHILE i < 1000000 DO\n"
                "    SET i = i + 1;\n"
                "  END WHILE;\n"
                "END");
    veltrane->BreakPoints().Add("", rkAnonymousBlock, 1);
    veltrane->Start(false);
    veltrane->Run();
    veltrane->Pause();
    ASSERT_TRUE(veltrane->IsRunning());
    EXPECT_EQ(paused, 2);
    EXPECT_THAT(veltrane->CurrentLine(), ::testing::AnyOf(3, 4));
    EXPECT_EQ(resumed, 1);
    veltrane->Stop(false);
    PumpUntil([&] { return !veltrane->IsRunning(); });
    EXPECT_EQ(stopped, 1);
}

TEST_F(VeltraneTest, BreakpointsChangedDuringARunAreSeenByIt) {
    CompileMain("BEGIN\n"
                "  DECLARE i INT DEFAULT 0;\n"
                "  WHILE i < 1000000 DO\n"
                "    SET i = i + 1;\n"
                "  END WHILE;\n"
                "END");
    veltrane->BreakPoints().Add("", rkAnonymousBlock, 1);
    veltrane->BreakPoints().Add("", rkAnonymousBlock, 4).SetEnabled(false);
    veltrane->Start(false);
    ASSERT_EQ(veltrane->CurrentLine(), 1);
    veltrane->Run();
    // Enabled while the loop runs: the run stops there, long before its end.
    veltrane->BreakPoints().Items(1).SetEnabled(true);
    veltrane->CheckPaused();
    ASSERT_TRUE(veltrane->IsRunning());
    EXPECT_EQ(veltrane->CurrentLine(), 4);
    EXPECT_EQ(paused, 2);
    veltrane->Stop(true);
    EXPECT_EQ(stopped, 1);
}

TEST_F(VeltraneTest, TemporaryBreakpointsGoAtTheFirstStop) {
    CompileMain(kLoop);
    veltrane->TemporaryBreakPoints().Add("", rkAnonymousBlock, 4);
    veltrane->TemporaryBreakPoints().Add("", rkAnonymousBlock, 6);
    veltrane->Start(false);
    EXPECT_EQ(veltrane->CurrentLine(), 4);
    EXPECT_EQ(veltrane->TemporaryBreakPoints().Count(), 0);
    veltrane->TemporaryBreakPoints().Add("", rkAnonymousBlock, 6);
    veltrane->Stop(true);
    EXPECT_EQ(veltrane->TemporaryBreakPoints().Count(), 0);
}

TEST_F(VeltraneTest, AnErrorStopsOnceAndIsNotRaisedAgainAtTheEnd) {
    session->Execute("DROP TABLE IF EXISTS veltranetest_dup");
    session->Execute("CREATE TABLE veltranetest_dup (id INT PRIMARY KEY, v VARCHAR(20))");
    session->Execute("INSERT INTO veltranetest_dup VALUES (1,'a'),(2,'b'),(3,'c')");
    CompileMain(" BEGIN\n"
                "  DECLARE r VARCHAR(20) DEFAULT 'start';\n"
                "  b1: BEGIN\n"
                "    DECLARE EXIT HANDLER FOR 1062 SET r = 'dup';\n"
                "    INSERT INTO veltranetest_dup VALUES (1, 'again');\n"
                "    SET r = 'not reached';\n"
                "  END b1;\n"
                "  SELECT r;\n"
                "  INSERT INTO veltranetest_dup VALUES (2, 'again');\n"
                "  SELECT 'never';\n"
                "END");
    veltrane->Start(false);
    ASSERT_TRUE(veltrane->IsRunning());
    EXPECT_EQ(veltrane->CurrentLine(), 9);
    EXPECT_EQ(ErrorMessageOf([&] { veltrane->CheckError(); }),
              "Error code: 1062, SQLState: 23000, Message: Duplicate entry '2' for key 'PRIMARY'");
    veltrane->Run();
    PumpUntil([&] { return !veltrane->IsRunning(); });
    EXPECT_EQ(paused, 1);
    EXPECT_NO_THROW(veltrane->CheckError());
    EXPECT_THAT(
        messages,
        ElementsAre(kStarted,
                    TMessage{mkInformation,
                             "[HANDLED]Error code: 1062, SQLState: 23000, Message: Duplicate entry '1' for "
                             "key 'PRIMARY'",
                             5},
                    TMessage{mkQueryResult, "", 8}, TMessage{mkInformation, "Debugging completed", 11}));
    ASSERT_EQ(results.size(), 1u);
    EXPECT_TRUE(results[0]->HasResultSet());
    session->Execute("DROP TABLE veltranetest_dup");
}

TEST_F(VeltraneTest, StartingInStepModeStopsAtTheFirstBlock) {
    CompileMain(kLoop);
    veltrane->Start(true);
    ASSERT_TRUE(veltrane->IsRunning());
    EXPECT_EQ(veltrane->CurrentLine(), 1);
    ASSERT_TRUE(veltrane->GetCurrentContext());
    EXPECT_TRUE(veltrane->GetCurrentContext()->FindLocalSymbol("i"));
    veltrane->Stop(true);
}

TEST_F(VeltraneTest, AnEmptyMainRoutineReportsNoLine) {
    veltrane->Start(false);
    EXPECT_THAT(messages, ElementsAre(TMessage{mkInformation, "Debugging started", -1},
                                      TMessage{mkInformation, "Debugging completed", -1}));
}

TEST_F(VeltraneTest, StatementResultsReachTheHandlersOnTheUserInterfaceThread) {
    CompileMain("BEGIN\n"
                "  SELECT 1 AS one;\n"
                "  SELECT 2 AS two;\n"
                "END");
    veltrane->Start(false);
    EXPECT_THAT(messages,
                ElementsAre(kStarted, TMessage{mkQueryResult, "", 2}, TMessage{mkQueryResult, "", 3},
                            TMessage{mkInformation, "Debugging completed", 4}));
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[1]->RowCount(), 1);
}

TEST_F(VeltraneTest, MonitorLinesOfARunCanBeDeliveredOnTheUserInterfaceThread) {
    CompileMain("BEGIN\n"
                "  SELECT 1 AS one;\n"
                "END");
    std::vector<std::string> lines;
    core::SetSQLMonitor(SQLMonitorOnUserInterfaceThread([&](const std::string& text) {
        EXPECT_TRUE(rtl::IsMainThread());
        lines.push_back(text);
    }));
    veltrane->Start(false);
    core::SetSQLMonitor({});
    EXPECT_THAT(lines, ::testing::Contains("SELECT 1 AS one"));
}

TEST_F(VeltraneTest, BreakpointsMatchRoutineNamesIgnoringCase) {
    session->Execute("DROP PROCEDURE IF EXISTS veltranetest_scale");
    session->Execute(
        "CREATE PROCEDURE veltranetest_scale(INOUT x INT, IN k INT)\nBEGIN\n  SET x = x * k;\nEND");
    CompileMain("BEGIN\n"
                "  DECLARE a INT DEFAULT 5;\n"
                "  CALL veltranetest_scale(a, 3);\n"
                "  SELECT a;\n"
                "END");
    const std::string name = "`" + settings.database + "`.`VELTRANETEST_Scale`";
    veltrane->BreakPoints().Add(name, rkProcedure, 3);
    veltrane->Start(false);
    ASSERT_TRUE(veltrane->IsRunning());
    ASSERT_TRUE(veltrane->CurrentRoutine());
    EXPECT_EQ(veltrane->CurrentRoutine()->Kind(), rkProcedure);
    EXPECT_EQ(veltrane->CurrentLine(), 3);
    EXPECT_EQ(veltrane->EvaluateToText(u"x * k"), u"15");
    veltrane->Run();
    PumpUntil([&] { return !veltrane->IsRunning(); });
    EXPECT_NO_THROW(veltrane->CheckError());
    session->Execute("DROP PROCEDURE veltranetest_scale");
}

class StoreRoutineTest : public VeltraneTest {};

TEST_F(StoreRoutineTest, AFailingNewTextPutsTheOldRoutineBackUnchanged) {
    session->Execute("DROP PROCEDURE IF EXISTS veltranetest_store");
    session->Execute(
        "CREATE PROCEDURE veltranetest_store(INOUT x INT, IN k INT)\nBEGIN\n  SET x = x * k;\nEND");
    const std::string showCreate = "SHOW CREATE PROCEDURE veltranetest_store";
    const auto before = session->Query(showCreate).at(0).at(2);
    TRoutine* routine = veltrane->Program().GetProcedure("veltranetest_store", settings.database, false);
    ASSERT_TRUE(routine);
    session->Execute("CREATE DATABASE IF NOT EXISTS veltranetest_store_other");
    connection->UseDatabase("veltranetest_store_other");
    testsupport::SQLMonitorLog monitor;
    EXPECT_EQ(
        ErrorMessageOf([&] {
            StoreRoutine(*connection, *routine, u"CREATE PROCEDURE veltranetest_store() BEGIN SELEC 1; END");
        }),
        "Error code: 1064, SQLState: 42000, Message: You have an error in your SQL syntax; check the manual "
        "that corresponds to your MariaDB server version for the right syntax to use near '1; END' at line "
        "1");
    EXPECT_EQ(session->Query(showCreate).at(0).at(2), before);
    const std::string quotedName = "`" + settings.database + "`.`veltranetest_store`";
    EXPECT_THAT(monitor.lines,
                ElementsAre("SHOW CREATE PROCEDURE " + quotedName, "select (database()) as ExpressionValue",
                            "use `" + settings.database + "`", "DROP PROCEDURE " + quotedName,
                            "CREATE PROCEDURE veltranetest_store() BEGIN SELEC 1; END",
                            ::testing::StartsWith("ERROR: "), before.value_or(""),
                            "use `veltranetest_store_other`"));
    EXPECT_EQ(connection->GetCurrentDatabase(), "veltranetest_store_other");

    StoreRoutine(*connection, *routine, u"CREATE PROCEDURE veltranetest_store() SELECT 7");
    EXPECT_EQ(
        session->Scalar("SELECT ROUTINE_DEFINITION FROM information_schema.ROUTINES WHERE ROUTINE_SCHEMA = "
                        "DATABASE() AND ROUTINE_NAME = 'veltranetest_store'"),
        "SELECT 7");
    EXPECT_EQ(connection->GetCurrentDatabase(), "veltranetest_store_other");
    session->Execute("DROP PROCEDURE veltranetest_store");
    session->Execute("DROP DATABASE veltranetest_store_other");
}

TEST(DataValueToDisplayTextTest, QuotesTextOnly) {
    core::TDataConverter converter;
    converter.SetDefaultCodePage(rtl::kCodePageUtf8);
    const auto text = [&](const core::TDatatypeCharacteristics& type, const rtl::Variant& value) {
        return rtl::Utf16ToUtf8(DataValueToDisplayText(core::TRODataValue(value, type, &converter)));
    };
    EXPECT_EQ(rtl::Utf16ToUtf8(DataValueToDisplayText(*core::NullDataValue())), "NULL");
    EXPECT_EQ(text(core::Utf8StringCharacteristics(), rtl::Variant("it's")), "'it's'");
    EXPECT_EQ(text(core::StringCharacteristics(rtl::kCodePageBinary, 10), rtl::Variant("raw")), "raw");
    EXPECT_EQ(text(core::BareCharacteristics(core::dtInteger), rtl::Variant(std::int64_t{42})), "42");
    EXPECT_EQ(text(core::FloatCharacteristics(2), rtl::Variant(1.5)), "1.50");
}

TEST_F(VeltraneTest, FindsTheExpressionUnderThePosition) {
    const std::u16string text = u"SET total = total + cur_id;";
    EXPECT_EQ(veltrane->GetExpressionAt(text, 14), u"total");
    EXPECT_EQ(veltrane->GetExpressionAt(text, 22), u"cur_id");
    EXPECT_EQ(veltrane->GetExpressionAt(text, 100), u"");
}

} // namespace
} // namespace engine
