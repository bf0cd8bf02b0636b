#include "platform/ui/Menus.h"

#include "platform/ui/Application.h"
#include "platform/ui/Hints.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

#include <algorithm>
#include <cctype>

namespace ui {

std::string StripHotkey(const std::string& caption) {
    std::string text;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&') {
            if (i + 1 < caption.size() && caption[i + 1] == '&') text += '&';
            ++i;
            if (i < caption.size() && caption[i] != '&') text += caption[i];
            continue;
        }
        text += caption[i];
    }
    return text;
}

char GetHotkey(const std::string& caption) {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] != '&')
            return static_cast<char>(std::toupper(static_cast<unsigned char>(caption[i + 1])));
        ++i;
    }
    return 0;
}

namespace {

bool SameCaption(const std::string& a, const std::string& b) {
    std::string x = StripHotkey(a), y = StripHotkey(b);
    return x.size() == y.size() && std::equal(x.begin(), x.end(), y.begin(), [](char p, char q) {
               return std::tolower(static_cast<unsigned char>(p)) ==
                      std::tolower(static_cast<unsigned char>(q));
           });
}

} // namespace

TMenuActionLink::TMenuActionLink(TMenuItem* item) : TActionLink(item), item_(item) {}

bool TMenuActionLink::IsCaptionLinked() {
    return TActionLink::IsCaptionLinked() && SameCaption(item_->Caption(), CustomAction()->Caption());
}

bool TMenuActionLink::IsCheckedLinked() {
    return TActionLink::IsCheckedLinked() && item_->Checked() == CustomAction()->Checked();
}

bool TMenuActionLink::IsEnabledLinked() {
    return TActionLink::IsEnabledLinked() && item_->Enabled() == CustomAction()->Enabled();
}

bool TMenuActionLink::IsHintLinked() {
    return TActionLink::IsHintLinked() && item_->Hint() == CustomAction()->Hint();
}

bool TMenuActionLink::IsShortCutLinked() {
    return TActionLink::IsShortCutLinked() && item_->ShortCut() == CustomAction()->ShortCut();
}

bool TMenuActionLink::IsVisibleLinked() {
    return TActionLink::IsVisibleLinked() && item_->Visible() == CustomAction()->Visible();
}

void TMenuActionLink::SetCaption(const std::string& caption) {
    if (IsCaptionLinked()) item_->SetCaption(caption);
}

void TMenuActionLink::SetChecked(bool checked) {
    if (IsCheckedLinked()) item_->SetChecked(checked);
}

void TMenuActionLink::SetEnabled(bool enabled) {
    if (IsEnabledLinked()) item_->SetEnabled(enabled);
}

void TMenuActionLink::SetHint(const std::string& hint) {
    if (IsHintLinked()) item_->SetHint(hint);
}

void TMenuActionLink::SetImageIndex(int index) {
    if (IsImageIndexLinked()) item_->SetImageIndex(index);
}

void TMenuActionLink::SetShortCut(TShortCut shortCut) {
    if (IsShortCutLinked()) item_->SetShortCut(shortCut);
}

void TMenuActionLink::SetVisible(bool visible) {
    if (IsVisibleLinked()) item_->SetVisible(visible);
}

void TMenuActionLink::SetGroupIndex(int index) {
    if (IsGroupIndexLinked()) item_->SetGroupIndex(index);
}

void TMenuActionLink::SetAutoCheck(bool autoCheck) {
    if (CustomAction()) item_->SetAutoCheck(autoCheck);
}

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {}

TMenuItem::~TMenuItem() {
    Destroying();
    Clear();
    if (parent_) parent_->Remove(this);
}

void TMenuItem::SetChecked(bool checked) {
    if (checked == checked_) return;
    checked_ = checked;
    if (!checked || !radioItem_ || !parent_) return;
    for (TMenuItem* sibling : parent_->items_)
        if (sibling != this && sibling->radioItem_ && sibling->groupIndex_ == groupIndex_)
            sibling->checked_ = false;
}

