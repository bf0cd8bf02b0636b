// Wide text and hints of the framework's controls. The framework keeps every text as UTF-8 in the
// control itself, before, during and after the life of its window, so the wide text of a control is
// that text as UTF-16: nothing is lost, and no store beside the control is needed.
#pragma once

#include "widecontrols/uUcUtils.h"

namespace ui {
class TControl;
}

namespace widecontrols {

// The caption or edit text. Setting a different text sends CM_TEXTCHANGED once; the same text, nothing.
WideString GetControlWideText(const ui::TControl& control);
void SetControlWideText(ui::TControl& control, std::u16string_view text);

// The whole "short|long" hint.
WideString GetControlWideHint(const ui::TControl& control);
void SetControlWideHint(ui::TControl& control, std::u16string_view hint);
// The first non-empty hint of the control and its parents; empty when none has one.
WideString GetControlOrParentWideHint(const ui::TControl& control);

// The text before the first "|" and the text after it; the whole hint when it has no "|".
WideString GetShortHintWide(std::u16string_view hint);
WideString GetLongHintWide(std::u16string_view hint);

// A framework control with its text and hint as wide text.
template <class Base>
class TWideTextControl : public Base {
public:
    using Base::Base;

    WideString WideText() const { return GetControlWideText(*this); }
    void SetWideText(std::u16string_view text) { SetControlWideText(*this, text); }
    WideString WideCaption() const { return WideText(); }
    void SetWideCaption(std::u16string_view caption) { SetWideText(caption); }
    WideString WideHint() const { return GetControlWideHint(*this); }
    void SetWideHint(std::u16string_view hint) { SetControlWideHint(*this, hint); }
};

} // namespace widecontrols
