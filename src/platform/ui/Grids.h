#pragma once

#include "platform/ui/Controls.h"
#include "platform/ui/GridAxis.h"

#include <functional>

namespace ui {

enum TGridOption {
    goFixedVertLine,
    goFixedHorzLine,
    goVertLine,
    goHorzLine,
    goRangeSelect,
    goDrawFocusSelected,
    goRowSizing,
    goColSizing,
    goRowMoving,
    goColMoving,
    goEditing,
    goTabs,
    goRowSelect,
    goAlwaysShowEditor,
    goThumbTracking
};
using TGridOptions = rtl::Set<TGridOption, 16>;

enum TGridDrawStateMember { gdSelected, gdFocused, gdFixed };
using TGridDrawState = rtl::Set<TGridDrawStateMember, 3>;

struct TGridCoord {
    int X = 0;
    int Y = 0;
    friend bool operator==(const TGridCoord&, const TGridCoord&) = default;
};

// A grid of cells painted through the canvas: fixed rows and columns at the top and left, a current
// cell moved by mouse and keys, scrolling that keeps it shown, and columns sized with the mouse.
class TCustomGrid : public TCustomControl {
public:
    explicit TCustomGrid(TComponent* owner);

    int ColCount() const { return cols_.Count(); }
    void SetColCount(int value);
    int RowCount() const { return rows_.Count(); }
    void SetRowCount(int value);
    int FixedCols() const { return cols_.FixedCount(); }
    void SetFixedCols(int value);
    int FixedRows() const { return rows_.FixedCount(); }
    void SetFixedRows(int value);
    int DefaultColWidth() const { return cols_.DefaultSize(); }
    void SetDefaultColWidth(int value);
    int DefaultRowHeight() const { return rows_.DefaultSize(); }
    void SetDefaultRowHeight(int value);
    int ColWidths(int col) const { return cols_.Size(col); }
    void SetColWidths(int col, int value);
    int RowHeights(int row) const { return rows_.Size(row); }
    void SetRowHeights(int row, int value);
    int GridLineWidth() const { return cols_.LineWidth(); }
    void SetGridLineWidth(int value);
    TGridOptions Options() const { return options_; }
    void SetOptions(TGridOptions value);

    int Col() const { return current_.X; }
    void SetCol(int value) { FocusCell(value, current_.Y); }
    int Row() const { return current_.Y; }
    void SetRow(int value) { FocusCell(current_.X, value); }
    int LeftCol() const { return cols_.First(); }
    void SetLeftCol(int value);
    int TopRow() const { return rows_.First(); }
    void SetTopRow(int value);
    int VisibleColCount() const { return cols_.FullyVisibleCount(ClientWidth()); }
    int VisibleRowCount() const { return rows_.FullyVisibleCount(ClientHeight()); }

    // The cell's rectangle in client coordinates; empty when it is not shown.
    TRect CellRect(int col, int row) const;
    // The cell under a client point; -1, -1 outside the cells.
    TGridCoord MouseCoord(int x, int y) const;
    void InvalidateCell(int col, int row);

    std::function<bool(TObject* sender, int col, int row)> OnSelectCell;
    std::function<void(TObject* sender)> OnTopLeftChanged;
    std::function<void(TObject* sender, int col)> OnColumnResized;

protected:
    virtual void DrawCell(int col, int row, const TRect& rect, TGridDrawState state) = 0;
    // Answers whether the current cell may move there.
    virtual bool SelectCell(int col, int row);
    // Moves the current cell (answering false when it stays) and scrolls to show it.
    virtual bool FocusCell(int col, int row);
    virtual void TopLeftChanged();
    virtual void ColWidthsChanged(int col);
    virtual bool CanSizeColumn(int col) const;
    virtual bool IsCellSelected(int col, int row) const;

    void Paint() override;
    void KeyDown(uint16_t& key, TShiftState shift) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    bool DoMouseWheelDown(TShiftState shift, TPoint mousePos) override;
    bool DoMouseWheelUp(TShiftState shift, TPoint mousePos) override;
    void Resize() override;

    const TGridAxis& ColAxis() const { return cols_; }
    const TGridAxis& RowAxis() const { return rows_; }

private:
    void DrawLines(const TRect& rect, int col, int row);
    void ScrollTo(int leftCol, int topRow);

    TGridAxis cols_;
    TGridAxis rows_;
    TGridOptions options_{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine};
    TGridCoord current_;
    int sizingCol_ = -1;
    int sizingOrigin_ = 0;
    int sizingStartWidth_ = 0;
};

// A grid whose cells the application paints in OnDrawCell.
class TDrawGrid : public TCustomGrid {
public:
    using TCustomGrid::TCustomGrid;

    std::function<void(TObject* sender, int col, int row, const TRect& rect, TGridDrawState state)>
        OnDrawCell;

protected:
    void DrawCell(int col, int row, const TRect& rect, TGridDrawState state) override;
};

} // namespace ui
