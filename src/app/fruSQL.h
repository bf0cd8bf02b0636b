// The SQL window: runs statements at a stop in the debugged session and shows results and messages.
#pragma once

#include "platform/ui/Actions.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace core {
class IQueryResult;
}
namespace editor {
class TSQLScriptEditorPlugin;
}
namespace engine {
class TVeltrane;
}
namespace rtl {
class TStringList;
}
namespace ui {
class TPageControl;
class TPanel;
class TSplitter;
class TTabSheet;
} // namespace ui
namespace widecontrols {
class TUcMemo;
}

namespace app {

// What the Messages page of the SQL window shows before the first execution.
std::u16string SQLWindowIntroText();

// One execution of the SQL window: the lines for the Messages page and the result with rows, if any.
struct TSQLExecution {
    std::vector<std::u16string> messages;
    std::shared_ptr<core::IQueryResult> result;
};

// Runs one statement in the context of the stop, with the local variables it uses mirrored into
// session variables before and copied back after, as the engine's own statements are. Failures become
// message lines; the server's warning list is emptied at the end. The caller refuses while the debug
// thread is busy.
TSQLExecution ExecuteAtStop(engine::TVeltrane& veltrane, std::u16string_view statement);

class ICodeCompletionPopup;
class TCodeCompletionItems;
class TfrmDataView;
class TfrmTextEditor;

// The SQL window: statements run against the server in the context of the current stop, their
// messages below the editor and their rows docked beside them or in a window of their own.
class TfrmSQL : public ui::TFrame {
public:
    // The main window refreshes its views after every execution.
    TfrmSQL(ui::TComponent* owner, engine::TVeltrane* veltrane, std::function<void()> afterExecution,
            ICodeCompletionPopup* completionPopup);
    ~TfrmSQL() override;

    std::u16string GetText() const;
    // Also forgets the undo list.
    void SetText(std::u16string_view text);
    void FocusEditor();
    // The selection, else the statement under the caret; refused with a warning while the debug
    // thread is busy.
    void Execute(bool separateWindow);

    TfrmTextEditor& TextEditor() const { return *editor_; }
    TfrmDataView* DockedDataView() const { return dataView_; }

    ui::TPanel* pnlCode;
    ui::TSplitter* spResult;
    ui::TPanel* pnlResult;
    ui::TPageControl* pcResult;
    ui::TTabSheet* tsResultSet;
    ui::TTabSheet* tsMessages;
    widecontrols::TUcMemo* edMessages;
    ui::TActionList* alFrame;
    ui::TAction* aExecute = nullptr;
    ui::TAction* aExecuteAsUndockedResult = nullptr;
    ui::TPopupMenu* pmEditor;

private:
    std::u16string StatementToRun() const;
    void ShowResult(const std::shared_ptr<core::IQueryResult>& result, bool separateWindow);
    void FreeDockedDataView();
    void EditorContextPopup(ui::TPoint mousePos, bool& handled);
    void FillCompletion(TCodeCompletionItems& items);
    void FillParameters(rtl::TStringList& parameters, int& index);

    engine::TVeltrane* veltrane_;
    std::function<void()> afterExecution_;
    TfrmTextEditor* editor_;
    std::unique_ptr<editor::TSQLScriptEditorPlugin> scriptPlugin_;
    TfrmDataView* dataView_ = nullptr;
};

} // namespace app
