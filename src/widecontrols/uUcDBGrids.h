// The data grid with wide column titles and in-place editing.
#pragma once

#include "widecontrols/uUcUtils.h"

#include "platform/ui/DBGrids.h"

namespace widecontrols {

// A column title with a wide caption; unassigned, it is the field's display name.
class TUcColumnTitle : public ui::TColumnTitle {
public:
    using ui::TColumnTitle::TColumnTitle;

    WideString Caption() const;
    void SetCaption(const WideString& value);
    WideString DefaultCaption() const { return AnsiToWide(ui::TColumnTitle::DefaultCaption()); }
    void RestoreDefaults() override;

private:
    mutable WideString wideCaption_;
};

class TUcColumn : public ui::TColumn {
public:
    using ui::TColumn::TColumn;
    TUcColumnTitle* Title() const { return static_cast<TUcColumnTitle*>(ui::TColumn::Title()); }

protected:
    std::unique_ptr<ui::TColumnTitle> CreateTitle() override {
        return std::make_unique<TUcColumnTitle>(this);
    }
};

class TUcDBGridColumns : public ui::TDBGridColumns {
public:
    using ui::TDBGridColumns::TDBGridColumns;
    TUcColumn* Items(int index) const { return static_cast<TUcColumn*>(ui::TDBGridColumns::Items(index)); }
    TUcColumn* operator[](int index) const { return Items(index); }

protected:
    std::unique_ptr<ui::TColumn> CreateColumn() override { return std::make_unique<TUcColumn>(this); }
};

// The search text of the pick-list drop-down: characters typed within kPause of each other are
// searched together, up to kMaxLength of them.
class TPickListSearch {
public:
    static constexpr uint32_t kPause = 2000;
    static constexpr size_t kMaxLength = 32;

    // Backspace and Escape empty the search text; a printable `key` is consumed (set to 0) and true
    // is answered, so that the list looks for SearchText.
    bool KeyPress(WideChar& key);
    const WideString& SearchText() const { return searchText_; }

private:
    WideString searchText_;
    uint32_t lastKeyTime_ = 0;
};

// The data grid's in-place editor. While its pick list is down, typed characters go to the list,
// which selects the first item that begins with the search text, ignoring case.
class TUcDBGridInplaceEdit : public ui::TInplaceEditList {
public:
    using ui::TInplaceEditList::TInplaceEditList;

    const TPickListSearch& PickListSearch() const { return search_; }

protected:
    void KeyPress(char16_t& key) override;

private:
    TPickListSearch search_;
};

// The data grid with UTF-16 cell texts and titles, light grey stripes on every second screen row and
// a fixed blue highlight with white text.
class TUcCustomDBGrid : public ui::TCustomDBGrid {
public:
    using ui::TCustomDBGrid::TCustomDBGrid;

    TUcDBGridColumns* Columns() const { return static_cast<TUcDBGridColumns*>(ui::TCustomDBGrid::Columns()); }
    // The wide text of the cell being edited.
    const WideString& WideEditText() const { return wideEditText_; }
    // The wide edit text of the field in that grid column ("" without one); kept as WideEditText.
    WideString GetWideEditText(int dataCol);

    static constexpr ui::TColor kStripeColor = 0xF9F9F9;
    static constexpr ui::TColor kHighlightColor = 0xA56D53;

protected:
    ui::TInplaceEdit* CreateEditor() override;
    std::unique_ptr<ui::TDBGridColumns> CreateColumns() override;
    void SetDataCellColors(int dataRow, ui::TColumn* column, bool highlighted) override;
    void DefaultDrawColumnCell(const ui::TRect& rect, int dataCol, ui::TColumn* column,
                               ui::TGridDrawState state) override;
    void DrawTitleCell(const ui::TRect& rect, ui::TColumn* column, ui::TGridDrawState state) override;

private:
    WideString wideEditText_;
};

// The height of the pick-list drop-down: the drop-down rows when above 0 and not more than the
// items, else every item, plus the border.
int PickListDropDownHeight(int itemCount, int dropDownRows, int itemHeight);

class TUcDBGrid : public TUcCustomDBGrid {
public:
    using TUcCustomDBGrid::TUcCustomDBGrid;
};

} // namespace widecontrols
