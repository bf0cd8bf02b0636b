// The breakpoint list window: every breakpoint of the run with its module, line and condition.
#pragma once

#include "platform/ui/Actions.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace engine {
class TBreakPoint;
class TVeltrane;
} // namespace engine

namespace core {
class IEvent;
}

namespace widecontrols {
class TUcListBox;
}

namespace app {

// One row of the breakpoint list: module, line and condition columns, the check mark and the breakpoint.
struct TBreakpointRow {
    std::string module;
    std::string line;
    std::u16string condition;
    bool enabled = true;
    engine::TBreakPoint* breakpoint = nullptr;
};

// The facade's permanent breakpoints in list order; the main block's are "<Main>", others are named
// unquoted and schema-qualified.
std::vector<TBreakpointRow> BreakpointRows(engine::TVeltrane& veltrane);

// The facade's breakpoints, one line each with its check mark, module, line and condition; the list
// follows every change of the breakpoints.
class TfrmBreakpoints : public ui::TFrame {
public:
    TfrmBreakpoints(ui::TComponent* owner, engine::TVeltrane* veltrane);
    ~TfrmBreakpoints() override;

    void Reload();
    void BreakpointsChanged(const std::shared_ptr<core::IEvent>& event);
    // The user's check mark enables or disables the breakpoint.
    void SetChecked(int index, bool checked);
    // The main window opens the breakpoint's routine at its line.
    std::function<void(engine::TBreakPoint* breakpoint)> OnViewSource;

    widecontrols::TUcListBox* lvBreakpoints;
    ui::TActionList* alFrame;
    ui::TPopupMenu* pmBreakpoints;
    ui::TAction* aViewSource = nullptr;
    ui::TAction* aBreakpointProperties = nullptr;
    ui::TAction* aDelete = nullptr;

private:
    engine::TBreakPoint* Selected() const;
    void alFrameUpdate();
    void aBreakpointPropertiesExecute();
    void aDeleteExecute();

    engine::TVeltrane* veltrane_;
    std::vector<TBreakpointRow> rows_;
};

} // namespace app
