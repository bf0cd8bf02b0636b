// Wide menu items and the text functions of captions with hot keys and of shortcuts.
#pragma once

#include "widecontrols/uUcUtils.h"

#include "platform/ui/Menus.h"

namespace widecontrols {

// The key's name ("F9", "Del"); empty for a key without one.
WideString WideKeyName(ui::TShortCut shortCut);
// The character a digit, letter or numeric-pad digit key types without modifiers; 0 for other keys.
WideChar VirtualKeyToWideChar(uint16_t key);
// "Shift+", "Ctrl+", "Alt+" (in that order) and the key's text; empty for a key without one.
WideString WideShortCutToText(ui::TShortCut shortCut);

// 1-based position of the character after the last single "&" ("&&" is a literal one); 0 when none.
int WideHotKeyPosition(std::u16string_view caption);
// That character as a text; empty when the caption has no hot key.
WideString WideGetHotKey(std::u16string_view caption);
// The caption without its ampersands: each "&" goes, the character after it stays.
WideString WideStripHotKey(std::u16string_view caption);
// The captions without hot keys, compared ignoring case / exactly.
bool WideSameCaption(std::u16string_view a, std::u16string_view b);
bool WideSameCaptionExact(std::u16string_view a, std::u16string_view b);
// Puts the hot key of `target` where `source` has it, when the two differ only in hot keys; raises
// EUcInternalError "Internal Error: SyncHotKeyPosition Failed ("%s" <> "%s")." when they differ in more.
void SyncHotKeyPosition(std::u16string_view source, WideString& target);

// A menu item with wide caption and hint. The framework's item keeps them as UTF-8 and draws them
// as Unicode, with its hot key and shortcut text.
class TUcMenuItem : public ui::TMenuItem {
public:
    using TMenuItem::TMenuItem;

    WideString WideCaption() const { return Utf8ToWide(Caption()); }
    void SetWideCaption(std::u16string_view caption) { SetCaption(WideToUtf8(caption)); }
    WideString WideHint() const { return Utf8ToWide(Hint()); }
    void SetWideHint(std::u16string_view hint) { SetHint(WideToUtf8(hint)); }
};

class TUcPopupMenu : public ui::TPopupMenu {
public:
    using TPopupMenu::TPopupMenu;
};

// The item's whole wide hint.
WideString MenuItemWideHint(const ui::TMenuItem& item);

} // namespace widecontrols
