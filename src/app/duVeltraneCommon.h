// What every window of the program shares: the routine-kind images and the edit actions that act on
// whichever edit box or editor has the focus.
#pragma once

#include "imaging/uPngImageList.h"
#include "platform/ui/Actions.h"
#include "platform/ui/Menus.h"

namespace app {

// The images of ilObjects.
enum TObjectImage { oiSchema = 0, oiProcedure = 1, oiFunction = 2, oiMainBlock = 3 };

class TdmVeltraneCommon : public ui::TComponent {
public:
    explicit TdmVeltraneCommon(ui::TComponent* owner);

    // Appends, with Topic search and a separator first when asked: Undo, Redo, a separator, Cut,
    // Copy, Paste and Select all.
    void BuildEditMenu(ui::TMenuItem* parent, bool withTopicSearch);
    // The main window's topic search, or nothing.
    void SetTopicSearchHandler(ui::TNotifyEvent handler);

    imaging::TPngImageList* ilObjects;
    ui::TActionList* alCommon;
    ui::TAction* aEditCut;
    ui::TAction* aEditCopy;
    ui::TAction* aEditPaste;
    ui::TAction* aEditSelectAll;
    ui::TAction* aEditUndo;
    ui::TAction* aEditRedo;
    ui::TAction* aTopicSearch;

private:
    ui::TAction* NewAction(const char* name, const char* caption, const char* shortCut, const char* category,
                           ui::TNotifyEvent onExecute);
    void alCommonUpdate(ui::TBasicAction* action, bool& handled);
};

// The data module while the program is connected.
extern TdmVeltraneCommon* dmVeltraneCommon;

} // namespace app
