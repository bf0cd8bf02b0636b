#include "platform/ui/Grids.h"

#include "platform/ui/Canvas.h"
#include "platform/ui/Messages.h"

#include <algorithm>

namespace ui {

namespace {
// How near the divider a mouse press starts sizing a column.
constexpr int kSizingTolerance = 2;
constexpr int kMinColWidth = 4;
} // namespace

TCustomGrid::TCustomGrid(TComponent* owner) : TCustomControl(owner) {
    cols_.SetDefaultSize(64);
    cols_.SetCount(5);
    cols_.SetFixedCount(1);
    cols_.SetFirst(1);
    rows_.SetCount(5);
    rows_.SetFixedCount(1);
    rows_.SetFirst(1);
    current_ = {1, 1};
    SetColor(clWindow);
    SetTabStop(true);
    SetBounds(0, 0, 320, 120);
}

void TCustomGrid::SetColCount(int value) {
    cols_.SetCount(value);
    current_.X = std::clamp(current_.X, FixedCols(), std::max(FixedCols(), ColCount() - 1));
    Invalidate();
}

void TCustomGrid::SetRowCount(int value) {
    rows_.SetCount(value);
    current_.Y = std::clamp(current_.Y, FixedRows(), std::max(FixedRows(), RowCount() - 1));
    Invalidate();
}

void TCustomGrid::SetFixedCols(int value) {
    cols_.SetFixedCount(value);
    current_.X = std::max(current_.X, FixedCols());
    Invalidate();
}

void TCustomGrid::SetFixedRows(int value) {
    rows_.SetFixedCount(value);
    current_.Y = std::max(current_.Y, FixedRows());
    Invalidate();
}

void TCustomGrid::SetDefaultColWidth(int value) {
    cols_.SetDefaultSize(value);
    Invalidate();
}

void TCustomGrid::SetDefaultRowHeight(int value) {
    rows_.SetDefaultSize(value);
    Invalidate();
}

void TCustomGrid::SetColWidths(int col, int value) {
    cols_.SetSize(col, value);
    Invalidate();
}

void TCustomGrid::SetRowHeights(int row, int value) {
    rows_.SetSize(row, value);
    Invalidate();
}

void TCustomGrid::SetGridLineWidth(int value) {
    cols_.SetLineWidth(value);
    rows_.SetLineWidth(value);
    Invalidate();
}

void TCustomGrid::SetOptions(TGridOptions value) {
    options_ = value;
    Invalidate();
}

void TCustomGrid::SetLeftCol(int value) {
    ScrollTo(value, TopRow());
}

void TCustomGrid::SetTopRow(int value) {
    ScrollTo(LeftCol(), value);
}

void TCustomGrid::ScrollTo(int leftCol, int topRow) {
    const TGridCoord before{LeftCol(), TopRow()};
    cols_.SetFirst(leftCol);
    rows_.SetFirst(topRow);
    if (before == TGridCoord{LeftCol(), TopRow()}) return;
    Invalidate();
    TopLeftChanged();
}

TRect TCustomGrid::CellRect(int col, int row) const {
    const int left = cols_.Start(col, ClientWidth());
    const int top = rows_.Start(row, ClientHeight());
    if (left < 0 || top < 0) return {};
    return {left, top, left + cols_.Size(col), top + rows_.Size(row)};
}

TGridCoord TCustomGrid::MouseCoord(int x, int y) const {
    const int col = cols_.At(x, ClientWidth());
    const int row = rows_.At(y, ClientHeight());
    if (col < 0 || row < 0) return {-1, -1};
    return {col, row};
}

void TCustomGrid::InvalidateCell(int col, int row) {
    const TRect r = CellRect(col, row);
    if (!r.IsEmpty()) InvalidateRect({r.Left, r.Top, r.Right + GridLineWidth(), r.Bottom + GridLineWidth()});
}

bool TCustomGrid::SelectCell(int col, int row) {
    return !OnSelectCell || OnSelectCell(this, col, row);
}

bool TCustomGrid::FocusCell(int col, int row) {
    col = std::clamp(col, FixedCols(), std::max(FixedCols(), ColCount() - 1));
    row = std::clamp(row, FixedRows(), std::max(FixedRows(), RowCount() - 1));
    if (TGridCoord{col, row} == current_ || !SelectCell(col, row)) return false;
    if (options_.Contains(goRowSelect))
        Invalidate();
    else {
        InvalidateCell(current_.X, current_.Y);
        InvalidateCell(col, row);
    }
    current_ = {col, row};
    TGridAxis cols = cols_;
    TGridAxis rows = rows_;
    cols.ScrollToShow(col, ClientWidth());
    rows.ScrollToShow(row, ClientHeight());
    ScrollTo(cols.First(), rows.First());
    return true;
}

void TCustomGrid::TopLeftChanged() {
    if (OnTopLeftChanged) OnTopLeftChanged(this);
}

void TCustomGrid::ColWidthsChanged(int col) {
    if (OnColumnResized) OnColumnResized(this, col);
}

bool TCustomGrid::CanSizeColumn(int) const {
    return options_.Contains(goColSizing);
}

bool TCustomGrid::IsCellSelected(int col, int row) const {
    return row == current_.Y && (col == current_.X || options_.Contains(goRowSelect));
}

void TCustomGrid::Paint() {
    TCanvas& canvas = *Canvas();
    // The area past the last cells keeps the control's colour.
    canvas.Brush()->SetColor(Color());
    canvas.Brush()->SetStyle(bsSolid);
    canvas.FillRect(ClientRect());
    auto paintRange = [&](int from, int to, auto&& each) {
        for (int i = from; i < to; ++i)
            each(i);
    };
    auto paintRow = [&](int row) {
        auto paintCell = [&](int col) {
            const TRect rect = CellRect(col, row);
            if (rect.IsEmpty()) return;
            TGridDrawState state;
            const bool fixed = col < FixedCols() || row < FixedRows();
            if (fixed) state.Include(gdFixed);
            if (!fixed && IsCellSelected(col, row)) {
                state.Include(gdSelected);
                if (Focused() && col == current_.X && row == current_.Y) state.Include(gdFocused);
            }
            canvas.Font()->Assign(Font());
            canvas.Brush()->SetStyle(bsSolid);
            canvas.Brush()->SetColor(fixed ? clBtnFace : Color());
            canvas.SaveState();
            canvas.IntersectClipRect(rect);
            DrawCell(col, row, rect, state);
            canvas.RestoreState();
            DrawLines(rect, col, row);
        };
        paintRange(0, FixedCols(), paintCell);
        paintRange(LeftCol(), ColCount(), paintCell);
    };
    paintRange(0, FixedRows(), paintRow);
    paintRange(TopRow(), RowCount(), paintRow);
}

void TCustomGrid::DrawLines(const TRect& rect, int col, int row) {
    const int line = GridLineWidth();
    if (line <= 0) return;
    const bool fixed = col < FixedCols() || row < FixedRows();
    const bool vert = options_.Contains(fixed ? goFixedVertLine : goVertLine);
    const bool horz = options_.Contains(fixed ? goFixedHorzLine : goHorzLine);
    TCanvas& canvas = *Canvas();
    canvas.Brush()->SetStyle(bsSolid);
    // Fixed cells are framed in black; scrollable ones in the button face.
    auto lineColor = [&](bool on) { return !on ? Color() : fixed ? clBlack : clBtnFace; };
    canvas.Brush()->SetColor(lineColor(vert));
    canvas.FillRect({rect.Right, rect.Top, rect.Right + line, rect.Bottom + line});
    canvas.Brush()->SetColor(lineColor(horz));
    canvas.FillRect({rect.Left, rect.Bottom, rect.Right, rect.Bottom + line});
}

void TCustomGrid::KeyDown(uint16_t& key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    const int page = std::max(1, VisibleRowCount());
    const bool ctrl = shift.Contains(ssCtrl);
    TGridCoord target = current_;
    switch (key) {
    case VK_UP:
        --target.Y;
        break;
    case VK_DOWN:
        ++target.Y;
        break;
    case VK_LEFT:
        --target.X;
        break;
    case VK_RIGHT:
        ++target.X;
        break;
    case VK_PRIOR:
        target.Y -= page;
        break;
    case VK_NEXT:
        target.Y += page;
        break;
    case VK_HOME:
        (ctrl ? target.Y : target.X) = 0;
        break;
    case VK_END:
        (ctrl ? target.Y : target.X) = ctrl ? RowCount() - 1 : ColCount() - 1;
        break;
    case VK_TAB:
        if (!options_.Contains(goTabs)) return;
        target.X += shift.Contains(ssShift) ? -1 : 1;
        break;
    default:
        return;
    }
    FocusCell(target.X, target.Y);
    key = 0;
}

void TCustomGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (CanFocus() && !Focused()) SetFocus();
    if (button == mbLeft && y < rows_.Start(FixedRows() > 0 ? FixedRows() : 0, ClientHeight())) {
        const int col = cols_.DividerAt(x, ClientWidth(), kSizingTolerance);
        if (col >= 0 && CanSizeColumn(col)) {
            sizingCol_ = col;
            sizingOrigin_ = x;
            sizingStartWidth_ = ColWidths(col);
            SetCaptureControl(this);
        }
    }
    if (sizingCol_ < 0 && button == mbLeft) {
        const TGridCoord cell = MouseCoord(x, y);
        if (cell.X >= FixedCols() && cell.Y >= FixedRows()) FocusCell(cell.X, cell.Y);
    }
    TCustomControl::MouseDown(button, shift, x, y);
}

