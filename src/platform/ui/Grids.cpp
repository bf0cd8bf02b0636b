#include "platform/ui/Grids.h"

#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/Utf.h"
#include "platform/ui/Canvas.h"
#include "platform/ui/KeyCodes.h"
#include "platform/ui/ListControls.h"
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

TCustomGrid::~TCustomGrid() {
    // The editor talks to the grid while it goes; it must go while the grid is whole.
    editorMode_ = false;
    delete editor_;
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
    UpdateEditor();
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
    // The edit belongs to the cell being left.
    const bool reopen = editorMode_ && options_.Contains(goAlwaysShowEditor);
    if (editorMode_) HideEditor();
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
    if (reopen) ShowEditor();
    return true;
}

// ---- Editing

void TCustomGrid::SetEditorMode(bool value) {
    if (value == editorMode_) return;
    if (value)
        ShowEditor();
    else
        HideEditor();
}

bool TCustomGrid::CanEditShow() const {
    return options_.Contains(goEditing) && !options_.Contains(goRowSelect) && current_.X >= FixedCols() &&
           current_.Y >= FixedRows();
}

bool TCustomGrid::CanEditAcceptKey(char16_t) const {
    return true;
}

bool TCustomGrid::CanEditModify() {
    return true;
}

std::string TCustomGrid::GetEditText(int, int) {
    return {};
}

void TCustomGrid::SetEditText(int, int, const std::string&) {}

TEditStyle TCustomGrid::GetEditStyle(int, int) {
    return esSimple;
}

TInplaceEdit* TCustomGrid::CreateEditor() {
    return new TInplaceEdit(this);
}

void TCustomGrid::ShowEditor() {
    if (!CanEditShow()) return;
    if (!editor_) editor_ = CreateEditor();
    editorMode_ = true;
    editor_->UpdateContents();
    UpdateEditor();
}

void TCustomGrid::HideEditor() {
    const bool wasShown = editorMode_;
    editorMode_ = false;
    if (!editor_) return;
    if (wasShown) SetEditText(current_.X, current_.Y, editor_->Text());
    const bool hadFocus = editor_->Focused();
    editor_->Hide();
    if (hadFocus && CanFocus()) SetFocus();
}

void TCustomGrid::ShowEditorChar(char16_t ch) {
    ShowEditor();
    if (!editorMode_) return;
    // The typed character replaces the cell's text, as typing over a selection would.
    editor_->SelectAll();
    char16_t key = ch;
    editor_->KeyPress(key);
    if (key != 0) editor_->SetSelText(rtl::Utf16ToUtf8(std::u16string(1, key)));
}

void TCustomGrid::InvalidateEditor() {
    if (editorMode_ && editor_) editor_->UpdateContents();
}

void TCustomGrid::CancelEditing() {
    if (!options_.Contains(goAlwaysShowEditor)) HideEditor();
}

void TCustomGrid::UpdateEditor() {
    if (!editor_) return;
    const TRect cell = CellRect(current_.X, current_.Y);
    if (!editorMode_ || cell.IsEmpty()) {
        editor_->Hide();
        return;
    }
    editor_->Move(cell);
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
    case VK_F2:
        if (!options_.Contains(goEditing)) return;
        SetEditorMode(true);
        if (editor_ && editorMode_) editor_->Deselect();
        key = 0;
        return;
    case VK_RETURN:
        if (!options_.Contains(goEditing) || options_.Contains(goAlwaysShowEditor)) return;
        SetEditorMode(!editorMode_);
        key = 0;
        return;
    case VK_ESCAPE:
        if (!editorMode_) return;
        CancelEditing();
        key = 0;
        return;
    default:
        return;
    }
    FocusCell(target.X, target.Y);
    key = 0;
}

