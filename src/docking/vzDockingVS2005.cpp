#include "docking/vzDockingVS2005.h"

#include "docking/vzDockCustForm.h"
#include "docking/vzDocker.h"
#include "docking/vzDockSite.h"
#include "docking/vzDockTabs.h"
#include "platform/ui/Canvas.h"
#include "platform/ui/Color.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Hints.h"
#include "platform/ui/Timers.h"

#include <algorithm>
#include <cmath>

namespace docking::guides {

namespace {

int Half(int extent) {
    return -(extent / 2);
}

ui::TPoint Offset(int index, const TvzGuideSizes& s) {
    const int dx4 = Half(s[drtInside].X), dy4 = Half(s[drtInside].Y);
    switch (index) {
    case drtLeft:
        return {dx4 - s[index].X + 7, Half(s[index].Y)};
    case drtRight:
        return {-dx4 - 5, Half(s[index].Y)};
    case drtTop:
        return {Half(s[index].X), dy4 - s[index].Y + 7};
    case drtBottom:
        return {Half(s[index].X), -dy4 - 5};
    case drtDetachedLeft:
        return {0, Half(s[index].Y)};
    case drtDetachedTop:
        return {Half(s[index].X), 0};
    case drtDetachedRight:
        return {-s[index].X, Half(s[index].Y)};
    case drtDetachedBottom:
        return {Half(s[index].X), -s[index].Y};
    default: // the centre, for either tab orientation
        return {dx4, dy4};
    }
}

ui::TPoint Anchor(int index, const ui::TRect& target, const ui::TRect& area) {
    const int middleX = (target.Left + target.Right) / 2, middleY = (target.Top + target.Bottom) / 2;
    switch (index) {
    case drtDetachedLeft:
        return {target.Left, middleY};
    case drtDetachedTop:
        return {middleX, target.Top};
    case drtDetachedRight:
        return {target.Right, middleY};
    case drtDetachedBottom:
        return {middleX, target.Bottom};
    default:
        return {(area.Left + area.Right) / 2, (area.Top + area.Bottom) / 2};
    }
}

} // namespace

ui::TRect GuideBounds(int index, const TvzGuideSizes& sizes, const ui::TRect& target, const ui::TRect& area) {
    const ui::TPoint anchor = Anchor(index, target, area), offset = Offset(index, sizes);
    return ui::Bounds(anchor.X + offset.X, anchor.Y + offset.Y, sizes[index].X, sizes[index].Y);
}

int GuidePicture(TvzDockingRegionType region, bool tabsAtBottom) {
    return region == drtInside && tabsAtBottom ? drtInsideBefore : region;
}

ui::TRegion PageWithTab(const ui::TRect& dock, int stripHeight, int tabIndent, bool tabsAtBottom) {
    ui::TRect page = dock, tab = dock;
    if (tabsAtBottom) {
        page.Bottom -= stripHeight;
        tab.Top = page.Bottom;
    } else {
        page.Top += stripHeight;
        tab.Bottom = page.Top;
    }
    tab.Left = std::min(dock.Left + tabIndent, dock.Right);
    tab.Right = std::min(tab.Left + kPlaceholderTab, dock.Right);
    return ui::TRegion(page) | ui::TRegion(tab);
}

bool TvzFade::Start(int current, int target, int delay) {
    delay = std::max(delay, kFadeTick);
    target_ = target;
    if (current == target) {
        steps_ = -1;
        return false;
    }
    steps_ = delay / kFadeTick - 1;
    step_ = static_cast<double>(kFadeTick) * (current - target) / delay;
    return true;
}

int TvzFade::Tick() {
    const int alpha = static_cast<int>(std::lround(steps_ * step_)) + target_;
    --steps_;
    return alpha;
}

} // namespace docking::guides

