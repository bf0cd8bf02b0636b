#include "app/fruEvaluateExpression.h"

#include "app/fruTextEditor.h"
#include "app/uArtworkImages.h"
#include "app/uFrameActions.h"
#include "app/uWindowFileHelpers.h"
#include "core/uStringUtils.h"
#include "engine/debugger/uVeltrane.h"
#include "imaging/uPngImageList.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Utf.h"
#include "platform/ui/Labels.h"
#include "platform/ui/Messages.h"
#include "platform/ui/ToolBars.h"
#include "widecontrols/uUcStdCtrls.h"

namespace app {

TfrmEvaluateExpression::TfrmEvaluateExpression(ui::TComponent* owner, engine::TVeltrane* veltrane,
                                               TWatchCallback watch)
    : ui::TFrame(owner), edExpression(new widecontrols::TUcComboBox(this)),
      edResult(new widecontrols::TUcMemo(this)), tbEvaluate(new ui::TToolBar(this)),
      ilNormal(new imaging::TPngImageList(this)), alFrame(new ui::TActionList(this)), veltrane_(veltrane),
      watch_(std::move(watch)) {
    RTL_ASSERT(veltrane_);
    RTL_ASSERT(watch_);
    SetName("frmEvaluateExpression");
    SetBounds(0, 0, 400, 260);

    ilNormal->SetName("ilNormal");
    AddArtworkImages(*ilNormal, {"EVALUATE_EVALUATE", "EVALUATE_WATCH"});
    alFrame->SetName("alFrame");
    alFrame->SetImages(ilNormal);
    aEvaluate = AddFrameAction(*alFrame, "aEvaluate", "E&valuate", [this] {
        const THourGlass hourGlass;
        Evaluate();
    });
    aEvaluate->SetImageIndex(0);
    aWatch = AddFrameAction(*alFrame, "aWatch", "&Watch",
                            [this] { watch_(rtl::Utf16ToUtf8(edExpression->WideText())); });
    aWatch->SetImageIndex(1);
    SetFrameUpdate(*alFrame, [this] { alFrameUpdate(); });

    tbEvaluate->SetName("tbEvaluate");
    tbEvaluate->SetParent(this);
    tbEvaluate->SetAlign(ui::alTop);
    tbEvaluate->SetFlat(true);
    tbEvaluate->SetShowCaptions(true);
    tbEvaluate->SetImages(ilNormal);
    tbEvaluate->SetButtonWidth(60);
    tbEvaluate->SetButtonHeight(38);
    tbEvaluate->SetHeight(40);
    for (ui::TAction* action : {aEvaluate, static_cast<ui::TAction*>(nullptr), aWatch}) {
        auto* button = new ui::TToolButton(this);
        if (!action) button->SetStyle(ui::tbsSeparator);
        button->SetParent(tbEvaluate);
        if (action) button->SetAction(action);
    }
    PaintThemedToolBar(tbEvaluate);

    AddLabel("&Expression", edExpression, 44);
    edExpression->SetName("edExpression");
    edExpression->SetParent(this);
    edExpression->SetBounds(6, 62, 388, 21);
    edExpression->SetAnchors({ui::akLeft, ui::akTop, ui::akRight});
    edExpression->OnKeyDown = [this](ui::TObject*, uint16_t& key, ui::TShiftState) { EditKeyDown(key); };

    AddLabel("&Result", edResult, 90);
    edResult->SetName("edResult");
    edResult->SetParent(this);
    edResult->SetBounds(6, 108, 388, 146);
    edResult->SetAnchors({ui::akLeft, ui::akTop, ui::akRight, ui::akBottom});
    edResult->SetReadOnly(true);
    edResult->SetScrollBars(ui::ssVertical);
    edResult->OnKeyDown = [this](ui::TObject*, uint16_t& key, ui::TShiftState) { EditKeyDown(key); };
}

ui::TLabel* TfrmEvaluateExpression::AddLabel(const char* caption, ui::TWinControl* focusControl, int top) {
    auto* label = new ui::TLabel(this);
    label->SetParent(this);
    label->SetCaption(caption);
    label->SetFocusControl(focusControl);
    label->SetBounds(6, top, 200, 16);
    return label;
}

void TfrmEvaluateExpression::SetExpression(std::u16string_view text) {
    edExpression->SetWideText(text);
    Evaluate();
}

void TfrmEvaluateExpression::Evaluate() {
    edResult->SetWideText(veltrane_->EvaluateForDisplay(edExpression->WideText(), true));
    if (edExpression->CanFocus()) edExpression->SetFocus();
    edExpression->SelectAll();
}

void TfrmEvaluateExpression::EditKeyDown(uint16_t& key) {
    if (key == ui::VK_RETURN) {
        key = 0;
        Evaluate();
    } else if (key == ui::VK_ESCAPE) {
        key = 0;
        if (ui::TCustomForm* form = ui::GetParentForm(this)) form->Hide();
    }
}

void TfrmEvaluateExpression::alFrameUpdate() {
    aWatch->SetEnabled(!core::WideTrimSpaces(edExpression->WideText()).empty());
    aEvaluate->SetEnabled(aWatch->Enabled() && veltrane_->IsRunning() && !veltrane_->Busy());
}

} // namespace app
