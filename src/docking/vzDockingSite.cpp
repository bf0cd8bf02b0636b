#include "docking/vzDockingSite.h"

#include "docking/vzDockContainer.h"
#include "docking/vzDockManager.h"
#include "docking/vzDockTexts.h"
#include "platform/ui/Menus.h"
#include "platform/ui/Metrics.h"

#include <algorithm>

namespace docking {

ui::TRect ClampToWorkArea(const ui::TRect& bounds, const ui::TRect& area) {
    ui::TRect r = bounds;
    if (r.Left < area.Left || r.Top < area.Top || r.Left >= area.Right || r.Top >= area.Bottom) {
        r = ui::Bounds(area.Left, area.Top, r.Width(), r.Height());
    }
    r.Right = std::min(r.Right, area.Right);
    r.Bottom = std::min(r.Bottom, area.Bottom);
    return r;
}

ui::TRect KeepReachable(const ui::TRect& bounds, const ui::TRect& area, int captionHeight) {
    constexpr int kVisible = 30;
    const int width = std::min(bounds.Width(), area.Width());
    const int height = std::min(bounds.Height(), area.Height());
    const int left = std::min(std::max(bounds.Left, area.Left - width + kVisible), area.Right - kVisible);
    int top = bounds.Top;
    if (captionHeight > 0) top = std::min(std::max(top, area.Top), area.Bottom - captionHeight);
    return ui::Bounds(left, top, width, height);
}

// ---- TvzDockingSite ----

TvzDockingSite::TvzDockingSite(ui::TComponent* owner) : TvzCustomDockingSite(owner) {
    if (!owner) throw EvzDocking(texts::sSiteOwnerNil);
    auto* form = dynamic_cast<ui::TCustomForm*>(owner);
    if (!form) throw EvzDocking(texts::sSiteOnFormOnly);
    for (int i = 0; i < form->ComponentCount(); ++i) {
        if (form->Components(i) != this && dynamic_cast<TvzDockingSite*>(form->Components(i)))
            throw EvzDocking(texts::sSingleSite);
    }
    SetParent(form);
    SetKey(StringToGuid(kDefaultSiteKey));
    workspace_ = new TvzWorkspaceControl(nullptr); // never registered: its parent frees it
    workspace_->SetParent(this);
    workspace_->SetCaption(form->Caption());
    for (int edge = 0; edge < hidezone::kZoneCount; ++edge)
        zones_[static_cast<std::size_t>(edge)] =
            std::make_unique<TvzDockingHideZone>(this, static_cast<hidezone::TvzZoneEdge>(edge));
}

TvzDockingSite::~TvzDockingSite() {
    Destroying();
    for (auto& zone : zones_)
        zone->Clear();
    SetDockingManager(nullptr);
}

void TvzDockingSite::AssociateManager(TvzCustomDockingManager* manager) {
    if (manager) {
        for (TvzCustomDockingSite* site : manager->Sites())
            if (site != this && dynamic_cast<TvzDockingSite*>(site))
                throw EvzDocking(texts::sSingleSitePerManager);
    }
    SetDockingManager(manager);
    PlaceWorkspace();
}

void TvzDockingSite::SetRoot(TvzCustomDockingControl* control) {
    TvzCustomDockingSite::SetRoot(control);
    PlaceWorkspace();
}

void TvzDockingSite::Refresh() {
    const hidezone::TvzMotionSettings motion = HideMotion();
    for (auto& zone : zones_) {
        zone->Motion().SetSettings(motion);
        zone->LayoutTabs();
    }
    TvzCustomDockingSite::Refresh();
    PlaceWorkspace();
}

void TvzDockingSite::PlaceWorkspace() {
    if (!workspace_) return;
    const bool empty = Root() == nullptr;
    workspace_->ui::TControl::SetVisible(empty);
    if (empty) workspace_->SetBoundsRect(DockClientRect());
}

void TvzDockingSite::CollectData(layout::TvzSiteData& data) {
    data.hideZones.clear();
    for (const auto& zone : zones_) {
        layout::TvzHideZoneData& zoneData = data.hideZones.emplace_back();
        for (TvzCustomDockingControl* control : zone->Controls())
            zoneData.controls.push_back(DockingManager()->CollectControl(control));
        zoneData.states = zone->TabStates();
        zoneData.tabs = static_cast<int32_t>(zoneData.states.size());
    }
}

void TvzDockingSite::ApplyData(const layout::TvzSiteData& data) {
    TvzCustomDockingManager* manager = DockingManager();
    // Zones come only with streams of version 6 and later, which pass every field gate.
    const layout::TvzFieldGates gates = layout::GatesOf(kLayoutVersion);
    for (std::size_t edge = 0; edge < zones_.size() && edge < data.hideZones.size(); ++edge) {
        const layout::TvzHideZoneData& zoneData = data.hideZones[edge];
        for (const layout::TvzControlData& controlData : zoneData.controls) {
            TvzCustomDockingControl* control = manager->ApplyControl(controlData, gates, true);
            if (!control || control->AutoHidden()) continue;
            control->SetParent(manager->HoldingSite());
            control->EnterHideZone(this, static_cast<int>(edge));
        }
        zones_[edge]->SetTabStates(std::vector<int>(zoneData.states.begin(), zoneData.states.end()));
    }
}

void TvzDockingSite::ClearHideZones() {
    for (auto& zone : zones_)
        zone->Clear();
}

bool TvzDockingSite::CanAutoHide(TvzCustomDockingControl* control) {
    if (!DockingManager() || control->IsContainer() || control == workspace_) return false;
    const TvzCustomDockingContainer* container = control->Container();
    return !container || container->TypeId() == 3 || control->Alignment() != alnClient;
}

bool TvzDockingSite::CanPin(TvzCustomDockingControl*) {
    return DockingManager() != nullptr;
}

void TvzDockingSite::AddToHideZone(TvzCustomDockingControl* control, int orientation) {
    if (orientation < hidezone::zeLeft || orientation > hidezone::zeBottom)
        throw rtl::EAssertionFailed("No hide zone on that side");
    zones_[static_cast<std::size_t>(orientation)]->Add(control);
    ZonesChanged();
}

void TvzDockingSite::RemoveFromHideZone(TvzCustomDockingControl* control) {
    if (TvzDockingHideZone* zone = ZoneOf(control)) {
        zone->Remove(control);
        ZonesChanged();
    }
}

void TvzDockingSite::ShowControl(TvzCustomDockingControl* control, bool show, bool activate) {
    TvzDockingHideZone* zone = control->AutoHidden() ? ZoneOf(control->AutoHideRoot()) : nullptr;
    if (!zone) {
        TvzCustomDockingSite::ShowControl(control, show, activate);
        return;
    }
    zone->SlideControl(control, show, false);
    if (show && activate) control->SetFocus();
}

TvzDockingHideZone* TvzDockingSite::ZoneOf(const TvzCustomDockingControl* control) const {
    for (const auto& zone : zones_) {
        const auto& controls = zone->Controls();
        if (std::find(controls.begin(), controls.end(), control) != controls.end()) return zone.get();
    }
    return nullptr;
}

hidezone::TvzZoneRing TvzDockingSite::Ring() const {
    hidezone::TvzZoneRing ring;
    for (std::size_t edge = 0; edge < zones_.size(); ++edge)
        ring.nonEmpty[edge] = zones_[edge] && !zones_[edge]->Empty();
    if (TvzCustomDockingManager* manager = DockingManager())
        ring.thickness = manager->Style()->GetHideZoneSize(uistyle::TvzImage{});
    return ring;
}

hidezone::TvzMotionSettings TvzDockingSite::HideMotion() const {
    TvzCustomDockingManager* manager = DockingManager();
    if (!manager) return {};
    return {manager->AutoHideInterval(), manager->AutoShowSpeed(), manager->AutoHideSpeed()};
}

void TvzDockingSite::HideOtherZones(const TvzDockingHideZone* except) {
    for (auto& zone : zones_)
        if (zone.get() != except && zone->Motion().Shown() >= 0) zone->Motion().HideAtOnce();
}

ui::TRect TvzDockingSite::DockClientRect() const {
    return Ring().Content(ClientRect());
}

void TvzDockingSite::ZonesChanged() {
    if (!IsDestroying()) Refresh();
}

void TvzDockingSite::Paint() {
    TvzCustomDockingSite::Paint();
    for (auto& zone : zones_)
        zone->Paint(*Canvas());
}

void TvzDockingSite::Resize() {
    TvzCustomDockingSite::Resize();
    PlaceWorkspace();
    for (auto& zone : zones_)
        zone->PlaceHost();
}

void TvzDockingSite::MouseMove(ui::TShiftState shift, int x, int y) {
    TvzCustomDockingManager* manager = DockingManager();
    if (manager && manager->AutoHideStartAction() == ahsHover) {
        for (auto& zone : zones_)
            zone->MouseMove({x, y});
    }
    TvzCustomDockingSite::MouseMove(shift, x, y);
}

void TvzDockingSite::MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y) {
    if (button == ui::mbLeft) {
        for (auto& zone : zones_) {
            if (!zone->Empty() && zone->StripRect().Contains({x, y})) {
                zone->MouseDown({x, y});
                break;
            }
        }
    }
    TvzCustomDockingSite::MouseDown(button, shift, x, y);
}

