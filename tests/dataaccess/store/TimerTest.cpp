#include "dataaccess/store/uTimer.h"
#include "platform/data/Component.h"
#include "platform/rtl/Threads.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace dataaccess {
namespace {

// The UI thread's loop for `milliseconds`.
void Pump(uint32_t milliseconds) {
    const uint64_t end = rtl::GetTickCount() + milliseconds;
    while (rtl::GetTickCount() < end)
        rtl::CheckSynchronize(5);
}

TEST(TimerTest, FiresOnTheUIThreadUntilStopped) {
    TWin32Timer timer;
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 1000u);
    int ticks = 0;
    timer.SetInterval(50);
    timer.SetOnTimer([&](TWin32Timer& sender) {
        EXPECT_EQ(&sender, &timer);
        EXPECT_TRUE(rtl::IsMainThread());
        ++ticks;
    });
    Pump(300);
    EXPECT_GE(ticks, 3);
    EXPECT_LE(ticks, 7);

    for (auto stop : {+[](TWin32Timer& t) { t.SetInterval(0); }, +[](TWin32Timer& t) { t.SetEnabled(false); },
                      +[](TWin32Timer& t) { t.SetOnTimer(nullptr); }}) {
        stop(timer);
        ticks = 0;
        Pump(150);
        EXPECT_EQ(ticks, 0);
        timer.SetInterval(50);
        timer.SetEnabled(true);
        timer.SetOnTimer([&](TWin32Timer&) { ++ticks; });
        Pump(150);
        EXPECT_GE(ticks, 1);
    }
}

TEST(TimerTest, HandlerErrorsGoToTheApplicationAndTheHandlerMayFreeItsTimer) {
    std::string reported;
    data::SetApplicationExceptionHandler([&](std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            reported = e.what();
        }
    });
    auto timer = std::make_unique<TWin32Timer>();
    int ticks = 0;
    timer->SetInterval(20);
    timer->SetOnTimer([&](TWin32Timer&) {
        if (++ticks == 1) throw rtl::Exception("tick failed");
        timer.reset(); // restarting and freeing from inside a tick is allowed
    });
    Pump(200);
    data::SetApplicationExceptionHandler(nullptr);
    EXPECT_EQ(reported, "tick failed");
    EXPECT_EQ(ticks, 2);
    EXPECT_EQ(timer, nullptr);
}

} // namespace
} // namespace dataaccess
