#include "app/fruCodeEditor.h"

#include "app/fuCodeGenerator.h"
#include "core/uRegExpr.h"
#include "core/uStringUtils.h"
#include "editor/uSQLScriptEditorPlugin.h"
#include "engine/debugger/uVeltrane.h"
#include "engine/local/uCompiler.h"
#include "engine/server/uDBAProgram.h"
#include "parser/uParser.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/Utf.h"
#include "platform/ui/Dialogs.h"

#include <algorithm>
#include <cctype>

namespace app {

using engine::TRoutine;

bool TooltipExpressionEvaluation = true;

TRoutineEditorServices& RoutineEditorServices() {
    static TRoutineEditorServices services;
    return services;
}

namespace {

bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

// The line a server error names ("... near 'x' at line 3"), or -1.
int ServerErrorLine(const std::string& message) {
    core::TRegExpr expression;
    expression.SetExpression("' at line (\\d+)");
    if (!expression.Exec(message)) return -1;
    return std::stoi(expression.SubMatchText(1));
}

// Each line of `code` indented by `blanks`, the first line's leading blanks trimmed: the caret
// already stands at the indentation.
std::u16string IndentedAtCaret(const std::u16string& code, int blanks) {
    const std::u16string indent(std::size_t(std::max(blanks, 0)), u' ');
    std::u16string text;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = code.find(u'\n', start);
        text += indent + code.substr(start, end == std::u16string::npos ? end : end + 1 - start);
        if (end == std::u16string::npos) break;
        start = end + 1;
    }
    return text.substr(std::min(text.find_first_not_of(u' '), text.size()));
}

} // namespace

TfrmCodeEditor::TfrmCodeEditor(ui::TComponent* owner, engine::TVeltrane* debugger, TRoutine* routine,
                               int debuggerState, bool isNew, ICodeCompletionPopup* completionPopup)
    : ui::TFrame(owner), debugger_(debugger), routine_(routine), isNew_(isNew) {
    RTL_ASSERT(debugger);
    RTL_ASSERT(routine);
    textEditor_ = new TfrmTextEditor(this, TfrmTextEditor::hkSQL);
    textEditor_->SetParent(this);
    textEditor_->SetAlign(ui::alClient);
    textEditor_->InstallDebuggerPlugin(
        [this](int line, ui::TColor& foreground, ui::TColor& background) {
            if (line + 1 != errorLine_) return;
            background = kErrorLineBackground;
            foreground = kErrorLineForeground;
        },
        [this](int first, int count) { LinesDeleted(first, count); },
        [this](int first, int count) { LinesInserted(first, count); },
        [this](int line, int& flags) { flags = GetLineFlags(line); });
    textEditor_->SetOnGutterClick([this](int line) { ToggleBreakpoint(line); });
    textEditor_->SetOnCaretChange([this](TfrmTextEditor&) { EditorCaretChanged(); });
    textEditor_->SetText(routine->Text());
    textEditor_->OnGetTooltip = [this](const std::u16string& text, std::u16string& tooltip) {
        GetTooltip(text, tooltip);
    };
    textEditor_->OnCtrlEnter = [this](TfrmTextEditor&) { OpenRoutineAtCaret(); };
    textEditor_->OnGetWord = [this](const std::u16string& lineText, int column, std::u16string& word) {
        word = debugger_->GetExpressionAt(lineText, column);
    };
    textEditor_->SetGutterExtraWidth(kGutterExtraWidth);
    textEditor_->OnContextPopup = [this](ui::TPoint mousePos, bool& handled) {
        EditorContextPopup(mousePos, handled);
    };
    scriptPlugin_ = std::make_unique<editor::TSQLScriptEditorPlugin>();
    textEditor_->InstallScriptPlugin(scriptPlugin_.get());
    textEditor_->SetCodeCompletion(
        completionPopup ? completionPopup : DefaultCodeCompletionPopup(),
        [this](TCodeCompletionItems& items, bool& allow) { FillCompletion(items, allow); });
    textEditor_->SetCodeParameters(
        [this](rtl::TStringList& parameters, int& index) { FillParameters(parameters, index); });
    ReadExecutableLines();
    SetDebuggerState(debuggerState);
    textEditor_->SetModified(isNew);
    textEditor_->ClearUndo();
    BuildContextMenu();
}

TfrmCodeEditor::~TfrmCodeEditor() {
    // The plug-in leaves the editor before the editor goes with the frame's components.
    scriptPlugin_.reset();
}

