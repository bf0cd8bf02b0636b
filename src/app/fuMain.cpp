#include "app/fuMain.h"

#include "app/duVeltraneCommon.h"
#include "app/fruBreakpoints.h"
#include "app/fruCallStack.h"
#include "app/fruCodeEditor.h"
#include "app/fruEvaluateExpression.h"
#include "app/fruHelpSystem.h"
#include "app/fruLocalVariables.h"
#include "app/fruOutput.h"
#include "app/fruSchemaBrowser.h"
#include "app/fruSQL.h"
#include "app/fruTextEditor.h"
#include "app/fruWatchList.h"
#include "app/fuAbout.h"
#include "app/fuCodeCompletion.h"
#include "app/fuCodeGenerator.h"
#include "app/fuCursorIterationCodeGenerator.h"
#include "app/fuInternalCheck.h"
#include "app/fuMainActions.h"
#include "app/fuMainSession.h"
#include "app/fuOptions.h"
#include "app/fuToolForm.h"
#include "app/uArtworkImages.h"
#include "app/uCheckUpdates.h"
#include "app/uCodeCompletionCache.h"
#include "app/uStatusBar.h"
#include "app/uVeltraneApplicationInfo.h"
#include "app/uWindowFileHelpers.h"
#include "docking/vzDockingManager.h"
#include "docking/vzDockingSite.h"
#include "docking/vzDockingVS2005.h"
#include "docking/vzDockKeys.h"
#include "docking/vzDockPanel.h"
#include "docking/vzDockTabs.h"
#include "engine/debugger/uVeltrane.h"
#include "engine/server/uDBAProgram.h"
#include "imaging/uPngImageList.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Settings.h"
#include "platform/rtl/Utf.h"
#include "platform/ui/Actions.h"
#include "platform/ui/Application.h"
#include "platform/ui/Clock.h"
#include "platform/ui/Cursors.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Edits.h"
#include "platform/ui/Menus.h"
#include "platform/ui/PageControls.h"
#include "platform/ui/Panels.h"
#include "platform/ui/Timers.h"
#include "platform/ui/ToolBars.h"
#include "widecontrols/uUcDialogs.h"

