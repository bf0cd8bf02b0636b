// The buttons on a docking control's caption bar and when each shows.
#pragma once

#include "docking/vzDockActions.h"
#include "docking/vzDockTypes.h"
#include "platform/ui/Types.h"

#include <array>
#include <memory>

namespace ui {
class TCanvas;
}

// The buttons on a docking control's caption bar.
namespace docking {

inline constexpr int kStandardButtonCount = 10;

// What decides whether a standard caption button shows.
struct TvzButtonVisibility {
    bool captionShown = true;
    TvzDockButtonItems items;
    bool autoHidden = false;
    int panelState = 0;
    bool showDisabled = false;
};
// Whether standard button `index` (the default command of that kind) shows.
bool StandardButtonVisible(int index, bool commandEnabled, const TvzButtonVisibility& visibility);

// Places the visible buttons right to left from the area's right edge less `border`, each `extent`
// in size and one pixel apart; hidden ones get an empty rectangle. `usedWidth` is the width taken.
std::array<ui::TRect, kStandardButtonCount>
LayoutStandardButtons(const ui::TRect& area, const std::array<bool, kStandardButtonCount>& visible,
                      ui::TPoint extent, int border, int& usedWidth);

// Hover, press and release of one button: 0 normal, 1 hot, 2 pressed, 3 disabled.
class TvzDockButton {
public:
    enum TState { bsNormal, bsHot, bsPressed, bsDisabled };
    explicit TvzDockButton(int kind);

    int Kind() const { return kind_; }
    TState State() const { return state_; }
    bool Pressed() const { return pressed_; }
    bool MouseOver() const { return over_; }
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    const ui::TRect& Bounds() const { return bounds_; }
    void SetBounds(const ui::TRect& bounds) { bounds_ = bounds; }
    TvzDockActionLink& Link() { return link_; }

    // The cursor came over it; the hot or pressed look needs the mouse capture granted.
    void MouseEnter(bool captureGranted);
    // The cursor left; the normal look comes back when the capture was released.
    void MouseLeave(bool captureReleased);
    void MouseDown();
    // True when the release runs the command: pressed before and the cursor still over it.
    bool MouseUp(bool cursorOver);

    std::function<void()> OnStateChange;

private:
    void SetState(TState state);
    void ActionChanged(TvzCustomDockAction* action);

    int kind_;
    TState state_ = bsNormal;
    bool pressed_ = false;
    bool over_ = false;
    bool visible_ = false;
    ui::TRect bounds_;
    TvzDockActionLink link_;
};

class TvzCustomDockingControl;

// The ten standard buttons of one control, linked to its default commands, laid out in its caption.
class TvzDockCaptionButtons {
public:
    explicit TvzDockCaptionButtons(TvzCustomDockingControl* control);

    TvzDockButton& Buttons(int index) { return *buttons_.at(index); }
    const ui::TRect& ButtonArea() const { return area_; }
    // Lays out again when the area or what decides the visibility changed.
    void SetButtonArea(const ui::TRect& area);
    void SetCaptionShown(bool shown);
    void LayoutButtons();
    // Width the visible buttons take.
    int VisibleWidth() const { return usedWidth_; }
    // The visible button under `point` (client coordinates), or null.
    TvzDockButton* ButtonAt(ui::TPoint point);
    void Paint(ui::TCanvas& canvas, int captionState);

    // Mouse routing from the control; true when a button took the event.
    bool MouseMove(ui::TPoint point);
    bool MouseDown(ui::TPoint point);
    bool MouseUp(ui::TPoint point);

private:
    TvzButtonVisibility Snapshot() const;

    TvzCustomDockingControl* control_;
    std::array<std::unique_ptr<TvzDockButton>, kStandardButtonCount> buttons_;
    ui::TRect area_;
    bool captionShown_ = true;
    bool layoutDone_ = false;
    TvzButtonVisibility snapshot_;
    int usedWidth_ = 0;
    TvzDockButton* hot_ = nullptr;
};

} // namespace docking
