// Collections that own their items, and the items that belong to them.
#pragma once

#include "platform/data/Component.h"

#include <string>
#include <vector>

namespace data {

class TCollection;

// An item that belongs to one collection: the collection frees it, and an item that is deleted
// leaves its collection.
class TCollectionItem : public TPersistent {
public:
    explicit TCollectionItem(TCollection* collection);
    ~TCollectionItem() override;

    TCollection* Collection() const { return collection_; }
    void SetCollection(TCollection* collection);
    int ID() const { return id_; }
    int Index() const;
    void SetIndex(int index);
    std::string DisplayName() const { return GetDisplayName(); }

protected:
    // The item's name for lists; the base answers the class name.
    virtual std::string GetDisplayName() const;
    // Tells the collection that this item (or, with allItems, every item) changed.
    void Changed(bool allItems);

private:
    friend class TCollection;
    TCollection* collection_ = nullptr;
    int id_ = 0;
};

// An owning list of items of one class, with change notification that can be held back.
class TCollection : public TPersistent {
public:
    // Makes a new item of the collection's class; the item's constructor adds it to the collection.
    using TItemClass = TCollectionItem* (*)(TCollection* collection);
    template <class Item>
    static TCollectionItem* ItemClassOf(TCollection* collection) {
        return new Item(collection);
    }

    explicit TCollection(TItemClass itemClass, TPersistent* owner = nullptr);
    ~TCollection() override;

    TPersistent* Owner() const { return owner_; }
    TCollectionItem* Add() { return itemClass_(this); }
    TCollectionItem* Insert(int index);
    void Delete(int index);
    void Clear();
    int Count() const { return static_cast<int>(items_.size()); }
    TCollectionItem* Items(int index) const;
    TCollectionItem* FindItemID(int id) const;

    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    int UpdateCount() const { return updateCount_; }

    // Copies the items of another collection (each through its Assign), as one change.
    void Assign(const TPersistent* source) override;

protected:
    // `item` changed, or several items when it is null. Called unless updates are held back.
    virtual void Update(TCollectionItem* item) {}
    void Changed();

private:
    friend class TCollectionItem;
    void InsertItem(TCollectionItem* item);
    void RemoveItem(TCollectionItem* item);

    TItemClass itemClass_;
    TPersistent* owner_;
    std::vector<TCollectionItem*> items_;
    int nextId_ = 0;
    int updateCount_ = 0;
};

} // namespace data
