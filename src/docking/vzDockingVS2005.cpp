#include "docking/vzDockingVS2005.h"

#include <algorithm>
#include <cmath>

namespace docking::guides {

namespace {

int Half(int extent) {
    return -(extent / 2);
}

ui::TPoint Offset(int index, const TvzGuideSizes& s) {
    const int dx4 = Half(s[drtInside].X), dy4 = Half(s[drtInside].Y);
    switch (index) {
    case drtLeft:
        return {dx4 - s[index].X + 7, Half(s[index].Y)};
    case drtRight:
        return {-dx4 - 5, Half(s[index].Y)};
    case drtTop:
        return {Half(s[index].X), dy4 - s[index].Y + 7};
    case drtBottom:
        return {Half(s[index].X), -dy4 - 5};
    case drtDetachedLeft:
        return {0, Half(s[index].Y)};
    case drtDetachedTop:
        return {Half(s[index].X), 0};
    case drtDetachedRight:
        return {-s[index].X, Half(s[index].Y)};
    case drtDetachedBottom:
        return {Half(s[index].X), -s[index].Y};
    default: // the centre, for either tab orientation
        return {dx4, dy4};
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

} // namespace

ui::TRect GuideBounds(int index, const TvzGuideSizes& sizes, const ui::TRect& target, const ui::TRect& area) {
    const ui::TPoint anchor = Anchor(index, target, area), offset = Offset(index, sizes);
    return ui::Bounds(anchor.X + offset.X, anchor.Y + offset.Y, sizes[index].X, sizes[index].Y);
}

int GuidePicture(TvzDockingRegionType region, bool tabsAtBottom) {
    return region == drtInside && tabsAtBottom ? drtInsideBefore : region;
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
