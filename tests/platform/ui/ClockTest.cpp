#include "platform/ui/Clock.h"
#include "platform/ui/Timers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ui {
namespace {

TEST(Clock, TickCountWrapsAroundIn32Bits) {
    TManualClockScope clock(0xFFFFFFF0ull);
    const uint32_t start = GetTickCount();
    clock->Advance(0x20);
    EXPECT_EQ(GetTickCount(), 0x10u);
    EXPECT_EQ(TicksBetween(start, GetTickCount()), 0x20u);
}

TEST(Clock, TimersFireAtTheirOwnTimesUnderTheManualClock) {
    TManualClockScope clock(1000);
    std::vector<std::string> log;
    const int owner = 0;
    Timers().SetTimer(&owner, 1, 30, [&] { log.push_back("a@" + std::to_string(GetTickCount())); });
    Timers().SetTimer(&owner, 2, 50, [&] { log.push_back("b@" + std::to_string(GetTickCount())); });
    Timers().SetTimer(&owner, 3, 0, [&] { log.push_back("never"); });
    clock->Advance(100);
    EXPECT_EQ(log, (std::vector<std::string>{"a@1030", "b@1050", "a@1060", "a@1090", "b@1100"}));
    EXPECT_EQ(GetTickCount(), 1100u);

    // Restarting a timer moves its next time; killing it stops it.
    log.clear();
    Timers().SetTimer(&owner, 1, 15, [&] { log.push_back("a'@" + std::to_string(GetTickCount())); });
    EXPECT_TRUE(Timers().KillTimer(&owner, 2));
    EXPECT_FALSE(Timers().KillTimer(&owner, 2));
    clock->Advance(20);
    EXPECT_EQ(log, (std::vector<std::string>{"a'@1115"}));
    Timers().KillTimers(&owner);
    EXPECT_FALSE(Timers().IsActive(&owner, 1));
    EXPECT_FALSE(Timers().IsActive(&owner, 3));
}

// A consumer that kills its own timer from inside the procedure runs exactly once.
TEST(Clock, ATimerProcedureMayKillItsTimer) {
    TManualClockScope clock;
    int fired = 0;
    const int owner = 0;
    Timers().SetTimer(&owner, 7, 10, [&] {
        ++fired;
        Timers().KillTimer(&owner, 7);
    });
    clock->Advance(100);
    EXPECT_EQ(fired, 1);
}

TEST(Clock, TimerComponentRunsWhileEnabledAndStopsWhenFreed) {
    TManualClockScope clock;
    int fired = 0;
    auto timer = std::make_unique<TTimer>(nullptr);
    timer->SetInterval(100);
    timer->OnTimer = [&](TObject* sender) {
        EXPECT_EQ(sender, timer.get());
        ++fired;
    };
    clock->Advance(250);
    EXPECT_EQ(fired, 2);
    timer->SetEnabled(false);
    clock->Advance(1000);
    EXPECT_EQ(fired, 2);
    timer->SetEnabled(true);
    timer.reset();
    clock->Advance(1000);
    EXPECT_EQ(fired, 2);
}

} // namespace
} // namespace ui
