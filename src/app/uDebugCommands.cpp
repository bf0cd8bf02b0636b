#include "app/uDebugCommands.h"

#include <algorithm>
#include <iterator>
#include <memory>

#include "core/uContainers.h"
#include "engine/debugger/uVeltrane.h"
#include "engine/model/uStatements.h"

namespace app {
namespace {

// Empty blocks nest: BEGIN BEGIN END; END executes nothing, while a non-empty statement anywhere after
// an empty nested block still does.
bool BlockIsEmpty(const engine::IBlock& block) {
    const auto statements = block.GetStatements();
    for (int i = 0; statements && i < statements->Count(); ++i) {
        const auto nested = std::dynamic_pointer_cast<engine::IBlock>(statements->GetStatement(i));
        if (!nested || !BlockIsEmpty(*nested)) return false;
    }
    return true;
}

} // namespace

TDebugCommandStates DebugCommandStates(bool session, bool busy) {
    TDebugCommandStates states;
    states.run = !busy;
    states.runToCursor = states.run;
    states.stepInto = session && !busy;
    states.stepOver = states.stepInto;
    states.pause = session && busy;
    states.reset = session;
    states.compile = !session;
    return states;
}

bool MainBlockIsEmpty(const engine::TRoutine& mainRoutine) {
    return BlockIsEmpty(*mainRoutine.Block());
}

std::string EmptyMainBlockMessage() {
    static constexpr const char* kLines[] = {
        "The debugging process has stopped for the following reason: the <Main> block contains no "
        "executable statements.",
        "",
        "Take a look at a sample of the <Main> block code that was written for debugging the "
        "'add_employee' procedure:",
        "",
        "BEGIN",
        "  -- Declare variables",
        "  DECLARE employee_id INTEGER;",
        "  DECLARE employee_name VARCHAR(100);",
        "  ",
        "  -- Initialize variables",
        "  SET employee_id = 1;",
        "  SET employee_name = 'Ada Example';",
        "  ",
        "  -- Procedure call",
        "  -- At this point you can put a breakpoint",
        "  CALL add_employee(employee_id, employee_name);",
        "END",
        "",
        "To quickly start debugging use the Configure environment command from the context menu of the "
        "Schema browser.",
    };
    std::string message = kLines[0];
    for (std::size_t i = 1; i < std::size(kLines); ++i)
        message.append("\r\n").append(kLines[i]);
    return message;
}

void StepOver(engine::TVeltrane& veltrane) {
    engine::TRoutine* routine = veltrane.CurrentRoutine();
    core::TIntegerList lines;
    if (routine) veltrane.GetExecutableLines(*routine, lines);
    int lastLine = -1;
    for (int i = 0; i < lines.Count(); ++i) {
        veltrane.TemporaryBreakPoints().Add(routine->Name(), static_cast<std::uint8_t>(routine->Kind()),
                                            lines.Get(i));
        lastLine = std::max(lastLine, lines.Get(i));
    }
    if (veltrane.CurrentLine() < lastLine)
        veltrane.Run();
    else
        veltrane.StepInto();
}

void AddRunToCursorBreakpoint(engine::TVeltrane& veltrane, const engine::TRoutine& routine, int line) {
    veltrane.TemporaryBreakPoints().Add(routine.Name(), static_cast<std::uint8_t>(routine.Kind()), line);
}

} // namespace app
