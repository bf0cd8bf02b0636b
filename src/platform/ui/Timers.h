// Window timers and the timer component.
#pragma once

#include "platform/ui/Types.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace ui {

using TTimerId = uintptr_t;

// Window timers: each is keyed by its owner and an id, runs its procedure every interval
// milliseconds on the UI thread, and an interval of 0 never fires. With the system clock they run
// from the Qt event loop; with a manual clock, TManualClock::Advance runs them.
class TTimerService {
public:
    TTimerService();
    ~TTimerService();
    TTimerService(const TTimerService&) = delete;
    TTimerService& operator=(const TTimerService&) = delete;

    // Starts the timer, or restarts it with the new interval and procedure.
    void SetTimer(const void* owner, TTimerId id, uint32_t interval, std::function<void()> proc);
    // Whether the timer existed.
    bool KillTimer(const void* owner, TTimerId id);
    void KillTimers(const void* owner);
    bool IsActive(const void* owner, TTimerId id) const;

    // The earliest time a timer falls due on the clock, if any is running.
    std::optional<uint64_t> NextDue() const;
    // Runs, once each, the timers due at `now`, earliest first; a timer started meanwhile waits.
    void FireDue(uint64_t now);

private:
    struct Entry;
    std::vector<std::unique_ptr<Entry>> entries_;
    Entry* Find(const void* owner, TTimerId id) const;
};

TTimerService& Timers();

// A component that runs OnTimer every Interval milliseconds while it is enabled.
class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    uint32_t Interval() const { return interval_; }
    void SetInterval(uint32_t interval);
    TNotifyEvent OnTimer;

private:
    void Update();

    bool enabled_ = true;
    uint32_t interval_ = 1000;
};

} // namespace ui
