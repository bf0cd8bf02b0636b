#include "platform/ui/ListControls.h"

#include "platform/rtl/ScopeExit.h"
#include "platform/ui/QtBridge.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>
#include <functional>

namespace ui {

namespace {

// A combo box that tells when its list drops down and closes up.
class TComboWidget : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> onDropDown;
    std::function<void()> onCloseUp;

    void showPopup() override {
        if (onDropDown) onDropDown();
        QComboBox::showPopup();
    }
    void hidePopup() override {
        QComboBox::hidePopup();
        if (onCloseUp) onCloseUp();
    }
};

QStringList ToQStringList(const rtl::TStringList& items) {
    QStringList list;
    list.reserve(items.Count());
    for (int i = 0; i < items.Count(); ++i)
        list.append(ToQString(items[i]));
    return list;
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// TCustomComboBox

TCustomComboBox::TCustomComboBox(TComponent* owner) : TWinControl(owner) {
    SetTabStop(true);
    SetBounds(0, 0, 145, 21);
    TControlStyle style = ControlStyle();
    style.Exclude(csClickEvents);
    style.Exclude(csCaptureMouse);
    SetControlStyle(style);
    items_.OnChange = [this](rtl::TStringList&) { ItemsChanged(); };
}

TCustomComboBox::~TCustomComboBox() {
    Destroying();
    items_.OnChange = nullptr;
    DestroyHandle();
}

QWidget* TCustomComboBox::CreateWidget(QWidget* parentWidget) {
    auto* combo = new TComboWidget(parentWidget);
    combo->setPalette(SystemPalette());
    combo->setEditable(Editable());
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setMaxVisibleItems(dropDownCount_);
    combo->addItems(ToQStringList(items_));
    combo->setCurrentIndex(itemIndex_);
    if (QLineEdit* edit = combo->lineEdit()) {
        // The framework's combo box completes nothing by itself.
        combo->setCompleter(nullptr);
        edit->setMaxLength(maxLength_ > 0 ? maxLength_ : 32767);
        edit->setText(ToQString(text_));
        QObject::connect(edit, &QLineEdit::textEdited, combo, [this](const QString& text) {
            text_ = ToUtf8(text);
            itemIndex_ = -1;
            Change();
        });
    }
    combo->onDropDown = [this] { DropDown(); };
    combo->onCloseUp = [this] { CloseUp(); };
    QObject::connect(combo, &QComboBox::activated, combo, [this](int index) { UserChose(index); });
    return combo;
}

void TCustomComboBox::WndProc(TMessage& message) {
    if (message.Msg == WM_GETDLGCODE) {
        message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
        return;
    }
    TWinControl::WndProc(message);
}

std::string TCustomComboBox::GetWindowText() const {
    if (!Editable())
        return itemIndex_ >= 0 && itemIndex_ < items_.Count() ? items_[itemIndex_] : std::string();
    return text_;
}

void TCustomComboBox::SetWindowText(const std::string& text) {
    // The new window got the kept text already.
    if (ControlState().Contains(csCreating)) return;
    if (!Editable()) return SetItemIndex(items_.IndexOf(text));
    text_ = text;
    const int index = items_.IndexOf(text);
    itemIndex_ = index >= 0 && items_[index] == text ? index : -1;
    if (auto* combo = qobject_cast<QComboBox*>(Widget())) {
        const QSignalBlocker block(combo);
        combo->setCurrentIndex(itemIndex_);
        combo->setEditText(ToQString(text_));
    }
}

void TCustomComboBox::SetItemIndex(int index) {
    if (index < -1 || index >= items_.Count()) index = -1;
    itemIndex_ = index;
    if (Editable()) text_ = index >= 0 ? items_[index] : std::string();
    if (auto* combo = qobject_cast<QComboBox*>(Widget())) {
        const QSignalBlocker block(combo);
        combo->setCurrentIndex(index);
        if (Editable()) combo->setEditText(ToQString(text_));
    }
}

void TCustomComboBox::ItemsChanged() {
    if (itemIndex_ >= items_.Count()) itemIndex_ = -1;
    auto* combo = qobject_cast<QComboBox*>(Widget());
    if (!combo) return;
    const QSignalBlocker block(combo);
    combo->clear();
    combo->addItems(ToQStringList(items_));
    combo->setCurrentIndex(itemIndex_);
    if (Editable()) combo->setEditText(ToQString(text_));
}

void TCustomComboBox::UserChose(int index) {
    itemIndex_ = index;
    if (Editable()) text_ = index >= 0 && index < items_.Count() ? items_[index] : std::string();
    Click();
    Select();
}

void TCustomComboBox::SetStyle(TComboBoxStyle style) {
    if (style == style_) return;
    style_ = style;
    RecreateWnd();
}

void TCustomComboBox::SetDropDownCount(int count) {
    dropDownCount_ = count;
    if (auto* combo = qobject_cast<QComboBox*>(Widget())) combo->setMaxVisibleItems(count);
}

bool TCustomComboBox::DroppedDown() const {
    auto* combo = qobject_cast<QComboBox*>(Widget());
    return combo && combo->view()->isVisible();
}

void TCustomComboBox::SetDroppedDown(bool value) {
    auto* combo = qobject_cast<QComboBox*>(Handle());
    if (value)
        combo->showPopup();
    else
        combo->hidePopup();
}

namespace {

QLineEdit* EditPart(QWidget* widget) {
    auto* combo = qobject_cast<QComboBox*>(widget);
    return combo ? combo->lineEdit() : nullptr;
}

} // namespace

int TCustomComboBox::SelStart() const {
    QLineEdit* edit = EditPart(Widget());
    if (!edit) return 0;
    return edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
}

void TCustomComboBox::SetSelStart(int start) {
    if (QLineEdit* edit = EditPart(Handle())) edit->setCursorPosition(start);
}

int TCustomComboBox::SelLength() const {
    QLineEdit* edit = EditPart(Widget());
    return edit ? edit->selectionLength() : 0;
}

void TCustomComboBox::SetSelLength(int length) {
    if (QLineEdit* edit = EditPart(Handle())) edit->setSelection(SelStart(), length);
}

std::string TCustomComboBox::SelText() const {
    QLineEdit* edit = EditPart(Widget());
    return edit ? ToUtf8(edit->selectedText()) : std::string();
}

void TCustomComboBox::SelectAll() {
    if (QLineEdit* edit = EditPart(Handle())) edit->selectAll();
}

void TCustomComboBox::SetMaxLength(int length) {
    maxLength_ = std::max(length, 0);
    if (QLineEdit* edit = EditPart(Widget())) edit->setMaxLength(maxLength_ > 0 ? maxLength_ : 32767);
}

void TCustomComboBox::Change() {
    if (OnChange) OnChange(this);
}

void TCustomComboBox::Select() {
    if (OnSelect)
        OnSelect(this);
    else
        Change();
}

void TCustomComboBox::DropDown() {
    if (OnDropDown) OnDropDown(this);
}

void TCustomComboBox::CloseUp() {
    if (OnCloseUp) OnCloseUp(this);
}

// ---------------------------------------------------------------------------------------------------
// TCustomListBox

TCustomListBox::TCustomListBox(TComponent* owner) : TWinControl(owner) {
    SetTabStop(true);
    SetBorderStyle(bsSingle);
    SetBounds(0, 0, 121, 97);
    TControlStyle style = ControlStyle();
    style.Exclude(csClickEvents);
    SetControlStyle(style);
    items_.OnChange = [this](rtl::TStringList&) { ItemsChanged(); };
}

TCustomListBox::~TCustomListBox() {
    Destroying();
    items_.OnChange = nullptr;
    DestroyHandle();
}

QWidget* TCustomListBox::CreateWidget(QWidget* parentWidget) {
    auto* list = new QListWidget(parentWidget);
    list->setPalette(SystemPalette());
    if (BorderStyle() == bsNone) list->setFrameShape(QFrame::NoFrame);
    list->setUniformItemSizes(true);
    list->addItems(ToQStringList(items_));
    QObject::connect(list, &QListWidget::itemSelectionChanged, list, [this] { UserChangedSelection(); });
    QObject::connect(list, &QListWidget::currentRowChanged, list, [this] { UserChangedSelection(); });
    return list;
}

void TCustomListBox::DestroyWnd() {
    topIndex_ = TopIndex();
    TWinControl::DestroyWnd();
}

void TCustomListBox::WndProc(TMessage& message) {
    TWinControl::WndProc(message);
    if (message.Msg == WM_CREATE) {
        // The selection and the scroll position go in once the items are there.
        ApplySelection();
        SetTopIndex(topIndex_);
    }
}

void TCustomListBox::ApplySelection() {
    auto* list = qobject_cast<QListWidget*>(Widget());
    if (!list) return;
    applying_ = true;
    const rtl::ScopeExit done([this] { applying_ = false; });
    ApplySelectionMode();
    list->setCurrentRow(itemIndex_, QItemSelectionModel::NoUpdate);
    for (int i = 0; i < list->count(); ++i)
        list->item(i)->setSelected(multiSelect_ ? selected_[i] : i == itemIndex_);
}

void TCustomListBox::ApplySelectionMode() {
    auto* list = qobject_cast<QListWidget*>(Widget());
    if (!list) return;
    list->setSelectionMode(!multiSelect_     ? QAbstractItemView::SingleSelection
                           : extendedSelect_ ? QAbstractItemView::ExtendedSelection
                                             : QAbstractItemView::MultiSelection);
}

void TCustomListBox::UserChangedSelection() {
    auto* list = qobject_cast<QListWidget*>(Widget());
    if (applying_ || !list) return;
    itemIndex_ = list->currentRow();
    for (int i = 0; i < list->count(); ++i)
        selected_[i] = list->item(i)->isSelected();
    if (!multiSelect_)
        itemIndex_ = list->selectedItems().isEmpty() ? -1 : list->row(list->selectedItems().front());
    Click();
}

void TCustomListBox::ItemsChanged() {
    selected_.resize(items_.Count(), false);
    if (itemIndex_ >= items_.Count()) itemIndex_ = -1;
    auto* list = qobject_cast<QListWidget*>(Widget());
    if (!list) return;
    {
        const QSignalBlocker block(list);
        list->clear();
        list->addItems(ToQStringList(items_));
    }
    ApplySelection();
}

void TCustomListBox::SetItemIndex(int index) {
    if (index < -1 || index >= items_.Count()) index = -1;
    itemIndex_ = index;
    if (!multiSelect_)
        for (int i = 0; i < Count(); ++i)
            selected_[i] = i == index;
    ApplySelection();
    if (auto* list = qobject_cast<QListWidget*>(Widget()); list && index >= 0)
        list->scrollToItem(list->item(index));
}

void TCustomListBox::SetMultiSelect(bool value) {
    if (value == multiSelect_) return;
    // The selection starts afresh in the other mode; ItemIndex stays as the focused item.
    multiSelect_ = value;
    std::fill(selected_.begin(), selected_.end(), false);
    ApplySelection();
}

void TCustomListBox::SetExtendedSelect(bool value) {
    extendedSelect_ = value;
    ApplySelectionMode();
}

bool TCustomListBox::Selected(int index) const {
    if (index < 0 || index >= Count()) rtl::ListIndexError(index);
    return multiSelect_ ? bool(selected_[index]) : index == itemIndex_;
}

void TCustomListBox::SetSelected(int index, bool value) {
    if (index < 0 || index >= Count()) rtl::ListIndexError(index);
    if (multiSelect_)
        selected_[index] = value;
    else if (value)
        itemIndex_ = index;
    else if (itemIndex_ == index)
        itemIndex_ = -1;
    ApplySelection();
}

int TCustomListBox::SelCount() const {
    if (!multiSelect_) return -1;
    return static_cast<int>(std::count(selected_.begin(), selected_.end(), true));
}

void TCustomListBox::ClearSelection() {
    std::fill(selected_.begin(), selected_.end(), false);
    if (!multiSelect_) itemIndex_ = -1;
    ApplySelection();
}

void TCustomListBox::SelectAll() {
    if (!multiSelect_) return;
    std::fill(selected_.begin(), selected_.end(), true);
    ApplySelection();
}

int TCustomListBox::TopIndex() const {
    auto* list = qobject_cast<QListWidget*>(Widget());
    if (!list) return topIndex_;
    const QModelIndex top = list->indexAt(QPoint(1, 1));
    return top.isValid() ? top.row() : 0;
}

void TCustomListBox::SetTopIndex(int index) {
    topIndex_ = std::max(index, 0);
    auto* list = qobject_cast<QListWidget*>(Widget());
    if (list && index >= 0 && index < list->count())
        list->scrollToItem(list->item(index), QAbstractItemView::PositionAtTop);
}

int TCustomListBox::ItemAtPos(TPoint p, bool existing) const {
    auto* list = qobject_cast<QListWidget*>(const_cast<TCustomListBox*>(this)->Handle());
    const QModelIndex index = list->indexAt(ToQPoint(p));
    if (index.isValid()) return index.row();
    return existing ? -1 : Count();
}

TRect TCustomListBox::ItemRect(int index) const {
    auto* list = qobject_cast<QListWidget*>(const_cast<TCustomListBox*>(this)->Handle());
    if (index < 0 || index >= list->count()) return {};
    return FromQRect(list->visualItemRect(list->item(index)));
}

} // namespace ui
