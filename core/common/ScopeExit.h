#pragma once

#include <utility>

namespace kaldorium {

// Runs its action when the scope is left, however it is left (a return, an error, an
// exception):
//
//     const ScopeExit idle([this] { EndWork(); });
template <typename Action> class ScopeExit {
public:
    explicit ScopeExit(Action action_) : action(std::move(action_)) {}
    ~ScopeExit() { action(); }
    ScopeExit(const ScopeExit &) = delete;
    ScopeExit &operator=(const ScopeExit &) = delete;

private:
    Action action;
};

} // namespace kaldorium
