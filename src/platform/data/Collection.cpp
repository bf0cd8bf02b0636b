#include "platform/data/Collection.h"

#include "platform/rtl/ScopeExit.h"

#include <algorithm>

namespace data {

// ---- TCollectionItem ----

TCollectionItem::TCollectionItem(TCollection* collection) {
    SetCollection(collection);
}

TCollectionItem::~TCollectionItem() {
    SetCollection(nullptr);
}

void TCollectionItem::SetCollection(TCollection* collection) {
    if (collection == collection_) return;
    if (collection_) collection_->RemoveItem(this);
    if (collection) collection->InsertItem(this);
}

int TCollectionItem::Index() const {
    if (!collection_) return -1;
    const auto& items = collection_->items_;
    return static_cast<int>(std::find(items.begin(), items.end(), this) - items.begin());
}

void TCollectionItem::SetIndex(int index) {
    const int current = Index();
    if (current < 0 || index == current) return;
    auto& items = collection_->items_;
    if (index < 0 || index >= static_cast<int>(items.size())) rtl::ListIndexError(index);
    items.erase(items.begin() + current);
    items.insert(items.begin() + index, this);
    Changed(true);
}

std::string TCollectionItem::GetDisplayName() const {
    return ClassName();
}

void TCollectionItem::Changed(bool allItems) {
    if (collection_ && collection_->updateCount_ == 0) collection_->Update(allItems ? nullptr : this);
}

// ---- TCollection ----

TCollection::TCollection(TItemClass itemClass, TPersistent* owner) : itemClass_(itemClass), owner_(owner) {}

TCollection::~TCollection() {
    // No notifications from a collection that is going away.
    updateCount_ = 1;
    Clear();
}

TCollectionItem* TCollection::Insert(int index) {
    if (index < 0 || index > Count()) rtl::ListIndexError(index);
    TCollectionItem* item = Add();
    item->SetIndex(index);
    return item;
}

void TCollection::Delete(int index) {
    delete Items(index);
}

void TCollection::Clear() {
    if (items_.empty()) return;
    BeginUpdate();
    while (!items_.empty())
        delete items_.back();
    EndUpdate();
}

TCollectionItem* TCollection::Items(int index) const {
    if (index < 0 || index >= Count()) rtl::ListIndexError(index);
    return items_[index];
}

TCollectionItem* TCollection::FindItemID(int id) const {
    for (TCollectionItem* item : items_)
        if (item->id_ == id) return item;
    return nullptr;
}

void TCollection::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0) Changed();
}

void TCollection::Changed() {
    if (updateCount_ == 0) Update(nullptr);
}

void TCollection::Assign(const TPersistent* source) {
    const auto* other = dynamic_cast<const TCollection*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    BeginUpdate();
    rtl::Finally(
        [&] {
            Clear();
            for (const TCollectionItem* item : other->items_)
                Add()->Assign(item);
        },
        [this] { EndUpdate(); });
}

void TCollection::InsertItem(TCollectionItem* item) {
    items_.push_back(item);
    item->collection_ = this;
    item->id_ = nextId_++;
    Changed();
}

void TCollection::RemoveItem(TCollectionItem* item) {
    std::erase(items_, item);
    item->collection_ = nullptr;
    Changed();
}

} // namespace data
