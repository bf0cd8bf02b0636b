// Runs a function when the scope ends, on the normal path and on an exception alike.
#pragma once

#include <utility>

namespace lazytree {

// Runs a function when the scope ends, on the normal path and on an exception alike.
template <class F>
class TScopeExit {
public:
    explicit TScopeExit(F fn) : fn_(std::move(fn)) {}
    ~TScopeExit() { fn_(); }
    TScopeExit(const TScopeExit&) = delete;
    TScopeExit& operator=(const TScopeExit&) = delete;

private:
    F fn_;
};

} // namespace lazytree
