// Moving a panel by its caption: the drag loop, the landing place and the drop.
#pragma once

#include "docking/vzDockManager.h"
#include "platform/ui/Color.h"
#include "platform/ui/Hints.h"
#include "platform/ui/Region.h"

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <utility>

// Moving a panel by its caption: the drag loop, where it would land, and the drop.
namespace docking::drag {

// The floating frame a drag starts with: `size` at `topLeft`, shifted just enough to contain
// `cursor`; at least 1 x 1.
ui::TRect StartFrame(ui::TPoint topLeft, ui::TPoint size, ui::TPoint cursor);
// The docking keys held in `shift`.
TvzDockingShiftState DockingShift(ui::TShiftState shift);
// Docking targets are offered only while exactly the dock key is held.
bool DockingAllowed(ui::TShiftState shift, TvzDockingShiftState dockKey, bool autoDragDocking);

// Where a drag would put its panel at one point.
struct TvzDropPlace {
    TvzCustomDockingControl* target = nullptr; // none: the panel floats
    TvzDockingRegionType region = drtNone;
    ui::TRect frame;   // the landing place shown, in screen coordinates
    ui::TRegion shape; // its shape in screen coordinates where it is not the whole frame
    std::string hint;
};

} // namespace docking::drag

namespace docking {

class TvzDragCapture;
class TvzInsideContainer;
class TvzTabHover;

// A top-most window of drag feedback: no frame, and it never takes the focus.
class TvzOverlayWindow : public ui::THintWindow {
public:
    TvzOverlayWindow() : ui::THintWindow(nullptr) {}

protected:
    ui::TRect NonClientInsets() const override { return {}; }
    void WndProc(ui::TMessage& message) override;
};

enum TvzCustomPaintStage { cpsBefore, cpsAfter };
// Paints a landing place before (cpsBefore) or after (cpsAfter) the default drawing, which clearing
// `defaultDrawing` at cpsBefore leaves out. `region` and `rect` are in the frame's coordinates.
using TvzCustomFramePaintEvent =
    std::function<void(ui::TObject* sender, ui::TCanvas* canvas, const ui::TRegion& region,
                       const ui::TRect& rect, TvzCustomPaintStage stage, bool& defaultDrawing)>;

// How a filled landing place looks: its fill, and the border it shows while see-through.
struct TvzFrameLook {
    static constexpr int kMinBorder = 1, kMaxBorder = 10;
    ui::TColor fill = ui::clHighlight;
    ui::TColor border = ui::clWhite;
    int borderSize = 2; // kMinBorder..kMaxBorder
    bool operator==(const TvzFrameLook&) const = default;
};

// The landing place as a filled window in its shape, with a border while it is see-through.
class TvzTranslucentFrame : public TvzOverlayWindow {
public:
    const TvzFrameLook& Look() const { return look_; }
    void SetLook(const TvzFrameLook& look);
    // The shape in the frame's coordinates; empty: the whole frame.
    const ui::TRegion& Shape() const { return shape_; }
    void SetShape(const ui::TRegion& shape);

    TvzCustomFramePaintEvent OnCustomPaint;

protected:
    void Paint() override;

private:
    TvzFrameLook look_;
    ui::TRegion shape_;
};

// What the user sees during a drag: the outline of the landing place, drawn by four top-most bars
// that never take the focus, and the hint beside the cursor.
class TvzDragFeedback {
public:
    static constexpr int kOutlineWidth = 4;

    TvzDragFeedback();
    ~TvzDragFeedback();
    TvzDragFeedback(const TvzDragFeedback&) = delete;
    TvzDragFeedback& operator=(const TvzDragFeedback&) = delete;

