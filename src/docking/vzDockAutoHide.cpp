#include "docking/vzDockAutoHide.h"

#include "docking/vzDockControl.h"
#include "docking/vzDockingSite.h"
#include "docking/vzDockManager.h"
#include "docking/vzDockPlacement.h"
#include "docking/vzDockTabs.h"
#include "docking/vzDockTexts.h"
#include "platform/rtl/Utf.h"
#include "platform/ui/Canvas.h"
#include "platform/ui/Mouse.h"
#include "platform/ui/Timers.h"

#include <algorithm>

namespace docking {

using namespace hidezone;

namespace {

bool Vertical(TvzZoneEdge edge) {
    return edge == zeLeft || edge == zeRight;
}

// The zone that polls the pointer; one at a time, like a thread's mouse hook.
TvzDockingHideZone* tracking = nullptr;
constexpr ui::TTimerId kPollTimer = 1;

void CollectLeaves(TvzCustomDockingControl* control, std::vector<TvzCustomDockingControl*>& leaves) {
    if (!control->IsContainer()) {
        leaves.push_back(control);
        return;
    }
    for (int i = 0; i < control->ChildCount(); ++i)
        CollectLeaves(control->Children(i), leaves);
}

} // namespace

// ---- TvzAutoHideDockingSite ----

TvzAutoHideDockingSite::TvzAutoHideDockingSite(TvzDockingHideZone* zone, TvzCustomDockingSite* site)
    : TvzCustomDockingSite(nullptr), zone_(zone) {
    SetAutoConstraints(false);
    SetParent(site);
    SetVisible(false);
}

bool TvzAutoHideDockingSite::CanDock(TvzCustomDockingControl*) {
    throw EvzDocking(texts::sInvisibleDockTarget);
}

void TvzAutoHideDockingSite::SetMainItem(TvzCustomDockingControl* control) {
    if (control == mainItem_) return;
    if (TvzCustomDockingControl* old = mainItem_) {
        mainItem_ = nullptr;
        TvzCustomDockingManager* manager = old->DockingManager();
        old->SetParent(manager && !manager->IsDestroying() ? manager->HoldingSite() : nullptr);
    }
    mainItem_ = control;
    if (!control) return;
    control->SetParent(this);
    control->ShowInContainer();
    Realign();
}

ui::TRect TvzAutoHideDockingSite::PanelRect() const {
    const ui::TRect client = ClientRect();
    uistyle::TvzDockingUIStyle* style =
        mainItem_ && mainItem_->DockingManager() ? mainItem_->DockingManager()->Style() : nullptr;
    const int across =
        style ? (Vertical(zone_->Edge()) ? style->SplitterWidth() : style->SplitterHeight()) : 0;
    const int size = std::max(0, hideSize_ - across);
    switch (zone_->Edge()) {
    case zeLeft:
        return {client.Right - across - size, client.Top, client.Right - across, client.Bottom};
    case zeTop:
        return {client.Left, client.Bottom - across - size, client.Right, client.Bottom - across};
    case zeRight:
        return {client.Left + across, client.Top, client.Left + across + size, client.Bottom};
    case zeBottom:
        return {client.Left, client.Top + across, client.Right, client.Top + across + size};
    }
    return client;
}

void TvzAutoHideDockingSite::Place(const ui::TRect& bounds, int hideSize) {
    hideSize_ = hideSize;
    SetBoundsRect(bounds);
    Realign();
    SetVisible(true);
    BringToFront();
}

void TvzAutoHideDockingSite::Realign() {
    if (mainItem_) LayTreeIn(mainItem_, PanelRect());
}

void TvzAutoHideDockingSite::Paint() {
    TvzCustomDockingSite::Paint();
    if (!mainItem_ || !mainItem_->DockingManager()) return;
    const ui::TRect client = ClientRect();
    const ui::TRect panel = PanelRect();
    ui::TRect splitter = client;
    switch (zone_->Edge()) {
    case zeLeft:
        splitter.Left = panel.Right;
        break;
    case zeTop:
        splitter.Top = panel.Bottom;
        break;
    case zeRight:
        splitter.Right = panel.Left;
        break;
    case zeBottom:
        splitter.Bottom = panel.Top;
        break;
    }
    mainItem_->DockingManager()->Style()->PaintSplitter(
        *Canvas(), splitter, Vertical(zone_->Edge()) ? uistyle::spoVertical : uistyle::spoHorizontal);
}

void TvzAutoHideDockingSite::MouseMove(ui::TShiftState shift, int x, int y) {
    TvzCustomDockingSite::MouseMove(shift, x, y);
    zone_->MouseMove(Parent()->ScreenToClient(ClientToScreen({x, y})));
}

// ---- TvzDockingHideZone ----

TvzDockingHideZone::TvzDockingHideZone(TvzDockingSite* site, TvzZoneEdge edge)
    : site_(site), edge_(edge), host_(new TvzAutoHideDockingSite(this, site)) {
    TvzZoneHost host;
    host.activate = [this](int tab) { return Activate(tab); };
    host.enter = [this](int tab) { Enter(tab); };
    host.place = [this](int extent) { PlaceAt(extent); };
    host.leave = [this] { Leave(); };
    host.shownIsActive = [this] {
        TvzCustomDockingManager* manager = site_->DockingManager();
        return manager && ShownPanel() && manager->ActiveControl() == ShownPanel();
    };
    host.busy = [this] {
        TvzCustomDockingManager* manager = site_->DockingManager();
        return manager && manager->Operation() != nullptr;
    };
    host.dragging = [] { return false; };
    motion_ = std::make_unique<TvzHideZoneMotion>(std::move(host), site->HideMotion());
}

TvzDockingHideZone::~TvzDockingHideZone() {
    Track(false);
    ui::Timers().KillTimers(this);
}

TvzCustomDockingControl* TvzDockingHideZone::ShownPanel() const {
    return host_->MainItem();
}

void TvzDockingHideZone::Rebuild() {
    std::vector<TvzHiddenTab> tabs;
    std::vector<TvzCustomDockingControl*> panels;
    for (TvzCustomDockingControl* control : controls_) {
        std::vector<TvzCustomDockingControl*> leaves;
        CollectLeaves(control, leaves);
        auto* tabsContainer = dynamic_cast<TvzInsideContainer*>(control);
        const int active = tabsContainer ? std::max(0, tabsContainer->CurrentTab()) : 0;
        for (std::size_t i = 0; i < leaves.size(); ++i) {
            TvzHiddenTab tab;
            tab.group = control;
            tab.caption = rtl::Utf8ToUtf16(leaves[i]->Caption());
            // A group already here keeps the active tab it had.
            const auto known = std::find(panels_.begin(), panels_.end(), leaves[i]);
            if (known != panels_.end())
                tab.state = tabs_[static_cast<std::size_t>(known - panels_.begin())].state;
            else
                tab.state = static_cast<int>(i) == active ? kActiveTabState : 0;
            tabs.push_back(tab);
            panels.push_back(leaves[i]);
        }
    }
    tabs_ = std::move(tabs);
    panels_ = std::move(panels);
    LayoutTabs();
}

void TvzDockingHideZone::Add(TvzCustomDockingControl* control) {
    controls_.push_back(control);
    Rebuild();
}

void TvzDockingHideZone::Remove(TvzCustomDockingControl* control) {
    const auto it = std::find(controls_.begin(), controls_.end(), control);
    if (it == controls_.end()) return;
    if (TvzCustomDockingControl* shown = ShownPanel();
        shown && (shown == control || shown->AutoHideRoot() == control))
        motion_->HideAtOnce();
    controls_.erase(it);
    Rebuild();
}

void TvzDockingHideZone::Clear() {
    motion_->HideAtOnce();
    Track(false);
    for (auto it = controls_.rbegin(); it != controls_.rend(); it = controls_.rbegin()) {
        (*it)->LeaveHideZone(false);
        if (!controls_.empty() && controls_.back() == *it) controls_.pop_back(); // left by itself
    }
    Rebuild();
}

void TvzDockingHideZone::SlideControl(TvzCustomDockingControl* control, bool show, bool immediate) {
    auto tab = std::find(panels_.begin(), panels_.end(), control);
    if (tab == panels_.end()) {
        const auto first = std::find_if(tabs_.begin(), tabs_.end(),
                                        [control](const TvzHiddenTab& t) { return t.group == control; });
        if (first == tabs_.end()) return;
        tab = panels_.begin() + (first - tabs_.begin());
    }
    if (!show) {
        if (*tab == ShownPanel()) motion_->SlideIn(immediate);
        return;
    }
    const int index = static_cast<int>(tab - panels_.begin());
    motion_->SlideOut(index, Activate(index), immediate);
}

std::vector<int> TvzDockingHideZone::TabStates() const {
    std::vector<int> states;
    for (const TvzHiddenTab& tab : tabs_)
        states.push_back(tab.state);
    return states;
}

void TvzDockingHideZone::SetTabStates(const std::vector<int>& states) {
    for (std::size_t i = 0; i < tabs_.size() && i < states.size(); ++i)
        tabs_[i].state = states[i];
    LayoutTabs();
}

ui::TRect TvzDockingHideZone::StripRect() const {
    return site_->Ring().Strip(edge_, site_->ClientRect());
}

void TvzDockingHideZone::LayoutTabs() {
    TvzCustomDockingManager* manager = site_->DockingManager();
    if (!manager || tabs_.empty()) return;
    hidezone::LayoutTabs(tabs_, manager->AutoHideCaptions(),
                         StyleTabMetrics(*manager->Style(), edge_, site_->Ring(), uistyle::TvzImage{}));
}

void TvzDockingHideZone::Paint(ui::TCanvas& canvas) const {
    TvzCustomDockingManager* manager = site_->DockingManager();
    if (Empty() || !manager) return;
    PaintZone(*manager->Style(), canvas, edge_, StripRect(), tabs_, uistyle::TvzImage{});
}

void TvzDockingHideZone::Process(ui::TPoint point, bool click) {
    if (Empty()) return;
    int tab = TabAt(tabs_, edge_, StripRect(), point);
    if (tab < 0 && motion_->Shown() >= 0 && host_->Visible() && host_->BoundsRect().Contains(point))
        tab = motion_->Shown();
    motion_->Process(tab, click);
    Track(motion_->Hovered() >= 0 || motion_->Shown() >= 0);
}

void TvzDockingHideZone::MouseMove(ui::TPoint point) {
    Process(point, false);
}

void TvzDockingHideZone::MouseDown(ui::TPoint point) {
    if (Empty() || !StripRect().Contains(point)) return;
    Process(point, true);
    TvzCustomDockingManager* manager = site_->DockingManager();
    if (manager && manager->AutoHideStartAction() == ahsClick) return;
    if (TvzCustomDockingControl* shown = ShownPanel()) shown->SetFocus();
}

int TvzDockingHideZone::Activate(int tab) {
    site_->HideOtherZones(this);
    const void* group = tabs_[static_cast<std::size_t>(tab)].group;
    if (tabs_[static_cast<std::size_t>(tab)].state != kActiveTabState) {
        for (TvzHiddenTab& other : tabs_)
            if (other.group == group) other.state = 0;
        tabs_[static_cast<std::size_t>(tab)].state = kActiveTabState;
        LayoutTabs();
    }
    site_->Invalidate();
    return HideSize(tab);
}

int TvzDockingHideZone::HideSize(int tab) const {
    TvzCustomDockingControl* panel = TabPanel(tab);
    auto* own = dynamic_cast<TvzPlacementInfo*>(&panel->Placement());
    auto* group = dynamic_cast<TvzPlacementInfo*>(
        &static_cast<TvzCustomDockingControl*>(const_cast<void*>(tabs_[static_cast<std::size_t>(tab)].group))
             ->Placement());
    int size = HideSizeFor(edge_, own ? own->hideSize : 0, group ? *group : TvzPlacementInfo(panel));
    // A size beyond the free area is cut to it, and remembered so.
    const int available = site_->Ring().AvailableExtent(edge_, site_->ClientRect());
    if (size > available) {
        size = available;
        if (own) own->hideSize = size;
    }
    return size;
}

void TvzDockingHideZone::Enter(int tab) {
    host_->SetMainItem(TabPanel(tab));
}

void TvzDockingHideZone::PlaceAt(int extent) {
    hideSize_ = motion_->Shown() >= 0 ? HideSize(motion_->Shown()) : 0;
    host_->Place(site_->Ring().HostBounds(edge_, site_->ClientRect(), extent), hideSize_);
    Track(true);
}

void TvzDockingHideZone::PlaceHost() {
    if (host_->Visible() && motion_->Shown() >= 0) PlaceAt(motion_->Extent());
}

void TvzDockingHideZone::Leave() {
    Track(false);
    host_->SetMainItem(nullptr);
    host_->SetVisible(false);
    host_->SetBoundsRect({});
}

void TvzDockingHideZone::Track(bool on) {
    if (on) {
        if (tracking == this) return;
        if (tracking) tracking->Track(false);
        tracking = this;
        ui::Timers().SetTimer(this, kPollTimer, TvzHideZoneMotion::kStepInterval, [this] { Poll(); });
        return;
    }
    if (tracking != this) return;
    tracking = nullptr;
    ui::Timers().KillTimer(this, kPollTimer);
}

void TvzDockingHideZone::Poll() {
    Process(site_->ScreenToClient(ui::TMouse::CursorPos()), false);
}

} // namespace docking
