// The data grid: a grid over a data set with columns, titles and in-place editing.
#pragma once

#include "platform/data/DataLink.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/Grids.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace data {
class TField;
}

namespace ui {

using data::TAlignment;

enum TDBGridOption {
    dgEditing,
    dgAlwaysShowEditor,
    dgTitles,
    dgIndicator,
    dgColumnResize,
    dgColLines,
    dgRowLines,
    dgTabs,
    dgRowSelect,
    dgAlwaysShowSelection,
    dgConfirmDelete,
    dgCancelOnExit,
    dgMultiSelect
};
using TDBGridOptions = rtl::Set<TDBGridOption, 16>;

class TColumn;
class TCustomDBGrid;
class TDBGridColumns;

// A column's title: its caption (the field's display name until one is assigned), alignment, colours.
class TColumnTitle {
public:
    explicit TColumnTitle(TColumn* column);
    virtual ~TColumnTitle() = default;
    TColumnTitle(const TColumnTitle&) = delete;
    TColumnTitle& operator=(const TColumnTitle&) = delete;

    TColumn* Column() const { return column_; }
    std::string Caption() const { return captionAssigned_ ? caption_ : DefaultCaption(); }
    void SetCaption(const std::string& value);
    bool CaptionAssigned() const { return captionAssigned_; }
    // The display name of the column's field, or the column's field name without one.
    std::string DefaultCaption() const;
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    TFont* Font() const { return font_.get(); }
    virtual void RestoreDefaults();

protected:
    void Changed();

private:
    TColumn* column_;
    std::string caption_;
    bool captionAssigned_ = false;
    TAlignment alignment_ = data::taLeftJustify;
    TColor color_ = clBtnFace;
    std::unique_ptr<TFont> font_ = std::make_unique<TFont>();
};

// One grid column, shown from the field named FieldName.
class TColumn {
public:
    explicit TColumn(TDBGridColumns* collection);
    virtual ~TColumn() = default;
    TColumn(const TColumn&) = delete;
    TColumn& operator=(const TColumn&) = delete;

    TDBGridColumns* Collection() const { return collection_; }
    TCustomDBGrid* Grid() const;
    int Index() const;
    const std::string& FieldName() const { return fieldName_; }
    void SetFieldName(const std::string& value);
    // The field of the grid's open data set, or null.
    data::TField* Field() const;
    // The assigned width, else the field's display width in digits of the grid's font.
    int Width() const;
    void SetWidth(int value);
    TColumnTitle* Title() const;
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    TFont* Font() const { return font_.get(); }
    // The assigned alignment, else the field's.
    TAlignment Alignment() const;
    void SetAlignment(TAlignment value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value) { readOnly_ = value; }
    int DropDownRows() const { return dropDownRows_; }
    void SetDropDownRows(int value) { dropDownRows_ = value; }
    // Values the cell's editor offers in a drop-down list; made on first use.
    rtl::TStringList& PickList();
    bool HasPickList() const { return pickList_ && pickList_->Count() > 0; }
    // Columns the grid made from the fields are not stored.
    bool IsStored() const;
    void Changed();

protected:
    virtual std::unique_ptr<TColumnTitle> CreateTitle() { return std::make_unique<TColumnTitle>(this); }

private:
    TDBGridColumns* collection_;
    std::string fieldName_;
    int width_ = 0; // 0: from the field
    TColor color_ = clWindow;
    std::unique_ptr<TFont> font_ = std::make_unique<TFont>();
    std::optional<TAlignment> alignment_;
    bool readOnly_ = false;
    int dropDownRows_ = 7;
    std::unique_ptr<rtl::TStringList> pickList_;
    mutable std::unique_ptr<TColumnTitle> title_;
};

enum TDBGridColumnsState { csDefault, csCustomized };

// The grid's columns. In the default state they follow the data set's visible fields.
class TDBGridColumns {
public:
    explicit TDBGridColumns(TCustomDBGrid* grid) : grid_(grid) {}
    virtual ~TDBGridColumns() = default;
    TDBGridColumns(const TDBGridColumns&) = delete;
    TDBGridColumns& operator=(const TDBGridColumns&) = delete;

    TCustomDBGrid* Grid() const { return grid_; }
    int Count() const { return static_cast<int>(columns_.size()); }
    TColumn* Items(int index) const { return columns_.at(index).get(); }
    TColumn* operator[](int index) const { return Items(index); }
    int IndexOf(const TColumn* column) const;
    // Adding a column customises the collection.
    TColumn* Add();
    void Clear();
    TDBGridColumnsState State() const { return state_; }
    // Back to the default state rebuilds the columns from the fields.
    void SetState(TDBGridColumnsState value);
    // Makes one column per visible field of the data set (in the default state).
    void RebuildColumns();

protected:
    virtual std::unique_ptr<TColumn> CreateColumn() { return std::make_unique<TColumn>(this); }

private:
    TColumn* Append();

