#include "platform/ui/ShortCuts.h"

#include <array>
#include <cctype>
#include <utility>

namespace ui {

namespace {

// The names of the keys that are not a character of their own.
constexpr std::array<std::pair<uint16_t, const char*>, 15> NamedKeys{{
    {VK_BACK, "BkSp"},
    {VK_TAB, "Tab"},
    {VK_RETURN, "Enter"},
    {VK_ESCAPE, "Esc"},
    {VK_SPACE, "Space"},
    {VK_PRIOR, "PgUp"},
    {VK_NEXT, "PgDn"},
    {VK_END, "End"},
    {VK_HOME, "Home"},
    {VK_LEFT, "Left"},
    {VK_UP, "Up"},
    {VK_RIGHT, "Right"},
    {VK_DOWN, "Down"},
    {VK_INSERT, "Ins"},
    {VK_DELETE, "Del"},
}};

constexpr std::array<std::pair<TShortCut, const char*>, 3> Modifiers{{
    {scShift, "Shift+"},
    {scCtrl, "Ctrl+"},
    {scAlt, "Alt+"},
}};

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

} // namespace

TShortCut ShortCut(uint16_t key, TShiftState shift) {
    if (key & 0xFF00) return scNone;
    TShortCut result = key;
    if (shift.Contains(ssShift)) result |= scShift;
    if (shift.Contains(ssCtrl)) result |= scCtrl;
    if (shift.Contains(ssAlt)) result |= scAlt;
    return result;
}

void ShortCutToKey(TShortCut shortCut, uint16_t& key, TShiftState& shift) {
    key = shortCut & 0xFF;
    shift = {};
    if (shortCut & scShift) shift.Include(ssShift);
    if (shortCut & scCtrl) shift.Include(ssCtrl);
    if (shortCut & scAlt) shift.Include(ssAlt);
}

std::string KeyToText(uint16_t key) {
    for (auto [named, text] : NamedKeys)
        if (key == named) return text;
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'))
        return std::string(1, static_cast<char>(key));
    if (key >= VK_F1 && key < VK_F1 + 24) return "F" + std::to_string(key - VK_F1 + 1);
    if (key >= VK_NUMPAD0 && key <= VK_NUMPAD0 + 9) return "Num " + std::to_string(key - VK_NUMPAD0);
    return {};
}

std::string ShortCutToText(TShortCut shortCut) {
    std::string key = KeyToText(shortCut & 0xFF);
    if (key.empty()) return {};
    std::string text;
    for (auto [bit, name] : Modifiers)
        if (shortCut & bit) text += name;
    return text + key;
}

TShortCut TextToShortCut(std::string_view text) {
    TShortCut modifiers = 0;
    for (bool found = true; found;) {
        found = false;
        for (auto [bit, name] : Modifiers)
            if (StartsWithIgnoringCase(text, name)) {
                modifiers |= bit;
                text.remove_prefix(std::string_view(name).size());
                found = true;
            }
    }
    if (text.empty()) return scNone;
    for (uint16_t key = 1; key < 0x100; ++key) {
        std::string name = KeyToText(key);
        if (!name.empty() && name.size() == text.size() && StartsWithIgnoringCase(text, name))
            return static_cast<TShortCut>(key | modifiers);
    }
    return scNone;
}

} // namespace ui