std::string TfrmCodeEditor::KindName() const {
    const auto kind = std::size_t(routine_->Kind());
    return kind < engine::RoutineKindNamesLower.size() ? std::string(engine::RoutineKindNamesLower[kind])
                                                       : std::to_string(kind);
}

bool TfrmCodeEditor::IsStoredRoutine() const {
    return routine_->Kind() == engine::rkProcedure || routine_->Kind() == engine::rkFunction;
}

bool TfrmCodeEditor::CanRefresh() const {
    return IsStoredRoutine() && !isNew_;
}

// ---- breakpoints, executable lines and the current line

int TfrmCodeEditor::GetLineFlags(int line) const {
    int flags = 0;
    if (executableLines_.Contains(line)) flags += dlfExecutableLine;
    if (const engine::TBreakPoint* b =
            debugger_->BreakPoints().Find(routine_->Name(), routine_->Kind(), line))
        flags += b->Enabled() ? dlfBreakpoint : dlfDisabledBreakpoint;
    if (debugger_->IsRunning() && !debugger_->Busy() && debugger_->CurrentRoutine() == routine_ &&
        debugger_->CurrentLine() == line)
        flags += dlfCurrentLine;
    return flags;
}

void TfrmCodeEditor::ToggleBreakpoint(int line) {
    debugger_->BreakPoints().Toggle(routine_->Name(), routine_->Kind(), line);
    textEditor_->InvalidateLine(line);
}

void TfrmCodeEditor::ToggleBreakpointAtCaret() {
    ToggleBreakpoint(textEditor_->GetCaretLine());
}

void TfrmCodeEditor::ShiftLines(const std::function<int(int line)>& move) {
    try {
        for (int k = executableLines_.Count() - 1; k >= 0; --k) {
            const int line = move(executableLines_.Get(k));
            if (line == 0)
                executableLines_.Remove(executableLines_.Get(k));
            else
                executableLines_.Put(k, line);
        }
        engine::TBreakPoints& breakPoints = debugger_->BreakPoints();
        for (int k = breakPoints.Count() - 1; k >= 0; --k) {
            engine::TBreakPoint& b = breakPoints.Items(k);
            if (b.RoutineName() != routine_->Name() || b.RoutineKind() != routine_->Kind()) continue;
            const int line = move(b.Line());
            if (line == 0)
                breakPoints.Remove(b.RoutineName(), b.RoutineKind(), b.Line());
            else
                b.SetLine(line);
        }
    } catch (const std::exception&) {
        // The marks stay where they were; the edit itself went through.
    }
}

void TfrmCodeEditor::LinesDeleted(int firstLine, int count) {
    const int a = firstLine + 1;
    ShiftLines([a, count](int line) {
        if (line > a && line < a + count) return 0;
        if (line < a + count) return line;
        return std::max(line - count, 0);
    });
}

void TfrmCodeEditor::LinesInserted(int firstLine, int count) {
    const int a = firstLine + 1;
    // The break was typed at the start of line A when the line is blank now: its marks go down with it.
    const bool movesA = a <= textEditor_->GetLineCount() && textEditor_->IsLineEmpty(a);
    const int lines = textEditor_->GetLineCount();
    ShiftLines([a, count, movesA, lines](int line) {
        if (line > a || (line == a && movesA)) return line + count > lines ? 0 : line + count;
        return line;
    });
}

void TfrmCodeEditor::ReadExecutableLines() {
    executableLines_.Clear();
    debugger_->GetExecutableLines(*routine_, executableLines_);
}

// ---- error line

void TfrmCodeEditor::SetErrorLine(int line) {
    if (line == errorLine_) return;
    const int previous = errorLine_;
    if (line != -1) textEditor_->SetCaretPos(0, line);
    errorLine_ = line;
    if (previous != -1) textEditor_->InvalidateLine(previous);
    if (line != -1) textEditor_->InvalidateLine(line);
}

void TfrmCodeEditor::EditorCaretChanged() {
    if (errorLine_ == -1) return;
    textEditor_->InvalidateLine(errorLine_);
    errorLine_ = -1;
}

void TfrmCodeEditor::GoToLine(int line) {
    textEditor_->SetCaretPos(0, line);
}

std::u16string TfrmCodeEditor::GetSelectionOrWord() const {
    return textEditor_->SelectionAvailable() ? textEditor_->GetSelectedText() : textEditor_->GetWordAtCaret();
}

