#include "docking/vzDockHideZone.h"

#include "platform/ui/Timers.h"

#include <algorithm>

namespace docking::hidezone {

// ---- Geometry ----

ui::TRect TvzZoneRing::Strip(TvzZoneEdge edge, const ui::TRect& client) const {
    const int t = thickness;
    switch (edge) {
    case zeLeft:
        return {client.Left, client.Top + (Holds(zeTop) ? t : 0), client.Left + t, client.Bottom};
    case zeTop:
        return {client.Left, client.Top, client.Right, client.Top + t};
    case zeRight:
        return {client.Right - t, client.Top + (Holds(zeTop) ? t : 0), client.Right, client.Bottom};
    case zeBottom:
        return {client.Left + (Holds(zeLeft) ? t : 0), client.Bottom - t,
                client.Right - (Holds(zeRight) ? t : 0), client.Bottom};
    }
    return {};
}

ui::TRect TvzZoneRing::Content(const ui::TRect& client) const {
    const int t = thickness;
    return {client.Left + (Holds(zeLeft) ? t : 0), client.Top + (Holds(zeTop) ? t : 0),
            client.Right - (Holds(zeRight) ? t : 0), client.Bottom - (Holds(zeBottom) ? t : 0)};
}

int TvzZoneRing::AvailableExtent(TvzZoneEdge edge, const ui::TRect& client) const {
    const ui::TRect content = Content(client);
    return std::max(0, edge == zeLeft || edge == zeRight ? content.Width() : content.Height());
}

ui::TRect TvzZoneRing::HostBounds(TvzZoneEdge edge, const ui::TRect& client, int extent) const {
    const ui::TRect strip = Strip(edge, client);
    const ui::TRect content = Content(client);
    extent = std::min(extent, AvailableExtent(edge, client));
    switch (edge) {
    case zeLeft:
        return {strip.Right, strip.Top, strip.Right + extent, content.Bottom};
    case zeTop:
        return {content.Left, strip.Bottom, content.Right, strip.Bottom + extent};
    case zeRight:
        return {strip.Left - extent, strip.Top, strip.Left, content.Bottom};
    case zeBottom:
        return {strip.Left, strip.Top - extent, strip.Right, strip.Top};
    }
    return {};
}

int HideSizeFor(int orientation, int stored, const TvzPlacementInfo& group) {
    if (orientation < zeLeft || orientation > zeBottom)
        throw rtl::EAssertionFailed("No hide zone on that side");
    if (stored != 0) return stored;
    const ui::TPoint size = group.alignment != alnClient ? group.size : group.floatSize;
    return orientation == zeLeft || orientation == zeRight ? size.X : size.Y;
}

// ---- Tabs ----

void LayoutTabs(std::vector<TvzHiddenTab>& tabs, TvzAutoHideCaptions captions, const TvzTabMetrics& metrics) {
    int offset = metrics.firstOffset;
    for (std::size_t i = 0; i < tabs.size(); ++i) {
        TvzHiddenTab& tab = tabs[i];
        const bool startsGroup = i == 0 || tabs[i - 1].group != tab.group;
        const bool groupGoesOn = i + 1 < tabs.size() && tabs[i + 1].group == tab.group;
        tab.position = startsGroup ? htpFirst : groupGoesOn ? htpMiddle : htpLast;
        tab.showCaption = captions == ahcAll || (captions == ahcActiveOnly && tab.state == kActiveTabState);
        if (startsGroup && i > 0) offset += metrics.groupGap;
        tab.left = offset;
        tab.width = metrics.width(tab);
        offset += tab.width;
    }
}

ui::TRect TabRect(const TvzHiddenTab& tab, TvzZoneEdge edge, const ui::TRect& strip) {
    const bool vertical = edge == zeLeft || edge == zeRight;
    const int length = vertical ? strip.Height() : strip.Width();
    if (tab.left >= length) return {};
    if (vertical) return {strip.Left, strip.Top + tab.left, strip.Right, strip.Top + tab.left + tab.width};
    return {strip.Left + tab.left, strip.Top, strip.Left + tab.left + tab.width, strip.Bottom};
}

int TabAt(const std::vector<TvzHiddenTab>& tabs, TvzZoneEdge edge, const ui::TRect& strip, ui::TPoint point) {
    for (std::size_t i = 0; i < tabs.size(); ++i) {
        if (TabRect(tabs[i], edge, strip).Contains(point)) return static_cast<int>(i);
    }
    return -1;
}

TvzTabMetrics StyleTabMetrics(const uistyle::TvzDockingUIStyle& style, TvzZoneEdge edge,
                              const TvzZoneRing& ring, const uistyle::TvzImage& image) {
    const bool vertical = edge == zeLeft || edge == zeRight;
    TvzTabMetrics metrics;
    metrics.firstOffset =
        style.GetMetric(vertical ? 9 : 8) + (edge == zeTop && ring.Holds(zeLeft) ? ring.thickness : 0);
    metrics.groupGap = 2 * style.GetMetric(4);
    metrics.width = [&style, image](const TvzHiddenTab& tab) {
        return style.GetHiddenTabWidth(tab.caption, uistyle::TvzTabItemState(tab.state), image,
                                       tab.showCaption);
    };
    return metrics;
}

void PaintZone(uistyle::TvzDockingUIStyle& style, ui::TCanvas& canvas, TvzZoneEdge edge,
               const ui::TRect& strip, const std::vector<TvzHiddenTab>& tabs,
               const uistyle::TvzImage& image) {
    const auto orientation = uistyle::TvzHideZoneOrientation(edge);
    style.DrawHideZone(canvas, strip, orientation, strip);
    for (const TvzHiddenTab& tab : tabs) {
        const ui::TRect rect = TabRect(tab, edge, strip);
        if (rect.IsEmpty()) break;
        style.DrawHiddenTab(canvas, rect, tab.caption, uistyle::TvzTabItemState(tab.state),
                            uistyle::TvzTabItemPosition(tab.position), orientation, tab.showCaption, image);
    }
}

// ---- Sliding ----

TvzHideZoneMotion::TvzHideZoneMotion(TvzZoneHost host, const TvzMotionSettings& settings)
    : host_(std::move(host)), settings_(settings) {}

TvzHideZoneMotion::~TvzHideZoneMotion() {
    ui::Timers().KillTimers(this);
}

void TvzHideZoneMotion::Start(Timer timer, uint32_t interval, void (TvzHideZoneMotion::*step)()) {
    ui::Timers().SetTimer(this, timer, interval, [this, step] { (this->*step)(); });
}

void TvzHideZoneMotion::Stop(Timer timer) {
    ui::Timers().KillTimer(this, timer);
}

bool TvzHideZoneMotion::Running(Timer timer) const {
    return ui::Timers().IsActive(this, timer);
}

bool TvzHideZoneMotion::SlidingOut() const {
    return Running(tSlideOut);
}
bool TvzHideZoneMotion::SlidingIn() const {
    return Running(tSlideIn);
}
bool TvzHideZoneMotion::HidePending() const {
    return Running(tHide);
}
bool TvzHideZoneMotion::ShowPending() const {
    return Running(tShow);
}

void TvzHideZoneMotion::Process(int tab, bool click) {
    if (shown_ >= 0 && tab == shown_) {
        Stop(tHide);
        Stop(tShow);
        if (SlidingIn()) SlideOut(shown_, hideSize_, false);
        return;
    }
    if (shown_ < 0 && tab < 0) {
        Stop(tShow);
        hovered_ = -1;
        return;
    }
    if (shown_ >= 0 && tab < 0) {
        if (host_.shownIsActive() || host_.dragging()) return;
        // Moving on outside must not keep postponing the hide.
        if (settings_.interval == 0)
            SlideIn(false);
        else if (!HidePending())
            Start(tHide, settings_.interval, &TvzHideZoneMotion::HideElapsed);
        return;
    }
    if (click) {
        ShowTabNow(tab);
        return;
    }
    if (tab == hovered_) return;
    hovered_ = tab;
    Stop(tSlideOut);
    Stop(tHide);
    Start(tShow, settings_.interval, &TvzHideZoneMotion::ShowElapsed);
}

void TvzHideZoneMotion::ShowTabNow(int tab) {
    Stop(tHide);
    Stop(tShow);
    if (shown_ >= 0 && shown_ != tab) HideAtOnce();
    SlideOut(tab, host_.activate(tab), false);
}

void TvzHideZoneMotion::SlideOut(int tab, int hideSize, bool immediate) {
    immediate = immediate || settings_.showSpeed == 0;
    if (!immediate && SlidingOut()) return;
    if (immediate)
        extent_ = hideSize;
    else if (!SlidingIn() && tab != shown_)
        extent_ = 0;
    hideSize_ = hideSize;
    if (tab != shown_) host_.enter(tab);
    shown_ = tab;
    if (!immediate) {
        Stop(tSlideIn);
        Start(tSlideOut, kStepInterval, &TvzHideZoneMotion::SlideOutStep);
    }
    host_.place(extent_);
}

void TvzHideZoneMotion::SlideOutStep() {
    if (host_.busy()) return;
    extent_ =
        std::min(hideSize_, extent_ + std::max(1, settings_.showSpeed / static_cast<int>(kStepInterval)));
    if (extent_ < hideSize_) {
        host_.place(extent_);
        return;
    }
    Stop(tSlideOut);
    SlideOut(shown_, hideSize_, true);
}

void TvzHideZoneMotion::SlideIn(bool immediate) {
    if (immediate || settings_.hideSpeed == 0) {
        HideAtOnce();
        return;
    }
    if (SlidingIn() || host_.shownIsActive()) return;
    Stop(tSlideOut);
    Start(tSlideIn, kStepInterval, &TvzHideZoneMotion::SlideInStep);
}

void TvzHideZoneMotion::SlideInStep() {
    if (host_.busy()) return;
    extent_ = std::max(0, extent_ - std::max(1, settings_.hideSpeed / static_cast<int>(kStepInterval)));
    if (extent_ > 0) {
        host_.place(extent_);
        return;
    }
    HideAtOnce();
}

void TvzHideZoneMotion::ShowElapsed() {
    if (host_.busy()) return;
    Stop(tShow);
    const int tab = hovered_;
    hovered_ = -1;
    ShowTabNow(tab);
}

void TvzHideZoneMotion::HideElapsed() {
    if (host_.busy()) return;
    Stop(tHide);
    SlideIn(false);
}

void TvzHideZoneMotion::HideAtOnce() {
    Stop(tSlideOut);
    Stop(tSlideIn);
    if (shown_ >= 0) host_.leave();
    shown_ = -1;
    extent_ = 0;
}

} // namespace docking::hidezone
