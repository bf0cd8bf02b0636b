#include "app/fruBreakpoints.h"

#include "engine/uVeltrane.h"

namespace app {

std::vector<TBreakpointRow> BreakpointRows(engine::TVeltrane& veltrane) {
    const core::TIdentifierManager& identifiers = veltrane.Program().IdentifierManager();
    engine::TBreakPoints& list = veltrane.BreakPoints();
    std::vector<TBreakpointRow> rows;
    for (int i = 0; i < list.Count(); ++i) {
        engine::TBreakPoint& breakpoint = list.Items(i);
        const std::string& name = breakpoint.RoutineName();
        rows.push_back({name.empty() ? "<Main>" : identifiers.UnquotedQualifiedName(name, {}),
                        std::to_string(breakpoint.Line()), breakpoint.Condition(), breakpoint.Enabled(),
                        &breakpoint});
    }
    return rows;
}

} // namespace app
