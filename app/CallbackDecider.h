#pragma once

#include "callback/CallbackHandoff.h"
#include "callback/CallbackInfo.h"
#include "thread/Thread.h"

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <vector>

namespace corvane {

class DropCounts;
class StationController;

// The hop between reception and storage: its thread, "CallbackDecider",
// takes every callback the receive thread handed over and gives each, in
// arrival order, to the controller, which decides the rows (queued for the
// database writer at once) and the page calls (gathered for the window by
// the PageCallRelay). The window's thread takes no part, so a window that is
// busy or held stores on regardless.
//
// The hand-off between the receive thread and this one (handoff()) is
// bounded: beyond its limit callbacks are refused and counted in the drop
// counts. A wake-up per burst, not per callback: the receive thread wakes
// this thread only when callbacks start to wait.
//
// Life: start() once; stop() waits until every callback handed over before
// it was decided (so the caller may then close the databases), then ends the
// thread; start() may follow again. The destructor stops.
//
// Ownership: owns the hand-off and its thread; borrows the controller and
// the drop counts, which must outlive it.
// Threads: handoff().append() on the receive thread; start(), stop() and
// waiting() on the owner's (the window's) thread, waiting() on any.
// The controller is called on this object's thread only, under its own lock.
// Throws: start() raises SystemException when the thread cannot be created;
// otherwise only std::bad_alloc.
class CallbackDecider final : private Thread
{
public:
    CallbackDecider(StationController& controller, DropCounts& counts,
                    std::size_t limit = CallbackBacklog::defaultLimit);
    ~CallbackDecider() override;

    CallbackDecider(const CallbackDecider&) = delete;
    CallbackDecider& operator=(const CallbackDecider&) = delete;

    void start();
    void stop();

    // Where the receive thread hands each accepted callback.
    CallbackHandoff& handoff() noexcept { return m_handoff; }
    // Handed over and not yet taken by this thread.
    std::size_t waiting() const noexcept { return m_handoff.waiting(); }

private:
    void run() override;
    void wake();
    void decide(std::vector<CallbackInfo>& batch);

    StationController& m_controller;
    std::mutex m_mutex;
    std::condition_variable m_woken;
    bool m_wakeUp = false;   // guarded by m_mutex
    bool m_stopping = false; // guarded by m_mutex
    CallbackHandoff m_handoff;
    std::vector<CallbackInfo> m_batch; // this thread's; reused between takes
};

} // namespace corvane