    TCustomDBGrid* grid_;
    std::vector<std::unique_ptr<TColumn>> columns_;
    TDBGridColumnsState state_ = csDefault;
};

// The grid's link to its data source: a window of records as tall as the grid's data rows.
class TGridDataLink : public data::TDataLink {
public:
    explicit TGridDataLink(TCustomDBGrid* grid) : grid_(grid) {}
    TCustomDBGrid* Grid() const { return grid_; }
    // The field of the grid's selected column.
    data::TField* SelectedField() const;
    // The editor's text differs from the field's (since the user last typed into it).
    bool Modified() const { return modified_; }
    void SetModified() { modified_ = true; }
    // Escape: an edited text goes back to the field's; without one the record's edit is cancelled.
    void Reset();

protected:
    void ActiveChanged() override;
    void DataSetChanged() override;
    void DataSetScrolled(int distance) override;
    void EditingChanged() override;
    void LayoutChanged() override;
    void RecordChanged(data::TField* field) override;
    // Writes the edited text into the selected field.
    void UpdateData() override;

private:
    TCustomDBGrid* grid_;
    bool modified_ = false;
};

// A grid over a data source: a title row, an indicator column, one row per record of the link's
// window and one column per grid column. Moving between rows moves the data set's cursor.
class TCustomDBGrid : public TCustomGrid {
public:
    explicit TCustomDBGrid(TComponent* owner);
    ~TCustomDBGrid() override;

    data::TDataSource* DataSource() const { return DataLink()->DataSource(); }
    void SetDataSource(data::TDataSource* value);
    TGridDataLink* DataLink() const;
    TDBGridColumns* Columns() const;
    TDBGridOptions Options() const { return dbOptions_; }
    void SetOptions(TDBGridOptions value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value) { readOnly_ = value; }
    bool DefaultDrawing() const { return defaultDrawing_; }
    void SetDefaultDrawing(bool value) { defaultDrawing_ = value; }
    // The grid column of the current cell.
    int SelectedIndex() const { return Col() - IndicatorOffset(); }
    void SetSelectedIndex(int value) { SetCol(value + IndicatorOffset()); }
    data::TField* SelectedField() const { return DataLink()->SelectedField(); }
    // The current cell's text as the editor last handed it over.
    const std::string& EditText() const { return editText_; }
    int IndicatorOffset() const { return dbOptions_.Contains(dgIndicator) ? 1 : 0; }
    int TitleOffset() const { return dbOptions_.Contains(dgTitles) ? 1 : 0; }

    // The default painting of a data cell: the field's display text.
    virtual void DefaultDrawColumnCell(const TRect& rect, int dataCol, TColumn* column, TGridDrawState state);

    std::function<void(TObject* sender, const TRect& rect, int dataCol, TColumn* column,
                       TGridDrawState state)>
        OnDrawColumnCell;
    std::function<void(TObject* sender)> OnColEnter;

protected:
    friend class TGridDataLink;
    friend class TDBGridColumns;
    friend class TColumn;

    virtual std::unique_ptr<TDBGridColumns> CreateColumns();
    virtual std::unique_ptr<TGridDataLink> CreateDataLink();

    void DrawCell(int col, int row, const TRect& rect, TGridDrawState state) override;
    virtual void DrawTitleCell(const TRect& rect, TColumn* column, TGridDrawState state);
    virtual void DrawIndicatorCell(const TRect& rect, int dataRow);
    // Runs the application's OnDrawColumnCell.
    virtual void DrawColumnCell(const TRect& rect, int dataCol, TColumn* column, TGridDrawState state);
    // The brush and font colour of a data cell, after the column's font and colour were taken.
    virtual void SetDataCellColors(int dataRow, TColumn* column, bool highlighted);
    // Whether a data cell shows as selected.
    virtual bool HighlightCell(int dataCol, int dataRow, const std::string& value,
                               TGridDrawState state) const;
    // Text in the cell rectangle, inset by the offsets and aligned.
    void WriteText(const TRect& rect, int dx, int dy, std::string_view text, TAlignment alignment);
    void WriteText(const TRect& rect, int dx, int dy, std::u16string_view text, TAlignment alignment);

    bool FocusCell(int col, int row) override;
    void KeyDown(uint16_t& key, TShiftState shift) override;

    // Editing through the data link: the editor shows the field's edit text; typing puts the data set
    // in edit mode; the text reaches the field on Return, on leaving the column or the record (which
    // also posts), and Escape takes it back.
    TInplaceEdit* CreateEditor() override;
    // Gives an editor of a descendant the columns' pick lists.
    TInplaceEditList* WithColumnPickLists(TInplaceEditList* editor);
    bool CanEditShow() const override;
    bool CanEditModify() override;
    std::string GetEditText(int col, int row) override;
    void SetEditText(int col, int row, const std::string& value) override;
    int GetEditLimit() const override;
    TEditStyle GetEditStyle(int col, int row) override;
    // Stores the edit text in the selected field.
    virtual void UpdateData();
    void Resize() override;
    void ColWidthsChanged(int col) override;

    // The data link's events.
    virtual void LinkActive(bool value);
    virtual void DataChanged();
    virtual void RecordChanged(data::TField* field);
    virtual void LayoutChanged();

    // The width of a field's display width in digits of the grid's font, plus the text margins.
    int DefaultColumnWidth(const data::TField* field) const;

private:
    void ApplyGridOptions();
    void UpdateRowCount();
    // Reads the field into the shown editor when its value changed.
    void RefreshEditor();
    // The column shown in a grid column, or null for the indicator and past the last.
    TColumn* ColumnAt(int col) const;

    mutable std::unique_ptr<TGridDataLink> dataLink_;
    mutable std::unique_ptr<TDBGridColumns> columns_;
    TDBGridOptions dbOptions_{dgEditing,  dgTitles, dgIndicator,     dgColumnResize, dgColLines,
                              dgRowLines, dgTabs,   dgConfirmDelete, dgCancelOnExit};
    bool readOnly_ = false;
    bool defaultDrawing_ = true;
    bool layoutLock_ = false;
    std::string editText_;
};

// The data grid with its properties published.
class TDBGrid : public TCustomDBGrid {
public:
    using TCustomDBGrid::TCustomDBGrid;
};

} // namespace ui
