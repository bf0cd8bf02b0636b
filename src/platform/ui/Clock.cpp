#include "platform/ui/Clock.h"

#include "platform/rtl/Threads.h"
#include "platform/ui/Timers.h"

namespace ui {

namespace {

class TSystemClock : public TClock {
public:
    uint64_t Now() const override { return rtl::GetTickCount(); }
};

TSystemClock systemClock;
TClock* currentClock = &systemClock;

} // namespace

TClock& Clock() {
    return *currentClock;
}

void SetClock(TClock* clock) {
    currentClock = clock ? clock : &systemClock;
}

uint32_t GetTickCount() {
    return static_cast<uint32_t>(currentClock->Now());
}

void TManualClock::Advance(uint64_t ms) {
    const uint64_t target = now_ + ms;
    // Step from one due timer to the next, so each runs seeing its own time.
    while (auto due = Timers().NextDue()) {
        if (*due > target) break;
        now_ = std::max(now_, *due);
        Timers().FireDue(now_);
    }
    now_ = target;
}

} // namespace ui
