// A non-visual component that sees the messages of a windowed control before and after the control
// handles them, without deriving from the control.
#pragma once

#include "platform/data/Component.h"
#include "platform/ui/Controls.h"
#include "widecontrols/uFiler.h"

#include <functional>
#include <vector>

namespace imaging {

class TControlHook;

using THookMessageEvent = std::function<void(data::TPersistent* sender, ui::TMessage& msg, bool& handled)>;

// The private messages of the hook list's window: subclass a re-created window again, and free a
// control hook that nobody uses.
inline constexpr uint32_t CM_REHOOKWINDOW = ui::CM_BASE + 82;
inline constexpr uint32_t CM_RELEASEHOOK = ui::CM_BASE + 83;

// While Active and given a control, offers each of the control's messages to BeforeMessage (setting
// handled keeps it from the control and from every AfterMessage) and then to AfterMessage. Several
// hooks on one control: the one attached last is asked first.
class TUxWindowHook : public data::TComponent, public widecontrols::IStreamedObject {
public:
    explicit TUxWindowHook(data::TComponent* owner);
    ~TUxWindowHook() override;

    bool Active() const { return active_; }
    void SetActive(bool value);
    ui::TWinControl* WinControl() const;
    void SetWinControl(ui::TWinControl* control);

    // The stored "IsForm" property: true when the hooked control is the hook's owner and a form.
    // Reading true with a form as owner hooks the owner.
    bool IsForm() const;
    void SetIsForm(bool value);
    // Whether IsForm is written beside `ancestor` (null: no ancestor).
    bool IsFormStored(const TUxWindowHook* ancestor) const;
    // Stores IsForm as a Boolean.
    void DefineProperties(widecontrols::TFiler& filer) override;

    THookMessageEvent BeforeMessage;
    THookMessageEvent AfterMessage;

protected:
    virtual void NotifyBeforeMessage(ui::TMessage& msg, bool& handled);
    virtual void NotifyAfterMessage(ui::TMessage& msg, bool& handled);
    void Notification(data::TComponent* component, data::TOperation operation) override;

private:
    friend class TControlHook;
    void Attach();
    void Detach();

    bool active_ = true;
    ui::TWinControl* control_ = nullptr; // asked for; kept while not attached
    TControlHook* hook_ = nullptr;       // attached to
};

// The subclassing of one control, shared by every hook component attached to it.
class TControlHook {
public:
    TControlHook() = default;
    ~TControlHook();
    TControlHook(const TControlHook&) = delete;
    TControlHook& operator=(const TControlHook&) = delete;

    ui::TWinControl* Control() const { return control_; }
    void SetControl(ui::TWinControl* control);
    int HookCount() const { return static_cast<int>(hooks_.size()); }
    void AddHook(TUxWindowHook* hook);
    void RemoveHook(TUxWindowHook* hook);
    void HookWindow();
    void UnhookWindow();

private:
    struct THookProc;
    void WindowProc(ui::TMessage& msg);
    void Notify(ui::TMessage& msg, bool& handled, bool before);
    bool CanNotify() const;

    ui::TWinControl* control_ = nullptr;
    std::function<void(ui::TMessage&)> prevProc_;
    std::vector<TUxWindowHook*> hooks_;
    bool destroying_ = false;
};

} // namespace imaging
