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

// A drag style makes the mover that follows a dragged panel; the manager owns both.
class TvzDockingStyle {
public:
    virtual ~TvzDockingStyle() = default;
    virtual std::unique_ptr<TvzCustomMover> CreateMover(TvzCustomDockingManager* manager) const = 0;
};

// No guides: the region follows where the cursor stands in the control under it.
class TvzNativeDockingStyle : public TvzDockingStyle {
public:
    std::unique_ptr<TvzCustomMover> CreateMover(TvzCustomDockingManager* manager) const override;
};

// Guides at the target's centre and at the main site's edges, and a translucent landing frame.
class TvzVS2005DockingStyle : public TvzDockingStyle {
public:
    std::unique_ptr<TvzCustomMover> CreateMover(TvzCustomDockingManager* manager) const override;
};

using TvzDockingStyleList = TvzClassList<TvzDockingStyle>;
// The process-wide registry: "Native" and "VS2005".
TvzDockingStyleList& DockingStyles();

} // namespace docking::drag
