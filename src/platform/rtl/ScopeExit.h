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

// Runs `undo` when the scope ends before `Dismiss` is called, that is when the work it guards
// failed half-way. An error of `undo` itself is dropped: the error that ended the scope is the one
// to report, and a destructor must not throw while it is in flight.
template <class F>
class UndoGuard {
public:
    explicit UndoGuard(F undo) : undo_(std::move(undo)) {}
    ~UndoGuard() {
        if (dismissed_) return;
        try {
            undo_();
        } catch (...) {
            // See above: the failure being undone says more than the failure to undo it.
        }
    }
    UndoGuard(const UndoGuard&) = delete;
    UndoGuard& operator=(const UndoGuard&) = delete;

    // The work succeeded: nothing to undo.
    void Dismiss() { dismissed_ = true; }

private:
    F undo_;
    bool dismissed_ = false;
};

// Runs `body`, then `cleanup` whether or not `body` threw; for a clean-up that may throw itself,
// which a destructor must not. An error of `body` goes on unless `cleanup` throws its own.
template <class Body, class Cleanup>
void Finally(Body&& body, Cleanup&& cleanup) {
    try {
        body();
    } catch (...) {
        cleanup();
        throw;
    }
    cleanup();
}

// Sets a flag for the length of a scope and puts back the value it had before, so that nested
// scopes leave the outer one's setting in place.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag), saved_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = saved_; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
    bool saved_;
};

} // namespace rtl
