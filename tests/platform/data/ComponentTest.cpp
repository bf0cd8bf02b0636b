#include "platform/data/Component.h"
#include "platform/data/Collection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace data;

// Records the notices it gets, and whether the component it hears of is being destroyed.
class Watcher : public TComponent {
public:
    using TComponent::TComponent;
    std::vector<std::string> log;
    TComponent* watched = nullptr;

protected:
    void Notification(TComponent* component, TOperation operation) override {
        TComponent::Notification(component, operation);
        if (component == this) return;
        // A new component has no name yet when its owner announces it.
        log.push_back(operation == opInsert
                          ? "insert"
                          : "remove " + component->Name() + (component->IsDestroying() ? " destroying" : ""));
        if (operation == opRemove && component == watched) watched = nullptr;
    }
};

TEST(ComponentTest, OwnerFreesWhatItOwnsAndTellsTheOthers) {
    auto* owner = new TComponent(nullptr);
    auto* watcher = new Watcher(owner);
    watcher->SetName("watcher");
    auto* child = new TComponent(owner);
    child->SetName("child");
    auto* grandchild = new TComponent(child);
    grandchild->SetName("grandchild");
    EXPECT_EQ(owner->ComponentCount(), 2);
    EXPECT_EQ(owner->FindComponent("CHILD"), child);
    EXPECT_EQ(child->Owner(), owner);
    EXPECT_EQ(watcher->log, (std::vector<std::string>{"insert"}));

    delete child; // frees the grandchild, leaves its owner
    EXPECT_EQ(owner->ComponentCount(), 1);
    EXPECT_EQ(watcher->log, (std::vector<std::string>{"insert", "remove child destroying"}));
    delete owner;
}

TEST(ComponentTest, FreeNotificationWorksAcrossOwners) {
    Watcher watcher(nullptr);
    auto* other = new TComponent(nullptr);
    other->SetName("other");
    watcher.watched = other;
    watcher.FreeNotification(other);
    delete other;
    EXPECT_EQ(watcher.watched, nullptr);
    EXPECT_EQ(watcher.log, (std::vector<std::string>{"remove other destroying"}));

    // Removed again, the notice does not come.
    auto* third = new TComponent(nullptr);
    watcher.FreeNotification(third);
    watcher.RemoveFreeNotification(third);
    watcher.log.clear();
    delete third;
    EXPECT_TRUE(watcher.log.empty());

    // The watcher going first leaves nothing dangling in the other one.
    auto* early = new Watcher(nullptr);
    TComponent survivor(nullptr);
    early->FreeNotification(&survivor);
    delete early;
}

TEST(ComponentTest, NamesAreIdentifiersUniqueInTheirOwner) {
    TComponent owner(nullptr);
    auto* a = new TComponent(&owner);
    auto* b = new TComponent(&owner);
    a->SetName("Query1");
    b->SetName("query2");
    try {
        b->SetName("QUERY1");
        ADD_FAILURE() << "no error";
    } catch (const EComponentError& e) {
        EXPECT_EQ(e.Message(), "A component named QUERY1 already exists");
    }
    for (const char* bad : {"1abc", "a b", "a-b"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(a->SetName(bad), EComponentError);
    }
    a->SetName("");
    b->SetName("Query1");
    EXPECT_EQ(b->Name(), "Query1");
    b->SetTag(42);
    EXPECT_EQ(b->Tag(), 42);
    EXPECT_THROW(owner.Components(2), rtl::EListError);
}

TEST(ComponentTest, AssignWithoutAConversionRaises) {
    TComponent a(nullptr), b(nullptr);
    try {
        a.Assign(&b);
        ADD_FAILURE() << "no error";
    } catch (const rtl::EConversionError& e) {
        EXPECT_EQ(e.Message(), "Cannot assign a TComponent to a TComponent");
    }
    try {
        a.Assign(nullptr);
        ADD_FAILURE() << "no error";
    } catch (const rtl::EConversionError& e) {
        EXPECT_EQ(e.Message(), "Cannot assign a nil to a TComponent");
    }
}

class NamedItem : public TCollectionItem {
public:
    using TCollectionItem::TCollectionItem;
    std::string name;
    void Assign(const TPersistent* source) override {
        if (const auto* other = dynamic_cast<const NamedItem*>(source)) {
            name = other->name;
            Changed(false);
            return;
        }
        TCollectionItem::Assign(source);
    }
    void Rename(const std::string& value) {
        name = value;
        Changed(false);
    }

protected:
    std::string GetDisplayName() const override { return name; }
};

class NamedItems : public TCollection {
public:
    NamedItems() : TCollection(&TCollection::ItemClassOf<NamedItem>) {}
    NamedItem* Item(int index) const { return static_cast<NamedItem*>(Items(index)); }
    NamedItem* AddNamed(const std::string& name) {
        auto* item = static_cast<NamedItem*>(Add());
        item->name = name;
        return item;
    }
    std::vector<std::string> updates;

protected:
    void Update(TCollectionItem* item) override { updates.push_back(item ? item->DisplayName() : "*"); }
};

TEST(CollectionTest, ItemsJoinLeaveAndReportChanges) {
    NamedItems items;
    items.AddNamed("a");
    items.AddNamed("b")->Rename("B");
    EXPECT_EQ(items.updates, (std::vector<std::string>{"*", "*", "B"}));
    items.updates.clear();

    items.BeginUpdate();
    items.AddNamed("c");
    items.Item(0)->Rename("A");
    items.Item(2)->SetIndex(0);
    EXPECT_TRUE(items.updates.empty());
    items.EndUpdate();
    EXPECT_EQ(items.updates, (std::vector<std::string>{"*"}));
    EXPECT_EQ(items.Item(0)->DisplayName(), "c");
    EXPECT_EQ(items.Item(1)->Index(), 1);
    EXPECT_EQ(items.FindItemID(items.Item(0)->ID()), items.Item(0));

    items.Delete(1);
    EXPECT_EQ(items.Count(), 2);
    delete items.Item(0); // an item deleted elsewhere leaves the collection
    ASSERT_EQ(items.Count(), 1);
    EXPECT_EQ(items.Item(0)->DisplayName(), "B");
    EXPECT_THROW(items.Items(1), rtl::EListError);
    items.Insert(0)->SetIndex(0);
    EXPECT_EQ(items.Count(), 2);
}

TEST(CollectionTest, AssignCopiesEveryItemAsOneChange) {
    NamedItems source, target;
    source.AddNamed("x");
    source.AddNamed("y");
    target.AddNamed("old");
    target.updates.clear();
    target.Assign(&source);
    ASSERT_EQ(target.Count(), 2);
    EXPECT_EQ(target.Item(0)->name, "x");
    EXPECT_EQ(target.Item(1)->name, "y");
    EXPECT_EQ(target.updates, (std::vector<std::string>{"*"}));
    TComponent other(nullptr);
    EXPECT_THROW(target.Assign(&other), rtl::EConversionError);
}

} // namespace
