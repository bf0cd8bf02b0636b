#include "app/uDebugCommands.h"

#include <gtest/gtest.h>

#include <string>

#include "app/VeltraneServerFixture.h"

namespace app {
namespace {

TEST(DebugCommandStatesTest, FollowSessionAndBusy) {
    struct TCase {
        bool session, busy;
        TDebugCommandStates expected;
    };
    // run, run to cursor, step into, step over, pause, reset, compile
    const TCase cases[] = {
        {false, false, {true, true, false, false, false, false, true}},
        {true, false, {true, true, true, true, false, true, false}},
        {true, true, {false, false, false, false, true, true, false}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DebugCommandStates(c.session, c.busy), c.expected) << c.session << c.busy;
}

TEST(ViewRefreshThrottleTest, RefreshesAtMostOnceASecondAcrossTheTickWrap) {
    TViewRefreshThrottle throttle;
    EXPECT_TRUE(throttle.IsDue(5000)) << "the first resume of a run refreshes";
    throttle.Refreshed(5000);
    EXPECT_FALSE(throttle.IsDue(5400));
    EXPECT_FALSE(throttle.IsDue(6000));
    EXPECT_TRUE(throttle.IsDue(6001));

    throttle.Refreshed(0xFFFFFF00u);
    EXPECT_FALSE(throttle.IsDue(0x100u)) << "512 ms across the wrap";
    EXPECT_TRUE(throttle.IsDue(0x400u)) << "1280 ms across the wrap";
}

TEST(EmptyMainBlockMessageTest, NamesTheReasonAndShowsASample) {
    const std::string message = EmptyMainBlockMessage();
    EXPECT_EQ(message.rfind("The debugging process has stopped for the following reason: the <Main> block "
                            "contains no executable statements.\r\n\r\nTake a look",
                            0),
              0u);
    EXPECT_NE(message.find("\r\n  CALL add_employee(employee_id, employee_name);\r\nEND\r\n\r\nTo quickly"),
              std::string::npos);
    EXPECT_EQ(message.back(), '.');
}

using DebugCommandsServerTest = VeltraneServerTest;

TEST_F(DebugCommandsServerTest, MainBlockIsEmptyOnlyWhenNothingNestedExecutes) {
    const std::pair<const char*, bool> cases[] = {
        {"BEGIN\nEND", true},
        {"BEGIN\n  BEGIN\n  END;\nEND", true},
        {"BEGIN\n  BEGIN\n    BEGIN\n    END;\n  END;\n  BEGIN\n  END;\nEND", true},
        {"BEGIN\n  SET @a = 1;\nEND", false},
        {"BEGIN\n  BEGIN\n  END;\n  SET @a = 1;\nEND", false},
        {"BEGIN\n  BEGIN\n    SELECT 1;\n  END;\nEND", false},
    };
    for (const auto& [text, empty] : cases) {
        CompileMain(text);
        EXPECT_EQ(MainBlockIsEmpty(veltrane->MainRoutine()), empty) << text;
    }
}

TEST_F(DebugCommandsServerTest, StepOverRunsToTheNextLineAndLeavesFromTheLast) {
    CompileMain("BEGIN\n"
                "  DECLARE i INT DEFAULT 0;\n"
                "  WHILE i < 2 DO\n"
                "    SET i = i + 1;\n"
                "  END WHILE;\n"
                "  SET @done = i;\n"
                "END");
    veltrane->Start(true);
    ASSERT_TRUE(veltrane->IsRunning());
    const int first = veltrane->CurrentLine();
    StepOver(*veltrane);
    Settle();
    EXPECT_GT(veltrane->CurrentLine(), first);
    EXPECT_EQ(veltrane->CurrentRoutine(), &veltrane->MainRoutine());
    EXPECT_EQ(veltrane->TemporaryBreakPoints().Count(), 0) << "cleared at the stop";

    // The block's END is its last executable line.
    while (veltrane->IsRunning() && veltrane->CurrentLine() != 7) {
        StepOver(*veltrane);
        Settle();
    }
    ASSERT_EQ(veltrane->CurrentLine(), 7);
    StepOver(*veltrane);
    Settle();
    EXPECT_FALSE(veltrane->IsRunning()) << "stepping from the last line leaves the main block";
}

TEST_F(DebugCommandsServerTest, RunToCursorStopsAtTheCaretLine) {
    CompileMain("BEGIN\n"
                "  SET @a = 1;\n"
                "  SET @b = 2;\n"
                "  SET @c = 3;\n"
                "END");
    AddRunToCursorBreakpoint(*veltrane, veltrane->MainRoutine(), 4);
    veltrane->Start(false);
    ASSERT_TRUE(veltrane->IsRunning());
    EXPECT_EQ(veltrane->CurrentLine(), 4);
    veltrane->Stop(true);
}

} // namespace
} // namespace app
