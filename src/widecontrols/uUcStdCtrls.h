// The wide edit, memo, label and button, and the wide combo and list boxes. The framework's
// standard controls keep their texts as UTF-8 and show them through Unicode widgets, and count
// selection positions in UTF-16 units; the wide controls add their texts as wide strings and what
// the framework does only for 8-bit text (accelerators of any character, the combo box's search).
#pragma once

#include "widecontrols/uUcComboSearch.h"
#include "widecontrols/uUcControls.h"
#include "widecontrols/uUcListStrings.h"
#include "widecontrols/uUcMemoLines.h"

#include "platform/ui/Buttons.h"
#include "platform/ui/Edits.h"
#include "platform/ui/Labels.h"
#include "platform/ui/ListControls.h"

#include <functional>
#include <memory>

namespace widecontrols {

// The 8-bit form of a wide password character: the character below 256, else "*".
char AnsiPasswordChar(WideChar passwordChar);

class TUcCustomEdit : public TWideTextControl<ui::TCustomEdit> {
public:
    using TWideTextControl::TWideTextControl;

    // The SelLength units of the text after SelStart.
    WideString WideSelText() const;
};

class TUcEdit : public TUcCustomEdit {
public:
    using TUcCustomEdit::TUcCustomEdit;
};

class TUcMemo;

// The memo's lines, read from and written into its window's text as an edit window does: Add on an
// empty memo gives "a\r\nb\r\n". Asking for a line creates the window.
class TUcMemoStrings : public TUcStrings {
public:
    explicit TUcMemoStrings(TUcMemo& memo) : memo_(memo) {}

    WideString Get(int index) const override;
    int GetCount() const override;
    WideString GetTextStr() const override;
    void Put(int index, const WideString& s) override;
    // Line breaks become CR LF; the window is written only when the text changes.
    void SetTextStr(std::u16string_view text) override;
    void SetUpdateState(bool updating) override;
    void Clear() override;
    void Delete(int index) override;
    void Insert(int index, const WideString& s) override;

private:
    TMemoLines WindowLines() const;
    void Write(const TMemoLines& lines);

    TUcMemo& memo_;
};

class TUcMemo : public TWideTextControl<ui::TMemo> {
public:
    explicit TUcMemo(ui::TComponent* owner);
    ~TUcMemo() override;

    TUcStrings& WideLines() { return *wideLines_; }
    void SetWideLines(const TWideStrings& lines) { wideLines_->Assign(lines); }

private:
    std::unique_ptr<TUcMemoStrings> wideLines_;
};

// "&" marks the hot key of any character; Alt with it (any case) focuses FocusControl.
class TUcLabel : public TWideTextControl<ui::TLabel> {
public:
    using TWideTextControl::TWideTextControl;

    void WndProc(ui::TMessage& message) override;
};

// Alt with the caption's hot key (any character, any case) clicks the button.
class TUcButton : public TWideTextControl<ui::TButton> {
public:
    using TWideTextControl::TWideTextControl;

