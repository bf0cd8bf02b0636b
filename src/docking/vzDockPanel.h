// The panel an application docks, and the placeholder of an empty site.
#pragma once

#include "docking/vzDockControl.h"

// The panel an application docks, and the placeholder of an empty site.
namespace docking {

enum TvzDockingRegionType {
    drtLeft,
    drtTop,
    drtRight,
    drtBottom,
    drtInside,
    drtDetachedLeft,
    drtDetachedTop,
    drtDetachedRight,
    drtDetachedBottom,
    drtInsideBefore,
    drtNone
};

class TvzDockingControl : public TvzCustomDockingControl {
public:
    using TvzCustomDockingControl::TvzCustomDockingControl;

    // Inside a tab container a panel shows its caption when the manager's ShowContainerCaption
    // names the side its tabs are on.
    bool CaptionVisible() const override;
    // Asks OnDockZone about a drop of `source` at a screen point.
    void DockZone(TvzCustomDockingControl* source, ui::TPoint screenPoint, TvzDockingRegionType& region);

    std::function<void(TvzDockingControl* sender, TvzCustomDockingControl* source, ui::TPoint point,
                       TvzDockingRegionType& region)>
        OnDockZone;
};

// Fills a site that holds no panel: never registered, no caption, takes a drop inside only.
class TvzWorkspaceControl : public TvzCustomDockingControl {
public:
    using TvzCustomDockingControl::TvzCustomDockingControl;
    bool CaptionVisible() const override { return false; }
};

} // namespace docking
