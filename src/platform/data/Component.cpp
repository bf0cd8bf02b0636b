#include "platform/data/Component.h"

#include "platform/data/NameCompare.h"
#include "platform/rtl/Format.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cxxabi.h>
#include <memory>
#include <mutex>
#include <typeinfo>

namespace data {

namespace {

bool IsValidIdent(std::string_view name) {
    auto isAlpha = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; };
    if (name.empty() || !isAlpha(name[0])) return false;
    return std::all_of(name.begin() + 1, name.end(),
                       [&](char c) { return isAlpha(c) || std::isdigit(static_cast<unsigned char>(c)); });
}

} // namespace

// ---- EAbort and the application's exception handler ----

void Abort() {
    throw EAbort("Operation aborted");
}

namespace {

std::mutex& HandlerLock() {
    static std::mutex lock;
    return lock;
}

TExceptionHandler& Handler() {
    static TExceptionHandler handler;
    return handler;
}

} // namespace

void SetApplicationExceptionHandler(TExceptionHandler handler) {
    std::lock_guard guard(HandlerLock());
    Handler() = std::move(handler);
}

void HandleApplicationException(std::exception_ptr error) {
    if (!error) return;
    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
        return;
    } catch (...) {
        // Any other error is reported below.
    }
    TExceptionHandler handler;
    {
        std::lock_guard guard(HandlerLock());
        handler = Handler();
    }
    if (handler) {
        handler(error);
        return;
    }
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "Unknown exception\n");
    }
}

// ---- TPersistent ----

std::string TPersistent::ClassName() const {
    const char* mangled = typeid(*this).name();
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(abi::__cxa_demangle(mangled, nullptr, nullptr, &status),
                                                     std::free);
    std::string name = status == 0 ? demangled.get() : mangled;
    const size_t scope = name.rfind("::");
    return scope == std::string::npos ? name : name.substr(scope + 2);
}

void TPersistent::Assign(const TPersistent* source) {
    if (!source) AssignError(nullptr);
    source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* dest) const {
    dest->AssignError(this);
}

void TPersistent::AssignError(const TPersistent* source) const {
    throw rtl::EConversionError(rtl::Format("Cannot assign a %s to a %s",
                                            source ? source->ClassName() : std::string("nil"), ClassName()));
}

// ---- TComponent ----

TComponent::TComponent(TComponent* owner) {
    if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
    Destroying();
    while (!freeNotifies_.empty()) {
        TComponent* other = freeNotifies_.back();
        freeNotifies_.pop_back();
        other->RemoveFreeNotify(this);
        other->Notification(this, opRemove);
    }
    DestroyComponents();
    if (owner_) owner_->RemoveComponent(this);
}

void TComponent::SetName(const std::string& name) {
    if (name == name_) return;
    if (!name.empty() && !IsValidIdent(name))
        throw EComponentError(rtl::Format("'%s' is not a valid component name", name));
    if (owner_) owner_->ValidateRename(this, name);
    name_ = name;
}

void TComponent::ValidateRename(const TComponent* component, std::string_view newName) const {
    if (newName.empty()) return;
    const TComponent* existing = FindComponent(newName);
    if (existing && existing != component)
        throw EComponentError(rtl::Format("A component named %s already exists", newName));
}

TComponent* TComponent::Components(int index) const {
    if (index < 0 || index >= ComponentCount()) rtl::ListIndexError(index);
    return components_[index];
}

TComponent* TComponent::FindComponent(std::string_view name) const {
    if (name.empty()) return nullptr;
    for (TComponent* c : components_)
        if (SameName(c->name_, name)) return c;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
    ValidateRename(component, component->name_);
    if (component->owner_) component->owner_->RemoveComponent(component);
    Insert(component);
    Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
    Notification(component, opRemove);
    Remove(component);
}

void TComponent::Insert(TComponent* component) {
    components_.push_back(component);
    component->owner_ = this;
}

void TComponent::Remove(TComponent* component) {
    std::erase(components_, component);
    component->owner_ = nullptr;
}

void TComponent::DestroyComponents() {
    while (!components_.empty()) {
        TComponent* last = components_.back();
        Remove(last);
        delete last;
    }
}

void TComponent::Destroying() {
    if (IsDestroying()) return;
    state_.Include(csDestroying);
    for (TComponent* c : components_)
        c->Destroying();
}

void TComponent::BeginLoading() {
    state_.Include(csLoading);
    for (TComponent* c : components_)
        c->BeginLoading();
}

void TComponent::EndLoading() {
    for (TComponent* c : components_)
        c->EndLoading();
    if (!state_.Contains(csLoading)) return;
    state_.Exclude(csLoading);
    Loaded();
}

void TComponent::FreeNotification(TComponent* component) {
    // Components of one owner already hear of each other through the owner.
    if (!component || component == this || (owner_ && component->owner_ == owner_)) return;
    AddFreeNotify(component);
    component->AddFreeNotify(this);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
    if (!component) return;
    RemoveFreeNotify(component);
    component->RemoveFreeNotify(this);
}

void TComponent::AddFreeNotify(TComponent* component) {
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end())
        freeNotifies_.push_back(component);
}

void TComponent::RemoveFreeNotify(TComponent* component) {
    std::erase(freeNotifies_, component);
}

void TComponent::Notification(TComponent* component, TOperation operation) {
    if (operation == opRemove && component) RemoveFreeNotification(component);
    // Copy: a notified component may free or re-parent one of its siblings.
    const std::vector<TComponent*> children = components_;
    for (TComponent* c : children)
        if (std::find(components_.begin(), components_.end(), c) != components_.end())
            c->Notification(component, operation);
}

} // namespace data
