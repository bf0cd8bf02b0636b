#include "widecontrols/uUcControls.h"

#include "platform/ui/Controls.h"

namespace widecontrols {

WideString GetControlWideText(const ui::TControl& control) {
    return GetWindowTextWide(control);
}

void SetControlWideText(ui::TControl& control, std::u16string_view text) {
    SetWindowTextWide(control, text);
}

WideString GetControlWideHint(const ui::TControl& control) {
    return Utf8ToWide(control.Hint());
}

void SetControlWideHint(ui::TControl& control, std::u16string_view hint) {
    control.SetHint(WideToUtf8(hint));
}

WideString GetControlOrParentWideHint(const ui::TControl& control) {
    for (const ui::TControl* c = &control; c; c = c->Parent())
        if (!c->Hint().empty()) return GetControlWideHint(*c);
    return {};
}

WideString GetShortHintWide(std::u16string_view hint) {
    return WideString(hint.substr(0, hint.find(u'|')));
}

WideString GetLongHintWide(std::u16string_view hint) {
    const size_t bar = hint.find(u'|');
    return WideString(bar == std::u16string_view::npos ? hint : hint.substr(bar + 1));
}

} // namespace widecontrols
