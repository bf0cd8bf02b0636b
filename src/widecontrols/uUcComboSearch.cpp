#include "widecontrols/uUcComboSearch.h"

#include "core/uUnicode.h"
#include "platform/ui/Clock.h"

namespace widecontrols {

namespace {

constexpr WideChar kBackspace = 8, kTab = 9, kEscape = 27;

// Tab closes a list that opened by itself.
void CloseOnTab(IComboSearchTarget& combo) {
    if (combo.AutoDropDown() && combo.DroppedDown()) combo.SetDroppedDown(false);
}

// Opening the list selects the matching item and with it its text: the typed text comes back.
void DropDownKeepingText(IComboSearchTarget& combo) {
    const WideString text = combo.WideText();
    const int selStart = combo.SelStart(), selLength = combo.SelLength();
    combo.SetDroppedDown(true);
    combo.SetWideText(text);
    combo.SetSelStart(selStart);
    combo.SetSelLength(selLength);
}

} // namespace

bool StartsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix) {
    return text.size() >= prefix.size() &&
           core::WideCompareTextLocale(text.substr(0, prefix.size()), prefix, core::kUserDefaultLocale) == 0;
}

int FindComboItem(const IComboSearchTarget& combo, std::u16string_view prefix, bool unique) {
    int found = -1;
    for (int i = 0; i < combo.ItemCount(); ++i) {
        if (!StartsWithIgnoringCase(combo.Item(i), prefix)) continue;
        if (!unique) return i;
        if (found >= 0) return -1;
        found = i;
    }
    return found;
}

bool SelectComboMatch(IComboSearchTarget& combo, std::u16string_view search, bool uniqueOnly,
                      bool keepTypedText) {
    const int index = FindComboItem(combo, search, uniqueOnly);
    if (index < 0) return false;
    const WideString item = combo.Item(index);
    const TComboSearchStyle style = combo.SearchStyle();
    const bool changed =
        style == TComboSearchStyle::DropDown ? item != combo.WideText() : index != combo.ItemIndex();
    if (combo.AutoCloseUp() && core::WideCompareTextLocale(item, search, core::kUserDefaultLocale) == 0)
        combo.SetDroppedDown(false);
    combo.SetItemIndex(index);
    if (style != TComboSearchStyle::List) {
        const WideString text =
            keepTypedText ? WideString(search) + item.substr(std::min(search.size(), item.size())) : item;
        combo.SetWideText(text);
        combo.SetSelStart(static_cast<int>(search.size()));
        combo.SetSelLength(static_cast<int>(text.size() - std::min(search.size(), text.size())));
    }
    if (changed) combo.ItemChosen();
    return true;
}

void ComboAutoCompleteKeyPress(IComboSearchTarget& combo, WideChar& key, bool uniqueOnly,
                               bool keepTypedText) {
    if (combo.SearchStyle() == TComboSearchStyle::List)
        throw EUcInternalError(
            "Internal Error: UcCombo_AutoCompleteKeyPress is only for csSimple and csDropDown "
            "style combo boxes.");
    if (!combo.AutoComplete() || key == kBackspace || key == kEscape) return;
    if (key == kTab) {
        CloseOnTab(combo);
        return;
    }
    if (combo.AutoDropDown() && !combo.DroppedDown()) DropDownKeepingText(combo);
    const WideString text = combo.WideText();
    const int selStart = combo.SelStart();
    // Only typing at the end completes.
    if (selStart + combo.SelLength() != static_cast<int>(text.size())) return;
    const WideString search = text.substr(0, static_cast<size_t>(selStart)) + key;
    if (SelectComboMatch(combo, search, uniqueOnly, keepTypedText)) key = 0;
}

void TComboIncrementalSearch::KeyPress(IComboSearchTarget& combo, WideChar& key) {
    if (combo.SearchStyle() != TComboSearchStyle::List || !combo.AutoComplete()) return;
    switch (key) {
    case kBackspace:
        if (!searchText_.empty()) searchText_.pop_back();
        return;
    case kTab:
        CloseOnTab(combo);
        return;
    case kEscape:
        return;
    default:
        break;
    }
    if (combo.AutoDropDown() && !combo.DroppedDown()) combo.SetDroppedDown(true);
    const uint32_t now = ui::GetTickCount();
    if (ui::TicksBetween(lastKeyTime_, now) >= kComboSearchPause) searchText_.clear();
    lastKeyTime_ = now;
    if (SelectComboMatch(combo, searchText_ + key, false, true)) {
        searchText_ += key;
        key = 0;
    }
}

} // namespace widecontrols
