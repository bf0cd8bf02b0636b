// A windowed control's own scroll bars.
#pragma once

// A windowed control's own scroll bars. For src/platform/ui only.

#include "platform/ui/Controls.h"

#include <memory>

class QScrollBar;
class QWidget;

namespace ui {

// One bar's settings, kept while the window comes and goes.
struct TScrollBarState {
    TScrollInfo info;
    bool wanted = false;          // the window has this bar (set by SetScrollInfo or ShowScrollBar)
    bool disableNoScroll = false; // shown disabled rather than hidden when it cannot scroll
    bool tracking = false;        // the thumb is being dragged

    // Positions run from min to max - page + 1; a bar scrolls when that range has two positions.
    int MaxPos() const;
    bool Scrollable() const { return MaxPos() > info.min; }
    bool Visible() const { return wanted && (Scrollable() || disableNoScroll); }
    // Clamps pos to the positions the range allows.
    int Clamp(int pos) const;
};

// Both bars of a control: their state, and QScrollBar children of the window while it exists. Moving a
// bar sends the control WM_HSCROLL/WM_VSCROLL; the bar moves only when the control sets a position.
class TControlScrollBars {
public:
    explicit TControlScrollBars(TWinControl* control);
    ~TControlScrollBars();

    TScrollBarState& State(int bar) { return bar == SB_HORZ ? horz_ : vert_; }
    const TScrollBarState& State(int bar) const { return bar == SB_HORZ ? horz_ : vert_; }
    // The width of a vertical bar (the height of a horizontal one).
    static int Extent();

    // Creates, places and updates the bars on the control's window (none: forgets them).
    void Apply(QWidget* window, const TRect& clientInWindow);

private:
    struct TBarWidgets; // the QScrollBar children, while the window has them
    void ApplyBar(int bar, QWidget* window, const TRect& geometry);
    void Action(int bar, int action);
    void Released(int bar);
    void ShowPosition(int bar);

    TWinControl* control_;
    TScrollBarState horz_;
    TScrollBarState vert_;
    std::unique_ptr<TBarWidgets> widgets_;
};

} // namespace ui
