// The wide input dialog: a prompt, an edit of up to 255 characters, OK and Cancel.
#pragma once

#include "widecontrols/uUcForms.h"
#include "widecontrols/uUcStdCtrls.h"

namespace widecontrols {

// The dialog, laid out in dialog units of its font: a font twice as wide makes it twice as wide.
class TWideInputQueryForm : public TUcForm {
public:
    TWideInputQueryForm(ui::TComponent* owner, std::u16string_view caption, std::u16string_view prompt,
                        std::u16string_view value);

    // Places everything for the form's font.
    void LayOut();

    TUcLabel& Prompt() const { return *prompt_; }
    TUcEdit& Edit() const { return *edit_; }
    TUcButton& OkButton() const { return *ok_; }
    TUcButton& CancelButton() const { return *cancel_; }

private:
    TUcLabel* prompt_;
    TUcEdit* edit_;
    TUcButton* ok_;
    TUcButton* cancel_;
};

// Shows the dialog; true and the typed text in `value` when the user confirms with OK.
bool WideInputQuery(std::u16string_view caption, std::u16string_view prompt, WideString& value);

} // namespace widecontrols
