#include "lazytree/LazyTreeModel.h"
#include "platform/ui/Clock.h"
#include "platform/ui/Timers.h"

#include <algorithm>
#include <cstdlib>

namespace lazytree {

namespace {

// Distance of the panning mouse from its anchor before the view moves.
constexpr int kPanningDeadZone = 8;
// Within this distance of the anchor the panning cursor shows the resting shape.
constexpr int kPanningRest = 7;
// Every wheel-panning tick, as long as the panning lasts.
constexpr uint32_t kPanningInterval = 20;

} // namespace

bool TLazyTreeModel::ApplyScrollOffset(int x, int y, const TTreeRect* clip) {
    // The upper bound wins: a view larger than its content stays at 0.
    x = std::min(std::max(x, ClientWidth() - rangeX_), 0);
    y = std::min(std::max(y, ClientHeight() - rangeY_), 0);
    const int deltaX = x - offsetX_;
    const int deltaY = y - offsetY_;
    if (deltaX == 0 && deltaY == 0) return false;
    offsetX_ = x;
    offsetY_ = y;
    if (updateCount_ == 0 && HandleAllocated()) {
        if (!states_.Contains(tsToggling)) {
            const TTreeRect client{0, 0, ClientWidth(), ClientHeight()};
            host_->ScrollContent(deltaX, deltaY, clip ? *clip : client);
        }
        if (deltaX != 0 && !states_.Contains(tsSizing)) UpdateHorizontalScrollBar();
        if (deltaY != 0 && !states_.Contains(tsSizing) && !states_.Contains(tsThumbTracking)) {
            UpdateVerticalScrollBar();
            // Without columns the horizontal range depends on the nodes in view.
            if (!states_.Contains(tsDrawSelecting)) UpdateHorizontalScrollBar();
        }
    }
    DoScroll(deltaX, deltaY);
    return true;
}

void TLazyTreeModel::UpdateScrollBars() {
    if (!HandleAllocated()) {
        UpdateRanges();
        return;
    }
    UpdateVerticalScrollBar();
    UpdateHorizontalScrollBar();
}

void TLazyTreeModel::UpdateVerticalScrollBar() {
    UpdateRanges();
    if (states_.Contains(tsUpdating) || !HandleAllocated()) return;
    TScrollBarState bar;
    if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) {
        const bool needed = ClientHeight() < rangeY_;
        if (needed || alwaysVisible_)
            bar = {true, needed, rangeY_, std::max(0, ClientHeight() + 1), -offsetY_};
    }
    host_->SetScrollBar(false, bar);
    ApplyScrollOffset(offsetX_, -bar.Position);
}

void TLazyTreeModel::UpdateHorizontalScrollBar() {
    rangeX_ = ContentWidth();
    if (states_.Contains(tsUpdating) || !HandleAllocated()) return;
    TScrollBarState bar;
    if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) {
        const bool needed = ClientWidth() < rangeX_;
        if (needed || alwaysVisible_)
            bar = {true, needed, rangeX_, std::max(0, ClientWidth() + 1), -offsetX_};
    }
    host_->SetScrollBar(true, bar);
    ApplyScrollOffset(bar.Visible ? -bar.Position : offsetX_, offsetY_);
}

bool TLazyTreeModel::ScrollIntoView(PLazyNode node, bool center) {
    if (!node || node == root_) return false;
    // Every collapsed ancestor opens, outermost first.
    std::vector<PLazyNode> collapsed;
    for (PLazyNode run = node->Parent; run != root_; run = run->Parent)
        if (!run->States.Contains(nsExpanded)) collapsed.push_back(run);
    for (auto it = collapsed.rbegin(); it != collapsed.rend(); ++it)
        ToggleNode(*it);
    const TTreeRect r = GetDisplayRect(node, kNoColumn, !options_.MiscOptions.Contains(toGridExtensions));
    const int half = center ? ClientHeight() / 2 : 0;
    if (r.Top < 0) {
        SetOffsetY(offsetY_ - r.Top + half);
        return true;
    }
    if (r.Bottom > ClientHeight() || center) {
        SetOffsetY(offsetY_ + (center ? half : ClientHeight()) - r.Bottom);
        return true;
    }
    return false;
}

// --- Auto-scroll ------------------------------------------------------------------------------------

bool TLazyTreeModel::CanAutoScroll() const {
    const bool wheel = WheelPanning();
    if (!options_.AutoOptions.Contains(toAutoScroll) && !wheel) return false;
    return states_.Contains(tsDrawSelPending) || states_.Contains(tsDrawSelecting) || dropTarget_ ||
           states_.Contains(tsVCLDragging) || wheel;
}

TScrollDirections TLazyTreeModel::DetermineScrollDirections(int x, int y) {
    TScrollDirections result;
    if (!CanAutoScroll()) return result;
    if (WheelPanning()) {
        const int dx = x - panningAnchor_.X;
        const int dy = y - panningAnchor_.Y;
        if (dx < -kPanningDeadZone) result.Include(sdLeft);
        if (dx > kPanningDeadZone) result.Include(sdRight);
        if (dy < -kPanningDeadZone) result.Include(sdUp);
        if (dy > kPanningDeadZone) result.Include(sdDown);
        return result;
    }
    const int band = defaultNodeHeight_;
    if (x < band && offsetX_ != 0) result.Include(sdLeft);
    if (ClientWidth() - offsetX_ < rangeX_ && x > ClientWidth() - band) result.Include(sdRight);
    if (y < band && offsetY_ != 0) result.Include(sdUp);
    if (ClientHeight() - offsetY_ < rangeY_ && y > ClientHeight() - band) result.Include(sdDown);
    if (result.Empty()) {
        // Each approach to an edge waits for the delay again.
        autoScrollStart_ = 0;
        return result;
    }
    const bool inside = x >= 0 && y >= 0 && x < ClientWidth() && y < ClientHeight();
    if (!inside) return result; // dragged beyond the tree: at once
    const uint64_t now = ui::Clock().Now();
    if (autoScrollStart_ == 0) autoScrollStart_ = now == 0 ? 1 : now;
    if (now - autoScrollStart_ < autoScrollDelay_) return {};
    return result;
}

