#include "engine/debugger/uBreakPoints.h"

#include <algorithm>

#include "core/uStringUtils.h"
#include "engine/model/uExpressions.h"

namespace engine {

TBreakPoint::TBreakPoint(std::string routineName, std::uint8_t routineKind, int line, TChangeEvent onChange)
    : routineName_(std::move(routineName)), line_(line), routineKind_(routineKind),
      onChange_(std::move(onChange)) {}

void TBreakPoint::Changed() {
    if (onChange_) onChange_(*this);
}

void TBreakPoint::SetLine(int line) {
    if (line == line_) return;
    line_ = line;
    Changed();
}

void TBreakPoint::SetCondition(std::u16string condition) {
    if (condition == condition_) return;
    condition_ = std::move(condition);
    Changed();
}

void TBreakPoint::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    Changed();
}

bool TBreakPoint::Matches(std::string_view routineName, std::uint8_t routineKind, int line) const {
    return line == line_ && routineKind == routineKind_ && core::SameText(routineName, routineName_);
}

TBreakPoints::TBreakPoints() : notifier_(this) {}

TBreakPoint& TBreakPoints::Add(std::string_view routineName, std::uint8_t routineKind, int line) {
    if (TBreakPoint* existing = Find(routineName, routineKind, line)) return *existing;
    items_.push_back(std::make_unique<TBreakPoint>(std::string(routineName), routineKind, line,
                                                   [this](TBreakPoint&) { Changed(); }));
    Changed();
    return *items_.back();
}

void TBreakPoints::Remove(std::string_view routineName, std::uint8_t routineKind, int line) {
    const auto found = std::find_if(items_.begin(), items_.end(), [&](const auto& item) {
        return item->Matches(routineName, routineKind, line);
    });
    if (found == items_.end()) return;
    items_.erase(found);
    Changed();
}

void TBreakPoints::Toggle(std::string_view routineName, std::uint8_t routineKind, int line) {
    if (Exists(routineName, routineKind, line))
        Remove(routineName, routineKind, line);
    else
        Add(routineName, routineKind, line);
    notifier_.Notify();
}

void TBreakPoints::Clear() {
    items_.clear();
    Changed();
}

TBreakPoint* TBreakPoints::Find(std::string_view routineName, std::uint8_t routineKind, int line) const {
    for (const auto& item : items_)
        if (item->Matches(routineName, routineKind, line)) return item.get();
    return nullptr;
}

TBreakPoint& TBreakPoints::Items(int index) const {
    return *ItemAt(items_, index);
}

void TBreakPoints::Changed() {
    std::vector<int> lines;
    for (const auto& item : items_)
        if (item->Enabled()) lines.push_back(item->Line());
    {
        std::lock_guard lock(linesLock_);
        anyEnabled_.store(!lines.empty(), std::memory_order_release);
        enabledLines_ = std::move(lines);
    }
    notifier_.Notify();
}

bool TBreakPoints::AnyEnabledAt(int line) const {
    if (!anyEnabled_.load(std::memory_order_acquire)) return false;
    std::lock_guard lock(linesLock_);
    return std::find(enabledLines_.begin(), enabledLines_.end(), line) != enabledLines_.end();
}

} // namespace engine
