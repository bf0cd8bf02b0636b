// The guided drag style: where its guides stand around a target and how they fade.
#pragma once

#include "docking/vzDockMover.h"
#include "docking/vzDockPanel.h"

#include <array>
#include <map>
#include <memory>
#include <vector>

// The guided drag style: where its guides stand around a target and how they fade.
namespace docking::guides {

inline constexpr int kGuideCount = 10; // the regions drtLeft .. drtInsideBefore
inline constexpr int kFadeTick = 25;   // milliseconds between fade steps

// Each guide picture's width and height (the bounding box of its hit region).
using TvzGuideSizes = std::array<ui::TPoint, kGuideCount>;

// Guide `index` on the screen for a target with rectangle `target` and docking area `area`: the
// compass (0..4, 9) around the area's centre, overlapping the centre guide, the outer guides (5..8)
// inside the target's edges.
ui::TRect GuideBounds(int index, const TvzGuideSizes& sizes, const ui::TRect& target, const ui::TRect& area);
// The picture of `region`: drtInside shows the tabs-at-the-bottom picture when the tabs are there.
int GuidePicture(TvzDockingRegionType region, bool tabsAtBottom);

// A panel dropped inside one that has no tabs yet lands as a new tab page: `dock` less a strip of
// `stripHeight` on the tab side, plus one tab of at most kPlaceholderTab px from `tabIndent` in it.
inline constexpr int kPlaceholderTab = 50;
ui::TRegion PageWithTab(const ui::TRect& dock, int stripHeight, int tabIndent, bool tabsAtBottom);

// How the guides of the panel under the cursor fade (alpha 0..255, milliseconds).
struct TvzDockZoneOptions {
    int transparency;
    int activeTransparency;
    int fadeInDelay;
    int fadeOutDelay;
};
// The panels under the cursor and the lit guide; the guides of the others.
inline constexpr TvzDockZoneOptions kActiveDockZone{128, 255, 200, 250};
inline constexpr TvzDockZoneOptions kDockZone{0, 128, 50, 1000};

// A guide's alpha moving to a target in ticks of kFadeTick milliseconds.
class TvzFade {
public:
    // Starts from `current`; false when there is nothing to fade (the alpha is already there).
    bool Start(int current, int target, int delay);
    // The next alpha; Running() turns false after the last.
    int Tick();
    bool Running() const { return steps_ >= 0; }

private:
    int target_ = 0;
    int steps_ = -1;
    double step_ = 0;
};

} // namespace docking::guides

namespace docking {

class TvzGuideWindow;

// How the guided style fills the landing place. Colours and border reach a frame already shown;
// the transparency waits for the next drag.
class TvzVS2005DockingFrameOptions {
public:
    uint8_t Transparency() const { return transparency_; }
    void SetTransparency(uint8_t alpha) { transparency_ = alpha; }
    ui::TColor Brush() const { return look_.fill; }
    void SetBrush(ui::TColor color);
    ui::TColor Border() const { return look_.border; }
    void SetBorder(ui::TColor color);
    int BorderSize() const { return look_.borderSize; }
    // Kept within TvzFrameLook's bounds.
    void SetBorderSize(int size);

    TvzCustomFramePaintEvent OnCustomPaint;

    // A drag begins with `frame` (none: the drag ended): it takes every option and follows them.
    void Attach(TvzTranslucentFrame* frame);

private:
    void Changed();

    uint8_t transparency_ = 128;
    TvzFrameLook look_;
    TvzTranslucentFrame* frame_ = nullptr;
};

// The guides of one target during a drag: one window per region its docker offers, hit tests on
// them, and the one guide lit under the cursor.
class TvzDockingZoneController {
public:
    static constexpr int kGuides = drtDetachedBottom + 1;
    using TvzGuidePlaces = std::array<ui::TRect, kGuides>;

    // A hidden guide for each non-empty place.
    TvzDockingZoneController(TvzCustomDockingControl* target, const TvzGuidePlaces& places);
    ~TvzDockingZoneController();
    TvzDockingZoneController(const TvzDockingZoneController&) = delete;
    TvzDockingZoneController& operator=(const TvzDockingZoneController&) = delete;

