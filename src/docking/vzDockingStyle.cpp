#include "docking/vzDockingStyle.h"

#include "docking/vzDockingVS2005.h"

namespace docking::drag {

std::unique_ptr<TvzCustomMover> TvzNativeDockingStyle::CreateMover(TvzCustomDockingManager* manager) {
    return std::make_unique<TvzMover>(manager);
}

TvzDockingStyleList& DockingStyles() {
    static TvzDockingStyleList styles = [] {
        TvzDockingStyleList list;
        list.Add<TvzNativeDockingStyle>("Native");
        list.Add<TvzVS2005DockingStyle>("VS2005");
        list.Add<TvzVSWhidbeyDockingStyle>("VSWhidbey");
        return list;
    }();
    return styles;
}

} // namespace docking::drag
