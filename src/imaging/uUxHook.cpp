#include "imaging/uUxHook.h"

#include "platform/rtl/ScopeExit.h"
#include "platform/ui/Forms.h"
#include "platform/ui/PostedCalls.h"

#include <algorithm>
#include <exception>
#include <memory>

namespace imaging {

namespace {

constexpr uint32_t WM_QUIT = 0x0012;

// Every control hook of the process, with the deferred work of re-hooking and freeing them.
class THookList {
public:
    THookList() = default;
    ~THookList() {
        while (!hooks_.empty())
            delete hooks_.back(); // leaves the list itself
    }
    THookList(const THookList&) = delete;
    THookList& operator=(const THookList&) = delete;

    TControlHook* Find(const ui::TWinControl* control) const {
        if (!control) return nullptr;
        auto found = std::find_if(hooks_.begin(), hooks_.end(),
                                  [control](const TControlHook* hook) { return hook->Control() == control; });
        return found == hooks_.end() ? nullptr : *found;
    }

    TControlHook* Get(ui::TWinControl* control) {
        if (TControlHook* found = Find(control)) return found;
        auto hook = std::make_unique<TControlHook>();
        hooks_.push_back(hook.get());
        try {
            hook->SetControl(control);
        } catch (...) {
            Remove(hook.get());
            throw;
        }
        return hook.release();
    }

    void Remove(const TControlHook* hook) { std::erase(hooks_, hook); }
    bool Contains(const TControlHook* hook) const {
        return std::find(hooks_.begin(), hooks_.end(), hook) != hooks_.end();
    }

    void Post(uint32_t msg, TControlHook* hook);

private:
    void WindowProc(uint32_t msg, TControlHook* hook) {
        try {
            if (!Contains(hook)) return;
            if (msg == CM_REHOOKWINDOW)
                hook->HookWindow();
            else if (msg == CM_RELEASEHOOK && hook->HookCount() == 0)
                delete hook;
        } catch (...) {
            data::HandleApplicationException(std::current_exception());
        }
    }

    std::vector<TControlHook*> hooks_;
};

// Lives from the first attachment to the end of the program.
std::unique_ptr<THookList>& HookList() {
    static std::unique_ptr<THookList> list;
    return list;
}

void THookList::Post(uint32_t msg, TControlHook* hook) {
    // The call finds the list again: it may have gone meanwhile.
    ui::PostCall(this, [msg, hook] {
        if (auto& list = HookList()) list->WindowProc(msg, hook);
    });
}

} // namespace

// TUxWindowHook

TUxWindowHook::TUxWindowHook(data::TComponent* owner) : TComponent(owner) {}

TUxWindowHook::~TUxWindowHook() {
    Destroying();
    SetActive(false);
    SetWinControl(nullptr);
}

void TUxWindowHook::SetActive(bool value) {
    if (value == active_) return;
    if (value)
        Attach();
    else
        Detach();
}

void TUxWindowHook::Attach() {
    if (control_ && !IsDestroying()) {
        if (!HookList()) HookList() = std::make_unique<THookList>();
        HookList()->Get(control_)->AddHook(this);
    }
    active_ = true;
}

void TUxWindowHook::Detach() {
    if (hook_) hook_->RemoveHook(this);
    active_ = false;
}

ui::TWinControl* TUxWindowHook::WinControl() const {
    return hook_ ? hook_->Control() : control_;
}

void TUxWindowHook::SetWinControl(ui::TWinControl* control) {
    if (control == WinControl()) return;
    const bool wasActive = active_;
    TControlHook* left = hook_;
    Detach();
    control_ = control;
    if (control) control->FreeNotification(this);
    if (left && left->HookCount() == 0 && HookList()) HookList()->Post(CM_RELEASEHOOK, left);
    if (wasActive) Attach();
}

bool TUxWindowHook::IsForm() const {
    return WinControl() && WinControl() == Owner() && dynamic_cast<ui::TCustomForm*>(Owner());
}

void TUxWindowHook::SetIsForm(bool value) {
    if (value)
        if (auto* form = dynamic_cast<ui::TCustomForm*>(Owner())) SetWinControl(form);
}

bool TUxWindowHook::IsFormStored(const TUxWindowHook* ancestor) const {
    return ancestor ? IsForm() != ancestor->IsForm() : IsForm();
}

void TUxWindowHook::DefineProperties(widecontrols::TFiler& filer) {
    // The stored form's Boolean tags, which the wide layer's value types have no names for.
    constexpr auto kFalse = static_cast<widecontrols::TValueType>(8);
    constexpr auto kTrue = static_cast<widecontrols::TValueType>(9);
    filer.DefineProperty(
        "IsForm",
        [this, kFalse, kTrue](widecontrols::TReader& reader) {
            const widecontrols::TValueType value = reader.ReadValue();
            if (value != kFalse && value != kTrue) throw widecontrols::EReadError("Invalid property value");
            SetIsForm(value == kTrue);
        },
        [this, kFalse, kTrue](widecontrols::TWriter& writer) { writer.WriteValue(IsForm() ? kTrue : kFalse); },
        IsFormStored(dynamic_cast<const TUxWindowHook*>(filer.Ancestor())));
}

void TUxWindowHook::NotifyBeforeMessage(ui::TMessage& msg, bool& handled) {
    if (BeforeMessage) BeforeMessage(this, msg, handled);
}

void TUxWindowHook::NotifyAfterMessage(ui::TMessage& msg, bool& handled) {
    if (AfterMessage) AfterMessage(this, msg, handled);
}

void TUxWindowHook::Notification(data::TComponent* component, data::TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == data::opRemove && (component == WinControl() || component == Owner() || !Owner()))
        SetWinControl(nullptr);
}

