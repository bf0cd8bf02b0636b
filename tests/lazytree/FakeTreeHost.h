#pragma once

#include "lazytree/LazyTreeModel.h"
#include "lazytree/TreeHost.h"

#include <cstdint>
#include <vector>

namespace lazytree::test {

// A window of fixed client size for a model: records invalidation, scroll bars and redraw switches.
class TFakeTreeHost : public ITreeHost {
public:
    explicit TFakeTreeHost(int width = 200, int height = 100) : width_(width), height_(height) {}

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
    TTreePoint CursorPos() const override { return cursor; }
    void Resize(int width, int height) {
        width_ = width;
        height_ = height;
    }

    std::vector<bool> redrawSwitches;
    std::vector<TTreeRect> invalidated;
    int fullInvalidations = 0;
    std::vector<std::pair<int, int>> scrolls;
    TScrollBarState verticalBar;
    TScrollBarState horizontalBar;
    TTreePoint cursor;

private:
    int width_;
    int height_;
};

} // namespace lazytree::test
