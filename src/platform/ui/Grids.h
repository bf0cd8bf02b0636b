// The grid controls: cells, fixed rows and columns, scrolling and in-place editors.
#pragma once

#include "platform/ui/Controls.h"
#include "platform/ui/Edits.h"
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

// How a cell is edited: typing only, with a button that runs the grid's EditButtonClick, or with a
// drop-down list of values.
enum TEditStyle { esSimple, esEllipsis, esPickList };

class TCustomGrid;
class TCustomListBox;

// The edit that opens over the grid's current cell. Keys that move between cells go to the grid;
// typing asks the grid first whether the cell may change.
class TInplaceEdit : public TCustomEdit {
public:
    explicit TInplaceEdit(TCustomGrid* grid);

    TCustomGrid* Grid() const { return grid_; }
    // Takes the current cell's text and length limit from the grid.
    virtual void UpdateContents();
    // Places the editor over a rectangle of the grid's client area and shows it.
    void Move(const TRect& rect);
    // Puts the caret after the text.
    void Deselect();

protected:
    void KeyDown(uint16_t& key, TShiftState shift) override;
    void KeyPress(char16_t& key) override;
    void Change() override;
    intptr_t DialogCode() const override;
    // Runs the key through the grid's own key handling.
    void SendToGrid(uint16_t& key, TShiftState shift);
    // While the contents are set from the grid, changes are not edits.
    bool UpdatingContents() const { return updatingContents_; }

private:
    friend class TCustomGrid;

    TCustomGrid* grid_;
    bool updatingContents_ = false;
};

// An in-place editor with an edit button or a drop-down list of values (the pick list, or a list a
// descendant makes active). Alt+Down and F4 open and close the list, Return takes the chosen value,
// Escape closes the list without it; Ctrl+Return runs the edit button.
class TInplaceEditList : public TInplaceEdit {
public:
    explicit TInplaceEditList(TCustomGrid* grid);

    TEditStyle EditStyle() const { return editStyle_; }
    void SetEditStyle(TEditStyle value) { editStyle_ = value; }
    int DropDownRows() const { return dropDownRows_; }
    void SetDropDownRows(int value) { dropDownRows_ = value; }
    // The list of values of the pick-list style, made on first use.
    TCustomListBox* PickList();
    // The list that drops down: the pick list unless a descendant chose another.
    TWinControl* ActiveList() const { return activeList_; }
    void SetActiveList(TWinControl* value) { activeList_ = value; }
    bool ListVisible() const { return listVisible_; }
    virtual void DropDown();
    // Closes the list; accepting puts the chosen value into the edit as typing would.
    virtual void CloseUp(bool accept);
    void UpdateContents() override;

    // The values for the pick list, asked for when the list drops down.
    std::function<void(int col, rtl::TStringList& items)> OnGetPickListItems;
    TNotifyEvent OnEditButtonClick;

protected:
    virtual void DoEditButtonClick();
    virtual void DoGetPickListItems();
    void KeyDown(uint16_t& key, TShiftState shift) override;
    void DoExit() override;

private:
    TEditStyle editStyle_ = esSimple;
    int dropDownRows_ = 7;
    TCustomListBox* pickList_ = nullptr;
    TWinControl* activeList_ = nullptr;
    bool listVisible_ = false;
};

// A grid of cells painted through the canvas: fixed rows and columns at the top and left, a current
// cell moved by mouse and keys, scrolling that keeps it shown, and columns sized with the mouse.
class TCustomGrid : public TCustomControl {
public:
    explicit TCustomGrid(TComponent* owner);
    ~TCustomGrid() override;

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

    // The in-place editor is shown over the current cell.
    bool EditorMode() const { return editorMode_; }
    void SetEditorMode(bool value);
    // Null until the editor was first shown.
    TInplaceEdit* InplaceEditor() const { return editor_; }
    void ShowEditor();
    // Hands the editor's text to the grid (SetEditText) and hides it.
    void HideEditor();
    // Opens the editor with a typed character in place of the cell's text.
    void ShowEditorChar(char16_t ch);
    // Reads the current cell into the shown editor again.
    void InvalidateEditor();

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

    // Editing: the editor's class, whether it may show, which typed keys open it, whether the cell
    // may change now (asked before each typed change), and the cell's text out and back.
    virtual TInplaceEdit* CreateEditor();
    virtual bool CanEditShow() const;
    virtual bool CanEditAcceptKey(char16_t key) const;
    virtual bool CanEditModify();
    virtual std::string GetEditText(int col, int row);
    virtual void SetEditText(int col, int row, const std::string& value);
    // 0: no limit.
    virtual int GetEditLimit() const { return 0; }
    virtual TEditStyle GetEditStyle(int col, int row);
    virtual void EditButtonClick() {}
    // Escape: the base grid keeps what was typed and closes the editor.
    virtual void CancelEditing();

    void Paint() override;
    void KeyDown(uint16_t& key, TShiftState shift) override;
    void KeyPress(char16_t& key) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    bool DoMouseWheelDown(TShiftState shift, TPoint mousePos) override;
    bool DoMouseWheelUp(TShiftState shift, TPoint mousePos) override;
    void Resize() override;

    const TGridAxis& ColAxis() const { return cols_; }
    const TGridAxis& RowAxis() const { return rows_; }

private:
    friend class TInplaceEdit;
    friend class TInplaceEditList;

    void DrawLines(const TRect& rect, int col, int row);
    void ScrollTo(int leftCol, int topRow);
    // Shows the editor over the current cell or hides it, as the editor mode says.
    void UpdateEditor();

    TGridAxis cols_;
    TGridAxis rows_;
    TGridOptions options_{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine};
    TGridCoord current_;
    int sizingCol_ = -1;
    int sizingOrigin_ = 0;
    int sizingStartWidth_ = 0;
    TInplaceEdit* editor_ = nullptr;
    bool editorMode_ = false;
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
