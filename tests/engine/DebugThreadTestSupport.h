#pragma once

// Serving the debug thread's calls on the test thread, which plays the user-interface thread,
// with a time limit so that a fault fails the test instead of hanging it.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

#include "platform/rtl/Exception.h"
#include "platform/rtl/Threads.h"

namespace engine {

inline constexpr std::uint32_t kRunTimeLimitMs = 20000;

RTL_DECLARE_EXCEPTION(ETestTimeout, rtl::Exception);

// Serves synchronous calls until the condition holds; raises ETestTimeout after the time limit.
inline void PumpUntil(const std::function<bool()>& condition, std::uint32_t limitMs = kRunTimeLimitMs) {
    const std::uint64_t deadline = rtl::GetTickCount() + limitMs;
    while (!condition()) {
        if (rtl::GetTickCount() > deadline) throw ETestTimeout("Timed out serving the debug thread");
        rtl::CheckSynchronize(20);
    }
}

// A tick for the facade's waits that raises ETestTimeout once the time limit has passed.
inline std::function<void()> TimeLimitedTick(std::uint32_t limitMs = kRunTimeLimitMs) {
    const std::uint64_t deadline = rtl::GetTickCount() + limitMs;
    return [deadline] {
        if (rtl::GetTickCount() > deadline) throw ETestTimeout("Timed out waiting for the debug thread");
    };
}

} // namespace engine
