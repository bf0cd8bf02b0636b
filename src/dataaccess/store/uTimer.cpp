#include "dataaccess/store/uTimer.h"

#include "platform/rtl/Threads.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace dataaccess {

// What the worker and the UI thread share. A tick only reaches the timer while the generation it
// was counted in is still the current one.
struct TWin32Timer::TShared {
    std::mutex mutex;
    std::condition_variable changed;
    TWin32Timer* timer = nullptr; // nullptr once the timer is gone
    uint32_t interval = 0;        // 0: stopped
    uint64_t generation = 0;
    bool finished = false;
};

TWin32Timer::TWin32Timer(data::TComponent* owner)
    : data::TComponent(owner), shared_(std::make_shared<TShared>()) {
    shared_->timer = this;
    worker_ = std::thread(&TWin32Timer::Run, shared_);
}

TWin32Timer::~TWin32Timer() {
    {
        std::lock_guard lock(shared_->mutex);
        shared_->timer = nullptr;
        ++shared_->generation;
    }
    shared_->changed.notify_all();
    if (inTick_) {
        // Freed by its own handler: the worker waits for this very call to return.
        worker_.detach();
        return;
    }
    // The worker may wait for the UI thread to take a tick: serve it until it has stopped.
    for (;;) {
        {
            std::lock_guard lock(shared_->mutex);
            if (shared_->finished) break;
        }
        if (rtl::IsMainThread())
            rtl::CheckSynchronize(5);
        else
            rtl::Sleep(1);
    }
    worker_.join();
}

void TWin32Timer::SetEnabled(bool value) {
    if (value == enabled_) return;
    enabled_ = value;
    UpdateTimer();
}

void TWin32Timer::SetInterval(uint32_t value) {
    if (value == interval_) return;
    interval_ = value;
    UpdateTimer();
}

void TWin32Timer::SetOnTimer(std::function<void(TWin32Timer& sender)> handler) {
    onTimer_ = std::move(handler);
    UpdateTimer();
}

void TWin32Timer::UpdateTimer() {
    {
        std::lock_guard lock(shared_->mutex);
        shared_->interval = enabled_ && onTimer_ ? interval_ : 0;
        ++shared_->generation;
    }
    shared_->changed.notify_all();
}

void TWin32Timer::Tick() {
    // The handler may free the timer: only locals are used once it returns.
    const std::shared_ptr<TShared> shared = shared_;
    const auto handler = onTimer_;
    if (!handler) return;
    inTick_ = true;
    try {
        handler(*this);
    } catch (...) {
        data::HandleApplicationException(std::current_exception());
    }
    std::lock_guard lock(shared->mutex);
    if (shared->timer) inTick_ = false;
}

void TWin32Timer::Run(std::shared_ptr<TShared> shared) {
    std::unique_lock lock(shared->mutex);
    while (shared->timer) {
        if (shared->interval == 0) {
            shared->changed.wait(lock);
            continue;
        }
        const uint64_t generation = shared->generation;
        const bool restarted =
            shared->changed.wait_for(lock, std::chrono::milliseconds(shared->interval),
                                     [&] { return !shared->timer || shared->generation != generation; });
        if (restarted) continue;
        lock.unlock();
        rtl::Synchronize([&shared, generation] {
            TWin32Timer* timer;
            {
                std::lock_guard guard(shared->mutex);
                timer = shared->generation == generation ? shared->timer : nullptr;
            }
            if (timer) timer->Tick();
        });
        lock.lock();
    }
    shared->finished = true;
}

} // namespace dataaccess
