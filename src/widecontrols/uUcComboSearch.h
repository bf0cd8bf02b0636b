// What a wide combo box does with a typed character: auto-completion of the editable styles and the
// incremental search of the list styles. Written over what the search needs of a combo box, so it
// runs without a window; its time comes from the framework's clock.
#pragma once

#include "widecontrols/uUcUtils.h"

namespace widecontrols {

enum class TComboSearchStyle {
    Simple,   // an edit above a list that always shows
    DropDown, // an edit with a drop-down list
    List,     // a drop-down list without an edit (owner-drawn or not)
};

// A combo box as the search sees it.
class IComboSearchTarget {
public:
    virtual TComboSearchStyle SearchStyle() const = 0;
    virtual bool AutoComplete() const = 0;
    virtual bool AutoDropDown() const = 0;
    virtual bool AutoCloseUp() const = 0;
    virtual bool DroppedDown() const = 0;
    virtual void SetDroppedDown(bool value) = 0;
    virtual WideString WideText() const = 0;
    virtual void SetWideText(std::u16string_view text) = 0;
    // The edit's selection in UTF-16 units.
    virtual int SelStart() const = 0;
    virtual void SetSelStart(int value) = 0;
    virtual int SelLength() const = 0;
    virtual void SetSelLength(int value) = 0;
    virtual int ItemCount() const = 0;
    virtual WideString Item(int index) const = 0;
    virtual int ItemIndex() const = 0;
    virtual void SetItemIndex(int index) = 0;
    // The user chose another item: the framework's Click, then Select.
    virtual void ItemChosen() = 0;

protected:
    ~IComboSearchTarget() = default;
};

// Whether `text` begins with `prefix`, ignoring case as the user's locale does.
bool StartsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix);

// The first item that begins with `prefix`, ignoring case; with `unique`, only when no other item
// does. -1 when none.
int FindComboItem(const IComboSearchTarget& combo, std::u16string_view prefix, bool unique);

// Selects the item that begins with `search` and, for the editable styles, completes the text with
// the rest of it selected (the typed letters keep their case with `keepTypedText`). False when no
// item matches, and then nothing changes.
bool SelectComboMatch(IComboSearchTarget& combo, std::u16string_view search, bool uniqueOnly,
                      bool keepTypedText);

// Auto-completion of the editable styles: `key` is the typed character, set to 0 when the
// completion used it. Raises EUcInternalError for the list style.
void ComboAutoCompleteKeyPress(IComboSearchTarget& combo, WideChar& key, bool uniqueOnly, bool keepTypedText);

// The incremental search of the list style: the characters typed within kComboSearchPause of each
// other are searched together.
class TComboIncrementalSearch {
public:
    static constexpr uint32_t kComboSearchPause = 1250;

    // `key` is set to 0 when the search used it.
    void KeyPress(IComboSearchTarget& combo, WideChar& key);
    const WideString& SearchText() const { return searchText_; }

private:
    WideString searchText_;
    uint32_t lastKeyTime_ = 0;
};

} // namespace widecontrols
