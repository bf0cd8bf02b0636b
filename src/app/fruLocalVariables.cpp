#include "app/fruLocalVariables.h"

#include "app/uFrameActions.h"
#include "engine/debugger/uVeltrane.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Utf.h"
#include "widecontrols/uUcClipboard.h"
#include "widecontrols/uUcStdCtrls.h"

namespace app {

std::u16string VariableValueText(const engine::ICustomVariable& variable) {
    return engine::DataValueToDisplayText(*variable.GetValue());
}

std::vector<TVariableLine> LocalVariableLines(engine::TVeltrane& veltrane) {
    std::vector<TVariableLine> lines;
    if (!veltrane.IsRunning() || veltrane.Busy()) return lines;
    for (auto block = veltrane.GetCurrentContext(); block; block = block->GetParent()) {
        for (int i = 0; i < block->SymbolCount(); ++i) {
            auto variable = std::dynamic_pointer_cast<engine::ICustomVariable>(block->GetSymbol(i));
            if (!variable) continue;
            lines.push_back({rtl::Utf8ToUtf16(variable->GetName()) + u": " + VariableValueText(*variable),
                             std::move(variable)});
        }
    }
    return lines;
}

TfrmLocalVariables::TfrmLocalVariables(ui::TComponent* owner, engine::TVeltrane* veltrane)
    : ui::TFrame(owner), lbVariables(new widecontrols::TUcListBox(this)), alFrame(new ui::TActionList(this)),
      pmVariables(new ui::TPopupMenu(this)), veltrane_(veltrane) {
    RTL_ASSERT(veltrane_);
    SetName("frmLocalVariables");
    SetBounds(0, 0, 240, 200);
    lbVariables->SetName("lbVariables");
    lbVariables->SetParent(this);
    lbVariables->SetAlign(ui::alClient);
    alFrame->SetName("alFrame");
    aCopyValue = AddFrameAction(*alFrame, "aCopyValue", "Copy value", [this] {
        const int index = lbVariables->ItemIndex();
        if (index < 0) return;
        widecontrols::UcClipboard().SetAsWideText(
            VariableValueText(*variables_[static_cast<std::size_t>(index)]));
    });
    SetFrameUpdate(*alFrame, [this] { aCopyValue->SetEnabled(lbVariables->ItemIndex() >= 0); });
    pmVariables->SetName("pmVariables");
    AddMenuItems(*pmVariables, {aCopyValue});
}

void TfrmLocalVariables::Refresh() {
    auto& items = lbVariables->WideItems();
    items.BeginUpdate();
    items.Clear();
    variables_.clear();
    for (auto& line : LocalVariableLines(*veltrane_)) {
        items.Add(line.text);
        variables_.push_back(std::move(line.variable));
    }
    items.EndUpdate();
}

} // namespace app
