// The debugging commands of the main window and when each is available.
#pragma once

#include <cstdint>
#include <string>

namespace engine {
class TRoutine;
class TVeltrane;
} // namespace engine

namespace app {

// Which debugging commands the main window offers, from whether a run exists (session) and whether its
// debug thread is executing rather than stopped at a statement (busy).
struct TDebugCommandStates {
    bool run = false;
    bool runToCursor = false;
    bool stepInto = false;
    bool stepOver = false;
    bool pause = false;
    bool reset = false;
    bool compile = false;

    bool operator==(const TDebugCommandStates&) const = default;
};

TDebugCommandStates DebugCommandStates(bool session, bool busy);

// Nothing to run: every statement of the outermost block is a block that is empty by the same rule.
bool MainBlockIsEmpty(const engine::TRoutine& mainRoutine);

// What Run says instead of starting a main block with nothing to execute, lines joined by CR LF.
std::string EmptyMainBlockMessage();

// Step over: a temporary breakpoint on every executable line of the current routine, then run when a
// later executable line exists, else step into (which leaves the routine).
void StepOver(engine::TVeltrane& veltrane);

// Run to cursor: a temporary breakpoint on the caret's line (1-based) of the routine; the caller runs.
void AddRunToCursorBreakpoint(engine::TVeltrane& veltrane, const engine::TRoutine& routine, int line);

// The views follow a running program at most once a second: after every resume they refresh when more
// than 1000 ms have passed since the end of the last refresh, measured modulo 2^32 so that a wrapping
// tick counter keeps the rule.
class TViewRefreshThrottle {
public:
    bool IsDue(std::uint32_t now) const { return static_cast<std::uint32_t>(now - lastRefresh_) > 1000; }
    void Refreshed(std::uint32_t now) { lastRefresh_ = now; }

private:
    std::uint32_t lastRefresh_ = 0;
};

} // namespace app
