// The local variables window: the names and values of the variables at the current stop.
#pragma once

#include "platform/ui/Actions.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"

#include <memory>
#include <string>
#include <vector>

namespace engine {
class ICustomVariable;
class TVeltrane;
} // namespace engine

namespace widecontrols {
class TUcListBox;
}

namespace app {

struct TVariableLine {
    std::u16string text;
    std::shared_ptr<engine::ICustomVariable> variable;
};

// "name: value" of every variable visible at the stop, innermost block first; variables an inner block
// hides are listed too. Empty without a paused session.
std::vector<TVariableLine> LocalVariableLines(engine::TVeltrane& veltrane);

// The variable's current value as the views show it.
std::u16string VariableValueText(const engine::ICustomVariable& variable);

// The variables visible where the session stopped, one "name: value" line each.
class TfrmLocalVariables : public ui::TFrame {
public:
    TfrmLocalVariables(ui::TComponent* owner, engine::TVeltrane* veltrane);

    void Refresh();

    widecontrols::TUcListBox* lbVariables;
    ui::TActionList* alFrame;
    ui::TPopupMenu* pmVariables;
    ui::TAction* aCopyValue = nullptr;

private:
    engine::TVeltrane* veltrane_;
    std::vector<std::shared_ptr<engine::ICustomVariable>> variables_;
};

} // namespace app
