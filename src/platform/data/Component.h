// Persistent objects and components with owners, names and notifications.
#pragma once

#include "platform/rtl/Exception.h"
#include "platform/rtl/Set.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace data {

RTL_DECLARE_EXCEPTION(EComponentError, rtl::Exception);

// The silent exception: it ends an operation without anything being shown to the user.
RTL_DECLARE_EXCEPTION(EAbort, rtl::Exception);
[[noreturn]] void Abort();

// The application's handler for an exception that nobody caught inside an event (the user interface
// shows it). Safe to set and use from any thread.
using TExceptionHandler = std::function<void(std::exception_ptr error)>;
void SetApplicationExceptionHandler(TExceptionHandler handler);
// Hands `error` to the application's handler, or writes its message to standard error when there is
// none. EAbort goes nowhere.
void HandleApplicationException(std::exception_ptr error);

// An object whose state can be copied from another object of a compatible class.
class TPersistent {
public:
    TPersistent() = default;
    TPersistent(const TPersistent&) = delete;
    TPersistent& operator=(const TPersistent&) = delete;
    virtual ~TPersistent() = default;

    // Copies `source` into this object. The base asks the source to copy itself over (AssignTo); when
    // neither side knows the other, EConversionError "Cannot assign a <source class> to a <class>".
    virtual void Assign(const TPersistent* source);

    // The class name without namespace, as users see it in error texts ("TIntegerField").
    std::string ClassName() const;

protected:
    // Copies this object into `dest`; the base raises the conversion error.
    virtual void AssignTo(TPersistent* dest) const;
    [[noreturn]] void AssignError(const TPersistent* source) const;
};

enum TOperation { opInsert, opRemove };

// What a component is going through. Designing never happens in the program: forms are built in code.
enum TComponentStateFlag { csLoading, csDestroying, csDesigning, csUpdating };
using TComponentState = rtl::Set<TComponentStateFlag, 4>;

// An object with an owner that frees it, a name unique among its owner's components, a tag, and
// notifications when components it refers to go away.
//
// Deleting a component frees the components it owns and tells every component that asked for a free
// notification. A class whose destructor does work that depends on "being destroyed" calls Destroying()
// first: by the time this base destructor runs, the derived parts are already gone.
class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* owner);
    ~TComponent() override;

    TComponent* Owner() const { return owner_; }
    const std::string& Name() const { return name_; }
    // A valid identifier or empty, unique (case-insensitive) among the owner's components.
    virtual void SetName(const std::string& name);
    intptr_t Tag() const { return tag_; }
    void SetTag(intptr_t tag) { tag_ = tag; }

    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const;
    TComponent* FindComponent(std::string_view name) const;
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);
    void DestroyComponents();

    // `component` will be told (Notification opRemove) when this component is destroyed, and vice versa.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

    TComponentState ComponentState() const { return state_; }
    bool IsDestroying() const { return state_.Contains(csDestroying); }
    // Marks this component and everything it owns as being destroyed.
    void Destroying();
    // Marks this component and everything it owns as loading (its properties are being set as a
    // whole); EndLoading clears the mark and calls Loaded on each, owned components first.
    void BeginLoading();
    void EndLoading();

protected:
    // `component` was inserted into or is being removed from this component's owner tree, or a component
    // this one asked about is going away. The base passes the notice on to the owned components, so an
    // override must call it.
    virtual void Notification(TComponent* component, TOperation operation);
    // Loading has ended: a component applies what it held back while loading.
    virtual void Loaded() {}

private:
    void Insert(TComponent* component);
    void Remove(TComponent* component);
    void ValidateRename(const TComponent* component, std::string_view newName) const;
    void AddFreeNotify(TComponent* component);
    void RemoveFreeNotify(TComponent* component);

    TComponent* owner_ = nullptr;
    std::string name_;
    intptr_t tag_ = 0;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> freeNotifies_;
    TComponentState state_;
};

} // namespace data
