// The call stack window: the routines of a paused run, each line opening its routine.
#pragma once

#include "platform/ui/Forms.h"
#include "platform/ui/ListControls.h"

#include <functional>
#include <string>
#include <vector>

namespace engine {
class TRoutine;
class TVeltrane;
} // namespace engine

namespace app {

// One line of the call stack window; a line without a routine cannot be opened.
struct TCallStackLine {
    std::string text;
    engine::TRoutine* routine = nullptr;
    int line = -1;

    bool operator==(const TCallStackLine&) const = default;
};

// Where the paused session stands, newest call first and the main block last, each routine at the line
// it stands on with the argument text of the call that entered it.
std::vector<TCallStackLine> CallStackLines(engine::TVeltrane& veltrane);

// Shows a routine at a line.
using TCallStackEntryEvent = std::function<void(engine::TRoutine* routine, int line)>;

// The paused session's calls, newest first; a line opens its routine where it stands.
class TfrmCallStack : public ui::TFrame {
public:
    TfrmCallStack(ui::TComponent* owner, engine::TVeltrane* veltrane);

    void Refresh();
    // The main window shows the routine and marks the line.
    TCallStackEntryEvent OnEntry;

    ui::TListBox* lbEntries;

private:
    void OpenSelected();

    engine::TVeltrane* veltrane_;
    std::vector<TCallStackLine> lines_;
};

} // namespace app
