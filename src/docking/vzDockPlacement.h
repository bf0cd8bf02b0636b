// Where a docked panel sat, so that showing it again puts it back there.
#pragma once

#include "docking/vzDockControl.h"
#include "docking/vzDockingUI.h"

// Where a docked panel sat, so that showing it again puts it back there.
namespace docking {

class TvzPlacementInfo : public TvzCustomPlacementInfo {
public:
    using TvzCustomPlacementInfo::TvzCustomPlacementInfo;

    // The class of the container it sat in (0 none, 1 vertical, 2 horizontal, 3 tabs).
    int containerId = 0;
    // 0: before the neighbour, 1: after it.
    int order = 0;
    TGuid neighbourKey{};
    uistyle::TvzTabOrientation tabOrientation = uistyle::dtoTop;
    TvzAlignment alignment = alnClient;
    int hideSize = 0;

    void Record() override;
    bool RestoreDocked() override;
    // Zeroes the hide size here and in every control below the owner.
    void ClearHideSizes();

private:
    // Asks the manager whether the control may go next to `anchor`; may change class and order.
    bool CollisionAllowed(TvzCustomDockingControl* anchor);
    // False when the anchor's split container has too little room left for the control.
    bool RoomFor(const TvzCustomDockingControl* anchor) const;
    bool Split() const { return containerId == 1 || containerId == 2; }

    // Set while the control leaves its floating form to go back: the docked place stays.
    bool restoring_ = false;
};

} // namespace docking