namespace app {

std::shared_ptr<core::IDBAConnection> GlobalConnection;

namespace {

constexpr const char* kDesktopKey = "Software\\Veltrane\\Desktop\\Layout";

// The main tool bar's pictures, in image-index order.
constexpr std::string_view kToolBarPictures[] = {"NEW_SESSION", "STORE",     "STORE_ALL", "COMPILE",
                                                 "RUN",         "STEP_INTO", "STEP_OVER", "PAUSE",
                                                 "RESET",       "EVALUATE",  "SQL"};

// The tool bar's buttons by action, "-" for a separator, and each action's picture.
constexpr std::pair<const char*, int> kToolBarButtons[] = {
    {"aNewDebugSession", 0}, {"-", -1},   {"aStoreToServer", 1}, {"aStoreAllToServer", 2}, {"-", -1},
    {"aCompile", 3},         {"aRun", 4}, {"aStepInto", 5},      {"aStepOver", 6},         {"aPause", 7},
    {"aReset", 8},           {"-", -1},   {"aEvaluate", 9},      {"aSQLWindow", 10},       {"-", -1},
    {"aHelp", -1},
};

imaging::TPngImageList* NewImageList(ui::TComponent* owner, const char* name, int size) {
    auto* list = new imaging::TPngImageList(owner);
    list->SetName(name);
    list->SetWidth(size);
    list->SetHeight(size);
    return list;
}

// The hourglass for the time of a command, whatever way it ends.
class TWaitCursor {
public:
    explicit TWaitCursor(ui::TCursor cursor = ui::crHourGlass) { ui::Screen->SetCursor(cursor); }
    ~TWaitCursor() { ui::Screen->SetCursor(ui::crDefault); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};

} // namespace

TfmMain::TfmMain(ui::TComponent* owner) : ui::TForm(owner) {
    // Step 1: the form and its components.
    CreateComponents();

    // Step 2: the connection the main block handed over.
    RTL_ASSERT(GlobalConnection);
    connection_ = std::move(GlobalConnection);
    GlobalConnection = nullptr;
    connection_->SetOnConnectionLost([this](core::IDBAConnection*) { ConnectionLost(); });
    connection_->GetDatabaseNotifier().AddHandler(core::TEventHandler::Of<&TfmMain::ConnectionChanged>(this));

    // Steps 3 and 4: the status bar and the caret position of every editor.
    statusBar_ = new TAppStatusBar(this, ilStatusBar_);
    AddCaretNotifier(core::TEventHandler::Of<&TfmMain::EditorCaretMoved>(this));

    // Step 5: the debugger.
    veltrane_ = std::make_unique<engine::TVeltrane>(
        connection_, [this](engine::TVeltrane&) { DebuggerPaused(); },
        [this](engine::TVeltrane&) { DebuggerStarted(); }, [this](engine::TVeltrane&) { DebuggerStopped(); },
        [this](engine::TVeltrane&) { DebuggerIdle(); }, [this](engine::TVeltrane&) { DebuggerProgress(); });

    // Step 6: the one completion pop-up of every editor.
    fmCodeCompletion_ = InstallCodeCompletion(this);
    InstallCodeGenerators();
    CreateToolWindows();

    // Steps 8 to 14.
    OpenRoutineTab(&veltrane_->MainRoutine(), false);
    UpdateActionListHints(alMain_);
    SetCaption(rtl::Format("%s - %s", connection_->GetDescription(), GetProductTitle()));
    ui::Application->SetTitle(Caption());
    veltrane_->BreakPoints().Notifier().AddHandler(
        core::TEventHandler::Of<&TfmMain::BreakpointsChanged>(this));
    BuildMainMenu();
    BuildPopupMenus();
    if (dmVeltraneCommon)
        dmVeltraneCommon->SetTopicSearchHandler([this](ui::TObject*) { Action("aTopicSearch").Execute(); });

    OnShow = [this](ui::TObject*) { FormShow(); };
    OnCloseQuery = [this](ui::TObject*, bool& canClose) { FormCloseQuery(canClose); };
    OnClose = [this](ui::TObject*, ui::TCloseAction&) { FormClose(); };
}

TfmMain::~TfmMain() {
    if (dmVeltraneCommon) dmVeltraneCommon->SetTopicSearchHandler({});
    RemoveCaretNotifier(core::TEventHandler::Of<&TfmMain::EditorCaretMoved>(this));
    connection_->GetDatabaseNotifier().RemoveHandler(
        core::TEventHandler::Of<&TfmMain::ConnectionChanged>(this));
    connection_->SetOnConnectionLost({});
    ForgetCatalogue(*connection_);
    veltrane_->BreakPoints().Notifier().RemoveHandler(
        core::TEventHandler::Of<&TfmMain::BreakpointsChanged>(this));
    if (veltrane_->IsRunning()) veltrane_->Stop(true);
    // The frames hold the facade: they go before it does.
    delete frmBreakpoints_;
    delete frmOutput_;
    delete frmWatchList_;
    delete frmLocalVariables_;
    delete frmCallStack_;
    delete fmEvaluate_;
    delete frmEvaluate_;
    delete fmHelp_;
    delete frmHelp_;
    delete frmSQL_;
    while (pcCodeEditors_->PageCount() > 0)
        delete pcCodeEditors_->Pages(pcCodeEditors_->PageCount() - 1);
    veltrane_.reset();
}

void TfmMain::CreateComponents() {
    SetName("fmMain");
    SetBounds(0, 0, 1000, 700);
    SetPosition(ui::poScreenCenter);

    ilToolBarNormal_ = NewImageList(this, "ilToolBarNormal_48", 48);
    ilToolBarHot_ = NewImageList(this, "ilToolBarHot_48", 48);
    for (std::string_view picture : kToolBarPictures) {
        AddArtworkImages(*ilToolBarNormal_, {"TOOLBAR_" + std::string(picture)});
        AddArtworkImages(*ilToolBarHot_, {"TOOLBAR_" + std::string(picture) + "_HOT"});
    }
    ilStatusBar_ = NewImageList(this, "ilStatusBar", 16);
    AddArtworkImages(*ilStatusBar_, {"STATUS_NOTICE", "STATUS_DATABASE"});

    alMain_ = new ui::TActionList(this);
    alMain_->SetName("alMain");
    alMain_->OnUpdate = [this](ui::TBasicAction* action, bool& handled) { alMainUpdate(action, handled); };
    actions_ = CreateMainActions(this, *alMain_);
    BindActions();

    CreateToolBar();

    CreateDocking();

    pcCodeEditors_ = new ui::TPageControl(this);
    pcCodeEditors_->SetName("pcCodeEditors");
    PlaceControl(pcCodeEditors_, &Panel("dcWorkArea"), ui::alClient);
    if (dmVeltraneCommon) pcCodeEditors_->SetImages(dmVeltraneCommon->ilObjects);
    pcCodeEditors_->OnChange = [this](ui::TObject*) { pcCodeEditorsChange(); };
    pcCodeEditors_->OnMouseDown = [this](ui::TObject*, ui::TMouseButton button, ui::TShiftState, int x,
                                         int y) { pcCodeEditorsMouseDown(button, x, y); };

    tmActivateEditor_ = new ui::TTimer(this);
    tmActivateEditor_->SetName("tmActivateEditor");
    tmActivateEditor_->SetEnabled(false);
    tmActivateEditor_->SetInterval(100);
    tmActivateEditor_->OnTimer = [this](ui::TObject*) {
        tmActivateEditor_->SetEnabled(false);
        if (TfrmCodeEditor* editor = ActiveEditor()) editor->FocusEditor();
    };

    mMain_ = new ui::TMainMenu(this);
    mMain_->SetName("mMain");
    pmExplorer_ = new ui::TPopupMenu(this);
    pmExplorer_->SetName("pmExplorer");
    pmTabs_ = new ui::TPopupMenu(this);
    pmTabs_->SetName("pmTabs");
}

namespace {

// The docking panels: name, caption and the key that finds them in stored layouts.
struct TPanelEntry {
    const char* name;
    const char* caption;
    const char* key;
};

constexpr TPanelEntry kPanels[] = {
    {"dcWorkArea", "Work area", "{3038ACA2-441A-4E3F-9B49-3CDB113568E3}"},
    {"dcWatches", "Watch list", "{7B63D008-04FB-4A7C-B650-3C29E2614C9F}"},
    {"dcCallStack", "Call stack", "{FD433340-6C49-46E7-AF15-76A7A5ADEAFB}"},
    {"dcBreakpoints", "Breakpoint list", "{D69A3E21-E8FF-4908-8C92-0A59F041FAFC}"},
    {"dcOutput", "Output", "{FE9C0D1C-FB90-4EBA-BF70-D34A6B367D2C}"},
    {"dcSchemaBrowser", "Schema browser", "{950F0EE6-4BD6-4C9C-8527-5A8C049F4A3F}"},
    {"dcSQL", "SQL", "{A71B0D60-10B2-45F6-B81D-C214C6EFEBE3}"},
    {"dcMonitor", "Monitor", "{E2255535-FA7B-44C8-A1B3-75F4608DE511}"},
    {"dcLocalVariables", "Local variables", "{4EA587A1-62AA-4A84-A470-165B2DD1105E}"},
};

} // namespace

void TfmMain::CreateDocking() {
    dockingManager_ = new docking::TvzDockingManager(this);
    dockingManager_->SetName("DockingManager");
    dockingManager_->SetStoreOptions({docking::dsoFormPosition, docking::dsoFormState});
    dockingManager_->SetTabOrientation(docking::uistyle::dtoBottom);
    dockingManager_->SetCaptionButtons({docking::dbiHide, docking::dbiAutoHide, docking::dbiMaximizeRestore});
    dockingManager_->SetAutoDragKey({docking::dssCtrl, docking::dssLeft});
    // Panels are dragged with guides around the target and at the site's edges.
    dockingManager_->SetDockingStyleClassName("VS2005");
    auto& guided = dynamic_cast<docking::drag::TvzVS2005DockingStyle&>(dockingManager_->DockingStyle());
    guided.ActiveDockZone() = {
        .transparency = 128, .activeTransparency = 255, .fadeInDelay = 200, .fadeOutDelay = 250};
    guided.DockZone() = {
        .transparency = 0, .activeTransparency = 128, .fadeInDelay = 50, .fadeOutDelay = 1000};
    dockingSite_ = new docking::TvzDockingSite(this);
    dockingSite_->SetName("DockingSite");
    dockingSite_->SetParent(this);
    dockingSite_->SetAlign(ui::alClient);
    dockingSite_->AssociateManager(dockingManager_);
    for (const TPanelEntry& entry : kPanels) {
        auto* panel = new docking::TvzDockingControl(this);
        panel->SetName(entry.name);
        panel->SetCaption(entry.caption);
        panel->SetKey(docking::StringToGuid(entry.key));
        panel->ShowInContainer();
        panels_[entry.name] = panel;
    }
    Panel("dcWorkArea").SetShowCaption(docking::bvFalse);
    // Tool panels may dock beside the work area but never become tabs of it.
    Panel("dcWorkArea").OnDockZone = [](docking::TvzDockingControl*, docking::TvzCustomDockingControl*,
                                        ui::TPoint, docking::TvzDockingRegionType& region) {
        if (region == docking::drtInside || region == docking::drtInsideBefore) region = docking::drtNone;
    };
    BuildDefaultLayout();

    edMonitor_ = new ui::TMemo(this);
    edMonitor_->SetName("edMonitor");
    edMonitor_->SetReadOnly(true);
    edMonitor_->SetWordWrap(false);
    edMonitor_->SetScrollBars(ui::ssBoth);
    PlaceControl(edMonitor_, &Panel("dcMonitor"), ui::alClient);
    Panel("dcMonitor").OnShow = [this](ui::TObject*) {
        core::SetSQLMonitor(
            engine::SQLMonitorOnUserInterfaceThread([this](const std::string& text) { MonitorLine(text); }));
    };
    Panel("dcMonitor").OnHide = [](ui::TObject*) { core::SetSQLMonitor({}); };
}

// The work area beside the schema browser, over the watch list, breakpoints, call stack and local
// variables as bottom tabs beside the output; the SQL window and the monitor start hidden.
void TfmMain::BuildDefaultLayout() {
    using docking::TvzCustomDockingContainer;
    using docking::TvzCustomDockingControl;
    dockingManager_->BeginUpdate(dockingSite_->SiteId());
    const auto container = [this](int type) {
        auto* created = static_cast<TvzCustomDockingContainer*>(dockingManager_->CreateContainer(type));
        created->SetDockingManager(dockingManager_);
        return created;
    };
    TvzCustomDockingContainer* column = container(1);
    TvzCustomDockingContainer* top = container(2);
    TvzCustomDockingContainer* bottom = container(2);
    TvzCustomDockingContainer* tabs = container(3);
    Panel("dcWorkArea").SetContainer(top);
    Panel("dcSchemaBrowser").SetContainer(top);
    Panel("dcSchemaBrowser").SetAlignment(docking::alnRight);
    for (const char* name : {"dcWatches", "dcBreakpoints", "dcCallStack", "dcLocalVariables"})
        Panel(name).SetContainer(tabs);
    tabs->SetContainer(bottom);
    Panel("dcOutput").SetContainer(bottom);
    Panel("dcOutput").SetAlignment(docking::alnRight);
    top->SetContainer(column);
    bottom->SetContainer(column);
    bottom->SetAlignment(docking::alnBottom);
    Panel("dcSchemaBrowser").SetScreenRect(ui::Bounds(0, 0, 240, 300));
    Panel("dcOutput").SetScreenRect(ui::Bounds(0, 0, 420, 200));
    bottom->SetScreenRect(ui::Bounds(0, 0, 1000, 200));
    dockingSite_->SetRoot(column);
    for (TvzCustomDockingControl* control :
         {static_cast<TvzCustomDockingControl*>(column), static_cast<TvzCustomDockingControl*>(top),
          static_cast<TvzCustomDockingControl*>(bottom), static_cast<TvzCustomDockingControl*>(tabs)})
        control->ShowInContainer();
    dockingManager_->EndUpdate();
    static_cast<docking::TvzInsideContainer*>(static_cast<TvzCustomDockingControl*>(tabs))
        ->SelectTab(0, false);
}

void TfmMain::MonitorLine(const std::string& text) {
    edMonitor_->Lines().Add(text);
}

// Each tool window's frame, client-aligned in its panel.
void TfmMain::CreateToolWindows() {
    frmWatchList_ = new TfrmWatchList(this, veltrane_.get());
    PlaceControl(frmWatchList_, &Panel("dcWatches"), ui::alClient);
    frmLocalVariables_ = new TfrmLocalVariables(this, veltrane_.get());
    PlaceControl(frmLocalVariables_, &Panel("dcLocalVariables"), ui::alClient);
    frmEvaluate_ = new TfrmEvaluateExpression(this, veltrane_.get(), [this](const std::string& expression) {
        frmWatchList_->AddWatch(rtl::Utf8ToUtf16(expression));
    });
    fmEvaluate_ = CreateToolForm(this, "Evaluate", frmEvaluate_, false, false);
    frmSQL_ = new TfrmSQL(
        this, veltrane_.get(), [this] { RefreshViews(); }, fmCodeCompletion_);
    PlaceControl(frmSQL_, &Panel("dcSQL"), ui::alClient);
    frmCallStack_ = new TfrmCallStack(this, veltrane_.get());
    frmCallStack_->OnEntry = [this](engine::TRoutine* routine, int line) { ShowRoutineLine(routine, line); };
    PlaceControl(frmCallStack_, &Panel("dcCallStack"), ui::alClient);
    frmBreakpoints_ = new TfrmBreakpoints(this, veltrane_.get());
    frmBreakpoints_->OnViewSource = [this](engine::TBreakPoint* breakpoint) {
        ShowBreakpointSource(*breakpoint);
    };
    PlaceControl(frmBreakpoints_, &Panel("dcBreakpoints"), ui::alClient);
    frmOutput_ = new TfrmOutput(this, veltrane_.get(),
                                [this](const std::string& routineName, std::uint8_t routineKind, int line) {
                                    ShowMessageSource(routineName, routineKind, line);
                                });
    PlaceControl(frmOutput_, &Panel("dcOutput"), ui::alClient);
    frmHelp_ = new TfrmHelpSystem(this, connection_);
    fmHelp_ = CreateToolForm(this, "MySQL Reference Manual", frmHelp_, false, false);
    frmSchemaBrowser_ = new TfrmSchemaBrowser(this, connection_);
    frmSchemaBrowser_->OnOpen = [this](const std::string&, TSchemaItemData::TKind) { OpenSchemaItem(); };
    frmSchemaBrowser_->SetPopupMenu(pmExplorer_);
    PlaceControl(frmSchemaBrowser_, &Panel("dcSchemaBrowser"), ui::alClient);
    frmSchemaBrowser_->Refresh();
}

void TfmMain::EvaluateAtCursor() {
    TfrmCodeEditor* editor = ActiveEditor();
    const bool takeWord = editor && editor->EditorFocused() && !fmEvaluate_->Visible();
    fmEvaluate_->Show();
    if (takeWord) frmEvaluate_->SetExpression(editor->GetSelectionOrWord());
}

void TfmMain::AddWatchAtCursor() {
    TfrmCodeEditor* editor = ActiveEditor();
    const std::u16string expression = editor ? editor->GetSelectionOrWord() : std::u16string();
    if (expression.empty())
        frmWatchList_->AddWatchDialog();
    else
        frmWatchList_->AddWatch(expression);
}

// The word at the caret of the focused editor, looked up in the help; nothing outside an editor.
void TfmMain::TopicSearch() {
    TfrmTextEditor* editor = ActiveTextEditor();
    if (!editor) return;
    const std::u16string word = editor->GetWordAtCaret();
    ShowToolWindow(8);
    frmHelp_->Search(rtl::Utf16ToUtf8(word));
}

// A procedure or function of the schema browser opens in its tab.
void TfmMain::OpenSchemaItem() {
    TSchemaItemData item;
    frmSchemaBrowser_->GetSelectedItem(item);
    const engine::TRoutineKind kind = RoutineKindOfSchemaItem(item.kind);
    if (kind == engine::rkAnonymousBlock) return;
    OpenRoutineByKind(frmSchemaBrowser_->SelectedRoutineQuotedName(veltrane_->Program().IdentifierManager()),
                      kind);
}

void TfmMain::ShowToolWindow(int tool) {
    static constexpr const char* kToolPanels[] = {
        "dcBreakpoints", "dcCallStack",     "dcWatches", "dcLocalVariables",
        "dcOutput",      "dcSchemaBrowser", "dcSQL",     "dcMonitor"};
    // The help is no docking panel but a floating window of its own.
    if (tool == static_cast<int>(std::size(kToolPanels))) {
        fmHelp_->Show();
        return;
    }
    if (tool < 0 || tool >= static_cast<int>(std::size(kToolPanels)))
        throw rtl::Exception("Unknown tool type");
    docking::TvzDockingControl& panel = Panel(kToolPanels[tool]);
    panel.MakeVisible();
    for (int i = 0; i < panel.ControlCount(); ++i)
        if (auto* control = dynamic_cast<ui::TWinControl*>(panel.Controls(i));
            control && control->CanFocus()) {
            control->SetFocus();
            break;
        }
}

void TfmMain::CreateToolBar() {
    tbMain_ = new ui::TToolBar(this);
    tbMain_->SetName("tbMain");
    tbMain_->SetParent(this);
    tbMain_->SetAlign(ui::alTop);
    tbMain_->SetFlat(true);
    tbMain_->SetImages(ilToolBarNormal_);
    tbMain_->SetHotImages(ilToolBarHot_);
    tbMain_->SetButtonWidth(55);
    tbMain_->SetButtonHeight(54);
    tbMain_->SetHeight(58);
    for (const auto& [name, image] : kToolBarButtons) {
        auto* button = new ui::TToolButton(this);
        const bool separator = std::string_view(name) == "-";
        if (separator) button->SetStyle(ui::tbsSeparator);
        button->SetParent(tbMain_);
        if (separator) continue;
        ui::TAction& action = Action(name);
        if (image >= 0) action.SetImageIndex(image);
        button->SetAction(&action);
    }
    Action("aHelp").SetCaption("Show help");
}

void TfmMain::BindActions() {
    const auto bind = [this](const char* name, std::function<void()> execute) {
        Action(name).OnExecute = [execute = std::move(execute)](ui::TObject*) { execute(); };
    };
    const auto withEditor = [this](void (TfrmCodeEditor::*command)()) {
        return [this, command] {
            if (TfrmCodeEditor* editor = ActiveEditor()) (editor->*command)();
        };
    };
    const auto withTextEditor = [](void (TfrmTextEditor::*command)()) {
        return [command] {
            if (TfrmTextEditor* editor = ActiveTextEditor()) (editor->*command)();
        };
    };

    bind("aRun", [this] { RunProgram(); });
    bind("aStepInto", [this] {
        veltrane_->StepInto();
        RefreshViews();
    });
    bind("aStepOver", [this] {
        StepOver(*veltrane_);
        RefreshViews();
    });
    bind("aRunToCursor", [this] {
        TfrmCodeEditor* editor = ActiveEditor();
        if (!editor) return;
        AddRunToCursorBreakpoint(*veltrane_, editor->Routine(), editor->GetCaretLine());
        RunProgram();
    });
    bind("aPause", [this] { veltrane_->Pause(); });
    bind("aReset", [this] { veltrane_->Stop(true); });
    bind("aCompile", [this] { CompileAll(); });
    bind("aToggleBreakPoint", withEditor(&TfrmCodeEditor::ToggleBreakpointAtCaret));
    bind("aNewDebugSession", [] { StartNewInstance(); });
    bind("aStoreToServer", [this] {
        TWaitCursor wait;
        if (TfrmCodeEditor* editor = ActiveEditor()) editor->StoreToServer();
    });
    bind("aStoreAllToServer", [this] { StoreAllToServer(); });
    bind("aCreateProcedure", [this] { CreateRoutine(engine::rkProcedure); });
    bind("aCreateFunction", [this] { CreateRoutine(engine::rkFunction); });
    bind("aRefreshFromServer", [this] { RefreshFromServer(); });
    bind("aExit", [this] { Close(); });
    bind("aCloseTab", [this] { CloseTab(pcCodeEditors_->ActivePageIndex(), false); });
    bind("aFind", withTextEditor(&TfrmTextEditor::Find));
    bind("aReplace", withTextEditor(&TfrmTextEditor::Replace));
    bind("aSearchAgain", withTextEditor(&TfrmTextEditor::SearchAgain));
    bind("aGoToLine", withTextEditor(&TfrmTextEditor::GoToLine));
    bind("aShowMainPage", [this] {
        pcCodeEditors_->SetActivePageIndex(0);
        pcCodeEditorsChange();
        if (TfrmCodeEditor* editor = ActiveEditor()) editor->FocusEditor();
    });
    bind("aHelp", [] { OpenQuickStartPage(); });
    bind("aEvaluate", [this] { EvaluateAtCursor(); });
    bind("aAddWatchAtCursor", [this] { AddWatchAtCursor(); });
    bind("aTopicSearch", [this] { TopicSearch(); });
    bind("aOpenSource", [this] { OpenSchemaItem(); });
    bind("aRefreshExplorer", [this] {
        ForgetCatalogue(*connection_);
        frmSchemaBrowser_->Refresh();
    });
    bind("aDropRoutine", [this] { DropRoutine(); });
    bind("aGenerateDebugScript", [this] { ConfigureDebugEnvironment(); });
    bind("aInternalCheck", [this] { ShowInternalCheck(this, connection_); });
    bind("aOptions", [this] {
        TfmOptions dialog(this);
        dialog.ShowOptions();
    });
    bind("aAbout", [this] { ShowAbout(this); });
    const std::pair<const char*, int> tools[] = {
        {"aShowBreakpoints", 0},    {"aShowCallStack", 1}, {"aShowWatches", 2},
        {"aShowLocalVariables", 3}, {"aShowOutput", 4},    {"aShowBrowser", 5},
        {"aSQLWindow", 6},          {"aMonitor", 7},       {"aSyntaxHelp", 8}};
    for (const auto& [name, tool] : tools)
        bind(name, [this, tool = tool] { ShowToolWindow(tool); });
}

void TfmMain::BuildMainMenu() {
    for (const TMainMenuEntry& entry : kMainMenu) {
        ui::TMenuItem* item = AddCaptionMenuItem(mMain_, entry.caption);
        if (entry.actions.empty() && dmVeltraneCommon) dmVeltraneCommon->BuildEditMenu(item, false);
        for (const char* name : entry.actions) {
            if (std::string_view(name) == "-")
                AddSeparatorMenuItem(item);
            else
                AddActionSubItem(item, &Action(name));
        }
    }
    SetMenu(mMain_);
}

void TfmMain::BuildPopupMenus() {
    const auto fill = [this](ui::TPopupMenu* menu, std::initializer_list<const char*> names) {
        for (const char* name : names) {
            if (std::string_view(name) == "-")
                AddSeparatorMenuItem(menu->Items());
            else
                AddActionSubItem(menu->Items(), &Action(name));
        }
    };
    fill(pmExplorer_, {"aOpenSource", "-", "aGenerateDebugScript", "-", "aCreateProcedure", "aCreateFunction",
                       "-", "aDropRoutine", "-", "aRefreshExplorer"});
    fill(pmTabs_, {"aCloseTab", "-", "aStoreToServer", "-", "aRefreshFromServer"});
}

// ---- Tabs

int TfmMain::TabCount() const {
    return pcCodeEditors_->PageCount();
}

TfrmCodeEditor* TfmMain::EditorOfTab(int index) const {
    ui::TTabSheet* page = pcCodeEditors_->Pages(index);
    for (int i = 0; i < page->ControlCount(); ++i)
        if (auto* editor = dynamic_cast<TfrmCodeEditor*>(page->Controls(i))) return editor;
    return nullptr;
}

TfrmCodeEditor* TfmMain::ActiveEditor() const {
    const int index = pcCodeEditors_->ActivePageIndex();
    return index < 0 ? nullptr : EditorOfTab(index);
}

int TfmMain::FindRoutineTab(const engine::TRoutine* routine) const {
    RTL_ASSERT(routine);
    for (int i = 0; i < TabCount(); ++i)
        if (TfrmCodeEditor* editor = EditorOfTab(i); editor && &editor->Routine() == routine) return i;
    return -1;
}

void TfmMain::OpenRoutineTab(engine::TRoutine* routine, bool isNew) {
    RTL_ASSERT(routine);
    auto* page = new ui::TTabSheet(pcCodeEditors_);
    page->SetPageControl(pcCodeEditors_);
    page->SetImageIndex(routine->Kind() == engine::rkProcedure  ? oiProcedure
                        : routine->Kind() == engine::rkFunction ? oiFunction
                                                                : oiMainBlock);
    pcCodeEditors_->SetActivePage(page);
    page->SetCaption(veltrane_->Program().RoutineDisplayName(*routine));

    auto* editor =
        new TfrmCodeEditor(page, veltrane_.get(), routine, veltrane_->IsRunning() ? 1 : 0, isNew, nullptr);
    editor->OnOpenRoutine = [this](TfrmCodeEditor& frame, const std::string& name, int entityKind) {
        OpenEditorRoutine(frame, name, entityKind);
    };
    editor->OnRoutineRenamed = [this](engine::TRoutine& renamed) { RoutineRenamed(renamed); };
    PlaceControl(editor, page, ui::alClient);
    tmActivateEditor_->SetEnabled(true);
}

void TfmMain::ShowRoutine(engine::TRoutine* routine) {
    const int index = FindRoutineTab(routine);
    if (index < 0) {
        OpenRoutineTab(routine, false);
        return;
    }
    pcCodeEditors_->SetActivePageIndex(index);
    pcCodeEditorsChange();
}

void TfmMain::ShowRoutineLine(engine::TRoutine* routine, int line) {
    ShowRoutine(routine);
    if (TfrmCodeEditor* editor = ActiveEditor()) {
        editor->SetErrorLine(line);
        editor->FocusEditor();
    }
}

void TfmMain::RefreshViews() {
    frmWatchList_->Refresh();
    frmLocalVariables_->Refresh();
    frmCallStack_->Refresh();
}

void TfmMain::UpdateEditorsDebugging() {
    const int state = veltrane_->IsRunning() ? 1 : 0;
    for (int i = 0; i < TabCount(); ++i)
        if (TfrmCodeEditor* editor = EditorOfTab(i)) editor->SetDebuggerState(state);
}

void TfmMain::pcCodeEditorsChange() {
    if (TfrmCodeEditor* editor = ActiveEditor()) editor->SetErrorLine(-1);
}

void TfmMain::pcCodeEditorsMouseDown(ui::TMouseButton button, int x, int y) {
    const int tab = pcCodeEditors_->IndexOfTabAt(x, y);
    if (button == ui::mbMiddle && tab > 0) CloseTab(tab, false);
    if (button != ui::mbRight) return;
    // The menu's commands act on the active tab: the one clicked becomes it.
    if (tab >= 0 && tab != pcCodeEditors_->ActivePageIndex()) {
        pcCodeEditors_->SetActivePageIndex(tab);
        pcCodeEditorsChange();
    }
    alMain_->UpdateActions();
    const ui::TPoint screen = pcCodeEditors_->ClientToScreen({x, y});
    pmTabs_->SetPopupComponent(pcCodeEditors_);
    pmTabs_->Popup(screen.X, screen.Y);
}

// ---- The facade's callbacks

void TfmMain::DebuggerPaused() {
    if (TfrmCodeEditor* editor = ActiveEditor()) {
        editor->RepaintEditor();
        editor->ResetHint();
    }
    if (veltrane_->IsRunning()) {
        ShowRoutine(veltrane_->CurrentRoutine());
        if (TfrmCodeEditor* editor = ActiveEditor()) editor->GoToLine(veltrane_->CurrentLine());
    }
    RefreshViews();
}

void TfmMain::DebuggerStarted() {
    frmOutput_->Clear();
    UpdateEditorsDebugging();
}

void TfmMain::DebuggerStopped() {
    UpdateEditorsDebugging();
    if (TfrmCodeEditor* editor = ActiveEditor()) editor->RepaintEditor();
    RefreshViews();
}

void TfmMain::DebuggerIdle() {
    ui::Application->ProcessMessages();
}

void TfmMain::DebuggerProgress() {
    if (!refreshThrottle_.IsDue(static_cast<std::uint32_t>(ui::GetTickCount()))) return;
    RefreshViews();
    refreshThrottle_.Refreshed(static_cast<std::uint32_t>(ui::GetTickCount()));
}

// ---- Notifications

void TfmMain::ConnectionChanged(const std::shared_ptr<core::IEvent>&) {
    ShowCurrentDatabase();
}

void TfmMain::ShowCurrentDatabase() {
    statusBar_->SetDatabaseText(connection_->GetCurrentDatabase());
}

void TfmMain::EditorCaretMoved(const std::shared_ptr<core::IEvent>&) {
    if (TfrmTextEditor* editor = ActiveTextEditor()) statusBar_->SetCaretPos(editor->GetCaretXY());
}

void TfmMain::BreakpointsChanged(const std::shared_ptr<core::IEvent>&) {
    if (TfrmCodeEditor* editor = ActiveEditor()) {
        editor->SetErrorLine(-1);
        editor->RepaintEditor();
    }
}

// ---- Actions

void TfmMain::alMainUpdate(ui::TBasicAction*, bool& handled) {
    handled = true;
    CheckConnectionLost();
    UpdateActionStates();
    veltrane_->CheckError();
}

void TfmMain::UpdateActionStates() {
    const TDebugCommandStates states = DebugCommandStates(veltrane_->IsRunning(), veltrane_->Busy());
    Action("aRun").SetEnabled(states.run);
    Action("aRunToCursor").SetEnabled(states.runToCursor);
    Action("aStepInto").SetEnabled(states.stepInto);
    Action("aStepOver").SetEnabled(states.stepOver);
    Action("aReset").SetEnabled(states.reset);
    Action("aCompile").SetEnabled(states.compile);
    Action("aPause").SetEnabled(states.pause);
    Action("aCloseTab").SetEnabled(pcCodeEditors_->ActivePageIndex() > 0);

    const auto storable = [](TfrmCodeEditor* editor) {
        return editor && editor->Routine().Kind() != engine::rkAnonymousBlock && editor->GetModified();
    };
    bool anyStorable = false;
    for (int i = 0; i < TabCount() && !anyStorable; ++i)
        anyStorable = storable(EditorOfTab(i));
    Action("aStoreAllToServer").SetEnabled(anyStorable);
    Action("aStoreToServer").SetEnabled(anyStorable && storable(ActiveEditor()));
    TfrmCodeEditor* active = ActiveEditor();
    Action("aRefreshFromServer").SetEnabled(active && active->CanRefresh());
    Action("aAddWatchAtCursor").SetEnabled(active && active->EditorFocused());
}

void TfmMain::ConnectionLost() {
    if (veltrane_ && veltrane_->IsRunning()) veltrane_->Stop(false);
    connectionLost_.Set();
}

void TfmMain::CheckConnectionLost() {
    if (!connectionLost_.TakeIfSet()) return;
    ui::MessageDlg(ConnectionLostMessage(connection_->GetDescription()), ui::mtError, {ui::mbOK});
    ForgetCatalogue(*connection_);
    try {
        connection_->Disconnect();
        connection_->Connect();
    } catch (const std::exception& error) {
        ui::Application->ShowException(error);
    }
}

void TfmMain::RunProgram() {
    if (veltrane_->IsRunning()) {
        veltrane_->Run();
    } else {
        CompileAll();
        if (MainBlockIsEmpty(veltrane_->MainRoutine())) {
            ui::MessageDlg(EmptyMainBlockMessage(), ui::mtInformation, {ui::mbOK});
        } else {
            veltrane_->Start(false);
        }
    }
    if (TfrmCodeEditor* editor = ActiveEditor()) editor->RepaintEditor();
    RefreshViews();
}

void TfmMain::CompileAll() {
    TWaitCursor wait;
    for (int i = 0; i < TabCount(); ++i) {
        try {
            EditorOfTab(i)->Compile();
        } catch (...) {
            pcCodeEditors_->SetActivePageIndex(i);
            throw;
        }
    }
    if (TfrmCodeEditor* editor = ActiveEditor()) editor->RepaintEditor();
}

void TfmMain::StoreAllToServer() {
    TWaitCursor wait;
    for (int i = 0; i < TabCount(); ++i) {
        TfrmCodeEditor* editor = EditorOfTab(i);
        if (editor->Routine().Kind() != engine::rkAnonymousBlock && editor->GetModified())
            editor->StoreToServer();
    }
}

// ---- Routines

void TfmMain::OpenModule(const std::string& name, int entityKind, const std::string& schema) {
    engine::TRoutine& routine = FindModule(veltrane_->Program(), name, entityKind, schema);
    ShowRoutine(&routine);
    if (TfrmCodeEditor* editor = ActiveEditor()) editor->FocusEditor();
}

void TfmMain::OpenRoutineByKind(const std::string& name, int routineKind) {
    OpenModule(name, EntityKindOfRoutine(routineKind), {});
}

void TfmMain::OpenEditorRoutine(TfrmCodeEditor& frame, const std::string& name, int entityKind) {
    OpenModule(name, entityKind, engine::GetRoutineSchema(frame.Routine()));
}

void TfmMain::ShowBreakpointSource(const engine::TBreakPoint& breakpoint) {
    OpenRoutineByKind(breakpoint.RoutineName(), breakpoint.RoutineKind());
    if (TfrmCodeEditor* editor = ActiveEditor()) editor->SetErrorLine(breakpoint.Line());
}

void TfmMain::ShowMessageSource(const std::string& routineName, int routineKind, int line) {
    OpenRoutineByKind(routineName, routineKind);
    if (TfrmCodeEditor* editor = ActiveEditor()) editor->SetErrorLine(line);
}

void TfmMain::RoutineRenamed(engine::TRoutine& routine) {
    const int index = FindRoutineTab(&routine);
    if (index >= 0)
        pcCodeEditors_->Pages(index)->SetCaption(veltrane_->Program().RoutineDisplayName(routine));
}

void TfmMain::CloseTab(int index, bool force) {
    TWaitCursor wait;
    if (EditorOfTab(index)->CanClose()) DiscardTab(index, force);
}

void TfmMain::DiscardTab(int index, bool force) {
    TfrmCodeEditor* editor = EditorOfTab(index);
    engine::TRoutine& routine = editor->Routine();
    const bool remove = RemoveRoutineOnClose(editor->IsNew(), force, routine.Compiled());
    delete pcCodeEditors_->Pages(index);
    ForgetClosedRoutine(veltrane_->Program(), routine, remove);
}

void TfmMain::RefreshFromServer() {
    TfrmCodeEditor* editor = ActiveEditor();
    if (!editor) return;
    if (engine::RoutineExistsOnServer(editor->Routine())) {
        editor->RefreshFromServer();
        return;
    }
    const std::string question = rtl::Format("Routine '%s' not found. Do you want to close editor?",
                                             veltrane_->Program().RoutineDisplayName(editor->Routine()));
    if (ui::MessageDlg(question, ui::mtWarning, {ui::mbYes, ui::mbNo}) == ui::mrYes)
        CloseTab(pcCodeEditors_->ActivePageIndex(), true);
    else
        editor->SetModified(true);
}

void TfmMain::CreateRoutine(int routineKind) {
    if (routineKind != engine::rkProcedure && routineKind != engine::rkFunction)
        throw rtl::Exception("Unsupported routine type");
    const std::string kind = RoutineKindName(routineKind);
    rtl::WideString name;
    if (!widecontrols::WideInputQuery(rtl::Utf8ToUtf16("Create " + kind),
                                      rtl::Utf8ToUtf16("Enter " + kind + " name"), name))
        return;
    engine::TRoutine& routine = CreateNewRoutine(veltrane_->Program(), routineKind, rtl::Utf16ToUtf8(name),
                                                 connection_->GetDatabase());
    OpenRoutineTab(&routine, true);
    if (TfrmCodeEditor* editor = ActiveEditor()) editor->TextEditor().SetCaretPos(0, 3);
}

void TfmMain::DropRoutine() {
    TSchemaItemData item;
    frmSchemaBrowser_->GetSelectedItem(item);
    const engine::TRoutineKind kind = RoutineKindOfSchemaItem(item.kind);
    if (kind == engine::rkAnonymousBlock)
        throw rtl::Exception("Cannot drop " + SchemaItemKindName(item.kind));
    const std::string question =
        rtl::Format("Do you really want to drop the %s '%s'?", RoutineKindName(kind), item.name);
    if (ui::MessageDlg(question, ui::mtConfirmation, {ui::mbYes, ui::mbNo}) != ui::mrYes) return;
    const std::string name =
        frmSchemaBrowser_->SelectedRoutineQuotedName(veltrane_->Program().IdentifierManager());
    engine::DropRoutine(*connection_, name, kind);
    ForgetCatalogue(*connection_);
    if (engine::TRoutine* routine = veltrane_->Program().FindRoutine(name, kind)) {
        if (const int tab = FindRoutineTab(routine); tab >= 0) delete pcCodeEditors_->Pages(tab);
        veltrane_->Program().RemoveRoutine(*routine);
    }
    frmSchemaBrowser_->DeleteFocusedNode();
}

void TfmMain::ConfigureDebugEnvironment() {
    // A node that is no routine is refused before anything changes.
    TSchemaItemData item;
    frmSchemaBrowser_->GetSelectedItem(item);
    const engine::TRoutineKind kind = RoutineKindOfSchemaItem(item.kind);
    if (kind == engine::rkAnonymousBlock)
        throw rtl::Exception(
            rtl::Format("Cannot generate debug script for %s", SchemaItemKindName(item.kind)));
    if (ui::MessageDlg("Do you really want to configure environment?", ui::mtConfirmation,
                       {ui::mbYes, ui::mbNo}) != ui::mrYes ||
        !CanCloseAllTabs())
        return;
    // Each tab goes as closing it would: an edit the user chose not to store does not stay in the
    // program to be run.
    while (TabCount() > 1)
        DiscardTab(TabCount() - 1, false);
    engine::TRoutine* routine = veltrane_->Program().GetRoutine(
        frmSchemaBrowser_->SelectedRoutineQuotedName(veltrane_->Program().IdentifierManager()), "", true,
        kind);
    if (!routine || !routine->Compiled()) {
        ui::MessageDlg("An error occurred during the generation.", ui::mtError, {ui::mbOK});
        return;
    }
    EditorOfTab(0)->SetText(GenerateDebugScript(*routine));
    veltrane_->BreakPoints().Clear();
    veltrane_->BreakPoints().Add(routine->Name(), routine->Kind(), FirstStatementLine(*routine));
    ShowRoutine(routine);
    if (RoutineHasInputParameters(*routine)) {
        ui::MessageDlg("The environment has been configured successfully. Please specify input parameter "
                       "values and press Run(F9) to start debugging.",
                       ui::mtInformation, {ui::mbOK});
        pcCodeEditors_->SetActivePageIndex(0);
        pcCodeEditorsChange();
    } else {
        ui::MessageDlg("The environment has been configured successfully. Press Run(F9) to start debugging.",
                       ui::mtInformation, {ui::mbOK});
    }
}

bool TfmMain::CanCloseAllTabs() {
    for (int i = 0; i < TabCount(); ++i)
        if (!EditorOfTab(i)->CanClose()) return false;
    return true;
}

// ---- Showing and closing

void TfmMain::FormShow() {
    if (shown_) return;
    shown_ = true;
    LoadSession();
    if (TfrmCodeEditor* editor = ActiveEditor()) editor->FocusEditor();
    statusBar_->ShowUpdateNotice(GetCheckUpdatesState() == 3);
    statusBar_->SetServerText(
        "MySQL Server: " +
        connection_->Evaluate(u"SHOW VARIABLES LIKE 'version'", false, 1)->AsString().AsString());
    ShowCurrentDatabase();
}

void TfmMain::FormCloseQuery(bool& canClose) {
    canClose = CanCloseAllTabs();
}

void TfmMain::FormClose() {
    SaveSession();
}

void TfmMain::SaveSession() {
    TSessionState state;
    state.mainText = EditorOfTab(0)->GetText();
    for (int i = 1; i < TabCount(); ++i) {
        const engine::TRoutine& routine = EditorOfTab(i)->Routine();
        state.modules.push_back({routine.Name(), routine.Kind()});
    }
    state.activeModule = pcCodeEditors_->ActivePageIndex();
    state.watches = frmWatchList_->GetWatchesText();
    state.sqlText = frmSQL_->GetText();
    rtl::TSettings settings;
    app::SaveSession(settings, connection_->GetDescription(), state, veltrane_->BreakPoints());
    dockingManager_->SaveToRegistry(kDesktopKey);
}

void TfmMain::LoadSession() {
    rtl::TSettings settings;
    const TSessionState state =
        app::LoadSession(settings, connection_->GetDescription(), veltrane_->BreakPoints());
    TfrmCodeEditor* main = EditorOfTab(0);
    main->SetText(state.mainText);
    main->ClearUndo();
    frmWatchList_->SetWatchesText(state.watches);
    frmSQL_->SetText(state.sqlText);
    for (const TSessionState::TModule& module : state.modules) {
        try {
            OpenRoutineByKind(module.identifier, module.kind);
        } catch (const std::exception&) {
            // A routine that is gone or refused is left out; its breakpoints stay.
        }
    }
    if (state.activeModule < TabCount()) pcCodeEditors_->SetActivePageIndex(state.activeModule);
    if (settings.KeyExists(kDesktopKey)) {
        try {
            dockingManager_->LoadFromRegistry(kDesktopKey);
        } catch (const std::exception& error) {
            // A damaged layout leaves the default one in place; the user hears of it once.
            ui::Application->ShowException(error);
        }
    }
}

void InitializeMainUnit() {
    ui::Application->SetTitle(GetProductTitle());
}

} // namespace app
