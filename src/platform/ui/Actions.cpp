#include "platform/ui/Actions.h"

#include "platform/rtl/ScopeExit.h"
#include "platform/ui/Application.h"
#include "platform/ui/ImageList.h"

#include <algorithm>

namespace ui {

TBasicAction::TBasicAction(TComponent* owner) : TComponent(owner) {}

TBasicAction::~TBasicAction() {
    Destroying();
    // The clients keep their links; they only lose the action.
    for (TBasicActionLink* link : std::vector<TBasicActionLink*>(clients_)) {
        link->action_ = nullptr;
        link->Change();
    }
}

bool TBasicAction::Execute() {
    if (!OnExecute) return false;
    OnExecute(this);
    return true;
}

bool TBasicAction::Update() {
    if (!OnUpdate) return false;
    OnUpdate(this);
    return true;
}

void TBasicAction::RegisterChanges(TBasicActionLink* link) {
    clients_.push_back(link);
}

void TBasicAction::UnRegisterChanges(TBasicActionLink* link) {
    clients_.erase(std::remove(clients_.begin(), clients_.end(), link), clients_.end());
}

void TBasicAction::Change() {
    if (OnChange) OnChange(this);
}

TBasicActionLink::~TBasicActionLink() {
    if (action_) action_->UnRegisterChanges(this);
}

void TBasicActionLink::SetAction(TBasicAction* action) {
    if (action == action_) return;
    if (action_) action_->UnRegisterChanges(this);
    action_ = action;
    if (action_) action_->RegisterChanges(this);
}

bool TBasicActionLink::Execute(TComponent* component) {
    if (!action_) return false;
    TBasicAction* action = action_;
    action->SetActionComponent(component);
    rtl::ScopeExit reset([action] { action->SetActionComponent(nullptr); });
    return action->Execute();
}

bool TBasicActionLink::Update() {
    return action_ && action_->Update();
}

void TBasicActionLink::Change() {
    if (OnChange) OnChange(action_);
}

TContainedAction::~TContainedAction() {
    SetActionList(nullptr);
}

void TContainedAction::SetActionList(TCustomActionList* list) {
    if (list == actionList_) return;
    if (actionList_) actionList_->RemoveAction(this);
    if (list) list->AddAction(this);
}

void TContainedAction::SetCategory(const std::string& category) {
    if (category == category_) return;
    category_ = category;
    if (actionList_ && actionList_->OnChange) actionList_->OnChange(actionList_);
}

int TContainedAction::Index() const {
    return actionList_ ? actionList_->IndexOf(this) : -1;
}

bool TContainedAction::Execute() {
    if (actionList_ && actionList_->ExecuteAction(this)) return true;
    return TBasicAction::Execute();
}

bool TContainedAction::Update() {
    if (actionList_ && actionList_->UpdateAction(this)) return true;
    return TBasicAction::Update();
}

template <class T, class Push>
void TCustomAction::SetState(T& field, const T& value, Push push) {
    if (field == value) return;
    for (TBasicActionLink* client : std::vector<TBasicActionLink*>(Clients()))
        if (auto* link = dynamic_cast<TActionLink*>(client)) push(*link, value);
    field = value;
    Change();
}

void TCustomAction::SetCaption(const std::string& caption) {
    SetState(caption_, caption, [](TActionLink& link, const std::string& v) { link.SetCaption(v); });
}

void TCustomAction::SetChecked(bool checked) {
    if (checked == checked_) return;
    if (checked && groupIndex_ > 0 && ActionList()) {
        TCustomActionList* list = ActionList();
        for (int i = 0; i < list->ActionCount(); ++i) {
            auto* other = dynamic_cast<TCustomAction*>(list->Actions(i));
            if (other && other != this && other->groupIndex_ == groupIndex_) other->SetChecked(false);
        }
    }
    SetState(checked_, checked, [](TActionLink& link, bool v) { link.SetChecked(v); });
}

void TCustomAction::SetEnabled(bool enabled) {
    SetState(enabled_, enabled, [](TActionLink& link, bool v) { link.SetEnabled(v); });
}

void TCustomAction::SetVisible(bool visible) {
    SetState(visible_, visible, [](TActionLink& link, bool v) { link.SetVisible(v); });
}

void TCustomAction::SetHint(const std::string& hint) {
    SetState(hint_, hint, [](TActionLink& link, const std::string& v) { link.SetHint(v); });
}

void TCustomAction::SetImageIndex(int index) {
    SetState(imageIndex_, index, [](TActionLink& link, int v) { link.SetImageIndex(v); });
}

void TCustomAction::SetShortCut(TShortCut shortCut) {
    SetState(shortCut_, shortCut, [](TActionLink& link, TShortCut v) { link.SetShortCut(v); });
}

void TCustomAction::SetHelpContext(int context) {
    SetState(helpContext_, context, [](TActionLink& link, int v) { link.SetHelpContext(v); });
}

void TCustomAction::SetGroupIndex(int index) {
    SetState(groupIndex_, index, [](TActionLink& link, int v) { link.SetGroupIndex(v); });
}

void TCustomAction::SetAutoCheck(bool autoCheck) {
    SetState(autoCheck_, autoCheck, [](TActionLink& link, bool v) { link.SetAutoCheck(v); });
}

bool TCustomAction::Execute() {
    if (ActionList() && ActionList()->State() != asNormal) return false;
    Update();
    if (!enabled_) return false;
    if (autoCheck_ && !(checked_ && groupIndex_ > 0)) SetChecked(!checked_);
    return TContainedAction::Execute();
}

bool TCustomAction::Update() {
    bool handled = TContainedAction::Update();
    if (!handled && disableIfNoHandler_) SetEnabled(static_cast<bool>(OnExecute));
    return handled;
}

bool TCustomAction::DoHint(std::string& hint) {
    bool canShow = true;
    if (OnHint) OnHint(hint, canShow);
    return canShow;
}

void TCustomAction::Assign(const TPersistent* source) {
    auto* action = dynamic_cast<const TCustomAction*>(source);
    if (!action) return TContainedAction::Assign(source);
    SetCategory(action->Category());
    SetAutoCheck(action->autoCheck_);
    SetCaption(action->caption_);
    SetChecked(action->checked_);
    SetEnabled(action->enabled_);
    SetGroupIndex(action->groupIndex_);
    SetHelpContext(action->helpContext_);
    SetHint(action->hint_);
    SetImageIndex(action->imageIndex_);
    SetShortCut(action->shortCut_);
    SetVisible(action->visible_);
    OnExecute = action->OnExecute;
    OnUpdate = action->OnUpdate;
    OnHint = action->OnHint;
}

TCustomAction* TActionLink::CustomAction() const {
    return dynamic_cast<TCustomAction*>(Action());
}

TCustomActionList::TCustomActionList(TComponent* owner) : TComponent(owner) {
    if (Application) Application->AddIdleUpdate(this, [this] { UpdateActions(); });
}

TCustomActionList::~TCustomActionList() {
    Destroying();
    if (Application) Application->RemoveIdleUpdate(this);
    while (!actions_.empty())
        actions_.back()->SetActionList(nullptr);
}

TContainedAction* TCustomActionList::Actions(int index) const {
    if (index < 0 || index >= ActionCount()) rtl::ListIndexError(index);
    return actions_[index];
}

void TCustomActionList::AddAction(TContainedAction* action) {
    actions_.push_back(action);
    action->actionList_ = this;
    action->FreeNotification(this);
    if (OnChange) OnChange(this);
}

void TCustomActionList::RemoveAction(TContainedAction* action) {
    auto found = std::find(actions_.begin(), actions_.end(), action);
    if (found == actions_.end()) return;
    actions_.erase(found);
    action->actionList_ = nullptr;
    action->RemoveFreeNotification(this);
    if (OnChange && !IsDestroying()) OnChange(this);
}

void TCustomActionList::SetImages(TCustomImageList* images) {
    SetImageListSlot(images_, images, nullptr, this);
    if (OnChange) OnChange(this);
}

int TCustomActionList::IndexOf(const TContainedAction* action) const {
    auto found = std::find(actions_.begin(), actions_.end(), action);
    return found == actions_.end() ? -1 : static_cast<int>(found - actions_.begin());
}

void TCustomActionList::SetState(TActionListState state) {
    if (state == state_) return;
    state_ = state;
    if (state_ != asSuspendedEnabled) return;
    // Suspended but usable: every action shows enabled.
    for (TContainedAction* action : actions_)
        if (auto* custom = dynamic_cast<TCustomAction*>(action)) custom->SetEnabled(true);
}

bool TCustomActionList::ExecuteAction(TBasicAction* action) {
    if (!OnExecute) return false;
    bool handled = false;
    OnExecute(action, handled);
    return handled;
}

bool TCustomActionList::UpdateAction(TBasicAction* action) {
    if (!OnUpdate || state_ != asNormal) return false;
    bool handled = false;
    OnUpdate(action, handled);
    return handled;
}

void TCustomActionList::UpdateActions() {
    if (updating_ || state_ != asNormal) return;
    updating_ = true;
    rtl::ScopeExit done([this] { updating_ = false; });
    for (TContainedAction* action : std::vector<TContainedAction*>(actions_))
        action->Update();
}

bool TCustomActionList::IsShortCut(uint16_t key, TShiftState shift) {
    TShortCut wanted = ShortCut(key, shift);
    if (wanted == scNone || state_ != asNormal) return false;
    for (TContainedAction* action : std::vector<TContainedAction*>(actions_)) {
        auto* custom = dynamic_cast<TCustomAction*>(action);
        if (!custom || custom->ShortCut() != wanted) continue;
        custom->Update();
        if (!custom->Enabled()) return false;
        custom->Execute();
        return true;
    }
    return false;
}

void TCustomActionList::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation != opRemove) return;
    if (component == images_) images_ = nullptr;
    if (auto* action = dynamic_cast<TContainedAction*>(component)) RemoveAction(action);
}

} // namespace ui
