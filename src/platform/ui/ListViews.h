// A list view in report style: columns, items with sub-items, images, check boxes, selection, sorting,
// and owner data (the program keeps the items and fills them in when asked by index).
#pragma once

#include "platform/rtl/StringList.h"
#include "platform/ui/Controls.h"
#include "platform/ui/ImageList.h"
#include "platform/ui/Labels.h"

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace ui {

class TListView;
class TListItems;
class TListViewModel;

class TListItem {
public:
    explicit TListItem(TListItems* owner);
    ~TListItem();
    TListItem(const TListItem&) = delete;
    TListItem& operator=(const TListItem&) = delete;

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    // The texts of the second and later columns.
    rtl::TStringList& SubItems() { return subItems_; }
    const rtl::TStringList& SubItems() const { return subItems_; }
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index);
    bool Checked() const { return checked_; }
    void SetChecked(bool checked);
    bool Selected() const;
    void SetSelected(bool selected);
    bool Focused() const;
    void SetFocused(bool focused);
    void* Data() const { return data_; }
    void SetData(void* data) { data_ = data; }
    int Index() const { return index_; }
    TListView* ListView() const;
    // Removes the item from its list and frees it.
    void Delete();
    // Brings the item into view.
    void MakeVisible();

private:
    friend class TListItems;
    friend class TListView;
    void Changed();
    // Empties an owner-data item before OnData fills it again.
    void Reset(int index);

    TListItems* owner_;
    std::string caption_;
    rtl::TStringList subItems_;
    int imageIndex_ = -1;
    bool checked_ = false;
    bool selected_ = false;
    void* data_ = nullptr;
    int index_ = -1;
};

class TListItems {
public:
    explicit TListItems(TListView* view) : view_(view) {}
    ~TListItems();

    // With owner data: the Count the program set; the items are asked for.
    int Count() const;
    void SetCount(int count);
    // With owner data: the item filled in by OnData for that index (valid until the next call).
    TListItem* Items(int index) const;
    TListItem* operator[](int index) const { return Items(index); }
    TListItem* Add();
    TListItem* Insert(int index);
    void Delete(int index);
    void Clear();
    int IndexOf(const TListItem* item) const;
    // Changes inside the bracket show once at its end.
    void BeginUpdate();
    void EndUpdate();

    TListView* Owner() const { return view_; }

private:
    friend class TListView;
    friend class TListItem;
    void Renumber(int from);

    TListView* view_;
    std::vector<std::unique_ptr<TListItem>> items_;
    int updating_ = 0;
};

class TListColumn {
public:
    explicit TListColumn(TListView* view) : view_(view) {}

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    int Width() const;
    void SetWidth(int width);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);
    int Index() const;

private:
    friend class TListView;
    TListView* view_;
    std::string caption_;
    int width_ = 50;
    TAlignment alignment_ = taLeftJustify;
};

class TListColumns {
public:
    explicit TListColumns(TListView* view) : view_(view) {}

    int Count() const { return static_cast<int>(columns_.size()); }
    TListColumn* Items(int index) const;
    TListColumn* operator[](int index) const { return Items(index); }
    TListColumn* Add();
    void Delete(int index);
    void Clear();
    int IndexOf(const TListColumn* column) const;

private:
    TListView* view_;
    std::vector<std::unique_ptr<TListColumn>> columns_;
};

enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };
enum TItemChange { ctText, ctImage, ctState };
enum TSortType { stNone, stData, stText, stBoth };

using TLVSelectItemEvent = std::function<void(TObject* sender, TListItem* item, bool selected)>;
using TLVChangeEvent = std::function<void(TObject* sender, TListItem* item, TItemChange change)>;
using TLVCompareEvent =
    std::function<void(TObject* sender, TListItem* item1, TListItem* item2, int data, int& compare)>;
using TLVOwnerDataEvent = std::function<void(TObject* sender, TListItem* item)>;
using TLVColumnClickEvent = std::function<void(TObject* sender, TListColumn* column)>;
// Negative, zero or positive, as item1 sorts before, with or after item2.
using TLVCompare = std::function<int(TListItem* item1, TListItem* item2)>;

