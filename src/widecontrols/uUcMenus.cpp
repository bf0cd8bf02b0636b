#include "widecontrols/uUcMenus.h"

#include "core/uUnicode.h"
#include "platform/rtl/Format.h"

namespace widecontrols {

namespace {

// The keys whose text is the framework's name even when they type a character.
bool HasFrameworkName(uint16_t key) {
    return key == 0x08 || key == 0x09 || key == 0x0D || key == 0x1B || (key >= 0x20 && key <= 0x28) ||
           key == 0x2D || key == 0x2E || (key >= 0x70 && key <= 0x87);
}

bool TypesItsCharacter(uint16_t key) {
    return (key >= 0x30 && key <= 0x39) || (key >= 0x41 && key <= 0x5A) || (key >= 0x60 && key <= 0x69);
}

} // namespace

WideString WideKeyName(ui::TShortCut shortCut) {
    return Utf8ToWide(ui::KeyToText(shortCut & 0xFF));
}

WideChar VirtualKeyToWideChar(uint16_t key) {
    if ((key >= 0x30 && key <= 0x39) || (key >= 0x41 && key <= 0x5A)) return static_cast<WideChar>(key);
    if (key >= 0x60 && key <= 0x69) return static_cast<WideChar>(u'0' + (key - 0x60));
    return 0;
}

WideString WideShortCutToText(ui::TShortCut shortCut) {
    const uint16_t key = shortCut & 0xFF;
    const WideString framework = Utf8ToWide(ui::ShortCutToText(shortCut));
    if (HasFrameworkName(key)) return framework;
    const WideString keyText =
        TypesItsCharacter(key) ? WideString(1, VirtualKeyToWideChar(key)) : WideKeyName(key);
    if (keyText.empty()) return {};
    // The modifier names are the framework's: its text less its own key name.
    const WideString frameworkKey = WideKeyName(key);
    const WideString prefixes =
        framework.substr(0, framework.size() - std::min(framework.size(), frameworkKey.size()));
    return prefixes + keyText;
}

int WideHotKeyPosition(std::u16string_view caption) {
    int position = 0;
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != u'&') continue;
        if (caption[i + 1] != u'&') position = static_cast<int>(i) + 2;
        ++i; // the character after "&" is never an ampersand that starts a pair
    }
    return position;
}

WideString WideGetHotKey(std::u16string_view caption) {
    const int position = WideHotKeyPosition(caption);
    return position == 0 ? WideString() : WideString(1, caption[static_cast<size_t>(position) - 1]);
}

WideString WideStripHotKey(std::u16string_view caption) {
    WideString out;
    out.reserve(caption.size());
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && ++i == caption.size()) break;
        out += caption[i];
    }
    return out;
}

bool WideSameCaption(std::u16string_view a, std::u16string_view b) {
    return core::WideCompareTextLocale(WideStripHotKey(a), WideStripHotKey(b), core::kUserDefaultLocale) == 0;
}

bool WideSameCaptionExact(std::u16string_view a, std::u16string_view b) {
    return WideStripHotKey(a) == WideStripHotKey(b);
}

void SyncHotKeyPosition(std::u16string_view source, WideString& target) {
    if (source == target) return;
    // Same letters: the source's ampersands stand exactly where the target's must go.
    if (!WideSameCaptionExact(source, target))
        throw EUcInternalError(rtl::Format("Internal Error: SyncHotKeyPosition Failed (\"%s\" <> \"%s\").",
                                           WideToUtf8(source), WideToUtf8(target)));
    target = source;
}

WideString MenuItemWideHint(const ui::TMenuItem& item) {
    return Utf8ToWide(item.Hint());
}

} // namespace widecontrols
