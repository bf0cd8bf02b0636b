#pragma once

#include "docking/vzDockMover.h"
#include "docking/vzDockPanel.h"

#include <array>
#include <memory>

// The guided drag style: where its guides stand around a target and how they fade.
namespace docking::guides {

inline constexpr int kGuideCount = 10; // the regions drtLeft .. drtInsideBefore
inline constexpr int kFadeTick = 25;   // milliseconds between fade steps

// Each guide picture's width and height (the bounding box of its hit region).
using TvzGuideSizes = std::array<ui::TPoint, kGuideCount>;

// Guide `index` on the screen for a target with rectangle `target` and docking area `area`: the
// compass (0..4, 9) around the area's centre, overlapping the centre guide, the outer guides (5..8)
// inside the target's edges.
ui::TRect GuideBounds(int index, const TvzGuideSizes& sizes, const ui::TRect& target, const ui::TRect& area);
// The picture of `region`: drtInside shows the tabs-at-the-bottom picture when the tabs are there.
int GuidePicture(TvzDockingRegionType region, bool tabsAtBottom);

// How the guides of the panel under the cursor fade (alpha 0..255, milliseconds).
struct TvzDockZoneOptions {
    int transparency;
    int activeTransparency;
    int fadeInDelay;
    int fadeOutDelay;
};
inline constexpr TvzDockZoneOptions kActiveDockZone{128, 255, 200, 250};

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

namespace docking {

class TvzGuideWindow;

// The guided drag: while the cursor is over a panel, guides stand at its centre (left, top, right,
// bottom, inside) and at the edges of the main site's tree; the panel docks by the guide it is
// dropped on, and anywhere else it floats.
class TvzVS2005Mover : public TvzMover {
public:
    static constexpr int kGuideSize = 41;
    static constexpr uint8_t kFrameTransparency = 128; // the alpha of the landing place

    explicit TvzVS2005Mover(TvzCustomDockingManager* owner);
    ~TvzVS2005Mover() override;

    // The guide of `region` (drtLeft .. drtDetachedBottom) and where it stands while it shows.
    ui::TCustomControl& Guide(int region) const;

protected:
    drag::TvzDropPlace PlaceOver(TvzCustomDockingControl* control, ui::TPoint screen) override;
    void ShowPlace(const drag::TvzDropPlace& place, ui::TPoint cursor) override;
    void HidePlace() override;
    // While the setup dialog is open, panels dock only in the main site.
    bool Considers(const TvzCustomDockingSite* site) const override;

private:
    static constexpr int kGuides = drtDetachedBottom + 1;
    std::array<std::unique_ptr<TvzGuideWindow>, kGuides> guides_;
    std::array<ui::TRect, kGuides> shown_{}; // where each guide stands this step; empty: hidden
};

} // namespace docking
