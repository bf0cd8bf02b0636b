#include "app/fuMainActions.h"

#include "platform/ui/Actions.h"
#include "platform/ui/ShortCuts.h"

namespace app {

const std::vector<TMainActionEntry> kMainActions = {
    {"aRun", "Debug", "Run", "F9"},
    {"aStepInto", "Debug", "Step into", "F7"},
    {"aStepOver", "Debug", "Step over", "F8"},
    {"aRunToCursor", "Debug", "Run to cursor", "F4"},
    {"aPause", "Debug", "Pause", ""},
    {"aReset", "Debug", "Reset", "Ctrl+F2"},
    {"aCompile", "Tools", "Compile", "Ctrl+F9"},
    {"aEvaluate", "Tools", "Evaluate", "Ctrl+F7"},
    {"aAddWatchAtCursor", "", "Add watch at cursor", "Ctrl+F5"},
    {"aToggleBreakPoint", "", "Toggle breakpoint", "F5"},
    {"aSQLWindow", "Tools", "SQL", "F11"},
    {"aMonitor", "Tools", "Show monitor", "Shift+Ctrl+F12"},
    {"aInternalCheck", "Tools", "Internal check...", ""},
    {"aOptions", "Tools", "Options...", ""},
    {"aNewDebugSession", "File", "New debug session", ""},
    {"aStoreToServer", "File", "Store routine", "Ctrl+S"},
    {"aStoreAllToServer", "File", "Store all routines", "Shift+Ctrl+S"},
    {"aCreateProcedure", "File", "Create procedure...", ""},
    {"aCreateFunction", "File", "Create function...", ""},
    {"aRefreshFromServer", "File", "Refresh", ""},
    {"aExit", "File", "E&xit", ""},
    {"aCloseTab", "Tabs", "Close", "Ctrl+W"},
    {"aFind", "Editing", "Find...", "Ctrl+F"},
    {"aReplace", "Editing", "Replace...", "Ctrl+R"},
    {"aSearchAgain", "Editing", "Search again", "F3"},
    {"aGoToLine", "", "Go to line number...", "Alt+G"},
    {"aShowMainPage", "View", "Show Main", "Ctrl+F1"},
    {"aShowBreakpoints", "View", "Breakpoints", "Ctrl+Alt+B"},
    {"aShowCallStack", "View", "Call stack", "Ctrl+Alt+S"},
    {"aShowWatches", "View", "Watches", "Ctrl+Alt+W"},
    {"aShowLocalVariables", "View", "Local variables", "Ctrl+Alt+L"},
    {"aShowOutput", "View", "Output", "Ctrl+Alt+O"},
    {"aShowBrowser", "View", "Schema browser", "F12"},
    {"aSyntaxHelp", "View", "MySQL reference manual", "Ctrl+H"},
    {"aTopicSearch", "", "Topic search", "F1"},
    {"aHelp", "", "Quick Start (online resource)", ""},
    {"aAbout", "", "About", ""},
    {"aOpenSource", "Explorer", "Open", ""},
    {"aGenerateDebugScript", "Explorer", "Configure environment for debug this routine", ""},
    {"aDropRoutine", "Explorer", "Drop", ""},
    {"aRefreshExplorer", "Explorer", "Refresh schema", ""},
};

// The Edit menu is the common data module's; it is built in its place between File and Search.
const std::vector<TMainMenuEntry> kMainMenu = {
    {"&File",
     {"aNewDebugSession", "-", "aCreateProcedure", "aCreateFunction", "-", "aStoreToServer",
      "aStoreAllToServer", "-", "aRefreshFromServer", "-", "aExit"}},
    {"&Edit", {}},
    {"&Search", {"aFind", "aReplace", "aSearchAgain", "-", "aGoToLine"}},
    {"&View",
     {"aShowMainPage", "-", "aShowBrowser", "-", "aShowBreakpoints", "aShowCallStack", "aShowWatches",
      "aShowLocalVariables", "aShowOutput"}},
    {"&Run",
     {"aRun", "-", "aStepInto", "aStepOver", "aRunToCursor", "-", "aPause", "aReset", "-", "aEvaluate",
      "aAddWatchAtCursor"}},
    {"&Tools", {"aCompile", "-", "aSQLWindow", "-", "aInternalCheck", "-", "aOptions"}},
    {"&Help", {"aHelp", "-", "aSyntaxHelp", "-", "aAbout"}},
};

std::map<std::string, ui::TAction*> CreateMainActions(ui::TComponent* owner, ui::TActionList& list) {
    std::map<std::string, ui::TAction*> actions;
    for (const TMainActionEntry& entry : kMainActions) {
        auto* action = new ui::TAction(owner);
        action->SetName(entry.name);
        action->SetCategory(entry.category);
        action->SetCaption(entry.caption);
        if (*entry.shortCut) action->SetShortCut(ui::TextToShortCut(entry.shortCut));
        action->SetActionList(&list);
        actions[entry.name] = action;
    }
    actions.at("aExit")->SetHint("Exit|Quits the application");
    return actions;
}

} // namespace app
