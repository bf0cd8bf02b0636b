// Calls posted to run later on the user-interface thread.
#pragma once

#include <functional>

namespace ui {

// A posted message: `call` runs on the UI thread from the event loop, after the messages being
// handled now. Calls posted for `owner` that have not run yet go when the owner cancels them.
void PostCall(const void* owner, std::function<void()> call);
void CancelPostedCalls(const void* owner);

} // namespace ui