namespace docking {

using namespace guides;

// One guide: a top-most picture of a page with the side it docks to in the highlight colour,
// framed in the highlight colour while the cursor is on it.
class TvzGuideWindow : public TvzOverlayWindow {
public:
    explicit TvzGuideWindow(int region) : region_(region) { ui::SetAlphaBlendValue(*this, 0); }
    ~TvzGuideWindow() override { ui::Timers().KillTimers(this); }
    bool Hot() const { return hot_; }
    void SetHot(bool hot) {
        if (hot == hot_) return;
        hot_ = hot;
        Invalidate();
    }
    // Moves the alpha to `alpha` over `delay` milliseconds; at 0 the guide hides.
    void FadeTo(int alpha, int delay) {
        ui::Timers().KillTimer(this, kFadeTimer);
        if (!fade_.Start(ui::AlphaBlendValue(*this), alpha, delay)) {
            SetAlpha(alpha);
            return;
        }
        Show();
        ui::Timers().SetTimer(this, kFadeTimer, kFadeTick, [this] {
            ui::SetAlphaBlendValue(*this, static_cast<uint8_t>(fade_.Tick()));
            if (fade_.Running()) return;
            ui::Timers().KillTimer(this, kFadeTimer);
            if (ui::AlphaBlendValue(*this) == 0) Hide();
        });
    }
    void SetAlpha(int alpha) {
        ui::Timers().KillTimer(this, kFadeTimer);
        ui::SetAlphaBlendValue(*this, static_cast<uint8_t>(alpha));
        if (alpha > 0)
            Show();
        else
            Hide();
    }

protected:
    void Paint() override {
        ui::TCanvas& canvas = *Canvas();
        const ui::TRect client = ClientRect();
        canvas.Brush()->SetStyle(ui::bsSolid);
        canvas.Brush()->SetColor(ui::RGB(236, 236, 236));
        canvas.Pen()->SetColor(hot_ ? ui::clHighlight : ui::RGB(128, 128, 128));
        canvas.Pen()->SetWidth(hot_ ? 2 : 1);
        canvas.Rectangle(client);
        canvas.Pen()->SetWidth(1);
        const ui::TRect page = ui::Bounds(9, 9, client.Width() - 18, client.Height() - 18);
        canvas.Brush()->SetColor(ui::clWhite);
        canvas.Pen()->SetColor(ui::RGB(64, 64, 64));
        canvas.Rectangle(page);
        canvas.Brush()->SetColor(ui::clHighlight);
        canvas.FillRect(DockedPart(page));
    }

private:
    ui::TRect DockedPart(const ui::TRect& page) const {
        const int third = page.Width() / 3;
        ui::TRect part = {page.Left + 1, page.Top + 1, page.Right - 1, page.Bottom - 1};
        switch (region_) {
        case drtLeft:
        case drtDetachedLeft:
            part.Right = part.Left + third;
            break;
        case drtTop:
        case drtDetachedTop:
            part.Bottom = part.Top + third;
            break;
        case drtRight:
        case drtDetachedRight:
            part.Left = part.Right - third;
            break;
        case drtBottom:
        case drtDetachedBottom:
            part.Top = part.Bottom - third;
            break;
        default: // inside: the page itself, its tab strip left white
            part.Bottom -= 5;
            break;
        }
        return part;
    }

