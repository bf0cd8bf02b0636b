// The millisecond clock every delay of the user interface reads, and the tests' manual clock.
#pragma once

#include <cstdint>

namespace ui {

// The millisecond clock every delay of the user interface reads. The program uses the system's
// steady clock; tests install a manual clock and move it by hand.
class TClock {
public:
    virtual ~TClock() = default;
    // Milliseconds since some fixed start; never goes back.
    virtual uint64_t Now() const = 0;
};

class TManualClock : public TClock {
public:
    explicit TManualClock(uint64_t start = 0) : now_(start) {}
    uint64_t Now() const override { return now_; }
    // Moves the time on by `ms`, running each timer that falls due on the way at its own time.
    void Advance(uint64_t ms);

private:
    uint64_t now_;
};

// The clock in use (the system clock unless one was installed).
TClock& Clock();
// Installs `clock` (not owned); null goes back to the system clock.
void SetClock(TClock* clock);

// Installs a manual clock for the lifetime of the scope (tests).
class TManualClockScope {
public:
    explicit TManualClockScope(uint64_t start = 0) : clock_(start) { SetClock(&clock_); }
    ~TManualClockScope() { SetClock(nullptr); }
    TManualClockScope(const TManualClockScope&) = delete;
    TManualClockScope& operator=(const TManualClockScope&) = delete;
    TManualClock& operator*() { return clock_; }
    TManualClock* operator->() { return &clock_; }

private:
    TManualClock clock_;
};

// The clock's milliseconds in 32 bits: it wraps around after about 49.7 days, so compare tick counts
// only through their difference (TicksBetween).
uint32_t GetTickCount();
// Milliseconds from `start` to `end`, right across a wrap-around.
constexpr uint32_t TicksBetween(uint32_t start, uint32_t end) {
    return end - start;
}

} // namespace ui
