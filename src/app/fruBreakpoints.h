#pragma once

#include <string>
#include <vector>

namespace engine {
class TBreakPoint;
class TVeltrane;
} // namespace engine

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

} // namespace app
