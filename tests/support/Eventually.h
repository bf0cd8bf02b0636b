// Reading a value the server publishes late: ask again until it is the expected one or time is up.
// The pause between questions is longer than the idle time after which InnoDB refreshes its
// information_schema snapshots (100 ms): asking more often than that keeps an old snapshot alive.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace testsupport {

// The first answer of `read` equal to `expected`, or the last one after `limit`.
inline std::string Eventually(const std::function<std::string()>& read, const std::string& expected,
                              std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        std::string value = read();
        if (value == expected || std::chrono::steady_clock::now() >= deadline) return value;
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }
}

} // namespace testsupport
