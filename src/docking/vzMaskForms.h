// The feedback of a drag as arithmetic: the outline of a landing place and a moved splitter's bar.
#pragma once

#include "platform/ui/Region.h"
#include "platform/ui/Types.h"

#include <array>
#include <functional>

// The feedback of a drag as plain arithmetic: the inverted outline of a landing place and the bar of
// a moved splitter.
namespace docking::mask {

// Four bars `width` thick that cover the outline of `rect` exactly once (top, right, bottom, left),
// so that inverting them twice restores what was there.
std::array<ui::TRect, 4> OutlineBars(const ui::TRect& rect, int width);

// The pixels of `region` within `width` of its edge: the border drawn round a shaped frame.
ui::TRegion FrameBorder(const ui::TRegion& region, int width);

// A splitter bar dragged between `minimum` and `maximum` along x (`horizontal`) or y. The whole bar is
// inverted: the frame is half its thickness.
class TvzSplitterDrag {
public:
    using TPositionEvent = std::function<void(int position)>;

    TvzSplitterDrag(const ui::TRect& bar, bool horizontal, int minimum, int maximum, TPositionEvent onDone);

    const ui::TRect& Bar() const { return bar_; }
    int Position() const { return position_; }
    int FrameWidth() const { return frameWidth_; }
    bool Finished() const { return finished_; }

    // A move without the left button held ends the drag as a release would.
    void MouseMove(ui::TPoint screen, bool leftHeld);
    void MouseUp(ui::TPoint screen);
    // Escape: the bar stays where it was and nobody is told.
    void Cancel();

private:
    void Finish(bool accepted);
    int Clamped(int value) const;

    ui::TRect bar_;
    bool horizontal_;
    int minimum_;
    int maximum_;
    int frameWidth_;
    int position_;
    TPositionEvent onDone_;
    bool finished_ = false;
};

} // namespace docking::mask
