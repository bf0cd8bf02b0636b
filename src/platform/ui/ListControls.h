// Combo boxes and list boxes over the native list widgets. Items is a live list: changing it changes
// what the control shows. Item objects are the items' data.
#pragma once

#include "platform/rtl/StringList.h"
#include "platform/ui/Controls.h"

#include <string>
#include <vector>

namespace ui {

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

class TCustomComboBox : public TWinControl {
public:
    explicit TCustomComboBox(TComponent* owner);
    ~TCustomComboBox() override;

    rtl::TStringList& Items() { return items_; }
    // -1: none. Setting it fires no event.
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int index);
    // The style decides whether the text can be edited (drop-down, simple) or is the chosen item's.
    TComboBoxStyle Style() const { return style_; }
    void SetStyle(TComboBoxStyle style);
    // The most items the list shows without scrolling.
    int DropDownCount() const { return dropDownCount_; }
    void SetDropDownCount(int count);
    bool DroppedDown() const;
    void SetDroppedDown(bool value);
    // The edit part's selection, in UTF-16 units.
    int SelStart() const;
    void SetSelStart(int start);
    int SelLength() const;
    void SetSelLength(int length);
    std::string SelText() const;
    void SelectAll();
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int length);

    // The user typed in the edit part, or chose an item while OnSelect is not assigned.
    TNotifyEvent OnChange;
    // The user chose an item.
    TNotifyEvent OnSelect;
    // The list is about to drop down (it may still be filled now).
    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;

    void WndProc(TMessage& message) override;

protected:
    virtual void Change();
    virtual void Select();
    virtual void DropDown();
    virtual void CloseUp();
    QWidget* CreateWidget(QWidget* parentWidget) override;
    std::string GetWindowText() const override;
    void SetWindowText(const std::string& text) override;

private:
    bool Editable() const { return style_ == csDropDown || style_ == csSimple; }
    void ItemsChanged();
    void UserChose(int index);

    rtl::TStringList items_;
    int itemIndex_ = -1;
    std::string text_;
    TComboBoxStyle style_ = csDropDown;
    int dropDownCount_ = 8;
    int maxLength_ = 0;
};

class TComboBox : public TCustomComboBox {
public:
    using TCustomComboBox::TCustomComboBox;
};

enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable, lbVirtual, lbVirtualOwnerDraw };

class TCustomListBox : public TWinControl {
public:
    explicit TCustomListBox(TComponent* owner);
    ~TCustomListBox() override;

    rtl::TStringList& Items() { return items_; }
    // The focused item; in a single-selection list also the selected one. Setting it fires no event.
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int index);
    bool MultiSelect() const { return multiSelect_; }
    void SetMultiSelect(bool value);
    // Shift and Ctrl extend a multiple selection (else each click toggles one item).
    bool ExtendedSelect() const { return extendedSelect_; }
    void SetExtendedSelect(bool value);
    bool Selected(int index) const;
    void SetSelected(int index, bool value);
    int SelCount() const;
    void ClearSelection();
    void SelectAll();
    // The first item shown.
    int TopIndex() const;
    void SetTopIndex(int index);
    // The item at a client point, or -1.
    int ItemAtPos(TPoint p, bool existing = true) const;
    TRect ItemRect(int index) const;
    int Count() const { return items_.Count(); }

    // OnClick: the user changed the selection (mouse or keyboard).

    void WndProc(TMessage& message) override;

protected:
    QWidget* CreateWidget(QWidget* parentWidget) override;
    void DestroyWnd() override;

private:
    void ItemsChanged();
    void ApplySelectionMode();
    void ApplySelection();
    void UserChangedSelection();

    rtl::TStringList items_;
    int itemIndex_ = -1;
    std::vector<bool> selected_;
    int topIndex_ = 0;
    bool multiSelect_ = false;
    bool extendedSelect_ = true;
    bool applying_ = false;
};

class TListBox : public TCustomListBox {
public:
    using TCustomListBox::TCustomListBox;
};

} // namespace ui
