#include "core/uMultiNotifier.h"

#include "platform/rtl/Exception.h"

#include <algorithm>

namespace core {

TMultiNotifier::TMultiNotifier(void* sender) : sender_(sender) {
    RTL_ASSERT(sender_);
}

void TMultiNotifier::AddHandler(const TEventHandler& handler) {
    RTL_ASSERT(handler);
    entries_.push_back({handler});
}

void TMultiNotifier::RemoveHandler(const TEventHandler& handler) {
    for (TEventHandlerHolder& entry : entries_) {
        if (entry.handler == handler) entry.removed = true;
    }
    if (depth_ == 0) PurgeRemoved();
}

void TMultiNotifier::Notify() {
    NotifyEvent(std::make_shared<TEvent>(sender_));
}

void TMultiNotifier::NotifyEvent(std::shared_ptr<IEvent> event) {
    RTL_ASSERT(event);
    // Entries are never erased while a delivery runs, so indices stay valid; handlers added by
    // handlers lie past `count` and wait for the next delivery.
    const size_t count = entries_.size();
    struct DepthGuard {
        TMultiNotifier& self;
        explicit DepthGuard(TMultiNotifier& s) : self(s) { ++self.depth_; }
        ~DepthGuard() {
            if (--self.depth_ == 0) self.PurgeRemoved();
        }
    } guard(*this);
    for (size_t i = 0; i < count; ++i) {
        if (entries_[i].removed) continue;
        // A copy: the handler may add entries and so move the vector's storage.
        const TEventHandler handler = entries_[i].handler;
        handler(event);
    }
}

void TMultiNotifier::PurgeRemoved() {
    std::erase_if(entries_, [](const TEventHandlerHolder& entry) { return entry.removed; });
}

} // namespace core
