// The wide form and the wide view of the application object.
#pragma once

#include "widecontrols/uUcControls.h"

#include "platform/ui/Forms.h"

namespace widecontrols {

// A form with wide caption and hint, always in the font "Tahoma" (shown with its substitute).
class TUcForm : public TWideTextControl<ui::TForm> {
public:
    explicit TUcForm(ui::TComponent* owner);
};

// The application's hint and title as wide text. It exists for the whole process, also before and
// after the framework's application object: a title set while there is none waits for it.
class TUcApplication {
public:
    // The long hint of the control under the mouse (the framework keeps it current).
    WideString Hint() const;
    void SetHint(std::u16string_view hint);
    WideString Title();
    void SetTitle(std::u16string_view title);

private:
    // Hands a waiting title to the application object once there is one.
    void ApplyPendingTitle();

    WideString title_; // the last one known; waiting for the application object while titlePending_
    bool titlePending_ = false;
};

TUcApplication& WideApplication();

// Whether `characterCode` (a key's character) is the hot key of `caption`, ignoring case.
bool IsWideAccelerator(uint32_t characterCode, std::u16string_view caption);

} // namespace widecontrols
