// Breakpoints: a routine, a line and an optional condition, and their list.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "core/uMultiNotifier.h"

namespace engine {

// A place where a run stops: a routine (its quoted, schema-qualified name; empty for the main
// routine), its kind and a line, with an optional condition.
class TBreakPoint {
public:
    using TChangeEvent = std::function<void(TBreakPoint&)>;

    TBreakPoint(std::string routineName, std::uint8_t routineKind, int line, TChangeEvent onChange);
    TBreakPoint(const TBreakPoint&) = delete;
    TBreakPoint& operator=(const TBreakPoint&) = delete;

    const std::string& RoutineName() const { return routineName_; }
    std::uint8_t RoutineKind() const { return routineKind_; }
    int Line() const { return line_; }
    // Empty when the breakpoint always holds.
    const std::u16string& Condition() const { return condition_; }
    bool Enabled() const { return enabled_; }

    // Each setter reports a change only when the value really changes.
    void SetLine(int line);
    void SetCondition(std::u16string condition);
    void SetEnabled(bool enabled);

    // The routine names compare ignoring case.
    bool Matches(std::string_view routineName, std::uint8_t routineKind, int line) const;

private:
    void Changed();

    std::string routineName_;
    int line_;
    std::uint8_t routineKind_;
    TChangeEvent onChange_;
    std::u16string condition_;
    bool enabled_ = true;
};

// The breakpoints in the order they were set. Every change of the list or of one of its breakpoints
// goes out through Notifier, with the list as sender, to the breakpoint window and the editor gutter.
class TBreakPoints {
public:
    TBreakPoints();
    TBreakPoints(const TBreakPoints&) = delete;
    TBreakPoints& operator=(const TBreakPoints&) = delete;

    // The breakpoint already at the place comes back unchanged and without a notification.
    TBreakPoint& Add(std::string_view routineName, std::uint8_t routineKind, int line);
    void Remove(std::string_view routineName, std::uint8_t routineKind, int line);
    // Removes or adds, then notifies once more.
    void Toggle(std::string_view routineName, std::uint8_t routineKind, int line);
    // Notifies also when the list was empty.
    void Clear();
    // The first breakpoint at the place, or null.
    TBreakPoint* Find(std::string_view routineName, std::uint8_t routineKind, int line) const;
    bool Exists(std::string_view routineName, std::uint8_t routineKind, int line) const {
        return Find(routineName, routineKind, line) != nullptr;
    }

    int Count() const { return static_cast<int>(items_.size()); }
    TBreakPoint& Items(int index) const;
    core::TMultiNotifier& Notifier() { return notifier_; }

    // Whether an enabled breakpoint of any routine is at the line. Safe from any thread: the debug
    // thread asks it at every hook while the list changes on the user-interface thread.
    bool AnyEnabledAt(int line) const;

private:
    // Renews the enabled lines, then notifies.
    void Changed();

    std::vector<std::unique_ptr<TBreakPoint>> items_;
    core::TMultiNotifier notifier_;
    mutable std::mutex linesLock_;
    std::vector<int> enabledLines_;
    // Spares the lock in the common case of a run without breakpoints.
    std::atomic<bool> anyEnabled_{false};
};

} // namespace engine
