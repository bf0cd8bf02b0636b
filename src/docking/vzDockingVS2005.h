// The guided drag styles: their options, guide windows, and the mover that shows the guides.
#pragma once

#include "docking/vzDockGuidePictures.h"
#include "docking/vzDockGuides.h"
#include "docking/vzDockingStyle.h"
#include "docking/vzDockMover.h"
#include "docking/vzDockPanel.h"

#include <array>
#include <map>
#include <memory>
#include <vector>

namespace docking {

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

} // namespace docking

namespace docking::drag {

// The guided drag: guides at the centre of the panel under the cursor and at the edges of the main
// site's tree, faded in and out, and a translucent frame over the landing place. Its options reach
// every drag that follows.
class TvzVS2005DockingStyle : public TvzDockingStyle {
public:
    // 41-pixel guides, hit by their pictures' drawn pixels.
    TvzVS2005DockingStyle();

    std::unique_ptr<TvzCustomMover> CreateMover(TvzCustomDockingManager* manager) override;

    TvzVS2005DockingFrameOptions& DockingFrame() { return dockingFrame_; }
    // The guides of the panels under the cursor and the lit guide.
    guides::TvzVS2005DockingZoneOptions& ActiveDockZone() { return activeDockZone_; }
    const guides::TvzVS2005DockingZoneOptions& ActiveDockZone() const { return activeDockZone_; }
    // The guides of the other panels.
    guides::TvzVS2005DockingZoneOptions& DockZone() { return dockZone_; }
    const guides::TvzVS2005DockingZoneOptions& DockZone() const { return dockZone_; }
    // A drag started without the drag key shows every guide half visible until the mouse has
    // moved by the drag threshold.
    bool FlashZonesOnStart() const { return flashZonesOnStart_; }
    void SetFlashZonesOnStart(bool on) { flashZonesOnStart_ = on; }

    const guides::TvzGuidePictures& Pictures() const { return pictures_; }
    const guides::TvzGuideGeometry& Geometry() const { return geometry_; }

protected:
    TvzVS2005DockingStyle(guides::TvzGuidePictures pictures, guides::TvzGuideGeometry geometry);

private:
    explicit TvzVS2005DockingStyle(guides::TvzGuidePictures pictures);

    TvzVS2005DockingFrameOptions dockingFrame_;
    guides::TvzVS2005DockingZoneOptions activeDockZone_ = guides::kActiveDockZone;
    guides::TvzVS2005DockingZoneOptions dockZone_ = guides::kDockZone;
    bool flashZonesOnStart_ = true;
    guides::TvzGuidePictures pictures_;
    guides::TvzGuideGeometry geometry_;
};

// The guided drag with a diamond of 69-pixel guides, hit by their polygon shapes.
class TvzVSWhidbeyDockingStyle : public TvzVS2005DockingStyle {
public:
    TvzVSWhidbeyDockingStyle();
};

} // namespace docking::drag

namespace docking {

class TvzGuideWindow;

// The guides of one target during a drag: one window per region its docker offers, hit tests on
// their shapes, and the one guide lit under the cursor.
class TvzDockingZoneController {
public:
    static constexpr int kGuides = drtDetachedBottom + 1;
    // Where one guide stands on the screen (empty: the target offers no such guide) and its picture.
    struct TvzGuidePlace {
        ui::TRegion region;
        int picture = 0;
    };
    using TvzGuidePlaces = std::array<TvzGuidePlace, kGuides>;

    // A hidden guide for each non-empty place, showing `pictures`.
    TvzDockingZoneController(TvzCustomDockingControl* target, const guides::TvzGuidePictures& pictures,
                             const TvzGuidePlaces& places);
    ~TvzDockingZoneController();
    TvzDockingZoneController(const TvzDockingZoneController&) = delete;
    TvzDockingZoneController& operator=(const TvzDockingZoneController&) = delete;

    TvzCustomDockingControl* Target() const { return target_; }
    // The guide of `region`; none where the target offers no such region.
    ui::TCustomControl* Guide(int region) const;
    // The region of the first guide whose shape holds the point, or drtNone.
    TvzDockingRegionType HitTest(ui::TPoint screen) const;
    // The lit region, drtNone when none is.
    TvzDockingRegionType Lit() const { return lit_; }
    // Lights the guide of `region` (drtNone: none): the guide lit before fades back to the
    // options' transparency, the new one to their active transparency.
    void Light(TvzDockingRegionType region, const guides::TvzVS2005DockingZoneOptions& options);
    void FadeAll(int alpha, int delay);
    void SetAll(int alpha);

private:
    TvzGuideWindow* Window(int region) const { return guides_[static_cast<std::size_t>(region)].get(); }

    TvzCustomDockingControl* target_;
    std::array<std::unique_ptr<TvzGuideWindow>, kGuides> guides_;
    TvzDockingRegionType lit_ = drtNone;
};

// The mover of the guided styles: while the cursor is over a panel, guides stand at its centre
// (left, top, right, bottom, inside) and at the edges of the main site's tree; the panel docks by
// the guide it is dropped on, and anywhere else it floats. It reads its options from its style.
class TvzVS2005Mover : public TvzMover {
public:
    TvzVS2005Mover(TvzCustomDockingManager* owner, std::shared_ptr<drag::TvzVS2005DockingStyle> style);
    ~TvzVS2005Mover() override;

    drag::TvzVS2005DockingStyle& Style() const { return *style_; }
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
    // Whether the inside guide of `target` shows tabs at the bottom: those of its tab container,
    // else the ones new tab containers get.
    bool TabsAtBottom(const TvzCustomDockingControl* target) const;
    // The chain under the cursor changed to `chain`: the guides left behind fade out, new ones in.
    void ShowChain(const std::vector<TvzDockingZoneController*>& chain);

    std::shared_ptr<drag::TvzVS2005DockingStyle> style_;
    std::map<const TvzCustomDockingControl*, std::unique_ptr<TvzDockingZoneController>> controllers_;
    std::vector<TvzDockingZoneController*> chain_;     // the controllers shown as under the cursor
    std::vector<TvzDockingZoneController*> overChain_; // the chain PlaceOver found this step
    TvzDockingZoneController* lit_ = nullptr;
    bool firstStep_ = false;
    ui::TPoint start_;
    bool flashing_ = false;
};

} // namespace docking
