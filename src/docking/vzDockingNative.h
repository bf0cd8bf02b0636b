// The plain drag-and-dock style: the region follows where the cursor stands in the target.
#pragma once

#include "docking/vzDocker.h"

#include <vector>

// The plain drag-and-dock style: no guides, the region follows where the cursor stands inside the
// control under it (an edge band, the caption bar, or the middle).
namespace docking::native {

// The band of `region` between the target's rectangle and its docking area (`area`); the area
// itself for drtInside. Empty for a region the style does not offer or a band of no width.
ui::TRect RegionArea(TvzDockingRegionType region, const ui::TRect& target, const ui::TRect& area);

// What the style needs to know of the control under the cursor, in screen coordinates.
struct TvzTargetShape {
    ui::TRect rect;              // the control
    ui::TRect area;              // its docking area (the rectangle without the edge bands)
    ui::TRect site;              // its site
    ui::TRect captionBar;        // empty when it shows none
    ui::TRect tabStrip;          // a tab container's; empty for anything else
    std::vector<ui::TRect> tabs; // a tab container's visible tabs
    int firstTab = 0;            // the child index of the first of them
};

struct TvzRegionHit {
    TvzDockingRegionType region = drtNone;
    int tab = -1; // the tab the region refers to on a tab strip
};

TvzRegionHit RegionAt(const TvzTargetShape& target, ui::TPoint point);

} // namespace docking::native

namespace docking {

// The docker of the plain style: regions by where the cursor stands on the target's window.
class TvzNativeDocker : public TvzDocker {
public:
    using TvzDocker::TvzDocker;
    native::TvzRegionHit RegionAt(ui::TPoint screen) const;
    TvzDockingRegionType RegionAtPoint(ui::TPoint screen) const override { return RegionAt(screen).region; }
    ui::TRect RegionArea(TvzDockingRegionType region) const;

private:
    native::TvzTargetShape Shape() const;
};

} // namespace docking
