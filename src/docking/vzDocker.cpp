#include "docking/vzDocker.h"

#include "docking/vzDockManager.h"
#include "docking/vzDockSplit.h"
#include "docking/vzDockTabs.h"
#include "docking/vzDockTexts.h"
#include "platform/rtl/Format.h"

#include <algorithm>

namespace docking {

namespace {

// The edge a region docks against, detached regions like their attached ones.
TvzDockingRegionType Edge(TvzDockingRegionType region) {
    switch (region) {
    case drtDetachedLeft:
        return drtLeft;
    case drtDetachedTop:
        return drtTop;
    case drtDetachedRight:
        return drtRight;
    case drtDetachedBottom:
        return drtBottom;
    default:
        return region;
    }
}

bool LiesInside(const TvzCustomDockingControl* control, const TvzCustomDockingControl* ancestor) {
    for (const TvzCustomDockingControl* up = control; up; up = up->Container())
        if (up == ancestor) return true;
    return false;
}

} // namespace

const char* RegionName(TvzDockingRegionType region) {
    switch (Edge(region)) {
    case drtLeft:
        return texts::sRegionLeft;
    case drtTop:
        return texts::sRegionTop;
    case drtRight:
        return texts::sRegionRight;
    case drtBottom:
        return texts::sRegionBottom;
    case drtInside:
    case drtInsideBefore:
        return texts::sRegionInside;
    default:
        return texts::sRegionNone;
    }
}

ui::TRect DockingArea(const ui::TRect& target, int percent) {
    const int dx = std::max(1, target.Width() * percent / 100);
    const int dy = std::max(1, target.Height() * percent / 100);
    const ui::TRect area{target.Left + dx, target.Top + dy, target.Right - dx, target.Bottom - dy};
    return area.Width() > 0 && area.Height() > 0 ? area : target;
}

ui::TRect DockRect(TvzDockingRegionType region, const ui::TRect& target, const ui::TRect& area,
                   const ui::TRect& page, ui::TPoint dragged) {
    const bool sized = dragged.X > 0 && dragged.Y > 0;
    const int middleX = (target.Left + target.Right) / 2;
    const int middleY = (target.Top + target.Bottom) / 2;
    ui::TRect rect = target;
    switch (region) {
    case drtTop:
        if (area.Top > target.Top) rect.Bottom = sized ? std::min(target.Top + dragged.Y, middleY) : middleY;
        break;
    case drtRight:
        if (area.Right < target.Right)
            rect.Left = sized ? std::max(target.Right - dragged.X, middleX) : middleX;
        break;
    case drtBottom:
        if (area.Bottom < target.Bottom)
            rect.Top = sized ? std::max(target.Bottom - dragged.Y, middleY) : middleY;
        break;
    case drtLeft:
        if (area.Left > target.Left)
            rect.Right = sized ? std::min(target.Left + dragged.X, middleX) : middleX;
        break;
    case drtInside:
    case drtInsideBefore:
        return page;
    default:
        return {};
    }
    return rect;
}

// ---- TvzDocker ----

TvzDockingRegionType TvzDocker::RegionAtPoint(ui::TPoint screen) const {
    return target_ && target_->ScreenRect().Contains(screen) ? drtInside : drtNone;
}

ui::TRect TvzDocker::FrameRect(TvzDockingRegionType region, const TvzCustomDockingControl* control) const {
    if (!target_) return {};
    const ui::TRect& target = target_->ScreenRect();
    const ui::TRect& dragged = control->ScreenRect();
    return DockRect(region, target, DockingArea(target, manager_->Metric(0)), target,
                    {dragged.Width(), dragged.Height()});
}

void TvzDocker::Dock(TvzDockingRegionType region, TvzCustomDockingControl* control, bool activate) {
    if (!target_ || !control) throw rtl::EAssertionFailed("Docking needs a target and a control");
    if (TvzCustomDockingSite* site = target_->ParentSite()) site->CheckCanDock(control);
    const TvzDockState before = control->DockState();
    const ui::TRect frame = FrameRect(region, control);
    if (frame.Width() <= 0 || frame.Height() <= 0)
        throw EvzDocking(rtl::Format(texts::sRegionTooSmall, RegionName(region)));
    if (LiesInside(target_, control)) {
        control->Hide(true);
        return;
    }
    manager_->BeginUpdate(control->SiteId());
    manager_->BeginUpdate(target_->SiteId());
    try {
        // A hidden control has no place to leave; detaching it again would announce a second hide.
        if (control->DockState() != dsHidden || control->Container()) control->Detach(true);
        Insert(region, control, frame);
    } catch (...) {
        manager_->EndUpdate();
        manager_->EndUpdate();
        throw;
    }
    manager_->EndUpdate();
    manager_->EndUpdate();
    if (!manager_->Items().Contains(control)) return;
    if (activate) control->SetFocus();
    if (control->DockState() != before) control->Changed(dccControlState);
}

void TvzDocker::Insert(TvzDockingRegionType region, TvzCustomDockingControl* control,
                       const ui::TRect& frame) {
    const TvzDockingRegionType edge = Edge(region);
    if (edge == drtLeft || edge == drtRight)
        Split(control, frame, false, edge == drtRight);
    else if (edge == drtTop || edge == drtBottom)
        Split(control, frame, true, edge == drtBottom);
    else if (region == drtInside || region == drtInsideBefore)
        InsideInsert(control, region == drtInside);
}

void TvzDocker::Split(TvzCustomDockingControl* control, const ui::TRect& frame, bool vertical, bool after) {
    const uistyle::TvzDockingUIStyle* style = manager_->Style();
    const int splitter = vertical ? style->SplitterHeight() : style->SplitterWidth();
    ui::TRect own = frame;
    ui::TRect rest = target_->ScreenRect();
    if (vertical) {
        (after ? own.Top : own.Bottom) += after ? splitter / 2 : -(splitter / 2);
        if (after)
            rest.Bottom = frame.Top - splitter;
        else
            rest.Top = frame.Bottom + splitter;
    } else {
        (after ? own.Left : own.Right) += after ? splitter / 2 : -(splitter / 2);
        if (after)
            rest.Right = frame.Left - splitter;
        else
            rest.Left = frame.Right + splitter;
    }
    control->SetScreenRect(own);
    target_->SetScreenRect(rest);
    SplitInsert(control, target_, after, vertical ? 1 : 2);
}

TvzCustomDockingContainer* TvzDocker::Wrap(TvzCustomDockingControl* reference, int typeId) {
    auto* container =
        static_cast<TvzCustomDockingContainer*>(manager_->Items().FindOrCreate(typeId, NewGuid()));
    const ui::TRect whole = reference->ScreenRect();
    const bool shown = reference->Visible();
    reference->ReplaceWith(container);
    reference->SetAlignment(alnClient);
    reference->SetContainer(container);
    if (shown) reference->ShowInContainer();
    container->ShowInContainer();
    container->SetScreenRect(whole);
    return container;
}

void TvzDocker::SplitInsert(TvzCustomDockingControl* control, TvzCustomDockingControl* reference, bool after,
                            int typeId) {
    TvzCustomDockingContainer* parent = reference->Container();
    if (!parent || parent->TypeId() != typeId) {
        // The container covers both: the reference's share and the control's.
        const ui::TRect both = ui::UnionRect(reference->ScreenRect(), control->ScreenRect());
        if (reference->TypeId() == typeId && reference->ChildCount() > 0) {
            // A container of the class itself takes the control at its near end.
            parent = static_cast<TvzCustomDockingContainer*>(reference);
            reference = parent->Children(after ? parent->ChildCount() - 1 : 0);
        } else {
            parent = Wrap(reference, typeId);
        }
        parent->SetScreenRect(both);
    }
    if (const auto* split = dynamic_cast<const TvzSplitContainer*>(parent)) {
        TvzAlignment alignment = after ? split->EndSide() : split->StartSide();
        if (reference->Alignment() == split->StartSide())
            alignment = split->StartSide();
        else if (reference->Alignment() == split->EndSide())
            alignment = split->EndSide();
        control->SetAlignment(alignment);
    }
    parent->InsertChild(reference, after, control);
    control->ShowInContainer();
}

void TvzDocker::InsideInsert(TvzCustomDockingControl* control, bool after) {
    TvzCustomDockingContainer* tabs = nullptr;
    TvzCustomDockingControl* reference = target_;
    if (auto* own = dynamic_cast<TvzInsideContainer*>(target_); own && own->ChildCount() > 0) {
        tabs = own;
        reference = own->Children(std::max(0, own->CurrentTab()));
    } else if (auto* parent = dynamic_cast<TvzInsideContainer*>(target_->Container())) {
        tabs = parent;
    } else {
        tabs = Wrap(target_, 3);
    }
    control->SetAlignment(alnClient);
    tabs->InsertChild(reference, after, control);
    control->ShowInContainer();
}

// ---- TvzWorkspaceDocker ----

ui::TRect TvzWorkspaceDocker::FrameRect(TvzDockingRegionType region, const TvzCustomDockingControl*) const {
    return Target() && region == drtInside ? Target()->ScreenRect() : ui::TRect{};
}

void TvzWorkspaceDocker::Dock(TvzDockingRegionType, TvzCustomDockingControl* control, bool activate) {
    TvzCustomDockingSite* site = Target() ? Target()->ParentSite() : nullptr;
    if (!site || !control) throw rtl::EAssertionFailed("Docking needs a target and a control");
    Manager()->BeginUpdate(site->SiteId());
    if (control->DockState() != dsHidden || control->Container()) control->Detach(true);
    site->SetRoot(control);
    control->ShowInContainer();
    Manager()->EndUpdate();
    if (activate) control->SetFocus();
}

} // namespace docking
