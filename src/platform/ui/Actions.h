// Actions: commands with a caption, a state and handlers, shown and run by the menu items and
// controls linked to them, and the lists that hold them and bring them up to date when idle.
#pragma once

#include "platform/ui/ShortCuts.h"
#include "platform/ui/Types.h"

#include <functional>
#include <string>
#include <vector>

namespace ui {

class TBasicActionLink;
class TCustomActionList;
class TCustomImageList;

class TBasicAction : public TComponent {
public:
    explicit TBasicAction(TComponent* owner);
    ~TBasicAction() override;

    // Runs OnExecute; false when there is none.
    virtual bool Execute();
    // Runs OnUpdate; false when there is none.
    virtual bool Update();
    virtual bool HandlesTarget(TObject* target) { return false; }
    virtual void ExecuteTarget(TObject* target) {}
    virtual void UpdateTarget(TObject* target) {}

    // The client that runs the action, while it runs.
    TComponent* ActionComponent() const { return actionComponent_; }
    void SetActionComponent(TComponent* component) { actionComponent_ = component; }

    void RegisterChanges(TBasicActionLink* link);
    void UnRegisterChanges(TBasicActionLink* link);
    const std::vector<TBasicActionLink*>& Clients() const { return clients_; }

    TNotifyEvent OnExecute;
    TNotifyEvent OnUpdate;
    // After any change of the action's state (its links were told through their setters).
    TNotifyEvent OnChange;

protected:
    void Change();

private:
    std::vector<TBasicActionLink*> clients_;
    TComponent* actionComponent_ = nullptr;
};

// Ties a client (menu item, control) to an action: the client runs the action through it, and the
// action pushes its state to the client through it.
class TBasicActionLink {
public:
    explicit TBasicActionLink(TObject* client) : client_(client) {}
    virtual ~TBasicActionLink();
    TBasicActionLink(const TBasicActionLink&) = delete;
    TBasicActionLink& operator=(const TBasicActionLink&) = delete;

    TObject* Client() const { return client_; }
    TBasicAction* Action() const { return action_; }
    void SetAction(TBasicAction* action);
    // Runs the action on behalf of `component`.
    virtual bool Execute(TComponent* component = nullptr);
    virtual bool Update();
    virtual bool IsOnExecuteLinked() { return true; }
    virtual void SetOnExecute(const TNotifyEvent& handler) {}
    // The action went away (Action() is now null).
    virtual void Change();

    TNotifyEvent OnChange;

private:
    friend class TBasicAction;
    TObject* client_;
    TBasicAction* action_ = nullptr;
};

// An action that belongs to an action list, in a category.
class TContainedAction : public TBasicAction {
public:
    explicit TContainedAction(TComponent* owner) : TBasicAction(owner) {}
    ~TContainedAction() override;

    TCustomActionList* ActionList() const { return actionList_; }
    void SetActionList(TCustomActionList* list);
    const std::string& Category() const { return category_; }
    void SetCategory(const std::string& category);
    int Index() const;

    // The list's OnExecute first; the action's own handler when the list did not handle it.
    bool Execute() override;
    // The list's OnUpdate first; the action's own handler when the list did not handle it.
    bool Update() override;

private:
    friend class TCustomActionList;
    TCustomActionList* actionList_ = nullptr;
    std::string category_;
};

using THintEvent = std::function<void(std::string& hint, bool& canShow)>;

class TCustomAction : public TContainedAction {
public:
    explicit TCustomAction(TComponent* owner) : TContainedAction(owner) {}

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    bool Checked() const { return checked_; }
    // Checking an action of a group unchecks the others of its list in that group.
    void SetChecked(bool checked);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& hint);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index);
    TShortCut ShortCut() const { return shortCut_; }
    void SetShortCut(TShortCut shortCut);
    int HelpContext() const { return helpContext_; }
    void SetHelpContext(int context);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int index);
    bool AutoCheck() const { return autoCheck_; }
    void SetAutoCheck(bool autoCheck);
    // Without an OnUpdate that handles it, an action without OnExecute is disabled.
    bool DisableIfNoHandler() const { return disableIfNoHandler_; }
    void SetDisableIfNoHandler(bool disable) { disableIfNoHandler_ = disable; }

    // Brings the state up to date first; runs only when enabled (an AutoCheck action toggles).
    bool Execute() override;
    bool Update() override;
    // Whether the hint may show, after OnHint had its say.
    virtual bool DoHint(std::string& hint);
    void Assign(const TPersistent* source) override;

    THintEvent OnHint;

