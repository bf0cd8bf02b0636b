#include "platform/ui/DBGrids.h"

#include "platform/data/DataSet.h"
#include "platform/data/Field.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/ui/Canvas.h"
#include "platform/ui/Messages.h"

#include <algorithm>

namespace ui {

namespace {
constexpr int kIndicatorWidth = 11;
// Text starts this far inside a cell.
constexpr int kTextInset = 2;

template <class Text>
void WriteAligned(TCanvas& canvas, const TRect& rect, int dx, int dy, Text text, TAlignment alignment) {
    int x = rect.Left + dx;
    if (alignment == data::taRightJustify)
        x = rect.Right - canvas.TextWidth(text) - 3;
    else if (alignment == data::taCenter)
        x = rect.Left + (rect.Width() - canvas.TextWidth(text)) / 2;
    canvas.TextRect(rect, x, rect.Top + dy, text);
}
} // namespace

// ---- TColumnTitle

TColumnTitle::TColumnTitle(TColumn* column) : column_(column) {}

void TColumnTitle::SetCaption(const std::string& value) {
    caption_ = value;
    captionAssigned_ = true;
    Changed();
}

std::string TColumnTitle::DefaultCaption() const {
    const data::TField* field = column_->Field();
    return field ? field->DisplayName() : column_->FieldName();
}

void TColumnTitle::SetAlignment(TAlignment value) {
    alignment_ = value;
    Changed();
}

void TColumnTitle::SetColor(TColor value) {
    color_ = value;
    Changed();
}

void TColumnTitle::RestoreDefaults() {
    caption_.clear();
    captionAssigned_ = false;
    alignment_ = data::taLeftJustify;
    color_ = clBtnFace;
    Changed();
}

void TColumnTitle::Changed() {
    column_->Changed();
}

// ---- TColumn

TColumn::TColumn(TDBGridColumns* collection) : collection_(collection) {}

TCustomDBGrid* TColumn::Grid() const {
    return collection_->Grid();
}

int TColumn::Index() const {
    return collection_->IndexOf(this);
}

void TColumn::SetFieldName(const std::string& value) {
    fieldName_ = value;
    Changed();
}

data::TField* TColumn::Field() const {
    const data::TDataSet* dataSet = Grid()->DataLink()->DataSet();
    return dataSet && !fieldName_.empty() ? dataSet->FindField(fieldName_) : nullptr;
}

int TColumn::Width() const {
    return width_ > 0 ? width_ : Grid()->DefaultColumnWidth(Field());
}

void TColumn::SetWidth(int value) {
    width_ = value;
    Changed();
}

TColumnTitle* TColumn::Title() const {
    if (!title_) title_ = const_cast<TColumn*>(this)->CreateTitle();
    return title_.get();
}

void TColumn::SetColor(TColor value) {
    color_ = value;
    Changed();
}

TAlignment TColumn::Alignment() const {
    if (alignment_) return *alignment_;
    const data::TField* field = Field();
    return field ? field->Alignment() : data::taLeftJustify;
}

void TColumn::SetAlignment(TAlignment value) {
    alignment_ = value;
    Changed();
}

rtl::TStringList& TColumn::PickList() {
    if (!pickList_) pickList_ = std::make_unique<rtl::TStringList>();
    return *pickList_;
}

bool TColumn::IsStored() const {
    return collection_->State() == csCustomized;
}

void TColumn::Changed() {
    Grid()->LayoutChanged();
}

// ---- TDBGridColumns

int TDBGridColumns::IndexOf(const TColumn* column) const {
    for (int i = 0; i < Count(); ++i)
        if (columns_[i].get() == column) return i;
    return -1;
}

TColumn* TDBGridColumns::Append() {
    columns_.push_back(CreateColumn());
    return columns_.back().get();
}

TColumn* TDBGridColumns::Add() {
    if (state_ == csDefault) {
        columns_.clear();
        state_ = csCustomized;
    }
    TColumn* column = Append();
    grid_->LayoutChanged();
    return column;
}

void TDBGridColumns::Clear() {
    columns_.clear();
    grid_->LayoutChanged();
}

void TDBGridColumns::SetState(TDBGridColumnsState value) {
    state_ = value;
    if (state_ == csDefault) RebuildColumns();
}

void TDBGridColumns::RebuildColumns() {
    if (state_ != csDefault) return;
    columns_.clear();
    if (const data::TDataSet* dataSet = grid_->DataLink()->DataSet(); dataSet && grid_->DataLink()->Active())
        for (int i = 0; i < dataSet->FieldCount(); ++i) {
            const data::TField* field = dataSet->Fields()[i];
            if (!field->Visible()) continue;
            Append()->SetFieldName(field->FieldName());
        }
    grid_->LayoutChanged();
}

// ---- TGridDataLink

data::TField* TGridDataLink::SelectedField() const {
    const int index = grid_->SelectedIndex();
    return index >= 0 && index < grid_->Columns()->Count() ? grid_->Columns()->Items(index)->Field()
                                                           : nullptr;
}

void TGridDataLink::Reset() {
    if (modified_)
        RecordChanged(nullptr);
    else if (DataSet())
        DataSet()->Cancel();
}

void TGridDataLink::ActiveChanged() {
    grid_->LinkActive(Active());
}

void TGridDataLink::DataSetChanged() {
    modified_ = false;
    grid_->DataChanged();
}

void TGridDataLink::DataSetScrolled(int) {
    modified_ = false;
    grid_->DataChanged();
}

void TGridDataLink::EditingChanged() {
    // The indicator shows whether the record is being edited.
    if (grid_->IndicatorOffset() > 0) grid_->InvalidateCell(0, grid_->Row());
}

void TGridDataLink::LayoutChanged() {
    grid_->Columns()->RebuildColumns();
    grid_->DataChanged();
}

void TGridDataLink::RecordChanged(data::TField* field) {
    modified_ = false;
    grid_->RecordChanged(field);
}

void TGridDataLink::UpdateData() {
    if (!modified_) return;
    grid_->UpdateData();
    modified_ = false;
}

// ---- TCustomDBGrid

TCustomDBGrid::TCustomDBGrid(TComponent* owner) : TCustomGrid(owner) {
    SetDefaultRowHeight(18);
    ApplyGridOptions();
}

TCustomDBGrid::~TCustomDBGrid() {
    // The link reports its detaching; nothing must repaint by then.
    layoutLock_ = true;
    dataLink_.reset();
}

TGridDataLink* TCustomDBGrid::DataLink() const {
    if (!dataLink_) dataLink_ = const_cast<TCustomDBGrid*>(this)->CreateDataLink();
    return dataLink_.get();
}

TDBGridColumns* TCustomDBGrid::Columns() const {
    if (!columns_) columns_ = const_cast<TCustomDBGrid*>(this)->CreateColumns();
    return columns_.get();
}

std::unique_ptr<TDBGridColumns> TCustomDBGrid::CreateColumns() {
    return std::make_unique<TDBGridColumns>(this);
}

std::unique_ptr<TGridDataLink> TCustomDBGrid::CreateDataLink() {
    return std::make_unique<TGridDataLink>(this);
}

void TCustomDBGrid::SetDataSource(data::TDataSource* value) {
    DataLink()->SetDataSource(value);
    LinkActive(DataLink()->Active());
}

void TCustomDBGrid::SetOptions(TDBGridOptions value) {
    dbOptions_ = value;
    ApplyGridOptions();
    LayoutChanged();
}

void TCustomDBGrid::ApplyGridOptions() {
    TGridOptions grid;
    auto map = [&](TDBGridOption from, std::initializer_list<TGridOption> to) {
        if (dbOptions_.Contains(from))
            for (TGridOption option : to)
                grid.Include(option);
    };
    map(dgColLines, {goFixedVertLine, goVertLine});
    map(dgRowLines, {goFixedHorzLine, goHorzLine});
    map(dgColumnResize, {goColSizing});
    map(dgTabs, {goTabs});
    map(dgRowSelect, {goRowSelect});
    map(dgEditing, {goEditing});
    TCustomGrid::SetOptions(grid);
}

int TCustomDBGrid::DefaultColumnWidth(const data::TField* field) const {
    if (!field) return DefaultColWidth();
    TCanvas measure;
    measure.Font()->Assign(Font());
    return field->DisplayWidth() * measure.TextWidth(std::string_view("0")) + 2 * kTextInset;
}

void TCustomDBGrid::LinkActive(bool value) {
    if (!value) HideEditor();
    Columns()->RebuildColumns();
    LayoutChanged();
}

void TCustomDBGrid::LayoutChanged() {
    if (layoutLock_) return;
    layoutLock_ = true;
    const rtl::ScopeExit unlock([this] { layoutLock_ = false; });
    const int columns = Columns()->Count();
    SetColCount(IndicatorOffset() + std::max(1, columns));
    SetFixedCols(IndicatorOffset());
    if (IndicatorOffset() > 0) SetColWidths(0, kIndicatorWidth);
    for (int i = 0; i < columns; ++i)
        SetColWidths(IndicatorOffset() + i, Columns()->Items(i)->Width());
    UpdateRowCount();
    Invalidate();
}

void TCustomDBGrid::DataChanged() {
    if (layoutLock_) return;
    layoutLock_ = true;
    const rtl::ScopeExit unlock([this] { layoutLock_ = false; });
    UpdateRowCount();
    Invalidate();
    RefreshEditor();
}

void TCustomDBGrid::UpdateRowCount() {
    TGridDataLink* link = DataLink();
    const int line = GridLineWidth();
    const int titles = TitleOffset() > 0 ? RowHeights(0) + line : 0;
    const int visibleRows = std::max(1, (ClientHeight() - titles) / (DefaultRowHeight() + line));
    if (link->Active() && link->BufferCount() != visibleRows) link->SetBufferCount(visibleRows);
    const int records = link->Active() ? link->RecordCount() : 0;
    SetRowCount(TitleOffset() + std::max(1, records));
    SetFixedRows(TitleOffset());
    SetTopRow(TitleOffset());
    TCustomGrid::FocusCell(std::max(Col(), IndicatorOffset()),
                           TitleOffset() + (link->Active() ? link->ActiveRecord() : 0));
}

void TCustomDBGrid::RecordChanged(data::TField* field) {
    if (!DataLink()->Active()) return;
    InvalidateRect(ClientRect());
    if (!field || field == SelectedField()) RefreshEditor();
}

void TCustomDBGrid::RefreshEditor() {
    // Only a changed value is read again: reading resets what the user is typing.
    const data::TField* field = SelectedField();
    if (EditorMode() && field && field->Text() != editText_) InvalidateEditor();
}

void TCustomDBGrid::Resize() {
    TCustomGrid::Resize();
    DataChanged();
}

void TCustomDBGrid::ColWidthsChanged(int col) {
    const int index = col - IndicatorOffset();
    if (index >= 0 && index < Columns()->Count()) {
        // Sizing a column the grid made keeps the collection's state: it only remembers the width.
        TColumn* column = Columns()->Items(index);
        layoutLock_ = true;
        column->SetWidth(ColWidths(col));
        layoutLock_ = false;
    }
    TCustomGrid::ColWidthsChanged(col);
}

bool TCustomDBGrid::FocusCell(int col, int row) {
    TGridDataLink* link = DataLink();
    // Leaving the column hands its text to the field; leaving the record also posts it.
    if (col != Col() && EditorMode() && link->Editing()) link->UpdateRecord();
    if (row != Row() && link->Active()) link->DataSet()->MoveBy(row - Row());
    const int before = Col();
    const bool moved =
        TCustomGrid::FocusCell(col, TitleOffset() + (link->Active() ? link->ActiveRecord() : 0));
    if (Col() != before && OnColEnter) OnColEnter(this);
    return moved;
}

void TCustomDBGrid::KeyDown(uint16_t& key, TShiftState shift) {
    data::TDataSet* dataSet = DataLink()->Active() ? DataLink()->DataSet() : nullptr;
    if (dataSet && shift.Contains(ssCtrl) && (key == VK_HOME || key == VK_END)) {
        // Straight to the ends, without walking the records between.
        TCustomControl::KeyDown(key, shift);
        if (key == VK_HOME) dataSet->First();
        if (key == VK_END) dataSet->Last();
        key = 0;
        return;
    }
    if (key == VK_ESCAPE && DataLink()->Active()) {
        TCustomControl::KeyDown(key, shift);
        DataLink()->Reset();
        if (!dbOptions_.Contains(dgAlwaysShowEditor)) HideEditor();
        key = 0;
        return;
    }
    // Return hands the text to the field before the editor closes.
    if (key == VK_RETURN && EditorMode() && DataLink()->Editing()) DataLink()->UpdateRecord();
    TCustomGrid::KeyDown(key, shift);
}

// ---- Editing

TColumn* TCustomDBGrid::ColumnAt(int col) const {
    const int index = col - IndicatorOffset();
    return index >= 0 && index < Columns()->Count() ? Columns()->Items(index) : nullptr;
}

TInplaceEdit* TCustomDBGrid::CreateEditor() {
    return WithColumnPickLists(new TInplaceEditList(this));
}

TInplaceEditList* TCustomDBGrid::WithColumnPickLists(TInplaceEditList* editor) {
    editor->OnGetPickListItems = [this](int col, rtl::TStringList& items) {
        if (TColumn* column = ColumnAt(col))
            items.Assign(column->PickList());
        else
            items.Clear();
    };
    return editor;
}

bool TCustomDBGrid::CanEditShow() const {
    return !layoutLock_ && DataLink()->Active() && SelectedField() && TCustomGrid::CanEditShow();
}

bool TCustomDBGrid::CanEditModify() {
    TGridDataLink* link = DataLink();
    const TColumn* column = ColumnAt(Col());
    const data::TField* field = SelectedField();
    if (readOnly_ || !link->Active() || link->ReadOnly() || !column || column->ReadOnly() || !field ||
        !field->CanModify())
        return false;
    if (!link->Edit()) return false;
    link->SetModified();
    return true;
}

std::string TCustomDBGrid::GetEditText(int col, int) {
    const TColumn* column = DataLink()->Active() ? ColumnAt(col) : nullptr;
    const data::TField* field = column ? column->Field() : nullptr;
    editText_ = field ? field->Text() : std::string();
    return editText_;
}

void TCustomDBGrid::SetEditText(int, int, const std::string& value) {
    editText_ = value;
}

int TCustomDBGrid::GetEditLimit() const {
    const data::TField* field = SelectedField();
    const bool text =
        field && (field->DataType() == data::ftString || field->DataType() == data::ftWideString);
    return text ? field->Size() : 0;
}

TEditStyle TCustomDBGrid::GetEditStyle(int col, int) {
    const TColumn* column = ColumnAt(col);
    return column && column->HasPickList() ? esPickList : esSimple;
}

void TCustomDBGrid::UpdateData() {
    if (data::TField* field = SelectedField()) field->SetEditText(editText_);
}

void TCustomDBGrid::DrawCell(int col, int row, const TRect& rect, TGridDrawState state) {
    TCanvas& canvas = *Canvas();
    const int dataCol = col - IndicatorOffset();
    const int dataRow = row - TitleOffset();
    if (dataCol < 0) {
        if (dataRow >= 0)
            DrawIndicatorCell(rect, dataRow);
        else
            canvas.FillRect(rect);
        return;
    }
    if (dataCol >= Columns()->Count()) {
        canvas.FillRect(rect);
        return;
    }
    TColumn* column = Columns()->Items(dataCol);
    if (dataRow < 0) {
        DrawTitleCell(rect, column, state);
        return;
    }
    canvas.Font()->Assign(column->Font());
    canvas.Brush()->SetColor(column->Color());
    TGridDataLink* link = DataLink();
    if (!link->Active() || dataRow >= link->RecordCount()) {
        canvas.FillRect(rect);
        return;
    }
    const int active = link->ActiveRecord();
    link->SetActiveRecord(dataRow);
    const rtl::ScopeExit restore([&] { link->SetActiveRecord(active); });
    const data::TField* field = column->Field();
    const bool highlighted = HighlightCell(dataCol, dataRow, field ? field->DisplayText() : "", state);
    SetDataCellColors(dataRow, column, highlighted);
    if (!Enabled()) canvas.Font()->SetColor(clGrayText);
    if (defaultDrawing_) DefaultDrawColumnCell(rect, dataCol, column, state);
    DrawColumnCell(rect, dataCol, column, state);
    if (defaultDrawing_ && state.Contains(gdSelected) && Focused() && !dbOptions_.Contains(dgRowSelect))
        canvas.DrawFocusRect(rect);
}

void TCustomDBGrid::SetDataCellColors(int, TColumn*, bool highlighted) {
    if (!highlighted) return;
    Canvas()->Brush()->SetColor(clHighlight);
    Canvas()->Font()->SetColor(clHighlightText);
}

bool TCustomDBGrid::HighlightCell(int, int, const std::string&, TGridDrawState state) const {
    return state.Contains(gdSelected) && (dbOptions_.Contains(dgAlwaysShowSelection) || Focused());
}

void TCustomDBGrid::DefaultDrawColumnCell(const TRect& rect, int, TColumn* column, TGridDrawState) {
    const data::TField* field = column->Field();
    WriteText(rect, kTextInset, kTextInset, field ? field->DisplayText() : std::string(),
              column->Alignment());
}

void TCustomDBGrid::DrawColumnCell(const TRect& rect, int dataCol, TColumn* column, TGridDrawState state) {
    if (OnDrawColumnCell) OnDrawColumnCell(this, rect, dataCol, column, state);
}

void TCustomDBGrid::DrawTitleCell(const TRect& rect, TColumn* column, TGridDrawState) {
    TCanvas& canvas = *Canvas();
    canvas.Font()->Assign(column->Title()->Font());
    canvas.Brush()->SetColor(column->Title()->Color());
    WriteText(rect, kTextInset, kTextInset, column->Title()->Caption(), column->Title()->Alignment());
}

void TCustomDBGrid::DrawIndicatorCell(const TRect& rect, int dataRow) {
    TCanvas& canvas = *Canvas();
    canvas.FillRect(rect);
    if (!DataLink()->Active() || dataRow != DataLink()->ActiveRecord()) return;
    // A small arrow at the active record.
    const int midY = (rect.Top + rect.Bottom) / 2;
    const int left = rect.Left + 3;
    canvas.Brush()->SetColor(clBlack);
    canvas.Pen()->SetColor(clBlack);
    canvas.Polygon({{left, midY - 4}, {left + 4, midY}, {left, midY + 4}});
}

void TCustomDBGrid::WriteText(const TRect& rect, int dx, int dy, std::string_view text,
                              TAlignment alignment) {
    WriteAligned(*Canvas(), rect, dx, dy, text, alignment);
}

void TCustomDBGrid::WriteText(const TRect& rect, int dx, int dy, std::u16string_view text,
                              TAlignment alignment) {
    WriteAligned(*Canvas(), rect, dx, dy, text, alignment);
}

} // namespace ui