void TfrmCodeEditor::SetText(std::u16string_view text) {
    textEditor_->SetText(text);
    executableLines_.Clear();
}

void TfrmCodeEditor::SetDebuggerState(int state) {
    if (state == debuggerState_) return;
    debuggerState_ = state;
    textEditor_->SetHoverTooltips(state == 1);
    textEditor_->ResetHint();
}

// ---- compiling, storing and reloading

void TfrmCodeEditor::Compile() {
    routine_->SetText(textEditor_->GetText());
    if (!routine_->Compiled()) {
        const auto select = [this](int start, int end) { textEditor_->SelectRange(start, end); };
        try {
            routine_->Compile();
        } catch (const parser::EGrammarError& e) {
            select(e.StartPosition(), e.EndPosition());
            throw;
        } catch (const engine::ECompileError& e) {
            select(e.StartPosition(), e.EndPosition());
            throw;
        }
    }
    ReadExecutableLines();
}

void TfrmCodeEditor::StoreToServer() {
    const THourGlass hourGlass;
    try {
        Compile();
    } catch (const std::exception& e) {
        const std::string question =
            rtl::Format("An error occurred while compiling:\r\n\r\n%s\r\n\r\nStore anyway?", e.what());
        if (ui::MessageDlg(question, ui::mtConfirmation, {ui::mbYes, ui::mbNo}) != ui::mrYes) return;
    }
    if (!IsStoredRoutine()) throw rtl::Exception(rtl::Format("Cannot store %s", KindName()));
    const std::u16string text = textEditor_->GetText();
    std::string name, type;
    ParseRoutineHeader(text, name, type, nullptr);
    engine::TProgram& program = routine_->Program();
    const bool sameRoutine = program.IdentifierManager().SameQualifiedName(
        name, routine_->Name(), engine::GetRoutineSchema(*routine_));
    if (!SameTextIgnoringCase(type, KindName()))
        throw rtl::Exception("Invalid header, expected " + KindName());
    try {
        auto& dbaProgram = dynamic_cast<engine::TDBAProgram&>(program);
        if (isNew_)
            dbaProgram.Connection()->ExecSQL(rtl::Utf16ToUtf8(text));
        else
            engine::StoreRoutine(*dbaProgram.Connection(), *routine_, text);
    } catch (const rtl::Exception& e) {
        if (const int line = ServerErrorLine(e.Message()); line > 0) SetErrorLine(line);
        throw;
    }
    isNew_ = false;
    if (!sameRoutine) {
        program.RenameRoutine(*routine_, name);
        if (OnRoutineRenamed) OnRoutineRenamed(*routine_);
    }
    Reload(true);
    textEditor_->RepaintEditor();
}

// A failed read from the server passes on and leaves the editor as it is: the user must not take
// the old text for the server's.
void TfrmCodeEditor::Reload(bool compile) {
    if (!IsStoredRoutine()) throw rtl::Exception(rtl::Format("Cannot refresh %s", KindName()));
    routine_->Reload(false);
    if (compile) {
        try {
            routine_->Compile();
        } catch (const std::exception&) {
            // Stored as it is; the next compile shows the error.
        }
    }
    const ui::TPoint caret = textEditor_->GetCaretXY();
    SetText(routine_->Text());
    textEditor_->SetCaretXY(caret);
    textEditor_->SetModified(false);
    ReadExecutableLines();
}

void TfrmCodeEditor::RefreshFromServer() {
    if (!CanRefresh()) return;
    const bool compile = routine_->Compiled();
    if (textEditor_->GetModified()) {
        const auto kind = std::size_t(routine_->Kind());
        const std::string question = rtl::Format("%s '%s' has been changed. If you click on Yes, all changes "
                                                 "will be lost.\r\nDo you want to refresh?",
                                                 std::string(engine::RoutineKindNames[kind]),
                                                 routine_->Program().RoutineDisplayName(*routine_));
        if (ui::MessageDlg(question, ui::mtWarning, {ui::mbYes, ui::mbNo}) != ui::mrYes) return;
    }
    const THourGlass hourGlass;
    Reload(compile);
}

bool TfrmCodeEditor::CanClose() {
    return IsStoredRoutine() ? ConfirmStore() : true;
}