private:
    template <class T, class Push>
    void SetState(T& field, const T& value, Push push);

    std::string caption_;
    bool checked_ = false;
    bool enabled_ = true;
    bool visible_ = true;
    std::string hint_;
    int imageIndex_ = -1;
    TShortCut shortCut_ = scNone;
    int helpContext_ = 0;
    int groupIndex_ = 0;
    bool autoCheck_ = false;
    bool disableIfNoHandler_ = true;
};

class TAction : public TCustomAction {
public:
    using TCustomAction::TCustomAction;
};

// The action the application runs to pass its hint on: enabled without a handler.
class THintAction : public TCustomAction {
public:
    explicit THintAction(TComponent* owner) : TCustomAction(owner) { SetDisableIfNoHandler(false); }
};

// The link of a client that shows an action's caption, state and image: each client kind says what
// it takes over by overriding the setters.
class TActionLink : public TBasicActionLink {
public:
    using TBasicActionLink::TBasicActionLink;

    TCustomAction* CustomAction() const;
    virtual bool IsCaptionLinked() { return CustomAction() != nullptr; }
    virtual bool IsCheckedLinked() { return CustomAction() != nullptr; }
    virtual bool IsEnabledLinked() { return CustomAction() != nullptr; }
    virtual bool IsHintLinked() { return CustomAction() != nullptr; }
    virtual bool IsImageIndexLinked() { return CustomAction() != nullptr; }
    virtual bool IsShortCutLinked() { return CustomAction() != nullptr; }
    virtual bool IsVisibleLinked() { return CustomAction() != nullptr; }
    virtual bool IsHelpContextLinked() { return CustomAction() != nullptr; }
    virtual bool IsGroupIndexLinked() { return CustomAction() != nullptr; }

    virtual void SetCaption(const std::string& caption) {}
    virtual void SetChecked(bool checked) {}
    virtual void SetEnabled(bool enabled) {}
    virtual void SetHint(const std::string& hint) {}
    virtual void SetImageIndex(int index) {}
    virtual void SetShortCut(TShortCut shortCut) {}
    virtual void SetVisible(bool visible) {}
    virtual void SetHelpContext(int context) {}
    virtual void SetGroupIndex(int index) {}
    virtual void SetAutoCheck(bool autoCheck) {}
};

using TActionEvent = std::function<void(TBasicAction* action, bool& handled)>;

enum TActionListState { asNormal, asSuspended, asSuspendedEnabled };

class TCustomActionList : public TComponent {
public:
    explicit TCustomActionList(TComponent* owner);
    ~TCustomActionList() override;

    int ActionCount() const { return static_cast<int>(actions_.size()); }
    TContainedAction* Actions(int index) const;
    void AddAction(TContainedAction* action);
    void RemoveAction(TContainedAction* action);
    int IndexOf(const TContainedAction* action) const;

    TActionListState State() const { return state_; }
    void SetState(TActionListState state);
    // The images the actions' ImageIndex points into.
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* images);

    // OnExecute / OnUpdate for one action; true when the handler says it handled it.
    virtual bool ExecuteAction(TBasicAction* action);
    virtual bool UpdateAction(TBasicAction* action);
    // Brings every action up to date (the application does this when idle); never re-enters.
    void UpdateActions();
    // Runs the enabled action whose shortcut this is; true when one ran.
    bool IsShortCut(uint16_t key, TShiftState shift);

    TActionEvent OnExecute;
    TActionEvent OnUpdate;
    TNotifyEvent OnChange;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    std::vector<TContainedAction*> actions_;
    TActionListState state_ = asNormal;
    TCustomImageList* images_ = nullptr;
    bool updating_ = false;
};

class TActionList : public TCustomActionList {
public:
    using TCustomActionList::TCustomActionList;
};

} // namespace ui
