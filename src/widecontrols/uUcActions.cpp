#include "widecontrols/uUcActions.h"

#include "widecontrols/uUcControls.h"

#include "platform/ui/Controls.h"

namespace widecontrols {

WideString GetActionWideCaption(const ui::TBasicAction* action) {
    const auto* custom = dynamic_cast<const ui::TCustomAction*>(action);
    return custom ? Utf8ToWide(custom->Caption()) : WideString();
}

WideString GetActionWideHint(const ui::TBasicAction* action) {
    const auto* custom = dynamic_cast<const ui::TCustomAction*>(action);
    return custom ? Utf8ToWide(custom->Hint()) : WideString();
}

void SetActionWideCaption(ui::TBasicAction* action, std::u16string_view caption) {
    if (auto* custom = dynamic_cast<ui::TCustomAction*>(action)) custom->SetCaption(WideToUtf8(caption));
}

void SetActionWideHint(ui::TBasicAction* action, std::u16string_view hint) {
    if (auto* custom = dynamic_cast<ui::TCustomAction*>(action)) custom->SetHint(WideToUtf8(hint));
}

void ApplyActionToControl(ui::TControl& control, ui::TBasicAction* action, bool checkDefaults) {
    if (!dynamic_cast<IWideAction*>(action) || !dynamic_cast<ui::TCustomAction*>(action)) return;
    const WideString text = GetControlWideText(control);
    if (!checkDefaults || text.empty() || text == Utf8ToWide(control.Name()))
        SetControlWideText(control, GetActionWideCaption(action));
    if (!checkDefaults || GetControlWideHint(control).empty())
        SetControlWideHint(control, GetActionWideHint(action));
}

} // namespace widecontrols
