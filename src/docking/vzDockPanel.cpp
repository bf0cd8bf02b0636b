#include "docking/vzDockPanel.h"

#include "docking/vzDockManager.h"
#include "docking/vzDockTabs.h"

namespace docking {

bool TvzDockingControl::CaptionVisible() const {
    const auto* tabs = dynamic_cast<const TvzInsideContainer*>(Container());
    if (ShowCaption() != bvDefault || !tabs || !DockingManager())
        return TvzCustomDockingControl::CaptionVisible();
    const TvzContainerTypes shown = DockingManager()->ShowContainerCaption();
    return shown.Contains(tabs->Orientation() == uistyle::dtoTop ? cntInsideTop : cntInsideBottom);
}

void TvzDockingControl::DockZone(TvzCustomDockingControl* source, ui::TPoint screenPoint,
                                 TvzDockingRegionType& region) {
    if (OnDockZone) GuardEvent([&] { OnDockZone(this, source, ScreenToClient(screenPoint), region); });
}

} // namespace docking
