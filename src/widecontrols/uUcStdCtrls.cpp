#include "widecontrols/uUcStdCtrls.h"

#include "widecontrols/uUcForms.h"

namespace widecontrols {

char AnsiPasswordChar(WideChar passwordChar) {
    return passwordChar < 256 ? static_cast<char>(passwordChar) : '*';
}

WideString TUcCustomEdit::WideSelText() const {
    const WideString text = WideText();
    const auto start = std::min(static_cast<size_t>(std::max(SelStart(), 0)), text.size());
    return text.substr(start, static_cast<size_t>(std::max(SelLength(), 0)));
}

// ---- Memo ----

TMemoLines TUcMemoStrings::WindowLines() const {
    memo_.HandleNeeded();
    return TMemoLines(memo_.WideText());
}

void TUcMemoStrings::Write(const TMemoLines& lines) {
    memo_.SetWideText(lines.Text());
}

WideString TUcMemoStrings::Get(int index) const {
    return WindowLines().Get(index);
}

int TUcMemoStrings::GetCount() const {
    memo_.HandleNeeded();
    return memo_.Lines().Count();
}

WideString TUcMemoStrings::GetTextStr() const {
    return memo_.WideText();
}

void TUcMemoStrings::Put(int index, const WideString& s) {
    TMemoLines lines = WindowLines();
    lines.Put(index, s);
    Write(lines);
}

void TUcMemoStrings::Insert(int index, const WideString& s) {
    TMemoLines lines = WindowLines();
    lines.Insert(index, s);
    Write(lines);
}

void TUcMemoStrings::SetTextStr(std::u16string_view text) {
    const WideString adjusted = AdjustLineBreaksWide(text, tlbsCRLF);
    if (adjusted == GetTextStr()) return;
    memo_.HandleNeeded();
    memo_.SetWideText(adjusted);
}

void TUcMemoStrings::SetUpdateState(bool updating) {
    if (updating)
        memo_.Lines().BeginUpdate();
    else
        memo_.Lines().EndUpdate();
}

void TUcMemoStrings::Clear() {
    memo_.Lines().Clear();
}

void TUcMemoStrings::Delete(int index) {
    memo_.HandleNeeded();
    memo_.Lines().Delete(index);
}

TUcMemo::TUcMemo(ui::TComponent* owner)
    : TWideTextControl(owner), wideLines_(std::make_unique<TUcMemoStrings>(*this)) {}

TUcMemo::~TUcMemo() = default;

// ---- Label and button ----

void TUcLabel::WndProc(ui::TMessage& message) {
    if (message.Msg != ui::CM_DIALOGCHAR) {
        TWideTextControl::WndProc(message);
        return;
    }
    ui::TWinControl* target = FocusControl();
    if (target && Enabled() && ShowAccelChar() &&
        IsWideAccelerator(static_cast<uint32_t>(message.WParam), WideCaption()) && target->CanFocus()) {
        target->SetFocus();
        message.Result = 1;
    }
}

void TUcButton::WndProc(ui::TMessage& message) {
    if (message.Msg == ui::CM_DIALOGCHAR &&
        IsWideAccelerator(static_cast<uint32_t>(message.WParam), WideCaption()) && CanFocus()) {
        Click();
        message.Result = 1;
        return;
    }
    TWideTextControl::WndProc(message);
}

// ---- Combo and list boxes ----

void AddWideItemToList(ui::TControl& listControl, std::u16string_view text, void* object) {
    if (auto* wide = dynamic_cast<IWideListControl*>(&listControl)) {
        wide->AddWideItem(text, object);
    } else if (auto* combo = dynamic_cast<ui::TCustomComboBox*>(&listControl)) {
        combo->Items().AddObject(WideToUtf8(text), object);
    } else if (auto* list = dynamic_cast<ui::TCustomListBox*>(&listControl)) {
        list->Items().AddObject(WideToUtf8(text), object);
    }
}

TUcComboBoxStrings::TUcComboBoxStrings(TUcComboBox& combo)
    : TWideStringsOfList(combo.Items()), combo_(combo) {}

void TUcComboBoxStrings::Clear() {
    const WideString text = combo_.WideText();
    TWideStringsOfList::Clear();
    combo_.SetWideText(text);
}

TUcComboBox::TUcComboBox(ui::TComponent* owner)
    : TWideTextControl(owner), wideItems_(std::make_unique<TUcComboBoxStrings>(*this)) {}

TUcComboBox::~TUcComboBox() = default;

void TUcComboBox::AddWideItem(std::u16string_view text, void* object) {
    wideItems_->AddObject(WideString(text), object);
}

void TUcComboBox::CopySelection(ui::TControl& destination) {
    const int index = ItemIndex();
    if (index >= 0) AddWideItemToList(destination, Item(index), Items().Objects(index));
}

TComboSearchStyle TUcComboBox::SearchStyle() const {
    switch (Style()) {
    case ui::csSimple:
        return TComboSearchStyle::Simple;
    case ui::csDropDown:
        return TComboSearchStyle::DropDown;
    default:
        return TComboSearchStyle::List;
    }
}

int TUcComboBox::ItemCount() const {
    return wideItems_->GetCount();
}

WideString TUcComboBox::Item(int index) const {
    return wideItems_->Get(index);
}

void TUcComboBox::ItemChosen() {
    Click();
    Select();
}

void TUcComboBox::KeyPress(char16_t& key) {
    TWideTextControl::KeyPress(key);
    if (key == 0) return;
    if (SearchStyle() == TComboSearchStyle::List)
        search_.KeyPress(*this, key);
    else
        ComboAutoCompleteKeyPress(*this, key, MatchRequiresUniqueItem(), KeepsTypedText());
}

TUcListBoxStrings::TUcListBoxStrings(TUcListBox& listBox)
    : TWideStringsOfList(listBox.Items()), listBox_(listBox) {}

void TUcListBoxStrings::Put(int index, const WideString& s) {
    const int itemIndex = listBox_.ItemIndex();
    TWideStringsOfList::Put(index, s);
    listBox_.SetItemIndex(itemIndex);
}

void TUcListBoxStrings::Exchange(int index1, int index2) {
    const int itemIndex = listBox_.ItemIndex();
    TWideStringsOfList::Exchange(index1, index2);
    listBox_.SetItemIndex(itemIndex == index1 ? index2 : itemIndex == index2 ? index1 : itemIndex);
}

TUcListBox::TUcListBox(ui::TComponent* owner)
    : TWideTextControl(owner), wideItems_(std::make_unique<TUcListBoxStrings>(*this)) {}

TUcListBox::~TUcListBox() = default;

void TUcListBox::AddWideItem(std::u16string_view text, void* object) {
    wideItems_->AddObject(WideString(text.substr(0, text.find(u'\0'))), object);
}

void TUcListBox::SetStyle(ui::TListBoxStyle style) {
    if (style == style_) return;
    style_ = style;
    if (IsVirtual())
        RefreshVirtualItems();
    else
        virtualCount_ = 0;
}

void TUcListBox::SetCount(int count) {
    virtualCount_ = std::max(count, 0);
    RefreshVirtualItems();
}

void TUcListBox::RefreshVirtualItems() {
    if (!IsVirtual()) return;
    const int itemIndex = ItemIndex();
    rtl::TStringList& items = Items();
    {
        rtl::TUpdateBracket bracket(items);
        items.Clear();
        WideString text;
        for (int i = 0; i < virtualCount_; ++i)
            items.Add(FetchVirtualText(i, text) ? WideToUtf8(text) : std::string());
    }
    SetItemIndex(itemIndex < virtualCount_ ? itemIndex : -1);
}

bool TUcListBox::FetchVirtualText(int index, WideString& text) {
    if (index < 0 || index >= virtualCount_ || !OnData) return false;
    text.clear();
    OnData(this, index, text);
    return true;
}

void TUcListBox::WndProc(ui::TMessage& message) {
    if (!IsVirtual() || (message.Msg != LB_GETTEXT && message.Msg != LB_GETTEXTLEN)) {
        TWideTextControl::WndProc(message);
        return;
    }
    WideString text;
    if (!FetchVirtualText(static_cast<int>(message.WParam), text)) {
        message.Result = LB_ERR;
        return;
    }
    if (message.Msg == LB_GETTEXT) *reinterpret_cast<WideString*>(message.LParam) = text;
    message.Result = static_cast<intptr_t>(text.size());
}

void TUcListBox::CopySelection(ui::TControl& destination) {
    for (int i = 0; i < Count(); ++i)
        if (MultiSelect() ? Selected(i) : i == ItemIndex())
            AddWideItemToList(destination, wideItems_->Get(i), Items().Objects(i));
}

} // namespace widecontrols
