#pragma once

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

} // namespace app
