#include "app/fuCodeGenerator.h"

#include <memory>

#include "core/uStringUtils.h"
#include "engine/uDBAExpressions.h"
#include "engine/uProgram.h"
#include "engine/uStatements.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Utf.h"

namespace app {

std::u16string GenerateDebugScript(const engine::TRoutine& routine) {
    RTL_ASSERT(routine.Compiled());
    std::string text = "BEGIN";
    std::string arguments;
    std::string outputs;
    const engine::IBlock& block = *routine.Block();
    for (int i = 0; i < block.SymbolCount(); ++i) {
        const auto parameter = std::dynamic_pointer_cast<engine::IDBAParameter>(block.GetSymbol(i));
        if (!parameter) continue;
        const std::string variable = "@" + parameter->GetName();
        const engine::TParameterScope scope = parameter->GetScope();
        if (scope != engine::psOut) text += "\r\n  SET " + variable + " = NULL;";
        core::AppendWithDelimiter(arguments, variable, ", ");
        if (scope != engine::psIn) core::AppendWithDelimiter(outputs, variable, ", ");
    }
    if (routine.Kind() == engine::rkFunction) {
        text += "\r\n  SET @result = " + routine.Name() + "(" + arguments + ");";
        outputs = "@result";
    } else {
        text += "\r\n  CALL " + routine.Name() + "(" + arguments + ");";
    }
    if (!outputs.empty()) text += "\r\n  SELECT " + outputs + ";";
    return rtl::Utf8ToUtf16(text + "\r\nEND");
}

} // namespace app
