#include "app/fruOutput.h"

#include "core/uDBAConnection.h"
#include "core/uStringUtils.h"
#include "engine/uDebugger.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Utf.h"

namespace app {

TOutputLine OutputLine(const engine::IDebuggMessageEvent& message) {
    const int kind = message.GetKind();
    if (kind < engine::mkQueryResult) return {rtl::Utf16ToUtf8(message.GetText()), kind};
    if (kind > engine::mkQueryResult) throw rtl::Exception("Unknown message type");

    const auto result = message.GetQueryResult();
    const std::string rows = std::to_string(result->RowCount());
    const std::string seconds = core::FormatMilliseconds(result->ExecutionTime());
    if (result->HasResultSet())
        return {
            rows + " row(s) returned (" + seconds +
                " sec) to view the data, use the Show results command from the context menu of the element",
            3};
    return {rows + " row(s) affected (" + seconds + " sec)", 4};
}

} // namespace app
