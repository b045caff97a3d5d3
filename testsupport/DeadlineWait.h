#pragma once

#include <chrono>
#include <thread>

namespace corvane::test {

// Polls `condition` until it holds (true) or `deadline` has passed (false).
// Between polls the caller sleeps a millisecond instead of spinning, so the
// thread it waits for (a writer, a receiver) keeps the processor.
// Threads: any. Throws: whatever the condition throws.
template <typename Condition>
bool waitFor(Condition condition, std::chrono::milliseconds deadline = std::chrono::seconds(30))
{
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace corvane::test
