// The arithmetic of one axis of a grid: cell sizes, fixed cells and scrolling.
#pragma once

#include <vector>

namespace ui {

// The arithmetic of one axis of a grid (its columns or its rows): cell sizes, the fixed cells at the
// start, and the first scrollable cell shown after them. Every cell is followed by a grid line.
class TGridAxis {
public:
    int Count() const { return count_; }
    void SetCount(int value);
    int FixedCount() const { return fixedCount_; }
    void SetFixedCount(int value);
    int DefaultSize() const { return defaultSize_; }
    void SetDefaultSize(int value) { defaultSize_ = value; }
    int LineWidth() const { return lineWidth_; }
    void SetLineWidth(int value) { lineWidth_ = value; }
    int Size(int index) const;
    void SetSize(int index, int value);

    // The first scrollable cell shown; kept between FixedCount and the last cell.
    int First() const { return first_; }
    void SetFirst(int value);

    // Where cell `index` starts within `extent` pixels; -1 when it is scrolled away or past the end.
    int Start(int index, int extent) const;
    // The cell under pixel `pos`, -1 on a grid line's far side of the last cell or beyond.
    int At(int pos, int extent) const;
    // The last scrollable cell shown whole (at least First).
    int LastFullyVisible(int extent) const;
    // How many scrollable cells are shown whole.
    int FullyVisibleCount(int extent) const { return LastFullyVisible(extent) - first_ + 1; }
    // Scrolls as little as needed to show `index` whole.
    void ScrollToShow(int index, int extent);
    // The cell whose far edge lies within `tolerance` pixels of `pos` (for sizing by mouse), or -1.
    int DividerAt(int pos, int extent, int tolerance) const;
    // The largest First that still fills `extent` from there to the last cell.
    int MaxFirst(int extent) const;

private:
    int Clamp(int value) const;

    int count_ = 0;
    int fixedCount_ = 0;
    int defaultSize_ = 24;
    int lineWidth_ = 1;
    int first_ = 0;
    std::vector<int> sizes_; // 0 for the default size
};

} // namespace ui
