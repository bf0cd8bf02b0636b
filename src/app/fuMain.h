// The program's main window: the routine tabs, the debugger facade's callbacks, the actions and menus
// and the debugging commands.
#pragma once

#include "app/fuMainRoutines.h"
#include "app/uDebugCommands.h"
#include "core/uDBAConnection.h"
#include "core/uMultiNotifier.h"
#include "platform/ui/Forms.h"

#include <map>
#include <memory>
#include <string>

namespace engine {
class TBreakPoint;
class TRoutine;
class TVeltrane;
} // namespace engine

namespace docking {
class TvzDockingControl;
class TvzDockingManager;
class TvzDockingSite;
} // namespace docking

namespace imaging {
class TPngImageList;
}

namespace ui {
class TAction;
class TActionList;
class TBasicAction;
class TMainMenu;
class TMemo;
class TPageControl;
class TPopupMenu;
class TPanel;
class TTabSheet;
class TTimer;
class TToolBar;
} // namespace ui

namespace app {

class TAppStatusBar;
class TfrmBreakpoints;
class TfrmCallStack;
class TfrmCodeEditor;
class TfrmEvaluateExpression;
class TfrmHelpSystem;
class TfrmLocalVariables;
class TfrmOutput;
class TfrmSchemaBrowser;
class TfrmSQL;
class TfrmWatchList;
class TfmCodeCompletion;
class TfmToolForm;

// The connection the main block hands to the main window, which takes it over and clears this.
extern std::shared_ptr<core::IDBAConnection> GlobalConnection;

class TfmMain : public ui::TForm {
public:
    explicit TfmMain(ui::TComponent* owner);
    ~TfmMain() override;

    const std::shared_ptr<core::IDBAConnection>& Connection() const { return connection_; }
    engine::TVeltrane& Veltrane() const { return *veltrane_; }

    // The routine editor of the active tab.
    TfrmCodeEditor* ActiveEditor() const;
    TfrmCodeEditor* EditorOfTab(int index) const;
    int TabCount() const;
    // The tab that shows the routine, -1 when none.
    int FindRoutineTab(const engine::TRoutine* routine) const;
    void OpenRoutineTab(engine::TRoutine* routine, bool isNew);
    void ShowRoutine(engine::TRoutine* routine);
    void ShowRoutineLine(engine::TRoutine* routine, int line);
    void RefreshViews();
    void UpdateEditorsDebugging();

    // A tab the user may leave open with its changes: the frame asks before it goes unless forced.
    void CloseTab(int index, bool force);
    void OpenModule(const std::string& name, int entityKind, const std::string& schema);
    void OpenRoutineByKind(const std::string& name, int routineKind);
    void CreateRoutine(int routineKind);
    // Drops the schema browser's routine on the server after the user confirmed it.
    void DropRoutine();
    // Makes the main block a debug script for the schema browser's routine, with a breakpoint on its
    // first statement.
    void ConfigureDebugEnvironment();

    ui::TAction& Action(const std::string& name) const { return *actions_.at(name); }
    ui::TActionList& ActionList() const { return *alMain_; }
    ui::TPageControl& CodeEditors() const { return *pcCodeEditors_; }
    ui::TPopupMenu& ExplorerMenu() const { return *pmExplorer_; }
    ui::TPopupMenu& TabsMenu() const { return *pmTabs_; }

    // Brings a tool window into view and focuses its main control; "Unknown tool type" otherwise.
    void ShowToolWindow(int tool);
    docking::TvzDockingControl& Panel(const std::string& name) const { return *panels_.at(name); }
    TfrmWatchList& WatchList() const { return *frmWatchList_; }
    TfrmLocalVariables& LocalVariables() const { return *frmLocalVariables_; }
    TfrmCallStack& CallStack() const { return *frmCallStack_; }
    TfrmBreakpoints& Breakpoints() const { return *frmBreakpoints_; }
    TfrmOutput& Output() const { return *frmOutput_; }
    TfrmSQL& SQLWindow() const { return *frmSQL_; }
    TfrmSchemaBrowser& SchemaBrowser() const { return *frmSchemaBrowser_; }
    TfrmEvaluateExpression& Evaluate() const { return *frmEvaluate_; }
    TfrmHelpSystem& HelpSystem() const { return *frmHelp_; }

private:
    void CreateComponents();
    void CreateDocking();
    void BuildDefaultLayout();
    void MonitorLine(const std::string& text);
    void CreateToolBar();
    void CreateToolWindows();
    void EvaluateAtCursor();
    void AddWatchAtCursor();
    void TopicSearch();
    void OpenSchemaItem();
    void BindActions();
    void BuildMainMenu();
    void BuildPopupMenus();