void TMenuItem::SetAction(TBasicAction* action) {
    if (!action) {
        actionLink_.reset();
        return;
    }
    if (!actionLink_) actionLink_ = std::make_unique<TMenuActionLink>(this);
    actionLink_->SetAction(action);
    TakeActionState(action);
}

// From now on the link's setters keep the item up to date.
void TMenuItem::TakeActionState(TBasicAction* action) {
    auto* custom = dynamic_cast<TCustomAction*>(action);
    if (!custom) return;
    caption_ = custom->Caption();
    SetChecked(custom->Checked());
    enabled_ = custom->Enabled();
    visible_ = custom->Visible();
    hint_ = custom->Hint();
    imageIndex_ = custom->ImageIndex();
    shortCut_ = custom->ShortCut();
    groupIndex_ = custom->GroupIndex();
    autoCheck_ = custom->AutoCheck();
}

TMenuItem* TMenuItem::Items(int index) const {
    if (index < 0 || index >= Count()) rtl::ListIndexError(index);
    return items_[index];
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
    auto found = std::find(items_.begin(), items_.end(), item);
    return found == items_.end() ? -1 : static_cast<int>(found - items_.begin());
}

void TMenuItem::Add(TMenuItem* item) {
    Insert(Count(), item);
}

void TMenuItem::Insert(int index, TMenuItem* item) {
    if (index < 0 || index > Count()) rtl::ListIndexError(index);
    if (item->parent_) item->parent_->Remove(item);
    items_.insert(items_.begin() + index, item);
    item->parent_ = this;
}

void TMenuItem::Remove(TMenuItem* item) {
    auto found = std::find(items_.begin(), items_.end(), item);
    if (found == items_.end()) return;
    items_.erase(found);
    item->parent_ = nullptr;
}

void TMenuItem::Delete(int index) {
    delete Items(index); // its destructor takes it out
}

void TMenuItem::Clear() {
    while (!items_.empty())
        delete items_.back();
}

TMenuItem* TMenuItem::Find(const std::string& caption) const {
    for (TMenuItem* item : items_)
        if (SameCaption(item->caption_, caption)) return item;
    return nullptr;
}

void TMenuItem::Click() {
    if (!enabled_) return;
    // An item whose action toggles leaves the checking to the action.
    if (autoCheck_ && !(actionLink_ && Action())) SetChecked(!checked_);
    if (actionLink_ && Action() && (!OnClick || actionLink_->IsOnExecuteLinked())) {
        actionLink_->Execute(this);
        return;
    }
    if (OnClick) OnClick(this);
}

TMenu::TMenu(TComponent* owner) : TComponent(owner), items_(std::make_unique<TMenuItem>(nullptr)) {}

TMenu::~TMenu() {
    Destroying();
}

namespace {

TMenuItem* FindShortCut(TMenuItem* parent, TShortCut shortCut) {
    for (int i = 0; i < parent->Count(); ++i) {
        TMenuItem* item = parent->Items(i);
        if (!item->Visible()) continue;
        if (item->ShortCut() == shortCut) return item;
        if (TMenuItem* found = FindShortCut(item, shortCut)) return found;
    }
    return nullptr;
}

} // namespace

bool TMenu::IsShortCut(uint16_t key, TShiftState shift) {
    TShortCut shortCut = ShortCut(key, shift);
    if (shortCut == scNone) return false;
    TMenuItem* item = FindShortCut(items_.get(), shortCut);
    if (!item) return false;
    // The action may change the item's state first.
    if (item->Action()) item->Action()->Update();
    if (!item->Enabled()) return false;
    item->Click();
    return true;
}

std::string MenuItemDisplayText(const TMenuItem& item, bool topLevel) {
    std::string text = item.Caption();
    if (item.Count() == 0 && item.ShortCut() != scNone && !topLevel)
        text += "\t" + ShortCutToText(item.ShortCut());
    return text;
}

