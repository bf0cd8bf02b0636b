#include "app/fruCallStack.h"

#include "platform/rtl/Exception.h"
#include "platform/ui/Messages.h"

#include "engine/debugger/uVeltrane.h"

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

TfrmCallStack::TfrmCallStack(ui::TComponent* owner, engine::TVeltrane* veltrane)
    : ui::TFrame(owner), lbEntries(new ui::TListBox(this)), veltrane_(veltrane) {
    RTL_ASSERT(veltrane_);
    SetName("frmCallStack");
    SetBounds(0, 0, 240, 160);
    lbEntries->SetName("lbEntries");
    lbEntries->SetParent(this);
    lbEntries->SetAlign(ui::alClient);
    lbEntries->OnDblClick = [this](ui::TObject*) { OpenSelected(); };
    lbEntries->OnKeyDown = [this](ui::TObject*, uint16_t& key, ui::TShiftState) {
        if (key == ui::VK_RETURN) OpenSelected();
    };
    Refresh();
}

void TfrmCallStack::Refresh() {
    lines_ = CallStackLines(*veltrane_);
    auto& items = lbEntries->Items();
    items.Clear();
    for (const auto& line : lines_)
        items.Add(line.text);
}

void TfrmCallStack::OpenSelected() {
    const int index = lbEntries->ItemIndex();
    if (index < 0 || !OnEntry) return;
    const TCallStackLine& line = lines_[static_cast<std::size_t>(index)];
    if (line.routine) OnEntry(line.routine, line.line);
}

} // namespace app
