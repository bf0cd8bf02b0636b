#include "app/fuFindText.h"

#include "platform/ui/Actions.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/Labels.h"
#include "widecontrols/uUcStdCtrls.h"

namespace app {

TLastSearch& LastSearch() {
    static TLastSearch search;
    return search;
}

TfmFindText::TfmFindText(ui::TComponent* owner) : ui::TForm(owner) {
    SetName("fmFindText");
    SetCaption("Find");
    SetFormBorderStyle(ui::bsDialog);
    SetPosition(ui::poOwnerFormCenter);
    SetClientSize(397, 81);
    alActions = new ui::TActionList(this);
    aFindOk = AddAction("aFindOk", "&OK", [this] {
        StoreSearch();
        SetModalResult(ui::mrOk);
    });
    aCancel = AddAction("aCancel", "&Cancel", [this] { SetModalResult(ui::mrCancel); });
    edFind = AddField("Fi&nd what:", "edFind", kMargin);
    AddButton(aFindOk, 233)->SetDefault(true);
    AddButton(aCancel, 233 + kButtonWidth + 6)->SetCancel(true);
}

TfmFindText::~TfmFindText() = default;

ui::TAction* TfmFindText::AddAction(const std::string& name, const std::string& caption,
                                    std::function<void()> execute) {
    auto* action = new ui::TAction(this);
    action->SetName(name);
    action->SetCaption(caption);
    action->SetActionList(alActions);
    action->OnExecute = [execute = std::move(execute)](ui::TObject*) { execute(); };
    return action;
}

widecontrols::TUcComboBox* TfmFindText::AddField(const std::string& label, const std::string& name, int top) {
    auto* combo = new widecontrols::TUcComboBox(this);
    combo->SetName(name);
    combo->SetParent(this);
    combo->SetBounds(88, top, ClientWidth() - 88 - kMargin, 21);
    auto* caption = new ui::TLabel(this);
    caption->SetParent(this);
    caption->SetCaption(label);
    caption->SetFocusControl(combo);
    caption->SetBounds(kMargin, top + 4, 76, 13);
    return combo;
}

ui::TButton* TfmFindText::AddButton(ui::TAction* action, int left) {
    auto* button = new ui::TButton(this);
    button->SetParent(this);
    button->SetAction(action);
    button->SetBounds(left, ClientHeight() - kButtonHeight - kMargin, kButtonWidth, kButtonHeight);
    button->SetAnchors({ui::akRight, ui::akBottom});
    return button;
}

bool TfmFindText::Execute() {
    return ShowModal() == ui::mrOk;
}

void TfmFindText::SetFindText(const std::u16string& text) {
    edFind->SetWideText(text);
}

void TfmFindText::StoreSearch() {
    TLastSearch& search = LastSearch();
    search.Text = edFind->WideText();
    search.Replace = false;
    search.ReplaceAll = false;
}

} // namespace app