// ---- TvzFloatingSite ----

TvzFloatingSite::TvzFloatingSite(TvzFloatingForm* owner) : TvzCustomDockingSite(owner) {
    if (!owner) throw EvzDocking(texts::sFloatingFormOwnerRequired);
    SetParent(owner);
    SetAlign(ui::alClient);
}

TvzFloatingForm* TvzFloatingSite::Form() const {
    return static_cast<TvzFloatingForm*>(Owner());
}

void TvzFloatingSite::SetRoot(TvzCustomDockingControl* control) {
    TvzCustomDockingSite::SetRoot(control);
    if (control) {
        Form()->SetCaption(ui::StripHotkey(control->Caption()));
        return;
    }
    TvzCustomDockingManager* manager = DockingManager();
    if (manager && !manager->IsDestroying()) {
        SetDockingManager(nullptr);
        Form()->Release();
    }
}

void TvzFloatingSite::CollectData(layout::TvzSiteData& data) {
    data.formBounds = Form()->BoundsRect();
    data.formState = static_cast<uint8_t>(Form()->WindowState());
}

void TvzFloatingSite::ApplyData(const layout::TvzSiteData& data) {
    ui::TRect bounds = data.formBounds;
    if (ui::Screen) bounds = ClampToWorkArea(bounds, ui::Screen->MonitorFromRect(bounds).WorkareaRect);
    Form()->SetBoundsRect(bounds);
    Form()->SetWindowState(data.formState <= ui::wsMaximized ? static_cast<ui::TWindowState>(data.formState)
                                                             : ui::wsNormal);
    if (!Root()) {
        SetDockingManager(nullptr);
        Form()->Release();
    }
}

// ---- TvzFloatingForm ----

TvzFloatingForm::TvzFloatingForm(ui::TComponent* owner, TvzCustomDockingManager* manager) : ui::TForm(owner) {
    SetFormBorderStyle(ui::bsSizeToolWin);
    site_ = new TvzFloatingSite(this);
    site_->SetDockingManager(manager);
}

void TvzFloatingForm::SetBounds(int left, int top, int width, int height) {
    ui::TRect bounds = ui::Bounds(left, top, width, height);
    if (ui::Screen)
        bounds = KeepReachable(bounds, ui::Screen->MonitorFromPoint({left, top}).WorkareaRect,
                               ui::GetSystemMetrics(ui::SM_CYSMCAPTION));
    ui::TForm::SetBounds(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
}

void TvzFloatingForm::DoClose(ui::TCloseAction& action) {
    ui::TForm::DoClose(action);
    if (action == ui::caNone) return;
    if (TvzCustomDockingControl* root = site_->Root()) root->Hide(false);
    action = ui::caFree;
}

} // namespace docking
