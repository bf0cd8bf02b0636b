#include "docking/vzDockPlacement.h"

#include "docking/vzDocker.h"
#include "docking/vzDockManager.h"
#include "docking/vzDockSplit.h"
#include "docking/vzDockTabs.h"
#include "platform/rtl/ScopeExit.h"

namespace docking {

namespace {

// The site a panel without a place goes to: the first one that neither floats nor holds.
TvzCustomDockingSite* MainSite(const TvzCustomDockingManager& manager) {
    for (TvzCustomDockingSite* site : manager.Sites())
        if (!site->IsFloating() && !site->IsHoldingSite()) return site;
    return nullptr;
}

} // namespace

void TvzPlacementInfo::Record() {
    TvzCustomDockingManager* manager = control_->DockingManager();
    if (!manager || manager->Operation() != control_ || manager->Loading() || control_->AutoHidden()) return;
    if (restoring_) {
        TvzCustomPlacementInfo::Record();
        return;
    }
    switch (control_->DockState()) {
    case dsDocked:
        if (TvzCustomDockingContainer* parent = control_->Container()) {
            const int index = parent->IndexOfChild(control_);
            if (index > 0) {
                neighbourKey = parent->Children(index - 1)->Key();
                order = 1;
            } else if (parent->ChildCount() > 1) {
                neighbourKey = parent->Children(1)->Key();
                order = 0;
            } else {
                neighbourKey = {};
            }
            containerId = parent->TypeId();
            alignment = control_->Alignment();
            if (const auto* tabs = dynamic_cast<const TvzInsideContainer*>(parent))
                tabOrientation = tabs->Orientation();
        } else {
            containerId = 3;
            tabOrientation = manager->TabOrientation();
        }
        break;
    case dsFloating:
        containerId = 0;
        break;
    case dsHidden:
        break;
    }
    TvzCustomPlacementInfo::Record();
}

void TvzPlacementInfo::ClearHideSizes() {
    hideSize = 0;
    std::vector<TvzCustomDockingControl*> pending{control_};
    while (!pending.empty()) {
        TvzCustomDockingControl* control = pending.back();
        pending.pop_back();
        if (auto* info = dynamic_cast<TvzPlacementInfo*>(&control->Placement())) info->hideSize = 0;
        for (int i = 0; i < control->ChildCount(); ++i)
            pending.push_back(control->Children(i));
    }
}

bool TvzPlacementInfo::CollisionAllowed(TvzCustomDockingControl* anchor) {
    TvzCustomDockingManager* manager = control_->DockingManager();
    TvzDockingRegionType region;
    if (restoreHint >= drtLeft && restoreHint <= drtBottom)
        region = static_cast<TvzDockingRegionType>(restoreHint);
    else if (containerId == 3)
        region = order == 0 ? drtInsideBefore : drtInside;
    else if (containerId == 2)
        region = order == 0 ? drtLeft : drtRight;
    else
        region = order == 0 ? drtTop : drtBottom;
    ui::TPoint proposed = size;
    if (manager->OnCollision)
        GuardEvent([&] { manager->OnCollision(manager, control_, anchor, proposed, region); });
    if (region > drtInside && region != drtInsideBefore) return false;
    size = proposed;
    if (region <= drtBottom) {
        containerId = region == drtLeft || region == drtRight ? 2 : 1;
        order = region == drtLeft || region == drtTop ? 0 : 1;
        // The old alignment belonged to the old place; the new one is the edge's.
        alignment = static_cast<TvzAlignment>(alnLeft + region);
    }
    return true;
}

bool TvzPlacementInfo::RoomFor(const TvzCustomDockingControl* anchor) const {
    const TvzCustomDockingContainer* parent = anchor->Container();
    if (!parent || parent->TypeId() != containerId) return true;
    const bool vertical = containerId == 1;
    const auto extent = [vertical](const ui::TRect& r) { return vertical ? r.Height() : r.Width(); };
    int room = extent(parent->ScreenRect());
    for (int i = 0; i < parent->ChildCount(); ++i) {
        const TvzCustomDockingControl* child = parent->Children(i);
        if (child->Alignment() != alnClient)
            room -= extent(child->ScreenRect());
        else
            room -= vertical ? child->MinimumHeight() : child->MinimumWidth();
    }
    return room >= (vertical ? size.Y : size.X) ||
           room >= (vertical ? control_->MinHeight() : control_->MinWidth());
}

bool TvzPlacementInfo::RestoreDocked() {
    ClearHideSizes();
    TvzCustomDockingManager* manager = control_->DockingManager();
    if (containerId < 1 || containerId > 3 || !manager) return false;
    TvzCustomDockingControl* anchor = manager->Items().Find(neighbourKey);
    if (!anchor || anchor == control_) {
        neighbourKey = {};
        anchor = nullptr;
    }
    while (anchor && anchor->DockState() == dsHidden)
        anchor = anchor->Container();
    TvzCustomDockingSite* site = nullptr;
    if (!anchor) {
        site = MainSite(*manager);
        if (!site) return false;
        anchor = site->Root();
        if (anchor && !CollisionAllowed(anchor)) return false;
    }
    const ui::TPoint remembered = size;
    if (Split() && anchor && !RoomFor(anchor)) return false;
    if (!anchor) {
        site->SetRoot(control_);
        control_->ShowInContainer();
        return true;
    }

    TvzCustomDockingControl* previous = manager->Operation();
    manager->SetOperation(control_);
    manager->BeginUpdate(anchor->SiteId());
    bool byRegion = false;
    {
        auto unlock = rtl::ScopeExit([&] {
            manager->EndUpdate();
            manager->SetOperation(previous);
        });
        if (control_->DockState() != dsHidden || control_->Container()) {
            restoring_ = true;
            auto unmark = rtl::ScopeExit([this] { restoring_ = false; });
            control_->Detach(true);
        }
        TvzDocker* docker = manager->Docker(anchor);
        const auto resize = [&] {
            const ui::TRect& r = control_->ScreenRect();
            control_->SetScreenRect(ui::Bounds(r.Left, r.Top, remembered.X, remembered.Y));
        };
        if (containerId == 3) {
            docker->Dock(order == 0 ? drtInsideBefore : drtInside, control_, false);
            byRegion = true;
            if (auto* tabs = dynamic_cast<TvzInsideContainer*>(control_->Container());
                tabs && tabs->ChildCount() == 2)
                tabs->SetOrientation(tabOrientation);
        } else {
            resize();
            auto* parent = dynamic_cast<TvzSplitContainer*>(anchor->Container());
            if (parent && parent->TypeId() == containerId) {
                control_->SetAlignment(order == 0 ? parent->StartSide() : parent->EndSide());
                parent->InsertChild(anchor, order == 1, control_);
                control_->ShowInContainer();
            } else {
                const bool vertical = containerId == 1;
                docker->Dock(vertical ? (order == 0 ? drtTop : drtBottom) : (order == 0 ? drtLeft : drtRight),
                             control_, false);
                byRegion = true;
            }
            resize();
        }
    }
    if (TvzCustomDockingContainer* parent = control_->Container();
        parent && parent->AlignmentAllowed(alignment))
        control_->SetAlignment(alignment);
    control_->SetPanelState(state);
    if (byRegion) control_->SetFocus();
    return true;
}

} // namespace docking
