// Actions with wide caption and hint, and how a wide control takes them over.
#pragma once

#include "widecontrols/uUcUtils.h"

#include "platform/ui/Actions.h"

namespace ui {
class TControl;
}

namespace widecontrols {

// Marks an action whose texts are meant as wide texts.
class IWideAction {
public:
    virtual ~IWideAction() = default;
};

// The framework's actions keep their texts as UTF-8 and pass them to their links as they are, so a
// wide text reaches every linked client exactly, and two texts never share one 8-bit form.
class TUcAction : public ui::TAction, public IWideAction {
public:
    using TAction::TAction;

    WideString WideCaption() const { return Utf8ToWide(Caption()); }
    void SetWideCaption(std::u16string_view caption) { SetCaption(WideToUtf8(caption)); }
    WideString WideHint() const { return Utf8ToWide(Hint()); }
    void SetWideHint(std::u16string_view hint) { SetHint(WideToUtf8(hint)); }
};

// The action the application runs to pass its hint on.
class TUcHintAction : public ui::THintAction, public IWideAction {
public:
    using THintAction::THintAction;

    WideString WideHint() const { return Utf8ToWide(Hint()); }
    void SetWideHint(std::u16string_view hint) { SetHint(WideToUtf8(hint)); }
};

// The action's texts; empty for an action without texts (not a custom action).
WideString GetActionWideCaption(const ui::TBasicAction* action);
WideString GetActionWideHint(const ui::TBasicAction* action);
void SetActionWideCaption(ui::TBasicAction* action, std::u16string_view caption);
void SetActionWideHint(ui::TBasicAction* action, std::u16string_view hint);

// What a control takes from a wide action when it is assigned: the caption unless `checkDefaults`
// and the control has a caption of its own (one that is not its Name), the hint unless
// `checkDefaults` and it has a hint. Actions that are not wide leave it to the framework.
void ApplyActionToControl(ui::TControl& control, ui::TBasicAction* action, bool checkDefaults);

} // namespace widecontrols