void TCustomGrid::MouseMove(TShiftState shift, int x, int y) {
    if (sizingCol_ >= 0)
        SetColWidths(sizingCol_, std::max(kMinColWidth, sizingStartWidth_ + x - sizingOrigin_));
    else {
        const bool onDivider = y < rows_.Start(FixedRows(), ClientHeight()) &&
                               CanSizeColumn(cols_.DividerAt(x, ClientWidth(), kSizingTolerance));
        SetCursor(onDivider ? crHSplit : crDefault);
    }
    TCustomControl::MouseMove(shift, x, y);
}

void TCustomGrid::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (sizingCol_ >= 0) {
        const int col = sizingCol_;
        sizingCol_ = -1;
        if (GetCaptureControl() == this) SetCaptureControl(nullptr);
        if (ColWidths(col) != sizingStartWidth_) ColWidthsChanged(col);
    }
    TCustomControl::MouseUp(button, shift, x, y);
}

bool TCustomGrid::DoMouseWheelDown(TShiftState shift, TPoint mousePos) {
    if (!TCustomControl::DoMouseWheelDown(shift, mousePos)) FocusCell(current_.X, current_.Y + 1);
    return true;
}

bool TCustomGrid::DoMouseWheelUp(TShiftState shift, TPoint mousePos) {
    if (!TCustomControl::DoMouseWheelUp(shift, mousePos)) FocusCell(current_.X, current_.Y - 1);
    return true;
}

void TCustomGrid::Resize() {
    TCustomControl::Resize();
    Invalidate();
}

void TDrawGrid::DrawCell(int col, int row, const TRect& rect, TGridDrawState state) {
    if (OnDrawCell)
        OnDrawCell(this, col, row, rect, state);
    else if (state.Contains(gdSelected)) {
        Canvas()->Brush()->SetColor(clHighlight);
        Canvas()->FillRect(rect);
    } else
        Canvas()->FillRect(rect);
}

} // namespace ui
