// One scope guard: the clean-up written once, run however the scope ends.
#pragma once

#include <utility>

namespace rtl {

// Runs `cleanup` when the guard goes out of scope, on return and on exception alike. The clean-up
// must not throw.
template <class F>
class ScopeExit {
public:
    explicit ScopeExit(F cleanup) : cleanup_(std::move(cleanup)) {}
    ~ScopeExit() { cleanup_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    F cleanup_;
};

} // namespace rtl
