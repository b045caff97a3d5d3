#pragma once

#include <chrono>

namespace corvane {

// How long to wait before the map page is loaded again after its renderer
// ended. A renderer that ends once after a quiet spell is replaced at once;
// one that keeps ending (a page that brings it down again and again, a
// machine short of memory) is given a growing pause, so that the station does
// not spend itself on restarts: 1 s, 2 s, 4 s ... up to maxPause. A page that
// stayed loaded for stableFor counts as quiet again.
//
// Ownership: a value. Threads: one thread at a time. Throws: nothing.
class RestartPause
{
public:
    using Clock = std::chrono::steady_clock;

    static constexpr std::chrono::milliseconds firstPause{1000};
    static constexpr std::chrono::milliseconds maxPause{60000};
    static constexpr std::chrono::milliseconds stableFor{30000};

    // The page finished loading at `now`.
    void loaded(Clock::time_point now) noexcept;

    // The renderer ended (or the document was lost) at `now`: the pause before
    // the next load.
    std::chrono::milliseconds ended(Clock::time_point now) noexcept;

    // Ends since the page last stayed loaded for stableFor (1 after a first
    // end).
    int endsInARow() const noexcept { return m_inARow; }

private:
    int m_inARow = 0;
    bool m_loaded = false;
    Clock::time_point m_loadedAt{};
};

} // namespace corvane
