// The routine editor frame: the code editor with breakpoints, the current line and code insight.
#pragma once

#include "app/fruTextEditor.h"
#include "core/uContainers.h"
#include "core/uDBAConnection.h"
#include "platform/ui/Menus.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace core {
class TIdentifierManager;
}
namespace editor {
class TSQLScriptEditorPlugin;
}
namespace engine {
class TRoutine;
class TVeltrane;
} // namespace engine

namespace app {

// The statement at the caret of a routine editor, as completion and parameter hints read it.
struct TCodeInsightRequest {
    std::u16string Statement;
    // The caret's offset inside the statement.
    int Position = 0;
    // The editor text before the statement (before the caret when the statement starts the text).
    std::u16string TextBefore;
    std::shared_ptr<core::IDBAConnection> Connection;
    const core::TIdentifierManager* IdentifierManager = nullptr;
    std::string Schema;
};

// What the routine editor frame takes from other parts of the program: completion candidates,
// parameter hints, the cursor-iteration generator and the shared edit commands. Each may be unset.
struct TRoutineEditorServices {
    std::function<void(const TCodeInsightRequest& request, TCodeCompletionItems& items)> FillCompletionItems;
    std::function<void(const TCodeInsightRequest& request, rtl::TStringList& parameters, int& index)>
        FillParameterHints;
    // Shows the generator modally; true with the generated code on OK.
    std::function<bool(ui::TComponent* owner, const std::shared_ptr<core::IDBAConnection>& connection,
                       std::u16string& code)>
        GenerateCursorIteration;
    // Appends the common edit commands to a context menu.
    std::function<void(ui::TMenuItem& menu)> AddEditCommands;
};
TRoutineEditorServices& RoutineEditorServices();

// Shows the value of the expression under the mouse while paused (the options dialog's setting).
extern bool TooltipExpressionEvaluation;

// One routine tab: the main block or a stored procedure or function, bound to the debugger. Its
// breakpoints are toggled in the gutter and follow inserted and deleted lines; it compiles, stores the
// routine on the server, reloads it and asks before a modified routine is closed.
class TfrmCodeEditor : public ui::TFrame {
public:
    using TOpenRoutineEvent = std::function<void(TfrmCodeEditor& sender, const std::string& name, int entityType)>;
    using TRoutineEvent = std::function<void(engine::TRoutine& routine)>;

    // Entity types of OnOpenRoutine.
    static constexpr int kEntityEither = 0;
    static constexpr int kEntityProcedure = 2;
    static constexpr ui::TColor kErrorLineBackground = 0x000080;
    static constexpr ui::TColor kErrorLineForeground = 0xFFFFFF;
    static constexpr int kGutterExtraWidth = 32;

    TfrmCodeEditor(ui::TComponent* owner, engine::TVeltrane* debugger, engine::TRoutine* routine, int debuggerState,
                   bool isNew, ICodeCompletionPopup* completionPopup);
    ~TfrmCodeEditor() override;

    TfrmTextEditor& TextEditor() const { return *textEditor_; }
    engine::TRoutine& Routine() const { return *routine_; }
    bool IsNew() const { return isNew_; }
    int ErrorLine() const { return errorLine_; }
    const core::TIntegerList& ExecutableLines() const { return executableLines_; }
    ui::TPopupMenu& ContextMenu() const { return *contextMenu_; }

    // Compiles the editor text; a syntax or compile error selects the offending text and passes on.
    void Compile();
    void StoreToServer();
    void RefreshFromServer();
    bool CanClose();
    // Asks whether a modified routine is stored before it closes; false for Cancel.
    bool ConfirmStore();
    void ToggleBreakpoint(int line);
    void ToggleBreakpointAtCaret();
    // -1 clears the mark.
    void SetErrorLine(int line);
    void GoToLine(int line);
    std::u16string GetSelectionOrWord() const;
    void SetText(std::u16string_view text);
    // 1 while a debug session exists.
    void SetDebuggerState(int state);
    bool IsStoredRoutine() const;
    bool CanRefresh() const;

    std::u16string GetText() const { return textEditor_->GetText(); }
    bool GetModified() const { return textEditor_->GetModified(); }
    void SetModified(bool modified) { textEditor_->SetModified(modified); }
    int GetCaretLine() const { return textEditor_->GetCaretLine(); }
    void FocusEditor() { textEditor_->FocusEditor(); }
    bool EditorFocused() const { return textEditor_->EditorFocused(); }
    void ClearUndo() { textEditor_->ClearUndo(); }
    void ResetHint() { textEditor_->ResetHint(); }
    void RepaintEditor() { textEditor_->RepaintEditor(); }

    // The debugger-plug-in's flags of a 1-based line.
    int GetLineFlags(int line) const;
    // Breakpoints and executable lines follow a multi-line edit (0-based first line).
    void LinesDeleted(int firstLine, int count);
    void LinesInserted(int firstLine, int count);
    void OpenRoutineAtCaret();

    TOpenRoutineEvent OnOpenRoutine;
    TRoutineEvent OnRoutineRenamed;

private:
    void Reload(bool compile);
    void ReadExecutableLines();
    // Walks this routine's marks from the last to the first: `move` gives a mark's new line, 0 drops it.
    void ShiftLines(const std::function<int(int line)>& move);
    void EditorCaretChanged();
    void GetTooltip(const std::u16string& text, std::u16string& tooltip);
    TCodeInsightRequest InsightRequest() const;
    void FillCompletion(TCodeCompletionItems& items, bool& allow);
    void FillParameters(rtl::TStringList& parameters, int& index);
    void EditorContextPopup(ui::TPoint mousePos, bool& handled);
    void BuildContextMenu();
    void IntroduceCursorIteration();
    std::string KindName() const;

    engine::TVeltrane* debugger_;
    engine::TRoutine* routine_;
    TfrmTextEditor* textEditor_;
    std::unique_ptr<editor::TSQLScriptEditorPlugin> scriptPlugin_;
    core::TIntegerList executableLines_;
    int errorLine_ = -1;
    bool isNew_;
    int debuggerState_ = -1;
    ui::TPopupMenu* contextMenu_ = nullptr;
    ui::TMenuItem* miCursorIteration_ = nullptr;
};

} // namespace app
