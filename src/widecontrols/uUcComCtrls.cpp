#include "widecontrols/uUcComCtrls.h"

#include "core/uUnicode.h"

#include <unordered_set>

namespace widecontrols {

// ---------------------------------------------------------------------------------------------------
// TUcListItem

TUcListItem::TUcListItem(TUcListView& listView, ui::TListItem& item)
    : listView_(listView), item_(item), subItems_(item.SubItems()) {}

WideString TUcListItem::Caption() const {
    return Utf8ToWide(item_.Caption());
}

void TUcListItem::SetCaption(std::u16string_view caption) {
    item_.SetCaption(WideToUtf8(caption));
}

void TUcListItem::Assign(const ui::TObject* source) {
    const auto* item = dynamic_cast<const TUcListItem*>(source);
    if (!item) {
        ui::TObject::Assign(source);
        return;
    }
    SetCaption(item->Caption());
    SetData(item->Data());
    SetImageIndex(item->ImageIndex());
    item_.SubItems().Assign(item->item_.SubItems());
    SetChecked(item->Checked());
}

// ---------------------------------------------------------------------------------------------------
// TUcListItems

int TUcListItems::Count() const {
    return view_.Items().Count();
}

void TUcListItems::SetCount(int count) {
    view_.Items().SetCount(count);
}

TUcListItem* TUcListItems::Item(int index) const {
    return view_.WideItem(view_.Items().Items(index));
}

TUcListItem* TUcListItems::Adopt(ui::TListItem* item) {
    // A new item may sit where a deleted one was: its old wide object must not be taken for it.
    view_.Forget(item);
    try {
        return view_.WideItem(item);
    } catch (...) {
        view_.Items().Delete(item->Index());
        throw;
    }
}

TUcListItem* TUcListItems::Add() {
    return Adopt(view_.Items().Add());
}

TUcListItem* TUcListItems::Insert(int index) {
    return Adopt(view_.Items().Insert(index));
}

void TUcListItems::Delete(int index) {
    view_.Forget(view_.Items().Items(index));
    view_.Items().Delete(index);
}

void TUcListItems::Clear() {
    view_.Items().Clear();
    view_.wideItemOf_.clear();
}

void TUcListItems::BeginUpdate() {
    view_.Items().BeginUpdate();
}

void TUcListItems::EndUpdate() {
    view_.Items().EndUpdate();
}

// ---------------------------------------------------------------------------------------------------
// TUcListColumns

int TUcListColumns::Count() const {
    return view_.Columns().Count();
}

TUcListColumn* TUcListColumns::Item(int index) const {
    return view_.WideColumn(view_.Columns().Items(index));
}

TUcListColumn* TUcListColumns::Add() {
    return view_.WideColumn(view_.Columns().Add());
}

void TUcListColumns::Delete(int index) {
    view_.wideColumnOf_.erase(view_.Columns().Items(index));
    view_.Columns().Delete(index);
}

void TUcListColumns::Clear() {
    view_.Columns().Clear();
    view_.wideColumnOf_.clear();
}

// ---------------------------------------------------------------------------------------------------
// TUcListView

int WideListViewCompare(TUcListItem* item1, TUcListItem* item2, int data) {
    TUcListView& view = *item1->ListView();
    int compare = 0;
    if (view.OnWideCompare) {
        view.OnWideCompare(&view, item1, item2, data, compare);
        return compare;
    }
    const WideString a = item1->Caption();
    const WideString b = item2->Caption();
    compare = core::WideCompareTextLocale(a, b, core::kUserDefaultLocale);
    return compare != 0 ? compare : a.compare(b);
}

TUcListView::TUcListView(ui::TComponent* owner) : TWideTextControl(owner), wideItems_(*this), wideColumns_(*this) {
    // The framework's events reach the wide handlers with the wide items.
    OnData = [this](ui::TObject*, ui::TListItem* item) {
        if (OnWideData) OnWideData(this, WideItem(item));
    };
    OnCompare = [this](ui::TObject*, ui::TListItem* item1, ui::TListItem* item2, int data, int& compare) {
        compare = WideListViewCompare(WideItem(item1), WideItem(item2), data);
    };
}

TUcListView::~TUcListView() {
    // The framework may still fetch items while it takes its window down, after this part is gone.
    OnData = nullptr;
    OnCompare = nullptr;
}

TUcListItem* TUcListView::WideItem(ui::TListItem* item) {
    if (!item) return nullptr;
    if (auto found = wideItemOf_.find(item); found != wideItemOf_.end()) return found->second.get();
    TUcListItemClass itemClass = [](TUcListView& view, ui::TListItem& of) -> std::unique_ptr<ui::TObject> {
        return std::make_unique<TUcListItem>(view, of);
    };
    if (OnCreateItemClass) OnCreateItemClass(this, itemClass);
    std::unique_ptr<ui::TObject> made = itemClass(*this, *item);
    auto* wide = dynamic_cast<TUcListItem*>(made.get());
    if (!wide) throw EUcInternalError("Internal Error: OnCreateItemClass.ItemClass must inherit from TUcListItem.");
    made.release();
    PruneWideItems();
    wideItemOf_.emplace(item, std::unique_ptr<TUcListItem>(wide));
    return wide;
}

void TUcListView::PruneWideItems() {
    // Owner data reuses one framework item, and asking for the others would fetch them all.
    if (OwnerData() || wideItemOf_.size() < 2 * static_cast<std::size_t>(Items().Count()) + 16) return;
    std::unordered_set<const ui::TListItem*> live;
    for (int i = 0; i < Items().Count(); ++i) live.insert(Items().Items(i));
    std::erase_if(wideItemOf_, [&](const auto& entry) { return !live.contains(entry.first); });
}

TUcListColumn* TUcListView::WideColumn(ui::TListColumn* column) {
    if (!column) return nullptr;
    auto& wide = wideColumnOf_[column];
    if (!wide) wide = std::make_unique<TUcListColumn>(*column);
    return wide.get();
}

void TUcListView::AddWideItem(std::u16string_view text, void* object) {
    TUcListItem* item = wideItems_.Add();
    item->SetCaption(text);
    item->SetData(object);
}

void TUcListView::CopySelection(ui::TControl& destination) {
    for (int i = 0; i < wideItems_.Count(); ++i) {
        TUcListItem* item = wideItems_[i];
        if (item->Selected()) AddWideItemToList(destination, item->Caption(), item->Data());
    }
}

bool TUcListView::AlphaSort() {
    return CustomSort([this](ui::TListItem* item1, ui::TListItem* item2) {
        return WideListViewCompare(WideItem(item1), WideItem(item2), 0);
    });
}

} // namespace widecontrols
