// The evaluate window: computes one expression at a stop and can pass it to the watch list.
#pragma once

#include "platform/ui/Actions.h"
#include "platform/ui/Forms.h"

#include <functional>
#include <string>
#include <string_view>

namespace engine {
class TVeltrane;
}
namespace imaging {
class TPngImageList;
}
namespace ui {
class TLabel;
class TToolBar;
} // namespace ui
namespace widecontrols {
class TUcComboBox;
class TUcMemo;
} // namespace widecontrols

namespace app {

// Evaluates one expression on demand at a stop and hands it to the watch list when asked.
class TfrmEvaluateExpression : public ui::TFrame {
public:
    // Gets the expression (UTF-8) the user wants to watch.
    using TWatchCallback = std::function<void(const std::string& expression)>;

    TfrmEvaluateExpression(ui::TComponent* owner, engine::TVeltrane* veltrane, TWatchCallback watch);

    // Puts the text into the expression box and evaluates it at once.
    void SetExpression(std::u16string_view text);

    widecontrols::TUcComboBox* edExpression;
    widecontrols::TUcMemo* edResult;
    ui::TToolBar* tbEvaluate;
    imaging::TPngImageList* ilNormal;
    ui::TActionList* alFrame;
    ui::TAction* aEvaluate = nullptr;
    ui::TAction* aWatch = nullptr;

private:
    ui::TLabel* AddLabel(const char* caption, ui::TWinControl* focusControl, int top);
    void Evaluate();
    void EditKeyDown(uint16_t& key);
    void alFrameUpdate();

    engine::TVeltrane* veltrane_;
    TWatchCallback watch_;
};

} // namespace app
