// The mouse as the controls see it: position and the system's settings.
#pragma once

#include "platform/ui/Types.h"

#include <cstdint>

namespace ui {

class TControl;

// The mouse as the controls see it: where it is, and the system's settings for dragging, double
// clicks and the wheel.
struct TMouse {
    static TPoint CursorPos();
    // How far the mouse moves with a button down before a drag starts, in pixels.
    static int DragThreshold();
    // A press this soon after the one before, at the same place, is a double click.
    static uint32_t DoubleClickTime();
    // Lines one wheel notch scrolls.
    static int WheelScrollLines();
    static TControl* Capture();
    static void SetCapture(TControl* control);
    // Whether the mouse moved from `origin` to `now` far enough to start a drag.
    static bool DragThresholdPassed(TPoint origin, TPoint now);
};

} // namespace ui
