#include "docking/vzMaskForms.h"

#include <algorithm>

namespace docking::mask {

std::array<ui::TRect, 4> OutlineBars(const ui::TRect& r, int w) {
    return {ui::Bounds(r.Left + w, r.Top, r.Width() - w, w),
            ui::Bounds(r.Right - w, r.Top + w, w, r.Height() - w),
            ui::Bounds(r.Left, r.Bottom - w, r.Width() - w, w), ui::Bounds(r.Left, r.Top, w, r.Height() - w)};
}

ui::TRegion FrameBorder(const ui::TRegion& region, int width) {
    // The inside is what stays in the region when it moves by `width` either way on both axes.
    ui::TRegion inside = region;
    for (const ui::TPoint shift : {ui::TPoint{width, 0}, {-width, 0}, {0, width}, {0, -width}}) {
        ui::TRegion moved = region;
        moved.Offset(shift.X, shift.Y);
        inside = inside & moved;
    }
    return region - inside;
}

TvzSplitterDrag::TvzSplitterDrag(const ui::TRect& bar, bool horizontal, int minimum, int maximum,
                                 TPositionEvent onDone)
    : bar_(bar), horizontal_(horizontal), minimum_(minimum), maximum_(maximum),
      frameWidth_((horizontal ? bar.Width() : bar.Height()) / 2),
      position_((horizontal ? bar.Left : bar.Top) + frameWidth_), onDone_(std::move(onDone)) {}

int TvzSplitterDrag::Clamped(int value) const {
    return std::clamp(value, minimum_, std::max(minimum_, maximum_));
}

void TvzSplitterDrag::MouseMove(ui::TPoint screen, bool leftHeld) {
    if (finished_) return;
    position_ = Clamped(horizontal_ ? screen.X : screen.Y);
    if (horizontal_)
        bar_ = ui::Bounds(position_, bar_.Top, bar_.Width(), bar_.Height());
    else
        bar_ = ui::Bounds(bar_.Left, position_, bar_.Width(), bar_.Height());
    if (!leftHeld) Finish(true);
}

void TvzSplitterDrag::MouseUp(ui::TPoint screen) {
    MouseMove(screen, false);
}

void TvzSplitterDrag::Cancel() {
    if (!finished_) Finish(false);
}

void TvzSplitterDrag::Finish(bool accepted) {
    finished_ = true;
    if (accepted && onDone_) onDone_(Clamped(position_));
}

} // namespace docking::mask
