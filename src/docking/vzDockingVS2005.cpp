#include "docking/vzDockingVS2005.h"

#include "docking/vzDockCustForm.h"
#include "docking/vzDocker.h"
#include "docking/vzDockSite.h"
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

TvzVS2005Mover::TvzVS2005Mover(TvzCustomDockingManager* owner) : TvzMover(owner) {
    Feedback().SetTranslucent(kFrameTransparency);
    for (int region = 0; region < kGuides; ++region)
        guides_[static_cast<std::size_t>(region)] = std::make_unique<TvzGuideWindow>(region);
}

TvzVS2005Mover::~TvzVS2005Mover() = default;

ui::TCustomControl& TvzVS2005Mover::Guide(int region) const {
    return *guides_[static_cast<std::size_t>(region)];
}

drag::TvzDropPlace TvzVS2005Mover::PlaceOver(TvzCustomDockingControl* control, ui::TPoint screen) {
    TvzGuideSizes sizes;
    sizes.fill({kGuideSize, kGuideSize});
    const ui::TRect rect = control->ScreenRect();
    const ui::TRect area = DockingArea(rect, Owner()->Metric(0));
    const bool workspace = dynamic_cast<TvzWorkspaceControl*>(control) != nullptr;
    for (int region = drtLeft; region <= drtInside; ++region)
        shown_[static_cast<std::size_t>(region)] =
            workspace && region != drtInside ? ui::TRect{} : GuideBounds(region, sizes, rect, area);
    // The outer guides dock beside the whole tree of the main site.
    TvzCustomDockingSite* site = control->ParentSite();
    TvzCustomDockingControl* root = site && !site->IsFloating() && !workspace ? site->Root() : nullptr;
    for (int region = drtDetachedLeft; region <= drtDetachedBottom; ++region) {
        shown_[static_cast<std::size_t>(region)] =
            root ? GuideBounds(region, sizes, root->ScreenRect(), root->ScreenRect()) : ui::TRect{};
    }
    for (int region = drtDetachedBottom; region >= drtLeft; --region) {
        if (!shown_[static_cast<std::size_t>(region)].Contains(screen)) continue;
        if (region >= drtDetachedLeft) {
            if (!CanTarget(root)) return {};
            return PlaceAt(root, static_cast<TvzDockingRegionType>(region - drtDetachedLeft));
        }
        return PlaceAt(control, static_cast<TvzDockingRegionType>(region));
    }
    return {};
}

void TvzVS2005Mover::ShowPlace(const drag::TvzDropPlace& place, ui::TPoint cursor) {
    // Away from the guides the frame floats; the guides stand above it.
    TvzMover::ShowPlace(place, cursor);
    for (int region = 0; region < kGuides; ++region) {
        TvzGuideWindow& guide = *guides_[static_cast<std::size_t>(region)];
        const ui::TRect& at = shown_[static_cast<std::size_t>(region)];
        const bool hot = at.Contains(cursor) && place.target;
        if (at.IsEmpty()) {
            guide.SetHot(false);
            guide.SetAlpha(0);
            continue;
        }
        const bool appears = !guide.Visible() || guide.BoundsRect() != at;
        guide.SetBoundsRect(at);
        if (appears) {
            guide.SetHot(hot);
            guide.SetAlpha(0);
            guide.FadeTo(hot ? kActiveDockZone.activeTransparency : kActiveDockZone.transparency,
                         kActiveDockZone.fadeInDelay);
        } else if (hot != guide.Hot()) {
            guide.SetHot(hot);
            // A lit guide turns opaque quickly; one left goes back to half visibility.
            guide.FadeTo(hot ? kActiveDockZone.activeTransparency : kActiveDockZone.transparency,
                         hot ? kActiveDockZone.fadeInDelay : kActiveDockZone.fadeOutDelay);
        }
        guide.BringToFront();
    }
    shown_ = {};
}

bool TvzVS2005Mover::Considers(const TvzCustomDockingSite* site) const {
    return !site->IsFloating() || !Owner()->Customizer().IsCustomizing();
}

void TvzVS2005Mover::HidePlace() {
    for (auto& guide : guides_) {
        guide->SetHot(false);
        guide->SetAlpha(0);
    }
    TvzMover::HidePlace();
}

} // namespace docking
