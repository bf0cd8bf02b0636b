// The replace dialog, the find dialog with a replacement text.
#pragma once

#include "app/fuFindText.h"

namespace app {

// The replace dialog: the find dialog with the replacement and "Replace all".
class TfmReplaceText : public TfmFindText {
public:
    explicit TfmReplaceText(ui::TComponent* owner);

    void StoreSearch() override;
    void LoadSearch() override;

    widecontrols::TUcComboBox* edReplace;
    ui::TAction* aReplaceAll;
};

} // namespace app
