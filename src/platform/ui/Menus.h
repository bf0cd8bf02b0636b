// Menus: a tree of items with captions, checks, shortcuts and actions, shown as a pop-up menu.
#pragma once

#include "platform/ui/Actions.h"
#include "platform/ui/Types.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QMenuBar;

namespace ui {

class TMenuItem;

// "&File" -> "File"; "&&" stays one "&".
std::string StripHotkey(const std::string& caption);
// The character after the single "&", or 0.
char GetHotkey(const std::string& caption);

// Shows an action's state in its menu item.
class TMenuActionLink : public TActionLink {
public:
    explicit TMenuActionLink(TMenuItem* item);

    bool IsCaptionLinked() override;
    bool IsCheckedLinked() override;
    bool IsEnabledLinked() override;
    bool IsHintLinked() override;
    bool IsShortCutLinked() override;
    bool IsVisibleLinked() override;

    void SetCaption(const std::string& caption) override;
    void SetChecked(bool checked) override;
    void SetEnabled(bool enabled) override;
    void SetHint(const std::string& hint) override;
    void SetImageIndex(int index) override;
    void SetShortCut(TShortCut shortCut) override;
    void SetVisible(bool visible) override;
    void SetGroupIndex(int index) override;
    void SetAutoCheck(bool autoCheck) override;

private:
    TMenuItem* item_;
};

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* owner);
    ~TMenuItem() override;

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption) { caption_ = caption; }
    // A caption of "-" makes a separator.
    bool IsLine() const { return caption_ == "-"; }
    bool Checked() const { return checked_; }
    // Checking a radio item unchecks the radio items of its group among its siblings.
    void SetChecked(bool checked);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled) { enabled_ = enabled; }
    bool Visible() const { return visible_; }
    void SetVisible(bool visible) { visible_ = visible; }
    bool RadioItem() const { return radioItem_; }
    void SetRadioItem(bool radio) { radioItem_ = radio; }
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int index) { groupIndex_ = index; }
    bool AutoCheck() const { return autoCheck_; }
    void SetAutoCheck(bool autoCheck) { autoCheck_ = autoCheck; }
    bool Default() const { return default_; }
    void SetDefault(bool isDefault) { default_ = isDefault; }
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int index) { imageIndex_ = index; }
    TShortCut ShortCut() const { return shortCut_; }
    void SetShortCut(TShortCut shortCut) { shortCut_ = shortCut; }
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& hint) { hint_ = hint; }

    // The action the item shows and runs; its state is copied over at once.
    TBasicAction* Action() const { return actionLink_ ? actionLink_->Action() : nullptr; }
    void SetAction(TBasicAction* action);

    int Count() const { return static_cast<int>(items_.size()); }
    TMenuItem* Items(int index) const;
    TMenuItem* Parent() const { return parent_; }
    int MenuIndex() const { return parent_ ? parent_->IndexOf(this) : -1; }
    int IndexOf(const TMenuItem* item) const;
    void Add(TMenuItem* item);
    void Insert(int index, TMenuItem* item);
    // Takes the item out without freeing it.
    void Remove(TMenuItem* item);
    // Frees the item at `index`.
    void Delete(int index);
    void Clear();
    // The sub-item whose caption, hot key aside, is `caption` (any case).
    TMenuItem* Find(const std::string& caption) const;

    // What choosing the item does: AutoCheck toggles, then the action runs, or else OnClick.
    virtual void Click();

    TNotifyEvent OnClick;

private:
    void TakeActionState(TBasicAction* action);

    std::string caption_;
    bool checked_ = false;
    bool enabled_ = true;
    bool visible_ = true;
    bool radioItem_ = false;
    int groupIndex_ = 0;
    bool autoCheck_ = false;
    bool default_ = false;
    int imageIndex_ = -1;
    TShortCut shortCut_ = scNone;
    std::string hint_;
    std::unique_ptr<TMenuActionLink> actionLink_;
    TMenuItem* parent_ = nullptr;
    std::vector<TMenuItem*> items_; // owned through the parent link, freed by Clear
};

class TMenu : public TComponent {
public:
    explicit TMenu(TComponent* owner);
    ~TMenu() override;

    TMenuItem* Items() const { return items_.get(); }
    // Runs the enabled, visible item anywhere in the menu that has this shortcut; true when one ran.
    bool IsShortCut(uint16_t key, TShiftState shift);

private:
    std::unique_ptr<TMenuItem> items_;
};

class TMainMenu : public TMenu {
public:
    using TMenu::TMenu;
};

struct TPopupMenuWindow;

class TPopupMenu : public TMenu {
public:
    explicit TPopupMenu(TComponent* owner);
    ~TPopupMenu() override;

    // Shows the menu with its top left corner at the screen point; returns at once. The chosen
    // item's Click runs when the user chooses it.
    virtual void Popup(int x, int y);
    // The component whose pop-up menu this is, while it shows.
    TComponent* PopupComponent() const { return popupComponent_; }
    void SetPopupComponent(TComponent* component) { popupComponent_ = component; }
    bool AutoPopup() const { return autoPopup_; }
    void SetAutoPopup(bool autoPopup) { autoPopup_ = autoPopup; }

    TNotifyEvent OnPopup;

private:
    TComponent* popupComponent_ = nullptr;
    bool autoPopup_ = true;
    std::unique_ptr<TPopupMenuWindow> window_;
};

// The application's hint becomes the long hint of a highlighted menu item, and empty once the menu
// closes (`item` null).
void ShowMenuItemHint(const TMenuItem* item);

// ---- Framework side ----
// Told of the item the mouse or the keyboard highlights in an open menu, and of null when it closes.
using TMenuSelectEvent = std::function<void(TMenuItem* item)>;
// Fills a window's menu bar with the menu's visible top-level items; each drop-down is built from its
// items when it opens, so it shows their state then.
void FillMenuBar(QMenuBar& bar, TMenu& menu, const TMenuSelectEvent& onSelect);
// What the menu bar shows: changes when a top-level item is added, renamed, hidden or disabled.
std::string MenuBarSignature(const TMenu& menu);

// The text a menu shows for an item: the caption, and for an item with a shortcut and no
// sub-items a tab and the shortcut's text.
std::string MenuItemDisplayText(const TMenuItem& item, bool topLevel);

} // namespace ui
