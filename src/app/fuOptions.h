// The options dialog: the editor's automatic features and what code completion offers.
#pragma once

#include "platform/ui/Forms.h"

#include <vector>

namespace ui {
class TButton;
class TCheckBox;
class TGroupBox;
class TPageControl;
class TTabSheet;
} // namespace ui

namespace app {

// The editor's automatic features and what code completion offers, as eight check boxes.
class TfmOptions : public ui::TForm {
public:
    explicit TfmOptions(ui::TComponent* owner);

    // Fills the check boxes from the options, shows the dialog modally and, on OK, copies the check
    // boxes back into the options (every editor follows at once). True on OK.
    bool ShowOptions();

    ui::TPageControl* pcOptions;
    ui::TTabSheet* tsEditor;
    ui::TGroupBox* gbAutomaticFeatures;
    ui::TGroupBox* gbCodeCompletion;
    ui::TCheckBox* chAutoCodeParameters;
    ui::TCheckBox* chAutoCodeCompletion;
    ui::TCheckBox* chTooltipExpressionEvaluation;
    ui::TCheckBox* chCodeCompletionJoins;
    ui::TCheckBox* chCodeCompletionJoinExpressions;
    ui::TCheckBox* chCodeCompletionDatabases;
    ui::TCheckBox* chCodeCompletionSystemFunctions;
    ui::TCheckBox* chCodeCompletionKeywords;
    ui::TButton* buOk;
    ui::TButton* buCancel;

private:
    // Each check box with the option it edits.
    struct TOptionBox {
        ui::TCheckBox* box;
        bool* option;
    };
    ui::TCheckBox* AddOption(ui::TGroupBox* group, const char* name, const char* caption, bool* option);

    std::vector<TOptionBox> options_;
};

} // namespace app
