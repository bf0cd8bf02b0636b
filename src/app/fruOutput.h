#pragma once

#include <string>

namespace engine {
class IDebuggMessageEvent;
}

namespace app {

// One line of the output window: its caption and the index of its image in the message images.
struct TOutputLine {
    std::string caption;
    int imageIndex = 0;

    bool operator==(const TOutputLine&) const = default;
};

// Warnings, errors and information show their text; statement results their row count and time.
// A kind the window does not know raises "Unknown message type".
TOutputLine OutputLine(const engine::IDebuggMessageEvent& message);

} // namespace app
