#pragma once

#include <atomic>
#include <cstddef>

namespace corvane {

class DropCounts;

// The bound on callbacks handed from the receive thread to the window and not
// yet taken there (CallbackHandoff keeps one). The receive thread asks
// tryEnter() before it hands one over; the window calls leave() for every one
// it takes (or discards), or leave(count) for a batch. Beyond the limit
// a callback is refused and counted, so a window that stalls under a flood
// costs at most `limit` waiting records of memory, never more.
//
// Ownership: borrows the counts, which must outlive it. Threads: tryEnter and
// leave may run on different threads at once; waiting() on any thread.
// Throws: never.
class CallbackBacklog
{
public:
    // As many as the database writer's queue holds records, so that a window
    // stalled for a second or two under a heavy fleet loses nothing either;
    // at about 600 bytes a callback, at most some 40 MiB wait.
    static constexpr std::size_t defaultLimit = 65536;

    explicit CallbackBacklog(DropCounts& counts, std::size_t limit = defaultLimit) noexcept
        : m_counts(counts), m_limit(limit)
    {}

    // True when one more may wait (it now counts as waiting); false, counted
    // as dropped, when `limit` already wait.
    bool tryEnter() noexcept;
    // One waiting callback has been taken. A leave without its enter is ignored.
    void leave() noexcept;
    // `count` waiting callbacks have been taken at once; never below none.
    void leave(std::size_t count) noexcept;

    std::size_t waiting() const noexcept { return m_waiting.load(std::memory_order_relaxed); }
    std::size_t limit() const noexcept { return m_limit; }

private:
    DropCounts& m_counts;
    const std::size_t m_limit;
    std::atomic<std::size_t> m_waiting{0};
};

} // namespace corvane