bool TfrmCodeEditor::ConfirmStore() {
    if (!textEditor_->GetModified()) return true;
    const std::string question = rtl::Format("Store the changes in %s '%s' before closing?", KindName(),
                                             routine_->Program().RoutineDisplayName(*routine_));
    switch (ui::MessageDlg(question, ui::mtConfirmation, ui::mbYesNoCancel)) {
    case ui::mrYes:
        StoreToServer();
        return true;
    case ui::mrNo:
        return true;
    default:
        return false;
    }
}

// ---- tooltips, Ctrl+Enter, completion and parameter hints

void TfrmCodeEditor::GetTooltip(const std::u16string& text, std::u16string& tooltip) {
    tooltip.clear();
    if (!TooltipExpressionEvaluation || !debugger_->IsRunning() || debugger_->Busy()) return;
    try {
        const std::u16string value = debugger_->EvaluateForDisplay(text, false);
        if (!value.empty()) tooltip = text + u" = " + value;
    } catch (const std::exception&) {
        // No value, no tooltip.
    }
}

void TfrmCodeEditor::OpenRoutineAtCaret() {
    const std::string name = rtl::Utf16ToUtf8(textEditor_->GetWordAtCaret());
    if (!OnOpenRoutine) return;
    const std::string line = rtl::Utf16ToUtf8(core::WideTrimSpaces(textEditor_->GetCaretLineText()));
    std::string upper = line.substr(0, 5);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return char(std::toupper(c)); });
    OnOpenRoutine(*this, name, upper == "CALL " ? kEntityProcedure : kEntityEither);
}

TCodeInsightRequest TfrmCodeEditor::InsightRequest() const {
    TCodeInsightRequest request;
    int start = 0;
    scriptPlugin_->GetStatementAtCaret(start, request.Statement);
    const int caret = textEditor_->GetCaretOffset();
    request.Position = caret - start;
    request.TextBefore = textEditor_->GetTextBeforeOffset(start == 0 ? caret : start);
    auto& program = dynamic_cast<engine::TDBAProgram&>(routine_->Program());
    request.Connection = program.Connection();
    request.IdentifierManager = &program.IdentifierManager();
    request.Schema = engine::GetRoutineSchema(*routine_);
    return request;
}

void TfrmCodeEditor::FillCompletion(TCodeCompletionItems& items, bool& /*allow*/) {
    if (debugger_->Busy()) return;
    if (const auto& fill = RoutineEditorServices().FillCompletionItems) fill(InsightRequest(), items);
}

void TfrmCodeEditor::FillParameters(rtl::TStringList& parameters, int& index) {
    if (debugger_->Busy()) return;
    parameters.Clear();
    if (const auto& fill = RoutineEditorServices().FillParameterHints)
        fill(InsightRequest(), parameters, index);
}

// ---- context menu

void TfrmCodeEditor::BuildContextMenu() {
    contextMenu_ = new ui::TPopupMenu(this);
    miCursorIteration_ = new ui::TMenuItem(contextMenu_);
    miCursorIteration_->SetCaption("Introduce CURSOR iteration...");
    miCursorIteration_->OnClick = [this](ui::TObject*) { IntroduceCursorIteration(); };
    contextMenu_->Items()->Add(miCursorIteration_);
    auto* separator = new ui::TMenuItem(contextMenu_);
    separator->SetCaption("-");
    contextMenu_->Items()->Add(separator);
    if (const auto& add = RoutineEditorServices().AddEditCommands) add(*contextMenu_->Items());
    contextMenu_->OnPopup = [this](ui::TObject*) { miCursorIteration_->SetEnabled(!debugger_->IsRunning()); };
}

void TfrmCodeEditor::EditorContextPopup(ui::TPoint mousePos, bool& handled) {
    handled = true;
    textEditor_->FocusEditor();
    const ui::TPoint screen = textEditor_->Editor().ClientToScreen(mousePos);
    contextMenu_->SetPopupComponent(&textEditor_->Editor());
    contextMenu_->Popup(screen.X, screen.Y);
}

void TfrmCodeEditor::IntroduceCursorIteration() {
    const auto& generate = RoutineEditorServices().GenerateCursorIteration;
    if (!generate) return;
    auto& program = dynamic_cast<engine::TDBAProgram&>(routine_->Program());
    std::u16string code;
    if (!generate(this, program.Connection(), code)) return;
    textEditor_->SetSelectedText(IndentedAtCaret(code, textEditor_->GetCaretXY().X));
}

} // namespace app
