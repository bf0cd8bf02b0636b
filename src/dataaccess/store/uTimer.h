// A timer component whose events run on the user-interface thread.
#pragma once

#include "platform/data/Component.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

namespace dataaccess {

// A timer component whose OnTimer runs on the UI thread (served by rtl::CheckSynchronize, which the
// event loop calls). A worker thread keeps the time; ticks do not queue up while the UI thread is
// busy. An exception in OnTimer goes to the application's handler.
class TWin32Timer : public data::TComponent {
public:
    explicit TWin32Timer(data::TComponent* owner = nullptr);
    ~TWin32Timer() override;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    // Milliseconds; 0 stops the timer.
    uint32_t Interval() const { return interval_; }
    void SetInterval(uint32_t value);
    // Without a handler the timer stands still.
    const std::function<void(TWin32Timer& sender)>& OnTimer() const { return onTimer_; }
    void SetOnTimer(std::function<void(TWin32Timer& sender)> handler);

private:
    struct TShared;

    // Starts counting the interval again, or stops.
    void UpdateTimer();
    void Tick();
    static void Run(std::shared_ptr<TShared> shared);

    bool enabled_ = true;
    uint32_t interval_ = 1000;
    std::function<void(TWin32Timer& sender)> onTimer_;
    std::shared_ptr<TShared> shared_;
    std::thread worker_;
    bool inTick_ = false;
};

} // namespace dataaccess
