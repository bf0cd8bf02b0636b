#include "platform/ui/PostedCalls.h"

#include <QCoreApplication>

#include <algorithm>
#include <utility>
#include <vector>

namespace ui {

namespace {

struct TPostedCall {
    const void* owner;
    std::function<void()> call;
};

std::vector<TPostedCall>& Pending() {
    static std::vector<TPostedCall> calls;
    return calls;
}

// Runs the first waiting call; each posted call has its own turn of the event loop.
void RunFirst() {
    auto& pending = Pending();
    if (pending.empty()) return;
    std::function<void()> call = std::move(pending.front().call);
    pending.erase(pending.begin());
    call();
}

} // namespace

void PostCall(const void* owner, std::function<void()> call) {
    Pending().push_back({owner, std::move(call)});
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [] { RunFirst(); }, Qt::QueuedConnection);
}

void CancelPostedCalls(const void* owner) {
    std::erase_if(Pending(), [owner](const TPostedCall& posted) { return posted.owner == owner; });
}

} // namespace ui