    TvzCustomDockingControl* Target() const { return target_; }
    // The guide of `region`; none where the target offers no such region.
    ui::TCustomControl* Guide(int region) const;
    // The region of the first guide holding the point, or drtNone.
    TvzDockingRegionType HitTest(ui::TPoint screen) const;
    // The lit region, drtNone when none is.
    TvzDockingRegionType Lit() const { return lit_; }
    // Lights the guide of `region` (drtNone: none): the guide lit before fades back to the
    // options' transparency, the new one to their active transparency.
    void Light(TvzDockingRegionType region, const guides::TvzDockZoneOptions& options);
    void FadeAll(int alpha, int delay);
    void SetAll(int alpha);

private:
    TvzGuideWindow* Window(int region) const { return guides_[static_cast<std::size_t>(region)].get(); }

    TvzCustomDockingControl* target_;
    std::array<std::unique_ptr<TvzGuideWindow>, kGuides> guides_;
    TvzDockingRegionType lit_ = drtNone;
};

// The guided drag: while the cursor is over a panel, guides stand at its centre (left, top, right,
// bottom, inside) and at the edges of the main site's tree; the panel docks by the guide it is
// dropped on, and anywhere else it floats.
class TvzVS2005Mover : public TvzMover {
public:
    static constexpr int kGuideSize = 41;

    explicit TvzVS2005Mover(TvzCustomDockingManager* owner);
    ~TvzVS2005Mover() override;

    TvzVS2005DockingFrameOptions& DockingFrame() { return dockingFrame_; }
    guides::TvzDockZoneOptions& DockZone() { return dockZone_; }
    guides::TvzDockZoneOptions& ActiveDockZone() { return activeDockZone_; }
    // A drag started without the drag key shows every guide half visible until the mouse has
    // moved by the drag threshold.
    bool FlashZonesOnStart() const { return flashZonesOnStart_; }
    void SetFlashZonesOnStart(bool on) { flashZonesOnStart_ = on; }

    // The guides of `target` during a drag; none when it shows none.
    TvzDockingZoneController* Controller(const TvzCustomDockingControl* target) const;

protected:
    void DragStarted(ui::TShiftState shift) override;
    drag::TvzDropPlace PlaceOver(TvzCustomDockingControl* control, ui::TPoint screen) override;
    void ShowPlace(const drag::TvzDropPlace& place, ui::TPoint cursor) override;
    void HidePlace() override;
    // A placeholder tab previews where the panel would go.
    void ShowTabMark(TvzInsideContainer& tabs, int mark) override;
    // While the setup dialog is open, panels dock only in the main site.
    bool Considers(const TvzCustomDockingSite* site) const override;

private:
    // A drop inside a panel outside any tab container shows as a new tab page.
    drag::TvzDropPlace Shaped(drag::TvzDropPlace place) const;
    void AddControllers(TvzCustomDockingControl* control, const TvzCustomDockingSite* site);
    // The guide places `target` offers; all empty when it offers none.
    TvzDockingZoneController::TvzGuidePlaces GuidePlaces(TvzCustomDockingControl* target,
                                                         const TvzCustomDockingSite* site) const;
    // The chain under the cursor changed to `chain`: the guides left behind fade out, new ones in.
    void ShowChain(const std::vector<TvzDockingZoneController*>& chain);

    TvzVS2005DockingFrameOptions dockingFrame_;
    guides::TvzDockZoneOptions dockZone_ = guides::kDockZone;
    guides::TvzDockZoneOptions activeDockZone_ = guides::kActiveDockZone;
    bool flashZonesOnStart_ = true;
    std::map<const TvzCustomDockingControl*, std::unique_ptr<TvzDockingZoneController>> controllers_;
    std::vector<TvzDockingZoneController*> chain_;     // the controllers shown as under the cursor
    std::vector<TvzDockingZoneController*> overChain_; // the chain PlaceOver found this step
    TvzDockingZoneController* lit_ = nullptr;
    bool firstStep_ = false;
    ui::TPoint start_;
    bool flashing_ = false;
};

} // namespace docking
