// One HTTP GET as the program makes it.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace ui {

// One HTTP GET as the program makes it: the address, the agent name sent with it, and the time the
// whole exchange may take (connecting, waiting and reading together).
struct THttpRequest {
    std::string url;
    std::string userAgent;
    int timeoutMs = 3000;
};

// Receives the body of a reply piece by piece, as it arrives.
using THttpReceiver = std::function<void(std::string_view piece)>;

// Fetches the address and hands the body to `receive`; true when a whole reply with a success
// status (2xx) came in time. No server, a refused connection, an error status and the time-out all
// answer false (what was received before a time-out has already been handed on). Runs a local event
// loop on the calling thread, so the application keeps painting while it waits.
bool HttpGet(const THttpRequest& request, const THttpReceiver& receive);

} // namespace ui
