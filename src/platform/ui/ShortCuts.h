// Keyboard shortcuts: a virtual key with modifier bits in one number, and its text ("Ctrl+V").
#pragma once

#include "platform/ui/Messages.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace ui {

// The key in the low byte; scShift, scCtrl and scAlt above it. 0 is no shortcut.
using TShortCut = uint16_t;
inline constexpr TShortCut scShift = 0x2000;
inline constexpr TShortCut scCtrl = 0x4000;
inline constexpr TShortCut scAlt = 0x8000;
inline constexpr TShortCut scNone = 0;

TShortCut ShortCut(uint16_t key, TShiftState shift);
void ShortCutToKey(TShortCut shortCut, uint16_t& key, TShiftState& shift);

// The key's own text: "F9", "Del", "PgUp", "A", "5"; empty for a key without one.
std::string KeyToText(uint16_t key);
// The modifiers in the order Shift+, Ctrl+, Alt+, then the key text; empty when the key has none.
std::string ShortCutToText(TShortCut shortCut);
// The shortcut ShortCutToText writes as `text` (modifier names in any case); 0 for anything else.
TShortCut TextToShortCut(std::string_view text);

} // namespace ui