// TControlHook

// The window procedure installed on the control; recognised by its type and its hook.
struct TControlHook::THookProc {
    TControlHook* hook;
    void operator()(ui::TMessage& msg) const { hook->WindowProc(msg); }
};

TControlHook::~TControlHook() {
    destroying_ = true;
    if (auto& list = HookList()) list->Remove(this);
    while (!hooks_.empty())
        RemoveHook(hooks_.back());
    control_ = nullptr;
}

void TControlHook::SetControl(ui::TWinControl* control) {
    if (control == control_) return;
    UnhookWindow();
    control_ = control;
    if (!hooks_.empty()) HookWindow();
}

void TControlHook::AddHook(TUxWindowHook* hook) {
    if (std::find(hooks_.begin(), hooks_.end(), hook) == hooks_.end()) {
        hooks_.push_back(hook);
        hook->hook_ = this;
        SetControl(hook->control_);
    }
    HookWindow();
}

void TControlHook::RemoveHook(TUxWindowHook* hook) {
    hook->hook_ = nullptr;
    std::erase(hooks_, hook);
    if (hooks_.empty()) UnhookWindow();
}

void TControlHook::HookWindow() {
    // A control hook without hook components has nothing to subclass for; its control may be gone.
    if (!control_ || destroying_ || hooks_.empty() || control_->IsDestroying() ||
        control_->ComponentState().Contains(data::csDesigning))
        return;
    control_->HandleNeeded();
    const auto* installed = control_->WindowProc.target<THookProc>();
    if (installed && installed->hook == this) return;
    prevProc_ = control_->WindowProc;
    control_->WindowProc = THookProc{this};
}

void TControlHook::UnhookWindow() {
    // A control being destroyed keeps whatever it has: its window procedure goes with it.
    if (control_ && prevProc_ && !control_->IsDestroying()) {
        const auto* installed = control_->WindowProc.target<THookProc>();
        if (installed && installed->hook == this) control_->WindowProc = prevProc_;
    }
    prevProc_ = nullptr;
}

bool TControlHook::CanNotify() const {
    return !hooks_.empty() && control_ && !destroying_ && !control_->IsDestroying();
}

void TControlHook::Notify(ui::TMessage& msg, bool& handled, bool before) {
    if (!CanNotify()) return;
    // A handler may detach hooks: ask those still attached, last attached first.
    const std::vector<TUxWindowHook*> hooks = hooks_;
    for (auto it = hooks.rbegin(); it != hooks.rend() && !handled; ++it) {
        if (std::find(hooks_.begin(), hooks_.end(), *it) == hooks_.end()) continue;
        try {
            if (before)
                (*it)->NotifyBeforeMessage(msg, handled);
            else
                (*it)->NotifyAfterMessage(msg, handled);
        } catch (...) {
            data::HandleApplicationException(std::current_exception());
        }
    }
}

void TControlHook::WindowProc(ui::TMessage& msg) {
    if (!control_) return;
    bool handled = false;
    if (msg.Msg != WM_QUIT) Notify(msg, handled, true);
    if (!handled || msg.Msg == ui::WM_DESTROY) {
        rtl::ScopeExit after([this, &msg] {
            bool afterHandled = false;
            Notify(msg, afterHandled, false);
        });
        // Unhooking inside the call replaces the procedure being called: call a copy.
        const auto previous = prevProc_;
        if (previous)
            previous(msg);
        else
            control_->WndProc(msg);
    }
    if (msg.Msg == ui::WM_DESTROY) {
        UnhookWindow();
        if (HookList() && !destroying_ && !control_->IsDestroying()) HookList()->Post(CM_REHOOKWINDOW, this);
    }
}

} // namespace imaging