class TListView : public TWinControl {
public:
    explicit TListView(TComponent* owner);
    ~TListView() override;

    TListColumns& Columns() { return columns_; }
    TListItems& Items() { return items_; }
    TViewStyle ViewStyle() const { return viewStyle_; }
    // Every style shows as a report here; the value is kept for the program.
    void SetViewStyle(TViewStyle style) { viewStyle_ = style; }
    bool MultiSelect() const { return multiSelect_; }
    void SetMultiSelect(bool value);
    bool RowSelect() const { return rowSelect_; }
    void SetRowSelect(bool value) { rowSelect_ = value; }
    // A check box before each item's caption.
    bool Checkboxes() const { return checkboxes_; }
    void SetCheckboxes(bool value);
    bool ShowColumnHeaders() const { return showColumnHeaders_; }
    void SetShowColumnHeaders(bool value);
    bool GridLines() const { return gridLines_; }
    void SetGridLines(bool value) { gridLines_ = value; }
    TCustomImageList* SmallImages() const { return smallImages_; }
    void SetSmallImages(TCustomImageList* images);
    // The items are the program's: Items().SetCount says how many, OnData fills each when needed.
    bool OwnerData() const { return ownerData_; }
    void SetOwnerData(bool value);

    // Items sort by caption (stText), by OnCompare (stData, stBoth) whenever they change.
    TSortType SortType() const { return sortType_; }
    void SetSortType(TSortType type);
    bool AlphaSort();
    bool CustomSort(const TLVCompare& compare);

    // The first selected item, or null.
    TListItem* Selected() const;
    void SetSelected(TListItem* item);
    int SelCount() const;
    void ClearSelection();
    void SelectAll();
    TListItem* ItemFocused() const;
    void SetItemFocused(TListItem* item);
    int ItemIndex() const;
    void SetItemIndex(int index);
    // The item at a client point, or null.
    TListItem* GetItemAt(int x, int y) const;
    TListItem* TopItem() const;

    TLVSelectItemEvent OnSelectItem;
    // An item's text, image or state (selection, check) changed.
    TLVChangeEvent OnChange;
    TLVCompareEvent OnCompare;
    TLVOwnerDataEvent OnData;
    TLVColumnClickEvent OnColumnClick;

    void WndProc(TMessage& message) override;

protected:
    QWidget* CreateWidget(QWidget* parentWidget) override;
    void DestroyWnd() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TListItem;
    friend class TListItems;
    friend class TListColumn;
    friend class TListColumns;
    friend class TListViewModel;

    // The item shown in a row: the real one, or the owner-data item filled in for it.
    TListItem* ItemAt(int row) const;
    bool RowSelected(int row) const;
    // Sets a row's selection, telling OnSelectItem and OnChange when it changes.
    void SetRowSelected(int row, bool selected);
    void ItemChanged(int row, TItemChange change);
    void ColumnsChanged();
    void RowsReset();
    void Sort(const std::function<int(TListItem*, TListItem*)>& compare);
    int CompareForSort(TListItem* a, TListItem* b);
    // The widget's selection follows the items' flags.
    void ShowSelection();
    // The user changed the selection or the current row.
    void UserSelectionChanged();

    TListColumns columns_;
    TListItems items_;
    TViewStyle viewStyle_ = vsIcon;
    bool multiSelect_ = false;
    bool rowSelect_ = false;
    bool checkboxes_ = false;
    bool showColumnHeaders_ = true;
    bool gridLines_ = false;
    TCustomImageList* smallImages_ = nullptr;
    std::unique_ptr<TChangeLink> imageLink_;
    bool ownerData_ = false;
    int ownerCount_ = 0;
    std::set<int> ownerSelected_;
    mutable std::unique_ptr<TListItem> ownerItem_;
    int focusedRow_ = -1;
    TSortType sortType_ = stNone;
    bool applying_ = false;
    std::unique_ptr<TListViewModel> model_;
};

} // namespace ui
