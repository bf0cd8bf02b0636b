#include "docking/vzDockingNative.h"

#include "docking/vzDockManager.h"
#include "docking/vzDockTabs.h"

#include <algorithm>

namespace docking::native {

ui::TRect RegionArea(TvzDockingRegionType region, const ui::TRect& r, const ui::TRect& i) {
    const int top = std::max(r.Top, i.Top), bottom = std::min(r.Bottom, i.Bottom);
    ui::TRect band;
    switch (region) {
    case drtLeft:
        band = {r.Left, top, std::max(r.Left, i.Left), bottom};
        break;
    case drtTop:
        band = {r.Left, r.Top, r.Right, std::max(r.Top, i.Top)};
        break;
    case drtRight:
        band = {std::min(r.Right, i.Right), top, r.Right, bottom};
        break;
    case drtBottom:
        band = {r.Left, std::min(r.Bottom, i.Bottom), r.Right, r.Bottom};
        break;
    case drtInside:
        band = i;
        break;
    default:
        return {};
    }
    return band.IsEmpty() ? ui::TRect{} : band;
}

namespace {

// On a tab strip: before the tab under the point when it is on the tab's left half, else after it;
// off every tab, after the last one.
TvzRegionHit TabStripHit(const std::vector<ui::TRect>& tabs, int firstTab, ui::TPoint point) {
    int index = static_cast<int>(tabs.size()) - 1;
    for (std::size_t i = 0; i < tabs.size(); ++i) {
        if (tabs[i].Contains(point)) index = static_cast<int>(i);
    }
    const ui::TRect& tab = tabs[static_cast<std::size_t>(index)];
    return {point.X <= tab.Left + tab.Width() / 2 ? drtInsideBefore : drtInside, firstTab + index};
}

} // namespace

TvzRegionHit RegionAt(const TvzTargetShape& target, ui::TPoint point) {
    if (!target.rect.Contains(point)) return {target.site.Contains(point) ? drtInside : drtNone};
    if (target.captionBar.Contains(point) || target.tabStrip.Contains(point)) {
        if (target.tabs.empty()) return {drtInside};
        return TabStripHit(target.tabs, target.firstTab, point);
    }
    const ui::TRect& i = target.area;
    if (i.Contains(point)) return {drtInside};
    if (point.Y < i.Top) return {drtTop};
    if (point.Y >= i.Bottom) return {drtBottom};
    return {point.X >= i.Left ? drtRight : drtLeft};
}

} // namespace docking::native

namespace docking {

namespace {

ui::TRect Offset(const ui::TRect& rect, ui::TPoint by) {
    return rect.IsEmpty() ? ui::TRect{}
                          : ui::Bounds(rect.Left + by.X, rect.Top + by.Y, rect.Width(), rect.Height());
}

// A windowed control's rectangle on the screen.
ui::TRect ScreenBounds(const ui::TControl& control) {
    return Offset({0, 0, control.Width(), control.Height()}, control.ClientToScreen({0, 0}));
}

} // namespace

native::TvzTargetShape TvzNativeDocker::Shape() const {
    const TvzCustomDockingControl& target = *Target();
    const ui::TPoint origin = target.ClientToScreen({0, 0});
    native::TvzTargetShape shape;
    shape.rect = ScreenBounds(target);
    shape.area = DockingArea(shape.rect, Manager()->Metric(0));
    if (const TvzCustomDockingSite* site = target.ParentSite()) shape.site = ScreenBounds(*site);
    if (target.CaptionVisible()) shape.captionBar = Offset(target.CaptionRect(), origin);
    if (const auto* tabs = dynamic_cast<const TvzInsideContainer*>(&target)) {
        const ui::TRect strip = tabs->TabStripRect();
        shape.tabStrip = Offset(strip, origin);
        const tabs::TvzTabStripLayout& layout = tabs->StripLayout();
        shape.firstTab = layout.firstVisible;
        for (int i = layout.firstVisible; i <= layout.lastVisible && i < tabs->ChildCount(); ++i) {
            const auto at = static_cast<std::size_t>(i);
            shape.tabs.push_back(Offset(
                {layout.lefts[at], strip.Top, layout.lefts[at] + layout.widths[at], strip.Bottom}, origin));
        }
    }
    return shape;
}

native::TvzRegionHit TvzNativeDocker::RegionAt(ui::TPoint screen) const {
    if (!Target()) return {};
    return native::RegionAt(Shape(), screen);
}

ui::TRect TvzNativeDocker::RegionArea(TvzDockingRegionType region) const {
    if (!Target()) return {};
    const native::TvzTargetShape shape = Shape();
    return native::RegionArea(region, shape.rect, shape.area);
}

} // namespace docking