    // The facade's callbacks.
    void DebuggerPaused();
    void DebuggerStarted();
    void DebuggerStopped();
    void DebuggerIdle();
    void DebuggerProgress();

    void ConnectionChanged(const std::shared_ptr<core::IEvent>& event);
    void EditorCaretMoved(const std::shared_ptr<core::IEvent>& event);
    void BreakpointsChanged(const std::shared_ptr<core::IEvent>& event);
    void ShowCurrentDatabase();

    void alMainUpdate(ui::TBasicAction* action, bool& handled);
    void UpdateActionStates();
    void CheckConnectionLost();
    void ConnectionLost();

    void RunProgram();
    void CompileAll();
    void StoreAllToServer();
    void RefreshFromServer();
    void RoutineRenamed(engine::TRoutine& routine);
    void OpenEditorRoutine(TfrmCodeEditor& frame, const std::string& name, int entityKind);
    void ShowBreakpointSource(const engine::TBreakPoint& breakpoint);
    void ShowMessageSource(const std::string& routineName, int routineKind, int line);
    bool CanCloseAllTabs();
    // Frees the tab without asking; its routine leaves the program or is reloaded as closing decides.
    void DiscardTab(int index, bool force);

    void FormShow();
    void FormCloseQuery(bool& canClose);
    void FormClose();
    void LoadSession();
    void SaveSession();
    void pcCodeEditorsChange();
    void pcCodeEditorsMouseDown(ui::TMouseButton button, int x, int y);

    std::shared_ptr<core::IDBAConnection> connection_;
    std::unique_ptr<engine::TVeltrane> veltrane_;
    TConnectionLostFlag connectionLost_;
    TViewRefreshThrottle refreshThrottle_;

    imaging::TPngImageList* ilToolBarNormal_;
    imaging::TPngImageList* ilToolBarHot_;
    imaging::TPngImageList* ilStatusBar_;
    ui::TToolBar* tbMain_;
    docking::TvzDockingManager* dockingManager_;
    docking::TvzDockingSite* dockingSite_;
    std::map<std::string, docking::TvzDockingControl*> panels_;
    ui::TPageControl* pcCodeEditors_;
    ui::TMemo* edMonitor_;
    ui::TActionList* alMain_;
    ui::TMainMenu* mMain_;
    ui::TPopupMenu* pmExplorer_;
    ui::TPopupMenu* pmTabs_;
    ui::TTimer* tmActivateEditor_;
    TAppStatusBar* statusBar_;
    std::map<std::string, ui::TAction*> actions_;
    TfrmWatchList* frmWatchList_ = nullptr;
    TfrmLocalVariables* frmLocalVariables_ = nullptr;
    TfrmCallStack* frmCallStack_ = nullptr;
    TfrmBreakpoints* frmBreakpoints_ = nullptr;
    TfrmOutput* frmOutput_ = nullptr;
    TfrmSQL* frmSQL_ = nullptr;
    TfrmSchemaBrowser* frmSchemaBrowser_ = nullptr;
    TfrmEvaluateExpression* frmEvaluate_ = nullptr;
    TfmToolForm* fmEvaluate_ = nullptr;
    TfrmHelpSystem* frmHelp_ = nullptr;
    TfmToolForm* fmHelp_ = nullptr;
    TfmCodeCompletion* fmCodeCompletion_ = nullptr;
    bool shown_ = false;
};

// Names the program for the window system before any window shows.
void InitializeMainUnit();

} // namespace app
