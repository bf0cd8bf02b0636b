// The dialog that edits a breakpoint's line and condition.
#pragma once

#include "widecontrols/uUcForms.h"

#include <string_view>

namespace engine {
class TBreakPoint;
}

namespace widecontrols {
class TUcButton;
class TUcEdit;
class TUcLabel;
} // namespace widecontrols

namespace app {

// The line must be a whole number; "'%s' is not a valid integer value" otherwise.
int BreakpointLineOf(std::u16string_view text);

// A breakpoint's routine (read-only), line and condition.
class TfmBreakpointProperties : public widecontrols::TUcForm {
public:
    TfmBreakpointProperties(ui::TComponent* owner, engine::TBreakPoint* breakpoint);

    // The line first, then the condition; a line that is no number changes nothing.
    void Apply();

    widecontrols::TUcEdit* edModuleIdentifier;
    widecontrols::TUcEdit* edLineNumber;
    widecontrols::TUcEdit* edCondition;
    widecontrols::TUcButton* btnOK;
    widecontrols::TUcButton* btnCancel;

private:
    engine::TBreakPoint* breakpoint_;
};

// Shows the dialog and applies it on OK.
void EditBreakpointProperties(ui::TComponent* owner, engine::TBreakPoint& breakpoint);

} // namespace app
