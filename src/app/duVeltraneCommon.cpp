#include "app/duVeltraneCommon.h"

#include "app/uArtworkImages.h"
#include "app/uWindowFileHelpers.h"
#include "editor/WideCodeEdit.h"
#include "editor/WideCodeEditModel.h"
#include "platform/ui/Clipboard.h"
#include "platform/ui/Edits.h"
#include "platform/ui/Forms.h"
#include "platform/ui/ListControls.h"
#include "platform/ui/Messages.h"
#include "platform/ui/ShortCuts.h"

namespace app {

TdmVeltraneCommon* dmVeltraneCommon = nullptr;

namespace {

ui::TWinControl* ActiveControl() {
    return ui::Screen ? ui::Screen->ActiveControl() : nullptr;
}

editor::TCustomWideCodeEdit* ActiveCodeEdit() {
    return dynamic_cast<editor::TCustomWideCodeEdit*>(ActiveControl());
}

// The clipboard message goes to the active control of the active form. The edit boxes and the code
// editor do what it asks through their own operations; any other control may answer the message.
void SendToActiveControl(uint32_t message) {
    ui::TCustomForm* form = ui::Screen ? ui::Screen->ActiveForm() : nullptr;
    ui::TWinControl* control = form ? form->ActiveControl() : nullptr;
    if (!control) return;
    if (auto* edit = dynamic_cast<ui::TCustomEdit*>(control)) {
        if (message == ui::WM_CUT) edit->CutToClipboard();
        if (message == ui::WM_COPY) edit->CopyToClipboard();
        if (message == ui::WM_PASTE) edit->PasteFromClipboard();
    } else if (auto* code = dynamic_cast<editor::TCustomWideCodeEdit*>(control)) {
        if (message == ui::WM_CUT) code->Model().CutToClipboard();
        if (message == ui::WM_COPY) code->Model().CopyToClipboard();
        if (message == ui::WM_PASTE) code->Model().PasteFromClipboard();
    } else {
        control->Perform(message, 0, 0);
    }
}

bool ClipboardHasText() {
    return ui::Clipboard().HasFormat(ui::CF_TEXT) || ui::Clipboard().HasFormat(ui::CF_UNICODETEXT);
}

} // namespace

TdmVeltraneCommon::TdmVeltraneCommon(ui::TComponent* owner) : ui::TComponent(owner) {
    SetName("dmVeltraneCommon");
    ilObjects = new imaging::TPngImageList(this);
    ilObjects->SetName("ilObjects");
    AddArtworkImages(*ilObjects,
                     {"OBJECT_SCHEMA", "OBJECT_PROCEDURE", "OBJECT_FUNCTION", "OBJECT_MAIN_BLOCK"});
    alCommon = new ui::TActionList(this);
    alCommon->SetName("alCommon");
    alCommon->OnUpdate = [this](ui::TBasicAction* action, bool& handled) { alCommonUpdate(action, handled); };
    const auto onCodeEdit = [](void (editor::TWideCodeEditModel::*operation)()) {
        return [operation](ui::TObject*) {
            if (editor::TCustomWideCodeEdit* edit = ActiveCodeEdit()) (edit->Model().*operation)();
        };
    };
    aEditCut = NewAction("aEditCut", "Cu&t", "Ctrl+X", "Edit",
                         [](ui::TObject*) { SendToActiveControl(ui::WM_CUT); });
    aEditCopy = NewAction("aEditCopy", "&Copy", "Ctrl+C", "Edit",
                          [](ui::TObject*) { SendToActiveControl(ui::WM_COPY); });
    aEditPaste = NewAction("aEditPaste", "&Paste", "Ctrl+V", "Edit",
                           [](ui::TObject*) { SendToActiveControl(ui::WM_PASTE); });
    aEditSelectAll = NewAction("aEditSelectAll", "Select &All", "Ctrl+A", "Edit",
                               onCodeEdit(&editor::TWideCodeEditModel::SelectAll));
    aEditUndo =
        NewAction("aEditUndo", "&Undo", "Ctrl+Z", "Edit", onCodeEdit(&editor::TWideCodeEditModel::Undo));
    aEditRedo = NewAction("aEditRedo", "&Redo", "Shift+Ctrl+Z", "Edit",
                          onCodeEdit(&editor::TWideCodeEditModel::Redo));
    aTopicSearch = NewAction("aTopicSearch", "Topic search", "F1", "Help", nullptr);
}

ui::TAction* TdmVeltraneCommon::NewAction(const char* name, const char* caption, const char* shortCut,
                                          const char* category, ui::TNotifyEvent onExecute) {
    auto* action = new ui::TAction(this);
    action->SetName(name);
    action->SetCaption(caption);
    action->SetShortCut(ui::TextToShortCut(shortCut));
    action->SetCategory(category);
    action->OnExecute = std::move(onExecute);
    action->SetActionList(alCommon);
    return action;
}

void TdmVeltraneCommon::BuildEditMenu(ui::TMenuItem* parent, bool withTopicSearch) {
    if (withTopicSearch) {
        AddActionSubItem(parent, aTopicSearch);
        AddSeparatorMenuItem(parent);
    }
    AddActionSubItem(parent, aEditUndo);
    AddActionSubItem(parent, aEditRedo);
    AddSeparatorMenuItem(parent);
    AddActionSubItem(parent, aEditCut);
    AddActionSubItem(parent, aEditCopy);
    AddActionSubItem(parent, aEditPaste);
    AddActionSubItem(parent, aEditSelectAll);
}

void TdmVeltraneCommon::SetTopicSearchHandler(ui::TNotifyEvent handler) {
    aTopicSearch->OnExecute = std::move(handler);
}

void TdmVeltraneCommon::alCommonUpdate(ui::TBasicAction*, bool& handled) {
    handled = true;
    ui::TWinControl* control = ActiveControl();
    bool cut = false, paste = false, selectAll = false, undo = false, redo = false;
    if (editor::TCustomWideCodeEdit* edit = ActiveCodeEdit()) {
        const editor::TWideCodeEditModel& model = edit->Model();
        cut = model.SelectionAvailable();
        paste = ClipboardHasText();
        selectAll = model.Content().Count() > 0;
        undo = model.CanUndo();
        redo = model.CanRedo();
    } else if (dynamic_cast<ui::TCustomEdit*>(control) || dynamic_cast<ui::TCustomComboBox*>(control)) {
        cut = true;
        paste = ClipboardHasText();
    }
    aEditCut->SetEnabled(cut);
    aEditCopy->SetEnabled(cut);
    aEditPaste->SetEnabled(paste);
    aEditSelectAll->SetEnabled(selectAll);
    aEditUndo->SetEnabled(undo);
    aEditRedo->SetEnabled(redo);
}

} // namespace app
