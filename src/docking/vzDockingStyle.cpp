#include "docking/vzDockingStyle.h"

#include "docking/vzDockingVS2005.h"

namespace docking::drag {

std::unique_ptr<TvzCustomMover> TvzNativeDockingStyle::CreateMover(TvzCustomDockingManager* manager) const {
    return std::make_unique<TvzMover>(manager);
}

std::unique_ptr<TvzCustomMover> TvzVS2005DockingStyle::CreateMover(TvzCustomDockingManager* manager) const {
    return std::make_unique<TvzVS2005Mover>(manager);
}

TvzDockingStyleList& DockingStyles() {
    static TvzDockingStyleList styles = [] {
        TvzDockingStyleList list;
        list.Add<TvzNativeDockingStyle>("Native");
        list.Add<TvzVS2005DockingStyle>("VS2005");
        return list;
    }();
    return styles;
}

} // namespace docking::drag