// The Qt menu of one pop-up; rebuilt from the items each time, so it always shows their state.
struct TPopupMenuWindow {
    QPointer<QMenu> menu;
};

namespace {

void FillMenu(QMenu& menu, TMenuItem& parent, const TMenuSelectEvent& onSelect) {
    for (int i = 0; i < parent.Count(); ++i) {
        TMenuItem* item = parent.Items(i);
        if (!item->Visible()) continue;
        if (item->IsLine()) {
            menu.addSeparator();
            continue;
        }
        QString text = QString::fromStdString(MenuItemDisplayText(*item, false));
        if (item->Count() > 0) {
            QMenu* sub = menu.addMenu(text);
            sub->setEnabled(item->Enabled());
            QObject::connect(sub->menuAction(), &QAction::hovered, [item, onSelect] { onSelect(item); });
            FillMenu(*sub, *item, onSelect);
            continue;
        }
        QAction* action = menu.addAction(text);
        action->setEnabled(item->Enabled());
        action->setCheckable(item->Checked() || item->RadioItem() || item->AutoCheck());
        action->setChecked(item->Checked());
        if (item->Default()) menu.setDefaultAction(action);
        QObject::connect(action, &QAction::triggered, [item] { item->Click(); });
        QObject::connect(action, &QAction::hovered, [item, onSelect] { onSelect(item); });
    }
}

} // namespace

void ShowMenuItemHint(const TMenuItem* item) {
    if (Application) Application->SetHint(item ? GetLongHint(item->Hint()) : std::string());
}

void FillMenuBar(QMenuBar& bar, TMenu& menu, const TMenuSelectEvent& onSelect) {
    bar.clear();
    TMenuItem& root = *menu.Items();
    for (int i = 0; i < root.Count(); ++i) {
        TMenuItem* item = root.Items(i);
        if (!item->Visible()) continue;
        const QString text = QString::fromStdString(MenuItemDisplayText(*item, true));
        if (item->Count() == 0) {
            QAction* action = bar.addAction(text);
            action->setEnabled(item->Enabled());
            QObject::connect(action, &QAction::triggered, [item] { item->Click(); });
            QObject::connect(action, &QAction::hovered, [item, onSelect] { onSelect(item); });
            continue;
        }
        QMenu* sub = bar.addMenu(text);
        sub->setEnabled(item->Enabled());
        QObject::connect(sub, &QMenu::aboutToShow, sub, [sub, item, onSelect] {
            sub->clear();
            onSelect(item);
            FillMenu(*sub, *item, onSelect);
        });
        QObject::connect(sub, &QMenu::aboutToHide, sub, [onSelect] { onSelect(nullptr); });
    }
}

std::string MenuBarSignature(const TMenu& menu) {
    std::string signature;
    const TMenuItem& root = *menu.Items();
    for (int i = 0; i < root.Count(); ++i) {
        const TMenuItem* item = root.Items(i);
        signature += item->Caption();
        signature += item->Visible() ? '1' : '0';
        signature += item->Enabled() ? '1' : '0';
        signature += item->Count() > 0 ? '>' : '\n';
    }
    return signature;
}

TPopupMenu::TPopupMenu(TComponent* owner) : TMenu(owner), window_(std::make_unique<TPopupMenuWindow>()) {}

TPopupMenu::~TPopupMenu() {
    delete window_->menu.data();
}

void TPopupMenu::Popup(int x, int y) {
    if (OnPopup) OnPopup(this);
    delete window_->menu.data();
    window_->menu = new QMenu();
    window_->menu->setAttribute(Qt::WA_DeleteOnClose);
    FillMenu(*window_->menu, *Items(), ShowMenuItemHint);
    QObject::connect(window_->menu, &QMenu::aboutToHide, [] { ShowMenuItemHint(nullptr); });
    window_->menu->popup(QPoint(x, y));
}

} // namespace ui
