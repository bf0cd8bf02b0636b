// Drag-and-dock styles: the named ways a dragged panel finds its new place, and their registry.
#pragma once

#include "docking/vzDockUtils.h"

#include <memory>

namespace docking {
class TvzCustomDockingManager;
class TvzCustomMover;
} // namespace docking

// Kept apart from the painting styles (docking::uistyle): a drag style decides where a panel lands,
// a painting style how panels look.
namespace docking::drag {

// A drag style makes the mover that follows a dragged panel; the manager owns both, the style
// shared so that a mover reading its options never outlives it.
class TvzDockingStyle : public std::enable_shared_from_this<TvzDockingStyle> {
public:
    virtual ~TvzDockingStyle() = default;
    virtual std::unique_ptr<TvzCustomMover> CreateMover(TvzCustomDockingManager* manager) = 0;
};

// No guides: the region follows where the cursor stands in the control under it.
class TvzNativeDockingStyle : public TvzDockingStyle {
public:
    std::unique_ptr<TvzCustomMover> CreateMover(TvzCustomDockingManager* manager) override;
};

using TvzDockingStyleList = TvzClassList<TvzDockingStyle>;
// The process-wide registry: "Native", "VS2005" and "VSWhidbey".
TvzDockingStyleList& DockingStyles();

} // namespace docking::drag