    static constexpr ui::TTimerId kFadeTimer = 1;
    int region_;
    bool hot_ = false;
    TvzFade fade_;
};

// ---- TvzVS2005DockingFrameOptions ----

void TvzVS2005DockingFrameOptions::SetBrush(ui::TColor color) {
    look_.fill = color;
    Changed();
}

void TvzVS2005DockingFrameOptions::SetBorder(ui::TColor color) {
    look_.border = color;
    Changed();
}

void TvzVS2005DockingFrameOptions::SetBorderSize(int size) {
    look_.borderSize = std::clamp(size, TvzFrameLook::kMinBorder, TvzFrameLook::kMaxBorder);
    Changed();
}

void TvzVS2005DockingFrameOptions::Changed() {
    if (frame_) frame_->SetLook(look_);
}

void TvzVS2005DockingFrameOptions::Attach(TvzTranslucentFrame* frame) {
    if (frame_) frame_->OnCustomPaint = nullptr;
    frame_ = frame;
    if (!frame) return;
    ui::SetAlphaBlendValue(*frame, transparency_);
    frame->SetLook(look_);
    frame->OnCustomPaint = [this](ui::TObject* sender, ui::TCanvas* canvas, const ui::TRegion& region,
                                  const ui::TRect& rect, TvzCustomPaintStage stage, bool& defaultDrawing) {
        if (OnCustomPaint) OnCustomPaint(sender, canvas, region, rect, stage, defaultDrawing);
    };
}

// ---- TvzDockingZoneController ----

TvzDockingZoneController::TvzDockingZoneController(TvzCustomDockingControl* target,
                                                   const TvzGuidePlaces& places)
    : target_(target) {
    for (int region = 0; region < kGuides; ++region) {
        const ui::TRect& place = places[static_cast<std::size_t>(region)];
        if (place.IsEmpty()) continue;
        auto guide = std::make_unique<TvzGuideWindow>(region);
        guide->SetBoundsRect(place);
        guides_[static_cast<std::size_t>(region)] = std::move(guide);
    }
}

TvzDockingZoneController::~TvzDockingZoneController() = default;

ui::TCustomControl* TvzDockingZoneController::Guide(int region) const {
    return Window(region);
}

TvzDockingRegionType TvzDockingZoneController::HitTest(ui::TPoint screen) const {
    for (int region = 0; region < kGuides; ++region)
        if (Window(region) && Window(region)->BoundsRect().Contains(screen))
            return static_cast<TvzDockingRegionType>(region);
    return drtNone;
}

void TvzDockingZoneController::Light(TvzDockingRegionType region, const TvzDockZoneOptions& options) {
    if (region == lit_) return;
    if (lit_ != drtNone && Window(lit_)) {
        Window(lit_)->SetHot(false);
        Window(lit_)->FadeTo(options.transparency, options.fadeOutDelay);
    }
    lit_ = region;
    if (region == drtNone || !Window(region)) return;
    Window(region)->SetHot(true);
    Window(region)->FadeTo(options.activeTransparency, options.fadeInDelay);
}

void TvzDockingZoneController::FadeAll(int alpha, int delay) {
    for (auto& guide : guides_)
        if (guide) guide->FadeTo(alpha, delay);
}

void TvzDockingZoneController::SetAll(int alpha) {
    for (auto& guide : guides_)
        if (guide) guide->SetAlpha(alpha);
}

// ---- TvzVS2005Mover ----

TvzVS2005Mover::TvzVS2005Mover(TvzCustomDockingManager* owner) : TvzMover(owner) {
    Feedback().SetTranslucent(dockingFrame_.Transparency());
}

TvzVS2005Mover::~TvzVS2005Mover() = default;

TvzDockingZoneController* TvzVS2005Mover::Controller(const TvzCustomDockingControl* target) const {
    const auto found = controllers_.find(target);
    return found == controllers_.end() ? nullptr : found->second.get();
}

void TvzVS2005Mover::DragStarted(ui::TShiftState shift) {
    dockingFrame_.Attach(Feedback().TranslucentFrame());
    for (TvzCustomDockingSite* site : Owner()->Sites()) {
        if (site->IsHoldingSite() || !site->Showing() || !site->Root()) continue;
        AddControllers(site->Root(), site);
    }
    firstStep_ = true;
    flashing_ = flashZonesOnStart_ && drag::DockingShift(shift) != Owner()->AutoDragKey();
    if (!flashing_) return;
    for (auto& [target, controller] : controllers_)
        controller->SetAll(dockZone_.activeTransparency);
}

void TvzVS2005Mover::AddControllers(TvzCustomDockingControl* control, const TvzCustomDockingSite* site) {
    if (!CanTarget(control)) return; // nor anything below it
    const auto add = [&] {
        TvzDockingZoneController::TvzGuidePlaces places = GuidePlaces(control, site);
        if (std::any_of(places.begin(), places.end(), [](const ui::TRect& r) { return !r.IsEmpty(); }))
            controllers_[control] = std::make_unique<TvzDockingZoneController>(control, places);
    };
    if (control->ChildCount() == 0) {
        if (control->Showing()) add();
        return;
    }
    if (control == site->Root()) add();
    if (auto* tabs = dynamic_cast<TvzInsideContainer*>(control)) {
        // Only the page in front can be seen.
        if (tabs->CurrentTab() >= 0) AddControllers(tabs->Children(tabs->CurrentTab()), site);
        return;
    }
    for (int i = 0; i < control->ChildCount(); ++i)
        AddControllers(control->Children(i), site);
}

TvzDockingZoneController::TvzGuidePlaces TvzVS2005Mover::GuidePlaces(TvzCustomDockingControl* target,
                                                                     const TvzCustomDockingSite* site) const {
    TvzGuideSizes sizes;
    sizes.fill({kGuideSize, kGuideSize});
    TvzDockingZoneController::TvzGuidePlaces places{};
    const ui::TRect rect = target->ScreenRect();
    if (target->IsContainer()) {
        // The outer guides dock beside the whole tree of the main site.
        if (site->IsFloating() || target != site->Root()) return places;
        for (int region = drtDetachedLeft; region <= drtDetachedBottom; ++region)
            places[static_cast<std::size_t>(region)] = GuideBounds(region, sizes, rect, rect);
        return places;
    }
    if (target == Control()) return places;
    const bool workspace = dynamic_cast<TvzWorkspaceControl*>(target) != nullptr;
    const ui::TRect area = DockingArea(rect, Owner()->Metric(0));
    for (int region = drtLeft; region <= drtInside; ++region)
        if (!workspace || region == drtInside)
            places[static_cast<std::size_t>(region)] = GuideBounds(region, sizes, rect, area);
    return places;
}

drag::TvzDropPlace TvzVS2005Mover::PlaceOver(TvzCustomDockingControl* control, ui::TPoint screen) {
    overChain_.clear();
    for (TvzCustomDockingControl* up = control; up; up = up->Container())
        if (TvzDockingZoneController* controller = Controller(up)) overChain_.push_back(controller);
    for (TvzDockingZoneController* controller : overChain_) {
        TvzDockingRegionType region = controller->HitTest(screen);
        if (region == drtNone) continue;
        if (region < drtDetachedLeft) {
            // The panel's own handler may refuse the guide's place.
            if (auto* panel = dynamic_cast<TvzDockingControl*>(controller->Target()))
                panel->DockZone(Control(), screen, region);
            return Shaped(PlaceAt(controller->Target(), region));
        }
        if (!CanTarget(controller->Target())) return {};
        return PlaceAt(controller->Target(), static_cast<TvzDockingRegionType>(region - drtDetachedLeft));
    }
    // Off the guides a tab strip still takes the panel, before or after the tab under the cursor.
    if (auto* tabs = dynamic_cast<TvzInsideContainer*>(control);
        tabs && tabs->TabStripRect().Contains(tabs->ScreenToClient(screen)))
        return TvzMover::PlaceOver(control, screen);
    return {};
}

drag::TvzDropPlace TvzVS2005Mover::Shaped(drag::TvzDropPlace place) const {
    if (place.region != drtInside && place.region != drtInsideBefore) return place;
    const auto tabbed = [](const TvzCustomDockingControl* c) {
        return dynamic_cast<const TvzInsideContainer*>(c);
    };
    if (tabbed(place.target) || tabbed(place.target->Container())) return place;
    const TvzCustomDockingManager* manager = Owner();
    const int strip = manager->Style()->GetTabPaneHeight(uistyle::TvzImage{manager->Images(), -1, false});
    place.shape = PageWithTab(place.frame, strip, manager->Style()->TabIndent(),
                              manager->TabOrientation() == uistyle::dtoBottom);
    return place;
}

void TvzVS2005Mover::ShowPlace(const drag::TvzDropPlace& place, ui::TPoint cursor) {
    const ui::TRect before = Feedback().Frame();
    TvzMover::ShowPlace(place, cursor);
    std::vector<TvzDockingZoneController*> chain;
    chain.swap(overChain_);
    if (firstStep_) {
        firstStep_ = false;
        start_ = cursor;
    }
    if (flashing_) {
        const double moved = std::hypot(cursor.X - start_.X, cursor.Y - start_.Y);
        if (std::lround(moved) < Owner()->Metric(2)) return;
        flashing_ = false;
        for (auto& [target, controller] : controllers_)
            controller->FadeAll(dockZone_.transparency, dockZone_.fadeOutDelay);
        return;
    }
    ShowChain(chain);
    // The first guide of the chain under the cursor lights up, when the panel can dock there.
    TvzDockingZoneController* lit = nullptr;
    TvzDockingRegionType region = drtNone;
    for (TvzDockingZoneController* controller : chain_) {
        if (!place.target) break;
        region = controller->HitTest(cursor);
        if (region == drtNone) continue;
        lit = controller;
        break;
    }
    if (lit_ && lit_ != lit) lit_->Light(drtNone, activeDockZone_);
    if (lit) lit->Light(region, activeDockZone_);
    lit_ = lit;
    // The guides stand above the landing place.
    if (Feedback().Frame() == before) return;
    for (TvzDockingZoneController* controller : chain_)
        for (int r = 0; r < TvzDockingZoneController::kGuides; ++r)
            if (ui::TCustomControl* guide = controller->Guide(r); guide && guide->Visible())
                guide->BringToFront();
}

void TvzVS2005Mover::ShowChain(const std::vector<TvzDockingZoneController*>& chain) {
    const auto in = [](const std::vector<TvzDockingZoneController*>& list, TvzDockingZoneController* c) {
        return std::find(list.begin(), list.end(), c) != list.end();
    };
    for (TvzDockingZoneController* controller : chain_)
        if (!in(chain, controller)) {
            if (controller == lit_) {
                controller->Light(drtNone, activeDockZone_);
                lit_ = nullptr;
            }
            controller->FadeAll(dockZone_.transparency, dockZone_.fadeOutDelay);
        }
    for (TvzDockingZoneController* controller : chain)
        if (!in(chain_, controller))
            controller->FadeAll(activeDockZone_.transparency, activeDockZone_.fadeInDelay);
    chain_ = chain;
}

void TvzVS2005Mover::ShowTabMark(TvzInsideContainer& tabs, int mark) {
    tabs.PreviewDrop(mark, Control());
}

bool TvzVS2005Mover::Considers(const TvzCustomDockingSite* site) const {
    return !site->IsFloating() || !Owner()->Customizer().IsCustomizing();
}

void TvzVS2005Mover::HidePlace() {
    // The drag ends: its guides go with it.
    dockingFrame_.Attach(nullptr);
    lit_ = nullptr;
    chain_.clear();
    overChain_.clear();
    controllers_.clear();
    flashing_ = false;
    TvzMover::HidePlace();
}

} // namespace docking
