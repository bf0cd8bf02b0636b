#include "lazytree/BaseLazyTree.h"

#include "platform/ui/Messages.h"
#include "platform/ui/Mouse.h"

#include <utility>

namespace lazytree {

namespace {
// How near a column's right edge the mouse sizes it: from 3 pixels inside to 5 outside.
constexpr int kSplitterInside = 3;
constexpr int kSplitterOutside = 5;
} // namespace

bool TBaseLazyTree::InHeader(ui::TPoint p) const {
    return HeaderVisible() && p.Y < 0 && p.Y >= -header_.Height() && p.X >= 0 && p.X < ClientWidth();
}

TColumnIndex TBaseLazyTree::HeaderColumnAt(ui::TPoint p) const {
    return header_.Columns().ColumnFromPoint({p.X - RTLOffset(), 0}, true);
}

// The column whose sizing edge is near: its right edge, or its left one right to left, where the columns
// are visited from the first. The last column whose edge is near wins, so a column of width 0 can still
// be pulled open; `left` is the edge that stays.
TColumnIndex TBaseLazyTree::SplitterAt(int x, int& left) const {
    if (!header_.Options().Contains(hoColumnResize)) return NoColumn;
    const auto& columns = header_.Columns();
    const int fixedWidth = columns.GetVisibleFixedWidth();
    const bool rightToLeft = tree_.UseRightToLeftAlignment();
    const int rtlOffset = RTLOffset();
    for (int step = 0; step < columns.Count(); ++step) {
        const int position = rightToLeft ? step : columns.Count() - 1 - step;
        const TColumnIndex index = columns.ColumnFromPosition(position);
        const TLazyTreeColumn& column = columns[index];
        if (!column.Visible()) continue;
        const int columnLeft = column.Left() - (column.Fixed() ? 0 : EffectiveOffsetX()) + rtlOffset;
        const int right = columnLeft + column.Width();
        if (rightToLeft ? x <= columnLeft - kSplitterOutside || x >= columnLeft + kSplitterInside
                        : x <= right - kSplitterInside || x >= right + kSplitterOutside)
            continue;
        if (!column.Fixed() && x < fixedWidth + rtlOffset) continue;
        if (!column.Options().Contains(coResizable)) return NoColumn;
        left = rightToLeft ? right : columnLeft;
        return index;
    }
    return NoColumn;
}

bool TBaseLazyTree::HeaderMessage(ui::TMessage& message) {
    switch (message.Msg) {
    case ui::WM_LBUTTONDOWN:
    case ui::WM_LBUTTONDBLCLK:
        return HeaderMouseDown(ui::PointFromLParam(message.LParam), message.Msg == ui::WM_LBUTTONDBLCLK);
    case ui::WM_MOUSEMOVE:
        return HeaderMouseMove(ui::PointFromLParam(message.LParam));
    case ui::WM_LBUTTONUP:
        return HeaderMouseUp(ui::PointFromLParam(message.LParam));
    case ui::WM_KEYDOWN:
        return message.WParam == ui::VK_ESCAPE && CancelHeaderTracking();
    default:
        return false;
    }
}

bool TBaseLazyTree::HeaderMouseDown(ui::TPoint p, bool doubleClick) {
    if (!InHeader(p)) return false;
    int left = 0;
    const TColumnIndex splitter = SplitterAt(p.X, left);
    if (doubleClick) {
        if (splitter >= 0 && header_.Options().Contains(hoDblClickResize))
            AutoFitColumn(splitter);
        else if (splitter < 0)
            HeaderClick(p, true);
        return true;
    }
    headerPress_ = p;
    if (splitter >= 0) {
        headerTrack_ = htWidthPending;
        trackColumn_ = splitter;
        trackLeft_ = left;
        header_.SetHoverColumn(NoColumn);
    } else {
        const TColumnIndex column = HeaderColumnAt(p);
        const auto& columns = header_.Columns();
        const bool valid = columns.IsValidColumn(column);
        if (valid && columns[column].Options().Contains(coAllowClick) &&
            columns[column].Options().Contains(coEnabled))
            header_.SetDownColumn(column);
        const bool draggable =
            valid && header_.Options().Contains(hoDrag) && columns[column].Options().Contains(coDraggable);
        headerTrack_ = draggable ? htDragPending : htPressed;
        trackColumn_ = draggable ? column : NoColumn;
    }
    SetMouseCaptured(true);
    return true;
}

bool TBaseLazyTree::HeaderMouseMove(ui::TPoint p) {
    switch (headerTrack_) {
    case htNone: {
        // Only hover and the cursor: the tree still sees the move.
        int left = 0;
        const bool inHeader = InHeader(p);
        ShowSplitCursor(inHeader && SplitterAt(p.X, left) >= 0);
        header_.SetHoverColumn(inHeader ? HeaderColumnAt(p) : NoColumn);
        return false;
    }
    case htPressed:
        return true;
    case htWidthPending:
        headerTrack_ = htWidth;
        [[fallthrough]];
    case htWidth:
        header_.Columns()[trackColumn_].SetWidth(tree_.UseRightToLeftAlignment() ? trackLeft_ - p.X
                                                                                 : p.X - trackLeft_);
        HeaderChanged(false);
        return true;
    case htDragPending:
        if (!ui::TMouse::DragThresholdPassed(headerPress_, p)) return true;
        headerTrack_ = htDragging;
        header_.SetDownColumn(NoColumn);
        header_.SetHoverColumn(NoColumn);
        [[fallthrough]];
    case htDragging: {
        const TColumnIndex target = HeaderColumnAt(p);
        if (target < 0) return true;
        const TLazyTreeColumn& column = header_.Columns()[target];
        const int left = column.Left() - (column.Fixed() ? 0 : EffectiveOffsetX());
        header_.SetDropTarget(target, p.X < left + column.Width() / 2);
        return true;
    }
    }
    return false;
}

bool TBaseLazyTree::HeaderMouseUp(ui::TPoint p) {
    if (headerTrack_ == htNone) return false;
    const THeaderTrack track = std::exchange(headerTrack_, htNone);
    const TColumnIndex column = std::exchange(trackColumn_, NoColumn);
    SetMouseCaptured(false);
    auto& columns = header_.Columns();
    if (track == htDragging) {
        const TColumnIndex target = header_.DropTargetColumn();
        const bool before = header_.DropBefore();
        header_.SetDropTarget(NoColumn, false);
        // A column dropped outside the tree stays where it was.
        const bool inside =
            p.X >= 0 && p.X < ClientWidth() && p.Y >= -header_.Height() && p.Y < ClientHeight();
        if (inside && target >= 0 && target != column) {
            const uint32_t old = columns[column].Position();
            columns[column].SetPosition(header_.DropPosition(column, target, before));
            columns.UpdatePositions();
            HeaderChanged(false);
            if (OnHeaderDragged) OnHeaderDragged(header_, column, old);
        }
    } else if (track == htWidth || track == htWidthPending) {
        if (OnAfterColumnWidthTracking) OnAfterColumnWidthTracking(header_, column);
    } else if (header_.DownColumn() >= 0) {
        HeaderClick(p, false);
    }
    header_.SetDownColumn(NoColumn);
    return true;
}

// Escape ends a drag of a column without moving it, and a sizing where it stands.
bool TBaseLazyTree::CancelHeaderTracking() {
    if (headerTrack_ == htNone) return false;
    const THeaderTrack track = std::exchange(headerTrack_, htNone);
    const TColumnIndex column = std::exchange(trackColumn_, NoColumn);
    SetMouseCaptured(false);
    header_.SetDropTarget(NoColumn, false);
    header_.SetDownColumn(NoColumn);
    if ((track == htWidth || track == htWidthPending) && OnAfterColumnWidthTracking)
        OnAfterColumnWidthTracking(header_, column);
    return true;
}

void TBaseLazyTree::HeaderClick(ui::TPoint p, bool doubleClick) {
    TVTHeaderHitInfo hit;
    hit.X = p.X;
    hit.Y = p.Y + header_.Height();
    hit.Shift = ui::KeyboardShiftState();
    if (doubleClick) hit.Shift.Include(ui::ssDouble);
    const TColumnIndex column = HeaderColumnAt(p);
    const auto& columns = header_.Columns();
    const TColumnIndex previous = clickedColumn_;
    if (columns.IsValidColumn(column) && columns[column].Options().Contains(coAllowClick) &&
        (doubleClick || column == header_.DownColumn())) {
        clickedColumn_ = hit.Column = column;
        hit.HitPosition = {hhiOnColumn};
    } else {
        clickedColumn_ = NoColumn;
        hit.HitPosition = {hhiNoWhere};
    }
    const auto& event = doubleClick ? OnHeaderDblClick : OnHeaderClick;
    if (event) event(header_, hit);
    if (clickedColumn_ != previous || clickedColumn_ >= 0) HeaderChanged(false);
}

void TBaseLazyTree::ShowSplitCursor(bool on) {
    if (on == splitCursor_) return;
    splitCursor_ = on;
    if (on) {
        cursorBeforeSplit_ = Cursor();
        SetCursor(ui::crHSplit);
    } else {
        SetCursor(cursorBeforeSplit_);
    }
}

} // namespace lazytree
