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

namespace docking {

using namespace guides;

// One guide: a top-most window in the shape of its place, showing its picture, lit or not.
class TvzGuideWindow : public TvzOverlayWindow {
public:
    TvzGuideWindow(const TvzGuidePictures& pictures, int picture, const ui::TRegion& place)
        : picture_(pictures.normal[static_cast<std::size_t>(picture)]),
          litPicture_(pictures.lit[static_cast<std::size_t>(picture)]), place_(place) {
        ui::SetAlphaBlendValue(*this, 0);
        const ui::TRect bounds = place.BoundingRect();
        SetBoundsRect(bounds);
        ui::TRegion shape = place;
        shape.Offset(-bounds.Left, -bounds.Top);
        ui::SetWindowRegion(*this, &shape);
    }
    ~TvzGuideWindow() override { ui::Timers().KillTimers(this); }
    // The guide's pixels on the screen.
    const ui::TRegion& Place() const { return place_; }
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
    void Paint() override { Canvas()->Draw(0, 0, (hot_ ? litPicture_ : picture_).get()); }

private:
    static constexpr ui::TTimerId kFadeTimer = 1;
    std::shared_ptr<const ui::TBitmap> picture_, litPicture_;
    ui::TRegion place_;
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
                                                   const TvzGuidePictures& pictures,
                                                   const TvzGuidePlaces& places)
    : target_(target) {
    for (int region = 0; region < kGuides; ++region) {
        const TvzGuidePlace& place = places[static_cast<std::size_t>(region)];
        if (place.region.IsEmpty()) continue;
        guides_[static_cast<std::size_t>(region)] =
            std::make_unique<TvzGuideWindow>(pictures, place.picture, place.region);
    }
}

TvzDockingZoneController::~TvzDockingZoneController() = default;

ui::TCustomControl* TvzDockingZoneController::Guide(int region) const {
    return Window(region);
}

TvzDockingRegionType TvzDockingZoneController::HitTest(ui::TPoint screen) const {
    for (int region = 0; region < kGuides; ++region)
        if (Window(region) && Window(region)->Place().Contains(screen))
            return static_cast<TvzDockingRegionType>(region);
    return drtNone;
}

void TvzDockingZoneController::Light(TvzDockingRegionType region,
                                     const TvzVS2005DockingZoneOptions& options) {
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

TvzVS2005Mover::TvzVS2005Mover(TvzCustomDockingManager* owner,
                               std::shared_ptr<drag::TvzVS2005DockingStyle> style)
    : TvzMover(owner), style_(std::move(style)) {
    Feedback().SetTranslucent(style_->DockingFrame().Transparency());
}

TvzVS2005Mover::~TvzVS2005Mover() {
    // The style outlives a mover dropped during a drag: it must not follow the frame that goes.
    if (Active()) style_->DockingFrame().Attach(nullptr);
}

TvzDockingZoneController* TvzVS2005Mover::Controller(const TvzCustomDockingControl* target) const {
    const auto found = controllers_.find(target);
    return found == controllers_.end() ? nullptr : found->second.get();
}

void TvzVS2005Mover::DragStarted(ui::TShiftState shift) {
    style_->DockingFrame().Attach(Feedback().TranslucentFrame());
    for (TvzCustomDockingSite* site : Owner()->Sites()) {
        if (site->IsHoldingSite() || !site->Showing() || !site->Root()) continue;
        AddControllers(site->Root(), site);
    }
    firstStep_ = true;
    flashing_ = style_->FlashZonesOnStart() && drag::DockingShift(shift) != Owner()->AutoDragKey();
    if (!flashing_) return;
    for (auto& [target, controller] : controllers_)
        controller->SetAll(style_->DockZone().activeTransparency);
}

void TvzVS2005Mover::AddControllers(TvzCustomDockingControl* control, const TvzCustomDockingSite* site) {
    if (!CanTarget(control)) return; // nor anything below it
    const auto add = [&] {
        TvzDockingZoneController::TvzGuidePlaces places = GuidePlaces(control, site);
        if (std::any_of(places.begin(), places.end(),
                        [](const TvzDockingZoneController::TvzGuidePlace& p) { return !p.region.IsEmpty(); }))
            controllers_[control] =
                std::make_unique<TvzDockingZoneController>(control, style_->Pictures(), places);
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
    TvzDockingZoneController::TvzGuidePlaces places{};
    const ui::TRect rect = target->ScreenRect();
    const auto place = [&](int region, const ui::TRect& area) {
        auto& p = places[static_cast<std::size_t>(region)];
        p.region = GuideRegion(region, style_->Geometry(), rect, area);
        p.picture = GuidePicture(static_cast<TvzDockingRegionType>(region), TabsAtBottom(target));
    };
    if (target->IsContainer()) {
        // The outer guides dock beside the whole tree of the main site.
        if (site->IsFloating() || target != site->Root()) return places;
        for (int region = drtDetachedLeft; region <= drtDetachedBottom; ++region)
            place(region, rect);
        return places;
    }
    if (target == Control()) return places;
    const bool workspace = dynamic_cast<TvzWorkspaceControl*>(target) != nullptr;
    const ui::TRect area = DockingArea(rect, Owner()->Metric(0));
    for (int region = drtLeft; region <= drtInside; ++region)
        if (!workspace || region == drtInside) place(region, area);
    return places;
}

bool TvzVS2005Mover::TabsAtBottom(const TvzCustomDockingControl* target) const {
    if (const auto* tabs = dynamic_cast<const TvzInsideContainer*>(target->Container()))
        return tabs->Orientation() == uistyle::dtoBottom;
    return Owner()->TabOrientation() == uistyle::dtoBottom;
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
            controller->FadeAll(style_->DockZone().transparency, style_->DockZone().fadeOutDelay);
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
    if (lit_ && lit_ != lit) lit_->Light(drtNone, style_->ActiveDockZone());
    if (lit) lit->Light(region, style_->ActiveDockZone());
    lit_ = lit;
    // The guides stand above the landing place.
    if (Feedback().Frame() == before) return;
    for (TvzDockingZoneController* controller : chain_)
        for (int r = 0; r < TvzDockingZoneController::kGuides; ++r)
            if (ui::TCustomControl* guide = controller->Guide(r); guide && guide->Visible())
                guide->BringToFront();
}

void TvzVS2005Mover::ShowChain(const std::vector<TvzDockingZoneController*>& chain) {
    const TvzVS2005DockingZoneOptions &zone = style_->DockZone(), &active = style_->ActiveDockZone();
    const auto in = [](const std::vector<TvzDockingZoneController*>& list, TvzDockingZoneController* c) {
        return std::find(list.begin(), list.end(), c) != list.end();
    };
    for (TvzDockingZoneController* controller : chain_)
        if (!in(chain, controller)) {
            if (controller == lit_) {
                controller->Light(drtNone, active);
                lit_ = nullptr;
            }
            controller->FadeAll(zone.transparency, zone.fadeOutDelay);
        }
    for (TvzDockingZoneController* controller : chain)
        if (!in(chain_, controller)) controller->FadeAll(active.transparency, active.fadeInDelay);
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
    style_->DockingFrame().Attach(nullptr);
    lit_ = nullptr;
    chain_.clear();
    overChain_.clear();
    controllers_.clear();
    flashing_ = false;
    TvzMover::HidePlace();
}

} // namespace docking

namespace docking::drag {

TvzVS2005DockingStyle::TvzVS2005DockingStyle() : TvzVS2005DockingStyle(VS2005Pictures()) {}

TvzVS2005DockingStyle::TvzVS2005DockingStyle(TvzGuidePictures pictures)
    : pictures_(std::move(pictures)), geometry_(PictureGeometry(pictures_)) {}

TvzVS2005DockingStyle::TvzVS2005DockingStyle(TvzGuidePictures pictures, TvzGuideGeometry geometry)
    : pictures_(std::move(pictures)), geometry_(std::move(geometry)) {}

std::unique_ptr<TvzCustomMover> TvzVS2005DockingStyle::CreateMover(TvzCustomDockingManager* manager) {
    return std::make_unique<TvzVS2005Mover>(
        manager, std::static_pointer_cast<TvzVS2005DockingStyle>(shared_from_this()));
}

TvzVSWhidbeyDockingStyle::TvzVSWhidbeyDockingStyle()
    : TvzVS2005DockingStyle(WhidbeyPictures(WhidbeyHitRegions()), WhidbeyGeometry()) {}

} // namespace docking::drag
