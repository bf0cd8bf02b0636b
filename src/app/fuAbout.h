// The About box: the program's picture, version and a link to its home page.
#pragma once

#include "platform/ui/Forms.h"

namespace ui {
class TButton;
class TLabel;
} // namespace ui

namespace app {

// The program's picture, its version and a link to its home page.
class TfmAbout : public ui::TForm {
public:
    explicit TfmAbout(ui::TComponent* owner);

    ui::TControl* imAbout;
    ui::TLabel* laVersion;
    ui::TLabel* laCopy;
    ui::TButton* buClose;
};

// Shows the about box modally over `owner` (the main window).
void ShowAbout(ui::TComponent* owner);

} // namespace app
