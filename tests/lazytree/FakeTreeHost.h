#pragma once

#include "lazytree/LazyTreeModel.h"
#include "lazytree/TreeHost.h"

#include <cstdint>
#include <map>
#include <vector>

namespace lazytree::test {

// A window of fixed client size for a model: records invalidation, scroll bars and redraw switches,
// and runs its timers on a manual clock.
class TFakeTreeHost : public ITreeHost {
public:
    explicit TFakeTreeHost(int width = 200, int height = 100) : width_(width), height_(height) {}

    void Attach(TLazyTreeModel& tree) { tree_ = &tree; }

    bool HandleAllocated() const override { return true; }
    int ClientWidth() const override { return width_; }
    int ClientHeight() const override { return height_; }
    void SetRedraw(bool on) override { redrawSwitches.push_back(on); }
    void Invalidate(const TTreeRect* rect) override {
        if (rect)
            invalidated.push_back(*rect);
        else
            ++fullInvalidations;
    }
    void ScrollContent(int dx, int dy, const TTreeRect&) override { scrolls.push_back({dx, dy}); }
    void SetScrollBar(bool horizontal, const TScrollBarState& state) override {
        (horizontal ? horizontalBar : verticalBar) = state;
    }
    void StartTimer(int id, uint32_t milliseconds) override { timers_[id] = {now_ + milliseconds, milliseconds}; }
    void StopTimer(int id) override { timers_.erase(id); }
    uint64_t TickCount() const override { return now_; }
    TTreePoint CursorPos() const override { return cursor; }

    bool TimerRunning(int id) const { return timers_.count(id) != 0; }
    // Moves the clock on, firing every timer that falls due on the way (a timer repeats until stopped).
    void Advance(uint64_t milliseconds) {
        const uint64_t end = now_ + milliseconds;
        for (;;) {
            int due = 0;
            uint64_t at = end + 1;
            for (const auto& [id, timer] : timers_)
                if (timer.due < at) {
                    due = id;
                    at = timer.due;
                }
            if (at > end) break;
            now_ = at;
            auto& timer = timers_[due];
            timer.due = at + (timer.interval ? timer.interval : 1);
            if (tree_) tree_->TimerFired(due);
        }
        now_ = end;
    }

    std::vector<bool> redrawSwitches;
    std::vector<TTreeRect> invalidated;
    int fullInvalidations = 0;
    std::vector<std::pair<int, int>> scrolls;
    TScrollBarState verticalBar;
    TScrollBarState horizontalBar;
    TTreePoint cursor;

private:
    struct TTimer {
        uint64_t due;
        uint32_t interval;
    };

    int width_;
    int height_;
    uint64_t now_ = 1000;
    std::map<int, TTimer> timers_;
    TLazyTreeModel* tree_ = nullptr;
};

} // namespace lazytree::test
