#include "app/fuOptions.h"

#include "app/fruCodeEditor.h"
#include "app/fruTextEditor.h"
#include "app/uCodeCompletionOptions.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/PageControls.h"
#include "platform/ui/Panels.h"

namespace app {
namespace {

constexpr int kRowHeight = 21;

ui::TGroupBox* AddGroup(ui::TComponent* owner, ui::TWinControl* parent, const char* name, const char* caption,
                        int top, int rows) {
    auto* group = new ui::TGroupBox(owner);
    group->SetName(name);
    group->SetParent(parent);
    group->SetCaption(caption);
    group->SetBounds(8, top, 297, 24 + rows * kRowHeight);
    return group;
}

} // namespace

TfmOptions::TfmOptions(ui::TComponent* owner) : ui::TForm(owner) {
    BeginLoading();
    SetName("fmOptions");
    SetCaption("Options");
    SetFormBorderStyle(ui::bsDialog);
    SetPosition(ui::poOwnerFormCenter);
    Font()->SetName("Tahoma");
    Font()->SetHeight(-11);
    SetClientSize(337, 318);

    pcOptions = new ui::TPageControl(this);
    pcOptions->SetName("pcOptions");
    pcOptions->SetParent(this);
    pcOptions->SetBounds(8, 8, 321, 269);
    tsEditor = new ui::TTabSheet(this);
    tsEditor->SetName("tsEditor");
    tsEditor->SetCaption("Editor");
    tsEditor->SetPageControl(pcOptions);

    gbAutomaticFeatures = AddGroup(this, tsEditor, "gbAutomaticFeatures", " Automatic features ", 8, 3);
    chAutoCodeParameters =
        AddOption(gbAutomaticFeatures, "chAutoCodeParameters", "Code parameters", &AutoCodeParameters);
    chAutoCodeCompletion =
        AddOption(gbAutomaticFeatures, "chAutoCodeCompletion", "Code completion", &AutoCodeCompletion);
    chTooltipExpressionEvaluation = AddOption(gbAutomaticFeatures, "chTooltipExpressionEvaluation",
                                              "Tooltip expression evaluation", &TooltipExpressionEvaluation);
    gbCodeCompletion = AddGroup(this, tsEditor, "gbCodeCompletion", " Code completion ", 101, 5);
    chCodeCompletionJoins = AddOption(gbCodeCompletion, "chCodeCompletionJoins", "Joins", &AllowJoins);
    chCodeCompletionJoinExpressions = AddOption(gbCodeCompletion, "chCodeCompletionJoinExpressions",
                                                "Join conditions", &AllowJoinConditions);
    chCodeCompletionDatabases =
        AddOption(gbCodeCompletion, "chCodeCompletionDatabases", "Databases", &AllowDatabases);
    chCodeCompletionSystemFunctions = AddOption(gbCodeCompletion, "chCodeCompletionSystemFunctions",
                                                "Embedded functions", &AllowEmbeddedFunctions);
    chCodeCompletionKeywords =
        AddOption(gbCodeCompletion, "chCodeCompletionKeywords", "Keywords", &AllowKeywords);

    const auto addButton = [this](const char* name, const char* caption, int left, ui::TModalResult result) {
        auto* button = new ui::TButton(this);
        button->SetName(name);
        button->SetParent(this);
        button->SetCaption(caption);
        button->SetModalResult(result);
        button->SetBounds(left, 285, 75, 25);
        return button;
    };
    buOk = addButton("buOk", "OK", 173, ui::mrOk);
    buOk->SetDefault(true);
    buCancel = addButton("buCancel", "Cancel", 254, ui::mrCancel);
    buCancel->SetCancel(true);
    EndLoading();
}

ui::TCheckBox* TfmOptions::AddOption(ui::TGroupBox* group, const char* name, const char* caption,
                                     bool* option) {
    int row = 0;
    for (const auto& entry : options_)
        if (entry.box->Parent() == group) ++row;
    auto* box = new ui::TCheckBox(this);
    box->SetName(name);
    box->SetParent(group);
    box->SetCaption(caption);
    box->SetBounds(12, 20 + row * kRowHeight, 270, 17);
    options_.push_back({box, option});
    return box;
}

bool TfmOptions::ShowOptions() {
    for (const auto& [box, option] : options_)
        box->SetChecked(*option);
    if (ShowModal() != ui::mrOk) return false;
    for (const auto& [box, option] : options_)
        *option = box->Checked();
    return true;
}

} // namespace app
