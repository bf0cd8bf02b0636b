#include "platform/ui/Mouse.h"

#include "platform/ui/Controls.h"
#include "platform/ui/Metrics.h"
#include "platform/ui/QtBridge.h"

#include <cstdlib>

namespace ui {

TPoint TMouse::CursorPos() {
    return FromQPoint(QCursor::pos());
}

int TMouse::DragThreshold() {
    return GetSystemMetrics(SM_CXDRAG);
}

uint32_t TMouse::DoubleClickTime() {
    return static_cast<uint32_t>(GetDoubleClickTime());
}

int TMouse::WheelScrollLines() {
    return ui::WheelScrollLines();
}

TControl* TMouse::Capture() {
    return GetCaptureControl();
}

void TMouse::SetCapture(TControl* control) {
    SetCaptureControl(control);
}

bool TMouse::DragThresholdPassed(TPoint origin, TPoint now) {
    const int threshold = DragThreshold();
    return std::abs(now.X - origin.X) >= threshold || std::abs(now.Y - origin.Y) >= threshold;
}

} // namespace ui
