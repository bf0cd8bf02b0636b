#include "platform/ui/Timers.h"

#include "platform/ui/Clock.h"

#include <QTimer>

#include <algorithm>

namespace ui {

struct TTimerService::Entry {
    const void* owner;
    TTimerId id;
    uint32_t interval;
    std::function<void()> proc;
    uint64_t due;
    // Drives the entry under the system clock; null under a manual clock.
    std::unique_ptr<QTimer> timer;
};

namespace {

bool ManualClock() {
    return dynamic_cast<TManualClock*>(&Clock()) != nullptr;
}

} // namespace

TTimerService::TTimerService() = default;
TTimerService::~TTimerService() = default;

TTimerService::Entry* TTimerService::Find(const void* owner, TTimerId id) const {
    for (const auto& e : entries_)
        if (e->owner == owner && e->id == id) return e.get();
    return nullptr;
}

void TTimerService::SetTimer(const void* owner, TTimerId id, uint32_t interval, std::function<void()> proc) {
    Entry* entry = Find(owner, id);
    if (!entry) {
        entries_.push_back(std::make_unique<Entry>(Entry{owner, id, 0, {}, 0, nullptr}));
        entry = entries_.back().get();
    }
    entry->interval = interval;
    entry->proc = std::move(proc);
    entry->due = Clock().Now() + interval;
    entry->timer.reset();
    if (interval == 0 || ManualClock()) return;
    entry->timer = std::make_unique<QTimer>();
    entry->timer->setInterval(static_cast<int>(std::min<uint32_t>(interval, INT32_MAX)));
    QObject::connect(entry->timer.get(), &QTimer::timeout, [this, owner, id] {
        // Copy: the procedure may kill or restart its own timer.
        if (Entry* e = Find(owner, id)) {
            auto proc = e->proc;
            if (proc) proc();
        }
    });
    entry->timer->start();
}

bool TTimerService::KillTimer(const void* owner, TTimerId id) {
    const auto found = std::find_if(entries_.begin(), entries_.end(),
                                    [&](const auto& e) { return e->owner == owner && e->id == id; });
    if (found == entries_.end()) return false;
    entries_.erase(found);
    return true;
}

void TTimerService::KillTimers(const void* owner) {
    std::erase_if(entries_, [&](const auto& e) { return e->owner == owner; });
}

bool TTimerService::IsActive(const void* owner, TTimerId id) const {
    return Find(owner, id) != nullptr;
}

std::optional<uint64_t> TTimerService::NextDue() const {
    std::optional<uint64_t> next;
    for (const auto& e : entries_)
        if (e->interval != 0 && !e->timer && (!next || e->due < *next)) next = e->due;
    return next;
}

void TTimerService::FireDue(uint64_t now) {
    // Collect first: procedures may start and kill timers.
    std::vector<std::pair<const void*, TTimerId>> due;
    for (const auto& e : entries_)
        if (e->interval != 0 && !e->timer && e->due <= now) due.emplace_back(e->owner, e->id);
    std::sort(due.begin(), due.end(), [&](const auto& a, const auto& b) {
        return Find(a.first, a.second)->due < Find(b.first, b.second)->due;
    });
    for (const auto& [owner, id] : due) {
        Entry* e = Find(owner, id);
        if (!e || e->due > now) continue;
        e->due += e->interval;
        auto proc = e->proc;
        if (proc) proc();
    }
}

TTimerService& Timers() {
    static TTimerService service;
    return service;
}

// ---- TTimer ----

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
    Update();
}

TTimer::~TTimer() {
    Timers().KillTimers(this);
}

void TTimer::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    Update();
}

void TTimer::SetInterval(uint32_t interval) {
    if (interval == interval_) return;
    interval_ = interval;
    Update();
}

void TTimer::Update() {
    Timers().KillTimers(this);
    if (enabled_ && interval_ != 0)
        Timers().SetTimer(this, 1, interval_, [this] {
            if (OnTimer) OnTimer(this);
        });
}

} // namespace ui