void TLazyTreeModel::DoAutoScroll(int x, int y) {
    scrollDirections_ = DetermineScrollDirections(x, y);
    if (WheelPanning()) return;
    // Inside the edge band the delay is already running: the timer waits for what is left of it.
    const bool waiting = scrollDirections_.Empty() && autoScrollStart_ != 0;
    const bool running = states_.Contains(tsScrollPending) || states_.Contains(tsScrolling);
    if ((!scrollDirections_.Empty() || waiting) && !running) {
        DoStateChange({tsScrollPending});
        const uint64_t elapsed = ui::Clock().Now() - autoScrollStart_;
        StartTimer(ScrollTimer,
                   waiting ? static_cast<uint32_t>(autoScrollDelay_ - elapsed) : autoScrollDelay_);
    } else if (scrollDirections_.Empty() && !waiting && running) {
        StopAutoScroll();
    }
}

void TLazyTreeModel::StopAutoScroll() {
    ui::Timers().KillTimer(this, ScrollTimer);
    DoStateChange({}, {tsScrollPending, tsScrolling});
}

void TLazyTreeModel::DoTimerScroll() {
    if (!host_) return;
    const TTreePoint p = host_->CursorPos();
    const bool inside = p.X >= 0 && p.Y >= 0 && p.X < ClientWidth() && p.Y < ClientHeight();
    const bool wheel = WheelPanning();
    const bool selecting = states_.Contains(tsDrawSelecting);
    if (selecting || inside || wheel) {
        // Inside the tree one increment a tick; outside, one per pixel of distance from the edge.
        const int stepY = std::min(verticalIncrement_, ClientHeight());
        int deltaX = 0;
        int deltaY = 0;
        if (scrollDirections_.Contains(sdUp)) {
            deltaY = wheel ? panningAnchor_.Y - p.Y - kPanningDeadZone : inside ? stepY : stepY * -p.Y;
            if (offsetY_ == 0) scrollDirections_.Exclude(sdUp);
        }
        if (scrollDirections_.Contains(sdDown)) {
            deltaY = wheel    ? panningAnchor_.Y - p.Y + kPanningDeadZone
                     : inside ? -stepY
                              : -stepY * (p.Y - ClientHeight());
            if (ClientHeight() - offsetY_ >= rangeY_) scrollDirections_.Exclude(sdDown);
        }
        if (scrollDirections_.Contains(sdLeft)) {
            deltaX = wheel    ? panningAnchor_.X - p.X - kPanningDeadZone
                     : inside ? horizontalIncrement_
                              : horizontalIncrement_ * -p.X;
            if (offsetX_ == 0) scrollDirections_.Exclude(sdLeft);
        }
        if (scrollDirections_.Contains(sdRight)) {
            deltaX = wheel    ? panningAnchor_.X - p.X + kPanningDeadZone
                     : inside ? -horizontalIncrement_
                              : -horizontalIncrement_ * (p.X - ClientWidth());
            if (ClientWidth() - offsetX_ >= rangeX_) scrollDirections_.Exclude(sdRight);
        }
        if (deltaX != 0 || deltaY != 0) ApplyScrollOffset(offsetX_ + deltaX, offsetY_ + deltaY);
    }
    if (scrollDirections_.Empty() && !wheel) StopAutoScroll();
}

void TLazyTreeModel::StartWheelPanning(TTreePoint position) {
    ui::Timers().KillTimer(this, ScrollTimer);
    DoStateChange({tsWheelPanning, tsWheelScrolling}, {tsScrollPending, tsScrolling});
    panningAnchor_ = position;
    scrollDirections_.Clear();
    StartTimer(ScrollTimer, kPanningInterval);
}

void TLazyTreeModel::StopWheelPanning() {
    if (!WheelPanning()) return;
    ui::Timers().KillTimer(this, ScrollTimer);
    DoStateChange({}, {tsWheelPanning, tsWheelScrolling});
    scrollDirections_.Clear();
}

TPanningCursor TLazyTreeModel::PanningCursor(int x, int y) const {
    const bool horizontal = rangeX_ > ClientWidth();
    const bool vertical = rangeY_ > ClientHeight();
    const int dx = x - panningAnchor_.X;
    const int dy = y - panningAnchor_.Y;
    if (std::abs(dx) <= kPanningRest && std::abs(dy) <= kPanningRest) {
        if (!horizontal) return pcMoveNS;
        return vertical ? pcMoveAll : pcMoveEW;
    }
    if (horizontal && vertical) {
        const auto row = [dy](TPanningCursor up, TPanningCursor middle, TPanningCursor down) {
            return dy < -kPanningDeadZone ? up : dy <= kPanningDeadZone ? middle : down;
        };
        if (dx < -kPanningDeadZone) return row(pcMoveNW, pcMoveW, pcMoveSW);
        if (dx > kPanningDeadZone) return row(pcMoveNE, pcMoveE, pcMoveSE);
        return dy < 0 ? pcMoveN : pcMoveS;
    }
    if (horizontal) return dx < 0 ? pcMoveW : pcMoveE;
    return dy < 0 ? pcMoveN : pcMoveS;
}

} // namespace lazytree
