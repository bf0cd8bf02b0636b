#include "app/fruLocalVariables.h"

#include "engine/uVeltrane.h"
#include "platform/rtl/Utf.h"

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

} // namespace app
