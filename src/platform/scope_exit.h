// Runs a function when a scope ends, however it ends: how the program undoes a temporary
// change, or finishes a half-done job, when an exception passes through.
#pragma once

#include <utility>

namespace platform {

template <class F> class TScopeExit {
public:
    explicit TScopeExit(F f) : Fn(std::move(f)) {}
    ~TScopeExit() { Fn(); }
    TScopeExit(const TScopeExit&) = delete;
    TScopeExit& operator=(const TScopeExit&) = delete;

private:
    F Fn;
};

} // namespace platform