    // From now on the landing place shows as a filled window with this alpha, not an outline.
    void SetTranslucent(uint8_t alpha);
    // `shape` (screen coordinates; empty: the whole frame) shapes only a filled frame.
    void Show(const ui::TRect& frame, const ui::TRegion& shape, const std::string& hint, ui::TPoint cursor);
    void Hide();
    // The outline shown now; empty while hidden.
    const ui::TRect& Frame() const { return frame_; }
    const std::string& Hint() const { return hintText_; }
    ui::TCustomControl& Bar(int index) const { return *bars_[static_cast<std::size_t>(index)]; }
    ui::THintWindow& HintWindow() const { return *hint_; }
    // The filled window; none while the outline shows the place.
    TvzTranslucentFrame* TranslucentFrame() const { return translucent_.get(); }

private:
    std::array<std::unique_ptr<ui::TCustomControl>, 4> bars_;
    std::unique_ptr<ui::THintWindow> hint_;
    std::unique_ptr<TvzTranslucentFrame> translucent_;
    ui::TRect frame_;
    ui::TRegion shape_;
    std::string hintText_;
};

// The mover of a drag style: follows the mouse from the caption press to the release, shows where
// the panel would land and docks or floats it there. Escape cancels.
class TvzMover : public TvzCustomMover {
public:
    explicit TvzMover(TvzCustomDockingManager* owner);
    ~TvzMover() override;

    void StartMove(TvzCustomDockingControl* control, ui::TPoint screenPoint) override;
    bool Active() const { return control_ != nullptr; }
    TvzCustomDockingControl* Control() const { return control_; }
    const drag::TvzDropPlace& Place() const { return place_; }

    // One step of the loop: the mouse at `screen` with `shift` held (buttons included).
    void Track(ui::TPoint screen, ui::TShiftState shift);
    // Ends the drag: accepted (the button went up) docks or floats the panel, else nothing moves.
    void Finish(bool accepted);
    // The control of this manager under a screen point, the one a drop there would aim at.
    virtual TvzCustomDockingControl* ControlAt(ui::TPoint screen) const;
    // The feedback windows, for a look at them.
    TvzDragFeedback& Feedback() const { return *feedback_; }

protected:
    // The drag has begun with `shift` held, before its first step.
    virtual void DragStarted(ui::TShiftState) {}
    // Where the panel lands over `control` at `screen`; no target when it cannot dock there.
    virtual drag::TvzDropPlace PlaceOver(TvzCustomDockingControl* control, ui::TPoint screen);
    // The landing place changed: styles show it their own way.
    virtual void ShowPlace(const drag::TvzDropPlace& place, ui::TPoint cursor);
    virtual void HidePlace();
    // Shows in `tabs` where a drop after tab `mark` (-1: before the first; -2: none) would go.
    virtual void ShowTabMark(TvzInsideContainer& tabs, int mark);
    bool CanTarget(const TvzCustomDockingControl* control) const;
    // Whether the drag looks for targets in `site`; it always does here.
    virtual bool Considers(const TvzCustomDockingSite* site) const;
    // A drop inside a tab container over its tab strip aims at the panel of the tab under the
    // cursor; none when that panel cannot take it.
    TvzCustomDockingControl* ResolveTarget(TvzCustomDockingControl* control, ui::TPoint screen) const;
    // The place `region` of `target` gives, with its frame and hint; none when it leaves no room.
    drag::TvzDropPlace PlaceAt(TvzCustomDockingControl* target, TvzDockingRegionType region);

private:
    void Drop();
    // Moves the drop mark to tab `second` of container `first`; none clears it.
    void MarkTab(std::pair<TvzInsideContainer*, int> mark);
    void EndDock(TvzCustomDockingControl* target, bool cancelled);

    TvzCustomDockingControl* control_ = nullptr;
    TvzCustomDockingControl* previousOperation_ = nullptr;
    ui::TPoint frameSize_;
    ui::TPoint grab_;
    ui::TPoint cursor_;
    drag::TvzDropPlace place_;
    TvzDragCapture* capture_ = nullptr;
    TvzInsideContainer* markedTabs_ = nullptr;
    std::unique_ptr<TvzDragFeedback> feedback_;
    std::unique_ptr<TvzTabHover> hover_;
};

} // namespace docking
