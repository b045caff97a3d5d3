#pragma once

#include <chrono>
#include <thread>

namespace corvane::testing {

// Test helper: polls `ready` until it holds or `limit` has passed; true when it
// held. Tests use it to wait for another thread's state with a deadline
// instead of sleeping a fixed time.
template <typename Predicate>
bool waitFor(Predicate ready, std::chrono::milliseconds limit = std::chrono::seconds(10))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!ready()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::yield();
    }
    return true;
}

} // namespace corvane::testing
