#include "app/fuReplaceText.h"

#include "platform/ui/Actions.h"
#include "platform/ui/Buttons.h"
#include "widecontrols/uUcStdCtrls.h"

namespace app {

TfmReplaceText::TfmReplaceText(ui::TComponent* owner) : TfmFindText(owner) {
    SetName("fmReplaceText");
    SetCaption("Replace");
    SetClientSize(ClientWidth(), 113);
    edReplace = AddField("Replace w&ith:", "edReplace", kMargin + 32);
    aReplaceAll = AddAction("aReplaceAll", "Replace &all", [this] {
        StoreSearch();
        LastSearch().ReplaceAll = true;
        SetModalResult(ui::mrOk);
    });
    AddButton(aReplaceAll, 233 - kButtonWidth - 6);
}

void TfmReplaceText::StoreSearch() {
    TfmFindText::StoreSearch();
    LastSearch().Replacement = edReplace->WideText();
    LastSearch().Replace = true;
}

void TfmReplaceText::LoadSearch() {
    edReplace->SetWideText(LastSearch().Replacement);
}

} // namespace app
