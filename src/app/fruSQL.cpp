#include "app/fruSQL.h"

#include "app/duVeltraneCommon.h"
#include "app/fruCodeEditor.h"
#include "app/fruDataView.h"
#include "app/fruTextEditor.h"
#include "app/fuToolForm.h"
#include "app/uFrameActions.h"
#include "core/uDBAConnection.h"
#include "core/uStringUtils.h"
#include "editor/uSQLScriptEditorPlugin.h"
#include "engine/debugger/uVeltrane.h"
#include "engine/server/uDBAExpressions.h"
#include "engine/server/uDBAInterpreter.h"
#include "engine/server/uQueryAnalyzer.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/Utf.h"
#include "platform/ui/Application.h"
#include "platform/ui/Cursors.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/PageControls.h"
#include "platform/ui/Panels.h"
#include "platform/ui/ShortCuts.h"
#include "widecontrols/uUcStdCtrls.h"

namespace app {
namespace {

std::u16string Counted(const char* format, core::IQueryResult& result) {
    return rtl::Utf8ToUtf16(
        rtl::Format(format, result.RowCount(), core::FormatMilliseconds(result.ExecutionTime())));
}

void Run(core::IDBAConnection& connection, const engine::TQueryAnalyzingResult& query,
         const engine::TDBAVariables& variables, TSQLExecution& execution) {
    auto result = connection.Execute(rtl::Utf16ToUtf8(query.Text));
    if (result->HasResultSet()) {
        execution.messages.push_back(Counted("%d row(s) returned (%s sec)", *result));
        engine::RestoreVariableLabels(*result, variables);
        execution.result = result;
    } else {
        execution.messages.push_back(Counted("%d row(s) affected (%s sec)", *result));
    }
    if (result->HasMoreResults()) result->NextResult();
}

} // namespace

std::u16string SQLWindowIntroText() {
    return u"Press Ctrl+Enter to execute the statement.\r\n"
           u"Press Ctrl+Shift+Enter to open data statement in separate window.\r\n"
           u"\r\n"
           u"Use semicolon (;) to separate statements. \r\n"
           u"For example:\r\n"
           u"  insert into t1 values(1);\r\n"
           u"  select * from t1;\r\n"
           u"\r\n"
           u"To redefine the default separator, use the DELIMITER command. \r\n"
           u"For example:\r\n"
           u"  delimiter //\r\n"
           u"  create procedure dorepeat(p1 int)\r\n"
           u"  begin\r\n"
           u"      set @x = 0;\r\n"
           u"      repeat set @x = @x + 1; until @x > p1 end repeat;\r\n"
           u"   end//\r\n"
           u"   delimiter ;";
}

TSQLExecution ExecuteAtStop(engine::TVeltrane& veltrane, std::u16string_view statement) {
    core::IDBAConnection& connection = *veltrane.Program().Connection();
    TSQLExecution execution;
    try {
        engine::TDBAVariables variables(false);
        const auto query = engine::AnalyzeQuery(statement, veltrane.GetCurrentContext(), variables);
        if (variables.Count() > 0) engine::PushVariables(connection, variables);
        if (query.Kind == engine::qkNotAllowed)
            throw rtl::Exception(rtl::Format("'%s' is not allowed here", rtl::Utf16ToUtf8(statement)));
        if (query.Kind != engine::qkReturnsRows && query.Kind != engine::qkCall &&
            query.Kind != engine::qkReturnsNoRows)
            throw rtl::Exception("Unknown query type");
        Run(connection, query, variables, execution);
        if (variables.Count() > 0) engine::PullVariables(connection, variables);
    } catch (const core::EDBAConnectionException& error) {
        execution.messages.push_back(rtl::Utf8ToUtf16(error.what()));
    } catch (const std::exception& error) {
        execution.messages.push_back(rtl::Utf8ToUtf16(std::string("Error: ") + error.what()));
    }
    engine::ClearServerWarnings(connection);
    return execution;
}

TfrmSQL::TfrmSQL(ui::TComponent* owner, engine::TVeltrane* veltrane, std::function<void()> afterExecution,
                 ICodeCompletionPopup* completionPopup)
    : ui::TFrame(owner), pnlCode(new ui::TPanel(this)), spResult(new ui::TSplitter(this)),
      pnlResult(new ui::TPanel(this)), pcResult(new ui::TPageControl(this)),
      tsResultSet(new ui::TTabSheet(this)), tsMessages(new ui::TTabSheet(this)),
      edMessages(new widecontrols::TUcMemo(this)), alFrame(new ui::TActionList(this)),
      pmEditor(new ui::TPopupMenu(this)), veltrane_(veltrane), afterExecution_(std::move(afterExecution)) {
    RTL_ASSERT(veltrane_);
    SetName("frmSQL");
    SetBounds(0, 0, 500, 320);

    pnlResult->SetName("pnlResult");
    pnlResult->SetParent(this);
    pnlResult->SetBevelOuter(ui::bvNone);
    pnlResult->SetCaption("");
    pnlResult->SetHeight(112);
    pnlResult->SetAlign(ui::alBottom);
    spResult->SetName("spResult");
    spResult->SetAlign(ui::alBottom);
    spResult->SetBounds(0, pnlResult->Top() - 3, Width(), 3);
    spResult->SetParent(this);
    pnlCode->SetName("pnlCode");
    pnlCode->SetParent(this);
    pnlCode->SetBevelOuter(ui::bvNone);
    pnlCode->SetCaption("");
    pnlCode->SetAlign(ui::alClient);

    pcResult->SetName("pcResult");
    pcResult->SetParent(pnlResult);
    pcResult->SetAlign(ui::alClient);
    tsResultSet->SetName("tsResultSet");
    tsResultSet->SetCaption("Resultset");
    tsResultSet->SetPageControl(pcResult);
    tsResultSet->SetTabVisible(false);
    tsMessages->SetName("tsMessages");
    tsMessages->SetCaption("Messages");
    tsMessages->SetPageControl(pcResult);
    edMessages->SetName("edMessages");
    edMessages->SetParent(tsMessages);
    edMessages->SetAlign(ui::alClient);
    edMessages->SetReadOnly(true);
    edMessages->SetScrollBars(ui::ssVertical);
    edMessages->SetWideText(SQLWindowIntroText());

    editor_ = new TfrmTextEditor(this, TfrmTextEditor::hkSQL);
    editor_->SetParent(pnlCode);
    editor_->SetAlign(ui::alClient);
    editor_->SetGutterExtraWidth(32);
    scriptPlugin_ = std::make_unique<editor::TSQLScriptEditorPlugin>();
    editor_->InstallScriptPlugin(scriptPlugin_.get());
    editor_->InstallDebuggerPlugin(nullptr, nullptr, nullptr, [this](int line, int& flags) {
        scriptPlugin_->GetLineFlags(line, flags);
    });
    editor_->OnContextPopup = [this](ui::TPoint mousePos, bool& handled) {
        EditorContextPopup(mousePos, handled);
    };
    editor_->SetCodeCompletion(completionPopup,
                               [this](TCodeCompletionItems& items, bool&) { FillCompletion(items); });
    editor_->SetCodeParameters(
        [this](rtl::TStringList& parameters, int& index) { FillParameters(parameters, index); });

    alFrame->SetName("alFrame");
    aExecute = AddFrameAction(*alFrame, "aExecute", "&Execute", [this] { Execute(false); });
    aExecute->SetShortCut(ui::TextToShortCut("Ctrl+Enter"));
    aExecuteAsUndockedResult =
        AddFrameAction(*alFrame, "aExecuteAsUndockedResult", "Execute data statement in separate window",
                       [this] { Execute(true); });
    aExecuteAsUndockedResult->SetShortCut(ui::TextToShortCut("Ctrl+Shift+Enter"));
    SetFrameUpdate(*alFrame, [this] {
        aExecute->SetEnabled(editor_->Editor().Focused());
        aExecuteAsUndockedResult->SetEnabled(aExecute->Enabled());
    });
    pmEditor->SetName("pmEditor");
    AddMenuItems(*pmEditor, {aExecute, aExecuteAsUndockedResult, nullptr});
    if (dmVeltraneCommon) dmVeltraneCommon->BuildEditMenu(pmEditor->Items(), true);
    pcResult->SetActivePage(tsMessages);
}

TfrmSQL::~TfrmSQL() {
    // The plug-in leaves the editor before the editor goes with the frame's components.
    scriptPlugin_.reset();
    FreeDockedDataView();
}

std::u16string TfrmSQL::GetText() const {
    return editor_->GetText();
}

void TfrmSQL::SetText(std::u16string_view text) {
    editor_->SetText(text);
    editor_->ClearUndo();
}

void TfrmSQL::FocusEditor() {
    editor_->FocusEditor();
}

std::u16string TfrmSQL::StatementToRun() const {
    std::u16string statement = editor_->GetSelectedText();
    if (statement.empty()) scriptPlugin_->GetStatementTextAtCaret(statement);
    return statement;
}

void TfrmSQL::Execute(bool separateWindow) {
    if (veltrane_->Busy()) {
        ui::MessageDlg("Process not accessible", ui::mtWarning, {ui::mbOK});
        return;
    }
    const rtl::ScopeExit refreshViews([this] {
        if (afterExecution_) afterExecution_();
    });
    TSQLExecution execution;
    {
        ui::Screen->SetCursor(ui::crSQLWait);
        const rtl::ScopeExit restoreCursor([] { ui::Screen->SetCursor(ui::crDefault); });
        ShowResult(nullptr, false);
        edMessages->WideLines().Clear();
        execution = ExecuteAtStop(*veltrane_, StatementToRun());
    }
    for (const auto& line : execution.messages)
        edMessages->WideLines().Add(line);
    ShowResult(execution.result, separateWindow);
}

void TfrmSQL::ShowResult(const std::shared_ptr<core::IQueryResult>& result, bool separateWindow) {
    FreeDockedDataView();
    const bool docked = result && !separateWindow;
    tsResultSet->SetTabVisible(docked);
    if (docked) {
        dataView_ = new TfrmDataView(this, result);
        dataView_->SetParent(tsResultSet);
        dataView_->SetAlign(ui::alClient);
        pcResult->SetActivePage(tsResultSet);
    } else if (result) {
        auto* view = new TfrmDataView(nullptr, result);
        CreateToolForm(ui::Application ? ui::Application->MainForm() : nullptr, "Data", view, true, true)
            ->Show();
    } else {
        pcResult->SetActivePage(tsMessages);
    }
}

void TfrmSQL::FreeDockedDataView() {
    delete dataView_;
    dataView_ = nullptr;
}

void TfrmSQL::EditorContextPopup(ui::TPoint mousePos, bool& handled) {
    handled = true;
    editor_->FocusEditor();
    const ui::TPoint screen = editor_->Editor().ClientToScreen(mousePos);
    pmEditor->SetPopupComponent(&editor_->Editor());
    pmEditor->Popup(screen.X, screen.Y);
}

namespace {

// The statement at the caret of the SQL window, with no routine around it.
TCodeInsightRequest SQLInsightRequest(engine::TVeltrane& veltrane, editor::TSQLScriptEditorPlugin& plugin,
                                      const TfrmTextEditor& editor) {
    TCodeInsightRequest request;
    int start = 0;
    plugin.GetStatementAtCaret(start, request.Statement);
    request.Position = editor.GetCaretOffset() - start;
    request.Connection = veltrane.Program().Connection();
    request.IdentifierManager = &veltrane.Program().IdentifierManager();
    request.Schema = request.Connection->GetCurrentDatabase();
    return request;
}

} // namespace

void TfrmSQL::FillCompletion(TCodeCompletionItems& items) {
    if (veltrane_->Busy()) return;
    if (const auto& fill = RoutineEditorServices().FillCompletionItems)
        fill(SQLInsightRequest(*veltrane_, *scriptPlugin_, *editor_), items);
}

void TfrmSQL::FillParameters(rtl::TStringList& parameters, int& index) {
    if (veltrane_->Busy()) return;
    parameters.Clear();
    if (const auto& fill = RoutineEditorServices().FillParameterHints)
        fill(SQLInsightRequest(*veltrane_, *scriptPlugin_, *editor_), parameters, index);
}

} // namespace app
