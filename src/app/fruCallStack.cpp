#include "app/fruCallStack.h"

#include "engine/uVeltrane.h"

namespace app {
namespace {

TCallStackLine EntryLine(engine::TVeltrane& veltrane, engine::TRoutine& routine, int line,
                         const std::string& arguments) {
    std::string text = veltrane.Program().RoutineDisplayName(routine);
    if (!arguments.empty()) text += "(" + arguments + ")";
    return {std::move(text), &routine, line};
}

} // namespace

std::vector<TCallStackLine> CallStackLines(engine::TVeltrane& veltrane) {
    engine::TRoutine* current = veltrane.CurrentRoutine();
    if (!veltrane.IsRunning() || veltrane.Busy() || !current) return {{"<Process is not accessible>"}};

    const engine::TCallStack& stack = veltrane.Program().CallStack();
    const int count = stack.Count();
    if (count == 0) return {EntryLine(veltrane, *current, veltrane.CurrentLine(), {})};

    std::vector<TCallStackLine> lines;
    lines.push_back(EntryLine(veltrane, *current, veltrane.CurrentLine(), stack.GetEntry(0).Arguments));
    for (int i = 0; i + 1 < count; ++i) {
        const engine::TStackEntry& entry = stack.GetEntry(i);
        lines.push_back(EntryLine(veltrane, *entry.Caller, entry.Line, stack.GetEntry(i + 1).Arguments));
    }
    lines.push_back(EntryLine(veltrane, veltrane.MainRoutine(), stack.GetEntry(count - 1).Line, {}));
    return lines;
}

} // namespace app