    void WndProc(ui::TMessage& message) override;
};

// A list control that takes wide items.
class IWideListControl {
public:
    virtual void AddWideItem(std::u16string_view text, void* object) = 0;

protected:
    ~IWideListControl() = default;
};

// Adds through IWideListControl when the control has it, else as the framework's UTF-8 item.
void AddWideItemToList(ui::TControl& listControl, std::u16string_view text, void* object);

class TUcComboBox;

// The combo box's items; clearing them keeps the edit's text.
class TUcComboBoxStrings : public TWideStringsOfList {
public:
    explicit TUcComboBoxStrings(TUcComboBox& combo);
    void Clear() override;

private:
    TUcComboBox& combo_;
};

// Completes what is typed in the edit from the items (drop-down and simple styles), or searches the
// items for the keys typed in quick succession (list styles).
class TUcComboBox : public TWideTextControl<ui::TCustomComboBox>,
                    public IComboSearchTarget,
                    public IWideListControl {
public:
    explicit TUcComboBox(ui::TComponent* owner);
    ~TUcComboBox() override;

    TUcStrings& WideItems() { return *wideItems_; }
    void SetWideItems(const TWideStrings& items) { wideItems_->Assign(items); }
    void AddWideItem(std::u16string_view text, void* object) override;
    // Adds the chosen item to `destination`.
    void CopySelection(ui::TControl& destination);

    void SetAutoComplete(bool value) { autoComplete_ = value; }
    void SetAutoDropDown(bool value) { autoDropDown_ = value; }
    void SetAutoCloseUp(bool value) { autoCloseUp_ = value; }

    // ---- What the search sees ----
    TComboSearchStyle SearchStyle() const override;
    bool AutoComplete() const override { return autoComplete_; }
    bool AutoDropDown() const override { return autoDropDown_; }
    bool AutoCloseUp() const override { return autoCloseUp_; }
    bool DroppedDown() const override { return TCustomComboBox::DroppedDown(); }
    void SetDroppedDown(bool value) override { TCustomComboBox::SetDroppedDown(value); }
    WideString WideText() const override { return TWideTextControl::WideText(); }
    void SetWideText(std::u16string_view text) override { TWideTextControl::SetWideText(text); }
    int SelStart() const override { return TCustomComboBox::SelStart(); }
    void SetSelStart(int value) override { TCustomComboBox::SetSelStart(value); }
    int SelLength() const override { return TCustomComboBox::SelLength(); }
    void SetSelLength(int value) override { TCustomComboBox::SetSelLength(value); }
    int ItemCount() const override;
    WideString Item(int index) const override;
    int ItemIndex() const override { return TCustomComboBox::ItemIndex(); }
    void SetItemIndex(int index) override { TCustomComboBox::SetItemIndex(index); }
    void ItemChosen() override;

protected:
    void KeyPress(char16_t& key) override;
    // Completion takes only an item that no other item shares the typed start with.
    virtual bool MatchRequiresUniqueItem() const { return false; }
    // The completed text keeps the letters as typed.
    virtual bool KeepsTypedText() const { return true; }

private:
    std::unique_ptr<TUcComboBoxStrings> wideItems_;
    TComboIncrementalSearch search_;
    bool autoComplete_ = true;
    bool autoDropDown_ = false;
    bool autoCloseUp_ = false;
};

class TUcListBox;

// The list box's items: replacing, exchanging and moving items keep their data and the selection.
class TUcListBoxStrings : public TWideStringsOfList {
public:
    explicit TUcListBoxStrings(TUcListBox& listBox);
    void Put(int index, const WideString& s) override;
    void Exchange(int index1, int index2) override;

private:
    TUcListBox& listBox_;
};

// Messages that ask a list box for an item's text: WParam the index, LParam a WideString* that
// receives it (LB_GETTEXT). Both answer its length in UTF-16 units, or LB_ERR.
inline constexpr uint32_t LB_GETTEXT = 0x0189;
inline constexpr uint32_t LB_GETTEXTLEN = 0x018A;
inline constexpr intptr_t LB_ERR = -1;

using TLBGetWideDataEvent = std::function<void(ui::TObject* control, int index, WideString& data)>;

class TUcListBox : public TWideTextControl<ui::TCustomListBox>, public IWideListControl {
public:
    explicit TUcListBox(ui::TComponent* owner);
    ~TUcListBox() override;

    // In the virtual styles the program keeps the items: SetCount says how many and OnData gives each
    // text. The framework's list box has no rows fetched on demand, so the rows take the texts when
    // the count is set (and again with RefreshVirtualItems).
    ui::TListBoxStyle Style() const { return style_; }
    void SetStyle(ui::TListBoxStyle style);
    bool IsVirtual() const { return style_ == ui::lbVirtual || style_ == ui::lbVirtualOwnerDraw; }
    void SetCount(int count);
    void RefreshVirtualItems();
    TLBGetWideDataEvent OnData;

    void WndProc(ui::TMessage& message) override;

    TUcStrings& WideItems() { return *wideItems_; }
    void SetWideItems(const TWideStrings& items) { wideItems_->Assign(items); }
    // The text up to its first NUL.
    void AddWideItem(std::u16string_view text, void* object) override;
    // Adds the selected items (each selected one with MultiSelect) to `destination`.
    void CopySelection(ui::TControl& destination);

private:
    // The text of a virtual item; false outside the count or without OnData.
    bool FetchVirtualText(int index, WideString& text);

    std::unique_ptr<TUcListBoxStrings> wideItems_;
    ui::TListBoxStyle style_ = ui::lbStandard;
    int virtualCount_ = 0;
};

} // namespace widecontrols
