#pragma once

#include "callback/CallbackBacklog.h"
#include "callback/CallbackInfo.h"

#include <cstddef>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

namespace corvane {

class DropCounts;

// The way received callbacks cross from the receive thread to the window's
// thread. The receive thread appends a copy of each record; the window takes
// every waiting record at once, in arrival order. Instead of one wake-up per
// record, the wake function runs only when the queue goes from empty (or just
// taken) to holding a record, so a burst of datagrams costs the window one
// wake-up and the receive thread one post. The bound is the backlog's: a
// record counts as waiting from its append until the window takes it, and
// beyond the limit appends are refused and counted as dropped.
//
// A lost wake-up loses no record: the records stay here until a take (the
// window's shutdown takes them directly, whatever became of the posted
// wake-ups). When the wake function throws, the record stays queued, the
// wake-up is owed again (the next append runs the wake function once more),
// and the exception reaches the appending caller.
//
// Ownership: owns the waiting copies and the wake function; borrows the drop
// counts, which must outlive it. Threads: append on the receive thread (any
// number of appending threads is safe), take on the window's thread (one
// taking thread); waiting() on any thread. The wake function runs on the
// appending thread, outside the lock, and may call nothing of this object
// but waiting(). Throws: append rethrows what the wake function throws, and
// std::bad_alloc; take never throws.
class CallbackHandoff
{
public:
    using Wake = std::function<void()>;

    // Records' worth of storage that a take hands back to the queue.
    static constexpr std::size_t keptCapacity = 1024;

    CallbackHandoff(DropCounts& counts, Wake wake,
                    std::size_t limit = CallbackBacklog::defaultLimit)
        : m_backlog(counts, limit), m_wake(std::move(wake))
    {}

    CallbackHandoff(const CallbackHandoff&) = delete;
    CallbackHandoff& operator=(const CallbackHandoff&) = delete;

    // Queues a copy of `record`. False, counted as dropped, when `limit`
    // records already wait. Runs the wake function when the taker has no
    // wake-up on its way yet.
    bool append(const CallbackInfo& record);

    // Replaces the contents of `into` with every waiting record, oldest
    // first, and frees their places; `into` is left empty when none wait.
    // Give the same vector every time: its storage goes back to the queue,
    // so a busy station reuses two buffers instead of allocating. Storage
    // grown past keptCapacity records (by a stall) is freed instead, so a
    // past flood does not hold its memory for good.
    void take(std::vector<CallbackInfo>& into) noexcept;

    // Appended and not yet taken.
    std::size_t waiting() const noexcept { return m_backlog.waiting(); }
    std::size_t limit() const noexcept { return m_backlog.limit(); }

private:
    CallbackBacklog m_backlog;
    const Wake m_wake;
    std::mutex m_mutex;
    std::vector<CallbackInfo> m_queue; // guarded by m_mutex
    // A wake-up has gone out since the last take (guarded by m_mutex).
    bool m_wakeSent = false;
};

} // namespace corvane
