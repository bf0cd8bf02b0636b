// The drop target a docking site registers for data dragged in from another program.
#pragma once

#include "docking/vzDockTabs.h"
#include "platform/ui/DropTarget.h"

// Data dragged over a site from another program.
namespace docking {

class TvzCustomDockingSite;

// A site's drop target: it never takes the data, but a drag resting on a tab brings that tab to
// front after TvzTabHover::kDelay.
class TvzOleDropAcceptor : public ui::IDropTarget {
public:
    explicit TvzOleDropAcceptor(TvzCustomDockingSite* site);

    uint32_t DragEnter(ui::TPoint screen, ui::TShiftState shift) override;
    uint32_t DragOver(ui::TPoint screen, ui::TShiftState shift) override;
    // A drag that leaves or drops brings nothing to front any more.
    void DragLeave() override;
    uint32_t Drop(ui::TPoint screen, ui::TShiftState shift) override;

private:
    TvzTabHover hover_;
};

} // namespace docking
