#include "docking/vzDockGuides.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace docking::guides {

namespace {

int Half(int extent) {
    return -(extent / 2);
}

// The outer guides stand inside the target's edges, centred on them.
ui::TPoint OuterOffset(int index, const TvzGuideSizes& s) {
    switch (index) {
    case drtDetachedLeft:
        return {0, Half(s[index].Y)};
    case drtDetachedTop:
        return {Half(s[index].X), 0};
    case drtDetachedRight:
        return {-s[index].X, Half(s[index].Y)};
    default:
        return {Half(s[index].X), -s[index].Y};
    }
}

ui::TPoint Anchor(int index, const ui::TRect& target, const ui::TRect& area) {
    const int middleX = (target.Left + target.Right) / 2, middleY = (target.Top + target.Bottom) / 2;
    switch (index) {
    case drtDetachedLeft:
        return {target.Left, middleY};
    case drtDetachedTop:
        return {middleX, target.Top};
    case drtDetachedRight:
        return {target.Right, middleY};
    case drtDetachedBottom:
        return {middleX, target.Bottom};
    default:
        return {(area.Left + area.Right) / 2, (area.Top + area.Bottom) / 2};
    }
}

// The polygon with every point mirrored across x = axis (or y = axis).
std::vector<ui::TPoint> MirroredX(std::vector<ui::TPoint> points, int axis) {
    for (ui::TPoint& p : points)
        p.X = axis - p.X;
    return points;
}

std::vector<ui::TPoint> MirroredY(std::vector<ui::TPoint> points, int axis) {
    for (ui::TPoint& p : points)
        p.Y = axis - p.Y;
    return points;
}

} // namespace

TvzGuideSizes SizesOf(const TvzGuideRegions& hits) {
    TvzGuideSizes sizes;
    for (int i = 0; i < kGuideCount; ++i) {
        const ui::TRect box = hits[static_cast<std::size_t>(i)].BoundingRect();
        sizes[static_cast<std::size_t>(i)] = {box.Width(), box.Height()};
    }
    return sizes;
}

TvzGuideOffsets VS2005Offsets(const TvzGuideSizes& s) {
    const int dx4 = Half(s[drtInside].X), dy4 = Half(s[drtInside].Y);
    TvzGuideOffsets offsets;
    offsets[drtInside] = offsets[drtInsideBefore] = {dx4, dy4};
    offsets[drtLeft] = {dx4 - s[drtLeft].X + 7, Half(s[drtLeft].Y)};
    offsets[drtRight] = {-dx4 - 5, Half(s[drtRight].Y)};
    offsets[drtTop] = {Half(s[drtTop].X), dy4 - s[drtTop].Y + 7};
    offsets[drtBottom] = {Half(s[drtBottom].X), -dy4 - 5};
    for (int i = drtDetachedLeft; i <= drtDetachedBottom; ++i)
        offsets[static_cast<std::size_t>(i)] = OuterOffset(i, s);
    return offsets;
}

TvzGuideOffsets WhidbeyOffsets(const TvzGuideSizes& s) {
    const int dx4 = -(s[drtInside].X / 2) - 1, dy4 = Half(s[drtInside].Y);
    TvzGuideOffsets offsets = VS2005Offsets(s);
    offsets[drtInside] = offsets[drtInsideBefore] = {dx4, dy4};
    offsets[drtLeft] = {dx4 - s[drtLeft].X + 1, -(s[drtLeft].Y / 2) - 1};
    offsets[drtRight] = {-dx4 - 2, -(s[drtRight].Y / 2) - 1};
    offsets[drtTop] = {Half(s[drtTop].X), dy4 - s[drtTop].Y - 1};
    offsets[drtBottom] = {Half(s[drtBottom].X), 2 - dy4};
    return offsets;
}

TvzGuideRegions WhidbeyHitRegions() {
    // Convex pentagons, so the even-odd fill of TRegion::Polygon covers what a winding fill would.
    const std::vector<ui::TPoint> left{{-1, 35}, {33, 0}, {46, 13}, {46, 56}, {33, 70}};
    const std::vector<ui::TPoint> top{{33, 0}, {68, 35}, {55, 48}, {11, 48}, {-1, 35}};
    TvzGuideRegions hits;
    hits[drtLeft] = hits[drtDetachedLeft] = ui::TRegion::Polygon(left);
    hits[drtRight] = hits[drtDetachedRight] = ui::TRegion::Polygon(MirroredX(left, 47));
    hits[drtTop] = hits[drtDetachedTop] = ui::TRegion::Polygon(top);
    hits[drtBottom] = hits[drtDetachedBottom] = ui::TRegion::Polygon(MirroredY(top, 47));
    hits[drtInside] = hits[drtInsideBefore] = ui::TRegion(ui::Bounds(0, 0, 43, 43));
    return hits;
}

TvzGuideGeometry WhidbeyGeometry() {
    TvzGuideGeometry geometry{WhidbeyHitRegions(), {}};
    geometry.offsets = WhidbeyOffsets(SizesOf(geometry.hits));
    return geometry;
}

ui::TRegion GuideRegion(int index, const TvzGuideGeometry& geometry, const ui::TRect& target,
                        const ui::TRect& area) {
    const auto i = static_cast<std::size_t>(index);
    const ui::TPoint anchor = Anchor(index, target, area), offset = geometry.offsets[i];
    ui::TRegion region = geometry.hits[i];
    region.Offset(anchor.X + offset.X, anchor.Y + offset.Y);
    return region;
}

int GuidePicture(TvzDockingRegionType region, bool tabsAtBottom) {
    return region == drtInside && tabsAtBottom ? drtInsideBefore : region;
}

ui::TRegion PageWithTab(const ui::TRect& dock, int stripHeight, int tabIndent, bool tabsAtBottom) {
    ui::TRect page = dock, tab = dock;
    if (tabsAtBottom) {
        page.Bottom -= stripHeight;
        tab.Top = page.Bottom;
    } else {
        page.Top += stripHeight;
        tab.Bottom = page.Top;
    }
    tab.Left = std::min(dock.Left + tabIndent, dock.Right);
    tab.Right = std::min(tab.Left + kPlaceholderTab, dock.Right);
    return ui::TRegion(page) | ui::TRegion(tab);
}

bool TvzFade::Start(int current, int target, int delay) {
    delay = std::max(delay, kFadeTick);
    target_ = target;
    if (current == target) {
        steps_ = -1;
        return false;
    }
    steps_ = delay / kFadeTick - 1;
    step_ = static_cast<double>(kFadeTick) * (current - target) / delay;
    return true;
}

int TvzFade::Tick() {
    const int alpha = static_cast<int>(std::lround(steps_ * step_)) + target_;
    --steps_;
    return alpha;
}

} // namespace docking::guides
