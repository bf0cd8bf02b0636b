#include "docking/vzDockSite.h"

#include "docking/vzDockControl.h"
#include "docking/vzDockManager.h"
#include "docking/vzDockOleDrop.h"
#include "docking/vzDockTabs.h"
#include "docking/vzDockTexts.h"
#include "platform/ui/Canvas.h"

#include <algorithm>

namespace docking {

TvzCustomDockingSite::TvzCustomDockingSite(ui::TComponent* owner)
    : ui::TCustomControl(owner), key_(NewGuid()) {}

TvzCustomDockingSite::~TvzCustomDockingSite() {
    Destroying();
    SetDockingManager(nullptr);
}

void TvzCustomDockingSite::SetDockingManager(TvzCustomDockingManager* manager) {
    if (manager == manager_) return;
    if (manager_) {
        if (TvzCustomDockingControl* root = Root(); root && !manager_->IsDestroying()) root->Detach(true);
        manager_->UnregisterSite(this);
        siteId_ = -1;
    }
    manager_ = manager;
    if (manager_) siteId_ = manager_->RegisterSite(this);
    UpdateOleDrop();
}

TvzCustomDockingControl* TvzCustomDockingSite::ControlAtPoint(ui::TPoint screen) const {
    TvzCustomDockingControl* best = nullptr;
    for (int i = 0; i < ControlCount(); ++i) {
        auto* control = dynamic_cast<TvzCustomDockingControl*>(Controls(i));
        if (!control || !control->Showing()) continue;
        const ui::TPoint at = control->ClientToScreen({0, 0});
        if (!ui::Bounds(at.X, at.Y, control->Width(), control->Height()).Contains(screen)) continue;
        // The innermost control: a panel over the container it lies in.
        if (!best || control->Width() * control->Height() < best->Width() * best->Height()) best = control;
    }
    return best;
}

TGuid TvzCustomDockingSite::OleDragHover(ui::TPoint screen, bool activate) {
    auto* tabs = dynamic_cast<TvzInsideContainer*>(ControlAtPoint(screen));
    return tabs ? tabs->OleDragHover(screen, activate) : TGuid{};
}

void TvzCustomDockingSite::UpdateOleDrop() {
    const bool wanted = manager_ && manager_->OleDropEnabled() && HandleAllocated() && !IsDestroying();
    if (wanted == (oleDrop_ != nullptr)) return;
    if (!wanted) {
        if (HandleAllocated()) ui::RevokeDragDrop(*this);
        oleDrop_.reset();
        return;
    }
    oleDrop_ = std::make_unique<TvzOleDropAcceptor>(this);
    if (!ui::RegisterDragDrop(*this, oleDrop_.get())) oleDrop_.reset();
}

void TvzCustomDockingSite::CreateWnd() {
    ui::TCustomControl::CreateWnd();
    UpdateOleDrop();
}

void TvzCustomDockingSite::DestroyWnd() {
    // The registration goes with the window.
    oleDrop_.reset();
    ui::TCustomControl::DestroyWnd();
}

TvzCustomDockingControl* TvzCustomDockingSite::Root() const {
    return manager_ ? manager_->Root(siteId_) : nullptr;
}

void TvzCustomDockingSite::SetRoot(TvzCustomDockingControl* control) {
    if (!manager_) return;
    TvzCustomDockingControl* old = Root();
    if (old == control) return;
    manager_->BeginUpdate(siteId_);
    manager_->SetRoot(siteId_, control); // first, so that the old root's detach finds it gone
    if (old) old->Detach(true);
    if (control) {
        if (control->Container()) control->SetContainer(nullptr);
        control->SetParent(this);
        control->SetSiteId(siteId_);
        control->SetScreenRect(ui::Bounds(ClientOrigin().X, ClientOrigin().Y, ClientWidth(), ClientHeight()));
        if (control->Visible()) control->ShowInContainer();
    }
    manager_->EndUpdate();
}

bool TvzCustomDockingSite::CanDock(TvzCustomDockingControl* control) {
    bool allow = true;
    if (OnCanDock) OnCanDock(this, control, allow);
    return allow;
}

bool TvzCustomDockingSite::CanUndock(TvzCustomDockingControl* control) {
    bool allow = true;
    if (OnCanUndock) OnCanUndock(this, control, allow);
    return allow;
}

void TvzCustomDockingSite::CheckCanDock(TvzCustomDockingControl* control) {
    if (!CanDock(control)) throw EvzDocking(texts::sDockingNotAllowed);
}

void TvzCustomDockingSite::CheckCanUndock(TvzCustomDockingControl* control) {
    if (!CanUndock(control)) throw EvzDocking(texts::sDockingNotAllowed);
}

void TvzCustomDockingSite::ShowControl(TvzCustomDockingControl* control, bool show, bool activate) {
    if (!show) return;
    control->Show();
    if (activate && control->DockState() != dsHidden) control->SetFocus();
}

void TvzCustomDockingSite::Refresh() {
    Realign();
    Invalidate();
}

void TvzCustomDockingSite::SetBounds(int left, int top, int width, int height) {
    const int frameWidth = Width() - ClientWidth();
    const int frameHeight = Height() - ClientHeight();
    ui::TCustomControl::SetBounds(left, top, std::max(width, minimumSize_.X + frameWidth),
                                  std::max(height, minimumSize_.Y + frameHeight));
}

void TvzCustomDockingSite::Realign() {
    TvzCustomDockingControl* root = Root();
    minimumSize_ =
        root && autoConstraints_ ? ui::TPoint{root->MinimumWidth(), root->MinimumHeight()} : ui::TPoint{};
    if (root) LayTreeIn(root, DockClientRect());
}

void TvzCustomDockingSite::LayTreeIn(TvzCustomDockingControl* control, const ui::TRect& rect) {
    const ui::TPoint origin = ClientOrigin();
    control->SetScreenRect(
        ui::Bounds(origin.X + rect.Left, origin.Y + rect.Top, rect.Width(), rect.Height()));
    control->UpdateBounds();
}

void TvzCustomDockingSite::Resize() {
    ui::TCustomControl::Resize();
    Realign();
}

void TvzCustomDockingSite::Paint() {
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(ClientRect());
}

bool TvzNullDockingSite::CanDock(TvzCustomDockingControl*) {
    throw EvzDocking(texts::sInvisibleDockTarget);
}

} // namespace docking
