// The docking guides as arithmetic: where each guide stands around a target, which pixels take the
// cursor, how a guide fades, and the shape of a landing place inside a panel.
#pragma once

#include "docking/vzDockPanel.h"
#include "platform/ui/Region.h"
#include "platform/ui/Types.h"

#include <array>

// The docking guides of the guided drag styles, without windows.
namespace docking::guides {

inline constexpr int kGuideCount = 10; // the regions drtLeft .. drtInsideBefore
inline constexpr int kFadeTick = 25;   // milliseconds between fade steps

// Each guide's width and height (the bounding box of its hit region).
using TvzGuideSizes = std::array<ui::TPoint, kGuideCount>;
using TvzGuideOffsets = std::array<ui::TPoint, kGuideCount>;
using TvzGuideRegions = std::array<ui::TRegion, kGuideCount>;

// Where a style's guides stand: each guide's hit region, in its picture's coordinates, and the offset
// of those coordinates from the guide's anchor point.
struct TvzGuideGeometry {
    TvzGuideRegions hits;
    TvzGuideOffsets offsets;
};

TvzGuideSizes SizesOf(const TvzGuideRegions& hits);
// The 41-pixel compass: side guides overlap the centre guide by 7 px left and top, 6 px right and
// bottom; outer guides stand inside the target's edges.
TvzGuideOffsets VS2005Offsets(const TvzGuideSizes& sizes);
// The 69-pixel compass: side pieces abut the centre square, outer guides as in VS2005Offsets.
TvzGuideOffsets WhidbeyOffsets(const TvzGuideSizes& sizes);
// The 69-pixel compass's hit areas: pentagons pointing away from a 43-pixel centre square.
TvzGuideRegions WhidbeyHitRegions();
// Those hit areas placed by WhidbeyOffsets.
TvzGuideGeometry WhidbeyGeometry();

// Guide `index` on the screen for a target with rectangle `target` and docking area `area`: its hit
// region moved to the area's centre (the compass, 0..4 and 9) or to the middle of one of the target's
// edges (the outer guides, 5..8).
ui::TRegion GuideRegion(int index, const TvzGuideGeometry& geometry, const ui::TRect& target,
                        const ui::TRect& area);
// The picture of `region`: drtInside shows the tabs-at-the-bottom picture when the tabs are there.
int GuidePicture(TvzDockingRegionType region, bool tabsAtBottom);

// A panel dropped inside one that has no tabs yet lands as a new tab page: `dock` less a strip of
// `stripHeight` on the tab side, plus one tab of at most kPlaceholderTab px from `tabIndent` in it.
inline constexpr int kPlaceholderTab = 50;
ui::TRegion PageWithTab(const ui::TRect& dock, int stripHeight, int tabIndent, bool tabsAtBottom);

// How the guides of a group of panels fade (alpha 0..255, milliseconds).
struct TvzVS2005DockingZoneOptions {
    int transparency;
    int activeTransparency;
    int fadeInDelay;
    int fadeOutDelay;
};
// The panels under the cursor and the lit guide; the guides of the others.
inline constexpr TvzVS2005DockingZoneOptions kActiveDockZone{128, 255, 200, 250};
inline constexpr TvzVS2005DockingZoneOptions kDockZone{0, 128, 50, 1000};

// A guide's alpha moving to a target in ticks of kFadeTick milliseconds.
class TvzFade {
public:
    // Starts from `current`; false when there is nothing to fade (the alpha is already there).
    bool Start(int current, int target, int delay);
    // The next alpha; Running() turns false after the last.
    int Tick();
    bool Running() const { return steps_ >= 0; }

private:
    int target_ = 0;
    int steps_ = -1;
    double step_ = 0;
};

} // namespace docking::guides
