// Inserting a panel into a docking tree next to a target, by region.
#pragma once

#include "docking/vzDockPanel.h"

// Inserting a panel into a docking tree next to a target, by region.
namespace docking {

class TvzCustomDockingManager;

// The region's name in hints and errors: "Left", "Top", "Right", "Bottom", "Inside" or "None".
const char* RegionName(TvzDockingRegionType region);
// The target's rectangle without its edge bands of `percent` % (at least 1 px each); the whole
// rectangle when it is too small for bands.
ui::TRect DockingArea(const ui::TRect& target, int percent);
// Where a panel of `dragged` size (0 x 0: none) lands for `region` on a target with rectangle
// `target`, docking area `area` and page `page`; empty for a region that does not dock.
ui::TRect DockRect(TvzDockingRegionType region, const ui::TRect& target, const ui::TRect& area,
                   const ui::TRect& page, ui::TPoint dragged);

class TvzDocker {
public:
    explicit TvzDocker(TvzCustomDockingManager* manager) : manager_(manager) {}
    virtual ~TvzDocker() = default;

    TvzCustomDockingManager* Manager() const { return manager_; }
    TvzCustomDockingControl* Target() const { return target_; }
    void SetTarget(TvzCustomDockingControl* target) { target_ = target; }

    // The region a drop at a screen point would dock into: the whole target takes it inside.
    virtual TvzDockingRegionType RegionAtPoint(ui::TPoint screen) const;
    // Moves `control` next to the target; raises "Too small region to dock to (%s)" when the
    // region leaves it no room.
    virtual void Dock(TvzDockingRegionType region, TvzCustomDockingControl* control, bool activate);
    // The screen rectangle `control` would take for `region`.
    virtual ui::TRect FrameRect(TvzDockingRegionType region, const TvzCustomDockingControl* control) const;

protected:
    void Insert(TvzDockingRegionType region, TvzCustomDockingControl* control, const ui::TRect& frame);
    // Splits the target's place with `control` along the column (vertical) or the row.
    void Split(TvzCustomDockingControl* control, const ui::TRect& frame, bool vertical, bool after);
    // Puts `control` next to `reference` in a split container of class `typeId`, making one there
    // when the reference's parent is of another class.
    void SplitInsert(TvzCustomDockingControl* control, TvzCustomDockingControl* reference, bool after,
                     int typeId);
    // Adds `control` as a tab beside the target, making a tab container when it has none.
    void InsideInsert(TvzCustomDockingControl* control, bool after);
    // `reference`'s place goes to a new container of class `typeId`, which takes the reference in.
    TvzCustomDockingContainer* Wrap(TvzCustomDockingControl* reference, int typeId);

private:
    TvzCustomDockingManager* manager_;
    TvzCustomDockingControl* target_ = nullptr;
};

// The docker of an empty site's workspace: a panel dropped there becomes the site's root.
class TvzWorkspaceDocker : public TvzDocker {
public:
    using TvzDocker::TvzDocker;
    void Dock(TvzDockingRegionType region, TvzCustomDockingControl* control, bool activate) override;
    ui::TRect FrameRect(TvzDockingRegionType region, const TvzCustomDockingControl* control) const override;
};

} // namespace docking
