#include "docking/vzDockActions.h"

#include "docking/vzDockContainer.h"
#include "docking/vzDockControl.h"
#include "docking/vzDockTexts.h"
#include "platform/rtl/Exception.h"

#include <algorithm>
#include <array>

namespace docking {

const std::vector<TvzDockCommand>& DefaultDockCommands() {
    static const std::vector<TvzDockCommand> commands = {
        {cmdHide, 0, texts::sButtonHideMenu, texts::sButtonHide, 0},
        {cmdUndock, 1, texts::sButtonUndockMenu, texts::sButtonUndock, 1},
        {cmdAutoHide, 2, texts::sButtonAutoHideMenu, texts::sButtonAutoHide, 2},
        {cmdPin, 3, texts::sButtonAutoHideOnMenu, texts::sButtonAutoHideOn, 3},
        {cmdMaximize, 4, texts::sButtonMaximizeMenu, texts::sButtonMaximize, 4},
        {cmdRestore, 5, texts::sButtonRestoreMenu, texts::sButtonRestore, 5},
        {cmdMenu, 6, texts::sButtonMenuMenu, texts::sButtonMenu, 7},
        {cmdCustom, 7, texts::sButtonCustomMenu, texts::sButtonCustom, 6},
        {cmdHelp, 8, texts::sButtonHelpMenu, texts::sButtonHelp, 8},
        {cmdCustom2, 9, texts::sButtonCustomMenu, texts::sButtonCustom, 6},
    };
    return commands;
}

const std::vector<TvzDockCommand>& AlignDockCommands() {
    static const std::vector<TvzDockCommand> commands = {
        {cmdAlignClient, alnClient, texts::sAlignClientMenu, texts::sAlignClient, -1},
        {cmdAlignLeft, alnLeft, texts::sAlignLeftMenu, texts::sAlignLeft, -1},
        {cmdAlignTop, alnTop, texts::sAlignTopMenu, texts::sAlignTop, -1},
        {cmdAlignRight, alnRight, texts::sAlignRightMenu, texts::sAlignRight, -1},
        {cmdAlignBottom, alnBottom, texts::sAlignBottomMenu, texts::sAlignBottom, -1},
    };
    return commands;
}

const TvzDockCommand& RenameDockCommand() {
    static const TvzDockCommand command{cmdRename, -1, texts::sRenameMenu, texts::sRenameHint, -1};
    return command;
}

// ---- TvzDockActionLink ----

void TvzDockActionLink::SetAction(TvzCustomDockAction* action) {
    if (action == action_) return;
    if (action_) {
        auto& links = action_->links_;
        const auto it = std::find(links.begin(), links.end(), this);
        if (it == links.end()) throw rtl::EAssertionFailed("The link is not attached to its command");
        links.erase(it);
    }
    action_ = action;
    if (action_) action_->links_.push_back(this);
    Change();
}

void TvzDockActionLink::Change() {
    if (busy_ || !onChange_) return;
    busy_ = true;
    try {
        onChange_(action_);
    } catch (...) {
        busy_ = false;
        throw;
    }
    busy_ = false;
}

// ---- TvzCustomDockAction ----

TvzCustomDockAction::TvzCustomDockAction(TvzCustomDockingControl* control, int id)
    : control_(control), id_(id) {
    if (!control) throw rtl::EAssertionFailed("A dock command needs its docking control");
}

TvzCustomDockAction::~TvzCustomDockAction() {
    for (TvzDockActionLink* link : std::vector(links_)) {
        link->action_ = nullptr;
        link->Change();
    }
}

void TvzCustomDockAction::Changed() {
    if (updateCount_ > 0) {
        changedInUpdate_ = true;
        return;
    }
    for (TvzDockActionLink* link : std::vector(links_))
        link->Change();
}

void TvzCustomDockAction::EndUpdate() {
    if (updateCount_ <= 0) throw rtl::EAssertionFailed("Unbalanced EndUpdate of a dock command");
    if (--updateCount_ > 0 || !changedInUpdate_) return;
    changedInUpdate_ = false;
    Changed();
}

void TvzCustomDockAction::Assign(const TvzCustomDockAction& source) {
    BeginUpdate();
    SetCaption(source.caption_);
    SetHint(source.hint_);
    SetEnabled(source.enabled_);
    SetImageIndex(source.imageIndex_);
    SetChecked(source.checked_);
    EndUpdate();
}

void TvzCustomDockAction::Execute(ui::TMenuItem* trigger) {
    if (!enabled_ || control_->IsDestroying()) return;
    trigger_ = trigger;
    struct Reset {
        TvzCustomDockAction* self;
        ~Reset() { self->trigger_ = nullptr; }
    } reset{this};
    if (OnQuery) {
        bool allow = true;
        OnQuery(this, allow);
        if (!allow) return;
    }
    if (OnExecute) OnExecute(this);
}

// ---- TvzDefaultDockAction, TvzAlignDockAction ----

TvzDefaultDockAction::TvzDefaultDockAction(TvzCustomDockingControl* control, int kind)
    : TvzCustomDockAction(control, DefaultDockCommands().at(static_cast<std::size_t>(kind)).id) {
    SetKind(kind);
}

void TvzDefaultDockAction::SetKind(int kind) {
    const TvzDockCommand& command = DefaultDockCommands().at(static_cast<std::size_t>(kind));
    kind_ = kind;
    BeginUpdate();
    SetCaption(command.caption);
    SetHint(command.hint);
    SetImageIndex(command.imageIndex);
    SetEnabled(true);
    SetChecked(false);
    EndUpdate();
}

void TvzDefaultDockAction::Assign(const TvzCustomDockAction& source) {
    if (const auto* other = dynamic_cast<const TvzDefaultDockAction*>(&source))
        SetKind(other->kind_);
    else
        TvzCustomDockAction::Assign(source);
}

TvzAlignDockAction::TvzAlignDockAction(TvzCustomDockingControl* control, int alignment)
    : TvzCustomDockAction(control, AlignDockCommands().at(static_cast<std::size_t>(alignment)).id),
      alignment_(static_cast<TvzAlignment>(alignment)) {
    const TvzDockCommand& command = AlignDockCommands().at(static_cast<std::size_t>(alignment));
    SetCaption(command.caption);
    SetHint(command.hint);
}

// ---- Enabling and checking ----

void ApplyActionStates(TvzCustomDockingControl& control, const TvzActionContext& c) {
    const auto set = [&](int id, bool enabled) {
        if (TvzCustomDockAction* action = control.Actions(id)) action->SetEnabled(enabled);
    };
    set(cmdHide, c.mayUndock);
    set(cmdUndock, c.mayUndock && !c.autoHidden && !c.floating);
    set(cmdMaximize, !c.autoHidden && c.panelState != 1 && c.canMaximize);
    set(cmdRestore, !c.autoHidden && c.panelState == 1 && c.canMaximize);
    set(cmdAutoHide, !c.autoHidden && c.canAutoHide);
    set(cmdPin, c.autoHidden && c.canPin);
    for (const TvzDockCommand& command : AlignDockCommands()) {
        TvzCustomDockAction* action = control.Actions(command.id);
        if (!action) continue;
        action->SetEnabled(!c.autoHidden);
        action->SetChecked(!c.autoHidden && c.alignment == command.kind);
    }
    if (c.isContainer) set(cmdHelp, false);
}

// ---- TvzDockMenuItem ----

TvzDockMenuItem::TvzDockMenuItem(ui::TComponent* owner)
    : ui::TMenuItem(owner), link_([this](TvzCustomDockAction* action) {
          if (!action) return;
          SetCaption(action->Caption());
          SetHint(action->Hint());
          SetImageIndex(action->ImageIndex());
          SetEnabled(action->Enabled());
          SetChecked(action->Checked());
      }) {}

void TvzDockMenuItem::Click() {
    if (TvzCustomDockAction* action = link_.Action())
        action->Execute(this);
    else
        ui::TMenuItem::Click();
}

// ---- TvzDockMenu ----

TvzDockMenu::TvzDockMenu(TvzCustomDockingControl* control) : ui::TPopupMenu(control), control_(control) {
    if (!control) throw rtl::EAssertionFailed("A dock menu needs its docking control");
}

ui::TMenuItem* TvzDockMenu::AddItem(const std::string& caption, const std::string& hint, int tag) {
    auto* item = new ui::TMenuItem(this);
    item->SetCaption(caption);
    item->SetHint(hint);
    item->SetTag(tag);
    Items()->Add(item);
    return item;
}

void TvzDockMenu::AddCommandItem(int id) {
    auto* item = new TvzDockMenuItem(this);
    item->SetTag(id);
    item->SetDockAction(control_->Actions(id));
    Items()->Add(item);
}

void TvzDockMenu::Build() {
    Items()->Clear();
    alignItem_ = AddItem(texts::sAlignMenu, texts::sAlignHint, cmdAlignGroup);
    AddItem("-", "", cmdAlignGroup);
    for (int id : {cmdHide, cmdUndock, cmdRename, cmdRestore, cmdMaximize})
        AddCommandItem(id);
    autoHideItem_ = AddItem(texts::sAutoHideMenu, texts::sAutoHideHint, cmdAutoHide);
    autoHideItem_->OnClick = [this](ui::TObject*) {
        for (int id : {cmdPin, cmdAutoHide}) {
            TvzCustomDockAction* action = control_->Actions(id);
            if (action && action->Enabled()) {
                action->Execute(autoHideItem_);
                return;
            }
        }
    };
    AddItem("-", "", cmdSeparator);
    AddCommandItem(cmdHelp);
}

void TvzDockMenu::Prepare() {
    control_->UpdateActionStates();
    const TvzCustomDockAction* autoHide = control_->Actions(cmdAutoHide);
    const TvzCustomDockAction* pin = control_->Actions(cmdPin);
    const bool either = autoHide->Enabled() || pin->Enabled();
    autoHideItem_->SetEnabled(either);
    autoHideItem_->SetVisible(either);
    autoHideItem_->SetChecked(pin->Enabled());

    // Left and top first, client in the middle, right and bottom last.
    static constexpr std::array<TvzAlignment, 5> kMenuOrder = {alnLeft, alnTop, alnClient, alnRight,
                                                               alnBottom};
    alignItem_->Clear();
    const TvzCustomDockingContainer* container = control_->Container();
    for (TvzAlignment alignment : kMenuOrder) {
        const bool allowed = container ? container->AlignmentAllowed(alignment) : alignment == alnClient;
        TvzCustomDockAction* action = control_->Actions(AlignDockCommands()[alignment].id);
        if (!allowed || !action->Enabled()) continue;
        auto* item = new ui::TMenuItem(this);
        item->SetCaption(action->Caption());
        item->SetHint(action->Hint());
        item->SetChecked(action->Checked());
        item->SetTag(alignment);
        item->OnClick = [this, alignment](ui::TObject*) { control_->SetAlignment(alignment); };
        alignItem_->Add(item);
    }
    alignItem_->SetVisible(alignItem_->Count() > 1);
}

} // namespace docking
