#pragma once

#include <chrono>
#include <thread>

namespace corvane::test {

// What a wait does between two looks at its condition when the caller has no
// work of its own to do there.
struct NoPump
{
    void operator()() const {}
};

// Looks at `condition` until it holds (true) or `deadline` has passed (false).
// Between looks it runs `pump` (the Qt tests process their events there) and
// then sleeps a millisecond instead of spinning, so the thread it waits for (a
// writer, a receiver) keeps the processor.
//
// The one deadline loop of the tests. Qt tests wait through the event-pumping
// waitFor(std::function, int milliseconds) of testsupport/qt/EventLoopWait.h,
// built on this one. Where both are declared, a deadline given as a duration
// chooses this one (the event loop stays still), an int deadline that one; a
// call without a deadline would come here, so give one.
// Threads: any. Throws: whatever the condition or the pump throws.
template <typename Condition, typename Pump = NoPump>
bool waitFor(Condition condition, std::chrono::milliseconds deadline = std::chrono::seconds(30),
             Pump pump = Pump())
{
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace corvane::test
