// The list view with wide captions and sub-items. The framework keeps every text as UTF-8 in its own
// items and columns, through the life of any window, so the wide objects here are views over the
// framework's: a wide write goes straight through, and a write the framework makes reads back wide.
#pragma once

#include "platform/ui/ListViews.h"
#include "widecontrols/uUcControls.h"
#include "widecontrols/uUcListStrings.h"
#include "widecontrols/uUcStdCtrls.h"

#include <functional>
#include <memory>
#include <unordered_map>

namespace widecontrols {

class TUcListView;

class TUcListItem : public ui::TObject {
public:
    TUcListItem(TUcListView& listView, ui::TListItem& item);

    ui::TListItem& Item() const { return item_; }
    TUcListView* ListView() const { return &listView_; }
    int Index() const { return item_.Index(); }

    WideString Caption() const;
    void SetCaption(std::u16string_view caption);
    // The texts of the second and later columns.
    TUcStrings& SubItems() { return subItems_; }

    void* Data() const { return item_.Data(); }
    void SetData(void* data) { item_.SetData(data); }
    bool Checked() const { return item_.Checked(); }
    void SetChecked(bool checked) { item_.SetChecked(checked); }
    bool Selected() const { return item_.Selected(); }
    void SetSelected(bool selected) { item_.SetSelected(selected); }
    int ImageIndex() const { return item_.ImageIndex(); }
    void SetImageIndex(int index) { item_.SetImageIndex(index); }

    // From another wide item: caption, data, image, sub-items and check mark.
    void Assign(const ui::TObject* source) override;

private:
    TUcListView& listView_;
    ui::TListItem& item_;
    TWideStringsOfList subItems_;
};

// Makes the wide object of a framework item; a descendant of TUcListItem may carry more state.
using TUcListItemClass = std::function<std::unique_ptr<ui::TObject>(TUcListView& view, ui::TListItem& item)>;
using TUcLVCreateItemClassEvent = std::function<void(ui::TObject* sender, TUcListItemClass& itemClass)>;
using TUcLVOwnerDataEvent = std::function<void(ui::TObject* sender, TUcListItem* item)>;
using TUcLVCompareEvent =
    std::function<void(ui::TObject* sender, TUcListItem* item1, TUcListItem* item2, int data, int& compare)>;

class TUcListItems {
public:
    explicit TUcListItems(TUcListView& view) : view_(view) {}

    // With owner data: the count the program set.
    int Count() const;
    void SetCount(int count);
    // With owner data: the item OnWideData filled in for that index (valid until the next call).
    TUcListItem* Item(int index) const;
    TUcListItem* operator[](int index) const { return Item(index); }
    TUcListItem* Add();
    TUcListItem* Insert(int index);
    void Delete(int index);
    void Clear();
    void BeginUpdate();
    void EndUpdate();

private:
    // Removes the framework's new item again when its wide object cannot be made.
    TUcListItem* Adopt(ui::TListItem* item);

    TUcListView& view_;
};

class TUcListColumn {
public:
    explicit TUcListColumn(ui::TListColumn& column) : column_(column) {}

    ui::TListColumn& Column() const { return column_; }
    WideString Caption() const { return Utf8ToWide(column_.Caption()); }
    void SetCaption(std::u16string_view caption) { column_.SetCaption(WideToUtf8(caption)); }
    int Width() const { return column_.Width(); }
    void SetWidth(int width) { column_.SetWidth(width); }

private:
    ui::TListColumn& column_;
};

class TUcListColumns {
public:
    explicit TUcListColumns(TUcListView& view) : view_(view) {}

    int Count() const;
    TUcListColumn* Item(int index) const;
    TUcListColumn* operator[](int index) const { return Item(index); }
    TUcListColumn* Add();
    void Delete(int index);
    void Clear();

private:
    TUcListView& view_;
};

// Sorting without OnWideCompare orders the wide captions ignoring case, then by code unit.
int WideListViewCompare(TUcListItem* item1, TUcListItem* item2, int data);

class TUcListView : public TWideTextControl<ui::TListView>, public IWideListControl {
public:
    explicit TUcListView(ui::TComponent* owner);
    ~TUcListView() override;

    TUcListItems& WideItems() { return wideItems_; }
    TUcListColumns& WideColumns() { return wideColumns_; }
    // The wide object of one of the framework's items (null for null).
    TUcListItem* WideItem(ui::TListItem* item);
    TUcListColumn* WideColumn(ui::TListColumn* column);
    // The first selected item, or null.
    TUcListItem* WideSelected() { return WideItem(Selected()); }

    // An item with `text` as its caption and `object` as its data.
    void AddWideItem(std::u16string_view text, void* object) override;
    // Adds every selected item, in order, to `destination`.
    void CopySelection(ui::TControl& destination);
    // Sorts by OnWideCompare, else by the wide captions.
    bool AlphaSort();

    // May replace the class of the wide items; it must make a TUcListItem.
    TUcLVCreateItemClassEvent OnCreateItemClass;
    // Fills an owner-data item (its sub-items already empty).
    TUcLVOwnerDataEvent OnWideData;
    TUcLVCompareEvent OnWideCompare;

private:
    friend class TUcListItems;
    friend class TUcListColumns;
    // Drops the wide object of a framework item that is going away.
    void Forget(const ui::TListItem* item) { wideItemOf_.erase(item); }
    // Drops the wide objects of items the framework deleted on its own.
    void PruneWideItems();

    TUcListItems wideItems_;
    TUcListColumns wideColumns_;
    std::unordered_map<const ui::TListItem*, std::unique_ptr<TUcListItem>> wideItemOf_;
    std::unordered_map<const ui::TListColumn*, std::unique_ptr<TUcListColumn>> wideColumnOf_;
};

} // namespace widecontrols
