// Small helpers of the docking framework: keyed lists, class lists, window filters, change links.
#pragma once

#include "platform/rtl/Exception.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/Messages.h"
#include "platform/ui/Region.h"
#include "platform/ui/Types.h"
#include "platform/ui/WindowWatcher.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <typeindex>
#include <vector>

namespace ui {
class TCustomImageList;
}

namespace docking {

// A keyed list of (key, data) pairs with a count and an iterator over all of them in key order.
template <class Key, class Data>
class TvzBucketList {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    // Adds or replaces the data of `key`.
    void Add(Key key, Data data) { items_[key] = data; }
    bool Exists(Key key) const { return items_.contains(key); }
    Data Find(Key key) const {
        const auto it = items_.find(key);
        return it == items_.end() ? Data{} : it->second;
    }
    // The data removed, or a default value when the key was absent.
    Data Remove(Key key) {
        const auto it = items_.find(key);
        if (it == items_.end()) return Data{};
        Data data = it->second;
        items_.erase(it);
        return data;
    }
    void Clear() { items_.clear(); }

    class Iterator {
    public:
        explicit Iterator(const TvzBucketList& list) : list_(&list) { Reset(); }
        void Reset() { position_ = list_->items_.begin(); }
        bool HasNext() const { return position_ != list_->items_.end(); }
        // The next pair; past the end raises EListError.
        std::pair<Key, Data> Next() {
            if (!HasNext()) throw rtl::EListError("TIntegerList has no more items");
            return *position_++;
        }

    private:
        const TvzBucketList* list_;
        typename std::map<Key, Data>::const_iterator position_;
    };
    Iterator Items() const { return Iterator(*this); }

private:
    std::map<Key, Data> items_;
};

using TvzIntegerList = TvzBucketList<intptr_t, ui::TObject*>;

// A name-to-class registry: each entry makes instances of one class derived from `Base`, from the
// constructor arguments `Args`.
template <class Base, class... Args>
class TvzClassList {
public:
    using TFactory = std::function<std::unique_ptr<Base>(Args...)>;
    struct TClass {
        std::string name;
        std::type_index type;
        TFactory create;
    };

    // Registers `T` under `name`; a taken name raises EListError.
    template <class T>
    void Add(const std::string& name) {
        Add(TClass{name, typeid(T),
                   [](Args... args) { return std::unique_ptr<Base>(std::make_unique<T>(args...)); }});
    }
    void Add(TClass entry);
    // The entry removed, if there was one.
    std::optional<TClass> Remove(const std::string& name);
    const TClass* Find(const std::string& name) const;
    // The name `type` is registered under, or empty.
    std::string NameOf(std::type_index type) const;
    int Count() const { return static_cast<int>(classes_.size()); }
    const TClass& Classes(int index) const { return classes_.at(index); }

    std::function<void(const TClass&)> OnAdded;
    std::function<void(const TClass&)> OnRemoved;

private:
    std::vector<TClass> classes_;
};

// Reports moves, sizes and the end of one window, ours or not.
class TvzWindowEventFilter {
public:
    TvzWindowEventFilter() = default;
    ~TvzWindowEventFilter() { Detach(); }
    TvzWindowEventFilter(const TvzWindowEventFilter&) = delete;
    TvzWindowEventFilter& operator=(const TvzWindowEventFilter&) = delete;

    void Attach(ui::HWND window);
    void Detach() { watcher_.reset(); }
    ui::HWND Window() const { return watcher_ ? watcher_->Window() : nullptr; }

    std::function<void(TvzWindowEventFilter*)> OnMove;
    std::function<void(TvzWindowEventFilter*)> OnSize;
    // Once, as the window goes; the filter watches nothing afterwards.
    std::function<void(TvzWindowEventFilter*)> OnDestroy;

private:
    std::unique_ptr<ui::TWindowWatcher> watcher_;
};

// A link that tells its owner of a change (the style links derive from it).
class TvzChangeLink {
public:
    explicit TvzChangeLink(ui::TObject* owner = nullptr) : owner_(owner) {}
    virtual ~TvzChangeLink() = default;
    ui::TObject* Owner() const { return owner_; }
    std::function<void(ui::TObject* sender)> OnChange;
    virtual void Change(ui::TObject* sender) {
        if (OnChange) OnChange(sender);
    }

private:
    ui::TObject* owner_;
};

// Runs an event handler; what it raises goes to the application's handler and the operation goes on.
void GuardEvent(const std::function<void()>& handler);

// `base` followed by the first number from 1 that names no component of `owner`.
std::string UniqueName(const std::string& base, const ui::TComponent* owner);

// The rounded straight-line distance.
int Distance(ui::TPoint a, ui::TPoint b);

// Sorts items[first..last] by `compare` (> 0: out of order), swapping pairs as it goes.
template <class T, class Compare>
void ExchangeSort(std::vector<T>& items, int first, int last, Compare compare) {
    for (int i = first; i < last; ++i)
        for (int j = last; j > i; --j)
            if (compare(items[i], items[j]) > 0) std::swap(items[i], items[j]);
}

// Shift-state bits of the left, right, middle and fourth mouse buttons.
inline constexpr std::array<int, 4> kMouseButtonShift = {8, 16, 32, 144};

// Little-endian strings (a 32-bit length, then the bytes) and GUIDs for the binary layout stream.
void WriteStreamString(rtl::TStream& stream, const std::string& text);
std::string ReadStreamString(rtl::TStream& stream);
using TGuid = std::array<uint8_t, 16>;
void WriteGuid(rtl::TStream& stream, const TGuid& guid);
TGuid ReadGuid(rtl::TStream& stream);

// Nothing, or no area.
bool IsEmptyRegion(const ui::TRegion* region);
// Two missing regions are equal.
bool EqualRegions(const ui::TRegion* a, const ui::TRegion* b);
// The opaque pixels of image `index` (where its mask lets it show), as rows of rectangles.
ui::TRegion RegionFromImage(const ui::TCustomImageList& images, int index);

// ---- TvzClassList ----

template <class Base, class... Args>
void TvzClassList<Base, Args...>::Add(TClass entry) {
    if (!entry.create) throw rtl::EAssertionFailed("TvzClassList: no class");
    if (Find(entry.name)) throw rtl::EListError("Class name " + entry.name + " duplicated");
    classes_.push_back(std::move(entry));
    if (OnAdded) OnAdded(classes_.back());
}

template <class Base, class... Args>
std::optional<typename TvzClassList<Base, Args...>::TClass>
TvzClassList<Base, Args...>::Remove(const std::string& name) {
    for (auto it = classes_.begin(); it != classes_.end(); ++it) {
        if (it->name != name) continue;
        TClass removed = std::move(*it);
        classes_.erase(it);
        if (OnRemoved) OnRemoved(removed);
        return removed;
    }
    return std::nullopt;
}

template <class Base, class... Args>
const typename TvzClassList<Base, Args...>::TClass*
TvzClassList<Base, Args...>::Find(const std::string& name) const {
    for (const TClass& entry : classes_)
        if (entry.name == name) return &entry;
    return nullptr;
}

template <class Base, class... Args>
std::string TvzClassList<Base, Args...>::NameOf(std::type_index type) const {
    for (const TClass& entry : classes_)
        if (entry.type == type) return entry.name;
    return {};
}

} // namespace docking