void TCustomGrid::KeyPress(char16_t& key) {
    TCustomControl::KeyPress(key);
    const bool typed = key == u'\b' || key >= 0x20;
    if (!typed || !options_.Contains(goEditing) || editorMode_ || !CanEditAcceptKey(key)) return;
    ShowEditorChar(key);
    if (editorMode_) key = 0;
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

// ---- TInplaceEdit

TInplaceEdit::TInplaceEdit(TCustomGrid* grid) : TCustomEdit(nullptr), grid_(grid) {
    SetVisible(false);
    SetBorderStyle(bsNone);
    SetParent(grid);
}

void TInplaceEdit::UpdateContents() {
    updatingContents_ = true;
    const rtl::ScopeExit done([this] { updatingContents_ = false; });
    SetMaxLength(grid_->GetEditLimit());
    SetText(grid_->GetEditText(grid_->Col(), grid_->Row()));
    SetModified(false);
    SelectAll();
}

void TInplaceEdit::Move(const TRect& rect) {
    SetBounds(rect.Left, rect.Top, rect.Width(), rect.Height());
    Show();
    if (grid_->Focused() || grid_->CanFocus()) SetFocus();
}

void TInplaceEdit::Deselect() {
    SetSelStart(static_cast<int>(rtl::Utf8ToUtf16(Text()).size()));
    SetSelLength(0);
}

void TInplaceEdit::SendToGrid(uint16_t& key, TShiftState shift) {
    grid_->KeyDown(key, shift);
    key = 0;
}

void TInplaceEdit::KeyDown(uint16_t& key, TShiftState shift) {
    TCustomEdit::KeyDown(key, shift);
    const int length = static_cast<int>(rtl::Utf8ToUtf16(Text()).size());
    switch (key) {
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_TAB:
        SendToGrid(key, shift);
        break;
    case VK_LEFT:
        // At the start of the text the arrow leaves the cell.
        if (SelStart() == 0 && SelLength() == 0) SendToGrid(key, shift);
        break;
    case VK_RIGHT:
        if (SelStart() == length && SelLength() == 0) SendToGrid(key, shift);
        break;
    case VK_F2:
        Deselect();
        key = 0;
        break;
    default:
        break;
    }
}

void TInplaceEdit::KeyPress(char16_t& key) {
    TCustomEdit::KeyPress(key);
    if (key == u'\r' || key == u'\t' || key == 0x1B) {
        key = 0;
        return;
    }
    // Typing (and Backspace) changes the cell: the grid may refuse it.
    if ((key == u'\b' || key >= 0x20) && !grid_->CanEditModify()) key = 0;
}

void TInplaceEdit::Change() {
    TCustomEdit::Change();
    if (!updatingContents_) grid_->SetEditText(grid_->Col(), grid_->Row(), Text());
}

intptr_t TInplaceEdit::DialogCode() const {
    return TCustomEdit::DialogCode() | (grid_->Options().Contains(goTabs) ? DLGC_WANTTAB : 0) |
           DLGC_WANTALLKEYS;
}

// ---- TInplaceEditList

TInplaceEditList::TInplaceEditList(TCustomGrid* grid) : TInplaceEdit(grid) {}

TCustomListBox* TInplaceEditList::PickList() {
    if (!pickList_) {
        // A child of the grid, so the list shows over the cells below the editor.
        pickList_ = new TCustomListBox(nullptr);
        pickList_->SetVisible(false);
        pickList_->SetParent(Grid());
        pickList_->OnMouseUp = [this](TObject*, TMouseButton button, TShiftState, int x, int y) {
            if (button == mbLeft)
                CloseUp(x >= 0 && y >= 0 && x < pickList_->Width() && y < pickList_->Height());
        };
    }
    return pickList_;
}

void TInplaceEditList::UpdateContents() {
    if (listVisible_) CloseUp(false);
    editStyle_ = Grid()->GetEditStyle(Grid()->Col(), Grid()->Row());
    if (editStyle_ == esPickList && !activeList_) activeList_ = PickList();
    TInplaceEdit::UpdateContents();
}

void TInplaceEditList::DoGetPickListItems() {
    if (OnGetPickListItems) OnGetPickListItems(Grid()->Col(), PickList()->Items());
}

void TInplaceEditList::DoEditButtonClick() {
    if (OnEditButtonClick) OnEditButtonClick(this);
    Grid()->EditButtonClick();
}

void TInplaceEditList::DropDown() {
    if (listVisible_ || !activeList_) return;
    if (activeList_ == pickList_) {
        DoGetPickListItems();
        const int count = pickList_->Count();
        const int rows = dropDownRows_ > 0 && dropDownRows_ <= count ? dropDownRows_ : count;
        const int itemHeight = count > 0 ? pickList_->ItemRect(0).Height() : 16;
        pickList_->SetBounds(Left(), Top() + Height(), Width(), std::max(rows, 1) * itemHeight + 4);
        pickList_->SetItemIndex(pickList_->Items().IndexOf(Text()));
    } else
        activeList_->SetBounds(Left(), Top() + Height(), std::max(activeList_->Width(), Width()),
                               activeList_->Height());
    activeList_->Show();
    activeList_->BringToFront();
    listVisible_ = true;
}

void TInplaceEditList::CloseUp(bool accept) {
    if (!listVisible_) return;
    listVisible_ = false;
    activeList_->Hide();
    if (!accept || activeList_ != pickList_ || pickList_->ItemIndex() < 0) return;
    const std::string value = pickList_->Items()[pickList_->ItemIndex()];
    if (value == Text() || !Grid()->CanEditModify()) return;
    SetText(value); // Change hands it to the grid
    SelectAll();
}

void TInplaceEditList::KeyDown(uint16_t& key, TShiftState shift) {
    const bool toggle = (key == VK_DOWN && shift.Contains(ssAlt)) || (key == VK_F4 && shift.Empty());
    if (toggle && editStyle_ == esPickList) {
        listVisible_ ? CloseUp(true) : DropDown();
        key = 0;
        return;
    }
    if (listVisible_ && (key == VK_RETURN || key == VK_ESCAPE)) {
        CloseUp(key == VK_RETURN);
        key = 0;
        return;
    }
    if (listVisible_ && activeList_ == pickList_ && (key == VK_UP || key == VK_DOWN)) {
        const int step = key == VK_UP ? -1 : 1;
        pickList_->SetItemIndex(std::clamp(pickList_->ItemIndex() + step, 0, pickList_->Count() - 1));
        key = 0;
        return;
    }
    if (key == VK_RETURN && shift.Contains(ssCtrl) && editStyle_ == esEllipsis) {
        DoEditButtonClick();
        key = 0;
        return;
    }
    TInplaceEdit::KeyDown(key, shift);
}

void TInplaceEditList::DoExit() {
    CloseUp(false);
    TInplaceEdit::DoExit();
}

// ---- TDrawGrid

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
