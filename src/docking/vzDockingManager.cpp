#include "docking/vzDockingManager.h"

#include "docking/vzDockSplit.h"
#include "docking/vzDockTabs.h"
#include "docking/vzDockTexts.h"

namespace docking {

uint8_t StoreMask(TvzDockingStoreOptions options) {
    uint8_t mask = 0;
    for (int bit = 0; bit < 4; ++bit)
        if (options.Contains(static_cast<TvzDockingStoreOption>(bit))) mask |= static_cast<uint8_t>(1 << bit);
    return mask;
}

TvzDockingManager::TvzDockingManager(ui::TComponent* owner) : TvzCustomDockingManager(owner) {
    auto* form = dynamic_cast<ui::TCustomForm*>(owner);
    if (!form) throw EvzDocking(texts::sManagerFormOwner);
    for (int i = 0; i < form->ComponentCount(); ++i)
        if (form->Components(i) != this && dynamic_cast<TvzDockingManager*>(form->Components(i)))
            throw EvzDocking(texts::sSingleManager);
}

void TvzDockingManager::SetDockingStyleClassName(const std::string& name) {
    const drag::TvzDockingStyleList::TClass* found = drag::DockingStyles().Find(name);
    dockingStyle_ = found ? std::shared_ptr<drag::TvzDockingStyle>(found->create()) : nullptr;
    dockingStyleName_ = found ? name : std::string();
    SetMover(typeid(TvzCustomDockingControl), DockingStyle().CreateMover(this));
}

const drag::TvzDockingStyle& TvzDockingManager::DockingStyle() const {
    if (dockingStyle_) return *dockingStyle_;
    return fallbackStyle_;
}

drag::TvzDockingStyle& TvzDockingManager::DockingStyle() {
    if (dockingStyle_) return *dockingStyle_;
    return fallbackStyle_;
}

ui::TCustomForm* TvzDockingManager::Form() const {
    return dynamic_cast<ui::TCustomForm*>(Owner());
}

TvzCustomDockingControl* TvzDockingManager::CreateContainer(int typeId) {
    switch (typeId) {
    case 1:
        return new TvzVerticalContainer(nullptr);
    case 2:
        return new TvzHorizontalContainer(nullptr);
    case 3: {
        auto* tabs = new TvzInsideContainer(nullptr);
        tabs->SetOrientation(tabOrientation_);
        return tabs;
    }
    default:
        return nullptr;
    }
}

void TvzDockingManager::SetFloatingFormOnTop(bool onTop) {
    floatingFormOnTop_ = onTop;
    for (TvzCustomDockingSite* site : Sites())
        if (auto* floating = dynamic_cast<TvzFloatingSite*>(site))
            floating->Form()->SetFormStyle(onTop ? ui::fsStayOnTop : ui::fsNormal);
}

TvzCustomDockingSite* TvzDockingManager::CreateFloatingSite(const ui::TRect& rect, bool) {
    auto* form = new TvzFloatingForm(Owner(), this);
    if (floatingFormOnTop_) form->SetFormStyle(ui::fsStayOnTop);
    form->SetBoundsRect(rect);
    return form->Site();
}

layout::TvzFormPlacementData TvzDockingManager::CollectFormPlacement() {
    layout::TvzFormPlacementData data;
    ui::TCustomForm* form = Form();
    if (!form) return data;
    data.mask = StoreMask(storeOptions_);
    data.bounds = form->BoundsRect();
    data.windowState = static_cast<uint8_t>(form->WindowState());
    if (storeOptions_.Contains(dsoActiveDockingControl) && ActiveControl())
        data.activeControl = ActiveControl()->Key();
    return data;
}

void TvzDockingManager::ApplyFormPlacement(const layout::TvzFormPlacementData& data) {
    ui::TCustomForm* form = Form();
    if (!form || storeOptions_.Empty()) return;
    ui::TRect bounds = data.bounds;
    if (ui::Screen) {
        bool onMonitor = false;
        for (int i = 0; i < ui::Screen->MonitorCount(); ++i)
            onMonitor |= !ui::IntersectRect(ui::Screen->Monitors(i).BoundsRect, bounds).IsEmpty();
        if (!onMonitor) bounds = ClampToWorkArea(bounds, ui::Screen->WorkAreaRect());
    }
    if (data.mask & 4) form->SetSizeConstraints(data.minWidth, data.minHeight, data.maxWidth, data.maxHeight);
    if (data.mask & 1) form->SetBoundsRect(bounds);
    if (data.mask & 2 && data.windowState <= ui::wsMaximized)
        form->SetWindowState(static_cast<ui::TWindowState>(data.windowState));
    if (data.mask & 8 && data.activeControl != kNullGuid) {
        if (TvzCustomDockingControl* control = Items().Find(data.activeControl)) SetActiveControl(control);
    }
}

} // namespace docking
