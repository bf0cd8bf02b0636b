// The commands every docking control owns, their action links and the control's pop-up menu.
#pragma once

#include "docking/vzDockTypes.h"
#include "platform/ui/Menus.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// The commands every docking control owns, the links that show them and the control's popup menu.
namespace docking {

class TvzCustomDockingControl;
class TvzCustomDockAction;

// Command identifiers.
enum : int {
    cmdHide = 0xF001,
    cmdUndock = 0xF002,
    cmdAutoHide = 0xF003,
    cmdPin = 0xF004,
    cmdMaximize = 0xF005,
    cmdRestore = 0xF006,
    cmdHelp = 0xF007,
    cmdMenu = 0xF008,
    cmdCustom = 0xF009,
    cmdCustom2 = 0xF00A,
    cmdRename = 0xF011,
    cmdAlignGroup = 0xF020,
    cmdAlignClient = 0xF021,
    cmdAlignTop = 0xF022,
    cmdAlignBottom = 0xF023,
    cmdAlignLeft = 0xF024,
    cmdAlignRight = 0xF025,
    cmdSeparator = 0xF000,
};

// One row of the command table.
struct TvzDockCommand {
    int id;
    int kind; // default kind 0-9, alignment 0-4, or -1 for rename
    const char* caption;
    const char* hint;
    int imageIndex;
};
// The ten default commands in kind order.
const std::vector<TvzDockCommand>& DefaultDockCommands();
// The five alignment commands in alignment order.
const std::vector<TvzDockCommand>& AlignDockCommands();
const TvzDockCommand& RenameDockCommand();

// Tells one client (a caption button or a menu item) of every change of its command.
class TvzDockActionLink {
public:
    explicit TvzDockActionLink(std::function<void(TvzCustomDockAction*)> onChange)
        : onChange_(std::move(onChange)) {}
    ~TvzDockActionLink() { SetAction(nullptr); }
    TvzDockActionLink(const TvzDockActionLink&) = delete;
    TvzDockActionLink& operator=(const TvzDockActionLink&) = delete;

    TvzCustomDockAction* Action() const { return action_; }
    void SetAction(TvzCustomDockAction* action);
    void Change();

private:
    friend class TvzCustomDockAction;
    std::function<void(TvzCustomDockAction*)> onChange_;
    TvzCustomDockAction* action_ = nullptr;
    bool busy_ = false;
};

class TvzCustomDockAction {
public:
    TvzCustomDockAction(TvzCustomDockingControl* control, int id);
    virtual ~TvzCustomDockAction();
    TvzCustomDockAction(const TvzCustomDockAction&) = delete;
    TvzCustomDockAction& operator=(const TvzCustomDockAction&) = delete;

    TvzCustomDockingControl* Control() const { return control_; }
    int Id() const { return id_; }
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption) { Set(caption_, caption); }
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& hint) { Set(hint_, hint); }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled) { Set(enabled_, enabled); }
    bool Checked() const { return checked_; }
    void SetChecked(bool checked) { Set(checked_, checked); }
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index) { Set(imageIndex_, index); }
    // The menu item that runs the command, while it runs.
    ui::TMenuItem* Trigger() const { return trigger_; }

    // Changes inside one bracket notify the links once, at its end.
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    // Copies caption, hint, enabled, image index and checked in one update.
    virtual void Assign(const TvzCustomDockAction& source);

    // Runs the command unless it is disabled, its control is going or OnQuery refuses.
    void Execute(ui::TMenuItem* trigger = nullptr);
    std::function<void(TvzCustomDockAction*, bool& allow)> OnQuery;
    std::function<void(TvzCustomDockAction*)> OnExecute;

private:
    friend class TvzDockActionLink;
    template <class T>
    void Set(T& field, const T& value) {
        if (field == value) return;
        field = value;
        Changed();
    }
    void Changed();

    TvzCustomDockingControl* control_;
    int id_;
    std::vector<TvzDockActionLink*> links_;
    std::string caption_;
    std::string hint_;
    bool enabled_ = true;
    bool checked_ = false;
    int imageIndex_ = -1;
    int updateCount_ = 0;
    bool changedInUpdate_ = false;
    ui::TMenuItem* trigger_ = nullptr;
};

// One of the ten standard commands (hide, undock, auto hide, pin, maximise, restore, menu, custom,
// help, second custom).
class TvzDefaultDockAction : public TvzCustomDockAction {
public:
    TvzDefaultDockAction(TvzCustomDockingControl* control, int kind);
    int Kind() const { return kind_; }
    // Reloads caption, hint and image of the kind; enabled again, not checked.
    void SetKind(int kind);
    void Assign(const TvzCustomDockAction& source) override;

private:
    int kind_ = 0;
};

class TvzAlignDockAction : public TvzCustomDockAction {
public:
    TvzAlignDockAction(TvzCustomDockingControl* control, int alignment);
    TvzAlignment Alignment() const { return alignment_; }

private:
    TvzAlignment alignment_;
};

// What decides which commands a control may run now.
struct TvzActionContext {
    bool mayUndock = false; // the manager is enabled and the deciding site lets it go
    bool autoHidden = false;
    bool floating = false;
    int panelState = 0;       // 1: maximised in its container
    bool canMaximize = false; // its container allows maximised children
    bool canAutoHide = false; // the deciding site lets it auto-hide
    bool canPin = false;      // the deciding site lets it (or its auto-hiding container) pin
    bool isContainer = false;
    TvzAlignment alignment = alnClient;
};
// Enables and checks the commands of `control` for `context`.
void ApplyActionStates(TvzCustomDockingControl& control, const TvzActionContext& context);

// A menu item that shows one command and runs it.
class TvzDockMenuItem : public ui::TMenuItem {
public:
    explicit TvzDockMenuItem(ui::TComponent* owner);
    TvzCustomDockAction* DockAction() const { return link_.Action(); }
    void SetDockAction(TvzCustomDockAction* action) { link_.SetAction(action); }
    void Click() override;

private:
    TvzDockActionLink link_;
};

// The popup menu of a docking control.
class TvzDockMenu : public ui::TPopupMenu {
public:
    explicit TvzDockMenu(TvzCustomDockingControl* control);
    TvzCustomDockingControl* Control() const { return control_; }
    ui::TMenuItem* AlignItem() const { return alignItem_; }
    ui::TMenuItem* AutoHideItem() const { return autoHideItem_; }
    // Builds the items: Align, a line, hide, undock, rename, restore, maximise, Auto Hide, a line, help.
    void Build();
    // Brings the items up to date before the menu opens: command states, Auto Hide, the Align list.
    void Prepare();

private:
    ui::TMenuItem* AddItem(const std::string& caption, const std::string& hint, int tag);
    void AddCommandItem(int id);

    TvzCustomDockingControl* control_;
    ui::TMenuItem* alignItem_ = nullptr;
    ui::TMenuItem* autoHideItem_ = nullptr;
};

} // namespace docking
